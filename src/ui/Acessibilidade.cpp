#include "ui/Acessibilidade.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

QString semAtalho(QString texto) {
    // "&&" is a literal ampersand; a single "&" marks the access key.
    texto.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    texto.remove(QLatin1Char('&'));
    texto.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return texto.trimmed();
}

}  // namespace

void NomearControles(QWidget& raiz) {
    for (QLabel* rotulo : raiz.findChildren<QLabel*>()) {
        if (QWidget* alvo = rotulo->buddy(); alvo && alvo->accessibleName().isEmpty()) {
            alvo->setAccessibleName(semAtalho(rotulo->text()));
        }
    }
    for (QWidget* w : raiz.findChildren<QWidget*>()) {
        if (!w->accessibleName().isEmpty()) {
            continue;
        }
        if (auto* botao = qobject_cast<QAbstractButton*>(w); botao && !botao->text().isEmpty()) {
            w->setAccessibleName(semAtalho(botao->text()));
        } else if (auto* quadro = qobject_cast<QGroupBox*>(w)) {
            w->setAccessibleName(semAtalho(quadro->title()));
        } else if (auto* texto = qobject_cast<QLineEdit*>(w);
                   texto && !texto->placeholderText().isEmpty()) {
            w->setAccessibleName(texto->placeholderText());
        } else if (auto* lista = qobject_cast<QComboBox*>(w);
                   lista && !lista->placeholderText().isEmpty()) {
            w->setAccessibleName(lista->placeholderText());
        } else if (qobject_cast<QAbstractItemView*>(w) || qobject_cast<QPlainTextEdit*>(w)) {
            // A list or text in a frame of its own is what the frame says.
            for (QWidget* pai = w->parentWidget(); pai && pai != &raiz; pai = pai->parentWidget()) {
                if (auto* moldura = qobject_cast<QGroupBox*>(pai);
                    moldura && !moldura->title().isEmpty()) {
                    w->setAccessibleName(semAtalho(moldura->title()));
                    break;
                }
            }
        }
    }
}
