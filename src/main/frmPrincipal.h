#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class ctlNvPreferDE;
class clsPacienteCriterio;
class RecordsetModel;

// The program's one window: loading it is the whole start-up (Form_Load), and its controls
// carry the administrator's work: tick the grouping fields, group, pick a group, tick the
// records of one person in the similar list and unify them.
class frmPrincipal : public QMainWindow {
    Q_OBJECT

  public:
    explicit frmPrincipal(QWidget* parent = nullptr);
    ~frmPrincipal() override;

    // The start-up sequence. False means "end the program": the caller stops at once, without
    // showing the window and without any further message.
    bool Form_Load();

    bool Ler_INI(const QString& fFullPathINI);

    // Grouping and the result grid.
    void cmdBuscar_Click();
    std::unique_ptr<clsPacienteCriterio> ObterClassePacienteCriterio();
    void Preencher_GridCriterio();
    void dbGridCriterio_RowColChange(const QVariant& LastRow, qint16 LastCol);
    void ReLinkarGrid();
    void lblItensNaLista_Atualizar();
    void SalvarPacienteCriterio();
    void LerPacienteCriterio();

    // Similar-patient list and detail.
    clsPacienteCriterio& ObterClassePaciente();
    bool Preencher_PacienteSemelhante();
    void lstSemelhante_Click();
    void lstSemelhante_ItemCheck(qint16 Item);
    bool PacientesSemelhantes_ObterSelecionados(QStringList& fArPacientes);

    // Unify command.
    void cmdUnificar_Click();
    // Marks the similar list's current patient as having no solution.
    void cmdSemSolucao_Click();
    // Compares the ticked records side by side (all listed ones when fewer than two are ticked).
    void cmdComparar_Click();
    bool PacienteUnificarCadastros(QStringList& farSemelhantes);
    // Opens the merge history, where a merge can be undone.
    void cmdHistorico_Click();

    void txtCaption_GotFocus(int Index);

    // The fixed instruction texts, exactly as stored in the boxes (lines joined by CR LF).
    static QString TextoInstrucao(int Index);
    // The text a box holds, with its line breaks as CR LF.
    QString txtCaptionTexto(int Index) const;

    QString ConnectionString() const { return m_connectionString; }
    QString PastaAplicacao() const { return m_pastaAplicacao; }
    QString PastaWindows() const { return m_pastaWindows; }

    // Controls, named as the window's design names them (objectName too).
    QGroupBox* Frame2;
    QCheckBox* chkNome;
    QCheckBox* chkNomeMeio;
    QCheckBox* chkNomeUltimo;
    QCheckBox* chkRG;
    QCheckBox* chkCIC;
    QCheckBox* chkNascimento;
    QCheckBox* chkProntuario;
    QPushButton* cmdBuscar;
    QGroupBox* Frame3;
    QTableView* dbGridCriterio;
    QLabel* lblCaption1;
    QLabel* lblItensnaLista;
    QLabel* lblCaption;
    QListWidget* lstSemelhante;
    QFrame* Frame5;
    QPushButton* cmdUnificar;
    QPushButton* cmdSemSolucao;
    QPushButton* cmdComparar;
    QPushButton* cmdHistorico;
    QGroupBox* Frame1;
    ctlNvPreferDE* NvPreferSemelhante;
    QFrame* Frame4;
    std::array<QPlainTextEdit*, 3> txtCaption;
    std::array<QFrame*, 2> Line1;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void montarJanela();
    void lstSemelhante_ItemChanged(QListWidgetItem* item);
    void esvaziarLista();

    std::array<QCheckBox*, 7> caixasCriterio() const;

    RecordsetModel* m_modelo = nullptr;
    std::unique_ptr<clsPacienteCriterio> m_criterio;
    std::array<int, 7> m_ticksGravados{-1, -1, -1, -1, -1, -1, -1};  // as last read or written
    bool m_religando = false;  // the grid's own re-binding is not a row chosen by the user
    QString m_connectionString;
    QString m_pastaAplicacao;
    QString m_pastaWindows;
    QString m_marcadorLista;  // the list's marker text; always empty (no integration source)
};
