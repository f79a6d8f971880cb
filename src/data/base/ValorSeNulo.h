#pragma once

#include <QString>
#include <QVariant>

// A database NULL (a null QVariant) reads as the given default; anything else is unchanged.
// Every copy of a column into a text or a number goes through it, so NULL reads as "" or 0.
QVariant ValorSeNulo(const QVariant& valor, const QVariant& padrao);

// The text form of a database value as the program shows it: dates in the short form
// dd/MM/yyyy (with " hh:mm:ss" when the time is not midnight), numbers in plain decimal with
// the locale's decimal comma, booleans as "Verdadeiro"/"Falso", NULL as the empty text.
QString TextoDoValor(const QVariant& valor);
