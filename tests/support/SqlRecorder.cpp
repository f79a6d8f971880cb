#include "SqlRecorder.h"

#include "data/base/ErroNumerado.h"
#include "data/base/TabelaErros.h"

SqlRecorder::SqlRecorder(Connection& connection) : m_connection(connection) {
    m_id = m_connection.AddObserver([this](const Connection::Event& e) {
        m_events.push_back(e);
        if (m_fail && m_fail(e)) {
            if (!m_failRepeat) {
                m_fail = nullptr;
            }
            throw ErroNumerado(m_failNumber, QStringLiteral("SqlRecorder"),
                               dados::TextoDoErro(m_failNumber));
        }
    });
}

SqlRecorder::~SqlRecorder() {
    m_connection.RemoveObserver(m_id);
}

QStringList SqlRecorder::texts() const {
    QStringList r;
    for (const auto& e : m_events) {
        if (e.kind == Connection::Event::Execute || e.kind == Connection::Event::Query) {
            r << e.text;
        }
    }
    return r;
}

QStringList SqlRecorder::texts(Connection::Event::Kind kind) const {
    QStringList r;
    for (const auto& e : m_events) {
        if (e.kind == kind) {
            r << e.text;
        }
    }
    return r;
}

int SqlRecorder::count(Connection::Event::Kind kind) const {
    int n = 0;
    for (const auto& e : m_events) {
        n += e.kind == kind ? 1 : 0;
    }
    return n;
}

QStringList SqlRecorder::log() const {
    QStringList r;
    for (const auto& e : m_events) {
        switch (e.kind) {
            case Connection::Event::Begin:
                r << QStringLiteral("Begin");
                break;
            case Connection::Event::Commit:
                r << QStringLiteral("Commit");
                break;
            case Connection::Event::Rollback:
                r << QStringLiteral("Rollback");
                break;
            case Connection::Event::Execute:
                r << QStringLiteral("Execute: ") + e.text;
                break;
            case Connection::Event::Query:
                r << QStringLiteral("Query: ") + e.text;
                break;
            case Connection::Event::Schema:
                r << QStringLiteral("Schema: ") + e.text;
                break;
        }
    }
    return r;
}

void SqlRecorder::failWhen(std::function<bool(const Connection::Event&)> predicate, qint32 number,
                           bool repeat) {
    m_fail = std::move(predicate);
    m_failNumber = number;
    m_failRepeat = repeat;
}

void SqlRecorder::failOnSql(const QString& fragment, qint32 number) {
    failWhen(
        [fragment](const Connection::Event& e) {
            return (e.kind == Connection::Event::Execute || e.kind == Connection::Event::Query) &&
                   e.text.contains(fragment);
        },
        number);
}
