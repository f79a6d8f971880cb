#include <gtest/gtest.h>

#include <QFile>

#include "RegistroSqlTeste.h"
#include "data/base/Diagnostico.h"
#include "data/base/TabelaErros.h"
#include "data/sqlite/MotorEmbutido.h"
#include "data/sqlite/OperadoresTSql.h"
#include "support/ImprimirQt.h"

// Statements whose plain SQLite reading differs from SQL Server's: each gives SQL Server's
// result or a clear refusal. Also the nesting limit, long chains and the translation cache.
namespace {

class SemanticaTest : public RegistroSqlTeste {
  protected:
    dados::MotorEmbutido& motor() {
        return dynamic_cast<dados::MotorEmbutido&>(reg.conn().motor());
    }
};

}  // namespace

TEST_F(SemanticaTest, RangesAndUnionsKeepSqlServerMeaning) {
    for (int i = 1; i <= 5; ++i) {
        exec(QStringLiteral("INSERT INTO Paciente (Nome) VALUES ('P%1')").arg(i));
    }
    EXPECT_EQ(linhas("SELECT ID_Paciente FROM Paciente WHERE ID_Paciente NOT BETWEEN 2 AND 4 "
                     "ORDER BY ID_Paciente"),
              QStringList({"1", "5"}));
    EXPECT_EQ(linhas("SELECT ID_Paciente FROM Paciente WHERE NOT ID_Paciente BETWEEN 2 AND 4 "
                     "AND ID_Paciente > 1"),
              QStringList({"5"}));
    // TOP in a union, which SQL Server and SQLite read differently, is refused by the parser
    // (TSqlAnalisador_test).
    // The case-insensitive collation decides what is a duplicate, for literals too.
    EXPECT_EQ(linhas("SELECT 'a' UNION SELECT 'A'").size(), 1);
    EXPECT_EQ(linhas("SELECT DISTINCT Nome + '' FROM Paciente WHERE ID_Paciente < 3 UNION "
                     "SELECT 'p1'")
                  .size(),
              2);
}

TEST_F(SemanticaTest, ArithmeticFailsWhereSqlServerFails) {
    EXPECT_EQ(falhaConsulta("SELECT 1/0"), dados::ErroComando);
    EXPECT_TRUE(log().contains("Divide by zero error encountered."));
    EXPECT_EQ(falhaConsulta("SELECT 7 % 0"), dados::ErroComando);
    EXPECT_EQ(falhaConsulta("SELECT 1.5 / 0"), dados::ErroComando);
    EXPECT_EQ(falhaConsulta("SELECT 2147483647+1"), dados::ErroDadosLongos);
    EXPECT_EQ(falhaConsulta("SELECT 65536 * 65536"), dados::ErroDadosLongos);
    EXPECT_EQ(falhaConsulta("SELECT '1.5'+1"), dados::ErroConversao);
    EXPECT_TRUE(
        log().contains("Conversion failed when converting the nvarchar value '1.5' to "
                       "data type int."));
    EXPECT_EQ(falhaConsulta("SELECT 'abc' - 1"), dados::ErroConversao);
    EXPECT_EQ(falhaConsulta("SELECT 'a' * 'b'"), dados::ErroComando);
    // What SQL Server computes.
    EXPECT_EQ(um("SELECT 2147483647 + 1.0"), "2147483648");
    EXPECT_EQ(um("SELECT 2147483648 + 1"), "2147483649");
    EXPECT_EQ(um("SELECT '1' + 1, ' 2 ' * 3, '1.5' + 1.0"), "2|6|2,5");
    EXPECT_EQ(um("SELECT 7.5 % 2, 7 % 2, -7 % 2, 7 / 2, -7 / 2, 7.0 / 2"), "1,5|1|-1|3|-3|3,5");
    EXPECT_EQ(um("SELECT 1 + 2 * 3 - 4 / 2, (1 + 2) * 3"), "5|9");
    exec("INSERT INTO Paciente (Nome, ID_Convenio_Plano) VALUES ('A', 1)");
    exec("INSERT INTO Paciente (Nome, ID_Convenio_Plano) VALUES ('B', 2)");
    exec("INSERT INTO Paciente (Nome, ID_Convenio_Plano) VALUES ('C', -4)");
    EXPECT_EQ(um("SELECT AVG(ID_Convenio_Plano) FROM Paciente WHERE ID_Convenio_Plano > 0"), "1");
    EXPECT_EQ(um("SELECT AVG(ID_Convenio_Plano) FROM Paciente WHERE ID_Convenio_Plano < 2"), "-1");
    EXPECT_EQ(um("SELECT AVG(ID_Convenio_Plano * 1.0) FROM Paciente WHERE "
                 "ID_Convenio_Plano > 0"),
              "1,5");
    EXPECT_EQ(um("SELECT SUM(ID_Paciente), COUNT(ID_Paciente) + 1 FROM Paciente"), "6|4");
    EXPECT_EQ(falhaConsulta("SELECT ID_Convenio_Plano * 2147483647 FROM Paciente"),
              dados::ErroDadosLongos);
    EXPECT_EQ(um("SELECT Nome + 'x' FROM Paciente WHERE ID_Paciente = 1 + 0"), "Ax");
}

