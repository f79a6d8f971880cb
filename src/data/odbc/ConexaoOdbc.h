#pragma once

#include <QList>
#include <QPair>
#include <QString>

// The connection strings the ODBC engine takes. Driver=/DSN= strings reach the driver manager
// unchanged; the product's OLE DB strings (Provider=SQLOLEDB and its successors, or MSDASQL
// over a DSN) are converted once to the same server, database and credentials on the
// configured SQL Server ODBC driver, so that an existing Tessivar.INI works as it is.
namespace dados {

struct ConexaoOdbc {
    QString odbc;      // what SQLDriverConnect receives
    QString driver;    // the ODBC driver it names (empty for a DSN)
    QString dsn;       // the data source it names (empty for a driver)
    QString servidor;  // as written: server[,port|\instance]
    QString banco;     // Initial Catalog / Database
    QString usuario;
    QString senha;
    bool integrada = false;  // Windows authentication
    int tempoLimite = 15;    // seconds to log in (ADO's default)
};

// The SQL Server ODBC driver that converted strings use: $CADUNIR_ODBC_DRIVER when set, else
// "FreeTDS" (Linux) or "SQL Server" (Windows, always installed there).
QString DriverSqlServerConfigurado();

// Reads a connection string into the ODBC string to open and the parts it names. Throws
// ErroNumerado with a text that names the fault (unknown provider, unbalanced quote, no
// server, bad port, no driver or DSN) for a string it cannot take.
ConexaoOdbc InterpretarConexaoOdbc(const QString& connectionString);

// key=value pairs of a connection string, keys trimmed and in their given case. OLE DB
// values may be quoted ("…" or '…', a doubled quote is one quote); ODBC values may be braced
// ({…}, a doubled } is one }). Throws ErroNumerado for an unbalanced quote or brace.
enum class SintaxeConexao { Odbc, OleDb };
QList<QPair<QString, QString>> LerParesConexao(const QString& connectionString,
                                               SintaxeConexao sintaxe);

}  // namespace dados
