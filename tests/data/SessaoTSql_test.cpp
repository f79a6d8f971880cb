#include <gtest/gtest.h>

#include <QFile>

#include "RegistroSqlTeste.h"
#include "data/base/Diagnostico.h"
#include "data/base/TabelaErros.h"

// Session state of the embedded engine that SQL Server keeps per connection: IDENTITY_INSERT
// and the transaction level count (@@TRANCOUNT), shared with clsADO's begin/commit/rollback.
namespace {

class SessaoTest : public RegistroSqlTeste {
  protected:
    void SetUp() override {
        RegistroSqlTeste::SetUp();
        outra.setConnectionString(reg.connectionString());
        outra.Open();
    }
    qint64 numero(const QString& sql, Connection* c = nullptr) { return um(sql, c).toLongLong(); }
    qint64 nivel() { return numero("SELECT @@TRANCOUNT"); }
    // Patients as another connection sees them (committed rows only).
    qint64 pacientesVistosDeFora() { return numero("SELECT COUNT(*) FROM Paciente", &outra); }
    Connection outra;
};

}  // namespace

TEST_F(SessaoTest, IdentityInsertFollowsSqlServerRules) {
    exec("INSERT INTO Paciente (Nome) VALUES ('A')");
    // OFF: an explicit value is refused with SQL Server's message in the log.
    EXPECT_EQ(falha("INSERT INTO Paciente (ID_Paciente, Nome) VALUES (50, 'X')"),
              dados::ErroComando);
    EXPECT_TRUE(
        log().contains("Cannot insert explicit value for identity column in table "
                       "'Paciente' when IDENTITY_INSERT is set to OFF."));

    exec("SET IDENTITY_INSERT Paciente ON");
    exec("INSERT INTO [dbo].[Paciente] ([ID_Paciente], Nome) VALUES (50, 'B')");
    EXPECT_EQ(numero("SELECT @@IDENTITY"), 50);
    // ON: the value must come, named in a column list.
    EXPECT_EQ(falha("INSERT INTO Paciente (Nome) VALUES ('C')"), dados::ErroComando);
    EXPECT_TRUE(
        log().contains("Explicit value must be specified for identity column in table "
                       "'Paciente'"));
    EXPECT_EQ(falha("INSERT INTO Paciente DEFAULT VALUES"), dados::ErroComando);
    // A taken value is a key violation, not a silent replacement.
    EXPECT_EQ(falha("INSERT INTO Paciente (ID_Paciente, Nome) VALUES (50, 'D')"),
              dados::ErroIntegridade);
    // Only one table per session.
    EXPECT_EQ(falha("SET IDENTITY_INSERT Usuário ON"), dados::ErroComando);
    EXPECT_TRUE(log().contains("IDENTITY_INSERT is already ON for table '"));
    EXPECT_TRUE(
        log().contains(".dbo.Paciente'. Cannot perform SET operation for table "
                       "'Usuário'."));
    // Another connection is another session: still OFF there.
    EXPECT_EQ(falha("INSERT INTO Paciente (ID_Paciente, Nome) VALUES (60, 'E')", &outra),
              dados::ErroComando);

    exec("SET IDENTITY_INSERT paciente OFF");
    exec("INSERT INTO Paciente (Nome) VALUES ('F')");
    // Numbering goes on after the highest explicit value, as SQL Server's identity does.
    EXPECT_EQ(numero("SELECT @@IDENTITY"), 51);
    exec("SET IDENTITY_INSERT Usuário ON");
    exec("SET IDENTITY_INSERT Usuário OFF");

    // Only tables with an identity column, and only tables that exist.
    EXPECT_EQ(falha("SET IDENTITY_INSERT Exame ON"), dados::ErroComando);
    EXPECT_TRUE(
        log().contains("Table 'Exame' does not have the identity property. Cannot "
                       "perform SET operation."));
    EXPECT_EQ(falha("SET IDENTITY_INSERT Nao_Existe ON"), dados::ErroObjetoInexistente);
    EXPECT_EQ(falha("SET IDENTITY_INSERT Paciente"), dados::ErroComando);
    EXPECT_EQ(falha("UPDATE Paciente SET ID_Paciente = 7 WHERE ID_Paciente = 1"),
              dados::ErroComando);
    EXPECT_EQ(numero("SELECT COUNT(*) FROM Paciente"), 3);
}

