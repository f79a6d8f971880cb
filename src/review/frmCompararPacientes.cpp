#include "review/frmCompararPacientes.h"

#include <algorithm>

#include <QAbstractTableModel>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFont>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QSignalBlocker>
#include <QStyle>
#include <QTableView>
#include <QToolTip>
#include <QVBoxLayout>

#include "data/base/Diagnostico.h"
#include "decisions/clsDecisaoPessoas.h"
#include "match/TarefaEvidencia.h"
#include "review/clsUnificacao.h"
#include "ui/Ampulheta.h"
#include "ui/AvisoCadastro.h"
#include "ui/ColunasLembradas.h"
#include "ui/DE.h"
#include "ui/FiltroGrade.h"
#include "ui/ListaPacientes.h"
#include "ui/MostrarModal.h"
#include "ui/MsgBox.h"

namespace {

using Estado = clsComparacaoPacientes::Estado;

const QColor kDiferente(255, 196, 120);
const QColor kEscolhido(196, 236, 196);

const QColor kAFavor(70, 150, 70);
const QColor kContra(200, 70, 60);
const QColor kTotal(90, 110, 160);

QString Peso(double peso) {
    return (peso >= 0 ? QStringLiteral("+") : QString()) + QLocale().toString(peso, 'f', 1);
}

QString MensagemDeErro(const QString& frase, const clsError& erro) {
    return frase + QStringLiteral("\n\n") + QString::number(erro.ErrorNumber()) +
           QStringLiteral(" - ") + erro.ErrorString();
}

}  // namespace

// Rows are the fields, columns the records; in a merge the first column is the surviving
// value of each field. The cell's state (equal, different, empty) is under EstadoRole.
class ModeloComparacao : public QAbstractTableModel {
  public:
    static constexpr int EstadoRole = Qt::UserRole + 1;

    ModeloComparacao(QObject* pai, const clsComparacaoPacientes& comparacao,
                     const clsValoresSobreviventes& valores)
        : QAbstractTableModel(pai), m_comparacao(comparacao), m_valores(valores) {}

    void Redefinir(bool unificacao) {
        beginResetModel();
        m_unificacao = unificacao;
        endResetModel();
    }
    void ValoresMudaram() {
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }
    int Deslocamento() const { return m_unificacao ? 1 : 0; }

    int rowCount(const QModelIndex& pai = {}) const override {
        return pai.isValid() ? 0 : m_comparacao.Linhas();
    }
    int columnCount(const QModelIndex& pai = {}) const override {
        return pai.isValid() ? 0 : m_comparacao.Colunas() + Deslocamento();
    }

    QVariant headerData(int secao, Qt::Orientation orientacao, int papel) const override {
        if (papel != Qt::DisplayRole && papel != Qt::ToolTipRole) {
            return {};
        }
        if (orientacao == Qt::Vertical) {
            return clsComparacaoPacientes::Campos().value(secao).rotulo;
        }
        if (m_unificacao && secao == 0) {
            return QStringLiteral("Resultado");
        }
        const qint32 id = m_comparacao.RegistroDaColuna(secao - Deslocamento()).id;
        return m_unificacao && id == m_valores.Base() ? QStringLiteral("Cadastro %1 (base)").arg(id)
                                                      : QStringLiteral("Cadastro %1").arg(id);
    }

    QVariant data(const QModelIndex& indice, int papel) const override {
        if (!indice.isValid()) {
            return {};
        }
        const int linha = indice.row();
        const auto& campo = clsComparacaoPacientes::Campos()[linha];
        if (m_unificacao && indice.column() == 0) {
            return DadoResultado(linha, campo.chave, papel);
        }
        const int coluna = indice.column() - Deslocamento();
        const QString valor = m_comparacao.Valor(linha, coluna);
        const Estado estado = m_comparacao.EstadoDaCelula(linha, coluna);
        switch (papel) {
            case Qt::DisplayRole:
                return valor;
            case Qt::ToolTipRole:
                return valor.trimmed().isEmpty() ? QStringLiteral("(vazio)") : valor;
            case Qt::BackgroundRole:
                if (estado == Estado::Diferente) {
                    return QBrush(kDiferente);
                }
                if (estado == Estado::Vazio) {
                    return QBrush(QColor(170, 170, 170), Qt::BDiagPattern);
                }
                return {};
            case Qt::FontRole:
                if (estado == Estado::Diferente) {
                    QFont negrito;
                    negrito.setBold(true);
                    return negrito;
                }
                return {};
            case EstadoRole:
                return int(estado);
            default:
                return {};
        }
    }

  private:
    // A value left out because its record may be another person's is still offered.
    QString Oferta(const QString& chave, qint32 origem) const {
        const qint32 oferta = m_valores.Oferta(chave);
        if (oferta == 0 || origem != m_valores.Base()) {
            return QString();
        }
        return QStringLiteral(
                   "\nO cadastro %1 tem \"%2\", mas há sinais de que seja de outra pessoa: "
                   "o valor não foi usado")
            .arg(oferta)
            .arg(m_comparacao.Valor(chave, oferta));
    }

