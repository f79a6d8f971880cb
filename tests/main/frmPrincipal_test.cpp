#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>

#include "Esquema.h"
#include "data/ado/DE.h"
#include "data/base/Diagnostico.h"
#include "data/base/ErroNumerado.h"
#include "data/tsql/MotorEmbutido.h"
#include "guisupport/JanelaTeste.h"
#include "main/frmPrincipal.h"
#include "merge/frmCompararPacientes.h"
#include "merge/frmPacienteBase.h"
#include "merge/frmSemSolucao.h"
#include "settings/Configuracao.h"
#include "ui/ctlNvPreferDE.h"
#include "users/frmLogin.h"

namespace {

const QString kIncorretos = QStringLiteral("Usuário ou senha incorretos, tente outra vez.");
const QString kSemPerfil =
    QStringLiteral("Somente usuários com perfil de administrador podem acessar este programa.");
const QString kPoucos = QStringLiteral(
    "É necessário selecionar no mímino dois pacientes para assim poder unificar o cadastro");
const char* const kChaves[] = {"Nome", "NomeMeio",   "NomeUltimo", "RG",
                               "CIC",  "Nascimento", "Prontuario"};

// A demo Windows folder (WINDIR) holding Tessivar.INI and a register with the product tables,
// an administrator ADMIN/segredo (profile type 1), a physician MEDICO/x (type 3) and an
// administrator with apostrophes, D'ÁVILA/o'k. Each test adds the patients it needs.
class JanelaPrincipal : public ::testing::Test {
  protected:
    void SetUp() override {
        // Test processes run side by side and every one saves the ticks: each process gets a
        // settings folder of its own (set before the first settings access of the process).
        static QTemporaryDir configuracao;
        qputenv("XDG_CONFIG_HOME", configuracao.path().toUtf8());
        ASSERT_TRUE(pasta.isValid());
        windir = QDir(pasta.path()).absolutePath() + QLatin1Char('/');
        qputenv("WINDIR", windir.toUtf8());
        arquivo = windir + QStringLiteral("Registro.db");
        conexao = QStringLiteral("Provider=SQLite;Data Source=") + arquivo;

        QString erro;
        ASSERT_TRUE(dados::CriarRegistroVazio(arquivo, &erro)) << erro.toStdString();
        ASSERT_TRUE(ADO().AbrirConexão(cn, conexao));
        ASSERT_TRUE(registro::CriarEsquema(cn, ADO(), erro)) << erro.toStdString();
        executar("INSERT INTO Perfil (Perfil, ID_Clinica, ID_Perfil_Tipo) VALUES ('Adm', 1, 1)");
        executar("INSERT INTO Perfil (Perfil, ID_Clinica, ID_Perfil_Tipo) VALUES ('Med', 1, 3)");
        usuario("ADMIN", "segredo", 1);
        usuario("MEDICO", "x", 2);
        usuario("D''ÁVILA", "o''k", 1);
        EscreverINI(("[Tessivar]\nCONN_SERVER=" + conexao + "\n").toUtf8());

        for (const char* chave : kChaves) {
            SaveSetting(QStringLiteral("Cadunir"), QStringLiteral("Criterios"),
                        QString::fromLatin1(chave), QString());
        }
        ID_UsuarioLogado = 0;
    }

    void TearDown() override {
        for (Recordset* rs : {&DE().rsLocalizar, &DE().rsSemelhante, &DE().rsPaciente}) {
            if (rs->State() == adStateOpen) {
                rs->Close();
            }
        }
        ADO().FecharConexão(DE().Conexao);
        ADO().FecharConexão(cn);
        qunsetenv("WINDIR");
    }

    void executar(const QString& sql) {
        ASSERT_TRUE(ADO().ExecutarSQL(cn, sql)) << sql.toStdString();
    }

    void usuario(const QString& login, const QString& senha, int perfil) {
        executar("INSERT INTO Usuário (Nome, Usuário, Senha) VALUES ('" + login + "', '" + login +
                 "', '" + senha + "')");
        executar(QStringLiteral("INSERT INTO Usuario_Perfil (ID_Usuario, ID_Perfil) SELECT "
                                "MAX(ID_Usuário), %1 FROM Usuário")
                     .arg(perfil));
    }

