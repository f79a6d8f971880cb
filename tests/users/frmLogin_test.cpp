#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QStandardPaths>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>

#include "Esquema.h"
#include "guisupport/JanelaTeste.h"
#include "settings/Configuracao.h"
#include "support/SqlRecorder.h"
#include "support/TempRegister.h"
#include "ui/BotaoFigura.h"
#include "ui/DE.h"
#include "ui/MostrarModal.h"
#include "users/frmLogin.h"

namespace {

const QString kIncorretos = "Usuário ou senha incorretos, tente outra vez.";
const QString kSemPerfil =
    "Somente usuários com perfil de administrador podem acessar este programa.";

// A register with the product's user tables and four users:
//   ADMIN / segredo  - administrator (profile type 1)
//   CLINICA / abc    - clinic administrator and administrator (types 2 and 1)
//   MEDICO / x       - a physician only (type 3)
//   D'ÁVILA / o'k    - administrator, with apostrophes in both texts
class frmLoginTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // ctest runs every test of this program as a process of its own, side by side: each
        // process gets a settings folder of its own (before its first settings access).
        static QTemporaryDir configuracao;
        qputenv("XDG_CONFIG_HOME", configuracao.path().toUtf8());
        ASSERT_TRUE(ADO().AbrirConexão(cn(), reg.connectionString()));
        QString erro;
        ASSERT_TRUE(registro::CriarEsquema(cn(), ADO(), erro)) << erro.toStdString();
        executar(
            "INSERT INTO Perfil (Perfil, ID_Clinica, ID_Perfil_Tipo) VALUES ('Adm', 1, 1), "
            "('Cli', 1, 2), ('Med', 1, 3)");
        idAdmin = usuario("ADMIN", "segredo", {1});
        idClinica = usuario("CLINICA", "abc", {2, 1});
        idMedico = usuario("MEDICO", "x", {3});
        idAvila = usuario("D''ÁVILA", "o''k", {1});
        esquecerUsuario();
        ID_UsuarioLogado = 0;
    }
    void TearDown() override { ADO().FecharConexão(cn()); }

    // Nothing remembered: the program's one store, in this test process's own folder.
    static void esquecerUsuario() {
        const QString app = kAplicacaoCadunir;
        QFile::remove(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                      "/" + app + "/" + app + ".ini");
    }
    static QString lembrado() { return GetSetting(kAplicacaoCadunir, "Senha", "Usuário", ""); }
    static Connection& cn() { return DE().Conexao; }
    void executar(const QString& sql) {
        ASSERT_TRUE(ADO().ExecutarSQL(cn(), sql)) << sql.toStdString();
    }
    qint32 usuario(const QString& login, const QString& senha, std::initializer_list<int> perfis) {
        executar("INSERT INTO Usuário (Nome, Usuário, Senha) VALUES ('" + login + "', '" + login +
                 "', '" + senha + "')");
        Recordset rs;
        EXPECT_TRUE(ADO().AbrirRecordset(cn(), rs, "SELECT MAX(ID_Usuário) FROM Usuário"));
        const qint32 id = rs.Fields(0).Value().toInt();
        for (int perfil : perfis) {
            executar(QString("INSERT INTO Usuario_Perfil (ID_Usuario, ID_Perfil) VALUES (%1, %2)")
                         .arg(id)
                         .arg(perfil));
        }
        return id;
    }

    // Shows a fresh dialog through the program's modal show, typing the given name (replacing
    // whatever is remembered) and password and pressing Enter in the password box.
    bool entrar(frmLogin& dialogo, const QString& login, const QString& senha) {
        RoteiroModal roteiro;
        roteiro.Entao([&](QDialog&) {
            dialogo.txtUsuário->clear();
            Digitar(dialogo.txtUsuário, login);
            Digitar(dialogo.txtPassword, senha);
            Tecla(dialogo.txtPassword, Qt::Key_Return);
        });
        MostrarModal(dialogo);
        return dialogo.LoginConfirmado;
    }

    TempRegister reg;
    CapturaMensagens mensagens;
    qint32 idAdmin = 0, idClinica = 0, idMedico = 0, idAvila = 0;
};

}  // namespace

