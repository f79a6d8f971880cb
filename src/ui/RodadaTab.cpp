#include "ui/RodadaTab.h"

#include <QLayout>
#include <QWidget>

void RodadaTab::Definir(const QList<QWidget*>& cadeia) {
    m_cadeia = cadeia;
    for (int i = 0; i + 1 < cadeia.size(); ++i) {
        QWidget::setTabOrder(cadeia[i], cadeia[i + 1]);
    }
}

bool RodadaTab::Avancar(QWidget* atual, bool proximo) const {
    const int posicao = m_cadeia.indexOf(atual);
    if (posicao < 0) {
        return false;
    }
    const int n = int(m_cadeia.size());
    for (int passo = 1; passo < n; ++passo) {
        QWidget* w = m_cadeia[((posicao + (proximo ? passo : -passo)) % n + n) % n];
        if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) {
            w->setFocus(proximo ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            break;
        }
    }
    return true;
}

QList<QWidget*> RodadaTab::DoLayout(const QLayout& layout) {
    QList<QWidget*> widgets;
    for (int i = 0; i < layout.count(); ++i) {
        QWidget* w = layout.itemAt(i)->widget();
        if (w && (w->focusPolicy() & Qt::TabFocus)) {
            widgets << w;
        }
    }
    return widgets;
}
