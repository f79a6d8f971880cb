#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include "settings/clsArquivo.h"
#include "settings/clsCriarTXT.h"
#include "settings/clsIO.h"
#include "support/ImprimirQt.h"
#include "support/VariavelAmbiente.h"

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
    // A refused operation and the run-time error it left, with its text.
    void Recusa(bool feito, qint32 numero) const {
        static const QHash<qint32, QString> textos = {{53, "Arquivo não encontrado"},
                                                      {58, "O arquivo já existe"},
                                                      {68, "Dispositivo não disponível"},
                                                      {70, "Permissão negada"},
                                                      {75, "Erro de acesso ao caminho/arquivo"},
                                                      {76, "Caminho não encontrado"}};
        EXPECT_FALSE(feito);
        EXPECT_EQ(io.ErrorNumber(), numero);
        EXPECT_EQ(io.ErrorString(), textos.value(numero));
    }

    QTemporaryDir pasta;
    clsIO io;
};

}  // namespace

TEST_F(clsIOTest, WindowsFolderComesFromWINDIROrEtcWithItsCaseKept) {
    const std::pair<const char*, QString> casos[] = {
        {"  /srv/Tessivar/Win  ", "/srv/Tessivar/Win/"},
        {"/srv/Win/", "/srv/Win/"},
        {nullptr, "/etc/"}};
    for (const auto& [valor, pasta] : casos) {
        VariavelAmbiente a("WINDIR", valor ? QByteArray(valor) : QByteArray());
        EXPECT_EQ(io.NvWindowsDir(), pasta) << (valor ? valor : "unset");
    }
    EXPECT_TRUE(io.NvSystemDir().endsWith('/'));
    EXPECT_FALSE(io.NvComputadorNome().isEmpty());
}

TEST_F(clsIOTest, NvDirFindsFilesFoldersRootsAndPatterns) {
    for (const QString& achado : {P("Dados/a.txt"), P("Dados"), P("Dados/"), QString("/"),
                                  P("Dados/*.txt"), P("Dados/?.log")}) {
        EXPECT_TRUE(io.NvDir(achado)) << achado.toStdString();
    }
    // These file systems tell case apart; wildcards only in the last part.
    for (const QString& nada : {P("Dados/*.xyz"), P("Dados/A.TXT"), P("*/a.txt"), QString(),
                                QString("\\"), P("Falta"), P("Falta/"), P("Dados/Falta/a.txt")}) {
        EXPECT_FALSE(io.NvDir(nada)) << nada.toStdString();
    }
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
    Recusa(io.NvCopy(P("Dados/falta.txt"), P("x.txt")), 53);
    Recusa(io.NvCopy(P("Falta/a.txt"), P("x.txt")), 76);
    Recusa(io.NvCopy(P("Dados/a.txt"), P("Falta/x.txt")), 76);
    Recusa(io.NvCopy(P("Dados"), P("x")), 75);

    Recusa(io.NvRename(P("Dados/a.txt"), P("Dados/b.txt")), 58);
    EXPECT_EQ(Ler("Dados/b.txt"), "Dados/a.txt");
    EXPECT_TRUE(io.NvRename(P("Dados/a.txt"), P("Dados/Sub/z.txt")));
    EXPECT_EQ(Ler("Dados/Sub/z.txt"), "Dados/a.txt");
    Recusa(io.NvRename(P("Dados/a.txt"), P("y.txt")), 53);

    // Wildcards delete every matching file and no folder.
    Criar("Dados/Sub.txt.d", "");
    EXPECT_TRUE(io.NvKill(P("Dados/*")));
    EXPECT_EQ(QDir(P("Dados")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{"Sub"});
    Recusa(io.NvKill(P("Dados/*.txt")), 53);
    Recusa(io.NvKill(P("Dados/Sub")), 53);
    EXPECT_TRUE(QFileInfo(P("Dados/Sub/d.txt")).exists());
}

TEST_F(clsIOTest, FolderOperations) {
    EXPECT_TRUE(io.NvCriarDiretório(P("Nova")));
    Recusa(io.NvCriarDiretório(P("Nova/")), 75);
    Recusa(io.NvCriarDiretório(P("Falta/Nova")), 76);

    // Into a folder given with a final separator; as the named folder otherwise, overwriting.
    EXPECT_TRUE(io.NvCopyDiretório(P("Dados"), P("Nova/")));
    EXPECT_EQ(Ler("Nova/Dados/Sub/d.txt"), "Dados/Sub/d.txt");
    Criar("Copia.txt", "");
    EXPECT_TRUE(io.NvCopyDiretório(P("Dados"), P("Copia")));
    EXPECT_EQ(Ler("Copia/a.txt"), "Dados/a.txt");
    Criar("Dados/a.txt", "novo");
    EXPECT_TRUE(io.NvCopyDiretório(P("Dados"), P("Copia")));
    EXPECT_EQ(Ler("Copia/a.txt"), "novo");
    Recusa(io.NvCopyDiretório(P("Falta"), P("Outra")), 76);
    Recusa(io.NvCopyDiretório(P("Dados"), P("Dados/Sub/Dentro")), 75);
    EXPECT_FALSE(QFileInfo::exists(P("Dados/Sub/Dentro")));

    QFile::setPermissions(P("Copia/a.txt"), QFileDevice::ReadOwner);
    EXPECT_TRUE(io.NvKillDiretório(P("Copia/")));
    EXPECT_FALSE(QFileInfo::exists(P("Copia")));
    Recusa(io.NvKillDiretório(P("Copia")), 76);
    Recusa(io.NvKillDiretório(P("Copia.txt")), 76);
    EXPECT_TRUE(QFileInfo::exists(P("Copia.txt")));
    // A root is never deleted.
    Recusa(io.NvKillDiretório("/"), 70);
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
    EXPECT_EQ(io.NvEspaçoLivre(P("Falta")), 0);
    Recusa(io.NvDrivePronto(P("Falta")), 68);
}

TEST(clsArquivo, SplitsAFullName) {
    // Full name, then its path, name, extension, name without extension, drive, URL.
    const QStringList casos[] = {
        {"C:\\Meus Dados\\Exame.final.txt", "C:\\Meus Dados\\", "Exame.final.txt", "txt",
         "Examefinal", "C:", "file://C:/Meus%20Dados/Exame.final.txt"},
        {"/home/meus dados/LEIAME", "/home/meus dados/", "LEIAME", "LEIAME", "",
         "/home/meus dados/LEIAME:", "file:///home/meus%20dados/LEIAME"},
        {"", "", "", "", "", ":", "file://"}};
    for (const QStringList& c : casos) {
        clsArquivo a;
        a.setArquivo(c[0]);
        EXPECT_EQ((QStringList{a.Arquivo(), a.Caminho(), a.Nome(), a.Extensão(),
                               a.NomeSemExtensão(), a.Drive(), a.ArquivoInternet()}),
                  c);
    }
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
