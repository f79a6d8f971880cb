#include "data/base/Diagnostico.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstdio>

#include "data/base/Relogio.h"

namespace dados {

QString ArquivoDiagnostico() {
    static const QString caminho = [] {
        QString pasta = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        if (pasta.isEmpty()) {
            return QString();
        }
        pasta += QStringLiteral("/Cadunir");
        if (!QDir().mkpath(pasta)) {
            return QString();
        }
        return pasta + QStringLiteral("/cadunir.log");
    }();
    return caminho;
}

namespace {
bool g_silencioso = false;
thread_local QString t_ultimo;
constexpr qint64 kTamanhoMaximo = 1024 * 1024;
}  // namespace

void SilenciarDiagnosticoNoTerminal(bool silenciar) {
    g_silencioso = silenciar;
}

QString UltimoDiagnostico() {
    return t_ultimo;
}

void LimparUltimoDiagnostico() {
    t_ultimo.clear();
}

void RegistrarDiagnostico(const QString& linha) {
    const QString texto = MascararSenhas(linha);
    t_ultimo = texto;
    const QByteArray bytes = (Relogio::Agora().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss ")) +
                              texto + QLatin1Char('\n'))
                                 .toUtf8();
    if (!g_silencioso) {
        std::fputs(("cadunir: " + texto + QLatin1Char('\n')).toUtf8().constData(), stderr);
    }
    const QString arquivo = ArquivoDiagnostico();
    if (!arquivo.isEmpty()) {
        // One old generation is kept, so the log never grows without bound.
        if (QFileInfo(arquivo).size() > kTamanhoMaximo) {
            QFile::remove(arquivo + QStringLiteral(".1"));
            QFile::rename(arquivo, arquivo + QStringLiteral(".1"));
        }
        QFile f(arquivo);
        if (f.open(QIODevice::Append | QIODevice::WriteOnly)) {
            f.write(bytes);
        }
    }
}

}  // namespace dados
