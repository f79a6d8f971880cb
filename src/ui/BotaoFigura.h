#pragma once

#include <QPixmap>
#include <QWidget>

// A picture used as a button: it shows whatever picture its window gives it and reports the
// mouse, so that the window can swap a pressed face in on button down and the normal face back
// on button up. A click is a left-button press and release inside the picture.
class BotaoFigura : public QWidget {
    Q_OBJECT
  public:
    explicit BotaoFigura(QWidget* parent = nullptr);

    const QPixmap& Picture() const { return m_figura; }
    void setPicture(const QPixmap& figura);

    QSize sizeHint() const override;

  signals:
    void pressionado(Qt::MouseButton botao);
    void solto(Qt::MouseButton botao);
    void clicado();

  protected:
    void paintEvent(QPaintEvent* evento) override;
    void mousePressEvent(QMouseEvent* evento) override;
    void mouseReleaseEvent(QMouseEvent* evento) override;

  private:
    QPixmap m_figura;
};

// Simple button faces drawn for a picture button: a raised bevel with the caption centred, or,
// pressed, a sunken bevel with the caption moved one pixel down and right.
QPixmap DesenharFaceBotao(const QSize& tamanho, const QString& legenda, bool pressionado);
