#pragma once

#include <QString>
#include <limits>

#include "patient/clsError.h"

// A whole number with a display name and bounds.
class clsNumber {
  public:
    clsError& Erro() { return m_erro; }
    const clsError& Erro() const { return m_erro; }
    void setErro(const clsError& erro) { m_erro = erro; }

    bool Validar() { return Validar(m_valor); }
    bool Validar(qint32 fValor);
    // Text is numeric as the program's locale writes numbers: "1.234", "-5", "12,5".
    bool Validar(const QString& fValor);

    qint32 Valor() const { return m_valor; }
    void setValor(qint32 valor) { m_valor = valor; }

    const QString& Nome() const { return m_nome; }
    void setNome(const QString& valor) { m_nome = valor; }

    qint32 ValorMínimo() const { return m_valorMinimo; }
    void setValorMínimo(qint32 valor) { m_valorMinimo = valor; }

    qint32 ValorMáximo() const { return m_valorMaximo; }
    void setValorMáximo(qint32 valor) { m_valorMaximo = valor; }

  private:
    bool ValidarFaixa(double valor);
    void ErroRegistrar(qint32 codigo);

    qint32 m_valor = 0;
    QString m_nome;
    qint32 m_valorMinimo = 0;
    qint32 m_valorMaximo = std::numeric_limits<qint32>::max();
    clsError m_erro;
};
