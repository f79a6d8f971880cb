#include "main/frmPrincipal.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QTableView>
#include <QTextDocument>
#include <QVBoxLayout>

#include "data/ado/DE.h"
#include "data/base/ErroNumerado.h"
#include "data/base/ValorSeNulo.h"
#include "main/clsPacienteCriterio.h"
#include "merge/MostrarMensagem.h"
#include "merge/clsDecisaoPessoas.h"
#include "merge/clsPacienteUnificar.h"
#include "merge/clsUnificacaoHistorico.h"
#include "merge/frmCompararPacientes.h"
#include "merge/frmHistorico.h"
#include "merge/frmPacienteBase.h"
#include "merge/frmSemSolucao.h"
#include "settings/Configuracao.h"
#include "settings/clsINI.h"
#include "settings/clsIO.h"
#include "ui/Ampulheta.h"
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
    // The grid shows rsLocalizar and its current row is the record set's position; a change of
    // current cell chosen by the user runs the row event. The window's own re-binding and
    // re-query do not: they decide themselves when the list is refilled.
    m_modelo = new RecordsetModel(DE().rsLocalizar, this);
    LigarGrade(*dbGridCriterio, *m_modelo, [this] {
        if (!m_religando) {
            dbGridCriterio_RowColChange(0, 0);
        }
    });
    dbGridCriterio->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    connect(cmdBuscar, &QPushButton::clicked, this, &frmPrincipal::cmdBuscar_Click);
    connect(cmdUnificar, &QPushButton::clicked, this, &frmPrincipal::cmdUnificar_Click);
    connect(cmdSemSolucao, &QPushButton::clicked, this, &frmPrincipal::cmdSemSolucao_Click);
    connect(cmdComparar, &QPushButton::clicked, this, &frmPrincipal::cmdComparar_Click);
    connect(cmdHistorico, &QPushButton::clicked, this, &frmPrincipal::cmdHistorico_Click);
    connect(lstSemelhante, &QListWidget::currentRowChanged, this,
            [this](int) { lstSemelhante_Click(); });
    connect(lstSemelhante, &QListWidget::itemChanged, this,
            &frmPrincipal::lstSemelhante_ItemChanged);
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

    auto* centro = new QWidget(this);
    setCentralWidget(centro);

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
        auto* grade = new QGridLayout(Frame2);
        const auto caixas = caixasCriterio();
        for (int i = 0; i < int(caixas.size()); ++i) {
            grade->addWidget(caixas[i], i / 4, i % 4);
        }
        grade->addWidget(cmdBuscar, 1, 3);
    }

    Frame3 = nomeado(new QGroupBox(QStringLiteral("Resultado do agrupamento")),
                     QStringLiteral("Frame3"));
    dbGridCriterio = nomeado(new QTableView, QStringLiteral("dbGridCriterio"));
    dbGridCriterio->verticalHeader()->setDefaultSectionSize(20);
    lblCaption1 =
        nomeado(new QLabel(QStringLiteral("Itens na lista:")), QStringLiteral("lblCaption1"));
    lblItensnaLista =
        nomeado(new QLabel(QStringLiteral("100.000")), QStringLiteral("lblItensnaLista"));
    lblCaption = nomeado(new QLabel(QStringLiteral("Pacientes com dados semelhantes")),
                         QStringLiteral("lblCaption"));
    lstSemelhante = nomeado(new QListWidget, QStringLiteral("lstSemelhante"));
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
        auto* f5 = new QHBoxLayout(Frame5);
        f5->addWidget(cmdSemSolucao);
        f5->addWidget(cmdHistorico);
        f5->addStretch();
        f5->addWidget(cmdComparar);
        f5->addWidget(cmdUnificar);

        auto* contador = new QHBoxLayout;
        contador->addWidget(lblCaption1);
        contador->addWidget(lblItensnaLista);
        contador->addStretch();

        auto* esquerda = new QVBoxLayout;
        esquerda->addWidget(dbGridCriterio, 1);
        esquerda->addLayout(contador);

        auto* direita = new QVBoxLayout;
        direita->addWidget(lblCaption);
        direita->addWidget(lstSemelhante, 1);
        direita->addWidget(Frame5);

        auto* f3 = new QHBoxLayout(Frame3);
        f3->addLayout(esquerda, 3);
        f3->addLayout(direita, 2);
    }

    Frame1 = nomeado(new QGroupBox(QStringLiteral("Dados do paciente")), QStringLiteral("Frame1"));
    NvPreferSemelhante = nomeado(new ctlNvPreferDE, QStringLiteral("NvPreferSemelhante"));
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
            // As tall as its lines: the detail above takes the rest of the column.
            caixa->setFixedHeight(caixa->fontMetrics().lineSpacing() * int(texto.count('\n')) +
                                  2 * int(caixa->document()->documentMargin()) + 4);
            caixa->setReadOnly(true);
            caixa->setFrameShape(QFrame::NoFrame);
            caixa->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            caixa->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            caixa->setLineWrapMode(QPlainTextEdit::NoWrap);
            caixa->viewport()->setAutoFillBackground(false);
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

    auto* colunaEsquerda = new QVBoxLayout;
    colunaEsquerda->addWidget(Frame2);
    colunaEsquerda->addWidget(Frame3, 1);

    auto* colunaDireita = new QVBoxLayout;
    colunaDireita->addWidget(Frame1, 1);
    colunaDireita->addWidget(Frame4, 0);

    auto* raiz = new QHBoxLayout(centro);
    raiz->addLayout(colunaEsquerda, 3);
    raiz->addLayout(colunaDireita, 2);

    resize(1100, 720);
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

}  // namespace

