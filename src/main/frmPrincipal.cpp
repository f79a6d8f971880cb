#include "main/frmPrincipal.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "data/base/MostrarMensagem.h"
#include "decisions/frmSemSolucao.h"
#include "history/frmHistorico.h"
#include "main/CriteriosGravados.h"
#include "main/GruposListaTrabalho.h"
#include "main/InicioPrograma.h"
#include "main/InstrucoesPrincipal.h"
#include "main/ListaSemelhantes.h"
#include "main/LocalizarPaciente.h"
#include "main/clsPacienteCriterio.h"
#include "match/ModeloGrupos.h"
#include "review/frmCompararPacientes.h"
#include "review/frmPacienteBase.h"
#include "settings/Configuracao.h"
#include "ui/Ampulheta.h"
#include "ui/AvisoCadastro.h"
#include "ui/ColunasLembradas.h"
#include "ui/DE.h"
#include "ui/Detalhe.h"
#include "ui/EntradaSegurada.h"
#include "ui/FiltroGrade.h"
#include "ui/GeometriaJanela.h"
#include "ui/ListaPacientes.h"
#include "ui/ModeloRecordset.h"
#include "ui/Montagem.h"
#include "ui/MostrarModal.h"
#include "ui/MsgBox.h"
#include "ui/MudancasCadastro.h"
#include "ui/PainelInstrucoes.h"
#include "ui/ctlNvPreferDE.h"
#include "users/frmLogin.h"
#include "worklist/frmListaTrabalho.h"

namespace {

QString numeroETexto(clsADO& ado) {
    return QString::number(ado.ErrorNumber()) + QStringLiteral(" - ") + ado.ErrorString();
}

const QString kDicaSemSolucao = QStringLiteral("Marcar o paciente selecionado como sem solução");

}  // namespace

frmPrincipal::frmPrincipal(QWidget* parent) : QMainWindow(parent) {
    montarJanela();
    // The grid shows rsLocalizar and its current row is the record set's position, or in the
    // similarity mode the search's candidate groups; a row chosen by the user fills the list.
    m_modelo = new ModeloRecordset(DE().rsLocalizar, this);
    m_grupos = new ModeloGrupos(this);
    m_grade = new GradeDoisModelos(
        *dbGridCriterio, *m_modelo, *m_grupos, QStringLiteral("frmPrincipal"),
        QStringLiteral("semelhanca"), [this](bool semelhanca) {
            semelhanca ? void(Preencher_GrupoSemelhante()) : dbGridCriterio_RowColChange(0, 0);
        });
    m_entrada = new EntradaSegurada(*this, {Frame2, dbGridCriterio, lstSemelhante, Frame5},
                                    *dbGridCriterio, *cmdCancelarAgrupamento, *lblItensnaLista,
                                    [this] { return m_sessao.TextoProgresso(); });
    connect(&m_sessao, &SessaoAgrupamento::terminou, this, &frmPrincipal::agrupamentoTerminou);
    connect(&m_sessao, &SessaoAgrupamento::segurou, this, [this] { m_entrada->Segurar(true); });
    m_mudancas = new MudancasCadastro(
        *this, [this] { m_sessao.AoRedorDeEscrita([this] { ReLinkarGrid(); }); },
        [this] { mostrarMarcas(); });
    connect(cmdBuscar, &QPushButton::clicked, this, &frmPrincipal::cmdBuscar_Click);
    connect(cmdAprenderDeNovo, &QPushButton::clicked, this, &frmPrincipal::cmdAprenderDeNovo_Click);
    connect(cmdUnificar, &QPushButton::clicked, this, &frmPrincipal::cmdUnificar_Click);
    connect(cmdSemSolucao, &QPushButton::clicked, this, &frmPrincipal::cmdSemSolucao_Click);
    connect(cmdComparar, &QPushButton::clicked, this, &frmPrincipal::cmdComparar_Click);
    connect(cmdHistorico, &QPushButton::clicked, this, &frmPrincipal::cmdHistorico_Click);
    connect(cmdListaTrabalho, &QPushButton::clicked, this, &frmPrincipal::cmdListaTrabalho_Click);
    connect(cmdCancelarAgrupamento, &QPushButton::clicked, this,
            &frmPrincipal::cmdCancelarAgrupamento_Click);
    connect(lstSemelhante, &QListWidget::currentRowChanged, this,
            [this](int) { lstSemelhante_Click(); });
    connect(lstSemelhante, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        lstSemelhante_ItemCheck(qint16(lstSemelhante->row(item)));
    });
    connect(txtLocalizar, &QLineEdit::returnPressed, this, &frmPrincipal::txtLocalizar_Enter);
    connect(txtLocalizar, &QLineEdit::textEdited, this, [this] { m_localizador.Recomecar(); });
    auto* buscar = new QShortcut(QKeySequence::Find, this);
    connect(buscar, &QShortcut::activated, this, [this] {
        txtLocalizar->setFocus(Qt::ShortcutFocusReason);
        txtLocalizar->selectAll();
    });
    m_modelo->DefinirDicaLinha(&GrupoSemValor);
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(esc, &QShortcut::activated, this, &frmPrincipal::cmdCancelarAgrupamento_Click);
    ordenarTabulacao();
    PrepararJanela(*this);
}

