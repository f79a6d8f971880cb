#include "ui/GeometriaJanela.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSplitter>
#include <QWidget>
#include <algorithm>

#include "settings/Configuracao.h"

namespace {

const QString kSecaoJanela = QStringLiteral("Janela");

QString chave(const char* nome, qint32 usuario) {
    return QStringLiteral("%1_%2").arg(QLatin1String(nome)).arg(usuario);
}

}  // namespace

GeometriaJanela::GeometriaJanela(QWidget& janela, QList<QSplitter*> divisores)
    : m_janela(janela), m_divisores(std::move(divisores)) {}

void GeometriaJanela::CaberNaTela(QWidget& janela) {
    QScreen* tela = janela.screen() ? janela.screen() : QGuiApplication::primaryScreen();
    if (!tela || janela.isMaximized() || janela.isFullScreen()) {
        return;
    }
    const QRect area = tela->availableGeometry();
    // The frame's decorations count too (known once shown; an estimate before).
    QSize moldura = janela.frameGeometry().size() - janela.geometry().size();
    if (!janela.isVisible() || moldura.isEmpty()) {
        moldura = QSize(16, 40).boundedTo(area.size() / 10);
    }
    const QSize cabe = (area.size() - moldura).expandedTo(janela.minimumSizeHint());
    janela.resize(janela.size().boundedTo(cabe));
    QRect g = janela.frameGeometry();
    g.setSize(janela.size() + moldura);
    if (!area.contains(g)) {
        const int x =
            std::clamp(g.x(), area.left(), std::max(area.left(), area.right() - g.width() + 1));
        const int y =
            std::clamp(g.y(), area.top(), std::max(area.top(), area.bottom() - g.height() + 1));
        janela.move(x, y);
    }
}

bool GeometriaJanela::Restaurar(qint32 usuario) {
    const QString geometria =
        GetSetting(kAplicacaoCadunir, kSecaoJanela, chave("Geometria", usuario));
    if (!geometria.isEmpty()) {
        m_janela.restoreGeometry(QByteArray::fromBase64(geometria.toLatin1()));
    }
    const QStringList salvos =
        GetSetting(kAplicacaoCadunir, kSecaoJanela, chave("Divisores", usuario))
            .split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (int i = 0; i < m_divisores.size() && i < salvos.size(); ++i) {
        m_divisores[i]->restoreState(QByteArray::fromBase64(salvos[i].toLatin1()));
    }
    CaberNaTela(m_janela);
    return !geometria.isEmpty();
}

void GeometriaJanela::Gravar(qint32 usuario) const {
    SaveSetting(kAplicacaoCadunir, kSecaoJanela, chave("Geometria", usuario),
                QString::fromLatin1(m_janela.saveGeometry().toBase64()));
    QStringList estados;
    for (const QSplitter* d : m_divisores) {
        estados << QString::fromLatin1(d->saveState().toBase64());
    }
    SaveSetting(kAplicacaoCadunir, kSecaoJanela, chave("Divisores", usuario),
                estados.join(QLatin1Char(',')));
}
