#pragma once

#include <QString>

// Reads and writes single values of an INI file ([section] headers, key=value lines) the way
// the Windows private-profile calls do: section and key names match without regard to case,
// the first of repeated sections or keys wins, blanks around names and values are ignored
// and a value in matching quotes loses them. A file may be in UTF-8 or in the Windows ANSI
// code page; each is read correctly and written back in its own encoding. Once a file holds
// anything but ASCII its encoding is fixed for good: a Windows-1252 file whose bytes would
// otherwise pass for UTF-8 gets a comment line at its top that keeps it Windows-1252.
//
// A missing file, section or key is no failure: the reads give the default. A failure of the
// file itself (a folder as path, no permission, a full disk, a line break in a name or value)
// raises ErroNumerado, as the table of numbers and sources below the class says.
class clsINI {
  public:
    const QString& FullPathINI() const { return m_fullPathINI; }
    void setFullPathINI(const QString& valor) { m_fullPathINI = valor; }

    // At most 255 characters, blanks trimmed, cut at the first NUL.
    QString GetValorTexto(const QString& fSeção, const QString& fChave,
                          const QString& fPadrão) const;
    // The value's leading whole number (decimal, or with a 0x/0o/0b prefix), 0 when it has
    // none; the default when the key is missing or empty.
    qint32 GetValorNumérico(const QString& fSeção, const QString& fChave, qint32 fPadrão) const;
    void SetValorTexto(const QString& fSeção, const QString& fChave, const QString& fValor);
    void SetValorNumérico(const QString& fSeção, const QString& fChave, qint32 fValor);

    // Raised numbers: reads -2147220989 ("Erro lendo configuração."), writes -2147220990
    // ("Erro gravando configuração."), each description followed by "(number, text)" of the
    // run-time failure behind it.
    static constexpr qint32 ErroLeitura = -2147221504 + 515;
    static constexpr qint32 ErroGravacao = -2147221504 + 514;

  private:
    QString m_fullPathINI;
};

// The connection string that an INI of the product names (section Tessivar, key CONN_SERVER),
// as the command-line tools take it from --ini. False, with a one-line reason naming the file
// (passwords masked), when the file cannot be read or names no connection.
bool LerConexaoTessivar(const QString& fArquivo, QString& fCadeia, QString& fMotivo);
