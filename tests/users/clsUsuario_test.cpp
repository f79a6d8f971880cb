#include <gtest/gtest.h>

#include "support/RegistroProduto.h"
#include "support/SqlRecorder.h"
#include "users/clsUsuario.h"

namespace {

class clsUsuarioBanco : public ::testing::Test {
  protected:
    RegistroProduto reg;

    void SetUp() override {
        reg.exec(QString::fromUtf8(
            "INSERT INTO Exame_Tipo (Código_Tipo, Descrição) VALUES ('AP', 'A'), ('CT', 'C')"));
    }

    // The values typed for a new user; a pathologist when tied to one.
    static void preencher(clsUsuario& dados, const QString& nome, const QString& usuario,
                          const QString& senha, qint32 patologista = 0, bool ePatologista = false) {
        dados.Nome().setValor(nome);
        dados.Usuario().setValor(usuario);
        dados.Senha().setValor(senha);
        dados.setEPatologista(ePatologista || patologista != 0);
        dados.setID_Patologista(patologista);
    }

    qint32 adicionar(const QString& nome, const QString& usuario, const QString& senha,
                     bool ativo = true, qint32 patologista = 0) {
        clsUsuario dados(reg.cn, reg.ado);
        preencher(dados, nome, usuario, senha, patologista);
        dados.setAtivo(ativo);
        clsUsuario novo(reg.cn, reg.ado);
        EXPECT_TRUE(novo.Adicionar(dados)) << novo.Erro().ErrorString().toStdString();
        return novo.Id_Usuario();
    }
};

}  // namespace

TEST(clsUsuarioValidar, RequiredFieldsLimitsAndPathologist) {
    Connection cn;  // validation reads nothing: never opened
    clsADO ado;
    clsUsuario u(cn, ado);
    EXPECT_FALSE(u.Validar());
    EXPECT_EQ(u.Erro().ErrorString(), "O preenchimento do campo Nome é obrigatório.");
    EXPECT_EQ(u.Erro().ErrorCampo(), "Nome");
    EXPECT_EQ(u.Erro().ErrorFunction(), "Validar");
    u.Nome().setValor("ANA");
    EXPECT_FALSE(u.Validar());
    EXPECT_EQ(u.Erro().ErrorCampo(), QString::fromUtf8("Usuário"));
    u.Usuario().setValor("ana");
    u.Senha().setValor("123456789");
    EXPECT_FALSE(u.Validar());
    EXPECT_EQ(u.Erro().ErrorNumber(), -3);
    EXPECT_EQ(u.Erro().ErrorCampo(), "Senha");
    u.Senha().setValor("12345678");
    EXPECT_TRUE(u.Validar());

    u.setID_Patologista(5);
    u.setEPatologista(false);  // no pathologist: tied to none
    EXPECT_EQ(u.ID_Patologista(), 0);
    u.setEPatologista(true);
    EXPECT_FALSE(u.Validar());
    EXPECT_EQ(u.Erro().ErrorNumber(), -6);
    EXPECT_EQ(u.Erro().ErrorString(), QString::fromUtf8("Associe o responsável ao usuário."));
    EXPECT_EQ(u.Erro().ErrorCampo(), "");
}

