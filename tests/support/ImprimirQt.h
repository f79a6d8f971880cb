#pragma once

#include <QString>
#include <QVariant>
#include <ostream>

// Lets GoogleTest show Qt texts and values readably when an assertion fails.
inline void PrintTo(const QString& texto, std::ostream* os) {
    *os << '"' << texto.toStdString() << '"';
}

inline void PrintTo(const QVariant& valor, std::ostream* os) {
    *os << (valor.isNull()
                ? std::string("NULL")
                : valor.typeName() + std::string("(") + valor.toString().toStdString() + ")");
}
