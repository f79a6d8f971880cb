#pragma once

#include <QString>

#include "data/base/MascararSenhas.h"

// The program's diagnostics log: every database failure's full description and, when
// CADUNIR_SQL_TRACE=1, every statement sent. Lines go to stderr and to cadunir.log in the
// user's data folder. Passwords never reach it: see MascararSenhas.
namespace dados {

void RegistrarDiagnostico(const QString& linha);

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
