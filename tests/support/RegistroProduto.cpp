#include "RegistroProduto.h"

#include <gtest/gtest.h>

#include "Esquema.h"

RegistroProduto::RegistroProduto() : cn(conn()) {
    QString erro;
    if (!registro::CriarEsquema(cn, ado, erro))
        ADD_FAILURE() << erro.toStdString();
}
