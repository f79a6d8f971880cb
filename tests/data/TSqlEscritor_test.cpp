#include <gtest/gtest.h>

#include "data/base/Diagnostico.h"
#include "data/base/ErroNumerado.h"
#include "data/tsql/TSqlAnalisador.h"
#include "data/tsql/TSqlEscritor.h"
#include "support/ImprimirQt.h"

// The writer, construct by construct: the SQLite text a parsed statement becomes, with the
// types the catalogue gives its columns and literals bound as parameters or written in.
namespace {

dados::TabelaCatalogo Tabela(const QString& nome, const QStringList& colunas) {
    dados::TabelaCatalogo t;
    t.nome = nome;
    for (const QString& c : colunas) {
        dados::ColunaCatalogo cc;
        cc.nome = c.section(' ', 0, 0);
        cc.tipoDeclarado = c.section(' ', 1, 1);
        cc.identidade = c.endsWith(QLatin1String("IDENTITY"));
        cc.tipo = dados::Catalogo::tipoDe(cc.tipoDeclarado, &cc.tamanho);
        t.colunas.push_back(cc);
    }
    return t;
}

class EscritorTSql : public ::testing::Test {
  protected:
    void SetUp() override {
        dados::SilenciarDiagnosticoNoTerminal(true);
        cat.adicionar(Tabela("Paciente", {"ID INT IDENTITY", "Nome NVARCHAR(30)",
                                          "Nascido SMALLDATETIME", "Peso DECIMAL(5,2)"}));
        cat.adicionar(Tabela("Sem", {"A INT", "B NVARCHAR(5)"}));
    }
    void TearDown() override { dados::SilenciarDiagnosticoNoTerminal(false); }

    dados::Traducao traducao(const QString& sql, bool parametrizar = false) {
        return dados::EscreverTSql(sql, dados::AnalisarTSql(sql, dados::AnalisarLexico(sql)), cat,
                                   parametrizar);
    }
    // The first command's text.
    std::string sql(const QString& t, bool parametrizar = false) {
        return traducao(t, parametrizar).comandos.value(0).sql.toStdString();
    }
    QString recusa(const QString& t) {
        try {
            traducao(t);
        } catch (const ErroNumerado&) {
            return dados::UltimoDiagnostico();
        }
        return QString();
    }

    dados::Catalogo cat;
};

}  // namespace

TEST_F(EscritorTSql, ArithmeticFollowsTheOperandsTypes) {
    // Texts join, ints stay ints (overflow checked), decimals keep their fraction, unknown
    // types are decided when the row is read.
    EXPECT_EQ(sql("SELECT Nome + Nome, ID + 1, ID + Peso, X + 1, ID / 2, -Nome, -ID FROM Paciente"),
              "SELECT (\"Nome\" || \"Nome\") COLLATE TSQL, tsql_int(\"ID\" + 1), (\"ID\" + "
              "\"Peso\"), tsql_soma(\"X\", 1), tsql_int(tsql_div(\"ID\", 2)), tsql_sub(0, "
              "\"Nome\"), (-\"ID\") FROM \"Paciente\"");
    // A chain is written left-associatively, each step typed by the one before.
    EXPECT_EQ(sql("SELECT 1 + 2 * 3 - 'a' + Nome FROM Paciente"),
              "SELECT tsql_soma(tsql_sub(tsql_int(1 + tsql_int(2 * 3)), 'a'), \"Nome\") FROM "
              "\"Paciente\"");
    EXPECT_EQ(sql("SELECT AVG(ID), SUM(ID), SUM(Peso), MAX(Nome) FROM Paciente"),
              "SELECT (tsql_int(sum(\"ID\")) / count(\"ID\")), tsql_int(sum(\"ID\")), "
              "sum(\"Peso\"), "
              "max(\"Nome\") COLLATE TSQL FROM \"Paciente\"");
}

