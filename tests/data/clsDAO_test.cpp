#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include "support/ErroEsperado.h"
#include "support/OdbcTeste.h"

#include "data/base/ErroNumerado.h"
#include "data/base/TabelaErros.h"
#include "data/dao/clsDAO.h"

namespace {

// A desktop database in a folder of its own, with a local table Paciente (identity key), a
// local table Exame without one, a saved query and a link whose fields are given (no source
// needs to be reached).
class DesktopDb : public ::testing::Test {
  protected:
    void SetUp() override {
        // The driver manager reads its ini paths once per program: the test ones, before the
        // first link tries to reach a source.
        odbcteste::Conexao(QString());
        ASSERT_TRUE(pasta.isValid());
        caminho = pasta.filePath("Tessivar.mdb");
        db.Create(caminho);
        db.Execute(
            "CREATE TABLE Paciente (ID INTEGER PRIMARY KEY, Nome VARCHAR(50), "
            "Nascimento DATETIME, Ativo BIT)");
        db.Execute("CREATE TABLE Exame (Codigo LONG, Nome TEXT(30), ID_Paciente INTEGER)");
        db.Execute(
            "INSERT INTO Paciente (Nome, Nascimento, Ativo) VALUES "
            "('Ana', '1970-02-03 00:00:00', 1), ('Bruno', NULL, 0), ('Caio', '1990-12-31', 1)");
        db.QueryDefs().Append(
            QueryDef{"Ativos", "SELECT Nome FROM Paciente WHERE Ativo = 1", "", true});
        db.TableDefs().Append(linkPaciente("dbo_Paciente"));
        db.AdicionarObservador([this](const DaoEvento& e) { enviados << e.connect + "|" + e.sql; });
    }

    static TableDef linkPaciente(const QString& nome) {
        TableDef td;
        td.Name = nome;
        td.Connect = "ODBC;DSN=SemServidor;Database=Tessivar;uid=sa;pwd=x";
        td.SourceTableName = "dbo.Paciente";
        td.Attributes = dbAttachSavePWD;
        td.Fields = {DaoField{"ID", dbLong, 4, dbAutoIncrField}, DaoField{"Nome", dbText, 50, 0}};
        return td;
    }

    QStringList nomesDasTabelas() {
        QStringList nomes;
        for (int i = 0; i < db.TableDefs().Count(); ++i) {
            nomes << db.TableDefs().Item(i).Name;
        }
        return nomes;
    }

