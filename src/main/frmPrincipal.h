#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>

#include "main/CriteriosGravados.h"
#include "main/GruposListaTrabalho.h"
#include "main/LocalizarPaciente.h"
#include "main/SessaoAgrupamento.h"
#include "ui/GeometriaJanela.h"
#include "ui/GradeDoisModelos.h"
#include "ui/RodadaTab.h"

class QCheckBox;
class QFrame;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QTableView;
class ctlNvPreferDE;
class frmListaTrabalho;
class clsPacienteCriterio;
class ModeloGrupos;
class EntradaSegurada;
class MudancasCadastro;
class ModeloRecordset;
class PainelInstrucoes;

// The program's one window: loading it is the whole start-up (Form_Load), and its controls
// carry the administrator's work: tick the grouping fields, group, pick a group, tick the
// records of one person in the similar list and unify them.
//
// The grouping runs off this thread (SessaoAgrupamento): the window shows "Agrupando..." with
// the time elapsed and a Cancel button, holds the input of the grid, the list and the buttons
// meanwhile (clicks are dropped, not replayed), and does what follows a grouping when the
// result arrives.
class frmPrincipal : public QMainWindow {
    Q_OBJECT

  public:
    explicit frmPrincipal(QWidget* parent = nullptr);
    ~frmPrincipal() override;

    // The start-up sequence. False means "end the program": the caller stops at once, without
    // showing the window and without any further message. True comes back as soon as the
    // first grouping has started; its result arrives on its own (agrupamentoConcluido).
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
    bool PacienteUnificarCadastros(QStringList& farSemelhantes);
    // Marks the similar list's current patient as having no solution.
    void cmdSemSolucao_Click();
    // Compares the ticked records side by side (all listed ones when fewer than two are ticked).
    void cmdComparar_Click();
    // Opens the merge history, where a merge can be undone.
    void cmdHistorico_Click();
    // Opens the worklist on the current grouping (the members of an exact one are read first,
    // on a connection of their own); a new grouping rebuilds it while it is open.
    void cmdListaTrabalho_Click();
    frmListaTrabalho* ListaTrabalho() const { return m_listaTrabalho; }
    // Where the worklist's groups come from (an exact grouping's are read off this thread).
    GruposListaTrabalho& GruposTrabalho() { return m_gruposTrabalho; }
    // The search box: shows the group of the patient named (name, ID or record number) and
    // makes that patient the list's current row.
    void txtLocalizar_Enter();

    // Similarity mode (chkSemelhanca ticked): the grid lists candidate groups scored field by
    // field instead of the exact grouping; choosing one lists exactly its members.
    void Preencher_GridSemelhanca();
    bool Preencher_GrupoSemelhante();
    bool ModoSemelhanca() const { return m_grade && m_grade->MostraOutro(); }
    // "Aprender de novo": the similarity search with its parameters learned again from the
    // register (and saved), for when the register has changed in ways its size does not tell.
    void cmdAprenderDeNovo_Click();

    void txtCaption_GotFocus(int Index);

    // A grouping (or the quiet re-grouping after a merge) is running.
    bool Agrupando() const { return m_sessao.Agrupando(); }
    // Stops the running grouping; the previous result stays as it was.
    void cmdCancelarAgrupamento_Click();
    // For tests, benchmarks and the demo: sleeps in the event loop until no grouping runs (or
    // the time is up); true when none runs.
    bool AguardarAgrupamento(int limiteMs = 60000) { return m_sessao.Aguardar(limiteMs); }
    SessaoAgrupamento& Sessao() { return m_sessao; }

    // Adds a button to the row of commands under the grid and the list, just before "Unificar
    // cadastros"; it takes its place in the tab order and is held with the others while a
    // grouping runs.
    void AdicionarBotaoComando(QPushButton* botao);

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
    QCheckBox* chkSemelhanca;
    QPushButton* cmdAprenderDeNovo;
    QGroupBox* Frame3;
    QTableView* dbGridCriterio;
    QLabel* lblCaption1;
    QLabel* lblItensnaLista;
    QPushButton* cmdCancelarAgrupamento;
    QLabel* lblCaption;
    QLabel* lblGrupoVazio;  // in the list's place, for a group of empty values
    QListWidget* lstSemelhante;
    QLabel* lblLocalizar;
    QLineEdit* txtLocalizar;
    QFrame* Frame5;
    QPushButton* cmdUnificar;
    QPushButton* cmdSemSolucao;
    QPushButton* cmdComparar;
    QPushButton* cmdHistorico;
    QPushButton* cmdListaTrabalho;
    QGroupBox* Frame1;
    ctlNvPreferDE* NvPreferSemelhante;
    PainelInstrucoes* Frame4;  // the instructions
    std::array<QPlainTextEdit*, 3> txtCaption;
    std::array<QFrame*, 2> Line1;
    // Between the criteria-and-result column and the detail; between the grid and the list;
    // between the detail and the instructions.
    QSplitter* divisorPrincipal;
    QSplitter* divisorResultado;
    QSplitter* divisorDetalhe;
    // In the status bar when the register cannot be written: why the merge commands are off.
    QLabel* lblGravacao;

  signals:
    // A grouping's result (or its failure or cancellation) has been taken in.
    void agrupamentoConcluido();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool focusNextPrevChild(bool next) override;

  private:
    void montarJanela();
    void verificarGravacao();
    GeometriaJanela geometria();
    void montarComandos();
    void montarInstrucoes();
    void ordenarTabulacao();
    void focarLista();
    void depoisDoComando();
    bool irParaPaciente(const PacienteLocalizado& p);
    bool preencherLista(const QString& sql);
    void mostrarMarcas();
    void esvaziarLista();
    void esvaziarListaEDetalhe();
    void esvaziarTela();
    void agrupamentoTerminou(SessaoAgrupamento::Tipo tipo);
    void exatoChegou();
    void semelhancaChegou();
    void reagrupamentoChegou();
    void escolherLinhaApos(int linha);
    bool tirarGrupoAtual();
    std::array<QCheckBox*, 7> caixasCriterio() const;
    CriteriosGravados::Marcas marcasCriterio() const;
    void ReLinkarSemelhanca();

    SessaoAgrupamento m_sessao;
    // Told by the dialogs (AvisoCadastro), read again once they are closed.
    MudancasCadastro* m_mudancas = nullptr;
    GradeDoisModelos* m_grade = nullptr;   // the exact result or the similarity's groups
    EntradaSegurada* m_entrada = nullptr;  // held while a grouping runs
    frmListaTrabalho* m_listaTrabalho = nullptr;
    GruposListaTrabalho m_gruposTrabalho;
    void montarListaTrabalho();
    ModeloRecordset* m_modelo = nullptr;
    ModeloGrupos* m_grupos = nullptr;
    CriteriosGravados m_criteriosGravados;
    LocalizadorPaciente m_localizador;  // where Enter in the search box goes on from
    QString m_connectionString;
    QString m_pastaAplicacao;
    QString m_pastaWindows;
    QString m_marcadorLista;  // the list's marker text; always empty (no integration source)
    QString m_sqlLista;       // the list query of the rows the list shows

    QHBoxLayout* m_linhaComandos = nullptr;
    RodadaTab m_rodadaTab;
    bool m_geometriaRestaurada = false;
    bool m_divisoesIniciais = false;
};
