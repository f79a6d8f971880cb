#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>

#include "RegistroSqlTeste.h"
#include "data/ado/clsADO.h"
#include "data/base/ErroNumerado.h"
#include "data/base/TabelaErros.h"
#include "data/base/ValorSeNulo.h"
#include "support/SqlRecorder.h"

namespace {

class ClsAdoTest : public RegistroSqlTeste {};

}  // namespace

TEST_F(ClsAdoTest, OpensOnlyAnExistingRegisterAndKnownProviders) {
    Connection cn;
    EXPECT_TRUE(ado.AbrirConexão(cn, reg.connectionString()));
    EXPECT_EQ(cn.State(), adStateOpen);
    EXPECT_EQ(cn.Properties("Data Source").toString(), reg.path());
    // An open connection refuses a new string, as ADO does; it stays open.
    EXPECT_FALSE(ado.AbrirConexão(cn, reg.connectionString()));
    EXPECT_EQ(ado.ErrorNumber(), dados::ErroObjetoAberto);
    EXPECT_EQ(cn.State(), adStateOpen);
    EXPECT_TRUE(ado.FecharConexão(cn));
    EXPECT_EQ(cn.State(), adStateClosed);

    const QString faltando = reg.path() + ".nao_existe";
    EXPECT_FALSE(ado.AbrirConexão(cn, "Provider=SQLite;Data Source=" + faltando));
    EXPECT_EQ(ado.ErrorNumber(), dados::ErroNaoEspecificado);
    EXPECT_FALSE(QFile::exists(faltando));  // never creates an empty register

    EXPECT_FALSE(ado.AbrirConexão(cn, "Provider=Desconhecido;Data Source=x"));
    EXPECT_EQ(ado.ErrorNumber(), dados::ErroProvedor);
    EXPECT_FALSE(ado.ErrorString().isEmpty());

    // A file that is not a register is refused, and left as it was.
    const QString texto = reg.path() + ".txt";
    QFile f(texto);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("isto não é um banco de dados, apenas texto comum para o teste......");
    f.close();
    EXPECT_FALSE(ado.AbrirConexão(cn, "Provider=SQLite;Data Source=" + texto));
    EXPECT_EQ(cn.State(), adStateClosed);
}

TEST_F(ClsAdoTest, RecordSetsAreStaticWithExactCountsAndReopenCloseFirst) {
    exec("INSERT INTO Paciente (Nome) VALUES ('ANA'), ('BIA')");
    Recordset rs;
    ASSERT_TRUE(ado.AbrirRecordset(reg.conn(), rs, "SELECT * FROM Paciente ORDER BY Nome"));
    EXPECT_EQ(rs.RecordCount(), 2);
    EXPECT_EQ(rs.AbsolutePosition(), 1);
    EXPECT_EQ(rs.Fields("nome").Value().toString(), "ANA");
    EXPECT_EQ(rs.Fields(0).Name(), "ID_Paciente");
    rs.MoveNext();
    EXPECT_EQ(rs.Fields("NOME").Value().toString(), "BIA");
    rs.MoveNext();
    EXPECT_TRUE(rs.Eof());
    EXPECT_THROW(rs.Fields("Nome").Value(), ErroNumerado);

    // Re-open on the still open set; then an empty result.
    ASSERT_TRUE(ado.AbrirRecordset(reg.conn(), rs, "SELECT Nome FROM Paciente WHERE Nome = 'BIA'"));
    EXPECT_EQ(rs.RecordCount(), 1);
    ASSERT_TRUE(ado.AbrirRecordset(reg.conn(), rs, "SELECT Nome FROM Paciente WHERE Nome = 'ZÉ'"));
    EXPECT_EQ(rs.RecordCount(), 0);
    EXPECT_TRUE(rs.Eof());
    EXPECT_TRUE(rs.Bof());

    // A failed open leaves the set closed; the error is the short text of its number.
    EXPECT_FALSE(ado.AbrirRecordset(reg.conn(), rs, "SELECT * FROM NaoExiste"));
    EXPECT_EQ(rs.State(), adStateClosed);
    EXPECT_EQ(ado.ErrorNumber(), dados::ErroObjetoInexistente);
    EXPECT_EQ(ado.ErrorString(), dados::TextoDoErro(dados::ErroObjetoInexistente));
}

