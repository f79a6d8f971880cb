#pragma once

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>

#include "worklist/ListaTrabalho.h"

// The worklist as a table: one row per group, with its name, how many records it holds, the
// similarity score (similarity groupings), its state with who and when, and whether two of its
// records look like different people. Only the rows on screen are ever asked for, so a list
// of 100,000 groups opens and scrolls at once.
class ModeloListaTrabalho : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Coluna { ColGrupo, ColCadastros, ColPontuacao, ColEstado, ColSinal, Colunas };
    // What a column sorts by (numbers as numbers).
    static constexpr int PapelOrdem = Qt::UserRole + 1;

    explicit ModeloListaTrabalho(const ListaTrabalho& fLista, QObject* parent = nullptr);

    // After Construir: every row anew. After Atualizar or a verdict: the rows of the groups
    // that changed.
    void Recarregar();
    void Mudaram(const QSet<int>& fItens);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  private:
    const ListaTrabalho& m_lista;
};

// The rows the filters let through, sorted by the column the administrator chose. The open
// group stays in view whatever its state, so the administrator sees the verdict just given
// until the next group is open.
class FiltroListaTrabalho : public QSortFilterProxyModel {
    Q_OBJECT
  public:
    FiltroListaTrabalho(const ListaTrabalho& fLista, QObject* parent = nullptr);

    void DefinirFiltro(const ListaTrabalho::Filtro& fFiltro);
    const ListaTrabalho::Filtro& Filtro() const { return m_filtro; }
    // The groups in the order shown (items of the list).
    QVector<int> Ordem() const;

  protected:
    bool filterAcceptsRow(int linha, const QModelIndex& pai) const override;

  private:
    const ListaTrabalho& m_lista;
    ListaTrabalho::Filtro m_filtro;
};
