#pragma once

#include <QList>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"

// A group of records with the same first and last name whose comparison shows at least one sign
// of different people (the demo shows one). Looks at up to fLimite groups; false when none was
// found or the register cannot be read.
bool GrupoComConflito(Connection& fCN, clsADO& fADO, QList<qint32>& fIDs, int fLimite = 300);
