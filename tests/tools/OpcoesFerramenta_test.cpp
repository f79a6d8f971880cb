// The four tools as real processes: one mistake, one answer and one exit code from all of them.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "Processo.h"

namespace {

const QStringList kComCadastro = {"cadunir-sql", "cadunir-find", "cadunir-history"};
const QStringList kTodas = kComCadastro + QStringList{"cadunir-register"};

std::string Descrever(const QString& programa, const Processo& r) {
    return programa.toStdString() + " exited " + std::to_string(r.codigo) + ":\n" +
           r.erros.toStdString();
}

}  // namespace

TEST(OpcoesFerramenta, WrongCommandLinesExitTwoWithTheSameWordsInEveryTool) {
    for (const QString& programa : kTodas) {
        const Processo ajuda = RodarFerramenta(programa, {"--help"});
        EXPECT_EQ(ajuda.codigo, 0) << Descrever(programa, ajuda);
        EXPECT_TRUE(ajuda.saida.startsWith("Uso: " + programa.toUtf8())) << ajuda.saida.data();
        EXPECT_TRUE(ajuda.saida.contains("Códigos de saída:\n  0  feito\n")) << ajuda.saida.data();
        EXPECT_TRUE(ajuda.erros.isEmpty());

        // An unknown option is named as typed (not split into letters), whatever else is there.
        const QString prefixo = programa + ": ";
        for (const QStringList& args :
             {QStringList{"--bogus"}, QStringList{"-bogus", "--help"}, QStringList{"-x"}}) {
            const Processo r = RodarFerramenta(programa, args);
            EXPECT_EQ(r.codigo, 2) << Descrever(programa, r);
            EXPECT_TRUE(QString::fromUtf8(r.erros).startsWith(
                prefixo + "opção desconhecida: " + args[0] + "\n\nUso: "))
                << Descrever(programa, r);
            EXPECT_TRUE(r.saida.isEmpty());
        }
        const Processo semValor = RodarFerramenta(programa, {"--help=sim"});
        EXPECT_EQ(semValor.codigo, 2) << Descrever(programa, semValor);
        EXPECT_TRUE(semValor.erros.startsWith(prefixo.toUtf8() + "--help não recebe valor"));
        const Processo solto = RodarFerramenta(programa, {"sobra"});
        EXPECT_EQ(solto.codigo, 2) << Descrever(programa, solto);
        EXPECT_TRUE(solto.erros.startsWith(prefixo.toUtf8() + "argumento inválido: sobra"));
    }
    const Processo r = RodarFerramenta("cadunir-register", {"--patients", "10"});
    EXPECT_EQ(r.codigo, 2);
    EXPECT_TRUE(r.erros.startsWith("cadunir-register: falta --out PASTA")) << r.erros.data();
}

TEST(OpcoesFerramenta, TheRegisterComesFromConnectOrIniAlone) {
    QTemporaryDir pasta;
    const QString ini = pasta.filePath("Tessivar.INI");
    for (const QString& programa : kComCadastro) {
        struct Caso {
            QStringList args;
            int codigo;
            QString erro;
        };
        const QList<Caso> casos = {
            {{}, 2, "falta --connect ou --ini"},
            {{"--connect", ""}, 2, "falta --connect ou --ini"},
            {{"--ini"}, 2, "--ini precisa de um valor"},
            {{"--connect", "x", "--ini", ini}, 2, "use --connect ou --ini, não os dois"},
            // An INI that names no register is a failure of the run, not of the command line.
            {{"--ini", ini}, 1, "CONN_SERVER da seção Tessivar não encontrada em " + ini},
        };
        for (const Caso& c : casos) {
            const Processo r = RodarFerramenta(programa, c.args);
            EXPECT_EQ(r.codigo, c.codigo) << Descrever(programa, r);
            EXPECT_TRUE(QString::fromUtf8(r.erros).startsWith(programa + ": " + c.erro))
                << Descrever(programa, r);
        }
    }
}
