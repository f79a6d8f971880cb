#include "data/dao/DaoSqlite.h"

#include <sqlite3.h>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include "data/base/TabelaErros.h"
#include "data/dao/DaoDatabase.h"

namespace daosqlite {

Conexao::Conexao(Conexao&& outra) noexcept : db(outra.db), somenteLeitura(outra.somenteLeitura) {
    outra.db = nullptr;
}

Conexao& Conexao::operator=(Conexao&& outra) noexcept {
    if (this != &outra) {
        sqlite3_close_v2(db);
        db = outra.db;
        somenteLeitura = outra.somenteLeitura;
        outra.db = nullptr;
    }
    return *this;
}

Conexao::~Conexao() {
    sqlite3_close_v2(db);
}

void FalhaSqlite(sqlite3* db, int rc, const char* origem, const QString& sql) {
    const QString mensagem =
        db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString(sqlite3_errstr(rc));
    LancarErroDao(NumeroDaoDoSqlite(rc, mensagem), origem,
                  sql.isEmpty() ? mensagem : mensagem + " [" + sql + "]");
}

Conexao AbrirArquivo(const QString& path, bool criar, const char* origem) {
    const QFileInfo fi(path);
    if (path.trimmed().isEmpty() || !fi.absoluteDir().exists()) {
        LancarErroDao(daoCaminhoInvalido, origem, "caminho \"" + path + "\"");
    }
    if (criar && fi.exists()) {
        LancarErroDao(daoBancoExiste, origem, path);
    }
    if (!criar && !fi.exists()) {
        LancarErroDao(daoArquivoNaoEncontrado, origem, path);
    }
    if (!criar && (fi.isDir() || !fi.isReadable())) {
        LancarErroDao(daoArquivoInacessivel, origem, path);
    }
    Conexao cn;
    cn.somenteLeitura = !criar && !fi.isWritable();
    const int flags = cn.somenteLeitura ? SQLITE_OPEN_READONLY
                      : criar           ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE
                                        : SQLITE_OPEN_READWRITE;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &cn.db, flags, nullptr);
    if (rc != SQLITE_OK) {
        FalhaSqlite(cn.db, rc, origem, path);
    }
    sqlite3_extended_result_codes(cn.db, 1);
    sqlite3_busy_timeout(cn.db, 2000);
    // SQLite reads the header only when the schema is first needed: a foreign file shows here.
    ValorUnico(cn.db, "SELECT count(*) FROM sqlite_master", origem);
    return cn;
}

QString Identificador(const QString& nome) {
    return "\"" + QString(nome).replace("\"", "\"\"") + "\"";
}

Comando::Comando(sqlite3* db, const QString& sql, const char* origem)
    : m_db(db), m_origem(origem), m_sql(sql) {
    const QByteArray texto = sql.toUtf8();
    const char* resto = nullptr;
    const int rc = sqlite3_prepare_v2(db, texto.constData(), int(texto.size()), &m_st, &resto);
    if (rc != SQLITE_OK) {
        FalhaSqlite(db, rc, origem, sql);
    }
    if (!m_st) {
        LancarErroDao(daoInstrucaoInvalida, origem, "instrução vazia [" + sql + "]");
    }
    // Only blanks and comments may follow the one statement.
    sqlite3_stmt* seguinte = nullptr;
    const int rc2 = sqlite3_prepare_v2(db, resto, -1, &seguinte, nullptr);
    sqlite3_finalize(seguinte);
    if (rc2 != SQLITE_OK || seguinte) {
        sqlite3_finalize(m_st);
        LancarErroDao(daoCaracteresAposFim, origem, sql);
    }
}

Comando::~Comando() {
    sqlite3_finalize(m_st);
}