    // Adds a patient; an empty text stands for NULL. Returns its ID.
    qint32 paciente(const QString& nome, const QString& meio, const QString& ultimo,
                    const QString& rg = QString()) {
        const auto valor = [](const QString& v) {
            return v.isNull() ? QStringLiteral("NULL") : "'" + v + "'";
        };
        executar("INSERT INTO Paciente (Nome, Nome_Meio, Nome_Último, RG) VALUES (" + valor(nome) +
                 ", " + valor(meio) + ", " + valor(ultimo) + ", " + valor(rg) + ")");
        return contar("SELECT MAX(ID_Paciente) FROM Paciente");
    }

    qint32 contar(const QString& sql) {
        Recordset rs;
        EXPECT_TRUE(ADO().AbrirRecordset(cn, rs, sql)) << sql.toStdString();
        return rs.Fields(0).Value().toInt();
    }

    void EscreverINI(const QByteArray& texto) {
        QFile f(windir + QStringLiteral("Tessivar.INI"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(texto);
    }

    static void Ticks(const QStringList& valores) {
        for (int i = 0; i < 7; ++i) {
            SaveSetting(QStringLiteral("Cadunir"), QStringLiteral("Criterios"),
                        QString::fromLatin1(kChaves[i]), valores.value(i));
        }
    }

    // Starts the window, logging in through the real dialog with the given name and password.
    bool Iniciar(frmPrincipal& janela, const QString& login = QStringLiteral("ADMIN"),
                 const QString& senha = QStringLiteral("segredo")) {
        roteiro.Entao([=](QDialog& d) {
            auto* dialogo = Como<frmLogin>(d);
            dialogo->txtUsuário->clear();
            Digitar(dialogo->txtUsuário, login);
            Digitar(dialogo->txtPassword, senha);
            Tecla(dialogo->txtPassword, Qt::Key_Return);
        });
        return janela.Form_Load();
    }

    static QStringList Linhas(const QListWidget& lista) {
        QStringList linhas;
        for (int i = 0; i < lista.count(); ++i) {
            linhas << lista.item(i)->text();
        }
        return linhas;
    }

    static QStringList Grade(const QTableView& grade) {
        QStringList linhas;
        const QAbstractItemModel* m = grade.model();
        for (int r = 0; r < m->rowCount(); ++r) {
            QStringList celulas;
            for (int c = 0; c < m->columnCount(); ++c) {
                celulas << m->index(r, c).data().toString();
            }
            linhas << celulas.join(QLatin1Char('|'));
        }
        return linhas;
    }

    static void Escolher(frmPrincipal& janela, int linha) {
        janela.dbGridCriterio->setCurrentIndex(janela.dbGridCriterio->model()->index(linha, 0));
    }

    static void Marcar(QListWidget& lista, std::initializer_list<int> linhas) {
        for (int i : linhas) {
            lista.item(i)->setCheckState(Qt::Checked);
        }
    }

    QTemporaryDir pasta;
    QString windir;
    QString arquivo;
    QString conexao;
    Connection cn;  // the test's own connection to the register
    CapturaMensagens mensagens;
    RoteiroModal roteiro;
};

TEST_F(JanelaPrincipal, MissingOrIncorrectIniEndsTheProgramWithItsMessage) {
    const QString ini = (windir + QStringLiteral("Tessivar.INI")).toUpper();
    {
        QFile::remove(windir + QStringLiteral("Tessivar.INI"));
        frmPrincipal janela;
        EXPECT_FALSE(janela.Form_Load());
        EXPECT_EQ(mensagens.Textos(), QStringList{"Não foi encontrado o arquivo '" + ini + ".'"});
    }
    for (const QByteArray& texto :
         {QByteArray("[Outro]\nCONN_SERVER=x\n"), QByteArray("[Tessivar]\nCONN_SERVER=\n"),
          QByteArray("[Tessivar]\nOUTRA=1\n")}) {
        mensagens.Limpar();
        EscreverINI(texto);
        frmPrincipal janela;
        EXPECT_FALSE(janela.Form_Load());
        EXPECT_EQ(mensagens.Textos(), QStringList{"Arquivo '" + ini + "' incorreto."})
            << texto.data();
    }
    EXPECT_EQ(roteiro.Mostrados(), 0);  // no login was offered
    EXPECT_EQ(DE().Conexao.State(), adStateClosed);
}

TEST_F(JanelaPrincipal, ConnectionRetriesOnceSilentlyThenReportsAndEnds) {
    // A register file that is not there: both attempts fail, and nothing creates it.
    const QString ausente = windir + QStringLiteral("Ausente.db");
    EscreverINI(("[Tessivar]\nCONN_SERVER=Provider=SQLite;Data Source=" + ausente + "\n").toUtf8());
    int aberturas = 0;
    Connection::SetOpenHook([&](const QString&) { ++aberturas; });
    {
        frmPrincipal janela;
        EXPECT_FALSE(janela.Form_Load());
    }
    EXPECT_EQ(aberturas, 2);
    ASSERT_EQ(mensagens.Textos().size(), 1);
    EXPECT_TRUE(mensagens.Textos()[0].startsWith(QStringLiteral(
        "Ao abrir a conexão com o banco de dados, ocoreu o seguinte erro.\r\n\r\nErro nº ")))
        << mensagens.Textos()[0].toStdString();
    EXPECT_FALSE(QFile::exists(ausente));
    EXPECT_EQ(roteiro.Mostrados(), 0);

    // The first attempt refused, the second one through: no message at all.
    mensagens.Limpar();
    EscreverINI(("[Tessivar]\nCONN_SERVER=" + conexao + "\n").toUtf8());
    aberturas = 0;
    Connection::SetOpenHook([&](const QString&) {
        if (++aberturas == 1) {
            throw ErroNumerado(-2147467259, QStringLiteral("teste"), QStringLiteral("ocupado"));
        }
    });
    frmPrincipal janela;
    roteiro.Entao([](QDialog& d) { Clicar(Achar<QWidget>(d, QStringLiteral("cmdCancel"))); });
    EXPECT_FALSE(janela.Form_Load());  // cancelled at the login, after a good connection
    Connection::SetOpenHook({});
    EXPECT_EQ(aberturas, 2);
    EXPECT_TRUE(mensagens.Textos().isEmpty());
    EXPECT_EQ(DE().Conexao.State(), adStateOpen);
}

TEST_F(JanelaPrincipal, ABadConnectionStringNeverShowsOrLogsItsPassword) {
    const QString log = dados::ArquivoDiagnostico();
    QFile antes(log);
    const qint64 inicio = antes.exists() ? antes.size() : 0;
    const QStringList cadeias = {
        // The brace swallows the password into the provider's value.
        "Provider={SQLOLEDB;Password=S3grXq9w;User ID=sa};Data Source=SRV",
        "Provider=SQLOLEDB;User ID=sa;Password=S3grXq9w",  // no server
        "Provider=SQLOLEDB;Data Source=SRV,porta;Password=S3grXq9w",
        // A no-break space before "=": still the password.
        "Driver={Driver Que Nao Existe};Server=SRV;UID=sa;PWD\u00A0={S3gr;Xq9w}",
        "Provider=Nada;Pwd=S3grXq9w",
        "Data Source=SRV;Password=\"S3gr;Xq9w",
    };
    for (const QString& cadeia : cadeias) {
        mensagens.Limpar();
        EscreverINI(("[Tessivar]\nCONN_SERVER=" + cadeia + "\n").toUtf8());
        frmPrincipal janela;
        EXPECT_FALSE(janela.Form_Load());
        ASSERT_EQ(mensagens.Textos().size(), 1) << cadeia.toStdString();
        EXPECT_FALSE(mensagens.Textos()[0].contains("S3gr")) << mensagens.Textos()[0].toStdString();
        EXPECT_FALSE(mensagens.Textos()[0].contains("Xq9w")) << mensagens.Textos()[0].toStdString();
    }
    QFile depois(log);
    ASSERT_TRUE(depois.open(QIODevice::ReadOnly));
    depois.seek(inicio);
    const QByteArray registrado = depois.readAll();
    EXPECT_FALSE(registrado.isEmpty());
    EXPECT_FALSE(registrado.contains("S3gr")) << registrado.toStdString();
    EXPECT_FALSE(registrado.contains("Xq9w")) << registrado.toStdString();
}

TEST_F(JanelaPrincipal, OnlyAdministratorsGetInAndAWrongPasswordMayBeRetried) {
    paciente("ANA", QString(), "LIMA");
    paciente("ANA", QString(), "LIMA");
    frmPrincipal janela;
    roteiro.Entao([](QDialog& d) {
        auto* login = Como<frmLogin>(d);
        for (int tentativa = 0; tentativa < 3; ++tentativa) {
            login->txtUsuário->clear();
            Digitar(login->txtUsuário, QStringLiteral("ADMIN"));
            Digitar(login->txtPassword, QStringLiteral("errada"));
            Tecla(login->txtPassword, Qt::Key_Return);
            EXPECT_TRUE(d.isVisible());
        }
        login->txtUsuário->clear();
        Digitar(login->txtUsuário, QStringLiteral("MEDICO"));
        login->txtPassword->clear();
        Digitar(login->txtPassword, QStringLiteral("x"));
        Tecla(login->txtPassword, Qt::Key_Return);
        EXPECT_TRUE(d.isVisible());
        // The fields cut what is typed to the user record's limits.
        login->txtUsuário->clear();
        Digitar(login->txtUsuário, QString(60, QLatin1Char('A')));
        EXPECT_EQ(login->txtUsuário->text().size(), 50);
        login->txtPassword->clear();
        Digitar(login->txtPassword, QString(20, QLatin1Char('s')));
        EXPECT_EQ(login->txtPassword->text().size(), 8);
        login->txtUsuário->clear();
        Digitar(login->txtUsuário, QStringLiteral("ADMIN"));
        login->txtPassword->clear();
        Digitar(login->txtPassword, QStringLiteral("segredo"));
        Tecla(login->txtPassword, Qt::Key_Return);
    });
    ASSERT_TRUE(janela.Form_Load());
    EXPECT_EQ(mensagens.Textos(), (QStringList{kIncorretos, kIncorretos, kIncorretos, kSemPerfil}));
    EXPECT_EQ(ID_UsuarioLogado, 1);
    EXPECT_EQ(janela.lblItensnaLista->text(), "1");
    EXPECT_EQ(Linhas(*janela.lstSemelhante), (QStringList{"ANA LIMA", "ANA LIMA"}));
}

TEST_F(JanelaPrincipal, NamesWithApostrophesLogIn) {
    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela, QStringLiteral("D'ÁVILA"), QStringLiteral("o'k")));
    EXPECT_EQ(ID_UsuarioLogado, 3);
    EXPECT_TRUE(mensagens.Textos().isEmpty());
}

TEST_F(JanelaPrincipal, LoginCancelledEndsTheProgramBeforeAnythingIsWritten) {
    frmPrincipal janela;
    roteiro.Entao([](QDialog& d) { Clicar(Achar<QWidget>(d, QStringLiteral("cmdCancel"))); });
    EXPECT_FALSE(janela.Form_Load());
    EXPECT_TRUE(mensagens.Textos().isEmpty());
    EXPECT_FALSE(ADO().TableExiste(cn, QStringLiteral("PacienteLog")));
}

TEST_F(JanelaPrincipal, DatabaseWithoutProfilesLetsEveryMatchingUserIn) {
    executar("DROP TABLE Usuario_Perfil");
    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela, QStringLiteral("MEDICO"), QStringLiteral("x")));
    EXPECT_EQ(ID_UsuarioLogado, 2);
    // The log tables are made on the way in.
    EXPECT_TRUE(ADO().TableExiste(cn, QStringLiteral("PacienteLog")));
    EXPECT_GT(contar("SELECT COUNT(*) FROM PacienteLogJustificativa"), 0);
}

