#pragma once

#include <QString>

// The program's diagnostics log: every database failure's full description and, when
// CADUNIR_SQL_TRACE=1, every statement sent. Lines go to stderr and to cadunir.log in the
// user's data folder. Passwords never reach it: see MascararSenhas.
namespace dados {

void RegistrarDiagnostico(const QString& linha);

// Masks the password parts of connection strings (Password=, Pwd=) and the literals compared
// with or assigned to a Senha column.
QString MascararSenhas(const QString& texto);

// Keeps log lines off stderr (the file still gets them) while a test feeds thousands of bad
// statements on purpose.
void SilenciarDiagnosticoNoTerminal(bool silenciar);

// The log file's path (created on first use); empty when the data folder is not writable.
QString ArquivoDiagnostico();

}  // namespace dados
