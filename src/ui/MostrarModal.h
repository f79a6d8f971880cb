#pragma once

#include <QDialog>
#include <functional>

// Shows a dialog modally and returns its result (QDialog::Accepted / Rejected). A dialog that
// hides itself ends the modal loop too, as the windows of this program do on OK and Cancel.
int MostrarModal(QDialog& dialogo);

// Tests script the dialogs instead of a person: while a handler is installed, MostrarModal
// shows the real dialog without a modal loop, hands it to the handler (which acts on its
// widgets and closes it) and returns its result. A dialog the handler leaves open is hidden
// and counts as rejected. Returns the handler installed before.
using TratadorModal = std::function<void(QDialog& dialogo)>;
TratadorModal DefinirTratadorModal(TratadorModal tratador);
