#include <gtest/gtest.h>

#include "RegistroSqlTeste.h"
#include "data/base/Diagnostico.h"
#include "data/base/TabelaErros.h"
#include "data/sqlite/FuncoesTSql.h"
#include "support/ImprimirQt.h"

// The statements the program sends, run on a register built by the dialect layer, must give
// SQL Server's results.
namespace {

class DialetoTest : public RegistroSqlTeste {
  protected:
    void paciente(const QString& nome, const QString& meio, const QString& ultimo,
                  const QString& nascimento = QStringLiteral("NULL")) {
        const auto texto = [](const QString& t) {
            return t.isNull() ? QStringLiteral("NULL") : "'" + t + "'";
        };
        exec("INSERT INTO Paciente (Nome, Nome_Meio, Nome_Último, Data_Nascimento) VALUES (" +
             texto(nome) + ", " + texto(meio) + ", " + texto(ultimo) + ", " + nascimento + ")");
    }
};

}  // namespace

TEST_F(DialetoTest, ConcatenationPropagatesNullAndNumbersStillAdd) {
    paciente("MARIA", QString(), "SILVA");
    paciente("JOSE", "DA", QString());
    paciente(QString(), "X", "Y");
    // The similar-patient list's full name (Part of the main window's list query).
    EXPECT_EQ(linhas("SELECT Nome + CASE WHEN Nome_Meio IS NULL THEN '' ELSE ' ' + Nome_Meio END"
                     " + CASE WHEN Nome_Último IS NULL THEN '' ELSE ' ' + Nome_Último END AS "
                     "Nome_Completo FROM Paciente ORDER BY ID_Paciente"),
              QStringList({"MARIA SILVA", "JOSE DA", "<NULL>"}));
    EXPECT_EQ(linhas("SELECT Nome + ' ' + Nome_Meio FROM Paciente ORDER BY ID_Paciente"),
              QStringList({"<NULL>", "JOSE DA", "<NULL>"}));
    EXPECT_EQ(linhas("SELECT 1 + 2, ID_Paciente + 10, 'a' + 'b', N'ç' + CHAR(39) + CHAR(34) "
                     "FROM Paciente WHERE ID_Paciente = 1"),
              QStringList({"3|11|ab|ç'\""}));
    // A quote built with CHAR(39) and comment markers or semicolons inside literals are data.
    exec("INSERT INTO Paciente (Nome) VALUES ('D' + CHAR(39) + 'AVILA; -- /* x */')");
    EXPECT_EQ(linhas("SELECT Nome FROM Paciente WHERE Nome = 'D''AVILA; -- /* x */'"),
              QStringList({"D'AVILA; -- /* x */"}));
}

TEST_F(DialetoTest, TextsCompareAndGroupLikeSqlServersCollation) {
    paciente("MARIA", QString(), "SILVA");
    paciente("Maria ", QString(), "silva");
    paciente("MARIÁ", QString(), "SILVA");
    paciente("ANA", QString(), "SILVA");
    // The criteria's GROUP BY is AgrupadorEmbutido_test's; here, comparisons and ORDER BY.
    EXPECT_EQ(linhas("SELECT COUNT(*) FROM Paciente WHERE Nome = 'maria' AND Nome_Último = "
                     "'SILVA  '"),
              QStringList({"2"}));
    // Accents count; letter case does not, accented capitals included.
    EXPECT_EQ(linhas("SELECT COUNT(*) FROM Paciente WHERE Nome = 'mariá'"), QStringList({"1"}));
    EXPECT_EQ(linhas("SELECT Nome FROM Paciente WHERE Nome <> 'MARIA' ORDER BY Nome"),
              QStringList({"ANA", "MARIÁ"}));
    EXPECT_EQ(linhas("SELECT COUNT(*) FROM Paciente WHERE 'abc' = 'ABC  '"), QStringList({"4"}));
    // Sorting puts accented letters next to their base letter.
    exec("INSERT INTO Paciente (Nome) VALUES ('ÁLVARO'), ('BRUNO')");
    EXPECT_EQ(linhas("SELECT DISTINCT Nome FROM Paciente WHERE Nome < 'C' ORDER BY Nome"),
              QStringList({"ÁLVARO", "ANA", "BRUNO"}));
}