    QTemporaryDir pasta;
    QString caminho;
    DaoDatabase db;
    QStringList enviados;
    clsDAO dao;
};

TEST_F(DesktopDb, OpeningBadFilesIsCapturedWithDaoNumbers) {
    DaoDatabase outro;
    EXPECT_FALSE(dao.AbrirDatabase(outro, pasta.filePath("falta.mdb")));
    EXPECT_EQ(dao.ErrorNumber(), daoArquivoNaoEncontrado);
    EXPECT_EQ(dao.ErrorString(), "Não foi possível encontrar o arquivo.");
    EXPECT_FALSE(dao.AbrirDatabase(outro, pasta.filePath("sem/pasta.mdb")));
    EXPECT_EQ(dao.ErrorNumber(), daoCaminhoInvalido);
    EXPECT_FALSE(dao.AbrirDatabase(outro, ""));
    EXPECT_EQ(dao.ErrorNumber(), daoCaminhoInvalido);
    EXPECT_FALSE(dao.AbrirDatabase(outro, pasta.path()));
    EXPECT_EQ(dao.ErrorNumber(), daoArquivoInacessivel);

    QFile lixo(pasta.filePath("lixo.mdb"));
    ASSERT_TRUE(lixo.open(QIODevice::WriteOnly));
    lixo.write(QByteArray(4096, 'x'));
    lixo.close();
    EXPECT_FALSE(dao.AbrirDatabase(outro, lixo.fileName()));
    EXPECT_EQ(dao.ErrorNumber(), daoFormatoNaoReconhecido);
    EXPECT_FALSE(outro.IsOpen());
    EXPECT_THROW(outro.Create(caminho), ErroNumerado);  // never over an existing file

    // The same file opened again shows what the first object wrote.
    EXPECT_TRUE(dao.AbrirDatabase(outro, caminho));
    EXPECT_EQ(outro.TableDefs().Count(), 3);
    EXPECT_TRUE(dao.FecharDatabase(outro));
    EXPECT_FALSE(outro.IsOpen());
    EXPECT_FALSE(dao.TableExiste(outro, "Paciente"));
    EXPECT_EQ(dao.ErrorNumber(), daoObjetoInvalido);
}

TEST_F(DesktopDb, ExistenceChecksIgnoreCaseAndFindIdentityFields) {
    EXPECT_EQ(nomesDasTabelas(), (QStringList{"dbo_Paciente", "Exame", "Paciente"}));
    EXPECT_TRUE(dao.TableExiste(db, "paciente"));
    EXPECT_TRUE(dao.TableExiste(db, "DBO_PACIENTE"));
    EXPECT_FALSE(dao.TableExiste(db, "Ativos"));  // a saved query is no table
    EXPECT_FALSE(dao.TableExiste(db, "MSysTableDefs"));
    EXPECT_TRUE(dao.QueryExiste(db, "ATIVOS"));
    EXPECT_FALSE(dao.QueryExiste(db, "Paciente"));

    EXPECT_TRUE(dao.TableExisteCampoIdentity(db, "Paciente"));  // INTEGER PRIMARY KEY
    EXPECT_TRUE(dao.TableExisteCampoIdentity(db, "dbo_paciente"));
    EXPECT_FALSE(dao.TableExisteCampoIdentity(db, "Exame"));
    EXPECT_FALSE(dao.TableExisteCampoIdentity(db, "Falta"));
    EXPECT_EQ(dao.ErrorNumber(), 0);
}

TEST_F(DesktopDb, FieldListsKeepTheTableOrder) {
    EXPECT_EQ(dao.RetornarListaFields(db, "Paciente"), "[ID],[Nome],[Nascimento],[Ativo]");
    EXPECT_EQ(dao.RetornarListaFields(db, "Falta"), "");
    EXPECT_EQ(dao.RetornarListaFieldsDataType(db, "Exame", dbText), "[Nome]");
    EXPECT_EQ(dao.RetornarListaFieldsDataType(db, "Exame", dbLong), "[Codigo],[ID_Paciente]");
    EXPECT_EQ(dao.RetornarListaFieldsDataType(db, "Paciente", dbGUID), "");
    EXPECT_EQ(dao.RetornarListaFieldsDataType(db, "Paciente", dbDate), "[Nascimento]");
    EXPECT_EQ(dao.RetornarListaFieldsDataType(db, "Paciente", dbBoolean), "[Ativo]");
    const QVector<DaoField> campos = db.TableDefs().Item("Paciente").Fields;
    EXPECT_EQ(campos[1].Size, 50);
    EXPECT_EQ(campos[2].Size, 8);
    EXPECT_EQ(db.TableDefs().Item("Exame").Fields[1].Size, 30);

    db.Execute("CREATE TABLE A3 (A INT, B INT, C INT)");
    db.Execute("CREATE TABLE A2 (C INT, a INT)");
    db.Execute("CREATE TABLE A1 (C INT, A INT)");
    EXPECT_EQ(dao.RetornarListaFieldsComuns(db, "A3", "A1"), "[A],[C]");
    EXPECT_EQ(dao.RetornarListaFieldsComuns(db, "A3", "A2"), "[C]");  // case counts
    EXPECT_EQ(dao.RetornarListaFieldsComuns(db, "A3", "Falta"), "");
    EXPECT_EQ(dao.RetornarListaFieldsComuns(db, "dbo_Paciente", "Paciente"), "[ID],[Nome]");
}

TEST_F(DesktopDb, ExecuteCountsRowsAndKeepsTheFirstFailure) {
    qint32 afetados = -1;
    EXPECT_TRUE(dao.ExecutarSQL(db, "UPDATE Paciente SET Ativo = 0 WHERE Ativo = 1", afetados));
    EXPECT_EQ(afetados, 2);
    EXPECT_TRUE(dao.ExecutarSQL(db, "UPDATE Paciente SET Ativo = 0 WHERE ID = 99", afetados));
    EXPECT_EQ(afetados, 0);
    EXPECT_TRUE(dao.ExecutarSQL(db, "CREATE TABLE Nova (X INT)", afetados));
    EXPECT_EQ(afetados, 0);
    EXPECT_TRUE(dao.TableExiste(db, "Nova"));  // the collection follows the DDL

    afetados = 7;
    EXPECT_FALSE(dao.ExecutarSQL(db, "DELETE FROM Falta", afetados));
    EXPECT_EQ(afetados, 7);
    EXPECT_EQ(dao.ErrorNumber(), daoTabelaNaoEncontrada);
    EXPECT_EQ(dao.ErrorString(), "Tabela ou consulta de entrada não encontrada.");
    EXPECT_TRUE(dao.ExecutarSQL(db, "DELETE FROM Nova", afetados));
    EXPECT_EQ(dao.ErrorNumber(), daoTabelaNaoEncontrada);

    dao.setErrorNumber(0);
    EXPECT_FALSE(dao.ExecutarSQL(db, "SELECT * FROM Paciente", afetados));
    EXPECT_EQ(dao.ErrorNumber(), daoConsultaSelecao);
    // One statement per call: the second would otherwise run unseen.
    EXPECT_FALSE(dao.ExecutarSQL(db, "DELETE FROM Exame; DROP TABLE Paciente", afetados));
    EXPECT_EQ(dao.ErrorNumber(), daoCaracteresAposFim);
    EXPECT_TRUE(dao.TableExiste(db, "Paciente"));
    EXPECT_FALSE(dao.ExecutarSQL(db, "UPDATE Paciente SET", afetados));
    EXPECT_EQ(dao.ErrorNumber(), daoInstrucaoInvalida);
    EXPECT_FALSE(dao.ExecutarSQL(db, "INSERT INTO Paciente (ID) VALUES (1)", afetados));
    EXPECT_EQ(dao.ErrorNumber(), daoValorDuplicado);

    // A saved query runs by its name.
    db.QueryDefs().Append(QueryDef{"Limpar", "DELETE FROM Paciente WHERE Ativo = 0", "", false});
    EXPECT_TRUE(dao.ExecutarSQL(db, "Limpar", afetados));
    EXPECT_EQ(afetados, 3);
    EXPECT_FALSE(dao.ExecutarSQL(db, "Ativos", afetados));  // a select query
}

TEST_F(DesktopDb, DeletesRemoveOnlyWhatExistsAndStopAfterAFailure) {
    enviados.clear();
    EXPECT_TRUE(dao.DeletarTable(db, "Falta"));
    EXPECT_TRUE(dao.DeletarQuery(db, "Falta"));
    EXPECT_TRUE(enviados.isEmpty());
    EXPECT_EQ(db.TableDefs().Count(), 3);

    EXPECT_TRUE(dao.DeletarTable(db, "exame"));
    EXPECT_FALSE(dao.TableExiste(db, "Exame"));

    qint32 afetados = 0;
    EXPECT_FALSE(dao.ExecutarSQL(db, "DELETE FROM Falta", afetados));
    EXPECT_FALSE(dao.DeletarTable(db, "Paciente"));
    EXPECT_FALSE(dao.DeletarQuery(db, "Ativos"));
    EXPECT_TRUE(dao.TableExiste(db, "Paciente"));
    EXPECT_TRUE(dao.QueryExiste(db, "Ativos"));
    dao.setErrorNumber(0);
    EXPECT_TRUE(dao.DeletarQuery(db, "Ativos"));
    EXPECT_FALSE(dao.QueryExiste(db, "Ativos"));

    // Links go, local tables stay.
    db.TableDefs().Append(linkPaciente("dbo_Outro"));
    EXPECT_TRUE(dao.DeletarTableLinkada(db));
    EXPECT_EQ(nomesDasTabelas(), QStringList{"Paciente"});
    EXPECT_EQ(dao.RetornarListaFields(db, "Paciente"), "[ID],[Nome],[Nascimento],[Ativo]");

    DaoDatabase relida;
    relida.Open(caminho);
    EXPECT_EQ(relida.TableDefs().Count(), 1);
    EXPECT_EQ(relida.QueryDefs().Count(), 0);
}

TEST_F(DesktopDb, CatalogueChangesAreAllOrNothing) {
    // A trigger refuses the second field of any link: the link must not half-exist.
    db.Execute(
        "CREATE TRIGGER recusa BEFORE INSERT ON MSysFields WHEN NEW.OrdinalPosition = 1 "
        "BEGIN SELECT RAISE(ABORT, 'recusado'); END");
    EXPECT_EQ(ErroDe([&] { db.TableDefs().Append(linkPaciente("dbo_Meio")); }).Number(),
              daoViolacaoRegra);
    EXPECT_FALSE(dao.TableExiste(db, "dbo_Meio"));
    DaoDatabase relida;
    relida.Open(caminho);
    EXPECT_FALSE(relida.TableDefs().Existe("dbo_Meio"));

    // Names: quotes are fine, DAO's forbidden characters and duplicates are not.
    TableDef aspas = linkPaciente("dbo_O'Brien \"x\"");
    aspas.Fields.resize(1);
    db.TableDefs().Append(aspas);
    EXPECT_TRUE(dao.TableExiste(db, "DBO_O'BRIEN \"X\""));
    TableDef local{"Tab'ela \"1\"", "", "", 0, {DaoField{"Cód'igo", dbLong, 4, dbAutoIncrField}}};
    db.TableDefs().Append(local);
    EXPECT_TRUE(dao.TableExisteCampoIdentity(db, "tab'ela \"1\""));
    EXPECT_TRUE(dao.DeletarTable(db, "Tab'ela \"1\""));
    EXPECT_FALSE(dao.TableExiste(db, "Tab'ela \"1\""));
    const auto numeroAoAnexar = [&](const TableDef& td) {
        return ErroDe([&] { db.TableDefs().Append(td); }).Number();
    };
    EXPECT_EQ(numeroAoAnexar(linkPaciente("dbo.Paciente")), daoNomeInvalido);
    EXPECT_EQ(numeroAoAnexar(linkPaciente("[x]")), daoNomeInvalido);
    EXPECT_EQ(numeroAoAnexar(linkPaciente("")), daoNomeInvalido);
    EXPECT_EQ(numeroAoAnexar(linkPaciente("PACIENTE")), daoTabelaExiste);
    EXPECT_EQ(numeroAoAnexar(linkPaciente("ativos")), daoObjetoExiste);
    EXPECT_EQ(numeroAoAnexar(TableDef{"Vazia", "", "", 0, {}}), daoSemCampos);
    EXPECT_EQ(db.TableDefs().Count(), 4);
}

TEST_F(DesktopDb, CompactMakesANewFileAndNeverOverwrites) {
    const QString destino = pasta.filePath("Compacto.mdb");
    EXPECT_TRUE(dao.CompactarDatabase(caminho, destino));
    DaoDatabase copia;
    ASSERT_TRUE(dao.AbrirDatabase(copia, destino));
    EXPECT_EQ(copia.TableDefs().Count(), 3);
    EXPECT_EQ(copia.TableDefs().Item("dbo_Paciente").Connect, linkPaciente("x").Connect);
    EXPECT_TRUE(dao.QueryExiste(copia, "Ativos"));
    qint32 afetados = 0;
    EXPECT_TRUE(dao.ExecutarSQL(copia, "UPDATE Paciente SET Ativo = 1", afetados));
    EXPECT_EQ(afetados, 3);

    const QByteArray antes = [&] {
        QFile f(destino);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    EXPECT_FALSE(dao.CompactarDatabase(caminho, destino));
    EXPECT_EQ(dao.ErrorNumber(), daoBancoExiste);
    QFile f(destino);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), antes);

