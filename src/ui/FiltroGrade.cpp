#include "ui/FiltroGrade.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QTableView>
#include <QToolTip>
#include <algorithm>
#include <numeric>

#include "ui/Acessibilidade.h"

namespace {

const char* const kPreparada = "cadunirVistaPreparada";

}  // namespace

FiltroGrade::FiltroGrade(QAbstractItemView& vista)
    : QObject(&vista), m_vista(vista), m_grade(qobject_cast<QTableView*>(&vista)) {}

void FiltroGrade::Configurar(QTableView& grade) {
    grade.setWordWrap(false);
    grade.setTextElideMode(Qt::ElideRight);
    grade.horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grade.horizontalHeader()->setStretchLastSection(true);
    grade.horizontalHeader()->setSectionsClickable(true);
    grade.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ConfigurarVistas(grade);
    if (auto* filtro = grade.findChild<FiltroGrade*>(QString(), Qt::FindDirectChildrenOnly)) {
        filtro->ajustarAlturaLinhas();
    }
}

void FiltroGrade::ConfigurarVistas(QWidget& raiz) {
    QList<QAbstractItemView*> vistas = raiz.findChildren<QAbstractItemView*>();
    if (auto* propria = qobject_cast<QAbstractItemView*>(&raiz)) {
        vistas.prepend(propria);
    }
    for (QAbstractItemView* vista : vistas) {
        // A header is a view too, and a combo box's popup list is its own business.
        if (qobject_cast<QHeaderView*>(vista) || vista->property(kPreparada).toBool() ||
            vista->window()->inherits("QComboBoxPrivateContainer")) {
            continue;
        }
        vista->setProperty(kPreparada, true);
        vista->setTabKeyNavigation(false);
        auto* filtro = new FiltroGrade(*vista);
        vista->installEventFilter(filtro);
        vista->viewport()->installEventFilter(filtro);
    }
}

void FiltroGrade::ajustarAlturaLinhas() {
    if (!m_grade) {
        return;
    }
    const int altura = m_grade->fontMetrics().height() + 8;
    m_grade->verticalHeader()->setMinimumSectionSize(altura);
    m_grade->verticalHeader()->setDefaultSectionSize(altura);
}

bool FiltroGrade::mostrarTextoCortado(QEvent* event) {
    auto* ajuda = static_cast<QHelpEvent*>(event);
    const QModelIndex indice = m_vista.indexAt(ajuda->pos());
    if (!indice.isValid()) {
        return false;
    }
    const QString texto = indice.data(Qt::DisplayRole).toString();
    const QRect celula = m_vista.visualRect(indice);
    // The room the text has: the cell less the style's margins, a tick box and an icon.
    int ocupado =
        2 * (m_vista.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &m_vista) + 1);
    if (indice.data(Qt::CheckStateRole).isValid()) {
        ocupado += m_vista.style()->pixelMetric(QStyle::PM_IndicatorWidth) + 4;
    }
    if (!indice.data(Qt::DecorationRole).isNull()) {
        ocupado += m_vista.iconSize().width() > 0 ? m_vista.iconSize().width() + 4 : 20;
    }
    const bool cortado = texto.contains(QLatin1Char('\n')) ||
                         m_vista.fontMetrics().horizontalAdvance(texto) > celula.width() - ocupado;
    if (texto.isEmpty() || !cortado) {
        return false;  // the model's own tooltip, if any
    }
    QString dica = texto;
    const QString propria = indice.data(Qt::ToolTipRole).toString();
    if (!propria.isEmpty() && propria != texto) {
        dica += QStringLiteral("\n\n") + propria;
    }
    QToolTip::showText(ajuda->globalPos(), dica, m_vista.viewport(), celula);
    return true;
}

bool FiltroGrade::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_vista.viewport()) {
        return event->type() == QEvent::ToolTip ? mostrarTextoCortado(event)
                                                : QObject::eventFilter(watched, event);
    }
    if (event->type() == QEvent::FontChange) {
        ajustarAlturaLinhas();
    } else if (event->type() == QEvent::KeyPress && m_grade) {
        auto* tecla = static_cast<QKeyEvent*>(event);
        const bool tab = tecla->key() == Qt::Key_Tab || tecla->key() == Qt::Key_Backtab;
        const QAbstractItemModel* modelo = m_grade->model();
        if (tab && (tecla->modifiers() & Qt::ControlModifier) && modelo) {
            const bool volta =
                tecla->key() == Qt::Key_Backtab || (tecla->modifiers() & Qt::ShiftModifier);
            const QModelIndex atual = m_grade->currentIndex();
            const int colunas = modelo->columnCount();
            const int linhas = modelo->rowCount();
            if (colunas > 0 && linhas > 0) {
                int celula = atual.isValid() ? atual.row() * colunas + atual.column() : -1;
                celula = std::clamp(celula + (volta ? -1 : 1), 0, linhas * colunas - 1);
                m_grade->setCurrentIndex(modelo->index(celula / colunas, celula % colunas));
            }
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void PrepararJanela(QWidget& janela) {
    FiltroGrade::ConfigurarVistas(janela);
    NomearControles(janela);
}

QVector<int> LargurasColunas(const QVector<int>& conteudo, const QVector<int>& cabecalho,
                             int disponivel, int flexivel) {
    const int n = int(std::min(conteudo.size(), cabecalho.size()));
    QVector<int> larguras(n);
    for (int i = 0; i < n; ++i) {
        larguras[i] = std::max(conteudo[i], cabecalho[i]);
    }
    if (n == 0) {
        return larguras;
    }
    if (flexivel < 0 || flexivel >= n) {
        flexivel = n - 1;
    }
    const auto soma = [&larguras] { return std::accumulate(larguras.begin(), larguras.end(), 0); };
    if (soma() > disponivel) {
        for (int i = 0; i < n; ++i) {
            if (i != flexivel) {
                larguras[i] = std::min(larguras[i], std::max(cabecalho[i], disponivel / 4));
            }
        }
    }
    // The flexible column keeps its whole value while it takes at most half the room.
    const int outras = soma() - larguras[flexivel];
    larguras[flexivel] = std::max(
        {cabecalho[flexivel], disponivel - outras, std::min(conteudo[flexivel], disponivel / 2)});
    return larguras;
}
