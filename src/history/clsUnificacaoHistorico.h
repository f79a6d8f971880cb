#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "merge/clsUnificacaoRegistro.h"
#include "patient/clsError.h"

// The history of merges, read from the log tables themselves, so that merges written by
// earlier programs into the same tables show (and can be undone) like the program's own.
//
// A merge command is the set of PacienteLog rows this program recorded under one command number
// (clsUnificacaoRegistro, which adds what the log cannot hold); rows of earlier programs, by the
// surviving record, the user and the time. Log rows are only ever read.

struct UnificacaoRemovido {
    qint32 ID_Paciente = 0;
    QDateTime Data;  // its log row's own time
    QString Nome;    // the logged full name
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
    qint32 Lote = 0;    // the batch it belongs to; 0 for a merge of its own
    qint32 Numero = 0;  // the command's number; 0 when written before commands had one
    // Signs of different people the administrator confirmed the merge over, and why.
    QStringList Sinais;
    QString MotivoSinais;

    int Exames() const;
    bool Desfeito() const;         // every removed record was restored
    bool ParcialDesfeito() const;  // some, not all
    // Why "Desfazer unificação" cannot act on this command (fID_Removido 0) or on one of its
    // removed records: who undid it and when. Empty when there is something to undo (what only
    // the undo itself can find out, such as a record back in the register, it tells then).
    QString MotivoSemDesfazer(qint32 fID_Removido) const;
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
