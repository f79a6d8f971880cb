#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QSemaphore>
#include <QTimer>
#include <chrono>
#include <thread>

#include "data/base/Diagnostico.h"
#include "data/base/TabelaErros.h"
#include "main/ConsultaEmSegundoPlano.h"
#include "support/TempRegister.h"

namespace {

class ConsultaEmSegundoPlanoTest : public ::testing::Test {
  protected:
    void SetUp() override {
        reg.exec(
            "CREATE TABLE Paciente (ID_Paciente int IDENTITY (1, 1) NOT NULL, "
            "Nome nvarchar (30) NULL)");
        QString valores;
        for (int i = 0; i < 500; ++i) {
            valores += QStringLiteral("%1('P%2')").arg(i ? "," : "").arg(i % 7);
        }
        reg.exec("INSERT INTO Paciente (Nome) VALUES " + valores);
        // Three plain tables to join into a statement that never ends by itself.
        for (const char* t : {"Um", "Dois", "Tres"}) {
            reg.exec(QStringLiteral("CREATE TABLE %1 (Valor int NULL)").arg(QLatin1String(t)));
            reg.exec(QStringLiteral("INSERT INTO %1 (Valor) SELECT ID_Paciente FROM Paciente")
                         .arg(QLatin1String(t)));
        }
    }

    // Sleeps in the event loop until the worker has delivered an outcome; false when none came.
    static bool Esperar(ConsultaEmSegundoPlano& consulta, int& entregas) {
        if (consulta.Ocupada()) {
            QEventLoop laco;
            QObject::connect(&consulta, &ConsultaEmSegundoPlano::terminou, &laco,
                             &QEventLoop::quit);
            QTimer::singleShot(20000, &laco, &QEventLoop::quit);
            laco.exec();
        }
        QCoreApplication::processEvents();  // a stale delivery would show up now
        return !consulta.Ocupada() && entregas > 0;
    }

    TempRegister reg;
};

TEST_F(ConsultaEmSegundoPlanoTest, EntregaAsLinhasPelaSuaPropriaConexao) {
    ConsultaEmSegundoPlano consulta(reg.connectionString());
    int entregas = 0;
    QObject::connect(&consulta, &ConsultaEmSegundoPlano::terminou, [&] { ++entregas; });
    int vistas = 0;
    const int obs = reg.conn().AdicionarObservador(
        [&](const Connection::Evento&) { ++vistas; });  // not its way
    consulta.Iniciar(" SELECT Nome FROM Paciente   GROUP BY Nome  ORDER BY Nome");
    ASSERT_TRUE(Esperar(consulta, entregas));
    reg.conn().RemoverObservador(obs);
    const auto& r = consulta.Resultado();
    EXPECT_TRUE(r.ok);
    EXPECT_FALSE(r.cancelada);
    ASSERT_EQ(r.dados.linhas.size(), 7);
    EXPECT_EQ(r.dados.linhas[0][0].toString(), "P0");
    EXPECT_EQ(entregas, 1);
    EXPECT_EQ(vistas, 0);
    // A failing statement's number and words are the grouping session's tests.
}

TEST_F(ConsultaEmSegundoPlanoTest, CancelarInterrompeOComandoEmCurso) {
    ConsultaEmSegundoPlano consulta(reg.connectionString());
    int entregas = 0;
    QObject::connect(&consulta, &ConsultaEmSegundoPlano::terminou, [&] { ++entregas; });
    QSemaphore comecou;
    ConsultaEmSegundoPlano::DefinirGanchoAntesDaConsulta([&] { comecou.release(); });
    // 500^3 rows to count: hours of work unless the statement is really stopped.
    consulta.Iniciar(
        "SELECT COUNT(*) FROM Um INNER JOIN Dois ON Um.Valor <> Dois.Valor INNER JOIN Tres ON "
        "Dois.Valor <> Tres.Valor");
    comecou.acquire();
    ConsultaEmSegundoPlano::DefinirGanchoAntesDaConsulta({});
    const qint64 tamanhoLog = QFileInfo(dados::ArquivoDiagnostico()).size();
    // Give the statement time to be running inside SQLite before it is stopped.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    consulta.Cancelar();
    ASSERT_TRUE(Esperar(consulta, entregas));
    EXPECT_TRUE(consulta.Resultado().cancelada);
    EXPECT_FALSE(consulta.Resultado().ok);
    EXPECT_TRUE(consulta.Resultado().dados.linhas.isEmpty());
    EXPECT_EQ(entregas, 1);
    // A stop asked for is no failure: nothing reaches stderr or the diagnostics log.
    EXPECT_EQ(consulta.Resultado().numero, dados::ErroOperacaoCancelada);
    EXPECT_EQ(consulta.Resultado().detalhe, "");
    EXPECT_EQ(QFileInfo(dados::ArquivoDiagnostico()).size(), tamanhoLog);

    // The connection is still good for the next query.
    consulta.Iniciar("SELECT COUNT(*) FROM Paciente");
    ASSERT_TRUE(Esperar(consulta, entregas));
    ASSERT_TRUE(consulta.Resultado().ok);
    EXPECT_EQ(consulta.Resultado().dados.linhas[0][0].toInt(), 500);
}

TEST_F(ConsultaEmSegundoPlanoTest, ConsultaNovaSubstituiAEmCursoESoElaChega) {
    ConsultaEmSegundoPlano consulta(reg.connectionString());
    QStringList chegadas;
    QObject::connect(&consulta, &ConsultaEmSegundoPlano::terminou,
                     [&] { chegadas << consulta.Resultado().sql; });
    QSemaphore segurar;
    ConsultaEmSegundoPlano::DefinirGanchoAntesDaConsulta([&] { segurar.acquire(); });
    consulta.Iniciar("SELECT COUNT(*) FROM Paciente WHERE Nome = 'P1'");
    segurar.release(2);  // the first one goes on, and so will the second
    consulta.Iniciar("SELECT COUNT(*) FROM Paciente WHERE Nome = 'P2'");
    int entregas = 1;
    ASSERT_TRUE(Esperar(consulta, entregas));
    ConsultaEmSegundoPlano::DefinirGanchoAntesDaConsulta({});
    EXPECT_EQ(chegadas, QStringList{"SELECT COUNT(*) FROM Paciente WHERE Nome = 'P2'"});
    EXPECT_TRUE(consulta.Resultado().ok);
}

TEST_F(ConsultaEmSegundoPlanoTest, ConexaoQueNaoAbreEFalhaNaoEspera) {
    ConsultaEmSegundoPlano consulta(QStringLiteral("Provider=SQLite;Data Source=") + reg.path() +
                                    QStringLiteral(".ausente"));
    int entregas = 0;
    QObject::connect(&consulta, &ConsultaEmSegundoPlano::terminou, [&] { ++entregas; });
    consulta.Iniciar("SELECT 1");
    ASSERT_TRUE(Esperar(consulta, entregas));
    EXPECT_FALSE(consulta.Resultado().ok);
    EXPECT_FALSE(consulta.Resultado().cancelada);
    EXPECT_TRUE(consulta.Resultado().detalhe.contains("não encontrado"))
        << consulta.Resultado().detalhe.toStdString();
}

}  // namespace
