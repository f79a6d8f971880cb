#pragma once

#include <QObject>
#include <QVector>

class QAbstractItemView;
class QTableView;
class QWidget;

// How the program's data grids behave at the keyboard and on screen: Tab leaves the grid as
// it leaves every other control while Ctrl+Tab (Shift: backwards) walks the cells row by row
// without leaving it; a value is cut with "..." (hovering it shows it whole) instead of
// wrapped; columns can be widened; rows follow the font, so a large font or a high-DPI screen
// stays readable.
class FiltroGrade : public QObject {
    Q_OBJECT
  public:
    // Sets the grid up and keeps a filter on it (a child of the grid) for the keys and fonts.
    static void Configurar(QTableView& grade);
    // Every list, tree and table under `raiz`, once each: Tab leaves it (Ctrl+Tab walks a
    // table's cells), and a value the column cuts shows whole on hover.
    static void ConfigurarVistas(QWidget& raiz);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    explicit FiltroGrade(QAbstractItemView& vista);
    void ajustarAlturaLinhas();
    bool mostrarTextoCortado(QEvent* event);

    QAbstractItemView& m_vista;
    QTableView* m_grade = nullptr;  // null for lists and trees
};

// Everything a window of the program does to its controls once they exist: the views as
// above, and an accessible name on every control (NomearControles). Windows call it at the
// end of their construction and MostrarModal again before showing, so controls added later
// are prepared too.
void PrepararJanela(QWidget& janela);

// Column widths that fit: every column as wide as its header and its widest value, the
// flexible column (the name, what the administrator reads) given what is left; when the
// room is short, the other columns are held to a quarter of it (a cut value shows whole on
// hover) before the flexible one gives way, never below its header.
QVector<int> LargurasColunas(const QVector<int>& conteudo, const QVector<int>& cabecalho,
                             int disponivel, int flexivel);
