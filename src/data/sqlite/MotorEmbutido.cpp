#include "data/sqlite/MotorEmbutido.h"

#include <sqlite3.h>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cstring>
#include <numeric>
#include <utility>

#include "data/base/CadeiaConexao.h"
#include "data/base/EnumsADO.h"
#include "data/base/MascararSenhas.h"
#include "data/base/TabelaErros.h"
#include "data/sqlite/RelogioSqlite.h"
#include "data/tsql/TSqlAnalisador.h"
#include "data/tsql/TSqlEscritor.h"
#include "data/tsql/TSqlLexico.h"

namespace dados {

namespace {

const QString kOrigem = QStringLiteral("SQLite");

QString TextoDaColuna(sqlite3_stmt* stmt, int i) {
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, i)),
                             sqlite3_column_bytes(stmt, i));
}

// 'yyyy-mm-dd[ hh:mm[:ss[.fff]]]' as a date-time without time zone (kept as UTC, so that no
// daylight-saving gap moves a birth date).
QVariant DataDoTexto(const QString& t) {
    if (t.size() < 10 || t[4] != QLatin1Char('-') || t[7] != QLatin1Char('-')) {
        return t;
    }
    const QDate d(t.mid(0, 4).toInt(), t.mid(5, 2).toInt(), t.mid(8, 2).toInt());
    QTime h(0, 0);
    if (t.size() >= 16) {
        const int ms = t.size() >= 23 ? t.mid(20, 3).toInt() : 0;
        h = QTime(t.mid(11, 2).toInt(), t.mid(14, 2).toInt(),
                  t.size() >= 19 ? t.mid(17, 2).toInt() : 0, ms);
    }
    if (!d.isValid() || !h.isValid()) {
        return t;
    }
    return QDateTime(d, h, Qt::UTC);
}

// The same from UTF-8 bytes; the forms the dialect writes ('yyyy-mm-dd' and
// 'yyyy-mm-dd hh:mm:ss') are read in place, which matters for a grouping's thousands of dates.
QVariant DataDosBytes(const char* s, int n) {
    static constexpr int kDigitos[] = {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18};
    int v[14] = {};
    const int quantos = n == 10 ? 8 : n == 19 ? 14 : 0;
    bool lido = quantos > 0 && s[4] == '-' && s[7] == '-';
    for (int i = 0; i < quantos && lido; ++i) {
        v[i] = s[kDigitos[i]] - '0';
        lido = v[i] >= 0 && v[i] <= 9;
    }
    if (!lido) {
        return DataDoTexto(QString::fromUtf8(s, n));
    }
    const QDate d(v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3], v[4] * 10 + v[5], v[6] * 10 + v[7]);
    const QTime h(v[8] * 10 + v[9], v[10] * 10 + v[11], v[12] * 10 + v[13]);
    if (!d.isValid() || !h.isValid()) {
        return QString::fromUtf8(s, n);
    }
    return QDateTime(d, h, Qt::UTC);
}

struct TipoAdo {
    int tipo;
    int tamanho;
};

TipoAdo TipoAdoDeclarado(const QString& declarado) {
    const QString t = declarado.toUpper();
    const QString base = t.section(QLatin1Char('('), 0, 0).trimmed();
    int tamanho = 0;
    Catalogo::tipoDe(t, &tamanho);
    if (base == QLatin1String("NVARCHAR")) {
        return {adVarWChar, tamanho > 0 ? tamanho : 4000};
    }
    if (base == QLatin1String("NCHAR")) {
        return {adWChar, tamanho > 0 ? tamanho : 1};
    }
    if (base == QLatin1String("VARCHAR") || base == QLatin1String("CHAR")) {
        return {adVarChar, tamanho > 0 ? tamanho : 8000};
    }
    if (base == QLatin1String("NTEXT")) {
        return {adLongVarWChar, 1073741823};
    }
    if (base == QLatin1String("TEXT")) {
        return {adLongVarChar, 2147483647};
    }
    if (base == QLatin1String("INT") || base == QLatin1String("INTEGER")) {
        return {adInteger, 4};
    }
    if (base == QLatin1String("SMALLINT")) {
        return {adSmallInt, 2};
    }
    if (base == QLatin1String("TINYINT")) {
        return {adTinyInt, 1};
    }
    if (base == QLatin1String("BIGINT")) {
        return {adBigInt, 8};
    }
    if (base == QLatin1String("BIT")) {
        return {adBoolean, 2};
    }
    if (base == QLatin1String("SMALLDATETIME") || base == QLatin1String("DATETIME")) {
        return {adDBTimeStamp, 16};
    }
    if (base == QLatin1String("FLOAT")) {
        return {adDouble, 8};
    }
    if (base == QLatin1String("REAL")) {
        return {adSingle, 4};
    }
    if (base == QLatin1String("MONEY")) {
        return {adCurrency, 8};
    }
    if (base == QLatin1String("DECIMAL") || base == QLatin1String("NUMERIC")) {
        return {adNumeric, 19};
    }
    if (base == QLatin1String("IMAGE") || base == QLatin1String("VARBINARY") ||
        base == QLatin1String("BINARY")) {
        return {adVarBinary, tamanho > 0 ? tamanho : 2147483647};
    }
    return {adEmpty, 0};
}

// How one result column turns SQLite values into the record set's values.
enum class Leitura { Normal, Data, Logico, Inteiro64 };

}  // namespace

ComandoSqlite::~ComandoSqlite() {
    sqlite3_finalize(stmt);
}

MotorEmbutido::MotorEmbutido(const QString& connectionString)
    : m_connectionString(connectionString) {
    const CadeiaConexao cadeia(connectionString);
    m_arquivo = cadeia.Valor(QStringLiteral("Data Source"));
    const QString espera = cadeia.Valor(QStringLiteral("Busy Timeout"));
    if (!espera.isNull()) {
        bool ok = false;
        const int ms = espera.toInt(&ok);
        if (ok && ms >= 0) {
            m_esperaMs = ms;
        }
    }
}

MotorEmbutido::~MotorEmbutido() {
    fechar();
}

void MotorEmbutido::abrir() {
    if (m_arquivo.isEmpty()) {
        Falhar(
            ErroNaoEspecificado, kOrigem,
            QStringLiteral("a cadeia de conexão não indica o arquivo do cadastro (Data Source)"));
    }
    const QFileInfo info(m_arquivo);
    if (!info.exists() || !info.isFile()) {
        // Never create an empty register in place of a missing one. The administrator reads
        // this in the connection failure's detail: in Portuguese.
        Falhar(ErroNaoEspecificado, kOrigem,
               QStringLiteral("arquivo do cadastro não encontrado: %1").arg(m_arquivo));
    }
    sqlite3* db = nullptr;
    // One thread at a time uses a connection (the grouping's worker has its own), so SQLite's
    // lock around every call, a tenth of the time of a read, is left out.
    const int rc = sqlite3_open_v2(QFile::encodeName(m_arquivo).constData(), &db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, VfsDoRelogio());
    if (rc != SQLITE_OK) {
        const QString msg = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString();
        sqlite3_close_v2(db);
        Falhar(ErroNaoEspecificado, kOrigem,
               QStringLiteral("não foi possível abrir %1: %2").arg(m_arquivo, msg));
    }
    m_db = db;
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_handler(m_db, &MotorEmbutido::esperarBloqueio, this);
    // An unknown "name" must be an error, never a string literal.
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    RegistrarFuncoesTSql(m_db, &m_estado);
    try {
        executarInterno("PRAGMA foreign_keys = ON");
        // Reading the schema proves the file is a register (not some other file).
        executarInterno("SELECT count(*) FROM sqlite_master");
        if (sqlite3_prepare_v3(m_db, "PRAGMA schema_version", -1, SQLITE_PREPARE_PERSISTENT,
                               &m_versaoStmt, nullptr) != SQLITE_OK) {
            falhaSqlite(sqlite3_errcode(m_db), QStringLiteral("PRAGMA schema_version"));
        }
    } catch (...) {
        fechar();
        throw;
    }
}

