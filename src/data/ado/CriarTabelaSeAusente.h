#pragma once

#include <QString>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"

// Creates a table the program owns when it is missing (fSQL, its CREATE TABLE batch), safe when
// another program starting at the same moment creates it too. Checking and creating are two
// statements outside a transaction, so the other program may create the table between them:
// a CREATE that fails because the table now exists (SQLite's "already exists"; SQL Server's
// Msg 2714, or Msg 1779/1781 from the ALTER TABLE riding in the same batch when the other
// program's batch got there first) is followed by a fresh existence check and counts as done
// when the table is there. Every other failure answers false, and so does that one when the
// table is still absent, with the CREATE's ErrorNumber and ErrorString left in fADO.
// Every table of the program's own goes through here.
bool CriarTabelaSeAusente(Connection& fCN, clsADO& fADO, const QString& fTabela,
                          const QString& fSQL);
