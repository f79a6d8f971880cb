#include <gtest/gtest.h>

#include <map>

#include "GeradorPacientes.h"
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

TEST(LeituraRegistro, AnyNumberOfThreadsReadsBlocksAndScoresAsOneDoes) {
    // Rows normalised by several threads are numbered in the order read, and kinds of key
    // blocked side by side merge into one list: the records, their order, the pairs put
    // forward and every score are the same whatever the threads and their timing. Enough
    // rows for several batches of the reading, duplicates and households for the blocks.
    RegistroProduto reg;
    registro::GeradorPacientes g(11, 30, 5);
    const auto texto = [](const QString& s) {
        return s.isEmpty() ? QStringLiteral("NULL") : "N'" + QString(s).replace('\'', "''") + "'";
    };
    ASSERT_TRUE(reg.ado.TransaçãoIniciar(reg.cn));
    for (int i = 0; i < 9000; ++i) {
        const registro::PacienteGerado p = g.Proximo();
        ASSERT_TRUE(reg.exec(
            "INSERT INTO Paciente (Nome, Nome_Meio, Nome_Último, RG, CIC, Data_Nascimento, Sexo, "
            "Prontuário, CEP, Telefone, Endereço, Bairro, Cidade) VALUES (" +
            QStringList{texto(p.nome), texto(p.nomeMeio), texto(p.nomeUltimo), texto(p.rg),
                        texto(p.cic),
                        p.nascimento.isValid() ? texto(p.nascimento.toString(Qt::ISODate))
                                               : QStringLiteral("NULL"),
                        texto(p.sexo), texto(p.prontuario), texto(p.cep), texto(p.telefone),
                        texto(p.endereco), texto(p.bairro), texto(p.cidade)}
                .join(", ") +
            ")"));
    }
    ASSERT_TRUE(reg.ado.TransaçãoFinalizar(reg.cn));
    using Resultado =
        std::map<std::pair<qint32, qint32>, std::pair<float, std::array<quint8, kCampos>>>;
    struct Busca {
        std::vector<qint32> ids;
        QStringList nomes;
        std::vector<quint64> candidatos;
        Resultado pares;
    };
    const auto buscar = [&](int threads) {
        OpcoesBusca o;
        o.threads = threads;
        o.limiar = 5;
        LocalizadorSemelhantes busca(o);
        Busca b;
        EXPECT_TRUE(busca.Ler(reg.cn, reg.ado));
        for (quint32 i = 0; i < busca.Registros(); ++i) {
            b.ids.push_back(busca.Reg(i).id);
            b.nomes << busca.NomeCompleto(i);
        }
        b.candidatos = busca.ParesCandidatos();
        EXPECT_TRUE(busca.Comparar());
        for (const ParCandidato& p : busca.Pares())
            b.pares[{busca.Reg(p.a).id, busca.Reg(p.b).id}] = {p.pontuacao, p.niveis};
        return b;
    };
    const Busca um = buscar(1);
    ASSERT_EQ(um.ids.size(), 9000u);
    EXPECT_TRUE(std::is_sorted(um.ids.begin(), um.ids.end()));
    ASSERT_GT(um.pares.size(), 1000u);
    for (const int threads : {2, 3}) {
        const Busca b = buscar(threads);
        EXPECT_EQ(b.ids, um.ids) << threads;
        EXPECT_EQ(b.nomes, um.nomes) << threads;
        EXPECT_EQ(b.candidatos, um.candidatos) << threads;
        EXPECT_EQ(b.pares, um.pares) << threads;
    }
}
