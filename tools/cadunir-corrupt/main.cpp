// cadunir-corrupt: writes a register with known duplicates made with the errors studies of real
// patient registers report, apart from the demo generator, to measure the duplicate finder on
// data it was not built around.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLocale>
#include <cstdio>

#include "CadastroCorrompido.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("cadunir-corrupt"));
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    const corrupcao::Opcoes padrao;
    QCommandLineParser cli;
    cli.setApplicationDescription(QStringLiteral(
        "Writes DIR/Registro.db, a patient register in which a share of the people are\n"
        "registered more than once with the errors real registers show (slips, sounds,\n"
        "swapped names, missing middle names and documents, wrong date digits, moves), and\n"
        "DIR/Verdade.tsv (ID_Paciente<TAB>person)."));
    cli.addHelpOption();
    const QCommandLineOption oRegistros(
        QStringLiteral("patients"),
        QStringLiteral("Number of records (default %1).").arg(padrao.registros),
        QStringLiteral("N"), QString::number(padrao.registros));
    const QCommandLineOption oPasta(QStringLiteral("out"), QStringLiteral("Folder to write."),
                                    QStringLiteral("DIR"));
    const QCommandLineOption oDuplicados(
        QStringLiteral("duplicates"),
        QStringLiteral("Per cent of records of people registered more than once, 0-90 "
                       "(default %1).")
            .arg(padrao.duplicadosPorCento),
        QStringLiteral("PERCENT"), QString::number(padrao.duplicadosPorCento));
    const QCommandLineOption oSemente(
        QStringLiteral("seed"), QStringLiteral("Random seed (default %1).").arg(padrao.semente),
        QStringLiteral("S"), QString::number(padrao.semente));
    const QCommandLineOption oNomes(
        QStringLiteral("names-only"),
        QStringLiteral("Write only the names and the birth date; every other column NULL."));
    const QCommandLineOption oForcar(QStringLiteral("force"),
                                     QStringLiteral("Replace a register already in DIR."));
    cli.addOptions({oRegistros, oPasta, oDuplicados, oSemente, oNomes, oForcar});
    cli.process(app);

    corrupcao::Opcoes o;
    bool ok = cli.isSet(oPasta) && !cli.value(oPasta).isEmpty();
    bool n1 = false, n2 = false, n3 = false;
    o.pasta = cli.value(oPasta);
    o.registros = cli.value(oRegistros).toLongLong(&n1);
    o.duplicadosPorCento = cli.value(oDuplicados).toInt(&n2);
    o.semente = cli.value(oSemente).toULongLong(&n3);
    o.soNomes = cli.isSet(oNomes);
    o.substituir = cli.isSet(oForcar);
    if (!ok || !n1 || !n2 || !n3 || o.registros < 1 || o.registros > 100000000 ||
        o.duplicadosPorCento < 0 || o.duplicadosPorCento > 90) {
        std::fputs(
            "cadunir-corrupt: --out DIR is required; --patients 1 to 100000000, "
            "--duplicates 0 to 90\n",
            stderr);
        return 1;
    }
    corrupcao::Resumo resumo;
    QString erro;
    if (!corrupcao::CriarCadastro(o, resumo, erro)) {
        std::fprintf(stderr, "cadunir-corrupt: %s\n", qPrintable(erro));
        return 1;
    }
    std::printf("%s: %lld records of %lld people, %lld true pairs\n", qPrintable(o.pasta),
                resumo.registros, resumo.pessoas, resumo.paresVerdadeiros);
    return 0;
}