TEST_F(SessaoTest, InsertWithoutColumnListSkipsTheIdentityColumn) {
    exec(
        "CREATE TABLE [dbo].[Marca] ([ID] [int] IDENTITY (1, 1) NOT NULL PRIMARY KEY, "
        "[Texto] [nvarchar] (10) NULL, [Valor] [int] NULL)");
    exec("INSERT INTO Marca VALUES ('a', 7)");
    EXPECT_EQ(numero("SELECT Valor FROM Marca WHERE ID = 1"), 7);
    exec("SET IDENTITY_INSERT Marca ON");
    EXPECT_EQ(falha("INSERT INTO Marca VALUES ('b', 8)"), dados::ErroComando);
}

// Restoring a removed record with its own key, inside the caller's transaction, as the undo
// of a merge does it.
TEST_F(SessaoTest, ExplicitInsertInsideATransactionRollsBackWhole) {
    exec("INSERT INTO Paciente (Nome) VALUES ('A'), ('B')");
    exec("DELETE FROM Paciente WHERE ID_Paciente = 1");
    ASSERT_TRUE(ado.TransaçãoIniciar(reg.conn()));
    exec("SET IDENTITY_INSERT Paciente ON");
    exec("INSERT INTO Paciente (ID_Paciente, Nome) VALUES (1, 'A')");
    exec("SET IDENTITY_INSERT Paciente OFF");
    EXPECT_EQ(falha("INSERT INTO Exame (Número_Exame, ID_Paciente) VALUES ('E', 99)"),
              dados::ErroIntegridade);
    ASSERT_TRUE(ado.TransaçãoCancelar(reg.conn()));
    EXPECT_EQ(pacientesVistosDeFora(), 1);
    // Later identities are not disturbed by the undone explicit one.
    exec("INSERT INTO Paciente (Nome) VALUES ('C')");
    EXPECT_EQ(numero("SELECT @@IDENTITY"), 3);
}

TEST_F(SessaoTest, TransactionStatementsNestAsOnSqlServer) {
    EXPECT_EQ(nivel(), 0);
    exec("BEGIN TRAN");
    exec("begin transaction interna");
    EXPECT_EQ(nivel(), 2);
    exec("INSERT INTO Paciente (Nome) VALUES ('A')");
    exec("COMMIT TRANSACTION interna");
    EXPECT_EQ(nivel(), 1);
    EXPECT_EQ(pacientesVistosDeFora(), 0);  // only the outermost commit commits
    exec("COMMIT");
    EXPECT_EQ(nivel(), 0);
    EXPECT_EQ(pacientesVistosDeFora(), 1);

    // ROLLBACK undoes every level at once.
    exec("BEGIN TRANSACTION");
    exec("INSERT INTO Paciente (Nome) VALUES ('B')");
    exec("BEGIN TRAN");
    exec("INSERT INTO Paciente (Nome) VALUES ('C')");
    exec("ROLLBACK TRAN");
    EXPECT_EQ(nivel(), 0);
    EXPECT_EQ(numero("SELECT COUNT(*) FROM Paciente"), 1);

    // Nothing to commit or roll back: SQL Server's errors.
    EXPECT_EQ(falha("COMMIT TRAN"), dados::ErroComando);
    EXPECT_TRUE(
        log().contains("The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION."));
    EXPECT_EQ(falha("ROLLBACK"), dados::ErroComando);
    EXPECT_TRUE(
        log().contains("The ROLLBACK TRANSACTION request has no corresponding BEGIN TRANSACTION."));

    // Only the outermost name may be rolled back.
    exec("BEGIN TRAN externa");
    exec("BEGIN TRAN interna");
    EXPECT_EQ(falha("ROLLBACK TRAN interna"), dados::ErroComando);
    EXPECT_EQ(nivel(), 2);
    exec("ROLLBACK TRAN externa");
    EXPECT_EQ(nivel(), 0);
    EXPECT_EQ(falha("BEGIN"), dados::ErroComando);
}

