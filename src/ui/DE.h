#pragma once

#include "data/ado/Connection.h"
#include "data/ado/Recordset.h"
#include "data/ado/clsADO.h"

// The process-wide objects, alive from start-up to the end of the run: the data environment
// (the one connection and the four result sets the windows bind to), the one clsADO
// instance, and the ID of the administrator who logged in. Only the start-up and the windows
// reach them; the record classes and the merge engine below get the connection and clsADO
// from their caller, so they never depend on which one is the program's.
struct DataEnvironment {
    Connection Conexao;
    Recordset rsLocalizar;   // grouping result (main grid)
    Recordset rsSemelhante;  // similar-patient list
    Recordset rsPaciente;    // handed to the detail control, never opened
    Recordset rsGeral;       // reasons of the no-solution dialog
};

DataEnvironment& DE();
clsADO& ADO();
extern qint32 ID_UsuarioLogado;
