#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <optional>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "data/base/MensagemFalha.h"
#include "patient/clsError.h"

// Undoes merges from the log tables: the removed patient row goes back under its own
// ID_Paciente, taken from its newest PacienteLog row (soundex columns included, and the plan
// and exact birth date when this program recorded them); the exam rows the merge moved go back
// from the survivor, or from wherever the survivor was merged later, found by the ID_Exame this
// program recorded (or, for earlier programs' merges, by the numbers in PacienteLogExame, and
// refused when a number cannot tell whose a row is); exams added since stay. When the whole command
// is undone, survivor values the merge changed (PacienteLogAtualizar) come back too, unless
// something changed them since: then the undo stops and returns the conflicts, and the caller asks
// and calls again with its decision.
//
// Everything of one call is one transaction: it all happens or nothing does. The undo is
// recorded in Cadunir_UnificacaoDesfeita; the log rows themselves are never changed.
//
// On SQL Server every read of Paciente, Exame and Exame_BK takes the locks the merge takes
// (UPDLOCK, HOLDLOCK; see TravaPacientes.h), held to the end: the restored IDs (so nobody
// inserts one meanwhile), the survivor and the records it went into later (so no merge moves
// them or their exams under the undo), and the exam rows it gives back. Each record's patients
// are locked before its exams, as in the merge, so an undo and a merge queue instead of
// deadlocking.
struct ConflitoValor {
    qint32 ID_Paciente = 0;  // the survivor
    QString Campo;
    QVariant Anterior;  // before the merge: what an undo would restore
    QVariant Atual;     // in Paciente now
};

class clsUnificacaoDesfazer {
  public:
    // The record's own refusals, in Erro().ErrorNumber().
    enum Codigo {
        JaExiste = -1,         // the ID is in Paciente again
        NaoRegistrada = -2,    // no PacienteLog row for the ID
        Incompleta = -3,       // the log row lacks what an undo needs
        JaDesfeita = -4,       // this merge was undone before
        Inconsistente = -5,    // a referencing table would be left inconsistent
        ConflitoValores = -6,  // survivor values changed since: see Conflitos()
        Alterada = -7,         // the rows changed between the check and the undo
        ExamesAmbiguos = -8,   // only numbers logged, and one is on more exams than it took
        UnificadaDeNovo = -9,  // the record's newest merge is not the one expected
    };
    // The merge a caller means to undo for a record: its survivor and log time.
    using Esperadas = QHash<qint32, QPair<qint32, QDateTime>>;
    enum class Decisao { Perguntar, Restaurar, Manter };

    clsUnificacaoDesfazer(Connection& fCN, clsADO& fADO);

    clsError& Erro() { return m_erro; }
    // After a failed call, for the administrator: a refusal's reason, or the step that failed,
    // whether the register was left as it was, the error and the database's own words.
    QString Mensagem() const;
    const QList<ConflitoValor>& Conflitos() const { return m_conflitos; }
    int ExamesDevolvidos() const { return m_exames; }
    QStringList ValoresRestaurados() const { return m_restaurados; }

    // Undoes the newest merge that removed fID_Paciente.
    bool Desfazer(qint32 fID_Paciente, qint32 fID_Usuario, Decisao fDecisao = Decisao::Perguntar);
    // Undoes every record of one command that is not undone yet (the IDs of the command's
    // removed records), all in one transaction.
    // With fEsperadas (a batch knows its merges), a record merged again since is refused
    // rather than its later merge undone.
    bool Desfazer(const QList<qint32>& fIDs, qint32 fID_Usuario,
                  Decisao fDecisao = Decisao::Perguntar, const Esperadas& fEsperadas = {});

  private:
    struct Plano;
    bool Preparar(qint32 id, Plano& plano, const Esperadas& esperadas);
    bool PrepararExamesPorNumero(Plano& plano);
    bool PrepararSobrevivente(const QList<Plano>& planos, const QList<qint32>& ids, Decisao decisao,
                              QStringList& comandos);
    bool Executar(const QString& sql, qint32* afetados = nullptr);
    bool Recusar(qint32 codigo, const QString& texto);
    bool FalhaBanco();
    // The rows of a query as lists of values; false (Erro filled) when it fails.
    bool Ler(const QString& sql, QList<QVariantList>& linhas);
    bool Contar(const QString& sql, qint64& n);

    Connection& m_cn;
    clsADO& m_ado;
    clsError m_erro;
    std::optional<dados::Falha> m_falha;  // the database's failure (none for a refusal)
    QString m_etapa;                      // what the undo was doing
    bool m_desfeito = false;              // the failure left the register as it was
    QList<ConflitoValor> m_conflitos;
    QStringList m_restaurados;
    int m_exames = 0;
    QString m_dica;  // after every table read: the merge's locks, on SQL Server
};
