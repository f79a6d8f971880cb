#pragma once

#include <QString>

// The program's diagnostics log: every database failure's full description and, when
// CADUNIR_SQL_TRACE=1, every statement sent. Lines go to stderr and to cadunir.log in the
// user's data folder. Passwords never reach it: see MascararSenhas.
namespace dados {

void RegistrarDiagnostico(const QString& linha);

// The one masking rule for secrets, applied to everything that is logged, traced or shown
// (this log, the statement trace, stderr, message boxes). It hides the value of every
// password key of a connection string (Password, Pwd; any blanks, Unicode ones included,
// around the key and "="; braced or quoted values whole, an unclosed one to the end), the
// values given to a column whose name says password (Senha, Password, Pwd...) in INSERT
// column lists, SET and comparisons, every value of an INSERT into a user table without a
// column list, and the value SQL Server echoes when it would truncate such a column.
QString MascararSenhas(const QString& texto);

// Keeps log lines off stderr (the file still gets them) while a test feeds thousands of bad
// statements on purpose.
void SilenciarDiagnosticoNoTerminal(bool silenciar);

// The last line this thread logged (passwords masked), so that a failure's own description
// can be shown beside its short text; cleared before an operation, it belongs to that
// operation (empty when it logged nothing).
QString UltimoDiagnostico();
void LimparUltimoDiagnostico();

// The log file's path (created on first use); empty when the data folder is not writable.
QString ArquivoDiagnostico();

}  // namespace dados
