#include "settings/CelulaPlanilha.h"

#include <QRegularExpression>

namespace {

bool Numero(const QString& texto) {
    static const QRegularExpression numero(
        QStringLiteral("^[+-]?(\\d+([.,]\\d*)?|[.,]\\d+)([eE][+-]?\\d+)?$"));
    return numero.match(texto).hasMatch();
}

// Replaces the control characters a cell must not carry and says whether a spreadsheet would
// evaluate what is left.
bool Limpar(QString& texto, bool tsv) {
    for (QChar& c : texto) {
        const char16_t u = c.unicode();
        const bool quebra = u == '\t' || u == '\n' || u == '\r';
        if (quebra ? tsv : c.category() == QChar::Other_Control || u == 0x2028 || u == 0x2029) {
            c = QLatin1Char(' ');
        }
    }
    if (texto.startsWith(QLatin1Char('\t')) || texto.startsWith(QLatin1Char('\r'))) {
        return true;
    }
    qsizetype i = 0;
    while (i < texto.size() && texto[i] == QLatin1Char(' ')) {
        ++i;
    }
    return i < texto.size() && QStringLiteral("=+-@").contains(texto[i]) && !Numero(texto);
}

}  // namespace

QString CelulaCSV(const QString& texto, QChar separador) {
    QString t = texto;
    const bool formula = Limpar(t, false);
    if (formula) {
        t.prepend(QLatin1Char('\''));
    }
    if (formula || t.contains(separador) || t.contains(QLatin1Char('"')) ||
        t.contains(QLatin1Char('\n')) || t.contains(QLatin1Char('\r'))) {
        t.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        return QLatin1Char('"') + t + QLatin1Char('"');
    }
    return t;
}

QString CelulaTSV(const QString& texto) {
    QString t = texto;
    if (Limpar(t, true)) {
        t.prepend(QLatin1Char('\''));
    }
    return t;
}

QString LinhaCSV(const QStringList& celulas, QChar separador) {
    QStringList linha;
    for (const QString& c : celulas) {
        linha << CelulaCSV(c, separador);
    }
    return linha.join(separador);
}

QString LinhaTSV(const QStringList& celulas) {
    QStringList linha;
    for (const QString& c : celulas) {
        linha << CelulaTSV(c);
    }
    return linha.join(QLatin1Char('\t'));
}
