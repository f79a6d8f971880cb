#include "worklist/frmUnificarLote.h"

#include <QAbstractTableModel>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTableView>
#include <QVBoxLayout>

#include "ui/FiltroGrade.h"
#include "ui/MsgBox.h"

namespace {

template <typename W>
W* nomeado(W* widget, const QString& nome) {
    widget->setObjectName(nome);
    return widget;
}

// The plan as the window lists it: one row per record to remove, with what became of its group
// once the batch ran.
class ModeloPlano : public QAbstractTableModel {
  public:
    using QAbstractTableModel::QAbstractTableModel;

    void Definir(const QVector<clsLoteRegistro::Grupo>& grupos) {
        beginResetModel();
        m_linhas.clear();
        for (const auto& g : grupos) {
            for (const auto& r : g.remocoes) {
                m_linhas.append({g, r});
            }
        }
        endResetModel();
    }

    int rowCount(const QModelIndex& pai = {}) const override {
        return pai.isValid() ? 0 : int(m_linhas.size());
    }
    int columnCount(const QModelIndex& pai = {}) const override { return pai.isValid() ? 0 : 7; }

    QVariant data(const QModelIndex& i, int papel) const override {
        if (papel != Qt::DisplayRole && papel != Qt::ToolTipRole) {
            return {};
        }
        const auto& [g, r] = m_linhas[i.row()];
        switch (i.column()) {
            case 0:
                return g.numero;
            case 1:
                return g.base;
            case 2:
                return r.id;
            case 3:
                return QLocale().toString(r.pontuacao, 'f', 3);
            case 4:
                return r.exames;
            case 5:
                return r.campos;
            default:
                return Situacao(g);
        }
    }

    QVariant headerData(int secao, Qt::Orientation o, int papel) const override {
        static const QStringList titulos = {
            QStringLiteral("Grupo"),          QStringLiteral("Base"),
            QStringLiteral("Cadastro"),       QStringLiteral("Pontuação"),
            QStringLiteral("Exames a mover"), QStringLiteral("Campos com valores diferentes"),
            QStringLiteral("Situação")};
        if (o == Qt::Horizontal && papel == Qt::DisplayRole) {
            return titulos.value(secao);
        }
        return QAbstractTableModel::headerData(secao, o, papel);
    }

  private:
    static QString Situacao(const clsLoteRegistro::Grupo& g) {
        switch (g.situacao) {
            case clsLoteRegistro::Unificado:
                return QStringLiteral("unificado");
            case clsLoteRegistro::Pendente:
                return QString();
            default:
                return QStringLiteral("não unificado: ") + g.mensagem;
        }
    }

    QVector<QPair<clsLoteRegistro::Grupo, clsLoteRegistro::Remocao>> m_linhas;
};

}  // namespace

