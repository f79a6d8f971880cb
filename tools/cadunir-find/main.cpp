#include <QCoreApplication>
#include <QLocale>
#include <QTextStream>
#include <cstdio>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "Busca.h"

int main(int argc, char** argv) {
#ifdef __GLIBC__
    // The search's stages hand lists of tens of megabytes from thread to thread: taken from the
    // system and given back to it directly, they do not linger in a thread's heap and add up
    // to a peak of their own (glibc would raise this bound to 32 MB as such lists are freed).
    mallopt(M_MMAP_THRESHOLD, 8 << 20);
#endif
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
