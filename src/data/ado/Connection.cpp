#include "data/ado/Connection.h"

#include <cstdio>
#include <utility>

#include "data/ado/CriarMotor.h"
#include "data/ado/Recordset.h"
#include "data/base/Diagnostico.h"
#include "data/base/TabelaErros.h"

namespace {

bool TraceLigado() {
    static const bool ligado = qEnvironmentVariableIntValue("CADUNIR_SQL_TRACE") == 1;
    return ligado;
}

const char* NomeDoEvento(Connection::Evento::Tipo tipo) {
    switch (tipo) {
        case Connection::Evento::Execucao:
            return "Execute";
        case Connection::Evento::Consulta:
            return "Query";
        case Connection::Evento::Inicio:
            return "BeginTrans";
        case Connection::Evento::Confirmacao:
            return "CommitTrans";
        case Connection::Evento::Reversao:
            return "RollbackTrans";
        case Connection::Evento::Esquema:
            return "OpenSchema";
    }
    return "";
}

Connection::GanchoAbertura& ganchoAbertura() {
    static Connection::GanchoAbertura gancho;
    return gancho;
}

}  // namespace

Connection::GanchoAbertura Connection::DefinirGanchoAbertura(GanchoAbertura gancho) {
    return std::exchange(ganchoAbertura(), std::move(gancho));
}

Connection::Connection() = default;

Connection::~Connection() {
    try {
        Close();
    } catch (...) {
        // A destructor cannot report; the engine has already logged the failure.
    }
}

QString Connection::ConnectionString() const {
    return m_connectionString;
}

void Connection::setConnectionString(const QString& cs) {
    if (State() == adStateOpen) {
        dados::Falhar(dados::ErroObjetoAberto, QStringLiteral("Connection"),
                      QStringLiteral("connection string changed while the connection is open"));
    }
    m_connectionString = cs;
}

int Connection::State() const {
    return m_motor ? adStateOpen : adStateClosed;
}

void Connection::Open(const QString& connectionString, const QString&, const QString&, long) {
    if (State() == adStateOpen) {
        dados::Falhar(dados::ErroObjetoAberto, QStringLiteral("Connection"),
                      QStringLiteral("Open called on an open connection"));
    }
    if (!connectionString.isEmpty()) {
        m_connectionString = connectionString;
    }
    if (const GanchoAbertura& gancho = ganchoAbertura()) {
        gancho(m_connectionString);
    }
    std::unique_ptr<dados::Motor> engine = dados::CriarMotor(m_connectionString);
    engine->abrir();
    m_motor = std::move(engine);
}

void Connection::Close() {
    if (!m_motor) {
        return;
    }
    // The engine goes away even when its close fails, so the connection reads closed.
    std::unique_ptr<dados::Motor> engine = std::move(m_motor);
    engine->fechar();
}

void Connection::Execute(const QString& sql, qint32* recordsAffected, long) {
    dados::Motor& e = motor();
    notificar({Evento::Execucao, sql});
    const qint64 n = e.executar(sql);
    if (recordsAffected) {
        *recordsAffected = static_cast<qint32>(n);
    }
}

void Connection::percorrer(const QString& sql,
                           const std::function<bool(const dados::ValorLido*, int)>& leitor) {
    dados::Motor& e = motor();
    notificar({Evento::Consulta, sql});
    e.percorrer(sql, leitor);
}

dados::ResultadoLote Connection::executarLote(const QString& sql) {
    dados::Motor& e = motor();
    notificar({Evento::Execucao, sql});
    return e.executarLote(sql);
}

void Connection::Cancel() {
    if (m_motor) {
        m_motor->interromper();
    }
}

dados::SituacaoGravacao Connection::VerificarGravacao() {
    return motor().gravacao();
}

void Connection::BeginTrans() {
    dados::Motor& e = motor();
    notificar({Evento::Inicio, QString()});
    e.iniciar();
}

void Connection::CommitTrans() {
    dados::Motor& e = motor();
    notificar({Evento::Confirmacao, QString()});
    e.confirmar();
}

void Connection::RollbackTrans() {
    dados::Motor& e = motor();
    notificar({Evento::Reversao, QString()});
    e.desfazer();
}

void Connection::OpenSchema(SchemaEnum tipoEsquema, const QVariantList& criterios,
                            Recordset& destino) {
    destino.AbrirResultadoEsquema(*this, tipoEsquema, criterios);
}

QString Connection::DefaultDatabase() const {
    return m_motor ? m_motor->bancoPadrao() : QString();
}

QVariant Connection::Properties(const QString& name) const {
    return m_motor ? m_motor->propriedade(name) : QVariant();
}

int Connection::AdicionarObservador(Observador observador) {
    const int id = m_proximoObservador++;
    m_observadores.emplace(id, std::move(observador));
    return id;
}

void Connection::RemoverObservador(int id) {
    m_observadores.erase(id);
}

dados::Motor& Connection::motor() {
    if (!m_motor) {
        dados::Falhar(dados::ErroObjetoFechado, QStringLiteral("Connection"),
                      QStringLiteral("operation on a closed connection"));
    }
    return *m_motor;
}

void Connection::notificar(const Evento& evento) {
    if (TraceLigado()) {
        dados::RegistrarDiagnostico(
            QStringLiteral("SQL %1: %2")
                .arg(QLatin1String(NomeDoEvento(evento.tipo)), evento.texto));
    }
    // A copy, so that an observer may remove itself (or another) while being called.
    const auto observadores = m_observadores;
    for (const auto& [id, observador] : observadores) {
        observador(evento);
    }
}
