#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <QDateTime>

#include "patient/Normalizacao.h"

using namespace semelhanca;

TEST(Normalizacao, NamesLoseCaseAccentsPunctuationAndExtraBlanks) {
    EXPECT_EQ(TextoNormalizado(QString::fromUtf8("José")), "JOSE");
    // Every lower-case letter, the last of the alphabet too.
    EXPECT_EQ(TextoNormalizado(QStringLiteral("abcdefghijklmnopqrstuvwxyz Souza")),
              "ABCDEFGHIJKLMNOPQRSTUVWXYZ SOUZA");
    EXPECT_EQ(TextoNormalizado(QString::fromUtf8("  CONCEIÇÃO   da  Glória ")),
              "CONCEICAO DA GLORIA");
    EXPECT_EQ(TextoNormalizado(QString::fromUtf8("D'ÁVILA")), "DAVILA");
    EXPECT_EQ(TextoNormalizado(QString::fromUtf8("O’CONNOR")), "OCONNOR");
    EXPECT_EQ(TextoNormalizado(QStringLiteral("SILVA-SANTOS")), "SILVA SANTOS");
    // NULL and the empty text (and blanks only) are the same: nothing known.
    EXPECT_EQ(TextoNormalizado(QVariant()), QByteArray());
    EXPECT_EQ(TextoNormalizado(QVariant(QString())), QByteArray());
    EXPECT_EQ(TextoNormalizado(QVariant(QStringLiteral("   "))), QByteArray());
    // The UTF-8 form the finder reads gives the same, bytes that are no UTF-8 being no letter.
    std::string saida;
    TextoNormalizado(std::string_view("  Conceição  d'Ávila\xff\xfe x"), saida);
    EXPECT_EQ(saida, "CONCEICAO DAVILA X");
}

TEST(Normalizacao, DocumentsKeepDigitsAndTheCicCheckDigitsAreEvidence) {
    EXPECT_EQ(Digitos(QStringLiteral("12.345.678-X"), true), "12345678X");
    EXPECT_EQ(Digitos(QStringLiteral("12.345.678-x"), false), "12345678");
    EXPECT_EQ(Digitos(QStringLiteral("111 444 777 35")), "11144477735");
    EXPECT_EQ(Digitos(QVariant()), QByteArray());
    // A CIC kept in a numeric column lost its leading zeros.
    EXPECT_EQ(CicNormalizado(QVariant(123456789)), "00123456789");
    EXPECT_EQ(CicNormalizado(QVariant(1234567890)), "01234567890");
    EXPECT_TRUE(CicValido("11144477735"));
    // Valid numbers, check digits of 0 among them (a remainder of 0 or 1 gives 0).
    for (const char* valido :
         {"52998224725", "00000000191", "12345678909", "98765432100", "10000003700", "20000000108"})
        EXPECT_TRUE(CicValido(valido)) << valido;
    EXPECT_FALSE(CicValido("11144477736"));  // one check digit off
    EXPECT_FALSE(CicValido("11144477753"));  // the check digits swapped
    EXPECT_FALSE(CicValido("11111111111"));  // valid digits, but a placeholder
    EXPECT_FALSE(CicValido("1114447773"));
}

TEST(Normalizacao, AddressesReducedToStreetAndNumber) {
    const std::pair<const char*, std::pair<const char*, quint32>> casos[] = {
        {"R. das Flores, 120 apto 31", {"FLORES", 120}},
        {"RUA FLORES 120", {"FLORES", 120}},
        {"Rua 7 de Setembro, 1.200", {"7 SETEMBRO", 1}},
        {"AV. GETÚLIO VARGAS, 229, APTO 12", {"GETULIO VARGAS", 229}},
        {"12 HIGH STREET", {"HIGH", 12}},
        {"TRAVESSA DA PAZ S/N", {"PAZ", 0}},
        {"", {"", 0}},
        {"Rua das Flores, 0, 12", {"FLORES", 12}},  // a number 0 says nothing: the next one
        {"1 2 3", {"1 2", 3}},                      // the last number; single digits stay
        {"Apto 12 Rua X", {"", 0}},                 // nothing before the complement
        {"R Castro Alves 311, apto 5", {"CASTRO ALVES", 311}},  // only the flat after the comma
        {"Rua 7 de Setembro, apto 3", {"7 SETEMBRO", 0}},
        // A word longer than any listed, and one that starts as a listed word does.
        {"Rua Crescente 10, apartamento 4", {"CRESCENTE", 10}},
        {"Travessas 3 apartamento 4", {"TRAVESSAS", 3}},
    };
    for (const auto& [texto, esperado] : casos) {
        const EnderecoNormalizado e = Endereco(QString::fromUtf8(texto));
        EXPECT_EQ(e.rua, esperado.first) << texto;
        EXPECT_EQ(e.numero, esperado.second) << texto;
    }
}

