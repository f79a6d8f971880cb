#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <functional>
#include <map>
#include <memory>

#include "data/base/EnumsADO.h"

namespace dados {
class Motor;
struct ResultadoLote;
struct ValorLido;
struct SituacaoGravacao;
}  // namespace dados
class Recordset;

// The ADO-like connection. Every method that talks to the database throws ErroNumerado on
// failure (clsADO traps and records it); the engine behind it is chosen by the connection
// string when it is opened.
class Connection {
  public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    QString ConnectionString() const;
    // Refused (throws) while the connection is open, as ADO does.
    void setConnectionString(const QString& cs);

    int State() const;  // adStateClosed / adStateOpen

    // Opens with the given string (or the one set before). user/password/options are
    // accepted for ADO's shape; the string carries the credentials.
    void Open(const QString& connectionString = QString(), const QString& user = QString(),
              const QString& password = QString(), long options = -1);
    void Close();

    void Execute(const QString& sql, qint32* recordsAffected = nullptr, long options = -1);
    // Runs a batch keeping each statement's row count or rows (see dados::ResultadoLote): a
    // failing statement is returned with what ran before it, not thrown. The observers see
    // the batch as one Execute.
    dados::ResultadoLote executarLote(const QString& sql);
    // Runs a query handing its rows to `leitor` as they are read (dados::Motor::percorrer): a
    // whole table read once without holding it. The observers see it as a query.
    void percorrer(const QString& sql,
                   const std::function<bool(const dados::ValorLido*, int)>& leitor);

    // Whether the register can be written through this connection now (nothing is written to
    // find out); throws when the connection is closed.
    dados::SituacaoGravacao VerificarGravacao();

    // Stops the statement running on this connection from another thread (ADO's Cancel): it
    // fails at once. The caller keeps the connection open while it may call this.
    void Cancel();

    void BeginTrans();
    void CommitTrans();
    void RollbackTrans();

    // Fills `destino` (closed first if open) with the schema rowset.
    void OpenSchema(SchemaEnum tipoEsquema, const QVariantList& criterios, Recordset& destino);

    QString DefaultDatabase() const;
    // "User ID", "Password", "Data Source", ...; a null QVariant when unknown.
    QVariant Properties(const QString& name) const;

    // Every statement, query, transaction call and schema call passes the observers before it
    // reaches the engine. Tests assert exact texts through them; CADUNIR_SQL_TRACE=1 prints
    // them. An observer may throw ErroNumerado: the call then fails as if the database had
    // refused it (tests inject faults this way).
    struct Evento {
        enum Tipo { Execucao, Consulta, Inicio, Confirmacao, Reversao, Esquema } tipo;
        QString texto;  // the SQL text; for Schema the SchemaEnum number; empty for transactions
    };
    using Observador = std::function<void(const Evento&)>;
    int AdicionarObservador(Observador observador);
    void RemoverObservador(int id);

    // Opening passes one process-wide hook before the engine opens: a hook that throws
    // ErroNumerado makes the open fail as if the database had refused it (tests inject a
    // refused first attempt this way). Empty by default; returns the hook it replaces.
    using GanchoAbertura = std::function<void(const QString& connectionString)>;
    static GanchoAbertura DefinirGanchoAbertura(GanchoAbertura gancho);

    // For Recordset: the open engine (throws when closed) and the observer pass.
    dados::Motor& motor();
    void notificar(const Evento& evento);

  private:
    QString m_connectionString;
    std::unique_ptr<dados::Motor> m_motor;
    std::map<int, Observador> m_observadores;
    int m_proximoObservador = 1;
};
