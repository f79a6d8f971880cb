#include <gtest/gtest.h>

#include "match/LocalizadorSemelhantes.h"
#include "support/RegistroProduto.h"
#include "support/SqlRecorder.h"

using namespace semelhanca;

TEST(LeituraRegistro, ReadsThePatientTableOncePageByPageAndFindsTheDuplicates) {
    RegistroProduto reg;
    const char* const linhas[] = {
        "('ANTÔNIO', 'CARLOS', 'PEREIRA', '12.345.678-9', '111.444.777-35', '1950-02-03', 'M')",
        "('ANA', NULL, 'LIMA', NULL, NULL, '1990-01-01', 'F')",
        "('Antonio', 'Carlos', 'Pereira', '123456789', NULL, '1950-02-03', 'M')",
        "('ROSA', '', 'MARQUES', NULL, '52998224725', NULL, 'F')",
        "('ROSA', NULL, 'MARQUES', NULL, '529.982.247-25', '1966-09-12', 'F')",
    };
    for (const char* l : linhas)
        ASSERT_TRUE(reg.exec(
            QString::fromUtf8(
                "INSERT INTO Paciente (Nome, Nome_Meio, Nome_Último, RG, CIC, Data_Nascimento, "
                "Sexo) VALUES ") +
            QString::fromUtf8(l)));
    OpcoesBusca o;
    o.linhasPorPagina = 2;
    LocalizadorSemelhantes busca(o);
    SqlRecorder sql(reg.cn);
    ASSERT_TRUE(busca.Ler(reg.cn, reg.ado));
    // A count for the progress, then three pages (2 + 2 + 1) by key.
    const QStringList consultas = sql.texts(Connection::Evento::Consulta);
    ASSERT_EQ(consultas.size(), 4);
    EXPECT_TRUE(
        consultas[1].startsWith("SELECT TOP 2 ID_Paciente, Nome, Nome_Meio, Nome_Último, "));
    EXPECT_TRUE(consultas[1].contains("WHERE ID_Paciente > -2147483648 ORDER BY ID_Paciente"));
    EXPECT_TRUE(consultas[2].contains("WHERE ID_Paciente > 2 ORDER BY"));
    EXPECT_TRUE(consultas[3].contains("WHERE ID_Paciente > 4 ORDER BY"));
    ASSERT_EQ(busca.Registros(), 5);
    EXPECT_EQ(busca.Reg(2).id, 3);
    EXPECT_EQ(busca.NomeCompleto(0), QString::fromUtf8("ANTÔNIO CARLOS PEREIRA"));
    EXPECT_EQ(busca.NomeCompleto(1), QString::fromUtf8("ANA LIMA"));
    EXPECT_EQ(busca.Reg(0).nascimento, 19500203);
    EXPECT_EQ(busca.Reg(4).cicValido, true);

    busca.Comparar();
    const QVector<GrupoCandidato> grupos = busca.Agrupar(o.limiar);
    ASSERT_EQ(grupos.size(), 2);
    QVector<QVector<qint32>> ids;
    for (const GrupoCandidato& g : grupos) {
        QVector<qint32> m;
        for (quint32 i : g.membros) m << busca.Reg(i).id;
        ids << m;
    }
    EXPECT_TRUE(ids.contains(QVector<qint32>({1, 3})));
    EXPECT_TRUE(ids.contains(QVector<qint32>({4, 5})));
}

TEST(LeituraRegistro, AFailedReadSaysWhy) {
    TempRegister vazio;  // no Paciente table
    clsADO ado;
    LocalizadorSemelhantes busca;
    EXPECT_FALSE(busca.Ler(vazio.conn(), ado));
    EXPECT_TRUE(busca.Erro().startsWith("Ao ler os pacientes, ocorreu o seguinte erro:\n\n"))
        << busca.Erro().toStdString();
    EXPECT_TRUE(busca.Erro().contains(QString::number(ado.ErrorNumber())));
}