TEST_F(ClsAdoTest, ExecuteCountsRowsAndErrorsStick) {
    qint32 n = -1;
    EXPECT_TRUE(
        ado.ExecutarSQL(reg.conn(), "UPDATE Paciente SET Nome = 'X' WHERE ID_Paciente = 99", n));
    EXPECT_EQ(n, 0);
    exec("INSERT INTO Paciente (Nome) VALUES ('A'), ('B')");
    EXPECT_TRUE(ado.ExecutarSQL(reg.conn(), "UPDATE Paciente SET Cidade = 'Recife'", n));
    EXPECT_EQ(n, 2);

    EXPECT_FALSE(ado.ExecutarSQL(reg.conn(), "SELEC * FROM Paciente", n));
    EXPECT_EQ(ado.ErrorNumber(), dados::ErroComando);
    const QString texto = ado.ErrorString();
    EXPECT_TRUE(ado.ExecutarSQL(reg.conn(), "DELETE FROM Paciente WHERE ID_Paciente = -5", n));
    EXPECT_EQ(ado.ErrorNumber(), dados::ErroComando);  // a success clears nothing
    EXPECT_EQ(ado.ErrorString(), texto);
}

// Nested start/finish pairs are SessaoTSql_test's (ClsAdoLevelsAndSqlLevelsShareOneCount).
TEST_F(ClsAdoTest, TransactionLevelsReachTheDatabaseOnlyAtTheOutermost) {
    SqlRecorder rec(reg.conn());
    // start, start, cancel, finish: the inner cancel sends nothing, the outer finish commits.
    ado.TransaçãoIniciar(reg.conn());
    ado.TransaçãoIniciar(reg.conn());
    exec("INSERT INTO Paciente (Nome) VALUES ('B')");
    EXPECT_TRUE(ado.TransaçãoCancelar(reg.conn()));
    EXPECT_TRUE(ado.TransaçãoFinalizar(reg.conn()));
    EXPECT_EQ(rec.log(), QStringList({"Begin", "Execute: INSERT INTO Paciente (Nome) VALUES ('B')",
                                      "Commit"}));
    EXPECT_EQ(reg.scalar("SELECT COUNT(*) FROM Paciente").toInt(), 1);

    // start, cancel: everything since the begin is gone.
    rec.clear();
    ado.TransaçãoIniciar(reg.conn());
    exec("INSERT INTO Paciente (Nome) VALUES ('C')");
    EXPECT_TRUE(ado.TransaçãoCancelar(reg.conn()));
    EXPECT_EQ(rec.count(Connection::Evento::Reversao), 1);
    EXPECT_EQ(reg.scalar("SELECT COUNT(*) FROM Paciente").toInt(), 1);

    // A failed begin still counts a level; "transaction exists" counts as success.
    rec.failWhen([](const Connection::Evento& e) { return e.tipo == Connection::Evento::Inicio; },
                 dados::ErroTransacaoExiste);
    EXPECT_TRUE(ado.TransaçãoIniciar(reg.conn()));
    EXPECT_EQ(ado.ProfundidadeTransação(), 1);
    rec.failWhen(
        [](const Connection::Evento& e) { return e.tipo == Connection::Evento::Confirmacao; },
        dados::ErroNaoEspecificado);
    EXPECT_FALSE(ado.TransaçãoFinalizar(reg.conn()));
    EXPECT_EQ(ado.ProfundidadeTransação(), 0);
}

