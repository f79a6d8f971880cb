// The duplicate search of the embedded engine, done in memory, against a plain reference:
// every row read back and grouped in a std::map ordered by the collation.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QSet>
#include <QTemporaryDir>
#include <map>

#include "Registro.h"
#include "data/ado/Recordset.h"
#include "data/ado/clsADO.h"
#include "data/sqlite/FuncoesTSql.h"
#include "main/clsPacienteCriterio.h"
#include "support/RegistroProduto.h"

namespace {

using Linhas = QVector<QVector<QVariant>>;

Linhas Ler(clsADO& ado, Connection& cn, const QString& sql) {
    Recordset rs;
    if (!ado.AbrirRecordset(cn, rs, sql)) {
        ADD_FAILURE() << ado.ErrorString().toStdString() << " | " << sql.toStdString();
        return {};
    }
    return rs.Dados().linhas;
}

// SQL Server's order of one grouped value: NULL first, then dates, then texts by collation.
int Comparar(const QVariant& a, const QVariant& b) {
    if (a.isNull() || b.isNull())
        return int(b.isNull()) - int(a.isNull());
    if (a.typeId() == QMetaType::QDateTime)
        return a.toDateTime() < b.toDateTime() ? -1 : (b.toDateTime() < a.toDateTime() ? 1 : 0);
    const QByteArray x = a.toString().toUtf8(), y = b.toString().toUtf8();
    return dados::CompararTextoTSql(x.constData(), int(x.size()), y.constData(), int(y.size()));
}

struct MenorLinha {
    bool operator()(const QVector<QVariant>& a, const QVector<QVariant>& b) const {
        for (qsizetype i = 0; i < a.size(); ++i) {
            if (const int r = Comparar(a[i], b[i]))
                return r < 0;
        }
        return false;
    }
};

const char* const kColunas[] = {"Nome", "Nome_Meio",  "Nome_Último",    "RG",
                                "CIC",  "Prontuário", "Data_Nascimento"};

clsPacienteCriterio Criterio(int mascara, bool maisDeUm) {
    clsPacienteCriterio c;
    clsString* campos[] = {&c.Nome(), &c.Nome_Meio(),  &c.Nome_Último(),    &c.RG(),
                           &c.CIC(),  &c.Prontuário(), &c.Data_Nascimento()};
    for (int i = 0; i < 7; ++i) campos[i]->setObrigatório(mascara & (1 << i));
    c.setMasQueUmaOcorrencia(maisDeUm);
    return c;
}

// The grouping the program asks for, done the plain way over all rows.
Linhas Referencia(const Linhas& todas, int mascara, bool maisDeUm) {
    std::map<QVector<QVariant>, QSet<int>, MenorLinha> grupos;
    for (const auto& linha : todas) {
        QVector<QVariant> chave;
        for (int i = 0; i < 7; ++i) {
            if (mascara & (1 << i))
                chave << linha[i + 1];
        }
        grupos[chave].insert(linha[0].toInt());
    }
    Linhas saida;
    for (const auto& [chave, ids] : grupos) {
        if (!maisDeUm || ids.size() > 1)
            saida << chave;
    }
    return saida;
}

void ConferirIguais(const Linhas& obtido, const Linhas& esperado, const QString& sql) {
    ASSERT_EQ(obtido.size(), esperado.size()) << sql.toStdString();
    for (qsizetype r = 0; r < obtido.size(); ++r) {
        ASSERT_EQ(obtido[r].size(), esperado[r].size());
        for (qsizetype i = 0; i < obtido[r].size(); ++i) {
            ASSERT_EQ(Comparar(obtido[r][i], esperado[r][i]), 0)
                << sql.toStdString() << " row " << r << ": "
                << obtido[r][i].toString().toStdString() << " vs "
                << esperado[r][i].toString().toStdString();
        }
    }
}

const QString kTodas = QStringLiteral(
    "SELECT ID_Paciente, Nome, Nome_Meio, Nome_Último, RG, CIC, Prontuário, Data_Nascimento "
    "FROM Paciente");

}  // namespace

