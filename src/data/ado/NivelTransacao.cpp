#include "data/ado/NivelTransacao.h"

#include "data/base/ErroNumerado.h"
#include "data/base/TabelaErros.h"

bool NivelTransacao::Abrir() {
    // clsADO counts a level even when the database refused it: it is ours to cancel.
    m_aberto = true;
    return m_ado.TransaçãoIniciar(m_cn);
}

bool NivelTransacao::Confirmar() {
    if (!m_aberto) {
        return false;
    }
    m_aberto = false;
    if (m_ado.TransaçãoFinalizar(m_cn)) {
        return true;
    }
    m_desfeito = m_ado.ProfundidadeTransação() == 0;
    if (m_desfeito) {
        try {
            m_cn.RollbackTrans();
        } catch (const ErroNumerado& e) {
            m_desfeito = e.Number() == dados::ErroSemTransacao;
        }
    }
    return false;
}

void NivelTransacao::Cancelar() {
    if (m_aberto) {
        m_aberto = false;
        const bool externo = m_ado.ProfundidadeTransação() == 1;
        const bool desfeito =
            m_ado.TransaçãoCancelar(m_cn) || m_ado.ErrorNumber() == dados::ErroSemTransacao;
        // Cancelling a transaction the database does not hold leaves nothing changed.
        m_desfeito = externo && desfeito;
    }
}
