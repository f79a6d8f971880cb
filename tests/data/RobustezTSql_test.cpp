#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "EsquemaProduto.h"
#include "data/ado/clsADO.h"
#include "data/base/Diagnostico.h"
#include "data/base/ErroNumerado.h"
#include "data/sqlite/MotorEmbutido.h"
#include "data/tsql/TSqlTradutor.h"
#include "support/TempRegister.h"

// Random and mutated statements must give a result or a numbered error, never a crash, a hang
// or another exception.
namespace {

const char* const kCorpus[] = {
    " SELECT Nome, Nome_Último FROM Paciente   GROUP BY Nome, Nome_Último  HAVING "
    "MAX(ID_Paciente) <> MIN(ID_Paciente)  ORDER BY Nome, Nome_Último",
    " SELECT Paciente.ID_Paciente, Paciente.Prontuário, Paciente.Nome + CASE WHEN Nome_Meio IS "
    "NULL THEN '' ELSE ' ' + Nome_Meio END AS Nome_Completo   FROM Paciente   WHERE Nome = 'O' + "
    "CHAR(39) + 'Hara' AND Data_Nascimento = '1970-06-21' ",
    "Insert Into Paciente (Nome , Nome_Soundex) Values ('D' + CHAR(39) + 'AVILA',  "
    "Soundex('D'))",
    "Select @@Identity as ID",
    " SELECT TOP 500 ID_Paciente FROM Paciente  WHERE ID_Paciente IN (10,11,12)",
    "INSERT INTO Padrao_Exame_Tipo ( Tipo_Exame, ID_Usuario, Exibir_lista ) SELECT "
    "Exame_Tipo.Código_Tipo, Usuário.ID_Usuário, 1 AS Expr1 From Exame_Tipo, USUÁRIO WHERE "
    "(((Usuário.ID_Usuário)=1))",
    "Select * From sysobjects Where OBJECTPROPERTY(id, N'IsUserTable') = 1",
    " CREATE TABLE [dbo].[X] ( [ID] [int] IDENTITY (1, 1) NOT NULL , [D] [smalldatetime] NULL ) "
    "ON [PRIMARY] ALTER TABLE [dbo].[X] ADD CONSTRAINT [DF_X] DEFAULT (getdate()) FOR [D]",
    " UPDATE EXAME SET  ID_Paciente = 10 WHERE ID_Paciente = 12 /* nota */ -- fim",
    "SELECT COUNT(*) FROM Usuário WHERE Senha = 'a''b' AND NOT (Nome LIKE 'x%' OR Nome BETWEEN "
    "'a' AND 'b')",
};

const char* const kPedacos[] = {
    "(", ")", "'",      "N'",          "[",     "]",    "\"",  "--", "/*", "*/",
    ",", ";", "SELECT", "FROM",        "WHERE", "CASE", "END", "+",  "@@", "@@IDENTITY",
    ".", "*", "GO",     "ALTER TABLE", "(((",   "é",    "\n",  "0x", "1e", "AS"};

QString Mutar(QString s, QRandomGenerator& r) {
    const int vezes = 1 + r.bounded(4);
    for (int k = 0; k < vezes; ++k) {
        const int pos = s.isEmpty() ? 0 : r.bounded(s.size() + 1);
        switch (r.bounded(5)) {
            case 0:
                s.remove(pos, r.bounded(12));
                break;
            case 1:
                s.insert(pos, QString::fromUtf8(kPedacos[r.bounded(int(std::size(kPedacos)))]));
                break;
            case 2:
                s.insert(pos, s.mid(r.bounded(s.size() + 1), r.bounded(20)));
                break;
            case 3:
                s.truncate(pos);
                break;
            default:
                s.insert(pos, QChar(static_cast<char16_t>(1 + r.bounded(0x2FF))));
                break;
        }
    }
    return s;
}

}  // namespace

TEST(RobustezTSql, MutatedAndRandomStatementsNeverCrash) {
    TempRegister reg;
    ASSERT_TRUE(reg.exec(EsquemaProdutoTeste()));
    auto& motor = dynamic_cast<dados::MotorEmbutido&>(reg.conn().motor());
    const dados::Catalogo catalogo = motor.catalogo();
    QRandomGenerator r(20071970);
    clsADO ado;
    dados::SilenciarDiagnosticoNoTerminal(true);
    int traduzidos = 0;
    const int total = 6000;
    for (int i = 0; i < total; ++i) {
        QString sql;
        if (i % 10 == 9) {
            // Plain noise.
            const int n = r.bounded(60);
            for (int k = 0; k < n; ++k) {
                sql += QChar(static_cast<char16_t>(r.bounded(32, 0x17F)));
            }
        } else {
            sql = Mutar(QString::fromUtf8(kCorpus[r.bounded(int(std::size(kCorpus)))]), r);
        }
        try {
            dados::TraduzirTSql(sql, catalogo);
            ++traduzidos;
        } catch (const ErroNumerado&) {
        }
        // Some of them really run, inside a transaction that is thrown away.
        if (i % 20 == 0) {
            ado.TransaçãoIniciar(reg.conn());
            ado.ExecutarSQL(reg.conn(), sql);
            Recordset rs;
            ado.AbrirRecordset(reg.conn(), rs, sql);
            ado.TransaçãoCancelar(reg.conn());
        }
    }
    dados::SilenciarDiagnosticoNoTerminal(false);
    // The corpus itself is within the subset; a good share of the mutants stays valid.
    EXPECT_GT(traduzidos, total / 20);
    EXPECT_LT(traduzidos, total);
    EXPECT_EQ(ado.ProfundidadeTransação(), 0);
    // Everything ran inside discarded transactions: the register is as it was.
    EXPECT_TRUE(ado.TableExiste(reg.conn(), "Paciente"));
    EXPECT_EQ(reg.scalar("SELECT COUNT(*) FROM Paciente").toInt(), 0);
}
