#include "ui/RecordsetModel.h"

#include <QItemSelectionModel>
#include <QTableView>

#include "data/ado/Recordset.h"
#include "data/base/ValorSeNulo.h"

RecordsetModel::RecordsetModel(Recordset& rs, QObject* parent)
    : QAbstractTableModel(parent), m_rs(rs) {
    m_dados = dados();
    m_linhas = m_dados ? int(m_dados->rows.size()) : 0;
    m_colunas = m_dados ? int(m_dados->columns.size()) : 0;
    m_rs.setChangeListener([this] { recordsetMudou(); });
}

RecordsetModel::~RecordsetModel() {
    m_rs.setChangeListener({});
}

const dados::ResultData* RecordsetModel::dados() const {
    return m_rs.State() == 1 ? &m_rs.Data() : nullptr;
}

void RecordsetModel::recordsetMudou() {
    const dados::ResultData* atuais = dados();
    const int linhas = atuais ? int(atuais->rows.size()) : 0;
    const int colunas = atuais ? int(atuais->columns.size()) : 0;
    if (atuais != m_dados || linhas != m_linhas || colunas != m_colunas) {
        // The rows are already replaced when the record set tells us; the view reads nothing
        // in between (one thread), so the reset may follow the change.
        beginResetModel();
        m_dados = atuais;
        m_linhas = linhas;
        m_colunas = colunas;
        endResetModel();
    } else if (m_linhas > 0) {
        // Same rows, possibly edited in place by an Update.
        const int linha = LinhaAtual();
        if (linha >= 0) {
            emit dataChanged(index(linha, 0), index(linha, m_colunas - 1));
        }
    }
    emit linhaAtualMudou(LinhaAtual());
}

int RecordsetModel::LinhaAtual() const {
    if (!m_dados || m_linhas == 0) {
        return -1;
    }
    const qint32 posicao = m_rs.AbsolutePosition();
    return posicao >= 1 && posicao <= m_linhas ? posicao - 1 : -1;
}

int RecordsetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_linhas;
}

int RecordsetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_colunas;
}

QVariant RecordsetModel::data(const QModelIndex& index, int role) const {
    if (!m_dados || !index.isValid() || index.row() >= m_linhas || index.column() >= m_colunas) {
        return {};
    }
    const QVariant& valor = m_dados->rows[index.row()][index.column()];
    switch (role) {
        case Qt::DisplayRole:
            return TextoDoValor(valor);
        case Qt::TextAlignmentRole: {
            const int tipo = valor.typeId();
            const bool numero = tipo == QMetaType::Int || tipo == QMetaType::LongLong ||
                                tipo == QMetaType::Double || tipo == QMetaType::UInt ||
                                tipo == QMetaType::ULongLong;
            return QVariant::fromValue(Qt::AlignVCenter |
                                       (numero ? Qt::AlignRight : Qt::AlignLeft));
        }
        default:
            return {};
    }
}

QVariant RecordsetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) {
        return {};
    }
    if (orientation == Qt::Horizontal) {
        return m_dados && section >= 0 && section < m_colunas ? m_dados->columns[section].name
                                                              : QVariant();
    }
    return section + 1;
}

void LigarGrade(QTableView& grade, RecordsetModel& modelo, std::function<void()> aoMudarCelula) {
    grade.setModel(&modelo);
    grade.setSelectionBehavior(QAbstractItemView::SelectRows);
    grade.setSelectionMode(QAbstractItemView::SingleSelection);
    grade.setEditTriggers(QAbstractItemView::NoEditTriggers);

    auto mostrarLinha = [&grade, &modelo](int linha) {
        const QModelIndex atual = grade.currentIndex();
        if (linha < 0) {
            if (atual.isValid()) {
                grade.selectionModel()->clear();
            }
            return;
        }
        if (atual.row() != linha) {
            const int coluna = atual.isValid() ? atual.column() : 0;
            grade.setCurrentIndex(modelo.index(linha, coluna));
            grade.scrollTo(grade.currentIndex());
        }
    };
    QObject::connect(&modelo, &RecordsetModel::linhaAtualMudou, &grade, mostrarLinha);

    // The selection model is replaced with the model: connect to the one that lives now, and
    // again after every reset (which keeps the same selection model).
    QObject::connect(grade.selectionModel(), &QItemSelectionModel::currentChanged, &grade,
                     [&modelo, aoMudarCelula](const QModelIndex& atual, const QModelIndex&) {
                         if (!atual.isValid()) {
                             return;
                         }
                         Recordset& rs = modelo.recordset();
                         if (modelo.LinhaAtual() != atual.row()) {
                             rs.setAbsolutePosition(atual.row() + 1);
                         }
                         if (aoMudarCelula) {
                             aoMudarCelula();
                         }
                     });
    mostrarLinha(modelo.LinhaAtual());
}