TEST(AgrupadorEmbutido, EveryCriteriaCombinationMatchesThePlainGrouping) {
    QTemporaryDir pasta;
    registro::OpcoesRegistro opcoes;
    opcoes.pacientes = 2500;
    opcoes.duplicadosPorCento = 40;
    opcoes.pasta = pasta.path();
    registro::ResumoRegistro resumo;
    QString erro;
    ASSERT_TRUE(registro::CriarRegistro(opcoes, resumo, erro)) << erro.toStdString();
    clsADO ado;
    Connection cn;
    ASSERT_TRUE(
        ado.AbrirConexão(cn, registro::StringDeConexao(registro::ArquivoRegistro(pasta.path()))));
    // Spellings that only the collation joins: case, trailing blanks, dates written two ways,
    // NULLs; and one that it keeps apart (the accent).
    ASSERT_TRUE(ado.ExecutarSQL(
        cn,
        "INSERT INTO Paciente (Nome, Nome_Meio, Nome_Último, RG, Data_Nascimento) VALUES "
        "('JOSÉ ', NULL, 'silva', '12', '1901-02-03'), "
        "('josé', NULL, 'SILVA  ', '12 ', '1901-02-03 00:00:00'), "
        "('JOSE', NULL, 'Silva', NULL, '1901-02-03'), "
        "(NULL, NULL, NULL, NULL, NULL), (NULL, NULL, NULL, NULL, NULL), "
        // The first of these sorts after the second in an index on the three names.
        "('MARTA ', 'B', 'X', NULL, NULL), ('marta', 'A', 'X', NULL, NULL), "
        // Dates beside the usual days: a time of day written two ways, years far off.
        "('ANA', NULL, 'X', NULL, '2001-01-01 12:30:00'), ('ana', NULL, 'x', NULL, "
        "'2001-01-01 12:30'), ('ANA', NULL, 'X', NULL, '2001-01-01'), ('ANA', NULL, 'X', "
        "NULL, '1700-05-06'), ('ANA', NULL, 'X', NULL, '1700-05-06 00:00:00'), ('ANA', NULL, "
        "'X', NULL, '2201-12-31')"));
    // Holes in the row numbers, as merges leave them.
    ASSERT_TRUE(
        ado.ExecutarSQL(cn, "DELETE FROM Paciente WHERE ID_Paciente IN (1, 2, 3, 500, 1999)"));
    const Linhas todas = Ler(ado, cn, kTodas);
    ASSERT_EQ(todas.size(), 2508);
    const auto conferir = [&] {
        // First on its connection: read straight from an index, where MARTA's first row
        // comes second.
        int marta = 0;
        for (const auto& l : Ler(ado, cn, Criterio(1, true).ObterSQLComAgrupamento())) {
            if (Comparar(l[0], "MARTA") == 0) {
                ++marta;
                EXPECT_EQ(l[0].toString(), "MARTA ");
            }
        }
        EXPECT_EQ(marta, 1);
        for (int mascara = 1; mascara < 128; ++mascara) {
            const QString sql = Criterio(mascara, true).ObterSQLComAgrupamento();
            ConferirIguais(Ler(ado, cn, sql), Referencia(todas, mascara, true), sql);
        }
        for (int mascara : {1, 5, 0x44, 0x7F}) {
            const QString sql = Criterio(mascara, false).ObterSQLComAgrupamento();
            ConferirIguais(Ler(ado, cn, sql), Referencia(todas, mascara, false), sql);
        }
        // The planted rows: JOSÉ/josé join, JOSE stays apart; each group shows its first row.
        const Linhas nomes = Ler(ado, cn, Criterio(1 | 4 | 64, true).ObterSQLComAgrupamento());
        int jose = 0;
        for (const auto& l : nomes) {
            if (Comparar(l[0], QString::fromUtf8("JOSÉ")) == 0 && Comparar(l[1], "SILVA") == 0) {
                ++jose;
                EXPECT_EQ(l[0].toString(), QString::fromUtf8("JOSÉ "));
                EXPECT_EQ(l[2].toDateTime(), QDateTime(QDate(1901, 2, 3), QTime(0, 0), Qt::UTC));
            }
        }
        EXPECT_EQ(jose, 1);
    };
    // Every column read from an index, then some read from the table (hashed) beside others
    // from their indexes, on a new connection.
    conferir();
    ado.FecharConexão(cn);
    ASSERT_TRUE(
        ado.AbrirConexão(cn, registro::StringDeConexao(registro::ArquivoRegistro(pasta.path()))));
    for (const char* indice : {"IX_Paciente_Nomes", "IX_Paciente_Nomes_Nascimento",
                               "IX_Paciente_RG", "IX_Paciente_Data_Nascimento"}) {
        ASSERT_TRUE(ado.ExecutarSQL(cn, QStringLiteral("DROP INDEX Paciente.") + indice));
    }
    conferir();
    ado.FecharConexão(cn);
}

