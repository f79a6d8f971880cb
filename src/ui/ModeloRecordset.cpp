#include "ui/ModeloRecordset.h"

#include <QCollator>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>
#include <algorithm>
#include <numeric>

#include "data/ado/Recordset.h"
#include "data/base/ErroNumerado.h"
#include "data/base/ValorSeNulo.h"
#include "patient/LegendasCampos.h"

ModeloRecordset::ModeloRecordset(Recordset& rs, QObject* parent)
    : QAbstractTableModel(parent), m_rs(rs) {
    m_dados = dados();
    m_linhas = m_dados ? int(m_dados->linhas.size()) : 0;
    m_colunas = m_dados ? int(m_dados->colunas.size()) : 0;
    m_rs.setOuvinte([this] { registrosMudaram(); });
}

ModeloRecordset::~ModeloRecordset() {
    m_rs.setOuvinte({});
}

const dados::DadosConsulta* ModeloRecordset::dados() const {
    return m_rs.State() == 1 ? &m_rs.Dados() : nullptr;
}

void ModeloRecordset::registrosMudaram() {
    const dados::DadosConsulta* atuais = dados();
    const int linhas = atuais ? int(atuais->linhas.size()) : 0;
    const int colunas = atuais ? int(atuais->colunas.size()) : 0;
    if (atuais != m_dados || linhas != m_linhas || colunas != m_colunas) {
        // The rows are already replaced when the record set tells us; the view reads nothing
        // in between (one thread), so the reset may follow the change.
        beginResetModel();
        m_dados = atuais;
        m_linhas = linhas;
        m_colunas = colunas;
        QStringList nomes;
        if (atuais) {
            for (const auto& c : atuais->colunas) {
                nomes << c.nome;
            }
        }
        bool desfeita = false;
        if (atuais && nomes != m_nomesColunas && m_colunaOrdem >= 0) {
            m_colunaOrdem = -1;
            desfeita = true;
        }
        if (atuais) {
            m_nomesColunas = nomes;
        }
        ordenar();
        endResetModel();
        if (desfeita) {
            emit ordemDesfeita();
        }
    } else if (m_linhas > 0) {
        // Same rows, possibly edited in place by an Update.
        const int linha = LinhaAtual();
        if (linha >= 0) {
            emit dataChanged(index(linha, 0), index(linha, m_colunas - 1));
        }
    }
    emit linhaAtualMudou(LinhaAtual());
}

int ModeloRecordset::LinhaDoRegistro(int linhaVista) const {
    if (linhaVista < 0 || linhaVista >= m_linhas) {
        return -1;
    }
    return m_vista.isEmpty() ? linhaVista : m_vista[linhaVista];
}

int ModeloRecordset::LinhaNaVista(int linhaRegistro) const {
    if (linhaRegistro < 0 || linhaRegistro >= m_linhas) {
        return -1;
    }
    return m_posicao.isEmpty() ? linhaRegistro : m_posicao[linhaRegistro];
}

void ModeloRecordset::MoverPara(int linhaVista) {
    const int registro = LinhaDoRegistro(linhaVista);
    if (registro < 0) {
        return;
    }
    try {
        m_rs.setAbsolutePosition(registro + 1);
    } catch (const ErroNumerado&) {
        // The row is there (the model said so): a refusal is the record set's to report.
    }
}

int ModeloRecordset::LinhaAtual() const {
    if (!m_dados || m_linhas == 0) {
        return -1;
    }
    const qint32 posicao = m_rs.AbsolutePosition();
    return posicao >= 1 && posicao <= m_linhas ? LinhaNaVista(posicao - 1) : -1;
}

int ModeloRecordset::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_linhas;
}

int ModeloRecordset::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_colunas;
}

QVariant ModeloRecordset::data(const QModelIndex& index, int role) const {
    if (!m_dados || !index.isValid() || index.row() >= m_linhas || index.column() >= m_colunas) {
        return {};
    }
    const QVariant& valor = m_dados->linhas[LinhaDoRegistro(index.row())][index.column()];
    switch (role) {
        case Qt::ToolTipRole:
            if (m_dicaLinha) {
                QStringList nomes;
                for (const auto& coluna : m_dados->colunas) {
                    nomes << coluna.nome;
                }
                const QString dica =
                    m_dicaLinha(nomes, m_dados->linhas[LinhaDoRegistro(index.row())]);
                if (!dica.isEmpty()) {
                    return dica;
                }
            }
            return TextoDoValor(valor);
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

QVariant ModeloRecordset::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) {
        return {};
    }
    if (orientation == Qt::Horizontal) {
        // The administrator's words for the column, never its name in the database.
        return m_dados && section >= 0 && section < m_colunas
                   ? QVariant(LegendaCampo(m_dados->colunas[section].nome))
                   : QVariant();
    }
    return section + 1;
}

