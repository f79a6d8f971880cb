#pragma once

#include <QStringList>
#include <QTextStream>

// cadunir-sql: runs T-SQL on a register through clsADO, the program's own path to the
// database. Returns the process exit code (CodigoSaida of settings/OpcoesFerramenta.h).
int ExecutarFerramentaSql(const QStringList& argumentos, QTextStream& entrada, QTextStream& saida,
                          QTextStream& erros);

// Splits a script into batches at lines holding only GO (any case, blanks around).
QStringList SepararLotes(const QString& script);
