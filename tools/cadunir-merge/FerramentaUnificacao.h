#pragma once

#include <QStringList>
#include <QTextStream>
#include <functional>

// cadunir-merge: plans, runs, resumes a batch of merges of the certain groups of a register, or
// merges one given group, for administrators, over the same core classes as the program.
// Returns the process exit code (CodigoSaida of settings/OpcoesFerramenta.h).
//
// lerSenha is asked for the password when CADUNIR_PASSWORD is not set; parar is asked between
// groups (the program answers true after Ctrl+C).
int ExecutarFerramentaUnificacao(const QStringList& argumentos, QTextStream& saida,
                                 QTextStream& erros, const std::function<QString()>& lerSenha,
                                 const std::function<bool()>& parar = {});
