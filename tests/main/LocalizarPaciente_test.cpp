#include "main/LocalizarPaciente.h"

#include <gtest/gtest.h>

#include "main/clsPacienteCriterio.h"
#include "support/RegistroProduto.h"

namespace {

QList<qint32> Ids(const QList<PacienteLocalizado>& achados) {
    QList<qint32> ids;
    for (const PacienteLocalizado& p : achados) {
        ids << p.ID_Paciente;
    }
    return ids;
}

TEST(LocalizarPaciente, PorIdProntuarioOuParteDoNomeEALinhaDoGrupo) {
    RegistroProduto reg;
    for (const char* linha :
         {"'ANA', NULL, 'O''HARA', 'P1', NULL", "'ana', 'MARIA', 'LIMA ', '7', '1970-06-21'",
          "'JOSÉ', NULL, 'SILVA', '1', '1970-06-21'", "'100%', NULL, 'X_Y', NULL, NULL"}) {
        ASSERT_TRUE(reg.exec(QString("INSERT INTO Paciente (Nome, Nome_Meio, Nome_Último, "
                                     "Prontuário, Data_Nascimento) VALUES (%1)")
                                 .arg(QString::fromUtf8(linha))));
    }
    QList<PacienteLocalizado> achados;
    // A number is an ID or a record number: 1 is patient 1 and the record number of patient 3.
    ASSERT_TRUE(LocalizarPacientes(reg.cn, reg.ado, " 1 ", achados));
    EXPECT_EQ(Ids(achados), (QList<qint32>{1, 3}));
    ASSERT_TRUE(LocalizarPacientes(reg.cn, reg.ado, "maria li", achados));
    EXPECT_EQ(Ids(achados), QList<qint32>{2});
    EXPECT_EQ(achados[0].NomeCompleto, "ana MARIA LIMA ");
    ASSERT_TRUE(LocalizarPacientes(reg.cn, reg.ado, "o'hara", achados));
    EXPECT_EQ(Ids(achados), QList<qint32>{1});
    // LIKE's signs typed in a name are letters.
    ASSERT_TRUE(LocalizarPacientes(reg.cn, reg.ado, "0% X_", achados));
    EXPECT_EQ(Ids(achados), QList<qint32>{4});
    ASSERT_TRUE(LocalizarPacientes(reg.cn, reg.ado, "A_A", achados));
    EXPECT_TRUE(achados.isEmpty());

    // The grouping on first and last name and birth date: patient 2 is in the row of "ANA",
    // "LIMA" (case and trailing blanks do not count), patient 1 in the row whose date is NULL.
    clsPacienteCriterio c;
    for (clsString* campo : {&c.Nome(), &c.Nome_Último(), &c.Data_Nascimento()}) {
        campo->setObrigatório(true);
    }
    c.setMasQueUmaOcorrencia(false);
    Recordset grupos;
    ASSERT_TRUE(reg.ado.AbrirRecordset(reg.cn, grupos, c.ObterSQLComAgrupamento()));
    ASSERT_TRUE(LocalizarPacientes(reg.cn, reg.ado, "2", achados));
    const int linha = LinhaDoPaciente(grupos.Dados(), achados[0]);
    ASSERT_GE(linha, 0);
    EXPECT_EQ(grupos.Dados().linhas[linha][1].toString(), "LIMA ");
    ASSERT_TRUE(LocalizarPacientes(reg.cn, reg.ado, "O'HARA", achados));
    EXPECT_TRUE(grupos.Dados().linhas[LinhaDoPaciente(grupos.Dados(), achados[0])][2].isNull());
    achados[0].valores[0].second = QStringLiteral("OUTRA");
    EXPECT_EQ(LinhaDoPaciente(grupos.Dados(), achados[0]), -1);
}

TEST(LocalizarPaciente, GrupoDeValoresVaziosDizOQueE) {
    EXPECT_EQ(GrupoSemValor({"RG"}, {QVariant()}),
              "RG vazio: estes cadastros não são agrupados pelo RG");
    EXPECT_EQ(GrupoSemValor({"Data_Nascimento"}, {QVariant()}),
              "Data Nascimento vazio: estes cadastros não são agrupados pela Data Nascimento");
    EXPECT_EQ(GrupoSemValor({"Nome", "Nome_Meio", "CIC"}, {QString("  "), QVariant(), QString()}),
              "Nome, Nome do meio e CIC vazios: estes cadastros não são agrupados por esses "
              "campos");
    // One value is enough for the member query to list the group.
    EXPECT_EQ(GrupoSemValor({"Nome", "RG"}, {QString("ANA"), QVariant()}), "");
    EXPECT_EQ(GrupoSemValor({}, {}), "");
}

TEST(LocalizadorPaciente, EnterDeNovoPassaAoProximoNoGrupoEDaAVolta) {
    RegistroProduto reg;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(reg.exec("INSERT INTO Paciente (Nome, Nome_Último) VALUES ('ANA', 'LIMA')"));
    }
    LocalizadorPaciente localizador;
    QList<qint32> mostrados;
    const auto emGrupo = [&mostrados](const PacienteLocalizado& p) {
        if (p.ID_Paciente == 2) {
            return false;  // in no group on screen: passed over
        }
        mostrados << p.ID_Paciente;
        return true;
    };
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(localizador.Proximo(reg.cn, reg.ado, "ana lima", emGrupo), "");
    }
    localizador.Recomecar();
    EXPECT_EQ(localizador.Proximo(reg.cn, reg.ado, "ana lima", emGrupo), "");
    EXPECT_EQ(mostrados, (QList<qint32>{1, 3, 1, 1}));
    EXPECT_EQ(localizador.Proximo(reg.cn, reg.ado, "ana",
                                  [](const PacienteLocalizado&) { return false; }),
              "Nenhum dos 3 pacientes encontrados com \"ana\" está em algum grupo da lista.");
    EXPECT_EQ(localizador.Proximo(reg.cn, reg.ado, "  ", emGrupo), "");
    EXPECT_EQ(mostrados.size(), 4);
}

}  // namespace
