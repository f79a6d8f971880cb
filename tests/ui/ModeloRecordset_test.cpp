#include <gtest/gtest.h>

#include <QTableView>

#include "data/ado/Connection.h"
#include "data/ado/Recordset.h"
#include "support/TempRegister.h"
#include "ui/ModeloRecordset.h"

namespace {

// A real register file with a small grouping-like result: texts, a NULL and dates.
class ModeloRecordsetTest : public ::testing::Test {
  protected:
    void SetUp() override {
        reg.exec(
            "CREATE TABLE [dbo].[Paciente] ([ID_Paciente] [int] IDENTITY (1, 1) NOT NULL, "
            "[Nome] [nvarchar] (30) NULL, [Data_Nascimento] [smalldatetime] NULL) ON [PRIMARY]");
        cn.Execute(
            "INSERT INTO Paciente (Nome, Data_Nascimento) VALUES ('MARIA', "
            "'1961-03-07')");
        reg.exec("INSERT INTO Paciente (Nome, Data_Nascimento) VALUES (NULL, NULL)");
        cn.Execute(
            "INSERT INTO Paciente (Nome, Data_Nascimento) VALUES ('JOSÉ', "
            "'2001-12-31')");
    }

    void abrir(const QString& sql) {
        rs.setCursorLocation(adUseClient);
        rs.Open(sql, cn, adOpenStatic, adLockOptimistic);
    }

    TempRegister reg;
    Connection& cn = reg.conn();
    Recordset rs;
};

}  // namespace

TEST_F(ModeloRecordsetTest, MostraColunasELinhasSemMoverOCursor) {
    ModeloRecordset modelo(rs);
    EXPECT_EQ(modelo.rowCount(), 0);  // closed counts as no rows
    EXPECT_EQ(modelo.columnCount(), 0);
    EXPECT_EQ(modelo.LinhaAtual(), -1);

    abrir("SELECT Nome, Data_Nascimento FROM Paciente ORDER BY ID_Paciente");
    ASSERT_EQ(modelo.rowCount(), 3);
    ASSERT_EQ(modelo.columnCount(), 2);
    EXPECT_EQ(modelo.headerData(0, Qt::Horizontal).toString(), "Nome");
    EXPECT_EQ(modelo.headerData(1, Qt::Horizontal).toString(), "Data Nascimento");
    EXPECT_EQ(modelo.data(modelo.index(0, 0)).toString(), "MARIA");
    EXPECT_EQ(modelo.data(modelo.index(0, 1)).toString(), "07/03/1961");
    EXPECT_EQ(modelo.data(modelo.index(1, 0)).toString(), "");  // NULL forms an empty cell
    EXPECT_EQ(modelo.data(modelo.index(2, 0)).toString(), "JOSÉ");
    EXPECT_EQ(modelo.data(modelo.index(2, 1)).toString(), "31/12/2001");
    EXPECT_EQ(rs.AbsolutePosition(), 1);  // reading rows moved nothing
    EXPECT_EQ(modelo.LinhaAtual(), 0);

    rs.MoveLast();
    EXPECT_EQ(modelo.LinhaAtual(), 2);
    rs.Close();
    EXPECT_EQ(modelo.rowCount(), 0);
    EXPECT_FALSE(modelo.data(modelo.index(0, 0)).isValid());
}

TEST_F(ModeloRecordsetTest, GradeERecordsetDividemALinhaAtual) {
    abrir("SELECT Nome FROM Paciente ORDER BY ID_Paciente");
    ModeloRecordset modelo(rs);
    QTableView grade;
    int mudancas = 0;
    LigarGrade(grade, modelo, [&] { ++mudancas; });
    grade.show();
    EXPECT_EQ(grade.currentIndex().row(), 0);
    EXPECT_EQ(mudancas, 1);  // binding puts the grid on the current record: a change
    mudancas = 0;

    // The user picks a row: the record set follows and the change event runs.
    grade.setCurrentIndex(modelo.index(2, 0));
    EXPECT_EQ(rs.AbsolutePosition(), 3);
    EXPECT_EQ(rs.Fields("Nome").Value().toString(), "JOSÉ");
    EXPECT_EQ(mudancas, 1);

    // The program moves the record set: the grid follows and the change event runs too.
    rs.setAbsolutePosition(2);
    EXPECT_EQ(grade.currentIndex().row(), 1);
    EXPECT_EQ(mudancas, 2);

    // A requery with fewer rows resets the grid onto the record set's new position.
    cn.Execute("DELETE FROM Paciente WHERE Nome IS NULL");
    rs.Requery();
    EXPECT_EQ(modelo.rowCount(), 2);
    EXPECT_EQ(grade.currentIndex().row(), 0);
    rs.MoveLast();
    EXPECT_EQ(grade.currentIndex().row(), 1);

    // A result without rows leaves the grid without a current row.
    cn.Execute("DELETE FROM Paciente");
    rs.Requery();
    EXPECT_EQ(modelo.rowCount(), 0);
    EXPECT_FALSE(grade.currentIndex().isValid());
}
