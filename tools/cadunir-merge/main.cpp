#include <QCoreApplication>
#include <QLocale>
#include <QTextStream>
#include <atomic>
#include <csignal>

#include "FerramentaUnificacao.h"
#include "settings/SenhaTerminal.h"

namespace {

std::atomic<bool> g_parar{false};

// The first Ctrl+C asks the batch to stop after the group it is merging; a second one ends the
// program at once, which the batch survives as well (each group is one transaction).
void PedirParada(int) {
    g_parar = true;
    std::signal(SIGINT, SIG_DFL);
}

}  // namespace

int main(int argc, char** argv) {
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    QCoreApplication app(argc, argv);
    QStringList argumentos = app.arguments();
    argumentos.removeFirst();
    QTextStream saida(stdout);
    QTextStream erros(stderr);
    std::signal(SIGINT, PedirParada);
    const int codigo = ExecutarFerramentaUnificacao(argumentos, saida, erros, LerSenhaDoTerminal,
                                                    [] { return g_parar.load(); });
    saida.flush();
    erros.flush();
    return codigo;
}
