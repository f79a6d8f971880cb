#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "patient/clsError.h"

// The history of merges, read from the log tables themselves, so that merges written by
// earlier programs into the same tables show (and can be undone) like the program's own.
//
// A merge command is the set of PacienteLog rows that share the surviving record, the user and
// the time. The program's own tables (Cadunir_...) add what the log cannot hold: the removed
// record's plan and exact birth date, its exam rows' copy of its data, the survivor's values
// right after the merge, and which merges were undone, by whom and when. Log rows are only ever
// read.

// The 27 patient columns the log tables share with Paciente, in the log's order.
const QStringList& ColunasPacienteLogadas();
// The columns in which Exame and Exame_BK keep a copy of their patient's data.
const QStringList& ColunasCopiaExame();

struct UnificacaoRemovido {
    qint32 ID_Paciente = 0;
    QString Nome;  // the logged full name
    QString Prontuario;
    QVariant Data_Nascimento;  // as logged (a null QVariant when empty)
    int Exames = 0;            // distinct exam numbers logged for this removal
    bool Desfeito = false;
    qint32 ID_UsuarioDesfez = 0;
    QString NomeUsuarioDesfez;
    QDateTime DataDesfeito;
};

struct UnificacaoComando {
    qint32 ID_PacienteNovo = 0;
    qint32 ID_Usuario = 0;
    QDateTime Data;
    QString NomeSobrevivente;  // current name; empty when the survivor is gone
    bool SobreviventeExiste = false;
    QString NomeAdministrador;  // from Usuário; empty when the user is unknown
    QList<UnificacaoRemovido> Removidos;

    int Exames() const;
    bool Desfeito() const;         // every removed record was restored
    bool ParcialDesfeito() const;  // some, not all
};

struct FiltroHistorico {
    QDateTime Desde;         // invalid: no lower bound
    QDateTime Ate;           // invalid: no upper bound (inclusive)
    QString Administrador;   // part of the administrator's name or login, or their ID
    QString Nome;            // part of the survivor's current or a removed record's logged name
    qint32 ID_Paciente = 0;  // the survivor's or a removed record's ID
};

class clsUnificacaoHistorico {
  public:
    clsUnificacaoHistorico(Connection& fCN, clsADO& fADO);

    clsError& Erro() { return m_erro; }

    // Creates the program's own history tables that are missing (the log tables must exist
    // already); a table that cannot be made is reported through MostrarMensagem.
    bool CriarTabelas();

    // Every merge command that passes the filter, newest first.
    bool Consultar(const FiltroHistorico& fFiltro, QList<UnificacaoComando>& fComandos);

    // The removed record's logged values (its newest log row of that merge, with the plan and
    // exact birth date when this program recorded them) beside the survivor's current ones;
    // fAtuais stays empty when the survivor is gone. Columns as ColunasPacienteLogadas().
    bool LerComparacao(const UnificacaoComando& fComando, qint32 fID_Removido,
                       QVariantList& fRegistrados, QVariantList& fAtuais);

    // One line per removed record, with a header; UTF-8 with a byte-order mark and ";" between
    // fields, the form spreadsheets open directly.
    static QByteArray ParaCSV(const QList<UnificacaoComando>& fComandos);
    bool ExportarCSV(const QList<UnificacaoComando>& fComandos, const QString& fArquivo);

  private:
    bool Abrir(Recordset& rs, const QString& sql, const QString& procedimento);
    // Runs `antes` + a batch of the IDs + ")" + `depois` for every batch of ids (IN lists kept
    // short), handing each row to porLinha.
    bool LerEmLotes(const QList<qint32>& ids, const QString& antes, const QString& depois,
                    const QString& procedimento, const std::function<void(Recordset&)>& porLinha);

    Connection& m_cn;
    clsADO& m_ado;
    clsError m_erro;
};

// Runs a merge command (fComando: the engine's PacienteUnificarCadastros, or a caller's wrapper
// around it) inside one more transaction level and, in that same level, records what the log
// tables cannot hold about the records it removes and the survivor it changes. A failure of
// either half rolls both back; Erro then holds the reason (the command's own failure is left
// to the caller's engine, fErro stays untouched then).
bool PacienteUnificarRegistrado(Connection& fCN, clsADO& fADO, qint32 fID_PacienteBase,
                                const QList<qint32>& fIDs, qint32 fID_Usuario,
                                const std::function<bool()>& fComando, clsError& fErro);
