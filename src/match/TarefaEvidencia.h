#pragma once

#include <QList>
#include <QVector>

#include "data/ado/TrabalhoConexaoPropria.h"
#include "match/EvidenciaPar.h"

// The evidence of a group's pairs off the window's thread, on a connection of its own: reading
// the register to score them takes seconds on a large one, and the window must open at once.
// `pronta` on the object's own thread; destroying the object stops the reading and waits for
// it (at most a page of the register).
class TarefaEvidencia : public TrabalhoConexaoPropria {
    Q_OBJECT

  public:
    explicit TarefaEvidencia(QString fConnectionString, QObject* parent = nullptr);

    // Once per object: another group takes another object (destroying this one drops it).
    void Calcular(const QList<qint32>& fIDs);

    // After `pronta`: the pairs in order, or empty with Erro() saying why.
    const QVector<semelhanca::EvidenciaPar>& Pares() const { return m_pares; }

  signals:
    void pronta();

  private:
    QVector<semelhanca::EvidenciaPar> m_pares;
};
