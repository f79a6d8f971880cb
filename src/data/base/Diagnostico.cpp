#include "data/base/Diagnostico.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <cstdio>

#include "data/base/Relogio.h"

namespace dados {

QString MascararSenhas(const QString& texto) {
    // A value may be braced ({a;b}, with }} inside) or quoted ("a;b", 'a;b'): mask it whole.
    static const QRegularExpression conexao(
        QStringLiteral(
            R"re(((?:Password|Pwd)\s*=\s*)(\{(?:[^}]|\}\})*\}|"(?:[^"]|"")*"|'(?:[^']|'')*'|[^;]*))re"),
        QRegularExpression::CaseInsensitiveOption);
    // Senha = '...' with doubled quotes inside the literal, and '..' + CHAR(39) + '..' runs.
    static const QRegularExpression senha(
        QStringLiteral(
            R"re((Senha\]?\s*(?:=|<>|!=)\s*)N?'(?:[^']|'')*'(?:\s*\+\s*(?:CHAR\s*\(\s*\d+\s*\)|N?'(?:[^']|'')*'))*)re"),
        QRegularExpression::CaseInsensitiveOption);
    QString r = texto;
    r.replace(conexao, QStringLiteral("\\1***"));
    r.replace(senha, QStringLiteral("\\1'***'"));
    return r;
}

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
constexpr qint64 kTamanhoMaximo = 1024 * 1024;
}  // namespace

void SilenciarDiagnosticoNoTerminal(bool silenciar) {
    g_silencioso = silenciar;
}

void RegistrarDiagnostico(const QString& linha) {
    const QString texto = MascararSenhas(linha);
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
