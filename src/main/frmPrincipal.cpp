#include "main/frmPrincipal.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTableView>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "data/base/ErroNumerado.h"
#include "data/base/MensagemFalha.h"
#include "data/base/MostrarMensagem.h"
#include "data/base/ValorSeNulo.h"
#include "decisions/clsDecisaoPessoas.h"
#include "decisions/frmSemSolucao.h"
#include "history/frmHistorico.h"
#include "main/ConsultaEmSegundoPlano.h"
#include "main/ListaSemelhantes.h"
#include "main/clsPacienteCriterio.h"
#include "match/ModeloGrupos.h"
#include "merge/clsPacienteUnificar.h"
#include "merge/clsUnificacaoRegistro.h"
#include "review/frmCompararPacientes.h"
#include "review/frmPacienteBase.h"
#include "settings/Configuracao.h"
#include "settings/clsINI.h"
#include "settings/clsIO.h"
#include "ui/Acessibilidade.h"
#include "ui/Ampulheta.h"
#include "ui/DE.h"
#include "ui/Detalhe.h"
#include "ui/ListaPacientes.h"
#include "ui/MostrarModal.h"
#include "ui/MsgBox.h"
#include "ui/RecordsetModel.h"
#include "ui/ctlNvPreferDE.h"
#include "users/frmLogin.h"

namespace {

const QString CRLF = QStringLiteral("\r\n");

// The three instruction texts, line by line; each box's text ends with a line break too.
const QStringList kInstrucoes[3] = {
    {QStringLiteral("1- Selecione os dados que deseja agrupar para "),
     QStringLiteral("obter possíveis cadastros duplicados"), QString(),
     QStringLiteral("Exemplo: selecione nome, último nome e clique em "),
     QStringLiteral("Agrupar, a lista com o resultado do agrupamento "),
     QStringLiteral("será preenchida com os pacientes que tiverem "),
     QStringLiteral("nome e o último nome iguais. ")},
    {QStringLiteral("2 - Selecione um item na lista de resultado do "),
     QStringLiteral("agrupamento. A lista de pacientes semelhantes será "),
     QStringLiteral("preenchida com os pacientes que obedecem aos "),
     QStringLiteral("critérios de agrupamento."),
     QStringLiteral("Exemplo: Agrupamento nome e último nome, "),
     QStringLiteral("Resultado do agrupamento Maria Silva, na lista de "),
     QStringLiteral("pacientes semelhantes aparecerão todos os pacientes "),
     QStringLiteral("de nome Maria e último nome de Silva")},
    {QStringLiteral("3- Marque na lista de Pacientes semelhantes os "),
     QStringLiteral("cadastros que correspondem a um único paciente"), QString(),
     QStringLiteral("Clicando em Unificar, os pacientes marcados na "),
     QStringLiteral("lista de paciente semelhantes serão unificados em "),
     QStringLiteral("um mesmo cadastro.")},
};

template <typename W>
W* nomeado(W* widget, const QString& nome) {
    widget->setObjectName(nome);
    return widget;
}

}  // namespace

frmPrincipal::frmPrincipal(QWidget* parent) : QMainWindow(parent) {
    montarJanela();
    montarSemelhanca();
    // The grid shows rsLocalizar and its current row is the record set's position; a change of
    // current cell chosen by the user runs the row event. The window's own re-binding and
    // re-query do not: they decide themselves when the list is refilled.
    m_modelo = new RecordsetModel(DE().rsLocalizar, this);
    LigarGrade(*dbGridCriterio, *m_modelo, [this] {
        if (!m_religando) {
            dbGridCriterio_RowColChange(0, 0);
        }
    });
    ajustarColunas();
    m_progresso = new QTimer(this);
    m_progresso->setInterval(200);
    connect(m_progresso, &QTimer::timeout, this, &frmPrincipal::mostrarProgresso);
    connect(cmdBuscar, &QPushButton::clicked, this, &frmPrincipal::cmdBuscar_Click);
    connect(cmdUnificar, &QPushButton::clicked, this, &frmPrincipal::cmdUnificar_Click);
    connect(cmdSemSolucao, &QPushButton::clicked, this, &frmPrincipal::cmdSemSolucao_Click);
    connect(cmdComparar, &QPushButton::clicked, this, &frmPrincipal::cmdComparar_Click);
    connect(cmdHistorico, &QPushButton::clicked, this, &frmPrincipal::cmdHistorico_Click);
    connect(cmdCancelarAgrupamento, &QPushButton::clicked, this,
            &frmPrincipal::cmdCancelarAgrupamento_Click);
    connect(lstSemelhante, &QListWidget::currentRowChanged, this,
            [this](int) { lstSemelhante_Click(); });
    connect(lstSemelhante, &QListWidget::itemChanged, this,
            &frmPrincipal::lstSemelhante_ItemChanged);
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(esc, &QShortcut::activated, this, [this] {
        if (m_agrupamento == Agrupamento::Normal) {
            cmdCancelarAgrupamento_Click();
        }
    });
    ordenarTabulacao();
    NomearControles(*this);
}

frmPrincipal::~frmPrincipal() = default;

QString frmPrincipal::TextoInstrucao(int Index) {
    return kInstrucoes[Index].join(CRLF) + CRLF;
}

QString frmPrincipal::txtCaptionTexto(int Index) const {
    // The text document keeps one paragraph per line; CR LF is how the boxes hold them.
    QString texto = txtCaption[Index]->toPlainText();
    texto.replace(QLatin1Char('\n'), CRLF);
    return texto;
}

