#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QRandomGenerator>
#include <QStringList>

#include "data/ado/Recordset.h"
#include "data/ado/clsADO.h"
#include "support/TempRegister.h"

// Queries of every clause the writer handles (joins, derived tables, subqueries, EXISTS,
// GROUP BY with HAVING and aggregates, DISTINCT, UNION, ORDER BY) and the expressions inside
// them (integers without overflow or division, NULLs, AND/OR/NOT, ranges, lists, CASE), in a
// form SQLite and SQL Server read alike, give the same rows through the dialect layer as on
// plain SQLite.
namespace {

class Consultas {
  public:
    explicit Consultas(QRandomGenerator& r) : m_r(r) {}

    QString consulta() {
        QString s = select();
        if (um(4)) {
            s += (um(2) ? " UNION ALL " : " UNION ") + QStringLiteral("SELECT u.a, u.d FROM U u") +
                 onde(QStringLiteral("u"));
        }
        return s + " ORDER BY 1, 2";
    }

  private:
    bool um(int em) { return m_r.bounded(em) == 0; }
    // t and T name T; u and x name U.
    QString coluna(const QString& t) {
        const bool u = t == QLatin1String("u") || t == QLatin1String("x");
        return t + (u ? (um(2) ? ".a" : ".d") : QStringList{".a", ".b", ".c"}[m_r.bounded(3)]);
    }
    // Small integers, columns, and the expressions both read alike: +, -, *, minus, CASE.
    QString valor(const QString& t, int d = 0) {
        switch (m_r.bounded(d > 1 ? 3 : 6)) {
            case 0:
                return QString::number(m_r.bounded(7) - 3);
            case 3:
                return "(" + valor(t, d + 1) + QStringList{" + ", " - ", " * "}[m_r.bounded(3)] +
                       valor(t, d + 1) + ")";
            case 4:
                return "CASE WHEN " + valor(t, d + 1) + " > " + valor(t, d + 1) + " THEN " +
                       valor(t, d + 1) + " ELSE " + valor(t, d + 1) + " END";
            case 5:
                return "-(" + valor(t, d + 1) + ")";
            default:
                return coluna(t);
        }
    }
    QString predicado(const QString& t, int d = 0) {
        switch (m_r.bounded(d > 1 ? 5 : 9)) {
            case 0:
                return valor(t) + QStringList{" = ", " <> ", " < ", " >= "}[m_r.bounded(4)] +
                       valor(t);
            case 1:
                return coluna(t) + (um(2) ? " NOT" : "") + " IN (" + valor(t) + ", " + valor(t) +
                       ")";
            case 2:
                return coluna(t) + (um(2) ? " IS NULL" : " IS NOT NULL");
            case 3:
                return coluna(t) + (um(2) ? " NOT" : "") + " BETWEEN " + valor(t) + " AND " +
                       valor(t);
            case 4:
                return "NOT " + predicado(t, d + 1);
            case 5:
                return coluna(t) + " IN (SELECT x.a FROM U x WHERE " + predicado("x", d + 1) + ")";
            case 6:
                return (um(2) ? "NOT " : "") +
                       QStringLiteral("EXISTS (SELECT 1 FROM U x WHERE x.a = ") + coluna(t) + ")";
            case 7:  // AND binds before OR
                return predicado(t, d + 1) + " AND " + predicado(t, d + 1) + " OR " +
                       predicado(t, d + 1);
            default:
                return "(" + predicado(t, d + 1) + (um(2) ? " AND " : " OR ") +
                       predicado(t, d + 1) + ")";
        }
    }
    QString onde(const QString& t) { return um(3) ? QString() : " WHERE " + predicado(t); }
    QString select() {
        QString from = QStringLiteral(" FROM T t");
        switch (m_r.bounded(5)) {
            case 0:
                from += " INNER JOIN U u ON u.a = t.a";
                break;
            case 1:
                from += " LEFT JOIN U u ON u.a = t.b";
                break;
            case 2:
                from = " FROM (SELECT a, b, c FROM T WHERE " + predicado("T") + ") t";
                break;
            default:
                break;
        }
        if (um(3)) {
            // Grouped: the key and one aggregate, and maybe a HAVING.
            static const char* const agregados[] = {"COUNT(*)", "MAX(t.b)", "MIN(t.c)", "SUM(t.c)",
                                                    "COUNT(DISTINCT t.b)"};
            return "SELECT t.a, " + QString::fromLatin1(agregados[m_r.bounded(5)]) + from +
                   onde("t") + " GROUP BY t.a" +
                   (um(2) ? " HAVING COUNT(*) > " + QString::number(m_r.bounded(3)) : QString());
        }
        return QStringLiteral("SELECT %1%2, %3")
                   .arg(um(3) ? "DISTINCT " : "", coluna("t"),
                        from.contains(" u ") ? coluna("u") : coluna("t")) +
               from + onde("t");
    }

