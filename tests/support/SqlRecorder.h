#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

#include "data/ado/Connection.h"

// Records every event a Connection sends to its observers while the recorder lives:
//     SqlRecorder rec(reg.conn());
//     ...;
//     EXPECT_EQ(rec.texts(Connection::Evento::Execucao), QStringList{"DELETE ..."});
//     EXPECT_EQ(rec.count(Connection::Evento::Inicio), 1);
// failWhen() injects a database failure: the first matching event throws ErroNumerado with
// the given number, as if the database had refused the call (its diagnostics line reads
// "<number> - SqlRecorder: falha simulada").
class SqlRecorder {
  public:
    explicit SqlRecorder(Connection& connection);
    ~SqlRecorder();
    SqlRecorder(const SqlRecorder&) = delete;
    SqlRecorder& operator=(const SqlRecorder&) = delete;

    const QVector<Connection::Evento>& events() const { return m_events; }
    // SQL texts of Execute and Query events (all of them, or of one tipo), in order.
    QStringList texts() const;
    QStringList texts(Connection::Evento::Tipo tipo) const;
    int count(Connection::Evento::Tipo tipo) const;
    // "Begin", "Commit", "Rollback", "Execute: <sql>", "Query: <sql>", "Schema: <n>".
    QStringList log() const;
    void clear() { m_events.clear(); }

    // Every later event for which `predicate` holds fails (once, unless `repeat`).
    void failWhen(std::function<bool(const Connection::Evento&)> predicate,
                  qint32 number = -2147467259, bool repeat = false);
    // Shorthand: fail the next Execute/Query whose text contains `fragment`.
    void failOnSql(const QString& fragment, qint32 number = -2147467259);

  private:
    Connection& m_connection;
    int m_id;
    QVector<Connection::Evento> m_events;
    std::function<bool(const Connection::Evento&)> m_fail;
    qint32 m_failNumber = 0;
    bool m_failRepeat = false;
};
