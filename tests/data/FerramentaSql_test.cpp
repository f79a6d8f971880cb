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

TEST(FerramentaSql, RunsBatchesAndPrintsTablesAndCounts) {
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
              "(1 rows affected)\n(1 rows affected)\n"
              "ID\tNome\tD\tN\n1\tAna\t2007-06-21 00:00:00\t1\n2\tNULL\tNULL\t1\n");

    const Execucao rastro = Rodar({"--trace", "--connect", cadeia, "-e", "SELECT COUNT(*) FROM T"});
    EXPECT_EQ(rastro.saida, "\n2\n");  // an expression without alias has no name
    EXPECT_TRUE(rastro.erros.contains("-- SELECT COUNT(*) FROM T"));

    // Rows pasted into a spreadsheet run nothing; numbers stay numbers.
    const Execucao celulas = Rodar(
        {"--connect", cadeia, "-e", "SELECT '=1+1' AS [@x], -5 AS N, 'a' + CHAR(11) + 'b' AS T"});
    EXPECT_EQ(celulas.saida, "'@x\tN\tT\n'=1+1\t-5\ta b\n") << celulas.erros.toStdString();
}

// Each statement of a batch prints its own result, in order, as SQL Server's console does.
TEST(FerramentaSql, EveryStatementOfABatchPrintsItsResultInOrder) {
    TempRegister reg;
    const QString cadeia = reg.connectionString();
    ASSERT_TRUE(reg.exec("CREATE TABLE P (ID int IDENTITY (1, 1) NOT NULL, Nome nvarchar (10))"));
    Execucao e = Rodar({"--connect", cadeia, "-e",
                        "Insert Into P (Nome) Values ('Ana')\nSelect @@Identity as ID"});
    EXPECT_EQ(e.codigo, 0) << e.erros.toStdString();
    EXPECT_EQ(e.saida, "(1 rows affected)\nID\n1\n");

    QString insercoes;
    for (int i = 0; i < 500; ++i) {
        insercoes += QStringLiteral("INSERT INTO P (Nome) VALUES ('n%1')\n").arg(i);
    }
    e = Rodar({"--connect", cadeia}, insercoes);
    EXPECT_EQ(e.saida, QStringLiteral("(1 rows affected)\n").repeated(500));
    EXPECT_EQ(reg.scalar("SELECT COUNT(*) FROM P").toInt(), 501);

    // A failure in the middle: what ran before it is printed and stays; nothing after it runs,
    // not even the next batch.
    e = Rodar({"--connect", cadeia},
              "DELETE FROM P WHERE ID > 1\n"
              "INSERT INTO P (Nome) VALUES ('nome longo demais')\n"
              "INSERT INTO P (Nome) VALUES ('Bia')\n"
              "GO\n"
              "INSERT INTO P (Nome) VALUES ('Caio')\n");
    EXPECT_EQ(e.codigo, 1);
    EXPECT_EQ(e.saida, "(500 rows affected)\n");
    EXPECT_TRUE(
        e.erros.endsWith("Msg 8152, Level 16, State 14, Line 2\n"
                         "String or binary data would be truncated.\n"))
        << e.erros.toStdString();
    EXPECT_EQ(reg.scalar("SELECT COUNT(*) FROM P").toInt(), 1);

    // A transaction in the batch decides: rolled back by the batch, or left open by a failure
    // and undone when the tool ends.
    e = Rodar({"--connect", cadeia},
              "BEGIN TRAN\nINSERT INTO P (Nome) VALUES ('Dora')\n"
              "SELECT @@TRANCOUNT AS N\nROLLBACK\n");
    EXPECT_EQ(e.codigo, 0) << e.erros.toStdString();
    EXPECT_EQ(e.saida, "(1 rows affected)\nN\n1\n");
    e = Rodar({"--connect", cadeia},
              "BEGIN TRANSACTION\nINSERT INTO P (Nome) VALUES ('Eva')\n"
              "INSERT INTO P (ID, Nome) VALUES (9, 'Fábio')\nCOMMIT\n");
    EXPECT_EQ(e.codigo, 1);
    EXPECT_EQ(e.saida, "(1 rows affected)\n");
    EXPECT_EQ(reg.scalar("SELECT COUNT(*) FROM P").toInt(), 1);
}

// A failure reads as on SQL Server's console: the message's number, level, state and the line
// of the batch its statement begins on, then SQL Server's text, and nothing of the engine's own.
TEST(FerramentaSql, FailuresPrintSqlServersMessageAndLine) {
    TempRegister reg;
    const QString cadeia = reg.connectionString();
    const struct {
        const char* lote;
        const char* mensagem;
    } casos[] = {
        {"SELECT 1/0", "Msg 8134, Level 16, State 1, Line 1\nDivide by zero error encountered.\n"},
        {"SELECT 1\n\nSELECT 2147483647\n + 1",
         "Msg 8115, Level 16, State 2, Line 3\nArithmetic overflow error converting expression "
         "to data type int.\n"},
        {"SELECT 1\nSELECT * FROM Nada",
         "Msg 208, Level 16, State 1, Line 2\nInvalid object "
         "name 'Nada'.\n"},
        {"SELECT 1 FROM\n(SELECT 1 AS a ORDER BY a) d",
         "Msg 1033, Level 15, State 1, Line 2\nThe ORDER BY clause is invalid in views, inline "
         "functions, derived tables, subqueries, and common table expressions, unless TOP, "
         "OFFSET or FOR XML is also specified.\n"},
        {"SELECT 1\nSELECT * FORM T",
         "Msg 102, Level 15, State 1, Line 2\nIncorrect syntax "
         "near 'FORM'.\n"},
    };
    for (const auto& c : casos) {
        const Execucao e = Rodar({"--connect", cadeia, "-e", c.lote});
        EXPECT_EQ(e.codigo, 1);
        EXPECT_TRUE(e.erros.endsWith(c.mensagem)) << e.erros.toStdString();
        EXPECT_FALSE(e.erros.contains("SQLite")) << e.erros.toStdString();
    }
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