void frmPrincipal::montarJanela() {
    setObjectName(QStringLiteral("frmPrincipal"));
    setWindowTitle(QStringLiteral("Tessivar - Unificação do cadastro de Pacientes"));

    Frame2 = nomeado(new QGroupBox(QStringLiteral("Selecione os campos que deseja agrupar")),
                     QStringLiteral("Frame2"));
    chkNome = nomeado(new QCheckBox(QStringLiteral("Nome")), QStringLiteral("chkNome"));
    chkNomeMeio =
        nomeado(new QCheckBox(QStringLiteral("Nome do meio")), QStringLiteral("chkNomeMeio"));
    chkNomeUltimo =
        nomeado(new QCheckBox(QStringLiteral("Último nome")), QStringLiteral("chkNomeUltimo"));
    chkRG = nomeado(new QCheckBox(QStringLiteral("RG")), QStringLiteral("chkRG"));
    chkCIC = nomeado(new QCheckBox(QStringLiteral("CIC")), QStringLiteral("chkCIC"));
    chkNascimento =
        nomeado(new QCheckBox(QStringLiteral("Data Nascimento")), QStringLiteral("chkNascimento"));
    chkProntuario =
        nomeado(new QCheckBox(QStringLiteral("Prontuário")), QStringLiteral("chkProntuario"));
    cmdBuscar = nomeado(new QPushButton(QStringLiteral("&Agrupar")), QStringLiteral("cmdBuscar"));
    {
        // Three to a row, so the criteria leave room for the detail on a small screen.
        auto* grade = new QGridLayout(Frame2);
        const auto caixas = caixasCriterio();
        for (int i = 0; i < int(caixas.size()); ++i) {
            grade->addWidget(caixas[i], i / 3, i % 3);
        }
        grade->addWidget(cmdBuscar, 2, 2);
    }

    Frame3 = nomeado(new QGroupBox(QStringLiteral("Resultado do agrupamento")),
                     QStringLiteral("Frame3"));
    dbGridCriterio = nomeado(new QTableView, QStringLiteral("dbGridCriterio"));
    dbGridCriterio->setAccessibleName(QStringLiteral("Resultado do agrupamento"));
    dbGridCriterio->setAccessibleDescription(
        QStringLiteral("Um grupo de possíveis duplicados por linha. Tab sai da grade; "
                       "Ctrl+Tab passa de uma coluna a outra."));
    // Tab leaves the grid, as it leaves every other control; Ctrl+Tab walks the cells.
    dbGridCriterio->setTabKeyNavigation(false);
    dbGridCriterio->setWordWrap(false);
    dbGridCriterio->setTextElideMode(Qt::ElideRight);
    dbGridCriterio->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    dbGridCriterio->horizontalHeader()->setStretchLastSection(true);
    dbGridCriterio->horizontalHeader()->setSectionsClickable(true);
    dbGridCriterio->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    dbGridCriterio->installEventFilter(this);
    ajustarAlturaLinhas();
    lblCaption1 =
        nomeado(new QLabel(QStringLiteral("Itens na lista:")), QStringLiteral("lblCaption1"));
    lblItensnaLista =
        nomeado(new QLabel(QStringLiteral("100.000")), QStringLiteral("lblItensnaLista"));
    lblItensnaLista->setAccessibleName(QStringLiteral("Itens na lista"));
    lblCaption1->setBuddy(dbGridCriterio);
    cmdCancelarAgrupamento = nomeado(new QPushButton(QStringLiteral("Cancelar")),
                                     QStringLiteral("cmdCancelarAgrupamento"));
    cmdCancelarAgrupamento->setAccessibleName(QStringLiteral("Cancelar o agrupamento"));
    cmdCancelarAgrupamento->setToolTip(QStringLiteral("Interrompe o agrupamento (Esc)"));
    cmdCancelarAgrupamento->hide();
    lblCaption = nomeado(new QLabel(QStringLiteral("Pacientes com dados semelhantes")),
                         QStringLiteral("lblCaption"));
    lstSemelhante = nomeado(new QListWidget, QStringLiteral("lstSemelhante"));
    lstSemelhante->setAccessibleName(QStringLiteral("Pacientes com dados semelhantes"));
    lstSemelhante->setAccessibleDescription(
        QStringLiteral("Espaço marca ou desmarca o paciente da linha."));
    lblCaption->setBuddy(lstSemelhante);
    Frame5 = nomeado(new QFrame, QStringLiteral("Frame5"));
    Frame5->setFrameShape(QFrame::StyledPanel);
    cmdUnificar = nomeado(new QPushButton(QStringLiteral("Unificar cadastros")),
                          QStringLiteral("cmdUnificar"));
    cmdSemSolucao =
        nomeado(new QPushButton(QStringLiteral("Sem solução...")), QStringLiteral("cmdSemSolucao"));
    cmdSemSolucao->setToolTip(QStringLiteral("Marcar o paciente selecionado como sem solução"));
    cmdComparar =
        nomeado(new QPushButton(QStringLiteral("Comparar...")), QStringLiteral("cmdComparar"));
    cmdComparar->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    cmdComparar->setToolTip(
        QStringLiteral("Comparar lado a lado os cadastros marcados, ou todos "
                       "os da lista quando menos de dois estão marcados "
                       "(Ctrl+K)"));
    cmdHistorico =
        nomeado(new QPushButton(QStringLiteral("Histórico...")), QStringLiteral("cmdHistorico"));
    cmdHistorico->setToolTip(QStringLiteral("Unificações feitas e desfazer uma unificação"));
    {
        // The command row: others add their buttons before "Unificar cadastros"
        // (AdicionarBotaoComando), which stays last, at the right.
        m_linhaComandos = new QHBoxLayout(Frame5);
        m_linhaComandos->addWidget(cmdSemSolucao);
        m_linhaComandos->addWidget(cmdHistorico);
        m_linhaComandos->addStretch();
        m_linhaComandos->addWidget(cmdComparar);
        m_linhaComandos->addWidget(cmdUnificar);

        auto* contador = new QHBoxLayout;
        contador->addWidget(lblCaption1);
        contador->addWidget(lblItensnaLista);
        contador->addStretch();
        contador->addWidget(cmdCancelarAgrupamento);

        auto* painelGrade = new QWidget;
        auto* esquerda = new QVBoxLayout(painelGrade);
        esquerda->setContentsMargins(0, 0, 0, 0);
        esquerda->addWidget(dbGridCriterio, 1);
        esquerda->addLayout(contador);

        auto* painelLista = new QWidget;
        auto* direita = new QVBoxLayout(painelLista);
        direita->setContentsMargins(0, 0, 0, 0);
        direita->addWidget(lblCaption);
        direita->addWidget(lstSemelhante, 1);

        divisorResultado =
            nomeado(new QSplitter(Qt::Horizontal), QStringLiteral("divisorResultado"));
        divisorResultado->addWidget(painelGrade);
        divisorResultado->addWidget(painelLista);
        divisorResultado->setStretchFactor(0, 3);
        divisorResultado->setStretchFactor(1, 2);
        divisorResultado->setChildrenCollapsible(false);

        auto* f3 = new QVBoxLayout(Frame3);
        f3->addWidget(divisorResultado, 1);
        f3->addWidget(Frame5);
    }

    Frame1 = nomeado(new QGroupBox(QStringLiteral("Dados do paciente")), QStringLiteral("Frame1"));
    NvPreferSemelhante = nomeado(new ctlNvPreferDE, QStringLiteral("NvPreferSemelhante"));
    NvPreferSemelhante->setAccessibleName(QStringLiteral("Dados do paciente"));
    (new QVBoxLayout(Frame1))->addWidget(NvPreferSemelhante);

    Frame4 = nomeado(new QFrame, QStringLiteral("Frame4"));
    Frame4->setFrameShape(QFrame::StyledPanel);
    {
        auto* f4 = new QVBoxLayout(Frame4);
        for (int i = 0; i < 3; ++i) {
            auto* caixa = nomeado(new QPlainTextEdit, QStringLiteral("txtCaption_%1").arg(i));
            QString texto = TextoInstrucao(i);
            texto.replace(CRLF, QStringLiteral("\n"));
            caixa->setPlainText(texto);
            // At most as tall as its lines; on a small screen it gives way to the detail
            // above and scrolls.
            const int linhas = int(texto.count('\n'));
            const int margem = 2 * int(caixa->document()->documentMargin()) + 4;
            caixa->setMaximumHeight(caixa->fontMetrics().lineSpacing() * linhas + margem);
            caixa->setMinimumHeight(caixa->fontMetrics().lineSpacing() * 2 + margem);
            caixa->setReadOnly(true);
            caixa->setFocusPolicy(Qt::NoFocus);  // display only: never in the tab order
            caixa->setFrameShape(QFrame::NoFrame);
            caixa->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
            caixa->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            caixa->setLineWrapMode(QPlainTextEdit::WidgetWidth);
            caixa->viewport()->setAutoFillBackground(false);
            caixa->setAccessibleName(QStringLiteral("Instrução %1").arg(i + 1));
            caixa->installEventFilter(this);
            txtCaption[i] = caixa;
            f4->addWidget(caixa);
            if (i < 2) {
                auto* linha = nomeado(new QFrame, QStringLiteral("Line1_%1").arg(i));
                linha->setFrameShape(QFrame::HLine);
                linha->setFrameShadow(QFrame::Sunken);
                Line1[i] = linha;
                f4->addWidget(linha);
            }
        }
    }

    auto* colunaEsquerda = new QWidget;
    {
        auto* layout = new QVBoxLayout(colunaEsquerda);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(Frame2);
        layout->addWidget(Frame3, 1);
    }
    // A taller window gives its room to the detail; the instructions scroll when short.
    divisorDetalhe = nomeado(new QSplitter(Qt::Vertical), QStringLiteral("divisorDetalhe"));
    divisorDetalhe->addWidget(Frame1);
    divisorDetalhe->addWidget(Frame4);
    divisorDetalhe->setStretchFactor(0, 1);
    divisorDetalhe->setStretchFactor(1, 0);
    divisorDetalhe->setCollapsible(0, false);

    divisorPrincipal = nomeado(new QSplitter(Qt::Horizontal), QStringLiteral("divisorPrincipal"));
    divisorPrincipal->addWidget(colunaEsquerda);
    divisorPrincipal->addWidget(divisorDetalhe);
    divisorPrincipal->setStretchFactor(0, 3);
    divisorPrincipal->setStretchFactor(1, 2);
    divisorPrincipal->setChildrenCollapsible(false);

    auto* centro = new QWidget(this);
    auto* raiz = new QVBoxLayout(centro);
    raiz->addWidget(divisorPrincipal);
    setCentralWidget(centro);

    resize(1100, 720);
    caberNaTela();
}

