#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "data/base/MensagemFalha.h"
#include "patient/clsError.h"
#include "review/clsPreviaUnificacao.h"
#include "review/clsValoresSobreviventes.h"
#include "review/clsVerificacaoSeguranca.h"

// The unify command: the copies merged into the base and the base given its surviving values,
// all in one transaction. Inside it, before anything is written, a read under lock confirms that
// the base and every copy still exist (another workstation may have merged or deleted one since
// they were listed): a missing record cancels it all. Then come the engine's merges (its
// statements as they are), the base's update (logged in PacienteLogAtualizar; only the fields
// that change are written, so a NULL stays NULL), and what the log tables cannot hold
// (clsUnificacaoRegistro). Any failure rolls everything back.
//
// Every merge of the program goes through here. The comparison window passes the values the
// administrator reviewed; a caller without a review (a keyboard merge of one group, a batch
// that runs one command per group) passes none and gets the default values, worked out inside
// the transaction from the records as they are then. Two refusals hold for every caller, read
// under the lock: rows of another table pointing at a copy (the merge would leave them pointing
// at a deleted patient), and, for a merge nobody reviewed, any sign that the records are
// different people unless the caller passes those very signs as confirmed.
class NivelTransacao;

class clsUnificacao {
  public:
    struct Pedido {
        Pedido(qint32 fBase, const QList<qint32>& fIDs, qint32 fUsuario,
               std::optional<clsValoresSobreviventes> fValores = std::nullopt)
            : base(fBase), ids(fIDs), usuario(fUsuario), valores(std::move(fValores)) {}

        qint32 base = 0;     // 0: the suggested base (clsValoresSobreviventes::BaseSugerida)
        QList<qint32> ids;   // the records of one person, the base among them or not
        qint32 usuario = 0;  // the administrator, written into every log row
        // The base's values as reviewed (their base must be `base`; an empty object keeps every
        // value of the base); none: the defaults, the only choice without a base.
        std::optional<clsValoresSobreviventes> valores;
        // What is recorded with the merge: the batch it belongs to and, for a merge confirmed
        // over signs of different people, those signs and the administrator's reason.
        qint32 lote = 0;
        QList<clsVerificacaoSeguranca::Conflito> sinaisConfirmados;
        QString motivo;
        // What the caller expects of the records as they are under the lock (a batch: that
        // none changed since its plan); a non-empty answer cancels the command with it.
        std::function<QString(const clsComparacaoPacientes&)> conferir;
    };

    struct Resultado {
        bool unificada = false;
        qint32 base = 0;               // the surviving record
        QList<qint32> removidos;       // the copies merged into the base, in order
        qint64 exames = 0;             // exam rows moved in Exame
        QStringList camposAlterados;   // fields of the base that changed
        QStringList camposDiferentes;  // fields whose values differed among the records
        qint32 ausente = 0;            // a record found missing (then nothing was done)
        // Refused before anything was written: other tables point at a copy, or the records
        // show signs of different people that no review confirmed.
        bool recusada = false;
        bool alterada = false;  // refused by the caller's `conferir`
        QString mensagem;       // for the administrator: what was done, or what failed
    };

    clsUnificacao(Connection& fCN, clsADO& fADO);

    // Runs at the outermost transaction level, or inside the caller's: then a failure leaves
    // the rollback of the caller's level to the caller.
    Resultado Executar(const Pedido& fPedido);

    // The failure's number and text, after a command that failed.
    clsError& Erro() { return m_erro; }

  private:
    // Cancels the command, changing nothing, for a reason of the register's own.
    Resultado Recusar(NivelTransacao& nivel, const QString& motivo);
    // Cancels the command and says what failed.
    Resultado Falhar(NivelTransacao& nivel, const QString& etapa, const dados::Falha& falha);
    Resultado Falhou(const QString& etapa, const dados::Falha& falha, bool desfeita);
    dados::Falha FalhaDe(const clsError& erro) const;

    Connection& m_cn;
    clsADO& m_ado;
    clsError m_erro;
    Resultado m_resultado;
    // Kept across commands, so that a batch reads the catalogue of pointing tables once.
    clsPreviaUnificacao m_referencias;
};
