#pragma once

#include <gtest/gtest.h>

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <deque>
#include <functional>

#include "ui/MostrarModal.h"
#include "ui/MsgBox.h"

// Helpers for tests that drive the real windows on the offscreen platform, the way a user
// would: find controls by their object names, click them, type into them, answer message
// boxes and modal dialogs.

// Records the text of every message box shown while it lives; nothing blocks.
class CapturaMensagens {
  public:
    CapturaMensagens();
    ~CapturaMensagens();
    CapturaMensagens(const CapturaMensagens&) = delete;
    CapturaMensagens& operator=(const CapturaMensagens&) = delete;

    const QStringList& Textos() const { return m_textos; }
    // The title of each box, in the same order ("Atenção!", or what a success message says).
    const QStringList& Titulos() const { return m_titulos; }
    void Limpar() {
        m_textos.clear();
        m_titulos.clear();
    }
    // The questions asked while it lives, and the answer it gives them ("Sim" unless told).
    const QStringList& Perguntas() const { return m_perguntas; }
    void Responder(bool sim) { m_resposta = sim; }

  private:
    QStringList m_textos;
    QStringList m_titulos;
    QStringList m_perguntas;
    bool m_resposta = true;
    TratadorMsgBox m_anterior;
    TratadorConfirmar m_anteriorConfirmar;
};

// Answers the modal dialogs shown while it lives, one scripted step per dialog, in order. A
// step receives the real dialog, shown, and acts on it (typically ending with a click on OK or
// Cancel). A dialog shown with no step left is a test failure and is rejected. Destroying the
// script with steps unused is a failure too: the dialog the test expected never came.
class RoteiroModal {
  public:
    using Passo = std::function<void(QDialog&)>;
    RoteiroModal();
    ~RoteiroModal();
    RoteiroModal(const RoteiroModal&) = delete;
    RoteiroModal& operator=(const RoteiroModal&) = delete;

    RoteiroModal& Entao(Passo passo);
    int Mostrados() const { return m_mostrados; }
    int Pendentes() const { return int(m_passos.size()); }

  private:
    std::deque<Passo> m_passos;
    int m_mostrados = 0;
    TratadorModal m_anterior;
};

// How long a test waits for background work (a grouping) before it fails: the registers of the
// tests take well under a second, so a wait that ends on this found a fault, not slowness.
constexpr int kEsperaMaximaMs = 10000;

// Installed by the window tests' main before any test: a message box, question or modal
// dialog that no capture or script answers fails the test and is closed at once, instead of
// waiting for a person who is not there; a window left in a real modal loop (exec) for more
// than a few seconds fails the test and is closed too. Nothing ever hangs a test run.
void InstalarGuardasDeJanela();

// For the tests of the real boxes and dialogs themselves: while it lives, nothing answers them.
class SemTratadores {
  public:
    SemTratadores();
    ~SemTratadores();
    SemTratadores(const SemTratadores&) = delete;
    SemTratadores& operator=(const SemTratadores&) = delete;

  private:
    TratadorMsgBox m_msgBox;
    TratadorConfirmar m_confirmar;
    TratadorModal m_modal;
};

// The child of `raiz` with that object name (and type); a test failure when there is none.
template <class T = QWidget>
T* Achar(const QWidget& raiz, const QString& nome) {
    T* filho = raiz.findChild<T*>(nome);
    if (!filho) {
        ADD_FAILURE() << "no widget named " << nome.toStdString() << " of the expected type";
    }
    return filho;
}

// The dialog as its real class; a test failure when it is another window.
template <class T>
T* Como(QDialog& dialogo) {
    T* real = qobject_cast<T*>(&dialogo);
    if (!real) {
        ADD_FAILURE() << "unexpected dialog " << dialogo.metaObject()->className();
    }
    return real;
}

// A left click in the middle of the widget (press and release, as the mouse does).
void Clicar(QWidget* alvo);
// Gives the widget the focus and types the text, one key per character.
void Digitar(QWidget* alvo, const QString& texto);
// One key press and release on the widget.
void Tecla(QWidget* alvo, Qt::Key tecla, Qt::KeyboardModifiers modificadores = Qt::NoModifier);
