#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "settings/clsArquivo.h"
#include "settings/clsCriarTXT.h"
#include "settings/clsIO.h"
#include "support/ImprimirQt.h"

namespace {

class clsIOTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pasta.isValid());
        ASSERT_TRUE(QDir(pasta.path()).mkpath("Dados/Sub"));
        for (const char* nome : {"Dados/b.txt", "Dados/a.txt", "Dados/c.log", "Dados/Sub/d.txt"}) {
            Criar(nome, nome);
        }
    }
    QString P(const QString& relativo) const { return pasta.filePath(relativo); }
    void Criar(const QString& relativo, const QByteArray& conteudo) const {
        QFile f(P(relativo));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(conteudo);
    }
    QByteArray Ler(const QString& relativo) const {
        QFile f(P(relativo));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<ausente>");
    }
    void EsperarErro(qint32 numero, const QString& texto) const {
        EXPECT_EQ(io.ErrorNumber(), numero);
        EXPECT_EQ(io.ErrorString(), texto);
    }

    QTemporaryDir pasta;
    clsIO io;
};

// Sets or clears an environment variable for one scope.
class Ambiente {
  public:
    Ambiente(const char* nome, const QByteArray* valor)
        : m_nome(nome), m_tinha(qEnvironmentVariableIsSet(nome)), m_antigo(qgetenv(nome)) {
        valor ? qputenv(nome, *valor) : qunsetenv(nome);
    }
    ~Ambiente() { m_tinha ? qputenv(m_nome, m_antigo) : qunsetenv(m_nome); }

  private:
    const char* m_nome;
    bool m_tinha;
    QByteArray m_antigo;
};

}  // namespace

TEST_F(clsIOTest, WindowsFolderComesFromWINDIROrEtcWithItsCaseKept) {
    {
        const QByteArray valor = "  /srv/Tessivar/Win  ";
        Ambiente a("WINDIR", &valor);
        EXPECT_EQ(io.NvWindowsDir(), "/srv/Tessivar/Win/");
    }
    {
        const QByteArray valor = "/srv/Win/";
        Ambiente a("WINDIR", &valor);
        EXPECT_EQ(io.NvWindowsDir(), "/srv/Win/");
    }
    {
        Ambiente a("WINDIR", nullptr);
        EXPECT_EQ(io.NvWindowsDir(), "/etc/");
    }
    EXPECT_TRUE(io.NvSystemDir().endsWith('/'));
    EXPECT_FALSE(io.NvComputadorNome().isEmpty());
}

TEST_F(clsIOTest, NvDirFindsFilesFoldersRootsAndPatterns) {
    EXPECT_TRUE(io.NvDir(P("Dados/a.txt")));
    EXPECT_TRUE(io.NvDir(P("Dados")));
    EXPECT_TRUE(io.NvDir(P("Dados/")));
    EXPECT_TRUE(io.NvDir("/"));
    EXPECT_TRUE(io.NvDir(P("Dados/*.txt")));
    EXPECT_TRUE(io.NvDir(P("Dados/?.log")));
    EXPECT_FALSE(io.NvDir(P("Dados/*.xyz")));
    EXPECT_FALSE(io.NvDir(P("Dados/A.TXT")));  // these file systems tell case apart
    EXPECT_FALSE(io.NvDir(P("*/a.txt")));      // wildcards only in the last part
    EXPECT_FALSE(io.NvDir(""));
    EXPECT_FALSE(io.NvDir("\\"));
    EXPECT_FALSE(io.NvDir(P("Falta")));
    EXPECT_FALSE(io.NvDir(P("Falta/")));
    EXPECT_FALSE(io.NvDir(P("Dados/Falta/a.txt")));
    EXPECT_EQ(io.ErrorNumber(), 0);
}

TEST_F(clsIOTest, NvDirFirstNextEndWalkASearch) {
    EXPECT_EQ(io.NvDirFirst(P("Dados/*.txt")), "a.txt");
    EXPECT_EQ(io.NvDirNext(), "b.txt");
    EXPECT_EQ(io.NvDirNext(), "");
    EXPECT_EQ(io.NvDirNext(), "");

    // A search that finds nothing leaves the open one alone.
    EXPECT_EQ(io.NvDirFirst(P("Dados/*")), ".");
    EXPECT_EQ(io.NvDirNext(), "..");
    EXPECT_EQ(io.NvDirFirst(P("Dados/*.xyz")), "");
    EXPECT_EQ(io.NvDirFirst(""), "");
    EXPECT_EQ(io.NvDirNext(), "Sub");
    EXPECT_EQ(io.NvDirNext(), "a.txt");
    EXPECT_TRUE(io.NvDirEnd());
    EXPECT_EQ(io.NvDirNext(), "");
    EXPECT_TRUE(io.NvDirEnd());

    // Without wildcards the entry itself is found.
    EXPECT_EQ(io.NvDirFirst(P("Dados/")), "Dados");
    EXPECT_EQ(io.NvDirNext(), "");
}

