#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>

#include "Esquema.h"
#include "data/base/Relogio.h"
#include "data/sqlite/MotorEmbutido.h"
#include "decisions/clsDecisaoPessoas.h"
#include "decisions/frmSemSolucao.h"
#include "guisupport/JanelaTeste.h"
#include "main/frmPrincipal.h"
#include "match/clsParametrosBusca.h"
#include "review/frmCompararPacientes.h"
#include "review/frmPacienteBase.h"
#include "settings/Configuracao.h"
#include "support/SegurarAgrupamento.h"
#include "ui/DE.h"
#include "ui/ListaPacientes.h"
#include "users/frmLogin.h"

namespace {

// A register with an administrator and people whose records exact grouping keeps apart.
class JanelaSemelhanca : public ::testing::Test {
  protected:
    void SetUp() override {
        static QTemporaryDir configuracao;
        qputenv("XDG_CONFIG_HOME", configuracao.path().toUtf8());
        windir = QDir(pasta.path()).absolutePath() + QLatin1Char('/');
        qputenv("WINDIR", windir.toUtf8());
        const QString arquivo = windir + QStringLiteral("Registro.db");
        const QString conexao = QStringLiteral("Provider=SQLite;Data Source=") + arquivo;
        QString erro;
        ASSERT_TRUE(dados::CriarRegistroVazio(arquivo, &erro)) << erro.toStdString();
        ASSERT_TRUE(ADO().AbrirConexão(cn, conexao));
        ASSERT_TRUE(registro::CriarEsquema(cn, ADO(), erro)) << erro.toStdString();
        executar("INSERT INTO Perfil (Perfil, ID_Clinica, ID_Perfil_Tipo) VALUES ('Adm', 1, 1)");
        executar("INSERT INTO Usuário (Nome, Usuário, Senha) VALUES ('ADMIN', 'ADMIN', 'x')");
        executar("INSERT INTO Usuario_Perfil (ID_Usuario, ID_Perfil) VALUES (1, 1)");
        QFile ini(windir + QStringLiteral("Tessivar.INI"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(("[Tessivar]\nCONN_SERVER=" + conexao + "\n").toUtf8());
        ini.close();
        // The exact grouping on the three names, as on a first run.
        for (const char* chave : {"Nome", "NomeMeio", "NomeUltimo"})
            SaveSetting("Cadunir", "Criterios", chave, "1");
        for (const char* chave : {"RG", "CIC", "Nascimento", "Prontuario"})
            SaveSetting("Cadunir", "Criterios", chave, "0");

        jose = {paciente("'JOSÉ', 'DE SOUZA', 'LIMA', '12.345.678-9', '1961-04-02', 'M'"),
                paciente("'JOSE', 'SOUZA', 'LIMA', '123456789', '1961-04-02', 'M'"),
                paciente("'JOSÉ', NULL, 'LYMA', NULL, '1961-02-04', 'M'")};
        rita = {paciente("'RITA', NULL, 'CAMPOS', '20.111.222-3', '1990-07-21', 'F'"),
                paciente("'Rita', '', 'Campos', NULL, '1990-07-21', 'F'")};
        paciente("'RITA', NULL, 'CAMPOS', NULL, '1952-01-30', 'F'");  // someone else
        paciente("'ELIAS', NULL, 'PRADO', '7', '1980-01-01', 'M'");
    }

    void TearDown() override {
        for (Recordset* rs : {&DE().rsLocalizar, &DE().rsSemelhante, &DE().rsPaciente})
            if (rs->State() == adStateOpen)
                rs->Close();
        ADO().FecharConexão(DE().Conexao);
        ADO().FecharConexão(cn);
        qunsetenv("WINDIR");
    }

    void executar(const QString& sql) {
        ASSERT_TRUE(ADO().ExecutarSQL(cn, sql)) << sql.toStdString();
    }

    qint32 paciente(const QString& valores) {
        executar(
            "INSERT INTO Paciente (Nome, Nome_Meio, Nome_Último, RG, Data_Nascimento, Sexo) "
            "VALUES (" +
            valores + ")");
        executar(
            "UPDATE Paciente SET Nome_Soundex = SOUNDEX(Nome), Nome_Último_Soundex = "
            "SOUNDEX(Nome_Último)");
        return contar("SELECT MAX(ID_Paciente) FROM Paciente");
    }

    qint32 contar(const QString& sql) {
        Recordset rs;
        EXPECT_TRUE(ADO().AbrirRecordset(cn, rs, sql)) << sql.toStdString();
        return rs.Fields(0).Value().toInt();
    }

    bool Iniciar(frmPrincipal& janela) {
        roteiro.Entao([](QDialog& d) {
            auto* dialogo = Como<frmLogin>(d);
            dialogo->txtUsuário->clear();
            Digitar(dialogo->txtUsuário, "ADMIN");
            Digitar(dialogo->txtPassword, "x");
            Tecla(dialogo->txtPassword, Qt::Key_Return);
        });
        // The first grouping arrives from its own thread; the test starts from its result.
        return janela.Form_Load() && janela.AguardarAgrupamento(kEsperaMaximaMs);
    }

    static QStringList Linhas(const QListWidget& lista) {
        QStringList linhas;
        for (int i = 0; i < lista.count(); ++i) linhas << lista.item(i)->text();
        return linhas;
    }

    static QStringList Coluna(const QTableView& grade, int coluna) {
        QStringList r;
        for (int i = 0; i < grade.model()->rowCount(); ++i)
            r << grade.model()->index(i, coluna).data().toString();
        return r;
    }

    QTemporaryDir pasta;
    QString windir;
    Connection cn;
    CapturaMensagens mensagens;
    RoteiroModal roteiro;
    QVector<qint32> jose, rita;
};

}  // namespace

TEST_F(JanelaSemelhanca, AgrupaPorSemelhancaAoLadoDoExatoEUnificaDosGrupos) {
    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela));
    // The exact grouping finds nobody: every record of one person is spelled differently.
    EXPECT_EQ(janela.dbGridCriterio->model()->rowCount(), 1);  // the two RITA CAMPOS strangers
    const QAbstractItemModel* exato = janela.dbGridCriterio->model();

