#include "ui/MsgBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "data/base/Diagnostico.h"

namespace {
MsgBoxHandler& handlerAtual() {
    static MsgBoxHandler handler;
    return handler;
}

ConfirmarHandler& confirmarAtual() {
    static ConfirmarHandler handler;
    return handler;
}

QWidget* donoDaCaixa() {
    QWidget* dono = QApplication::activeModalWidget();
    return dono ? dono : QApplication::activeWindow();
}
}  // namespace

MsgBoxHandler DefinirMsgBoxHandler(MsgBoxHandler handler) {
    return std::exchange(handlerAtual(), std::move(handler));
}

void MsgBox(const QString& mensagem) {
    // A message may carry a driver's text or a piece of a connection string.
    const QString texto = dados::MascararSenhas(mensagem);
    if (handlerAtual()) {
        handlerAtual()(texto);
        return;
    }
    QMessageBox caixa(QMessageBox::NoIcon, QStringLiteral("Atenção!"), texto, QMessageBox::Ok,
                      donoDaCaixa());
    caixa.exec();
}

ConfirmarHandler DefinirConfirmarHandler(ConfirmarHandler handler) {
    return std::exchange(confirmarAtual(), std::move(handler));
}

bool Confirmar(const QString& pergunta) {
    const QString texto = dados::MascararSenhas(pergunta);
    if (confirmarAtual()) {
        return confirmarAtual()(texto);
    }
    QMessageBox caixa(QMessageBox::NoIcon, QStringLiteral("Atenção!"), texto, QMessageBox::NoButton,
                      donoDaCaixa());
    QPushButton* sim = caixa.addButton(QStringLiteral("&Sim"), QMessageBox::YesRole);
    QPushButton* nao = caixa.addButton(QStringLiteral("&Não"), QMessageBox::NoRole);
    caixa.setDefaultButton(nao);
    caixa.setEscapeButton(nao);
    caixa.exec();
    return caixa.clickedButton() == sim;
}
