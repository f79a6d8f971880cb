#include <gtest/gtest.h>

#include <QSet>

#include "data/ado/Recordset.h"
#include "support/ImprimirQt.h"
#include "support/RegistroMerge.h"
#include "worklist/MembrosAgrupamento.h"

namespace {

QVector<QVector<QVariant>> Linhas(RegistroMerge& r, const QString& sql) {
    Recordset rs;
    EXPECT_TRUE(r.ado().AbrirRecordset(r.cn(), rs, sql));
    return rs.Dados().linhas;
}

}  // namespace

// The worklist's groups are exactly the register's: the same records the grid's member query
// finds for each row, texts compared as the register compares them.
TEST(MembrosAgrupamento, GruposSaoOsDoCadastro) {
    RegistroMerge r;
    const char* const pacientes[] = {
        "'ANA', NULL, 'SILVA', NULL",  "'ana  ', NULL, 'Silva', NULL",  // case, trailing blanks
        "'ANA', '', 'SILVA', NULL",    "'ANA', '', 'SILVA ', NULL",     // empty is not NULL
        "'ANÁ', NULL, 'SILVA', NULL",                                   // accents count
        "'JOSE', 'X', 'SOUZA', '111'", "'JOSE', 'X', 'SOUZA', '222'",   // two people?
        "' ANA', NULL, 'SILVA', NULL",                                  // a leading blank counts
    };
    for (const char* p : pacientes) {
        r.Executar(
            QString("INSERT INTO Paciente (Nome, Nome_Meio, Nome_Último, CIC) VALUES (%1)").arg(p));
    }
    const QStringList colunas = {"Nome", "Nome_Meio", "Nome_Último"};
    const auto linhas =
        Linhas(r,
               "SELECT Nome, Nome_Meio, Nome_Último FROM Paciente GROUP BY Nome, Nome_Meio, "
               "Nome_Último HAVING MAX(ID_Paciente) <> MIN(ID_Paciente) ORDER BY Nome, Nome_Meio, "
               "Nome_Último");
    QVector<GrupoTrabalho> grupos;
    QString erro;
    ASSERT_TRUE(MembrosAgrupamento(r.cn(), r.ado(), colunas, linhas, grupos, erro))
        << erro.toStdString();

    QSet<QVector<qint32>> doCadastro;
    for (const auto& linha : linhas) {
        QStringList onde;
        for (int c = 0; c < colunas.size(); ++c) {
            onde << (linha[c].isNull() ? colunas[c] + " IS NULL"
                                       : colunas[c] + " = '" + linha[c].toString() + "'");
        }
        QVector<qint32> ids;
        for (const auto& l : Linhas(r, "SELECT ID_Paciente FROM Paciente WHERE " +
                                           onde.join(" AND ") + " ORDER BY ID_Paciente")) {
            ids << l[0].toInt();
        }
        doCadastro.insert(ids);
    }
    QSet<QVector<qint32>> daLista;
    for (const GrupoTrabalho& g : grupos) {
        daLista.insert(g.membros);
        EXPECT_EQ(g.sinal, g.membros == QVector<qint32>({6, 7}));  // different CICs
    }
    EXPECT_EQ(daLista, doCadastro);
    EXPECT_EQ(daLista, (QSet<QVector<qint32>>{{1, 2}, {3, 4}, {6, 7}}));
    EXPECT_EQ(grupos.value(0).nome, "ANA SILVA");

    // A column the grouping cannot have is refused, not ignored.
    EXPECT_FALSE(MembrosAgrupamento(r.cn(), r.ado(), {"Telefone"}, {}, grupos, erro));
}
