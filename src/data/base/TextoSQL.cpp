#include "data/base/TextoSQL.h"

#include <QDate>
#include <QDateTime>

namespace dados {

QString LiteralTSql(const QVariant& valor) {
    if (valor.isNull()) {
        return QStringLiteral("NULL");
    }
    switch (valor.typeId()) {
        case QMetaType::Bool:
            return valor.toBool() ? QStringLiteral("1") : QStringLiteral("0");
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::Long:
            return valor.toString();
        case QMetaType::Double:
        case QMetaType::Float:
            return QString::number(valor.toDouble(), 'g', 17);
        case QMetaType::QDateTime:
            return QLatin1Char('\'') +
                   valor.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
                   QLatin1Char('\'');
        case QMetaType::QDate:
            return QLatin1Char('\'') + valor.toDate().toString(QStringLiteral("yyyy-MM-dd")) +
                   QLatin1Char('\'');
        default: {
            QString texto = valor.toString();
            texto.replace(QLatin1Char('\''), QStringLiteral("''"));
            return QStringLiteral("N'") + texto + QLatin1Char('\'');
        }
    }
}

QString NomeTSql(const QString& nome) {
    QString n = nome;
    n.replace(QLatin1Char(']'), QStringLiteral("]]"));
    return QLatin1Char('[') + n + QLatin1Char(']');
}

}  // namespace dados
