#pragma once

#include <QString>

// The administrators' tools ask for a password at the terminal: "Senha: " on stderr, the line
// read from stdin without echo, the terminal put back as it was.
QString LerSenhaDoTerminal();
