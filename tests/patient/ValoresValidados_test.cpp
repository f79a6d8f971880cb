#include <gtest/gtest.h>

#include <QDateTime>

#include "patient/clsData.h"
#include "patient/clsNumber.h"
#include "patient/clsString.h"

namespace {

void EsperarErro(const clsError& erro, qint32 numero, const QString& texto) {
    EXPECT_EQ(erro.ErrorNumber(), numero);
    EXPECT_EQ(erro.ErrorString(), texto);
    EXPECT_EQ(erro.ErrorFunction(), "Validar");
    EXPECT_EQ(erro.ErrorCampo(), "");
}

}  // namespace

TEST(clsString, ChecksRequiredThenMinimumThenMaximumWithExactMessages) {
    clsString rg;
    rg.setNome("RG");
    rg.setTamanhoMínimo(3);
    // Not required, yet an empty text is shorter than the minimum.
    EXPECT_FALSE(rg.Validar());
    EsperarErro(rg.Erro(), -2,
                "O tamanho mínimo do campo RG é de 3 caracteres,  ele está com 0. Tamanho "
                "mínimo do campo não foi atingido.");

    clsString sexo;
    sexo.setNome("Sexo");
    sexo.setTamanhoMáximo(1);
    EXPECT_TRUE(sexo.Validar("M"));
    EXPECT_FALSE(sexo.Validar("MF"));
    EsperarErro(sexo.Erro(), -3,
                "O tamanho máximo do campo Sexo é de 1 caracteres,  ele está com 2. Tamanho foi "
                "excedido.");
    // A success leaves the last failure in place; the argument never becomes Valor.
    EXPECT_TRUE(sexo.Validar("F"));
    EXPECT_EQ(sexo.Erro().ErrorNumber(), -3);
    EXPECT_EQ(sexo.Valor(), "");

    clsString nome;
    nome.setNome("Nome");
    nome.setObrigatório(true);
    nome.setTamanhoMínimo(2);
    EXPECT_FALSE(nome.Validar(""));
    EsperarErro(nome.Erro(), -1, "O preenchimento do campo Nome é obrigatório.");
    // Blanks are characters: nothing is trimmed.
    EXPECT_TRUE(nome.Validar("  "));
}

TEST(clsString, LengthsCountCharactersAndZeroLimitsMeanNone) {
    clsString campo;
    campo.setTamanhoMáximo(10);
    campo.setValor("Conceição");  // 9 characters, 11 bytes in UTF-8
    EXPECT_TRUE(campo.Validar());
    campo.setValor("Conceiçãoã");
    EXPECT_TRUE(campo.Validar());
    campo.setValor("Conceiçãoãã");
    EXPECT_FALSE(campo.Validar());
    EXPECT_EQ(campo.Erro().ErrorNumber(), -3);

    clsString livre;
    EXPECT_TRUE(livre.Validar(QString(100000, 'x')));
    EXPECT_TRUE(livre.Validar(""));
    livre.setTamanhoMínimo(-1);
    livre.setTamanhoMáximo(-1);
    EXPECT_TRUE(livre.Validar("abc"));
}

TEST(clsString, TextoParaSQLTurnsQuotesIntoCharCalls) {
    clsString s;
    EXPECT_EQ(s.TextoParaSQL("O'Neil"), "O' + CHAR(39) + 'Neil");
    EXPECT_EQ(s.TextoParaSQL("a\"b"), "a' + CHAR(34) + 'b");
    EXPECT_EQ(s.TextoParaSQL("''"), "' + CHAR(39) + '' + CHAR(39) + '");
    EXPECT_EQ(s.TextoParaSQL(" José da Silva "), " José da Silva ");
    s.setValor("D'Ávila");
    EXPECT_EQ(s.TextoParaSQL(), "D' + CHAR(39) + 'Ávila");
    EXPECT_EQ(s.Valor(), "D'Ávila");
}

TEST(clsData, DefaultsAndSQLText) {
    clsData d;
    EXPECT_EQ(d.TextoParaSQL(), "1899-12-30 00:00:00");

    d.setValor(QDateTime(QDate(2007, 6, 21), QTime(0, 0)));
    EXPECT_EQ(d.TextoParaSQL(), "2007-06-21 00:00:00");
    d.setValor(QString("21/06/2007 10:30:05"));
    EXPECT_EQ(d.TextoParaSQL(), "2007-06-21 10:30:05");
    d.setValor(QString("5/3/07"));
    EXPECT_EQ(d.TextoParaSQL(), "2007-03-05 00:00:00");
    d.setValor(QString("abc"));
    EXPECT_EQ(d.TextoParaSQL(), "");

    // Brazil's daylight saving once skipped midnight of 04/11/2018; a date has no time zone.
    d.setValor(QString("04/11/2018"));
    EXPECT_EQ(d.TextoParaSQL(), "2018-11-04 00:00:00");
}

