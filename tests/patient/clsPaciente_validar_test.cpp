#include <gtest/gtest.h>

#include <QDate>

#include "data/base/Relogio.h"
#include "patient/clsPaciente.h"

namespace {

// A record that passes every check; each test breaks one thing.
void preencher(clsPaciente& p) {
    p.Nome().setValor("MARIA");
    p.Nome_Meio().setValor("DA SILVA");
    p.Nome_Último().setValor("SANTOS");
    p.Sexo().setValor("F");
    p.Data_Nascimento().setValor("21/06/1970");
    p.Peso().setValor("70,5");
    p.Altura().setValor("1,65");
}

struct Falha {
    qint32 numero;
    QString texto;
    QString funcao;
    QString campo;
};

Falha falha(clsPaciente& p) {
    EXPECT_FALSE(p.Validar());
    return {p.Erro().ErrorNumber(), p.Erro().ErrorString(), p.Erro().ErrorFunction(),
            p.Erro().ErrorCampo()};
}

// Validation reads nothing: a connection that is never opened is enough.
class clsPacienteValidar : public ::testing::Test {
  protected:
    Connection cn;
    clsADO ado;
    clsPaciente p{cn, ado};
};

}  // namespace

TEST_F(clsPacienteValidar, FirstFailingFieldDecidesWithItsMessage) {
    p.Sexo().setValor("X");
    Falha f = falha(p);  // Nome is empty and is checked first
    EXPECT_EQ(f.numero, -1);
    EXPECT_EQ(f.texto, "O preenchimento do campo Nome é obrigatório.");
    EXPECT_EQ(f.funcao, "Validar");
    EXPECT_EQ(f.campo, "Nome");

    p.NomeSeparar("MARIA");
    f = falha(p);
    EXPECT_EQ(f.texto, "O preenchimento do campo Nome_Último é obrigatório.");
    EXPECT_EQ(f.campo, "Nome_Último");

    preencher(p);
    p.Cidade().setValor(QString(10000, 'C'));
    f = falha(p);
    EXPECT_EQ(f.numero, -3);
    EXPECT_EQ(f.texto,
              "O tamanho máximo do campo CIDADE é de 100 caracteres,  ele está com 10000. "
              "Tamanho foi excedido.");
    EXPECT_EQ(f.campo, "CIDADE");
}

TEST_F(clsPacienteValidar, SexIsMOrFAndStoredUpperCase) {
    preencher(p);
    p.Sexo().setValor("f");
    EXPECT_TRUE(p.Validar());
    EXPECT_EQ(p.Sexo().Valor(), "F");

    p.Sexo().setValor("X");
    const Falha f = falha(p);
    EXPECT_EQ(f.numero, -3);
    EXPECT_EQ(f.texto, "No campo sexo somente os valores M ou F são aceitos.");
    EXPECT_EQ(f.funcao, "Sexo_Validar");
    EXPECT_EQ(f.campo, "Sexo");

    p.Sexo().setValor("");
    EXPECT_EQ(falha(p).texto, "O preenchimento do campo Sexo é obrigatório.");
    p.Sexo().setValor("MF");
    EXPECT_EQ(falha(p).numero, -3);  // the length rule comes first
    EXPECT_EQ(p.Erro().ErrorFunction(), "Validar");
}

TEST_F(clsPacienteValidar, BirthDateMustBeARealPastDate) {
    preencher(p);
    p.Data_Nascimento().setValor("");
    EXPECT_TRUE(p.Validar());

    p.Data_Nascimento().setValor("29/02/2001");
    Falha f = falha(p);
    EXPECT_EQ(f.numero, -2);
    EXPECT_EQ(f.texto, "Data inválida, digite no formato 'dd/mm/yyyy'.");
    EXPECT_EQ(f.campo, "Data_Nascimento");
    EXPECT_EQ(f.funcao, "Validar");

    {
        // Today is the workstation's date: tomorrow is refused, naming today.
        RelogioFixo relogio(QDateTime(QDate(2031, 2, 3), QTime(23, 59)));
        p.Data_Nascimento().setValor("04/02/2031");
        f = falha(p);
        EXPECT_EQ(f.numero, -3);
        EXPECT_EQ(f.texto, "Data especificada maior que a data máxima 03/02/2031.");
    }

    p.Data_Nascimento().setValor("31/12/1899");
    f = falha(p);
    EXPECT_EQ(f.numero, -4);
    EXPECT_EQ(f.texto, "Data especificada menor que a data mínima 01/01/1900.");
}

TEST_F(clsPacienteValidar, WeightAndHeightUseTheDecimalComma) {
    preencher(p);
    for (const char* bom : {"70,5", "70", ",5", ""}) {
        p.Peso().setValor(bom);
        EXPECT_TRUE(p.Validar()) << bom;
    }
    for (const char* ruim : {"70.5", "abc", "7,0,5", "1e3"}) {
        p.Peso().setValor(ruim);
        const Falha f = falha(p);
        EXPECT_EQ(f.numero, -5) << ruim;
        EXPECT_EQ(f.texto, "Peso inválido.");
        EXPECT_EQ(f.funcao, "Peso_Validar");
        EXPECT_EQ(f.campo, "Peso");
    }
    p.Peso().setValor("70,5");
    p.Altura().setValor("1.75");
    Falha f = falha(p);
    EXPECT_EQ(f.numero, -6);
    EXPECT_EQ(f.texto, "Altura inválida.");
    EXPECT_EQ(f.campo, "Altura");
    p.Altura().setValor("1,755");  // five characters: the length check answers first
    f = falha(p);
    EXPECT_EQ(f.numero, -3);
    EXPECT_EQ(f.campo, "Altura");
}

TEST_F(clsPacienteValidar, UnusualTextsPassWhenTheyFit) {
    preencher(p);
    p.Nome().setValor("D'AVILA");
    p.Nome_Meio().setValor("a\"b \x01\t");
    p.Nome_Último().setValor(QString::fromUtf8("  CONCEIÇÃO  "));
    EXPECT_TRUE(p.Validar());
    // Validation leaves everything but Sexo as it was typed.
    EXPECT_EQ(p.Nome_Meio().Valor(), "a\"b \x01\t");
    EXPECT_EQ(p.GetNomeCompleto(), QString::fromUtf8("D'AVILA a\"b \x01\t   CONCEIÇÃO  "));
}
