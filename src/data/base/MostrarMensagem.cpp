#include "data/base/MostrarMensagem.h"

#include <cstdio>
#include <utility>

#include "data/base/Diagnostico.h"

namespace {
MostrarMensagemFn& sinkAtual() {
    static MostrarMensagemFn sink;
    return sink;
}
}  // namespace

void MostrarMensagem(const QString& mensagem) {
    const QString texto = dados::MascararSenhas(mensagem);
    if (const MostrarMensagemFn& sink = sinkAtual()) {
        sink(texto);
        return;
    }
    std::fprintf(stderr, "%s\n", texto.toLocal8Bit().constData());
}

MostrarMensagemFn MostrarMensagem_Definir(MostrarMensagemFn sink) {
    return std::exchange(sinkAtual(), std::move(sink));
}
