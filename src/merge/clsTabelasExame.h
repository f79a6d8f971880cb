#pragma once

#include <QString>

// The names of the reporting system's twelve tables that hold one exam, in their live form
// (TBTipo 0) or their backup form with the suffix "_BK" (TBTipo 1).
class clsTabelasExame {
  public:
    clsTabelasExame() { setTBTipo(0); }

    qint32 TBTipo() const { return m_tipo; }
    // 0 and 1 choose the names; any other value is kept and leaves the names as they were.
    void setTBTipo(qint32 v);

    const QString& TBExame() const { return m_exame; }
    const QString& TBExamePágina() const { return m_pagina; }
    const QString& TBExameImagem() const { return m_imagem; }
    const QString& TBExameDescritivo() const { return m_descritivo; }
    const QString& TBExameAplique() const { return m_aplique; }
    const QString& TBExameBethesda() const { return m_bethesda; }
    const QString& TBExame_Etapa() const { return m_etapa; }
    void setTBExame_Etapa(const QString& v) { m_etapa = v; }
    const QString& TBExame_CID() const { return m_cid; }
    void setTBExame_CID(const QString& v) { m_cid = v; }
    const QString& TBExame_Descritivo_Impressão_Tipo() const { return m_descritivoImpressao; }
    void setTBExame_Descritivo_Impressão_Tipo(const QString& v) { m_descritivoImpressao = v; }
    const QString& TBExame_Etapa_Histórico() const { return m_etapaHistorico; }
    void setTBExame_Etapa_Histórico(const QString& v) { m_etapaHistorico = v; }
    const QString& TBExame_Etapa_Imprimir() const { return m_etapaImprimir; }
    void setTBExame_Etapa_Imprimir(const QString& v) { m_etapaImprimir = v; }
    const QString& TBExame_Responsável() const { return m_responsavel; }
    void setTBExame_Responsável(const QString& v) { m_responsavel = v; }

  private:
    qint32 m_tipo = 0;
    QString m_exame, m_pagina, m_imagem, m_descritivo, m_aplique, m_bethesda, m_etapa, m_cid,
        m_descritivoImpressao, m_etapaHistorico, m_etapaImprimir, m_responsavel;
};