TEST_F(clsUsuarioBanco, AdicionarWritesTheUserAndTheNineDefaultRows) {
    clsUsuario dados(reg.cn, reg.ado);
    dados.Nome().setValor("ANA D'AVILA");
    dados.Usuario().setValor("ana");
    dados.Senha().setValor("s3nh'a");
    dados.setAtivo(true);
    dados.setID_Patologista(9);  // ignored: not a pathologist
    clsUsuario u(reg.cn, reg.ado);
    SqlRecorder sql(reg.cn);
    ASSERT_TRUE(u.Adicionar(dados)) << u.Erro().ErrorString().toStdString();
    ASSERT_EQ(u.Id_Usuario(), 1);
    EXPECT_EQ(u.ID_Patologista(), 0);
    EXPECT_EQ(
        sql.log(),
        QStringList({
            QString::fromUtf8(
                "Query: SELECT Count(*) FROM USUÁRIO  WHERE Nome = 'ANA D' + CHAR(39) + 'AVILA'"),
            QString::fromUtf8(
                "Query: SELECT Count(*) FROM USUÁRIO  WHERE Senha = 's3nh' + CHAR(39) + 'a'  AND "
                "USUÁRIO = 'ana'"),
            "Begin",
            QString::fromUtf8(
                "Execute: Insert Into Usuário ( Nome, Usuário, Senha, ÉPatologista, "
                "ID_Patologista, "
                "Ativo) Values ('ANA D' + CHAR(39) + 'AVILA', 'ana', 's3nh' + CHAR(39) + "
                "'a', 0, 0, 1)"),
            "Query: Select @@Identity as ID",
            QString::fromUtf8(
                "Execute: INSERT INTO Padrão_Permissão (ID_Usuário, Usuário_Cadastrar, "
                "Patologista, "
                "Requisitante, Sistema, Tipo_Exame_Extra, Procedência, Convênio, Categoria, "
                "Internet, Atlas_Adicionar, Exame_Remover_Impresso, Laudo_Fotográfico, Captura, "
                "Padrão_Impressão_Campos, Assina_Laudo, Arquivar_Laudo, Tipo_Exame, "
                "Backup_Imagem, Backup_BD, Exame, Modelo) Values (1,1 ,1 ,1 ,1 ,1 ,1 ,1 ,1 ,1 ,1 "
                ",1 ,1 ,1 ,1 ,1 ,1, 1, 1, 1, 1, 1)"),
            QString::fromUtf8(
                "Execute: INSERT INTO Padrao_Exame_Tipo ( Tipo_Exame, ID_Usuario, Exibir_lista ) "
                "SELECT "
                "Exame_Tipo.Código_Tipo, Usuário.ID_Usuário, 1 AS Expr1 From Exame_Tipo, "
                "USUÁRIO WHERE (((Usuário.ID_Usuário)=1))"),
            QString::fromUtf8("Execute: INSERT INTO Padrão_Exame_Único (ID_Usuário) Values (1)"),
            "Execute: INSERT INTO Padrao_varios (ID_Usuario) Values (1)",
            "Execute: INSERT INTO Padrao_Audio (ID_Usuario, TempoMaximoAudio) Values (1, 5)",
            QString::fromUtf8(
                "Execute: INSERT INTO Padrão_Bethesda (ID_Usuário, AvHormonal0, AvHormonal1, "
                "AvHormonal2, "
                "ParagrafoEntreTitulos, TituloNegrito, TituloSublinhado, DoisPontosApos, "
                "FontName, FontSize) Values (1, '1111', '1212', '1212', '1', 0, 0, ':', 'Arial', "
                "'10' )"),
            "Execute: INSERT INTO Padrao_Bethesda2006 (ID_Usuario, ParagrafoEntreTitulos, "
            "TituloNegrito, "
            "TituloSublinhado, TituloItalico, DoisPontosApos, SubTituloNegrito, "
            "SubTituloSublinhado, SubTituloItalico, ConclusaoImprimir, ConformidadeImprimir ) "
            "Values (1, '1', 1, 1, 0, ':', 1, 1, 0, 1, 1)",
            QString::fromUtf8("Execute: INSERT INTO Padrão_Internet (ID_Usuário) Values (1)"),
            QString::fromUtf8("Execute: INSERT INTO Padrão_Impressão (ID_Usuário) Values (1)"),
            "Commit",
        }));
    EXPECT_EQ(reg.contar(QString::fromUtf8("Usuário WHERE Usuário = 'ana' AND Senha = 's3nh''a'")),
              1);
    EXPECT_EQ(reg.contar("Padrao_Exame_Tipo WHERE ID_Usuario = 1 AND Exibir_lista = 1"), 2);
}

TEST_F(clsUsuarioBanco, AdicionarRefusesTakenNamesLoginsAndPathologists) {
    adicionar("ANA", "ana", "1", true, 7);
    struct Caso {
        const char* nome;
        const char* usuario;
        const char* senha;
        qint32 patologista;
        qint32 codigo;
        const char* mensagem;
    };
    const Caso casos[] = {
        {"ANA", "outra", "2", 0, -9, "Nome já cadastrado."},
        {"BIA", "ana", "1", 0, -8, "Usuário e senha já cadastrado."},
        {"CIA", "cia", "3", 7, -7, "Responsável já está associado a outro usuário."},
    };
    for (const Caso& c : casos) {
        clsUsuario dados(reg.cn, reg.ado);
        preencher(dados, QString::fromUtf8(c.nome), QString::fromUtf8(c.usuario),
                  QString::fromUtf8(c.senha), c.patologista);
        clsUsuario u(reg.cn, reg.ado);
        SqlRecorder sql(reg.cn);
        EXPECT_FALSE(u.Adicionar(dados));
        EXPECT_EQ(u.Erro().ErrorNumber(), c.codigo);
        EXPECT_EQ(u.Erro().ErrorString(), QString::fromUtf8(c.mensagem));
        EXPECT_EQ(u.Erro().ErrorFunction(), "Adicionar");
        EXPECT_EQ(u.Erro().ErrorCampo(), c.codigo == -9 ? "Nome" : "");
        EXPECT_FALSE(sql.log().contains("Begin"));
    }
    // The same login with another password is another user.
    EXPECT_GT(adicionar("DORA", "ana", "9"), 0);
    EXPECT_EQ(reg.contar(QString::fromUtf8("Usuário")), 2);

    // A pathologist without a responsible person fails before any database access.
    clsUsuario dados(reg.cn, reg.ado);
    preencher(dados, "EVA", "eva", "1", 0, true);
    clsUsuario u(reg.cn, reg.ado);
    SqlRecorder sql(reg.cn);
    EXPECT_FALSE(u.Adicionar(dados));
    EXPECT_EQ(u.Erro().ErrorNumber(), -6);
    EXPECT_TRUE(sql.events().isEmpty());
}

