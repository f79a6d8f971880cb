#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QRandomGenerator>
#include <QStringList>

#include "data/ado/Recordset.h"
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
