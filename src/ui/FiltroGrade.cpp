#include "ui/FiltroGrade.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QTableView>
#include <algorithm>

FiltroGrade::FiltroGrade(QTableView& grade) : QObject(&grade), m_grade(grade) {}

void FiltroGrade::Configurar(QTableView& grade) {
    grade.setTabKeyNavigation(false);
    grade.setWordWrap(false);
    grade.setTextElideMode(Qt::ElideRight);
    grade.horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grade.horizontalHeader()->setStretchLastSection(true);
    grade.horizontalHeader()->setSectionsClickable(true);
    grade.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    auto* filtro = new FiltroGrade(grade);
    grade.installEventFilter(filtro);
    filtro->ajustarAlturaLinhas();
}

void FiltroGrade::ajustarAlturaLinhas() {
    const int altura = m_grade.fontMetrics().height() + 8;
    m_grade.verticalHeader()->setMinimumSectionSize(altura);
    m_grade.verticalHeader()->setDefaultSectionSize(altura);
}

bool FiltroGrade::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        ajustarAlturaLinhas();
    } else if (event->type() == QEvent::KeyPress) {
        auto* tecla = static_cast<QKeyEvent*>(event);
        const bool tab = tecla->key() == Qt::Key_Tab || tecla->key() == Qt::Key_Backtab;
        const QAbstractItemModel* modelo = m_grade.model();
        if (tab && (tecla->modifiers() & Qt::ControlModifier) && modelo) {
            const bool volta =
                tecla->key() == Qt::Key_Backtab || (tecla->modifiers() & Qt::ShiftModifier);
            const QModelIndex atual = m_grade.currentIndex();
            const int colunas = modelo->columnCount();
            const int linhas = modelo->rowCount();
            if (colunas > 0 && linhas > 0) {
                int celula = atual.isValid() ? atual.row() * colunas + atual.column() : -1;
                celula = std::clamp(celula + (volta ? -1 : 1), 0, linhas * colunas - 1);
                m_grade.setCurrentIndex(modelo->index(celula / colunas, celula % colunas));
            }
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
