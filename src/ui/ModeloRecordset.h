#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <QVector>
#include <functional>

class QTableView;
class Recordset;
namespace dados {
struct DadosConsulta;
}

// The grid's view of a Recordset: its columns and rows, read straight from the rows the record
// set holds in memory (no cursor moves, so painting never disturbs the current row). The view
// asks only for the rows it paints, so a result of 100,000 groups scrolls freely. Values are
// shown as the program writes them everywhere (dates as short dates, NULL as an empty cell);
// the tooltip of a cell is its whole value, for the ones a narrow column cuts.
//
// Sorting by a column is the view's own order over the record set's rows (the record set keeps
// its order): "view rows" are what the grid shows, "record rows" the record set's 0-based rows.
// A new result with the same columns keeps the sort; other columns go back to the result's
// order.
//
// The model takes the record set's change listener: an open, close or requery resets the model
// (new columns and rows); a move announces the new current row through linhaAtualMudou.
class ModeloRecordset : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit ModeloRecordset(Recordset& rs, QObject* parent = nullptr);
    ~ModeloRecordset() override;

    Recordset& Registros() const { return m_rs; }
    // View row of the record set's current record, -1 when there is none (closed, empty, BOF
    // or EOF).
    int LinhaAtual() const;
    // Record row shown at a view row, and the other way round (-1 when out of range).
    int LinhaDoRegistro(int linhaVista) const;
    int LinhaNaVista(int linhaRegistro) const;
    // Moves the record set to the record shown at a view row; a row that is not there, or a
    // refused move, leaves the position as it was.
    void MoverPara(int linhaVista);
    // The column the view is sorted by (-1: the result's own order) and the direction.
    int ColunaOrdem() const { return m_colunaOrdem; }
    Qt::SortOrder Ordem() const { return m_ordem; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // What hovering a row says about the row as a whole (empty: each cell shows its value).
    using DicaLinha =
        std::function<QString(const QStringList& colunas, const QVector<QVariant>& valores)>;
    void DefinirDicaLinha(DicaLinha dica) { m_dicaLinha = std::move(dica); }

  signals:
    void linhaAtualMudou(int linha);
    // The sort was dropped because the new result has other columns.
    void ordemDesfeita();

  private:
    void registrosMudaram();
    const dados::DadosConsulta* dados() const;
    void ordenar();  // fills m_vista/m_posicao from m_colunaOrdem and m_ordem

    Recordset& m_rs;
    const dados::DadosConsulta* m_dados = nullptr;  // what the view was last told about
    int m_linhas = 0;
    int m_colunas = 0;
    QStringList m_nomesColunas;
    int m_colunaOrdem = -1;
    Qt::SortOrder m_ordem = Qt::AscendingOrder;
    QVector<int> m_vista;    // view row -> record row; empty: the same
    QVector<int> m_posicao;  // record row -> view row; empty: the same
    DicaLinha m_dicaLinha;
};

// Binds a table view to the model both ways: the view's current row is the record set's
// position. A change of current cell in the view (row or column, by the user or by a move of
// the record set) moves the record set and then runs aoMudarCelula, the grid's row/column
// change event. Clicking a header sorts by that column.
void LigarGrade(QTableView& grade, ModeloRecordset& modelo, std::function<void()> aoMudarCelula);
