#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "review/clsComparacaoPacientes.h"
#include "review/clsVerificacaoSeguranca.h"

// Which value of each field the surviving record keeps. By default the base keeps its own values
// and fills each empty field (NULL, empty or blanks only) from the other records, the newest
// record (the highest ID, the last one registered) first; but never from a record that a sign
// sets apart as maybe another person: such a value is only offered. The administrator may take
// any field from any of the compared records instead.
class clsValoresSobreviventes {
  public:
    // The fields a merge may write into the base (column names of Paciente).
    static const QStringList& Campos();

    // The base a merge of these records suggests: the one with the most exam rows in Exame,
    // then the most filled fields, then the lowest ID (the first registered); 0 without records.
    static qint32 BaseSugerida(const clsComparacaoPacientes& fComparacao);

    // Sets the defaults for base fID_Base among the records of the comparison. A record that a
    // sign of fSinais sets apart from the base fills none of the base's empty fields.
    void Iniciar(const clsComparacaoPacientes& fComparacao, qint32 fID_Base,
                 const QList<clsVerificacaoSeguranca::Conflito>& fSinais = {});

    qint32 Base() const { return m_base; }
    // The record whose value the field takes.
    qint32 Origem(const QString& fCampo) const { return m_origem.value(fCampo, m_base); }
    // The record, set apart by a sign, whose value would have filled the field by default (0
    // when none): offered to the administrator, never taken unasked.
    qint32 Oferta(const QString& fCampo) const { return m_oferta.value(fCampo, 0); }
    // Takes the field from record fID (one of the compared records); false otherwise.
    bool Escolher(const QString& fCampo, qint32 fID);
    QString Valor(const QString& fCampo) const;
    // The value as the database holds it in the record it comes from, so that a merge writes
    // back exactly that (a NULL is not an empty text).
    QVariant ValorOriginal(const QString& fCampo) const;
    // The fields whose surviving value differs from what the base holds now.
    QStringList CamposAlterados() const;

  private:
    static bool Vazio(const QString& valor) { return valor.trimmed().isEmpty(); }

    QHash<qint32, QHash<QString, QString>> m_valores;     // per record, per field
    QHash<qint32, QHash<QString, QVariant>> m_originais;  // the same as the database holds them
    qint32 m_base = 0;
    QHash<QString, qint32> m_origem;
    QHash<QString, qint32> m_oferta;
};
