// cadunir-history on a real register file: listing with filters, and the undo behind the same
// administrator check as the login dialog.

#include <gtest/gtest.h>

#include <QDateTime>

#include "FerramentaHistorico.h"
#include "support/RegistroHistorico.h"

namespace {

struct Resultado {
    int codigo = 0;
    QString saida;
    QString erros;
    int senhasPedidas = 0;
};

Resultado Rodar(const QStringList& argumentos, const QString& senhaDigitada = QString()) {
    Resultado r;
    QTextStream saida(&r.saida);
    QTextStream erros(&r.erros);
    r.codigo = ExecutarFerramentaHistorico(argumentos, saida, erros, [&] {
        ++r.senhasPedidas;
        return senhaDigitada;
    });
    saida.flush();
    erros.flush();
    return r;
}

}  // namespace

TEST(CadunirHistory, ListaLinhasSeparadasPorTabulacaoComFiltros) {
    RegistroHistorico reg;
    const QStringList base = {"--connect", reg.connectionString()};
    Resultado r = Rodar(base);
    ASSERT_EQ(r.codigo, 0) << r.erros.toStdString();
    QStringList linhas = r.saida.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(linhas.size(), 3);
    // Newest first: the two removed records of today's command, then the 2019 merge.
    QStringList campos = linhas[0].split('\t');
    ASSERT_EQ(campos.size(), 14);
    EXPECT_EQ(campos[1], "1");
    EXPECT_EQ(campos[2], "GESTORA");
    EXPECT_EQ(campos[3], "1");
    EXPECT_EQ(campos[4], "P1 SOUZA");
    EXPECT_EQ(campos[9], "1");
    EXPECT_EQ(campos[10], "N");
    EXPECT_TRUE(linhas[2].startsWith("2019-05-01 10:00:00\t2\tAUXILIAR\t4\tP4 SOUZA\t90\t"));

    r = Rodar(base + QStringList{"--until", "2019-05-01"});
    EXPECT_EQ(r.saida.count('\n'), 1);
    r = Rodar(base + QStringList{"--since", "2019-05-01 10:01"});
    EXPECT_EQ(r.saida.count('\n'), 2);
    r = Rodar(base + QStringList{"--patient", "3"});
    EXPECT_EQ(r.saida.count('\n'), 2);  // the whole command that removed 3

    EXPECT_EQ(Rodar(base + QStringList{"--since", "ontem"}).codigo, 2);
    EXPECT_EQ(Rodar(base + QStringList{"--patient", "x"}).codigo, 2);
    EXPECT_EQ(Rodar(base + QStringList{"--undo", "3"}).codigo, 2);  // no --user
    r = Rodar({"--connect", "Provider=SQLite;Data Source=" + reg.path() + ".nao"});
    EXPECT_EQ(r.codigo, 1);
    EXPECT_FALSE(r.erros.isEmpty());

    // What was typed at a reception desk reaches a spreadsheet disarmed, on one line.
    ASSERT_TRUE(
        reg.exec("UPDATE PacienteLog SET Nome = '=1+1' + CHAR(11), Nome_Último = NULL, "
                 "Prontuário = '@SUM(1)' WHERE ID_Paciente = 90"));
    r = Rodar(base + QStringList{"--until", "2019-05-01"});
    EXPECT_EQ(
        r.saida,
        "2019-05-01 10:00:00\t2\tAUXILIAR\t4\tP4 SOUZA\t90\t'=1+1 \t'@SUM(1)\t\t0\tN\t\t\t\n");
}

TEST(CadunirHistory, DesfazSoParaAdministradorComSenhaEUmaVezSo) {
    RegistroHistorico reg;
    const QStringList desfazer = {"--connect", reg.connectionString(), "--undo", "3", "--user"};
    qunsetenv("CADUNIR_PASSWORD");

    Resultado r = Rodar(desfazer + QStringList{"gestor"}, "errada");
    EXPECT_EQ(r.codigo, 1);
    EXPECT_EQ(r.senhasPedidas, 1);
    EXPECT_TRUE(r.erros.contains("Usuário ou senha incorretos, tente outra vez."));

    r = Rodar(desfazer + QStringList{"aux"}, "segredo");
    EXPECT_EQ(r.codigo, 1);
    EXPECT_TRUE(r.erros.contains(
        "Somente usuários com perfil de administrador podem acessar este programa."));
    EXPECT_EQ(reg.contar("Paciente WHERE ID_Paciente = 3"), 0);

    qputenv("CADUNIR_PASSWORD", "segredo");
    r = Rodar(desfazer + QStringList{"gestor"});
    EXPECT_EQ(r.codigo, 0) << r.erros.toStdString();
    EXPECT_EQ(r.senhasPedidas, 0);
    EXPECT_EQ(reg.contar("Paciente WHERE ID_Paciente = 3"), 1);
    EXPECT_EQ(reg.contar("Exame WHERE ID_Paciente = 3 AND Número_Exame = 'E3'"), 1);
    EXPECT_EQ(reg.contar("Cadunir_UnificacaoDesfeita WHERE ID_Paciente = 3 AND ID_Usuario = 1"), 1);

    r = Rodar(desfazer + QStringList{"gestor"});
    EXPECT_EQ(r.codigo, 1);
    EXPECT_TRUE(r.erros.contains("3")) << r.erros.toStdString();
    r = Rodar({"--connect", reg.connectionString()});
    EXPECT_TRUE(r.saida.contains("\t3\tP3 SOUZA\tPR3\t\t1\tS\t\t\t\n")) << r.saida.toStdString();
    qunsetenv("CADUNIR_PASSWORD");
}