TEST_F(frmLoginTest, EnterKeysMoveBetweenBoxesWithoutChecking) {
    frmLogin dialogo;
    RoteiroModal roteiro;
    roteiro.Entao([&](QDialog& d) {
        dialogo.txtUsuário->clear();
        dialogo.txtUsuário->setFocus();
        Tecla(dialogo.txtUsuário, Qt::Key_Return);
        EXPECT_EQ(d.focusWidget(), dialogo.txtPassword);
        Digitar(dialogo.txtPassword, "segredo");
        Tecla(dialogo.txtPassword, Qt::Key_Enter);  // no user name: back to it, no check
        EXPECT_EQ(d.focusWidget(), dialogo.txtUsuário);
        EXPECT_TRUE(d.isVisible());
        Digitar(dialogo.txtUsuário, "ADMIN");
        Tecla(dialogo.txtUsuário, Qt::Key_Return);
        Tecla(dialogo.txtPassword, Qt::Key_Return);  // now the OK command
    });
    EXPECT_EQ(MostrarModal(dialogo), QDialog::Accepted);
    EXPECT_TRUE(mensagens.Textos().isEmpty());
    EXPECT_TRUE(dialogo.LoginConfirmado);
    EXPECT_EQ(ID_UsuarioLogado, idAdmin);
}

TEST_F(frmLoginTest, WrongPasswordsKeepTheDialogOpenUntilTheRightOne) {
    frmLogin dialogo;
    RoteiroModal roteiro;
    roteiro.Entao([&](QDialog& d) {
        dialogo.txtUsuário->setText("ADMIN");
        for (const char* errada : {"errada", "segred", " segredo"}) {
            dialogo.txtPassword->clear();
            Digitar(dialogo.txtPassword, errada);
            Clicar(Achar<BotaoFigura>(d, "cmdOK"));
            EXPECT_TRUE(d.isVisible());
            EXPECT_EQ(d.focusWidget(), dialogo.txtPassword);
            EXPECT_EQ(dialogo.txtPassword->selectedText(), dialogo.txtPassword->text());
        }
        Digitar(dialogo.txtPassword, "segredo");  // replaces the selected text
        EXPECT_EQ(dialogo.txtPassword->text(), "segredo");
        Clicar(Achar<BotaoFigura>(d, "cmdOK"));
    });
    EXPECT_EQ(MostrarModal(dialogo), QDialog::Accepted);
    EXPECT_EQ(mensagens.Textos(), QStringList(3, kIncorretos));
    EXPECT_TRUE(dialogo.LoginConfirmado);
    EXPECT_EQ(ID_UsuarioLogado, idAdmin);
}

TEST_F(frmLoginTest, OnlyAdministratorProfilesGetIn) {
    frmLogin dialogo;
    EXPECT_FALSE(entrar(dialogo, "MEDICO", "x"));
    EXPECT_EQ(mensagens.Textos(), QStringList{kSemPerfil});
    EXPECT_EQ(ID_UsuarioLogado, idMedico);  // set before the profile check refuses
    EXPECT_EQ(lembrado(), "");

    mensagens.Limpar();
    frmLogin outro;
    EXPECT_TRUE(entrar(outro, "CLINICA", "abc"));
    EXPECT_EQ(ID_UsuarioLogado, idClinica);
    EXPECT_TRUE(mensagens.Textos().isEmpty());

    // Apostrophes are part of the texts, not of the SQL.
    frmLogin terceiro;
    EXPECT_TRUE(entrar(terceiro, "D'ÁVILA", "o'k"));
    EXPECT_EQ(ID_UsuarioLogado, idAvila);
}

TEST_F(frmLoginTest, DatabaseWithoutProfilesAdmitsAnyMatchingUser) {
    executar("DROP TABLE Usuario_Perfil");
    frmLogin dialogo;
    EXPECT_TRUE(entrar(dialogo, "MEDICO", "x"));
    EXPECT_EQ(ID_UsuarioLogado, idMedico);
    frmLogin errado;
    EXPECT_FALSE(entrar(errado, "MEDICO", "y"));
    EXPECT_EQ(mensagens.Textos(), QStringList{kIncorretos});
}

