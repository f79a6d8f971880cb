#pragma once

#include <QStringList>

#include "data/ado/Connection.h"
#include "data/ado/Recordset.h"
#include "data/ado/clsADO.h"

// The records the administrator chooses the surviving one from: ID, record number, full name
// and external ID of the patients in fArPacientes (their IDs as text; a trailing empty element
// is ignored), at most 500, opened in fRS. False with fADO's failure.
bool ListaPacienteBase_Abrir(Connection& fCN, clsADO& fADO, Recordset& fRS,
                             const QStringList& fArPacientes);