TEST(AgrupadorEmbutido, SeesEveryChangeOfTheData) {
    RegistroProduto reg;
    const QString sql = Criterio(1 | 4, true).ObterSQLComAgrupamento();
    const auto grupos = [&] { return Ler(reg.ado, reg.cn, sql).size(); };
    ASSERT_TRUE(reg.exec("INSERT INTO Paciente (Nome, Nome_Último) VALUES ('ANA', 'SILVA')"));
    ASSERT_TRUE(reg.exec("INSERT INTO Paciente (Nome, Nome_Último) VALUES ('BIA', 'SOUZA')"));
    EXPECT_EQ(grupos(), 0);
    // This connection's own write.
    ASSERT_TRUE(reg.exec("INSERT INTO Paciente (Nome, Nome_Último) VALUES ('ana', 'silva ')"));
    EXPECT_EQ(grupos(), 1);
    // Another connection's commit.
    {
        clsADO ado;
        Connection outra;
        ASSERT_TRUE(ado.AbrirConexão(outra, reg.connectionString()));
        ASSERT_TRUE(ado.ExecutarSQL(outra,
                                    "UPDATE Paciente SET Nome = 'Bia' WHERE Nome = 'ANA' "
                                    "AND Nome_Último = 'SILVA'"));
        ASSERT_TRUE(ado.ExecutarSQL(outra,
                                    "INSERT INTO Paciente (Nome, Nome_Último) VALUES ('BIA', "
                                    "'Souza')"));
        ado.FecharConexão(outra);
    }
    EXPECT_EQ(grupos(), 2);  // BIA SILVA and BIA SOUZA, twice each
    // Read inside a transaction, then rolled back.
    reg.ado.TransaçãoIniciar(reg.cn);
    ASSERT_TRUE(reg.exec("DELETE FROM Paciente WHERE Nome_Último = 'Souza'"));
    EXPECT_EQ(grupos(), 1);
    reg.ado.TransaçãoCancelar(reg.cn);
    EXPECT_EQ(grupos(), 2);
    // A column read after the others comes from the same rows.
    ASSERT_TRUE(reg.exec("UPDATE Paciente SET RG = '7' WHERE Nome_Último = 'SOUZA'"));
    const Linhas comRg = Ler(reg.ado, reg.cn, Criterio(1 | 4 | 8, true).ObterSQLComAgrupamento());
    ASSERT_EQ(comRg.size(), 2);
    EXPECT_TRUE(comRg[0][2].isNull());
    EXPECT_EQ(comRg[1][2].toString(), "7");
}

TEST(AgrupadorEmbutido, OtherShapesStayWithSqlite) {
    RegistroProduto reg;
    ASSERT_TRUE(
        reg.exec("INSERT INTO Paciente (Nome, Nome_Último) VALUES ('ANA', 'SILVA'), "
                 "('BIA', 'SILVA'), ('bia', NULL), ('CAIO', 'SILVA')"));
    // Descending order, a WHERE, a count, a different ORDER BY: all answered by SQLite.
    auto l = Ler(reg.ado, reg.cn, "SELECT Nome FROM Paciente GROUP BY Nome ORDER BY Nome DESC");
    ASSERT_EQ(l.size(), 3);
    EXPECT_EQ(l[0][0].toString(), "CAIO");
    l = Ler(reg.ado, reg.cn,
            "SELECT Nome FROM Paciente WHERE Nome_Último = 'silva' GROUP BY Nome ORDER BY Nome");
    ASSERT_EQ(l.size(), 3);
    l = Ler(reg.ado, reg.cn,
            "SELECT Nome, COUNT(*) AS N FROM Paciente GROUP BY Nome HAVING COUNT(*) > 1");
    ASSERT_EQ(l.size(), 1);
    EXPECT_EQ(l[0][1].toInt(), 2);
    l = Ler(reg.ado, reg.cn,
            "SELECT Nome, Nome_Último FROM Paciente GROUP BY Nome, Nome_Último ORDER BY "
            "Nome_Último, Nome");
    ASSERT_EQ(l.size(), 4);
    EXPECT_TRUE(l[0][1].isNull());
    // The shape itself with bracketed names and no ORDER BY.
    l = Ler(reg.ado, reg.cn,
            "SELECT [Nome] FROM [Paciente] GROUP BY [Nome] HAVING MAX([ID_Paciente]) <> "
            "MIN([ID_Paciente])");
    ASSERT_EQ(l.size(), 1);
    EXPECT_EQ(Comparar(l[0][0], "bia"), 0);
}