bool frmPrincipal::Form_Load() {
    clsIO io;
    clsADO& ado = ADO();
    // The merge engine reports a table it cannot create through the program's message box.
    MostrarMensagem_Definir([](const QString& texto) { MsgBox(texto); });

    m_pastaAplicacao = comBarra(QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));
    m_pastaWindows = io.NvWindowsDir();

    const QString ini = m_pastaWindows + QStringLiteral("Tessivar.INI");
    if (!io.NvDir(ini)) {
        MsgBox(QStringLiteral("Não foi encontrado o arquivo '") + ini.toUpper() +
               QStringLiteral(".'"));
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
        MsgBox(QStringLiteral("Arquivo '") + ini.toUpper() + QStringLiteral("' incorreto."));
        return false;
    }

    // One silent retry: a server that is waking up often refuses only the first attempt.
    if (!ado.AbrirConexão(DE().Conexao, m_connectionString) &&
        !ado.AbrirConexão(DE().Conexao, m_connectionString)) {
        MsgBox(QStringLiteral("Ao abrir a conexão com o banco de dados, ocoreu o seguinte erro.") +
               CRLF + CRLF + QStringLiteral("Erro nº ") + numeroETexto(ado));
        return false;
    }

    {
        frmLogin login(this);
        MostrarModal(login);
        if (!login.LoginConfirmado) {
            return false;
        }
    }

    {
        clsPacienteUnificar unificar;
        if (!unificar.CriarTabelas()) {
            return false;
        }
        // The program's own history tables, next to the log tables they complete.
        clsUnificacaoHistorico historico(DE().Conexao, ado);
        if (!historico.CriarTabelas()) {
            return false;
        }
    }
    if (!clsDecisaoPessoas().CriarTabela()) {
        return false;
    }

    Detalhe_Configurar(*NvPreferSemelhante, m_pastaAplicacao + QStringLiteral("Paciente.pre"),
                       &DE(), QStringLiteral("ID_Paciente"), &DE().rsPaciente);
    Detalhe_Ajustar(*NvPreferSemelhante);

    LerPacienteCriterio();
    cmdBuscar_Click();

    const Recordset& rs = DE().rsLocalizar;
    if (rs.State() == adStateOpen && rs.RecordCount() > 0) {
        dbGridCriterio_RowColChange(0, 0);
    }
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
    Ampulheta ampulheta;
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
    m_criterio = ObterClassePacienteCriterio();
    const QString sql = m_criterio->ObterSQLComAgrupamento();
    if (sql.isEmpty()) {
        MsgBox(QStringLiteral("Selecione ao menos um critério"));
        return;
    }
    clsADO& ado = ADO();
    {
        // Opening the result re-binds the grid (new columns and rows) through its model.
        const QScopedValueRollback<bool> religando(m_religando, true);
        if (!ado.AbrirRecordset(DE().Conexao, DE().rsLocalizar, sql)) {
            MsgBox(QStringLiteral("Ao exibir os paciente que obedecem aos critério acima, ocoreu "
                                  "o seguinte erro:") +
                   QStringLiteral("\n\n") + numeroETexto(ado));
            return;
        }
        esvaziarLista();
    }
    lblItensNaLista_Atualizar();
    SalvarPacienteCriterio();
}

