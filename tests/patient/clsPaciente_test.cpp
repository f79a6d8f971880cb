#include <gtest/gtest.h>

#include "patient/clsPaciente.h"
#include "support/RegistroProduto.h"
#include "support/SqlRecorder.h"

namespace {

class clsPacienteBanco : public ::testing::Test {
  protected:
    RegistroProduto reg;

    // A patient typed in by the reception desk.
    void preencher(clsPaciente& p, const QString& nomeCompleto = "MARIA DA SILVA") {
        p.NomeSeparar(nomeCompleto);
        p.Sexo().setValor("F");
        p.RG().setValor("12.345.678-9");
        p.CIC().setValor("123.456.789-09");
        p.Cidade().setValor(QString::fromUtf8("SÃO PAULO"));
        p.Estado().setValor("SP");
        p.Data_Nascimento().setValor("21/06/1970");
    }

    qint32 adicionar(const QString& nomeCompleto, const QString& rg, const QString& cic,
                     const QString& externo = QString()) {
        clsPaciente dados(reg.cn, reg.ado);
        preencher(dados, nomeCompleto);
        dados.RG().setValor(rg);
        dados.CIC().setValor(cic);
        dados.ID_Paciente_Externo().setValor(externo);
        clsPaciente novo(reg.cn, reg.ado);
        EXPECT_TRUE(novo.Adicionar(dados)) << novo.Erro().ErrorString().toStdString();
        return novo.ID_Paciente();
    }

    // One exam row of the patient in Exame and its copy in Exame_BK.
    void exame(qint32 idPaciente, const QString& numero) {
        reg.exec(QString::fromUtf8("INSERT INTO Exame (Número_Exame, ID_Paciente, Paciente) "
                                   "VALUES ('%1', %2, 'ANTIGO')")
                     .arg(numero)
                     .arg(idPaciente));
        reg.exec(QString::fromUtf8("INSERT INTO Exame_BK (ID_Exame, Número_Exame, ID_Paciente, "
                                   "Paciente) SELECT ID_Exame, Número_Exame, ID_Paciente, "
                                   "Paciente FROM Exame WHERE Número_Exame = '%1'")
                     .arg(numero));
    }
};

}  // namespace

TEST_F(clsPacienteBanco, AdicionarSendsTheInsertAndReadsTheNewKey) {
    clsPaciente dados(reg.cn, reg.ado);
    preencher(dados, "ANA D'AVILA");
    dados.Data_Nascimento().setValor("");
    dados.Convênio().setValor("SUS");
    dados.Profissão().setValor("PROFESSORA");
    dados.Email().setValor("a\"b@x.com");
    clsPaciente p(reg.cn, reg.ado);
    SqlRecorder sql(reg.cn);
    ASSERT_TRUE(p.Adicionar(dados, 7)) << p.Erro().ErrorString().toStdString();

    EXPECT_EQ(
        sql.log(),
        QStringList({
            "Query: Select count(*) From Paciente Where RG = '12.345.678-9'",
            "Query: Select count(*) From Paciente Where CIC = '123.456.789-09'",
            "Begin",
            QString::fromUtf8(
                "Execute: Insert Into Paciente (Nome , Nome_Soundex, Nome_Meio, Nome_Meio_Soundex, "
                "Nome_Último, Nome_Último_Soundex, RG, CIC, Endereço, CEP, Bairro, Cidade, "
                "Estado, Email, Telefone, Sexo, Raça, Convênio, Data_Nascimento, Profissão, "
                "Número_Convênio, Peso, Altura, Prontuário, ID_Paciente_Externo) Values "
                "('ANA',  Soundex('ANA'), '',  Soundex(''), 'D' + CHAR(39) + 'AVILA',  "
                "Soundex('D' + CHAR(39) + 'AVILA'), '12.345.678-9', '123.456.789-09', '', "
                "'', '', 'SÃO PAULO', 'SP', 'a' + CHAR(34) + 'b@x.com', '', 'F', '', "
                "'SUS',  NULL,  'PROFESSORA', '', '', '', '', '' )"),
            "Query: Select @@Identity as ID",
            "Commit",
        }));
    EXPECT_EQ(p.ID_Paciente(), 1);
    EXPECT_EQ(p.Nome_Último().Valor(), "D'AVILA");

    clsPaciente lido(reg.cn, reg.ado);
    ASSERT_TRUE(lido.Localizar(1));
    EXPECT_EQ(lido.Nome_Último().Valor(), "D'AVILA");
    EXPECT_EQ(lido.Email().Valor(), "a\"b@x.com");
    EXPECT_EQ(lido.Cidade().Valor(), QString::fromUtf8("SÃO PAULO"));
    EXPECT_EQ(lido.Data_Nascimento().Valor(), "");
    // Computed by the database, which stops at the first character that is not a letter.
    EXPECT_EQ(lido.Nome_Último_Soundex().Valor(), "D000");
    EXPECT_EQ(lido.Nome_Soudex().Valor(), "A500");
}

