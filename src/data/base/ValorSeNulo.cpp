#include "data/base/ValorSeNulo.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

QVariant ValorSeNulo(const QVariant& valor, const QVariant& padrao) {
    return valor.isNull() ? padrao : valor;
}

QString TextoDoValor(const QVariant& valor) {
    if (valor.isNull()) {
        return QString();
    }
    switch (valor.typeId()) {
        case QMetaType::QDateTime: {
            const QDateTime dt = valor.toDateTime();
            QString texto = dt.date().toString("dd/MM/yyyy");
            if (dt.time() != QTime(0, 0)) {
                texto += dt.time().toString(" HH:mm:ss");
            }
            return texto;
        }
        case QMetaType::QDate:
            return valor.toDate().toString("dd/MM/yyyy");
        case QMetaType::Bool:
            return valor.toBool() ? QStringLiteral("Verdadeiro") : QStringLiteral("Falso");
        case QMetaType::Double:
        case QMetaType::Float:
            // Shortest exact form, with the pt-BR decimal comma and no digit grouping.
            return QString::number(valor.toDouble(), 'g', 15).replace('.', ',');
        default:
            return valor.toString();
    }
}