frmPrincipal::~frmPrincipal() = default;

void frmPrincipal::montarJanela() {
    setObjectName(QStringLiteral("frmPrincipal"));
    setWindowTitle(QStringLiteral("Tessivar - Unificação do cadastro de Pacientes"));

    Frame2 = Nomeado(new QGroupBox(QStringLiteral("Selecione os campos que deseja agrupar")),
                     QStringLiteral("Frame2"));
    cmdBuscar = BotaoNomeado(QStringLiteral("&Agrupar"), QStringLiteral("cmdBuscar"));
    chkSemelhanca =
        Nomeado(new QCheckBox(QStringLiteral("Semelhança")), QStringLiteral("chkSemelhanca"));
    chkSemelhanca->setToolTip(QStringLiteral(
        "Agrupar por semelhança: compara nomes, documentos e datas campo a campo e lista os "
        "grupos de cadastros que provavelmente são da mesma pessoa, do mais certo ao menos"));
    const std::tuple<QCheckBox**, const char*, QString> caixas[] = {
        {&chkNome, "chkNome", QStringLiteral("Nome")},
        {&chkNomeMeio, "chkNomeMeio", QStringLiteral("Nome do meio")},
        {&chkNomeUltimo, "chkNomeUltimo", QStringLiteral("Último nome")},
        {&chkRG, "chkRG", QStringLiteral("RG")},
        {&chkCIC, "chkCIC", QStringLiteral("CIC")},
        {&chkNascimento, "chkNascimento", QStringLiteral("Data Nascimento")},
        {&chkProntuario, "chkProntuario", QStringLiteral("Prontuário")}};
    auto* grade = new QGridLayout(Frame2);
    for (int i = 0; i < 7; ++i) {
        const auto& [caixa, nome, texto] = caixas[i];
        *caixa = Nomeado(new QCheckBox(texto), QString::fromLatin1(nome));
        // Three to a row, so the criteria leave room for the detail on a small screen.
        grade->addWidget(*caixa, i / 3, i % 3);
    }
    grade->addWidget(cmdBuscar, 2, 2);
    cmdAprenderDeNovo = BotaoNomeado(
        QStringLiteral("Aprender de novo"), QStringLiteral("cmdAprenderDeNovo"),
        QStringLiteral("Aprende de novo, com o cadastro atual, quanto cada campo pesa na "
                       "semelhança, guarda o que aprendeu e agrupa por semelhança"));
    grade->addWidget(chkSemelhanca, 3, 0, 1, 2);
    grade->addWidget(cmdAprenderDeNovo, 3, 2);

    Frame3 = Nomeado(new QGroupBox(QStringLiteral("Resultado do agrupamento")),
                     QStringLiteral("Frame3"));
    dbGridCriterio = Nomeado(new QTableView, QStringLiteral("dbGridCriterio"));
    dbGridCriterio->setAccessibleName(QStringLiteral("Resultado do agrupamento"));
    dbGridCriterio->setAccessibleDescription(
        QStringLiteral("Um grupo de possíveis duplicados por linha. Tab sai da grade; "
                       "Ctrl+Tab passa de uma coluna a outra."));
    FiltroGrade::Configurar(*dbGridCriterio);
    lblCaption1 =
        Nomeado(new QLabel(QStringLiteral("Itens na lista:")), QStringLiteral("lblCaption1"));
    lblItensnaLista =
        Nomeado(new QLabel(QStringLiteral("100.000")), QStringLiteral("lblItensnaLista"));
    lblItensnaLista->setAccessibleName(QStringLiteral("Itens na lista"));
    lblCaption1->setBuddy(dbGridCriterio);
    cmdCancelarAgrupamento =
        BotaoNomeado(QStringLiteral("Cancelar"), QStringLiteral("cmdCancelarAgrupamento"),
                     QStringLiteral("Interrompe o agrupamento (Esc)"));
    cmdCancelarAgrupamento->setAccessibleName(QStringLiteral("Cancelar o agrupamento"));
    cmdCancelarAgrupamento->hide();
    lblCaption = Nomeado(new QLabel(QStringLiteral("Pacientes com dados semelhantes")),
                         QStringLiteral("lblCaption"));
    lstSemelhante = Nomeado(new QListWidget, QStringLiteral("lstSemelhante"));
    lstSemelhante->setAccessibleName(QStringLiteral("Pacientes com dados semelhantes"));
    lstSemelhante->setAccessibleDescription(
        QStringLiteral("Espaço marca ou desmarca o paciente da linha."));
    lblCaption->setBuddy(lstSemelhante);
    lblGrupoVazio = Nomeado(new QLabel, QStringLiteral("lblGrupoVazio"));
    lblGrupoVazio->setWordWrap(true);
    lblGrupoVazio->hide();
    lblLocalizar =
        Nomeado(new QLabel(QStringLiteral("&Localizar:")), QStringLiteral("lblLocalizar"));
    txtLocalizar = Nomeado(new QLineEdit, QStringLiteral("txtLocalizar"));
    txtLocalizar->setPlaceholderText(QStringLiteral("nome, ID ou prontuário (Ctrl+F)"));
    txtLocalizar->setToolTip(
        QStringLiteral("Enter mostra o grupo do paciente e o escolhe na lista; Enter de novo "
                       "passa ao próximo paciente encontrado"));
    txtLocalizar->setClearButtonEnabled(true);
    lblLocalizar->setBuddy(txtLocalizar);
    montarComandos();
    {
        auto* contador = new QHBoxLayout;
        contador->addWidget(lblCaption1);
        contador->addWidget(lblItensnaLista);
        contador->addStretch();
        contador->addWidget(cmdCancelarAgrupamento);
        auto* busca = new QHBoxLayout;
        busca->addWidget(lblLocalizar);
        busca->addWidget(txtLocalizar, 1);
        divisorResultado = Divisor(Qt::Horizontal, QStringLiteral("divisorResultado"),
                                   Pilha({busca, dbGridCriterio, contador}, 1),
                                   Pilha({lblCaption, lblGrupoVazio, lstSemelhante}, 2), 3, 2);
        auto* f3 = new QVBoxLayout(Frame3);
        f3->addWidget(divisorResultado, 1);
        f3->addWidget(Frame5);
    }

    Frame1 = Nomeado(new QGroupBox(QStringLiteral("Dados do paciente")), QStringLiteral("Frame1"));
    NvPreferSemelhante = Nomeado(new ctlNvPreferDE, QStringLiteral("NvPreferSemelhante"));
    NvPreferSemelhante->setAccessibleName(QStringLiteral("Dados do paciente"));
    (new QVBoxLayout(Frame1))->addWidget(NvPreferSemelhante);
    montarInstrucoes();
    // A taller window gives its room to the detail; the instructions scroll when short.
    divisorDetalhe = Divisor(Qt::Vertical, QStringLiteral("divisorDetalhe"), Frame1, Frame4, 1, 0);
    divisorDetalhe->setCollapsible(1, true);
    divisorPrincipal = Divisor(Qt::Horizontal, QStringLiteral("divisorPrincipal"),
                               Pilha({Frame2, Frame3}, 1), divisorDetalhe, 3, 2);
    lblGravacao = Nomeado(new QLabel, QStringLiteral("lblGravacao"));
    lblGravacao->setAccessibleName(QStringLiteral("Situação do cadastro"));
    statusBar()->addWidget(lblGravacao, 1);
    statusBar()->hide();  // shown only with something to say
    auto* centro = new QWidget(this);
    (new QVBoxLayout(centro))->addWidget(divisorPrincipal);
    setCentralWidget(centro);

    resize(1100, 720);
    GeometriaJanela::CaberNaTela(*this);
}