TEST_F(clsIOTest, FileOperationsReportTheRunTimeNumbers) {
    EXPECT_TRUE(io.NvCopy(P("Dados/a.txt"), P("Dados/b.txt")));
    EXPECT_EQ(Ler("Dados/b.txt"), "Dados/a.txt");
    EXPECT_FALSE(io.NvCopy(P("Dados/falta.txt"), P("x.txt")));
    EsperarErro(53, "Arquivo não encontrado");
    EXPECT_FALSE(io.NvCopy(P("Falta/a.txt"), P("x.txt")));
    EsperarErro(76, "Caminho não encontrado");
    EXPECT_FALSE(io.NvCopy(P("Dados/a.txt"), P("Falta/x.txt")));
    EsperarErro(76, "Caminho não encontrado");
    EXPECT_FALSE(io.NvCopy(P("Dados"), P("x")));
    EsperarErro(75, "Erro de acesso ao caminho/arquivo");

    EXPECT_FALSE(io.NvRename(P("Dados/a.txt"), P("Dados/b.txt")));
    EsperarErro(58, "O arquivo já existe");
    EXPECT_EQ(Ler("Dados/b.txt"), "Dados/a.txt");
    EXPECT_TRUE(io.NvRename(P("Dados/a.txt"), P("Dados/Sub/z.txt")));
    EXPECT_EQ(Ler("Dados/Sub/z.txt"), "Dados/a.txt");
    EXPECT_FALSE(io.NvRename(P("Dados/a.txt"), P("y.txt")));
    EsperarErro(53, "Arquivo não encontrado");

    // Wildcards delete every matching file and no folder.
    Criar("Dados/Sub.txt.d", "");
    EXPECT_TRUE(io.NvKill(P("Dados/*")));
    EXPECT_EQ(QDir(P("Dados")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{"Sub"});
    EXPECT_FALSE(io.NvKill(P("Dados/*.txt")));
    EsperarErro(53, "Arquivo não encontrado");
    EXPECT_FALSE(io.NvKill(P("Dados/Sub")));
    EsperarErro(53, "Arquivo não encontrado");
    EXPECT_TRUE(QFileInfo(P("Dados/Sub/d.txt")).exists());
}

TEST_F(clsIOTest, FolderOperations) {
    EXPECT_TRUE(io.NvCriarDiretório(P("Nova")));
    EXPECT_FALSE(io.NvCriarDiretório(P("Nova/")));
    EsperarErro(75, "Erro de acesso ao caminho/arquivo");
    EXPECT_FALSE(io.NvCriarDiretório(P("Falta/Nova")));
    EsperarErro(76, "Caminho não encontrado");

    // Into a folder given with a final separator; as the named folder otherwise, overwriting.
    EXPECT_TRUE(io.NvCopyDiretório(P("Dados"), P("Nova/")));
    EXPECT_EQ(Ler("Nova/Dados/Sub/d.txt"), "Dados/Sub/d.txt");
    Criar("Copia.txt", "");
    EXPECT_TRUE(io.NvCopyDiretório(P("Dados"), P("Copia")));
    EXPECT_EQ(Ler("Copia/a.txt"), "Dados/a.txt");
    Criar("Dados/a.txt", "novo");
    EXPECT_TRUE(io.NvCopyDiretório(P("Dados"), P("Copia")));
    EXPECT_EQ(Ler("Copia/a.txt"), "novo");
    EXPECT_FALSE(io.NvCopyDiretório(P("Falta"), P("Outra")));
    EsperarErro(76, "Caminho não encontrado");
    EXPECT_FALSE(io.NvCopyDiretório(P("Dados"), P("Dados/Sub/Dentro")));
    EsperarErro(75, "Erro de acesso ao caminho/arquivo");
    EXPECT_FALSE(QFileInfo::exists(P("Dados/Sub/Dentro")));

    QFile::setPermissions(P("Copia/a.txt"), QFileDevice::ReadOwner);
    EXPECT_TRUE(io.NvKillDiretório(P("Copia/")));
    EXPECT_FALSE(QFileInfo::exists(P("Copia")));
    EXPECT_FALSE(io.NvKillDiretório(P("Copia")));
    EsperarErro(76, "Caminho não encontrado");
    EXPECT_FALSE(io.NvKillDiretório(P("Copia.txt")));
    EsperarErro(76, "Caminho não encontrado");
    EXPECT_TRUE(QFileInfo::exists(P("Copia.txt")));
    // A root is never deleted.
    EXPECT_FALSE(io.NvKillDiretório("/"));
    EsperarErro(70, "Permissão negada");
    EXPECT_FALSE(io.NvKillDiretório(""));
}

TEST_F(clsIOTest, DriveQuestionsAnswerForTheVolumeOfAFolder) {
    const qint32 tipo = io.NvDriveTipo(pasta.path());
    EXPECT_GE(tipo, 1);
    EXPECT_LE(tipo, 5);
    EXPECT_TRUE(io.NvDrivePronto(pasta.path()));
    EXPECT_GT(io.NvEspaçoLivre(pasta.path()), 0);
    EXPECT_EQ(io.ErrorNumber(), 0);

    EXPECT_EQ(io.NvDriveTipo(P("Falta")), 0);
    EXPECT_EQ(io.NvDriveTipo(P("Dados/a.txt")), 0);
    EXPECT_FALSE(io.NvDrivePronto(P("Falta")));
    EXPECT_EQ(io.NvEspaçoLivre(P("Falta")), 0);
    EsperarErro(68, "Dispositivo não disponível");
}

TEST(clsArquivo, SplitsAFullName) {
    clsArquivo a;
    a.setArquivo("C:\\Meus Dados\\Exame.final.txt");
    EXPECT_EQ(a.Arquivo(), "C:\\Meus Dados\\Exame.final.txt");
    EXPECT_EQ(a.Caminho(), "C:\\Meus Dados\\");
    EXPECT_EQ(a.Nome(), "Exame.final.txt");
    EXPECT_EQ(a.Extensão(), "txt");
    EXPECT_EQ(a.NomeSemExtensão(), "Examefinal");
    EXPECT_EQ(a.Drive(), "C:");
    EXPECT_EQ(a.ArquivoInternet(), "file://C:/Meus%20Dados/Exame.final.txt");

    a.setArquivo("/home/meus dados/LEIAME");
    EXPECT_EQ(a.Caminho(), "/home/meus dados/");
    EXPECT_EQ(a.Nome(), "LEIAME");
    EXPECT_EQ(a.Extensão(), "LEIAME");
    EXPECT_EQ(a.NomeSemExtensão(), "");
    EXPECT_EQ(a.Drive(), "/home/meus dados/LEIAME:");
    EXPECT_EQ(a.ArquivoInternet(), "file:///home/meus%20dados/LEIAME");

    a.setArquivo("");
    EXPECT_EQ(a.Caminho(), "");
    EXPECT_EQ(a.Nome(), "");
    EXPECT_EQ(a.Extensão(), "");
    EXPECT_EQ(a.Drive(), ":");
    EXPECT_EQ(a.ArquivoInternet(), "file://");

    EXPECT_EQ(clsArquivo::GetNome("D:\\a.b.txt"), "a.b.txt");
    EXPECT_EQ(clsArquivo::GetNomeSemExtensão("D:\\a.b.txt"), "ab");
    EXPECT_EQ(clsArquivo::GetCaminho("a.txt"), "");
    EXPECT_EQ(clsArquivo::GetExtensão("D:\\Pasta.x\\"), "");
}

TEST_F(clsIOTest, clsCriarTXTWritesLinesEndedByCRLF) {
    clsCriarTXT txt;
    EXPECT_FALSE(txt.Gravar("antes"));
    txt.setFullPath(P("Dados/a.txt"));
    EXPECT_FALSE(txt.Gravar("antes"));
    EXPECT_EQ(Ler("Dados/a.txt"), "Dados/a.txt");

    ASSERT_TRUE(txt.Abrir());
    EXPECT_TRUE(txt.Gravar("José"));
    EXPECT_TRUE(txt.Gravar(""));
    EXPECT_TRUE(txt.Gravar(42));
    txt.Fechar();
    EXPECT_EQ(Ler("Dados/a.txt"), "José\r\n\r\n42\r\n");
    EXPECT_FALSE(txt.Gravar("depois"));

    {
        clsCriarTXT outro;
        ASSERT_TRUE(outro.Abrir(P("novo.txt")));
        EXPECT_EQ(outro.FullPath(), P("novo.txt"));
        EXPECT_TRUE(outro.Gravar("linha"));
    }  // closed when it goes
    EXPECT_EQ(Ler("novo.txt"), "linha\r\n");

    EXPECT_FALSE(txt.Abrir(P("Dados")));
    EXPECT_EQ(txt.ErrorNumber(), 75);
    EXPECT_EQ(txt.ErrorString(), "Erro de acesso ao caminho/arquivo");
    EXPECT_FALSE(txt.Gravar("x"));
    EXPECT_FALSE(txt.Abrir(P("Falta/x.txt")));
    EXPECT_EQ(txt.ErrorNumber(), 76);
}