frmUnificarLote::frmUnificarLote(const QString& fConnectionString, qint32 fID_Usuario,
                                 QWidget* parent)
    : QDialog(parent), m_tarefa(fConnectionString, fID_Usuario) {
    setObjectName(QStringLiteral("frmUnificarLote"));
    setWindowTitle(QStringLiteral("Unificar lote"));
    EscolherArquivo = [](QWidget* pai) {
        return QFileDialog::getSaveFileName(
            pai, QStringLiteral("Gravar o plano do lote"),
            QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                .filePath(QStringLiteral("plano-lote.csv")),
            QStringLiteral("Planilha CSV (*.csv)"));
    };

    txtLimiar = nomeado(new QDoubleSpinBox, QStringLiteral("txtLimiar"));
    txtLimiar->setRange(50, 100);
    txtLimiar->setDecimals(2);
    txtLimiar->setSingleStep(0.05);
    txtLimiar->setValue(clsPlanoLote::kLimiarPadrao);
    txtLimiar->setAccessibleName(QStringLiteral("Pontuação mínima"));
    txtLimiar->setToolTip(
        QStringLiteral("Pontuação mínima entre cada dois cadastros de um grupo: a "
                       "probabilidade, em %, de serem a mesma pessoa"));
    auto* rotulo = new QLabel(QStringLiteral("&Pontuação mínima"));
    rotulo->setBuddy(txtLimiar);
    cmdPlanejar =
        nomeado(new QPushButton(QStringLiteral("Refazer o &plano")), QStringLiteral("cmdPlanejar"));
    lblResumo = nomeado(new QLabel, QStringLiteral("lblResumo"));
    lblResumo->setWordWrap(true);
    lblResumo->setTextInteractionFlags(Qt::TextSelectableByMouse);
    tblPlano = nomeado(new QTableView, QStringLiteral("tblPlano"));
    tblPlano->setModel(new ModeloPlano(tblPlano));
    tblPlano->setAccessibleName(QStringLiteral("Plano do lote"));
    tblPlano->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblPlano->verticalHeader()->hide();
    tblPlano->horizontalHeader()->setStretchLastSection(true);
    prgLote = nomeado(new QProgressBar, QStringLiteral("prgLote"));
    prgLote->setAccessibleName(QStringLiteral("Andamento do lote"));
    lblSituacao = nomeado(new QLabel, QStringLiteral("lblSituacao"));
    lblSituacao->setWordWrap(true);
    cmdExportar = nomeado(new QPushButton(QStringLiteral("&Exportar plano...")),
                          QStringLiteral("cmdExportar"));
    cmdUnificar =
        nomeado(new QPushButton(QStringLiteral("&Unificar o lote")), QStringLiteral("cmdUnificar"));
    cmdCancelar =
        nomeado(new QPushButton(QStringLiteral("Cancelar")), QStringLiteral("cmdCancelar"));

    auto* topo = new QHBoxLayout;
    topo->addWidget(rotulo);
    topo->addWidget(txtLimiar);
    topo->addWidget(cmdPlanejar);
    topo->addStretch();
    auto* botoes = new QHBoxLayout;
    botoes->addWidget(cmdExportar);
    botoes->addStretch();
    botoes->addWidget(cmdUnificar);
    botoes->addWidget(cmdCancelar);
    auto* raiz = new QVBoxLayout(this);
    raiz->addLayout(topo);
    raiz->addWidget(lblResumo);
    raiz->addWidget(tblPlano, 1);
    raiz->addWidget(prgLote);
    raiz->addWidget(lblSituacao);
    raiz->addLayout(botoes);

    connect(cmdPlanejar, &QPushButton::clicked, this, &frmUnificarLote::cmdPlanejar_Click);
    connect(cmdExportar, &QPushButton::clicked, this, &frmUnificarLote::cmdExportar_Click);
    connect(cmdUnificar, &QPushButton::clicked, this, &frmUnificarLote::cmdUnificar_Click);
    connect(cmdCancelar, &QPushButton::clicked, this, &frmUnificarLote::cmdCancelar_Click);
    connect(&m_tarefa, &TarefaLote::planejado, this, &frmUnificarLote::AoPlanejar);
    connect(&m_tarefa, &TarefaLote::terminou, this, &frmUnificarLote::AoTerminar);
    connect(&m_tarefa, &TarefaLote::andamento, this, [this](int feitos, int total) {
        prgLote->setRange(0, total);
        prgLote->setValue(feitos);
        lblSituacao->setText(QStringLiteral("Unificando: %1 de %2 grupos")
                                 .arg(QLocale().toString(feitos), QLocale().toString(total)));
    });

    resize(900, 560);
    PrepararJanela(*this);
    cmdPlanejar_Click();
}

void frmUnificarLote::Ocupar(bool ocupada) {
    txtLimiar->setEnabled(!ocupada && !m_executado);
    cmdPlanejar->setEnabled(!ocupada && !m_executado);
    cmdExportar->setEnabled(!ocupada && !m_tarefa.Grupos().isEmpty());
    cmdUnificar->setEnabled(!ocupada && !m_executado && !m_tarefa.Grupos().isEmpty());
    cmdCancelar->setText(ocupada || !m_executado ? QStringLiteral("Cancelar")
                                                 : QStringLiteral("Fechar"));
}

