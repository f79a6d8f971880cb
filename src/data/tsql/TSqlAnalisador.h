#pragma once

#include <QString>
#include <QVector>

#include "data/tsql/TSqlArvore.h"

// The parser of the T-SQL subset: a batch's tokens become its syntax tree, with no SQLite text
// and no catalogue. Anything outside the subset throws ErroNumerado (command error) naming the
// offending token; nesting deeper than 100 levels, or more than 32 subqueries, is refused with SQL
// Server's message 191 before the descent puts the stack at risk.
namespace dados {

// `tokens` are the batch's, from AnalisarLexico(sql).
Arvore AnalisarTSql(const QString& sql, QVector<Token> tokens);

// The syntax error at tokens[indice], with `motivo` when there is more to say: SQL Server's
// message 102 naming the token, and the reason in the log.
[[noreturn]] void FalharSintaxe(const QString& sql, const QVector<Token>& tokens, int indice,
                                const QString& motivo = QString());

}  // namespace dados
