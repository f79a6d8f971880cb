// Merge throughput on a 100,000-patient demo register, and the cost of our layers: one merge
// through clsPacienteUnificar (T-SQL text -> clsADO -> Connection -> dialect layer -> SQLite)
// against the same six statements, already in SQLite's dialect, run straight on the file.
//
//   bench_merge [patients]     (default 100000)

#include <sqlite3.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QLocale>
#include <QMap>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "GeradorPacientes.h"
#include "Registro.h"
#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "data/sqlite/MotorEmbutido.h"
#include "data/tsql/TSqlTradutor.h"
#include "merge/clsPacienteUnificar.h"

namespace {

struct Grupo {
    qint32 base = 0;
    QList<qint32> copias;
};

// The planted duplicate groups, in the order the generator made the rows (their keys).
QList<Grupo> GruposPlantados(const registro::OpcoesRegistro& opcoes) {
    registro::GeradorPacientes gerador(opcoes.semente, opcoes.duplicadosPorCento);
    QMap<int, Grupo> porGrupo;
    for (qint32 id = 1; id <= opcoes.pacientes; ++id) {
        const registro::PacienteGerado p = gerador.Proximo();
        if (p.grupo > 0) {
            Grupo& g = porGrupo[p.grupo];
            (g.base == 0 ? g.base : g.copias.emplaceBack()) = id;
        }
    }
    QList<Grupo> grupos;
    for (const Grupo& g : porGrupo) {
        if (!g.copias.isEmpty()) {
            grupos << g;
        }
    }
    return grupos;
}

QStringList Comandos(qint32 base, qint32 copia, qint32 usuario, const QString& agora) {
    const QString colunas =
        "ID_Paciente, Nome , Nome_Soundex, Nome_Meio, Nome_Meio_Soundex, Nome_Último, "
        "Nome_Último_Soundex, RG, CIC, Endereço, CEP, Bairro, Cidade, Estado, Email, Telefone, "
        "Sexo, Raça, Convênio, Data_Nascimento, Profissão, Número_Convênio, Peso, Altura, "
        "Prontuário, ID_Paciente_Externo";
    const QString b = QString::number(base), k = QString::number(copia),
                  u = QString::number(usuario);
    QStringList c;
    c << " INSERT INTO PacienteLog (" + colunas + ", ID_PacienteNovo, ID_Usuario, Data)  SELECT " +
             colunas + "," + b + ", " + u + ", '" + agora +
             "' FROM Paciente WHERE ID_Paciente = " + k;
    for (const QString sufixo : {"", "_BK"}) {
        c << " INSERT INTO PacienteLogExame (ID_Paciente, Numero_Exame, ID_Usuario, Data) SELECT "
             "ID_Paciente, Número_Exame, " +
                 u + ", getdate() FROM Exame" + sufixo + " WHERE ID_Paciente = " + k;
        c << " UPDATE EXAME" + sufixo + " SET  ID_Paciente = " + b + " WHERE ID_Paciente = " + k;
    }
    c << " DELETE FROM Paciente WHERE ID_Paciente = " + k;
    return c;
}

void SqliteExec(sqlite3* db, const QByteArray& sql) {
    char* erro = nullptr;
    if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, &erro) != SQLITE_OK) {
        std::fprintf(stderr, "sqlite: %s\n  %s\n", erro, sql.constData());
        sqlite3_free(erro);
        std::exit(1);
    }
}

