#include "review/frmPacienteBase.h"

#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "review/ListaPacienteBase.h"
#include "review/frmCompararPacientes.h"
#include "ui/DE.h"
#include "ui/Detalhe.h"
#include "ui/FiltroGrade.h"
#include "ui/ListaPacientes.h"
#include "ui/MsgBox.h"
#include "ui/ctlNvPreferDE.h"

frmPacienteBase::frmPacienteBase(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmPacienteBase"));
    setWindowTitle(QStringLiteral("Paciente base"));

    Frame3 = new QGroupBox(QStringLiteral("Marque o cadastro que permanecerá"), this);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    lstSemelhante = new QListWidget(Frame3);
    lstSemelhante->setObjectName(QStringLiteral("lstSemelhante"));
    NvPreferSemelhante = new ctlNvPreferDE(Frame3);
    NvPreferSemelhante->setObjectName(QStringLiteral("NvPreferSemelhante"));
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancelar = new QPushButton(QStringLiteral("&Cancelar"), this);
    cmdCancelar->setObjectName(QStringLiteral("cmdCancelar"));
    cmdOK->setDefault(true);  // Enter is OK, from the list too
    cmdComparar = new QPushButton(QStringLiteral("Co&mparar..."), this);
    cmdComparar->setObjectName(QStringLiteral("cmdComparar"));
    cmdComparar->setToolTip(QStringLiteral("Comparar lado a lado os cadastros da lista"));

    auto* quadro = new QHBoxLayout(Frame3);
    quadro->addWidget(lstSemelhante, 1);
    quadro->addWidget(NvPreferSemelhante, 1);
    auto* botoes = new QHBoxLayout;
    botoes->addWidget(cmdComparar);
    botoes->addStretch();
    botoes->addWidget(cmdOK);
    botoes->addWidget(cmdCancelar);
    auto* raiz = new QVBoxLayout(this);
    raiz->addWidget(Frame3, 1);
    raiz->addLayout(botoes);
    resize(720, 420);
    lstSemelhante->setAccessibleName(QStringLiteral("Marque o cadastro que permanecerá"));
    lstSemelhante->setAccessibleDescription(
        QStringLiteral("Espaço marca o cadastro da linha; só um fica marcado."));
    NvPreferSemelhante->setAccessibleName(QStringLiteral("Dados do paciente"));
    PrepararJanela(*this);

    connect(lstSemelhante, &QListWidget::currentRowChanged, this,
            [this](int) { lstSemelhante_Click(); });
    connect(lstSemelhante, &QListWidget::itemChanged, this, &frmPacienteBase::itemMudou);
    connect(cmdOK, &QPushButton::clicked, this, &frmPacienteBase::cmdOK_Click);
    connect(cmdCancelar, &QPushButton::clicked, this, &frmPacienteBase::cmdCancelar_Click);
    connect(cmdComparar, &QPushButton::clicked, this, &frmPacienteBase::cmdComparar_Click);
}

frmPacienteBase::~frmPacienteBase() = default;

void frmPacienteBase::Iniciar(const QStringList& fArPacientes) {
    QString pasta = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    if (!pasta.endsWith(QDir::separator())) {
        pasta += QDir::separator();
    }
    Detalhe_Configurar(*NvPreferSemelhante, pasta + QStringLiteral("Paciente.pre"), &DE(),
                       QStringLiteral("ID_Paciente"), &DE().rsPaciente);
    m_idPacienteBase = 0;

    clsADO& ado = ADO();
    if (!ListaPacienteBase_Abrir(DE().Conexao, ado, DE().rsSemelhante, fArPacientes)) {
        MsgBox(QStringLiteral("Ao preencher a lista de paciente para ser escolhido o paciente "
                              "base, ocorreu o seguinte erro:") +
               QStringLiteral("\n\n") + QString::number(ado.ErrorNumber()) + QStringLiteral(" - ") +
               ado.ErrorString());
        return;
    }
    {
        const QSignalBlocker bloqueio(lstSemelhante);
        lstSemelhante->clear();
        PreencherListaPacientes(*lstSemelhante, DE().rsSemelhante);
        if (lstSemelhante->count() > 0) {
            lstSemelhante->setCurrentRow(0);
        }
    }
    lstSemelhante_Click();
}

void frmPacienteBase::lstSemelhante_Click() {
    MostrarPacienteDaLinha(*lstSemelhante, *NvPreferSemelhante);
}

void frmPacienteBase::itemMudou(QListWidgetItem* item) {
    lstSemelhante_ItemCheck(lstSemelhante->row(item));
}

void frmPacienteBase::lstSemelhante_ItemCheck(int Item) {
    if (!m_tag.isEmpty() || Item < 0) {
        return;
    }
    if (lstSemelhante->item(Item)->checkState() != Qt::Checked) {
        return;
    }
    // One survivor only: ticking a line unticks every other one.
    m_tag = QStringLiteral("NFN");
    for (int i = 0; i < lstSemelhante->count(); ++i) {
        if (i != Item) {
            lstSemelhante->item(i)->setCheckState(Qt::Unchecked);
        }
    }
    m_tag.clear();
    // The detail shows the record that will survive, not another one that is merely
    // highlighted: the highlight follows the tick.
    if (lstSemelhante->currentRow() != Item) {
        lstSemelhante->setCurrentRow(Item);
    }
}

void frmPacienteBase::cmdOK_Click() {
    int marcados = 0;
    int primeiro = -1;
    for (int i = 0; i < lstSemelhante->count(); ++i) {
        if (lstSemelhante->item(i)->checkState() == Qt::Checked) {
            if (primeiro < 0) {
                primeiro = i;
            }
            ++marcados;
        }
    }
    if (marcados != 1) {
        MsgBox(QStringLiteral("Marque o cadastro que permanecerá."));
        return;
    }
    m_idPacienteBase = lstSemelhante->item(primeiro)->data(Qt::UserRole).toInt();
    hide();
}

void frmPacienteBase::cmdCancelar_Click() {
    m_idPacienteBase = 0;
    hide();
}

void frmPacienteBase::cmdComparar_Click() {
    CompararPacientes(this, IdsDaLista(*lstSemelhante));
}
