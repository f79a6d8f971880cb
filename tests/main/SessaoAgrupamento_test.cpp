#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QSemaphore>
#include <memory>

#include "data/ado/Recordset.h"
#include "main/CriteriosGravados.h"
#include "main/SessaoAgrupamento.h"
#include "support/RegistroProduto.h"
#include "support/SegurarAgrupamento.h"

namespace {

constexpr int kLimite = 10000;  // a wait that ends on this is a failure, never a slow pass

// The criteria of the ticked boxes, by position: 0 Nome, 2 Nome_Último, 3 RG.
std::unique_ptr<clsPacienteCriterio> Criterio(std::initializer_list<int> caixas) {
    CriteriosGravados::Marcas marcas{};
    for (int i : caixas) {
        marcas[i] = Qt::Checked;
    }
    return CriteriosGravados::Criterio(marcas);
}

class SessaoAgrupamentoTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* p :
             {"'ANA', 'LIMA', '1', '1980-02-03'", "'ANA', 'LIMA', '1', '1980-02-03'",
              "'BIA', 'REIS', '2', '1990-05-06'"}) {
            reg.exec(QStringLiteral("INSERT INTO Paciente (Nome, Nome_Último, RG, "
                                    "Data_Nascimento) VALUES (%1)")
                         .arg(QLatin1String(p)));
        }
        reg.exec(
            "UPDATE Paciente SET Nome_Soundex = SOUNDEX(Nome), Nome_Último_Soundex = "
            "SOUNDEX(Nome_Último)");
        sessao.DefinirConexao(reg.connectionString());
        QObject::connect(&sessao, &SessaoAgrupamento::terminou,
                         [this](SessaoAgrupamento::Tipo t) { chegadas << t; });
        QObject::connect(&sessao, &SessaoAgrupamento::segurou, [this] { ++seguras; });
    }

    QStringList linhas() {
        QStringList r;
        for (const auto& linha : sessao.Resultado().dados.linhas) {
            QStringList celulas;
            for (const QVariant& v : linha) {
                celulas << v.toString();
            }
            r << celulas.join('|');
        }
        return r;
    }

    RegistroProduto reg;
    SessaoAgrupamento sessao;
    QList<SessaoAgrupamento::Tipo> chegadas;
    int seguras = 0;  // groupings that began to hold the window
};

using Tipo = SessaoAgrupamento::Tipo;

TEST_F(SessaoAgrupamentoTest, AgrupamentosChegamUmaVezEORecusadoNaoComecaNada) {
    ASSERT_TRUE(sessao.AgruparExato(Criterio({0, 2})));
    EXPECT_EQ(sessao.Executando(), Tipo::Exato);
    EXPECT_TRUE(sessao.SegurandoEntrada());
    EXPECT_TRUE(sessao.TextoProgresso().startsWith("Agrupando... "));
    ASSERT_TRUE(sessao.Aguardar(kLimite));
    EXPECT_EQ(chegadas, QList<Tipo>{Tipo::Exato});
    EXPECT_EQ(seguras, 1);
    EXPECT_TRUE(sessao.Resultado().ok);
    EXPECT_EQ(linhas(), QStringList{"ANA|LIMA"});
    EXPECT_EQ(sessao.Criterio().ObterSELECT(), "Nome, Nome_Último");

    // No field chosen: nothing runs, yet the current criteria are the new ones already.
    EXPECT_FALSE(sessao.AgruparExato(Criterio({})));
    EXPECT_FALSE(sessao.Agrupando());
    EXPECT_EQ(sessao.Criterio().ObterSELECT(), "");

    // The similarity search finds the two ANA LIMA records, which share documents and dates.
    sessao.AgruparSemelhanca();
    EXPECT_TRUE(sessao.SegurandoEntrada());
    ASSERT_TRUE(sessao.Aguardar(kLimite));
    EXPECT_EQ(chegadas, (QList<Tipo>{Tipo::Exato, Tipo::Semelhanca}));
    ASSERT_EQ(sessao.GruposEncontrados().size(), 1);
    EXPECT_EQ(sessao.GruposEncontrados()[0].ids, (QVector<qint32>{1, 2}));

    // A failure says what failed, and where the whole story is.
    sessao.Reagrupar(QStringLiteral("SELECT Nada FROM Paciente"));
    ASSERT_TRUE(sessao.Aguardar(kLimite));
    EXPECT_FALSE(sessao.Resultado().ok);
    EXPECT_EQ(sessao.MensagemDeFalha(Tipo::Reagrupamento), "");  // the screen stays right
    const QString falha = sessao.MensagemDeFalha(Tipo::Exato);
    EXPECT_TRUE(
        falha.startsWith("Ao exibir os paciente que obedecem aos critério acima, ocoreu o "
                         "seguinte erro:\n\n-2147217"))
        << falha.toStdString();
    EXPECT_TRUE(falha.contains("\r\n\r\nDetalhe: ") && falha.contains("Nada"))
        << falha.toStdString();
}

