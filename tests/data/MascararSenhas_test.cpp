#include <gtest/gtest.h>

#include <QStringList>

#include "data/base/Diagnostico.h"
#include "support/ImprimirQt.h"

namespace {

// Every secret below is built from these pieces, so one search finds any of them.
const QStringList kPedacos = {"S3gr", "3d0x", "Pw9q"};

void SemSegredo(const QString& entrada, const QString& deveFicar = QString()) {
    const QString saida = dados::MascararSenhas(entrada);
    for (const QString& p : kPedacos) {
        EXPECT_FALSE(saida.contains(p, Qt::CaseInsensitive))
            << "in:  " << entrada.toStdString() << "\nout: " << saida.toStdString();
    }
    if (!deveFicar.isEmpty()) {
        EXPECT_TRUE(saida.contains(deveFicar)) << saida.toStdString();
    }
}

}  // namespace

TEST(MascararSenhas, ConnectionStringPasswordsInEverySpellingAndSpacing) {
    const QList<QChar> brancos = {QChar(' '),    QChar('\t'),   QChar(0x00A0), QChar(0x2003),
                                  QChar(0x3000), QChar(0x202F), QChar(0x200B), QChar(0xFEFF)};
    const QStringList chaves = {"Password", "PWD", "pwd", "Passwd", "PASSWORD"};
    const QStringList valores = {"S3gr3d0x",      "{S3gr;3d0x}", "{S3gr}};3d0x}", "\"S3gr;3d0x\"",
                                 "'S3gr;''3d0x'", "{S3gr;3d0x",  "\"S3gr;3d0x"};
    for (const QString& chave : chaves) {
        for (const QChar b : brancos) {
            for (const QString& v : valores) {
                SemSegredo("Driver={FreeTDS};Server=srv;UID=sa;" + chave + b + "=" + b + v +
                               ";Database=Tessivar",
                           "UID=sa");
                SemSegredo("Provider=SQLOLEDB.1;User ID=sa;" + QString(b) + chave + b + b + "=" +
                               v + ";Data Source=srv",
                           "User ID=sa");
            }
        }
    }
    // A mis-braced provider value that swallows the password, and the texts that echo it.
    SemSegredo("Provider={SQLOLEDB;Password=S3gr3d0x};Data Source=srv");
    SemSegredo("Provedor desconhecido na cadeia de conexão: \"SQLOLEDB;Password=S3gr3d0x\".");
    SemSegredo("unknown provider 'X;Pwd\u00A0=S3gr3d0x' in: Provider={X;Pwd\u00A0=S3gr3d0x}");
    SemSegredo(
        "[unixODBC][Driver Manager]Data source name not found ; ao abrir: "
        "DSN=x;PWD=S3gr3d0x");
}

TEST(MascararSenhas, EveryStatementShapeThatCarriesAPassword) {
    // The shapes the user record sends: its insert (the password with a quote in it goes as
    // 'a' + CHAR(39) + 'b'), its update, and its look-ups.
    SemSegredo(
        "Insert Into Usuário ( Nome, Usuário, Senha, ÉPatologista, ID_Patologista, Ativo) Values "
        "('ANA', 'ana', 'S3gr' + CHAR(39) + '3d0x' + CHAR(34) + 'Pw9q', 0, 0, 1)",
        "Values ('ANA', 'ana', '***', 0, 0, 1)");
    SemSegredo(
        "Update Usuário  Set  Nome = 'ANA',  Usuário = 'ana',  Senha = 'S3gr3d0x', "
        " ÉPatologista = 0,  ID_Patologista = 0,  Ativo = 1 Where Id_Usuário = 7",
        "Usuário = 'ana'");
    SemSegredo(
        "SELECT Count(*) FROM USUÁRIO  WHERE Senha = 'S3gr' + CHAR(39) + '3d0x'  AND "
        "USUÁRIO = 'ana'",
        "USUÁRIO = 'ana'");
    SemSegredo("SELECT * FROM USUÁRIO WHERE Senha = N'S3gr''3d0x' AND Usuário = 'ana'");
    SemSegredo(
        "Select count(*) FROM Usuário Where Usuário = 'ana' And Senha = 'S3gr3d0x' And "
        "ID_Usuário <> 3");
    // What an administrator may type into the console, and other columns named for passwords.
    SemSegredo(
        "INSERT INTO [dbo].[Usuário] ([Nome], [Usuário], [Senha]) VALUES ('A', 'a', "
        "'S3gr3d0x'), ('B', 'b', N'Pw9q')",
        "('B', 'b', '***')");
    SemSegredo("insert Usuário(Nome,Senha)values('A',('S3gr'+'3d0x'))");
    SemSegredo(
        "INSERT INTO Usuário (Nome, Usuário, Senha) SELECT Nome, 'x', 'S3gr3d0x' FROM "
        "Outra WHERE A = 1",
        "FROM Outra WHERE A = 1");
    SemSegredo("INSERT INTO Usuário VALUES ('ANA', 'ana', 'S3gr3d0x', 0)");
    SemSegredo(
        "INSERT INTO Contas (Login, PasswordHash, Pwd, SenhaAntiga) VALUES ('a', "
        "'S3gr3d0x', 'Pw9q', '3d0x')",
        "VALUES ('a', '***', '***', '***')");
    SemSegredo(
        "UPDATE Contas SET [Senha Antiga] = 'S3gr3d0x', \"PWD\"='Pw9q' WHERE Login LIKE "
        "'a%'");
    SemSegredo("SELECT 1 FROM Usuário WHERE Senha\u00A0=\u00A0'S3gr3d0x'");
    SemSegredo("SELECT 1 FROM Usuário WHERE Senha LIKE 'S3gr%'");
    // A statement cut short inside the literal (a log line that was truncated).
    SemSegredo("UPDATE Usuário SET Senha = 'S3gr3d0x");
    SemSegredo("INSERT INTO Usuário (Nome, Senha) VALUES ('a', 'S3gr3d0x");
    // SQL Server names the column and echoes the value it would have truncated.
    SemSegredo(
        "String or binary data would be truncated in table 'Tessivar.dbo.Usuário', "
        "column 'Senha'. Truncated value: 'S3gr3d0x'.");
}

