#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "data/base/ErroNumerado.h"
#include "data/base/TabelaErros.h"
#include "data/dao/clsDAO.h"
#include "data/dao/clsLinkarSQLMDB.h"
#include "data/sqlite/MotorEmbutido.h"
#include "support/ErroEsperado.h"
#include "support/OdbcTeste.h"
#include "support/SqlRecorder.h"

namespace {

// The user's odbc.ini the installer writes to, as text.
QString odbcIni() {
    QFile f(QFile::decodeName(qgetenv("ODBCINI")));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// A register served by the embedded engine and a desktop database to link it into. Under the
// test driver manager "SQL Server" is the SQLite ODBC driver, whose Database attribute is a
// file: the register is called "Tessivar" (the connection's default database) and the tests
// run in its folder, so the data source the linker registers reaches the same file.
class Linker : public ::testing::Test {
  protected:
    void SetUp() override {
        odbcteste::Conexao(QString());  // the test driver manager's files, once per program
        ASSERT_TRUE(pasta.isValid());
        pastaAnterior = QDir::currentPath();
        QDir::setCurrent(pasta.path());
        const QString registro = pasta.filePath("Tessivar");
        ASSERT_TRUE(dados::CriarRegistroVazio(registro));
        ASSERT_TRUE(ado.AbrirConexão(cn, "Provider=SQLite;Data Source=" + registro));
        mdb.Create(pasta.filePath("Links.mdb"));
    }

    void TearDown() override {
        mdb.Close();
        ado.FecharConexão(cn);
        QDir::setCurrent(pastaAnterior);
    }

    void criarTabelas() {
        ASSERT_TRUE(ado.ExecutarSQL(
            cn,
            "CREATE TABLE [dbo].[Exame] ([ID_Exame] [int] NOT NULL, [Nome] [nvarchar] (30) "
            "NULL) ON [PRIMARY]"));
        ASSERT_TRUE(
            ado.ExecutarSQL(cn,
                            "CREATE TABLE [dbo].[Paciente] ([ID] [int] IDENTITY (1, 1) NOT NULL, "
                            "[Nome] [nvarchar] (50) NULL) ON [PRIMARY]"));
        ASSERT_TRUE(ado.ExecutarSQL(cn, "INSERT INTO Exame (ID_Exame, Nome) VALUES (1, N'RX')"));
        ASSERT_TRUE(ado.ExecutarSQL(cn, "INSERT INTO Exame (ID_Exame, Nome) VALUES (2, N'US')"));
    }

    QStringList tabelasDoMdb() {
        QStringList nomes;
        for (int i = 0; i < mdb.TableDefs().Count(); ++i) {
            nomes << mdb.TableDefs().Item(i).Name;
        }
        return nomes;
    }

    QTemporaryDir pasta;
    QString pastaAnterior;
    Connection cn;
    DaoDatabase mdb;
    clsADO ado;
    clsLinkarSQLMDB linker{ado};
};

TEST_F(Linker, RegistrationWritesTheUserSourceOrNothing) {
    const QChar cr(13);
    ASSERT_TRUE(linker.RegistrarDatabase("CadunirReg",
                                         "Database=A" + QString(cr) + "Server=srv" + cr + cr));
    EXPECT_TRUE(odbcIni().contains("[CadunirReg]\nDriver=SQL Server\nDatabase=A\nServer=srv\n"));
    // Registering again replaces the source's attributes.
    ASSERT_TRUE(linker.RegistrarDatabase("CadunirReg", "Database=B"));
    EXPECT_TRUE(odbcIni().contains("[CadunirReg]\nDriver=SQL Server\nDatabase=B\n"));
    EXPECT_FALSE(odbcIni().contains("Server=srv"));

    const QString antes = odbcIni();
    for (const QString& nome :
         {QString("Nome=Mau"), QString("Nome;Mau"), QString(""), QString("[Chave]")}) {
        EXPECT_FALSE(linker.RegistrarDatabase(nome, "Database=X")) << nome.toStdString();
        EXPECT_EQ(linker.ErrorNumber(), daoFalhaOdbc);
        EXPECT_EQ(linker.ErrorString(), "ODBC: falha na chamada.");
    }
    for (const QString& atributos :
         {QString("Database"), QString("=X"), QString("Database=A") + cr + "Server",
          QString("DSN=Y"), QString("Database=A\nDriver=Outro")}) {
        EXPECT_FALSE(linker.RegistrarDatabase("CadunirNovo", atributos));
    }
    EXPECT_THROW(DBEngine::RegisterDatabase("CadunirNovo", "Driver Nenhum", true, "Database=A"),
                 ErroNumerado);
    EXPECT_EQ(odbcIni(), antes);
}

TEST_F(Linker, EmptyDatabaseRegistersTheSourceAndLinksNothing) {
    ASSERT_TRUE(linker.LinkarTabela("CadunirLink", mdb, cn));
    EXPECT_TRUE(
        odbcIni().contains("[CadunirLink]\nDriver=SQL Server\nDatabase=Tessivar\n"
                           "Description=Tessivar\nOemToAnsi=No\nServer=" +
                           pasta.filePath("Tessivar") + "\n"));
    EXPECT_EQ(mdb.TableDefs().Count(), 0);
}

TEST_F(Linker, LinksEveryUserTableOnceWithItsFields) {
    criarTabelas();
    // A link made by hand before stays as it is.
    TableDef manual{"dbo_Exame", "ODBC;DSN=Outro", "Exame", 0, {DaoField{"X", dbLong, 4, 0}}};
    mdb.TableDefs().Append(manual);

    ASSERT_TRUE(linker.LinkarTabela("CadunirLink", mdb, cn));
    EXPECT_EQ(tabelasDoMdb(), (QStringList{"dbo_Exame", "dbo_Paciente"}));
    const TableDef paciente = mdb.TableDefs().Item("dbo_Paciente");
    EXPECT_EQ(paciente.Connect, "ODBC;DSN=CadunirLink;Database=Tessivar;uid=;pwd=");
    EXPECT_EQ(paciente.SourceTableName, "Paciente");
    EXPECT_TRUE(paciente.Attributes & dbAttachSavePWD);
    EXPECT_EQ(mdb.TableDefs().Item("dbo_Exame").Connect, "ODBC;DSN=Outro");

    clsDAO dao;
    EXPECT_EQ(dao.RetornarListaFields(mdb, "dbo_Paciente"), "[ID],[Nome]");
    EXPECT_TRUE(dao.TableExisteCampoIdentity(mdb, "dbo_Paciente"));

    // Twice adds nothing.
    ASSERT_TRUE(linker.LinkarTabela("CadunirLink", mdb, cn));
    EXPECT_EQ(tabelasDoMdb(), (QStringList{"dbo_Exame", "dbo_Paciente"}));

    // The link reads and runs on the server: rows of the linked table, a pass-through
    // statement (an identity switch that fails is clsDAO's test).
    mdb.TableDefs().Delete("dbo_Exame");
    ASSERT_TRUE(linker.LinkarTabela("CadunirLink", mdb, cn));
    DaoRecordset rs;
    ASSERT_TRUE(dao.AbrirRecordset(mdb, rs, "dbo_Exame"));
    EXPECT_EQ(rs.RecordCount(), 2);
    EXPECT_EQ(rs.Value("Nome").toString(), "RX");
    EXPECT_FALSE(rs.Updatable());
    mdb.QueryDefs().Append(
        QueryDef{"Apagar", "DELETE FROM Exame WHERE ID_Exame = 2", paciente.Connect, false});
    qint32 afetados = 0;
    ASSERT_TRUE(dao.ExecutarSQL(mdb, "Apagar", afetados));
    EXPECT_EQ(afetados, 1);
}

TEST_F(Linker, FailuresAreCapturedOrPassedOnWithoutLosingLinks) {
    criarTabelas();
    EXPECT_FALSE(linker.LinkarTabela("Link=Mau", mdb, cn));
    EXPECT_EQ(linker.ErrorNumber(), daoFalhaOdbc);
    EXPECT_FALSE(odbcIni().contains("Link=Mau"));
    EXPECT_EQ(mdb.TableDefs().Count(), 0);

    // The table list refused by the server: clsADO's failure, copied.
    {
        SqlRecorder rec(cn);
        rec.failOnSql("sysobjects", -2147217865);
        EXPECT_FALSE(linker.LinkarTabela("CadunirLink", mdb, cn));
    }
    EXPECT_EQ(linker.ErrorNumber(), ado.ErrorNumber());
    EXPECT_EQ(linker.ErrorString(), ado.ErrorString());
    EXPECT_EQ(mdb.TableDefs().Count(), 0);

    // A name already taken by a saved query stops the run; the link made before it stays.
    mdb.QueryDefs().Append(QueryDef{"dbo_Paciente", "SELECT 1", "", true});
    EXPECT_EQ(ErroDe([&] { linker.LinkarTabela("CadunirLink", mdb, cn); }).Number(),
              daoObjetoExiste);
    EXPECT_EQ(tabelasDoMdb(), QStringList{"dbo_Exame"});
}

}  // namespace