TEST(Normalizacao, BirthDatesFromTheDatabaseAndFromTexts) {
    EXPECT_EQ(DataNascimento(QDateTime(QDate(1970, 6, 21), QTime(0, 0))), 19700621);
    EXPECT_EQ(DataNascimento(QStringLiteral("21/06/1970")), 19700621);
    EXPECT_EQ(DataNascimento(QStringLiteral("1970-06-21 00:00:00")), 19700621);
    EXPECT_EQ(DataNascimento(QStringLiteral("31/02/1970")), 0);
    EXPECT_EQ(DataNascimento(QStringLiteral("")), 0);
    EXPECT_EQ(DataNascimento(QVariant()), 0);
    EXPECT_EQ(DataNascimento(std::string_view("1970-06-21 00:00:00")), 19700621);
    EXPECT_EQ(DataNascimento(std::string_view("1970-02-30")), 0);
    EXPECT_EQ(DataNascimento(std::string_view("1970-0x-21")), 0);
}

TEST(Normalizacao, APortuguesePhoneticKey) {
    const std::pair<const char*, const char*> iguais[] = {
        {"SOUSA", "SOUZA"},    {"LUIS", "LUIZ"},      {"THIAGO", "TIAGO"},
        {"PHILIPE", "FILIPE"}, {"YARA", "IARA"},      {"WALTER", "VALTER"},
        {"MATHEUS", "MATEUS"}, {"ISABEL", "IZABEL"},  {"NASCIMENTO", "NACIMENTO"},
        {"CAMILA", "CAMILLA"}, {"WILLIAM", "WILIAN"},
    };
    for (const auto& [a, b] : iguais) EXPECT_EQ(ChaveFonetica(a), ChaveFonetica(b)) << a << b;
    EXPECT_NE(ChaveFonetica("MARIA"), ChaveFonetica("MARTA"));
    EXPECT_NE(ChaveFonetica("SILVA"), ChaveFonetica("SOUZA"));
}

TEST(Normalizacao, StringDistances) {
    EXPECT_NEAR(JaroWinkler("MARTHA", 6, "MARHTA", 6), 0.961, 0.001);
    EXPECT_NEAR(JaroWinkler("DIXON", 5, "DICKSONX", 8), 0.813, 0.001);
    EXPECT_EQ(JaroWinkler("ANA", 3, "ANA", 3), 1.0);
    EXPECT_EQ(JaroWinkler("ABC", 3, "XYZ", 3), 0.0);
    EXPECT_EQ(DistanciaEdicao("19700621", 8, "19700612", 8, 2), 1);  // neighbours swapped
    EXPECT_EQ(DistanciaEdicao("SILVA", 5, "SILVIA", 6, 2), 1);
    EXPECT_EQ(DistanciaEdicao("SILVA", 5, "SOUZA", 5, 1), 2);  // capped
    // Limit 1 takes a one-pass path: it must agree with the full table on every pair of
    // short words over a small alphabet (swaps, repeats, ends included).
    std::vector<std::string> palavras{""};
    for (size_t k = 0; k < palavras.size() && palavras[k].size() < 4; ++k)
        for (char c : {'A', 'B', 'C'}) palavras.push_back(palavras[k] + c);
    for (const std::string& x : palavras)
        for (const std::string& y : palavras) {
            const int cheia =
                std::min(DistanciaEdicao(x.data(), int(x.size()), y.data(), int(y.size()), 4), 2);
            ASSERT_EQ(DistanciaEdicao(x.data(), int(x.size()), y.data(), int(y.size()), 1), cheia)
                << x << " / " << y;
        }
}
