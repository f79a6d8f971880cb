#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include "review/clsComparacaoPacientes.h"

class clsPaciente;

// Which value of each field the surviving record keeps. By default the base keeps its own
// non-empty values and fills its empty fields from the other records, the newest record (the
// highest ID, the last one registered) first; the administrator may take any field from any
// of the compared records instead.
class clsValoresSobreviventes {
  public:
    // The fields a patient update writes (column names of Paciente).
    static const QStringList& Campos();

    // Sets the defaults for base fID_Base among the records of the comparison.
    void Iniciar(const clsComparacaoPacientes& fComparacao, qint32 fID_Base);

    qint32 Base() const { return m_base; }
    // The record whose value the field takes.
    qint32 Origem(const QString& fCampo) const { return m_origem.value(fCampo, m_base); }
    // Takes the field from record fID (one of the compared records); false otherwise.
    bool Escolher(const QString& fCampo, qint32 fID);
    QString Valor(const QString& fCampo) const;
    // The fields whose surviving value differs from what the base holds now.
    QStringList CamposAlterados() const;

    // Writes the surviving values into a patient object (the base, as loaded).
    void Aplicar(clsPaciente& fPaciente) const;

  private:
    QHash<qint32, QHash<QString, QString>> m_valores;  // per record, per field
    qint32 m_base = 0;
    QHash<QString, qint32> m_origem;
};
