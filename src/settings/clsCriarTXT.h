#pragma once

#include <QFile>
#include <QString>
#include <QVariant>
#include <memory>

// Writes a text file line by line, each line ended by CR LF, in the platform's encoding for
// the product's files (Windows ANSI on Windows, UTF-8 elsewhere). Failures are captured in
// ErrorNumber/ErrorString, never raised.
class clsCriarTXT {
  public:
    clsCriarTXT() = default;
    clsCriarTXT(const clsCriarTXT&) = delete;
    clsCriarTXT& operator=(const clsCriarTXT&) = delete;
    ~clsCriarTXT();

    const QString& FullPath() const { return m_fullPath; }
    void setFullPath(const QString& valor) { m_fullPath = valor; }

    // Opens FullPath (replaced first by fFullPath when that is not empty) for output; an
    // existing file is emptied.
    bool Abrir(const QString& fFullPath = QString());
    // One line; false, writing nothing, when no file is open.
    bool Gravar(const QVariant& Texto_Var);
    void Fechar();

    qint32 ErrorNumber() const { return m_errorNumber; }
    void setErrorNumber(qint32 valor) { m_errorNumber = valor; }
    const QString& ErrorString() const { return m_errorString; }
    void setErrorString(const QString& valor) { m_errorString = valor; }

  private:
    void Capturar(qint32 numero);

    QString m_fullPath;
    std::unique_ptr<QFile> m_arquivo;
    qint32 m_errorNumber = 0;
    QString m_errorString;
};
