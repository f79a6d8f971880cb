#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class QAbstractItemView;
class QLabel;
class QPushButton;
class QTimer;
class QWidget;

// While a task off the window's thread prepares what some controls will show, those controls
// take no input: clicks and keys on them are dropped, so nothing is replayed on the new result.
// The counter shows the task's progress, the grid a busy cursor; Cancel shows, stays live and
// takes the focus, which goes back where it was (or to the grid) when the hold ends.
class EntradaSegurada : public QObject {
    Q_OBJECT

  public:
    EntradaSegurada(QWidget& janela, QList<QWidget*> segurados, QAbstractItemView& grade,
                    QPushButton& cancelar, QLabel& contador, std::function<QString()> progresso);

    void Segurar(bool segurar);
    // The counter's text before the hold began.
    QString ContadorAntes() const { return m_contadorAntes; }

  private:
    QWidget& m_janela;
    QList<QWidget*> m_segurados;
    QAbstractItemView& m_grade;
    QPushButton& m_cancelar;
    QLabel& m_contador;
    std::function<QString()> m_progresso;
    QTimer* m_relogio;
    QString m_contadorAntes;
    QPointer<QWidget> m_focoAntes;
};