void frmPrincipal::AdicionarBotaoComando(QPushButton* botao) {
    m_linhaComandos->insertWidget(m_linhaComandos->indexOf(cmdUnificar), botao);
    ordenarTabulacao();
    NomearControles(*this);
}

void frmPrincipal::ordenarTabulacao() {
    // grid -> list -> the command row, left to right -> the criteria -> "Agrupar" (-> Cancel).
    QList<QWidget*> cadeia{dbGridCriterio, lstSemelhante};
    const auto acrescentar = [&cadeia](QLayout* layout, QWidget* ultimo) {
        QList<QWidget*> achados;
        for (int i = 0; i < layout->count(); ++i) {
            QWidget* w = layout->itemAt(i)->widget();
            if (w && w != ultimo && (w->focusPolicy() & Qt::TabFocus)) {
                achados << w;
            }
        }
        cadeia << achados;
        if (ultimo) {
            cadeia << ultimo;
        }
    };
    acrescentar(m_linhaComandos, nullptr);
    acrescentar(Frame2->layout(), cmdBuscar);
    cadeia << cmdCancelarAgrupamento;
    for (int i = 0; i + 1 < cadeia.size(); ++i) {
        setTabOrder(cadeia[i], cadeia[i + 1]);
    }
    m_cadeiaTab = cadeia;
}

bool frmPrincipal::focusNextPrevChild(bool next) {
    // The round closes on itself (after "Agrupar" comes the grid again), whatever else the
    // window holds; controls that are hidden or held are passed over.
    const int atual = m_cadeiaTab.indexOf(focusWidget());
    if (atual < 0) {
        return QMainWindow::focusNextPrevChild(next);
    }
    const int n = int(m_cadeiaTab.size());
    for (int passo = 1; passo < n; ++passo) {
        QWidget* w = m_cadeiaTab[((atual + (next ? passo : -passo)) % n + n) % n];
        if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) {
            w->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return true;
}

void frmPrincipal::ajustarAlturaLinhas() {
    // Rows follow the font (a large font or a high-DPI screen must stay readable).
    const int altura = dbGridCriterio->fontMetrics().height() + 8;
    dbGridCriterio->verticalHeader()->setMinimumSectionSize(altura);
    dbGridCriterio->verticalHeader()->setDefaultSectionSize(altura);
}

void frmPrincipal::ajustarColunas() {
    // Each column as wide as its header and the rows in view; the administrator may widen
    // them, and the last one takes the rest of the grid.
    QHeaderView* cabecalho = dbGridCriterio->horizontalHeader();
    cabecalho->setStretchLastSection(false);
    dbGridCriterio->resizeColumnsToContents();
    cabecalho->setStretchLastSection(true);
}

void frmPrincipal::caberNaTela() {
    QScreen* tela = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!tela || isMaximized() || isFullScreen()) {
        return;
    }
    const QRect area = tela->availableGeometry();
    // The frame's decorations count too (known once shown; an estimate before).
    QSize moldura = frameGeometry().size() - geometry().size();
    if (!isVisible() || moldura.isEmpty()) {
        moldura = QSize(16, 40).boundedTo(area.size() / 10);
    }
    const QSize cabe = (area.size() - moldura).expandedTo(minimumSizeHint());
    resize(size().boundedTo(cabe));
    QRect g = frameGeometry();
    g.setSize(size() + moldura);
    if (!area.contains(g)) {
        const int x =
            std::clamp(g.x(), area.left(), std::max(area.left(), area.right() - g.width() + 1));
        const int y =
            std::clamp(g.y(), area.top(), std::max(area.top(), area.bottom() - g.height() + 1));
        move(x, y);
    }
}

