#include <QCoreApplication>
#include <QLocale>
#include <QTextStream>
#include <cstdio>

#include "Busca.h"

int main(int argc, char** argv) {
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    QCoreApplication app(argc, argv);
    QStringList argumentos = app.arguments();
    argumentos.removeFirst();
    QTextStream saida(stdout);
    QTextStream erros(stderr);
    const int codigo = ExecutarBusca(argumentos, saida, erros);
    saida.flush();
    erros.flush();
    return codigo;
}
