#include <QCoreApplication>
#include <QLocale>
#include <QTextStream>
#include "FerramentaHistorico.h"
#include "settings/SenhaTerminal.h"

int main(int argc, char** argv) {
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    QCoreApplication app(argc, argv);
    QStringList argumentos = app.arguments();
    argumentos.removeFirst();
    QTextStream saida(stdout);
    QTextStream erros(stderr);
    const int codigo = ExecutarFerramentaHistorico(argumentos, saida, erros, LerSenhaDoTerminal);
    saida.flush();
    erros.flush();
    return codigo;
}
