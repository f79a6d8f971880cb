#include "worklist/frmListaTrabalho.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QShortcut>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "decisions/clsDecisaoPessoas.h"
#include "decisions/frmSemSolucao.h"
#include "review/clsUnificacao.h"
#include "review/frmCompararPacientes.h"
#include "ui/Ampulheta.h"
#include "ui/AvisoCadastro.h"
#include "ui/ColunasLembradas.h"
#include "ui/FiltroGrade.h"
#include "ui/MostrarModal.h"
#include "ui/MsgBox.h"
#include "worklist/ModeloListaTrabalho.h"
#include "worklist/frmMotivoDecisao.h"
#include "worklist/frmUnificarLote.h"

namespace {

template <class T>
T* Nomeado(T* w, const char* nome) {
    w->setObjectName(QString::fromUtf8(nome));
    return w;
}

QString Contagem(int n, const char* singular, const char* plural) {
    return QLocale().toString(n) + QLatin1Char(' ') + QString::fromUtf8(n == 1 ? singular : plural);
}

}  // namespace

frmListaTrabalho::frmListaTrabalho(Connection& fCN, clsADO& fADO, qint32 fID_Usuario,
                                   QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_cn(fCN),
      m_ado(fADO),
      m_usuario(fID_Usuario),
      m_lista(std::make_unique<ListaTrabalho>(fCN, fADO, fID_Usuario)),
      m_grupo(std::make_unique<GrupoAberto>(fCN, fADO)) {
    setObjectName(QStringLiteral("frmListaTrabalho"));
    setWindowTitle(QStringLiteral("Lista de trabalho"));
    m_modelo = new ModeloListaTrabalho(*m_lista, this);
    m_filtro = new FiltroListaTrabalho(*m_lista, this);
    m_filtro->setSourceModel(m_modelo);
    montar();
    m_relogio = new QTimer(this);
    m_relogio->setInterval(kAtualizarMs);
    connect(m_relogio, &QTimer::timeout, this, &frmListaTrabalho::cmdAtualizar_Click);
}

frmListaTrabalho::~frmListaTrabalho() = default;

void frmListaTrabalho::montar() {
    lblProgresso = Nomeado(new QLabel(this), "lblProgresso");

    auto* fraFiltros = Nomeado(new QGroupBox(QStringLiteral("Mostrar"), this), "fraFiltros");
    chkPendente = Nomeado(new QCheckBox(QStringLiteral("pendentes"), fraFiltros), "chkPendente");
    chkAdiado = Nomeado(new QCheckBox(QStringLiteral("adiados"), fraFiltros), "chkAdiado");
    chkUnificado = Nomeado(new QCheckBox(QStringLiteral("unificados"), fraFiltros), "chkUnificado");
    chkNaoMesmaPessoa = Nomeado(new QCheckBox(QStringLiteral("não são a mesma pessoa"), fraFiltros),
                                "chkNaoMesmaPessoa");
    chkSemSolucao =
        Nomeado(new QCheckBox(QStringLiteral("sem solução"), fraFiltros), "chkSemSolucao");
    chkSinal =
        Nomeado(new QCheckBox(QStringLiteral("só com sinal de pessoas diferentes"), fraFiltros),
                "chkSinal");
    chkPendente->setChecked(true);
    chkAdiado->setChecked(true);
    const auto faixa = [fraFiltros](const char* nome, int minimo, int maximo, int valor,
                                    const QString& especial) {
        auto* s = Nomeado(new QSpinBox(fraFiltros), nome);
        s->setRange(minimo, maximo);
        s->setValue(valor);
        s->setSpecialValueText(especial);
        return s;
    };
    spnPontuacaoMinima = faixa("spnPontuacaoMinima", 0, 100, 0, QString());
    spnPontuacaoMaxima = faixa("spnPontuacaoMaxima", 0, 100, 100, QString());
    spnTamanhoMinimo = faixa("spnTamanhoMinimo", 2, 9999, 2, QString());
    spnTamanhoMaximo = faixa("spnTamanhoMaximo", 1, 9999, 1, QStringLiteral("qualquer"));
    spnPontuacaoMinima->setAccessibleName(QStringLiteral("Pontuação mínima"));
    spnPontuacaoMaxima->setAccessibleName(QStringLiteral("Pontuação máxima"));
    spnTamanhoMinimo->setAccessibleName(QStringLiteral("Cadastros no grupo, no mínimo"));
    spnTamanhoMaximo->setAccessibleName(QStringLiteral("Cadastros no grupo, no máximo"));
    auto* filtros = new QGridLayout(fraFiltros);
    int coluna = 0;
    for (QCheckBox* c : {chkPendente, chkAdiado, chkUnificado, chkNaoMesmaPessoa, chkSemSolucao}) {
        filtros->addWidget(c, 0, coluna++);
    }
    filtros->addWidget(chkSinal, 0, coluna);
    filtros->addWidget(new QLabel(QStringLiteral("Pontuação de"), fraFiltros), 1, 0);
    filtros->addWidget(spnPontuacaoMinima, 1, 1);
    filtros->addWidget(new QLabel(QStringLiteral("a"), fraFiltros), 1, 2, Qt::AlignCenter);
    filtros->addWidget(spnPontuacaoMaxima, 1, 3);
    filtros->addWidget(new QLabel(QStringLiteral("Cadastros de"), fraFiltros), 1, 4);
    filtros->addWidget(spnTamanhoMinimo, 1, 5);
    filtros->addWidget(new QLabel(QStringLiteral("a"), fraFiltros), 1, 6, Qt::AlignCenter);
    filtros->addWidget(spnTamanhoMaximo, 1, 7);
    for (QCheckBox* c :
         {chkPendente, chkAdiado, chkUnificado, chkNaoMesmaPessoa, chkSemSolucao, chkSinal}) {
        connect(c, &QCheckBox::toggled, this, &frmListaTrabalho::aplicarFiltro);
    }
    for (QSpinBox* s :
         {spnPontuacaoMinima, spnPontuacaoMaxima, spnTamanhoMinimo, spnTamanhoMaximo}) {
        connect(s, &QSpinBox::valueChanged, this, &frmListaTrabalho::aplicarFiltro);
    }

    tblGrupos = Nomeado(new QTableView(this), "tblGrupos");
    tblGrupos->setModel(m_filtro);
    tblGrupos->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblGrupos->setSelectionMode(QAbstractItemView::SingleSelection);
    tblGrupos->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblGrupos->setSortingEnabled(true);
    tblGrupos->sortByColumn(-1, Qt::AscendingOrder);  // the grouping's own order
    tblGrupos->verticalHeader()->hide();
    tblGrupos->verticalHeader()->setDefaultSectionSize(tblGrupos->fontMetrics().height() + 6);
    tblGrupos->setAccessibleName(QStringLiteral("Grupos"));
    // The scores' column shows only for a grouping by similarity: each mode has its widths.
    m_colunasGrupos = ColunasLembradas::Acompanhar(
        *tblGrupos,
        [this] {
            return m_semelhanca ? QStringLiteral("frmListaTrabalho/grupos/semelhanca")
                                : QStringLiteral("frmListaTrabalho/grupos");
        },
        ModeloListaTrabalho::ColGrupo);
    connect(tblGrupos->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &frmListaTrabalho::linhaEscolhida);

    tblMembros = Nomeado(new QTableWidget(0, 6, this), "tblMembros");
    tblMembros->setHorizontalHeaderLabels({QString(), QStringLiteral("Nome"), QStringLiteral("ID"),
                                           QStringLiteral("Nascimento"), QStringLiteral("RG"),
                                           QStringLiteral("Pontuação")});
    tblMembros->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblMembros->setSelectionMode(QAbstractItemView::SingleSelection);
    tblMembros->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblMembros->verticalHeader()->hide();
    tblMembros->setAccessibleName(QStringLiteral("Cadastros do grupo"));
    m_colunasMembros = ColunasLembradas::Acompanhar(
        *tblMembros, [] { return QStringLiteral("frmListaTrabalho/cadastros"); }, 1);
    lblSinais = Nomeado(new QLabel(this), "lblSinais");
    lblSinais->setWordWrap(true);
    lblResultado = Nomeado(new QLabel(this), "lblResultado");
    lblResultado->setWordWrap(true);
    lblResultado->setTextInteractionFlags(Qt::TextSelectableByMouse);

    const auto botao = [this](const char* nome, const QString& texto, const QKeySequence& tecla,
                              void (frmListaTrabalho::*acao)()) {
        auto* b =
            Nomeado(new QPushButton(texto + QStringLiteral(" (") +
                                        tecla.toString(QKeySequence::NativeText) + QLatin1Char(')'),
                                    this),
                    nome);
        b->setFocusPolicy(Qt::NoFocus);  // the focus stays in the list
        connect(b, &QPushButton::clicked, this, acao);
        auto* atalho = new QShortcut(tecla, this);
        atalho->setContext(Qt::WindowShortcut);
        connect(atalho, &QShortcut::activated, b, [b] {
            if (b->isEnabled()) {
                b->click();
            }
        });
        return b;
    };
    cmdUnificar = botao("cmdUnificar", QStringLiteral("Unificar"), Qt::Key_U,
                        &frmListaTrabalho::cmdUnificar_Click);
    cmdNaoMesmaPessoa = botao("cmdNaoMesmaPessoa", QStringLiteral("Não são a mesma pessoa"),
                              Qt::Key_N, &frmListaTrabalho::cmdNaoMesmaPessoa_Click);
    cmdSemSolucao = botao("cmdSemSolucao", QStringLiteral("Sem solução"), Qt::Key_S,
                          &frmListaTrabalho::cmdSemSolucao_Click);
    cmdAdiar =
        botao("cmdAdiar", QStringLiteral("Adiar"), Qt::Key_A, &frmListaTrabalho::cmdAdiar_Click);
    cmdComparar = botao("cmdComparar", QStringLiteral("Comparar"), Qt::Key_C,
                        &frmListaTrabalho::cmdComparar_Click);
    cmdRevisar = botao("cmdRevisar", QStringLiteral("Revisar"), Qt::Key_R,
                       &frmListaTrabalho::cmdRevisar_Click);
    cmdRemoverDecisao =
        botao("cmdRemoverDecisao", QStringLiteral("Remover decisão"),
              QKeySequence(Qt::SHIFT | Qt::Key_N), &frmListaTrabalho::cmdRemoverDecisao_Click);
    cmdRemoverMarca =
        botao("cmdRemoverMarca", QStringLiteral("Remover marca"),
              QKeySequence(Qt::SHIFT | Qt::Key_S), &frmListaTrabalho::cmdRemoverMarca_Click);
    cmdAtualizar = botao("cmdAtualizar", QStringLiteral("Atualizar"), Qt::Key_F5,
                         &frmListaTrabalho::cmdAtualizar_Click);

    auto* veredito = new QHBoxLayout;
    for (QPushButton* b :
         {cmdUnificar, cmdNaoMesmaPessoa, cmdSemSolucao, cmdAdiar, cmdComparar, cmdRevisar}) {
        veredito->addWidget(b);
    }
    veredito->addStretch();
    m_linhaComandos = new QHBoxLayout;
    m_linhaComandos->addWidget(cmdRemoverDecisao);
    m_linhaComandos->addWidget(cmdRemoverMarca);
    m_linhaComandos->addStretch();
    cmdUnificarLote =
        Nomeado(new QPushButton(QStringLiteral("Unificar lote..."), this), "cmdUnificarLote");
    cmdUnificarLote->setFocusPolicy(Qt::NoFocus);
    cmdUnificarLote->setToolTip(
        QStringLiteral("Unificar de uma vez os grupos certos do cadastro inteiro, vendo antes "
                       "o plano"));
    connect(cmdUnificarLote, &QPushButton::clicked, this, &frmListaTrabalho::cmdUnificarLote_Click);
    m_linhaComandos->addWidget(cmdUnificarLote);
    m_linhaComandos->addWidget(cmdAtualizar);

    auto* baixo = new QWidget(this);
    auto* membros = new QVBoxLayout(baixo);
    membros->setContentsMargins(0, 0, 0, 0);
    membros->addWidget(tblMembros);
    membros->addWidget(lblSinais);
    auto* divisor = Nomeado(new QSplitter(Qt::Vertical, this), "divisor");
    divisor->addWidget(tblGrupos);
    divisor->addWidget(baixo);
    divisor->setStretchFactor(0, 3);
    divisor->setStretchFactor(1, 2);

    auto* raiz = new QVBoxLayout(this);
    raiz->addWidget(lblProgresso);
    raiz->addWidget(fraFiltros);
    raiz->addWidget(divisor, 1);
    raiz->addLayout(veredito);
    raiz->addLayout(m_linhaComandos);
    raiz->addWidget(lblResultado);
    resize(1000, 700);
    PrepararJanela(*this);
}

void frmListaTrabalho::escrever(const std::function<void()>& escrita) {
    if (m_aoRedorDeEscrita) {
        m_aoRedorDeEscrita(escrita);
    } else {
        escrita();
    }
}

void frmListaTrabalho::Aguardar(const QString& texto) {
    lblResultado->setText(texto);
    for (QPushButton* b : {cmdUnificar, cmdNaoMesmaPessoa, cmdSemSolucao, cmdAdiar, cmdRevisar,
                           cmdRemoverDecisao, cmdRemoverMarca}) {
        b->setEnabled(false);
    }
}

void frmListaTrabalho::AdicionarComando(QPushButton* botao) {
    botao->setParent(this);
    botao->setFocusPolicy(Qt::NoFocus);
    m_linhaComandos->insertWidget(m_linhaComandos->indexOf(cmdAtualizar), botao);
    PrepararJanela(*this);
}

bool frmListaTrabalho::Iniciar(const QVector<GrupoTrabalho>& fGrupos, bool fSemelhanca) {
    Ampulheta ampulheta;
    lblResultado->clear();
    const bool ok = m_lista->Construir(fGrupos);
    m_lista->TomarMudados();
    m_modelo->Recarregar();
    m_semelhanca = fSemelhanca;
    tblGrupos->setColumnHidden(ModeloListaTrabalho::ColPontuacao, !fSemelhanca);
    m_colunasGrupos->Ajustar();
    for (QSpinBox* s : {spnPontuacaoMinima, spnPontuacaoMaxima}) {
        s->setEnabled(fSemelhanca);
    }
    mostrarProgresso();
    if (!ok) {
        ampulheta.Restaurar();
        MsgBox(m_lista->Mensagem());
        return false;
    }
    m_relogio->start();
    proximo(-1, -1);
    return true;
}

void frmListaTrabalho::aplicarFiltro() {
    ListaTrabalho::Filtro f;
    f.estados = 0;
    const std::pair<QCheckBox*, EstadoGrupo> caixas[] = {
        {chkPendente, EstadoGrupo::Pendente},
        {chkAdiado, EstadoGrupo::Adiado},
        {chkUnificado, EstadoGrupo::Unificado},
        {chkNaoMesmaPessoa, EstadoGrupo::NaoMesmaPessoa},
        {chkSemSolucao, EstadoGrupo::SemSolucao}};
    for (const auto& [caixa, estado] : caixas) {
        f.estados |= caixa->isChecked() ? 1 << int(estado) : 0;
    }
    f.soComSinal = chkSinal->isChecked();
    f.pontuacaoMinima = spnPontuacaoMinima->value();
    f.pontuacaoMaxima = spnPontuacaoMaxima->value();
    f.tamanhoMinimo = spnTamanhoMinimo->value();
    f.tamanhoMaximo =
        spnTamanhoMaximo->value() <= spnTamanhoMaximo->minimum() ? 0 : spnTamanhoMaximo->value();
    m_filtro->DefinirFiltro(f);
    escolherLinha(m_lista->Aberto());
}

int frmListaTrabalho::posicao(int fItem) const {
    if (fItem < 0) {
        return -1;
    }
    return m_filtro->mapFromSource(m_modelo->index(fItem, 0)).row();
}

void frmListaTrabalho::escolherLinha(int fItem) {
    const QScopedValueRollback<bool> guarda(m_escolhendo, true);
    const int linha = posicao(fItem);
    if (linha < 0) {
        tblGrupos->selectionModel()->clearCurrentIndex();
        tblGrupos->clearSelection();
        return;
    }
    const QModelIndex indice = m_filtro->index(linha, 0);
    tblGrupos->selectionModel()->setCurrentIndex(
        indice, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    tblGrupos->scrollTo(indice);
}

void frmListaTrabalho::linhaEscolhida() {
    if (m_escolhendo) {
        return;
    }
    const QModelIndex atual = tblGrupos->currentIndex();
    const int item = atual.isValid() ? m_filtro->mapToSource(atual).row() : -1;
    lblResultado->clear();
    if (item >= 0 && item != m_lista->Aberto() && !m_lista->Abrir(item)) {
        lblResultado->setText(m_lista->Mensagem());
    }
    mostrarMudancas();
    mostrarGrupo();
}

void frmListaTrabalho::mostrarMudancas() {
    // Rows leaving the view move the current row: that is not the administrator's choice.
    const QScopedValueRollback<bool> guarda(m_escolhendo, true);
    m_modelo->Mudaram(m_lista->TomarMudados());
    mostrarProgresso();
}

void frmListaTrabalho::mostrarProgresso() {
    const ListaTrabalho::Contagem c = m_lista->Contar();
    const auto estado = [&c](EstadoGrupo e) { return c.porEstado[int(e)]; };
    lblProgresso->setText(
        QStringLiteral("Pendentes: ") + QLocale().toString(c.Pendentes()) +
        QStringLiteral(" · feitos hoje: ") + QLocale().toString(c.feitosHoje) +
        QStringLiteral(" · feitos por mim: ") + QLocale().toString(c.feitosPorMim) +
        QStringLiteral(" · ") +
        Contagem(estado(EstadoGrupo::Unificado), "unificado", "unificados") + QStringLiteral(", ") +
        QLocale().toString(estado(EstadoGrupo::NaoMesmaPessoa)) +
        QStringLiteral(" não são a mesma pessoa, ") +
        QLocale().toString(estado(EstadoGrupo::SemSolucao)) + QStringLiteral(" sem solução, ") +
        Contagem(estado(EstadoGrupo::Adiado), "adiado", "adiados") + QStringLiteral(" de ") +
        Contagem(c.grupos, "grupo", "grupos"));
}

void frmListaTrabalho::mostrarGrupo() {
    const QModelIndex atual = tblGrupos->currentIndex();
    const int item = atual.isValid() ? m_filtro->mapToSource(atual).row() : -1;
    tblMembros->setRowCount(0);
    lblSinais->clear();
    if (item < 0) {
        m_grupo->Limpar();
    } else if (!m_grupo->Carregar(m_lista->Itens()[item])) {
        lblSinais->setText(QStringLiteral("Os cadastros do grupo não puderam ser lidos: ") +
                           m_grupo->Erro());
    }
    const auto& membros = m_grupo->Membros();
    tblMembros->setRowCount(int(membros.size()));
    for (int i = 0; i < membros.size(); ++i) {
        const GrupoAberto::Membro& m = membros[i];
        const QString colunas[] = {
            m.id == m_grupo->BaseSugerida() ? QStringLiteral("base sugerida") : QString(),
            m.nome,
            QString::number(m.id),
            m.nascimento.isValid() ? m.nascimento.toString(QStringLiteral("dd/MM/yyyy"))
                                   : QString(),
            m.rg,
            m.pontuacao >= 0 ? QLocale().toString(m.pontuacao, 'f', 0) : QString()};
        for (int c = 0; c < 6; ++c) {
            auto* celula = new QTableWidgetItem(colunas[c]);
            celula->setToolTip(m.linha);
            celula->setData(Qt::UserRole, m.id);
            tblMembros->setItem(i, c, celula);
        }
    }
    tblMembros->setColumnHidden(5, std::none_of(membros.begin(), membros.end(),
                                                [](const auto& m) { return m.pontuacao >= 0; }));
    if (!membros.isEmpty()) {
        tblMembros->setCurrentCell(0, 1);
    }
    m_colunasMembros->Ajustar();  // fitted to the first records shown
    QStringList sinais;
    for (const auto& s : m_grupo->Sinais()) {
        sinais << s.texto;
    }
    if (!sinais.isEmpty()) {
        lblSinais->setText(QStringLiteral("Sinais de pessoas diferentes: ") +
                           sinais.join(QStringLiteral("; ")));
    }
    const EstadoGrupo estado = item >= 0 ? m_lista->Itens()[item].estado : EstadoGrupo::Unificado;
    const bool aberto = item >= 0 && item == m_lista->Aberto();
    const bool aDecidir =
        aberto && (estado == EstadoGrupo::Pendente || estado == EstadoGrupo::Adiado);
    for (QPushButton* b : {cmdUnificar, cmdNaoMesmaPessoa, cmdSemSolucao, cmdAdiar, cmdRevisar}) {
        b->setEnabled(aDecidir);
    }
    cmdComparar->setEnabled(m_grupo->Membros().size() >= 2);
    cmdRemoverDecisao->setEnabled(aberto && estado == EstadoGrupo::NaoMesmaPessoa);
    cmdRemoverMarca->setEnabled(aberto && estado == EstadoGrupo::SemSolucao);
}

void frmListaTrabalho::proximo(int fItem, int fPosicao) {
    mostrarMudancas();
    // After a verdict its group may have left the view: the next one is where it was.
    const int agora = posicao(fItem);
    const int depois = agora >= 0 ? agora : std::max(fPosicao - 1, -1);
    const int item = m_lista->AbrirProximo(m_filtro->Ordem(), depois);
    mostrarMudancas();
    if (item < 0 && lblResultado->text().isEmpty()) {
        lblResultado->setText(m_lista->Mensagem());
    }
    escolherLinha(item);
    mostrarGrupo();
    voltarFoco();
}

void frmListaTrabalho::voltarFoco() {
    // After a dialog the keys are the list's again.
    activateWindow();
    tblGrupos->setFocus(Qt::OtherFocusReason);
}

bool frmListaTrabalho::registrar(int fItem, int fPosicao, const std::function<bool()>& fVeredito,
                                 const QString& fFeito) {
    bool ok = false;
    escrever([&] { ok = fVeredito(); });
    if (!ok) {
        recusar(m_lista->Mensagem());
        return false;
    }
    lblResultado->setText(fFeito);
    proximo(fItem, fPosicao);
    return true;
}

void frmListaTrabalho::recusar(const QString& texto) {
    // The group is shown as it now is: the refusal usually means it changed.
    MsgBox(texto);
    mostrarMudancas();
    mostrarGrupo();
    voltarFoco();
}

QList<qint32> frmListaTrabalho::idsDoGrupo() const {
    QList<qint32> ids;
    for (const auto& m : m_grupo->Membros()) {
        ids << m.id;
    }
    return ids;
}

bool frmListaTrabalho::exigirAberto() {
    if (m_lista->Aberto() >= 0) {
        return true;
    }
    MsgBox(m_lista->Mensagem().isEmpty() ? QStringLiteral("Nenhum grupo está aberto.")
                                         : m_lista->Mensagem());
    return false;
}

int frmListaTrabalho::membroAtual() const {
    const int linha = tblMembros->currentRow();
    return linha >= 0 && tblMembros->item(linha, 0)
               ? tblMembros->item(linha, 0)->data(Qt::UserRole).toInt()
               : 0;
}

void frmListaTrabalho::cmdUnificar_Click() {
    if (!exigirAberto()) {
        return;
    }
    // Two records that look like two people are never merged by one key: the review opens.
    if (!m_grupo->Sinais().isEmpty()) {
        cmdRevisar_Click();
        return;
    }
    const int item = m_lista->Aberto();
    const int linha = posicao(item);
    const qint32 base = m_grupo->BaseSugerida();
    const qsizetype n = m_lista->Itens()[item].membros.size();
    if (!Confirmar(
            QStringLiteral("Unificar os %1 cadastros do grupo no cadastro %2?").arg(n).arg(base))) {
        return;
    }
    clsUnificacao::Resultado resultado;
    bool unificou = false;
    {
        Ampulheta ampulheta;
        escrever([&] {
            unificou = m_lista->Unificar([&](const QVector<qint32>& membros) {
                resultado = clsUnificacao(m_cn, m_ado)
                                .Executar({base, {membros.begin(), membros.end()}, m_usuario});
                return resultado.unificada;
            });
        });
    }
    if (!unificou) {
        recusar(resultado.mensagem.isEmpty() ? m_lista->Mensagem() : resultado.mensagem);
        return;
    }
    QString texto = resultado.mensagem;
    if (!resultado.camposDiferentes.isEmpty()) {
        texto += QStringLiteral(". Valores diferentes em ") +
                 resultado.camposDiferentes.join(QStringLiteral(", ")) +
                 QStringLiteral(
                     ": a base ficou com os seus; os dos outros cadastros estão no "
                     "registro da unificação.");
    }
    lblResultado->setText(texto);
    emit registroMudou();
    proximo(item, linha);
}

void frmListaTrabalho::cmdNaoMesmaPessoa_Click() {
    if (!exigirAberto()) {
        return;
    }
    const int item = m_lista->Aberto();
    const int linha = posicao(item);
    frmMotivoDecisao dialogo(m_ultimoMotivo, this);
    if (MostrarModal(dialogo) != QDialog::Accepted) {
        voltarFoco();
        return;
    }
    if (registrar(
            item, linha,
            [&] { return m_lista->NaoSaoAMesmaPessoa(dialogo.Motivo(), dialogo.Observacao()); },
            QStringLiteral("Registrado: não são a mesma pessoa."))) {
        m_ultimoMotivo = dialogo.Motivo();
        AvisoCadastro::Avisar(AvisoCadastro::Mudanca::Marcas);
    }
}

void frmListaTrabalho::cmdSemSolucao_Click() {
    if (!exigirAberto()) {
        return;
    }
    const qint32 paciente = membroAtual();
    if (paciente == 0) {
        return;
    }
    const int item = m_lista->Aberto();
    const int linha = posicao(item);
    // The lease is renewed and the group checked before the dialog; the mark is the dialog's.
    if (!m_lista->ConferirAntesDeMarcar()) {
        recusar(m_lista->Mensagem());
        return;
    }
    const GrupoAberto::Membro* membro = nullptr;
    for (const auto& m : m_grupo->Membros()) {
        membro = m.id == paciente ? &m : membro;
    }
    frmSemSolucao dialogo(this);
    dialogo.Iniciar(paciente, membro ? membro->nome : QString(),
                    m_grupo->Comparacao().Valor(QStringLiteral("Prontuário"), paciente));
    if (m_ultimaJustificativa != 0 && dialogo.ID_PacienteLogSemSolucao() == 0) {
        dialogo.dtcboMotivo->setCurrentIndex(dialogo.dtcboMotivo->findData(m_ultimaJustificativa));
    }
    escrever([&] { MostrarModal(dialogo); });
    if (!dialogo.OK()) {
        m_lista->Atualizar();
        mostrarMudancas();
        voltarFoco();
        return;
    }
    m_ultimaJustificativa = dialogo.dtcboMotivo->currentData().toInt();
    AvisoCadastro::Avisar(AvisoCadastro::Mudanca::Marcas);  // told once its dialog is closed
    m_lista->Atualizar();
    lblResultado->setText(QStringLiteral("Cadastro %1 marcado como sem solução.").arg(paciente));
    proximo(item, linha);
}

void frmListaTrabalho::cmdAdiar_Click() {
    if (!exigirAberto()) {
        return;
    }
    const int item = m_lista->Aberto();
    registrar(
        item, posicao(item), [this] { return m_lista->Adiar(); }, QStringLiteral("Grupo adiado."));
}

void frmListaTrabalho::cmdComparar_Click() {
    CompararPacientes(this, idsDoGrupo());
    // The comparison records and removes decisions too.
    AvisoCadastro::Avisar(AvisoCadastro::Mudanca::Marcas);
    m_lista->Atualizar();
    mostrarMudancas();
    mostrarGrupo();
    voltarFoco();
}

void frmListaTrabalho::cmdRevisar_Click() {
    if (!exigirAberto()) {
        return;
    }
    const int item = m_lista->Aberto();
    const int linha = posicao(item);
    if (!m_lista->ConferirAntesDeMarcar()) {
        recusar(m_lista->Mensagem());
        return;
    }
    const QList<qint32> ids = idsDoGrupo();
    ResultadoUnificacao resultado = ResultadoUnificacao::Cancelada;
    escrever([&] { resultado = UnificarRevisando(this, ids, m_grupo->BaseSugerida()); });
    m_lista->Atualizar();
    if (resultado == ResultadoUnificacao::Unificada) {
        emit registroMudou();
        proximo(item, linha);
        return;
    }
    mostrarMudancas();
    mostrarGrupo();
    voltarFoco();
}

void frmListaTrabalho::cmdRemoverDecisao_Click() {
    if (!exigirAberto() ||
        !Confirmar(QStringLiteral("Remover a decisão de que os cadastros do grupo não são a "
                                  "mesma pessoa?"))) {
        return;
    }
    const int item = m_lista->Aberto();
    bool ok = false;
    escrever([&] { ok = m_lista->RemoverDecisao(); });
    if (!ok) {
        MsgBox(m_lista->Mensagem());
    } else {
        AvisoCadastro::Avisar(AvisoCadastro::Mudanca::Marcas);
    }
    reabrir(item);
}

void frmListaTrabalho::cmdRemoverMarca_Click() {
    const qint32 paciente = membroAtual();
    if (!exigirAberto() || paciente == 0 ||
        !Confirmar(
            QStringLiteral("Remover a marca de sem solução do cadastro %1?").arg(paciente))) {
        return;
    }
    const int item = m_lista->Aberto();
    // The no-solution dialog's own removal: it keeps the marks' trail and says what failed.
    bool ok = false;
    escrever([&] {
        ok = m_lista->RemoverMarca(paciente, [this](qint32 p) {
            frmSemSolucao dialogo(this);
            return dialogo.PacienteSemSolucao_Remover(p);
        });
    });
    if (!ok && !m_lista->Mensagem().isEmpty()) {
        MsgBox(m_lista->Mensagem());
    } else if (ok) {
        AvisoCadastro::Avisar(AvisoCadastro::Mudanca::Marcas);
    }
    reabrir(item);
}

void frmListaTrabalho::reabrir(int fItem) {
    // After a removal the group stays open, pending again, for its next verdict.
    m_lista->Abrir(fItem);
    mostrarMudancas();
    escolherLinha(fItem);
    mostrarGrupo();
    voltarFoco();
}

void frmListaTrabalho::cmdUnificarLote_Click() {
    bool unificou = false;
    escrever([&] {  // the batch writes on a connection of its own, to the same register
        frmUnificarLote lote(m_cn.ConnectionString(), m_usuario, this);
        MostrarModal(lote);
        unificou = lote.Unificou();
    });
    if (unificou) {
        emit registroMudou();
    }
    cmdAtualizar_Click();
    voltarFoco();
}

void frmListaTrabalho::cmdAtualizar_Click() {
    const int aberto = m_lista->Aberto();
    if (!m_lista->Atualizar()) {
        lblResultado->setText(m_lista->Mensagem());
    } else if (!m_lista->Renovar()) {
        lblResultado->setText(m_lista->Mensagem());
    }
    mostrarMudancas();
    if (aberto >= 0 && m_lista->Aberto() < 0) {
        mostrarGrupo();  // the lease was lost: the group is shown, no longer open
    }
}
