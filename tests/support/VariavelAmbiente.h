#pragma once

#include <QByteArray>
#include <QtGlobal>

// Sets an environment variable (a null value unsets it) for one scope, then puts back what was
// there.
class VariavelAmbiente {
  public:
    VariavelAmbiente(const char* nome, const QByteArray& valor)
        : m_nome(nome), m_tinha(qEnvironmentVariableIsSet(nome)), m_antes(qgetenv(nome)) {
        valor.isNull() ? qunsetenv(nome) : qputenv(nome, valor);
    }
    ~VariavelAmbiente() { m_tinha ? qputenv(m_nome, m_antes) : qunsetenv(m_nome); }
    VariavelAmbiente(const VariavelAmbiente&) = delete;
    VariavelAmbiente& operator=(const VariavelAmbiente&) = delete;

  private:
    const char* m_nome;
    bool m_tinha;
    QByteArray m_antes;
};