TEST_F(SessaoAgrupamentoTest, CancelarMantemOsCriteriosDaTelaENaoTocaOReagrupamento) {
    ASSERT_TRUE(sessao.AgruparExato(Criterio({0, 2})));
    ASSERT_TRUE(sessao.Aguardar(kLimite));
    {
        SegurarAgrupamento segurar;
        ASSERT_TRUE(sessao.AgruparExato(Criterio({3})));
        segurar.Soltar();
        // A second grouping replaces the first before it arrives: still the one on screen
        // comes back when it is cancelled.
        ASSERT_TRUE(sessao.AgruparExato(Criterio({2})));
        sessao.Cancelar();
        segurar.Soltar();
        ASSERT_TRUE(sessao.Aguardar(kLimite));
    }
    EXPECT_EQ(chegadas, (QList<Tipo>{Tipo::Exato, Tipo::Exato}));
    EXPECT_EQ(seguras, 2);  // the replacing grouping kept the hold it found
    EXPECT_TRUE(sessao.Resultado().cancelada);
    EXPECT_TRUE(sessao.Resultado().dados.linhas.isEmpty());
    EXPECT_EQ(sessao.Criterio().ObterSELECT(), "Nome, Nome_Último");

    SegurarAgrupamento segurar;
    sessao.Reagrupar(QStringLiteral("SELECT COUNT(*) FROM Paciente"));
    sessao.Cancelar();  // Esc and "Cancelar" are about a grouping that holds the window
    EXPECT_FALSE(sessao.SegurandoEntrada());
    EXPECT_EQ(seguras, 2);
    segurar.Soltar();
    ASSERT_TRUE(sessao.Aguardar(kLimite));
    EXPECT_TRUE(sessao.Resultado().ok);
    EXPECT_EQ(linhas(), QStringList{"3"});
}

TEST_F(SessaoAgrupamentoTest, EscritaRodaComOReagrupamentoParadoQueVoltaDepois) {
    for (const char* t : {"Um", "Dois", "Tres"}) {
        reg.exec(QStringLiteral("CREATE TABLE %1 (Valor int NULL)").arg(QLatin1String(t)));
        reg.exec(QStringLiteral("INSERT INTO %1 (Valor) VALUES (1)").arg(QLatin1String(t)));
        for (int i = 0; i < 10; ++i) {  // 1,024 rows each: a join that runs for hours
            reg.exec(QStringLiteral("INSERT INTO %1 (Valor) SELECT Valor + 1 FROM %1")
                         .arg(QLatin1String(t)));
        }
    }
    const QString lenta = QStringLiteral(
        "SELECT COUNT(*) FROM Um INNER JOIN Dois ON Um.Valor <> Dois.Valor INNER JOIN Tres ON "
        "Dois.Valor <> Tres.Valor INNER JOIN Paciente ON Tres.Valor <> Paciente.ID_Paciente");
    auto lendo = std::make_shared<QSemaphore>();
    ConsultaEmSegundoPlano::DefinirGanchoAntesDaConsulta([lendo] { lendo->release(); });
    sessao.Reagrupar(lenta);
    lendo->acquire();  // its connection is open and the statement goes out now

    // Another program's connection that never waits: its write goes through only if nobody
    // is reading the register.
    Connection outra;
    outra.Open(reg.connectionString() + QStringLiteral(";Busy Timeout=0"));
    bool escreveu = false;
    sessao.AoRedorDeEscrita([&] {
        EXPECT_FALSE(sessao.Agrupando());
        outra.BeginTrans();
        outra.Execute(QStringLiteral("UPDATE Paciente SET Nome = 'ANA' WHERE ID_Paciente = 1"));
        outra.CommitTrans();
        escreveu = true;
    });
    ConsultaEmSegundoPlano::DefinirGanchoAntesDaConsulta({});
    EXPECT_TRUE(escreveu);
    EXPECT_EQ(sessao.Executando(), Tipo::Reagrupamento);  // the same query, again
    EXPECT_TRUE(chegadas.isEmpty());                      // the stopped one never arrives

    // A write that groups again itself (a merge refreshes the grid) is not followed by a
    // second re-grouping.
    const QString propria = QStringLiteral("SELECT COUNT(*) FROM Paciente");
    sessao.AoRedorDeEscrita([&] { sessao.Reagrupar(propria); });
    ASSERT_TRUE(sessao.Aguardar(kLimite));
    EXPECT_EQ(chegadas, QList<Tipo>{Tipo::Reagrupamento});
    EXPECT_EQ(sessao.Resultado().sql, propria);

    // Without a quiet re-grouping running, a write starts none.
    sessao.AoRedorDeEscrita([] {});
    EXPECT_FALSE(sessao.Agrupando());
}