TEST_F(frmLoginTest, FailingProfileQueryShowsTheDatabaseError) {
    SqlRecorder rec(cn());
    rec.failOnSql("Perfil.ID_Perfil_Tipo = 1 or", -2147217865);
    frmLogin dialogo;
    EXPECT_FALSE(entrar(dialogo, "ADMIN", "segredo"));
    ASSERT_EQ(mensagens.Textos().size(), 1);
    EXPECT_EQ(mensagens.Textos()[0],
              "Ao verificar clínicas do usuário, ocorreu o seguinte erro:\n\n-2147217865 - " +
                  ADO().ErrorString());
    EXPECT_FALSE(ADO().ErrorString().isEmpty());
}

TEST_F(frmLoginTest, FieldLimitsMaskAndButtonFaces) {
    frmLogin dialogo;
    dialogo.show();
    dialogo.txtUsuário->clear();
    Digitar(dialogo.txtUsuário, QString(60, 'A'));
    Digitar(dialogo.txtPassword, QString(20, 'b'));
    EXPECT_EQ(dialogo.txtUsuário->text().size(), 50);
    EXPECT_EQ(dialogo.txtPassword->text().size(), 8);
    EXPECT_EQ(dialogo.txtPassword->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dialogo.txtPassword->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter,
                                                      nullptr, dialogo.txtPassword),
              '*');

    // Any mouse button presses the face in; releasing brings the normal face back, and only
    // a left click runs the command.
    const auto face = [](const BotaoFigura* b) { return b->Picture().toImage(); };
    EXPECT_EQ(face(dialogo.cmdOK), dialogo.imgOK[0].toImage());
    QTest::mousePress(dialogo.cmdOK, Qt::RightButton);
    EXPECT_EQ(face(dialogo.cmdOK), dialogo.imgOK[1].toImage());
    QTest::mouseRelease(dialogo.cmdOK, Qt::RightButton);
    EXPECT_EQ(face(dialogo.cmdOK), dialogo.imgOK[0].toImage());
    QTest::mousePress(dialogo.cmdCancel, Qt::LeftButton);
    EXPECT_EQ(face(dialogo.cmdCancel), dialogo.imgCancelar[1].toImage());
    EXPECT_NE(dialogo.imgCancelar[1].toImage(), dialogo.imgCancelar[0].toImage());
    EXPECT_TRUE(dialogo.isVisible());
    QTest::mouseRelease(dialogo.cmdCancel, Qt::LeftButton);
    EXPECT_EQ(face(dialogo.cmdCancel), dialogo.imgCancelar[0].toImage());
    EXPECT_FALSE(dialogo.isVisible());  // the click cancelled
}

// Nothing remembered: the hint is selected in the focused user box, so typing replaces it.
TEST_F(frmLoginTest, FirstRunTypingTheNameReplacesTheHintThenTheNameIsRememberedCloseCancels) {
    {
        frmLogin dialogo;
        EXPECT_EQ(dialogo.txtUsuário->text(), "<Gestor>");
        RoteiroModal roteiro;
        roteiro.Entao([&](QDialog& d) {
            // As a new administrator types it: name, Enter, password, Enter.
            for (const char c : QByteArray("ADMIN")) {
                QTest::keyClick(d.focusWidget(), c);
            }
            QTest::keyClick(d.focusWidget(), Qt::Key_Return);
            for (const char c : QByteArray("segredo")) {
                QTest::keyClick(d.focusWidget(), c);
            }
            QTest::keyClick(d.focusWidget(), Qt::Key_Return);
        });
        MostrarModal(dialogo);
        EXPECT_TRUE(dialogo.LoginConfirmado);
        EXPECT_TRUE(mensagens.Textos().isEmpty());
    }
    EXPECT_EQ(lembrado(), "ADMIN");
    // A remembered name: the password box takes the keys at once. The close box (or Esc) is
    // a cancel, as the Cancel button is (the main window's start-up test).
    ID_UsuarioLogado = 0;
    frmLogin dialogo;
    RoteiroModal roteiro;
    roteiro.Entao([&](QDialog& d) {
        EXPECT_EQ(dialogo.txtUsuário->text(), "ADMIN");
        EXPECT_EQ(d.focusWidget(), dialogo.txtPassword);
        d.close();
    });
    EXPECT_EQ(MostrarModal(dialogo), QDialog::Rejected);
    EXPECT_FALSE(dialogo.LoginConfirmado);
    EXPECT_TRUE(mensagens.Textos().isEmpty());
    EXPECT_EQ(ID_UsuarioLogado, 0);
}