TEST_F(clsUsuarioBanco, FailingDefaultRowRollsTheUserBack) {
    clsUsuario dados(reg.cn, reg.ado);
    preencher(dados, "ANA", "ana", "1");
    clsUsuario u(reg.cn, reg.ado);
    SqlRecorder sql(reg.cn);
    sql.failOnSql(QString::fromUtf8("INSERT INTO Padrão_Permissão"));
    EXPECT_FALSE(u.Adicionar(dados));
    EXPECT_EQ(u.Id_Usuario(), 0);
    EXPECT_EQ(u.Erro().ErrorFunction(), "Adicionar");
    EXPECT_EQ(u.Erro().ErrorNumber(), reg.ado.ErrorNumber());
    EXPECT_EQ(sql.log().last(), "Rollback");
    EXPECT_FALSE(sql.texts().join('\n').contains("Padrao_Exame_Tipo"));  // the rest not tried
    EXPECT_EQ(reg.contar(QString::fromUtf8("Usuário")), 0);
    EXPECT_EQ(reg.ado.ProfundidadeTransação(), 0);

    // The user insert itself failing: nothing after it is sent.
    sql.failOnSql(QString::fromUtf8("Insert Into Usuário"));
    sql.clear();
    EXPECT_FALSE(u.Adicionar(dados));
    EXPECT_FALSE(sql.texts().contains("Select @@Identity as ID"));
    EXPECT_EQ(sql.log().last(), "Rollback");
}

TEST_F(clsUsuarioBanco, LookupsLoadTheRowOrLeaveTheRecord) {
    const qint32 ana = adicionar("ANA", "o'hara", "pw", true, 4);
    const qint32 bia = adicionar("BIA", "bia", "pw2", false);
    reg.exec(QString::fromUtf8("UPDATE Usuário SET Master = 1 WHERE ID_Usuário = ") +
             QString::number(ana));

    clsUsuario u(reg.cn, reg.ado);
    SqlRecorder sql(reg.cn);
    EXPECT_FALSE(u.Localizar_por_Senha("errada", "o'hara"));
    EXPECT_EQ(u.Id_Usuario(), 0);
    ASSERT_TRUE(u.Localizar_por_Senha("pw", "o'hara"));
    EXPECT_EQ(sql.texts().last(),
              QString::fromUtf8("SELECT * FROM USUÁRIO WHERE Senha = 'pw' and USUÁRIO = 'o' + "
                                "CHAR(39) + 'hara'"));
    EXPECT_EQ(u.Id_Usuario(), ana);
    EXPECT_EQ(u.Usuario().Valor(), "o'hara");
    EXPECT_EQ(u.Senha().Valor(), "pw");
    EXPECT_TRUE(u.EPatologista());
    EXPECT_EQ(u.ID_Patologista(), 4);
    EXPECT_TRUE(u.Master());
    EXPECT_EQ(u.Nome().Valor(), "");  // the name is not loaded

    // Inactive users are found by password, not by status.
    clsUsuario b(reg.cn, reg.ado);
    EXPECT_TRUE(b.Localizar_por_Senha("pw2", "bia"));
    clsUsuario c(reg.cn, reg.ado);
    sql.clear();
    EXPECT_FALSE(c.Localizar_por_StatusUsuario("bia", "pw2"));
    EXPECT_EQ(sql.texts().last(),
              QString::fromUtf8("SELECT * FROM USUÁRIO WHERE Senha = 'pw2' and USUÁRIO = 'bia' "
                                "and Ativo = 1"));
    EXPECT_TRUE(c.Localizar_por_StatusUsuario("o'hara", "pw"));

    clsUsuario d(reg.cn, reg.ado);
    EXPECT_TRUE(d.Localizar_por_IdUsuario(bia));
    EXPECT_TRUE(d.Localizar_por_Usuario("BIA"));
    EXPECT_TRUE(d.Existir_por_IdUsuario(bia));
    EXPECT_FALSE(d.Existir_por_IdUsuario(99));
    EXPECT_TRUE(d.Existir_por_Usuario("o'hara"));
    EXPECT_TRUE(d.Existir_por_IDPatologista(4));
    EXPECT_TRUE(d.Existir_por_Nome("BIA"));
    EXPECT_EQ(d.Usuario().Valor(), "bia");  // a query's argument leaves the field alone

    // The first user holding a type 1 profile.
    EXPECT_FALSE(d.Localizar_Administrador());
    reg.exec("INSERT INTO Perfil (Perfil, ID_Clinica, ID_Perfil_Tipo) VALUES ('ADM', 1, 1)");
    reg.exec("INSERT INTO Usuario_Perfil (ID_Usuario, ID_Perfil) VALUES (" + QString::number(bia) +
             ", 1)");
    sql.clear();
    ASSERT_TRUE(d.Localizar_Administrador());
    EXPECT_EQ(d.Id_Usuario(), bia);
    EXPECT_EQ(
        sql.log(),
        QStringList({QString::fromUtf8(
            "Query: SELECT Top 1 Usuário.*  FROM Perfil  INNER JOIN Usuario_Perfil ON "
            "Perfil.Id_Perfil = Usuario_Perfil.ID_Perfil  INNER JOIN Usuário ON "
            "Usuario_Perfil.ID_Usuario = Usuário.ID_Usuário  WHERE Perfil.ID_Perfil_Tipo = 1")}));

    reg.exec(QString::fromUtf8("DROP TABLE Usuário"));
    EXPECT_FALSE(d.Existir_por_IDPatologista(4));
    EXPECT_EQ(d.Erro().ErrorFunction(), "Existir_por_IdPatologista");
    EXPECT_EQ(d.Erro().ErrorNumber(), reg.ado.ErrorNumber());
}

