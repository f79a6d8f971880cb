#include <gtest/gtest.h>

#include "data/base/Relogio.h"
#include "data/base/TabelaErros.h"
#include "decisions/PacienteSemSolucao.h"
#include "decisions/clsPacienteSemSolucao.h"
#include "support/RegistroMerge.h"
#include "support/SqlRecorder.h"

namespace {

using Justificativa = clsPacienteSemSolucao::Justificativa;

TEST(clsPacienteSemSolucao, MarcaDeUmPacienteDoInicioAoFim) {
    RegistroMerge reg;
    clsPacienteSemSolucao marcas(reg.cn(), reg.ado());
    SqlRecorder rec(reg.cn());
    // The statement an operation sent first, as it left the program.
    const auto enviada = [&rec] {
        const QString texto = rec.texts().value(0);
        rec.clear();
        return texto;
    };

    Recordset rs;
    QList<Justificativa> lista;
    ASSERT_TRUE(marcas.Justificativas(rs, lista));
    EXPECT_EQ(enviada(), " Select * From PacienteLogJustificativa ORDER BY Justificativa");
    ASSERT_EQ(lista.size(), 3);
    EXPECT_EQ(lista[0].Texto, "Localizado no SIGH mas sem RGHC");
    EXPECT_EQ(lista[0].ID_PacienteLogJustificativa, 2);
    EXPECT_EQ(rs.AbsolutePosition(), 1);  // left open on its first row

    bool existe = true;
    ASSERT_TRUE(marcas.Existir(5, existe));
    EXPECT_EQ(enviada(), "SELECT COUNT(*) FROM PacienteLogSemSolucao WHERE ID_Paciente = 5");
    EXPECT_FALSE(existe);
    ASSERT_TRUE(marcas.Adicionar(5, 1, "nota", 42));
    EXPECT_EQ(enviada(), "Select * FROM PacienteLogSemSolucao Where ID_Paciente = -1");
    ASSERT_TRUE(marcas.Existir(5, existe));
    EXPECT_TRUE(existe);
    EXPECT_TRUE(reg.Valor("SELECT Data FROM PacienteLogSemSolucao").isValid());

    const QDateTime agora(QDate(2031, 2, 3), QTime(4, 5));
    RelogioFixo relogio(agora);
    rec.clear();
    ASSERT_TRUE(marcas.Atualizar(5, 3, "outra", 7));
    EXPECT_EQ(enviada(), "Select * FROM PacienteLogSemSolucao Where ID_Paciente = 5");
    clsPacienteSemSolucao::Marca marca;
    ASSERT_TRUE(marcas.Ler(5, marca));
    EXPECT_EQ(enviada(), "SELECT * FROM PacienteLogSemSolucao WHERE ID_Paciente = 5");
    EXPECT_GT(marca.ID_PacienteLogSemSolucao, 0);
    EXPECT_EQ(marca.ID_PacienteLogJustificativa, 3);
    EXPECT_EQ(marca.Descricao, "outra");
    EXPECT_EQ(reg.Valor("SELECT ID_Usuario FROM PacienteLogSemSolucao").toInt(), 7);
    EXPECT_EQ(reg.Valor("SELECT Data FROM PacienteLogSemSolucao").toDateTime(), agora);

    // A patient without a mark reads as none and is not given one by an update.
    ASSERT_TRUE(marcas.Ler(6, marca));
    EXPECT_EQ(marca.ID_PacienteLogSemSolucao, 0);
    ASSERT_TRUE(marcas.Atualizar(6, 1, "x", 7));
    rec.clear();
    ASSERT_TRUE(marcas.Remover(5));
    EXPECT_EQ(enviada(), "DELETE FROM PacienteLogSemSolucao Where ID_Paciente = 5");
    EXPECT_EQ(reg.Contar("SELECT COUNT(*) FROM PacienteLogSemSolucao"), 0);
}

TEST(clsPacienteSemSolucao, FalhaDizSeFoiNaConsultaOuNasLinhas) {
    RegistroMerge reg;
    clsPacienteSemSolucao marcas(reg.cn(), reg.ado());
    SqlRecorder rec(reg.cn());
    constexpr qint32 kFalha = -2147217865;

    rec.failOnSql("Where ID_Paciente = -1", kFalha);
    EXPECT_FALSE(marcas.Adicionar(5, 1, "nota", 42));
    EXPECT_TRUE(marcas.FalhouNaConsulta());
    EXPECT_EQ(marcas.Erro().ErrorNumber(), kFalha);
    EXPECT_EQ(marcas.Erro().ErrorString(), reg.ado().ErrorString());

    rec.failOnSql("INSERT INTO", kFalha);
    EXPECT_FALSE(marcas.Adicionar(5, 1, "nota", 42));
    EXPECT_FALSE(marcas.FalhouNaConsulta());
    EXPECT_EQ(marcas.Erro().ErrorNumber(), kFalha);
    EXPECT_EQ(marcas.Erro().ErrorString(), dados::TextoDoErro(kFalha));
    EXPECT_EQ(reg.Contar("SELECT COUNT(*) FROM PacienteLogSemSolucao"), 0);

    // A catalogue that cannot be read offers no reason at all.
    reg.Executar("DROP TABLE PacienteLogJustificativa");
    reg.Executar("CREATE TABLE PacienteLogJustificativa (Justificativa nvarchar(50))");
    reg.Executar("INSERT INTO PacienteLogJustificativa VALUES ('A')");
    Recordset rs;
    QList<Justificativa> lista{{1, "velha"}};
    EXPECT_FALSE(marcas.Justificativas(rs, lista));
    EXPECT_FALSE(marcas.FalhouNaConsulta());
    EXPECT_TRUE(lista.isEmpty());
}

TEST(PacienteSemSolucao_Marcados, UmaConsultaDizQuaisPacientesTemMarca) {
    RegistroMerge reg;
    // Two workstations may mark the same patient (7): it is still one marked patient.
    reg.Executar(
        "INSERT INTO PacienteLogSemSolucao (ID_Paciente, ID_PacienteLogJustificativa, "
        "ID_Usuario) VALUES (4, 1, 1), (7, 3, 1), (7, 2, 2)");

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
