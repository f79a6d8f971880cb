#include "ui/EntradaSegurada.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

EntradaSegurada::EntradaSegurada(QWidget& janela, QList<QWidget*> segurados,
                                 QAbstractItemView& grade, QPushButton& cancelar, QLabel& contador,
                                 std::function<QString()> progresso)
    : QObject(&janela),
      m_janela(janela),
      m_segurados(std::move(segurados)),
      m_grade(grade),
      m_cancelar(cancelar),
      m_contador(contador),
      m_progresso(std::move(progresso)),
      m_relogio(new QTimer(this)) {
    m_relogio->setInterval(200);
    connect(m_relogio, &QTimer::timeout, this, [this] { m_contador.setText(m_progresso()); });
}

void EntradaSegurada::Segurar(bool segurar) {
    if (segurar) {
        m_focoAntes = QApplication::focusWidget();
        m_contadorAntes = m_contador.text();
        m_contador.setText(m_progresso());
        m_relogio->start();
    } else {
        m_relogio->stop();
    }
    for (QWidget* w : m_segurados) {
        w->setEnabled(!segurar);
    }
    m_cancelar.setVisible(segurar);
    m_cancelar.setEnabled(segurar);
    m_grade.viewport()->setCursor(segurar ? Qt::BusyCursor : Qt::ArrowCursor);
    if (!m_janela.isActiveWindow()) {
        return;
    }
    if (segurar) {
        m_cancelar.setFocus(Qt::OtherFocusReason);
    } else {
        QWidget* foco =
            m_focoAntes && m_janela.isAncestorOf(m_focoAntes) && m_focoAntes->isEnabled()
                ? m_focoAntes.data()
                : &m_grade;
        foco->setFocus(Qt::OtherFocusReason);
    }
}
