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
    bool operator==(const Falha&) const = default;
    friend void PrintTo(const Falha& f, std::ostream* os) {
        *os << f.numero << " " << f.texto.toStdString() << " (" << f.funcao.toStdString() << ", "
            << f.campo.toStdString() << ")";
    }
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
    p.Sexo().setValor("X");  // Nome is empty and is checked first
    EXPECT_EQ(falha(p),
              (Falha{-1, "O preenchimento do campo Nome é obrigatório.", "Validar", "Nome"}));
    p.NomeSeparar("MARIA");
    EXPECT_EQ(falha(p), (Falha{-1, "O preenchimento do campo Nome_Último é obrigatório.", "Validar",
                               "Nome_Último"}));
    preencher(p);
    p.Cidade().setValor(QString(10000, 'C'));
    EXPECT_EQ(falha(p), (Falha{-3,
                               "O tamanho máximo do campo CIDADE é de 100 caracteres,  ele está "
                               "com 10000. Tamanho foi excedido.",
                               "Validar", "CIDADE"}));
}

TEST_F(clsPacienteValidar, SexIsMOrFAndStoredUpperCase) {
    preencher(p);
    p.Sexo().setValor("f");
    EXPECT_TRUE(p.Validar());
    EXPECT_EQ(p.Sexo().Valor(), "F");
    p.Sexo().setValor("X");
    EXPECT_EQ(falha(p), (Falha{-3, "No campo sexo somente os valores M ou F são aceitos.",
                               "Sexo_Validar", "Sexo"}));
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
    EXPECT_EQ(falha(p), (Falha{-2, "Data inválida, digite no formato 'dd/mm/yyyy'.", "Validar",
                               "Data_Nascimento"}));
    {
        // Today is the workstation's date: tomorrow is refused, naming today.
        RelogioFixo relogio(QDateTime(QDate(2031, 2, 3), QTime(23, 59)));
        p.Data_Nascimento().setValor("04/02/2031");
        EXPECT_EQ(falha(p).texto, "Data especificada maior que a data máxima 03/02/2031.");
        EXPECT_EQ(p.Erro().ErrorNumber(), -3);
    }
    p.Data_Nascimento().setValor("31/12/1899");
    EXPECT_EQ(falha(p).texto, "Data especificada menor que a data mínima 01/01/1900.");
    EXPECT_EQ(p.Erro().ErrorNumber(), -4);
}

TEST_F(clsPacienteValidar, WeightAndHeightUseTheDecimalComma) {
    preencher(p);
    for (const char* bom : {"70,5", "70", ",5", ""}) {
        p.Peso().setValor(bom);
        EXPECT_TRUE(p.Validar()) << bom;
    }
    for (const char* ruim : {"70.5", "abc", "7,0,5", "1e3"}) {
        p.Peso().setValor(ruim);
        EXPECT_EQ(falha(p), (Falha{-5, "Peso inválido.", "Peso_Validar", "Peso"})) << ruim;
    }
    p.Peso().setValor("70,5");
    p.Altura().setValor("1.75");
    EXPECT_EQ(falha(p), (Falha{-6, "Altura inválida.", "Altura_Validar", "Altura"}));
    p.Altura().setValor("1,755");  // five characters: the length check answers first
    EXPECT_EQ(falha(p).numero, -3);
    EXPECT_EQ(p.Erro().ErrorCampo(), "Altura");
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
