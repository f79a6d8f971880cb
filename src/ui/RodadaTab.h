#pragma once

#include <QList>

class QLayout;
class QWidget;

// A window's keyboard round: Tab goes from each control of the round to the next and from the
// last back to the first (Shift+Tab the other way), passing over controls that are hidden,
// held or take no focus, whatever else the window holds. The window defines it once its
// controls exist and calls Avancar from its focusNextPrevChild.
class RodadaTab {
  public:
    // The round, in order; Qt's own tab order is set along it too.
    void Definir(const QList<QWidget*>& cadeia);
    // The widgets of a layout that take the focus by Tab, in the layout's order.
    static QList<QWidget*> DoLayout(const QLayout& layout);
    // Moves the focus on from `atual`. False when `atual` is not in the round: the window's
    // default then applies.
    bool Avancar(QWidget* atual, bool proximo) const;

  private:
    QList<QWidget*> m_cadeia;
};
