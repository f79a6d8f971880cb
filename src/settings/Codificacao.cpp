#include "settings/Codificacao.h"

#include <QStringDecoder>
#include <array>

namespace {

// Windows-1252 differs from Latin-1 only in 0x80-0x9F. The five bytes it leaves undefined
// map to the control character of the same number, as Windows itself converts them.
constexpr std::array<char16_t, 32> kFaixa80{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char ByteWindows1252(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        return static_cast<char>(c);
    }
    for (std::size_t i = 0; i < kFaixa80.size(); ++i) {
        if (kFaixa80[i] == c) {
            return static_cast<char>(0x80 + i);
        }
    }
    return '?';
}

}  // namespace

bool SoAscii(const QByteArray& bytes) {
    for (const char b : bytes) {
        if (static_cast<unsigned char>(b) >= 0x80) {
            return false;
        }
    }
    return true;
}

bool Utf8Valido(const QByteArray& bytes) {
    if (SoAscii(bytes)) {
        return true;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString texto = utf8.decode(bytes);  // the decoder works only when its result is taken
    return !utf8.hasError();
}

QString Decodificar(const QByteArray& bytes, Codificacao& usada) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString texto = utf8(bytes);
    if (!utf8.hasError()) {
        usada = Codificacao::Utf8;
        return texto;
    }
    usada = Codificacao::Windows1252;
    texto.resize(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        texto[i] = QChar(b >= 0x80 && b < 0xA0 ? kFaixa80[b - 0x80] : char16_t(b));
    }
    return texto;
}

QByteArray Codificar(const QString& texto, Codificacao codificacao) {
    if (codificacao == Codificacao::Utf8) {
        return texto.toUtf8();
    }
    QByteArray bytes(texto.size(), Qt::Uninitialized);
    qsizetype n = 0;
    for (qsizetype i = 0; i < texto.size(); ++i) {
        // A character outside the BMP is two UTF-16 units but one "?".
        if (texto[i].isLowSurrogate() && i > 0 && texto[i - 1].isHighSurrogate()) {
            continue;
        }
        bytes[n++] = ByteWindows1252(texto[i].unicode());
    }
    bytes.truncate(n);
    return bytes;
}

Codificacao CodificacaoNativa() {
#ifdef Q_OS_WIN
    return Codificacao::Windows1252;
#else
    return Codificacao::Utf8;
#endif
}
