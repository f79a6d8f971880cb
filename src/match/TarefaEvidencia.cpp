#include "match/TarefaEvidencia.h"

TarefaEvidencia::TarefaEvidencia(QString fConnectionString, QObject* parent)
    : TrabalhoConexaoPropria(std::move(fConnectionString), parent) {}

void TarefaEvidencia::Calcular(const QList<qint32>& fIDs) {
    Rodar([this, fIDs](Connection& cn, clsADO& ado) {
        if (m_erro.isEmpty()) {
            semelhanca::EvidenciasDosPares(cn, ado, fIDs, m_pares, m_erro,
                                           [this] { return Cancelado(); });
        }
        Concluir([this] { emit pronta(); });
    });
}