void ModeloRecordset::ordenar() {
    m_vista.clear();
    m_posicao.clear();
    if (!m_dados || m_colunaOrdem < 0 || m_colunaOrdem >= m_colunas || m_linhas < 2) {
        return;
    }
    // Texts compare as a reader expects (accents and case after the letters); NULL first,
    // numbers and dates by value. Equal values keep the result's order.
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    const int coluna = m_colunaOrdem;
    const auto& linhas = m_dados->linhas;
    QVector<QCollatorSortKey> chaves;
    chaves.reserve(m_linhas);
    for (const auto& linha : linhas) {
        chaves.push_back(collator.sortKey(TextoDoValor(linha[coluna])));
    }
    const auto ordemNatural = [&](int a, int b) {
        const QVariant& va = linhas[a][coluna];
        const QVariant& vb = linhas[b][coluna];
        if (va.isNull() || vb.isNull()) {
            return va.isNull() && !vb.isNull();
        }
        const int tipo = va.typeId();
        if (tipo == vb.typeId() && tipo != QMetaType::QString) {
            return QVariant::compare(va, vb) == QPartialOrdering::Less;
        }
        return chaves[a].compare(chaves[b]) < 0;
    };
    m_vista.resize(m_linhas);
    std::iota(m_vista.begin(), m_vista.end(), 0);
    if (m_ordem == Qt::AscendingOrder) {
        std::stable_sort(m_vista.begin(), m_vista.end(), ordemNatural);
    } else {
        std::stable_sort(m_vista.begin(), m_vista.end(),
                         [&](int a, int b) { return ordemNatural(b, a); });
    }
    m_posicao.resize(m_linhas);
    for (int v = 0; v < m_linhas; ++v) {
        m_posicao[m_vista[v]] = v;
    }
}

void ModeloRecordset::sort(int column, Qt::SortOrder order) {
    if (column == m_colunaOrdem && (column < 0 || order == m_ordem)) {
        return;
    }
    // A layout change, not a reset: the current cell stays on the same record, so the grid
    // does not take a sort for a row chosen by the user.
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList antes = persistentIndexList();
    QVector<int> registros;
    registros.reserve(antes.size());
    for (const QModelIndex& i : antes) {
        registros << LinhaDoRegistro(i.row());
    }
    m_colunaOrdem = column;
    m_ordem = order;
    ordenar();
    QModelIndexList depois;
    depois.reserve(antes.size());
    for (int i = 0; i < antes.size(); ++i) {
        depois << index(LinhaNaVista(registros[i]), antes[i].column());
    }
    changePersistentIndexList(antes, depois);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void LigarGrade(QTableView& grade, ModeloRecordset& modelo, std::function<void()> aoMudarCelula) {
    grade.setModel(&modelo);
    grade.setSelectionBehavior(QAbstractItemView::SelectRows);
    grade.setSelectionMode(QAbstractItemView::SingleSelection);
    grade.setEditTriggers(QAbstractItemView::NoEditTriggers);
    // No indicator at first: the result's own order until a header is clicked.
    grade.horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    grade.setSortingEnabled(true);
    QObject::connect(&modelo, &ModeloRecordset::ordemDesfeita, &grade, [&grade] {
        grade.horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    });

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
    QObject::connect(&modelo, &ModeloRecordset::linhaAtualMudou, &grade, mostrarLinha);

    // The selection model is replaced with the model: connect to the one that lives now, and
    // again after every reset (which keeps the same selection model).
    QObject::connect(grade.selectionModel(), &QItemSelectionModel::currentChanged, &grade,
                     [&modelo, aoMudarCelula](const QModelIndex& atual, const QModelIndex&) {
                         if (!atual.isValid()) {
                             return;
                         }
                         Recordset& rs = modelo.Registros();
                         if (modelo.LinhaAtual() != atual.row()) {
                             rs.setAbsolutePosition(modelo.LinhaDoRegistro(atual.row()) + 1);
                         }
                         if (aoMudarCelula) {
                             aoMudarCelula();
                         }
                     });
    mostrarLinha(modelo.LinhaAtual());
}