TEST_F(EscritorTSql, ComparisonsCollateAndReadDates) {
    // A column brings its own collation; two expressions get the register's; a text meeting
    // a date is read as one.
    EXPECT_EQ(sql("SELECT 1 FROM Paciente WHERE Nascido = '19700621' AND Nome = 'a' AND 'a' = "
                  "'b' AND Nascido BETWEEN '1970-01-01' AND getdate()"),
              "SELECT 1 FROM \"Paciente\" WHERE (((\"Nascido\" = tsql_data('19700621')) AND "
              "(\"Nome\" = 'a')) AND (('a' COLLATE TSQL = 'b') AND (((\"Nascido\" >= "
              "tsql_data('1970-01-01')) AND (\"Nascido\" <= datetime('now', 'localtime'))))))");
    EXPECT_EQ(sql("SELECT 1 FROM Paciente WHERE Nome NOT LIKE 'á%' OR UPPER(Nome) IN ('A', 'B') "
                  "OR ID NOT BETWEEN 1 AND 2"),
              "SELECT 1 FROM \"Paciente\" WHERE ((NOT tsql_like(\"Nome\", 'á%')) OR "
              "((tsql_upper(\"Nome\") COLLATE TSQL IN ('A', 'B')) OR (NOT ((\"ID\" >= 1) AND "
              "(\"ID\" <= 2)))))");
}

TEST_F(EscritorTSql, LongChainsAreWrittenBalancedAndFlagged) {
    EXPECT_EQ(sql("SELECT 1 WHERE 1 = 1 AND 2 = 2 AND 3 = 3 AND 4 = 4"),
              "SELECT 1 WHERE (((1 = 1) AND (2 = 2)) AND ((3 = 3) AND (4 = 4)))");
    QStringList itens;
    for (int i = 0; i < 1000; ++i) {
        itens << QString::number(i);
    }
    const QString lista = "SELECT 1 FROM Paciente WHERE ID IN (" + itens.join(", ");
    EXPECT_FALSE(traducao(lista + ")").comandos[0].muitosTermos);
    EXPECT_TRUE(traducao(lista + ", 1000)").comandos[0].muitosTermos);
    // 100,000 terms: SQLite's expression tree is only 17 levels deep.
    QStringList termos;
    for (int i = 0; i < 100000; ++i) {
        termos << "ID = " + QString::number(i);
    }
    const QString escrito =
        QString::fromStdString(sql("SELECT 1 FROM Paciente WHERE " + termos.join(" OR ")));
    EXPECT_TRUE(escrito.startsWith("SELECT 1 FROM \"Paciente\" WHERE " + QString("(").repeated(16) +
                                   "(\"ID\" = 0) OR ((\"ID\" = 1) OR (\"ID\" = 2)))"));
}

TEST_F(EscritorTSql, StarsNamesAndTypesOfTheResult) {
    const dados::Traducao t =
        traducao("SELECT p.*, Nome AS N, ID + 1, ID FROM Paciente p INNER JOIN Sem ON A = ID");
    const dados::ComandoTraduzido& c = t.comandos[0];
    EXPECT_EQ(c.sql.toStdString(),
              "SELECT \"p\".\"ID\", \"p\".\"Nome\", \"p\".\"Nascido\", \"p\".\"Peso\", \"Nome\" AS "
              "\"N\", tsql_int(\"ID\" + 1), \"ID\" FROM \"Paciente\" AS \"p\" INNER JOIN \"Sem\" "
              "ON (\"A\" = \"ID\")");
    EXPECT_TRUE(c.temNomes);
    // A column keeps SQLite's name (null), an expression without alias has none ("").
    EXPECT_EQ(c.nomes,
              QVector<QString>({QString(), QString(), QString(), QString(), "N", "", QString()}));
    using T = dados::TipoSql;
    EXPECT_EQ(c.tipos, QVector<T>({T::Numero, T::Texto, T::Data, T::Numero, T::Texto, T::Numero,
                                   T::Numero}));
    // A derived table keeps its star; its columns' types reach the outer query.
    const dados::ComandoTraduzido d =
        traducao("SELECT *, s.n + 'x' FROM (SELECT Nome AS n FROM Paciente) s").comandos[0];
    EXPECT_EQ(d.sql.toStdString(),
              "SELECT *, (\"s\".\"n\" || 'x') COLLATE TSQL FROM (SELECT \"Nome\" AS \"n\" FROM "
              "\"Paciente\") AS \"s\"");
    EXPECT_FALSE(d.temNomes);
    EXPECT_EQ(sql("SELECT name FROM sysobjects WHERE OBJECTPROPERTY(id, N'IsView') = 1"),
              "SELECT \"name\" FROM (SELECT name COLLATE TSQL AS name, rowid AS id, CASE type "
              "WHEN 'table' THEN 'U' ELSE 'V' END AS xtype, CASE type WHEN 'table' THEN 'U' "
              "ELSE 'V' END AS type, 1 AS uid, NULL AS crdate FROM sqlite_master WHERE type IN "
              "('table', 'view') AND name NOT LIKE 'sqlite!_%' ESCAPE '!') AS sysobjects WHERE "
              "((SELECT CASE WHEN type = 'view' THEN 1 ELSE 0 END FROM sqlite_master WHERE rowid "
              "= \"ID\") = 1)");
    EXPECT_TRUE(recusa("SELECT *").contains("nenhuma tabela para *"));
    // ORDER BY an alias sorts by the collation of the expression it names.
    EXPECT_EQ(sql("SELECT TOP 3 Nome + 'x' AS n FROM Paciente ORDER BY n DESC"),
              "SELECT (\"Nome\" || 'x') COLLATE TSQL AS \"n\" FROM \"Paciente\" ORDER BY \"n\" "
              "COLLATE TSQL DESC LIMIT 3");
}

