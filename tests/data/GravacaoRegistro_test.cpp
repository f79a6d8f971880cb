#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sqlite3.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <thread>

#include "data/ado/Connection.h"
#include "data/base/Motor.h"
#include "support/OdbcTeste.h"
#include "support/TempRegister.h"

namespace {

using Estado = dados::SituacaoGravacao::Estado;

// Runs `f` on a thread of its own that has given up the administrator's right to write past
// file permissions (capabilities are per thread), so that a read-only file or folder is read
// only for it even when the tests run as root.
template <class F>
void SemPrivilegioDeArquivo(F f) {
    std::thread([&f] {
        __user_cap_header_struct cabecalho{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct dados[2]{};
        if (syscall(SYS_capget, &cabecalho, dados) == 0) {
            for (const int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH}) {
                dados[0].effective &= ~(1u << cap);
                dados[0].permitted &= ~(1u << cap);
            }
            syscall(SYS_capset, &cabecalho, dados);
        }
        f();
    }).join();
}

Estado estado(Connection& cn) {
    return cn.VerificarGravacao().estado;
}

TEST(GravacaoRegistro, AWritableRegisterSaysSoAndTheQuestionWritesNothing) {
    TempRegister reg;
    reg.exec("CREATE TABLE Paciente (Nome nvarchar (30) NULL)");
    const dados::SituacaoGravacao s = reg.conn().VerificarGravacao();
    EXPECT_EQ(s.estado, Estado::Gravavel);
    EXPECT_TRUE(s.detalhe.isEmpty());
    // No transaction was left behind: the program's own begins and commits as before.
    reg.conn().BeginTrans();
    EXPECT_EQ(estado(reg.conn()), Estado::Gravavel);  // this connection holds the lock itself
    reg.conn().Execute("INSERT INTO Paciente (Nome) VALUES ('ANA')");
    reg.conn().CommitTrans();
    EXPECT_EQ(reg.scalar("SELECT COUNT(*) FROM Paciente").toInt(), 1);
}

TEST(GravacaoRegistro, ARegisterAnotherConnectionHoldsForWritingIsLocked) {
    TempRegister reg(100);
    reg.exec("CREATE TABLE Paciente (Nome nvarchar (30) NULL)");
    sqlite3* outro = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(reg.path()).constData(), &outro), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(outro, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    const dados::SituacaoGravacao s = reg.conn().VerificarGravacao();
    EXPECT_EQ(s.estado, Estado::Bloqueado);
    EXPECT_TRUE(s.detalhe.contains("locked")) << s.detalhe.toStdString();
    // Reading goes on meanwhile; once the other lets go, the register is writable again.
    EXPECT_EQ(reg.scalar("SELECT COUNT(*) FROM Paciente").toInt(), 0);
    sqlite3_exec(outro, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(outro);
    EXPECT_EQ(estado(reg.conn()), Estado::Gravavel);
    EXPECT_TRUE(reg.exec("INSERT INTO Paciente (Nome) VALUES ('ANA')"));
}

TEST(GravacaoRegistro, AReadOnlyFileOrFolderIsReadOnly) {
    TempRegister reg;
    reg.exec("CREATE TABLE Paciente (Nome nvarchar (30) NULL)");
    const QString cadeia = reg.connectionString();
    const QString pasta = QFileInfo(reg.path()).absolutePath();
    const auto escrita =
        QFile::WriteOwner | QFile::WriteUser | QFile::WriteGroup | QFile::WriteOther;
    ASSERT_TRUE(QFile::setPermissions(reg.path(), QFile::permissions(reg.path()) & ~escrita));
    dados::SituacaoGravacao arquivo;
    SemPrivilegioDeArquivo([&] {
        Connection cn;
        cn.Open(cadeia);  // opened all the same: reading is what the grouping needs
        arquivo = cn.VerificarGravacao();
    });
    EXPECT_EQ(arquivo.estado, Estado::SomenteLeitura);
    EXPECT_TRUE(arquivo.detalhe.contains(reg.path())) << arquivo.detalhe.toStdString();

    // The file writable, its folder not: SQLite could not write its journal beside it.
    QFile::setPermissions(reg.path(), QFile::permissions(reg.path()) | QFile::WriteOwner);
    const auto permissoesPasta = QFile::permissions(pasta);
    ASSERT_TRUE(QFile::setPermissions(pasta, permissoesPasta & ~escrita));
    dados::SituacaoGravacao dePasta;
    SemPrivilegioDeArquivo([&] {
        Connection cn;
        cn.Open(cadeia);
        dePasta = cn.VerificarGravacao();
    });
    QFile::setPermissions(pasta, permissoesPasta);
    EXPECT_EQ(dePasta.estado, Estado::SomenteLeitura);
    EXPECT_TRUE(dePasta.detalhe.startsWith("a pasta")) << dePasta.detalhe.toStdString();
}

TEST(GravacaoRegistro, AnOdbcSourceTheDriverCanWriteIsWritable) {
    Connection cn;
    cn.Open(odbcteste::Conexao(odbcteste::NovoBanco(QStringLiteral("gravacao.db"))));
    EXPECT_EQ(estado(cn), Estado::Gravavel);
}

}  // namespace