    QVariant DadoResultado(int linha, const QString& chave, int papel) const {
        const bool editavel = clsValoresSobreviventes::Campos().contains(chave);
        const qint32 origem = m_valores.Origem(chave);
        const QString valor =
            editavel ? m_valores.Valor(chave) : m_comparacao.Valor(chave, m_valores.Base());
        switch (papel) {
            case Qt::DisplayRole:
                return valor;
            case Qt::ToolTipRole:
                if (!editavel) {
                    return QStringLiteral("Valor do cadastro base");
                }
                return (valor.trimmed().isEmpty() ? QStringLiteral("(vazio)") : valor) +
                       QStringLiteral(
                           "\nDo cadastro %1; clique duas vezes no valor de outro "
                           "cadastro para usá-lo")
                           .arg(origem) +
                       Oferta(chave, origem);
            case Qt::BackgroundRole:
                if (editavel && origem != m_valores.Base()) {
                    return QBrush(kEscolhido);
                }
                if (valor.trimmed().isEmpty()) {
                    return QBrush(QColor(170, 170, 170), Qt::BDiagPattern);
                }
                return {};
            case EstadoRole:
                return int(valor.trimmed().isEmpty() ? Estado::Vazio : Estado::Igual);
            default:
                Q_UNUSED(linha);
                return {};
        }
    }

    const clsComparacaoPacientes& m_comparacao;
    const clsValoresSobreviventes& m_valores;
    bool m_unificacao = false;
};

GraficoEvidencia::GraficoEvidencia(QWidget* pai) : QWidget(pai) {
    setObjectName(QStringLiteral("grfEvidencia"));
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Gráfico da evidência do par"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void GraficoEvidencia::Definir(const semelhanca::EvidenciaPar& e) {
    m_linhas.clear();
    m_mensagem.clear();
    m_linhas << Linha{QStringLiteral("Chance inicial: %1").arg(Peso(e.prior)), 0, e.prior,
                      e.prior >= 0 ? 1 : -1, true};
    double soma = e.prior;
    for (const semelhanca::ItemEvidencia& item : e.campos) {
        if (!item.mostrar) {
            continue;
        }
        Linha l;
        l.texto = item.legenda + QStringLiteral(": ") + item.veredito;
        l.inicio = soma;
        if (item.pesa) {
            l.texto += QLatin1Char(' ') + Peso(item.peso);
            soma += item.peso;
            l.sinal = item.peso > 0 ? 1 : item.peso < 0 ? -1 : 0;
        }
        l.fim = soma;
        m_linhas << l;
    }
    m_linhas << Linha{QStringLiteral("Total: %1, pontuação %2")
                          .arg(Peso(e.total), QLocale().toString(e.pontuacao, 'f', 1)),
                      0, e.total, e.total >= 0 ? 1 : -1, true};
    QStringList textos;
    for (const Linha& l : m_linhas) {
        textos << l.texto;
    }
    setToolTip(textos.join(QLatin1Char('\n')));
    DefinirLinhaAtual(0);
    updateGeometry();
    update();
}

void GraficoEvidencia::Limpar(const QString& mensagem) {
    m_linhas.clear();
    m_mensagem = mensagem;
    m_atual = -1;
    setToolTip(mensagem);
    setAccessibleDescription(mensagem);
    update();
}

void GraficoEvidencia::DefinirLinhaAtual(int linha) {
    if (linha < 0 || linha >= m_linhas.size()) {
        return;
    }
    m_atual = linha;
    setAccessibleDescription(m_linhas[linha].texto);
    update();
}

int GraficoEvidencia::alturaLinha() const {
    return fontMetrics().height() + 4;
}

int GraficoEvidencia::linhaEm(int y) const {
    const int l = (y - alturaLinha()) / alturaLinha();  // the first row holds the directions
    return y < alturaLinha() || l >= m_linhas.size() ? -1 : l;
}

QSize GraficoEvidencia::sizeHint() const {
    return {320, alturaLinha() * (int(m_linhas.size()) + 1) + 4};
}

QSize GraficoEvidencia::minimumSizeHint() const {
    return {220, alturaLinha() * 4};
}

void GraficoEvidencia::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    if (m_linhas.isEmpty()) {
        p.setPen(palette().text().color());
        p.drawText(rect().adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWordWrap, m_mensagem);
        return;
    }
    const int h = alturaLinha();
    // Captions on the left, bars on the right: the text is what a screen reader and a
    // hurried reader use, the bars what the eye takes in at once.
    const int esquerda = 4, barras = width() * 11 / 20, direita = width() - 6;
    double menor = 0, maior = 0;
    for (const Linha& l : m_linhas) {
        menor = std::min({menor, l.inicio, l.fim});
        maior = std::max({maior, l.inicio, l.fim});
    }
    const double escala = maior > menor ? (direita - barras) / (maior - menor) : 0;
    const auto x = [&](double v) { return barras + int((v - menor) * escala); };

    p.setPen(palette().placeholderText().color());
    p.drawText(QRect(barras, 0, direita - barras, h), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("◀ contra"));
    p.drawText(QRect(barras, 0, direita - barras, h), Qt::AlignVCenter | Qt::AlignRight,
               QStringLiteral("a favor ▶"));
    for (int i = 0; i < m_linhas.size(); ++i) {
        const Linha& l = m_linhas[i];
        const QRect faixa(0, h * (i + 1), width(), h);
        if (i == m_atual) {
            p.fillRect(faixa, hasFocus() ? palette().highlight() : palette().alternateBase());
        }
        p.setPen(i == m_atual && hasFocus() ? palette().highlightedText().color()
                                            : palette().text().color());
        const QString texto =
            fontMetrics().elidedText(l.texto, Qt::ElideRight, barras - esquerda - 4);
        p.drawText(QRect(esquerda, faixa.top(), barras - esquerda - 4, h),
                   Qt::AlignVCenter | Qt::AlignLeft, texto);
        if (l.sinal != 0) {
            const int a = x(l.inicio), b = x(l.fim);
            const QRect barra(std::min(a, b), faixa.top() + 3, std::max(1, std::abs(b - a)), h - 6);
            p.fillRect(barra, l.total ? kTotal : l.sinal > 0 ? kAFavor : kContra);
        }
    }
    // Even odds: right of the line the pair is more likely one person than two.
    p.setPen(QPen(palette().text().color(), 1, Qt::DashLine));
    p.drawLine(x(0), h, x(0), h * (int(m_linhas.size()) + 1));
}