void frmPrincipal::dbGridCriterio_RowColChange(const QVariant& /*LastRow*/, qint16 /*LastCol*/) {
    const Recordset& rs = DE().rsLocalizar;
    if (rs.State() == adStateOpen && rs.RecordCount() > 0) {
        Preencher_PacienteSemelhante();
    }
}

void frmPrincipal::ReLinkarGrid() {
    Recordset& rs = DE().rsLocalizar;
    {
        const QScopedValueRollback<bool> religando(m_religando, true);
        const qint32 posicao = rs.AbsolutePosition();
        esvaziarLista();
        try {
            rs.Requery();
        } catch (const ErroNumerado&) {
            // What the record set holds now is what the grid shows; the counter tells.
        }
        // A merge may have removed groups: stay on the same row number, or the one before it.
        const auto mover = [&rs](qint32 p) {
            if (rs.State() != adStateOpen || p < 1 || p > rs.RecordCount()) {
                return false;
            }
            try {
                rs.setAbsolutePosition(p);
                return true;
            } catch (const ErroNumerado&) {
                return false;
            }
        };
        if (!mover(posicao)) {
            mover(posicao - 1);
        }
    }
    // The move is the grid's row change: it refills the similar list for the row now current.
    dbGridCriterio_RowColChange(0, 0);
    lblItensNaLista_Atualizar();
}

void frmPrincipal::lblItensNaLista_Atualizar() {
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
        lstSemelhante_Click();
        return false;
    }
    // The member query's FROM and WHERE parts, without its final blank.
    const qsizetype p = membros.indexOf(QStringLiteral(" FROM "), 0, Qt::CaseInsensitive) + 1;
    const QString sql =
        QStringLiteral(
            " SELECT Paciente.ID_Paciente, Paciente.Prontuário, Paciente.Nome + CASE WHEN "
            "Nome_Meio IS NULL THEN '' ELSE ' ' + Nome_Meio END + CASE WHEN Nome_Último IS NULL "
            "THEN '' ELSE ' ' + Nome_Último END AS Nome_Completo ") +
        QStringLiteral(" ") + membros.mid(p - 1, membros.size() - p);

    clsADO& ado = ADO();
    Recordset& rs = DE().rsSemelhante;
    if (!ado.AbrirRecordset(DE().Conexao, rs, sql)) {
        MsgBox(QStringLiteral("Ao preencher a lista de pacientes, ocorreu o seguinte erro:") +
               numeroETexto(ado));
        return false;
    }
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

void frmPrincipal::cmdSemSolucao_Click() {
    SemSolucao_MarcarLinhaAtual(*lstSemelhante, DE().rsSemelhante);
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
    CompararPacientes(this, marcados.size() >= 2 ? marcados : todos);
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
    cmdUnificar->setEnabled(false);
    if (PacienteUnificarCadastros(semelhantes)) {
        ReLinkarGrid();
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
    frmHistorico historico(DE().Conexao, ADO(), ID_UsuarioLogado, this);
    MostrarModal(historico);
    // An undo puts records back: the groups on screen may have changed.
    ReLinkarGrid();
}

void frmPrincipal::lstSemelhante_ItemChanged(QListWidgetItem* item) {
    lstSemelhante_ItemCheck(qint16(lstSemelhante->row(item)));
}
