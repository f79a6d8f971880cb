// The OLE DB schema rowsets the program asks for, built from the ODBC catalogue functions:
// same rowset column names and restriction order as SQLOLEDB gives, so that nothing above the
// engine can tell the two apart.
#include <QSet>
#include <QStringList>
#include <functional>

#include "data/base/EnumsADO.h"
#include "data/base/EsquemaOleDb.h"
#include "data/base/TabelaErros.h"
#include "data/odbc/OdbcSessao.h"

namespace dados::odbc {

namespace {

DadosConsulta rowset(int tipoEsquema) {
    DadosConsulta r;
    r.colunas = ColunasDoRowset(tipoEsquema);
    return r;
}

// One catalogue function on a fresh statement; its rows come back with ODBC's column order.
DadosConsulta chamar(const Handle& dbc, const QString& nome,
                     const std::function<SQLRETURN(SQLHSTMT)>& funcao) {
    const Handle st = NovoComando(dbc);
    Verificar(funcao(st.get()), st, nome);
    return LerResultado(st, nome);
}

QString restricao(const QVariantList& criterios, int i) {
    return criterios.value(i).toString();
}

// OLE DB restrictions are exact names; ODBC takes them as LIKE patterns ("_" is any
// character), so rows the pattern let through are checked again here.
bool confere(const QString& restricao, const QVariant& valor) {
    return restricao.isEmpty() || restricao.compare(valor.toString(), Qt::CaseInsensitive) == 0;
}

QVariant texto(const QVariant& v) {
    return v.isNull() ? QVariant() : QVariant(v.toString());
}

QVariant inteiro(const QVariant& v) {
    return v.isNull() ? QVariant() : QVariant(v.toInt());
}

struct Tabela {
    QVariant catalogo, esquema, nome;
};

// The base tables a question names (all of them when it names none): the catalogue functions
// that take one table, not a pattern, are asked table by table.
QVector<Tabela> tabelas(const Handle& dbc, const QString& catalogo, const QString& esquema,
                        const QString& nome) {
    const QString tipo = QStringLiteral("TABLE");
    const DadosConsulta r = chamar(dbc, QStringLiteral("SQLTables"), [&](SQLHSTMT st) {
        return SQLTablesW(st, WouNulo(catalogo), SQL_NTS, WouNulo(esquema), SQL_NTS, WouNulo(nome),
                          SQL_NTS, W(tipo), SQL_NTS);
    });
    QVector<Tabela> lista;
    for (const auto& l : r.linhas)
        if (confere(catalogo, l[0]) && confere(esquema, l[1]) && confere(nome, l[2]) &&
            confere(tipo, l[3]))
            lista.append({l[0], l[1], l[2]});
    return lista;
}

SQLWCHAR* argumento(const QVariant& v, QString& guarda) {
    guarda = v.toString();
    return v.isNull() ? nullptr : W(guarda);
}

DadosConsulta chavesPrimarias(const Handle& dbc, const Tabela& t) {
    QString c, e, n;
    return chamar(dbc, QStringLiteral("SQLPrimaryKeys"), [&](SQLHSTMT st) {
        return SQLPrimaryKeysW(st, argumento(t.catalogo, c), SQL_NTS, argumento(t.esquema, e),
                               SQL_NTS, argumento(t.nome, n), SQL_NTS);
    });
}

DadosConsulta schemaTables(const Handle& dbc, const QVariantList& criterios) {
    const QString catalogo = restricao(criterios, 0), esquema = restricao(criterios, 1),
                  nome = restricao(criterios, 2), tipo = restricao(criterios, 3);
    const DadosConsulta r = chamar(dbc, QStringLiteral("SQLTables"), [&](SQLHSTMT st) {
        return SQLTablesW(st, WouNulo(catalogo), SQL_NTS, WouNulo(esquema), SQL_NTS, WouNulo(nome),
                          SQL_NTS, WouNulo(tipo), SQL_NTS);
    });
    DadosConsulta saida = rowset(adSchemaTables);
    for (const auto& l : r.linhas)
        if (confere(catalogo, l[0]) && confere(esquema, l[1]) && confere(nome, l[2]) &&
            confere(tipo, l[3]))
            saida.linhas.append({texto(l[0]),
                                 texto(l[1]),
                                 texto(l[2]),
                                 texto(l[3]),
                                 {},
                                 texto(l.value(4)),
                                 {},
                                 {},
                                 {}});
    return saida;
}

bool tipoDeTamanhoFixo(int tipoAdo) {
    switch (tipoAdo) {
        case adChar:
        case adWChar:
        case adBinary:
        case adVarChar:
        case adVarWChar:
        case adVarBinary:
        case adLongVarChar:
        case adLongVarWChar:
        case adLongVarBinary:
        case adNumeric:
            return false;
        default:
            return true;
    }
}

bool tipoDeTexto(int tipoAdo) {
    switch (tipoAdo) {
        case adChar:
        case adWChar:
        case adVarChar:
        case adVarWChar:
        case adLongVarChar:
        case adLongVarWChar:
        case adBinary:
        case adVarBinary:
        case adLongVarBinary:
            return true;
        default:
            return false;
    }
}

DadosConsulta schemaColumns(const Handle& dbc, const QVariantList& criterios) {
    const QString catalogo = restricao(criterios, 0), esquema = restricao(criterios, 1),
                  tabela = restricao(criterios, 2), coluna = restricao(criterios, 3);
    const DadosConsulta r = chamar(dbc, QStringLiteral("SQLColumns"), [&](SQLHSTMT st) {
        // The column is matched here, not by the driver: some compare accented letters
        // case-sensitively.
        return SQLColumnsW(st, WouNulo(catalogo), SQL_NTS, WouNulo(esquema), SQL_NTS,
                           WouNulo(tabela), SQL_NTS, nullptr, SQL_NTS);
    });
    DadosConsulta saida = rowset(adSchemaColumns);
    for (const auto& l : r.linhas) {
        if (!confere(catalogo, l[0]) || !confere(esquema, l[1]) || !confere(tabela, l[2]) ||
            !confere(coluna, l[3]))
            continue;
        const int tipo = TipoAdo(SQLSMALLINT(l[4].toInt()));
        const bool anulavel = l[10].toInt() != SQL_NO_NULLS;
        // DBCOLUMNFLAGS: ISFIXEDLENGTH 0x10, ISNULLABLE 0x20, MAYBENULL 0x40; WRITEUNKNOWN 0x8.
        const int flags = 0x8 | (tipoDeTamanhoFixo(tipo) ? 0x10 : 0) | (anulavel ? 0x60 : 0);
        const bool ehTexto = tipoDeTexto(tipo);
        const bool ehData = tipo == adDBTimeStamp || tipo == adDBDate || tipo == adDBTime;
        saida.linhas.append({texto(l[0]),
                             texto(l[1]),
                             texto(l[2]),
                             texto(l[3]),
                             {},
                             {},
                             inteiro(l.value(16)),
                             !l.value(12).isNull(),
                             texto(l.value(12)),
                             flags,
                             anulavel,
                             tipo,
                             {},
                             ehTexto ? inteiro(l[6]) : QVariant(),
                             ehTexto ? inteiro(l.value(15)) : QVariant(),
                             !ehTexto && !ehData ? inteiro(l[6]) : QVariant(),
                             tipo == adNumeric ? inteiro(l[8]) : QVariant(),
                             ehData ? inteiro(l[8]) : QVariant(),
                             {},
                             {},
                             {},
                             {},
                             {},
                             {},
                             {},
                             {},
                             {},
                             texto(l.value(11))});
    }
    return saida;
}

DadosConsulta schemaIndexes(const Handle& dbc, const QVariantList& criterios) {
    const QString catalogo = restricao(criterios, 0), esquema = restricao(criterios, 1),
                  indice = restricao(criterios, 2), tipo = restricao(criterios, 3),
                  tabela = restricao(criterios, 4);
    DadosConsulta saida = rowset(adSchemaIndexes);
    for (const Tabela& t : tabelas(dbc, catalogo, esquema, tabela)) {
        QString c, e, n;
        const DadosConsulta r = chamar(dbc, QStringLiteral("SQLStatistics"), [&](SQLHSTMT st) {
            return SQLStatisticsW(st, argumento(t.catalogo, c), SQL_NTS, argumento(t.esquema, e),
                                  SQL_NTS, argumento(t.nome, n), SQL_NTS, SQL_INDEX_ALL, SQL_QUICK);
        });
        // The primary key's index carries the key's name (SQL Server), or at least its columns.
        const DadosConsulta pk = chavesPrimarias(dbc, t);
        QString nomePk;
        QSet<QString> colunasPk;
        for (const auto& l : pk.linhas) {
            nomePk = l.value(5).toString();
            colunasPk.insert(l[3].toString().toLower());
        }
        QHash<QString, QSet<QString>> colunasDoIndice;
        for (const auto& l : r.linhas)
            if (l[7].toInt() != SQL_TABLE_STAT)
                colunasDoIndice[l[5].toString()].insert(l[8].toString().toLower());
        for (const auto& l : r.linhas) {
            const int tipoOdbc = l[6].toInt();
            if (tipoOdbc == SQL_TABLE_STAT || l[5].isNull() || !confere(indice, l[5]))
                continue;
            const int tipoOleDb = tipoOdbc == SQL_INDEX_HASHED ? 2 : 1;  // hash or B-tree
            if (!tipo.isEmpty() && tipo.toInt() != tipoOleDb)
                continue;
            const bool unico = l[3].toInt() == SQL_FALSE;
            const QString nome = l[5].toString();
            const bool primaria =
                !colunasPk.isEmpty() &&
                (nome.compare(nomePk, Qt::CaseInsensitive) == 0 ||
                 (unico && nomePk.isEmpty() && colunasDoIndice.value(nome) == colunasPk));
            const QString ordem = l.value(9).toString();
            saida.linhas.append({texto(t.catalogo),
                                 texto(t.esquema),
                                 texto(t.nome),
                                 texto(t.catalogo),
                                 l[4].isNull() ? texto(t.esquema) : texto(l[4]),
                                 nome,
                                 primaria,
                                 unico,
                                 tipoOdbc == SQL_INDEX_CLUSTERED,
                                 tipoOleDb,
                                 {},
                                 {},
                                 {},
                                 false,
                                 true,
                                 {},
                                 inteiro(l[7]),
                                 texto(l[8]),
                                 {},
                                 {},
                                 ordem == "D" ? 2 : (ordem == "A" ? 1 : QVariant()),
                                 l.value(10).isNull() ? QVariant() : QVariant(l[10].toLongLong()),
                                 inteiro(l.value(11)),
                                 texto(l.value(12)),
                                 tipoOdbc == SQL_INDEX_CLUSTERED});
        }
    }
    return saida;
}

DadosConsulta schemaPrimaryKeys(const Handle& dbc, const QVariantList& criterios) {
    DadosConsulta saida = rowset(adSchemaPrimaryKeys);
    for (const Tabela& t :
         tabelas(dbc, restricao(criterios, 0), restricao(criterios, 1), restricao(criterios, 2)))
        for (const auto& l : chavesPrimarias(dbc, t).linhas)
            saida.linhas.append({texto(t.catalogo),
                                 texto(t.esquema),
                                 texto(t.nome),
                                 texto(l[3]),
                                 {},
                                 {},
                                 inteiro(l[4]),
                                 texto(l.value(5))});
    return saida;
}

QVariant regra(const QVariant& v) {
    if (v.isNull())
        return QVariant();
    switch (v.toInt()) {
        case SQL_CASCADE:
            return QStringLiteral("CASCADE");
        case SQL_SET_NULL:
            return QStringLiteral("SET NULL");
        case SQL_SET_DEFAULT:
            return QStringLiteral("SET DEFAULT");
        default:
            return QStringLiteral("NO ACTION");
    }
}

DadosConsulta schemaForeignKeys(const Handle& dbc, const QVariantList& criterios) {
    DadosConsulta saida = rowset(adSchemaForeignKeys);
    QStringList r;
    for (int i = 0; i < 6; ++i) r << restricao(criterios, i);
    // ODBC needs one of the two tables; with neither, every table is asked as the referencing
    // one.
    QVector<Tabela> referentes;
    if (r[2].isEmpty() && r[5].isEmpty())
        referentes = tabelas(dbc, r[3], r[4], QString());
    else
        referentes.append({r[3].isEmpty() ? QVariant() : r[3], r[4].isEmpty() ? QVariant() : r[4],
                           r[5].isEmpty() ? QVariant() : r[5]});
    for (const Tabela& t : referentes) {
        QString c, e, n;
        const DadosConsulta res = chamar(dbc, QStringLiteral("SQLForeignKeys"), [&](SQLHSTMT st) {
            return SQLForeignKeysW(st, WouNulo(r[0]), SQL_NTS, WouNulo(r[1]), SQL_NTS,
                                   WouNulo(r[2]), SQL_NTS, argumento(t.catalogo, c), SQL_NTS,
                                   argumento(t.esquema, e), SQL_NTS, argumento(t.nome, n), SQL_NTS);
        });
        for (const auto& l : res.linhas) {
            if (!confere(r[0], l[0]) || !confere(r[1], l[1]) || !confere(r[2], l[2]) ||
                !confere(r[3], l[4]) || !confere(r[4], l[5]) || !confere(r[5], l[6]))
                continue;
            saida.linhas.append({texto(l[0]),
                                 texto(l[1]),
                                 texto(l[2]),
                                 texto(l[3]),
                                 {},
                                 {},
                                 texto(l[4]),
                                 texto(l[5]),
                                 texto(l[6]),
                                 texto(l[7]),
                                 {},
                                 {},
                                 inteiro(l[8]),
                                 regra(l[9]),
                                 regra(l[10]),
                                 texto(l.value(12)),
                                 texto(l.value(11)),
                                 inteiro(l.value(13))});
        }
    }
    return saida;
}

// What ODBC can tell of a table's constraints: its primary key, its unique indexes and its
// foreign keys (CHECK constraints have no catalogue function).
DadosConsulta schemaTableConstraints(const Handle& dbc, const QVariantList& criterios) {
    QStringList r;
    for (int i = 0; i < 7; ++i) r << restricao(criterios, i);
    DadosConsulta saida = rowset(adSchemaTableConstraints);
    const auto acrescentar = [&](const Tabela& t, const QVariant& nome, const QString& tipo) {
        if (confere(r[0], t.catalogo) && confere(r[1], t.esquema) && confere(r[2], nome) &&
            confere(r[6], tipo))
            saida.linhas.append({texto(t.catalogo),
                                 texto(t.esquema),
                                 texto(nome),
                                 texto(t.catalogo),
                                 texto(t.esquema),
                                 texto(t.nome),
                                 tipo,
                                 false,
                                 false,
                                 {}});
    };
    for (const Tabela& t : tabelas(dbc, r[3], r[4], r[5])) {
        const QVariantList daTabela{t.catalogo, t.esquema, QVariant(), QVariant(), t.nome};
        QSet<QString> vistos;
        for (const auto& l : schemaIndexes(dbc, daTabela).linhas) {
            const QString nome = l[5].toString();
            if (!l[7].toBool() || vistos.contains(nome))
                continue;
            vistos.insert(nome);
            acrescentar(t, nome, l[6].toBool() ? "PRIMARY KEY" : "UNIQUE");
        }
        const QVariantList referente{{}, {}, {}, t.catalogo, t.esquema, t.nome};
        for (const auto& l : schemaForeignKeys(dbc, referente).linhas) {
            const QString nome = l[16].toString();
            if (!vistos.contains(QLatin1String("fk:") + nome)) {
                vistos.insert(QLatin1String("fk:") + nome);
                acrescentar(t, l[16], QStringLiteral("FOREIGN KEY"));
            }
        }
    }
    return saida;
}

DadosConsulta schemaTablePrivileges(const Handle& dbc, const QVariantList& criterios) {
    const QString catalogo = restricao(criterios, 0), esquema = restricao(criterios, 1),
                  tabela = restricao(criterios, 2), concedente = restricao(criterios, 3),
                  beneficiario = restricao(criterios, 4);
    const DadosConsulta r = chamar(dbc, QStringLiteral("SQLTablePrivileges"), [&](SQLHSTMT st) {
        return SQLTablePrivilegesW(st, WouNulo(catalogo), SQL_NTS, WouNulo(esquema), SQL_NTS,
                                   WouNulo(tabela), SQL_NTS);
    });
    DadosConsulta saida = rowset(adSchemaTablePrivileges);
    for (const auto& l : r.linhas)
        if (confere(catalogo, l[0]) && confere(esquema, l[1]) && confere(tabela, l[2]) &&
            confere(concedente, l[3]) && confere(beneficiario, l[4]))
            saida.linhas.append({texto(l[3]), texto(l[4]), texto(l[0]), texto(l[1]), texto(l[2]),
                                 texto(l[5]),
                                 l.value(6).toString().compare("YES", Qt::CaseInsensitive) == 0});
    return saida;
}

}  // namespace

Handle NovoComando(const Handle& dbc) {
    Handle st(SQL_HANDLE_STMT, dbc.get());
    if (!st)
        FalharOdbc(dbc, QStringLiteral("SQLAllocHandle(STMT)"));
    return st;
}

DadosConsulta Catalogo(const Handle& dbc, int tipoEsquema, const QVariantList& criterios) {
    switch (tipoEsquema) {
        case adSchemaTables:
            return schemaTables(dbc, criterios);
        case adSchemaColumns:
            return schemaColumns(dbc, criterios);
        case adSchemaIndexes:
            return schemaIndexes(dbc, criterios);
        case adSchemaPrimaryKeys:
            return schemaPrimaryKeys(dbc, criterios);
        case adSchemaForeignKeys:
            return schemaForeignKeys(dbc, criterios);
        case adSchemaTableConstraints:
            return schemaTableConstraints(dbc, criterios);
        case adSchemaTablePrivileges:
            return schemaTablePrivileges(dbc, criterios);
        default:
            Falhar(ErroOperacao, QStringLiteral("ODBC"),
                   QStringLiteral("rowset de catálogo %1 não suportado").arg(tipoEsquema));
    }
}

QStringList ColunasDaChave(const Handle& dbc, const QString& tabela) {
    QStringList colunas;
    for (const auto& l : chavesPrimarias(dbc, {QVariant(), QVariant(), tabela}).linhas)
        colunas << l[3].toString();
    return colunas;
}

}  // namespace dados::odbc
