#include <gtest/gtest.h>

#include <QDateTime>

#include "data/base/ValorSeNulo.h"

TEST(ValorSeNulo, NullTakesTheDefaultAndAnythingElseStays) {
    EXPECT_EQ(ValorSeNulo(QVariant(), QString("")).toString(), "");
    EXPECT_EQ(ValorSeNulo(QVariant(), 0).toInt(), 0);
    EXPECT_TRUE(ValorSeNulo(QVariant(), QVariant()).isNull());
    // An empty text is a value, not a NULL.
    EXPECT_EQ(ValorSeNulo(QString(""), QString("x")).toString(), "");
    EXPECT_EQ(ValorSeNulo(42, 0).toInt(), 42);
}

TEST(ValorSeNulo, TextFormIsTheProgramsShortDate) {
    EXPECT_EQ(TextoDoValor(QDateTime(QDate(2007, 6, 21), QTime(0, 0))), "21/06/2007");
    EXPECT_EQ(TextoDoValor(QDateTime(QDate(2007, 6, 21), QTime(10, 30, 5))), "21/06/2007 10:30:05");
    EXPECT_EQ(TextoDoValor(QVariant()), "");
    EXPECT_EQ(TextoDoValor(70.5), "70,5");
    EXPECT_EQ(TextoDoValor(qint64(1234567)), "1234567");
}
