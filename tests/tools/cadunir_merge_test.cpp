// cadunir-merge on registers written by the demo generator: the dry run, the command line, one
// given group, a batch stopped between groups and taken up again.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QThread>

#include "FerramentaUnificacao.h"
#include "Processo.h"
#include "data/ado/Recordset.h"
#include "support/RegistroGerado.h"
#include "worklist/PlanoLote.h"

namespace {

struct Resultado {
    int codigo = 0;
    QString saida;
    QString erros;
};

Resultado Rodar(const QStringList& argumentos, const std::function<bool()>& parar = {}) {
    qputenv("CADUNIR_PASSWORD", "cadunir");
    Resultado r;
    QTextStream saida(&r.saida);
    QTextStream erros(&r.erros);
    r.codigo = ExecutarFerramentaUnificacao(argumentos, saida, erros, {}, parar);
    saida.flush();
    erros.flush();
    return r;
}

QByteArray Hash(const QString& arquivo) {
    QFile f(arquivo);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

}  // namespace

TEST(CadunirMerge, SimulacaoNaoMudaUmByteEGravaOPlano) {
    RegistroGerado reg;
    reg.cn().Close();
    const QByteArray antes = Hash(reg.Arquivo());
    const QString plano = reg.Pasta() + "/plano.csv";
    const Processo p = RodarFerramenta(
        "cadunir-merge",
        {"--connect", reg.StringConexao(), "--user", "gestor", "--dry-run", "--report", plano}, {},
        {{"CADUNIR_PASSWORD", "cadunir"}});
    ASSERT_EQ(p.codigo, 0) << p.erros.data();
    EXPECT_EQ(Hash(reg.Arquivo()), antes);
    const QString saida = QString::fromUtf8(p.saida);
    EXPECT_TRUE(saida.startsWith("Grupos a unificar: ")) << p.saida.data();
    EXPECT_TRUE(saida.contains("\nUnificações erradas esperadas: 0,0"));
    const int registros = saida.section("Cadastros a remover: ", 1).section('\n', 0, 0).toInt();
    QFile f(plano);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().count("\r\n"), registros + 1);
    EXPECT_FALSE(saida.contains("lote"));
}

TEST(CadunirMerge, RecusaLinhaDeComandoErradaESenhaErrada) {
    RegistroGerado reg;
    const QStringList base = {"--connect", reg.StringConexao()};
    for (const QStringList& args : QList<QStringList>{{},
                                                      {"--min-score", "101"},
                                                      {"--min-score", "x"},
                                                      {"--resume", "0"},
                                                      {"--group", "5"},
                                                      {"--group", "5,x"},
                                                      {"--resume", "1", "--dry-run"},
                                                      {"--group", "1,2", "--report", "x.csv"},
                                                      {"--resume", "1", "--group", "1,2"}}) {
        const QStringList linha =
            base + (args.isEmpty() ? args : QStringList{"--user", "gestor"} + args);
        EXPECT_EQ(Rodar(linha).codigo, 2) << linha.join(' ').toStdString();
    }
    qputenv("CADUNIR_PASSWORD", "errada");
    QString saida, erros;
    QTextStream s(&saida), e(&erros);
    EXPECT_EQ(ExecutarFerramentaUnificacao(base + QStringList{"--user", "gestor"}, s, e, {}), 1);
    e.flush();
    EXPECT_TRUE(erros.contains("Usuário ou senha incorretos"));
}

TEST(CadunirMerge, GrupoDadoComSinalRecusadoELimpoUnificado) {
    RegistroGerado reg;
    clsPlanoLote plano(reg.cn(), reg.ado());
    ASSERT_TRUE(plano.Planejar(clsPlanoLote::kLimiarPadrao));
    ASSERT_GE(plano.Grupos().size(), 2);
    const auto& limpo = plano.Grupos()[0];
    const auto& comSinal = plano.Grupos()[1];
    const QString id = QString::number(comSinal.remocoes[0].id);
    reg.ado().ExecutarSQL(reg.cn(),
                          "UPDATE Paciente SET Sexo = CASE WHEN Sexo = 'M' THEN 'F' "
                          "ELSE 'M' END WHERE ID_Paciente = " +
                              id);
    const QStringList base = {"--connect", reg.StringConexao(), "--user", "gestor", "--group"};

    Resultado r = Rodar(base + QStringList{QString::number(comSinal.base) + "," + id});
    EXPECT_EQ(r.codigo, 1);
    EXPECT_TRUE(r.erros.contains("sinais de serem pessoas diferentes")) << r.erros.toStdString();
    EXPECT_EQ(reg.Contar("SELECT COUNT(*) FROM Paciente WHERE ID_Paciente = " + id), 1);

    QStringList ids{QString::number(limpo.base)};
    for (const auto& rem : limpo.remocoes) {
        ids << QString::number(rem.id);
    }
    r = Rodar(base + QStringList{ids.join(',')});
    EXPECT_EQ(r.codigo, 0) << r.erros.toStdString();
    EXPECT_EQ(reg.Contar("SELECT COUNT(*) FROM Paciente WHERE ID_Paciente IN (" +
                         ids.mid(1).join(',') + ")"),
              0);
    EXPECT_EQ(reg.Contar("SELECT COUNT(*) FROM PacienteLog WHERE ID_PacienteNovo = " +
                         QString::number(limpo.base)),
              limpo.remocoes.size());
}

