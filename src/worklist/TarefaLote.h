#pragma once

#include <QString>
#include <QVector>

#include "data/ado/TrabalhoConexaoPropria.h"
#include "worklist/ExecucaoLote.h"
#include "worklist/PlanoLote.h"

// A batch off the window's thread, on a connection of its own: the plan, then, when the
// administrator agrees, the run. Each step ends with a signal emitted on the object's own
// thread; its outcome is read there. Cancelar stops the plan, or the run after the group being
// merged.
class TarefaLote : public TrabalhoConexaoPropria {
    Q_OBJECT

  public:
    TarefaLote(QString connectionString, qint32 usuario, QObject* parent = nullptr);
    ~TarefaLote() override { Parar(); }

    void Planejar(double limiar);
    // Records the batch of the last plan and merges its groups.
    void Executar();

    // The last plan (after `planejado`) and the run (after `terminou`).
    const QVector<clsLoteRegistro::Grupo>& Grupos() const { return m_grupos; }
    const clsPlanoLote::Resumo& Resumo() const { return m_resumo; }
    double Limiar() const { return m_limiar; }
    qint32 Lote() const { return m_lote; }
    const clsExecucaoLote::Andamento& Situacao() const { return m_andamento; }
    bool Interrompida() const { return m_interrompida; }

  signals:
    void planejado(bool ok);
    // During the run, after each group.
    void andamento(int feitos, int total);
    void terminou(bool ok);

  private:
    qint32 m_usuario;

    double m_limiar = 0;
    QVector<clsLoteRegistro::Grupo> m_grupos;
    clsPlanoLote::Resumo m_resumo;
    qint32 m_lote = 0;
    clsExecucaoLote::Andamento m_andamento;
    bool m_interrompida = false;
};