void MotorEmbutido::interromper() {
    // SQLite allows this one call from another thread on an open handle.
    if (m_db) {
        sqlite3_interrupt(m_db);
    }
}

// SQLite's own busy timeout (the same growing naps, up to the same total), marking each nap so
// that a window can say what it waits for.
int MotorEmbutido::esperarBloqueio(void* motor, int vezes) {
    static constexpr int kNaps[] = {1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50, 100};
    static constexpr int kAntes[] = {0, 1, 3, 8, 18, 33, 53, 78, 103, 128, 178, 228};
    constexpr int n = int(std::size(kNaps));
    auto* m = static_cast<MotorEmbutido*>(motor);
    int nap = vezes < n ? kNaps[vezes] : kNaps[n - 1];
    const qint64 antes =
        vezes < n ? kAntes[vezes] : kAntes[n - 1] + qint64(kNaps[n - 1]) * (vezes - (n - 1));
    if (antes + nap > m->m_esperaMs) {
        nap = int(m->m_esperaMs - antes);
        if (nap <= 0) {
            return 0;
        }
    }
    if (m->espera) {
        m->espera->Marcar();
    }
    sqlite3_sleep(nap);
    return 1;
}

SituacaoGravacao MotorEmbutido::gravacao() {
    if (!m_db) {
        Falhar(ErroObjetoFechado, kOrigem, QStringLiteral("the register is closed"));
    }
    if (sqlite3_db_readonly(m_db, "main") == 1) {
        return {SituacaoGravacao::SomenteLeitura,
                QStringLiteral("o arquivo %1 só pode ser lido").arg(m_arquivo)};
    }
    if (!QFileInfo(QFileInfo(m_arquivo).absolutePath()).isWritable()) {
        return {SituacaoGravacao::SomenteLeitura,
                QStringLiteral("a pasta de %1 não permite gravar").arg(m_arquivo)};
    }
    if (!sqlite3_get_autocommit(m_db)) {
        return {};  // this connection is writing already
    }
    // The write lock taken and given back at once: nothing is written. Waiting a little lets a
    // merge of another workstation end first; a lock held longer is someone else's work.
    const int espera = std::exchange(m_esperaMs, std::min(m_esperaMs, 1000));
    const int rc = sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    const QString msg = QString::fromUtf8(sqlite3_errmsg(m_db));
    m_esperaMs = espera;
    if (rc == SQLITE_OK) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        return {};
    }
    switch (rc & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return {SituacaoGravacao::Bloqueado, msg};
        case SQLITE_READONLY:
        case SQLITE_CANTOPEN:
        case SQLITE_PERM:
            return {SituacaoGravacao::SomenteLeitura, msg};
        default:
            falhaSqlite(rc, QStringLiteral("BEGIN IMMEDIATE"));
    }
}

void MotorEmbutido::fechar() {
    if (!m_db) {
        return;
    }
    limparCache();  // its statements must go before the handle
    m_agrupador.reset();
    sqlite3_finalize(m_versaoStmt);
    m_versaoStmt = nullptr;
    sqlite3_close_v2(m_db);  // an open transaction is rolled back
    m_db = nullptr;
    m_catalogoValido = false;
    m_versaoEsquema = -1;
    m_estado.nivelTransacao = 0;
    m_estado.identidadeInsert.clear();
}

void MotorEmbutido::falhaSqlite(int rc, const QString& original, const ComandoTraduzido* c) {
    const QString msg =
        MascararValorEcoado(m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString(), original);
    const int estendido = m_db ? sqlite3_extended_errcode(m_db) : rc;
    const QString detalhe =
        QStringLiteral("SQLite %1: %2 | SQL: %3").arg(estendido).arg(msg, original);
    if (const auto m = mensagemServidor(estendido, msg, c)) {
        FalharServidor(kOrigem, *m, detalhe);
    }
    Falhar(NumeroAdoDoSqlite(rc, estendido, msg), kOrigem, detalhe);
}

// SQL Server's message for a failure: the dialect's own functions raise it in so many words
// ("Msg 8134, Level 16, State 1: ..."); SQLite's own failures that SQL Server shares are
// written as SQL Server writes them. Others (disk, I/O, an interrupted statement) have none.
std::optional<MensagemServidor> MotorEmbutido::mensagemServidor(int estendido, const QString& msg,
                                                                const ComandoTraduzido* c) {
    static const QRegularExpression propria(
        QStringLiteral(R"re(^Msg (\d+), Level (\d+), State (\d+): (.*)$)re"),
        QRegularExpression::DotMatchesEverythingOption);
    const auto m = propria.match(msg);
    if (m.hasMatch()) {
        return MensagemServidor{m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                                1, m.captured(4)};
    }
    const auto mensagem = [](qint32 numero, int nivel, int estado, const QString& texto) {
        return MensagemServidor{numero, nivel, estado, 1, texto};
    };
    const QString comando =
        c && !c->tabelaAlvo.isEmpty() ? QStringLiteral("INSERT") : QStringLiteral("UPDATE");
    // "UNIQUE constraint failed: T.a, T.b" and the like: the table and the columns.
    const QString alvo = msg.section(QLatin1String(": "), 1);
    const QString tabela = alvo.section(QLatin1Char('.'), 0, 0);
    switch (estendido) {
        case SQLITE_CONSTRAINT_NOTNULL:
            return mensagem(
                515, 16, 2,
                QStringLiteral("Cannot insert the value NULL into column '%1', table "
                               "'%2.dbo.%3'; column does not allow nulls. %4 fails.")
                    .arg(alvo.section(QLatin1Char('.'), 1), bancoPadrao(), tabela, comando));
        case SQLITE_CONSTRAINT_PRIMARYKEY: {
            const TabelaCatalogo* t = m_catalogoValido ? m_catalogo.tabela(tabela) : nullptr;
            const QString chave =
                t && !t->nomeChave.isEmpty() ? t->nomeChave : QStringLiteral("PK_") + tabela;
            return mensagem(
                2627, 14, 1,
                QStringLiteral("Violation of PRIMARY KEY constraint '%1'. Cannot insert "
                               "duplicate key in object 'dbo.%2'.")
                    .arg(chave, tabela));
        }
        case SQLITE_CONSTRAINT_UNIQUE:
            return mensagem(2601, 14, 1,
                            QStringLiteral("Cannot insert duplicate key row in object 'dbo.%1' "
                                           "with unique index '%2'.")
                                .arg(tabela, indiceUnico(tabela, alvo)));
        case SQLITE_CONSTRAINT_FOREIGNKEY:
            return mensagem(
                547, 16, 0,
                QStringLiteral("The %1 statement conflicted with the FOREIGN KEY "
                               "constraint.")
                    .arg(c && c->sql.contains(QLatin1String("DELETE")) ? QStringLiteral("DELETE")
                                                                       : comando));
        case SQLITE_CONSTRAINT_CHECK:
            if (alvo.startsWith(QLatin1String("cadunir_tamanho_"))) {
                return mensagem(8152, 16, 14,
                                QStringLiteral("String or binary data would be truncated."));
            }
            if (alvo.startsWith(QLatin1String("cadunir_data_"))) {
                return mensagem(241, 16, 1,
                                QStringLiteral("Conversion failed when converting date and/or "
                                               "time from character string."));
            }
            return mensagem(547, 16, 0,
                            QStringLiteral("The %1 statement conflicted with the CHECK "
                                           "constraint \"%2\".")
                                .arg(comando, alvo));
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return mensagem(1222, 16, 51, QStringLiteral("Lock request time out period exceeded."));
        case SQLITE_READONLY:
            return mensagem(3906, 16, 1,
                            QStringLiteral("Failed to update database \"%1\" because the database "
                                           "is read-only.")
                                .arg(bancoPadrao()));
        default:
            break;
    }
    if ((estendido & 0xFF) != SQLITE_ERROR) {
        return std::nullopt;
    }
    if (msg.startsWith(QLatin1String("no such table: ")) ||
        msg.startsWith(QLatin1String("no such view: "))) {
        return mensagem(208, 16, 1, QStringLiteral("Invalid object name '%1'.").arg(alvo));
    }
    if (msg.startsWith(QLatin1String("no such column: "))) {
        return mensagem(
            207, 16, 1,
            QStringLiteral("Invalid column name '%1'.").arg(alvo.section(QLatin1Char('.'), -1)));
    }
    static const QRegularExpression existe(
        QStringLiteral(R"re(^table "?(.*?)"? already exists$)re"));
    if (const auto x = existe.match(msg); x.hasMatch()) {
        return mensagem(2714, 16, 6,
                        QStringLiteral("There is already an object named '%1' in the database.")
                            .arg(x.captured(1)));
    }
    if (msg.contains(QLatin1String("parser stack overflow")) ||
        msg.contains(QLatin1String("Expression tree is too large"))) {
        return mensagem(191, 15, 1,
                        QStringLiteral("Some part of your SQL statement is nested too deeply. "
                                       "Rewrite the query or break it up into smaller queries."));
    }
    if (msg.contains(QLatin1String("integer overflow"))) {
        return mensagem(8115, 16, 2,
                        QStringLiteral("Arithmetic overflow error converting expression to data "
                                       "type bigint."));
    }
    return std::nullopt;
}

