#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "data/base/Diagnostico.h"
#include "data/base/ErroNumerado.h"
#include "data/base/MostrarMensagem.h"
#include "main/CriteriosGravados.h"
#include "main/InicioPrograma.h"
#include "main/clsPacienteCriterio.h"
#include "settings/Configuracao.h"
#include "support/RegistroProduto.h"
#include "support/SqlRecorder.h"

namespace {

// A Windows folder (WINDIR) of its own, with or without Tessivar.INI.
class InicioProgramaTest : public ::testing::Test {
  protected:
    void SetUp() override {
        windir = QDir(pasta.path()).absolutePath() + QLatin1Char('/');
        qputenv("WINDIR", windir.toUtf8());
        ini = windir + QStringLiteral("Tessivar.INI");
    }
    void TearDown() override { qunsetenv("WINDIR"); }

    void escreverINI(const QByteArray& texto) {
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(texto);
    }

    QTemporaryDir pasta;
    QString windir;
    QString ini;
    Connection cn;
    clsADO ado;
};

TEST_F(InicioProgramaTest, IniAusenteOuIncorretoEDitoComoOWindowsMostra) {
    InicioPrograma inicio(cn, ado);
    EXPECT_FALSE(inicio.LerConfiguracao());
    // The path as Windows would show it, then the real one (this file system minds case).
    EXPECT_EQ(inicio.Mensagem(),
              "Não foi encontrado o arquivo '" + ini.toUpper() + ".'\r\n\r\nCaminho: " + ini);
    for (const QByteArray& texto :
         {QByteArray("[Outro]\nCONN_SERVER=x\n"), QByteArray("[Tessivar]\nCONN_SERVER=\n"),
          QByteArray("[Tessivar]\nOUTRA=1\n")}) {
        escreverINI(texto);
        EXPECT_FALSE(inicio.LerConfiguracao()) << texto.data();
        EXPECT_EQ(inicio.Mensagem(),
                  "Arquivo '" + ini.toUpper() + "' incorreto.\r\n\r\nCaminho: " + ini);
    }
    escreverINI("[Tessivar]\nCONN_SERVER=Provider=SQLite;Data Source=x.db\n");
    EXPECT_TRUE(inicio.LerConfiguracao());
    EXPECT_EQ(inicio.ConnectionString(), "Provider=SQLite;Data Source=x.db");
    EXPECT_EQ(inicio.PastaWindows(), windir);
    EXPECT_TRUE(inicio.PastaAplicacao().endsWith(QDir::separator()));
    EXPECT_EQ(cn.State(), adStateClosed);  // reading the settings opens nothing
}

TEST_F(InicioProgramaTest, ConexaoTentadaDuasVezesEmSilencioDepoisRelatada) {
    RegistroProduto reg;
    const QString ausente = windir + QStringLiteral("Ausente.db");
    escreverINI(("[Tessivar]\nCONN_SERVER=Provider=SQLite;Data Source=" + ausente + "\n").toUtf8());
    int aberturas = 0;
    Connection::DefinirGanchoAbertura([&](const QString&) { ++aberturas; });
    InicioPrograma inicio(cn, ado);
    ASSERT_TRUE(inicio.LerConfiguracao());
    EXPECT_FALSE(inicio.Conectar());
    EXPECT_EQ(aberturas, 2);
    const QString& m = inicio.Mensagem();
    EXPECT_TRUE(
        m.startsWith("Ao abrir a conexão com o banco de dados, ocoreu o seguinte erro."
                     "\r\n\r\nErro nº -2147467259 - "))
        << m.toStdString();
    // After the short text: the engine's own words and where the whole story is logged.
    EXPECT_TRUE(m.contains("\r\n\r\nDetalhe: ") && m.contains("Ausente.db")) << m.toStdString();
    EXPECT_TRUE(m.endsWith("\r\n\r\nRegistro de diagnóstico: " +
                           QDir::toNativeSeparators(dados::ArquivoDiagnostico())))
        << m.toStdString();
    EXPECT_FALSE(QFile::exists(ausente));  // a missing register is never created

    // The first attempt refused, the second through.
    escreverINI(("[Tessivar]\nCONN_SERVER=" + reg.connectionString() + "\n").toUtf8());
    aberturas = 0;
    Connection::DefinirGanchoAbertura([&](const QString&) {
        if (++aberturas == 1) {
            throw ErroNumerado(-2147467259, QStringLiteral("teste"), QStringLiteral("ocupado"));
        }
    });
    ASSERT_TRUE(inicio.LerConfiguracao());
    EXPECT_TRUE(inicio.Conectar());
    Connection::DefinirGanchoAbertura({});
    EXPECT_EQ(aberturas, 2);
    EXPECT_EQ(cn.State(), adStateOpen);
}

TEST(InicioProgramaTabelas, TodasAsTabelasNumaChamadaESoQuandoFaltam) {
    RegistroProduto reg;
    QStringList mensagens;
    const MostrarMensagemFn anterior =
        MostrarMensagem_Definir([&](const QString& t) { mensagens << t; });
    InicioPrograma inicio(reg.cn, reg.ado);
    {
        // A table that cannot be made ends the start-up with the class's own message.
        SqlRecorder rec(reg.cn);
        rec.failOnSql(QStringLiteral("CREATE TABLE [dbo].[Cadunir_Decisao]"));
        EXPECT_FALSE(inicio.CriarTabelas());
        ASSERT_EQ(mensagens.size(), 1);
        EXPECT_TRUE(
            mensagens[0].startsWith("Ao criar a tabela Cadunir_Decisao, ocorreu o "
                                    "seguinte erro:\n\n-2147467259 - "))
            << mensagens[0].toStdString();
    }
    mensagens.clear();
    ASSERT_TRUE(inicio.CriarTabelas());
    for (const char* tabela :
         {"PacienteLog", "PacienteLogExame", "PacienteLogAtualizar", "PacienteLogJustificativa",
          "PacienteLogSemSolucao", "Cadunir_UnificacaoExtra", "Cadunir_UnificacaoSobrevivente",
          "Cadunir_UnificacaoExame", "Cadunir_UnificacaoDesfeita", "Cadunir_Decisao",
          "Cadunir_DecisaoRemovida", "Cadunir_SemSolucaoRemovida", "Cadunir_ListaTrabalho",
          "Cadunir_ParametroBusca"}) {
        EXPECT_TRUE(reg.ado.TableExiste(reg.cn, QString::fromUtf8(tabela))) << tabela;
    }
    SqlRecorder rec(reg.cn);
    ASSERT_TRUE(inicio.CriarTabelas());
    EXPECT_TRUE(rec.texts(Connection::Evento::Execucao).isEmpty())
        << rec.texts().join('\n').toStdString();
    EXPECT_TRUE(mensagens.isEmpty());
    MostrarMensagem_Definir(anterior);
}

TEST(CriteriosGravadosTest, MarcasVoltamComoGravadasEDanificadasTomamOPadrao) {
    static QTemporaryDir configuracao;  // before the process's first settings access
    qputenv("XDG_CONFIG_HOME", configuracao.path().toUtf8());
    const char* chaves[] = {"Nome", "NomeMeio",   "NomeUltimo", "RG",
                            "CIC",  "Nascimento", "Prontuario"};
    const auto salvar = [&](const QStringList& valores) {
        for (int i = 0; i < 7; ++i) {
            SaveSetting("Cadunir", "Criterios", chaves[i], valores[i]);
        }
    };
    using M = CriteriosGravados::Marcas;
    const auto U = Qt::Unchecked, C = Qt::Checked, P = Qt::PartiallyChecked;
    CriteriosGravados gravados;
    salvar({"", "", "", "", "", "", ""});  // a first run: the three names
    EXPECT_EQ(gravados.Ler(), (M{C, C, C, U, U, U, U}));
    salvar({"0", "x", "7", "2", "1", " 1 ", "-1"});
    EXPECT_EQ(gravados.Ler(), (M{U, C, C, P, C, C, U}));

    // Written as 0, 1 and 2; the criteria choose every box that is not unticked.
    gravados.Gravar(M{U, U, C, P, U, U, C});
    CriteriosGravados outra;
    const M lidas = outra.Ler();
    EXPECT_EQ(lidas, (M{U, U, C, P, U, U, C}));
    EXPECT_EQ(GetSetting("Cadunir", "Criterios", "RG"), "2");
    EXPECT_EQ(CriteriosGravados::Criterio(lidas)->ObterSELECT(), "Nome_Último, RG, Prontuário");
    EXPECT_TRUE(CriteriosGravados::Criterio(lidas)->MasQueUmaOcorrencia());
}

}  // namespace