    janela.chkSemelhanca->setChecked(true);
    Clicar(janela.cmdBuscar);
    ASSERT_TRUE(janela.AguardarAgrupamento(kEsperaMaximaMs));
    ASSERT_TRUE(janela.ModoSemelhanca());
    const QTableView& grade = *janela.dbGridCriterio;
    EXPECT_NE(grade.model(), exato);
    EXPECT_EQ(grade.model()->headerData(0, Qt::Horizontal).toString(), "Nome");
    EXPECT_EQ(Coluna(grade, 1), (QStringList{"3", "2"}));  // JOSÉ's three records, RITA's two
    EXPECT_EQ(grade.model()->index(0, 0).data().toString(),
              QString::fromUtf8("JOSÉ DE SOUZA LIMA"));
    EXPECT_GE(grade.model()->index(1, 2).data().toString().replace(',', '.').toDouble(), 50);
    // Hovering a group tells why: its weakest pair of records, field by field.
    const QString porque = grade.model()->index(0, 2).data(Qt::ToolTipRole).toString();
    EXPECT_TRUE(porque.startsWith(QStringLiteral("ID %1 e ID %2: ").arg(jose[0]).arg(jose[1])))
        << porque.toStdString();
    EXPECT_TRUE(porque.contains("\nNome do meio: abreviado ou parte (+")) << porque.toStdString();
    EXPECT_TRUE(porque.contains("\nCIC: nulo\n")) << porque.toStdString();
    EXPECT_EQ(janela.lblItensnaLista->text(), "2");
    // The first group is current and the list holds exactly its members.
    EXPECT_EQ(grade.currentIndex().row(), 0);
    EXPECT_EQ(Linhas(*janela.lstSemelhante),
              (QStringList{QString::fromUtf8("JOSÉ DE SOUZA LIMA"), "JOSE SOUZA LIMA",
                           QString::fromUtf8("JOSÉ LYMA")}));
    janela.dbGridCriterio->setCurrentIndex(grade.model()->index(1, 0));
    EXPECT_EQ(Linhas(*janela.lstSemelhante), (QStringList{"RITA CAMPOS", "Rita  Campos"}));
    EXPECT_EQ(janela.lstSemelhante->item(1)->data(Qt::UserRole).toInt(), rita[1]);

