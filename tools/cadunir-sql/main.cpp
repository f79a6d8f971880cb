#include <QCoreApplication>
#include <QLocale>
#include <QTextStream>
#include <cstdio>

#include "FerramentaSql.h"

int main(int argc, char** argv) {
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    QCoreApplication app(argc, argv);
    QStringList argumentos = app.arguments();
    argumentos.removeFirst();
    QTextStream entrada(stdin);
    QTextStream saida(stdout);
    QTextStream erros(stderr);
    const int codigo = ExecutarFerramentaSql(argumentos, entrada, saida, erros);
    saida.flush();
    erros.flush();
    return codigo;
}
