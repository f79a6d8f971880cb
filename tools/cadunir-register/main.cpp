// cadunir-register: writes a demo register of synthetic Brazilian patients (SQLite, through the
// program's own embedded engine) and the Tessivar.INI that points the program at it.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <cstdio>

#include "Registro.h"

namespace {

bool numero(const QString& texto, qint64 minimo, qint64 maximo, qint64& valor) {
    bool ok = false;
    valor = texto.toLongLong(&ok);
    return ok && valor >= minimo && valor <= maximo;
}

void escrever(FILE* saida, const QString& texto) {
    std::fputs(texto.toLocal8Bit().constData(), saida);
    std::fflush(saida);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("cadunir-register"));
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));

    const registro::OpcoesRegistro padrao;
    QCommandLineParser cli;
    cli.setApplicationDescription(QStringLiteral(
        "Writes a demo patient register: DIR/Registro.db (SQLite) with synthetic Brazilian\n"
        "patients, some of them registered two or three times, their exams, and two users,\n"
        "and DIR/Tessivar.INI pointing at it, so that WINDIR=DIR cadunir opens it."));
    cli.addHelpOption();
    const QCommandLineOption oPacientes(
        QStringLiteral("patients"),
        QStringLiteral("Number of patient records (default %1).").arg(padrao.pacientes),
        QStringLiteral("N"), QString::number(padrao.pacientes));
    const QCommandLineOption oPasta(QStringLiteral("out"),
                                    QStringLiteral("Demo Windows folder to write (required)."),
                                    QStringLiteral("DIR"));
    const QCommandLineOption oDuplicados(
        QStringLiteral("duplicates"),
        QStringLiteral("Per cent of records in duplicate groups, 0-90 (default %1).")
            .arg(padrao.duplicadosPorCento),
        QStringLiteral("PERCENT"), QString::number(padrao.duplicadosPorCento));
    const QCommandLineOption oSemente(
        QStringLiteral("seed"), QStringLiteral("Random seed (default %1).").arg(padrao.semente),
        QStringLiteral("S"), QString::number(padrao.semente));
    const QCommandLineOption oForcar(QStringLiteral("force"),
                                     QStringLiteral("Replace a register already in DIR."));
    cli.addOptions({oPacientes, oPasta, oDuplicados, oSemente, oForcar});
    cli.process(app);

    registro::OpcoesRegistro opcoes;
    qint64 valor = 0;
    if (!cli.isSet(oPasta) || cli.value(oPasta).isEmpty()) {
        escrever(stderr, "cadunir-register: --out DIR is required (see --help)\n");
        return 2;
    }
    opcoes.pasta = cli.value(oPasta);
    if (!numero(cli.value(oPacientes), 0, 100000000, valor)) {
        escrever(stderr, "cadunir-register: --patients takes a whole number from 0 to 100000000\n");
        return 2;
    }
    opcoes.pacientes = valor;
    if (!numero(cli.value(oDuplicados), 0, 90, valor)) {
        escrever(stderr, "cadunir-register: --duplicates takes a whole number from 0 to 90\n");
        return 2;
    }
    opcoes.duplicadosPorCento = int(valor);
    bool ok = false;
    opcoes.semente = cli.value(oSemente).toULongLong(&ok);
    if (!ok) {
        escrever(stderr, "cadunir-register: --seed takes a non-negative whole number\n");
        return 2;
    }
    opcoes.substituir = cli.isSet(oForcar);

    // A progress line on runs long enough to wait for.
    const bool mostrar = opcoes.pacientes >= 100000;
    qint64 ultimoPasso = -1;
    const QLocale br;
    QElapsedTimer relogio;
    relogio.start();
    registro::ResumoRegistro resumo;
    QString erro;
    const bool criado =
        registro::CriarRegistro(opcoes, resumo, erro, [&](qint64 feitos, qint64 total) {
            const qint64 passo = feitos * 100 / std::max<qint64>(total, 1);
            if (!mostrar || passo == ultimoPasso)
                return;
            ultimoPasso = passo;
            escrever(stderr, QStringLiteral("\rpatients: %1 of %2 (%3%)")
                                 .arg(br.toString(feitos), br.toString(total))
                                 .arg(passo));
        });
    if (mostrar)
        escrever(stderr, "\n");
    if (!criado) {
        escrever(stderr, "cadunir-register: " + erro + "\n");
        return 1;
    }
    escrever(stdout,
             QStringLiteral("%1: %2 patients (%3 duplicate groups), %4 exams in %5 s\n")
                 .arg(registro::ArquivoRegistro(opcoes.pasta), br.toString(resumo.pacientes),
                      br.toString(resumo.grupos), br.toString(resumo.exames),
                      br.toString(relogio.elapsed() / 1000.0, 'f', 1)));
    return 0;
}
