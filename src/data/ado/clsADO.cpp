#include "data/ado/clsADO.h"

#include <QStringList>

#include "data/base/Diagnostico.h"
#include "data/base/ErroNumerado.h"
#include "data/base/Motor.h"
#include "data/base/TabelaErros.h"

namespace {

// Runs `passo`; a failure is handed to `capturar` and gives false.
template <typename Passo, typename Captura>
bool Tentar(Passo&& passo, Captura&& capturar) {
    try {
        passo();
        return true;
    } catch (const ErroNumerado& e) {
        capturar(e);
    } catch (...) {
        // Nothing else is thrown by design; should it be, it still must not pass.
        capturar(ErroNumerado(dados::ErroNaoEspecificado, QStringLiteral("clsADO"),
                              dados::TextoDoErro(dados::ErroNaoEspecificado)));
    }
    return false;
}

QVariantList Criterios(std::initializer_list<QVariant> valores) {
    return QVariantList(valores);
}

}  // namespace

void clsADO::capturar(const ErroNumerado& erro) {
    m_errorNumber = erro.Number();
    m_errorString = erro.Description();
    m_errorDetail = dados::UltimoDiagnostico();
    m_servidor = erro.Servidor();
}

// The diagnostics line of a failure is the one logged during the operation that failed.
#define CLSADO_TENTAR(corpo)           \
    (dados::LimparUltimoDiagnostico(), \
     Tentar([&] { corpo; }, [this](const ErroNumerado& e) { capturar(e); }))

bool clsADO::AbrirConexão(Connection& fCN, const QString& fConnectionString) {
    return CLSADO_TENTAR({
        fCN.setConnectionString(fConnectionString);
        if (fCN.State() == adStateOpen) {
            fCN.Close();
        }
        fCN.Open(QString(), QString(), QString(), -1);
    });
}

bool clsADO::FecharConexão(Connection& fCN) {
    return CLSADO_TENTAR(fCN.Close());
}

bool clsADO::AbrirRecordset(Connection& fCN, Recordset& fRS, const QString& SQL) {
    return CLSADO_TENTAR({
        if (fRS.State() == adStateOpen) {
            fRS.Close();
        }
        fRS.setCursorLocation(adUseClient);
        fRS.setCursorType(adOpenStatic);
        fRS.setLockType(adLockOptimistic);
        fRS.Open(SQL, fCN, -1, -1, -1);
    });
}

bool clsADO::PercorrerRegistros(Connection& fCN, const QString& SQL,
                                const std::function<bool(const dados::ValorLido*, int)>& fLeitor) {
    return CLSADO_TENTAR(fCN.percorrer(SQL, fLeitor));
}

bool clsADO::ExecutarSQL(Connection& fCN, const QString& SQL, qint32& RecordsAfetados) {
    return CLSADO_TENTAR(fCN.Execute(SQL, &RecordsAfetados, -1));
}

bool clsADO::ExecutarLote(Connection& fCN, const QString& SQL,
                          QVector<dados::ResultadoComando>& Resultados) {
    Resultados.clear();
    return CLSADO_TENTAR({
        dados::ResultadoLote lote = fCN.executarLote(SQL);
        Resultados = std::move(lote.resultados);
        if (lote.falha) {
            throw *lote.falha;
        }
    });
}

bool clsADO::TransaçãoIniciar(Connection& fCN) {
    std::optional<ErroNumerado> falha;
    if (m_depth == 0) {
        Tentar([&] { fCN.BeginTrans(); }, [&](const ErroNumerado& e) { falha = e; });
    }
    ++m_depth;
    if (!falha || falha->Number() == dados::ErroTransacaoExiste) {
        return true;
    }
    capturar(*falha);
    return false;
}

bool clsADO::TransaçãoFinalizar(Connection& fCN) {
    bool ok = true;
    if (m_depth == 1) {
        ok = CLSADO_TENTAR(fCN.CommitTrans());
    }
    --m_depth;
    return ok;
}

bool clsADO::TransaçãoCancelar(Connection& fCN) {
    bool ok = true;
    if (m_depth == 1) {
        ok = CLSADO_TENTAR(fCN.RollbackTrans());
    }
    --m_depth;
    return ok;
}