namespace {
const QString kSecaoJanela = QStringLiteral("Janela");

QString chaveJanela(const char* nome) {
    // Per user: two administrators on one workstation keep their own layout.
    return QStringLiteral("%1_%2").arg(QLatin1String(nome)).arg(ID_UsuarioLogado);
}
}  // namespace

void frmPrincipal::restaurarGeometria() {
    const QString geometria =
        GetSetting(QStringLiteral("Cadunir"), kSecaoJanela, chaveJanela("Geometria"));
    if (!geometria.isEmpty()) {
        restoreGeometry(QByteArray::fromBase64(geometria.toLatin1()));
    }
    const QStringList divisores =
        GetSetting(QStringLiteral("Cadunir"), kSecaoJanela, chaveJanela("Divisores"))
            .split(QLatin1Char(','), Qt::SkipEmptyParts);
    const std::array<QSplitter*, 3> todos{divisorPrincipal, divisorResultado, divisorDetalhe};
    for (int i = 0; i < int(todos.size()) && i < divisores.size(); ++i) {
        todos[i]->restoreState(QByteArray::fromBase64(divisores[i].toLatin1()));
    }
    // Saved on a larger screen, or with another scale: it must still fit this one.
    caberNaTela();
    m_geometriaRestaurada = !geometria.isEmpty();
}

void frmPrincipal::gravarGeometria() {
    if (ID_UsuarioLogado == 0) {
        return;  // nobody logged in: nobody to remember it for
    }
    SaveSetting(QStringLiteral("Cadunir"), kSecaoJanela, chaveJanela("Geometria"),
                QString::fromLatin1(saveGeometry().toBase64()));
    QStringList divisores;
    for (QSplitter* d : {divisorPrincipal, divisorResultado, divisorDetalhe}) {
        divisores << QString::fromLatin1(d->saveState().toBase64());
    }
    SaveSetting(QStringLiteral("Cadunir"), kSecaoJanela, chaveJanela("Divisores"),
                divisores.join(QLatin1Char(',')));
}

void frmPrincipal::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    ordenarTabulacao();
    NomearControles(*this);
    caberNaTela();
    if (!m_geometriaRestaurada && !m_divisoesIniciais) {
        // First show for this user: the detail takes most of its column (its rows decide the
        // survivor), and the result column most of the width.
        m_divisoesIniciais = true;
        const int largura = divisorPrincipal->width();
        divisorPrincipal->setSizes({largura * 3 / 5, largura - largura * 3 / 5});
        const int altura = divisorDetalhe->height();
        divisorDetalhe->setSizes({altura * 3 / 5, altura - altura * 3 / 5});
    }
}

void frmPrincipal::closeEvent(QCloseEvent* event) {
    gravarGeometria();
    if (m_consulta) {
        m_consulta->Cancelar();
    }
    QMainWindow::closeEvent(event);
}

std::array<QCheckBox*, 7> frmPrincipal::caixasCriterio() const {
    return {chkNome, chkNomeMeio, chkNomeUltimo, chkRG, chkCIC, chkNascimento, chkProntuario};
}

