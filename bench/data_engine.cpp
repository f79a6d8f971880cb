// Figures of the embedded engine on a 100,000-row patient table: translation time per
// statement (cached and uncached) and against its length, and the cost of a grouping query read
// through clsADO.AbrirRecordset against the same translated query stepped with the SQLite C API.
#include <sqlite3.h>

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <functional>

#include "data/ado/clsADO.h"
#include "data/base/ErroNumerado.h"
#include "data/sqlite/MotorEmbutido.h"
#include "data/tsql/TSqlTradutor.h"

namespace {

using Relogio = std::chrono::steady_clock;

// Best of `vezes` runs of `f`, in seconds.
double Melhor(int vezes, const std::function<void()>& f) {
    double melhor = 1e9;
    for (int i = 0; i < vezes; ++i) {
        const auto t0 = Relogio::now();
        f();
        melhor = std::min(melhor, std::chrono::duration<double>(Relogio::now() - t0).count());
    }
    return melhor;
}

const char* const kNomes[] = {"MARIA",     "JOSÉ",     "ANA",     "JOÃO",    "ANTÔNIO",
                              "FRANCISCO", "CARLOS",   "PAULO",   "PEDRO",   "LUCAS",
                              "LUIZ",      "MARCOS",   "LUÍS",    "GABRIEL", "RAFAEL",
                              "FRANCISCA", "ANTÔNIA",  "ADRIANA", "JULIANA", "MÁRCIA",
                              "FERNANDA",  "PATRÍCIA", "ALINE",   "SANDRA",  "CONCEIÇÃO"};
const char* const kSobrenomes[] = {
    "SILVA",   "SANTOS",     "OLIVEIRA", "SOUZA",     "RODRIGUES", "FERREIRA", "ALVES",
    "PEREIRA", "LIMA",       "GOMES",    "COSTA",     "RIBEIRO",   "MARTINS",  "CARVALHO",
    "ALMEIDA", "LOPES",      "SOARES",   "FERNANDES", "VIEIRA",    "BARBOSA",  "ROCHA",
    "DIAS",    "NASCIMENTO", "ANDRADE",  "MOREIRA",   "NUNES",     "MARQUES",  "MACHADO",
    "MENDES",  "FREITAS",    "CARDOSO",  "RAMOS",     "GONÇALVES", "SANTANA",  "TEIXEIRA",
    "ARAÚJO",  "CASTRO"};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir pasta;
    const QString arquivo = pasta.filePath("bench.db");
    dados::CriarRegistroVazio(arquivo);
    clsADO ado;
    Connection cn;
    if (!ado.AbrirConexão(cn, "Provider=SQLite;Data Source=" + arquivo)) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(arquivo));
        return 1;
    }
    ado.ExecutarSQL(cn,
                    "CREATE TABLE [dbo].[Paciente] ( [ID_Paciente] [int] IDENTITY (1, 1) NOT NULL "
                    "PRIMARY KEY, [Nome] [nvarchar] (30) NULL , [Nome_Meio] [nvarchar] (50) NULL ,"
                    " [Nome_Último] [nvarchar] (20) NULL , [RG] [nvarchar] (30) NULL , "
                    "[Data_Nascimento] [smalldatetime] NULL ) ON [PRIMARY]");
    auto& motor = dynamic_cast<dados::MotorEmbutido&>(cn.motor());
    const int linhas = 100000;
    {
        // Filled with the C API: the load is not what is measured.
        sqlite3* db = motor.conexaoSqlite();
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db,
                           "INSERT INTO Paciente (Nome, Nome_Meio, Nome_Último, RG, "
                           "Data_Nascimento) VALUES (?, ?, ?, ?, ?)",
                           -1, &st, nullptr);
        QRandomGenerator r(42);
        for (int i = 0; i < linhas; ++i) {
            QByteArray nome = kNomes[r.bounded(int(std::size(kNomes)))];
            if (r.bounded(10) == 0) {
                nome = nome.toLower() + " ";  // spelling variants the collation must join
            }
            const QByteArray sobrenome = kSobrenomes[r.bounded(int(std::size(kSobrenomes)))];
            const QByteArray rg = QByteArray::number(r.bounded(90000) + 10000);
            const QByteArray data = QStringLiteral("19%1-%2-%3")
                                        .arg(r.bounded(30, 99))
                                        .arg(r.bounded(1, 13), 2, 10, QLatin1Char('0'))
                                        .arg(r.bounded(1, 29), 2, 10, QLatin1Char('0'))
                                        .toUtf8();
            sqlite3_bind_text(st, 1, nome.constData(), nome.size(), SQLITE_TRANSIENT);
            sqlite3_bind_null(st, 2);
            sqlite3_bind_text(st, 3, sobrenome.constData(), sobrenome.size(), SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 4, rg.constData(), rg.size(), SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 5, data.constData(), data.size(), SQLITE_TRANSIENT);
            sqlite3_step(st);
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    }

    const QString agrupamento =
        " SELECT Nome, Nome_Último FROM Paciente   GROUP BY Nome, Nome_Último  HAVING "
        "MAX(ID_Paciente) <> MIN(ID_Paciente)  ORDER BY Nome, Nome_Último";
    const QString lista =
        " SELECT Paciente.ID_Paciente, Paciente.Prontuário, Paciente.Nome + CASE WHEN Nome_Meio "
        "IS NULL THEN '' ELSE ' ' + Nome_Meio END + CASE WHEN Nome_Último IS NULL THEN '' ELSE ' "
        "' + Nome_Último END AS Nome_Completo   FROM Paciente   WHERE Nome = 'MARIA' AND "
        "Nome_Último = 'SILVA'";
    const dados::Catalogo catalogo = motor.catalogo();

    std::printf("Embedded engine, %d patients\n", linhas);
    for (const QString& sql : {agrupamento, lista}) {
        const int n = 20000;
        motor.traduzir(sql);
        const double cache = Melhor(5, [&] {
            for (int i = 0; i < n; ++i) {
                motor.traduzir(sql);
            }
        });
        const double semCache = Melhor(5, [&] {
            for (int i = 0; i < n / 10; ++i) {
                dados::TraduzirTSql(sql, catalogo);
            }
        });
        std::printf(
            "  translation of a %lld-character statement: cached %.2f us, uncached %.2f "
            "us (target: cached < 20 us)\n",
            static_cast<long long>(sql.size()), cache / n * 1e6, semCache / (n / 10) * 1e6);
    }

    // Translation time must grow linearly with a statement's length: an AND chain ten times
    // longer costs about ten times as much, and deep nesting is refused as fast as it is read.
    const auto cadeia = [](int termos) {
        QStringList partes;
        for (int i = 0; i < termos; ++i) {
            partes << QStringLiteral("ID_Paciente = %1").arg(i);
        }
        return "SELECT COUNT(*) FROM Paciente WHERE " + partes.join(QStringLiteral(" AND "));
    };
    const QString curta = cadeia(10000);
    const QString longa = cadeia(100000);
    const double tCurta = Melhor(3, [&] { dados::TraduzirTSql(curta, catalogo); });
    const double tLonga = Melhor(3, [&] { dados::TraduzirTSql(longa, catalogo); });
    const QString fundo = "SELECT " + QString(QLatin1Char('(')).repeated(100000) + "1" +
                          QString(QLatin1Char(')')).repeated(100000);
    const double tFundo = Melhor(3, [&] {
        try {
            dados::TraduzirTSql(fundo, catalogo);
        } catch (const ErroNumerado&) {
        }
    });
    std::printf(
        "  translation of a 100,000-term AND chain %.1f ms, of 10,000 terms %.1f ms: ratio "
        "%.1f (linear: about 10); 100,000 nested parentheses refused in %.1f ms\n",
        tLonga * 1e3, tCurta * 1e3, tLonga / tCurta, tFundo * 1e3);

    int grupos = 0;
    const double viaAdo = Melhor(5, [&] {
        Recordset rs;
        ado.AbrirRecordset(cn, rs, agrupamento);
        grupos = rs.RecordCount();
    });
    const QByteArray traduzido = motor.traduzir(agrupamento)->comandos[0].sql.toUtf8();
    int gruposDireto = 0;
    const double direto = Melhor(5, [&] {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(motor.conexaoSqlite(), traduzido.constData(), traduzido.size(), &st,
                           nullptr);
        gruposDireto = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            for (int i = 0; i < sqlite3_column_count(st); ++i) {
                sqlite3_column_text(st, i);
            }
            ++gruposDireto;
        }
        sqlite3_finalize(st);
    });
    std::printf(
        "  grouping query (%d groups): clsADO.AbrirRecordset %.1f ms, SQLite C API %.1f "
        "ms (%d groups), ratio %.3f (target <= 1.2)\n",
        grupos, viaAdo * 1e3, direto * 1e3, gruposDireto, viaAdo / direto);
    return 0;
}