TEST_F(SemanticaTest, TextsComparesAndConvertsAsSqlServer) {
    exec(
        "INSERT INTO Paciente (Nome, Cidade, Data_Nascimento) VALUES ('ÁGUA', 'São Paulo', "
        "'19700621')");
    exec("INSERT INTO Paciente (Nome, Data_Nascimento) VALUES ('agua', '1970-06-22 10:30')");
    // LIKE ignores case for every letter, not accents; [sets] and ESCAPE work.
    EXPECT_EQ(linhas("SELECT Nome FROM Paciente WHERE Nome LIKE 'água'"), QStringList({"ÁGUA"}));
    EXPECT_EQ(linhas("SELECT Nome FROM Paciente WHERE Nome NOT LIKE 'Á%'"), QStringList({"agua"}));
    EXPECT_EQ(linhas("SELECT Cidade FROM Paciente WHERE Cidade LIKE 'S[aã]o %'").size(), 1);
    EXPECT_TRUE(dados::CasarLikeTSql("50%", "50!%", QLatin1Char('!')));
    EXPECT_FALSE(dados::CasarLikeTSql("500", "50!%", QLatin1Char('!')));
    EXPECT_TRUE(dados::CasarLikeTSql("b", "[^a]"));
    EXPECT_TRUE(dados::CasarLikeTSql("AXYZB", "a%%_b"));
    EXPECT_FALSE(dados::CasarLikeTSql("ab", "a_b"));
    EXPECT_TRUE(dados::CasarLikeTSql(QString(5000, 'a'), "%a%a%a%b%") == false);

    // Date literals in SQL Server's unseparated form are dates.
    EXPECT_EQ(linhas("SELECT Nome FROM Paciente WHERE Data_Nascimento = '19700621'"),
              QStringList({"ÁGUA"}));
    EXPECT_EQ(linhas("SELECT Nome FROM Paciente WHERE Data_Nascimento BETWEEN '19700621' AND "
                     "'1970-06-22 23:00' ORDER BY Nome")
                  .size(),
              2);
    EXPECT_EQ(linhas("SELECT Nome FROM Paciente WHERE Data_Nascimento IN ('19700621', "
                     "'20000101')")
                  .size(),
              1);
    EXPECT_EQ(falhaConsulta("SELECT Nome FROM Paciente WHERE Data_Nascimento = '19701321'"),
              dados::ErroConversao);
    exec("UPDATE Paciente SET Data_Nascimento = '20010203' WHERE Nome = 'agua'");
    EXPECT_EQ(um("SELECT YEAR(Data_Nascimento), MONTH(Data_Nascimento), DAY(Data_Nascimento) "
                 "FROM Paciente WHERE Nome = 'agua'"),
              "2001|2|3");
    EXPECT_EQ(dados::DataDoLiteralTSql("20010203 08:15:30.250"), "2001-02-03 08:15:30.250");
    EXPECT_TRUE(dados::DataDoLiteralTSql("03/02/2001").isNull());  // depends on DATEFORMAT

    // CHAR is Windows-1252; NCHAR is the code point.
    EXPECT_EQ(um("SELECT CHAR(128), CHAR(65), NCHAR(8364), CHAR(300)"), "€|A|€|<NULL>");
    // A NUL inside a text neither hides characters from the length check nor from LEN.
    EXPECT_EQ(um("SELECT LEN('a' + CHAR(0) + 'bc ')"), "4");
    EXPECT_FALSE(ado.ExecutarSQL(reg.conn(),
                                 "INSERT INTO Paciente (Estado) VALUES ('A' + "
                                 "CHAR(0) + 'BC')"));
    EXPECT_EQ(ado.ErrorNumber(), dados::ErroDadosLongos);
    exec("INSERT INTO Paciente (Estado) VALUES ('A' + CHAR(0))");
    EXPECT_EQ(um("SELECT LEN(Estado) FROM Paciente WHERE Estado IS NOT NULL"), "2");
}