// The unique index of `tabela` over the columns SQLite names ("T.a, T.b"), for SQL Server's
// message about a duplicate key.
QString MotorEmbutido::indiceUnico(const QString& tabela, const QString& colunas) {
    QStringList procuradas;
    for (const QString& c : colunas.split(QStringLiteral(", "))) {
        procuradas << c.section(QLatin1Char('.'), -1);
    }
    ComandoSqlite indices;
    const QByteArray sql =
        ("SELECT il.name, group_concat(ii.name, ',') FROM pragma_index_list(?1) il, "
         "pragma_index_info(il.name) ii WHERE il.\"unique\" GROUP BY il.name");
    if (sqlite3_prepare_v2(m_db, sql.constData(), -1, &indices.stmt, nullptr) != SQLITE_OK) {
        return QString();
    }
    const QByteArray t = tabela.toUtf8();
    sqlite3_bind_text(indices.stmt, 1, t.constData(), t.size(), SQLITE_TRANSIENT);
    while (sqlite3_step(indices.stmt) == SQLITE_ROW) {
        if (TextoDaColuna(indices.stmt, 1) == procuradas.join(QLatin1Char(','))) {
            return TextoDaColuna(indices.stmt, 0);
        }
    }
    return QString();
}

void MotorEmbutido::executarInterno(const char* sql) {
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        falhaSqlite(rc, QString::fromUtf8(sql));
    }
}

// SQLite ends a transaction by itself after some failures (disk full, I/O error). Running on
// would commit each later statement alone; the caller's transaction must fail instead.
void MotorEmbutido::conferirTransacao() {
    if (m_estado.nivelTransacao > 0 && sqlite3_get_autocommit(m_db)) {
        Falhar(ErroNaoEspecificado, kOrigem,
               QStringLiteral("the transaction was rolled back by the database after a failure"));
    }
}

void MotorEmbutido::conferirEsquema() {
    if (!m_db) {
        Falhar(ErroObjetoFechado, kOrigem, QStringLiteral("the register is closed"));
    }
    const int rc = sqlite3_step(m_versaoStmt);
    if (rc != SQLITE_ROW) {
        sqlite3_reset(m_versaoStmt);
        falhaSqlite(rc, QStringLiteral("PRAGMA schema_version"));
    }
    const int versao = sqlite3_column_int(m_versaoStmt, 0);
    sqlite3_reset(m_versaoStmt);
    if (versao != m_versaoEsquema) {
        // Someone (this connection's DDL or another process) changed the schema.
        m_versaoEsquema = versao;
        m_catalogoValido = false;
        limparCache();
        if (m_agrupador) {
            m_agrupador->Esquecer();
        }
    }
}

