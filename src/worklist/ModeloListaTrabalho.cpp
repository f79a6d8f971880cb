#include "worklist/ModeloListaTrabalho.h"

#include <QLocale>

ModeloListaTrabalho::ModeloListaTrabalho(const ListaTrabalho& fLista, QObject* parent)
    : QAbstractTableModel(parent), m_lista(fLista) {}

void ModeloListaTrabalho::Recarregar() {
    beginResetModel();
    endResetModel();
}

void ModeloListaTrabalho::Mudaram(const QSet<int>& fItens) {
    for (const int i : fItens) {
        if (i >= 0 && i < rowCount()) {
            emit dataChanged(index(i, 0), index(i, Colunas - 1));
        }
    }
}

int ModeloListaTrabalho::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_lista.Itens().size());
}

int ModeloListaTrabalho::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Colunas;
}

QVariant ModeloListaTrabalho::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const ListaTrabalho::Item& item = m_lista.Itens()[index.row()];
    const bool ordem = role == PapelOrdem;
    if (role != Qt::DisplayRole && !ordem && role != Qt::ToolTipRole) {
        return {};
    }
    switch (index.column()) {
        case ColGrupo:
            return role == Qt::ToolTipRole
                       ? QStringLiteral("Cadastros ") + TextoMembros(item.membros)
                       : QVariant(item.grupo.nome);
        case ColCadastros:
            return ordem ? QVariant(int(item.membros.size()))
                         : QVariant(QLocale().toString(item.membros.size()));
        case ColPontuacao:
            if (item.grupo.pontuacao < 0) {
                return ordem ? QVariant(-1.0) : QVariant();
            }
            return ordem ? QVariant(item.grupo.pontuacao)
                         : QVariant(QLocale().toString(item.grupo.pontuacao, 'f', 0));
        case ColEstado:
            return ordem ? QVariant(int(item.estado)) : QVariant(m_lista.Descricao(index.row()));
        case ColSinal:
            return item.grupo.sinal ? QVariant(QStringLiteral("sim")) : QVariant(QString());
    }
    return {};
}

QVariant ModeloListaTrabalho::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    static const char* const titulos[] = {"Grupo", "Cadastros", "Pontuação", "Estado",
                                          "Sinal de pessoas diferentes"};
    return section >= 0 && section < Colunas ? QString::fromUtf8(titulos[section]) : QVariant();
}

FiltroListaTrabalho::FiltroListaTrabalho(const ListaTrabalho& fLista, QObject* parent)
    : QSortFilterProxyModel(parent), m_lista(fLista) {
    setSortRole(ModeloListaTrabalho::PapelOrdem);
    setDynamicSortFilter(true);
}

void FiltroListaTrabalho::DefinirFiltro(const ListaTrabalho::Filtro& fFiltro) {
    m_filtro = fFiltro;
    invalidateFilter();
}

QVector<int> FiltroListaTrabalho::Ordem() const {
    QVector<int> ordem(rowCount());
    for (int i = 0; i < ordem.size(); ++i) {
        ordem[i] = mapToSource(index(i, 0)).row();
    }
    return ordem;
}

bool FiltroListaTrabalho::filterAcceptsRow(int linha, const QModelIndex&) const {
    return linha == m_lista.Aberto() || m_lista.Passa(linha, m_filtro);
}
