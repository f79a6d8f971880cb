// The OLE DB schema rowsets of the embedded engine, built from the register's catalogue with
// the OLE DB column names and restriction columns.
#include <sqlite3.h>

#include <QRegularExpression>
#include <algorithm>

#include "data/base/EnumsADO.h"
#include "data/base/EsquemaOleDb.h"
#include "data/base/TabelaErros.h"
#include "data/sqlite/MotorEmbutido.h"

namespace dados {

namespace {

struct Montagem {
    DadosConsulta r;
    void linha(QVector<QVariant> valores) {
        valores.resize(r.colunas.size());
        r.linhas.push_back(std::move(valores));
    }
};

// A restriction entry: null or empty means none; names compare without regard to case.
bool Atende(const QVariantList& criterios, int i, const QString& valor) {
    const QVariant c = criterios.value(i);
    if (c.isNull() || c.toString().isEmpty()) {
        return true;
    }
    return c.toString().compare(valor, Qt::CaseInsensitive) == 0;
}

QString SemAspas(QString s) {
    return s.replace(QStringLiteral("\"\""), QStringLiteral("\""));
}

struct Indice {
    QString nome;
    bool unico = false;
    bool chave = false;
    QStringList colunas;
};

}  // namespace

DadosConsulta MotorEmbutido::esquema(int tipoEsquema, const QVariantList& criterios) {
    conferirEsquema();
    if (!m_catalogoValido) {
        carregarCatalogo();
    }
    const QString banco = bancoPadrao();
    const QString esquema = QStringLiteral("dbo");
    Montagem m;

    // The user's tables and views, by name.
    QVector<const TabelaCatalogo*> tabelas;
    for (const auto& t : m_catalogo.tabelas()) {
        tabelas.push_back(&t);
    }
    std::sort(tabelas.begin(), tabelas.end(), [](const TabelaCatalogo* a, const TabelaCatalogo* b) {
        return a->nome.compare(b->nome, Qt::CaseInsensitive) < 0;
    });

    const auto indices = [this](const TabelaCatalogo& t) {
        QVector<Indice> lista;
        ComandoSqlite lidos;
        QString nome = t.nome;
        nome.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        const QByteArray sql = ("PRAGMA index_list(\"" + nome + "\")").toUtf8();
        if (sqlite3_prepare_v2(m_db, sql.constData(), -1, &lidos.stmt, nullptr) != SQLITE_OK) {
            falhaSqlite(sqlite3_errcode(m_db), QString::fromUtf8(sql));
        }
        while (sqlite3_step(lidos.stmt) == SQLITE_ROW) {
            Indice x;
            x.nome = QString::fromUtf8(
                reinterpret_cast<const char*>(sqlite3_column_text(lidos.stmt, 1)));
            x.unico = sqlite3_column_int(lidos.stmt, 2) != 0;
            x.chave = QString::fromUtf8(reinterpret_cast<const char*>(
                          sqlite3_column_text(lidos.stmt, 3))) == QLatin1String("pk");
            ComandoSqlite cols;
            QString n = x.nome;
            n.replace(QLatin1Char('"'), QStringLiteral("\"\""));
            const QByteArray info = ("PRAGMA index_info(\"" + n + "\")").toUtf8();
            if (sqlite3_prepare_v2(m_db, info.constData(), -1, &cols.stmt, nullptr) == SQLITE_OK) {
                while (sqlite3_step(cols.stmt) == SQLITE_ROW) {
                    x.colunas << QString::fromUtf8(
                        reinterpret_cast<const char*>(sqlite3_column_text(cols.stmt, 2)));
                }
            }
            if (x.chave) {
                x.nome = t.nomeChave.isEmpty() ? QStringLiteral("PK_") + t.nome : t.nomeChave;
            }
            lista.push_back(x);
        }
        // An INTEGER PRIMARY KEY (the identity) is the row number itself and has no index.
        const bool temChave =
            std::any_of(lista.begin(), lista.end(), [](const Indice& i) { return i.chave; });
        if (!temChave) {
            Indice pk;
            pk.chave = pk.unico = true;
            pk.nome = t.nomeChave.isEmpty() ? QStringLiteral("PK_") + t.nome : t.nomeChave;
            QVector<std::pair<int, QString>> ordem;
            for (const auto& c : t.colunas) {
                if (c.ordemChave > 0) {
                    ordem.push_back({c.ordemChave, c.nome});
                }
            }
            std::sort(ordem.begin(), ordem.end());
            for (const auto& [o, n] : ordem) {
                pk.colunas << n;
            }
            if (!pk.colunas.isEmpty()) {
                lista.push_front(pk);
            }
        }
        return lista;
    };

    // Kind 14 is served as TABLE_CONSTRAINTS: the seven restrictions callers pass belong to
    // that rowset.
    m.r.colunas = ColunasDoRowset(tipoEsquema == adSchemaTablePrivileges ? adSchemaTableConstraints
                                                                         : tipoEsquema);
    switch (tipoEsquema) {
        case adSchemaTables: {
            for (const QString& tipo : {QStringLiteral("TABLE"), QStringLiteral("VIEW")}) {
                for (const auto* t : tabelas) {
                    if ((tipo == QLatin1String("VIEW")) != t->visao) {
                        continue;
                    }
                    if (Atende(criterios, 0, banco) && Atende(criterios, 1, esquema) &&
                        Atende(criterios, 2, t->nome) && Atende(criterios, 3, tipo)) {
                        m.linha({banco, esquema, t->nome, tipo});
                    }
                }
            }
            break;
        }
        case adSchemaColumns: {
            for (const auto* t : tabelas) {
                if (!(Atende(criterios, 0, banco) && Atende(criterios, 1, esquema) &&
                      Atende(criterios, 2, t->nome))) {
                    continue;
                }
                for (int i = 0; i < t->colunas.size(); ++i) {
                    const ColunaCatalogo& c = t->colunas[i];
                    if (!Atende(criterios, 3, c.nome)) {
                        continue;
                    }
                    // The ADO type of the column, as a query over it reports it.
                    int dataType = adVarWChar;
                    switch (c.tipo) {
                        case TipoSql::Numero:
                            dataType = c.tipoDeclarado.contains(QLatin1String("BIT")) ? adBoolean
                                       : c.tipoDeclarado.contains(QLatin1String("FLOAT"))
                                           ? adDouble
                                           : adInteger;
                            break;
                        case TipoSql::Data:
                            dataType = adDBTimeStamp;
                            break;
                        default:
                            break;
                    }
                    QVector<QVariant> v{banco,      esquema,    t->nome,    c.nome,
                                        QVariant(), QVariant(), i + 1,      !c.padrao.isNull(),
                                        c.padrao,   0,          !c.notNull, dataType};
                    v.resize(28);
                    if (c.tipo == TipoSql::Texto) {
                        v[13] = c.tamanho > 0 ? c.tamanho : 1073741823;
                        v[14] = c.tamanho > 0 ? c.tamanho * 2 : 2147483647;
                    }
                    m.linha(v);
                }
            }
            break;
        }
        case adSchemaIndexes: {
            for (const auto* t : tabelas) {
                if (t->visao || !Atende(criterios, 4, t->nome)) {
                    continue;
                }
                for (const Indice& x : indices(*t)) {
                    if (!Atende(criterios, 2, x.nome) ||
                        !Atende(criterios, 3, QStringLiteral("1"))) {
                        continue;
                    }
                    for (int i = 0; i < x.colunas.size(); ++i) {
                        m.linha({banco, esquema, t->nome, banco, esquema, x.nome, x.chave, x.unico,
                                 x.chave, 1, QVariant(), QVariant(), QVariant(), false, true,
                                 QVariant(), i + 1, x.colunas[i]});
                    }
                }
            }
            break;
        }
        case adSchemaPrimaryKeys: {
            for (const auto* t : tabelas) {
                if (t->visao || !Atende(criterios, 2, t->nome)) {
                    continue;
                }
                for (const Indice& x : indices(*t)) {
                    if (!x.chave) {
                        continue;
                    }
                    for (int i = 0; i < x.colunas.size(); ++i) {
                        m.linha({banco, esquema, t->nome, x.colunas[i], QVariant(), QVariant(),
                                 i + 1, x.nome});
                    }
                }
            }
            break;
        }
        case adSchemaForeignKeys: {
            for (const auto* t : tabelas) {
                if (t->visao || !Atende(criterios, 5, t->nome)) {
                    continue;
                }
                ComandoSqlite fk;
                QString nt = t->nome;
                nt.replace(QLatin1Char('"'), QStringLiteral("\"\""));
                const QByteArray sql = ("PRAGMA foreign_key_list(\"" + nt + "\")").toUtf8();
                if (sqlite3_prepare_v2(m_db, sql.constData(), -1, &fk.stmt, nullptr) != SQLITE_OK) {
                    continue;
                }
                while (sqlite3_step(fk.stmt) == SQLITE_ROW) {
                    const auto texto = [&fk](int i) {
                        return QString::fromUtf8(
                            reinterpret_cast<const char*>(sqlite3_column_text(fk.stmt, i)));
                    };
                    const QString pkTabela = m_catalogo.canonico(texto(2));
                    const QString de = texto(3);
                    QString para = texto(4);
                    const TabelaCatalogo* ref = m_catalogo.tabela(pkTabela);
                    if (para.isEmpty() && ref) {
                        for (const auto& c : ref->colunas) {
                            if (c.ordemChave == 1) {
                                para = c.nome;
                            }
                        }
                    }
                    if (!Atende(criterios, 2, pkTabela)) {
                        continue;
                    }
                    // The constraint's name, from the stored definition.
                    QString nomeFk;
                    const QRegularExpression re(
                        QStringLiteral(R"re(CONSTRAINT "((?:[^"]|"")+)" FOREIGN KEY \("%1")re")
                            .arg(QRegularExpression::escape(de)));
                    const auto achado = re.match(t->sql);
                    if (achado.hasMatch()) {
                        nomeFk = SemAspas(achado.captured(1));
                    }
                    const QString regra = texto(6) == QLatin1String("CASCADE")
                                              ? QStringLiteral("CASCADE")
                                              : QStringLiteral("NO ACTION");
                    m.linha({banco, esquema, pkTabela, para, QVariant(), QVariant(), banco, esquema,
                             t->nome, de, QVariant(), QVariant(),
                             sqlite3_column_int(fk.stmt, 1) + 1, QStringLiteral("NO ACTION"), regra,
                             ref ? ref->nomeChave : QString(), nomeFk, 3});
                }
            }
            break;
        }
        case adSchemaTableConstraints:
        case adSchemaTablePrivileges: {
            static const QRegularExpression re(QStringLiteral(
                R"re(CONSTRAINT "((?:[^"]|"")+)" (PRIMARY KEY|UNIQUE|FOREIGN KEY|CHECK))re"));
            for (const auto* t : tabelas) {
                if (t->visao || !Atende(criterios, 5, t->nome)) {
                    continue;
                }
                auto it = re.globalMatch(t->sql);
                while (it.hasNext()) {
                    const auto achado = it.next();
                    const QString nome = SemAspas(achado.captured(1));
                    // The layer's own length and date checks are not the schema's constraints.
                    if (nome.startsWith(QLatin1String("cadunir_"))) {
                        continue;
                    }
                    const QString tipo = achado.captured(2);
                    if (Atende(criterios, 2, nome) && Atende(criterios, 6, tipo)) {
                        m.linha(
                            {banco, esquema, nome, banco, esquema, t->nome, tipo, false, false});
                    }
                }
            }
            break;
        }
        default:
            Falhar(ErroOperacao, QStringLiteral("SQLite"),
                   QStringLiteral("schema rowset %1 is not provided").arg(tipoEsquema));
    }
    return std::move(m.r);
}

}  // namespace dados
