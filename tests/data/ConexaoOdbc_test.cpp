#include <gtest/gtest.h>

#include "data/base/ErroNumerado.h"
#include "data/base/TabelaErros.h"
#include "data/odbc/ConexaoOdbc.h"
#include "support/ErroEsperado.h"
#include "support/VariavelAmbiente.h"

using namespace dados;

namespace {

ErroNumerado falhaDe(const QString& cadeia) {
    return ErroDe([&] { InterpretarConexaoOdbc(cadeia); });
}

}  // namespace

TEST(ConexaoOdbc, OleDbStringsBecomeTheSameServerOnTheConfiguredDriver) {
    struct Caso {
        const char* driver;
        const char* oleDb;
        const char* odbc;
    } casos[] = {
        {"FreeTDS",
         "Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;Password=s3nh@;"
         "Initial Catalog=Tessivar;Data Source=SRVLAUDO",
         "Driver={FreeTDS};Server=SRVLAUDO;Database=Tessivar;UID=sa;PWD=s3nh@"},
        // The port becomes FreeTDS's own attribute; Microsoft's drivers read "host,port".
        {"FreeTDS", "Provider=SQLOLEDB;Data Source=10.0.0.5,1433;Initial Catalog=Laudos;UID=u",
         "Driver={FreeTDS};Server=10.0.0.5;Port=1433;Database=Laudos;UID=u;PWD="},
        {"ODBC Driver 18 for SQL Server",
         "Provider=SQLOLEDB;Data Source=tcp:db.hosp.local,14330;Initial Catalog=X;User ID=a;"
         "Password=b",
         "Driver={ODBC Driver 18 for SQL Server};Server=tcp:db.hosp.local,14330;Database=X;"
         "UID=a;PWD=b"},
        // A named instance goes as it is; with a port too, the port decides.
        {"FreeTDS", "Provider=SQLNCLI11;Data Source=SRV\\SQLEXPRESS;Initial Catalog=T;User ID=a",
         "Driver={FreeTDS};Server=SRV\\SQLEXPRESS;Database=T;UID=a;PWD="},
        {"FreeTDS", "Provider=MSOLEDBSQL;Server=SRV\\INST,1500;Database=T;User ID=a",
         "Driver={FreeTDS};Server=SRV;Port=1500;Database=T;UID=a;PWD="},
        {"FreeTDS", "Provider=SQLOLEDB;Data Source=(local);Initial Catalog=T;User ID=a",
         "Driver={FreeTDS};Server=localhost;Database=T;UID=a;PWD="},
        // Windows authentication replaces user and password.
        {"FreeTDS",
         "Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;"
         "Initial Catalog=Tessivar;Data Source=SRV;User ID=ignorado",
         "Driver={FreeTDS};Server=SRV;Database=Tessivar;Trusted_Connection=Yes"},
        {"SQL Server", "Provider=SQLOLEDB;Trusted_Connection=yes;Data Source=SRV",
         "Driver={SQL Server};Server=SRV;Trusted_Connection=Yes"},
        // Quoted values keep their ";" and quotes; the ODBC string braces what needs it.
        {"FreeTDS", "Provider=SQLOLEDB;Data Source=SRV;User ID='o''brien';Password=\"a;b\"\"c}\"",
         "Driver={FreeTDS};Server=SRV;UID=o'brien;PWD={a;b\"c}}}"},
        {"FreeTDS", "  provider = sqloledb ; data source = SRV ; password= ; ",
         "Driver={FreeTDS};Server=SRV;PWD="},
        {"FreeTDS",
         "Provider=SQLOLEDB;Data Source=SRV;Application Name=Cadunir;Workstation ID=PC01",
         "Driver={FreeTDS};Server=SRV;PWD=;APP=Cadunir;WSID=PC01"},
        // OLE DB over ODBC: the data source is a DSN.
        {"FreeTDS", "Provider=MSDASQL.1;Data Source=Laudos;User ID=a;Password=b",
         "DSN=Laudos;UID=a;PWD=b"},
        {"FreeTDS", "Provider=MSDASQL;Extended Properties=\"DSN=Laudos;UID=x;PWD=y\"",
         "DSN=Laudos;UID=x;PWD=y"},
        // ODBC strings pass unchanged, whatever their quoting.
        {"FreeTDS", "Driver={FreeTDS};Server=SRV;PWD=\"x", "Driver={FreeTDS};Server=SRV;PWD=\"x"},
        {"FreeTDS", "DSN=Laudos;UID=a", "DSN=Laudos;UID=a"},
    };
    for (const Caso& c : casos) {
        VariavelAmbiente driver("CADUNIR_ODBC_DRIVER", c.driver);
        EXPECT_EQ(InterpretarConexaoOdbc(QString::fromUtf8(c.oleDb)).odbc,
                  QString::fromUtf8(c.odbc))
            << c.oleDb;
    }
}

