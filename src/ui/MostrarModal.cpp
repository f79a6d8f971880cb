#include "ui/MostrarModal.h"

#include <QCoreApplication>

#include "ui/FiltroGrade.h"

namespace {
TratadorModal& tratadorAtual() {
    static TratadorModal tratador;
    return tratador;
}
}  // namespace

TratadorModal DefinirTratadorModal(TratadorModal tratador) {
    return std::exchange(tratadorAtual(), std::move(tratador));
}

int MostrarModal(QDialog& dialogo) {
    // Every dialog the program shows: Tab leaves its tables, cut values show whole on hover,
    // and every control has a name a screen reader says.
    PrepararJanela(dialogo);
    if (!tratadorAtual()) {
        return dialogo.exec();
    }
    // Copied: the script may install another handler (a dialog that opens a dialog).
    TratadorModal tratador = tratadorAtual();
    dialogo.setResult(QDialog::Rejected);
    dialogo.show();
    QCoreApplication::processEvents();
    tratador(dialogo);
    if (dialogo.isVisible()) {
        dialogo.setResult(QDialog::Rejected);
        dialogo.hide();
    }
    return dialogo.result();
}
