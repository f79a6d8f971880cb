#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>

#include "data/ado/Connection.h"
#include "data/ado/Field.h"
#include "data/base/Diagnostico.h"
#include "data/base/ErroNumerado.h"
#include "data/base/TabelaErros.h"
#include "data/odbc/MotorOdbc.h"
#include "data/odbc/OdbcSessao.h"
#include "support/ErroEsperado.h"
#include "support/OdbcTeste.h"
#include "support/VariavelAmbiente.h"

using namespace dados;

namespace {

// The whole ODBC path, through unixODBC and the SQLite ODBC driver, on a fresh file per test.
class OdbcEngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        arquivo = odbcteste::NovoBanco(
            QString::fromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
            ".db");
        engine = abrir(odbcteste::Conexao(arquivo));
    }

    static std::unique_ptr<Motor> abrir(const QString& conexao) {
        auto e = CriarMotorOdbc(conexao);
        e->abrir();
        return e;
    }

    qint64 contar(Motor& e, const QString& tabela) {
        return e.consultar("SELECT COUNT(*) FROM " + tabela).linhas.at(0).at(0).toLongLong();
    }

    void criarCadastro() {
        engine->executar(
            "CREATE TABLE Paciente (ID_Paciente integer PRIMARY KEY AUTOINCREMENT, Nome "
            "nvarchar(50) NOT NULL, Nome_Último nvarchar(50), Data_Nascimento datetime)");
        engine->executar(
            "CREATE TABLE Exame (Número_Exame integer PRIMARY KEY, ID_Paciente integer "
            "REFERENCES Paciente (ID_Paciente))");
        engine->executar("CREATE TABLE Paciente_Log (ID integer PRIMARY KEY, Nome nvarchar(50))");
        engine->executar("CREATE TABLE PacienteXLog (ID integer)");
        engine->executar("CREATE VIEW vPaciente AS SELECT Nome FROM Paciente");
        engine->executar("CREATE INDEX IX_Paciente_Nome ON Paciente (Nome)");
    }

    QString arquivo;
    std::unique_ptr<Motor> engine;
};

QStringList coluna(const DadosConsulta& r, const char* nome) {
    int i = 0;
    while (i < r.colunas.size() && r.colunas[i].nome != QLatin1String(nome)) ++i;
    QStringList valores;
    if (i == r.colunas.size()) {
        ADD_FAILURE() << "no column " << nome;
        return valores;
    }
    for (const auto& l : r.linhas) valores << l[i].toString();
    return valores;
}

QString logAtual() {
    QFile f(ArquivoDiagnostico());
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

}  // namespace