TEST_F(DialetoTest, NamesMatchWithoutRegardToCaseAccentsIncluded) {
    exec(
        "Insert Into Usuário ( Nome, Usuário, Senha, ÉPatologista, ID_Patologista, Ativo) "
        "Values ('Admin', 'adm', 's3', 0, 0, 1)");
    EXPECT_EQ(linhas("SELECT Count(*) FROM USUÁRIO  WHERE Senha = 's3'  AND USUÁRIO = 'ADM'"),
              QStringList({"1"}));
    EXPECT_EQ(linhas("SELECT * FROM USUÁRIO WHERE ID_USUÁRIO = 1").size(), 1);
    exec(
        "Update Usuário  Set  Nome = 'Novo',  Usuário = 'adm', ÉPATOLOGISTA = 1 Where "
        "Id_Usuário = 1");
    EXPECT_EQ(linhas("select [nome], [éPatologista] from [dbo].[usuário]"),
              QStringList({"Novo|Verdadeiro"}));
}

TEST_F(DialetoTest, IdentitySoundexTopAndInLists) {
    exec(
        "Insert Into Paciente (Nome , Nome_Soundex, Nome_Último, Nome_Último_Soundex) Values "
        "('D' + CHAR(39) + 'AVILA',  Soundex('D' + CHAR(39) + 'AVILA'), 'Smith', "
        "Soundex('Smythe'))");
    EXPECT_EQ(linhas("Select @@Identity as ID"), QStringList({"1"}));
    exec("INSERT INTO Exame (Número_Exame, ID_Paciente) VALUES ('E1', 1)");
    // An insert into a table without identity leaves @@IDENTITY alone.
    EXPECT_EQ(linhas("Select @@Identity as ID"), QStringList({"1"}));
    // H does not separate S and C in Ashcraft.
    const std::pair<const char*, const char*> soundex[] = {
        {"Robert", "R163"},  {"Rupert", "R163"},   {"Ashcraft", "A261"},  {"Tymczak", "T522"},
        {"Pfister", "P236"}, {"Mary Ann", "M600"}, {"Conceição", "C522"}, {"", "0000"}};
    for (const auto& [nome, codigo] : soundex) {
        EXPECT_EQ(dados::SoundexTSql(nome), codigo) << nome;
    }
    EXPECT_EQ(linhas("SELECT Soundex(NULL)"), QStringList({"<NULL>"}));

    for (int i = 0; i < 5; ++i) {
        exec("INSERT INTO Paciente (Nome) VALUES ('P" + QString::number(i) + "')");
    }
    EXPECT_EQ(linhas(" SELECT TOP 2 ID_Paciente FROM Paciente  WHERE ID_Paciente IN (2,4,6) "
                     "ORDER BY ID_Paciente DESC"),
              QStringList({"6", "4"}));
    EXPECT_EQ(linhas("SELECT COUNT(*) FROM Paciente WHERE ID_Paciente NOT IN (SELECT "
                     "ID_Paciente FROM Exame)"),
              QStringList({"5"}));
}

TEST_F(DialetoTest, LockHintsAreReadAndDroppedOthersRefused) {
    paciente("ANA", "", "SILVA");
    EXPECT_EQ(linhas("SELECT P.Nome FROM Paciente AS P WITH (UPDLOCK, holdlock) WHERE "
                     "P.ID_Paciente IN (SELECT ID_Paciente FROM Paciente WITH (NOLOCK))"),
              QStringList({"ANA"}));
    for (const char* sql :
         {"SELECT * FROM Paciente WITH (READPAST)", "SELECT * FROM Paciente WITH (INDEX(1))",
          "SELECT * FROM Paciente WITH (UPDLOCK,)"}) {
        EXPECT_EQ(falha(sql), dados::ErroComando) << sql;
    }
}

