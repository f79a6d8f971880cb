#pragma once

#include <QStringList>
#include <QTextStream>

// cadunir-find: the candidate pairs and groups of a register, for administrators and for
// measuring. Returns the exit code (CodigoSaida of settings/OpcoesFerramenta.h).
int ExecutarBusca(const QStringList& argumentos, QTextStream& saida, QTextStream& erros);