TEST_F(OdbcEngineTest, WritesAndReadsBackTextsNumbersDatesAndNulls) {
    EXPECT_EQ(engine->executar("CREATE TABLE Pessoa (ID integer PRIMARY KEY AUTOINCREMENT, "
                               "Nome nvarchar(60) NOT NULL, Sobrenome_Último nvarchar(60), "
                               "Nascimento datetime, Ativo bit, Peso float, Prontuário bigint, "
                               "Nota text)"),
              0);
    EXPECT_EQ(
        engine->executar("INSERT INTO Pessoa (Nome, Sobrenome_Último, Nascimento, Ativo, Peso, "
                         "Prontuário) VALUES ('João Conceição', 'Ñandú Çağ 日本', "
                         "'2007-06-21 10:30:05', 1, 70.5, 12345678901)"),
        1);
    EXPECT_EQ(engine->executar("INSERT INTO Pessoa (Nome, Sobrenome_Último) VALUES ('', NULL)"), 1);
    // A text longer than one read of the driver comes back whole.
    const QString longo = QString("Ação ").repeated(3000);
    engine->executar("INSERT INTO Pessoa (Nome, Nota) VALUES ('Longo', '" + longo + "')");

    const DadosConsulta r = engine->consultar(
        "SELECT ID, Nome, Sobrenome_Último, Nascimento, Ativo, Peso, Prontuário, Nota "
        "FROM Pessoa ORDER BY ID");
    ASSERT_EQ(r.colunas.size(), 8);
    EXPECT_EQ(r.colunas[2].nome, "Sobrenome_Último");
    EXPECT_EQ(r.colunas[0].tipo, adInteger);
    EXPECT_TRUE(r.colunas[0].chave);
    EXPECT_TRUE(r.colunas[0].autoIncremento);
    EXPECT_FALSE(r.colunas[1].chave);
    EXPECT_EQ(r.colunas[1].tabelaBase, "Pessoa");
    EXPECT_EQ(r.colunas[1].tamanhoDefinido, 60);
    EXPECT_EQ(r.colunas[3].tipo, adDBTimeStamp);
    EXPECT_EQ(r.colunas[4].tipo, adBoolean);
    EXPECT_EQ(r.colunas[5].tipo, adDouble);
    EXPECT_EQ(r.colunas[6].tipo, adBigInt);

    ASSERT_EQ(r.linhas.size(), 3);
    const auto& a = r.linhas[0];
    EXPECT_EQ(a[0].typeId(), QMetaType::Int);
    EXPECT_EQ(a[1].toString(), "João Conceição");
    EXPECT_EQ(a[2].toString(), "Ñandú Çağ 日本");
    EXPECT_EQ(a[3].typeId(), QMetaType::QDateTime);
    EXPECT_EQ(a[3].toDateTime(), QDateTime(QDate(2007, 6, 21), QTime(10, 30, 5)));
    EXPECT_EQ(a[4], QVariant(true));
    EXPECT_DOUBLE_EQ(a[5].toDouble(), 70.5);
    EXPECT_EQ(a[6].toLongLong(), 12345678901LL);
    EXPECT_TRUE(a[7].isNull());

    const auto& b = r.linhas[1];
    EXPECT_FALSE(b[1].isNull()) << "an empty text is not NULL";
    EXPECT_EQ(b[1].toString(), "");
    for (int i = 2; i < 8; ++i) EXPECT_TRUE(b[i].isNull()) << i;
    EXPECT_EQ(r.linhas[2][7].toString(), longo);

    // No rows still describes the columns; a statement without a rowset gives nothing.
    const DadosConsulta vazio = engine->consultar("SELECT Nome FROM Pessoa WHERE ID = -1");
    EXPECT_EQ(vazio.colunas.size(), 1);
    EXPECT_TRUE(vazio.linhas.isEmpty());
    EXPECT_TRUE(engine->consultar("UPDATE Pessoa SET Peso = 1 WHERE ID = -1").colunas.isEmpty());
}

TEST_F(OdbcEngineTest, ExecuteCountsTheRowsItChanged) {
    engine->executar("CREATE TABLE T (ID integer, Grupo integer)");
    EXPECT_EQ(engine->executar("INSERT INTO T VALUES (1, 1)"), 1);
    engine->executar("INSERT INTO T VALUES (2, 1)");
    engine->executar("INSERT INTO T VALUES (3, 2)");
    EXPECT_EQ(engine->executar("INSERT INTO T SELECT ID + 10, Grupo FROM T"), 3);
    EXPECT_EQ(engine->executar("UPDATE T SET Grupo = 5 WHERE Grupo = 1"), 4);
    EXPECT_EQ(engine->executar("UPDATE T SET Grupo = 9 WHERE ID = 999"), 0);
    EXPECT_EQ(engine->executar("DELETE FROM T WHERE Grupo = 2"), 2);
    // A SELECT sent to execute runs; its rows are dropped.
    EXPECT_EQ(engine->executar("SELECT * FROM T"), 0);
}

TEST_F(OdbcEngineTest, TransactionsCommitAndRollBack) {
    engine->executar("CREATE TABLE T (ID integer)");
    engine->iniciar();
    engine->executar("INSERT INTO T VALUES (1)");
    EXPECT_EQ(contar(*engine, "T"), 1);
    engine->desfazer();
    EXPECT_EQ(contar(*engine, "T"), 0);

    engine->iniciar();
    engine->executar("INSERT INTO T VALUES (2)");
    engine->confirmar();
    // Back in autocommit: this one stands alone.
    engine->executar("INSERT INTO T VALUES (3)");
    auto outra = abrir(odbcteste::Conexao(arquivo));
    EXPECT_EQ(contar(*outra, "T"), 2);
    outra.reset();

    EXPECT_EQ(ErroDe([&] { engine->confirmar(); }).Number(), ErroSemTransacao);
    EXPECT_EQ(ErroDe([&] { engine->desfazer(); }).Number(), ErroSemTransacao);
    engine->iniciar();
    EXPECT_EQ(ErroDe([&] { engine->iniciar(); }).Number(), ErroTransacaoExiste);

    // Closing with a transaction open undoes it.
    engine->executar("INSERT INTO T VALUES (4)");
    engine->fechar();
    engine->abrir();
    EXPECT_EQ(contar(*engine, "T"), 2);
    engine->iniciar();
    engine->executar("DELETE FROM T");
    engine.reset();
    EXPECT_EQ(contar(*abrir(odbcteste::Conexao(arquivo)), "T"), 2);
}

