#pragma once

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QVector>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "patient/clsError.h"

// Batches of merges, in tables of the program's own: the batch (who, when, the threshold and
// what its plan expected: Cadunir_Lote), its plan, one row per record to remove with the
// fingerprints its group's records had when planned and what became of the group
// (Cadunir_LotePlano), and which merge belongs to which batch (Cadunir_UnificacaoLote, keyed
// like the merge's log row and written by the merge itself, in its own transaction, so a batch
// killed at any moment knows exactly which of its groups are merged).
class clsLoteRegistro {
  public:
    // What became of a group of the plan.
    enum Situacao {
        Pendente = 0,
        Unificado = 1,
        Alterado = 2,  // changed since the plan (a record gone or edited): skipped
        Recusado = 3,  // the merge command refused it (a sign, a decision, a pointing table)
        Falhou = 4,    // the database failed; nothing of the group was written
    };

    struct Remocao {
        qint32 id = 0;
        double pontuacao = 0;  // 0..100, the record's weakest score against its group
        qint64 exames = 0;
        QString campos;  // the fields whose values differ in the group, ", " between them
        QString assinatura;
    };
    struct Grupo {
        int numero = 0;  // 1.. in the plan's order
        qint32 base = 0;
        QString assinaturaBase;
        QVector<Remocao> remocoes;
        Situacao situacao = Pendente;
        QString mensagem;  // why it was skipped, refused or failed
    };
    struct Lote {
        qint32 id = 0;
        qint32 usuario = 0;
        QDateTime data;
        double limiar = 0;
        int grupos = 0;
        int registros = 0;
        qint64 exames = 0;
        double errosEsperados = 0;
        QDateTime fim;  // every group handled
        qint32 usuarioDesfez = 0;
        QDateTime desfeito;     // its undo began
        QDateTime fimDesfeito;  // its undo ended with every merge undone
    };
    // A merge of a batch, as its log row is keyed.
    struct Unificacao {
        qint32 removido = 0;
        qint32 novo = 0;
        qint32 usuario = 0;
        QDateTime data;
        qint32 comando = 0;  // its command's number (0: written before commands were numbered)
    };

    clsLoteRegistro(Connection& fCN, clsADO& fADO);

    clsError& Erro() { return m_erro; }

    // Name and CREATE TABLE batch of each table, for clsUnificacaoRegistro::CriarTabelas.
    static const QList<QPair<QString, QString>>& Tabelas();

    // Records the batch and its plan in one transaction; fLote.id receives its number.
    bool Criar(Lote& fLote, const QVector<Grupo>& fPlano);
    // A batch and, when fPlano is given, its plan (groups in order, each with the outcome
    // recorded). False with Erro() -1 when there is no such batch.
    bool Ler(qint32 fID, Lote& fLote, QVector<Grupo>* fPlano = nullptr);
    // Every batch, newest first.
    bool Listar(QList<Lote>& fLotes);
    bool MarcarGrupo(qint32 fLote, int fGrupo, Situacao fSituacao, const QString& fMensagem);
    // Several groups merged, in one statement.
    bool MarcarUnificados(qint32 fLote, const QList<int>& fGrupos);
    // The records the batch's merges removed (its merges may have run in several sittings).
    bool Removidos(qint32 fLote, QList<qint32>& fIDs);
    // The batch's merges, newest first (the order an undo takes).
    bool Unificacoes(qint32 fLote, QList<Unificacao>& fUnificacoes);
    // Every merge of every batch, with its batch (none on a register that never ran one).
    bool LotesDasUnificacoes(QList<QPair<Unificacao, qint32>>& fLotes);

    bool Concluir(qint32 fLote);
    // The undo of the batch began (by fUsuario, now) / ended.
    bool MarcarDesfazendo(qint32 fLote, qint32 fUsuario);
    bool ConcluirDesfeito(qint32 fLote);

  private:
    bool Executar(const QString& sql, const QString& procedimento);
    bool Falhar(const QString& procedimento);

    Connection& m_cn;
    clsADO& m_ado;
    clsError m_erro;
};