TEST_F(SessaoTest, ABatchThatOpensATransactionKeepsItOpenAfterAFailure) {
    exec(
        "BEGIN TRAN\nINSERT INTO Paciente (Nome) VALUES ('A')\n"
        "INSERT INTO Paciente (Nome) VALUES ('B')\nCOMMIT TRAN");
    EXPECT_EQ(pacientesVistosDeFora(), 2);
    // A failed statement does not end the transaction the batch opened (no XACT_ABORT).
    EXPECT_EQ(falha("BEGIN TRAN; INSERT INTO Paciente (Nome) VALUES ('C'); "
                    "INSERT INTO Exame (Número_Exame, ID_Paciente) VALUES ('E', 99)"),
              dados::ErroIntegridade);
    EXPECT_EQ(nivel(), 1);
    EXPECT_EQ(numero("SELECT COUNT(*) FROM Paciente"), 3);
    exec("ROLLBACK");
    EXPECT_EQ(numero("SELECT COUNT(*) FROM Paciente"), 2);
}

TEST_F(SessaoTest, ClsAdoLevelsAndSqlLevelsShareOneCount) {
    // clsADO's outer level is @@TRANCOUNT 1; its inner levels stay its own.
    ASSERT_TRUE(ado.TransaçãoIniciar(reg.conn()));
    ASSERT_TRUE(ado.TransaçãoIniciar(reg.conn()));
    EXPECT_EQ(nivel(), 1);
    exec("BEGIN TRAN");
    EXPECT_EQ(nivel(), 2);
    exec("INSERT INTO Paciente (Nome) VALUES ('A')");
    exec("COMMIT");
    EXPECT_TRUE(ado.TransaçãoFinalizar(reg.conn()));
    EXPECT_EQ(pacientesVistosDeFora(), 0);
    EXPECT_TRUE(ado.TransaçãoFinalizar(reg.conn()));
    EXPECT_EQ(nivel(), 0);
    EXPECT_EQ(pacientesVistosDeFora(), 1);

    // A script's BEGIN TRAN around a clsADO level: clsADO's commit only closes its level.
    exec("BEGIN TRAN");
    ASSERT_TRUE(ado.TransaçãoIniciar(reg.conn()));
    EXPECT_EQ(nivel(), 2);
    exec("INSERT INTO Paciente (Nome) VALUES ('B')");
    EXPECT_TRUE(ado.TransaçãoFinalizar(reg.conn()));
    EXPECT_EQ(nivel(), 1);
    exec("ROLLBACK");
    EXPECT_EQ(numero("SELECT COUNT(*) FROM Paciente"), 1);

    // A ROLLBACK sent as SQL ends clsADO's transaction too: its commit then has nothing.
    ASSERT_TRUE(ado.TransaçãoIniciar(reg.conn()));
    exec("INSERT INTO Paciente (Nome) VALUES ('C')");
    exec("ROLLBACK TRANSACTION");
    EXPECT_FALSE(ado.TransaçãoFinalizar(reg.conn()));
    EXPECT_EQ(ado.ErrorNumber(), dados::ErroSemTransacao);
    EXPECT_EQ(ado.ProfundidadeTransação(), 0);
    EXPECT_EQ(numero("SELECT COUNT(*) FROM Paciente"), 1);

    // Closing the connection ends the session: a new one starts at 0 with OFF.
    exec("BEGIN TRAN");
    exec("SET IDENTITY_INSERT Paciente ON");
    reg.conn().Close();
    reg.conn().Open();
    EXPECT_EQ(nivel(), 0);
    EXPECT_EQ(falha("INSERT INTO Paciente (ID_Paciente, Nome) VALUES (70, 'X')"),
              dados::ErroComando);
}
