#include "data/base/ErroNumerado.h"

#include <utility>

ErroNumerado::ErroNumerado(qint32 number, QString source, QString description,
                           std::optional<MensagemServidor> servidor)
    : m_number(number),
      m_source(std::move(source)),
      m_description(std::move(description)),
      m_servidor(std::move(servidor)) {
    m_what = (QString::number(m_number) + " - " + m_source + ": " + m_description).toUtf8();
}
