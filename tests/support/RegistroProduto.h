#pragma once

#include <QString>

#include "TempRegister.h"
#include "data/ado/clsADO.h"

// A fresh register with the product tables (schema/*.sql, created the way the demo generator
// creates them), with a clsADO for the code under test:
//     RegistroProduto reg;
//     clsPaciente p(reg.cn, reg.ado);
class RegistroProduto : public TempRegister {
  public:
    RegistroProduto();

    Connection& cn;
    clsADO ado;

    // Rows of a table, optionally with a WHERE: contar("Paciente WHERE RG = '1'").
    qint64 contar(const QString& tabelaEFiltro) {
        return scalar("SELECT COUNT(*) FROM " + tabelaEFiltro).toLongLong();
    }
};