void frmPrincipal::montarComandos() {
    Frame5 = Nomeado(new QFrame, QStringLiteral("Frame5"));
    Frame5->setFrameShape(QFrame::StyledPanel);
    cmdUnificar = BotaoNomeado(QStringLiteral("Unificar cadastros"), QStringLiteral("cmdUnificar"));
    cmdSemSolucao = BotaoNomeado(QStringLiteral("Sem solução..."), QStringLiteral("cmdSemSolucao"),
                                 kDicaSemSolucao);
    cmdComparar =
        BotaoNomeado(QStringLiteral("Comparar..."), QStringLiteral("cmdComparar"),
                     QStringLiteral("Comparar lado a lado os cadastros marcados, ou todos "
                                    "os da lista quando menos de dois estão marcados "
                                    "(Ctrl+K)"));
    cmdComparar->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    cmdHistorico = BotaoNomeado(QStringLiteral("Histórico..."), QStringLiteral("cmdHistorico"),
                                QStringLiteral("Unificações feitas e desfazer uma unificação"));
    cmdListaTrabalho = BotaoNomeado(
        QStringLiteral("Lista de trabalho..."), QStringLiteral("cmdListaTrabalho"),
        QStringLiteral("Os grupos deste agrupamento com o seu estado, para tratá-los um a um pelo "
                       "teclado (Ctrl+L)"));
    cmdListaTrabalho->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    // Others add their buttons before "Unificar cadastros" (AdicionarBotaoComando), which
    // stays last, at the right.
    m_linhaComandos = new QHBoxLayout(Frame5);
    m_linhaComandos->addWidget(cmdSemSolucao);
    m_linhaComandos->addWidget(cmdHistorico);
    m_linhaComandos->addWidget(cmdListaTrabalho);
    m_linhaComandos->addStretch();
    m_linhaComandos->addWidget(cmdComparar);
    m_linhaComandos->addWidget(cmdUnificar);
}

void frmPrincipal::montarInstrucoes() {
    Frame4 = Nomeado(new PainelInstrucoes(InstrucoesPrincipal::Textos()), QStringLiteral("Frame4"));
    for (int i = 0; i < 3; ++i) {
        txtCaption[i] = Nomeado(Frame4->Caixa(i), QStringLiteral("txtCaption_%1").arg(i));
        txtCaption[i]->setAccessibleName(QStringLiteral("Instrução %1").arg(i + 1));
    }
    for (int i = 0; i < 2; ++i) {
        Line1[i] = Nomeado(Frame4->Linha(i), QStringLiteral("Line1_%1").arg(i));
    }
    connect(Frame4, &PainelInstrucoes::caixaFocada, this, &frmPrincipal::txtCaption_GotFocus);
}

