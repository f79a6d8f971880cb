#pragma once

#include <QVector>

#include "data/base/Motor.h"

// The OLE DB vocabulary an engine answers in: ADO type numbers beyond EnumsADO.h's, and the
// columns of each schema rowset in the order and with the names SQLOLEDB gives them.
namespace dados {

enum TipoAdoExtra {
    adUnsignedTinyInt = 17,
    adUnsignedSmallInt = 18,
    adUnsignedInt = 19,
    adGUID = 72,
    adChar = 129,
    adDBDate = 133,
    adDBTime = 134,
    adLongVarBinary = 205,
};

// The columns of the rowset of `tipoEsquema` (SchemaEnum of EnumsADO.h); empty for another.
QVector<InfoColuna> ColunasDoRowset(int tipoEsquema);

}  // namespace dados
