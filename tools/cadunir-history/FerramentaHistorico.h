#pragma once

#include <QStringList>
#include <QTextStream>
#include <functional>

// cadunir-history: lists the merges of a register and undoes one, for administrators, over the
// same core classes as the program's history window. Returns the process exit code
// (CodigoSaida of settings/OpcoesFerramenta.h).
//
// lerSenha is asked for the password when CADUNIR_PASSWORD is not set (the program reads it
// from the terminal without echo).
int ExecutarFerramentaHistorico(const QStringList& argumentos, QTextStream& saida,
                                QTextStream& erros, const std::function<QString()>& lerSenha);
