#pragma once

#include "RegistroProduto.h"

// A merge history to list, filter and undo: patients 1..4 ("Pn SOUZA", RG "RGn", record number
// "PRn") with one exam each; the administrator GESTORA (log-in gestor, password segredo, user 1)
// merged 2 (whose RG was "RG NOVO" by then) and 3 into 1 in one command that gave 1 that RG;
// AUXILIAR (aux, segredo, user 2, not an administrator) appears as the author of an older merge,
// of 90 ("ANTIGO LIMA") into 4 on 01/05/2019 10:00.
class RegistroHistorico : public RegistroProduto {
  public:
    RegistroHistorico();
};