double Mediana(QList<double> v) {
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    QCoreApplication app(argc, argv);
    QTemporaryDir pasta;
    registro::OpcoesRegistro opcoes;
    opcoes.pacientes = argc > 1 ? QString(argv[1]).toLongLong() : 100000;
    opcoes.duplicadosPorCento = 30;
    opcoes.pasta = pasta.path();

    QElapsedTimer relogio;
    relogio.start();
    registro::ResumoRegistro resumo;
    QString erro;
    if (!registro::CriarRegistro(opcoes, resumo, erro)) {
        std::fprintf(stderr, "register: %s\n", qPrintable(erro));
        return 1;
    }
    std::printf("register: %lld patients, %lld exams, %d planted groups (%.1f s)\n",
                resumo.pacientes, resumo.exames, resumo.grupos, relogio.elapsed() / 1000.0);

    Connection cn;
    clsADO ado;
    if (!ado.AbrirConexão(cn, registro::StringDeConexao(registro::ArquivoRegistro(pasta.path())))) {
        std::fprintf(stderr, "open: %s\n", qPrintable(ado.ErrorString()));
        return 1;
    }
    clsPacienteUnificar motor(cn, ado);
    if (!motor.CriarTabelas()) {
        return 1;
    }
    QList<Grupo> grupos = GruposPlantados(opcoes);
    std::printf("groups of 2-3 records: %lld\n", qint64(grupos.size()));

    // 1. Unify commands as the main window runs them: one transaction per group.
    const int kComandos = std::min<int>(2000, grupos.size() / 2);
    int copias = 0;
    relogio.restart();
    for (int i = 0; i < kComandos; ++i) {
        const Grupo g = grupos.takeFirst();
        QList<qint32> ids = g.copias;
        ids.prepend(g.base);
        if (!motor.PacienteUnificarCadastros(g.base, ids, 1)) {
            std::fprintf(stderr, "merge: %s\n", qPrintable(motor.Erro().ErrorString()));
            return 1;
        }
        copias += g.copias.size();
    }
    double s = relogio.nsecsElapsed() / 1e9;
    std::printf(
        "unify commands: %d in %.2f s = %.0f commands/s, %.0f merges/s (%d records "
        "removed)\n",
        kComandos, s, kComandos / s, copias / s, copias);

    // 2. One merge: through the engine, against the same statements straight on SQLite.
    //    Taken alternately on fresh groups, so both see the same file and cache state.
    auto* embutido = dynamic_cast<dados::MotorEmbutido*>(&cn.motor());
    sqlite3* direto = nullptr;
    sqlite3_open_v2(qPrintable(registro::ArquivoRegistro(pasta.path())), &direto,
                    SQLITE_OPEN_READWRITE, nullptr);
    dados::EstadoSessao estado;
    dados::RegistrarFuncoesTSql(direto, &estado);
    {
        // The same durability as the engine's own connection.
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(embutido->conexaoSqlite(), "PRAGMA synchronous", -1, &st, nullptr);
        sqlite3_step(st);
        SqliteExec(direto, "PRAGMA synchronous = " + QByteArray::number(sqlite3_column_int(st, 0)));
        sqlite3_finalize(st);
    }
    const QString agora = QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss");
    for (const bool comConfirmacao : {true, false}) {
        QList<double> viaMotor, viaSqlite, traducao;
        const int kPares = std::min<int>(500, grupos.size() / 2);
        if (!comConfirmacao) {
            ado.TransaçãoIniciar(cn);
        }
        for (int i = 0; i < kPares; ++i) {
            const Grupo a = grupos.takeFirst();
            relogio.restart();
            motor.PacienteUnificarCadastros(a.base, {a.copias[0]}, 1);
            viaMotor << relogio.nsecsElapsed() / 1e3;

            const Grupo b = grupos.takeFirst();
            const QStringList comandos = Comandos(b.base, b.copias[0], 1, agora);
            relogio.restart();
            for (const QString& sql : comandos) {
                embutido->traducaoParametrizada(sql);  // the engine's look-up: shape, cache
            }
            traducao << relogio.nsecsElapsed() / 1e3;
            // The raw statements: the same SQLite text with its literals written in.
            QList<QByteArray> traduzidos;
            for (const QString& sql : comandos) {
                for (const auto& c : dados::TraduzirTSql(sql, embutido->catalogo()).comandos) {
                    traduzidos << c.sql.toUtf8();
                }
            }
            if (!comConfirmacao) {
                // Inside the engine's transaction the direct path shares its connection.
                relogio.restart();
                for (const QByteArray& sql : traduzidos) {
                    SqliteExec(embutido->conexaoSqlite(), sql);
                }
                viaSqlite << relogio.nsecsElapsed() / 1e3;
                continue;
            }
            relogio.restart();
            SqliteExec(direto, "BEGIN");
            for (const QByteArray& sql : traduzidos) {
                SqliteExec(direto, sql);
            }
            SqliteExec(direto, "COMMIT");
            viaSqlite << relogio.nsecsElapsed() / 1e3;
        }
        if (!comConfirmacao) {
            ado.TransaçãoFinalizar(cn);
        }
        const double m = Mediana(viaMotor), d = Mediana(viaSqlite);
        std::printf(
            "one merge %s (median of %d): engine %.0f us, SQLite direct %.0f us, "
            "ratio %.2f (target <= 1.3)\n",
            comConfirmacao ? "with its commit" : "inside an open transaction", kPares, m, d, m / d);
        std::printf("  the engine's translation look-up for the six statements: %.0f us\n",
                    Mediana(traducao));
    }
    sqlite3_close(direto);
    return 0;
}
