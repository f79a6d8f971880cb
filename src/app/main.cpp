#include <QApplication>
#include <QLocale>
#include <cstdio>

#include "AutomacaoDemo.h"
#include "main/frmPrincipal.h"
#include "settings/Configuracao.h"
#include "ui/Aparencia.h"

int main(int argc, char** argv) {
    // Digit grouping "1.234" and dates dd/MM/yyyy whatever the machine's own locale.
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    QApplication app(argc, argv);
    // Qt's own dialogs and buttons in Portuguese, and a focus that shows.
    PrepararAparencia(app);
    // One settings store, "Cadunir", whatever the executable is called; the lower-case store
    // that earlier versions took from the executable's name is folded into it once.
    QCoreApplication::setOrganizationName(kAplicacaoCadunir);
    QCoreApplication::setApplicationName(kAplicacaoCadunir);
    if (!MigrarConfiguracaoAntiga()) {
        std::fprintf(stderr, "cadunir: the old settings could not be copied; kept for next time\n");
    }

    AutomacaoDemo demo;
    demo.Preparar();
    frmPrincipal janela;
    if (!janela.Form_Load()) {
        return 0;
    }
    janela.show();
    demo.Fotografar(janela);
    return app.exec();
}
