#pragma once

#include <QString>
#include <QStringList>

class Connection;
class clsADO;

namespace registro {

// The product tables of schema/*.sql, compiled into the program. Each script is split into
// its batches at the lines that hold only GO (the batch separator of SQL Server's tools, which
// no server takes as a statement), with whole-line comments left out.
QStringList EsquemaLotes();

// Runs every batch on an open connection; on the first failure fills `erro` (the database
// error and the batch's first line) and returns false. Callers wrap it in their transaction.
bool CriarEsquema(Connection& cn, clsADO& ado, QString& erro);

}  // namespace registro
