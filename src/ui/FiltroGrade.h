#pragma once

#include <QObject>

class QTableView;

// How the program's data grids behave at the keyboard and on screen: Tab leaves the grid as
// it leaves every other control while Ctrl+Tab (Shift: backwards) walks the cells row by row
// without leaving it; a value is cut with "..." (its tooltip shows it whole) instead of
// wrapped; columns can be widened; rows follow the font, so a large font or a high-DPI screen
// stays readable.
class FiltroGrade : public QObject {
    Q_OBJECT
  public:
    // Sets the grid up and keeps a filter on it (a child of the grid) for the keys and fonts.
    static void Configurar(QTableView& grade);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    explicit FiltroGrade(QTableView& grade);
    void ajustarAlturaLinhas();

    QTableView& m_grade;
};