TEST_F(JanelaPrincipal, FirstRunGroupsOnTheThreeNamesAndSavesTheTicks) {
    const qint32 a = paciente("MARIA", QString(), "SILVA", "1");
    paciente("MARIA", QString(), "SILVA", "2");
    paciente("MARIA", "", "SILVA", "3");  // an empty middle name is not NULL
    paciente("JOSE", "DA", "COSTA", "4");
    paciente("JOSE", "DA", "COSTA", "4");
    paciente("ZECA", QString(), QString(), "9");

    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela));
    EXPECT_TRUE(mensagens.Textos().isEmpty());
    for (QCheckBox* c : {janela.chkNome, janela.chkNomeMeio, janela.chkNomeUltimo}) {
        EXPECT_EQ(c->checkState(), Qt::Checked);
    }
    for (QCheckBox* c : {janela.chkRG, janela.chkCIC, janela.chkNascimento, janela.chkProntuario}) {
        EXPECT_EQ(c->checkState(), Qt::Unchecked);
    }
    // A NULL middle name is a group of its own, shown with an empty cell.
    EXPECT_EQ(Grade(*janela.dbGridCriterio), (QStringList{"JOSE|DA|COSTA", "MARIA||SILVA"}));
    EXPECT_EQ(janela.lblItensnaLista->text(), "2");
    // The first group is current: its patients are listed and the first one is shown.
    EXPECT_EQ(janela.dbGridCriterio->currentIndex().row(), 0);
    EXPECT_EQ(Linhas(*janela.lstSemelhante), (QStringList{"JOSE DA COSTA", "JOSE DA COSTA"}));
    EXPECT_EQ(janela.NvPreferSemelhante->FieldText(QStringLiteral("Nome_Completo")),
              "JOSE DA COSTA");

    // Choosing the other group: its NULL middle name drops out of the member query, so the
    // record with an empty (not NULL) middle name is listed too, with two blanks.
    Escolher(janela, 1);
    EXPECT_EQ(Linhas(*janela.lstSemelhante),
              (QStringList{"MARIA SILVA", "MARIA SILVA", "MARIA  SILVA"}));
    EXPECT_EQ(janela.lstSemelhante->item(0)->data(Qt::UserRole).toInt(), a);
    EXPECT_EQ(janela.lstSemelhante->item(0)->checkState(), Qt::Unchecked);
    EXPECT_EQ(janela.NvPreferSemelhante->FieldText(QStringLiteral("RG")), "1");
    // The highlighted row decides the detail; a tick does not.
    janela.lstSemelhante->setCurrentRow(1);
    EXPECT_EQ(janela.NvPreferSemelhante->FieldText(QStringLiteral("RG")), "2");
    janela.lstSemelhante->item(0)->setCheckState(Qt::Checked);
    EXPECT_EQ(janela.NvPreferSemelhante->FieldText(QStringLiteral("RG")), "2");

    // Grouping on RG alone: saved, and the ticks survive a restart.
    janela.chkNome->setChecked(false);
    janela.chkNomeMeio->setChecked(false);
    janela.chkNomeUltimo->setChecked(false);
    janela.chkRG->setChecked(true);
    Clicar(janela.cmdBuscar);
    EXPECT_EQ(Grade(*janela.dbGridCriterio), QStringList{"4"});
    EXPECT_TRUE(janela.lstSemelhante->count() == 0);  // refilled only when a row is chosen
    const QStringList salvos = {"0", "0", "0", "1", "0", "0", "0"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(GetSetting(QStringLiteral("Cadunir"), QStringLiteral("Criterios"),
                             QString::fromLatin1(kChaves[i]), QStringLiteral("?")),
                  salvos[i]);
    }
    frmPrincipal outra;
    ADO().FecharConexão(DE().Conexao);
    ASSERT_TRUE(Iniciar(outra));
    EXPECT_TRUE(outra.chkRG->isChecked());
    EXPECT_FALSE(outra.chkNome->isChecked());
}

