#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QTemporaryDir>
#include <random>

#include "Busca.h"
#include "Registro.h"

namespace {

struct Execucao {
    int codigo = 0;
    QString saida, erros;
};

Execucao Executar(const QStringList& argumentos) {
    Execucao e;
    QTextStream saida(&e.saida), erros(&e.erros);
    e.codigo = ExecutarBusca(argumentos, saida, erros);
    saida.flush();
    erros.flush();
    return e;
}

QStringList Linhas(const QString& arquivo) {
    QFile f(arquivo);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
}

}  // namespace

TEST(CadunirFind, FindsThePlantedDuplicatesOfADemoRegister) {
    QTemporaryDir dir;
    registro::OpcoesRegistro o;
    o.pacientes = 3000;
    o.duplicadosPorCento = 20;
    o.pasta = dir.filePath("demo");
    registro::ResumoRegistro resumo;
    QString erro;
    ASSERT_TRUE(registro::CriarRegistro(o, resumo, erro)) << erro.toStdString();

    const QString pares = dir.filePath("pares.tsv"), grupos = dir.filePath("grupos.tsv");
    const Execucao e = Executar({"--ini", QDir(o.pasta).filePath("Tessivar.INI"), "--pairs", pares,
                                 "--groups", grupos, "--min-score", "50"});
    ASSERT_EQ(e.codigo, 0) << e.erros.toStdString();
    EXPECT_TRUE(e.saida.startsWith("3.000 pacientes,")) << e.saida.toStdString();
    EXPECT_TRUE(e.erros.contains("comparando")) << e.erros.toStdString();

    // The truth the generator wrote: which records are one person.
    QHash<QString, QString> pessoa;
    const QStringList verdade = Linhas(QDir(o.pasta).filePath("Verdade.tsv"));
    ASSERT_EQ(verdade.size(), 3001);
    EXPECT_EQ(verdade[0], "ID_Paciente\tperson");
    QHash<QString, int> tamanho;
    for (const QString& l : verdade.mid(1)) {
        const QStringList c = l.split('\t');
        pessoa[c[0]] = c[1];
        ++tamanho[c[1]];
    }
    qint64 verdadeiros = 0;
    for (int n : tamanho) verdadeiros += qint64(n) * (n - 1) / 2;

    const QStringList lp = Linhas(pares);
    ASSERT_FALSE(lp.isEmpty());
    EXPECT_EQ(lp[0],
              QString::fromUtf8("ID_A\tID_B\tscore\tNome\tNome_Meio\tNome_Último\tOrdem dos nomes"
                                "\tData_Nascimento\tSexo\tCIC\tRG\tProntuário\tEndereço\tTelefone"
                                "\tsinais\tvia"));
    qint64 certos = 0;
    double anterior = 101;
    for (const QString& l : lp.mid(1)) {
        const QStringList c = l.split('\t');
        ASSERT_EQ(c.size(), 16) << l.toStdString();
        const double score = c[2].toDouble();
        EXPECT_GE(score, 50);
        EXPECT_LE(score, anterior);  // best first
        anterior = score;
        EXPECT_TRUE(c[3].startsWith("igual") || c[3].startsWith("nulo") || c[3].contains(' '));
        if (pessoa.value(c[0]) == pessoa.value(c[1]))
            ++certos;
    }
    const double precisao = double(certos) / double(lp.size() - 1);
    const double revocacao = double(certos) / double(verdadeiros);
    EXPECT_GT(precisao, 0.9);
    EXPECT_GT(revocacao, 0.85);

    const QStringList lg = Linhas(grupos);
    ASSERT_GT(lg.size(), 1);
    EXPECT_EQ(lg[0], "group\tID_Paciente\tscore\tmark");
    QSet<QString> membros;
    for (const QString& l : lg.mid(1)) {
        const QStringList c = l.split('\t');
        ASSERT_EQ(c.size(), 4);
        EXPECT_TRUE(pessoa.contains(c[1]));
        EXPECT_FALSE(membros.contains(c[1])) << "a patient in two groups";
        membros << c[1];
    }

    // The first search learned and saved its parameters; the next reuses them, unless asked.
    const QString ini = QDir(o.pasta).filePath("Tessivar.INI");
    const Execucao explicada = Executar({"--ini", ini, "--explain"});
    ASSERT_EQ(explicada.codigo, 0) << explicada.erros.toStdString();
    EXPECT_TRUE(explicada.saida.contains("campo\tnível\tm\tm inicial\tu\tu inicial\tpeso"));
    EXPECT_TRUE(explicada.saida.contains("parâmetros guardados de uma busca anterior"));
    EXPECT_TRUE(Executar({"--ini", ini, "--explain", "--learn"})
                    .saida.contains("parâmetros aprendidos agora com este cadastro"));
}

// --pairs writes its numbers without QByteArray::number and must write the same text: ties
// away from zero, no sign on a zero, a sign on what rounds to it.
TEST(CadunirFind, OneDecimalNumbersAsQtWritesThem) {
    std::vector<double> valores = {0.0,  -0.0,  0.25,  -0.25, 2.75,       -2.75, 0.05, -0.04,
                                   0.15, 99.95, 100.0, -1e-9, 1e6 + 0.25, 17.3,  -5.6, 81.8};
    std::mt19937_64 sorte(3);
    for (int i = 0; i < 20000; ++i)
        valores.push_back(double(qint64(sorte() % 400001) - 200000) / (i % 2 ? 20.0 : 7.0));
    for (const double v : valores) {
        QByteArray escrito;
        UmaCasa(v, escrito);
        EXPECT_EQ(escrito, QByteArray::number(v, 'f', 1)) << v;
    }
}

TEST(CadunirFind, RefusesBadValuesAsUsageAndAnUnreadableRegisterAsFailure) {
    QTemporaryDir dir;
    const QString inexistente = "Provider=SQLite;Data Source=" + dir.filePath("nada.db");
    Execucao e = Executar({"--connect", inexistente});
    EXPECT_EQ(e.codigo, 1);
    EXPECT_TRUE(e.erros.startsWith("cadunir-find: o cadastro não abriu: "))
        << e.erros.toStdString();

    for (const char* limiar : {"150", "-1", "nan", "inf", "5x"}) {
        e = Executar({"--connect", inexistente, "--min-score", limiar});
        EXPECT_EQ(e.codigo, 2) << limiar;
        EXPECT_TRUE(e.erros.startsWith("cadunir-find: --min-score recebe um número de 0 a 100"))
            << limiar;
    }
}
