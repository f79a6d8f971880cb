// The tools as real processes: one mistake, one answer and one exit code from all of them.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "Processo.h"

TEST(OpcoesFerramenta, OneMistakeOneAnswerAndOneExitCodeInEveryTool) {
    QTemporaryDir pasta;
    const QString ini = pasta.filePath("Tessivar.INI");
    const QList<QPair<QStringList, QString>> todas = {
        // An unknown option is named as typed (not split into letters), whatever else is there.
        {{"--bogus"}, "opção desconhecida: --bogus\n\nUso: "},
        {{"-bogus", "--help"}, "opção desconhecida: -bogus\n\nUso: "},
        {{"--help=sim"}, "--help não recebe valor"},
        {{"sobra"}, "argumento inválido: sobra"},
    };
    const QList<QPair<QStringList, QString>> comCadastro = {
        {{}, "falta --connect ou --ini"},
        {{"--connect", ""}, "falta --connect ou --ini"},
        {{"--ini"}, "--ini precisa de um valor"},
        {{"--connect", "x", "--ini", ini}, "use --connect ou --ini, não os dois"},
    };
    for (const QString& programa :
         QStringList{"cadunir-sql", "cadunir-find", "cadunir-history", "cadunir-register",
                     "cadunir-merge"}) {
        const bool registro = programa == "cadunir-register";
        const Processo ajuda = RodarFerramenta(programa, {"--help"});
        EXPECT_EQ(ajuda.codigo, 0) << programa.toStdString();
        EXPECT_TRUE(ajuda.saida.startsWith("Uso: " + programa.toUtf8()));
        EXPECT_TRUE(ajuda.saida.contains("Códigos de saída:\n  0  feito\n"));
        for (const auto& [args, erro] :
             todas + (registro ? QList<QPair<QStringList, QString>>{{{}, "falta --out PASTA"}}
                               : comCadastro)) {
            const Processo r = RodarFerramenta(programa, args);
            EXPECT_EQ(r.codigo, 2) << programa.toStdString() << " " << r.erros.data();
            EXPECT_TRUE(QString::fromUtf8(r.erros).startsWith(programa + ": " + erro))
                << programa.toStdString() << " " << r.erros.data();
        }
        // An INI that names no register is a failure of the run, not of the command line.
        if (!registro) {
            const Processo r = RodarFerramenta(programa, {"--ini", ini});
            EXPECT_EQ(r.codigo, 1);
            EXPECT_TRUE(QString::fromUtf8(r.erros).startsWith(
                programa + ": CONN_SERVER da seção Tessivar não encontrada em " + ini));
        }
    }
}