TEST_F(JanelaPrincipal, NoTickOrNoDuplicateStartsWithAnEmptyGrid) {
    paciente("ANA", QString(), "LIMA", "1");
    paciente("ANA", QString(), "LIMA", "2");
    {
        Ticks({"0", "0", "0", "0", "0", "0", "0"});
        frmPrincipal janela;
        ASSERT_TRUE(Iniciar(janela));
        EXPECT_EQ(mensagens.Textos(), QStringList{"Selecione ao menos um critério"});
        EXPECT_EQ(janela.dbGridCriterio->model()->rowCount(), 0);
        EXPECT_EQ(janela.lstSemelhante->count(), 0);
        EXPECT_EQ(janela.lblItensnaLista->text(), "100.000");  // design text, never updated
    }
    ADO().FecharConexão(DE().Conexao);
    mensagens.Limpar();
    {
        // A greyed box counts as ticked; every RG differs, so there is no group.
        Ticks({"0", "0", "0", "2", "0", "0", "0"});
        frmPrincipal janela;
        ASSERT_TRUE(Iniciar(janela));
        EXPECT_TRUE(mensagens.Textos().isEmpty());
        EXPECT_EQ(janela.chkRG->checkState(), Qt::PartiallyChecked);
        EXPECT_EQ(janela.lblItensnaLista->text(), "0");
        EXPECT_EQ(janela.lstSemelhante->count(), 0);
        EXPECT_EQ(janela.NvPreferSemelhante->FieldText(QStringLiteral("Nome_Completo")), "");
    }
}

