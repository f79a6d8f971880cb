#include "ui/AvisoCadastro.h"

AvisoCadastro& AvisoCadastro::Instancia() {
    static AvisoCadastro aviso;
    return aviso;
}