TEST_F(SessaoAgrupamentoTest, EsperaDormeEnquantoOTrabalhoEstaPreso) {
    // The worker stays blocked until this thread's event loop goes to sleep: a wait that
    // polls never sleeps, so it would spin (hundreds of thousands of wake-ups) until its limit.
    auto sinal = std::make_shared<QSemaphore>();
    ConsultaEmSegundoPlano::DefinirGanchoAntesDaConsulta([sinal] { sinal->acquire(); });
    QAbstractEventDispatcher* despachante = QAbstractEventDispatcher::instance();
    int despertares = 0;
    const auto acordou = QObject::connect(despachante, &QAbstractEventDispatcher::awake,
                                          [&despertares] { ++despertares; });
    const auto dormindo = QObject::connect(despachante, &QAbstractEventDispatcher::aboutToBlock,
                                           [sinal] { sinal->release(); });
    ASSERT_TRUE(sessao.AgruparExato(Criterio({0, 2})));
    const bool chegou = sessao.Aguardar(kLimite);
    QObject::disconnect(acordou);
    QObject::disconnect(dormindo);
    ConsultaEmSegundoPlano::DefinirGanchoAntesDaConsulta({});
    sinal->release(100);
    ASSERT_TRUE(chegou);
    EXPECT_LE(despertares, 10);
    EXPECT_EQ(linhas(), QStringList{"ANA|LIMA"});
}

TEST_F(SessaoAgrupamentoTest, ReagrupamentoMantemOGrupoAtualQuandoEleContinua) {
    ASSERT_TRUE(sessao.AgruparExato(Criterio({0, 2})));
    ASSERT_TRUE(sessao.Aguardar(kLimite));
    reg.exec("INSERT INTO Paciente (Nome, Nome_Último) VALUES ('ALI', 'LIMA')");
    reg.exec("INSERT INTO Paciente (Nome, Nome_Último) VALUES ('ALI', 'LIMA')");
    Recordset rs;
    const QString sql = sessao.Resultado().sql;
    rs.Adotar(reg.cn, sql, std::move(sessao.Resultado().dados));
    rs.setAbsolutePosition(1);  // ANA LIMA

    bool manteve = false;
    sessao.Reagrupar(sql);
    ASSERT_TRUE(sessao.Aguardar(kLimite));
    ASSERT_TRUE(sessao.AdotarReagrupamento(rs, reg.cn, manteve));
    EXPECT_TRUE(manteve);
    EXPECT_EQ(rs.RecordCount(), 2);
    EXPECT_EQ(rs.AbsolutePosition(), 2);  // ALI's group came before it
    EXPECT_EQ(rs.Fields(0).Value().toString(), "ANA");

    // The current group merged away meanwhile: nothing to keep, the caller picks the row.
    reg.exec("DELETE FROM Paciente WHERE ID_Paciente = 2");
    sessao.Reagrupar(sql);
    ASSERT_TRUE(sessao.Aguardar(kLimite));
    ASSERT_TRUE(sessao.AdotarReagrupamento(rs, reg.cn, manteve));
    EXPECT_FALSE(manteve);
    EXPECT_EQ(rs.RecordCount(), 1);

    // A group merged away is dropped from the result on screen at once, in memory.
    rs.setAbsolutePosition(1);
    ASSERT_TRUE(SessaoAgrupamento::TirarLinhaAtual(rs, reg.cn));
    EXPECT_EQ(rs.RecordCount(), 0);
    EXPECT_FALSE(SessaoAgrupamento::TirarLinhaAtual(rs, reg.cn));

    // A result for another grouping than the one shown is not taken.
    sessao.Reagrupar(QStringLiteral("SELECT COUNT(*) FROM Paciente"));
    ASSERT_TRUE(sessao.Aguardar(kLimite));
    EXPECT_FALSE(sessao.AdotarReagrupamento(rs, reg.cn, manteve));
}

}  // namespace