TEST_F(DialetoTest, DatesRoundTripAndCompareAsDates) {
    paciente("A", QString(), QString(), "'1970-06-21 00:00:00'");
    paciente("B", QString(), QString(), "'1970-06-21'");
    paciente("C", QString(), QString(), "'2007-06-21 10:30:05'");
    paciente("D", QString(), QString(), "NULL");
    Recordset rs;
    ASSERT_TRUE(ado.AbrirRecordset(reg.conn(), rs, "Select * From Paciente Where ID_paciente = 3"));
    const QVariant data = rs.Fields("Data_Nascimento").Value();
    EXPECT_EQ(data.typeId(), QMetaType::QDateTime);
    EXPECT_EQ(TextoDoValor(data), "21/06/2007 10:30:05");
    EXPECT_EQ(TextoDoValor(QVariant()), "");
    EXPECT_EQ(rs.Fields("Data_Nascimento").Type(), adDBTimeStamp);
    EXPECT_EQ(linhas("SELECT Nome FROM Paciente WHERE Data_Nascimento = '1970-06-21' ORDER BY "
                     "Nome"),
              QStringList({"A", "B"}));
    EXPECT_EQ(linhas("SELECT Nome FROM Paciente WHERE Data_Nascimento > '2000-01-01 00:00:00'"),
              QStringList({"C"}));
    EXPECT_EQ(linhas("SELECT Data_Nascimento FROM Paciente GROUP BY Data_Nascimento ORDER BY "
                     "Data_Nascimento"),
              QStringList({"<NULL>", "21/06/1970", "21/06/2007 10:30:05"}));
    EXPECT_EQ(falha("UPDATE Paciente SET Data_Nascimento = 'ontem'"), dados::ErroConversao);
}

TEST_F(DialetoTest, SysobjectsListsUserTablesOnly) {
    exec("CREATE VIEW vNomes AS SELECT Nome FROM Paciente");
    const QStringList tabelas = linhas(
        "Select name From sysobjects Where OBJECTPROPERTY(id, N'IsUserTable') = 1 "
        "ORDER BY name");
    EXPECT_TRUE(tabelas.contains("Paciente"));
    EXPECT_TRUE(tabelas.contains("Usuário"));
    EXPECT_FALSE(tabelas.contains("vNomes"));
    EXPECT_FALSE(tabelas.contains("sqlite_sequence"));
    EXPECT_EQ(tabelas.size(), 8);
    // The name is the first column, as on SQL Server (the table linker reads it there).
    EXPECT_EQ(
        linhas("Select * From sysobjects Where name = 'PACIENTE'").value(0).section('|', 0, 0),
        "Paciente");
}

TEST_F(DialetoTest, OutsideTheSubsetFailsNamingTheToken) {
    for (const char* sql : {"SELECT Nome FORM Paciente", "SELECT * FROM Paciente WHERE",
                            "SELECT DATEADD(d, 1, getdate())", "SELECT 'aberto", "SELECT @x",
                            "EXEC sp_who", "SELECT \"Nome\" FROM Paciente WHERE NaoExiste = 1"}) {
        EXPECT_EQ(falha(sql), dados::ErroComando) << sql;
    }
    EXPECT_EQ(falha("SELECT * FROM Tabela_Que_Nao_Existe"), dados::ErroObjetoInexistente);
    // The long description, with the token, is in the diagnostics log; passwords are not.
    falha("SELECT * FROM Usuário WHERE Senha = 'segredo1' AND Nome FORM");
    const QString texto = log();
    EXPECT_TRUE(texto.contains("próxima de 'FORM'"));
    EXPECT_TRUE(texto.contains("próxima de 'DATEADD'"));
    EXPECT_FALSE(texto.contains("segredo1"));
}
