#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <Qt>

class QHBoxLayout;
class QLayout;
class QPushButton;
class QSplitter;
class QWidget;

// How a window builds its controls: each named as the window's design names it (the name the
// tests and the demo find it by), buttons with their hover text, panes sharing the room.

template <typename W>
W* Nomeado(W* widget, const QString& nome) {
    widget->setObjectName(nome);
    return widget;
}

QPushButton* BotaoNomeado(const QString& texto, const QString& nome, const QString& dica = {});

// A dialog's OK (cmdOK, the default) and Cancel (cmdCancelar) buttons, children of `dialogo`,
// and the row that holds them at its right.
QHBoxLayout* BotoesOkCancelar(QWidget& dialogo, QPushButton*& ok, QPushButton*& cancelar);

// Two panes side by side or one above the other, sharing the room by their weights.
QSplitter* Divisor(Qt::Orientation sentido, const QString& nome, QWidget* a, QWidget* b, int pesoA,
                   int pesoB);

// A pane holding its parts (widgets or layouts) one above the other, edge to edge; the part at
// `cresce` takes the height left.
QWidget* Pilha(const QList<QObject*>& partes, int cresce);