TEST(clsData, ValidarGivesTheCodeOfEachBadForm) {
    clsData d;
    d.setNome("Data_Nascimento");
    const QString invalida = "Data inválida, digite no formato 'dd/mm/yyyy'.";

    EXPECT_FALSE(d.Validar("31/02/2007"));
    EsperarErro(d.Erro(), -2, invalida);
    for (const char* texto : {"2007-06-21", "abc", "21/06", "21/06/2007  10:30", " 21/06/2007",
                              "13/13/2007", "21/06/2007 25:00", "21.06.2007"}) {
        d.Erro().AtualizarErro(0, "", "");
        EXPECT_FALSE(d.Validar(texto)) << texto;
        EXPECT_EQ(d.Erro().ErrorNumber(), -2) << texto;
    }

    EXPECT_TRUE(d.Validar("21/06/2007 10:30:00"));
    EXPECT_TRUE(d.Validar("21/06/2007"));
    EXPECT_TRUE(d.Validar("1/1/1900"));
    EXPECT_TRUE(d.Validar(""));
    d.setObrigatório(true);
    EXPECT_FALSE(d.Validar(""));
    EsperarErro(d.Erro(), -1, "O preenchimento do campo Data_Nascimento é obrigatório.");

    EXPECT_FALSE(d.Validar("1/1/1899"));
    EsperarErro(d.Erro(), -4, "Data especificada menor que a data mínima 01/01/1900.");
    EXPECT_FALSE(d.Validar("07/06/2076"));
    EsperarErro(d.Erro(), -3, "Data especificada maior que a data máxima 06/06/2076.");
    // The bounds are date-times: a time past midnight of the last day is past it.
    EXPECT_FALSE(d.Validar("06/06/2076 00:01"));
    EXPECT_EQ(d.Erro().ErrorNumber(), -3);
    EXPECT_TRUE(d.Validar("06/06/2076"));
}

TEST(clsData, ValidarTakesADateValueInItsTextForm) {
    clsData d;
    d.setDataMáxima(QDateTime(QDate(2020, 1, 1), QTime(0, 0)));
    EXPECT_TRUE(d.Validar(QDateTime(QDate(2007, 6, 21), QTime(10, 30))));
    EXPECT_FALSE(d.Validar(QDateTime(QDate(2021, 6, 21), QTime(0, 0))));
    EXPECT_EQ(d.Erro().ErrorString(), "Data especificada maior que a data máxima 01/01/2020.");
    // The zero date shows as its time alone, which is no day/month/year.
    EXPECT_FALSE(d.Validar());
    EXPECT_EQ(d.Erro().ErrorNumber(), -2);
    // No date at all is an empty value.
    d.setValor(QDateTime());
    EXPECT_TRUE(d.Validar());
    EXPECT_EQ(clsData::TextoDaData(QDateTime(QDate(2007, 6, 21), QTime(9, 5, 1))),
              "21/06/2007 09:05:01");
}

TEST(clsNumber, ValidarChecksNumericThenBounds) {
    clsNumber peso;
    peso.setNome("Peso");
    EXPECT_FALSE(peso.Validar("abc"));
    EsperarErro(peso.Erro(), -1, "O campo Peso aceita apenas números.");
    EXPECT_FALSE(peso.Validar(""));
    EXPECT_EQ(peso.Erro().ErrorNumber(), -1);
    EXPECT_FALSE(peso.Validar("nan"));
    EXPECT_EQ(peso.Erro().ErrorNumber(), -1);

    EXPECT_FALSE(peso.Validar(-5));
    EsperarErro(peso.Erro(), -2, "Valor mínimo aceito para o campo Peso é 0.");
    EXPECT_FALSE(peso.Validar("-5"));
    EXPECT_EQ(peso.Erro().ErrorNumber(), -2);

    peso.setValorMáximo(1000);
    EXPECT_FALSE(peso.Validar("1.234"));  // pt-BR digit grouping: 1234
    EsperarErro(peso.Erro(), -3, "Valor máximo aceito para o campo Peso é 1000.");
    EXPECT_TRUE(peso.Validar(" 70,5 "));
    EXPECT_FALSE(peso.Validar("1000,5"));
    peso.setValor(1000);
    EXPECT_TRUE(peso.Validar());
}
