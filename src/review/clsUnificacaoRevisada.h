#pragma once

#include <QList>
#include <QString>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "patient/clsError.h"

class clsValoresSobreviventes;

// A reviewed unify command: every merge of the group and the surviving values of the base in
// one transaction. Before the first statement it confirms, under lock, that the base and every
// copy still exist (another workstation may have merged or deleted one since the review); a
// missing record cancels the whole command. The merges themselves are the unification engine's;
// the base is then updated through its logged patient update. Any failure rolls everything
// back, and Mensagem() says what was done or what failed.
class clsUnificacaoRevisada {
  public:
    explicit clsUnificacaoRevisada(Connection& fCN, clsADO& fADO);

    // Merges every ID of fIDs except the base into fID_Base, in list order, then writes the
    // surviving values when fValores (optional) changes any field of the base.
    bool Executar(qint32 fID_Base, const QList<qint32>& fIDs, qint32 fID_Usuario,
                  const clsValoresSobreviventes* fValores = nullptr);

    // The outcome for the administrator: what was done, or what failed, that nothing was
    // changed, and the database's error.
    QString Mensagem() const { return m_mensagem; }
    // The record found missing at the start (0 when none was).
    qint32 CadastroAusente() const { return m_ausente; }
    qint64 ExamesTransferidos() const { return m_exames; }
    clsError& Erro() { return m_erro; }

  private:
    bool Falhar(const QString& etapa, qint32 numero, const QString& texto);

    Connection& m_cn;
    clsADO& m_ado;
    clsError m_erro;
    QString m_mensagem;
    qint32 m_ausente = 0;
    int m_profundidade = 0;  // the caller's transaction levels, left as they were
    qint64 m_exames = 0;
};
