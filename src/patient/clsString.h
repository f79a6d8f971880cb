#pragma once

#include <QString>

#include "patient/clsError.h"

// One text field of a record: its value, display name, required flag and length limits.
// Lengths count characters (UTF-16 code units, as the database's nvarchar limits do).
class clsString {
  public:
    clsError& Erro() { return m_erro; }
    const clsError& Erro() const { return m_erro; }
    void setErro(const clsError& erro) { m_erro = erro; }

    const QString& Valor() const { return m_valor; }
    void setValor(const QString& valor) { m_valor = valor; }

    // The text ready to stand between single quotes in a T-SQL statement: each quote or
    // apostrophe becomes a separate CHAR() call joined to the literal.
    QString TextoParaSQL() const { return TextoParaSQL(m_valor); }
    QString TextoParaSQL(const QString& fTexto) const;

    bool Validar() { return Validar(m_valor); }
    bool Validar(const QString& fTexto);

    const QString& Nome() const { return m_nome; }
    void setNome(const QString& valor) { m_nome = valor; }

    bool Obrigatório() const { return m_obrigatorio; }
    void setObrigatório(bool valor) { m_obrigatorio = valor; }

    qint32 TamanhoMínimo() const { return m_tamanhoMinimo; }
    void setTamanhoMínimo(qint32 valor) { m_tamanhoMinimo = valor; }

    qint32 TamanhoMáximo() const { return m_tamanhoMaximo; }
    void setTamanhoMáximo(qint32 valor) { m_tamanhoMaximo = valor; }

  private:
    void ErroRegistrar(qint32 codigo, qsizetype tamanho);

    QString m_valor;
    QString m_nome;
    bool m_obrigatorio = false;
    qint32 m_tamanhoMinimo = 0;
    qint32 m_tamanhoMaximo = 0;
    clsError m_erro;
};
