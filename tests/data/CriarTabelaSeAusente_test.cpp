// Creating a table of the program's own while another program may be creating it too: the
// loser of that race meets the table made and must take it as made; any other failure stands.

#include "data/ado/CriarTabelaSeAusente.h"

#include <gtest/gtest.h>

#include "data/base/Diagnostico.h"
#include "data/base/ErroNumerado.h"
#include "data/base/TabelaErros.h"
#include "support/ImprimirQt.h"
#include "support/OdbcTeste.h"
#include "support/SqlRecorder.h"
#include "support/TempRegister.h"

namespace {

const QString kCriar = QStringLiteral("CREATE TABLE T (A int)");

// Another program's connection creates the table just before this one's CREATE reaches the
// database; `falha`, when given, is then what the database answers, in its own words.
int OutroProgramaCriaAntes(Connection& cn, Connection& outro, const QString& falha = QString()) {
    return cn.AdicionarObservador([&cn, &outro, falha](const Connection::Evento& e) {
        if (e.tipo != Connection::Evento::Execucao || !e.texto.startsWith("CREATE")) {
            return;
        }
        outro.Execute(kCriar);
        if (!falha.isEmpty()) {
            dados::RegistrarDiagnostico(falha);
            throw ErroNumerado(dados::ErroComando, "ODBC", dados::TextoDoErro(dados::ErroComando));
        }
    });
}

}  // namespace

TEST(CriarTabelaSeAusente, OnTheOdbcPathTheTableTheOtherProgramMadeCounts) {
    const QString banco = odbcteste::NovoBanco("CriarTabelaSeAusente.db");
    Connection cn, outro;
    clsADO ado, adoOutro;
    ASSERT_TRUE(ado.AbrirConexão(cn, odbcteste::Conexao(banco)));
    ASSERT_TRUE(adoOutro.AbrirConexão(outro, odbcteste::Conexao(banco)));
    OutroProgramaCriaAntes(cn, outro);
    SqlRecorder rec(cn);
    EXPECT_TRUE(CriarTabelaSeAusente(cn, ado, "T", kCriar));
    EXPECT_EQ(rec.log(), QStringList({"Schema: 20", "Execute: " + kCriar, "Schema: 20"}));
    EXPECT_FALSE(ado.DetalheDoErro().isEmpty());
}

// SQL Server's answers, as its ODBC driver words them, to a CREATE that lost the race (2714) or
// to the ALTER TABLE of the same batch (1779); any other refusal stands without a second look.
TEST(CriarTabelaSeAusente, OnlyTheWordsForAnObjectThatNowExistsCallForASecondLook) {
    dados::SilenciarDiagnosticoNoTerminal(true);
    const struct {
        const char* falha;
        bool criada;
    } casos[] = {
        {"[42S01] (2714) [FreeTDS][SQL Server]There is already an object named 'T' in the "
         "database.",
         true},
        {"[42000] (1779) [FreeTDS][SQL Server]Table 'T' already has a primary key defined on it.",
         true},
        {"[42000] (262) [FreeTDS][SQL Server]CREATE TABLE permission denied in database 'R'.",
         false},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.falha);
        TempRegister reg;
        Connection outro;
        clsADO ado, adoOutro;
        ASSERT_TRUE(adoOutro.AbrirConexão(outro, reg.connectionString()));
        OutroProgramaCriaAntes(reg.conn(), outro, c.falha);
        SqlRecorder rec(reg.conn());
        EXPECT_EQ(CriarTabelaSeAusente(reg.conn(), ado, "T", kCriar), c.criada);
        EXPECT_EQ(rec.count(Connection::Evento::Esquema), c.criada ? 2 : 1);
        if (!c.criada) {
            EXPECT_EQ(ado.ErrorNumber(), dados::ErroComando);
        }
    }

    // The name is taken by something that is no table: the CREATE's own failure is what
    // the caller gets, even when the second look fails too.
    TempRegister reg;
    reg.exec("CREATE VIEW T AS SELECT 1 AS A");
    clsADO ado;
    SqlRecorder rec(reg.conn());
    rec.failWhen([n = 0](const Connection::Evento& e) mutable {
        return e.tipo == Connection::Evento::Esquema && ++n == 2;
    });
    EXPECT_FALSE(CriarTabelaSeAusente(reg.conn(), ado, "T", kCriar));
    EXPECT_EQ(rec.count(Connection::Evento::Esquema), 2);
    EXPECT_EQ(ado.ErrorNumber(), dados::ErroComando);
    EXPECT_EQ(ado.ErrorString(), dados::TextoDoErro(dados::ErroComando));
    dados::SilenciarDiagnosticoNoTerminal(false);
}
