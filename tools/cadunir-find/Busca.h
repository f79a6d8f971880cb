#pragma once

#include <QByteArray>
#include <QStringList>
#include <QTextStream>

// cadunir-find: the candidate pairs and groups of a register, for administrators and for
// measuring. Returns the exit code (CodigoSaida of settings/OpcoesFerramenta.h).
int ExecutarBusca(const QStringList& argumentos, QTextStream& saida, QTextStream& erros);

// `v` with one decimal, as QByteArray::number(v, 'f', 1) writes it (a tie rounded away from
// zero, no sign on zero), appended to `saida`; or written at `o`, which has room for 24
// characters, returning where it ends.
void UmaCasa(double v, QByteArray& saida);
char* UmaCasa(double v, char* o);
