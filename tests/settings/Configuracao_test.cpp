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
