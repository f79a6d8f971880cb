#pragma once

#include <QDialog>
#include <QStringList>

class QGroupBox;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class ctlNvPreferDE;

// Asks which of the ticked records of one person survives a merge. The caller fills it with
// Iniciar, shows it modal, reads ID_PacienteBase (0 = cancelled) and destroys it.
class frmPacienteBase : public QDialog {
    Q_OBJECT

  public:
    explicit frmPacienteBase(QWidget* parent = nullptr);
    ~frmPacienteBase() override;

    // fArPacientes: patient IDs as decimal text.
    void Iniciar(const QStringList& fArPacientes);

    qint32 ID_PacienteBase() const { return m_idPacienteBase; }
    void setID_PacienteBase(qint32 valor) { m_idPacienteBase = valor; }

    void lstSemelhante_Click();
    void lstSemelhante_ItemCheck(int Item);
    void cmdOK_Click();
    void cmdCancelar_Click();
    // Opens the side-by-side comparison of the listed records.
    void cmdComparar_Click();

    QGroupBox* Frame3;
    QListWidget* lstSemelhante;
    ctlNvPreferDE* NvPreferSemelhante;
    QPushButton* cmdOK;
    QPushButton* cmdCancelar;
    QPushButton* cmdComparar;

  private:
    void itemMudou(QListWidgetItem* item);

    qint32 m_idPacienteBase = 0;
    // "NFN" while the dialog unticks lines itself, so those changes are not taken as choices.
    QString m_tag;
};
