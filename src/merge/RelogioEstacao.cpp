#include "merge/RelogioEstacao.h"

namespace {

RelogioEstacao& relogioAtual() {
    static RelogioEstacao relogio;
    return relogio;
}

}  // namespace

QDateTime AgoraEstacao() {
    const RelogioEstacao& relogio = relogioAtual();
    return relogio ? relogio() : QDateTime::currentDateTime();
}

RelogioEstacao DefinirRelogioEstacao(RelogioEstacao relogio) {
    RelogioEstacao anterior = std::move(relogioAtual());
    relogioAtual() = std::move(relogio);
    return anterior;
}
