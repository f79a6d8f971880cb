#include "ui/DE.h"

DataEnvironment& DE() {
    static DataEnvironment ambiente;
    return ambiente;
}

clsADO& ADO() {
    static clsADO ado;
    return ado;
}

qint32 ID_UsuarioLogado = 0;
