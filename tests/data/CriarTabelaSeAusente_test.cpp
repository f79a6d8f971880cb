// Creating a table of the program's own while another program may be creating it too: the
// loser of that race meets the table made and must take it as made; any other failure stands.

#include "data/ado/CriarTabelaSeAusente.h"

#include <gtest/gtest.h>

#include "data/base/Diagnostico.h"
#include "data/base/ErroNumerado.h"
#include "data/base/TabelaErros.h"
#include "support/SqlRecorder.h"
#include "support/TempRegister.h"

TEST(CriarTabelaSeAusente, OnlyAnObjectThatNowExistsCallsForASecondLook) {
    dados::SilenciarDiagnosticoNoTerminal(true);
    const QString criar = QStringLiteral("CREATE TABLE T (A int)");
    // The other program's connection creates the table just before this one's CREATE reaches
    // the database, which then refuses it in SQL Server's words, as its driver puts them: for
    // the CREATE (2714), for the ALTER TABLE of the same batch (1779), or for another reason.
    // (SQLite's own words are met for real by the start-up race of tests/merge.)
    const struct {
        const char* falha;
        bool criada;
    } casos[] = {
        {"[42S01] (2714) [FreeTDS][SQL Server]There is already an object named 'T'", true},
        {"[42000] (1779) [FreeTDS][SQL Server]Table 'T' already has a primary key", true},
        {"[42000] (262) [FreeTDS][SQL Server]CREATE TABLE permission denied", false},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.falha);
        TempRegister reg;
        Connection& cn = reg.conn();
        Connection outro;
        clsADO ado, adoOutro;
        ASSERT_TRUE(adoOutro.AbrirConexão(outro, reg.connectionString()));
        cn.AdicionarObservador([&](const Connection::Evento& e) {
            if (e.tipo == Connection::Evento::Execucao) {
                outro.Execute(criar);
                dados::RegistrarDiagnostico(QString::fromUtf8(c.falha));
                throw ErroNumerado(dados::ErroComando, "ODBC", "recusado");
            }
        });
        SqlRecorder rec(cn);
        EXPECT_EQ(CriarTabelaSeAusente(cn, ado, "T", criar), c.criada);
        EXPECT_EQ(rec.count(Connection::Evento::Esquema), c.criada ? 2 : 1);
    }

    // The name is taken by something that is no table: the CREATE's own failure is what the
    // caller gets, even when the second look fails too.
    TempRegister reg;
    reg.exec("CREATE VIEW T AS SELECT 1 AS A");
    clsADO ado;
    SqlRecorder rec(reg.conn());
    rec.failWhen([n = 0](const Connection::Evento& e) mutable {
        return e.tipo == Connection::Evento::Esquema && ++n == 2;
    });
    EXPECT_FALSE(CriarTabelaSeAusente(reg.conn(), ado, "T", criar));
    EXPECT_EQ(rec.count(Connection::Evento::Esquema), 2);
    EXPECT_EQ(ado.ErrorNumber(), dados::ErroComando);
    EXPECT_EQ(ado.ErrorString(), dados::TextoDoErro(dados::ErroComando));
    dados::SilenciarDiagnosticoNoTerminal(false);
}
