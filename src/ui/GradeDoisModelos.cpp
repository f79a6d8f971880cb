#include "ui/GradeDoisModelos.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>
#include <QTimer>

#include "ui/ColunasLembradas.h"
#include "ui/ModeloRecordset.h"

GradeDoisModelos::GradeDoisModelos(QTableView& grade, ModeloRecordset& registros,
                                   QAbstractItemModel& outro, const QString& chaveJanela,
                                   const QString& chaveOutro,
                                   std::function<void(bool outro)> aoEscolherLinha)
    : QObject(&grade),
      m_grade(grade),
      m_registros(registros),
      m_outro(outro),
      m_aoEscolherLinha(std::move(aoEscolherLinha)) {
    m_colunas = ColunasLembradas::Acompanhar(
        m_grade,
        [this, chaveJanela, chaveOutro] {
            return chaveJanela + QLatin1Char('/') +
                   (m_outroVisivel ? chaveOutro : ColunasLembradas::Cabecalhos(m_grade));
        },
        -1);
    Mostrar(false);
    AjustarColunas();
    // A sort moves the rows under the current one: the row being worked on stays in view.
    connect(m_grade.horizontalHeader(), &QHeaderView::sortIndicatorChanged, this, [this] {
        QTimer::singleShot(0, this, [this] {
            if (m_grade.currentIndex().isValid()) {
                m_grade.scrollTo(m_grade.currentIndex());
            }
        });
    });
}

void GradeDoisModelos::AjustarColunas() {
    // Fitted to the headers and the rows in view the first time a model shows, then as the
    // administrator leaves them.
    m_colunas->Ajustar();
}

void GradeDoisModelos::Mostrar(bool outro) {
    QAbstractItemModel* modelo = outro ? &m_outro : static_cast<QAbstractItemModel*>(&m_registros);
    if (m_grade.model() == modelo) {
        return;
    }
    m_outroVisivel = outro;
    // The other model keeps its own order: no arrow of the record set's sort on it.
    m_grade.horizontalHeader()->setSortIndicatorShown(!outro);
    if (!outro) {
        LigarGrade(m_grade, m_registros, [this] { celulaMudou(); });
        return;
    }
    m_grade.setModel(&m_outro);
    // A new model brings a new selection model: the row change is ours while it shows.
    connect(m_grade.selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& atual) {
                if (atual.isValid()) {
                    celulaMudou();
                }
            });
}

void GradeDoisModelos::celulaMudou() {
    if (!m_religando) {
        m_aoEscolherLinha(m_outroVisivel);
    }
}