void Comando::Ligar(const QVariantList& valores) {
    for (int i = 0; i < valores.size(); ++i) {
        const QVariant& v = valores[i];
        int rc = SQLITE_OK;
        if (v.isNull()) {
            rc = sqlite3_bind_null(m_st, i + 1);
        } else {
            switch (v.typeId()) {
                case QMetaType::Bool:
                case QMetaType::Int:
                case QMetaType::UInt:
                case QMetaType::LongLong:
                case QMetaType::ULongLong:
                    rc = sqlite3_bind_int64(m_st, i + 1, v.toLongLong());
                    break;
                case QMetaType::Double:
                case QMetaType::Float:
                    rc = sqlite3_bind_double(m_st, i + 1, v.toDouble());
                    break;
                case QMetaType::QByteArray: {
                    const QByteArray b = v.toByteArray();
                    rc = sqlite3_bind_blob(m_st, i + 1, b.constData(), int(b.size()),
                                           SQLITE_TRANSIENT);
                    break;
                }
                default: {
                    QString texto = v.toString();
                    if (v.typeId() == QMetaType::QDateTime) {
                        texto = v.toDateTime().toString("yyyy-MM-dd HH:mm:ss");
                    } else if (v.typeId() == QMetaType::QDate) {
                        texto = v.toDate().toString("yyyy-MM-dd");
                    }
                    const QByteArray b = texto.toUtf8();
                    rc = sqlite3_bind_text(m_st, i + 1, b.constData(), int(b.size()),
                                           SQLITE_TRANSIENT);
                }
            }
        }
        if (rc != SQLITE_OK) {
            FalhaSqlite(m_db, rc, m_origem, m_sql);
        }
    }
}

bool Comando::Passo() {
    const int rc = sqlite3_step(m_st);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc != SQLITE_DONE) {
        FalhaSqlite(m_db, rc, m_origem, m_sql);
    }
    return false;
}

int Comando::Colunas() const {
    return sqlite3_column_count(m_st);
}

QVariant Comando::Coluna(int i) const {
    switch (sqlite3_column_type(m_st, i)) {
        case SQLITE_NULL:
            return QVariant();
        case SQLITE_INTEGER:
            return qlonglong(sqlite3_column_int64(m_st, i));
        case SQLITE_FLOAT:
            return sqlite3_column_double(m_st, i);
        case SQLITE_BLOB:
            return QByteArray(static_cast<const char*>(sqlite3_column_blob(m_st, i)),
                              sqlite3_column_bytes(m_st, i));
        default:
            return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_st, i)),
                                     sqlite3_column_bytes(m_st, i));
    }
}

QVariant Comando::Valor(int i, int tipoDao) const {
    const QVariant v = Coluna(i);
    if (v.isNull()) {
        return v;
    }
    if (tipoDao == dbBoolean) {
        return v.toLongLong() != 0;
    }
    if (tipoDao == dbDate && v.typeId() == QMetaType::QString) {
        QDateTime dt = QDateTime::fromString(v.toString(), "yyyy-MM-dd HH:mm:ss");
        if (!dt.isValid()) {
            dt = QDateTime(QDate::fromString(v.toString(), "yyyy-MM-dd"), QTime(0, 0));
        }
        return dt.isValid() ? QVariant(dt) : v;
    }
    return v;
}

QString Comando::NomeColuna(int i) const {
    return QString::fromUtf8(sqlite3_column_name(m_st, i));
}

QString Comando::TipoDeclarado(int i) const {
    return QString::fromUtf8(sqlite3_column_decltype(m_st, i));
}

QString Comando::TabelaBase(int i) const {
    return QString::fromUtf8(sqlite3_column_table_name(m_st, i));
}

QString Comando::ColunaBase(int i) const {
    return QString::fromUtf8(sqlite3_column_origin_name(m_st, i));
}

void Executar(Conexao& cn, const QString& sql, const QVariantList& valores, const char* origem) {
    Comando c(cn.db, sql, origem);
    c.Ligar(valores);
    while (c.Passo()) {
    }
}

void ExecutarTexto(Conexao& cn, const char* sql, const char* origem) {
    char* erro = nullptr;
    const int rc = sqlite3_exec(cn.db, sql, nullptr, nullptr, &erro);
    sqlite3_free(erro);
    if (rc != SQLITE_OK) {
        FalhaSqlite(cn.db, rc, origem, QString::fromUtf8(sql));
    }
}

QVariant ValorUnico(sqlite3* db, const QString& sql, const char* origem) {
    Comando c(db, sql, origem);
    return c.Passo() ? c.Coluna(0) : QVariant();
}

bool ExisteTabela(sqlite3* db, const QString& nome, const char* origem) {
    Comando c(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1", origem);
    c.Ligar({nome});
    return c.Passo();
}

void Transacao(Conexao& cn, const char* origem, const std::function<void()>& corpo) {
    ExecutarTexto(cn, "BEGIN IMMEDIATE", origem);
    try {
        corpo();
        ExecutarTexto(cn, "COMMIT", origem);
    } catch (...) {
        sqlite3_exec(cn.db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

}  // namespace daosqlite
