// The duplicate search on a register from the demo generator (bench/grouping.sh drives it):
//   bench_grouping --register FILE [--pandas TSV]
//       every combination of the seven criteria through clsADO, as the main window opens it,
//       against SQLite's own GROUP BY of the same translated statement (a few combinations) and
//       against the pandas script's figures of the same run; then the grid's row change.
//   bench_grouping --write-reference N --out FILE
//       the generator's rows written by SQLite alone (prepared statements, one transaction),
//       the reference of the generator's own time.
#include <sqlite3.h>

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>

#include "Esquema.h"
#include "GeradorPacientes.h"
#include "Registro.h"
#include "data/ado/Recordset.h"
#include "data/ado/clsADO.h"
#include "data/base/ValorSeNulo.h"
#include "data/sqlite/FuncoesTSql.h"
#include "data/sqlite/MotorEmbutido.h"
#include "main/clsPacienteCriterio.h"

namespace {

const char* const kNomes[] = {"Nome", "Nome_Meio",  "Nome_Último",    "RG",
                              "CIC",  "Prontuário", "Data_Nascimento"};

QString Combinacao(int mascara) {
    QStringList partes;
    for (int i = 0; i < 7; ++i) {
        if (mascara & (1 << i))
            partes << QString::fromUtf8(kNomes[i]);
    }
    return partes.join('+');
}

clsPacienteCriterio Criterio(int mascara) {
    clsPacienteCriterio c;
    clsString* campos[] = {&c.Nome(), &c.Nome_Meio(),  &c.Nome_Último(),    &c.RG(),
                           &c.CIC(),  &c.Prontuário(), &c.Data_Nascimento()};
    for (int i = 0; i < 7; ++i) campos[i]->setObrigatório(mascara & (1 << i));
    c.setMasQueUmaOcorrencia(true);
    return c;
}

// CPU seconds of this process: on a machine shared with other work the wall clock measures
// the neighbours as much as the code.
double Segundos(const std::function<void()>& f) {
    timespec a{}, b{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &a);
    f();
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &b);
    return double(b.tv_sec - a.tv_sec) + double(b.tv_nsec - a.tv_nsec) / 1e9;
}

double Mediana(QVector<double> v) {
    if (v.isEmpty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Percentil(QVector<double> v, double p) {
    if (v.isEmpty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min<qsizetype>(v.size() - 1, qsizetype(p * v.size()))];
}

struct Sessao {
    clsADO ado;
    Connection cn;
    explicit Sessao(const QString& arquivo) {
        if (!ado.AbrirConexão(cn, registro::StringDeConexao(arquivo))) {
            std::fprintf(stderr, "cannot open %s: %s\n", qPrintable(arquivo),
                         qPrintable(ado.ErrorString()));
            std::exit(1);
        }
    }
    ~Sessao() { ado.FecharConexão(cn); }
    qsizetype abrir(Recordset& rs, const QString& sql) {
        if (!ado.AbrirRecordset(cn, rs, sql)) {
            std::fprintf(stderr, "query failed: %s\n%s\n", qPrintable(ado.ErrorString()),
                         qPrintable(sql));
            std::exit(1);
        }
        return rs.Dados().linhas.size();
    }
};

// SQLite's own GROUP BY: the translated statement stepped through the C API on its own handle
// (the dialect's collations registered, nothing else).
double SqliteSozinho(const QString& arquivo, const QString& traduzido, qsizetype* linhas) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(arquivo).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    dados::EstadoSessao estado;
    dados::RegistrarFuncoesTSql(db, &estado);
    sqlite3_stmt* st = nullptr;
    const QByteArray sql = traduzido.toUtf8();
    *linhas = 0;
    const double s = Segundos([&] {
        sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW) {
            for (int i = 0; i < sqlite3_column_count(st); ++i) sqlite3_column_text(st, i);
            ++*linhas;
        }
    });
    sqlite3_finalize(st);
    sqlite3_close_v2(db);
    return s;
}

// The plain read of the same columns, every value fetched as text: what any grouping must at
// least pay on a cold start.
double Varredura(const QString& arquivo, int mascara) {
    QStringList colunas;
    for (int i = 0; i < 7; ++i) {
        if (mascara & (1 << i))
            colunas << '"' + QString::fromUtf8(kNomes[i]) + '"';
    }
    const QByteArray sql = ("SELECT " + colunas.join(", ") + " FROM Paciente").toUtf8();
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(arquivo).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    dados::EstadoSessao estado;
    dados::RegistrarFuncoesTSql(db, &estado);
    sqlite3_stmt* st = nullptr;
    const double s = Segundos([&] {
        sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW) {
            for (int i = 0; i < colunas.size(); ++i) sqlite3_column_text(st, i);
        }
    });
    sqlite3_finalize(st);
    sqlite3_close_v2(db);
    return s;
}

