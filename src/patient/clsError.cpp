#include "patient/clsError.h"

void clsError::AtualizarErro(qint32 fErrorNumber, const QString& fErrorString,
                             const QString& fErrorFunction, const QString& fErrorCampo) {
    m_number = fErrorNumber;
    m_string = fErrorString;
    m_function = fErrorFunction;
    m_campo = fErrorCampo;
}