    // Unify works on the group's members as it does on an exact group.
    janela.lstSemelhante->item(0)->setCheckState(Qt::Checked);
    janela.lstSemelhante->item(1)->setCheckState(Qt::Checked);
    roteiro.Entao([](QDialog& d) {
        auto* base = Como<frmPacienteBase>(d);
        base->lstSemelhante->item(0)->setCheckState(Qt::Checked);
        Clicar(base->cmdOK);
    });
    roteiro.Entao([](QDialog& d) {  // the review of the merge, confirmed as it stands
        auto* revisao = Como<frmCompararPacientes>(d);
        revisao->chkConfirmar->setChecked(true);
        revisao->txtMotivoConfirmacao->setText("mesma pessoa");
        Clicar(revisao->cmdOK);
    });
    Clicar(janela.cmdUnificar);
    ASSERT_EQ(mensagens.Textos().size(), 1) << mensagens.Textos().join('\n').toStdString();
    EXPECT_TRUE(mensagens.Textos()[0].startsWith(QStringLiteral("1 cadastro unificado em ")));
    EXPECT_EQ(
        contar(QStringLiteral("SELECT COUNT(*) FROM Paciente WHERE ID_Paciente = %1").arg(rita[1])),
        0);
    // RITA's group is gone; the row before it (JOSÉ's) is current, with its members.
    EXPECT_EQ(Coluna(grade, 1), QStringList{"3"});
    EXPECT_EQ(grade.currentIndex().row(), 0);
    EXPECT_EQ(janela.lblItensnaLista->text(), "1");
    EXPECT_EQ(janela.lstSemelhante->count(), 3);

    // Back to the check boxes: the exact grouping, as it always was.
    janela.chkSemelhanca->setChecked(false);
    Clicar(janela.cmdBuscar);
    ASSERT_TRUE(janela.AguardarAgrupamento(kEsperaMaximaMs));
    EXPECT_FALSE(janela.ModoSemelhanca());
    EXPECT_EQ(janela.dbGridCriterio->model(), exato);
    EXPECT_EQ(janela.dbGridCriterio->model()->headerData(0, Qt::Horizontal).toString(), "Nome");
    EXPECT_EQ(janela.dbGridCriterio->model()->headerData(2, Qt::Horizontal).toString(),
              QString::fromUtf8("Último nome"));
    EXPECT_EQ(janela.lblItensnaLista->text(), "1");
    janela.chkSemelhanca->setChecked(true);
    Clicar(janela.cmdBuscar);
    ASSERT_TRUE(janela.AguardarAgrupamento(kEsperaMaximaMs));
    EXPECT_EQ(Coluna(*janela.dbGridCriterio, 1), QStringList{"3"});
}

// The search reads and scores the whole register: it runs off the window's thread, holds the
// window like a grouping, and "Cancelar" keeps the result that was on screen.
TEST_F(JanelaSemelhanca, BuscaRodaEmSegundoPlanoECancelarMantemOResultado) {
    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela));
    const QAbstractItemModel* exato = janela.dbGridCriterio->model();
    const QString contador = janela.lblItensnaLista->text();
    {
        SegurarAgrupamento segurar;
        janela.chkSemelhanca->setChecked(true);
        Clicar(janela.cmdBuscar);
        EXPECT_TRUE(janela.Agrupando());
        EXPECT_FALSE(janela.dbGridCriterio->isEnabled());
        EXPECT_TRUE(janela.lblItensnaLista->text().startsWith("Agrupando..."));
        Clicar(janela.cmdCancelarAgrupamento);
        segurar.Soltar();
        ASSERT_TRUE(janela.AguardarAgrupamento(kEsperaMaximaMs));
    }
    EXPECT_FALSE(janela.ModoSemelhanca());
    EXPECT_EQ(janela.dbGridCriterio->model(), exato);
    EXPECT_EQ(janela.lblItensnaLista->text(), contador);
    EXPECT_TRUE(janela.dbGridCriterio->isEnabled());
    EXPECT_TRUE(mensagens.Textos().isEmpty()) << mensagens.Textos().join('\n').toStdString();

    Clicar(janela.cmdBuscar);
    ASSERT_TRUE(janela.AguardarAgrupamento(kEsperaMaximaMs));
    EXPECT_TRUE(janela.ModoSemelhanca());
    EXPECT_EQ(Coluna(*janela.dbGridCriterio, 1), (QStringList{"3", "2"}));
}

