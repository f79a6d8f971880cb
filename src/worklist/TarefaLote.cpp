#include "worklist/TarefaLote.h"

#include <QMetaObject>

TarefaLote::TarefaLote(QString connectionString, qint32 usuario, QObject* parent)
    : TrabalhoConexaoPropria(std::move(connectionString), parent), m_usuario(usuario) {}

void TarefaLote::Planejar(double limiar) {
    m_limiar = limiar;
    Rodar([this](Connection& cn, clsADO& ado) {
        clsPlanoLote plano(cn, ado);
        const bool ok =
            m_erro.isEmpty() && plano.Planejar(m_limiar, {}, [this] { return Cancelado(); });
        if (m_erro.isEmpty() && !ok) {
            m_erro = plano.Erro();
        }
        m_grupos = plano.Grupos();
        m_resumo = plano.ResumoPlano();
        Concluir([this, ok] { emit planejado(ok); });
    });
}

void TarefaLote::Executar() {
    Rodar([this](Connection& cn, clsADO& ado) {
        clsExecucaoLote execucao(cn, ado, m_usuario);
        bool ok = m_erro.isEmpty() && execucao.Criar(m_limiar, m_grupos, m_resumo);
        m_lote = execucao.Lote();
        if (ok) {
            ok = execucao.Executar(
                [this](const clsExecucaoLote::Andamento& a, const clsLoteRegistro::Grupo&) {
                    QMetaObject::invokeMethod(
                        this, [this, a] { emit andamento(a.feitos, a.total); },
                        Qt::QueuedConnection);
                },
                [this] { return Cancelado(); });
        }
        if (m_erro.isEmpty() && !ok) {
            m_erro = execucao.Mensagem();
        }
        m_andamento = execucao.Situacao();
        m_interrompida = execucao.Interrompido();
        m_grupos = execucao.Grupos();
        Concluir([this, ok] { emit terminou(ok); });
    });
}
