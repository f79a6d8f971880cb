#pragma once

#include <QString>
#include <QStringList>

// The cells of every CSV and TSV file the program writes, made safe to open in a spreadsheet.
//
// A patient's name or record number is typed by whoever registered the patient, and a
// spreadsheet runs a cell that begins with =, +, - or @ as a formula (=HYPERLINK(...) opens a
// site, a DDE formula a program). Such a text, and one that begins with a tab or a carriage
// return, gets an apostrophe in front: spreadsheets show the rest as plain text. The same
// holds when only blanks come before the sign. A number keeps its sign and stays a number
// ("42", "-1.5", "+3,2", "-2e-05"). Control characters other than the file's own separators
// (vertical tab, form feed, NUL, U+2028 ...) become blanks: readers take some of them for line
// ends, and none belongs in a name.
//
// In a CSV the cell goes between double quotes (quotes inside doubled) when it holds the
// separator, a quote or a line break, and always when it was given the apostrophe. A TSV
// cannot quote, so a tab or a line break inside a cell becomes a blank there.
QString CelulaCSV(const QString& texto, QChar separador = ';');
QString CelulaTSV(const QString& texto);

QString LinhaCSV(const QStringList& celulas, QChar separador = ';');
QString LinhaTSV(const QStringList& celulas);
