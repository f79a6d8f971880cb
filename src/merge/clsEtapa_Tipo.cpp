#include "merge/clsEtapa_Tipo.h"

#include "data/base/ValorSeNulo.h"
#include "patient/Consulta.h"

clsEtapa_Tipo::clsEtapa_Tipo(Connection& fCN, clsADO& fADO) : m_cn(fCN), m_ado(fADO) {
    m_etapaTipo.setNome(QStringLiteral("Etapa_Tipo"));
    m_etapaTipo.setTamanhoMáximo(50);
    m_descricao.setNome(QStringLiteral("Descrição"));
    m_descricao.setTamanhoMáximo(255);
}

bool clsEtapa_Tipo::Localizar(qint32 fID) {
    return consulta::Localizar(
        m_cn, m_ado,
        QStringLiteral("Select * From Etapa_Tipo") +
            " Where ID_Etapa_Tipo = " + QString::number(fID),
        m_erro, QStringLiteral("Localizar"), [this](Recordset& rs) {
            m_id = ValorSeNulo(rs.Fields(QStringLiteral("ID_Etapa_Tipo")).Value(), 0).toInt();
            m_etapaTipo.setValor(TextoDoValor(rs.Fields(QStringLiteral("Etapa_Tipo")).Value()));
            m_descricao.setValor(TextoDoValor(rs.Fields(QStringLiteral("Descrição")).Value()));
        });
}

bool clsEtapa_Tipo::Existir(qint32 fID) {
    // A row, not a count: the query names the key column.
    return consulta::Localizar(m_cn, m_ado,
                               QStringLiteral("Select ID_Etapa_Tipo From Etapa_Tipo") +
                                   " Where ID_Etapa_Tipo = " + QString::number(fID),
                               m_erro, QStringLiteral("Existir"), [](Recordset&) {});
}
