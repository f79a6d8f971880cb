#include "merge/clsDesc_ImpressaoTipo.h"

#include "data/base/ValorSeNulo.h"
#include "patient/Consulta.h"

clsDesc_ImpressãoTipo::clsDesc_ImpressãoTipo(Connection& fCN, clsADO& fADO)
    : m_cn(fCN), m_ado(fADO) {
    m_descritivo.setNome(QStringLiteral("Descritivo_Impressão_Tipo"));
    m_descritivo.setTamanhoMáximo(50);
    m_rpt.setNome(QStringLiteral("RPT"));
    m_rpt.setTamanhoMáximo(255);
}

bool clsDesc_ImpressãoTipo::Localizar(qint32 fID) {
    return consulta::Localizar(
        m_cn, m_ado,
        QStringLiteral("Select * From Descritivo_Impressão_Tipo ") +
            " Where ID_Descritivo_Impressão_Tipo = " + QString::number(fID),
        m_erro, QStringLiteral("Localizar"), [this](Recordset& rs) {
            m_id = ValorSeNulo(rs.Fields(QStringLiteral("ID_Descritivo_Impressão_Tipo")).Value(), 0)
                       .toInt();
            m_descritivo.setValor(
                TextoDoValor(rs.Fields(QStringLiteral("Descritivo_Impressão_Tipo")).Value()));
            m_rpt.setValor(TextoDoValor(rs.Fields(QStringLiteral("rpt")).Value()));
        });
}

bool clsDesc_ImpressãoTipo::Existir(qint32 fID) {
    return consulta::Contar(m_cn, m_ado,
                            QStringLiteral("Select count(*) From Descritivo_Impressão_Tipo ") +
                                " Where ID_Descritivo_Impressão_Tipo = " + QString::number(fID) +
                                " ",
                            m_erro, QStringLiteral("Existir")) > 0;
}
