#include "ui/MostrarModal.h"

#include <QCoreApplication>

namespace {
ModalHandler& handlerAtual() {
    static ModalHandler handler;
    return handler;
}
}  // namespace

ModalHandler DefinirModalHandler(ModalHandler handler) {
    return std::exchange(handlerAtual(), std::move(handler));
}

int MostrarModal(QDialog& dialogo) {
    if (!handlerAtual()) {
        return dialogo.exec();
    }
    // Copied: the script may install another handler (a dialog that opens a dialog).
    ModalHandler handler = handlerAtual();
    dialogo.setResult(QDialog::Rejected);
    dialogo.show();
    QCoreApplication::processEvents();
    handler(dialogo);
    if (dialogo.isVisible()) {
        dialogo.setResult(QDialog::Rejected);
        dialogo.hide();
    }
    return dialogo.result();
}
