#include "main/ConsultaEmSegundoPlano.h"

#include <QElapsedTimer>
#include <QMetaObject>

#include "data/ado/Connection.h"
#include "data/ado/Recordset.h"
#include "data/ado/clsADO.h"

namespace {

ConsultaEmSegundoPlano::Gancho& ganchoAtual() {
    static ConsultaEmSegundoPlano::Gancho gancho;
    return gancho;
}
std::mutex g_ganchoMutex;

}  // namespace

ConsultaEmSegundoPlano::Gancho ConsultaEmSegundoPlano::DefinirGanchoAntesDaConsulta(Gancho gancho) {
    const std::lock_guard<std::mutex> trava(g_ganchoMutex);
    return std::exchange(ganchoAtual(), std::move(gancho));
}

ConsultaEmSegundoPlano::ConsultaEmSegundoPlano(QString connectionString, QObject* parent)
    : QObject(parent),
      m_connectionString(std::move(connectionString)),
      m_cn(std::make_unique<Connection>()) {}

ConsultaEmSegundoPlano::~ConsultaEmSegundoPlano() {
    Cancelar();
    esperarAnterior();
    clsADO ado;
    if (m_cn->State() == adStateOpen) {
        ado.FecharConexão(*m_cn);
    }
}

void ConsultaEmSegundoPlano::Cancelar() {
    ++m_geracao;  // whatever ends now is no longer wanted
    // While the connection is still opening there is no statement to stop: the new
    // generation already keeps the query from being sent, and the window must not wait for a
    // slow server's log-in here.
    const std::unique_lock<std::mutex> trava(m_cnMutex, std::try_to_lock);
    if (trava.owns_lock() && m_cn->State() == adStateOpen) {
        m_cn->Cancel();
    }
}

void ConsultaEmSegundoPlano::Parar() {
    Cancelar();
    esperarAnterior();
    // Its delivery, already queued or not, finds another generation and is dropped.
    m_iniciada = 0;
    m_ocupada = false;
}

void ConsultaEmSegundoPlano::esperarAnterior() {
    if (m_trabalho.joinable()) {
        m_trabalho.join();
    }
}

void ConsultaEmSegundoPlano::Iniciar(const QString& sql) {
    IniciarTarefa([sql](Connection& cn, clsADO& ado, const Cancelada&, Desfecho& d) {
        d.sql = sql;
        Recordset rs;
        if (!ado.AbrirRecordset(cn, rs, sql)) {
            return false;
        }
        d.dados = rs.Dados();
        rs.Close();
        return true;
    });
}

void ConsultaEmSegundoPlano::IniciarTarefa(Tarefa tarefa) {
    if (m_ocupada) {
        Cancelar();
    }
    // An interrupted statement stops at once, so this wait is short.
    esperarAnterior();
    m_ocupada = true;
    const quint64 geracao = ++m_geracao;
    m_iniciada = geracao;
    m_trabalho =
        std::thread([this, tarefa = std::move(tarefa), geracao] { rodar(tarefa, geracao); });
}

void ConsultaEmSegundoPlano::rodar(const Tarefa& tarefa, quint64 geracao) {
    auto desfecho = std::make_shared<Desfecho>();
    QElapsedTimer relogio;
    relogio.start();
    clsADO ado;  // its error record is this thread's own
    bool aberta = true;
    {
        const std::lock_guard<std::mutex> trava(m_cnMutex);
        if (m_cn->State() != adStateOpen) {
            aberta = ado.AbrirConexão(*m_cn, m_connectionString);
        }
    }
    if (aberta) {
        Gancho gancho;
        {
            const std::lock_guard<std::mutex> trava(g_ganchoMutex);
            gancho = ganchoAtual();
        }
        if (gancho) {
            gancho();
        }
    }
    if (aberta && m_geracao == geracao) {
        const Cancelada cancelada = [this, geracao] { return m_geracao != geracao; };
        desfecho->ok = tarefa(*m_cn, ado, cancelada, *desfecho);
    }
    if (!desfecho->ok && desfecho->texto.isEmpty()) {
        desfecho->numero = ado.ErrorNumber();
        desfecho->texto = ado.ErrorString();
        desfecho->detalhe = ado.DetalheDoErro();
    }
    desfecho->milissegundos = relogio.elapsed();
    // Delivered on the object's thread; a query cancelled meanwhile delivers "cancelled".
    QMetaObject::invokeMethod(
        this,
        [this, desfecho, geracao] {
            if (geracao != m_iniciada) {
                return;  // a later query runs now; this one was cancelled for it
            }
            m_ocupada = false;
            m_resultado = std::move(*desfecho);
            if (m_geracao != geracao) {
                m_resultado.ok = false;
                m_resultado.cancelada = true;
                m_resultado.dados = {};
            }
            emit terminou();
        },
        Qt::QueuedConnection);
}
