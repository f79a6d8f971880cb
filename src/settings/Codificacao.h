#pragma once

#include <QByteArray>
#include <QString>

// The two encodings the product's text files come in: the Windows ANSI code page
// (Windows-1252) that its Windows programs write, and UTF-8.
enum class Codificacao { Utf8, Windows1252 };

// Decodes as UTF-8 when the bytes are valid UTF-8 (plain ASCII included), else as
// Windows-1252, which takes any byte; `usada` tells which.
QString Decodificar(const QByteArray& bytes, Codificacao& usada);
// True when every byte is below 0x80: both encodings read such bytes alike, so they say
// nothing about which one the file is in.
bool SoAscii(const QByteArray& bytes);
// True when the bytes read as valid UTF-8 (what Decodificar would take them for).
bool Utf8Valido(const QByteArray& bytes);
// A character Windows-1252 cannot hold is written as "?", as the Windows ANSI calls do.
QByteArray Codificar(const QString& texto, Codificacao codificacao);

// What a new file is written in: the ANSI code page on Windows, where the product's own
// programs read these files, UTF-8 elsewhere.
Codificacao CodificacaoNativa();
