#pragma once

#include <QString>
#include <functional>

// Every message the program shows to the user: a box titled "Atenção!" with one OK button and
// no icon, modal over the active window.
void MsgBox(const QString& texto);

// Tests answer the boxes instead of a person: while a handler is installed, MsgBox hands it the
// text and shows nothing. An empty handler brings the real box back. Returns the handler that
// was installed before, so that captures nest.
using MsgBoxHandler = std::function<void(const QString& texto)>;
MsgBoxHandler DefinirMsgBoxHandler(MsgBoxHandler handler);
