#pragma once

#include <QList>
#include <QSet>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"

// Which of the given patients carry at least one no-solution mark, in one query. False when
// the query fails (fADO's ErrorNumber and ErrorString tell why); fMarcados is then empty. An
// empty list asks nothing and succeeds.
bool PacienteSemSolucao_Marcados(Connection& fCN, clsADO& fADO, const QList<qint32>& fIDs,
                                 QSet<qint32>& fMarcados);
