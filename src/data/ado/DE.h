#pragma once

#include "data/ado/Connection.h"
#include "data/ado/Recordset.h"
#include "data/ado/clsADO.h"

// The process-wide objects, alive from start-up to the end of the run: the data environment
// (the one connection and the four result sets the windows bind to), the one clsADO
// instance, and the ID of the administrator who logged in. Record classes take the
// connection from here unless a caller hands them another one (tests do).
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
