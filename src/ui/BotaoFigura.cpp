#include "ui/BotaoFigura.h"

#include <QMouseEvent>
#include <QPainter>

BotaoFigura::BotaoFigura(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::PointingHandCursor);
}

void BotaoFigura::setPicture(const QPixmap& figura) {
    m_figura = figura;
    update();
}

QSize BotaoFigura::sizeHint() const {
    return m_figura.isNull() ? QSize(75, 23) : m_figura.deviceIndependentSize().toSize();
}

void BotaoFigura::paintEvent(QPaintEvent*) {
    QPainter pintor(this);
    pintor.drawPixmap(0, 0, m_figura);
}

void BotaoFigura::mousePressEvent(QMouseEvent* evento) {
    emit pressionado(evento->button());
}

void BotaoFigura::mouseReleaseEvent(QMouseEvent* evento) {
    emit solto(evento->button());
    if (evento->button() == Qt::LeftButton && rect().contains(evento->position().toPoint())) {
        emit clicado();
    }
}

QPixmap DesenharFaceBotao(const QSize& tamanho, const QString& legenda, bool pressionado) {
    QPixmap face(tamanho);
    face.fill(QColor(0xD4, 0xD0, 0xC8));
    QPainter pintor(&face);
    const QRect r(0, 0, tamanho.width() - 1, tamanho.height() - 1);
    const QColor claro(Qt::white);
    const QColor escuro(0x80, 0x80, 0x80);
    const QColor topo = pressionado ? escuro : claro;
    const QColor base = pressionado ? claro : escuro;
    pintor.setPen(topo);
    pintor.drawLine(r.topLeft(), r.topRight());
    pintor.drawLine(r.topLeft(), r.bottomLeft());
    pintor.setPen(base);
    pintor.drawLine(r.bottomLeft(), r.bottomRight());
    pintor.drawLine(r.topRight(), r.bottomRight());
    pintor.setPen(Qt::black);
    QFont fonte = pintor.font();
    fonte.setPixelSize(11);
    fonte.setBold(true);
    pintor.setFont(fonte);
    const int desvio = pressionado ? 1 : 0;
    pintor.drawText(r.translated(desvio, desvio), Qt::AlignCenter, legenda);
    return face;
}