void frmPrincipal::AdicionarBotaoComando(QPushButton* botao) {
    m_linhaComandos->insertWidget(m_linhaComandos->indexOf(cmdUnificar), botao);
    ordenarTabulacao();
    PrepararJanela(*this);
}

void frmPrincipal::ordenarTabulacao() {
    // grid -> list -> the command row, left to right -> the criteria -> "Agrupar" (-> Cancel).
    QList<QWidget*> criterios = RodadaTab::DoLayout(*Frame2->layout());
    criterios.move(criterios.indexOf(cmdBuscar), criterios.size() - 1);
    m_rodadaTab.Definir(QList<QWidget*>{dbGridCriterio, lstSemelhante} +
                            RodadaTab::DoLayout(*m_linhaComandos) + criterios
                        << txtLocalizar << cmdCancelarAgrupamento);
}

bool frmPrincipal::focusNextPrevChild(bool next) {
    return m_rodadaTab.Avancar(focusWidget(), next) || QMainWindow::focusNextPrevChild(next);
}

void frmPrincipal::focarLista() {
    // After a command on the listed records the work goes on in the list (the next Space ticks
    // a record, not a criterion); with nothing listed, in the grid.
    QWidget* alvo = lstSemelhante->count() > 0 && lstSemelhante->isEnabled()
                        ? static_cast<QWidget*>(lstSemelhante)
                        : static_cast<QWidget*>(dbGridCriterio);
    alvo->setFocus(Qt::OtherFocusReason);
}

void frmPrincipal::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    ordenarTabulacao();
    PrepararJanela(*this);
    GeometriaJanela::CaberNaTela(*this);
    if (!m_geometriaRestaurada && !m_divisoesIniciais) {
        // First show for this user: the detail takes most of its column (its rows decide the
        // survivor), and the result column most of the width.
        m_divisoesIniciais = true;
        const int largura = divisorPrincipal->width();
        divisorPrincipal->setSizes({largura * 3 / 5, largura - largura * 3 / 5});
        // The instructions take the room their lines need (at most half), the detail the rest.
        const int altura = divisorDetalhe->height();
        const int instrucoes = std::min(Frame4->AlturaNecessaria(), altura / 2);
        divisorDetalhe->setSizes({altura - instrucoes, instrucoes});
    }
}

void frmPrincipal::closeEvent(QCloseEvent* event) {
    if (ID_UsuarioLogado != 0) {  // nobody logged in: nobody to remember the layout for
        geometria().Gravar(ID_UsuarioLogado);
    }
    QMainWindow::closeEvent(event);
}

GeometriaJanela frmPrincipal::geometria() {
    return GeometriaJanela(*this, {divisorPrincipal, divisorResultado, divisorDetalhe});
}

std::array<QCheckBox*, 7> frmPrincipal::caixasCriterio() const {
    return {chkNome, chkNomeMeio, chkNomeUltimo, chkRG, chkCIC, chkNascimento, chkProntuario};
}

CriteriosGravados::Marcas frmPrincipal::marcasCriterio() const {
    CriteriosGravados::Marcas marcas{};
    const auto caixas = caixasCriterio();
    std::transform(caixas.begin(), caixas.end(), marcas.begin(),
                   [](const QCheckBox* c) { return c->checkState(); });
    return marcas;
}

void frmPrincipal::txtCaption_GotFocus(int /*Index*/) {
    // The instructions are display-only: the window takes the focus back.
    setFocus(Qt::OtherFocusReason);
}

// ---------------------------------------------------------------------------------------------
// Start-up

bool frmPrincipal::Form_Load() {
    // The merge engine reports a table it cannot create through the program's message box.
    MostrarMensagem_Definir([](const QString& texto) { MsgBox(texto); });
    // Nothing is grouped yet: the counter tells so until the first result arrives.
    lblItensnaLista->setText(QLocale().toString(0));

    InicioPrograma inicio(DE().Conexao, ADO());
    const bool configurado = inicio.LerConfiguracao();
    m_pastaAplicacao = inicio.PastaAplicacao();
    m_pastaWindows = inicio.PastaWindows();
    m_connectionString = inicio.ConnectionString();
    if (!configurado || !inicio.Conectar()) {
        MsgBox(inicio.Mensagem());
        return false;
    }
    {
        frmLogin login(this);
        MostrarModal(login);
        if (!login.LoginConfirmado) {
            return false;
        }
    }
    m_geometriaRestaurada = geometria().Restaurar(ID_UsuarioLogado);
    if (!inicio.CriarTabelas()) {
        return false;
    }
    verificarGravacao();

    Detalhe_Configurar(*NvPreferSemelhante, m_pastaAplicacao + QStringLiteral("Paciente.pre"),
                       &DE(), QStringLiteral("ID_Paciente"), &DE().rsPaciente);
    Detalhe_Ajustar(*NvPreferSemelhante);

    LerPacienteCriterio();
    // The grouping runs on its own connection; the window opens at once and the first result
    // arrives when it is ready, with the row change that fills the list (exatoChegou).
    m_sessao.DefinirConexao(m_connectionString);
    cmdBuscar_Click();
    return true;
}