TEST_F(JanelaPrincipal, RowCounterUsesPortugueseDigitGrouping) {
    // 1,234 groups of two records each.
    for (int bloco = 0; bloco < 2; ++bloco) {
        QString sql = QStringLiteral("INSERT INTO Paciente (Nome, Nome_Último) VALUES ");
        for (int i = 0; i < 1234; ++i) {
            sql += QStringLiteral("('P%1', 'X')%2").arg(i).arg(i < 1233 ? "," : "");
        }
        executar(sql);
    }
    Ticks({"1", "0", "0", "0", "0", "0", "0"});
    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela));
    EXPECT_EQ(janela.lblItensnaLista->text(), "1.234");
}

class Unificar : public JanelaPrincipal {
  protected:
    void SetUp() override {
        JanelaPrincipal::SetUp();
        ana = {paciente("ANA", QString(), "LIMA", "1"), paciente("ANA", QString(), "LIMA", "2"),
               paciente("ANA", QString(), "LIMA", "3")};
        bia = {paciente("BIA", QString(), "REIS", "4"), paciente("BIA", QString(), "REIS", "5")};
        executar(QStringLiteral("INSERT INTO Exame (ID_Paciente, Número_Exame) VALUES (%1, 'E1')")
                     .arg(ana[2]));
        Ticks({"1", "0", "1", "0", "0", "0", "0"});
    }

