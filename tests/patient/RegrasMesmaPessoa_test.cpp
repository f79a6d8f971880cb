#include <gtest/gtest.h>

#include <QDate>

#include "patient/RegrasMesmaPessoa.h"

using namespace semelhanca;

TEST(RegrasMesmaPessoa, BirthDatesThatAreOneTypingSlip) {
    struct Caso {
        qint32 a, b;
        bool compativeis;
    };
    const Caso casos[] = {
        {19700315, 19700315, true},
        {19700315, 19700316, true},   // one digit of the day
        {19700315, 19790315, true},   // one digit of the year
        {19700315, 19070315, true},   // 70 / 07: neighbours swapped
        {19700312, 19700321, true},   // 12 / 21
        {19700312, 19701203, true},   // day and month swapped
        {19700315, 19710415, false},  // two digits, not neighbours
        {19700315, 19170315, false},  // 70 / 17
        {19460312, 19990312, false},
        {19700312, 19711203, false},  // a swap holds only within one year
        {19700312, 19701205, false},  // the day is the other's month, not the other way round
        // Two differing digits that are each other's but not neighbours: 21/06 / 26/01.
        {19700621, 19700126, false},
        {19700312, 19700213, false},  // 12/03 / 13/02: the same, across day and month
    };
    for (const Caso& c : casos) {
        EXPECT_EQ(DatasCompativeis(c.a, c.b), c.compativeis) << c.a << " " << c.b;
        EXPECT_EQ(DatasCompativeis(c.b, c.a), c.compativeis) << c.b << " " << c.a;
    }
    EXPECT_TRUE(DatasCompativeis(QDate(1970, 3, 12), QDate(1970, 12, 3)));
    EXPECT_EQ(DigitosDiferentes(19700315, 19710415), 2);
}

TEST(RegrasMesmaPessoa, SignsOfDifferentPeopleComeFromComparedForms) {
    const auto sinais = [](const Identificacao& a, const Identificacao& b) {
        return SinaisPessoasDiferentes(a, b);
    };
    // Punctuation, case and a CIC kept as a number are no difference.
    const Identificacao a = Identificacao::De("052.998.224-25", "12.345.678-x", "f", "1946-03-12");
    const Identificacao b = Identificacao::De("5299822425", "12345678X", "F", QDate(1946, 12, 3));
    EXPECT_EQ(sinais(a, b), 0);
    const Identificacao c = Identificacao::De("111.444.777-35", "9.999.999", "M", "1999-07-05");
    EXPECT_EQ(sinais(a, c), SinalCic | SinalRg | SinalSexo | SinalNascimento);
    EXPECT_EQ(TextosSinais(sinais(a, c)),
              QStringList({"CIC diferente", "RG diferente", "sexo diferente",
                           "datas de nascimento incompatíveis"}));
    // A field left empty on either side never makes a sign.
    EXPECT_EQ(sinais(a, Identificacao::De({}, "", " ", {})), 0);
}