TEST(ConexaoOdbc, PartsAreKeptForTheConnectionProperties) {
    VariavelAmbiente driver("CADUNIR_ODBC_DRIVER", QByteArray());
    const ConexaoOdbc c = InterpretarConexaoOdbc(
        "Provider=SQLOLEDB;Data Source=SRV\\INST;Initial Catalog=Tessivar;User ID=adm;"
        "Password=\"p;w\";Connect Timeout=30");
#ifdef Q_OS_WIN
    EXPECT_EQ(c.driver, "SQL Server");
#else
    EXPECT_EQ(c.driver, "FreeTDS");
#endif
    // Server, database, user and password reach the engine's properties (MotorOdbc_test).
    EXPECT_EQ(c.tempoLimite, 30);
    EXPECT_FALSE(c.integrada);

    const ConexaoOdbc odbc = InterpretarConexaoOdbc("DSN=Laudos;UID=u;PWD={a;b};Database=D");
    EXPECT_EQ(odbc.dsn, "Laudos");
    EXPECT_TRUE(odbc.driver.isEmpty());
    EXPECT_EQ(odbc.usuario, "u");
    EXPECT_EQ(odbc.senha, "a;b");
    EXPECT_EQ(odbc.banco, "D");
    EXPECT_EQ(odbc.tempoLimite, 15);

    // A driver named with braces in the variable is not braced twice.
    VariavelAmbiente chaves("CADUNIR_ODBC_DRIVER", "{ODBC Driver 17 for SQL Server}");
    EXPECT_EQ(DriverSqlServerConfigurado(), "ODBC Driver 17 for SQL Server");
}

TEST(ConexaoOdbc, BadStringsFailWithATextThatNamesTheFault) {
    VariavelAmbiente driver("CADUNIR_ODBC_DRIVER", "FreeTDS");
    ErroNumerado e = falhaDe("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\x.mdb");
    EXPECT_EQ(e.Number(), ErroProvedor);
    EXPECT_TRUE(e.Description().contains("Microsoft.Jet.OLEDB.4.0")) << e.what();
    // A mis-braced provider swallows the password: its value is no name and is not repeated.
    e = falhaDe("Provider={SQLOLEDB;Password=S3gr3d0;User ID=sa};Data Source=SRV");
    EXPECT_EQ(e.Number(), ErroProvedor);
    EXPECT_FALSE(e.Description().contains("S3gr3d0")) << e.what();

    // Each string and a word its refusal names.
    const std::pair<const char*, const char*> casos[] = {
        {"Provider=SQLOLEDB;Data Source=SRV;Password=\"abc;User ID=sa", "aspas"},
        {"Provider=SQLOLEDB;Data Source=SRV;Password=\"abc;User ID=sa", "Password"},
        {"Driver={FreeTDS;Server=SRV", "chave"},
        {"Provider=SQLOLEDB;Data Source='SRV' x;User ID=sa", "Data Source"},
        {"Provider=SQLOLEDB;Initial Catalog=Tessivar;User ID=sa;Password=x", "servidor"},
        {"Provider=SQLOLEDB;Data Source=  ;User ID=sa", "servidor"},
        {"Provider=SQLOLEDB;Data Source=SRV,14x3", "Porta"},
        {"Provider=SQLOLEDB;Data Source=SRV,70000", "SRV,70000"},
        {"Server=SRV;Database=Tessivar", "Driver="},
        {"Provider=MSDASQL;User ID=a", "Data Source"},
        {"Provider=SQLOLEDB;Data Source=SRV;Connect Timeout=logo", "logo"},
        {"Provider=SQLOLEDB;Data Source=SRV;Password=a;b", "\"Password\""}};
    for (const auto& [cadeia, nomeia] : casos) {
        e = falhaDe(cadeia);
        EXPECT_TRUE(e.Description().contains(nomeia)) << cadeia << " | " << e.what();
    }
    // The unclosed quote's password must not be shown.
    EXPECT_FALSE(falhaDe(casos[0].first).Description().contains("abc"));
}