    // Answers the base-record chooser: ticks line `linha` and presses OK; then confirms the
    // review of the merge as it stands.
    void Base(int linha) {
        roteiro.Entao([linha](QDialog& d) {
            auto* base = Como<frmPacienteBase>(d);
            base->lstSemelhante->item(linha)->setCheckState(Qt::Checked);
            Clicar(base->cmdOK);
        });
        Revisar();
    }
    void Revisar() {
        roteiro.Entao([](QDialog& d) {
            auto* revisao = Como<frmCompararPacientes>(d);
            revisao->chkConfirmar->setChecked(true);
            Clicar(revisao->cmdOK);
        });
    }

    QVector<qint32> ana;
    QVector<qint32> bia;
};

TEST_F(Unificar, OneTickIsRefusedThreeTicksMergeIntoTheChosenBase) {
    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela));
    ASSERT_EQ(Grade(*janela.dbGridCriterio), (QStringList{"ANA|LIMA", "BIA|REIS"}));

    Marcar(*janela.lstSemelhante, {1});
    Clicar(janela.cmdUnificar);
    EXPECT_EQ(mensagens.Textos(), QStringList{kPoucos});
    EXPECT_EQ(roteiro.Mostrados(), 1);  // only the login so far

    Marcar(*janela.lstSemelhante, {0, 2});
    roteiro.Entao([&](QDialog& d) {
        auto* base = Como<frmPacienteBase>(d);
        EXPECT_EQ(Linhas(*base->lstSemelhante), (QStringList{"ANA LIMA", "ANA LIMA", "ANA LIMA"}));
        base->lstSemelhante->item(1)->setCheckState(Qt::Checked);
        Clicar(base->cmdOK);
    });
    Revisar();
    Clicar(janela.cmdUnificar);
    EXPECT_EQ(mensagens.Textos(),
              (QStringList{kPoucos, QStringLiteral("2 cadastros unificados em %1; 1 exame "
                                                   "transferido")
                                        .arg(ana[1])}));
    EXPECT_TRUE(janela.cmdUnificar->isEnabled());

    EXPECT_EQ(contar("SELECT COUNT(*) FROM Paciente WHERE Nome = 'ANA'"), 1);
    EXPECT_EQ(
        contar(QStringLiteral("SELECT COUNT(*) FROM Paciente WHERE ID_Paciente = %1").arg(ana[1])),
        1);
    EXPECT_EQ(contar("SELECT COUNT(*) FROM PacienteLog"), 2);
    EXPECT_EQ(contar("SELECT COUNT(*) FROM PacienteLog WHERE ID_Usuario = 1"), 2);
    EXPECT_EQ(contar("SELECT MAX(ID_Paciente) FROM Exame"), ana[1]);

    // ANA's group is gone; the row at the same position is now BIA's and is current.
    EXPECT_EQ(Grade(*janela.dbGridCriterio), QStringList{"BIA|REIS"});
    EXPECT_EQ(janela.dbGridCriterio->currentIndex().row(), 0);
    EXPECT_EQ(janela.lblItensnaLista->text(), "1");
    EXPECT_EQ(Linhas(*janela.lstSemelhante), (QStringList{"BIA REIS", "BIA REIS"}));
}