TEST_F(ClsAdoTest, AFailureHalfWayLeavesNothingAfterTheOutermostCancel) {
    exec("INSERT INTO Paciente (Nome) VALUES ('BASE'), ('COPIA')");
    exec("INSERT INTO Exame (Número_Exame, ID_Paciente) VALUES ('E1', 2)");
    ado.TransaçãoIniciar(reg.conn());
    exec(" UPDATE EXAME SET  ID_Paciente = 1 WHERE ID_Paciente = 2");
    // Too long for nvarchar(30): SQL Server's truncation failure, and the statement is undone.
    EXPECT_FALSE(ado.ExecutarSQL(reg.conn(),
                                 "UPDATE Paciente SET Nome = '1234567890123456789012345678901'"));
    EXPECT_EQ(ado.ErrorNumber(), dados::ErroDadosLongos);
    // A foreign key refuses the delete of a patient that still has exams.
    EXPECT_FALSE(ado.ExecutarSQL(reg.conn(), " DELETE FROM Paciente WHERE ID_Paciente = 1"));
    EXPECT_EQ(ado.ErrorNumber(), dados::ErroIntegridade);
    EXPECT_TRUE(ado.TransaçãoCancelar(reg.conn()));
    EXPECT_EQ(reg.scalar("SELECT ID_Paciente FROM Exame").toInt(), 2);
    EXPECT_EQ(reg.scalar("SELECT COUNT(*) FROM Paciente").toInt(), 2);
}

TEST_F(ClsAdoTest, CatalogueQuestions) {
    exec("CREATE VIEW vPaciente AS SELECT Nome FROM Paciente");
    EXPECT_TRUE(ado.TableExiste(reg.conn(), "Paciente"));
    EXPECT_TRUE(ado.TableExiste(reg.conn(), "USUÁRIO"));
    EXPECT_FALSE(ado.TableExiste(reg.conn(), "vPaciente"));  // views are not tables
    EXPECT_FALSE(ado.TableExiste(reg.conn(), "PacienteLog"));
    EXPECT_TRUE(ado.IndexExiste(reg.conn(), "PK_Paciente"));
    EXPECT_FALSE(ado.IndexExiste(reg.conn(), "IX_Nada"));

    EXPECT_EQ(ado.RetornarListaFields(reg.conn(), "Exame_BK"), "[Número_Exame],[ID_Paciente]");
    EXPECT_EQ(ado.RetornarListaFields(reg.conn(), "Exame_BK", true),
              "Exame_BK.[Número_Exame],Exame_BK.[ID_Paciente]");
    EXPECT_EQ(ado.RetornarListaFields(reg.conn(), "NaoExiste"), "");
    exec("CREATE TABLE T1 (A int, B int, C int) CREATE TABLE T2 (C int, A int)");
    EXPECT_EQ(ado.RetornarListaFieldsComuns(reg.conn(), "T1", "T2"), "[A],[C]");
    EXPECT_EQ(ado.RetornarListaFieldsComuns(reg.conn(), "T1", "NaoExiste"), "");

    Recordset rs;
    ASSERT_TRUE(ado.RSFields(reg.conn(), rs, "Paciente", "Nome"));
    ASSERT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs.Fields("CHARACTER_MAXIMUM_LENGTH").Value().toInt(), 30);
    EXPECT_EQ(rs.Fields("DATA_TYPE").Value().toInt(), adVarWChar);
    ASSERT_TRUE(ado.RSPrimaryKey(reg.conn(), rs));
    EXPECT_EQ(rs.RecordCount(), 5);  // Paciente, Exame, Usuário, Perfil, Exame_Tipo
    ASSERT_TRUE(ado.RSForeingKey(reg.conn(), rs));
    ASSERT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs.Fields("FK_NAME").Value().toString(), "FK_Exame_Paciente");
    EXPECT_EQ(rs.Fields("PK_TABLE_NAME").Value().toString(), "Paciente");
    ASSERT_TRUE(ado.RSConstrains(reg.conn(), rs));
    EXPECT_GE(rs.RecordCount(), 2);
    ASSERT_TRUE(ado.RSTables(reg.conn(), rs));
    EXPECT_EQ(rs.RecordCount(), 10);
    ASSERT_TRUE(ado.RSIndexes(reg.conn(), rs));
    EXPECT_GE(rs.RecordCount(), 5);
}
