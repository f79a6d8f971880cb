#include <gtest/gtest.h>

#include "review/ListaPacienteBase.h"
#include "support/RegistroMerge.h"
#include "support/SqlRecorder.h"

namespace {

TEST(ListaPacienteBase, ListsTheChosenRecordsWithTheirFullNames) {
    RegistroMerge reg(false);
    const qint32 a = reg.NovoPaciente("LUIS");
    reg.NovoPaciente("ANA");
    const qint32 c = reg.NovoPaciente("RUI");
    reg.Executar(QString("UPDATE Paciente SET Nome_Meio = 'ALVES' WHERE ID_Paciente = %1").arg(c));

    Recordset rs;
    SqlRecorder rec(reg.cn());
    // The chooser may get a list whose last element ends in a comma.
    ASSERT_TRUE(ListaPacienteBase_Abrir(reg.cn(), reg.ado(), rs,
                                        {QString::number(a), QString::number(c) + ","}));
    EXPECT_EQ(rec.texts(),
              QStringList{QString(" SELECT TOP 500 ID_Paciente, Prontuário, Nome + Case When "
                                  "Nome_Meio Is Null Then '' Else ' ' + Nome_Meio End + Case When "
                                  "Nome_Último Is Null Then '' Else ' ' + Nome_Último End as "
                                  "Nome_Completo, ID_Paciente_Externo  FROM Paciente   WHERE "
                                  "ID_Paciente IN (%1,%2)")
                              .arg(a)
                              .arg(c)});
    QStringList nomes;
    for (; !rs.Eof(); rs.MoveNext()) {
        nomes << rs.Fields("Nome_Completo").Value().toString();
    }
    nomes.sort();
    EXPECT_EQ(nomes, (QStringList{"LUIS SILVA", "RUI ALVES SILVA"}));

    rec.failOnSql("TOP 500");
    EXPECT_FALSE(ListaPacienteBase_Abrir(reg.cn(), reg.ado(), rs, {QString::number(a)}));
    EXPECT_EQ(reg.ado().ErrorNumber(), -2147467259);
}

}  // namespace
