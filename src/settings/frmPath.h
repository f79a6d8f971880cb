#pragma once

#include <QDialog>
#include <QString>

class QComboBox;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

// A small modal dialog for choosing an existing folder: a drive list, the folder tree of the
// chosen drive and a text box with the chosen path, kept in step with each other. OK refuses
// a path that does not exist. The caller sets lblPrompt and the caption, sets PathInício,
// shows it modally, then reads OK and the trimmed text of txtPath.
//
// Drives are the machine's volumes: on Windows the drive letters ("C:"), elsewhere the mount
// points ("/", "/media/pen"), a folder belonging to the listed mount point that holds it. Where
// Windows falls back to drive C:, other systems fall back to the root "/".
class frmPath : public QDialog {
    Q_OBJECT
  public:
    explicit frmPath(QWidget* parent = nullptr);

    QString PathInício() const { return m_pathInicio; }
    void setPathInício(const QString& caminho);
    bool OK() const { return m_ok; }
    void setOK(bool ok) { m_ok = ok; }

    QLabel* lblDrives;
    QComboBox* drvDrives;  // item data: the volume's root path
    QLabel* lblDirs;
    QTreeView* dirDirs;
    QLabel* lblPath;
    QLineEdit* txtPath;
    QLabel* lblPrompt;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    // The folder the tree stands on (its "path"), with forward slashes.
    QString CaminhoDir() const { return m_dirPath; }

    bool Configura_Path(const QString& fPath);
    bool Verifica_Drive(const QString& fDrive);

    void Form_Load();
    void dirDirs_Change();
    void drvDrives_Change();
    void cmdOK_Click();
    void cmdCancel_Click();

  protected:
    void showEvent(QShowEvent* evento) override;
    void reject() override;  // Esc and the close box: the same as Cancel

  private:
    void apontarDir(const QString& caminho);
    void mostrarAtual();
    void selecionarDrive(const QString& unidade);
    QString unidadeDe(const QString& caminho) const;
    QString unidadeDoItem(int indice) const;

    QString m_pathInicio;
    bool m_ok = false;
    bool m_guarda = false;  // off while the dialog itself moves the drive list or the tree
    QString m_dirPath;
    QFileSystemModel* m_modelo;
};