void GraficoEvidencia::keyPressEvent(QKeyEvent* evento) {
    switch (evento->key()) {
        case Qt::Key_Up:
            DefinirLinhaAtual(m_atual - 1);
            return;
        case Qt::Key_Down:
            DefinirLinhaAtual(m_atual + 1);
            return;
        case Qt::Key_Home:
            DefinirLinhaAtual(0);
            return;
        case Qt::Key_End:
            DefinirLinhaAtual(int(m_linhas.size()) - 1);
            return;
        default:
            QWidget::keyPressEvent(evento);
    }
}

void GraficoEvidencia::mousePressEvent(QMouseEvent* evento) {
    DefinirLinhaAtual(linhaEm(int(evento->position().y())));
    QWidget::mousePressEvent(evento);
}

bool GraficoEvidencia::event(QEvent* evento) {
    // Over a row, its own caption in full (the drawn one may be cut short).
    if (evento->type() == QEvent::ToolTip) {
        auto* ajuda = static_cast<QHelpEvent*>(evento);
        const int l = linhaEm(ajuda->pos().y());
        if (l >= 0) {
            QToolTip::showText(ajuda->globalPos(), m_linhas[l].texto, this);
            return true;
        }
    }
    return QWidget::event(evento);
}

frmCompararPacientes::frmCompararPacientes(QWidget* parent)
    : QDialog(parent), m_comparacao(std::make_unique<clsComparacaoPacientes>(DE().Conexao, ADO())) {
    setObjectName(QStringLiteral("frmCompararPacientes"));
    setWindowTitle(QStringLiteral("Comparar cadastros"));

    lblResumo = new QLabel(this);
    lblResumo->setObjectName(QStringLiteral("lblResumo"));
    lblResumo->setWordWrap(true);

    tblComparacao = new QTableView(this);
    tblComparacao->setObjectName(QStringLiteral("tblComparacao"));
    m_modelo = new ModeloComparacao(this, *m_comparacao, m_valores);
    tblComparacao->setModel(m_modelo);
    tblComparacao->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblComparacao->setWordWrap(false);
    tblComparacao->setTextElideMode(Qt::ElideRight);
    tblComparacao->verticalHeader()->setDefaultSectionSize(20);
    tblComparacao->horizontalHeader()->setSectionsMovable(true);
    tblComparacao->horizontalHeader()->setDefaultSectionSize(170);
    tblComparacao->setAccessibleName(QStringLiteral("Cadastros lado a lado"));
    // Each record's column as wide as its values, up to a quarter of the table: the values are
    // what is compared.
    ColunasLembradas::Acompanhar(
        *tblComparacao, [] { return QStringLiteral("frmCompararPacientes/cadastros"); }, -1);
    tblComparacao->horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    tblComparacao->horizontalHeader()->setToolTip(
        QStringLiteral("Arraste um cadastro para reordenar; clique com o botão direito para "
                       "ocultar ou mostrar cadastros"));

    fraEvidencia = new QGroupBox(QStringLiteral("Evidência campo a campo"), this);
    fraEvidencia->setObjectName(QStringLiteral("fraEvidencia"));
    cboPar = new QComboBox(fraEvidencia);
    cboPar->setObjectName(QStringLiteral("cboPar"));
    cboPar->setAccessibleName(QStringLiteral("Par de cadastros do gráfico"));
    grfEvidencia = new GraficoEvidencia(fraEvidencia);
    {
        auto* v = new QVBoxLayout(fraEvidencia);
        v->addWidget(cboPar);
        v->addWidget(grfEvidencia, 1);
    }
    connect(cboPar, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (i >= 0 && i < m_evidencias.size()) {
            grfEvidencia->Definir(m_evidencias[i]);
        }
    });

    fraConflitos = new QGroupBox(QStringLiteral("Sinais de pessoas diferentes"), this);
    fraConflitos->setObjectName(QStringLiteral("fraConflitos"));
    lstConflitos = new QListWidget(fraConflitos);
    lstConflitos->setObjectName(QStringLiteral("lstConflitos"));
    chkConfirmar = new QCheckBox(fraConflitos);
    chkConfirmar->setObjectName(QStringLiteral("chkConfirmar"));
    // The confirmation names every conflict, so its text wraps in a label of its own (a check
    // box's text does not); a click on the label ticks the box, as a box's own text would.
    lblConfirmar = new QLabel(fraConflitos);
    lblConfirmar->setObjectName(QStringLiteral("lblConfirmar"));
    lblConfirmar->setWordWrap(true);
    lblConfirmar->setBuddy(chkConfirmar);
    chkConfirmar->setAccessibleName(QStringLiteral("Confirmo que são a mesma pessoa"));
    lblConfirmar->installEventFilter(this);
    txtMotivoConfirmacao = new QLineEdit(fraConflitos);
    txtMotivoConfirmacao->setObjectName(QStringLiteral("txtMotivoConfirmacao"));
    txtMotivoConfirmacao->setMaxLength(1000);
    txtMotivoConfirmacao->setPlaceholderText(
        QStringLiteral("Motivo da confirmação (fica registrado no histórico)"));
    txtMotivoConfirmacao->setAccessibleName(QStringLiteral("Motivo da confirmação"));
    {
        auto* v = new QVBoxLayout(fraConflitos);
        v->addWidget(lstConflitos, 1);
        auto* h = new QHBoxLayout;
        h->addWidget(chkConfirmar, 0, Qt::AlignTop);
        h->addWidget(lblConfirmar, 1);
        v->addLayout(h);
        v->addWidget(txtMotivoConfirmacao);
    }

    fraDecisao = new QGroupBox(QStringLiteral("Não são a mesma pessoa"), this);
    fraDecisao->setObjectName(QStringLiteral("fraDecisao"));
    lstDecisoes = new QListWidget(fraDecisao);
    lstDecisoes->setObjectName(QStringLiteral("lstDecisoes"));
    cboMotivo = new QComboBox(fraDecisao);
    cboMotivo->setObjectName(QStringLiteral("cboMotivo"));
    cboMotivo->addItems(clsDecisaoPessoas::Motivos());
    cboMotivo->setCurrentIndex(-1);
    cboMotivo->setPlaceholderText(QStringLiteral("Motivo"));
    txtObs = new QLineEdit(fraDecisao);
    txtObs->setObjectName(QStringLiteral("txtObs"));
    txtObs->setPlaceholderText(QStringLiteral("Observação"));
    txtObs->setMaxLength(255);
    cmdNaoMesmaPessoa = new QPushButton(QStringLiteral("Não são a mesma pessoa"), fraDecisao);
    cmdNaoMesmaPessoa->setObjectName(QStringLiteral("cmdNaoMesmaPessoa"));
    cmdNaoMesmaPessoa->setToolTip(
        QStringLiteral("Registra que os cadastros visíveis na comparação são de pessoas "
                       "diferentes"));
    cmdRemoverDecisao = new QPushButton(QStringLiteral("Remover decisão"), fraDecisao);
    cmdRemoverDecisao->setObjectName(QStringLiteral("cmdRemoverDecisao"));
    // A decision is a write: a stray Enter never records or removes one.
    cmdNaoMesmaPessoa->setAutoDefault(false);
    cmdRemoverDecisao->setAutoDefault(false);
    {
        auto* v = new QVBoxLayout(fraDecisao);
        v->addWidget(lstDecisoes, 1);
        auto* h = new QHBoxLayout;
        h->addWidget(cboMotivo, 1);
        h->addWidget(txtObs, 2);
        v->addLayout(h);
        auto* b = new QHBoxLayout;
        b->addWidget(cmdNaoMesmaPessoa);
        b->addWidget(cmdRemoverDecisao);
        b->addStretch();
        v->addLayout(b);
    }

    fraPrevia = new QGroupBox(QStringLiteral("O que a unificação fará"), this);
    fraPrevia->setObjectName(QStringLiteral("fraPrevia"));
    txtPrevia = new QPlainTextEdit(fraPrevia);
    txtPrevia->setObjectName(QStringLiteral("txtPrevia"));
    txtPrevia->setReadOnly(true);
    (new QVBoxLayout(fraPrevia))->addWidget(txtPrevia);

    cmdOK = new QPushButton(QStringLiteral("&Unificar"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancelar = new QPushButton(QStringLiteral("&Fechar"), this);
    cmdCancelar->setObjectName(QStringLiteral("cmdCancelar"));

    auto* baixo = new QHBoxLayout;
    baixo->addWidget(fraConflitos, 1);
    baixo->addWidget(fraDecisao, 1);
    baixo->addWidget(fraPrevia, 1);
    auto* botoes = new QHBoxLayout;
    botoes->addStretch();
    botoes->addWidget(cmdOK);
    botoes->addWidget(cmdCancelar);
    auto* raiz = new QVBoxLayout(this);
    raiz->addWidget(lblResumo);
    auto* cima = new QHBoxLayout;
    cima->addWidget(tblComparacao, 3);
    cima->addWidget(fraEvidencia, 2);
    raiz->addLayout(cima, 5);
    raiz->addLayout(baixo, 2);
    raiz->addLayout(botoes);
    resize(1000, 720);

    m_menuColunas = new QMenu(this);
    connect(tblComparacao->horizontalHeader(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint& ponto) {
                MenuColunas()->popup(tblComparacao->horizontalHeader()->mapToGlobal(ponto));
            });
    connect(tblComparacao, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& i) { EscolherValor(i.row(), i.column()); });
    connect(chkConfirmar, &QCheckBox::toggled, this, &frmCompararPacientes::AtualizarBotaoPadrao);
    connect(txtMotivoConfirmacao, &QLineEdit::textChanged, this,
            &frmCompararPacientes::AtualizarBotaoPadrao);
    connect(cmdOK, &QPushButton::clicked, this, &frmCompararPacientes::cmdOK_Click);
    connect(cmdCancelar, &QPushButton::clicked, this, &frmCompararPacientes::cmdCancelar_Click);
    connect(cmdNaoMesmaPessoa, &QPushButton::clicked, this,
            &frmCompararPacientes::cmdNaoMesmaPessoa_Click);
    connect(cmdRemoverDecisao, &QPushButton::clicked, this,
            &frmCompararPacientes::cmdRemoverDecisao_Click);
    PrepararJanela(*this);
}

