#pragma once

#include <QList>
#include <QString>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"

// Inside an open transaction: confirms that every patient of fIDs is still in Paciente and keeps
// those rows from being changed or deleted by another workstation until the transaction ends.
// On SQL Server the read takes update locks held to the end (UPDLOCK, HOLDLOCK); the embedded
// register needs none, because its write transaction already excludes every other writer.
// Answers false when a patient is gone (fAusente holds the first missing ID) or when the read
// fails (fAusente is 0; fADO's ErrorNumber and ErrorString tell why).
bool PacientesTravar(Connection& fCN, clsADO& fADO, const QList<qint32>& fIDs, qint32& fAusente);

// True when the connection is served by SQL Server, whose row locks must be asked for.
bool PedeBloqueioDeLinhas(Connection& fCN);

// What follows a table's name in a read that must lock what it reads until the transaction
// ends: " WITH (UPDLOCK, HOLDLOCK)" on SQL Server (update locks, so that two writers queue
// instead of deadlocking, held on the keys read and on the gaps between them, so that no row
// appears there meanwhile); empty elsewhere.
QString DicaBloqueio(Connection& fCN);

// While one lives, PedeBloqueioDeLinhas answers true for every connection: tests run the SQL
// Server statements on the embedded register, which reads the hints and drops them.
class BloqueioDeLinhasSimulado {
  public:
    BloqueioDeLinhasSimulado();
    ~BloqueioDeLinhasSimulado();
    BloqueioDeLinhasSimulado(const BloqueioDeLinhasSimulado&) = delete;
    BloqueioDeLinhasSimulado& operator=(const BloqueioDeLinhasSimulado&) = delete;
};
