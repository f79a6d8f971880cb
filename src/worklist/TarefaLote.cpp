#include "worklist/TarefaLote.h"

#include <QMetaObject>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"

TarefaLote::TarefaLote(QString connectionString, qint32 usuario, QObject* parent)
    : QObject(parent), m_connectionString(std::move(connectionString)), m_usuario(usuario) {}

TarefaLote::~TarefaLote() {
    m_cancelar = true;
    if (m_trabalho.joinable()) {
        m_trabalho.join();
    }
}

// One step on the worker thread. Its results go into the members while the window only waits
// (Ocupada), and the signal that ends it is queued to this object's thread.
void TarefaLote::rodar(std::function<void(Connection&, clsADO&)> passo) {
    if (m_trabalho.joinable()) {
        m_trabalho.join();
    }
    m_cancelar = false;
    m_ocupada = true;
    m_erro.clear();
    m_trabalho = std::thread([this, passo = std::move(passo)] {
        if (!m_cn) {
            m_cn = std::make_unique<Connection>();
            m_ado = std::make_unique<clsADO>();
        }
        if (m_cn->State() == 0 && !m_ado->AbrirConexão(*m_cn, m_connectionString)) {
            m_erro = QStringLiteral(
                         "Ao abrir a conexão com o banco de dados, ocorreu o seguinte "
                         "erro:\n\n%1 - %2")
                         .arg(m_ado->ErrorNumber())
                         .arg(m_ado->ErrorString());
        }
        passo(*m_cn, *m_ado);  // with the failure in m_erro, only to say it
    });
}

void TarefaLote::Planejar(double limiar) {
    m_limiar = limiar;
    rodar([this](Connection& cn, clsADO& ado) {
        clsPlanoLote plano(cn, ado);
        const bool ok =
            m_erro.isEmpty() && plano.Planejar(m_limiar, {}, [this] { return m_cancelar.load(); });
        if (m_erro.isEmpty() && !ok) {
            m_erro = plano.Erro();
        }
        m_grupos = plano.Grupos();
        m_resumo = plano.ResumoPlano();
        QMetaObject::invokeMethod(
            this,
            [this, ok] {
                m_trabalho.join();
                m_ocupada = false;
                emit planejado(ok);
            },
            Qt::QueuedConnection);
    });
}

void TarefaLote::Executar() {
    rodar([this](Connection& cn, clsADO& ado) {
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
                [this] { return m_cancelar.load(); });
        }
        if (m_erro.isEmpty() && !ok) {
            m_erro = execucao.Mensagem();
        }
        m_andamento = execucao.Situacao();
        m_interrompida = execucao.Interrompido();
        m_grupos = execucao.Grupos();
        QMetaObject::invokeMethod(
            this,
            [this, ok] {
                m_trabalho.join();
                m_ocupada = false;
                emit terminou(ok);
            },
            Qt::QueuedConnection);
    });
}
