#pragma once

#include <QProxyStyle>

class QApplication;

// What the program sets on the application before its first window: Qt's own texts (the
// buttons and labels of the file dialog, the standard buttons, the context menus of text boxes)
// in Brazilian Portuguese, and a focus frame a person sees from across the desk.

// Loads Qt's pt_BR translations from Qt's translations folder (Debian's qt6-translations-l10n),
// or from a "translations" folder beside the program. False when none was found: Qt then
// speaks English, and nothing else changes.
bool CarregarTraducoesQt(QApplication& app);

// The platform's style, with the keyboard focus drawn as a 2-pixel frame in the highlight
// colour around the focused button, check box or cell, instead of the faint dotted line.
class EstiloFocoVisivel : public QProxyStyle {
  public:
    using QProxyStyle::QProxyStyle;
    void drawPrimitive(PrimitiveElement elemento, const QStyleOption* opcao, QPainter* pintor,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement elemento, const QStyleOption* opcao, QPainter* pintor,
                     const QWidget* widget = nullptr) const override;
};

// Both of the above, as the program's start-up applies them.
void PrepararAparencia(QApplication& app);