// Whatever expression the password is typed in, on either side of the operator, every
// literal in it goes; the comparisons beside it stay readable.
TEST(MascararSenhas, AnyExpressionComparedWithOrAssignedToAPassword) {
    const QStringList formas = {
        "UPDATE Usuário SET Senha = UPPER('S3gr3d0x') WHERE Usuário = 'ana'",
        "SELECT 1 FROM Usuário WHERE Senha = 'S3gr' + '3d0x' AND Usuário = 'ana'",
        "SELECT 1 FROM Usuário WHERE Senha = LOWER(RTRIM(LTRIM(N'S3gr3d0x'))) AND Usuário = 'ana'",
        "SELECT 1 FROM Usuário WHERE Senha NOT IN ('S3gr', N'3d0x', 'Pw9q') AND Usuário = 'ana'",
        "SELECT 1 FROM Usuário WHERE Senha IN (SELECT 'S3gr3d0x' UNION SELECT 'Pw9q') AND "
        "Usuário = 'ana'",
        "UPDATE Usuário SET Senha = CASE WHEN 1 = 1 THEN 'S3gr' ELSE '3d0x' END WHERE "
        "Usuário = 'ana'",
        "SELECT 1 FROM Usuário WHERE 'S3gr3d0x' = Senha AND Usuário = 'ana'",
        "SELECT 1 FROM Usuário WHERE UPPER('S3gr' + '3d0x') = UPPER(Senha) AND Usuário = 'ana'",
        "SELECT CASE Senha WHEN 'S3gr3d0x' THEN 1 END FROM Usuário WHERE Usuário = 'ana'",
        "SELECT 1 FROM Usuário WHERE Senha NOT BETWEEN 'S3gr' AND '3d0x' AND Usuário = 'ana'",
        "SELECT 1 FROM Usuário WHERE Senha LIKE 'S3gr%' ESCAPE '!' AND Usuário = 'ana'",
        "UPDATE Usuário SET Nome = 'X', Senha = COALESCE(NULL, 'S3gr3d0x'), Usuário = 'ana'",
        "-- UPDATE Usuário SET Senha = 'S3gr3d0x'\nSELECT 1 FROM Usuário WHERE Usuário = 'ana'",
        "/* don't */ UPDATE Usuário SET Senha = 'S3gr3d0x' WHERE Usuário = 'ana'",
    };
    for (const QString& f : formas) {
        SemSegredo(f, "Usuário = 'ana'");
    }
    EXPECT_FALSE(dados::MascararSenhas("UPDATE Usuário SET Senha = 31415926 WHERE ID = 2")
                     .contains("31415926"));
    // A syntax error names the token at fault: not when it is part of a password.
    const QString sql = "UPDATE Usuário SET Senha = 'S3gr' '3d0x' WHERE Usuário = 'ana'";
    EXPECT_TRUE(dados::TrechoDeSenha(sql, sql.indexOf("'3d0x'")));
    EXPECT_FALSE(dados::TrechoDeSenha(sql, sql.indexOf("'ana'")));
}

TEST(MascararSenhas, TextWithoutSecretsPassesUnchanged) {
    const QStringList intactos = {
        "INSERT INTO Paciente (Nome, RG) VALUES ('ANA', '123')",
        "SELECT * FROM Usuário WHERE Usuário = 'ana'",
        "UPDATE Paciente SET Nome = 'O' + CHAR(39) + 'NEIL' WHERE ID = 1",
        "Provider=SQLite;Data Source=/tmp/registro.db",
        "DSN=x;UID=a",
        "Cadeia de conexão inválida: texto depois do valor entre chaves de \"PWD\".",
    };
    for (const QString& t : intactos) {
        EXPECT_EQ(dados::MascararSenhas(t), t);
    }
}

// A long value must not outrun the matcher: a failed match would log the secret in clear.
TEST(MascararSenhas, ValuesOfAnyLengthAreMasked) {
    const QString longo(1000000, QLatin1Char('a'));
    for (const QString& t :
         {QStringLiteral("UPDATE Usuário SET Senha = '") + longo + "SEGREDO' WHERE Id_Usuario = 1",
          QStringLiteral("INSERT INTO Usuário (Nome, Senha) VALUES ('") + longo + "', 'SEGREDO')",
          QStringLiteral("INSERT INTO Usuário (Nome, Senha) VALUES ('x', '") + longo + "SEGREDO')",
          QStringLiteral("Driver={x};PWD={") + longo + "SEGREDO}",
          QStringLiteral("Driver={x};PWD=\"") + longo + "SEGREDO\"",
          QStringLiteral("SELECT * FROM Usuário WHERE Senha = '") + longo + "SEGREDO'"}) {
        EXPECT_FALSE(dados::MascararSenhas(t).contains("SEGREDO")) << t.left(60).toStdString();
    }
}
