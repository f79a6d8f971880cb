#include "data/OdbcEngine.h"

#include "data/ErroNumerado.h"

namespace dados {

std::unique_ptr<Engine> CriarEngineOdbc(const QString&) {
    // Placeholder until the ODBC engine lands: an ODBC string fails like an unknown provider.
    throw ErroNumerado(-2147467259, "Connection", "Falha não especificada.");
}

}  // namespace dados