bool frmPrincipal::Ler_INI(const QString& fFullPathINI) {
    InicioPrograma inicio(DE().Conexao, ADO());
    const bool lido = inicio.Ler_INI(fFullPathINI);
    m_connectionString = inicio.ConnectionString();
    return lido;
}

// ---------------------------------------------------------------------------------------------
// Grouping and the result grid

void frmPrincipal::verificarGravacao() {
    // Said before any review starts: the status under the window, and on the commands that
    // write, which stay unavailable.
    QString detalhe;
    const QString aviso = InicioPrograma(DE().Conexao, ADO()).VerificarGravacao(&detalhe);
    const QString dica =
        detalhe.isEmpty() ? aviso : aviso + QStringLiteral("\nDetalhe: ") + detalhe;
    lblGravacao->setText(aviso);
    lblGravacao->setToolTip(dica);
    statusBar()->setVisible(!aviso.isEmpty());
    cmdUnificar->setEnabled(aviso.isEmpty());
    cmdUnificar->setToolTip(dica);
    cmdSemSolucao->setEnabled(aviso.isEmpty());
    cmdSemSolucao->setToolTip(aviso.isEmpty() ? kDicaSemSolucao : dica);
}

void frmPrincipal::cmdBuscar_Click() {
    // No hourglass: the window stays live and shows the grouping's progress instead.
    if (!lblGravacao->text().isEmpty()) {
        verificarGravacao();  // a register locked then may be free now
    }
    if (chkSemelhanca->isChecked()) {
        Preencher_GridSemelhanca();
    } else {
        Preencher_GridCriterio();
    }
}

std::unique_ptr<clsPacienteCriterio> frmPrincipal::ObterClassePacienteCriterio() {
    return CriteriosGravados::Criterio(marcasCriterio());
}

void frmPrincipal::Preencher_GridCriterio() {
    if (!m_sessao.AgruparExato(ObterClassePacienteCriterio())) {
        MsgBox(QStringLiteral("Selecione ao menos um critério"));
    }
}

void frmPrincipal::Preencher_GridSemelhanca() {
    m_sessao.AgruparSemelhanca();
}

void frmPrincipal::cmdAprenderDeNovo_Click() {
    semelhanca::OpcoesBusca opcoes;
    opcoes.aprender = true;
    chkSemelhanca->setChecked(true);
    m_sessao.AgruparSemelhanca(opcoes);
}

void frmPrincipal::cmdCancelarAgrupamento_Click() {
    m_sessao.Cancelar();
}

void frmPrincipal::esvaziarTela() {
    // Nothing of the result that failed stays on screen, and nothing of it can be merged.
    {
        const auto religando = m_grade->Religando();
        Recordset& rs = DE().rsLocalizar;
        if (rs.State() == adStateOpen) {
            rs.Close();
        }
    }
    esvaziarListaEDetalhe();
    lblItensnaLista->setText(QLocale().toString(0));
}

void frmPrincipal::agrupamentoTerminou(SessaoAgrupamento::Tipo tipo) {
    const ConsultaEmSegundoPlano::Desfecho& r = m_sessao.Resultado();
    if (tipo == SessaoAgrupamento::Tipo::Reagrupamento) {
        reagrupamentoChegou();
        emit agrupamentoConcluido();
        return;
    }
    m_entrada->Segurar(false);
    lblItensnaLista->setText(m_entrada->ContadorAntes());  // until a result takes its place
    if (r.ok) {
        tipo == SessaoAgrupamento::Tipo::Exato ? exatoChegou() : semelhancaChegou();
    } else if (const QString mensagem = m_sessao.MensagemDeFalha(tipo); !mensagem.isEmpty()) {
        // Cancelled, the result on screen stays as it was; failed, the exact result goes.
        MsgBox(mensagem);
        if (tipo == SessaoAgrupamento::Tipo::Exato) {
            esvaziarTela();
        }
    }
    if (tipo != SessaoAgrupamento::Tipo::Reagrupamento && r.ok && !r.cancelada && m_listaTrabalho &&
        m_listaTrabalho->isVisible()) {
        montarListaTrabalho();  // the worklist follows the grouping on screen
    }
    emit agrupamentoConcluido();
}

void frmPrincipal::exatoChegou() {
    ConsultaEmSegundoPlano::Desfecho& r = m_sessao.Resultado();
    {
        // Taking the result in re-binds the grid (new columns and rows) through its model.
        const auto religando = m_grade->Religando();
        DE().rsLocalizar.Adotar(DE().Conexao, r.sql, std::move(r.dados));
        r.dados = {};
        m_grade->Mostrar(false);
        esvaziarLista();
        m_grade->AjustarColunas();
    }
    lblItensNaLista_Atualizar();
    SalvarPacienteCriterio();
    // The first row is current: the list and the detail show its group at once (the start-up's
    // row change, and after every grouping, so they never show a patient of another result).
    escolherLinhaApos(0);
}

void frmPrincipal::escolherLinhaApos(int linha) {
    // The same position, or the last one when fewer rows are left; no row empties the list.
    const int linhas = m_modelo->rowCount();
    if (linhas > 0) {
        {
            const auto religando = m_grade->Religando();
            m_modelo->MoverPara(std::clamp(linha, 0, linhas - 1));
        }
        dbGridCriterio_RowColChange(0, 0);
    } else {
        esvaziarListaEDetalhe();
    }
}

