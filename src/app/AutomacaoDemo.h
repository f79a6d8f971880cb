#pragma once

#include <QString>

class frmPrincipal;

// The demo's headless run (scripts/demo under Xvfb), driven through the program's own windows
// as a person would drive them; nothing in it bypasses the log-in or the review of a merge.
// Environment:
//   CADUNIR_DEMO_LOGIN=user:password     types into the real login dialog and presses Enter
//   CADUNIR_SCREENSHOT=file.png          once the first grouping is on screen, saves the window
//                                        and leaves
//   CADUNIR_SCREENSHOT_COMPARACAO=file   then the comparison of a demo group whose records show
//                                        a sign of different people
//   CADUNIR_SCREENSHOT_HISTORICO=file    then merges the first two records of the first group
//                                        through "Unificar cadastros" and saves the history
// Every picture saved has its path printed; a failure is said on stderr and the run ends with 1.
class AutomacaoDemo {
  public:
    AutomacaoDemo();

    // Before the start-up: answers the dialogs the demo meets. A message box during the
    // log-in means it failed: nobody is there to answer it, so the run stops with it.
    void Preparar();
    // After the window is shown: the pictures, then the end of the run.
    void Fotografar(frmPrincipal& janela);

  private:
    void salvar(frmPrincipal& janela);
    bool fotografarComparacao(frmPrincipal& janela);
    bool fotografarHistorico(frmPrincipal& janela);

    QString m_login;
    QString m_foto;
    QString m_fotoComparacao;
    QString m_fotoHistorico;
    bool m_historicoSalvo = false;
};
