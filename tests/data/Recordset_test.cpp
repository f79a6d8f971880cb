#include <gtest/gtest.h>

#include <QDateTime>

#include "data/ado/clsADO.h"
#include "data/base/ErroNumerado.h"
#include "data/base/TabelaErros.h"
#include "support/ErroEsperado.h"
#include "support/ImprimirQt.h"
#include "support/SqlRecorder.h"
#include "support/TempRegister.h"

namespace {

const char* const kSemSolucao =
    " CREATE TABLE [dbo].[PacienteLogSemSolucao] (  [ID_PacienteLogSemSolucao] [int] IDENTITY "
    "(1, 1) NOT NULL ,  [ID_Paciente] [int] NOT NULL ,  [ID_PacienteLogJustificativa] [int] NOT "
    "NULL ,  [ID_Usuario] [int] NOT NULL ,  [Data] [smalldatetime] NULL ,  [Descricao] "
    "[nvarchar] (255) NULL  ) ON [PRIMARY]  ALTER TABLE [dbo].[PacienteLogSemSolucao] WITH "
    "NOCHECK ADD  CONSTRAINT [PK_PacienteLogSemSolucao] PRIMARY KEY  CLUSTERED  (  "
    "[ID_PacienteLogSemSolucao]  )  ON [PRIMARY]  ALTER TABLE [dbo].[PacienteLogSemSolucao] ADD "
    " CONSTRAINT [DF_PacienteLogSemSolucao_Data] DEFAULT (getdate()) FOR [Data] ";

}  // namespace

TEST(RecordsetEdicao, AddNewWritesTheRowWithItsIdentityAndDefaults) {
    TempRegister reg;
    ASSERT_TRUE(reg.exec(kSemSolucao));
    clsADO ado;
    Recordset rs;
    ASSERT_TRUE(ado.AbrirRecordset(reg.conn(), rs,
                                   "Select * FROM PacienteLogSemSolucao Where ID_Paciente = -1"));
    EXPECT_EQ(rs.RecordCount(), 0);
    SqlRecorder rec(reg.conn());
    rs.AddNew();
    rs.Fields("ID_Paciente").setValue(5);
    rs.Fields("ID_PacienteLogJustificativa").setValue(2);
    rs.Fields("Descricao").setValue(QString("não achei o RG; O'Hara"));
    rs.Fields("ID_Usuario").setValue(3);
    rs.Update();
    EXPECT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs.Fields("ID_PacienteLogSemSolucao").Value().toInt(), 1);
    // Data was not set: the column default put the time in, and it reads back as a date.
    EXPECT_EQ(rs.Fields("Data").Value().typeId(), QMetaType::QDateTime);
    EXPECT_EQ(rec.texts(Connection::Evento::Execucao).size(), 1);
    EXPECT_FALSE(rec.texts(Connection::Evento::Execucao)[0].contains("Data"));
    rs.Close();

    // Editing the row the set holds: only the changed columns are written, by key.
    ASSERT_TRUE(ado.AbrirRecordset(reg.conn(), rs,
                                   "Select * FROM PacienteLogSemSolucao Where ID_Paciente = 5"));
    ASSERT_EQ(rs.RecordCount(), 1);
    rs.Fields("Descricao").setValue(QString("outra nota"));
    rs.Fields("Data").setValue(QDateTime(QDate(2026, 12, 5), QTime(14, 3), Qt::UTC));
    rs.Update();
    EXPECT_EQ(reg.scalar("SELECT Descricao FROM PacienteLogSemSolucao").toString(), "outra nota");
    EXPECT_EQ(reg.scalar("SELECT Data FROM PacienteLogSemSolucao").toDateTime(),
              QDateTime(QDate(2026, 12, 5), QTime(14, 3), Qt::UTC));

    // Someone else changed the row since it was read: the optimistic update refuses.
    ASSERT_TRUE(reg.exec("UPDATE PacienteLogSemSolucao SET Descricao = 'de outro posto'"));
    rs.Fields("Descricao").setValue(QString("minha"));
    EXPECT_EQ(ErroDe([&] { rs.Update(); }).Number(), dados::ErroLinhaNaoLocalizada);
    EXPECT_EQ(reg.scalar("SELECT Descricao FROM PacienteLogSemSolucao").toString(),
              "de outro posto");

    // A value the table refuses fails the Update and writes nothing.
    rs.CancelUpdate();
    rs.AddNew();
    rs.Fields("ID_Paciente").setValue(6);
    EXPECT_THROW(rs.Update(), ErroNumerado);  // NOT NULL columns left unset
    EXPECT_EQ(reg.scalar("SELECT COUNT(*) FROM PacienteLogSemSolucao").toInt(), 1);
}

