#include "ui/Aparencia.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QPainter>
#include <QStyleOption>
#include <QTranslator>

namespace {

void desenharMoldura(const QStyleOption& opcao, QPainter& pintor, QRect area) {
    pintor.save();
    pintor.setRenderHint(QPainter::Antialiasing, false);
    QPen caneta(opcao.palette.color(QPalette::Active, QPalette::Highlight));
    caneta.setWidth(2);
    pintor.setPen(caneta);
    pintor.setBrush(Qt::NoBrush);
    // A 2-pixel pen straddles the line: inset by one so both pixels fall inside the area.
    pintor.drawRect(area.adjusted(1, 1, -1, -1));
    pintor.restore();
}

}  // namespace

bool CarregarTraducoesQt(QApplication& app) {
    const QStringList pastas{
        QLibraryInfo::path(QLibraryInfo::TranslationsPath),
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("translations"))};
    const QLocale local(QLocale::Portuguese, QLocale::Brazil);
    bool carregou = false;
    for (const QString& pasta : pastas) {
        auto* traducao = new QTranslator(&app);
        if (traducao->load(local, QStringLiteral("qtbase"), QStringLiteral("_"), pasta)) {
            app.installTranslator(traducao);
            carregou = true;
            break;
        }
        delete traducao;
    }
    return carregou;
}

void EstiloFocoVisivel::drawPrimitive(PrimitiveElement elemento, const QStyleOption* opcao,
                                      QPainter* pintor, const QWidget* widget) const {
    if (elemento == PE_FrameFocusRect && opcao && pintor) {
        desenharMoldura(*opcao, *pintor, opcao->rect);
        return;
    }
    QProxyStyle::drawPrimitive(elemento, opcao, pintor, widget);
}

void EstiloFocoVisivel::drawControl(ControlElement elemento, const QStyleOption* opcao,
                                    QPainter* pintor, const QWidget* widget) const {
    QProxyStyle::drawControl(elemento, opcao, pintor, widget);
    // Some styles draw a button's focus inside its bevel, or not at all: the frame goes on top.
    if (elemento == CE_PushButton && opcao && pintor && (opcao->state & State_HasFocus)) {
        desenharMoldura(*opcao, *pintor, opcao->rect);
    }
}

void PrepararAparencia(QApplication& app) {
    CarregarTraducoesQt(app);
    QApplication::setStyle(new EstiloFocoVisivel);
}