TEST_F(EscritorTSql, LiteralsBecomeParametersInTheOrderTheyAreWritten) {
    // FROM is written before the select list: its literals come first.
    const dados::Traducao t = traducao(
        "SELECT 'a', Nome FROM Paciente INNER JOIN Sem ON A = 5 WHERE Nome = N'z' ORDER BY 1",
        true);
    EXPECT_EQ(t.comandos[0].sql.toStdString(),
              "SELECT ?2 COLLATE TSQL, \"Nome\" FROM \"Paciente\" INNER JOIN \"Sem\" ON (\"A\" = "
              "?1) WHERE (\"Nome\" = ?3) ORDER BY 1");
    EXPECT_EQ(t.comandos[0].parametros, QVector<int>({1, 0, 2}));
    EXPECT_FALSE(t.comandos[0].parametrosSimples);  // out of order: numbered
    EXPECT_EQ(t.literais, 4);
    EXPECT_EQ(t.literaisComTipo, QVector<int>({0, 1, 2}));
    EXPECT_EQ(t.literaisNoTexto, QVector<int>({3}));  // ORDER BY 1 names a column

    // A value that is one literal binds whatever its kind; a date column reads it as a date.
    const dados::Traducao i = traducao(
        "INSERT INTO Paciente VALUES (NULL, '1970-06-21', 1.5) INSERT INTO Paciente (Nome) "
        "VALUES ('y' + 'z')",
        true);
    EXPECT_EQ(i.comandos[0].sql.toStdString(),
              "INSERT INTO \"Paciente\" (\"Nome\", \"Nascido\", \"Peso\") VALUES (?, "
              "tsql_data(?), ?)");
    EXPECT_EQ(i.comandos[1].sql.toStdString(),
              "INSERT INTO \"Paciente\" (\"Nome\") VALUES ((? || ?))");
    EXPECT_TRUE(i.comandos[1].parametrosSimples);
    // A name written into the text may hold what looks like a parameter.
    const dados::Traducao q =
        traducao("SELECT Nome AS [a?9\"b] FROM Paciente WHERE Nome = 'z' AND Peso = 2", true);
    EXPECT_EQ(q.comandos[0].sql.toStdString(),
              "SELECT \"Nome\" AS \"a?9\"\"b\" FROM \"Paciente\" WHERE ((\"Nome\" = ?) AND "
              "(\"Peso\" = ?))");
    EXPECT_EQ(i.comandos[1].parametros, QVector<int>({3, 4}));
    EXPECT_EQ(i.literaisComTipo, QVector<int>({3, 4}));
    EXPECT_TRUE(i.literaisNoTexto.isEmpty());
    EXPECT_TRUE(i.comandos[0].identidadeNaTabela);
    EXPECT_FALSE(i.comandos[0].listaDeColunas);
    // Without parameters every literal is written in.
    EXPECT_EQ(sql("UPDATE Paciente SET Nome = 'O''Hara', Nascido = '20010203' WHERE ID = 7"),
              "UPDATE \"Paciente\" SET \"Nome\" = 'O''Hara', \"Nascido\" = tsql_data('20010203') "
              "WHERE (\"ID\" = 7)");
}