TEST_F(Unificar, TheLastGroupVanishingLeavesTheNewLastRowCurrent) {
    paciente("CAIO", QString(), "SOUZA");
    paciente("CAIO", QString(), "SOUZA");
    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela));
    Escolher(janela, 2);
    ASSERT_EQ(Linhas(*janela.lstSemelhante), (QStringList{"CAIO SOUZA", "CAIO SOUZA"}));
    Marcar(*janela.lstSemelhante, {0, 1});
    Base(0);
    Clicar(janela.cmdUnificar);
    EXPECT_EQ(Grade(*janela.dbGridCriterio), (QStringList{"ANA|LIMA", "BIA|REIS"}));
    EXPECT_EQ(janela.dbGridCriterio->currentIndex().row(), 1);
    EXPECT_EQ(DE().rsLocalizar.AbsolutePosition(), 2);
    EXPECT_EQ(Linhas(*janela.lstSemelhante), (QStringList{"BIA REIS", "BIA REIS"}));
    ASSERT_EQ(mensagens.Textos().size(), 1);
    EXPECT_TRUE(mensagens.Textos()[0].startsWith(QStringLiteral("1 cadastro unificado em ")));
}

TEST_F(Unificar, CancelledChooserOrAFailingMergeChangesNothing) {
    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela));
    Marcar(*janela.lstSemelhante, {0, 1, 2});

    // Cancelled, after a tick: nothing happens and the ticks stay.
    roteiro.Entao([](QDialog& d) {
        auto* base = Como<frmPacienteBase>(d);
        base->lstSemelhante->item(0)->setCheckState(Qt::Checked);
        Clicar(base->cmdCancelar);
    });
    Clicar(janela.cmdUnificar);
    EXPECT_EQ(contar("SELECT COUNT(*) FROM Paciente"), 5);
    EXPECT_EQ(janela.lstSemelhante->item(2)->checkState(), Qt::Checked);

    // The second of two copies refused by the database: the first merge is undone too.
    int apagados = 0;
    const int falha = DE().Conexao.AddObserver([&](const Connection::Event& e) {
        if (e.kind == Connection::Event::Execute && e.text.contains(QStringLiteral("DELETE")) &&
            ++apagados == 2) {
            throw ErroNumerado(-2147217873, QStringLiteral("teste"), QStringLiteral("recusado"));
        }
    });
    Base(0);
    Clicar(janela.cmdUnificar);
    DE().Conexao.RemoveObserver(falha);
    EXPECT_EQ(apagados, 2);
    EXPECT_EQ(contar("SELECT COUNT(*) FROM Paciente"), 5);
    EXPECT_EQ(contar("SELECT COUNT(*) FROM PacienteLog"), 0);
    EXPECT_EQ(contar("SELECT COUNT(*) FROM PacienteLogExame"), 0);
    EXPECT_EQ(
        contar(QStringLiteral("SELECT COUNT(*) FROM Exame WHERE ID_Paciente = %1").arg(ana[2])), 1);
    EXPECT_EQ(ADO().ProfundidadeTransação(), 0);
    // The failure is told, with the database's error, and that nothing changed.
    ASSERT_EQ(mensagens.Textos().size(), 1);
    EXPECT_TRUE(mensagens.Textos()[0].startsWith(
        QStringLiteral("A unificação falhou ao unificar o cadastro %1 em %2. Nada foi alterado")
            .arg(ana[2])
            .arg(ana[0])));
    EXPECT_TRUE(janela.cmdUnificar->isEnabled());
    // Not refreshed: the list keeps its rows and ticks.
    EXPECT_EQ(janela.lstSemelhante->count(), 3);
    EXPECT_EQ(janela.lstSemelhante->item(1)->checkState(), Qt::Checked);
}

class Escolha : public JanelaPrincipal {};

