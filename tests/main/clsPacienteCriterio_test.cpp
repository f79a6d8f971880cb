#include <gtest/gtest.h>

#include "main/clsPacienteCriterio.h"

namespace {
void escolher(clsString& campo, const QString& valor = QString()) {
    campo.setObrigatório(true);
    campo.setValor(valor);
}
}  // namespace

TEST(clsPacienteCriterio, ConsultaDeAgrupamentoListaOsCamposNaOrdemFixa) {
    clsPacienteCriterio c;
    // Nothing chosen builds nothing; a value without a chosen field takes no part.
    c.setMasQueUmaOcorrencia(true);
    c.Nome().setValor("MARIA");
    EXPECT_EQ(c.ObterSQLComAgrupamento(), "");
    EXPECT_EQ(c.ObterWHERE(), "");
    EXPECT_EQ(c.ObterSQLSemAgrupamento(), "");
    escolher(c.Nome_Último());
    escolher(c.Nome());
    c.setMasQueUmaOcorrencia(true);
    EXPECT_EQ(c.ObterSELECT(), "Nome, Nome_Último");
    EXPECT_EQ(c.ObterHAVING(), " HAVING MAX(ID_Paciente) <> MIN(ID_Paciente) ");
    EXPECT_EQ(c.ObterSQLComAgrupamento(),
              " SELECT Nome, Nome_Último FROM Paciente   GROUP BY Nome, Nome_Último  HAVING "
              "MAX(ID_Paciente) <> MIN(ID_Paciente)  ORDER BY Nome, Nome_Último");

    c.setMasQueUmaOcorrencia(false);
    EXPECT_EQ(c.ObterHAVING(), "");
    EXPECT_EQ(c.ObterSQLComAgrupamento(),
              " SELECT Nome, Nome_Último FROM Paciente   GROUP BY Nome, Nome_Último  ORDER BY "
              "Nome, Nome_Último");

    clsPacienteCriterio todos;
    for (clsString* f : {&todos.Data_Nascimento(), &todos.Prontuário(), &todos.CIC(), &todos.RG(),
                         &todos.Nome_Último(), &todos.Nome_Meio(), &todos.Nome()})
        escolher(*f);
    EXPECT_EQ(todos.ObterSELECT(),
              "Nome, Nome_Meio, Nome_Último, RG, CIC, Prontuário, Data_Nascimento");
}

TEST(clsPacienteCriterio, WhereUsaOsValoresDoGrupoEPulaOsVazios) {
    clsPacienteCriterio c;
    escolher(c.Nome(), "MARIA");
    escolher(c.Nome_Meio());  // NULL in the group: drops out
    escolher(c.Nome_Último(), "SILVA");
    EXPECT_EQ(c.ObterWHERE(), " WHERE Nome = 'MARIA' AND Nome_Último = 'SILVA' ");
    EXPECT_EQ(c.ObterSQLComAgrupamento(),
              " SELECT Nome, Nome_Meio, Nome_Último FROM Paciente   WHERE Nome = 'MARIA' AND "
              "Nome_Último = 'SILVA'  GROUP BY Nome, Nome_Meio, Nome_Último  ORDER BY Nome, "
              "Nome_Meio, Nome_Último");
    EXPECT_EQ(c.ObterSQLSemAgrupamento(),
              " SELECT [ID_Paciente] ,[Nome],[Nome_Meio],[Nome_Último],[RG],[CIC],[Data_"
              "Nascimento],[Prontuário],[Endereço],[CEP],[Bairro],[Cidade],[Estado],[Telefone],"
              "[Sexo],[Raça],[Convênio],[Profissão],[Número_Convênio],[Peso],[Altura],[Email] "
              "FROM Paciente   WHERE Nome = 'MARIA' AND Nome_Último = 'SILVA' ");

    c.Nome().setValor("");
    c.Nome_Último().setValor("");
    EXPECT_EQ(c.ObterSQLSemAgrupamento(), "");
}

TEST(clsPacienteCriterio, AspasNosValoresNaoTerminamOLiteral) {
    clsPacienteCriterio c;
    escolher(c.Nome(), "O'Hara");
    EXPECT_EQ(c.ObterWHERE(), " WHERE Nome = 'O' + CHAR(39) + 'Hara' ");
    // Built to close the literal and add a condition: every quote stays inside CHAR() calls.
    c.Nome().setValor("x' OR '1'='1");
    escolher(c.RG(), "a\"b");
    EXPECT_EQ(c.ObterWHERE(),
              " WHERE Nome = 'x' + CHAR(39) + ' OR ' + CHAR(39) + '1' + CHAR(39) + '=' + "
              "CHAR(39) + '1' AND RG = 'a' + CHAR(34) + 'b' ");
    // Accents, control characters and blanks pass unchanged.
    c.RG().setValor(QString::fromUtf8("  JOSÉ\tCONCEIÇÃO  "));
    c.Nome().setObrigatório(false);
    EXPECT_EQ(c.ObterWHERE(), QString::fromUtf8(" WHERE RG = '  JOSÉ\tCONCEIÇÃO  ' "));
}

TEST(clsPacienteCriterio, NascimentoComparadoComoTextoIso) {
    clsPacienteCriterio c;
    escolher(c.Data_Nascimento(), "21/06/1970");
    EXPECT_EQ(c.ObterWHERE(), " WHERE Data_Nascimento = '1970-06-21' ");
    c.Data_Nascimento().setValor("21/06/1970 10:30:00");
    EXPECT_EQ(c.ObterWHERE(), " WHERE Data_Nascimento = '1970-06-21' ");
    // Not a date: written as the (quoted-safe) text, never as something else.
    c.Data_Nascimento().setValor("31/02/1970'");
    EXPECT_EQ(c.ObterWHERE(), " WHERE Data_Nascimento = '31/02/1970' + CHAR(39) + '' ");
}

TEST(clsPacienteCriterio, DivisaoDoNomeIgualAoCadastroDoPaciente) {
    clsPacienteCriterio c;
    EXPECT_TRUE(c.NomeSeparar("MARIA DA SILVA SANTOS"));
    EXPECT_EQ(c.Nome().Valor(), "MARIA");
    EXPECT_EQ(c.Nome_Meio().Valor(), "DA SILVA");
    EXPECT_EQ(c.Nome_Último().Valor(), "SANTOS");
    EXPECT_EQ(c.GetNomeCompleto(), "MARIA DA SILVA SANTOS");
    c.Nome_Meio().setValor("");
    EXPECT_EQ(c.GetNomeCompleto(), "MARIA SANTOS");
}
