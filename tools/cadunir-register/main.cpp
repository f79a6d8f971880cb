// cadunir-register: writes a demo register of synthetic Brazilian patients (SQLite, through the
// program's own embedded engine) and the Tessivar.INI that points the program at it.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <cstdio>

#include "Registro.h"
#include "settings/OpcoesFerramenta.h"

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
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    QStringList argumentos = app.arguments();
    argumentos.removeFirst();
    QTextStream saida(stdout);
    QTextStream erros(stderr);

    const registro::OpcoesRegistro padrao;
    OpcoesFerramenta cli(
        QStringLiteral("cadunir-register"),
        QStringLiteral("Uso: cadunir-register --out PASTA [--patients N] [--duplicates POR_CENTO]\n"
                       "                      [--seed S] [--force]"),
        QStringLiteral(
            "Escreve um cadastro de demonstração: PASTA/Registro.db (SQLite) com pacientes\n"
            "brasileiros sintéticos, alguns cadastrados duas ou três vezes, seus exames e dois\n"
            "usuários, e PASTA/Tessivar.INI apontando para ele, para que WINDIR=PASTA cadunir o\n"
            "abra."),
        false);
    const QCommandLineOption oPasta(QStringLiteral("out"),
                                    QStringLiteral("a pasta Windows de demonstração (obrigatória)"),
                                    QStringLiteral("PASTA"));
    const QCommandLineOption oPacientes(
        QStringLiteral("patients"),
        QStringLiteral("quantos pacientes (padrão %1)").arg(padrao.pacientes), QStringLiteral("N"),
        QString::number(padrao.pacientes));
    const QCommandLineOption oDuplicados(
        QStringLiteral("duplicates"),
        QStringLiteral("por cento dos cadastros em grupos de duplicados, 0 a 90 (padrão %1)")
            .arg(padrao.duplicadosPorCento),
        QStringLiteral("POR_CENTO"), QString::number(padrao.duplicadosPorCento));
    const QCommandLineOption oSemente(
        QStringLiteral("seed"),
        QStringLiteral("semente do sorteio (padrão %1)").arg(padrao.semente), QStringLiteral("S"),
        QString::number(padrao.semente));
    const QCommandLineOption oForcar(
        QStringLiteral("force"), QStringLiteral("substitui um cadastro que já esteja na pasta"));
    for (const auto& o : {oPasta, oPacientes, oDuplicados, oSemente, oForcar}) {
        cli.Adicionar(o);
    }
    if (const auto fim = cli.Ler(argumentos, saida, erros)) {
        return *fim;
    }

    registro::OpcoesRegistro opcoes;
    qint64 valor = 0;
    if (cli.Valor(oPasta).isEmpty()) {
        return cli.Recusar(QStringLiteral("falta --out PASTA"), erros);
    }
    opcoes.pasta = cli.Valor(oPasta);
    if (!numero(cli.Valor(oPacientes), 0, 100000000, valor)) {
        return cli.Recusar(QStringLiteral("--patients recebe um número inteiro de 0 a 100000000"),
                           erros);
    }
    opcoes.pacientes = valor;
    if (!numero(cli.Valor(oDuplicados), 0, 90, valor)) {
        return cli.Recusar(QStringLiteral("--duplicates recebe um número inteiro de 0 a 90"),
                           erros);
    }
    opcoes.duplicadosPorCento = int(valor);
    bool ok = false;
    opcoes.semente = cli.Valor(oSemente).toULongLong(&ok);
    if (!ok) {
        return cli.Recusar(QStringLiteral("--seed recebe um número inteiro não negativo"), erros);
    }
    opcoes.substituir = cli.Tem(oForcar);

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
            escrever(stderr, QStringLiteral("\rpacientes: %1 de %2 (%3%)")
                                 .arg(br.toString(feitos), br.toString(total))
                                 .arg(passo));
        });
    if (mostrar)
        escrever(stderr, "\n");
    if (!criado) {
        escrever(stderr, "cadunir-register: " + erro + "\n");
        return SaidaFalha;
    }
    escrever(stdout,
             QStringLiteral("%1: %2 pacientes (%3 grupos de duplicados), %4 exames em %5 s\n")
                 .arg(registro::ArquivoRegistro(opcoes.pasta), br.toString(resumo.pacientes),
                      br.toString(resumo.grupos), br.toString(resumo.exames),
                      br.toString(relogio.elapsed() / 1000.0, 'f', 1)));
    return SaidaFeito;
}