TEST_F(OdbcEngineTest, CatalogueAnswersWithOleDbRowsets) {
    criarCadastro();
    const QVariant nada;

    DadosConsulta r = engine->esquema(adSchemaTables, {nada, nada, nada, "TABLE"});
    QStringList nomes = coluna(r, "TABLE_NAME");
    EXPECT_TRUE(nomes.contains("Paciente") && nomes.contains("Exame") &&
                nomes.contains("Paciente_Log") && nomes.contains("PacienteXLog"));
    EXPECT_FALSE(nomes.contains("vPaciente")) << "only base tables";
    EXPECT_EQ(r.colunas[3].nome, "TABLE_TYPE");
    // Restrictions are exact names, compared as the server does (case-insensitively): "_" is
    // not a wildcard.
    r = engine->esquema(adSchemaTables, {nada, nada, "Paciente_Log", "TABLE"});
    EXPECT_EQ(coluna(r, "TABLE_NAME"), QStringList{"Paciente_Log"});
    EXPECT_EQ(engine->esquema(adSchemaTables, {"", "", "PACIENTE", "TABLE"}).linhas.size(), 1);
    EXPECT_TRUE(
        engine->esquema(adSchemaTables, {nada, nada, "vPaciente", "TABLE"}).linhas.isEmpty());
    EXPECT_EQ(engine->esquema(adSchemaTables, {nada, nada, "vPaciente", "VIEW"}).linhas.size(), 1);

    r = engine->esquema(adSchemaColumns, {nada, nada, "Paciente", nada});
    EXPECT_EQ(coluna(r, "COLUMN_NAME"),
              (QStringList{"ID_Paciente", "Nome", "Nome_Último", "Data_Nascimento"}));
    EXPECT_EQ(coluna(r, "ORDINAL_POSITION"), (QStringList{"1", "2", "3", "4"}));
    EXPECT_EQ(r.linhas[1][11].toInt(), adVarChar);
    EXPECT_EQ(r.linhas[1][13].toInt(), 50);  // CHARACTER_MAXIMUM_LENGTH
    EXPECT_EQ(r.linhas[0][11].toInt(), adInteger);
    r = engine->esquema(adSchemaColumns, {nada, nada, "Paciente", "nome_último"});
    EXPECT_EQ(coluna(r, "COLUMN_NAME"), QStringList{"Nome_Último"});

    r = engine->esquema(adSchemaIndexes, {nada, nada, "IX_Paciente_Nome", nada, nada});
    ASSERT_EQ(r.linhas.size(), 1);
    EXPECT_EQ(coluna(r, "TABLE_NAME"), QStringList{"Paciente"});
    EXPECT_EQ(coluna(r, "COLUMN_NAME"), QStringList{"Nome"});
    EXPECT_EQ(coluna(r, "UNIQUE"), QStringList{"false"});
    EXPECT_EQ(coluna(r, "PRIMARY_KEY"), QStringList{"false"});
    EXPECT_TRUE(
        engine->esquema(adSchemaIndexes, {nada, nada, "IX_Nenhum", nada, nada}).linhas.isEmpty());
    r = engine->esquema(adSchemaIndexes, {nada, nada, nada, nada, "Paciente_Log"});
    EXPECT_TRUE(coluna(r, "PRIMARY_KEY").contains("true"));

    r = engine->esquema(adSchemaPrimaryKeys, {nada, nada, nada});
    EXPECT_TRUE(coluna(r, "TABLE_NAME").contains("Paciente"));
    EXPECT_TRUE(coluna(r, "COLUMN_NAME").contains("ID_Paciente"));
    r = engine->esquema(adSchemaPrimaryKeys, {nada, nada, "Exame"});
    EXPECT_EQ(coluna(r, "COLUMN_NAME"), QStringList{"Número_Exame"});

    r = engine->esquema(adSchemaForeignKeys, QVariantList(6));
    ASSERT_EQ(r.linhas.size(), 1);
    EXPECT_EQ(coluna(r, "PK_TABLE_NAME"), QStringList{"Paciente"});
    EXPECT_EQ(coluna(r, "PK_COLUMN_NAME"), QStringList{"ID_Paciente"});
    EXPECT_EQ(coluna(r, "FK_TABLE_NAME"), QStringList{"Exame"});
    EXPECT_EQ(coluna(r, "FK_COLUMN_NAME"), QStringList{"ID_Paciente"});
    EXPECT_EQ(engine->esquema(adSchemaForeignKeys, {nada, nada, "Paciente", nada, nada, nada})
                  .linhas.size(),
              1);

    r = engine->esquema(adSchemaTableConstraints, QVariantList(7));
    const QStringList tipos = coluna(r, "CONSTRAINT_TYPE");
    EXPECT_TRUE(tipos.contains("PRIMARY KEY"));
    EXPECT_TRUE(tipos.contains("FOREIGN KEY"));

    EXPECT_EQ(ErroDe([&] { engine->esquema(99, {}); }).Number(), ErroOperacao);
}

