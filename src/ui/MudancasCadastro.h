#pragma once

#include <QObject>
#include <functional>

// What the dialogs told (AvisoCadastro) a window that shows the register, read again once no
// dialog is open: reading while one is open would hold the register under its next write. A
// window of its own (the worklist) tells between its commands and is read at once; a
// command's dialog tells while it is open and is read when the window calls Ler after it.
class MudancasCadastro : public QObject {
    Q_OBJECT

  public:
    MudancasCadastro(QObject& janela, std::function<void()> aoMudarRegistros,
                     std::function<void()> aoMudarMarcas);

    // Runs what is pending: records first (an undo put some back), then the marks.
    void Ler();

  private:
    std::function<void()> m_aoMudarRegistros;
    std::function<void()> m_aoMudarMarcas;
    bool m_registros = false;
    bool m_marcas = false;
};
