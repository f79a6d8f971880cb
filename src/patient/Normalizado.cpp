#include "patient/Normalizado.h"

QString Normalizado(const QString& valor) {
    return valor.trimmed().toCaseFolded();
}
