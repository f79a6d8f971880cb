#pragma once

#include <QString>
#include <optional>

#include "data/ado/Connection.h"
#include "data/ado/Recordset.h"
#include "data/base/ErroNumerado.h"
#include "data/base/MensagemFalha.h"

namespace dados {
struct ResultadoComando;
}

// The one gateway to the database. It holds no connection: every operation takes the
// connection (and, for reads, the caller's record set). Every operation traps its failures,
// keeps the last one in ErrorNumber/ErrorString (never cleared by a success) and answers
// False or an empty text; RetornarListaFieldsComuns alone lets a failure (ErroNumerado) pass.
class clsADO {
  public:
    bool AbrirConexão(Connection& fCN, const QString& fConnectionString);
    bool FecharConexão(Connection& fCN);
    // Client-side, static, optimistic; an open fRS is closed first; left closed on failure.
    bool AbrirRecordset(Connection& fCN, Recordset& fRS, const QString& SQL);
    bool ExecutarSQL(Connection& fCN, const QString& SQL, qint32& RecordsAfetados);
    // Reads a query row by row into fLeitor without keeping the rows (Connection::percorrer):
    // for reading a whole table once.
    bool PercorrerRegistros(Connection& fCN, const QString& SQL,
                            const std::function<bool(const dados::ValorLido*, int)>& fLeitor);
    bool ExecutarSQL(Connection& fCN, const QString& SQL) {
        qint32 ignorados = 0;
        return ExecutarSQL(fCN, SQL, ignorados);
    }
    // Runs a batch statement by statement, each one's row count or rows in Resultados; on a
    // failure Resultados holds the statements that ran before it (they stay done).
    bool ExecutarLote(Connection& fCN, const QString& SQL,
                      QVector<dados::ResultadoComando>& Resultados);

    // Counted levels: only the outermost begin, commit and rollback reach the database.
    bool TransaçãoIniciar(Connection& fCN);
    bool TransaçãoFinalizar(Connection& fCN);
    bool TransaçãoCancelar(Connection& fCN);

    bool TableExiste(Connection& fCN, const QString& fNomeTable);
    bool IndexExiste(Connection& fCN, const QString& fNomeINDEX);
    bool RSFields(Connection& fCN, Recordset& fRS, const QString& fTableName,
                  const QString& fFieldName = QString());
    bool RSTables(Connection& fCN, Recordset& fRS);
    bool RSPrimaryKey(Connection& fCN, Recordset& fRS);
    bool RSConstrains(Connection& fCN, Recordset& fRS);
    bool RSIndexes(Connection& fCN, Recordset& fRS);
    bool RSForeingKey(Connection& fCN, Recordset& fRS);
    QString RetornarListaFields(Connection& fCN, const QString& fNomeTable,
                                bool comNomeTable = false);
    QString RetornarListaFieldsComuns(Connection& fCN, const QString& fNomeTable,
                                      const QString& fNomeTable1);

    qint32 ErrorNumber() const { return m_errorNumber; }
    void setErrorNumber(qint32 v) { m_errorNumber = v; }
    QString ErrorString() const { return m_errorString; }
    void setErrorString(const QString& v) { m_errorString = v; }

    // The driver's or engine's own description of the last failure (as the diagnostics log
    // has it), for messages that show more than the short text; may be empty.
    QString DetalheDoErro() const { return m_errorDetail; }
    // SQL Server's own message for the last failure (number, level, state, line and text),
    // when the statement failed as SQL Server would report it: what its console prints.
    const std::optional<MensagemServidor>& MensagemDoServidor() const { return m_servidor; }
    // The last failure whole, as the program's failure messages show it.
    dados::Falha UltimaFalha() const { return {m_errorNumber, m_errorString, m_errorDetail}; }

    qint32 ProfundidadeTransação() const { return m_depth; }

  private:
    void capturar(const ErroNumerado& erro);

    qint32 m_depth = 0;
    qint32 m_errorNumber = 0;
    QString m_errorString;
    QString m_errorDetail;
    std::optional<MensagemServidor> m_servidor;
};
