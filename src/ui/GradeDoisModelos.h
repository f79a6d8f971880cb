#pragma once

#include <QObject>
#include <QScopedValueRollback>
#include <QString>
#include <functional>

class QAbstractItemModel;
class QTableView;
class ColunasLembradas;
class ModeloRecordset;

// A grid that shows either a record set (bound both ways, sorted by a click on a header) or
// another model that keeps its own order. Each has its own remembered columns: the record
// set's per set of headers, the other's under one key. A sort keeps the current row in view.
// A change of current row runs `aoEscolherLinha` (told which model shows), unless the window is
// re-binding or re-querying the grid itself (Religando).
class GradeDoisModelos : public QObject {
    Q_OBJECT

  public:
    GradeDoisModelos(QTableView& grade, ModeloRecordset& registros, QAbstractItemModel& outro,
                     const QString& chaveJanela, const QString& chaveOutro,
                     std::function<void(bool outro)> aoEscolherLinha);

    void Mostrar(bool outro);
    bool MostraOutro() const { return m_outroVisivel; }
    // Fits or restores the columns of the model shown (ColunasLembradas::Ajustar).
    void AjustarColunas();
    // While the guard lives, a change of row is the window's own, not the administrator's.
    [[nodiscard]] QScopedValueRollback<bool> Religando() {
        return QScopedValueRollback<bool>(m_religando, true);
    }

  private:
    void celulaMudou();

    QTableView& m_grade;
    ModeloRecordset& m_registros;
    QAbstractItemModel& m_outro;
    std::function<void(bool outro)> m_aoEscolherLinha;
    ColunasLembradas* m_colunas;
    bool m_outroVisivel = false;
    bool m_religando = false;
};