TEST(CadunirMerge, ParadoEntreGruposERetomadoComResumeEDesfeitoComUndoBatch) {
    RegistroGerado reg;
    const QByteArray antes = reg.Produto();
    const QStringList base = {"--connect", reg.StringConexao(), "--user", "gestor"};
    // Ctrl+C once three groups are merged. The search asks too, from its own threads as well:
    // only the tool's own thread looks, on a connection of the test's own.
    Connection outra;
    clsADO ado;
    ASSERT_TRUE(ado.AbrirConexão(outra, reg.StringConexao()));
    const auto tresUnificados = [&] {
        if (QThread::currentThread() != QCoreApplication::instance()->thread() ||
            !ado.TableExiste(outra, "Cadunir_UnificacaoLote")) {
            return false;
        }
        Recordset rs;
        return ado.AbrirRecordset(
                   outra, rs,
                   "SELECT COUNT(DISTINCT ID_PacienteNovo) FROM Cadunir_UnificacaoLote") &&
               rs.Fields(0).Value().toInt() >= 3;
    };
    Resultado r = Rodar(base, tresUnificados);
    EXPECT_EQ(r.codigo, 1);
    EXPECT_TRUE(
        r.saida.contains("lote 1\n3 grupos unificados, 0 alterados desde o plano, 0 "
                         "recusados\n"))
        << r.saida.toStdString();
    EXPECT_TRUE(r.erros.contains("termine-o com --resume 1"));
    EXPECT_EQ(reg.Contar("SELECT COUNT(*) FROM Cadunir_UnificacaoLote"),
              reg.Contar("SELECT COUNT(*) FROM Cadunir_LotePlano WHERE Situacao = 1"));

    r = Rodar(base + QStringList{"--resume", "1"});
    EXPECT_EQ(r.codigo, 0) << r.erros.toStdString();
    EXPECT_TRUE(r.saida.startsWith("lote 1\n"));
    EXPECT_EQ(reg.Contar("SELECT COUNT(*) FROM Cadunir_LotePlano WHERE Situacao <> 1"), 0);
    EXPECT_EQ(reg.Contar("SELECT COUNT(*) FROM Cadunir_UnificacaoLote"),
              reg.Contar("SELECT COUNT(*) FROM Cadunir_LotePlano"));
    EXPECT_EQ(reg.Contar("SELECT COUNT(*) FROM Cadunir_Lote WHERE Fim IS NULL"), 0);

    // The whole batch undone from cadunir-history, and again: nothing left, still done.
    const qint64 unificacoes = reg.Contar("SELECT COUNT(*) FROM Cadunir_LotePlano");
    const QStringList desfazer = {"--connect", reg.StringConexao(), "--undo-batch", "1", "--user",
                                  "gestor",    "--keep-changed"};
    for (int vez = 0; vez < 2; ++vez) {
        const Processo p =
            RodarFerramenta("cadunir-history", desfazer, {}, {{"CADUNIR_PASSWORD", "cadunir"}});
        EXPECT_EQ(p.codigo, 0) << p.erros.data();
        EXPECT_EQ(QString::fromUtf8(p.saida), QString("Lote 1: %1 de %1 unificações desfeitas.\n")
                                                  .arg(reg.Contar("SELECT COUNT(DISTINCT "
                                                                  "ID_PacienteBase) FROM "
                                                                  "Cadunir_LotePlano")));
    }
    EXPECT_GT(unificacoes, 3);
    EXPECT_EQ(reg.Produto(), antes);
    r = Rodar(base + QStringList{"--resume", "1"});
    EXPECT_EQ(r.codigo, 1);
}
