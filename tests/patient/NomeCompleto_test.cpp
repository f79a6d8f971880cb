#include <gtest/gtest.h>

#include "patient/NomeCompleto.h"

namespace {
std::tuple<QString, QString, QString> partes(const QString& nome) {
    const PartesNome p = NomeSepararPartes(nome);
    return {p.nome, p.meio, p.ultimo};
}
using T = std::tuple<QString, QString, QString>;
}  // namespace

TEST(NomeCompleto, SplitsAtEverySingleBlank) {
    EXPECT_EQ(partes(""), T("", "", ""));
    EXPECT_EQ(partes("MARIA"), T("MARIA", "", ""));
    EXPECT_EQ(partes("JOSE SILVA"), T("JOSE", "", "SILVA"));
    EXPECT_EQ(partes("MARIA DA SILVA SANTOS"), T("MARIA", "DA SILVA", "SANTOS"));
    // Consecutive blanks give empty pieces; the middle is trimmed of blanks only.
    EXPECT_EQ(partes("MARIA  SILVA"), T("MARIA", "", "SILVA"));
    EXPECT_EQ(partes("ANA  DE   SOUZA CRUZ"), T("ANA", "DE   SOUZA", "CRUZ"));
    EXPECT_EQ(partes("MARIA SILVA "), T("MARIA", "SILVA", ""));
    EXPECT_EQ(partes(" MARIA SILVA"), T("", "MARIA", "SILVA"));
    // A tab is no separator and survives the trim.
    EXPECT_EQ(partes("ANA \tDE SOUZA"), T("ANA", "\tDE", "SOUZA"));
}

TEST(NomeCompleto, PartsAreCutToTheirColumns) {
    const QString longo(40, 'A');
    EXPECT_EQ(partes(longo), T(QString(30, 'A'), "", ""));
    const auto [nome, meio, ultimo] = partes("ANA " + QString(60, 'B') + " " + QString(25, 'C'));
    EXPECT_EQ(meio, QString(50, 'B'));
    EXPECT_EQ(ultimo, QString(20, 'C'));
    const QString dezMil(10000, 'X');
    EXPECT_EQ(std::get<0>(partes(dezMil)).size(), 30);
}

TEST(NomeCompleto, JoinsPresentPartsWithOneBlank) {
    EXPECT_EQ(NomeJuntarPartes("JOSE", "DA", "SILVA"), "JOSE DA SILVA");
    EXPECT_EQ(NomeJuntarPartes("JOSE", "", "SILVA"), "JOSE SILVA");
    EXPECT_EQ(NomeJuntarPartes("JOSE", "", ""), "JOSE");
    EXPECT_EQ(NomeJuntarPartes("", "", "SILVA"), " SILVA");  // the first name always counts
    EXPECT_EQ(NomeJuntarPartes(QString::fromUtf8("D'ÁVILA"), "", "O\"NEIL"),
              QString::fromUtf8("D'ÁVILA O\"NEIL"));
}
