#include "data/ado/Field.h"

#include "data/base/TabelaErros.h"

QVariant Field::Value() const {
    if (!m_temLinha) {
        dados::Falhar(dados::ErroBofEof, QStringLiteral("Field"),
                      QStringLiteral("read of %1 with no current row").arg(m_name));
    }
    return m_value;
}

void Field::setValue(const QVariant& v) {
    if (!m_temLinha) {
        dados::Falhar(dados::ErroBofEof, QStringLiteral("Field"),
                      QStringLiteral("write of %1 with no current row").arg(m_name));
    }
    m_value = v;
    m_alterado = true;
}
