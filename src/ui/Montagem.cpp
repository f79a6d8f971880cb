#include "ui/Montagem.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

QPushButton* BotaoNomeado(const QString& texto, const QString& nome, const QString& dica) {
    auto* botao = Nomeado(new QPushButton(texto), nome);
    if (!dica.isEmpty()) {
        botao->setToolTip(dica);
    }
    return botao;
}

QHBoxLayout* BotoesOkCancelar(QWidget& dialogo, QPushButton*& ok, QPushButton*& cancelar) {
    ok = Nomeado(new QPushButton(QStringLiteral("&OK"), &dialogo), QStringLiteral("cmdOK"));
    ok->setDefault(true);
    cancelar = Nomeado(new QPushButton(QStringLiteral("&Cancelar"), &dialogo),
                       QStringLiteral("cmdCancelar"));
    cancelar->setAutoDefault(false);
    auto* botoes = new QHBoxLayout;
    botoes->addStretch();
    botoes->addWidget(ok);
    botoes->addWidget(cancelar);
    return botoes;
}

QSplitter* Divisor(Qt::Orientation sentido, const QString& nome, QWidget* a, QWidget* b, int pesoA,
                   int pesoB) {
    auto* d = Nomeado(new QSplitter(sentido), nome);
    d->addWidget(a);
    d->addWidget(b);
    d->setStretchFactor(0, pesoA);
    d->setStretchFactor(1, pesoB);
    d->setChildrenCollapsible(false);
    return d;
}

QWidget* Pilha(const QList<QObject*>& partes, int cresce) {
    auto* painel = new QWidget;
    auto* layout = new QVBoxLayout(painel);
    layout->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < partes.size(); ++i) {
        const int peso = i == cresce ? 1 : 0;
        if (auto* parte = qobject_cast<QLayout*>(partes[i])) {
            layout->addLayout(parte, peso);
        } else {
            layout->addWidget(qobject_cast<QWidget*>(partes[i]), peso);
        }
    }
    return painel;
}