bool frmCompararPacientes::eventFilter(QObject* objeto, QEvent* evento) {
    if (objeto == lblConfirmar && evento->type() == QEvent::MouseButtonRelease &&
        chkConfirmar->isEnabled()) {
        chkConfirmar->toggle();
        return true;
    }
    return QDialog::eventFilter(objeto, evento);
}

bool frmCompararPacientes::ProntoParaUnificar() const {
    return m_unificacao && m_previaLida && m_previa && !m_previa->Recusada() &&
           (m_conflitos.isEmpty() || (chkConfirmar->isChecked() && !MotivoConfirmacao().isEmpty()));
}

void frmCompararPacientes::AtualizarBotaoPadrao() {
    cmdOK->setDefault(ProntoParaUnificar());
}

void frmCompararPacientes::keyPressEvent(QKeyEvent* evento) {
    // Reached when the focused control leaves Enter alone (the table, the lists, the box); a
    // focused button takes its own Enter.
    const bool enter = evento->key() == Qt::Key_Return || evento->key() == Qt::Key_Enter;
    if (!m_unificacao || !enter || (evento->modifiers() & ~Qt::KeypadModifier)) {
        QDialog::keyPressEvent(evento);
        return;
    }
    if (ProntoParaUnificar()) {
        cmdOK_Click();
    } else if (chkConfirmar->isVisible()) {
        (chkConfirmar->isChecked() ? static_cast<QWidget*>(txtMotivoConfirmacao) : chkConfirmar)
            ->setFocus(Qt::OtherFocusReason);
    }
    evento->accept();
}

