#pragma once

#include <QList>

#include "data/ado/TrabalhoConexaoPropria.h"
#include "history/clsLoteDesfazer.h"

// The undo of a whole batch off the window's thread, on a connection of its own. `andamento`
// after each merge, `terminou` at the end, both on the object's own thread; Cancelar stops
// after the merge being undone (running it again finishes the batch).
class TarefaDesfazerLote : public TrabalhoConexaoPropria {
    Q_OBJECT

  public:
    TarefaDesfazerLote(QString fConnectionString, qint32 fID_Usuario, QObject* parent = nullptr);
    ~TarefaDesfazerLote() override { Parar(); }

    void Desfazer(qint32 fLote, clsUnificacaoDesfazer::Decisao fDecisao);

    // After `terminou`.
    const clsLoteDesfazer::Andamento& Situacao() const { return m_andamento; }
    const QList<clsLoteDesfazer::Recusa>& Recusas() const { return m_recusas; }
    bool Interrompida() const { return m_interrompida; }

  signals:
    void andamento(int feitos, int total);
    void terminou(bool ok);

  private:
    qint32 m_usuario;
    clsLoteDesfazer::Andamento m_andamento;
    QList<clsLoteDesfazer::Recusa> m_recusas;
    bool m_interrompida = false;
};