TEST_F(clsPacienteBanco, BirthDateIsWrittenAsDateTimeAndReadAsShortDate) {
    const qint32 id = adicionar("JOSE SILVA", "1", "2");
    clsPaciente p(reg.cn, reg.ado);
    SqlRecorder sql(reg.cn);
    ASSERT_TRUE(p.Localizar(id));
    EXPECT_EQ(sql.log(), QStringList({"Query: Select * From Paciente Where ID_paciente = " +
                                      QString::number(id)}));
    EXPECT_EQ(p.Data_Nascimento().Valor(), "21/06/1970");
    EXPECT_EQ(reg.contar("Paciente WHERE Data_Nascimento = '1970-06-21 00:00:00'"), 1);
}

TEST_F(clsPacienteBanco, DuplicateDocumentsAreRefusedAndNothingIsWritten) {
    adicionar("JOSE SILVA", "123", "999", "EXT1");
    struct Caso {
        const char* rg;
        const char* cic;
        const char* externo;
        qint32 codigo;
        const char* mensagem;
        const char* campo;
    };
    const Caso casos[] = {
        {"123", "1", "", -1, "RG '123', já cadastrado.", "RG"},
        {"", "999", "", -2, "CIC '999', já cadastrado.", "CIC"},
        {"5", "6", "EXT1", -7, "Paciente Externo 'EXT1', já cadastrado.", "ID_PACIENTE_EXTERNO"},
    };
    for (const Caso& c : casos) {
        clsPaciente dados(reg.cn, reg.ado);
        preencher(dados, "JOAO SOUZA");
        dados.RG().setValor(QString::fromUtf8(c.rg));
        dados.CIC().setValor(QString::fromUtf8(c.cic));
        dados.ID_Paciente_Externo().setValor(QString::fromUtf8(c.externo));
        clsPaciente p(reg.cn, reg.ado);
        SqlRecorder sql(reg.cn);
        EXPECT_FALSE(p.Adicionar(dados));
        EXPECT_EQ(p.Erro().ErrorNumber(), c.codigo);
        EXPECT_EQ(p.Erro().ErrorString(), QString::fromUtf8(c.mensagem));
        EXPECT_EQ(p.Erro().ErrorFunction(), "Validar");
        EXPECT_EQ(p.Erro().ErrorCampo(), QString::fromUtf8(c.campo));
        for (const QString& t : sql.texts())
            EXPECT_TRUE(t.startsWith("Select count(*)")) << t.toStdString();
    }
    EXPECT_EQ(reg.contar("Paciente"), 1);
    // Empty documents are not checked at all.
    clsPaciente dados(reg.cn, reg.ado);
    preencher(dados, "JOAO SOUZA");
    dados.RG().setValor("");
    dados.CIC().setValor("");
    clsPaciente p(reg.cn, reg.ado);
    SqlRecorder sql(reg.cn);
    EXPECT_TRUE(p.Adicionar(dados));
    EXPECT_FALSE(sql.texts().join('\n').contains("count(*)"));
}

TEST_F(clsPacienteBanco, ValuesBuiltToChangeTheStatementStayValues) {
    const QString hostil = "x' OR '1'='1";
    adicionar("ANA LIMA", "111", "222");
    clsPaciente p(reg.cn, reg.ado);
    SqlRecorder sql(reg.cn);
    EXPECT_FALSE(p.Existir_por_RG(hostil));
    EXPECT_FALSE(p.Localizar_por_CIC("'; DELETE FROM Paciente; --"));
    EXPECT_EQ(sql.texts().at(0),
              "Select count(*) From Paciente Where RG = 'x' + CHAR(39) + ' OR ' + CHAR(39) + "
              "'1' + CHAR(39) + '=' + CHAR(39) + '1'");
    EXPECT_EQ(reg.contar("Paciente"), 1);

    // Stored as typed: quotes, accents, blanks, control characters.
    const QString estranho = QString::fromUtf8(" a\"b'c\tÇ\x01 ");
    const qint32 id = adicionar("ZECA X", estranho, hostil);
    clsPaciente lido(reg.cn, reg.ado);
    ASSERT_TRUE(lido.Localizar_por_RG(estranho));
    EXPECT_EQ(lido.ID_Paciente(), id);
    EXPECT_EQ(lido.RG().Valor(), estranho);
    EXPECT_EQ(lido.CIC().Valor(), hostil);
    EXPECT_TRUE(lido.Existir_por_CIC(hostil));
}