TEST(RecordsetEdicao, ReadOnlyAndMultiTableSetsRefuseEdits) {
    TempRegister reg;
    ASSERT_TRUE(
        reg.exec("CREATE TABLE A (ID int PRIMARY KEY, X nvarchar(5)) CREATE TABLE B (ID "
                 "int PRIMARY KEY, Y nvarchar(5))"));
    ASSERT_TRUE(
        reg.exec("INSERT INTO A (ID, X) VALUES (1, 'a') INSERT INTO B (ID, Y) VALUES (1, "
                 "'b')"));
    Recordset rs;
    rs.Open("SELECT A.X, B.Y FROM A INNER JOIN B ON A.ID = B.ID", reg.conn(), adOpenStatic,
            adLockOptimistic);
    rs.Fields("X").setValue(QString("z"));
    EXPECT_THROW(rs.Update(), ErroNumerado);
    rs.Close();
    rs.Open("SELECT * FROM A", reg.conn(), adOpenStatic, adLockReadOnly);
    EXPECT_THROW(rs.AddNew(), ErroNumerado);
    // Moving and positions.
    EXPECT_EQ(rs.AbsolutePosition(), 1);
    rs.MoveNext();
    EXPECT_EQ(rs.AbsolutePosition(), adPosEOF);
    EXPECT_THROW(rs.MoveNext(), ErroNumerado);
    rs.MovePrevious();
    rs.MovePrevious();
    EXPECT_TRUE(rs.Bof());
    EXPECT_EQ(rs.AbsolutePosition(), adPosBOF);
    rs.MoveLast();
    EXPECT_EQ(rs.Fields("x").Value().toString(), "a");
    EXPECT_THROW(rs.Fields("nada"), ErroNumerado);
    // Requery sees new rows.
    int avisos = 0;
    rs.setOuvinte([&avisos] { ++avisos; });
    ASSERT_TRUE(reg.exec("INSERT INTO A (ID, X) VALUES (2, 'c')"));
    rs.Requery();
    EXPECT_EQ(rs.RecordCount(), 2);
    EXPECT_EQ(avisos, 1);
    rs.setAbsolutePosition(2);
    EXPECT_EQ(rs.Fields(1).Value().toString(), "c");
    EXPECT_THROW(rs.setAbsolutePosition(3), ErroNumerado);
}

TEST(Bloqueio, ALockedRegisterWaitsABoundedTimeThenFailsClearly) {
    TempRegister reg(150);
    ASSERT_TRUE(reg.exec("CREATE TABLE T (ID int, X nvarchar(10))"));
    ASSERT_TRUE(reg.exec("INSERT INTO T (ID, X) VALUES (1, 'antes')"));
    Connection outro;
    outro.Open(reg.connectionString());
    outro.BeginTrans();
    outro.Execute("UPDATE T SET X = 'outro' WHERE ID = 1");

    clsADO ado;
    EXPECT_FALSE(ado.ExecutarSQL(reg.conn(), "INSERT INTO T (ID, X) VALUES (2, 'meu')"));
    EXPECT_EQ(ado.ErrorNumber(), dados::ErroTempoEsgotado);
    EXPECT_FALSE(ado.TransaçãoIniciar(reg.conn()));
    EXPECT_EQ(ado.ErrorNumber(), dados::ErroTempoEsgotado);
    ado.TransaçãoCancelar(reg.conn());
    // Readers still see the last committed state.
    EXPECT_EQ(reg.scalar("SELECT X FROM T WHERE ID = 1").toString(), "antes");

    outro.RollbackTrans();
    outro.Close();
    EXPECT_TRUE(ado.ExecutarSQL(reg.conn(), "INSERT INTO T (ID, X) VALUES (2, 'meu')"));
    EXPECT_EQ(reg.scalar("SELECT COUNT(*) FROM T").toInt(), 2);
}