frmCompararPacientes::~frmCompararPacientes() {
    // The model reads the comparison, which goes with the members before QDialog hides the
    // table (and the table asks its header for sizes): the table lets go of the model first.
    tblComparacao->setModel(nullptr);
}

bool frmCompararPacientes::Carregar(const QList<qint32>& fIDs) {
    Ampulheta ampulheta;
    m_confirmado = false;
    if (!m_comparacao->Carregar(fIDs)) {
        ampulheta.Restaurar();
        MsgBox(MensagemDeErro(QStringLiteral("Ao comparar os cadastros, ocorreu o seguinte erro:"),
                              m_comparacao->Erro()));
        return false;
    }
    return true;
}

bool frmCompararPacientes::Iniciar(const QList<qint32>& fIDs) {
    m_unificacao = false;
    const bool lido = Carregar(fIDs);
    m_valores.Iniciar(*m_comparacao, 0);
    m_modelo->Redefinir(false);
    setWindowTitle(QStringLiteral("Comparar cadastros"));
    fraPrevia->hide();
    fraDecisao->show();
    chkConfirmar->hide();
    cmdOK->hide();
    cmdCancelar->setText(QStringLiteral("&Fechar"));
    QString resumo = QStringLiteral(
                         "%1 cadastros lado a lado; valores diferentes em destaque, "
                         "campos vazios hachurados.")
                         .arg(m_comparacao->Colunas());
    if (!m_comparacao->Ausentes().isEmpty()) {
        QStringList ausentes;
        for (const qint32 id : m_comparacao->Ausentes()) {
            ausentes << QString::number(id);
        }
        resumo += QStringLiteral(" Não existem mais: ") + ausentes.join(QStringLiteral(", ")) +
                  QLatin1Char('.');
    }
    lblResumo->setText(resumo);
    if (lido) {
        MostrarConflitos();
        MostrarDecisoes();
        MostrarEvidencia();
    }
    return lido;
}

