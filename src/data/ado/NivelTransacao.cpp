#include "data/ado/NivelTransacao.h"

#include "data/base/ErroNumerado.h"

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
    if (m_ado.ProfundidadeTransação() == 0) {
        try {
            m_cn.RollbackTrans();
        } catch (const ErroNumerado&) {
            // nothing was pending
        }
    }
    return false;
}

void NivelTransacao::Cancelar() {
    if (m_aberto) {
        m_aberto = false;
        m_ado.TransaçãoCancelar(m_cn);
    }
}
