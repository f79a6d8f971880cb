#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "patient/clsError.h"

// "Não são a mesma pessoa": the administrator's word that two records which look alike belong
// to different people, kept in the program's own table Cadunir_Decisao (one row per pair, the
// lower ID first) with the reason, a note, who and when. Each row also keeps a fingerprint of
// the compared fields of both records as they were: when either record changes later, the
// decision no longer vouches for it and is shown as needing a new look.
class clsDecisaoPessoas {
  public:
    struct Decisao {
        qint32 id = 0;
        qint32 paciente1 = 0;  // the lower ID of the pair
        qint32 paciente2 = 0;
        int motivo = 0;  // 1-based position in Motivos()
        QString observacao;
        qint32 usuario = 0;
        QString nomeUsuario;  // empty when the user table cannot tell
        QDateTime data;
        bool rever = false;  // a compared field of either record changed since
    };

    explicit clsDecisaoPessoas(Connection& fCN, clsADO& fADO);

    // The fixed reasons; the last one ("Outros") needs a note.
    static const QStringList& Motivos();

    // Creates the tables that are missing, the decisions' and their trail's (at start-up, next
    // to the log tables); a failure is shown like theirs and answers false.
    bool CriarTabela();

    // The reason and note a decision needs: false with the refusal in fErro (its number,
    // text and field) for no reason, "Outros" without a note, or a note too long.
    static bool Validar(int fMotivo, const QString& fObservacao, clsError& fErro);
    // Records every pair of fIDs as different people, replacing earlier decisions on those
    // pairs, in one transaction. False on a bad reason or note (Erro, negative number) or on a
    // database failure (Erro holds it; nothing is written).
    bool Registrar(const QList<qint32>& fIDs, int fMotivo, const QString& fObservacao,
                   qint32 fID_Usuario);
    // Removes the decisions on every pair of fIDs by fID_Usuario, each copied first, whole, to
    // Cadunir_DecisaoRemovida with who removed it and when, in one transaction.
    bool Remover(const QList<qint32>& fIDs, qint32 fID_Usuario);
    // The decisions on pairs of fIDs, each with its need of a new look worked out.
    bool Listar(const QList<qint32>& fIDs, QList<Decisao>& fDecisoes);
    // Every decision (those recorded after decision fDepoisDe, when given), each with its need
    // of a new look worked out. The table must exist.
    bool Todas(QList<Decisao>& fDecisoes, qint32 fDepoisDe = 0);
    // Every decision that still holds (both records exist and neither changed since), as
    // pairs with the lower ID first. A register without the table holds none.
    bool ParesValidos(QSet<QPair<qint32, qint32>>& fPares);

    // The fingerprint of the compared fields of one record (column name -> shown value).
    static QString Assinatura(const QHash<QString, QString>& fValores);

    clsError& Erro() { return m_erro; }

  private:
    bool Assinaturas(const QList<qint32>& fIDs, QHash<qint32, QString>& fAssinaturas);
    bool LerDecisoes(const QString& filtro, QList<Decisao>& fDecisoes,
                     QHash<qint32, QPair<QString, QString>>* fGravadas);
    void ErroDoBanco(const QString& procedimento);

    Connection& m_cn;
    clsADO& m_ado;
    clsError m_erro;
};

// For the grouping of similar records: the pairs the administrator decided are not the same
// person and that still hold (lower ID first). False when the register cannot be read (the
// ADO's ErrorNumber and ErrorString tell why).
bool ParesNaoMesmaPessoa(Connection& fCN, clsADO& fADO, QSet<QPair<qint32, qint32>>& fPares);