// Whether SQLite's plan for the statement reads the groups in an index's order (no sort).
bool PlanoPorIndice(sqlite3* db, const QString& traduzido) {
    const QByteArray sql = ("EXPLAIN QUERY PLAN " + traduzido).toUtf8();
    sqlite3_stmt* st = nullptr;
    bool ordena = false;
    sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW) {
        ordena = ordena || std::strstr((const char*)sqlite3_column_text(st, 3), "TEMP B-TREE");
    }
    sqlite3_finalize(st);
    return !ordena;
}

struct Pandas {
    double segundos = -1;
    qsizetype grupos = -1;
};

QHash<QString, Pandas> LerPandas(const QString& arquivo) {
    QHash<QString, Pandas> t;
    QFile f(arquivo);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return t;
    while (!f.atEnd()) {
        const QStringList p = QString::fromUtf8(f.readLine()).trimmed().split('\t');
        if (p.size() >= 3)
            t.insert(p[0], {p[1].toDouble(), p[2].toLongLong()});
    }
    return t;
}

// The smallest of a set of ratios, and where.
struct Pior {
    double razao = 1e300;
    QString onde;
    void ver(double r, const QString& combinacao) {
        if (r < razao) {
            razao = r;
            onde = combinacao;
        }
    }
    QString texto() const {
        return razao == 1e300 ? QStringLiteral("-")
                              : QStringLiteral("%1x (%2)").arg(razao, 0, 'f', 2).arg(onde);
    }
};

int Agrupamentos(const QString& arquivo, const QString& pandasTsv, const QList<int>& mascaras) {
    const QHash<QString, Pandas> pandas = LerPandas(pandasTsv);
    std::printf("register %s (CPU seconds; ratios above 1 favour the program)\n",
                qPrintable(arquivo));
    if (pandas.isEmpty())
        std::printf("no pandas figures (pandas is not installed): its columns stay empty\n");
    std::printf(
        "cold: a new connection's first grouping; warm: the same again; write: after an UPDATE "
        "of one row\nscan: SQLite reading the same columns as text (cold and scan: medians of "
        "three, side by side); SQLite: its own plan of the "
        "same statement\n(index: read in an index's order; sort: a temporary B-tree); pandas: "
        "reading the same columns and grouping\n\n");
    std::printf("%-56s %7s %7s %7s %7s %6s %7s %5s %7s %7s %7s %8s\n", "combination", "cold",
                "warm", "write", "scan", "/scan", "SQLite", "plan", "ratio", "pandas", "ratio",
                "groups");
    Pior porVarredura, porSqliteIndice, porSqlite, porPandas;
    double piorFrio = 0;
    QString piorFrioOnde;
    for (const int mascara : mascaras) {
        const QString nome = Combinacao(mascara);
        const QString sql = Criterio(mascara).ObterSQLComAgrupamento();
        // The plain read and the cold grouping three times each, side by side: their medians,
        // so that a neighbour's burst on the shared machine does not make the ratio.
        QVector<double> scans, frios;
        std::unique_ptr<Sessao> sessao;
        Recordset rs;
        qsizetype grupos = 0;
        for (int vez = 0; vez < 3; ++vez) {
            scans << Varredura(arquivo, mascara);
            sessao = std::make_unique<Sessao>(arquivo);
            frios << Segundos([&] { grupos = sessao->abrir(rs, sql); });
            rs.Close();
        }
        Sessao& s = *sessao;
        const double scan = Mediana(scans);
        const double frio = Mediana(frios);
        const double quente = Segundos([&] { s.abrir(rs, sql); });
        rs.Close();
        if (!s.ado.ExecutarSQL(s.cn, QStringLiteral("UPDATE Paciente SET Nome = Nome WHERE "
                                                    "ID_Paciente = (SELECT MIN(ID_Paciente) "
                                                    "FROM Paciente)"))) {
            std::fprintf(stderr, "write failed: %s\n", qPrintable(s.ado.ErrorString()));
            return 1;
        }
        const double escrita = Segundos([&] { s.abrir(rs, sql); });
        auto* motor = dynamic_cast<dados::MotorEmbutido*>(&s.cn.motor());
        const QString traduzido = motor->traduzir(sql)->comandos[0].sql;
        const bool indice = PlanoPorIndice(motor->conexaoSqlite(), traduzido);
        qsizetype linhas = 0;
        const double sqlite = SqliteSozinho(arquivo, traduzido, &linhas);
        const Pandas p = pandas.value(nome);
        porVarredura.ver(scan / frio, nome);
        (indice ? porSqliteIndice : porSqlite).ver(sqlite / frio, nome);
        if (p.segundos >= 0)
            porPandas.ver(p.segundos / frio, nome);
        if (frio > piorFrio) {
            piorFrio = frio;
            piorFrioOnde = nome;
        }
        QString aviso;
        if (linhas != grupos)
            aviso += QStringLiteral("  SQLite gives %1 groups").arg(linhas);
        if (p.grupos >= 0 && p.grupos != grupos)
            aviso += QStringLiteral("  pandas gives %1 groups").arg(p.grupos);
        std::printf(
            "%-56s %7.3f %7.3f %7.3f %7.3f %5.2fx %7.3f %5s %6.2fx %7s %7s %8lld%s\n",
            qPrintable(nome), frio, quente, escrita, scan, frio / scan, sqlite,
            indice ? "index" : "sort", sqlite / frio,
            p.segundos < 0 ? "-" : qPrintable(QString::number(p.segundos, 'f', 3)),
            p.segundos < 0 ? "-" : qPrintable(QString::number(p.segundos / frio, 'f', 2) + 'x'),
            (long long)grupos, qPrintable(aviso));
        std::fflush(stdout);
    }
    std::printf("\nslowest cold grouping: %.3f s (%s)\n", piorFrio, qPrintable(piorFrioOnde));
    std::printf("cold / scan, worst: %.2fx (%s)   [goal: at most 2.5x]\n",
                porVarredura.razao == 1e300 ? 0 : 1 / porVarredura.razao,
                qPrintable(porVarredura.onde));
    std::printf("SQLite / cold where SQLite reads an index, smallest: %s   [goal: at least 1x]\n",
                qPrintable(porSqliteIndice.texto()));
    std::printf("SQLite / cold where SQLite sorts, smallest: %s\n", qPrintable(porSqlite.texto()));
    std::printf("pandas / cold, smallest: %s   [goal: at least 3x]\n",
                qPrintable(porPandas.texto()));
    return 0;
}

