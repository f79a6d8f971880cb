#pragma once

#include <QList>

class QSplitter;
class QWidget;

// A window's size, position and dividers, kept for each administrator (two on one workstation
// keep their own layout) in the per-user settings, section "Janela".
class GeometriaJanela {
  public:
    GeometriaJanela(QWidget& janela, QList<QSplitter*> divisores);

    // Restores what Gravar saved for `usuario`, then fits the window to this screen (it may
    // have been saved on a larger one). True when a saved geometry was found.
    bool Restaurar(qint32 usuario);
    void Gravar(qint32 usuario) const;

    // Keeps the window, decorations included, inside the available area of its screen:
    // smaller when it does not fit, moved back when it lies partly outside. A maximised or
    // full-screen window is left alone.
    static void CaberNaTela(QWidget& janela);

  private:
    QWidget& m_janela;
    QList<QSplitter*> m_divisores;
};
