#pragma once

#include <QString>

// Splits a full file name into folder, name, extension and drive. Pure text work: the file
// need not exist. Both "\" and "/" separate folders, and the folder keeps its final separator
// ("C:\Dados\Exame.txt" gives "C:\Dados\" and "Exame.txt").
class clsArquivo {
  public:
    const QString& Arquivo() const { return m_arquivo; }
    void setArquivo(const QString& valor);

    const QString& Caminho() const { return m_caminho; }
    const QString& Nome() const { return m_nome; }
    // The name without its last "." part, the other parts joined without the dots
    // ("a.b.txt" gives "ab"); empty for a name without a dot.
    const QString& NomeSemExtensão() const { return m_nomeSemExtensao; }
    // The name's last "." part; the whole name when it has no dot.
    const QString& Extensão() const { return m_extensao; }
    // "file://" + the folder with "/" separators + the name, blanks as "%20".
    const QString& ArquivoInternet() const { return m_arquivoInternet; }
    // The text before the first ":" followed by ":" (the whole name when there is none).
    const QString& Drive() const { return m_drive; }

    static QString GetNome(const QString& fArquivo);
    static QString GetCaminho(const QString& fArquivo);
    static QString GetExtensão(const QString& fArquivo);
    static QString GetNomeSemExtensão(const QString& fArquivo);

  private:
    QString m_arquivo;
    QString m_caminho;
    QString m_nome;
    QString m_nomeSemExtensao;
    QString m_extensao;
    QString m_arquivoInternet;
    QString m_drive;
};