// The grid's row change: the member query the window builds from the current row.
void MudancaDeLinha(const QString& arquivo) {
    Sessao s(arquivo);
    std::printf("\n%-44s %10s %10s %10s %9s\n", "row change (member query)", "median ms", "p90 ms",
                "SQLite ms", "ratio");
    for (int mascara : {1 | 2 | 4, 1 | 4 | 64, 8, 1 | 64}) {
        clsPacienteCriterio c = Criterio(mascara);
        Recordset grupos;
        s.abrir(grupos, c.ObterSQLComAgrupamento());
        const qsizetype n = grupos.Dados().linhas.size();
        QVector<double> programa, sqlite;
        for (int k = 0; k < 300 && n > 0; ++k) {
            const auto& linha = grupos.Dados().linhas[qsizetype(k * (n / 300.0))];
            clsString* campos[] = {&c.Nome(), &c.Nome_Meio(),  &c.Nome_Último(),    &c.RG(),
                                   &c.CIC(),  &c.Prontuário(), &c.Data_Nascimento()};
            int j = 0;
            for (int i = 0; i < 7; ++i) {
                if (mascara & (1 << i))
                    campos[i]->setValor(TextoDoValor(linha[j++]));
            }
            const QString membros = c.ObterSQLSemAgrupamento();
            if (membros.isEmpty())
                continue;
            const qsizetype p = membros.indexOf(QStringLiteral(" FROM ")) + 1;
            const QString sql =
                QStringLiteral(
                    " SELECT Paciente.ID_Paciente, Paciente.Prontuário, Paciente.Nome + CASE "
                    "WHEN Nome_Meio IS NULL THEN '' ELSE ' ' + Nome_Meio END + CASE WHEN "
                    "Nome_Último IS NULL THEN '' ELSE ' ' + Nome_Último END AS Nome_Completo ") +
                QStringLiteral(" ") + membros.mid(p - 1, membros.size() - p);
            Recordset rs;
            qsizetype membrosLidos = 0;
            programa << 1000 * Segundos([&] { membrosLidos = s.abrir(rs, sql); });
            auto* motor = dynamic_cast<dados::MotorEmbutido*>(&s.cn.motor());
            sqlite3_stmt* st = nullptr;
            const QByteArray traduzido = motor->traduzir(sql)->comandos[0].sql.toUtf8();
            sqlite << 1000 * Segundos([&] {
                          sqlite3_prepare_v2(motor->conexaoSqlite(), traduzido.constData(),
                                             int(traduzido.size()), &st, nullptr);
                          while (sqlite3_step(st) == SQLITE_ROW) sqlite3_column_text(st, 2);
                      });
            sqlite3_finalize(st);
            if (membrosLidos < 2 && k < 3)
                std::printf("  (a group of %lld members: %s)\n", (long long)membrosLidos,
                            qPrintable(sql));
        }
        std::printf("%-44s %10.3f %10.3f %10.3f %8.2fx\n", qPrintable(Combinacao(mascara)),
                    Mediana(programa), Percentil(programa, 0.9), Mediana(sqlite),
                    Mediana(programa) / std::max(1e-9, Mediana(sqlite)));
    }
}

