#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "settings/Configuracao.h"
#include "support/ImprimirQt.h"

TEST(Configuracao, SavedSettingsComeBackPerApplicationSectionAndKey) {
    // Tests run with the configuration folder inside the build folder (tests/CMakeLists.txt).
    const QString app = QStringLiteral("CadunirTesteConfiguracao");
    EXPECT_EQ(GetSetting(app, "Senha", "Usuário", "ninguém"), "ninguém");
    EXPECT_EQ(GetSetting(app, "Senha", "Usuário"), "");

    EXPECT_TRUE(SaveSetting(app, "Senha", "Usuário", "João da Conceição"));
    EXPECT_TRUE(SaveSetting(app, "Criterios", "chkRG", "1"));
    EXPECT_TRUE(SaveSetting(app, "Criterios", "Lista", "a, b; c=d"));
    EXPECT_EQ(GetSetting(app, "Senha", "Usuário"), "João da Conceição");
    EXPECT_EQ(GetSetting(app, "Criterios", "chkRG", "0"), "1");
    EXPECT_EQ(GetSetting(app, "Criterios", "Lista"), "a, b; c=d");
    EXPECT_EQ(GetSetting(app + "Outra", "Criterios", "chkRG", "0"), "0");
    EXPECT_EQ(GetSetting(app, "Outra", "chkRG", "0"), "0");

    EXPECT_TRUE(SaveSetting(app, "Senha", "Usuário", ""));
    EXPECT_EQ(GetSetting(app, "Senha", "Usuário", "x"), "");

    EXPECT_FALSE(SaveSetting(app, "", "k", "v"));
    EXPECT_FALSE(SaveSetting("", "s", "k", "v"));
    EXPECT_EQ(GetSetting(app, "Senha", "", "padrão"), "padrão");

    const QString arquivo =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/" + app + "/" +
        app + ".ini";
    EXPECT_TRUE(QFileInfo::exists(arquivo)) << arquivo.toStdString();
    QDir(QFileInfo(arquivo).path()).removeRecursively();
}

TEST(Configuracao, TheOldLowerCaseStoreIsFoldedIntoTheOneStoreOnce) {
    const QString app = QStringLiteral("CadunirTesteMigracao");
    const QString antigo = QStringLiteral("cadunirtestemigracao");
    const QString pasta = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QString arquivoAntigo = pasta + "/" + antigo + "/" + antigo + ".ini";
    QDir(pasta + "/" + app).removeRecursively();
    QDir(pasta + "/" + antigo).removeRecursively();

    // Nothing to fold: no file is made.
    EXPECT_TRUE(MigrarConfiguracaoAntiga(app, antigo));
    EXPECT_FALSE(QFileInfo::exists(pasta + "/" + app + "/" + app + ".ini"));

    ASSERT_TRUE(SaveSetting(antigo, "Senha", "Usuário", "João da Conceição"));
    ASSERT_TRUE(SaveSetting(antigo, "Criterios", "chkRG", "1"));
    ASSERT_TRUE(SaveSetting(app, "Criterios", "chkRG", "0"));
    EXPECT_TRUE(MigrarConfiguracaoAntiga(app, antigo));
    EXPECT_EQ(GetSetting(app, "Senha", "Usuário"), "João da Conceição");
    EXPECT_EQ(GetSetting(app, "Criterios", "chkRG"), "0") << "a key already there wins";
    EXPECT_FALSE(QFileInfo::exists(arquivoAntigo));
    EXPECT_TRUE(QFileInfo::exists(arquivoAntigo + ".migrado")) << "kept, not deleted";

    // Read once: a later start finds nothing more to fold, and changes stick.
    ASSERT_TRUE(SaveSetting(app, "Senha", "Usuário", "ANA"));
    EXPECT_TRUE(MigrarConfiguracaoAntiga(app, antigo));
    EXPECT_EQ(GetSetting(app, "Senha", "Usuário"), "ANA");

    // A store that cannot be written keeps the old file for the next start.
    ASSERT_TRUE(SaveSetting(antigo, "Senha", "Usuário", "Outro"));
    QDir(pasta + "/" + app).removeRecursively();
    QFile bloqueio(pasta + "/" + app);
    ASSERT_TRUE(bloqueio.open(QIODevice::WriteOnly));  // a file where the folder should be
    bloqueio.close();
    EXPECT_FALSE(MigrarConfiguracaoAntiga(app, antigo));
    EXPECT_TRUE(QFileInfo::exists(arquivoAntigo));
    QFile::remove(pasta + "/" + app);
    QDir(pasta + "/" + antigo).removeRecursively();
}
