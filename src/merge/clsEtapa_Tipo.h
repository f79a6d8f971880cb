#pragma once

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "patient/clsError.h"
#include "patient/clsString.h"

// One row of Etapa_Tipo, the reporting system's exam stage types.
class clsEtapa_Tipo {
  public:
    explicit clsEtapa_Tipo(Connection& fCN, clsADO& fADO);
    clsEtapa_Tipo(const clsEtapa_Tipo&) = delete;
    clsEtapa_Tipo& operator=(const clsEtapa_Tipo&) = delete;

    qint32 ID_Etapa_Tipo() const { return m_id; }
    clsString& Etapa_Tipo() { return m_etapaTipo; }
    void setEtapa_Tipo(const clsString& v) { m_etapaTipo = v; }
    clsString& Descrição() { return m_descricao; }
    void setDescrição(const clsString& v) { m_descricao = v; }
    clsError& Erro() { return m_erro; }
    void setErro(const clsError& v) { m_erro = v; }

    // Loads the row with that ID; false (fields as they were) when there is none.
    bool Localizar(qint32 fID);
    bool Existir(qint32 fID);

  private:
    Connection& m_cn;
    clsADO& m_ado;
    qint32 m_id = 0;
    clsString m_etapaTipo;
    clsString m_descricao;
    clsError m_erro;
};