void frmUnificarLote::cmdPlanejar_Click() {
    lblResumo->setText(
        QStringLiteral("Procurando os grupos certos... nada é gravado no cadastro."));
    lblSituacao->clear();
    prgLote->setRange(0, 0);  // busy, of unknown length
    m_tarefa.Planejar(txtLimiar->value());
    Ocupar(true);
}

void frmUnificarLote::AoPlanejar(bool ok) {
    prgLote->setRange(0, 1);
    prgLote->setValue(0);
    static_cast<ModeloPlano*>(tblPlano->model())->Definir(m_tarefa.Grupos());
    tblPlano->resizeColumnsToContents();
    if (!ok) {
        lblResumo->setText(QStringLiteral("O plano não foi feito: ") + m_tarefa.Erro());
    } else {
        lblResumo->setText(clsPlanoLote::TextoResumo(m_tarefa.Resumo()).trimmed());
    }
    Ocupar(false);
    if (m_fecharAoTerminar) {
        QDialog::reject();
    }
}

void frmUnificarLote::cmdExportar_Click() {
    const QString arquivo = EscolherArquivo ? EscolherArquivo(this) : QString();
    if (arquivo.isEmpty()) {
        return;
    }
    QSaveFile f(arquivo);
    if (!f.open(QIODevice::WriteOnly) || f.write(clsPlanoLote::ParaCSV(m_tarefa.Grupos())) < 0 ||
        !f.commit()) {
        MsgBox("Não foi possível gravar o arquivo '" + arquivo + "': " + f.errorString());
        return;
    }
    MsgBoxSucesso(QStringLiteral("Plano exportado"),
                  QStringLiteral("Plano gravado em %1.").arg(QDir::toNativeSeparators(arquivo)));
}

void frmUnificarLote::cmdUnificar_Click() {
    const clsPlanoLote::Resumo& r = m_tarefa.Resumo();
    if (!Confirmar(QStringLiteral("Unificar %1 grupos, removendo %2 cadastros e movendo %3 "
                                  "exames? Cada grupo é unificado numa transação própria e o "
                                  "lote pode ser desfeito inteiro no histórico.")
                       .arg(QLocale().toString(r.grupos), QLocale().toString(r.registros),
                            QLocale().toString(r.exames)))) {
        return;
    }
    m_executado = true;
    prgLote->setRange(0, r.grupos);
    prgLote->setValue(0);
    lblSituacao->setText(QStringLiteral("Gravando o plano do lote..."));
    m_tarefa.Executar();
    Ocupar(true);
}

void frmUnificarLote::AoTerminar(bool ok) {
    const clsExecucaoLote::Andamento& a = m_tarefa.Situacao();
    static_cast<ModeloPlano*>(tblPlano->model())->Definir(m_tarefa.Grupos());
    QString texto = QStringLiteral(
                        "Lote %1: %2 grupos unificados, %3 alterados desde o plano, "
                        "%4 recusados.")
                        .arg(m_tarefa.Lote())
                        .arg(QLocale().toString(a.unificados), QLocale().toString(a.alterados),
                             QLocale().toString(a.recusados));
    if (!ok) {
        texto += QLatin1Char('\n') + m_tarefa.Erro();
    }
    if (!ok || m_tarefa.Interrompida()) {
        texto += QStringLiteral(
                     "\nO lote não terminou: o que foi unificado fica unificado; "
                     "termine-o com cadunir-merge --resume %1.")
                     .arg(m_tarefa.Lote());
    }
    lblSituacao->setText(texto);
    Ocupar(false);
    if (m_fecharAoTerminar) {
        QDialog::reject();
    }
}

void frmUnificarLote::cmdCancelar_Click() {
    if (m_tarefa.Ocupada()) {
        m_tarefa.Cancelar();
        lblSituacao->setText(m_executado ? QStringLiteral("Parando depois do grupo em curso...")
                                         : QStringLiteral("Parando..."));
        return;
    }
    QDialog::reject();
}

void frmUnificarLote::reject() {
    // Esc or the title bar while the work goes on: stop it, and close when it has stopped.
    if (m_tarefa.Ocupada()) {
        m_fecharAoTerminar = true;
        cmdCancelar_Click();
        return;
    }
    QDialog::reject();
}