TEST_F(clsPacienteBanco, LookupsByDocumentAndExistence) {
    const qint32 id = adicionar("JOSE DA SILVA", "RG1", "CIC1", "EXT9");
    clsPaciente p(reg.cn, reg.ado);
    SqlRecorder sql(reg.cn);
    EXPECT_TRUE(p.Existir(id));
    EXPECT_FALSE(p.Existir(id + 1));
    EXPECT_TRUE(p.Existir_por_RG("RG1"));
    EXPECT_TRUE(p.Existir_por_CIC("cic1"));  // the collation ignores case
    EXPECT_TRUE(p.Existir_por_ID_Paciente_Externo("EXT9"));
    EXPECT_TRUE(p.Existir_por_Nome_Completo("JOSE", "DA", "SILVA"));
    EXPECT_FALSE(p.Existir_por_Nome_Completo("JOSE", "", "SILVA"));
    ASSERT_TRUE(p.Localizar_por_ID_Paciente_Externo("EXT9"));
    EXPECT_EQ(p.ID_Paciente(), id);
    EXPECT_EQ(
        sql.log(),
        QStringList({
            "Query: Select count(*) From Paciente Where ID_paciente = " + QString::number(id),
            "Query: Select count(*) From Paciente Where ID_paciente = " + QString::number(id + 1),
            "Query: Select count(*) From Paciente Where RG = 'RG1'",
            "Query: Select count(*) From Paciente Where CIC = 'cic1'",
            "Query: Select count(*) From Paciente Where ID_PAciente_Externo = 'EXT9'",
            QString::fromUtf8("Query: Select count(*) From Paciente  Where Nome = 'JOSE' AND "
                              "Nome_Meio = 'DA' AND Nome_Último = 'SILVA'"),
            QString::fromUtf8("Query: Select count(*) From Paciente  Where Nome = 'JOSE' AND "
                              "Nome_Meio = '' AND Nome_Último = 'SILVA'"),
            "Query: Select * From Paciente Where ID_Paciente_Externo = 'EXT9'",
        }));

    // An empty middle name matches '' only, never NULL.
    reg.exec("INSERT INTO Paciente (Nome, Nome_Meio, Nome_Último) VALUES ('RUI', NULL, 'REIS')");
    EXPECT_FALSE(p.Existir_por_Nome_Completo("RUI", "", "REIS"));
    reg.exec("INSERT INTO Paciente (Nome, Nome_Meio, Nome_Último) VALUES ('RUI', '', 'REIS')");
    EXPECT_TRUE(p.Existir_por_Nome_Completo("RUI", "", "REIS"));

    // NULL columns read as empty texts.
    ASSERT_TRUE(p.Localizar_por_RG("RG1"));
    reg.exec("UPDATE Paciente SET Bairro = NULL");
    ASSERT_TRUE(p.Localizar(id));
    EXPECT_EQ(p.Bairro().Valor(), "");
    EXPECT_EQ(p.Nome_Meio().Valor(), "DA");
}

TEST_F(clsPacienteBanco, LocalizarMissesKeepErroAndFailuresFillIt) {
    clsPaciente p(reg.cn, reg.ado);
    p.Erro().AtualizarErro(-99, "antes", "x");
    EXPECT_FALSE(p.Localizar(42));
    EXPECT_FALSE(p.Localizar_por_RG("nada"));
    EXPECT_EQ(p.Erro().ErrorNumber(), -99);
    EXPECT_EQ(p.ID_Paciente(), 0);

    reg.exec("DROP TABLE Paciente");
    EXPECT_FALSE(p.Localizar(1));
    EXPECT_NE(p.Erro().ErrorNumber(), 0);
    EXPECT_EQ(p.Erro().ErrorNumber(), reg.ado.ErrorNumber());
    EXPECT_EQ(p.Erro().ErrorString(), reg.ado.ErrorString());
    EXPECT_EQ(p.Erro().ErrorFunction(), "Localizar");
    EXPECT_EQ(p.Erro().ErrorCampo(), "");
    EXPECT_FALSE(p.Existir_por_CIC("1"));
    EXPECT_EQ(p.Erro().ErrorFunction(), "Existir_por_CIC");
}