TEST_F(OdbcEngineTest, AFailingStatementGivesItsNumberAndLogsTheDriversText) {
    const ErroNumerado e = ErroDe([&] { engine->executar("SELECT * FROM Tabela_Que_Nao_Existe"); });
    // The SQLite driver says HY000 for everything; SQL Server's drivers give the states below.
    EXPECT_EQ(e.Number(), ErroNaoEspecificado);
    EXPECT_EQ(e.Description(), TextoDoErro(ErroNaoEspecificado));
    const QString log = logAtual();
    EXPECT_TRUE(log.contains("no such table: Tabela_Que_Nao_Existe"))
        << log.right(500).toStdString();
    EXPECT_TRUE(log.contains("SELECT * FROM Tabela_Que_Nao_Existe"));
}

TEST(OdbcEngineErros, SqlStatesAndNativeNumbersMapToAdoNumbers) {
    struct Caso {
        const char* estado;
        qint32 nativo;
        qint32 numero;
    } casos[] = {
        {"42S02", 208, ErroObjetoInexistente},
        {"S0002", 0, ErroObjetoInexistente},
        {"23000", 2627, ErroIntegridade},
        {"23000", 547, ErroIntegridade},
        {"22001", 8152, ErroDadosLongos},
        {"22003", 8115, ErroDadosLongos},
        {"22007", 241, ErroConversao},
        {"22018", 0, ErroConversao},
        {"42000", 102, ErroComando},
        {"37000", 156, ErroComando},
        {"42S22", 207, ErroComando},
        {"42000", 229, ErroPermissao},
        {"HYT00", 0, ErroTempoEsgotado},
        {"08001", 0, ErroNaoEspecificado},
        {"08S01", 0, ErroNaoEspecificado},
        {"28000", 18456, ErroNaoEspecificado},
        {"40001", 1205, ErroNaoEspecificado},
        {"HY000", 0, ErroNaoEspecificado},
        // A driver that gives only a generic state: SQL Server's own number decides.
        {"HY000", 208, ErroObjetoInexistente},
        {"HY000", 2601, ErroIntegridade},
        {"42000", 8152, ErroDadosLongos},
        {"S1000", 515, ErroIntegridade},
    };
    for (const Caso& c : casos)
        EXPECT_EQ(odbc::NumeroDoErro(c.estado, c.nativo), c.numero) << c.estado << " " << c.nativo;
    // Warnings ahead of the error do not decide.
    EXPECT_EQ(odbc::NumeroDoErro({{"01000", 5701, "changed database context"},
                                  {"42S02", 208, "Invalid object name"}}),
              ErroObjetoInexistente);
    // SQL Server's own message, without the drivers' marks; only the server's, not a driver's.
    const auto m = odbc::MensagemDoServidor(
        {{"01000", 5701, "[FreeTDS][SQL Server]Changed database context"},
         {"22012", 8134, "[FreeTDS][SQL Server]Divide by zero error encountered.", -1, 1, 3}});
    ASSERT_TRUE(m.has_value());
    EXPECT_EQ(m->numero, 8134);
    EXPECT_EQ(m->texto, "Divide by zero error encountered.");
    EXPECT_EQ(std::make_tuple(m->nivel, m->estado, m->linha), std::make_tuple(16, 1, 3));
    EXPECT_FALSE(odbc::MensagemDoServidor({{"HY000", 1, "[SQLite]no such table: T (1)"}}));
    EXPECT_FALSE(odbc::MensagemDoServidor(
        {{"08001", 0, "[unixODBC][FreeTDS][SQL Server]Unable to connect"}}));
}

