#pragma once

#include <QObject>
#include <QString>
#include <QVector>
#include <atomic>
#include <memory>
#include <thread>

#include "worklist/ExecucaoLote.h"
#include "worklist/PlanoLote.h"

class Connection;
class clsADO;

// A batch off the window's thread, on a connection of its own to the same register (opened on
// the worker, kept for the next step): the plan, then, when the administrator agrees, the run.
// Each step ends with a signal emitted on the object's own thread; its outcome is read there.
// Cancelar stops the plan, or the run after the group being merged.
class TarefaLote : public QObject {
    Q_OBJECT

  public:
    TarefaLote(QString connectionString, qint32 usuario, QObject* parent = nullptr);
    ~TarefaLote() override;  // stops the step under way and waits for it

    void Planejar(double limiar);
    // Records the batch of the last plan and merges its groups.
    void Executar();
    void Cancelar() { m_cancelar = true; }
    bool Ocupada() const { return m_ocupada; }

    // The last plan (after `planejado`) and the run (after `terminou`).
    const QVector<clsLoteRegistro::Grupo>& Grupos() const { return m_grupos; }
    const clsPlanoLote::Resumo& Resumo() const { return m_resumo; }
    double Limiar() const { return m_limiar; }
    qint32 Lote() const { return m_lote; }
    const clsExecucaoLote::Andamento& Situacao() const { return m_andamento; }
    bool Interrompida() const { return m_interrompida; }
    // What failed, for the administrator; empty after a step that went through.
    QString Erro() const { return m_erro; }

  signals:
    void planejado(bool ok);
    // During the run, after each group.
    void andamento(int feitos, int total);
    void terminou(bool ok);

  private:
    void rodar(std::function<void(Connection&, clsADO&)> passo);

    QString m_connectionString;
    qint32 m_usuario;
    std::unique_ptr<Connection> m_cn;  // used only on the worker thread
    std::unique_ptr<clsADO> m_ado;
    std::thread m_trabalho;
    std::atomic<bool> m_cancelar{false};
    bool m_ocupada = false;

    double m_limiar = 0;
    QVector<clsLoteRegistro::Grupo> m_grupos;
    clsPlanoLote::Resumo m_resumo;
    qint32 m_lote = 0;
    clsExecucaoLote::Andamento m_andamento;
    bool m_interrompida = false;
    QString m_erro;
};
