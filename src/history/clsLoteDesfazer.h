#pragma once

#include <QList>
#include <QString>
#include <functional>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "history/clsUnificacaoDesfazer.h"

// Undoes a whole batch of merges: its merges newest first, each by clsUnificacaoDesfazer in a
// transaction of its own. Its progress is what the undo records themselves say
// (Cadunir_UnificacaoDesfeita): a run killed half-way leaves every merge undone or not, and
// running it again skips the ones undone and finishes. The batch records who began its undo and
// when, and when it ended with every merge undone. A merge that cannot be undone (its record is
// in Paciente again, survivor values changed since and no decision given, ...) is listed and
// the others go on; a database failure stops the run.
class clsLoteDesfazer {
  public:
    struct Andamento {
        int total = 0;      // merges of the batch
        int feitos = 0;     // looked at in this run, undone before included
        int desfeitas = 0;  // undone, this run or before
        int recusadas = 0;
    };
    struct Recusa {
        qint32 novo = 0;
        QList<qint32> removidos;
        QString mensagem;
        QList<ConflitoValor> conflitos;
    };
    using Progresso = std::function<void(const Andamento&)>;

    clsLoteDesfazer(Connection& fCN, clsADO& fADO);

    // False with Mensagem() when the batch cannot be read or the database failed (the run
    // stopped there); true otherwise, with the merges refused in Recusas().
    bool Desfazer(
        qint32 fLote, qint32 fID_Usuario,
        clsUnificacaoDesfazer::Decisao fDecisao = clsUnificacaoDesfazer::Decisao::Perguntar,
        const Progresso& fProgresso = {}, const std::function<bool()>& fParar = {});

    const Andamento& Situacao() const { return m_andamento; }
    const QList<Recusa>& Recusas() const { return m_recusas; }
    bool Interrompido() const { return m_interrompido; }
    // Every merge of the batch is undone.
    bool Concluido() const { return m_andamento.desfeitas == m_andamento.total; }
    QString Mensagem() const { return m_mensagem; }

  private:
    bool Falhar(const QString& texto);

    Connection& m_cn;
    clsADO& m_ado;
    Andamento m_andamento;
    QList<Recusa> m_recusas;
    bool m_interrompido = false;
    QString m_mensagem;
};
