#include <gtest/gtest.h>

#include "main/ListaSemelhantes.h"
#include "main/clsPacienteCriterio.h"
#include "support/RegistroProduto.h"
#include "support/SqlRecorder.h"

namespace {

TEST(ListaSemelhantes, MantemFromEWhereDoGrupoEJuntaOsNomes) {
    RegistroProduto reg;
    for (const char* linha : {"'ANA', NULL, 'O''HARA', 'P1'", "'ANA', 'MARIA', 'O''HARA', 'P2'",
                              "'ANA', NULL, 'LIMA', 'P3'"}) {
        ASSERT_TRUE(reg.exec(
            QString("INSERT INTO Paciente (Nome, Nome_Meio, Nome_Último, Prontuário) VALUES (%1)")
                .arg(QString::fromUtf8(linha))));
    }
    clsPacienteCriterio c;
    for (clsString* campo : {&c.Nome(), &c.Nome_Último()}) {
        campo->setObrigatório(true);
    }
    c.Nome().setValor("ANA");
    c.Nome_Último().setValor("O'HARA");

    const QString sql = ListaSemelhantes_SQL(c.ObterSQLSemAgrupamento());
    EXPECT_EQ(sql,
              " SELECT Paciente.ID_Paciente, Paciente.Prontuário, Paciente.Nome + CASE WHEN "
              "Nome_Meio IS NULL THEN '' ELSE ' ' + Nome_Meio END + CASE WHEN Nome_Último IS NULL "
              "THEN '' ELSE ' ' + Nome_Último END AS Nome_Completo   FROM Paciente   WHERE Nome = "
              "'ANA' AND Nome_Último = 'O' + CHAR(39) + 'HARA'");

    Recordset rs;
    SqlRecorder rec(reg.cn);
    ASSERT_TRUE(ListaSemelhantes_Abrir(reg.cn, reg.ado, rs, sql));
    EXPECT_EQ(rec.texts(), QStringList{sql});
    QStringList nomes;
    for (; !rs.Eof(); rs.MoveNext()) {
        nomes << rs.Fields("Prontuário").Value().toString() + " " +
                     rs.Fields("Nome_Completo").Value().toString();
    }
    nomes.sort();
    EXPECT_EQ(nomes, (QStringList{"P1 ANA O'HARA", "P2 ANA MARIA O'HARA"}));

    rec.failOnSql("Nome_Completo");
    EXPECT_FALSE(ListaSemelhantes_Abrir(reg.cn, reg.ado, rs, sql));
    EXPECT_EQ(reg.ado.ErrorNumber(), -2147467259);
}

}  // namespace