    QRandomGenerator& m_r;
};

QStringList LinhasPuras(sqlite3* db, const QString& sql) {
    QStringList r;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << sqlite3_errmsg(db) << "\n" << sql.toStdString();
        return r;
    }
    while (sqlite3_step(st) == SQLITE_ROW) {
        QStringList c;
        for (int i = 0; i < sqlite3_column_count(st); ++i) {
            c << (sqlite3_column_type(st, i) == SQLITE_NULL
                      ? QStringLiteral("NULL")
                      : QString::number(sqlite3_column_int64(st, i)));
        }
        r << c.join('|');
    }
    sqlite3_finalize(st);
    return r;
}

}  // namespace

TEST(DiferencialTSql, EveryClauseGivesTheRowsOfPlainSqlite) {
    TempRegister reg;
    ASSERT_TRUE(
        reg.exec("CREATE TABLE [dbo].[T] ([a] [int] NULL, [b] [int] NULL, [c] [int] NULL) "
                 "CREATE TABLE [dbo].[U] ([a] [int] NULL, [d] [int] NULL)"));
    sqlite3* puro = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &puro), SQLITE_OK);
    sqlite3_exec(puro, "CREATE TABLE T (a INT, b INT, c INT); CREATE TABLE U (a INT, d INT)",
                 nullptr, nullptr, nullptr);
    QRandomGenerator r(21061970);
    const auto valor = [&r] {
        const int v = r.bounded(8);
        return v == 7 ? QStringLiteral("NULL") : QString::number(v - 3);
    };
    for (int i = 0; i < 40; ++i) {
        for (const QString& ins :
             {QStringLiteral("INSERT INTO T (a, b, c) VALUES (%1, %2, %3)")
                  .arg(valor(), valor(), valor()),
              QStringLiteral("INSERT INTO U (a, d) VALUES (%1, %2)").arg(valor(), valor())}) {
            ASSERT_TRUE(reg.exec(ins));
            sqlite3_exec(puro, ins.toUtf8().constData(), nullptr, nullptr, nullptr);
        }
    }
    Consultas gerador(r);
    for (int i = 0; i < 400; ++i) {
        const QString sql = gerador.consulta();
        Recordset rs;
        rs.Open(sql, reg.conn());
        QStringList nossas;
        for (; !rs.Eof(); rs.MoveNext()) {
            QStringList c;
            for (int k = 0; k < rs.FieldCount(); ++k) {
                const QVariant v = rs.Fields(k).Value();
                c << (v.isNull() ? QStringLiteral("NULL") : QString::number(v.toLongLong()));
            }
            nossas << c.join('|');
        }
        ASSERT_EQ(nossas, LinhasPuras(puro, sql)) << sql.toStdString();
    }
    sqlite3_close(puro);
}