TEST_F(EscritorTSql, DefinitionsOfOneBatchBecomeOneTable) {
    const dados::Traducao t = traducao(
        "CREATE TABLE [dbo].[L] ([ID] [int] IDENTITY (100, 1) NOT NULL, [N] [nvarchar] (4) "
        "NULL, [Q] [int] CHECK (Q > 0) REFERENCES Sem (A)) ALTER TABLE L ADD CONSTRAINT [PK_L] "
        "PRIMARY KEY ([ID]), CONSTRAINT [DF_N] DEFAULT ('x') FOR [N]");
    EXPECT_TRUE(t.alteraEsquema);
    ASSERT_EQ(t.comandos.size(), 2);
    EXPECT_EQ(t.comandos[0].sql.toStdString(),
              "CREATE TABLE \"L\" (\"ID\" INTEGER CONSTRAINT \"PK_L\" PRIMARY KEY AUTOINCREMENT "
              "NOT NULL, \"N\" NVARCHAR(4) CONSTRAINT \"DF_N\" DEFAULT (('x')) COLLATE TSQL "
              "CONSTRAINT \"cadunir_tamanho_N\" CHECK (length(CAST(\"N\" AS BLOB)) <= 4 OR "
              "(instr(\"N\", char(0)) = 0 AND length(\"N\") <= 4)), \"Q\" INT CHECK ((\"Q\" > 0)) "
              "REFERENCES \"Sem\" (\"A\"))");
    EXPECT_EQ(t.comandos[1].sql.toStdString(),
              "INSERT INTO sqlite_sequence(name, seq) VALUES ('L', 99)");
    // An existing table gets columns and unique keys only.
    const dados::Traducao a =
        traducao("ALTER TABLE sem ADD [D] [datetime] NULL, CONSTRAINT [U] UNIQUE ([b])");
    EXPECT_EQ(a.comandos[0].sql.toStdString(),
              "ALTER TABLE \"Sem\" ADD COLUMN \"D\" DATETIME COLLATE TSQLDATE CONSTRAINT "
              "\"cadunir_data_D\" CHECK (\"D\" IS NULL OR julianday(\"D\") IS NOT NULL)");
    EXPECT_EQ(a.comandos[1].sql.toStdString(), "CREATE UNIQUE INDEX \"U\" ON \"Sem\" (\"B\")");
    EXPECT_TRUE(recusa("CREATE TABLE L ([ID] [int] IDENTITY, [N] [int], PRIMARY KEY ([N]))")
                    .contains("precisa ser a chave primária"));
    EXPECT_TRUE(recusa("CREATE TABLE L ([N] [int]) ALTER TABLE L ADD DEFAULT (1) FOR [M]")
                    .contains("próxima de '[M]': coluna inexistente"));
}

TEST_F(EscritorTSql, TheCatalogueRefusesWhatSqlServerRefuses) {
    EXPECT_TRUE(recusa("UPDATE Paciente SET Nome = 'a', ID = 2").contains("Msg 8102"));
    EXPECT_TRUE(recusa("SET IDENTITY_INSERT Falta ON").contains("Msg 208"));
    EXPECT_TRUE(recusa("SET IDENTITY_INSERT Sem ON").contains("Msg 8106"));
    const dados::Traducao t = traducao("SET IDENTITY_INSERT [dbo].[paciente] ON");
    EXPECT_EQ(t.comandos[0].tabelaAlvo, "Paciente");
    EXPECT_EQ(t.comandos[0].tipo, dados::ComandoTraduzido::Sessao);
}
