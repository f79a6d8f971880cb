#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "data/base/Motor.h"

class Connection;
class clsADO;

// Runs one query at a time off the user-interface thread, on a connection of its own to the
// same register (a second SQLite connection, or a second ODBC connection to SQL Server: the
// same Connection/clsADO path as every other query). The connection is opened on the worker
// thread on first use, so a slow server never holds the window, and stays open for the next
// query. `terminou` is emitted on the object's own thread when a query has ended: read its
// outcome with Resultado().
//
// Cancelar interrupts the running statement through the data layer (sqlite3_interrupt,
// SQLCancel); a cancelled query ends with Cancelada() true and its rows are never delivered.
class ConsultaEmSegundoPlano : public QObject {
    Q_OBJECT
  public:
    struct Desfecho {
        bool ok = false;
        bool cancelada = false;
        qint32 numero = 0;  // clsADO's ErrorNumber / ErrorString / DetalheDoErro on failure
        QString texto;
        QString detalhe;
        QString sql;
        dados::DadosConsulta dados;
        qint64 milissegundos = 0;
    };

    explicit ConsultaEmSegundoPlano(QString connectionString, QObject* parent = nullptr);
    ~ConsultaEmSegundoPlano() override;

    // Starts the query; a query still running is cancelled first (its outcome is dropped).
    void Iniciar(const QString& sql);
    // Work longer than one query (the similarity search reads the register and then scores
    // it) runs the same way: on the worker's connection, cancelled like a query. The task
    // asks `cancelada` between its steps, keeps its own output, and returns false with the
    // error written into the outcome.
    using Cancelada = std::function<bool()>;
    using Tarefa =
        std::function<bool(Connection& cn, clsADO& ado, const Cancelada& cancelada, Desfecho& d)>;
    void IniciarTarefa(Tarefa tarefa);
    void Cancelar();
    // Cancels and waits for the worker to let go of the connection (an interrupted statement
    // stops at once): the register is no longer read when it returns, and the cancelled
    // outcome is never delivered. For a write that must not run under this query's read.
    void Parar();
    bool Ocupada() const { return m_ocupada; }
    // The outcome of the last query that ended; its rows may be moved out.
    Desfecho& Resultado() { return m_resultado; }

    // Tests hold a query at its start to act on the window meanwhile: the hook runs on the
    // worker thread, after the connection is open and before the statement is sent.
    using Gancho = std::function<void()>;
    static Gancho DefinirGanchoAntesDaConsulta(Gancho gancho);

  signals:
    void terminou();

  private:
    void esperarAnterior();
    void rodar(const Tarefa& tarefa, quint64 geracao);

    QString m_connectionString;
    std::unique_ptr<Connection> m_cn;  // used only on the worker thread, Cancel aside
    std::mutex m_cnMutex;              // held while the connection opens or is closed
    std::thread m_trabalho;
    std::atomic<quint64> m_geracao{0};  // the query whose outcome is still wanted
    quint64 m_iniciada = 0;             // the generation of the last query started
    bool m_ocupada = false;
    Desfecho m_resultado;
};
