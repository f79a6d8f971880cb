#include <gtest/gtest.h>

#include "data/ado/Connection.h"
#include "data/ado/Recordset.h"
#include "data/ado/clsADO.h"
#include "data/base/TabelaErros.h"
#include "support/OdbcTeste.h"

// The gateway the whole program uses, on a connection served by the ODBC engine.
namespace {

class OdbcClsADOTest : public ::testing::Test {
  protected:
    void SetUp() override {
        arquivo = odbcteste::NovoBanco(
            QString::fromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
            ".db");
        ASSERT_TRUE(ado.AbrirConexão(cn, odbcteste::Conexao(arquivo)))
            << ado.ErrorString().toStdString();
        ASSERT_TRUE(ado.ExecutarSQL(cn,
                                    "CREATE TABLE Paciente (ID_Paciente integer PRIMARY KEY, "
                                    "Nome nvarchar(50), Nome_Último nvarchar(50))"));
    }

    QString arquivo;
    Connection cn;
    clsADO ado;
};

}  // namespace

TEST_F(OdbcClsADOTest, ReadsAndWritesThroughTheGateway) {
    // Row counts are the engine's (MotorOdbc_test) and pass through as on any engine.
    ASSERT_TRUE(ado.ExecutarSQL(cn, "INSERT INTO Paciente VALUES (1, 'Antônio', 'Conceição')"));
    ASSERT_TRUE(ado.ExecutarSQL(cn, "INSERT INTO Paciente VALUES (2, 'Zé', NULL)"));

    Recordset rs;
    ASSERT_TRUE(ado.AbrirRecordset(cn, rs, "SELECT * FROM Paciente ORDER BY ID_Paciente"));
    EXPECT_EQ(rs.RecordCount(), 2);
    EXPECT_EQ(rs.Fields("NOME_ÚLTIMO").Value().toString(), "Conceição");
    rs.MoveNext();
    EXPECT_TRUE(rs.Fields("Nome_Último").Value().isNull());
    rs.MoveNext();
    EXPECT_TRUE(rs.Eof());

    EXPECT_TRUE(ado.TableExiste(cn, "Paciente"));
    EXPECT_FALSE(ado.TableExiste(cn, "PacienteLog"));
    EXPECT_EQ(ado.RetornarListaFields(cn, "Paciente", true),
              "Paciente.[ID_Paciente],Paciente.[Nome],Paciente.[Nome_Último]");

    // A refused statement is a failure of the gateway, with the text of its number.
    EXPECT_FALSE(ado.ExecutarSQL(cn, "INSERT INTO Paciente VALUES (1, 'Dup', NULL)"));
    EXPECT_EQ(ado.ErrorString(), dados::TextoDoErro(ado.ErrorNumber()));
}

TEST_F(OdbcClsADOTest, ABadConnectionStringFailsAndTouchesNothing) {
    Connection outra;
    clsADO outro;
    EXPECT_FALSE(outro.AbrirConexão(outra, "Provider=SQLOLEDB;Data Source=\"SRV;User ID=sa"));
    EXPECT_EQ(outra.State(), adStateClosed);
    EXPECT_TRUE(outro.ErrorString().contains("aspas")) << outro.ErrorString().toStdString();

    EXPECT_FALSE(outro.AbrirConexão(outra, "Driver={Driver Ausente};Server=SRV"));
    EXPECT_TRUE(outro.ErrorString().contains("Driver Ausente"));
    EXPECT_EQ(outra.State(), adStateClosed);

    // The open connection of the fixture is still there and working.
    EXPECT_EQ(cn.State(), adStateOpen);
    EXPECT_TRUE(ado.TableExiste(cn, "Paciente"));
    EXPECT_EQ(cn.Properties("Data Source").toString(), arquivo);
}
