#pragma once

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "patient/clsError.h"
#include "patient/clsString.h"

// One row of Descritivo_Impressão_Tipo: a type of print description and the report file
// (rpt) that prints it.
class clsDesc_ImpressãoTipo {
  public:
    explicit clsDesc_ImpressãoTipo(Connection& fCN, clsADO& fADO);
    clsDesc_ImpressãoTipo(const clsDesc_ImpressãoTipo&) = delete;
    clsDesc_ImpressãoTipo& operator=(const clsDesc_ImpressãoTipo&) = delete;

    qint32 ID_Descritivo_Impressão_Tipo() const { return m_id; }
    clsString& Descritivo_Impressão_Tipo() { return m_descritivo; }
    void setDescritivo_Impressão_Tipo(const clsString& v) { m_descritivo = v; }
    clsString& RPT() { return m_rpt; }
    void setRPT(const clsString& v) { m_rpt = v; }
    clsError& Erro() { return m_erro; }
    void setErro(const clsError& v) { m_erro = v; }

    bool Localizar(qint32 fID);
    bool Existir(qint32 fID);

  private:
    Connection& m_cn;
    clsADO& m_ado;
    qint32 m_id = 0;
    clsString m_descritivo;
    clsString m_rpt;
    clsError m_erro;
};
