#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "FerramentaSql.h"
#include "data/base/Diagnostico.h"
#include "support/ImprimirQt.h"
#include "support/TempRegister.h"

namespace {

struct Execucao {
    int codigo;
    QString saida;
    QString erros;
};

Execucao Rodar(const QStringList& argumentos, const QString& entrada = QString()) {
    QString in = entrada;
    Execucao e;
    QTextStream entradaStream(&in);
    QTextStream saida(&e.saida);
    QTextStream erros(&e.erros);
    e.codigo = ExecutarFerramentaSql(argumentos, entradaStream, saida, erros);
    saida.flush();
    erros.flush();
    return e;
}

}  // namespace

TEST(FerramentaSql, RunsBatchesAndPrintsTablesCountsAndFailures) {
    TempRegister reg;
    const QString cadeia = reg.connectionString();
    const Execucao e = Rodar({"--connect", cadeia},
                             "CREATE TABLE [dbo].[T] ([ID] [int] NULL, [Nome] [nvarchar] (10) NULL,"
                             " [D] [smalldatetime] NULL)\n"
                             "go\n"
                             "INSERT INTO T (ID, Nome, D) VALUES (1, 'Ana', '2007-06-21')\n"
                             "INSERT INTO T (ID, Nome) VALUES (2, NULL)\n"
                             "  GO  \n"
                             "-- comment\nSELECT ID, Nome, D, COUNT(*) AS N FROM T GROUP BY ID, "
                             "Nome, D ORDER BY ID\n");
    EXPECT_EQ(e.codigo, 0) << e.erros.toStdString();
    EXPECT_EQ(e.saida,
              "(0 rows affected)\n(1 rows affected)\n"
              "ID\tNome\tD\tN\n1\tAna\t2007-06-21 00:00:00\t1\n2\tNULL\tNULL\t1\n");

    const Execucao falha = Rodar({"--connect", cadeia, "-e",
                                  "INSERT INTO T (ID, Nome) VALUES (3, "
                                  "'nome longo demais')"});
    EXPECT_EQ(falha.codigo, 1);
    EXPECT_TRUE(
        falha.erros.endsWith("-2147217833 - Os dados seriam truncados: valor longo demais "
                             "para o campo.\n"))
        << falha.erros.toStdString();

    const Execucao rastro = Rodar({"--trace", "--connect", cadeia, "-e", "SELECT COUNT(*) FROM T"});
    EXPECT_EQ(rastro.saida, "\n2\n");  // an expression without alias has no name
    EXPECT_TRUE(rastro.erros.contains("-- SELECT COUNT(*) FROM T"));
}

TEST(FerramentaSql, ConnectionFromTheIniFileAndUsageErrors) {
    TempRegister reg;
    QTemporaryDir pasta;
    const QString ini = pasta.filePath("Tessivar.INI");
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(("[Tessivar]\r\nCONN_SERVER=" + reg.connectionString() + "\r\n").toUtf8());
    f.close();
    EXPECT_EQ(Rodar({"--ini", ini, "-e", "CREATE TABLE X (A int)"}).codigo, 0);
    EXPECT_TRUE(reg.scalar("SELECT COUNT(*) FROM X").isValid());

    EXPECT_EQ(Rodar({"--ini", pasta.filePath("falta.ini"), "-e", "SELECT 1"}).codigo, 1);
    EXPECT_EQ(Rodar({"-e", "SELECT 1"}).codigo, 2);
    EXPECT_EQ(Rodar({"--xyz"}).codigo, 2);
    const Execucao ajuda = Rodar({"--help"});
    EXPECT_EQ(ajuda.codigo, 0);
    EXPECT_TRUE(ajuda.saida.contains("GO"));
    // A missing register is not created.
    const Execucao faltando =
        Rodar({"--connect", "Provider=SQLite;Data Source=" + pasta.filePath("nada.db"), "-e",
               "SELECT 1"});
    EXPECT_EQ(faltando.codigo, 1);
    EXPECT_FALSE(QFile::exists(pasta.filePath("nada.db")));
}

// The shell survives what no statement of the program sends: 100,000 nested parentheses are
// refused with SQL Server's message, a 100,000-term AND chain runs.
TEST(FerramentaSql, DeepNestingIsRefusedAndLongChainsRun) {
    TempRegister reg;
    const QString fundo =
        "SELECT " + QString("(").repeated(100000) + "1" + QString(")").repeated(100000);
    const Execucao recusada = Rodar({"--connect", reg.connectionString(), "-e", fundo});
    EXPECT_EQ(recusada.codigo, 1);
    EXPECT_TRUE(recusada.erros.startsWith("-2147217900 - ")) << recusada.erros.toStdString();
    EXPECT_TRUE(
        dados::UltimoDiagnostico().contains("Msg 191: Some part of your SQL statement is "
                                            "nested too deeply"));
    QStringList termos;
    for (int i = 0; i < 100000; ++i) {
        termos << QStringLiteral("%1 = %1").arg(i);
    }
    const Execucao longa = Rodar({"--connect", reg.connectionString(), "-e",
                                  "SELECT COUNT(*) WHERE " + termos.join(" AND ")});
    EXPECT_EQ(longa.codigo, 0) << longa.erros.left(300).toStdString();
    EXPECT_EQ(longa.saida, "\n1\n");
}