// "Aprender de novo" learns the parameters again and saves them (a plain search reuses the
// saved ones), then lists the similarity groups as the search does.
TEST_F(JanelaSemelhanca, AprenderDeNovoGuardaParametrosNovosEAgrupaPorSemelhanca) {
    struct Soltar {
        ~Soltar() { Relogio::Liberar(); }
    } soltar;
    const auto dataSalva = [this] {
        clsParametrosBusca::Salvos salvos;
        bool existem = false;
        EXPECT_TRUE(clsParametrosBusca(cn, ADO()).Ler(salvos, existem));
        return existem ? salvos.data.toString("yyyy-MM-dd hh:mm") : QStringLiteral("nenhum");
    };
    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela));
    Relogio::Fixar(QDateTime(QDate(2026, 1, 5), QTime(10, 0)));
    janela.chkSemelhanca->setChecked(true);
    Clicar(janela.cmdBuscar);
    ASSERT_TRUE(janela.AguardarAgrupamento(kEsperaMaximaMs));
    EXPECT_EQ(dataSalva(), "2026-01-05 10:00");
    Relogio::Fixar(QDateTime(QDate(2026, 3, 9), QTime(15, 30)));
    Clicar(janela.cmdBuscar);
    ASSERT_TRUE(janela.AguardarAgrupamento(kEsperaMaximaMs));
    EXPECT_EQ(dataSalva(), "2026-01-05 10:00");

    janela.chkSemelhanca->setChecked(false);
    Clicar(janela.cmdAprenderDeNovo);
    EXPECT_TRUE(janela.Agrupando());
    ASSERT_TRUE(janela.AguardarAgrupamento(kEsperaMaximaMs));
    EXPECT_EQ(dataSalva(), "2026-03-09 15:30");
    EXPECT_TRUE(janela.chkSemelhanca->isChecked());
    EXPECT_TRUE(janela.ModoSemelhanca());
    EXPECT_EQ(Coluna(*janela.dbGridCriterio, 1), (QStringList{"3", "2"}));
    EXPECT_TRUE(mensagens.Textos().isEmpty()) << mensagens.Textos().join('\n').toStdString();
}

// Both modes list a group through one path: the similar list carries the same marks, and the
// commands on the list know its records.
TEST_F(JanelaSemelhanca, ListaMostraDecisoesEMarcasSemSolucaoNaSemelhanca) {
    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela));
    executar(QStringLiteral("UPDATE Paciente SET Prontuário = 'P-9' WHERE ID_Paciente = %1")
                 .arg(jose[0]));
    clsADO ado;
    clsDecisaoPessoas decisoes(cn, ado);
    ASSERT_TRUE(decisoes.Registrar({jose[0], jose[2]}, 4, QString(), 1));
    executar(QStringLiteral("INSERT INTO PacienteLogSemSolucao (ID_Paciente, "
                            "ID_PacienteLogJustificativa, ID_Usuario, Descricao) VALUES (%1, 1, "
                            "1, '')")
                 .arg(rita[1]));
    const auto dica = [&janela](int linha) {
        return janela.lstSemelhante->item(linha)->toolTip().toStdString();
    };
    const auto marcada = [&janela](int linha) {
        return !janela.lstSemelhante->item(linha)->icon().isNull();
    };
    // Each row's own line (name, ID, birth date, RG, score) comes first in its tooltip.
    const auto linhaDe = [&janela](int linha) {
        return janela.lstSemelhante->item(linha)->data(PapelLinhaPaciente).toString().toStdString();
    };

    janela.chkSemelhanca->setChecked(true);
    Clicar(janela.cmdBuscar);
    ASSERT_TRUE(janela.AguardarAgrupamento(kEsperaMaximaMs));
    ASSERT_EQ(janela.lstSemelhante->count(), 3);  // JOSÉ's group
    EXPECT_TRUE(marcada(0) && marcada(2));
    EXPECT_FALSE(marcada(1));
    EXPECT_EQ(dica(0),
              linhaDe(0) + "\nNão é a mesma pessoa que o cadastro " + std::to_string(jose[2]));
    EXPECT_EQ(dica(2),
              linhaDe(2) + "\nNão é a mesma pessoa que o cadastro " + std::to_string(jose[0]));
    EXPECT_EQ(dica(1), linhaDe(1));
    EXPECT_NE(linhaDe(0).find(" — ID " + std::to_string(jose[0]) + " — nasc. "), std::string::npos)
        << linhaDe(0);
    EXPECT_NE(linhaDe(0).find(" — pontuação "), std::string::npos) << linhaDe(0);
    QString prontuario;
    roteiro.Entao([&prontuario](QDialog& d) {
        auto* f = Como<frmSemSolucao>(d);
        prontuario = f->lblProntuario->text();
        Clicar(f->cmdCancelar);
    });
    Clicar(janela.cmdSemSolucao);
    EXPECT_EQ(prontuario, "P-9");

    janela.dbGridCriterio->setCurrentIndex(janela.dbGridCriterio->model()->index(1, 0));
    ASSERT_EQ(janela.lstSemelhante->count(), 2);  // RITA's group
    EXPECT_FALSE(marcada(0));
    EXPECT_TRUE(marcada(1));
    EXPECT_EQ(dica(1), linhaDe(1) + "\nPaciente marcado como sem solução");
    // The text of a row is never touched: a mark is an icon and a tooltip.
    EXPECT_EQ(Linhas(*janela.lstSemelhante), (QStringList{"RITA CAMPOS", "Rita  Campos"}));
}
