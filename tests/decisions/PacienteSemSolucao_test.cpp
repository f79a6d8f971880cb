#include <gtest/gtest.h>

#include "decisions/PacienteSemSolucao.h"
#include "support/RegistroMerge.h"
#include "support/SqlRecorder.h"

namespace {

TEST(PacienteSemSolucao_Marcados, UmaConsultaDizQuaisPacientesTemMarca) {
    RegistroMerge reg;
    reg.Executar(
        "INSERT INTO PacienteLogSemSolucao (ID_Paciente, ID_PacienteLogJustificativa, "
        "ID_Usuario) VALUES (4, 1, 1)");
    // Two workstations may mark the same patient: it is still one marked patient.
    reg.Executar(
        "INSERT INTO PacienteLogSemSolucao (ID_Paciente, ID_PacienteLogJustificativa, "
        "ID_Usuario) VALUES (7, 3, 1)");
    reg.Executar(
        "INSERT INTO PacienteLogSemSolucao (ID_Paciente, ID_PacienteLogJustificativa, "
        "ID_Usuario) VALUES (7, 2, 2)");

    SqlRecorder rec(reg.cn());
    QSet<qint32> marcados{99};
    EXPECT_TRUE(PacienteSemSolucao_Marcados(reg.cn(), reg.ado(), {4, 5, 7}, marcados));
    EXPECT_EQ(marcados, (QSet<qint32>{4, 7}));
    EXPECT_EQ(rec.texts(),
              QStringList{"SELECT DISTINCT ID_Paciente FROM PacienteLogSemSolucao WHERE "
                          "ID_Paciente IN (4, 5, 7)"});

    // An empty list asks nothing.
    rec.clear();
    EXPECT_TRUE(PacienteSemSolucao_Marcados(reg.cn(), reg.ado(), {}, marcados));
    EXPECT_TRUE(marcados.isEmpty());
    EXPECT_TRUE(rec.texts().isEmpty());

    // A failed query answers false with the helper's error and no stale marks.
    marcados = {4};
    rec.failOnSql("PacienteLogSemSolucao");
    EXPECT_FALSE(PacienteSemSolucao_Marcados(reg.cn(), reg.ado(), {4}, marcados));
    EXPECT_TRUE(marcados.isEmpty());
    EXPECT_EQ(reg.ado().ErrorNumber(), -2147467259);
}

}  // namespace
