#include "match/TarefaEvidencia.h"

TarefaEvidencia::TarefaEvidencia(QString fConnectionString, QObject* parent)
    : TrabalhoConexaoPropria(std::move(fConnectionString), parent) {}

void TarefaEvidencia::Calcular(const QList<qint32>& fIDs) {
    Rodar([this, fIDs](Connection& cn, clsADO& ado) {
        // The pairs reach the member on the object's thread: destroying the object mid-reading
        // destroys this class's members before the base waits for the worker.
        QVector<semelhanca::EvidenciaPar> pares;
        if (m_erro.isEmpty()) {
            semelhanca::EvidenciasDosPares(cn, ado, fIDs, pares, m_erro,
                                           [this] { return Cancelado(); });
        }
        Concluir([this, pares = std::move(pares)] {
            m_pares = pares;
            emit pronta();
        });
    });
}