void frmPrincipal::dbGridCriterio_RowColChange(const QVariant& /*LastRow*/, qint16 /*LastCol*/) {
    const Recordset& rs = DE().rsLocalizar;
    if (rs.State() == adStateOpen && rs.RecordCount() > 0) {
        Preencher_PacienteSemelhante();
    }
}

void frmPrincipal::ReLinkarGrid() {
    if (ModoSemelhanca()) {
        ReLinkarSemelhanca();
        return;
    }
    // The merged records are gone. Their group is the grid's current row (a record belongs to
    // one group only), so the administrator need not wait for the whole grouping: the row's
    // group is read again now, dropped when fewer than two records are left, and the row at
    // the same position becomes current; the full grouping then runs again quietly and is
    // taken in when it arrives (reagrupamentoChegou).
    Recordset& rs = DE().rsLocalizar;
    const int linha = m_modelo->LinhaAtual();
    esvaziarLista();
    if (rs.State() == adStateOpen && linha >= 0) {
        dbGridCriterio_RowColChange(0, 0);
        if (lstSemelhante->count() < 2 && tirarGrupoAtual()) {
            escolherLinhaApos(linha);
        }
    }
    lblItensNaLista_Atualizar();
    if (rs.State() == adStateOpen && !rs.Source().isEmpty()) {
        m_sessao.Reagrupar(rs.Source());
    }
}

bool frmPrincipal::tirarGrupoAtual() {
    const auto religando = m_grade->Religando();
    return SessaoAgrupamento::TirarLinhaAtual(DE().rsLocalizar, DE().Conexao);
}

void frmPrincipal::reagrupamentoChegou() {
    if (ModoSemelhanca()) {
        return;  // the exact result is not on screen: it is grouped again when shown
    }
    const int linha = m_modelo->LinhaAtual();
    bool manteve = false;
    {
        const auto religando = m_grade->Religando();
        if (!m_sessao.AdotarReagrupamento(DE().rsLocalizar, DE().Conexao, manteve)) {
            return;  // cancelled or failed: the result on screen already tells the merge
        }
    }
    // The group the administrator was on stays current with its list (and ticks) untouched;
    // when it is gone, the row at its position takes its place.
    if (!manteve) {
        escolherLinhaApos(linha);
    }
    lblItensNaLista_Atualizar();
}

void frmPrincipal::lblItensNaLista_Atualizar() {
    if (ModoSemelhanca()) {
        lblItensnaLista->setText(QLocale().toString(m_grupos->rowCount()));
        return;
    }
    const Recordset& rs = DE().rsLocalizar;
    if (rs.State() != adStateOpen) {
        return;  // a failure here keeps the previous text
    }
    lblItensnaLista->setText(QLocale().toString(rs.RecordCount()));
}

void frmPrincipal::SalvarPacienteCriterio() {
    m_criteriosGravados.Gravar(marcasCriterio());
}

void frmPrincipal::LerPacienteCriterio() {
    const CriteriosGravados::Marcas marcas = m_criteriosGravados.Ler();
    const auto caixas = caixasCriterio();
    for (int i = 0; i < 7; ++i) {
        caixas[i]->setCheckState(marcas[i]);
    }
}

// ---------------------------------------------------------------------------------------------
// Similarity mode: the grid shows the search's candidate groups (ModeloGrupos) instead of
// rsLocalizar, which keeps the exact result for when the mode is left.

void frmPrincipal::semelhancaChegou() {
    {
        const auto religando = m_grade->Religando();
        m_grupos->Definir(std::move(m_sessao.GruposEncontrados()));
        m_grade->Mostrar(true);
        esvaziarLista();
        m_grade->AjustarColunas();
    }
    lblItensNaLista_Atualizar();
    if (m_grupos->rowCount() > 0) {
        dbGridCriterio->setCurrentIndex(m_grupos->index(0, 0));
    } else {
        esvaziarListaEDetalhe();
    }
}

bool frmPrincipal::Preencher_GrupoSemelhante() {
    const QModelIndex atual = dbGridCriterio->currentIndex();
    const QString sql = m_grupos->ObterSQLMembros(atual.isValid() ? atual.row() : -1);
    if (sql.isEmpty()) {
        esvaziarListaEDetalhe();
        return false;
    }
    return preencherLista(sql);
}

void frmPrincipal::ReLinkarSemelhanca() {
    // After a merge: the merged records leave their group (without searching the register
    // again); the same row, or the one before it when the group is gone, becomes current.
    const int linha = dbGridCriterio->currentIndex().row();
    {
        const auto religando = m_grade->Religando();
        esvaziarLista();
        m_grupos->Conferir(DE().Conexao, ADO(), linha);  // a failure keeps the group as it was
        const int alvo = std::min(linha, m_grupos->rowCount() - 1);
        if (alvo >= 0) {
            dbGridCriterio->setCurrentIndex(m_grupos->index(alvo, 0));
        }
    }
    Preencher_GrupoSemelhante();
    lblItensNaLista_Atualizar();
}

// ---------------------------------------------------------------------------------------------
// Similar-patient list and detail

