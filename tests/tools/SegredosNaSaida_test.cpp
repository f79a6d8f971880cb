#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "Processo.h"
#include "support/ImprimirQt.h"

// The tools run here as real processes, with the statement trace on, and everything they
// write (stdout, stderr, the diagnostics log) is searched for the passwords they were given.
namespace {

class SegredosNaSaida : public ::testing::Test {
  protected:
    Processo Rodar(const QString& programa, const QStringList& argumentos,
                   const QByteArray& entrada = QByteArray()) {
        const Processo r = RodarFerramenta(programa, argumentos, entrada,
                                           {{"HOME", pasta.path()},
                                            {"XDG_DATA_HOME", pasta.filePath("dados")},
                                            {"CADUNIR_SQL_TRACE", "1"}});
        todas += r.saida + r.erros;
        return r;
    }
    QByteArray Log() const {
        QByteArray log;
        for (const char* nome : {"cadunir.log.1", "cadunir.log"}) {
            QFile f(pasta.filePath(QStringLiteral("dados/Cadunir/") + nome));
            if (f.open(QIODevice::ReadOnly)) {
                log += f.readAll();
            }
        }
        return log;
    }
    QString Registro() {
        const Processo r =
            Rodar("cadunir-register", {"--out", pasta.filePath("demo"), "--patients", "30"});
        EXPECT_EQ(r.codigo, 0) << r.erros.toStdString();
        return "Provider=SQLite;Data Source=" + pasta.filePath("demo/Registro.db");
    }
    void SemSegredos(const QList<QByteArray>& segredos) {
        const QByteArray tudo = todas + Log();
        for (const QByteArray& s : segredos) {
            EXPECT_FALSE(tudo.contains(s)) << s.toStdString() << " in:\n" << tudo.toStdString();
        }
    }

    QTemporaryDir pasta;
    QByteArray todas;  // stdout and stderr of every run
};

}  // namespace

TEST_F(SegredosNaSaida, TheDemoGeneratorTracesItsUsersButNotTheirPasswords) {
    Registro();
    const QByteArray log = Log();
    EXPECT_TRUE(log.contains("Insert Into Usuário")) << "the trace is on";
    EXPECT_TRUE(todas.contains("Insert Into Usuário")) << "and reaches stderr";
    // The two demo users' passwords.
    SemSegredos({"'cadunir'", "balcao"});
}

TEST_F(SegredosNaSaida, TheSqlConsoleShowsStatementsAndFailuresButNoPassword) {
    const QString cadeia = Registro();
    const Processo r = Rodar("cadunir-sql", {"--trace", "--connect", cadeia},
                             "INSERT INTO Usuário (Nome, Usuário, Senha) VALUES ('A', 'a', "
                             "'Ab7k' + CHAR(39) + 'Zp3')\n"
                             "UPDATE Usuário SET Senha = 'Pw9qZk2m' WHERE Usuário = 'a'\n"
                             "SELECT COUNT(*) AS N FROM Usuário WHERE Senha = N'Pw9qZk2m'\n"
                             // Passwords typed in any expression, on either side.
                             "UPDATE Usuário SET Senha = UPPER('Uq7wXr') WHERE Usuário = 'a'\n"
                             "SELECT COUNT(*) AS N FROM Usuário WHERE Senha = 'Kd3x' + 'Vn8y'\n"
                             "SELECT COUNT(*) AS N FROM Usuário WHERE Senha NOT IN ('Hb5Tz', "
                             "LOWER(RTRIM('Qm2Lp')))\n"
                             "SELECT COUNT(*) AS N FROM Usuário WHERE CASE WHEN 'Ze6Wk' = Senha "
                             "THEN 1 ELSE 0 END = 1\n"
                             "UPDATE Usuário SET Senha = CASE WHEN 1 = 1 THEN 'Rf4Ny' END WHERE "
                             "Usuário = 'a'\n"
                             "GO\n"
                             "INSERT INTO Usuário (Nome, Usuário, Senha) VALUES ('B', 'b', "
                             "'Jm4tLong0123456789')\n");
    EXPECT_EQ(r.codigo, 1);
    EXPECT_TRUE(r.erros.contains("\nUPDATE Usuário SET Senha = '***' WHERE Usuário = 'a'\n"))
        << r.erros.toStdString();
    EXPECT_TRUE(
        r.erros.endsWith("Msg 8152, Level 16, State 14, Line 1\n"
                         "String or binary data would be truncated.\n"));
    EXPECT_TRUE(Log().contains("VALUES ('B', 'b', '***')")) << "the failure is logged";
    // Failures that would name a password: the token at fault, an unclosed quote, a stored
    // password that does not convert to a number.
    for (const char* sql :
         {"UPDATE Usuário SET Senha = 'Gt5q' 'Pk9Yh'", "UPDATE Usuário SET Senha = 'Wq8Js",
          "SELECT 1 FROM Usuário WHERE "
          "Senha = 1"}) {
        const Processo f = Rodar("cadunir-sql", {"--trace", "--connect", cadeia, "-e", sql});
        EXPECT_EQ(f.codigo, 1);
        EXPECT_TRUE(f.erros.contains("Msg ")) << f.erros.toStdString();
    }

    // Connection strings that fail, each echoing a piece of itself somewhere.
    for (const QString& c :
         {QStringLiteral("Provider={SQLOLEDB;Password=S3grXq9w};Data Source=SRV"),
          QStringLiteral("Driver={Driver Que Nao Existe};Server=SRV;PWD\u00A0=S3grXq9w"),
          QStringLiteral("DSN=Nenhuma;UID=sa;Pwd\u2003=\u00A0{S3gr;Xq9w}"),
          QStringLiteral("Provider=Nada;Password='S3gr;Xq9w")}) {
        const Processo f = Rodar("cadunir-sql", {"--connect", c, "-e", "SELECT 1"});
        EXPECT_EQ(f.codigo, 1) << c.toStdString();
        EXPECT_FALSE(f.erros.isEmpty());
    }
    SemSegredos({"Ab7k", "Zp3'", "S3gr", "Xq9w", "Pw9qZk2m", "Jm4tLong", "Uq7wXr", "Kd3x", "Vn8y",
                 "Hb5Tz", "Qm2Lp", "Ze6Wk", "Rf4Ny", "Gt5q", "Pk9Yh", "Wq8Js", "balcao",
                 "'cadunir'"});
}
