#pragma once

#include <QDialog>
#include <QString>
#include <array>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class Ampulheta;
class Recordset;

// Marks one patient as having no solution: a reason from the catalogue PacienteLogJustificativa
// and a free note, written to PacienteLogSemSolucao with the logged-in user. Opened for a
// patient that already has a mark, it shows the first one and lets the administrator change it.
//
// The caller calls Iniciar, shows the dialog modally, and after it hides reads OK (and, if it
// needs it, ID_PacienteLogSemSolucao). OK and Cancel only hide the dialog; OK stays open when
// validation or the save fails, so nothing typed is lost.
class frmSemSolucao : public QDialog {
    Q_OBJECT
  public:
    explicit frmSemSolucao(QWidget* parent = nullptr);

    // Always true: loads the dialog for one patient (name and record number as shown).
    bool Iniciar(qint32 fID_Paciente, const QString& fPaciente, const QString& fProntuario);

    qint32 ID_Paciente() const { return m_ID_Paciente; }
    void setID_Paciente(qint32 valor) { m_ID_Paciente = valor; }
    QString Paciente() const { return m_Paciente; }
    void setPaciente(const QString& valor) { m_Paciente = valor; }
    QString Prontuario() const { return m_Prontuario; }
    void setProntuario(const QString& valor) { m_Prontuario = valor; }
    // The key of the mark that existed when the dialog was opened; 0 when there was none (a
    // mark this dialog inserts does not change it).
    qint32 ID_PacienteLogSemSolucao() const { return m_ID_PacienteLogSemSolucao; }
    bool OK() const { return m_OK; }

    // Removes every mark of the patient, each copied first with who removed it and when to
    // Cadunir_SemSolucaoRemovida, in one transaction. No control of the dialog calls it; the
    // worklist does, to clear a mark.
    bool PacienteSemSolucao_Remover(qint32 fID_Paciente);

    void cmdOK_Click();
    void cmdCancelar_Click();

    // The controls, named as on screen (objectName too; lblCaption(i) is "lblCaption_i").
    std::array<QLabel*, 4> lblCaption;
    QLabel* lblPaciente;
    QLabel* lblProntuario;
    QComboBox* dtcboMotivo;  // shows Justificativa; the item data is ID_PacienteLogJustificativa
    QLineEdit* txtObs;
    QPushButton* cmdOK;
    QPushButton* cmdCancelar;

  protected:
    void reject() override;  // Esc and the close box: the same as Cancel

  private:
    bool Preencher_Justificativa();
    bool PacienteSemSolucao_Existir(qint32 fID_Paciente);
    bool PacienteSemSolucao_PosicionarControles(qint32 fID_Paciente);
    bool PacienteSemSolucao_Adicionar(qint32 fID_Paciente, qint32 fID_Justificativa,
                                      const QString& fMotivo);
    bool PacienteSemSolucao_Atualizar(qint32 fID_Paciente, qint32 fID_Justificativa,
                                      const QString& fMotivo);
    // Every message of the dialog: the hourglass of a running OK is put away first.
    void Avisar(const QString& texto);

    Ampulheta* m_ampulheta = nullptr;  // the hourglass while OK runs

    qint32 m_ID_Paciente = 0;
    QString m_Paciente;
    QString m_Prontuario;
    qint32 m_ID_PacienteLogSemSolucao = 0;
    bool m_OK = false;
    bool m_alterado = false;  // the reason or the note was edited since Iniciar ended
};

// What a patient list offers for marks: a QListWidget whose row data (Qt::UserRole) is the
// patient ID and whose row text is the full name, filled from a record set with the columns
// ID_Paciente and Prontuário. A row's text is never touched: a mark is an icon and a tooltip.

// Refreshes the mark of every row. False when the marks could not be read: the rows then show
// none, and the failure goes to the diagnostics log (the list itself is still right).
bool SemSolucao_MostrarMarcas(QListWidget& lista);

// Opens the dialog modally for the list's current row (its ID, its full name and its record
// number from fRS) and refreshes the marks after OK. True when the dialog saved; false when it
// was cancelled or there is no current row.
bool SemSolucao_MarcarLinhaAtual(QListWidget& lista, const Recordset& fRS);
