#include "RegistroMerge.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QRandomGenerator>
#include <QStringList>
#include <algorithm>
#include <memory>
#include <stdexcept>

#include "Esquema.h"
#include "data/base/Relogio.h"
#include "merge/clsPacienteUnificar.h"
#include "merge/clsUnificacaoRegistro.h"

namespace {

struct FecharSqlite {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using SqlitePtr = std::unique_ptr<sqlite3, FecharSqlite>;

SqlitePtr AbrirSqlite(const QString& arquivo, int flags) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(arquivo.toUtf8().constData(), &db, flags, nullptr);
    SqlitePtr ptr(db);
    if (rc != SQLITE_OK) {
        throw std::runtime_error("sqlite3_open_v2: " + std::string(sqlite3_errstr(rc)));
    }
    sqlite3_busy_timeout(db, 5000);
    return ptr;
}

// One value in a self-delimiting form: type, length, bytes.
void Serializar(QByteArray& saida, sqlite3_stmt* st, int coluna) {
    const int tipo = sqlite3_column_type(st, coluna);
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(st, coluna));
    const int n = sqlite3_column_bytes(st, coluna);
    saida += char('0' + tipo);
    saida += QByteArray::number(n) + ':';
    if (bytes != nullptr) {
        saida += QByteArray(bytes, n);
    }
}

}  // namespace

RegistroMerge::RegistroMerge(bool criarTabelasLog, int esperaMs) : m_registro(esperaMs) {
    // One transaction: a file sync per statement would make every test slow.
    m_ado.TransaçãoIniciar(cn());
    QString erro;
    EXPECT_TRUE(registro::CriarEsquema(cn(), m_ado, erro)) << erro.toStdString();
    if (criarTabelasLog) {
        clsPacienteUnificar motor(cn(), m_ado);
        EXPECT_TRUE(motor.CriarTabelas());
        EXPECT_TRUE(clsUnificacaoRegistro(cn(), m_ado).CriarTabelas());
    }
    m_ado.TransaçãoFinalizar(cn());
}

void RegistroMerge::Executar(const QString& sql) {
    EXPECT_TRUE(m_ado.ExecutarSQL(cn(), sql))
        << sql.toStdString() << ": " << m_ado.ErrorString().toStdString();
}

qint32 RegistroMerge::NovoPaciente(const QString& nome) {
    Executar(
        "INSERT INTO Paciente (Nome, Nome_Soundex, Nome_Meio, Nome_Último, RG, CIC, Sexo, "
        "Data_Nascimento, Prontuário) VALUES ('" +
        nome + "', SOUNDEX('" + nome + "'), NULL, 'SILVA', 'RG " + nome + "', '', 'F', " +
        "'1970-03-15 00:00:00', 'PR-" + nome + "')");
    return Valor("SELECT MAX(ID_Paciente) FROM Paciente").toInt();
}

void RegistroMerge::NovoExame(qint32 idPaciente, const QString& numero) {
    const QString id = QString::number(idPaciente);
    Executar("INSERT INTO Exame (Número_Exame, ID_Paciente) VALUES ('" + numero + "', " + id + ")");
    Executar(
        "INSERT INTO Exame_BK (ID_Exame, Número_Exame, ID_Paciente) "
        "SELECT MAX(ID_Exame), '" +
        numero + "', " + id + " FROM Exame");
}

QByteArray RegistroMerge::Instantaneo(const QStringList& apenas) const {
    return InstantaneoArquivo(Arquivo(), apenas);
}

