#include "worklist/frmMotivoDecisao.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "decisions/clsDecisaoPessoas.h"
#include "ui/Montagem.h"
#include "ui/MsgBox.h"

frmMotivoDecisao::frmMotivoDecisao(int fMotivo, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmMotivoDecisao"));
    setWindowTitle(QStringLiteral("Não são a mesma pessoa"));
    cboMotivo = new QComboBox(this);
    cboMotivo->setObjectName(QStringLiteral("cboMotivo"));
    cboMotivo->addItems(clsDecisaoPessoas::Motivos());
    cboMotivo->setCurrentIndex(fMotivo - 1);
    txtObs = new QLineEdit(this);
    txtObs->setObjectName(QStringLiteral("txtObs"));
    txtObs->setMaxLength(255);
    auto* botoes = BotoesOkCancelar(*this, cmdOK, cmdCancelar);

    auto* campos = new QFormLayout;
    campos->addRow(QStringLiteral("Motivo:"), cboMotivo);
    campos->addRow(QStringLiteral("Observação:"), txtObs);
    auto* raiz = new QVBoxLayout(this);
    raiz->addLayout(campos);
    raiz->addLayout(botoes);
    setMinimumWidth(420);
    cboMotivo->setFocus();

    connect(cmdOK, &QPushButton::clicked, this, &frmMotivoDecisao::cmdOK_Click);
    connect(cmdCancelar, &QPushButton::clicked, this, &QDialog::reject);
}

int frmMotivoDecisao::Motivo() const {
    return cboMotivo->currentIndex() + 1;
}

QString frmMotivoDecisao::Observacao() const {
    return txtObs->text();
}

void frmMotivoDecisao::cmdOK_Click() {
    // The decision's own rules, said before the dialog closes so that nothing typed is lost.
    clsError erro;
    if (!clsDecisaoPessoas::Validar(Motivo(), Observacao(), erro)) {
        MsgBox(erro.ErrorString());
        (erro.ErrorCampo() == QStringLiteral("Motivo") ? static_cast<QWidget*>(cboMotivo)
                                                       : static_cast<QWidget*>(txtObs))
            ->setFocus();
        return;
    }
    accept();
}