TEST_F(SemanticaTest, LongChainsRun) {
    // 100,000-term chains translate in linear time and run.
    QStringList termos;
    for (int i = 0; i < 100000; ++i) {
        termos << QStringLiteral("%1 = %1").arg(i % 7);
    }
    EXPECT_EQ(um("SELECT COUNT(*) WHERE " + termos.join(" AND ")), "1");
    EXPECT_EQ(um("SELECT COUNT(*) WHERE 1 = 2 OR " + termos.join(" OR ")), "1");
    QStringList parcelas(100000, QStringLiteral("1"));
    Recordset rs;
    // Too deep for SQLite's expression tree or a result: never a crash.
    if (ado.AbrirRecordset(reg.conn(), rs, "SELECT " + parcelas.join(" + "))) {
        EXPECT_EQ(rs.Fields(0).Value().toInt(), 100000);
    }
}

TEST_F(SemanticaTest, StatementsOfOneShapeShareATranslation) {
    auto& m = motor();
    const auto a =
        m.traducaoParametrizada("SELECT Nome FROM Paciente WHERE ID_Paciente = 1 AND Nome = 'x'");
    const auto b =
        m.traducaoParametrizada("SELECT Nome FROM Paciente WHERE ID_Paciente = 22 AND Nome = 'y'");
    EXPECT_EQ(a.get(), b.get());
    // The kind of a literal is part of the shape: int, wider integer, decimal, text.
    EXPECT_NE(m.traducaoParametrizada("SELECT 2147483647 + 1").get(),
              m.traducaoParametrizada("SELECT 2147483648 + 1").get());
    EXPECT_NE(m.traducaoParametrizada("SELECT 1 + 1").get(),
              m.traducaoParametrizada("SELECT '1' + 1").get());

    // For running elsewhere, the text comes with its literals written back in.
    EXPECT_EQ(m.traduzir("SELECT Nome FROM Paciente WHERE RG = N'a?1''b' OR ID_Paciente = 7")
                  ->comandos[0]
                  .sql,
              "SELECT \"Nome\" FROM \"Paciente\" WHERE ((\"RG\" = 'a?1''b') OR "
              "(\"ID_Paciente\" = 7))");
    for (int i = 1; i <= 4; ++i) {
        exec(QStringLiteral("INSERT INTO Paciente (Nome, RG) VALUES ('O''Hara %1', N'%2')")
                 .arg(i)
                 .arg(i * 11));
    }
    EXPECT_EQ(um("SELECT Nome FROM Paciente WHERE RG = '33'"), "O'Hara 3");
    EXPECT_EQ(um("SELECT Nome FROM Paciente WHERE RG = '44'"), "O'Hara 4");
    // Literals that shape the text stay in it: TOP, ORDER BY positions, aliases.
    EXPECT_EQ(linhas("SELECT TOP 1 ID_Paciente FROM Paciente ORDER BY 1 DESC"), QStringList({"4"}));
    EXPECT_EQ(linhas("SELECT TOP 2 ID_Paciente FROM Paciente ORDER BY 1 DESC"),
              QStringList({"4", "3"}));
    EXPECT_EQ(linhas("SELECT TOP 1 ID_Paciente, Nome FROM Paciente ORDER BY 2"),
              QStringList({"1|O'Hara 1"}));
    Recordset rs;
    ASSERT_TRUE(ado.AbrirRecordset(reg.conn(), rs, "SELECT 1 AS 'um', 2 AS 'dois'"));
    EXPECT_EQ(rs.Fields(1).Name(), "dois");
    ASSERT_TRUE(ado.AbrirRecordset(reg.conn(), rs, "SELECT 1 AS 'tres', 2 AS 'quatro'"));
    EXPECT_EQ(rs.Fields(1).Name(), "quatro");

    // Bounded in bytes: one-off shapes push the oldest out.
    const QString longo(2000, QLatin1Char('x'));
    for (int i = 0; i < 3000; ++i) {
        m.traducaoParametrizada(QStringLiteral("SELECT 1 AS [%1%2]").arg(longo).arg(i));
    }
    EXPECT_LE(m.bytesEmCache(), dados::MotorEmbutido::kLimiteCache);
    EXPECT_GT(m.bytesEmCache(), dados::MotorEmbutido::kLimiteCache / 2);
    EXPECT_EQ(um("SELECT Nome FROM Paciente WHERE RG = '22'"), "O'Hara 2");
}