bool frmCompararPacientes::IniciarUnificacao(const QList<qint32>& fIDs, qint32 fID_Base) {
    m_unificacao = true;
    const bool lido = Carregar(fIDs);
    m_conflitos.clear();
    m_valores.Iniciar(*m_comparacao, fID_Base);
    m_modelo->Redefinir(true);
    setWindowTitle(QStringLiteral("Revisar unificação"));
    fraPrevia->show();
    fraDecisao->hide();
    cmdOK->show();
    cmdCancelar->setText(QStringLiteral("&Cancelar"));
    lblResumo->setText(
        QStringLiteral("Os cadastros serão unificados no cadastro %1. A coluna Resultado mostra "
                       "os valores que ele terá; clique duas vezes no valor de outro cadastro "
                       "para usá-lo.")
            .arg(fID_Base));
    if (!lido) {
        return false;
    }
    // Another workstation may have merged or deleted one of them since they were listed.
    if (!m_comparacao->Ausentes().isEmpty()) {
        const qint32 id = m_comparacao->Ausentes().first();
        MsgBox((id == fID_Base ? QStringLiteral("O cadastro base %1")
                               : QStringLiteral("O cadastro %1"))
                   .arg(id) +
               QStringLiteral(" não existe mais: outra estação o unificou ou excluiu. Nenhum "
                              "cadastro foi unificado e nada foi alterado; a lista será "
                              "atualizada."));
        return false;
    }
    MostrarConflitos();
    MostrarEvidencia();
    // A record with a sign of being someone else fills none of the base's empty fields.
    m_valores.Iniciar(*m_comparacao, fID_Base, m_conflitos);
    m_modelo->ValoresMudaram();
    AtualizarPrevia();
    return true;
}

qint32 frmCompararPacientes::IdDaColuna(int coluna) const {
    const int c = coluna - m_modelo->Deslocamento();
    return c < 0 || c >= m_comparacao->Colunas() ? 0 : m_comparacao->RegistroDaColuna(c).id;
}

int frmCompararPacientes::ColunaDoId(qint32 id) const {
    const int c = m_comparacao->ColunaDoId(id);
    return c < 0 ? -1 : c + m_modelo->Deslocamento();
}

QList<qint32> frmCompararPacientes::IdsVisiveis() const {
    QList<qint32> ids;
    for (int c = m_modelo->Deslocamento(); c < m_modelo->columnCount(); ++c) {
        if (!tblComparacao->horizontalHeader()->isSectionHidden(c)) {
            ids << IdDaColuna(c);
        }
    }
    return ids;
}

