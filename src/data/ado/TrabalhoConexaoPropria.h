#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"

// Long work off the window's thread, one step at a time, on a connection of its own to the same
// register (opened on the worker at the first step and kept for the next). While a step runs
// the caller only waits (Ocupada); the step's results go into the subclass's members, and the
// step ends on the object's own thread with the function handed to Concluir, where the
// subclass emits its signal. Cancelar is a request the step reads between its units of work.
class TrabalhoConexaoPropria : public QObject {
  public:
    TrabalhoConexaoPropria(QString fConnectionString, QObject* parent = nullptr);
    ~TrabalhoConexaoPropria() override;  // stops the step under way and waits for it

    void Cancelar() { m_cancelar = true; }
    bool Ocupada() const { return m_ocupada; }
    // What failed, for the administrator; empty after a step that went through.
    QString Erro() const { return m_erro; }

  protected:
    // Runs fPasso on the worker. When the connection cannot be opened, Erro() says why and
    // fPasso still runs, only to end the step.
    void Rodar(std::function<void(Connection&, clsADO&)> fPasso);
    // Called by the step, last: fFim runs on the object's thread once the worker is done.
    void Concluir(std::function<void()> fFim);
    bool Cancelado() const { return m_cancelar; }
    // Stops the step under way and waits for it. A subclass whose step writes its own members
    // calls it in its destructor: by the time the base's destructor runs they are gone.
    void Parar();

    QString m_erro;

  private:
    QString m_connectionString;
    std::unique_ptr<Connection> m_cn;  // used only on the worker thread
    std::unique_ptr<clsADO> m_ado;
    std::thread m_trabalho;
    std::atomic<bool> m_cancelar{false};
    bool m_ocupada = false;
};
