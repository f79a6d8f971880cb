#pragma once

#include <QAbstractTableModel>

class QTableView;
class Recordset;
namespace dados {
struct ResultData;
}

// The grid's view of a Recordset: its columns and rows, read straight from the rows the record
// set holds in memory (no cursor moves, so painting never disturbs the current row). The view
// asks only for the rows it paints, so a result of 100,000 groups scrolls freely. Values are
// shown as the program writes them everywhere (dates as short dates, NULL as an empty cell).
//
// The model takes the record set's change listener: an open, close or requery resets the model
// (new columns and rows); a move announces the new current row through linhaAtualMudou.
class RecordsetModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit RecordsetModel(Recordset& rs, QObject* parent = nullptr);
    ~RecordsetModel() override;

    Recordset& recordset() const { return m_rs; }
    // 0-based row of the record set's current record, -1 when there is none (closed, empty,
    // BOF or EOF).
    int LinhaAtual() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  signals:
    void linhaAtualMudou(int linha);

  private:
    void recordsetMudou();
    const dados::ResultData* dados() const;

    Recordset& m_rs;
    const dados::ResultData* m_dados = nullptr;  // what the view was last told about
    int m_linhas = 0;
    int m_colunas = 0;
};

// Binds a table view to the model both ways: the view's current row is the record set's
// position. A change of current cell in the view (row or column, by the user or by a move of
// the record set) moves the record set and then runs aoMudarCelula, the grid's row/column
// change event.
void LigarGrade(QTableView& grade, RecordsetModel& modelo, std::function<void()> aoMudarCelula);