QMenu* frmCompararPacientes::MenuColunas() {
    m_menuColunas->clear();
    QHeaderView* cabecalho = tblComparacao->horizontalHeader();
    for (int c = m_modelo->Deslocamento(); c < m_modelo->columnCount(); ++c) {
        QAction* acao = m_menuColunas->addAction(
            m_modelo->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
        acao->setCheckable(true);
        acao->setChecked(!cabecalho->isSectionHidden(c));
        connect(acao, &QAction::toggled, this,
                [cabecalho, c](bool visivel) { cabecalho->setSectionHidden(c, !visivel); });
    }
    return m_menuColunas;
}

bool frmCompararPacientes::EscolherValor(int linha, int coluna) {
    if (!m_unificacao) {
        return false;
    }
    const QString campo = clsComparacaoPacientes::Campos().value(linha).chave;
    const qint32 id = IdDaColuna(coluna);
    if (id == 0 || !m_valores.Escolher(campo, id)) {
        return false;
    }
    m_modelo->ValoresMudaram();
    AtualizarPrevia();
    return true;
}

void frmCompararPacientes::MostrarConflitos() {
    clsVerificacaoSeguranca verificacao(DE().Conexao, ADO());
    if (!verificacao.Verificar(*m_comparacao, m_conflitos)) {
        // The comparison itself is still worth showing; the values' own checks still run.
        dados::RegistrarDiagnostico(QStringLiteral("Marcas e decisões não lidas: %1 - %2")
                                        .arg(verificacao.Erro().ErrorNumber())
                                        .arg(verificacao.Erro().ErrorString()));
        m_conflitos = clsVerificacaoSeguranca::Conflitos(*m_comparacao, {}, {});
    }
    lstConflitos->clear();
    QStringList textos;
    const QIcon aviso = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    for (const auto& c : m_conflitos) {
        lstConflitos->addItem(new QListWidgetItem(aviso, c.texto));
        lstConflitos->item(lstConflitos->count() - 1)->setToolTip(c.texto);
        textos << c.texto;
    }
    if (m_conflitos.isEmpty()) {
        lstConflitos->addItem(QStringLiteral("Nenhum sinal de pessoas diferentes."));
    }
    chkConfirmar->setChecked(false);
    chkConfirmar->setVisible(m_unificacao && !m_conflitos.isEmpty());
    lblConfirmar->setVisible(chkConfirmar->isVisibleTo(fraConflitos));
    txtMotivoConfirmacao->setVisible(chkConfirmar->isVisibleTo(fraConflitos));
    lblConfirmar->setText(QStringLiteral("Confirmo que são a mesma pessoa, apesar de: ") +
                          textos.join(QStringLiteral("; ")));
}

void frmCompararPacientes::MostrarDecisoes() {
    lstDecisoes->clear();
    if (!ADO().TableExiste(DE().Conexao, QStringLiteral("Cadunir_Decisao"))) {
        return;
    }
    clsDecisaoPessoas decisoes(DE().Conexao, ADO());
    QList<clsDecisaoPessoas::Decisao> lista;
    if (!decisoes.Listar(m_comparacao->Ids(), lista)) {
        MsgBox(MensagemDeErro(
            QStringLiteral("Ao ler as decisões sobre os cadastros, ocorreu o seguinte erro:"),
            decisoes.Erro()));
        return;
    }
    for (const auto& d : lista) {
        QString texto = QStringLiteral("%1 e %2: %3")
                            .arg(d.paciente1)
                            .arg(d.paciente2)
                            .arg(clsDecisaoPessoas::Motivos().value(d.motivo - 1));
        if (!d.observacao.isEmpty()) {
            texto += QStringLiteral(" (") + d.observacao + QLatin1Char(')');
        }
        texto += QStringLiteral(", por ") +
                 (d.nomeUsuario.isEmpty() ? QString::number(d.usuario) : d.nomeUsuario) +
                 QStringLiteral(" em ") + QLocale().toString(d.data, QLocale::ShortFormat);
        if (d.rever) {
            texto += QStringLiteral(" — precisa de nova análise: os dados mudaram");
        }
        auto* item = new QListWidgetItem(texto, lstDecisoes);
        item->setData(Qt::UserRole, QVariantList{d.paciente1, d.paciente2});
        item->setToolTip(texto);
        if (d.rever) {
            item->setIcon(style()->standardIcon(QStyle::SP_MessageBoxWarning));
        }
    }
    if (lstDecisoes->count() > 0) {
        lstDecisoes->setCurrentRow(0);
    }
}

void frmCompararPacientes::MostrarEvidencia() {
    // Scoring a pair reads the whole register: on a connection of its own, off this thread, so
    // that the window opens at once. The previous group's reading stops with its task.
    m_evidencias.clear();
    cboPar->hide();
    grfEvidencia->Limpar(QStringLiteral("Calculando a evidência..."));
    m_tarefaEvidencia = std::make_unique<TarefaEvidencia>(DE().Conexao.ConnectionString());
    connect(m_tarefaEvidencia.get(), &TarefaEvidencia::pronta, this,
            &frmCompararPacientes::evidenciaPronta);
    m_tarefaEvidencia->Calcular(m_comparacao->Ids());
}

void frmCompararPacientes::evidenciaPronta() {
    m_evidencias = m_tarefaEvidencia->Pares();
    const QString erro = m_evidencias.isEmpty() ? m_tarefaEvidencia->Erro() : QString();
    const QSignalBlocker bloqueio(cboPar);
    cboPar->clear();
    for (const auto& e : m_evidencias) {
        cboPar->addItem(QStringLiteral("Cadastros %1 e %2: pontuação %3")
                            .arg(e.idA)
                            .arg(e.idB)
                            .arg(QLocale().toString(e.pontuacao, 'f', 1)));
    }
    // A pair needs no choosing; a group does.
    cboPar->setVisible(m_evidencias.size() > 1);
    if (m_evidencias.isEmpty()) {
        if (!erro.isEmpty()) {
            dados::RegistrarDiagnostico(QStringLiteral("Evidência não lida: ") + erro);
        }
        grfEvidencia->Limpar(erro.isEmpty() ? QStringLiteral("Nenhum par para explicar.") : erro);
    } else {
        cboPar->setCurrentIndex(0);
        grfEvidencia->Definir(m_evidencias.first());
    }
    emit evidenciaMostrada();
}

void frmCompararPacientes::AtualizarPrevia() {
    m_previa = std::make_unique<clsPreviaUnificacao>(DE().Conexao, ADO());
    m_previaLida = m_previa->Calcular(*m_comparacao, m_valores);
    if (!m_previaLida) {
        txtPrevia->setPlainText(MensagemDeErro(
            QStringLiteral("Ao calcular o que a unificação fará, ocorreu o seguinte erro:"),
            m_previa->Erro()));
    } else {
        txtPrevia->setPlainText(m_previa->Texto());
    }
    AtualizarBotaoPadrao();
}

void frmCompararPacientes::cmdOK_Click() {
    if (!m_unificacao) {
        return;
    }
    if (!m_previaLida || !m_previa) {
        MsgBox(txtPrevia->toPlainText());
        return;
    }
    if (m_previa->Recusada()) {
        MsgBox(m_previa->MensagemRecusa());
        return;
    }
    if (!m_conflitos.isEmpty() && !chkConfirmar->isChecked()) {
        QStringList textos;
        for (const auto& c : m_conflitos) {
            textos << c.texto;
        }
        MsgBox(QStringLiteral("Estes cadastros podem ser de pessoas diferentes:\n") +
               textos.join(QLatin1Char('\n')) +
               QStringLiteral("\n\nPara unificá-los assim mesmo, marque a confirmação."));
        chkConfirmar->setFocus();
        return;
    }
    if (!m_conflitos.isEmpty() && MotivoConfirmacao().isEmpty()) {
        MsgBox(
            QStringLiteral("Escreva o motivo da confirmação: ele fica registrado com os sinais "
                           "no histórico da unificação."));
        txtMotivoConfirmacao->setFocus();
        return;
    }
    m_confirmado = true;
    hide();
}

void frmCompararPacientes::cmdCancelar_Click() {
    m_confirmado = false;
    hide();
}

void frmCompararPacientes::cmdNaoMesmaPessoa_Click() {
    const QList<qint32> ids = IdsVisiveis();
    if (ids.size() < 2) {
        MsgBox(
            QStringLiteral("Deixe visíveis ao menos dois cadastros para marcá-los como "
                           "pessoas diferentes."));
        return;
    }
    clsDecisaoPessoas decisoes(DE().Conexao, ADO());
    if (!decisoes.CriarTabela() ||
        !decisoes.Registrar(ids, cboMotivo->currentIndex() + 1, txtObs->text(), ID_UsuarioLogado)) {
        const clsError& erro = decisoes.Erro();
        MsgBox(erro.ErrorNumber() < 0 && erro.ErrorNumber() > -100
                   ? erro.ErrorString()
                   : MensagemDeErro(QStringLiteral("Ao registrar que os cadastros são de pessoas "
                                                   "diferentes, ocorreu o seguinte erro:"),
                                    erro));
        return;
    }
    txtObs->clear();
    cboMotivo->setCurrentIndex(-1);
    AvisoCadastro::Avisar(AvisoCadastro::Mudanca::Marcas);
    MostrarConflitos();
    MostrarDecisoes();
}

void frmCompararPacientes::cmdRemoverDecisao_Click() {
    const QListWidgetItem* item = lstDecisoes->currentItem();
    if (!item) {
        MsgBox(QStringLiteral("Escolha na lista a decisão que deseja remover."));
        return;
    }
    const QVariantList par = item->data(Qt::UserRole).toList();
    clsDecisaoPessoas decisoes(DE().Conexao, ADO());
    if (!decisoes.Remover({par.value(0).toInt(), par.value(1).toInt()}, ID_UsuarioLogado)) {
        MsgBox(MensagemDeErro(QStringLiteral("Ao remover a decisão, ocorreu o seguinte erro:"),
                              decisoes.Erro()));
        return;
    }
    AvisoCadastro::Avisar(AvisoCadastro::Mudanca::Marcas);
    MostrarConflitos();
    MostrarDecisoes();
}

bool Decisao_MostrarMarcas(QListWidget& lista) {
    const QList<qint32> ids = IdsDaLista(lista);
    if (ids.size() < 2 || !ADO().TableExiste(DE().Conexao, QStringLiteral("Cadunir_Decisao"))) {
        return true;
    }
    clsDecisaoPessoas decisoes(DE().Conexao, ADO());
    QList<clsDecisaoPessoas::Decisao> lista2;
    if (!decisoes.Listar(ids, lista2)) {
        dados::RegistrarDiagnostico(QStringLiteral("Decisões não lidas: %1 - %2")
                                        .arg(decisoes.Erro().ErrorNumber())
                                        .arg(decisoes.Erro().ErrorString()));
        return false;
    }
    QHash<qint32, QStringList> outros;
    for (const auto& d : lista2) {
        const QString sufixo = d.rever ? QStringLiteral(" (a rever)") : QString();
        outros[d.paciente1] << QString::number(d.paciente2) + sufixo;
        outros[d.paciente2] << QString::number(d.paciente1) + sufixo;
    }
    const QIcon icone = lista.style()->standardIcon(QStyle::SP_MessageBoxInformation);
    for (int i = 0; i < lista.count(); ++i) {
        QListWidgetItem* item = lista.item(i);
        const auto achado = outros.constFind(ids[i]);
        if (achado == outros.constEnd()) {
            continue;
        }
        const QString dica = QStringLiteral("Não é a mesma pessoa que o cadastro ") +
                             achado->join(QStringLiteral(", "));
        item->setToolTip(item->toolTip().isEmpty() ? dica
                                                   : item->toolTip() + QLatin1Char('\n') + dica);
        if (item->icon().isNull()) {
            item->setIcon(icone);
        }
    }
    return true;
}

QString frmCompararPacientes::MotivoConfirmacao() const {
    return m_conflitos.isEmpty() ? QString() : txtMotivoConfirmacao->text().trimmed();
}

void CompararPacientes(QWidget* pai, const QList<qint32>& fIDs) {
    if (fIDs.size() < 2) {
        MsgBox(QStringLiteral("São necessários ao menos dois cadastros para comparar."));
        return;
    }
    frmCompararPacientes comparacao(pai);
    if (comparacao.Iniciar(fIDs)) {
        MostrarModal(comparacao);
    }
}

ResultadoUnificacao UnificarRevisando(QWidget* pai, const QList<qint32>& fIDs, qint32 fID_Base) {
    frmCompararPacientes revisao(pai);
    if (!revisao.IniciarUnificacao(fIDs, fID_Base)) {
        return revisao.Comparacao().Ausentes().isEmpty() ? ResultadoUnificacao::Falhou
                                                         : ResultadoUnificacao::CadastroAusente;
    }
    MostrarModal(revisao);
    if (!revisao.Confirmado()) {
        return ResultadoUnificacao::Cancelada;
    }
    clsUnificacao::Pedido pedido(fID_Base, fIDs, ID_UsuarioLogado, revisao.Valores());
    pedido.sinaisConfirmados = revisao.Conflitos();
    pedido.motivo = revisao.MotivoConfirmacao();
    clsUnificacao::Resultado resultado;
    {
        Ampulheta ampulheta;
        resultado = clsUnificacao(DE().Conexao, ADO()).Executar(pedido);
    }
    if (resultado.unificada) {
        MsgBoxSucesso(QStringLiteral("Unificação concluída"), resultado.mensagem);
        return ResultadoUnificacao::Unificada;
    }
    MsgBox(resultado.mensagem);
    return resultado.ausente != 0 ? ResultadoUnificacao::CadastroAusente
                                  : ResultadoUnificacao::Falhou;
}
