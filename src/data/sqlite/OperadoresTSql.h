#pragma once

#include <QString>

struct sqlite3;

// The SQLite functions that give SQL Server's arithmetic, LIKE and date-literal readings where
// SQLite's own operators mean something else: integer overflow and division by zero are
// errors, a text meeting a number converts by SQL Server's rules (or fails), % works on
// decimals, LIKE ignores case for every letter and knows [sets].
namespace dados {

void RegistrarOperadoresTSql(sqlite3* db);

// SQL Server's LIKE under a case-insensitive, accent-sensitive collation: % _ [abc] [a-z]
// [^abc] and an optional escape character. For tests.
bool CasarLikeTSql(const QString& texto, const QString& padrao, QChar escape = QChar());

// A date literal as SQL Server reads it without regard to the session's date format
// ('yyyymmdd', 'yyyy-mm-dd', each with an optional time), written 'yyyy-mm-dd hh:mm:ss[.fff]';
// a null QString when it is no such date.
QString DataDoLiteralTSql(const QString& texto);

}  // namespace dados