// SQLite alone: the schema the program made (read from an empty register written by the
// generator's schema code), the same generated rows bound to prepared statements.
int EscreverReferencia(qint64 pacientes, const QString& saida) {
    QTemporaryDir pasta;
    const QString modelo = pasta.filePath(QStringLiteral("modelo.db"));
    QStringList tabelas, indices;
    {
        dados::CriarRegistroVazio(modelo);
        clsADO ado;
        Connection cn;
        QString erro;
        if (!ado.AbrirConexão(cn, registro::StringDeConexao(modelo)) ||
            !registro::CriarEsquema(cn, ado, erro)) {
            std::fprintf(stderr, "schema: %s\n", qPrintable(erro));
            return 1;
        }
        Recordset rs;
        ado.AbrirRecordset(cn, rs, QStringLiteral("SELECT 1"));
        auto* motor = dynamic_cast<dados::MotorEmbutido*>(&cn.motor());
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(motor->conexaoSqlite(),
                           "SELECT type, sql FROM sqlite_master WHERE sql IS NOT NULL AND name NOT "
                           "LIKE 'sqlite!_%' ESCAPE '!' ORDER BY rowid",
                           -1, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW) {
            const QString tipo = QString::fromUtf8((const char*)sqlite3_column_text(st, 0));
            const QString sql = QString::fromUtf8((const char*)sqlite3_column_text(st, 1));
            (tipo == QLatin1String("index") ? indices : tabelas) << sql;
        }
        sqlite3_finalize(st);
        ado.FecharConexão(cn);
    }
    QFile::remove(saida);
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(saida).constData(), &db,
                    SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    dados::EstadoSessao estado;
    dados::RegistrarFuncoesTSql(db, &estado);
    const auto exec = [db](const QString& sql) {
        char* msg = nullptr;
        if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &msg) != SQLITE_OK) {
            std::fprintf(stderr, "%s\n%s\n", msg, qPrintable(sql));
            std::exit(1);
        }
    };
    exec(QStringLiteral("BEGIN"));
    for (const QString& t : tabelas) exec(t);
    const char* insPaciente =
        "INSERT INTO Paciente (Nome, Nome_Meio, \"Nome_Último\", RG, CIC, \"Endereço\", CEP, "
        "Bairro, Cidade, Estado, Telefone, Sexo, \"Raça\", \"Convênio\", Data_Nascimento, "
        "\"Profissão\", \"Número_Convênio\", Peso, Altura, Email, \"Prontuário\", "
        "ID_Paciente_Externo) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";
    const char* insExame =
        "INSERT INTO Exame (\"Número_Exame\", ID_Paciente, Tipo_Exame, Data_Exame, Paciente, RG, "
        "CIC, \"Endereço\", CEP, Bairro, Cidade, Estado, Paciente_Email, Telefone, Sexo, "
        "\"Raça\", Data_Nascimento, \"Profissão\", \"Prontuário\") VALUES "
        "(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";
    sqlite3_stmt* sp = nullptr;
    sqlite3_stmt* se = nullptr;
    sqlite3_prepare_v2(db, insPaciente, -1, &sp, nullptr);
    sqlite3_prepare_v2(db, insExame, -1, &se, nullptr);
    const auto texto = [](sqlite3_stmt* st, int i, const QString& v) {
        if (v.isNull()) {
            sqlite3_bind_null(st, i);
        } else {
            const QByteArray b = v.toUtf8();
            sqlite3_bind_text(st, i, b.constData(), int(b.size()), SQLITE_TRANSIENT);
        }
    };
    const auto data = [](sqlite3_stmt* st, int i, const QDate& d) {
        if (!d.isValid()) {
            sqlite3_bind_null(st, i);
        } else {
            const QByteArray b = (d.toString(QStringLiteral("yyyy-MM-dd")) + " 00:00:00").toUtf8();
            sqlite3_bind_text(st, i, b.constData(), int(b.size()), SQLITE_TRANSIENT);
        }
    };
    registro::OpcoesRegistro padrao;
    registro::GeradorPacientes gerador(padrao.semente, padrao.duplicadosPorCento);
    for (qint64 n = 0; n < pacientes; ++n) {
        const registro::PacienteGerado p = gerador.Proximo();
        const QString campos[] = {p.nome,     p.nomeMeio, p.nomeUltimo, p.rg,      p.cic,
                                  p.endereco, p.cep,      p.bairro,     p.cidade,  p.estado,
                                  p.telefone, p.sexo,     p.raca,       p.convenio};
        int i = 1;
        for (const QString& c : campos) texto(sp, i++, c);
        data(sp, i++, p.nascimento);
        for (const QString& c :
             {p.profissao, p.numeroConvenio, p.peso, p.altura, p.email, p.prontuario, p.externo})
            texto(sp, i++, c);
        sqlite3_step(sp);
        sqlite3_reset(sp);
        const qint64 id = sqlite3_last_insert_rowid(db);
        QString completo = p.nome;
        if (!p.nomeMeio.isEmpty())
            completo += ' ' + p.nomeMeio;
        if (!p.nomeUltimo.isEmpty())
            completo += ' ' + p.nomeUltimo;
        for (const registro::ExameGerado& x : p.exames) {
            texto(se, 1, x.numero);
            sqlite3_bind_int64(se, 2, id);
            texto(se, 3, x.tipo);
            data(se, 4, x.data);
            int j = 5;
            for (const QString& c : {completo, p.rg, p.cic, p.endereco, p.cep, p.bairro, p.cidade,
                                     p.estado, p.email, p.telefone, p.sexo, p.raca})
                texto(se, j++, c);
            data(se, j++, p.nascimento);
            texto(se, j++, p.profissao);
            texto(se, j++, p.prontuario);
            sqlite3_step(se);
            sqlite3_reset(se);
        }
    }
    sqlite3_finalize(sp);
    sqlite3_finalize(se);
    exec(QStringLiteral(
        "INSERT INTO Exame_BK SELECT ID_Exame, \"Número_Exame\", ID_Paciente, Tipo_Exame, "
        "Data_Exame, Paciente, RG, CIC, \"Endereço\", CEP, Bairro, Cidade, Estado, "
        "Paciente_Email, Telefone, Sexo, \"Raça\", Data_Nascimento, \"Profissão\", "
        "\"Prontuário\" FROM Exame"));
    exec(
        QStringLiteral("UPDATE Paciente SET Nome_Soundex = tsql_soundex(Nome), "
                       "Nome_Meio_Soundex = tsql_soundex(Nome_Meio), \"Nome_Último_Soundex\" = "
                       "tsql_soundex(\"Nome_Último\")"));
    for (const QString& x : indices) exec(x);
    exec(QStringLiteral("COMMIT"));
    sqlite3_close_v2(db);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    const auto valor = [&a](const char* opcao) {
        const qsizetype i = a.indexOf(QString::fromUtf8(opcao));
        return i >= 0 && i + 1 < a.size() ? a[i + 1] : QString();
    };
    if (!valor("--write-reference").isEmpty())
        return EscreverReferencia(valor("--write-reference").toLongLong(), valor("--out"));
    if (valor("--register").isEmpty()) {
        std::fprintf(stderr,
                     "usage: bench_grouping --register FILE [--pandas TSV] [--combinations "
                     "M,M,...] [--cold-only]\n"
                     "       bench_grouping --write-reference N --out FILE\n"
                     "combinations are bit masks of Nome=1 Nome_Meio=2 Nome_Último=4 RG=8 CIC=16 "
                     "Prontuário=32 Data_Nascimento=64 (default: all 127)\n");
        return 2;
    }
    QList<int> mascaras;
    for (const QString& m : valor("--combinations").split(',', Qt::SkipEmptyParts))
        mascaras << m.toInt();
    if (mascaras.isEmpty()) {
        for (int m = 1; m < 128; ++m) mascaras << m;
    }
    if (a.contains(QStringLiteral("--cold-only"))) {
        // Only each combination's cold grouping, for a profiler.
        for (const int m : mascaras) {
            Sessao s(valor("--register"));
            Recordset rs;
            qsizetype grupos = 0;
            const double frio =
                Segundos([&] { grupos = s.abrir(rs, Criterio(m).ObterSQLComAgrupamento()); });
            std::printf("%-56s %7.3f %8lld\n", qPrintable(Combinacao(m)), frio, (long long)grupos);
        }
        return 0;
    }
    const int r = Agrupamentos(valor("--register"), valor("--pandas"), mascaras);
    if (r == 0)
        MudancaDeLinha(valor("--register"));
    return r;
}
