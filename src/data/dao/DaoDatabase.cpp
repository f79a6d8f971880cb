#include "data/dao/DaoDatabase.h"

#include <sqlite3.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

#include "data/base/EnumsADO.h"
#include "data/base/ErroNumerado.h"
#include "data/base/TabelaErros.h"
#include "data/dao/DaoSqlite.h"
#include "data/odbc/MotorOdbc.h"

using namespace daosqlite;

namespace {

const char* const kOrigem = "DAO.Database";

// The catalogue lives in the file beside the local tables, hidden from TableDefs.
const char* const kCatalogo =
    "CREATE TABLE IF NOT EXISTS MSysTableDefs (Name TEXT NOT NULL PRIMARY KEY, "
    "Connect TEXT NOT NULL, SourceTableName TEXT NOT NULL, Attributes INTEGER NOT NULL);"
    "CREATE TABLE IF NOT EXISTS MSysFields (TableName TEXT NOT NULL, "
    "OrdinalPosition INTEGER NOT NULL, Name TEXT NOT NULL, Type INTEGER NOT NULL, "
    "Size INTEGER NOT NULL, Attributes INTEGER NOT NULL, "
    "PRIMARY KEY (TableName, OrdinalPosition));"
    "CREATE TABLE IF NOT EXISTS MSysQueries (Name TEXT NOT NULL PRIMARY KEY, "
    "SQL TEXT NOT NULL, Connect TEXT NOT NULL, ReturnsRecords INTEGER NOT NULL);";

bool mesmoNome(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool tabelaDoCatalogo(const QString& nome) {
    return mesmoNome(nome, "MSysTableDefs") || mesmoNome(nome, "MSysFields") ||
           mesmoNome(nome, "MSysQueries");
}

// The size DAO gives a field of a fixed-size type; 0 for the types sized by their column.
int tamanhoFixo(int tipoDao) {
    switch (tipoDao) {
        case dbBoolean:
        case dbByte:
            return 1;
        case dbInteger:
            return 2;
        case dbLong:
        case dbSingle:
            return 4;
        case dbBigInt:
        case dbCurrency:
        case dbDouble:
        case dbDate:
            return 8;
        case dbGUID:
            return 16;
        case dbDecimal:
            return 17;
        default:
            return 0;
    }
}

bool tamanhoVariavel(int tipoDao) {
    return tipoDao == dbText || tipoDao == dbBinary;
}

// The DAO type of a local column, from the type name it was declared with (Access's own
// names and the usual SQL ones), and its size.
DaoField campoDeclarado(const QString& nome, const QString& declarado) {
    static const QRegularExpression forma(R"(^\s*([A-Za-z_ ]*?)\s*(?:\(\s*(\d+)[^)]*\))?\s*$)");
    const auto m = forma.match(declarado);
    const QString tipo = m.hasMatch() ? m.captured(1).toUpper() : declarado.toUpper();
    const int tamanho = m.hasMatch() ? m.captured(2).toInt() : 0;
    static const std::pair<const char*, int> tipos[] = {
        {"BIT", dbBoolean},        {"BOOLEAN", dbBoolean},
        {"YESNO", dbBoolean},      {"BYTE", dbByte},
        {"TINYINT", dbByte},       {"SHORT", dbInteger},
        {"SMALLINT", dbInteger},   {"LONG", dbLong},
        {"INT", dbLong},           {"INTEGER", dbLong},
        {"COUNTER", dbLong},       {"AUTOINCREMENT", dbLong},
        {"BIGINT", dbBigInt},      {"CURRENCY", dbCurrency},
        {"MONEY", dbCurrency},     {"SINGLE", dbSingle},
        {"REAL", dbSingle},        {"DOUBLE", dbDouble},
        {"FLOAT", dbDouble},       {"NUMBER", dbDouble},
        {"DATETIME", dbDate},      {"DATE", dbDate},
        {"TIME", dbDate},          {"TIMESTAMP", dbDate},
        {"SMALLDATETIME", dbDate}, {"MEMO", dbMemo},
        {"LONGTEXT", dbMemo},      {"NTEXT", dbMemo},
        {"CLOB", dbMemo},          {"BINARY", dbBinary},
        {"VARBINARY", dbBinary},   {"LONGBINARY", dbLongBinary},
        {"BLOB", dbLongBinary},    {"IMAGE", dbLongBinary},
        {"GUID", dbGUID},          {"UNIQUEIDENTIFIER", dbGUID},
        {"DECIMAL", dbDecimal},    {"NUMERIC", dbDecimal},
    };
    DaoField campo{nome, dbText, 0, 0};
    for (const auto& [nomeTipo, dao] : tipos) {
        if (tipo == QLatin1String(nomeTipo)) {
            campo.Type = dao;
            break;
        }
    }
    campo.Size =
        tamanhoVariavel(campo.Type) ? (tamanho > 0 ? tamanho : 255) : tamanhoFixo(campo.Type);
    return campo;
}

QString tipoDeclarado(const DaoField& f) {
    switch (f.Type) {
        case dbBoolean:
            return "BIT";
        case dbByte:
            return "BYTE";
        case dbInteger:
            return "SMALLINT";
        case dbLong:
            return (f.Attributes & dbAutoIncrField) ? "INTEGER PRIMARY KEY AUTOINCREMENT"
                                                    : "INTEGER";
        case dbBigInt:
            return "BIGINT";
        case dbCurrency:
            return "CURRENCY";
        case dbSingle:
            return "REAL";
        case dbDouble:
            return "DOUBLE";
        case dbDate:
            return "DATETIME";
        case dbText:
            return QString("VARCHAR(%1)").arg(f.Size > 0 ? f.Size : 255);
        case dbMemo:
            return "MEMO";
        case dbBinary:
            return QString("BINARY(%1)").arg(f.Size > 0 ? f.Size : 255);
        case dbLongBinary:
            return "LONGBINARY";
        case dbGUID:
            return "GUID";
        case dbDecimal:
            return "DECIMAL";
        default:
            LancarErroDao(daoArgumentoInvalido, kOrigem,
                          QString("tipo de campo %1 desconhecido (%2)").arg(f.Type).arg(f.Name));
    }
}

// The DAO type of a column that an ODBC source reports with its ADO type.
DaoField campoOdbc(const dados::InfoColuna& c) {
    DaoField f{c.nome, dbText, c.tamanhoDefinido, c.autoIncremento ? dbAutoIncrField : 0};
    switch (c.tipo) {
        case adBoolean:
            f.Type = dbBoolean;
            break;
        case adTinyInt:
            f.Type = dbByte;
            break;
        case adSmallInt:
            f.Type = dbInteger;
            break;
        case adInteger:
            f.Type = dbLong;
            break;
        case adBigInt:
            f.Type = dbBigInt;
            break;
        case adCurrency:
            f.Type = dbCurrency;
            break;
        case adSingle:
            f.Type = dbSingle;
            break;
        case adDouble:
            f.Type = dbDouble;
            break;
        case adDate:
        case adDBTimeStamp:
            f.Type = dbDate;
            break;
        case adDecimal:
        case adNumeric:
            f.Type = dbDecimal;
            break;
        case adBinary:
        case adVarBinary:
            f.Type = c.tamanhoDefinido > 0 && c.tamanhoDefinido <= 255 ? dbBinary : dbLongBinary;
            break;
        case adLongVarChar:
        case adLongVarWChar:
            f.Type = dbMemo;
            break;
        default:  // the character types
            f.Type = c.tamanhoDefinido > 0 && c.tamanhoDefinido <= 255 ? dbText : dbMemo;
            break;
    }
    if (!tamanhoVariavel(f.Type)) {
        f.Size = tamanhoFixo(f.Type);
    }
    return f;
}

// "[dbo].[Paciente]" for "dbo.Paciente": each part of a server name bracketed.
QString nomeServidor(const QString& nome) {
    QStringList partes = nome.split('.');
    for (QString& p : partes) {
        p = "[" + QString(p).replace("]", "]]") + "]";
    }
    return partes.join('.');
}

// DAO's rule for object names: 1 to 64 characters, no leading blank, no control characters
// and none of . ! ` [ ].
bool nomeValido(const QString& nome) {
    if (nome.isEmpty() || nome.size() > 64 || nome.front() == ' ') {
        return false;
    }
    return std::none_of(nome.begin(), nome.end(), [](QChar c) {
        return c.unicode() < 32 || QStringLiteral(".!`[]").contains(c);
    });
}

QString odbcDoConnect(const QString& connect) {
    if (!connect.startsWith("ODBC;", Qt::CaseInsensitive)) {
        LancarErroDao(daoIsamNaoEncontrado, kOrigem, "conexão não ODBC: " + connect);
    }
    return connect.mid(5);
}

// Opens the ODBC source of a connect string; 3151 when it cannot be reached.
std::unique_ptr<dados::Motor> abrirOdbc(const QString& connect) {
    const QString odbc = odbcDoConnect(connect);
    try {
        auto engine = dados::CriarMotorOdbc(odbc);
        engine->abrir();
        return engine;
    } catch (const ErroNumerado& e) {
        LancarErroDao(daoFalhaConexaoOdbc, kOrigem,
                      QString("%1 - %2").arg(e.Number()).arg(e.Description()));
    }
}

}  // namespace

bool QueryDef::PassThrough() const {
    return Connect.startsWith("ODBC;", Qt::CaseInsensitive);
}

// ---------------------------------------------------------------------------------------------
// Collections

template <>
const QVector<TableDef>& DaoColecao<TableDef>::itens(bool verificar) const {
    m_db.carregar(verificar);
    return m_db.m_tabelas;
}

template <>
const QVector<QueryDef>& DaoColecao<QueryDef>::itens(bool verificar) const {
    m_db.carregar(verificar);
    return m_db.m_consultas;
}

template <typename T>
int DaoColecao<T>::Count() const {
    return itens().size();
}

template <typename T>
const T& DaoColecao<T>::Item(int index) const {
    const QVector<T>& v = itens(false);
    if (index < 0 || index >= v.size()) {
        LancarErroDao(daoItemNaoEncontrado, kOrigem, QString("índice %1").arg(index));
    }
    return v[index];
}

template <typename T>
const T& DaoColecao<T>::Item(const QString& name) const {
    for (const T& item : itens()) {
        if (mesmoNome(item.Name, name)) {
            return item;
        }
    }
    LancarErroDao(daoItemNaoEncontrado, kOrigem, "nome " + name);
}

template <typename T>
bool DaoColecao<T>::Existe(const QString& name) const {
    const QVector<T>& v = itens();
    return std::any_of(v.begin(), v.end(), [&](const T& i) { return mesmoNome(i.Name, name); });
}

template <typename T>
void DaoColecao<T>::Append(const T& item) {
    m_db.anexar(item);
}

template <typename T>
void DaoColecao<T>::Delete(const QString& name) {
    const T item = Item(name);
    m_db.remover(item);
}

template <typename T>
void DaoColecao<T>::Refresh() {
    m_db.invalidar();
}

template class DaoColecao<TableDef>;
template class DaoColecao<QueryDef>;

// ---------------------------------------------------------------------------------------------
// Opening and closing

struct DaoDatabase::Arquivo {
    Conexao cn;
};

DaoDatabase::DaoDatabase() = default;
DaoDatabase::~DaoDatabase() = default;

void DaoDatabase::Open(const QString& path) {
    abrir(path, false);
}

void DaoDatabase::Create(const QString& path) {
    abrir(path, true);
}

void DaoDatabase::abrir(const QString& path, bool criar) {
    Close();
    auto arquivo = std::make_shared<Arquivo>();
    arquivo->cn = AbrirArquivo(path, criar, kOrigem);
    try {
        if (!arquivo->cn.somenteLeitura) {
            Transacao(arquivo->cn, kOrigem,
                      [&] { ExecutarTexto(arquivo->cn, kCatalogo, kOrigem); });
        }
    } catch (const ErroNumerado&) {
        if (criar) {
            arquivo.reset();
            QFile::remove(path);  // a new file without its catalogue is no database
        }
        throw;
    }
    m_arquivo = std::move(arquivo);
    m_path = path;
    invalidar();
}

void DaoDatabase::Close() {
    m_arquivo.reset();
    m_path.clear();
    m_tabelas.clear();
    m_consultas.clear();
    invalidar();
}

bool DaoDatabase::IsOpen() const {
    return m_arquivo != nullptr;
}

void DaoDatabase::exigirAberto() const {
    if (!m_arquivo) {
        LancarErroDao(daoObjetoInvalido, kOrigem, "banco de dados fechado");
    }
}

int DaoDatabase::AdicionarObservador(Observador observer) {
    m_observadores[m_proximoObservador] = std::move(observer);
    return m_proximoObservador++;
}

void DaoDatabase::RemoverObservador(int id) {
    m_observadores.erase(id);
}

void DaoDatabase::notificar(const QString& connect, const QString& sql) {
    for (const auto& [id, observer] : m_observadores) {
        observer(DaoEvento{connect, sql});
    }
}

// ---------------------------------------------------------------------------------------------
// The catalogue

void DaoDatabase::carregar(bool verificar) {
    exigirAberto();
    if (!verificar && m_versao != -1) {
        return;
    }
    sqlite3* db = m_arquivo->cn.db;
    // schema_version moves with every DDL, data_version with every commit of another
    // connection; our own catalogue writes call invalidar().
    const qint64 versao = (ValorUnico(db, "PRAGMA schema_version", kOrigem).toLongLong() << 32) ^
                          ValorUnico(db, "PRAGMA data_version", kOrigem).toLongLong();
    if (versao == m_versao) {
        return;
    }
    QVector<TableDef> tabelas;
    QVector<QueryDef> consultas;
    {
        Comando locais(db,
                       "SELECT name FROM sqlite_master WHERE type = 'table' AND "
                       "name NOT LIKE 'sqlite\\_%' ESCAPE '\\'",
                       kOrigem);
        while (locais.Passo()) {
            const QString nome = locais.Coluna(0).toString();
            if (!tabelaDoCatalogo(nome)) {
                tabelas.push_back(TableDef{nome, {}, {}, 0, {}});
            }
        }
    }
    for (TableDef& td : tabelas) {
        Comando info(db, "PRAGMA table_info(" + Identificador(td.Name) + ")", kOrigem);
        int chaves = 0;
        int chaveInteira = -1;
        while (info.Passo()) {
            td.Fields.push_back(
                campoDeclarado(info.Coluna(1).toString(), info.Coluna(2).toString()));
            if (info.Coluna(5).toInt() > 0) {
                ++chaves;
                if (info.Coluna(2).toString().compare("INTEGER", Qt::CaseInsensitive) == 0) {
                    chaveInteira = td.Fields.size() - 1;
                }
            }
        }
        // An INTEGER PRIMARY KEY alone is SQLite's rowid: numbered by the engine on insert.
        if (chaves == 1 && chaveInteira >= 0) {
            td.Fields[chaveInteira].Attributes |= dbAutoIncrField;
        }
    }
    if (ExisteTabela(db, "MSysTableDefs", kOrigem)) {
        Comando links(db, "SELECT Name, Connect, SourceTableName, Attributes FROM MSysTableDefs",
                      kOrigem);
        while (links.Passo()) {
            TableDef td{links.Coluna(0).toString(),
                        links.Coluna(1).toString(),
                        links.Coluna(2).toString(),
                        links.Coluna(3).toInt(),
                        {}};
            Comando campos(db,
                           "SELECT Name, Type, Size, Attributes FROM MSysFields "
                           "WHERE TableName = ?1 ORDER BY OrdinalPosition",
                           kOrigem);
            campos.Ligar({td.Name});
            while (campos.Passo()) {
                td.Fields.push_back(DaoField{campos.Coluna(0).toString(), campos.Coluna(1).toInt(),
                                             campos.Coluna(2).toInt(), campos.Coluna(3).toInt()});
            }
            tabelas.push_back(td);
        }
    }
    if (ExisteTabela(db, "MSysQueries", kOrigem)) {
        Comando q(db, "SELECT Name, SQL, Connect, ReturnsRecords FROM MSysQueries", kOrigem);
        while (q.Passo()) {
            consultas.push_back(QueryDef{q.Coluna(0).toString(), q.Coluna(1).toString(),
                                         q.Coluna(2).toString(), q.Coluna(3).toInt() != 0});
        }
    }
    const auto porNome = [](const auto& a, const auto& b) {
        return a.Name.toUpper() < b.Name.toUpper();
    };
    std::stable_sort(tabelas.begin(), tabelas.end(), porNome);
    std::stable_sort(consultas.begin(), consultas.end(), porNome);
    m_tabelas = std::move(tabelas);
    m_consultas = std::move(consultas);
    m_versao = versao;
}

void DaoDatabase::validarNovoNome(const QString& name) {
    if (!nomeValido(name) || tabelaDoCatalogo(name)) {
        LancarErroDao(daoNomeInvalido, kOrigem, "nome \"" + name + "\"");
    }
    if (m_tableDefs.Existe(name)) {
        LancarErroDao(daoTabelaExiste, kOrigem, "tabela " + name);
    }
    if (m_queryDefs.Existe(name)) {
        LancarErroDao(daoObjetoExiste, kOrigem, "consulta " + name);
    }
}

void DaoDatabase::anexar(const TableDef& td) {
    exigirAberto();
    validarNovoNome(td.Name);
    Conexao& cn = m_arquivo->cn;
    if (td.Linkada() || !td.Connect.isEmpty()) {
        if (td.SourceTableName.isEmpty()) {
            LancarErroDao(daoArgumentoInvalido, kOrigem, "link sem tabela de origem: " + td.Name);
        }
        const QVector<DaoField> campos = td.Fields.isEmpty() ? camposDaOrigem(td) : td.Fields;
        Transacao(cn, kOrigem, [&] {
            Executar(cn,
                     "INSERT INTO MSysTableDefs (Name, Connect, SourceTableName, Attributes) "
                     "VALUES (?1, ?2, ?3, ?4)",
                     {td.Name, td.Connect, td.SourceTableName, td.Attributes | dbAttachedODBC},
                     kOrigem);
            for (int i = 0; i < campos.size(); ++i) {
                const DaoField& f = campos[i];
                Executar(cn,
                         "INSERT INTO MSysFields (TableName, OrdinalPosition, Name, Type, Size, "
                         "Attributes) VALUES (?1, ?2, ?3, ?4, ?5, ?6)",
                         {td.Name, i, f.Name, f.Type, f.Size, f.Attributes}, kOrigem);
            }
        });
    } else {
        if (td.Fields.isEmpty()) {
            LancarErroDao(daoSemCampos, kOrigem, "tabela " + td.Name);
        }
        QStringList colunas;
        for (const DaoField& f : td.Fields) {
            if (!nomeValido(f.Name) || ((f.Attributes & dbAutoIncrField) && f.Type != dbLong)) {
                LancarErroDao(daoNomeInvalido, kOrigem, "campo \"" + f.Name + "\"");
            }
            colunas << Identificador(f.Name) + " " + tipoDeclarado(f);
        }
        const QString ddl =
            "CREATE TABLE " + Identificador(td.Name) + " (" + colunas.join(", ") + ")";
        notificar(QString(), ddl);
        Transacao(cn, kOrigem, [&] { Executar(cn, ddl, {}, kOrigem); });
    }
    invalidar();
}

void DaoDatabase::remover(const TableDef& td) {
    exigirAberto();
    Conexao& cn = m_arquivo->cn;
    if (td.Linkada()) {
        Transacao(cn, kOrigem, [&] {
            Executar(cn, "DELETE FROM MSysFields WHERE TableName = ?1", {td.Name}, kOrigem);
            Executar(cn, "DELETE FROM MSysTableDefs WHERE Name = ?1", {td.Name}, kOrigem);
        });
    } else {
        const QString ddl = "DROP TABLE " + Identificador(td.Name);
        notificar(QString(), ddl);
        Transacao(cn, kOrigem, [&] { Executar(cn, ddl, {}, kOrigem); });
    }
    invalidar();
}

void DaoDatabase::anexar(const QueryDef& qd) {
    exigirAberto();
    validarNovoNome(qd.Name);
    if (!qd.Connect.isEmpty()) {
        odbcDoConnect(qd.Connect);  // only ODBC sources are known
    }
    Conexao& cn = m_arquivo->cn;
    Transacao(cn, kOrigem, [&] {
        Executar(cn,
                 "INSERT INTO MSysQueries (Name, SQL, Connect, ReturnsRecords) "
                 "VALUES (?1, ?2, ?3, ?4)",
                 {qd.Name, qd.SQL, qd.Connect, qd.ReturnsRecords ? 1 : 0}, kOrigem);
    });
    invalidar();
}

void DaoDatabase::remover(const QueryDef& qd) {
    exigirAberto();
    Conexao& cn = m_arquivo->cn;
    Transacao(cn, kOrigem,
              [&] { Executar(cn, "DELETE FROM MSysQueries WHERE Name = ?1", {qd.Name}, kOrigem); });
    invalidar();
}

// Access reads a link's fields from its source when the link is made; so do we, and a source
// that cannot be reached refuses the link.
QVector<DaoField> DaoDatabase::camposDaOrigem(const TableDef& td) {
    const QString sql = "SELECT * FROM " + nomeServidor(td.SourceTableName) + " WHERE 1 = 0";
    notificar(td.Connect, sql);
    auto engine = abrirOdbc(td.Connect);
    dados::DadosConsulta r;
    try {
        r = engine->consultar(sql);
    } catch (const ErroNumerado& e) {
        LancarErroDao(daoFalhaOdbc, kOrigem,
                      QString("%1 - %2").arg(e.Number()).arg(e.Description()));
    }
    QVector<DaoField> campos;
    for (const dados::InfoColuna& c : r.colunas) {
        campos.push_back(campoOdbc(c));
    }
    return campos;
}

// ---------------------------------------------------------------------------------------------
// Statements

void DaoDatabase::Execute(const QString& sqlOrQuery, int /*options: dbSeeChanges is moot*/) {
    exigirAberto();
    const QString nome = sqlOrQuery.trimmed();
    if (m_queryDefs.Existe(nome)) {
        const QueryDef qd = m_queryDefs.Item(nome);
        if (qd.PassThrough()) {
            executarPassThrough(qd);
        } else {
            executarLocal(qd.SQL);
        }
        return;
    }
    executarLocal(sqlOrQuery);
}

void DaoDatabase::executarLocal(const QString& sql, const QVariantList& valores) {
    exigirAberto();
    notificar(QString(), sql);
    Conexao& cn = m_arquivo->cn;
    const qint64 antes = sqlite3_total_changes64(cn.db);
    {
        Comando c(cn.db, sql, kOrigem);
        if (c.Colunas() > 0) {
            LancarErroDao(daoConsultaSelecao, kOrigem, sql);
        }
        c.Ligar(valores);
        while (c.Passo()) {
        }
    }
    m_recordsAffected = static_cast<qint32>(sqlite3_total_changes64(cn.db) - antes);
    invalidar();  // the statement may have changed tables
}

void DaoDatabase::executarPassThrough(const QueryDef& qd) {
    if (qd.ReturnsRecords) {
        LancarErroDao(daoConsultaSelecao, kOrigem, "consulta " + qd.Name);
    }
    notificar(qd.Connect, qd.SQL);
    auto engine = abrirOdbc(qd.Connect);
    try {
        m_recordsAffected = static_cast<qint32>(engine->executar(qd.SQL));
    } catch (const ErroNumerado& e) {
        LancarErroDao(daoFalhaOdbc, kOrigem,
                      QString("%1 - %2 (%3)").arg(e.Number()).arg(e.Description(), qd.SQL));
    }
}

DaoLinhas DaoDatabase::ler(const QString& source, QString& tabelaBase) {
    exigirAberto();
    tabelaBase.clear();
    const QString nome = source.trimmed();
    if (m_tableDefs.Existe(nome)) {
        const TableDef td = m_tableDefs.Item(nome);
        if (td.Linkada()) {
            return lerPassThrough(td.Connect, "SELECT * FROM " + nomeServidor(td.SourceTableName));
        }
        return lerLocal("SELECT * FROM " + Identificador(td.Name), {}, &tabelaBase);
    }
    if (m_queryDefs.Existe(nome)) {
        const QueryDef qd = m_queryDefs.Item(nome);
        if (qd.PassThrough()) {
            if (!qd.ReturnsRecords) {
                LancarErroDao(daoArgumentoInvalido, kOrigem, "consulta sem registros " + qd.Name);
            }
            return lerPassThrough(qd.Connect, qd.SQL);
        }
        return lerLocal(qd.SQL, {}, &tabelaBase);
    }
    return lerLocal(source, {}, &tabelaBase);
}

DaoLinhas DaoDatabase::lerLocal(const QString& sql, const QVariantList& valores,
                                QString* tabelaBase) {
    exigirAberto();
    notificar(QString(), sql);
    Comando c(m_arquivo->cn.db, sql, kOrigem);
    if (c.Colunas() == 0) {
        LancarErroDao(daoArgumentoInvalido, kOrigem, "instrução sem registros: " + sql);
    }
    c.Ligar(valores);
    DaoLinhas r;
    QString base;
    bool umaTabela = true;
    for (int i = 0; i < c.Colunas(); ++i) {
        r.campos.push_back(campoDeclarado(c.NomeColuna(i), c.TipoDeclarado(i)));
        r.colunasBase.push_back(c.ColunaBase(i));
        const QString tabela = c.TabelaBase(i);
        if (tabela.isEmpty() || (!base.isEmpty() && tabela != base)) {
            umaTabela = false;
        }
        base = tabela;
    }
    while (c.Passo()) {
        QVector<QVariant> linha;
        for (int i = 0; i < c.Colunas(); ++i) {
            linha.push_back(c.Valor(i, r.campos[i].Type));
        }
        r.linhas.push_back(std::move(linha));
    }
    if (tabelaBase && umaTabela && !tabelaDoCatalogo(base)) {
        *tabelaBase = base;
    }
    return r;
}

DaoLinhas DaoDatabase::lerPassThrough(const QString& connect, const QString& sql) {
    notificar(connect, sql);
    auto engine = abrirOdbc(connect);
    dados::DadosConsulta dados;
    try {
        dados = engine->consultar(sql);
    } catch (const ErroNumerado& e) {
        LancarErroDao(daoFalhaOdbc, kOrigem,
                      QString("%1 - %2 (%3)").arg(e.Number()).arg(e.Description(), sql));
    }
    DaoLinhas r;
    for (const dados::InfoColuna& c : dados.colunas) {
        r.campos.push_back(campoOdbc(c));
        r.colunasBase.push_back(c.colunaBase);
    }
    r.linhas = std::move(dados.linhas);
    return r;
}

qint64 DaoDatabase::ultimoRowid() const {
    exigirAberto();
    return sqlite3_last_insert_rowid(m_arquivo->cn.db);
}