TEST_F(clsPacienteBanco, AtualizarWritesThePatientAndItsExamRows) {
    const qint32 id = adicionar("JOSE DA SILVA", "RG1", "CIC1");
    const qint32 outro = adicionar("PEDRO REIS", "RG2", "CIC2");
    exame(id, "AP07-1");
    exame(outro, "AP07-2");

    clsPaciente p(reg.cn, reg.ado);
    ASSERT_TRUE(p.Localizar(id));
    p.Nome_Meio().setValor("");
    p.Nome_Último().setValor("D'AVILA");
    p.Email().setValor("jose@x.com");
    p.Data_Nascimento().setValor("");
    p.Sexo().setValor("m");
    SqlRecorder sql(reg.cn);
    ASSERT_TRUE(p.Atualizar(3)) << p.Erro().ErrorString().toStdString();
    const QString k = QString::number(id);
    EXPECT_EQ(
        sql.log(),
        QStringList({
            "Query: Select Count(*) From Paciente  Where ID_Paciente <> " + k + " AND RG = 'RG1'",
            "Query: Select Count(*) From Paciente  Where ID_Paciente <> " + k + " AND CIC = 'CIC1'",
            "Begin",
            QString::fromUtf8(
                "Execute: Update Paciente  Set Nome = 'JOSE',  Nome_Soundex = Soundex('JOSE'),  "
                "Nome_Meio = '',  Nome_Meio_Soundex = Soundex(''),  Nome_Último = 'D' + CHAR(39) "
                "+ 'AVILA',  Nome_Último_Soundex =  Soundex('D' + CHAR(39) + 'AVILA'),  RG = "
                "'RG1',  CIC = 'CIC1',  Endereço = '',  CEP = '',  Bairro = '',  Cidade = 'SÃO "
                "PAULO',  Estado = 'SP',  Email = 'jose@x.com',  Telefone = '',  Sexo = 'M',  "
                "Raça = '',  Convênio = '',  Data_Nascimento = Null,  Profissão = '',  "
                "Número_Convênio = '',  Peso = '',  Altura = '',  Prontuário = '',  "
                "ID_Paciente_Externo = ''  Where ID_Paciente = ") +
                k,
            QString::fromUtf8(
                "Execute: Update Exame Set Paciente = 'JOSE D' + CHAR(39) + 'AVILA',  RG = 'RG1',  "
                "CIC = "
                "'CIC1',  Endereço = '',  CEP = '',  Bairro = '',  Cidade = 'SÃO PAULO',  Estado "
                "= 'SP',  Paciente_Email = 'jose@x.com',  Telefone = '',  Sexo = 'M',  Raça = '',  "
                "Data_Nascimento = Null,  Profissão = '',  Prontuário = ''  Where ID_Paciente = ") +
                k,
            QString::fromUtf8(
                "Execute: Update Exame_BK Set Paciente = 'JOSE D' + CHAR(39) + 'AVILA',  RG = "
                "'RG1',  CIC "
                "= 'CIC1',  Endereço = '',  CEP = '',  Bairro = '',  Cidade = 'SÃO PAULO',  "
                "Estado = 'SP',  Paciente_Email = 'jose@x.com',  Telefone = '',  Sexo = 'M',  "
                "Raça = '',  Data_Nascimento = Null,  Profissão = '',  Prontuário = ''  Where "
                "ID_Paciente = ") +
                k,
            "Commit",
        }));
    EXPECT_EQ(reg.scalar("SELECT Paciente FROM Exame WHERE ID_Paciente = " + k).toString(),
              "JOSE D'AVILA");
    EXPECT_EQ(reg.scalar("SELECT Paciente FROM Exame_BK WHERE ID_Paciente = " + k).toString(),
              "JOSE D'AVILA");
    EXPECT_EQ(reg.scalar("SELECT Paciente FROM Exame WHERE ID_Paciente = " + QString::number(outro))
                  .toString(),
              "ANTIGO");
    EXPECT_EQ(
        reg.scalar("SELECT Nome_Último_Soundex FROM Paciente WHERE ID_Paciente = " + k).toString(),
        "D000");
    EXPECT_TRUE(
        reg.scalar("SELECT Data_Nascimento FROM Paciente WHERE ID_Paciente = " + k).isNull());

    // The birth date goes to the exam rows as well; the middle part gets its blank.
    p.Nome_Meio().setValor("DA");
    p.Data_Nascimento().setValor("21/06/2007");
    sql.clear();
    ASSERT_TRUE(p.Atualizar());
    EXPECT_TRUE(sql.log().at(3).contains("Data_Nascimento = '2007-06-21 00:00:00', "));
    EXPECT_TRUE(sql.log().at(4).contains("Set Paciente = 'JOSE DA D' + CHAR(39) + 'AVILA', "));
    EXPECT_EQ(reg.contar("Exame WHERE Data_Nascimento = '2007-06-21 00:00:00'"), 1);
}

