#pragma once

#include <QString>

#include "data/ado/Connection.h"
#include "data/ado/Recordset.h"
#include "data/ado/clsADO.h"

// The main window's similar-patient list: the records of the group chosen in the grid, with
// the full name the list shows. fSQLMembros is the group's member query
// (clsPacienteCriterio::ObterSQLSemAgrupamento), whose FROM and WHERE the list keeps.
QString ListaSemelhantes_SQL(const QString& fSQLMembros);

// Opens a text of ListaSemelhantes_SQL in fRS (again, after another query used fRS). False
// with fADO's failure.
bool ListaSemelhantes_Abrir(Connection& fCN, clsADO& fADO, Recordset& fRS, const QString& fSQL);
