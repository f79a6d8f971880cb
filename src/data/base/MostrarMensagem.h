#pragma once

#include <QString>
#include <functional>

// Where core code sends a message meant for the user. The merge engine links Qt Core only,
// so it cannot open a message box itself: the program points this at its one MsgBox at
// start-up, and tests point it at a capture. Until then messages go to the diagnostics
// output (stderr), so none is lost.
using MostrarMensagemFn = std::function<void(const QString& texto)>;

void MostrarMensagem(const QString& texto);
// Installs the sink; an empty function restores the stderr default. Returns the previous one.
MostrarMensagemFn MostrarMensagem_Definir(MostrarMensagemFn sink);
