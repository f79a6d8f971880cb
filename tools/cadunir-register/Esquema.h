#pragma once

#include <QString>
#include <QStringList>

class Connection;
class clsADO;

namespace registro {

// The product tables of schema/*.sql, compiled into the program. Each script is split into
// its batches at the lines that hold only GO (the batch separator of SQL Server's tools, which
// no server takes as a statement), with whole-line comments left out.
enum class ParteEsquema {
    Tudo,
    Tabelas,  // every batch but the CREATE INDEX ones
    Indices,  // the CREATE INDEX batches: a bulk load is faster before them
};
QStringList EsquemaLotes(ParteEsquema parte = ParteEsquema::Tudo);

// Runs the batches on an open connection, in one transaction level; on the first failure it
// rolls back and fills `erro` (the database error and the batch's first line).
bool CriarEsquema(Connection& cn, clsADO& ado, QString& erro,
                  ParteEsquema parte = ParteEsquema::Tudo);

}  // namespace registro