QByteArray InstantaneoArquivo(const QString& arquivo, const QStringList& apenas) {
    SqlitePtr db = AbrirSqlite(arquivo, SQLITE_OPEN_READONLY);
    QByteArray saida;
    QStringList tabelas;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db.get(), "SELECT type, name, sql FROM sqlite_master ORDER BY type, name",
                       -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < 3; ++c) {
            Serializar(saida, st, c);
        }
        if (QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))) == "table") {
            tabelas << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
        }
    }
    sqlite3_finalize(st);
    if (!apenas.isEmpty()) {
        tabelas = apenas;
        saida.clear();
    }
    for (const QString& tabela : tabelas) {
        const QByteArray sql = "SELECT * FROM \"" + tabela.toUtf8() + "\"";
        if (sqlite3_prepare_v2(db.get(), sql.constData(), -1, &st, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << sqlite3_errmsg(db.get());
            continue;
        }
        QList<QByteArray> linhas;
        while (sqlite3_step(st) == SQLITE_ROW) {
            QByteArray linha;
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                Serializar(linha, st, c);
            }
            linhas << linha;
        }
        sqlite3_finalize(st);
        std::sort(linhas.begin(), linhas.end());
        saida += "\n[" + tabela.toUtf8() + "]\n";
        for (const QByteArray& linha : linhas) {
            saida += linha + '\n';
        }
    }
    return saida;
}

void RegistroMerge::SqliteDireto(const QString& sql) const {
    SqlitePtr db = AbrirSqlite(Arquivo(), SQLITE_OPEN_READWRITE);
    char* erro = nullptr;
    if (sqlite3_exec(db.get(), sql.toUtf8().constData(), nullptr, nullptr, &erro) != SQLITE_OK) {
        ADD_FAILURE() << sql.toStdString() << ": " << erro;
        sqlite3_free(erro);
    }
}

RegistroMerge::Trava::Trava(const QString& arquivo) {
    sqlite3_open_v2(arquivo.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
    EXPECT_EQ(sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
}

RegistroMerge::Trava::~Trava() {
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(m_db);
}

bool MatarFilhoAoAcaso(const char* teste, const QString& valor, int comandos,
                       QRandomGenerator& acaso) {
    int canal[2];
    if (pipe(canal) != 0) {
        ADD_FAILURE() << "pipe";
        return false;
    }
    const pid_t filho = fork();
    if (filho < 0) {
        close(canal[0]);
        close(canal[1]);
        ADD_FAILURE() << "fork";
        return false;
    }
    if (filho == 0) {
        close(canal[0]);
        const int nulo = open("/dev/null", O_WRONLY);
        dup2(nulo, STDOUT_FILENO);
        dup2(nulo, STDERR_FILENO);
        setenv("CADUNIR_FILHO", valor.toUtf8().constData(), 1);
        setenv("CADUNIR_FILHO_FD", std::to_string(canal[1]).c_str(), 1);
        const std::string filtro = std::string("--gtest_filter=") + teste;
        execl("/proc/self/exe", "test_merge", "--gtest_also_run_disabled_tests", filtro.c_str(),
              nullptr);
        _exit(127);
    }
    close(canal[1]);
    char byte;
    for (int i = 0; i < comandos && read(canal[0], &byte, 1) == 1; ++i) {
    }
    usleep(acaso.bounded(3000));
    kill(filho, SIGKILL);
    int status = 0;
    waitpid(filho, &status, 0);
    close(canal[0]);
    const bool morto = WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(morto) << "child failed on its own, status " << status;
    return morto;
}

RelogioAndando::RelogioAndando(Connection& cn, const QDateTime& inicio, int passoSeg) : m_cn(cn) {
    Relogio::Fixar(inicio);
    m_observador = cn.AdicionarObservador([passoSeg](const Connection::Evento& e) {
        if (e.tipo == Connection::Evento::Execucao &&
            e.texto.startsWith(QStringLiteral(" INSERT INTO PacienteLog ("))) {
            Relogio::Fixar(Relogio::Agora().addSecs(passoSeg));
        }
    });
}

RelogioAndando::~RelogioAndando() {
    m_cn.RemoverObservador(m_observador);
    Relogio::Liberar();
}

bool FilhoAvancou() {
    return write(qEnvironmentVariableIntValue("CADUNIR_FILHO_FD"), "+", 1) == 1;
}