clsPacienteCriterio& frmPrincipal::ObterClassePaciente() {
    return m_sessao.CriterioDaLinha(DE().rsLocalizar);
}

bool frmPrincipal::Preencher_PacienteSemelhante() {
    const QString membros = ObterClassePaciente().ObterSQLSemAgrupamento();
    if (membros.isEmpty()) {
        esvaziarListaEDetalhe();
        // A group of empty values lists nobody: the list's place says why.
        lblGrupoVazio->setText(GrupoSemValorDaLinhaAtual(DE().rsLocalizar));
        lblGrupoVazio->setVisible(!lblGrupoVazio->text().isEmpty());
        return false;
    }
    return preencherLista(ListaSemelhantes_SQL(membros));
}

bool frmPrincipal::preencherLista(const QString& sql) {
    // Both modes list a group the same way: its records by full name, with their marks.
    clsADO& ado = ADO();
    Recordset& rs = DE().rsSemelhante;
    if (!ListaSemelhantes_Abrir(DE().Conexao, ado, rs, sql)) {
        MsgBox(QStringLiteral("Ao preencher a lista de pacientes, ocorreu o seguinte erro:") +
               numeroETexto(ado) + DetalheEDiagnostico(ado.DetalheDoErro()));
        // The rows of the previous group must not stay on screen, mergeable, under this one.
        esvaziarListaEDetalhe();
        return false;
    }
    m_sqlLista = sql;
    lblGrupoVazio->hide();
    {
        const QSignalBlocker bloqueio(lstSemelhante);
        lstSemelhante->clear();
        m_marcadorLista.clear();
        // A similarity group's records show their scores in their lines.
        const QModelIndex grupo = dbGridCriterio->currentIndex();
        PreencherListaPacientes(*lstSemelhante, rs,
                                ModoSemelhanca() && grupo.isValid()
                                    ? m_grupos->PontuacoesMembros(grupo.row())
                                    : QHash<qint32, double>());
        mostrarMarcas();
        if (lstSemelhante->count() > 0) {
            lstSemelhante->setCurrentRow(0);
        }
    }
    lstSemelhante_Click();
    return true;
}

void frmPrincipal::mostrarMarcas() {
    // No-solution marks and "not the same person" decisions: an icon and a tooltip per row.
    const QSignalBlocker bloqueio(lstSemelhante);
    SemSolucao_MostrarMarcas(*lstSemelhante);
    Decisao_MostrarMarcas(*lstSemelhante);
}

void frmPrincipal::esvaziarLista() {
    // Emptying the list is not a click: the detail keeps what it shows until the next fill.
    const QSignalBlocker bloqueio(lstSemelhante);
    lstSemelhante->clear();
}

void frmPrincipal::esvaziarListaEDetalhe() {
    esvaziarLista();
    lblGrupoVazio->hide();
    m_sqlLista.clear();
    Detalhe_Limpar(*NvPreferSemelhante);
}

void frmPrincipal::lstSemelhante_Click() {
    MostrarPacienteDaLinha(*lstSemelhante, *NvPreferSemelhante);
}

void frmPrincipal::lstSemelhante_ItemCheck(qint16 /*Item*/) {
    // Ticks are free. The one rule this list knows (a row standing for the patient found in the
    // integration database may not be unticked) needs a marker that nothing here ever sets.
}