bool clsADO::TableExiste(Connection& fCN, const QString& fNomeTable) {
    bool existe = false;
    const bool ok = CLSADO_TENTAR({
        Recordset rs;
        fCN.OpenSchema(adSchemaTables,
                       Criterios({QVariant(), QVariant(), fNomeTable, QStringLiteral("TABLE")}),
                       rs);
        existe = !rs.Eof() && !rs.Bof();
        rs.Close();
    });
    return ok && existe;
}

bool clsADO::IndexExiste(Connection& fCN, const QString& fNomeINDEX) {
    bool existe = false;
    const bool ok = CLSADO_TENTAR({
        Recordset rs;
        fCN.OpenSchema(adSchemaIndexes,
                       Criterios({QVariant(), QVariant(), fNomeINDEX, QVariant(), QVariant()}), rs);
        existe = rs.RecordCount() != 0;
        rs.Close();
    });
    return ok && existe;
}

bool clsADO::RSFields(Connection& fCN, Recordset& fRS, const QString& fTableName,
                      const QString& fFieldName) {
    const QVariant coluna = fFieldName.size() >= 1 ? QVariant(fFieldName) : QVariant();
    return CLSADO_TENTAR(fCN.OpenSchema(
        adSchemaColumns, Criterios({QVariant(), QVariant(), fTableName, coluna}), fRS));
}

bool clsADO::RSTables(Connection& fCN, Recordset& fRS) {
    return CLSADO_TENTAR(fCN.OpenSchema(
        adSchemaTables, Criterios({QVariant(), QVariant(), QVariant(), QStringLiteral("TABLE")}),
        fRS));
}

bool clsADO::RSPrimaryKey(Connection& fCN, Recordset& fRS) {
    return CLSADO_TENTAR(
        fCN.OpenSchema(adSchemaPrimaryKeys, Criterios({QVariant(), QVariant(), QVariant()}), fRS));
}

bool clsADO::RSConstrains(Connection& fCN, Recordset& fRS) {
    // Seven empty restrictions are the shape of TABLE_CONSTRAINTS, which is what this serves.
    return CLSADO_TENTAR(fCN.OpenSchema(adSchemaTableConstraints, QVariantList(7), fRS));
}

bool clsADO::RSIndexes(Connection& fCN, Recordset& fRS) {
    return CLSADO_TENTAR(fCN.OpenSchema(adSchemaIndexes, QVariantList(5), fRS));
}

bool clsADO::RSForeingKey(Connection& fCN, Recordset& fRS) {
    return CLSADO_TENTAR(fCN.OpenSchema(adSchemaForeignKeys, QVariantList(6), fRS));
}

QString clsADO::RetornarListaFields(Connection& fCN, const QString& fNomeTable, bool comNomeTable) {
    if (!TableExiste(fCN, fNomeTable)) {
        return QString();
    }
    QString lista;
    const bool ok = CLSADO_TENTAR({
        Recordset rs;
        fCN.OpenSchema(adSchemaColumns, Criterios({QVariant(), QVariant(), fNomeTable, QVariant()}),
                       rs);
        while (!rs.Eof()) {
            if (!lista.isEmpty()) {
                lista += QLatin1Char(',');
            }
            const QString coluna = rs.Fields(QStringLiteral("COLUMN_NAME")).Value().toString();
            lista += comNomeTable ? fNomeTable + QStringLiteral(".[") + coluna + QLatin1Char(']')
                                  : QLatin1Char('[') + coluna + QLatin1Char(']');
            rs.MoveNext();
        }
        rs.Close();
    });
    return ok ? lista : QString();
}

QString clsADO::RetornarListaFieldsComuns(Connection& fCN, const QString& fNomeTable,
                                          const QString& fNomeTable1) {
    // Traps nothing: the schema calls run directly so that a failure reaches the caller.
    const auto lista = [&fCN](const QString& tabela) {
        QStringList colunas;
        Recordset rs;
        fCN.OpenSchema(adSchemaColumns, Criterios({QVariant(), QVariant(), tabela, QVariant()}),
                       rs);
        while (!rs.Eof()) {
            colunas << QLatin1Char('[') +
                           rs.Fields(QStringLiteral("COLUMN_NAME")).Value().toString() +
                           QLatin1Char(']');
            rs.MoveNext();
        }
        return colunas;
    };
    const QStringList primeira = lista(fNomeTable);
    const QStringList segunda = lista(fNomeTable1);
    QStringList comuns;
    for (const QString& c : primeira) {
        if (segunda.contains(c, Qt::CaseSensitive)) {
            comuns << c;
        }
    }
    return comuns.join(QLatin1Char(','));
}
