#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QTemporaryDir>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"

// A register written by the demo generator (synthetic patients, a share of them one person
// registered two or three times, their exams, the administrator gestor/cadunir) in a temporary
// folder, with every table of the program made as at start-up and one open connection.
class RegistroGerado {
  public:
    explicit RegistroGerado(qint64 pacientes = 3000, quint64 semente = 20260101);

    QString Pasta() const { return m_pasta.path(); }
    QString Arquivo() const;
    QString StringConexao() const;
    Connection& cn() { return m_cn; }
    clsADO& ado() { return m_ado; }
    qint32 Administrador() const { return m_administrador; }

    // The person a record stands for, as the generator made it.
    qint64 Pessoa(qint32 id) const { return m_pessoa.value(id, -id); }
    // The product's rows of Paciente, Exame and Exame_BK (RegistroMerge::Instantaneo).
    QByteArray Produto() const;
    qint64 Contar(const QString& sql);

  private:
    QTemporaryDir m_pasta;
    Connection m_cn;
    clsADO m_ado;
    QHash<qint32, qint64> m_pessoa;
    qint32 m_administrador = 0;
};
