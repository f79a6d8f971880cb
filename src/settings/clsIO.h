#pragma once

#include <QString>
#include <QStringList>

// File-system helper: system folders, existence of files and folders, folder listing, file and
// folder operations, drive questions. Nothing is shown or raised: a failure leaves its run-time
// number and text in ErrorNumber/ErrorString and gives the empty result (false, 0, "").
//
// Paths take the platform's separators ("/" everywhere; "\" too on Windows). A path's last
// part may hold the wildcards "*" and "?".
class clsIO {
  public:
    qint32 ErrorNumber() const { return m_errorNumber; }
    void setErrorNumber(qint32 valor) { m_errorNumber = valor; }
    const QString& ErrorString() const { return m_errorString; }
    void setErrorString(const QString& valor) { m_errorString = valor; }

    // The folder holding the product's INI file, ending in the separator. Windows: the
    // Windows folder in upper case ("C:\WINDOWS\"). Elsewhere $WINDIR when set, else "/etc/",
    // with its case kept, since those file systems tell case apart.
    QString NvWindowsDir();
    // The system folder in the same form (Windows: "C:\WINDOWS\SYSTEM32\"; elsewhere
    // "/usr/lib/").
    QString NvSystemDir();
    QString NvComputadorNome();

    // Whether the file, folder or drive exists; with wildcards, whether anything matches. A
    // drive root (Windows "C:", a share "\\server\share\", here "/") counts when it has entries.
    bool NvDir(const QString& Caminho);
    // A listing one name at a time, as sorted by name ("." and ".." included when the pattern
    // matches them). A search that finds nothing leaves the open one as it was.
    QString NvDirFirst(const QString& Caminho);
    QString NvDirNext();
    bool NvDirEnd();

    // The drive's type: 1 removable, 2 fixed, 3 network, 4 CD/DVD, 5 RAM disk; 0 when it does
    // not exist. Here a "drive" is any folder, standing for the volume it lies on.
    qint32 NvDriveTipo(const QString& fDrive);
    bool NvDrivePronto(const QString& fDrive);
    // Free bytes available to this user on the drive.
    qint64 NvEspaçoLivre(const QString& fDrive);

    // Copies one file, replacing the destination.
    bool NvCopy(const QString& fOrigem, const QString& fDestino);
    // Renames or moves one file or folder; the destination must not exist.
    bool NvRename(const QString& fOrigem, const QString& fDestino);
    // Deletes files (not folders); with wildcards every match, and at least one must match.
    bool NvKill(const QString& fArquivo);
    // Creates one folder; its parent must exist and it must not.
    bool NvCriarDiretório(const QString& fDiretorio);
    // Copies a folder with everything in it, overwriting. A destination ending in a separator
    // (or a source with wildcards) is an existing folder to copy into.
    bool NvCopyDiretório(const QString& fOrigem, const QString& fDestino);
    // Deletes a folder with everything in it, read-only files included.
    bool NvKillDiretório(const QString& fDiretorio);

  private:
    void Capturar(qint32 numero);
    // A missing entry: "file not found" when its folder exists, else "path not found".
    void CapturarAusente(const QString& caminho);
    QString PastaDoSistema(bool windows);

    qint32 m_errorNumber = 0;
    QString m_errorString;
    bool m_buscaAberta = false;
    QStringList m_nomesBusca;
    qsizetype m_proximoBusca = 0;
};