bool frmPrincipal::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        for (int i = 0; i < 3; ++i) {
            if (watched == txtCaption[i]) {
                txtCaption_GotFocus(i);
                break;
            }
        }
    }
    if (watched == dbGridCriterio) {
        if (event->type() == QEvent::FontChange) {
            ajustarAlturaLinhas();
        } else if (event->type() == QEvent::KeyPress) {
            auto* tecla = static_cast<QKeyEvent*>(event);
            const bool tab = tecla->key() == Qt::Key_Tab || tecla->key() == Qt::Key_Backtab;
            if (tab && (tecla->modifiers() & Qt::ControlModifier)) {
                // Ctrl+Tab inside the grid: the next (Shift: previous) cell, row by row.
                const bool volta =
                    tecla->key() == Qt::Key_Backtab || (tecla->modifiers() & Qt::ShiftModifier);
                const QModelIndex atual = dbGridCriterio->currentIndex();
                const int colunas = m_modelo->columnCount();
                const int linhas = m_modelo->rowCount();
                if (colunas > 0 && linhas > 0) {
                    int celula = atual.isValid() ? atual.row() * colunas + atual.column() : -1;
                    celula = std::clamp(celula + (volta ? -1 : 1), 0, linhas * colunas - 1);
                    dbGridCriterio->setCurrentIndex(
                        m_modelo->index(celula / colunas, celula % colunas));
                }
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmPrincipal::txtCaption_GotFocus(int /*Index*/) {
    // The instructions are display-only: the window takes the focus back.
    setFocus(Qt::OtherFocusReason);
}

// ---------------------------------------------------------------------------------------------
// Start-up

namespace {

QString comBarra(const QString& pasta) {
    const QString barra = QDir::separator();
    return pasta.endsWith(barra) ? pasta : pasta + barra;
}

QString numeroETexto(clsADO& ado) {
    return QString::number(ado.ErrorNumber()) + QStringLiteral(" - ") + ado.ErrorString();
}

// What a failure's short text leaves out: the driver's or the engine's own words, and where
// the diagnostics log keeps the whole story.
QString detalheEDiagnostico(const QString& detalhe) {
    return dados::DetalheEDiagnostico(detalhe, CRLF);
}

// The INI messages name the path in upper case, as Windows shows it; where file names are
// case-sensitive that path does not exist, so the real one follows.
QString caminhoReal(const QString& caminho) {
    if (caminho.toUpper() == caminho) {
        return QString();
    }
    return CRLF + CRLF + QStringLiteral("Caminho: ") + QDir::toNativeSeparators(caminho);
}

}  // namespace

bool frmPrincipal::Form_Load() {
    clsIO io;
    clsADO& ado = ADO();
    // The merge engine reports a table it cannot create through the program's message box.
    MostrarMensagem_Definir([](const QString& texto) { MsgBox(texto); });
    // Nothing is grouped yet: the counter tells so until the first result arrives.
    lblItensnaLista->setText(QLocale().toString(0));

    m_pastaAplicacao = comBarra(QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));
    m_pastaWindows = io.NvWindowsDir();

    const QString ini = m_pastaWindows + QStringLiteral("Tessivar.INI");
    if (!io.NvDir(ini)) {
        MsgBox(QStringLiteral("Não foi encontrado o arquivo '") + ini.toUpper() +
               QStringLiteral(".'") + caminhoReal(ini));
        return false;
    }
    bool lido = false;
    try {
        lido = Ler_INI(ini);
    } catch (const ErroNumerado&) {
        // An INI that cannot be read is as useless as one without the key.
        lido = false;
    }
    if (!lido) {
        MsgBox(QStringLiteral("Arquivo '") + ini.toUpper() + QStringLiteral("' incorreto.") +
               caminhoReal(ini));
        return false;
    }

    // One silent retry: a server that is waking up often refuses only the first attempt.
    if (!ado.AbrirConexão(DE().Conexao, m_connectionString) &&
        !ado.AbrirConexão(DE().Conexao, m_connectionString)) {
        MsgBox(QStringLiteral("Ao abrir a conexão com o banco de dados, ocoreu o seguinte erro.") +
               CRLF + CRLF + QStringLiteral("Erro nº ") + numeroETexto(ado) +
               detalheEDiagnostico(ado.DetalheDoErro()));
        return false;
    }

    {
        frmLogin login(this);
        MostrarModal(login);
        if (!login.LoginConfirmado) {
            return false;
        }
    }
    restaurarGeometria();

    {
        clsPacienteUnificar unificar(DE().Conexao, ado);
        if (!unificar.CriarTabelas()) {
            return false;
        }
        // The program's own history tables, next to the log tables they complete.
        clsUnificacaoRegistro registro(DE().Conexao, ado);
        if (!registro.CriarTabelas()) {
            return false;
        }
    }
    if (!clsDecisaoPessoas(DE().Conexao, ado).CriarTabela()) {
        return false;
    }

    Detalhe_Configurar(*NvPreferSemelhante, m_pastaAplicacao + QStringLiteral("Paciente.pre"),
                       &DE(), QStringLiteral("ID_Paciente"), &DE().rsPaciente);
    Detalhe_Ajustar(*NvPreferSemelhante);

    LerPacienteCriterio();
    // The grouping runs on its own connection; the window opens at once and the first result
    // arrives when it is ready, with the row change that fills the list (agrupamentoTerminou).
    cmdBuscar_Click();
    return true;
}

bool frmPrincipal::Ler_INI(const QString& fFullPathINI) {
    clsINI ini;
    ini.setFullPathINI(fFullPathINI);
    m_connectionString =
        ini.GetValorTexto(QStringLiteral("Tessivar"), QStringLiteral("CONN_SERVER"), QString());
    return !m_connectionString.isEmpty();
}

// ---------------------------------------------------------------------------------------------
// Grouping and the result grid

namespace {

const QString& kAplicacao = kAplicacaoCadunir;
const QString kSecaoCriterios = QStringLiteral("Criterios");

struct ChaveCriterio {
    const char* chave;
    int padrao;
};
// Same order as caixasCriterio(); a first run groups on the three names.
constexpr ChaveCriterio kChaves[7] = {{"Nome", 1}, {"NomeMeio", 1},   {"NomeUltimo", 1}, {"RG", 0},
                                      {"CIC", 0},  {"Nascimento", 0}, {"Prontuario", 0}};

// The stored states are 0 unticked, 1 ticked, 2 greyed.
int estadoGravado(Qt::CheckState estado) {
    switch (estado) {
        case Qt::Checked:
            return 1;
        case Qt::PartiallyChecked:
            return 2;
        default:
            return 0;
    }
}

Qt::CheckState estadoDaCaixa(int gravado) {
    return gravado == 1 ? Qt::Checked : gravado == 2 ? Qt::PartiallyChecked : Qt::Unchecked;
}

}  // namespace

void frmPrincipal::cmdBuscar_Click() {
    // No hourglass: the window stays live and shows the grouping's progress instead.
    if (chkSemelhanca && chkSemelhanca->isChecked()) {
        Preencher_GridSemelhanca();
        return;
    }
    Preencher_GridCriterio();
}

std::unique_ptr<clsPacienteCriterio> frmPrincipal::ObterClassePacienteCriterio() {
    auto criterio = std::make_unique<clsPacienteCriterio>();
    const auto marcado = [](QCheckBox* caixa) { return caixa->checkState() != Qt::Unchecked; };
    criterio->Nome().setObrigatório(marcado(chkNome));
    criterio->Nome_Meio().setObrigatório(marcado(chkNomeMeio));
    criterio->Nome_Último().setObrigatório(marcado(chkNomeUltimo));
    criterio->RG().setObrigatório(marcado(chkRG));
    criterio->CIC().setObrigatório(marcado(chkCIC));
    criterio->Data_Nascimento().setObrigatório(marcado(chkNascimento));
    criterio->Prontuário().setObrigatório(marcado(chkProntuario));
    criterio->setMasQueUmaOcorrencia(true);
    return criterio;
}

void frmPrincipal::Preencher_GridCriterio() {
    auto novo = ObterClassePacienteCriterio();
    const QString sql = novo->ObterSQLComAgrupamento();
    // The criteria of the result on screen come back if this grouping is cancelled.
    if (m_agrupamento != Agrupamento::Normal) {
        m_criterioAnterior = std::move(m_criterio);
    }
    m_criterio = std::move(novo);
    if (sql.isEmpty()) {
        MsgBox(QStringLiteral("Selecione ao menos um critério"));
        return;
    }
    iniciarAgrupamento(sql, Agrupamento::Normal);
}

bool frmPrincipal::Agrupando() const {
    return m_agrupamento != Agrupamento::Nenhum;
}

bool frmPrincipal::AguardarAgrupamento(int limiteMs) {
    QElapsedTimer espera;
    espera.start();
    while (Agrupando() && espera.elapsed() < limiteMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    }
    return !Agrupando();
}

ConsultaEmSegundoPlano& frmPrincipal::consulta() {
    if (!m_consulta) {
        const QString cs =
            m_connectionString.isEmpty() ? DE().Conexao.ConnectionString() : m_connectionString;
        m_consulta = std::make_unique<ConsultaEmSegundoPlano>(cs);
        connect(m_consulta.get(), &ConsultaEmSegundoPlano::terminou, this,
                &frmPrincipal::agrupamentoTerminou);
    }
    return *m_consulta;
}

void frmPrincipal::iniciarAgrupamento(const QString& sql, Agrupamento tipo) {
    consulta().Iniciar(sql);
    iniciarEspera(tipo);
}

void frmPrincipal::iniciarEspera(Agrupamento tipo) {
    // A grouping started while another held the window keeps the hold and its clock.
    const bool segurando =
        m_agrupamento == Agrupamento::Normal || m_agrupamento == Agrupamento::Semelhanca;
    m_agrupamento = tipo;
    if (tipo != Agrupamento::AposUnificar && !segurando) {
        m_contadorAntes = lblItensnaLista->text();
        m_relogio.start();
        segurarEntrada(true);
        mostrarProgresso();
        m_progresso->start();
    }
}

void frmPrincipal::segurarEntrada(bool segurar) {
    // While a grouping runs, what it will replace takes no input: clicks and keys on these
    // controls are dropped, so nothing is replayed on the new result. Cancel stays live.
    if (segurar) {
        m_focoAntes = QApplication::focusWidget();
    }
    for (QWidget* w : {static_cast<QWidget*>(Frame2), static_cast<QWidget*>(dbGridCriterio),
                       static_cast<QWidget*>(lstSemelhante), static_cast<QWidget*>(Frame5)}) {
        w->setEnabled(!segurar);
    }
    cmdCancelarAgrupamento->setVisible(segurar);
    cmdCancelarAgrupamento->setEnabled(segurar);
    dbGridCriterio->viewport()->setCursor(segurar ? Qt::BusyCursor : Qt::ArrowCursor);
    if (segurar) {
        if (isActiveWindow()) {
            cmdCancelarAgrupamento->setFocus(Qt::OtherFocusReason);
        }
    } else if (isActiveWindow()) {
        QWidget* foco = m_focoAntes && isAncestorOf(m_focoAntes) && m_focoAntes->isEnabled()
                            ? m_focoAntes.data()
                            : dbGridCriterio;
        foco->setFocus(Qt::OtherFocusReason);
    }
}

void frmPrincipal::mostrarProgresso() {
    lblItensnaLista->setText(
        QStringLiteral("Agrupando... %1 s")
            .arg(QLocale().toString(double(m_relogio.elapsed()) / 1000.0, 'f', 1)) +
        etapaSemelhanca());
}

void frmPrincipal::cmdCancelarAgrupamento_Click() {
    if (m_consulta &&
        (m_agrupamento == Agrupamento::Normal || m_agrupamento == Agrupamento::Semelhanca)) {
        m_consulta->Cancelar();
    }
}

void frmPrincipal::esvaziarTela() {
    // Nothing of the result that failed stays on screen, and nothing of it can be merged.
    {
        const QScopedValueRollback<bool> religando(m_religando, true);
        Recordset& rs = DE().rsLocalizar;
        if (rs.State() == adStateOpen) {
            rs.Close();
        }
    }
    esvaziarLista();
    m_sqlLista.clear();
    Detalhe_Limpar(*NvPreferSemelhante);
    lblItensnaLista->setText(QLocale().toString(0));
}

void frmPrincipal::agrupamentoTerminou() {
    const Agrupamento tipo = std::exchange(m_agrupamento, Agrupamento::Nenhum);
    if (tipo == Agrupamento::AposUnificar) {
        reagrupamentoChegou();
        emit agrupamentoConcluido();
        return;
    }
    if (tipo == Agrupamento::Semelhanca) {
        semelhancaChegou();
        emit agrupamentoConcluido();
        return;
    }
    m_progresso->stop();
    ConsultaEmSegundoPlano::Desfecho& r = m_consulta->Resultado();
    if (r.cancelada) {
        // The previous result, its counter and its criteria stay as they were.
        lblItensnaLista->setText(m_contadorAntes);
        if (m_criterioAnterior) {
            m_criterio = std::move(m_criterioAnterior);
        }
        segurarEntrada(false);
        emit agrupamentoConcluido();
        return;
    }
    m_criterioAnterior.reset();
    if (!r.ok) {
        lblItensnaLista->setText(m_contadorAntes);
        segurarEntrada(false);
        MsgBox(QStringLiteral("Ao exibir os paciente que obedecem aos critério acima, ocoreu "
                              "o seguinte erro:") +
               QStringLiteral("\n\n") + QString::number(r.numero) + QStringLiteral(" - ") +
               r.texto + detalheEDiagnostico(r.detalhe));
        esvaziarTela();
        emit agrupamentoConcluido();
        return;
    }
    {
        // Taking the result in re-binds the grid (new columns and rows) through its model.
        const QScopedValueRollback<bool> religando(m_religando, true);
        DE().rsLocalizar.Adotar(DE().Conexao, r.sql, std::move(r.dados));
        r.dados = {};
        sairSemelhanca();
        esvaziarLista();
        ajustarColunas();
    }
    lblItensNaLista_Atualizar();
    SalvarPacienteCriterio();
    segurarEntrada(false);
    // The first row is current: the list and the detail show its group at once (the start-up's
    // row change, and after every grouping, so they never show a patient of another result).
    if (m_modelo->rowCount() > 0) {
        moverParaLinhaVista(0);
        dbGridCriterio_RowColChange(0, 0);
    } else {
        m_sqlLista.clear();
        Detalhe_Limpar(*NvPreferSemelhante);
    }
    emit agrupamentoConcluido();
}

void frmPrincipal::moverParaLinhaVista(int linha) {
    const QScopedValueRollback<bool> religando(m_religando, true);
    const int registro = m_modelo->LinhaDoRegistro(linha);
    if (registro < 0) {
        return;
    }
    try {
        DE().rsLocalizar.setAbsolutePosition(registro + 1);
    } catch (const ErroNumerado&) {
        // The row is there (the model said so); a refusal leaves the position as it was.
    }
}

void frmPrincipal::dbGridCriterio_RowColChange(const QVariant& /*LastRow*/, qint16 /*LastCol*/) {
    const Recordset& rs = DE().rsLocalizar;
    if (rs.State() == adStateOpen && rs.RecordCount() > 0) {
        Preencher_PacienteSemelhante();
    }
}

QVariantList frmPrincipal::valoresDaLinha(int linhaRegistro) const {
    const Recordset& rs = DE().rsLocalizar;
    if (rs.State() != adStateOpen || linhaRegistro < 0 || linhaRegistro >= rs.RecordCount()) {
        return {};
    }
    const auto& linha = rs.Dados().linhas[linhaRegistro];
    return QVariantList(linha.begin(), linha.end());
}

bool frmPrincipal::tirarGrupoAtual() {
    Recordset& rs = DE().rsLocalizar;
    const qint32 posicao = rs.State() == adStateOpen ? rs.AbsolutePosition() : 0;
    if (posicao < 1 || posicao > rs.RecordCount()) {
        return false;
    }
    dados::DadosConsulta restante = rs.Dados();
    restante.linhas.removeAt(posicao - 1);
    const QScopedValueRollback<bool> religando(m_religando, true);
    rs.Adotar(DE().Conexao, rs.Source(), std::move(restante));
    return true;
}

void frmPrincipal::ReLinkarGrid() {
    if (m_modoSemelhanca) {
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
            const int linhas = m_modelo->rowCount();
            if (linhas > 0) {
                // The same position, or the one before it when the last row went.
                moverParaLinhaVista(std::min(linha, linhas - 1));
                dbGridCriterio_RowColChange(0, 0);
            } else {
                esvaziarLista();
                m_sqlLista.clear();
                Detalhe_Limpar(*NvPreferSemelhante);
            }
        }
    }
    lblItensNaLista_Atualizar();
    if (rs.State() == adStateOpen && !rs.Source().isEmpty()) {
        iniciarAgrupamento(rs.Source(), Agrupamento::AposUnificar);
    }
}

void frmPrincipal::reagrupamentoChegou() {
    ConsultaEmSegundoPlano::Desfecho& r = m_consulta->Resultado();
    Recordset& rs = DE().rsLocalizar;
    if (!r.ok || rs.State() != adStateOpen || r.sql != rs.Source()) {
        return;  // cancelled or failed: the result on screen already tells the merge
    }
    // The administrator may have moved on since the merge: the current group stays current
    // and its list (with its ticks) untouched when it is still a group.
    const int linha = m_modelo->LinhaAtual();
    const QVariantList atual =
        linha >= 0 ? valoresDaLinha(m_modelo->LinhaDoRegistro(linha)) : QVariantList();
    int achado = -1;
    if (!atual.isEmpty()) {
        for (int i = 0; i < r.dados.linhas.size(); ++i) {
            const auto& l = r.dados.linhas[i];
            if (QVariantList(l.begin(), l.end()) == atual) {
                achado = i;
                break;
            }
        }
    }
    {
        const QScopedValueRollback<bool> religando(m_religando, true);
        rs.Adotar(DE().Conexao, r.sql, std::move(r.dados));
        r.dados = {};
        if (achado >= 0) {
            rs.setAbsolutePosition(achado + 1);
        }
    }
    if (achado < 0) {
        const int linhas = m_modelo->rowCount();
        if (linhas > 0) {
            moverParaLinhaVista(std::clamp(linha, 0, linhas - 1));
            dbGridCriterio_RowColChange(0, 0);
        } else {
            esvaziarLista();
            m_sqlLista.clear();
            Detalhe_Limpar(*NvPreferSemelhante);
        }
    }
    lblItensNaLista_Atualizar();
}

void frmPrincipal::lblItensNaLista_Atualizar() {
    if (m_modoSemelhanca) {
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
    // Each write rewrites the settings file; a key that already holds the state is left alone.
    const auto caixas = caixasCriterio();
    for (int i = 0; i < 7; ++i) {
        const int estado = estadoGravado(caixas[i]->checkState());
        if (estado != m_ticksGravados[i] &&
            SaveSetting(kAplicacao, kSecaoCriterios, QString::fromLatin1(kChaves[i].chave),
                        QString::number(estado))) {
            m_ticksGravados[i] = estado;
        }
    }
}

void frmPrincipal::LerPacienteCriterio() {
    const auto caixas = caixasCriterio();
    for (int i = 0; i < 7; ++i) {
        const QString lido =
            GetSetting(kAplicacao, kSecaoCriterios, QString::fromLatin1(kChaves[i].chave));
        bool ok = false;
        const int estado = lido.trimmed().toInt(&ok);
        // A missing key takes its default; the program writes only 0, 1 and 2, so anything
        // else is a damaged setting and is treated as missing.
        const bool valido = ok && estado >= 0 && estado <= 2;
        m_ticksGravados[i] = valido ? estado : -1;
        caixas[i]->setCheckState(estadoDaCaixa(valido ? estado : kChaves[i].padrao));
    }
}

// ---------------------------------------------------------------------------------------------
// Similar-patient list and detail

clsPacienteCriterio& frmPrincipal::ObterClassePaciente() {
    if (!m_criterio) {
        m_criterio = std::make_unique<clsPacienteCriterio>();
    }
    Recordset& rs = DE().rsLocalizar;
    clsPacienteCriterio& c = *m_criterio;
    const std::pair<QString, clsString*> colunas[] = {
        {QStringLiteral("NOME"), &c.Nome()},
        {QStringLiteral("NOME_MEIO"), &c.Nome_Meio()},
        {QStringLiteral("NOME_ÚLTIMO"), &c.Nome_Último()},
        {QStringLiteral("RG"), &c.RG()},
        {QStringLiteral("CIC"), &c.CIC()},
        {QStringLiteral("PRONTUÁRIO"), &c.Prontuário()},
        {QStringLiteral("DATA_NASCIMENTO"), &c.Data_Nascimento()},
    };
    for (int i = 0; i < rs.FieldCount(); ++i) {
        const QString nome = rs.Fields(i).Name().toUpper();
        for (const auto& [coluna, criterio] : colunas) {
            if (nome == coluna) {
                criterio->setValor(TextoDoValor(rs.Fields(i).Value()));
                break;
            }
        }
    }
    return c;
}

bool frmPrincipal::Preencher_PacienteSemelhante() {
    const QString membros = ObterClassePaciente().ObterSQLSemAgrupamento();
    if (membros.isEmpty()) {
        esvaziarLista();
        m_sqlLista.clear();
        lstSemelhante_Click();
        return false;
    }
    const QString sql = ListaSemelhantes_SQL(membros);
    clsADO& ado = ADO();
    Recordset& rs = DE().rsSemelhante;
    if (!ListaSemelhantes_Abrir(DE().Conexao, ado, rs, sql)) {
        MsgBox(QStringLiteral("Ao preencher a lista de pacientes, ocorreu o seguinte erro:") +
               numeroETexto(ado) + detalheEDiagnostico(ado.DetalheDoErro()));
        // The rows of the previous group must not stay on screen, mergeable, under this one.
        esvaziarLista();
        m_sqlLista.clear();
        Detalhe_Limpar(*NvPreferSemelhante);
        return false;
    }
    m_sqlLista = sql;
    {
        const QSignalBlocker bloqueio(lstSemelhante);
        lstSemelhante->clear();
        m_marcadorLista.clear();
        PreencherListaPacientes(*lstSemelhante, rs);
        SemSolucao_MostrarMarcas(*lstSemelhante);
        Decisao_MostrarMarcas(*lstSemelhante);
        if (lstSemelhante->count() > 0) {
            lstSemelhante->setCurrentRow(0);
        }
    }
    lstSemelhante_Click();
    return true;
}

void frmPrincipal::esvaziarLista() {
    // Emptying the list is not a click: the detail keeps what it shows until the next fill.
    const QSignalBlocker bloqueio(lstSemelhante);
    lstSemelhante->clear();
}

void frmPrincipal::lstSemelhante_Click() {
    MostrarPacienteDaLinha(*lstSemelhante, *NvPreferSemelhante);
}

void frmPrincipal::lstSemelhante_ItemCheck(qint16 /*Item*/) {
    // Ticks are free. The one rule this list knows (a row standing for the patient found in the
    // integration database may not be unticked) needs a marker that nothing here ever sets.
}

bool frmPrincipal::PacientesSemelhantes_ObterSelecionados(QStringList& fArPacientes) {
    int marcados = 0;
    for (int i = 0; i < lstSemelhante->count(); ++i) {
        const QListWidgetItem* item = lstSemelhante->item(i);
        if (item->checkState() != Qt::Checked) {
            continue;
        }
        // ReDim Preserve to hold this tick: the caller's first element takes the first one.
        if (fArPacientes.size() < marcados + 1) {
            fArPacientes.resize(marcados + 1);
        }
        fArPacientes[marcados] = QString::number(item->data(Qt::UserRole).toInt());
        ++marcados;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Unify command

bool frmPrincipal::pararReagrupamento() {
    // The quiet re-grouping reads on its own connection; a write of this window must not wait
    // for it (nor the register be locked under it), so it stops first.
    if (m_agrupamento != Agrupamento::AposUnificar) {
        return false;
    }
    m_consulta->Cancelar();
    AguardarAgrupamento();
    return true;
}

void frmPrincipal::cmdSemSolucao_Click() {
    // The chooser fills rsSemelhante with its own rows; the list's rows come back first, so
    // the dialog gets this patient's record number.
    Recordset& rs = DE().rsSemelhante;
    if (!m_sqlLista.isEmpty() && (rs.State() != adStateOpen || rs.Source() != m_sqlLista)) {
        ListaSemelhantes_Abrir(DE().Conexao, ADO(), rs, m_sqlLista);
    }
    const bool reagrupava = pararReagrupamento();
    SemSolucao_MarcarLinhaAtual(*lstSemelhante, rs);
    if (reagrupava) {
        iniciarAgrupamento(DE().rsLocalizar.Source(), Agrupamento::AposUnificar);
    }
}

void frmPrincipal::cmdComparar_Click() {
    QList<qint32> marcados;
    QList<qint32> todos;
    for (int i = 0; i < lstSemelhante->count(); ++i) {
        const QListWidgetItem* item = lstSemelhante->item(i);
        todos << item->data(Qt::UserRole).toInt();
        if (item->checkState() == Qt::Checked) {
            marcados << todos.last();
        }
    }
    // A decision recorded in the comparison is a write: the quiet re-grouping steps aside.
    const bool reagrupava = pararReagrupamento();
    CompararPacientes(this, marcados.size() >= 2 ? marcados : todos);
    if (reagrupava) {
        iniciarAgrupamento(DE().rsLocalizar.Source(), Agrupamento::AposUnificar);
    }
    // Decisions may have been recorded or removed: the list's marks follow.
    const QSignalBlocker bloqueio(lstSemelhante);
    SemSolucao_MostrarMarcas(*lstSemelhante);
    Decisao_MostrarMarcas(*lstSemelhante);
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
    const bool reagrupava = pararReagrupamento();
    cmdUnificar->setEnabled(false);
    if (PacienteUnificarCadastros(semelhantes)) {
        ReLinkarGrid();
    } else if (reagrupava) {
        iniciarAgrupamento(DE().rsLocalizar.Source(), Agrupamento::AposUnificar);
    }
    cmdUnificar->setEnabled(true);
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

void frmPrincipal::cmdHistorico_Click() {
    pararReagrupamento();  // an undo writes; ReLinkarGrid below groups again anyway
    frmHistorico historico(DE().Conexao, ADO(), ID_UsuarioLogado, this);
    MostrarModal(historico);
    // An undo puts records back: the groups on screen may have changed.
    ReLinkarGrid();
}

void frmPrincipal::lstSemelhante_ItemChanged(QListWidgetItem* item) {
    lstSemelhante_ItemCheck(qint16(lstSemelhante->row(item)));
}
