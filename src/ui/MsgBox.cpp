#include "ui/MsgBox.h"

#include <QApplication>
#include <QMessageBox>

#include "data/base/Diagnostico.h"

namespace {
MsgBoxHandler& handlerAtual() {
    static MsgBoxHandler handler;
    return handler;
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
    QWidget* dono = QApplication::activeModalWidget();
    if (!dono) {
        dono = QApplication::activeWindow();
    }
    QMessageBox caixa(QMessageBox::NoIcon, QStringLiteral("Atenção!"), texto, QMessageBox::Ok,
                      dono);
    caixa.exec();
}