TEST_F(clsPacienteBanco, AtualizarRefusesNewRecordsAndOtherRowsDocuments) {
    const qint32 id = adicionar("JOSE SILVA", "123", "C1", "E1");
    adicionar("ANA LIMA", "456", "C2", "E2");
    clsPaciente novo(reg.cn, reg.ado);
    preencher(novo);
    SqlRecorder sql(reg.cn);
    EXPECT_FALSE(novo.Atualizar());
    EXPECT_EQ(novo.Erro().ErrorNumber(), -4);
    EXPECT_EQ(novo.Erro().ErrorString(), "Selecione o paciente.");
    EXPECT_EQ(novo.Erro().ErrorFunction(), "Ataulizar");
    EXPECT_TRUE(sql.events().isEmpty());

    clsPaciente p(reg.cn, reg.ado);
    ASSERT_TRUE(p.Localizar(id));
    EXPECT_TRUE(p.Atualizar());  // its own RG, CIC and external ID do not count
    p.RG().setValor("456");
    EXPECT_FALSE(p.Atualizar());
    EXPECT_EQ(p.Erro().ErrorNumber(), -1);
    EXPECT_EQ(p.Erro().ErrorString(), "RG '456', já cadastrado.");
    EXPECT_EQ(p.Erro().ErrorFunction(), "Atualizar");
    p.RG().setValor("123");
    p.ID_Paciente_Externo().setValor("E2");
    EXPECT_FALSE(p.Atualizar());
    EXPECT_EQ(p.Erro().ErrorNumber(), -7);
    EXPECT_EQ(p.Erro().ErrorCampo(), "ID_PACIENTE_EXTERNO");
    EXPECT_EQ(reg.contar("Paciente WHERE RG = '456'"), 1);
    EXPECT_EQ(reg.contar("Paciente WHERE ID_Paciente_Externo = 'E2'"), 1);
}

TEST_F(clsPacienteBanco, FailingExamUpdateRollsBackThePatientUpdate) {
    const qint32 id = adicionar("JOSE SILVA", "123", "C1");
    exame(id, "AP07-1");
    clsPaciente p(reg.cn, reg.ado);
    ASSERT_TRUE(p.Localizar(id));
    p.Nome().setValor("JOAO");
    SqlRecorder sql(reg.cn);
    sql.failOnSql("Update Exame_BK");
    EXPECT_FALSE(p.Atualizar());
    EXPECT_EQ(p.Erro().ErrorNumber(), reg.ado.ErrorNumber());
    EXPECT_EQ(p.Erro().ErrorFunction(), "");
    EXPECT_EQ(sql.log().last(), "Rollback");
    EXPECT_EQ(reg.ado.ProfundidadeTransação(), 0);
    // Neither the patient nor the exam row that was already updated changed.
    EXPECT_EQ(reg.scalar("SELECT Nome FROM Paciente WHERE ID_Paciente = " + QString::number(id))
                  .toString(),
              "JOSE");
    EXPECT_EQ(reg.contar("Exame WHERE Paciente = 'ANTIGO'"), 1);

    // A failure on Exame skips Exame_BK.
    sql.failOnSql("Update Exame ");
    sql.clear();
    EXPECT_FALSE(p.Atualizar());
    EXPECT_FALSE(sql.texts().join('\n').contains("Exame_BK"));
    EXPECT_EQ(sql.log().last(), "Rollback");
}

TEST_F(clsPacienteBanco, InnerTransactionLeavesTheDecisionToTheCaller) {
    const qint32 id = adicionar("JOSE SILVA", "123", "C1");
    clsPaciente p(reg.cn, reg.ado);
    ASSERT_TRUE(p.Localizar(id));
    p.Nome().setValor("JOAO");
    reg.ado.TransaçãoIniciar(reg.cn);
    SqlRecorder sql(reg.cn);
    ASSERT_TRUE(p.Atualizar());
    EXPECT_FALSE(sql.log().contains("Commit"));
    reg.ado.TransaçãoCancelar(reg.cn);
    EXPECT_EQ(reg.scalar("SELECT Nome FROM Paciente").toString(), "JOSE");
}