bool frmPrincipal::PacientesSemelhantes_ObterSelecionados(QStringList& fArPacientes) {
    // ReDim Preserve to hold the ticks: the caller's first element takes the first one.
    const QList<qint32> marcados = IdsDaLista(*lstSemelhante, true);
    if (fArPacientes.size() < marcados.size()) {
        fArPacientes.resize(marcados.size());
    }
    for (int i = 0; i < marcados.size(); ++i) {
        fArPacientes[i] = QString::number(marcados[i]);
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Commands on the listed records. Each that writes runs with the quiet re-grouping out of its
// way (SessaoAgrupamento::AoRedorDeEscrita).

void frmPrincipal::cmdSemSolucao_Click() {
    // The chooser fills rsSemelhante with its own rows; the list's rows come back first, so
    // the dialog gets this patient's record number.
    Recordset& rs = DE().rsSemelhante;
    if (!m_sqlLista.isEmpty() && (rs.State() != adStateOpen || rs.Source() != m_sqlLista)) {
        ListaSemelhantes_Abrir(DE().Conexao, ADO(), rs, m_sqlLista);
    }
    m_sessao.AoRedorDeEscrita([&] { SemSolucao_MarcarLinhaAtual(*lstSemelhante, rs); });
    depoisDoComando();
}

void frmPrincipal::cmdComparar_Click() {
    const QList<qint32> marcados = IdsDaLista(*lstSemelhante, true);
    const QList<qint32> ids = marcados.size() >= 2 ? marcados : IdsDaLista(*lstSemelhante);
    // A decision recorded in the comparison is a write.
    m_sessao.AoRedorDeEscrita([&] { CompararPacientes(this, ids); });
    depoisDoComando();
}

void frmPrincipal::cmdUnificar_Click() {
    Ampulheta ampulheta;
    QStringList semelhantes{QString()};
    PacientesSemelhantes_ObterSelecionados(semelhantes);
    if (semelhantes.size() - 1 < 1) {
        ampulheta.Restaurar();
        MsgBox(QStringLiteral(
            "É necessário selecionar no mímino dois pacientes para assim poder unificar o "
            "cadastro"));
        return;
    }
    m_sessao.AoRedorDeEscrita([&] {
        cmdUnificar->setEnabled(false);
        if (PacienteUnificarCadastros(semelhantes)) {
            ReLinkarGrid();
        }
        cmdUnificar->setEnabled(true);
    });
    // Merged, or the chooser or the review cancelled: back to the list, never to a criterion.
    depoisDoComando();
}

bool frmPrincipal::PacienteUnificarCadastros(QStringList& farSemelhantes) {
    qint32 base = 0;
    {
        frmPacienteBase escolha;
        escolha.Iniciar(farSemelhantes);
        MostrarModal(escolha);
        base = escolha.ID_PacienteBase();
    }
    if (base == 0) {
        return false;
    }
    QList<qint32> copias;
    for (const QString& id : farSemelhantes) {
        copias.append(id.toInt());
    }
    // The review, then one transaction around every merge and the base's new values. A record
    // another workstation removed meanwhile cancels it all and the grid shows the register now.
    const ResultadoUnificacao resultado = UnificarRevisando(this, copias, base);
    if (resultado == ResultadoUnificacao::CadastroAusente) {
        ReLinkarGrid();
    }
    return resultado == ResultadoUnificacao::Unificada;
}

void frmPrincipal::txtLocalizar_Enter() {
    if (m_sessao.SegurandoEntrada()) {
        return;  // the result it would search is about to be replaced
    }
    const QString mensagem =
        m_localizador.Proximo(DE().Conexao, ADO(), txtLocalizar->text(),
                              [this](const PacienteLocalizado& p) { return irParaPaciente(p); });
    if (!mensagem.isEmpty()) {
        MsgBox(mensagem);
    }
}

bool frmPrincipal::irParaPaciente(const PacienteLocalizado& p) {
    int linhaVista = -1;
    if (ModoSemelhanca()) {
        linhaVista = m_grupos->LinhaDoPaciente(p.ID_Paciente);
    } else if (DE().rsLocalizar.State() == adStateOpen) {
        const int registro = LinhaDoPaciente(DE().rsLocalizar.Dados(), p);
        linhaVista = registro < 0 ? -1 : m_modelo->LinhaNaVista(registro);
    }
    if (linhaVista < 0) {
        return false;
    }
    const QModelIndex indice = dbGridCriterio->model()->index(linhaVista, 0);
    dbGridCriterio->setCurrentIndex(indice);
    dbGridCriterio->scrollTo(indice);
    if (const int i = int(IdsDaLista(*lstSemelhante).indexOf(p.ID_Paciente)); i >= 0) {
        lstSemelhante->setCurrentRow(i);
        lstSemelhante->scrollToItem(lstSemelhante->item(i));
    }
    return true;
}

void frmPrincipal::cmdHistorico_Click() {
    m_sessao.AoRedorDeEscrita([&] {  // an undo writes
        frmHistorico historico(DE().Conexao, ADO(), ID_UsuarioLogado, this);
        MostrarModal(historico);
    });
    depoisDoComando();
}

void frmPrincipal::depoisDoComando() {
    m_mudancas->Ler();
    focarLista();
}

void frmPrincipal::cmdListaTrabalho_Click() {
    if (!m_listaTrabalho) {
        m_listaTrabalho = new frmListaTrabalho(DE().Conexao, ADO(), ID_UsuarioLogado, this);
        // Its writes step around the quiet re-grouping, as the window's own do; a merge there
        // groups the register again.
        m_listaTrabalho->DefinirAoRedorDeEscrita(
            [this](const std::function<void()>& escrita) { m_sessao.AoRedorDeEscrita(escrita); });
        connect(m_listaTrabalho, &frmListaTrabalho::registroMudou, this,
                [this] { ModoSemelhanca() ? ReLinkarSemelhanca() : ReLinkarGrid(); });
        connect(&m_gruposTrabalho, &GruposListaTrabalho::lidos, m_listaTrabalho,
                [this](const QVector<GrupoTrabalho>& grupos) {
                    m_listaTrabalho->Iniciar(grupos, false);
                });
        connect(&m_gruposTrabalho, &GruposListaTrabalho::falhou, m_listaTrabalho,
                &frmListaTrabalho::Aguardar);
    }
    m_listaTrabalho->show();
    m_listaTrabalho->raise();
    m_listaTrabalho->activateWindow();
    montarListaTrabalho();
}

void frmPrincipal::montarListaTrabalho() {
    const Recordset& rs = DE().rsLocalizar;
    if (ModoSemelhanca()) {
        m_listaTrabalho->Iniciar(GruposListaTrabalho::DaSemelhanca(m_grupos->Grupos()), true);
    } else if (rs.State() != adStateOpen) {
        m_listaTrabalho->Iniciar({}, false);
    } else {
        m_listaTrabalho->Aguardar(QStringLiteral("Lendo os cadastros dos grupos..."));
        m_gruposTrabalho.LerExato(m_connectionString, rs.Dados());
    }
}
