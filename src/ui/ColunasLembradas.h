#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QAbstractItemView;
class QHeaderView;

// The column widths of one list, tree or table, fitted the first time a window shows them
// (LargurasColunas: each column as wide as its header and values, the flexible one taking
// what is left) and remembered once the administrator widens or narrows one, per window and
// per mode: the key names both ("frmPrincipal/semelhanca", "frmHistorico/lista"), and a key
// whose saved widths do not match the columns shown is fitted anew. Kept in the per-user
// settings, section "Colunas".
class ColunasLembradas : public QObject {
    Q_OBJECT
  public:
    // Follows `vista` (as its child): fits or restores when it is first shown and whenever
    // its columns change. `chave` is asked each time, so a window with modes answers its mode.
    // `flexivel` -1: the column with the longest values.
    static ColunasLembradas* Acompanhar(QAbstractItemView& vista, std::function<QString()> chave,
                                        int flexivel);

    // Fits or restores for the key now in force; a key already applied to these columns is
    // left as the administrator has it.
    void Ajustar();

    // The view's column headers joined by commas: the key of a view whose columns vary.
    static QString Cabecalhos(const QAbstractItemView& vista);

    // The widths saved for a key (empty: none).
    static QList<int> Gravadas(const QString& chave);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    ColunasLembradas(QAbstractItemView& vista, std::function<QString()> chave, int flexivel);
    QHeaderView* cabecalho() const;
    void gravar();

    QAbstractItemView& m_vista;
    std::function<QString()> m_chave;
    int m_flexivel;
    QString m_aplicada;  // key and column count last applied
    bool m_ajustando = false;
};
