#pragma once

#include <QString>
#include <functional>

// Every message the program shows to the user: a box titled "Atenção!" with one OK button and
// no icon, modal over the active window.
void MsgBox(const QString& texto);

// The program's own news of something done (a merge, an undo, a file written): the same box,
// titled with what was done instead of "Atenção!".
void MsgBoxSucesso(const QString& titulo, const QString& texto);

// Tests answer the boxes instead of a person: while a handler is installed, MsgBox and
// MsgBoxSucesso hand it the text and the title and show nothing. An empty handler brings the
// real box back. Returns the handler that was installed before, so that captures nest.
using TratadorMsgBox = std::function<void(const QString& texto, const QString& titulo)>;
TratadorMsgBox DefinirTratadorMsgBox(TratadorMsgBox tratador);

// A question before an action that changes the register: "Sim" and "Não" under the same title,
// "Não" the default, so that a stray Enter never runs it. True only for "Sim".
bool Confirmar(const QString& texto);

// Tests answer the questions as they answer the boxes: while a handler is installed, Confirmar
// hands it the text and returns its answer. Returns the handler installed before.
using TratadorConfirmar = std::function<bool(const QString& texto)>;
TratadorConfirmar DefinirTratadorConfirmar(TratadorConfirmar tratador);
