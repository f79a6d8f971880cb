#pragma once

#include <QString>

// The SQLite ODBC driver registered under a temporary odbcinst.ini/odbc.ini (ODBCSYSINI,
// ODBCINI), so that tests take the whole ODBC path through the real unixODBC driver manager.
// The driver manager reads those variables once per process, so the registration is made once
// and kept until the test program ends.
namespace odbcteste {

// The registered driver's name. No DSN is registered (the user's own ~/.odbc.ini is kept out).
QString Driver();
// A fresh database file in the temporary folder (an earlier one of the same name is removed).
QString NovoBanco(const QString& nome);
// "Driver={…};Database=<file>" for a database file.
QString Conexao(const QString& arquivo);

}  // namespace odbcteste
