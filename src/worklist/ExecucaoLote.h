#pragma once

#include <QString>
#include <QVector>
#include <functional>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "merge/clsLoteRegistro.h"
#include "worklist/PlanoLote.h"

// Runs a batch: its plan recorded (Cadunir_Lote, Cadunir_LotePlano), then group after group
// through the one merge command (clsUnificacao), each group in its own transaction and logged
// exactly as a merge made by hand, with the batch's number recorded beside it. A group whose
// records changed since the plan (one gone or edited) is skipped, as is one the command refuses;
// the run stops at a database failure. Asked to stop between groups, it stops there: what is
// merged stays merged and logged. A batch stopped, killed or failed is finished by Retomar,
// which skips the groups its merges already removed.
class clsExecucaoLote {
  public:
    struct Andamento {
        int total = 0;   // groups of the plan
        int feitos = 0;  // handled, this run or before
        int unificados = 0;
        int alterados = 0;
        int recusados = 0;
    };
    // After each group: how far the batch is, and the group with its outcome.
    using Progresso = std::function<void(const Andamento&, const clsLoteRegistro::Grupo&)>;

    clsExecucaoLote(Connection& fCN, clsADO& fADO, qint32 fID_Usuario);

    // Records a new batch from a plan; Lote() then holds its number.
    bool Criar(double fLimiar, const QVector<clsLoteRegistro::Grupo>& fPlano,
               const clsPlanoLote::Resumo& fResumo);
    // Takes up a recorded batch: its groups merged since (a run killed before it could say so)
    // count as merged. Refused when the batch's undo has begun.
    bool Retomar(qint32 fLote);

    // Merges the groups still to do, in the plan's order. fParar is asked between groups.
    // False with Mensagem() when the database failed (the run stopped there).
    bool Executar(const Progresso& fProgresso = {}, const std::function<bool()>& fParar = {});

    qint32 Lote() const { return m_lote.id; }
    const clsLoteRegistro::Lote& DadosLote() const { return m_lote; }
    const QVector<clsLoteRegistro::Grupo>& Grupos() const { return m_grupos; }
    const Andamento& Situacao() const { return m_andamento; }
    bool Interrompido() const { return m_interrompido; }
    // Every group handled: merged, skipped or refused.
    bool Concluido() const { return m_andamento.feitos == m_andamento.total; }
    QString Mensagem() const { return m_mensagem; }

  private:
    bool Falhar(const QString& mensagem);
    void Contar();

    Connection& m_cn;
    clsADO& m_ado;
    qint32 m_usuario;
    clsLoteRegistro m_registro;
    clsLoteRegistro::Lote m_lote;
    QVector<clsLoteRegistro::Grupo> m_grupos;
    Andamento m_andamento;
    bool m_interrompido = false;
    QString m_mensagem;
};