    EXPECT_FALSE(dao.CompactarDatabase(pasta.filePath("falta.mdb"), pasta.filePath("n.mdb")));
    EXPECT_EQ(dao.ErrorNumber(), daoArquivoNaoEncontrado);
    EXPECT_FALSE(QFile::exists(pasta.filePath("n.mdb")));
    EXPECT_FALSE(dao.CompactarDatabase(caminho, pasta.filePath("sem/n.mdb")));
    EXPECT_EQ(dao.ErrorNumber(), daoCaminhoInvalido);
}

TEST_F(DesktopDb, IdentityInsertIsSentOnlyForIdentityTablesAndLeavesNoQuery) {
    enviados.clear();
    EXPECT_TRUE(dao.HabilitarInsertIdentity(db, "Exame", true));
    EXPECT_TRUE(dao.HabilitarInsertIdentity(db, "Falta", true));
    EXPECT_TRUE(enviados.isEmpty());

    // A query left by an earlier run; the source cannot be reached, so the pass-through
    // fails, is captured, and still leaves no "InIden" behind.
    db.QueryDefs().Append(QueryDef{"InIden", "SET IDENTITY_INSERT Velha ON", "", false});
    EXPECT_FALSE(dao.HabilitarInsertIdentity(db, "dbo_Paciente", true));
    EXPECT_EQ(dao.ErrorNumber(), daoFalhaConexaoOdbc);
    EXPECT_EQ(dao.ErrorString(), "ODBC: falha na conexão.");
    EXPECT_EQ(enviados,
              QStringList{linkPaciente("x").Connect + "|SET IDENTITY_INSERT Paciente ON"});
    EXPECT_FALSE(dao.QueryExiste(db, "InIden"));

    // With the failure still held, the run is the same and again leaves nothing.
    enviados.clear();
    EXPECT_FALSE(dao.HabilitarInsertIdentity(db, "DBO_PACIENTE", false));
    EXPECT_EQ(enviados.value(0).section('|', 1), "SET IDENTITY_INSERT Paciente OFF");
    EXPECT_FALSE(dao.QueryExiste(db, "InIden"));
}

