#include "data/ado/Connection.h"

#include <cstdio>
#include <utility>

#include "data/ado/CriarEngine.h"
#include "data/ado/Recordset.h"
#include "data/base/Diagnostico.h"
#include "data/base/TabelaErros.h"

namespace {

bool TraceLigado() {
    static const bool ligado = qEnvironmentVariableIntValue("CADUNIR_SQL_TRACE") == 1;
    return ligado;
}

const char* NomeDoEvento(Connection::Event::Kind kind) {
    switch (kind) {
        case Connection::Event::Execute:
            return "Execute";
        case Connection::Event::Query:
            return "Query";
        case Connection::Event::Begin:
            return "BeginTrans";
        case Connection::Event::Commit:
            return "CommitTrans";
        case Connection::Event::Rollback:
            return "RollbackTrans";
        case Connection::Event::Schema:
            return "OpenSchema";
    }
    return "";
}

Connection::OpenHook& ganchoAbertura() {
    static Connection::OpenHook gancho;
    return gancho;
}

}  // namespace

Connection::OpenHook Connection::SetOpenHook(OpenHook hook) {
    return std::exchange(ganchoAbertura(), std::move(hook));
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
    return m_engine ? adStateOpen : adStateClosed;
}

void Connection::Open(const QString& connectionString, const QString&, const QString&, long) {
    if (State() == adStateOpen) {
        dados::Falhar(dados::ErroObjetoAberto, QStringLiteral("Connection"),
                      QStringLiteral("Open called on an open connection"));
    }
    if (!connectionString.isEmpty()) {
        m_connectionString = connectionString;
    }
    if (const OpenHook& hook = ganchoAbertura()) {
        hook(m_connectionString);
    }
    std::unique_ptr<dados::Engine> engine = dados::CriarEngine(m_connectionString);
    engine->open();
    m_engine = std::move(engine);
}

void Connection::Close() {
    if (!m_engine) {
        return;
    }
    // The engine goes away even when its close fails, so the connection reads closed.
    std::unique_ptr<dados::Engine> engine = std::move(m_engine);
    engine->close();
}

void Connection::Execute(const QString& sql, qint32* recordsAffected, long) {
    dados::Engine& e = engine();
    notify({Event::Execute, sql});
    const qint64 n = e.execute(sql);
    if (recordsAffected) {
        *recordsAffected = static_cast<qint32>(n);
    }
}

dados::ResultadoLote Connection::executarLote(const QString& sql) {
    dados::Engine& e = engine();
    notify({Event::Execute, sql});
    return e.executarLote(sql);
}

void Connection::Cancel() {
    if (m_engine) {
        m_engine->interromper();
    }
}

void Connection::BeginTrans() {
    dados::Engine& e = engine();
    notify({Event::Begin, QString()});
    e.begin();
}

void Connection::CommitTrans() {
    dados::Engine& e = engine();
    notify({Event::Commit, QString()});
    e.commit();
}

void Connection::RollbackTrans() {
    dados::Engine& e = engine();
    notify({Event::Rollback, QString()});
    e.rollback();
}

void Connection::OpenSchema(SchemaEnum kind, const QVariantList& criteria, Recordset& into) {
    into.OpenSchemaResult(*this, kind, criteria);
}

QString Connection::DefaultDatabase() const {
    return m_engine ? m_engine->defaultDatabase() : QString();
}

QVariant Connection::Properties(const QString& name) const {
    return m_engine ? m_engine->property(name) : QVariant();
}

int Connection::AddObserver(Observer observer) {
    const int id = m_nextObserver++;
    m_observers.emplace(id, std::move(observer));
    return id;
}

void Connection::RemoveObserver(int id) {
    m_observers.erase(id);
}

dados::Engine& Connection::engine() {
    if (!m_engine) {
        dados::Falhar(dados::ErroObjetoFechado, QStringLiteral("Connection"),
                      QStringLiteral("operation on a closed connection"));
    }
    return *m_engine;
}

void Connection::notify(const Event& event) {
    if (TraceLigado()) {
        dados::RegistrarDiagnostico(
            QStringLiteral("SQL %1: %2").arg(QLatin1String(NomeDoEvento(event.kind)), event.text));
    }
    // A copy, so that an observer may remove itself (or another) while being called.
    const auto observers = m_observers;
    for (const auto& [id, observer] : observers) {
        observer(event);
    }
}
