#include "main/frmPrincipal.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

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
    chkNascimento = nomeado(new QCheckBox(QStringLiteral("Data Nascimento")),
                            QStringLiteral("chkNascimento"));
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
    dbGridCriterio->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbGridCriterio->setSelectionMode(QAbstractItemView::SingleSelection);
    dbGridCriterio->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbGridCriterio->verticalHeader()->setDefaultSectionSize(20);
    lblCaption1 = nomeado(new QLabel(QStringLiteral("Itens na lista:")),
                          QStringLiteral("lblCaption1"));
    lblItensnaLista = nomeado(new QLabel(QStringLiteral("100.000")),
                              QStringLiteral("lblItensnaLista"));
    lblCaption = nomeado(new QLabel(QStringLiteral("Pacientes com dados semelhantes")),
                         QStringLiteral("lblCaption"));
    lstSemelhante = nomeado(new QListWidget, QStringLiteral("lstSemelhante"));
    Frame5 = nomeado(new QFrame, QStringLiteral("Frame5"));
    Frame5->setFrameShape(QFrame::StyledPanel);
    cmdUnificar = nomeado(new QPushButton(QStringLiteral("Unificar cadastros")),
                          QStringLiteral("cmdUnificar"));
    {
        auto* f5 = new QHBoxLayout(Frame5);
        f5->addStretch();
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
    NvPreferSemelhante = nullptr;
    new QVBoxLayout(Frame1);

    Frame4 = nomeado(new QFrame, QStringLiteral("Frame4"));
    Frame4->setFrameShape(QFrame::StyledPanel);
    {
        auto* f4 = new QVBoxLayout(Frame4);
        for (int i = 0; i < 3; ++i) {
            auto* caixa = nomeado(new QPlainTextEdit, QStringLiteral("txtCaption_%1").arg(i));
            QString texto = TextoInstrucao(i);
            texto.replace(CRLF, QStringLiteral("\n"));
            caixa->setPlainText(texto);
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
    colunaDireita->addWidget(Frame4);

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