void MotorEmbutido::carregarCatalogo() {
    m_catalogo.limpar();
    ComandoSqlite objetos;
    if (sqlite3_prepare_v2(m_db,
                           "SELECT type, name, sql FROM sqlite_master WHERE name NOT LIKE "
                           "'sqlite!_%' ESCAPE '!' ORDER BY rowid",
                           -1, &objetos.stmt, nullptr) != SQLITE_OK) {
        falhaSqlite(sqlite3_errcode(m_db), QStringLiteral("sqlite_master"));
    }
    static const QRegularExpression chave(
        QStringLiteral(R"re(CONSTRAINT "((?:[^"]|"")+)" PRIMARY KEY)re"));
    int rc;
    while ((rc = sqlite3_step(objetos.stmt)) == SQLITE_ROW) {
        const QString tipo = TextoDaColuna(objetos.stmt, 0);
        const QString nome = TextoDaColuna(objetos.stmt, 1);
        if (tipo == QLatin1String("index")) {
            m_catalogo.adicionarNome(nome);
            continue;
        }
        if (tipo != QLatin1String("table") && tipo != QLatin1String("view")) {
            continue;
        }
        TabelaCatalogo t;
        t.nome = nome;
        t.visao = tipo == QLatin1String("view");
        t.sql = TextoDaColuna(objetos.stmt, 2);
        const auto m = chave.match(t.sql);
        if (m.hasMatch()) {
            t.nomeChave = m.captured(1).replace(QStringLiteral("\"\""), QStringLiteral("\""));
        }
        const bool autoincremento =
            t.sql.contains(QLatin1String("AUTOINCREMENT"), Qt::CaseInsensitive);
        ComandoSqlite colunas;
        QString nomeSql = nome;
        nomeSql.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        const QByteArray pragma = ("PRAGMA table_info(\"" + nomeSql + "\")").toUtf8();
        if (sqlite3_prepare_v2(m_db, pragma.constData(), -1, &colunas.stmt, nullptr) != SQLITE_OK) {
            falhaSqlite(sqlite3_errcode(m_db), QString::fromUtf8(pragma));
        }
        while (sqlite3_step(colunas.stmt) == SQLITE_ROW) {
            ColunaCatalogo c;
            c.nome = TextoDaColuna(colunas.stmt, 1);
            c.tipoDeclarado = TextoDaColuna(colunas.stmt, 2).toUpper();
            c.notNull = sqlite3_column_int(colunas.stmt, 3) != 0;
            if (sqlite3_column_type(colunas.stmt, 4) != SQLITE_NULL) {
                c.padrao = TextoDaColuna(colunas.stmt, 4);
            }
            c.ordemChave = sqlite3_column_int(colunas.stmt, 5);
            c.identidade =
                autoincremento && c.ordemChave == 1 && c.tipoDeclarado == QLatin1String("INTEGER");
            c.tipo = Catalogo::tipoDe(c.tipoDeclarado, &c.tamanho);
            if (c.identidade) {
                c.notNull = true;
            }
            t.colunas.push_back(c);
        }
        m_catalogo.adicionar(std::move(t));
    }
    if (rc != SQLITE_DONE) {
        falhaSqlite(rc, QStringLiteral("sqlite_master"));
    }
    m_catalogoValido = true;
}

TraducaoGuardada::~TraducaoGuardada() {
    for (sqlite3_stmt* st : comandos) {
        sqlite3_finalize(st);
    }
}

namespace {

// The shape of a statement: its tokens with each literal (text, number, NULL) replaced by a
// mark. Appends the literals, with their kinds, to `literais`.
QString ChaveDaForma(const QVector<Token>& tokens, QVector<LiteralSql>& literais) {
    QString chave;
    chave.reserve(tokens.size() * 8);
    for (const Token& t : tokens) {
        if (t.tipo == Token::Texto || t.tipo == Token::Numero || t.ehPalavra("NULL")) {
            LiteralSql l;
            l.texto = t.texto;
            if (t.tipo == Token::Texto) {
                l.classe = t.nacional ? 'N' : 'T';
            } else if (t.tipo == Token::Nome) {
                l.tipo = LiteralSql::Nulo;
                l.classe = '0';
            } else {
                // The kinds the translation tells apart: int, wider integer, decimal, float.
                bool ok = false;
                if (!t.texto.contains(QLatin1Char('.')) && !t.texto.contains(QLatin1Char('e')) &&
                    !t.texto.contains(QLatin1Char('E'))) {
                    l.inteiro = t.texto.toLongLong(&ok);
                }
                if (ok) {
                    l.tipo = LiteralSql::Inteiro;
                    l.classe = l.inteiro <= INT32_MAX ? 'i' : 'g';
                } else {
                    l.tipo = LiteralSql::Real;
                    l.real = t.texto.toDouble();
                    l.classe = t.texto.contains(QLatin1Char('.')) ? 'd' : 'e';
                }
            }
            literais.push_back(l);
            chave += QLatin1Char('\x01');
        } else if (t.tipo == Token::NomeDelimitado) {
            // Its length first, so that no character inside it can pass for a separator.
            chave += QLatin1Char('[');
            chave += QString::number(t.texto.size());
            chave += QLatin1Char(':');
            chave += t.texto;
        } else {
            chave += t.texto;
        }
        chave += QLatin1Char('\x1f');
    }
    return chave;
}

}  // namespace

void MotorEmbutido::limparCache() {
    m_indiceCache.clear();
    m_cache.clear();
    m_bytesCache = 0;
}

MotorEmbutido::Preparo MotorEmbutido::preparar(const QString& sql) {
    Preparo p;
    QVector<Token> tokens = AnalisarLexico(sql);
    const QString chave = ChaveDaForma(tokens, p.literais);
    for (auto it = m_indiceCache.constFind(chave);
         it != m_indiceCache.constEnd() && it.key() == chave; ++it) {
        const auto& guardada = **it;
        const Traducao& t = *guardada->traducao;
        bool igual = true;
        for (int k = 0; k < t.literaisNoTexto.size() && igual; ++k) {
            const LiteralSql& l = p.literais[t.literaisNoTexto[k]];
            igual = l.classe == guardada->classes[k] &&
                    (l.tipo == LiteralSql::Nulo || l.texto == guardada->noTexto[k]);
        }
        const int n = t.literaisNoTexto.size();
        for (int k = 0; k < t.literaisComTipo.size() && igual; ++k) {
            igual = p.literais[t.literaisComTipo[k]].classe == guardada->classes[n + k];
        }
        if (igual) {
            m_cache.splice(m_cache.begin(), m_cache, *it);  // now the most recently used
            p.guardada = guardada;
            return p;
        }
    }
    if (!m_catalogoValido) {
        carregarCatalogo();
    }
    auto guardada = std::make_shared<TraducaoGuardada>();
    {
        const Arvore arvore = AnalisarTSql(sql, std::move(tokens));
        guardada->traducao =
            std::make_shared<const Traducao>(EscreverTSql(sql, arvore, m_catalogo, true));
        guardada->agrupamento = AgrupadorEmbutido::Reconhecer(arvore, m_catalogo);
    }
    const Traducao& t = *guardada->traducao;
    guardada->comandos.resize(t.comandos.size(), nullptr);
    // SQLite looks each numbered parameter up in a list of those before it: beyond a few
    // thousand the text with its literals written in prepares faster. Plain ones cost nothing.
    const int maximo = sqlite3_limit(m_db, SQLITE_LIMIT_VARIABLE_NUMBER, -1);
    bool guardar = !t.alteraEsquema;  // DDL runs once; it also empties the cache
    for (const auto& c : t.comandos) {
        if (c.parametros.size() > (c.parametrosSimples ? maximo : std::min(4096, maximo))) {
            // This one statement runs with its literals written in.
            guardada->traducao = std::make_shared<const Traducao>(TraduzirTSql(sql, m_catalogo));
            guardar = false;
            break;
        }
    }
    if (!guardar) {
        p.guardada = guardada;
        return p;
    }
    guardada->chave = chave;
    qsizetype bytes = 512 + chave.size() * 2;
    for (const int k : t.literaisNoTexto) {
        guardada->noTexto.push_back(p.literais[k].texto);
        guardada->classes.push_back(p.literais[k].classe);
        bytes += p.literais[k].texto.size() * 2 + 32;
    }
    for (const int k : t.literaisComTipo) {
        guardada->classes.push_back(p.literais[k].classe);
    }
    bytes += guardada->classes.size();
    for (const auto& c : t.comandos) {
        // The text, and about as much again for SQLite's prepared program.
        bytes += c.sql.size() * 6 + c.parametros.size() * 4 + 1024;
    }
    guardada->bytes = bytes;
    m_cache.push_front(guardada);
    m_indiceCache.insert(chave, m_cache.begin());
    m_bytesCache += bytes;
    while (m_bytesCache > kLimiteCache && m_cache.size() > 1) {
        const auto ultima = std::prev(m_cache.end());
        m_bytesCache -= (*ultima)->bytes;
        const QString& chaveUltima = (*ultima)->chave;
        for (auto it = m_indiceCache.find(chaveUltima);
             it != m_indiceCache.end() && it.key() == chaveUltima; ++it) {
            if (*it == ultima) {
                m_indiceCache.erase(it);
                break;
            }
        }
        m_cache.erase(ultima);
    }
    p.guardada = guardada;
    return p;
}

std::shared_ptr<const Traducao> MotorEmbutido::traducaoParametrizada(const QString& sql) {
    conferirEsquema();
    return preparar(sql).guardada->traducao;
}

namespace {

// `sql` with each parameter (?N, or the next plain ?) replaced by the literal it stands for,
// outside quotes.
QString ComLiterais(const QString& sql, const QVector<int>& parametros,
                    const QVector<LiteralSql>& literais) {
    QString r;
    r.reserve(sql.size() * 2);
    int seguinte = 0;
    for (qsizetype i = 0; i < sql.size();) {
        const QChar c = sql[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            qsizetype j = i + 1;
            while (j < sql.size() && !(sql[j] == c && (j + 1 >= sql.size() || sql[j + 1] != c))) {
                j += sql[j] == c ? 2 : 1;
            }
            r += QStringView(sql).mid(i, j + 1 - i);
            i = j + 1;
        } else if (c == QLatin1Char('?')) {
            qsizetype j = i + 1;
            while (j < sql.size() && sql[j].isDigit()) {
                ++j;
            }
            const int numero = j > i + 1 ? sql.mid(i + 1, j - i - 1).toInt() : ++seguinte;
            const LiteralSql& l = literais[parametros[numero - 1]];
            switch (l.tipo) {
                case LiteralSql::Texto:
                    r += QLatin1Char('\'') +
                         QString(l.texto).replace(QLatin1Char('\''), QStringLiteral("''")) +
                         QLatin1Char('\'');
                    break;
                case LiteralSql::Nulo:
                    r += QStringLiteral("NULL");
                    break;
                default:
                    r += l.texto;
                    break;
            }
            i = j;
        } else {
            r += c;
            ++i;
        }
    }
    return r;
}

}  // namespace

std::shared_ptr<const Traducao> MotorEmbutido::traduzir(const QString& sql) {
    conferirEsquema();
    const Preparo p = preparar(sql);
    bool temParametros = false;
    for (const auto& c : p.guardada->traducao->comandos) {
        temParametros = temParametros || !c.parametros.isEmpty();
    }
    if (!temParametros) {
        return p.guardada->traducao;
    }
    auto t = std::make_shared<Traducao>(*p.guardada->traducao);
    for (auto& c : t->comandos) {
        c.sql = ComLiterais(c.sql, c.parametros, p.literais);
        c.parametros.clear();
    }
    return t;
}

const Catalogo& MotorEmbutido::catalogo() {
    conferirEsquema();
    if (!m_catalogoValido) {
        carregarCatalogo();
    }
    return m_catalogo;
}

qint64 MotorEmbutido::rodar(const Preparo& p, int indice, const QString& original,
                            DadosConsulta* resultado,
                            const std::vector<AgrupadorEmbutido::Valor>* agrupado,
                            const LeitorLinhas* leitor) {
    try {
        return rodarComando(p, indice, original, resultado, agrupado, leitor);
    } catch (ErroNumerado& e) {
        if (e.Servidor()) {
            // The translation is shared by statements of one shape, whatever their layout:
            // the text sent says where the statement begins.
            const QVector<Token> tokens = AnalisarLexico(original);
            const int k = p.guardada->traducao->comandos[indice].tokenInicio;
            if (k >= 0 && k < tokens.size()) {
                e.DefinirLinha(LinhaDaPosicao(original, tokens[k].posicao));
            }
        }
        throw;
    }
}

qint64 MotorEmbutido::rodarComando(const Preparo& p, int indice, const QString& original,
                                   DadosConsulta* resultado,
                                   const std::vector<AgrupadorEmbutido::Valor>* agrupado,
                                   const LeitorLinhas* leitor) {
    const ComandoTraduzido& c = p.guardada->traducao->comandos[indice];
    if (c.tipo == ComandoTraduzido::Sessao) {
        rodarSessao(c);
        return 0;
    }
    conferirTransacao();
    if (c.identidadeNaTabela) {
        conferirIdentidade(c);
    }
    sqlite3_stmt*& preparado = p.guardada->comandos[indice];
    int rc = SQLITE_OK;
    if (!preparado) {
        const QByteArray sql = c.sql.toUtf8();
        // SQLite compares each constant it computes once with every earlier one: with
        // thousands of terms that optimisation is left out (the mask is read when preparing).
        constexpr int kCalcularConstantesUmaVez = 0x0008;  // SQLITE_FactorOutConst
        if (c.muitosTermos) {
            sqlite3_test_control(SQLITE_TESTCTRL_OPTIMIZATIONS, m_db, kCalcularConstantesUmaVez);
        }
        rc = sqlite3_prepare_v3(m_db, sql.constData(), sql.size(), SQLITE_PREPARE_PERSISTENT,
                                &preparado, nullptr);
        if (c.muitosTermos) {
            sqlite3_test_control(SQLITE_TESTCTRL_OPTIMIZATIONS, m_db, 0);
        }
        if (rc != SQLITE_OK) {
            sqlite3_finalize(preparado);
            preparado = nullptr;
            falhaSqlite(rc, original, &c);
        }
    }
    // Reset however this ends, so that a read statement holds no lock after it.
    struct Reinicio {
        sqlite3_stmt* st;
        ~Reinicio() {
            sqlite3_reset(st);
            sqlite3_clear_bindings(st);
        }
    } const reinicio{preparado};
    sqlite3_stmt* const st = preparado;
    for (int i = 0; i < c.parametros.size(); ++i) {
        const LiteralSql& l = p.literais[c.parametros[i]];
        switch (l.tipo) {
            case LiteralSql::Texto: {
                const QByteArray texto = l.texto.toUtf8();
                rc =
                    sqlite3_bind_text(st, i + 1, texto.constData(), texto.size(), SQLITE_TRANSIENT);
                break;
            }
            case LiteralSql::Inteiro:
                rc = sqlite3_bind_int64(st, i + 1, l.inteiro);
                break;
            case LiteralSql::Real:
                rc = sqlite3_bind_double(st, i + 1, l.real);
                break;
            case LiteralSql::Nulo:
                rc = sqlite3_bind_null(st, i + 1);
                break;
        }
        if (rc != SQLITE_OK) {
            falhaSqlite(rc, original, &c);
        }
    }
    // A packed result (see ComandoTraduzido::pacotes) has more columns than SQLite's.
    const bool empacotado = !c.pacotes.isEmpty();
    int ncol = resultado ? sqlite3_column_count(st) : 0;
    if (resultado && empacotado) {
        ncol = static_cast<int>(std::accumulate(c.pacotes.begin(), c.pacotes.end(), 0));
    }
    QVector<Leitura> leitura(ncol, Leitura::Normal);
    if (resultado) {
        if (!m_catalogoValido) {
            carregarCatalogo();
        }
        resultado->colunas.resize(ncol);
        for (int i = 0; i < ncol; ++i) {
            InfoColuna& ci = resultado->colunas[i];
            const bool nomeProprio = c.temNomes && i < c.nomes.size() && !c.nomes[i].isNull();
            ci.nome = nomeProprio ? c.nomes[i] : QString::fromUtf8(sqlite3_column_name(st, i));
            const char* declarado = empacotado ? nullptr : sqlite3_column_decltype(st, i);
            const char* tabela = empacotado ? nullptr : sqlite3_column_table_name(st, i);
            const char* origem = empacotado ? nullptr : sqlite3_column_origin_name(st, i);
            TipoAdo tipo{adEmpty, 0};
            if (declarado) {
                tipo = TipoAdoDeclarado(QString::fromUtf8(declarado));
            } else if (c.temNomes && i < c.tipos.size()) {
                switch (c.tipos[i]) {
                    case TipoSql::Texto:
                        tipo = {adVarWChar, 4000};
                        break;
                    case TipoSql::Data:
                        tipo = {adDBTimeStamp, 16};
                        break;
                    default:
                        break;
                }
            }
            ci.tipo = tipo.tipo;
            ci.tamanhoDefinido = tipo.tamanho;
            if (tipo.tipo == adDBTimeStamp) {
                leitura[i] = Leitura::Data;
            } else if (tipo.tipo == adBoolean) {
                leitura[i] = Leitura::Logico;
            } else if (tipo.tipo == adBigInt) {
                leitura[i] = Leitura::Inteiro64;
            }
            if (tabela && origem) {
                const TabelaCatalogo* t = m_catalogo.tabela(QString::fromUtf8(tabela));
                ci.tabelaBase = t ? t->nome : QString::fromUtf8(tabela);
                ci.colunaBase = QString::fromUtf8(origem);
                if (t) {
                    if (const ColunaCatalogo* cc = t->coluna(ci.colunaBase)) {
                        ci.chave = cc->ordemChave > 0;
                        ci.autoIncremento = cc->identidade;
                        ci.aceitaNulo = !cc->notNull;
                    }
                }
            }
        }
    }
    if (agrupado && resultado) {
        // The rows come from the grouping done in memory; the statement gave the columns.
        // Groups come in order, so a value is often the one above it: that one is shared.
        const AgrupadorEmbutido::Valor* acima = nullptr;
        resultado->linhas.reserve(qsizetype(agrupado->size() / size_t(std::max(ncol, 1))));
        for (size_t r = 0; ncol > 0 && r + ncol <= agrupado->size(); r += size_t(ncol)) {
            QVector<QVariant> linha(ncol);
            for (int i = 0; i < ncol; ++i) {
                const AgrupadorEmbutido::Valor& v = (*agrupado)[r + size_t(i)];
                if (!v.texto) {
                    continue;
                }
                const AgrupadorEmbutido::Valor* a = acima ? &acima[i] : nullptr;
                if (a && a->texto && a->tamanho == v.tamanho &&
                    (a->texto == v.texto ||
                     std::memcmp(a->texto, v.texto, size_t(v.tamanho)) == 0)) {
                    linha[i] = resultado->linhas.back()[i];
                } else if (leitura[i] == Leitura::Data) {
                    linha[i] = DataDosBytes(v.texto, v.tamanho);
                } else {
                    linha[i] = QString::fromUtf8(v.texto, v.tamanho);
                }
            }
            resultado->linhas.push_back(std::move(linha));
            acima = &(*agrupado)[r];
        }
        rc = SQLITE_DONE;
    }
    std::vector<ValorLido> lidos(leitor ? size_t(sqlite3_column_count(st)) : 0);
    // One SQLite value as the record set holds it.
    const auto valor = [&leitura](int i, int tipo, sqlite3_int64 inteiro, double real,
                                  const char* bytes, int n) -> QVariant {
        switch (tipo) {
            case SQLITE_NULL:
                return QVariant();
            case SQLITE_INTEGER:
                if (leitura[i] == Leitura::Logico) {
                    return inteiro != 0;
                }
                if (leitura[i] == Leitura::Inteiro64 || inteiro < INT32_MIN ||
                    inteiro > INT32_MAX) {
                    return static_cast<qint64>(inteiro);
                }
                return static_cast<int>(inteiro);
            case SQLITE_FLOAT:
                return real;
            case SQLITE_TEXT:
                return leitura[i] == Leitura::Data ? DataDosBytes(bytes, n)
                                                   : QVariant(QString::fromUtf8(bytes, n));
            default:
                return QByteArray(bytes, n);
        }
    };
    while (!agrupado && (rc = sqlite3_step(st)) == SQLITE_ROW) {
        if (leitor) {
            for (size_t i = 0; i < lidos.size(); ++i) {
                ValorLido& v = lidos[i];
                // The column's value asked for once: each sqlite3_column_* call checks the
                // statement and its memory again, and three of them a column were a sixth of
                // reading a million rows. The connection is one thread's (no mutex to hold).
                sqlite3_value* valor = sqlite3_column_value(st, int(i));
                switch (sqlite3_value_type(valor)) {
                    case SQLITE_NULL:
                        v.tipo = ValorLido::Nulo;
                        break;
                    case SQLITE_INTEGER:
                        v.tipo = ValorLido::Inteiro;
                        v.inteiro = sqlite3_value_int64(valor);
                        break;
                    case SQLITE_FLOAT:
                        v.tipo = ValorLido::Real;
                        v.real = sqlite3_value_double(valor);
                        break;
                    default:
                        v.tipo = ValorLido::Texto;
                        v.texto = reinterpret_cast<const char*>(sqlite3_value_text(valor));
                        v.bytes = sqlite3_value_bytes(valor);
                        break;
                }
            }
            if (!(*leitor)(lidos.data(), int(lidos.size()))) {
                rc = SQLITE_DONE;
                break;
            }
            continue;
        }
        if (!resultado) {
            continue;
        }
        QVector<QVariant> linha(ncol);
        if (empacotado) {
            int i = 0;
            for (int j = 0; j < c.pacotes.size(); ++j) {
                const char* p = static_cast<const char*>(sqlite3_column_blob(st, j));
                const char* const fim = p + sqlite3_column_bytes(st, j);
                for (int k = 0; k < c.pacotes[j] && p < fim; ++k, ++i) {
                    // kind byte, then 8 bytes of a number or a length and the bytes (FuncaoPacote)
                    const int tipo = *p++;
                    sqlite3_int64 inteiro = 0;
                    double real = 0;
                    qint32 n = 0;
                    if (tipo == SQLITE_INTEGER || tipo == SQLITE_FLOAT) {
                        std::memcpy(tipo == SQLITE_INTEGER ? static_cast<void*>(&inteiro) : &real,
                                    p, 8);
                        p += 8;
                    } else if (tipo != SQLITE_NULL) {
                        std::memcpy(&n, p, sizeof n);
                        p += sizeof n;
                    }
                    linha[i] = valor(i, tipo, inteiro, real, p, n);
                    p += n;
                }
            }
            resultado->linhas.push_back(std::move(linha));
            continue;
        }
        for (int i = 0; i < ncol; ++i) {
            const int tipo = sqlite3_column_type(st, i);
            const char* bytes = nullptr;
            int n = 0;
            if (tipo == SQLITE_TEXT || tipo == SQLITE_BLOB) {
                bytes = tipo == SQLITE_TEXT
                            ? reinterpret_cast<const char*>(sqlite3_column_text(st, i))
                            : static_cast<const char*>(sqlite3_column_blob(st, i));
                n = sqlite3_column_bytes(st, i);
            }
            linha[i] = valor(i, tipo, tipo == SQLITE_INTEGER ? sqlite3_column_int64(st, i) : 0,
                             tipo == SQLITE_FLOAT ? sqlite3_column_double(st, i) : 0, bytes, n);
        }
        resultado->linhas.push_back(std::move(linha));
    }
    if (rc != SQLITE_DONE) {
        falhaSqlite(rc, original, &c);
    }
    if (resultado) {
        // Expressions without a declared type take the type of their first value.
        for (int i = 0; i < ncol; ++i) {
            InfoColuna& ci = resultado->colunas[i];
            if (ci.tipo != adEmpty) {
                continue;
            }
            ci.tipo = adInteger;
            ci.tamanhoDefinido = 4;
            for (const auto& linha : resultado->linhas) {
                const QVariant& v = linha[i];
                if (v.isNull()) {
                    continue;
                }
                if (v.typeId() == QMetaType::QString) {
                    ci.tipo = adVarWChar;
                    ci.tamanhoDefinido = 4000;
                } else if (v.typeId() == QMetaType::Double) {
                    ci.tipo = adDouble;
                    ci.tamanhoDefinido = 8;
                } else if (v.typeId() == QMetaType::LongLong) {
                    ci.tipo = adBigInt;
                    ci.tamanhoDefinido = 8;
                }
                break;
            }
        }
    }
    if (c.tipo != ComandoTraduzido::Alteracao) {
        return 0;
    }
    const qint64 afetados = sqlite3_changes64(m_db);
    if (!c.tabelaAlvo.isEmpty() && afetados > 0) {
        if (!m_catalogoValido) {
            carregarCatalogo();
        }
        const TabelaCatalogo* t = m_catalogo.tabela(c.tabelaAlvo);
        // @@IDENTITY changes only with an insert into a table that has an identity column.
        if (t && t->identidade() >= 0) {
            m_estado.identidade = sqlite3_last_insert_rowid(m_db);
            m_estado.temIdentidade = true;
        }
    }
    return afetados;
}

namespace {

// A batch of several statements runs under a savepoint of ours, unless it opens or ends
// transactions itself: then it decides, as on SQL Server.
bool PedeSavepoint(const Traducao& t) {
    if (t.comandos.size() < 2) {
        return false;
    }
    return std::none_of(t.comandos.begin(), t.comandos.end(), [](const ComandoTraduzido& c) {
        return c.acao == ComandoTraduzido::Acao::IniciarTransacao ||
               c.acao == ComandoTraduzido::Acao::ConfirmarTransacao ||
               c.acao == ComandoTraduzido::Acao::DesfazerTransacao;
    });
}

}  // namespace

qint64 MotorEmbutido::executar(const QString& sql) {
    conferirEsquema();
    const Preparo p = preparar(sql);
    const Traducao* t = p.guardada->traducao.get();
    // A batch is one unit: all of it or none of it, whatever transaction holds it.
    const bool lote = PedeSavepoint(*t);
    if (lote) {
        conferirTransacao();
        executarInterno("SAVEPOINT cadunir_lote");
    }
    qint64 afetados = 0;
    try {
        for (int i = 0; i < t->comandos.size(); ++i) {
            const qint64 n = rodar(p, i, sql, nullptr);
            if (t->comandos[i].tipo == ComandoTraduzido::Alteracao) {
                afetados = n;
            }
        }
    } catch (...) {
        if (lote) {
            sqlite3_exec(m_db, "ROLLBACK TO cadunir_lote; RELEASE cadunir_lote", nullptr, nullptr,
                         nullptr);
        }
        throw;
    }
    if (lote) {
        executarInterno("RELEASE cadunir_lote");
    }
    return afetados;
}

ResultadoLote MotorEmbutido::executarLote(const QString& sql) {
    ResultadoLote lote;
    bool savepoint = false;
    try {
        conferirEsquema();
        const Preparo p = preparar(sql);  // a batch that does not translate runs nothing
        const Traducao* t = p.guardada->traducao.get();
        // Statement by statement, keeping what ran before a failure (as SQL Server does); the
        // savepoint only spares a commit per statement.
        if (PedeSavepoint(*t)) {
            conferirTransacao();
            executarInterno("SAVEPOINT cadunir_lote");
            savepoint = true;
        }
        for (int i = 0; i < t->comandos.size(); ++i) {
            const ComandoTraduzido::Tipo tipo = t->comandos[i].tipo;
            ResultadoComando r;
            r.temLinhas = tipo == ComandoTraduzido::Consulta;
            r.afetadas = rodar(p, i, sql, r.temLinhas ? &r.dados : nullptr);
            if (tipo == ComandoTraduzido::Consulta || tipo == ComandoTraduzido::Alteracao) {
                lote.resultados.push_back(std::move(r));
            }
        }
    } catch (const ErroNumerado& e) {
        lote.falha = e;
    }
    if (savepoint &&
        sqlite3_exec(m_db, "RELEASE cadunir_lote", nullptr, nullptr, nullptr) != SQLITE_OK) {
        // What ran could not be kept (SQLite dropped the transaction, or the commit failed):
        // nothing of the batch is left, and that is the failure to report.
        const int rc = sqlite3_errcode(m_db);
        sqlite3_exec(m_db, "ROLLBACK TO cadunir_lote; RELEASE cadunir_lote", nullptr, nullptr,
                     nullptr);
        lote.resultados.clear();
        if (!lote.falha) {
            try {
                falhaSqlite(rc, sql);
            } catch (const ErroNumerado& e) {
                lote.falha = e;
            }
        }
    }
    return lote;
}

// The duplicate search answered from memory when it has the shape for it (see
// AgrupadorEmbutido); false leaves the statement to SQLite.
bool MotorEmbutido::agrupar(const QString& sql, const Preparo& p, DadosConsulta& resultado) {
    const auto& pedido = p.guardada->agrupamento;
    if (!pedido) {
        return false;
    }
    if (!m_agrupador) {
        m_agrupador = std::make_unique<AgrupadorEmbutido>(m_db);
    }
    std::vector<AgrupadorEmbutido::Valor> valores;
    try {
        if (!m_agrupador->Agrupar(*pedido, valores)) {
            return false;
        }
    } catch (const AgrupadorEmbutido::FalhaSqlite& f) {
        m_agrupador->Esquecer();
        falhaSqlite(f.rc, sql);
    }
    rodar(p, 0, sql, &resultado, &valores);
    return true;
}

DadosConsulta MotorEmbutido::consultar(const QString& sql) {
    conferirEsquema();
    const Preparo p = preparar(sql);
    const Traducao* t = p.guardada->traducao.get();
    DadosConsulta resultado;
    if (t->comandos.size() == 1 && t->comandos[0].tipo == ComandoTraduzido::Consulta &&
        agrupar(sql, p, resultado)) {
        return resultado;
    }
    bool lido = false;
    for (int i = 0; i < t->comandos.size(); ++i) {
        if (!lido && t->comandos[i].tipo == ComandoTraduzido::Consulta) {
            rodar(p, i, sql, &resultado);
            lido = true;
        } else {
            rodar(p, i, sql, nullptr);
        }
    }
    return resultado;
}

void MotorEmbutido::percorrer(const QString& sql, const LeitorLinhas& leitor) {
    conferirEsquema();
    const Preparo p = preparar(sql);
    const Traducao* t = p.guardada->traducao.get();
    bool lido = false;
    for (int i = 0; i < t->comandos.size(); ++i) {
        if (!lido && t->comandos[i].tipo == ComandoTraduzido::Consulta) {
            rodar(p, i, sql, nullptr, nullptr, &leitor);
            lido = true;
        } else {
            rodar(p, i, sql, nullptr);
        }
    }
}

void MotorEmbutido::rodarSessao(const ComandoTraduzido& c) {
    using Acao = ComandoTraduzido::Acao;
    switch (c.acao) {
        case Acao::IniciarTransacao:
            iniciarNivel();
            break;
        case Acao::ConfirmarTransacao:
            confirmarNivel(true);
            break;
        case Acao::DesfazerTransacao:
            if (!c.nomeTransacao.isEmpty() && m_estado.nivelTransacao > 0 &&
                Catalogo::dobrar(c.nomeTransacao) != Catalogo::dobrar(m_nomeTransacao)) {
                // Only the outermost transaction's name may be rolled back (no savepoints).
                FalharServidor(kOrigem,
                               {6401, 16, 1, 1,
                                QStringLiteral("Cannot roll back %1. No transaction or savepoint "
                                               "of that name was found.")
                                    .arg(c.nomeTransacao)});
            }
            desfazerNiveis(true);
            break;
        case Acao::LigarIdentidade:
            if (!m_estado.identidadeInsert.isEmpty() &&
                Catalogo::dobrar(m_estado.identidadeInsert) != Catalogo::dobrar(c.tabelaAlvo)) {
                FalharServidor(
                    kOrigem,
                    {8107, 16, 1, 1,
                     QStringLiteral("IDENTITY_INSERT is already ON for table "
                                    "'%1.dbo.%2'. Cannot perform SET operation for table '%3'.")
                         .arg(bancoPadrao(), m_estado.identidadeInsert, c.tabelaAlvo)});
            }
            m_estado.identidadeInsert = c.tabelaAlvo;
            break;
        case Acao::DesligarIdentidade:
            if (Catalogo::dobrar(m_estado.identidadeInsert) == Catalogo::dobrar(c.tabelaAlvo)) {
                m_estado.identidadeInsert.clear();
            }
            break;
        case Acao::Nenhuma:
            break;
    }
    if (c.acao == Acao::IniciarTransacao && m_estado.nivelTransacao == 1) {
        m_nomeTransacao = c.nomeTransacao;
    }
}

// An explicit identity value only under IDENTITY_INSERT ON for that table, and then always.
void MotorEmbutido::conferirIdentidade(const ComandoTraduzido& c) {
    const bool ligada =
        !m_estado.identidadeInsert.isEmpty() &&
        Catalogo::dobrar(m_estado.identidadeInsert) == Catalogo::dobrar(c.tabelaAlvo);
    if (c.identidadeExplicita && !ligada) {
        FalharServidor(kOrigem,
                       {544, 16, 1, 1,
                        QStringLiteral("Cannot insert explicit value for identity column in table "
                                       "'%1' when IDENTITY_INSERT is set to OFF.")
                            .arg(c.tabelaAlvo)});
    }
    if (ligada && !c.identidadeExplicita) {
        FalharServidor(
            kOrigem,
            {545, 16, 1, 1,
             QStringLiteral("Explicit value must be specified for identity column in "
                            "table '%1' either when IDENTITY_INSERT is set to ON or when a "
                            "replication user is inserting into a NOT FOR REPLICATION "
                            "identity column.")
                 .arg(c.tabelaAlvo)});
    }
}

void MotorEmbutido::iniciarNivel() {
    if (!m_db) {
        Falhar(ErroObjetoFechado, kOrigem, QStringLiteral("the register is closed"));
    }
    if (m_estado.nivelTransacao == 0) {
        if (!sqlite3_get_autocommit(m_db)) {
            Falhar(ErroTransacaoExiste, kOrigem, QStringLiteral("BEGIN inside a transaction"));
        }
        // IMMEDIATE takes the write lock now, so a busy register is waited for here and a
        // transaction never dies half-way on a lock upgrade.
        executarInterno("BEGIN IMMEDIATE");
    } else {
        conferirTransacao();
    }
    ++m_estado.nivelTransacao;
}

void MotorEmbutido::confirmarNivel(bool pedidoEmSql) {
    if (!m_db || m_estado.nivelTransacao == 0) {
        if (pedidoEmSql) {
            FalharServidor(kOrigem,
                           {3902, 16, 1, 1,
                            QStringLiteral("The COMMIT TRANSACTION request has no corresponding "
                                           "BEGIN TRANSACTION.")});
        }
        Falhar(ErroSemTransacao, kOrigem, QStringLiteral("COMMIT without a transaction"));
    }
    if (sqlite3_get_autocommit(m_db)) {
        // SQLite already rolled it back after a failure: nothing is left to commit.
        m_estado.nivelTransacao = 0;
        Falhar(ErroNaoEspecificado, kOrigem,
               QStringLiteral("the transaction was rolled back by the database after a failure"));
    }
    if (m_estado.nivelTransacao == 1) {
        executarInterno("COMMIT");  // a failed commit keeps the level, as the transaction stays
    }
    --m_estado.nivelTransacao;
}

void MotorEmbutido::desfazerNiveis(bool pedidoEmSql) {
    if (!m_db || m_estado.nivelTransacao == 0) {
        if (pedidoEmSql) {
            FalharServidor(kOrigem, {3903, 16, 1, 1,
                                     QStringLiteral("The ROLLBACK TRANSACTION request has no "
                                                    "corresponding BEGIN TRANSACTION.")});
        }
        Falhar(ErroSemTransacao, kOrigem, QStringLiteral("ROLLBACK without a transaction"));
    }
    m_estado.nivelTransacao = 0;
    if (!sqlite3_get_autocommit(m_db)) {
        executarInterno("ROLLBACK");
    }
}

void MotorEmbutido::iniciar() {
    iniciarNivel();
}

void MotorEmbutido::confirmar() {
    confirmarNivel(false);
}

void MotorEmbutido::desfazer() {
    desfazerNiveis(false);
}

QString MotorEmbutido::bancoPadrao() const {
    return QFileInfo(m_arquivo).completeBaseName();
}

QVariant MotorEmbutido::propriedade(const QString& nome) const {
    const CadeiaConexao cadeia(m_connectionString);
    if (nome.compare(QLatin1String("Data Source"), Qt::CaseInsensitive) == 0) {
        return m_arquivo;
    }
    if (nome.compare(QLatin1String("Provider"), Qt::CaseInsensitive) == 0) {
        return QStringLiteral("SQLite");
    }
    if (nome.compare(QLatin1String("User ID"), Qt::CaseInsensitive) == 0) {
        const QString v = cadeia.Valor(QStringLiteral("User ID"));
        return v.isNull() ? QVariant(QStringLiteral("")) : QVariant(v);
    }
    if (nome.compare(QLatin1String("Password"), Qt::CaseInsensitive) == 0) {
        const QString v = cadeia.Valor(QStringLiteral("Password"));
        return v.isNull() ? QVariant(QStringLiteral("")) : QVariant(v);
    }
    const QString v = cadeia.Valor(nome);
    return v.isNull() ? QVariant() : QVariant(v);
}

bool CriarRegistroVazio(const QString& caminho, QString* erro) {
    if (QFileInfo::exists(caminho)) {
        if (erro) {
            *erro = QStringLiteral("o arquivo já existe: %1").arg(caminho);
        }
        return false;
    }
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(caminho).constData(), &db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc == SQLITE_OK) {
        // Writes the header, so that the file is a register and not an empty file.
        rc = sqlite3_exec(db, "PRAGMA user_version = 1", nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK && erro) {
        *erro = QString::fromUtf8(db ? sqlite3_errmsg(db) : "sqlite3_open_v2");
    }
    sqlite3_close_v2(db);
    return rc == SQLITE_OK;
}

}  // namespace dados
