#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "patient/clsError.h"
#include "review/clsComparacaoPacientes.h"
#include "review/clsValoresSobreviventes.h"

// What a unify command would do, worked out before anything is written: the records removed,
// the base they go into, the exam rows moved in each exam table, the fields of the base that
// change. It also finds every other table of the register that points at a patient (a column
// ID_Paciente, or a foreign key to Paciente) and holds rows of a record to be removed: the merge
// statements would leave those rows pointing at a deleted patient, so such a merge is refused.
class clsPreviaUnificacao {
  public:
    struct Referencia {
        QString tabela;
        QString coluna;
        qint64 linhas = 0;
    };

    explicit clsPreviaUnificacao(Connection& fCN, clsADO& fADO);

    // False when the register cannot be read (Erro holds the database's error).
    bool Calcular(const clsComparacaoPacientes& fComparacao,
                  const clsValoresSobreviventes& fValores);

    qint32 Base() const { return m_base; }
    const QList<qint32>& Removidos() const { return m_removidos; }
    qint64 ExamesExame() const { return m_exames; }
    qint64 ExamesBK() const { return m_examesBK; }
    const QStringList& CamposAlterados() const { return m_alterados; }
    const QList<Referencia>& Referencias() const { return m_referencias; }
    bool Recusada() const { return !m_referencias.isEmpty(); }

    // The summary shown before the commit.
    QString Texto() const;
    // Why the merge is refused, naming each table and its rows.
    QString MensagemRecusa() const;

    // Tables that hold patient IDs by design and are never a reason to refuse: the patient
    // table, the exam tables the merge moves, the merge's log tables and the program's own.
    static bool TabelaDaUnificacao(const QString& tabela);

    // Finds the rows of other tables that point at fRemovidos (Referencias(), Recusada()). The
    // catalogue is read once per object, so a caller that checks many groups reads it once.
    bool ProcurarReferencias(const QList<qint32>& fRemovidos);

    clsError& Erro() { return m_erro; }

  private:
    bool LerTabelasQueApontam();
    void ErroDoBanco();

    Connection& m_cn;
    clsADO& m_ado;
    clsError m_erro;
    qint32 m_base = 0;
    QList<qint32> m_removidos;
    QStringList m_nomesRemovidos;
    qint64 m_exames = 0;
    qint64 m_examesBK = 0;
    QStringList m_alterados;
    QStringList m_mudancas;  // "Campo: antes → depois"
    QList<Referencia> m_referencias;
    // Table and column of every other table that points at a patient; read once.
    QList<QPair<QString, QString>> m_apontam;
    bool m_catalogoLido = false;
};