TEST_F(clsUsuarioBanco, AtualizarAndRemover) {
    const qint32 ana = adicionar("ANA", "ana", "pw", true, 4);
    adicionar("BIA", "bia", "pw2", true, 5);

    clsUsuario novo(reg.cn, reg.ado);
    EXPECT_FALSE(novo.Atualizar());
    EXPECT_EQ(novo.Erro().ErrorNumber(), -2);
    EXPECT_EQ(novo.Erro().ErrorString(), QString::fromUtf8("Selecione um usuário."));
    EXPECT_FALSE(novo.Remover());
    EXPECT_EQ(novo.Erro().ErrorFunction(), "Remover");

    clsUsuario u(reg.cn, reg.ado);
    ASSERT_TRUE(u.Localizar_por_IdUsuario(ana));
    u.Nome().setValor("ANA");
    u.setAtivo(true);
    SqlRecorder sql(reg.cn);
    ASSERT_TRUE(u.Atualizar()) << u.Erro().ErrorString().toStdString();  // own values are no clash
    const QString k = QString::number(ana);
    EXPECT_EQ(
        sql.log(),
        QStringList({
            QString::fromUtf8(
                "Query: Select count(*) FROM Usuário Where Nome = 'ANA' And ID_Usuário <> ") +
                k,
            QString::fromUtf8(
                "Query: Select count(*) FROM Usuário Where Usuário = 'ana' And Senha = 'pw' "
                "And ID_Usuário <> ") +
                k,
            QString::fromUtf8(
                "Query: Select count(*) FROM Usuário Where ID_Patologista = 4 And ID_Usuário <> ") +
                k,
            "Begin",
            QString::fromUtf8(
                "Execute: Update Usuário  Set  Nome = 'ANA',  Usuário = 'ana',  Senha = 'pw',  "
                "ÉPatologista = 1,  ID_Patologista = 4,  Ativo = 1 Where Id_Usuário = ") +
                k,
            "Commit",
        }));

    u.Nome().setValor("BIA");
    EXPECT_FALSE(u.Atualizar());
    EXPECT_EQ(u.Erro().ErrorNumber(), -9);
    u.Nome().setValor("ANA");
    u.setID_Patologista(5);
    EXPECT_FALSE(u.Atualizar());
    EXPECT_EQ(u.Erro().ErrorNumber(), -7);
    EXPECT_EQ(u.Erro().ErrorFunction(), "Atualizar");
    u.setEPatologista(false);
    u.Usuario().setValor("bia");
    u.Senha().setValor("pw2");
    EXPECT_FALSE(u.Atualizar());
    EXPECT_EQ(u.Erro().ErrorNumber(), -8);

    u.setAtivo(false);
    sql.clear();
    ASSERT_TRUE(u.Remover());
    EXPECT_EQ(
        sql.texts(),
        QStringList({QString::fromUtf8("UPDATE Usuário SET Ativo = 0 Where Id_Usuário = ") + k}));
    EXPECT_EQ(reg.contar(QString::fromUtf8("Usuário WHERE Ativo = 0")), 1);
    EXPECT_EQ(reg.contar(QString::fromUtf8("Usuário WHERE Nome = 'ANA' AND Usuário = 'ana'")), 1);
}
