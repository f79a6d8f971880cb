#include "SqlRecorder.h"

#include "data/base/ErroNumerado.h"
#include "data/base/TabelaErros.h"

SqlRecorder::SqlRecorder(Connection& connection) : m_connection(connection) {
    m_id = m_connection.AdicionarObservador([this](const Connection::Evento& e) {
        m_events.push_back(e);
        if (m_fail && m_fail(e)) {
            if (!m_failRepeat) {
                m_fail = nullptr;
            }
            // As the engines fail: the database's own words go to the diagnostics log.
            dados::Falhar(m_failNumber, QStringLiteral("SqlRecorder"),
                          QStringLiteral("falha simulada"));
        }
    });
}

SqlRecorder::~SqlRecorder() {
    m_connection.RemoverObservador(m_id);
}

QStringList SqlRecorder::texts() const {
    QStringList r;
    for (const auto& e : m_events) {
        if (e.tipo == Connection::Evento::Execucao || e.tipo == Connection::Evento::Consulta) {
            r << e.texto;
        }
    }
    return r;
}

QStringList SqlRecorder::texts(Connection::Evento::Tipo tipo) const {
    QStringList r;
    for (const auto& e : m_events) {
        if (e.tipo == tipo) {
            r << e.texto;
        }
    }
    return r;
}

int SqlRecorder::count(Connection::Evento::Tipo tipo) const {
    int n = 0;
    for (const auto& e : m_events) {
        n += e.tipo == tipo ? 1 : 0;
    }
    return n;
}

QStringList SqlRecorder::log() const {
    QStringList r;
    for (const auto& e : m_events) {
        switch (e.tipo) {
            case Connection::Evento::Inicio:
                r << QStringLiteral("Begin");
                break;
            case Connection::Evento::Confirmacao:
                r << QStringLiteral("Commit");
                break;
            case Connection::Evento::Reversao:
                r << QStringLiteral("Rollback");
                break;
            case Connection::Evento::Execucao:
                r << QStringLiteral("Execute: ") + e.texto;
                break;
            case Connection::Evento::Consulta:
                r << QStringLiteral("Query: ") + e.texto;
                break;
            case Connection::Evento::Esquema:
                r << QStringLiteral("Schema: ") + e.texto;
                break;
        }
    }
    return r;
}

void SqlRecorder::failWhen(std::function<bool(const Connection::Evento&)> predicate, qint32 number,
                           bool repeat) {
    m_fail = std::move(predicate);
    m_failNumber = number;
    m_failRepeat = repeat;
}

void SqlRecorder::failOnSql(const QString& fragment, qint32 number) {
    failWhen(
        [fragment](const Connection::Evento& e) {
            return (e.tipo == Connection::Evento::Execucao ||
                    e.tipo == Connection::Evento::Consulta) &&
                   e.texto.contains(fragment);
        },
        number);
}
