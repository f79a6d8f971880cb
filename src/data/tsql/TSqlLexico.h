#pragma once

#include <QString>
#include <QVector>

// Splits T-SQL text into tokens. Comments (-- and nested /* */) are dropped; identifiers may
// be bare (letters of any alphabet, digits, _ @ # $), [bracketed] or "quoted".
namespace dados {

struct Token {
    enum Tipo { Fim, Nome, NomeDelimitado, Texto, Numero, Variavel, Simbolo } tipo = Fim;
    QString texto;  // name without delimiters, string content unescaped, symbol as written
    int posicao = 0;
    bool nacional = false;  // N'...'

    bool ehPalavra(const char* palavra) const;  // a bare name equal to `palavra`, any case
    bool ehSimbolo(const char* s) const { return tipo == Simbolo && texto == QLatin1String(s); }
    // How the token reads in an error message.
    QString comoEscrito() const;
};

// Throws ErroNumerado (command error) naming the place of an unclosed quote or comment.
QVector<Token> AnalisarLexico(const QString& sql);

// The line of the batch (from 1) that `posicao` is on, as SQL Server numbers them in its
// messages.
int LinhaDaPosicao(const QString& sql, int posicao);

}  // namespace dados