TEST_F(DesktopDb, DynasetReadsAndWritesItsTable) {
    DaoRecordset rs;
    ASSERT_TRUE(dao.AbrirRecordset(db, rs, "SELECT ID, Nome, Nascimento, Ativo FROM Paciente"));
    EXPECT_EQ(rs.Type(), dbOpenDynaset);
    EXPECT_TRUE(rs.Updatable());
    EXPECT_EQ(rs.RecordCount(), 3);
    EXPECT_EQ(rs.Value("nome").toString(), "Ana");
    EXPECT_EQ(rs.Value("Nascimento").toDateTime(), QDateTime(QDate(1970, 2, 3), QTime(0, 0)));
    EXPECT_EQ(rs.Value("Ativo"), QVariant(true));
    rs.MoveNext();
    EXPECT_TRUE(rs.Value(2).isNull());
    rs.MoveNext();
    EXPECT_EQ(rs.Value(2).toDateTime(), QDateTime(QDate(1990, 12, 31), QTime(0, 0)));

    // Edit a row whose date was stored without a time: still found by its values.
    rs.Edit();
    rs.setValue("Nome", "Caio Souza");
    rs.Update();
    DaoRecordset relido;
    ASSERT_TRUE(dao.AbrirRecordset(db, relido, "SELECT Nome FROM Paciente WHERE ID = 3"));
    EXPECT_EQ(relido.Value(0).toString(), "Caio Souza");

    rs.AddNew();
    rs.setValue("Nome", "Dora");
    rs.Update();
    EXPECT_EQ(rs.RecordCount(), 4);
    rs.MoveLast();
    EXPECT_EQ(rs.Value("ID").toInt(), 4);  // numbered by the table
    EXPECT_EQ(rs.Value("Nome").toString(), "Dora");

    // A row changed by someone else since it was read is not overwritten.
    qint32 afetados = 0;
    ASSERT_TRUE(dao.ExecutarSQL(db, "UPDATE Paciente SET Nome = 'Outra' WHERE ID = 4", afetados));
    rs.Edit();
    rs.setValue("Nome", "Minha");
    EXPECT_EQ(ErroDe([&] { rs.Update(); }).Number(), daoConflitoEscrita);
    rs.CancelUpdate();
    rs.MoveFirst();
    rs.Delete();
    EXPECT_EQ(rs.RecordCount(), 3);
    EXPECT_EQ(rs.Value("Nome").toString(), "Bruno");
    EXPECT_FALSE(dao.ExecutarSQL(db, "Falta", afetados));

    DaoRecordset consulta;
    ASSERT_TRUE(dao.AbrirRecordset(db, consulta, "Ativos"));
    EXPECT_EQ(consulta.RecordCount(), 1);
    EXPECT_THROW(consulta.setValue(0, "x"), ErroNumerado);
    DaoRecordset soma;
    ASSERT_TRUE(dao.AbrirRecordset(db, soma, "SELECT count(*) AS N FROM Paciente"));
    EXPECT_FALSE(soma.Updatable());
    EXPECT_THROW(soma.AddNew(), ErroNumerado);

    DaoRecordset vazio;
    ASSERT_TRUE(dao.AbrirRecordset(db, vazio, "SELECT * FROM Exame"));
    EXPECT_TRUE(vazio.Eof());
    EXPECT_TRUE(vazio.Bof());
    EXPECT_THROW(vazio.Value(0), ErroNumerado);
    EXPECT_FALSE(dao.AbrirRecordset(db, vazio, "SELECT * FROM Falta"));
    EXPECT_FALSE(vazio.IsOpen());

    db.Close();
    EXPECT_THROW(rs.RecordCount(), ErroNumerado);  // the set went with its database
}

}  // namespace