TEST_F(Escolha, ChooserListsTheRecordsAndKeepsOneTick) {
    ASSERT_TRUE(ADO().AbrirConexão(DE().Conexao, conexao));
    const qint32 a = paciente("LUIS", QString(), "PRADO", "7");
    const qint32 b = paciente("LUIS", "", QString(), "8");
    const qint32 c = paciente("LUIS", "ALVES", "PRADO", "9");
    QStringList sql;
    const int obs = DE().Conexao.AddObserver([&](const Connection::Event& e) { sql << e.text; });
    frmPacienteBase base;
    base.Iniciar({QString::number(a), QString::number(b), QString::number(c) + ","});
    DE().Conexao.RemoveObserver(obs);
    EXPECT_EQ(base.windowTitle(), "Paciente base");
    EXPECT_EQ(base.Frame3->title(), QStringLiteral("Marque o cadastro que permanecerá"));
    EXPECT_EQ(base.cmdOK->text(), "&OK");
    EXPECT_EQ(base.cmdCancelar->text(), "&Cancelar");
    ASSERT_FALSE(sql.isEmpty());
    EXPECT_TRUE(sql[0].endsWith(
        QStringLiteral(" FROM Paciente   WHERE ID_Paciente IN (%1,%2,%3)").arg(a).arg(b).arg(c)))
        << sql[0].toStdString();
    EXPECT_EQ(Linhas(*base.lstSemelhante),
              (QStringList{"LUIS PRADO", "LUIS ", "LUIS ALVES PRADO"}));
    EXPECT_EQ(base.lstSemelhante->currentRow(), 0);
    EXPECT_EQ(base.NvPreferSemelhante->FieldText(QStringLiteral("RG")), "7");

    base.cmdOK_Click();
    EXPECT_EQ(mensagens.Textos(),
              QStringList{QStringLiteral("Marque o cadastro que permanecerá.")});
    Marcar(*base.lstSemelhante, {1});
    Marcar(*base.lstSemelhante, {2});
    EXPECT_EQ(base.lstSemelhante->item(1)->checkState(), Qt::Unchecked);
    EXPECT_EQ(base.lstSemelhante->item(2)->checkState(), Qt::Checked);
    base.lstSemelhante->item(2)->setCheckState(Qt::Unchecked);  // none ticked is allowed
    Marcar(*base.lstSemelhante, {2});
    base.cmdOK_Click();
    EXPECT_EQ(base.ID_PacienteBase(), c);
    base.cmdCancelar_Click();
    EXPECT_EQ(base.ID_PacienteBase(), 0);
}

}  // namespace

namespace {

TEST_F(JanelaPrincipal, AGroupOfNullsListsNobodyAndEmptiesTheDetail) {
    paciente("ANA", QString(), "LIMA");  // no RG: the two form the NULL group
    paciente("BIA", QString(), "REIS");
    Ticks({"0", "0", "0", "1", "0", "0", "0"});
    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela));
    EXPECT_EQ(Grade(*janela.dbGridCriterio), QStringList{""});
    EXPECT_EQ(janela.lstSemelhante->count(), 0);
    for (int i = 0; i < janela.NvPreferSemelhante->FieldCount(); ++i) {
        EXPECT_EQ(janela.NvPreferSemelhante->FieldText(i), "");
    }
    EXPECT_TRUE(mensagens.Textos().isEmpty());
}

}  // namespace

TEST_F(Unificar, TheCurrentPatientCanBeMarkedWithoutSolutionFromTheList) {
    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela));
    janela.lstSemelhante->setCurrentRow(1);
    EXPECT_TRUE(janela.lstSemelhante->item(1)->icon().isNull());

    roteiro.Entao([&](QDialog& d) {
        auto* f = Como<frmSemSolucao>(d);
        EXPECT_EQ(f->lblPaciente->text(), "ANA LIMA");
        f->dtcboMotivo->setCurrentIndex(f->dtcboMotivo->findText("Outros"));
        Digitar(f->txtObs, QStringLiteral("Dois prontuários no hospital"));
        Clicar(f->cmdOK);
    });
    Clicar(janela.cmdSemSolucao);
    EXPECT_EQ(roteiro.Mostrados(), 2);  // the login, then the mark
    EXPECT_TRUE(mensagens.Textos().isEmpty());

    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM PacienteLogSemSolucao WHERE "
                                    "ID_Paciente = %1 AND ID_PacienteLogJustificativa = 3")
                         .arg(ana[1])),
              1);
    // The row shows its mark without any change to its text; the others carry none.
    EXPECT_FALSE(janela.lstSemelhante->item(1)->icon().isNull());
    EXPECT_TRUE(janela.lstSemelhante->item(0)->icon().isNull());
    EXPECT_EQ(Linhas(*janela.lstSemelhante), (QStringList{"ANA LIMA", "ANA LIMA", "ANA LIMA"}));
}