// Statements where SQLite's own reading differs from SQL Server's, with what SQL Server answers:
// its rows ("a|b"), or the number of the message it refuses the statement with.
TEST(DiferencialTSql, StatementsAnswerAsSqlServerOrFailWithItsMessage) {
    TempRegister reg;
    ASSERT_TRUE(reg.exec(
        "CREATE TABLE Z ([i] [int] NULL, [s] [nvarchar] (2) NULL, [t] [nvarchar] (10) NULL, "
        "[g] [int] NULL) "
        "INSERT INTO Z (i, s, t, g) VALUES (NULL, NULL, 'abc', 2147483647) "
        "INSERT INTO Z (i, s, t, g) VALUES (1, 'xy', '12', 1)"));
    const auto subconsultas = [](int n) {
        QString s = "SELECT i FROM Z WHERE i = 1";
        for (int k = 0; k < n; ++k) {
            s = "SELECT i FROM Z WHERE i IS NULL OR i IN (" + s + ")";
        }
        return "SELECT COUNT(*) FROM Z WHERE i IN (" + s + ")";
    };
    QStringList colunas;
    for (int k = 1; k <= 4097; ++k) {
        colunas << QStringLiteral("%1 AS c%1").arg(k);
    }
    const struct {
        QString sql;
        QString linhas;  // the rows, or empty when it fails
        int msg = 0;     // SQL Server's message
    } casos[] = {
        {"SELECT SUBSTRING('Maria', -2, 5), SUBSTRING('abcdef', -1, 3), SUBSTRING('abcd', 0, 1), "
         "SUBSTRING('abcd', -4, 6), SUBSTRING('abc', 2, 100), LEFT('abc', 5), LEFT('abc', 0)",
         "Ma|a||a|bc|abc|"},
        {"SELECT SUBSTRING('abc', 2, -1)", "", 537},
        {"SELECT LEFT('abc', -1)", "", 536},
        {"SELECT ISNULL(s, 'abcdef'), ISNULL(i, 2.9), ISNULL(t, 5) FROM Z ORDER BY g",
         "xy|1|12\n"
         "ab|2|abc"},
        {"SELECT ISNULL(i, 'x') FROM Z", "", 245},
        {"SELECT COALESCE(NULL, '7', 1) + 1", "8"},
        {"SELECT COALESCE('x', 1)", "", 245},
        {"SELECT COUNT(*) FROM Z WHERE t = 1", "", 245},
        {"SELECT COUNT(*) FROM Z WHERE i = '1' OR i IN ('2', ' 3 ')", "1"},
        {"SELECT COUNT(*) FROM Z WHERE i IN (1, 'x')", "", 245},
        {"SELECT SUM(g) FROM Z", "", 8115},
        {"SELECT AVG(g) FROM Z", "", 8115},
        {"SELECT SUM(x) FROM (SELECT 2147483647 AS x UNION ALL SELECT 1) d", "", 8115},
        {"SELECT SUM(CASE WHEN g > 0 THEN g ELSE 0 END) FROM Z", "", 8115},
        {"SELECT SUM(CAST_NAO_EXISTE) FROM Z", "", 207},
        {"SELECT COUNT(*) FROM Z WHERE i IN (SELECT i FROM Z ORDER BY i)", "", 1033},
        {"SELECT * FROM (SELECT TOP 1 i FROM Z ORDER BY i DESC) d", "1"},
        {"SELECT CASE WHEN N'é' LIKE '[a-z]' THEN 1 ELSE 0 END, CASE WHEN N'É' LIKE '[a-z]' "
         "THEN 1 ELSE 0 END, CASE WHEN N'é' LIKE '[e]' THEN 1 ELSE 0 END",
         "1|1|0"},
        {subconsultas(31), "1"},
        {subconsultas(32), "", 191},
        {"SELECT " + colunas.mid(0, 4096).join(", ") + " ORDER BY c4096 DESC", "4096 colunas"},
        {"SELECT " + colunas.join(", "), "", 1056},
        {"SELECT 1/0", "", 8134},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.sql.left(120).toStdString());
        clsADO ado;
        Recordset rs;
        const bool ok = ado.AbrirRecordset(reg.conn(), rs, c.sql);
        if (c.msg != 0) {
            EXPECT_FALSE(ok);
            ASSERT_TRUE(ado.MensagemDoServidor().has_value()) << ado.ErrorString().toStdString();
            EXPECT_EQ(ado.MensagemDoServidor()->numero, c.msg);
            continue;
        }
        ASSERT_TRUE(ok) << ado.DetalheDoErro().toStdString();
        if (rs.FieldCount() > 2000) {
            EXPECT_EQ(QStringLiteral("%1 colunas").arg(rs.FieldCount()), c.linhas);
            EXPECT_EQ(rs.Fields(4095).Name(), "c4096");
            EXPECT_EQ(rs.Fields(4095).Value().toInt(), 4096);
            continue;
        }
        QStringList linhas;
        for (; !rs.Eof(); rs.MoveNext()) {
            QStringList celulas;
            for (int k = 0; k < rs.FieldCount(); ++k) {
                celulas << rs.Fields(k).Value().toString();
            }
            linhas << celulas.join('|');
        }
        EXPECT_EQ(linhas.join('\n'), c.linhas);
    }
    // The short text names the fault, not a syntax error.
    clsADO ado;
    Recordset rs;
    ado.AbrirRecordset(reg.conn(), rs, "SELECT 1/0");
    EXPECT_EQ(ado.ErrorString(), "Divisão por zero.");
    ado.AbrirRecordset(reg.conn(), rs, subconsultas(32));
    EXPECT_EQ(ado.ErrorString(), "Comando SQL aninhado demais.");
}
