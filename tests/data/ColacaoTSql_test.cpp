// The text collation against a plain reference: decode the whole text, drop trailing blanks,
// compare base letters (case and accent removed), then length, then the lower-case letters.
#include <gtest/gtest.h>

#include <QList>
#include <QRandomGenerator>
#include <QString>
#include <cstring>

#include "data/sqlite/FuncoesTSql.h"

namespace {

int Sinal(int x) {
    return x < 0 ? -1 : (x > 0 ? 1 : 0);
}

int Comparar(const QByteArray& a, const QByteArray& b) {
    return Sinal(
        dados::CompararTextoTSql(a.constData(), int(a.size()), b.constData(), int(b.size())));
}

int Comparar(const char* a, const char* b) {
    return Comparar(QByteArray(a), QByteArray(b));
}

char32_t Base(char32_t c) {
    const char32_t m = QChar::toLower(c);
    const QString d = QChar::decomposition(m);
    return d.isEmpty() ? m : d.at(0).unicode();
}

// Valid UTF-8 only: invalid bytes are covered case by case below.
int Referencia(const QByteArray& a, const QByteArray& b) {
    QString sa = QString::fromUtf8(a), sb = QString::fromUtf8(b);
    while (sa.endsWith(' ')) sa.chop(1);
    while (sb.endsWith(' ')) sb.chop(1);
    const QList<uint> ca = sa.toUcs4(), cb = sb.toUcs4();
    const qsizetype m = std::min(ca.size(), cb.size());
    for (qsizetype k = 0; k < m; ++k) {
        if (Base(ca[k]) != Base(cb[k]))
            return Base(ca[k]) < Base(cb[k]) ? -1 : 1;
    }
    if (ca.size() != cb.size())
        return ca.size() < cb.size() ? -1 : 1;
    for (qsizetype k = 0; k < m; ++k) {
        const char32_t la = QChar::toLower(ca[k]), lb = QChar::toLower(cb[k]);
        if (la != lb)
            return la < lb ? -1 : 1;
    }
    return 0;
}

}  // namespace

// Case, trailing blanks, and accents against their base letters are the random test's; here,
// letters and signs its alphabet leaves out.
TEST(ColacaoTexto, SignsAndLettersOutsideTheRandomAlphabet) {
    EXPECT_EQ(Comparar("[", "a"), -1);  // '[' sits between the capitals and the small letters
    EXPECT_EQ(Comparar("a_b", "A_B"), 0);
    EXPECT_EQ(Comparar("CONCEIÇÃO  ", "conceição"), 0);
    EXPECT_EQ(Comparar("CONCEIÇÃO", "CONCEICAO"), 1);
    EXPECT_EQ(Comparar("STRAßE", "STRASSE"), 1);
    EXPECT_EQ(Comparar("ŐRS", "ORS"), 1);
    EXPECT_EQ(Comparar("ŐRS", "őrs"), 0);
}

TEST(ColacaoTexto, InvalidBytesStandForThemselves) {
    // A lone Latin-1 byte is the code point of the same number, as the decoder has always read
    // it, and a cut-off sequence at the end keeps its first byte.
    EXPECT_EQ(Comparar(QByteArray("JOS\xC9"), QByteArray("jos\xC3\xA9")), 0);
    EXPECT_EQ(Comparar(QByteArray("A\xC3"), QByteArray("a\xC3")), 0);
    EXPECT_EQ(Comparar(QByteArray("A\xC3"), QByteArray("A")), 1);
    EXPECT_EQ(Comparar(QByteArray("\x80"), QByteArray("\x80 ")), 0);
}

TEST(ColacaoTexto, AgreesWithTheReferenceAndIsAnOrder) {
    const char* const letras[] = {"a", "A", "b", "B", "e", "E", "z", "Z", " ", " ", "'", "0",
                                  "é", "É", "ê", "ã", "Ã", "ç", "Ç", "ß", "ÿ", "Ÿ", "ø", "ő"};
    QRandomGenerator rng(20070621);
    const auto texto = [&] {
        QByteArray t;
        const int n = int(rng.bounded(7));
        for (int i = 0; i < n; ++i) t += letras[rng.bounded(int(std::size(letras)))];
        return t;
    };
    for (int i = 0; i < 200000; ++i) {
        const QByteArray a = texto();
        QByteArray b = rng.bounded(3) == 0 ? a : texto();
        if (rng.bounded(2) == 0 && !b.isEmpty())
            b = b.toLower() + "  ";  // same text in another case, blanks added
        ASSERT_EQ(Comparar(a, b), Referencia(a, b)) << a.toStdString() << " | " << b.toStdString();
        ASSERT_EQ(Comparar(b, a), -Comparar(a, b));
    }
}
