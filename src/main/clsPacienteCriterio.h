#pragma once

#include <QString>

#include "patient/clsString.h"

// The duplicate-search engine: which patient fields the administrator groups on (a field's
// Obrigatório flag marks it chosen) and, once a group is picked, that group's values. It only
// builds SQL text; it runs nothing. Builders answer the empty text when there is nothing to
// build, and callers test for that.
class clsPacienteCriterio {
  public:
    clsPacienteCriterio();

    clsString& Nome() { return m_nome; }
    void setNome(const clsString& v) { m_nome = v; }
    clsString& Nome_Meio() { return m_nomeMeio; }
    void setNome_Meio(const clsString& v) { m_nomeMeio = v; }
    clsString& Nome_Último() { return m_nomeUltimo; }
    void setNome_Último(const clsString& v) { m_nomeUltimo = v; }
    clsString& RG() { return m_rg; }
    void setRG(const clsString& v) { m_rg = v; }
    clsString& CIC() { return m_cic; }
    void setCIC(const clsString& v) { m_cic = v; }
    clsString& Prontuário() { return m_prontuario; }
    void setProntuário(const clsString& v) { m_prontuario = v; }
    clsString& Data_Nascimento() { return m_dataNascimento; }
    void setData_Nascimento(const clsString& v) { m_dataNascimento = v; }

    bool MasQueUmaOcorrencia() const { return m_masQueUmaOcorrencia; }
    void setMasQueUmaOcorrencia(bool v) { m_masQueUmaOcorrencia = v; }

    QString ObterSELECT() const;
    QString ObterWHERE() const;
    QString ObterHAVING() const;
    QString ObterSQLComAgrupamento() const;
    QString ObterSQLSemAgrupamento() const;

    bool NomeSeparar(const QString& fNomeCompleto);
    QString GetNomeCompleto() const;

  private:
    // The seven criteria in the fixed order of every column list and condition.
    const clsString* criterio(int ordem) const;

    clsString m_nome;
    clsString m_nomeMeio;
    clsString m_nomeUltimo;
    clsString m_rg;
    clsString m_cic;
    clsString m_prontuario;
    clsString m_dataNascimento;
    bool m_masQueUmaOcorrencia = false;
};