TEST_F(OdbcEngineTest, AConnectionThatCannotOpenSaysWhy) {
    ErroNumerado e = ErroDe([] { CriarMotorOdbc("Driver={Driver Ausente};Database=x")->abrir(); });
    EXPECT_EQ(e.Number(), ErroNaoEspecificado);
    EXPECT_TRUE(e.Description().contains("\"Driver Ausente\"")) << e.what();

    e = ErroDe([] { CriarMotorOdbc("DSN=Fonte_Ausente")->abrir(); });
    EXPECT_TRUE(e.Description().contains("\"Fonte_Ausente\"")) << e.what();

    // A brace that swallows the password into the driver's or the source's name: the message
    // leaves the name out.
    for (const char* cadeia :
         {"Driver={Ausente;PWD=Segr3do!};UID=sa", "DSN={Ausente;Pwd=Segr3do!}"}) {
        e = ErroDe([cadeia] { CriarMotorOdbc(cadeia)->abrir(); });
        EXPECT_EQ(e.Number(), ErroNaoEspecificado) << cadeia;
        EXPECT_FALSE(e.Description().contains("Segr3do")) << e.what();
    }

    // The default SQL Server driver is not registered here: the failure names it, and the
    // password of the string never reaches the log.
    VariavelAmbiente semDriver("CADUNIR_ODBC_DRIVER", QByteArray());
    e = ErroDe([] {
        CriarMotorOdbc("Provider=SQLOLEDB;Data Source=SRV;User ID=sa;Password=Segr3do!")->abrir();
    });
    EXPECT_TRUE(e.Description().contains("\"FreeTDS\"")) << e.what();
    EXPECT_TRUE(e.Description().contains("CADUNIR_ODBC_DRIVER"));
    EXPECT_FALSE(logAtual().contains("Segr3do!"));

    // The driver is there but the database cannot be opened.
    e = ErroDe([] {
        CriarMotorOdbc(odbcteste::Conexao("/pasta/que/nao/existe/x.db") + ";NoCreat=1")->abrir();
    });
    EXPECT_EQ(e.Number(), ErroNaoEspecificado);
    EXPECT_EQ(e.Description(), TextoDoErro(ErroNaoEspecificado));
}

TEST_F(OdbcEngineTest, AProductStringOpensThroughTheConfiguredDriver) {
    engine->executar("CREATE TABLE Paciente (Nome nvarchar(20))");
    engine->executar("INSERT INTO Paciente VALUES ('Zé')");
    engine->fechar();

    VariavelAmbiente driver("CADUNIR_ODBC_DRIVER", odbcteste::Driver().toUtf8());
    auto e = abrir(
        "Provider=SQLOLEDB.1;Persist Security Info=False;User ID=adm;"
        "Password='a;b';Initial Catalog=" +
        arquivo + ";Data Source=SRVLAUDO,1433");
    EXPECT_EQ(e->consultar("SELECT Nome FROM Paciente").linhas.at(0).at(0).toString(), "Zé");
    EXPECT_EQ(e->propriedade("User ID").toString(), "adm");
    EXPECT_EQ(e->propriedade("Password").toString(), "a;b");
    EXPECT_EQ(e->propriedade("Data Source").toString(), "SRVLAUDO,1433");
    EXPECT_EQ(e->bancoPadrao(), arquivo);
    EXPECT_TRUE(e->propriedade("Nada Disso").isNull());
    EXPECT_EQ(e->propriedade("DBMS Name").toString(), "SQLite");
    e->fechar();
    EXPECT_EQ(e->propriedade("User ID").toString(), "adm") << "known from the string when closed";
}

// The SQLite ODBC driver takes one statement per SQLExecDirect ("only one SQL statement
// allowed"), so a batch here is one statement; SQL Server's drivers return one result each.
TEST_F(OdbcEngineTest, ABatchReturnsItsResultOrItsFailure) {
    engine->executar("CREATE TABLE L (ID integer PRIMARY KEY)");
    ResultadoLote lote = engine->executarLote("INSERT INTO L VALUES (1)");
    ASSERT_FALSE(lote.falha);
    ASSERT_EQ(lote.resultados.size(), 1);
    EXPECT_FALSE(lote.resultados[0].temLinhas);
    EXPECT_EQ(lote.resultados[0].afetadas, 1);

    lote = engine->executarLote("SELECT ID FROM L");
    ASSERT_EQ(lote.resultados.size(), 1);
    EXPECT_TRUE(lote.resultados[0].temLinhas);
    EXPECT_EQ(coluna(lote.resultados[0].dados, "ID"), QStringList{"1"});

    lote = engine->executarLote("INSERT INTO L VALUES (1)");
    EXPECT_TRUE(lote.resultados.isEmpty());
    ASSERT_TRUE(lote.falha);
    EXPECT_EQ(lote.falha->Number(), ErroNaoEspecificado);
    EXPECT_EQ(contar(*engine, "L"), 1);  // the connection stays usable after a failure
}
