#pragma once

#include <QString>
#include <QVariant>
#include <QVector>
#include <functional>
#include <map>
#include <memory>

// Our desktop database: one SQLite file (the SQLite dialect, not T-SQL) holding local tables
// and a catalogue of linked tables and saved queries, shaped the way DAO presents an Access
// file. Local tables are real SQLite tables; a linked table is only its definition (connect
// string, source table, fields), its data stay on the ODBC source. A saved query whose connect
// string starts with "ODBC;" is a pass-through query: its SQL goes unchanged to that source.
// Every failure throws ErroNumerado with a DAO number (DaoErros.h); a catalogue change is one
// SQLite transaction, so a failure leaves the file as it was.

// DAO constants the program uses.
enum DaoTipoCampo {
    dbBoolean = 1,
    dbByte = 2,
    dbInteger = 3,
    dbLong = 4,
    dbCurrency = 5,
    dbSingle = 6,
    dbDouble = 7,
    dbDate = 8,
    dbBinary = 9,
    dbText = 10,
    dbLongBinary = 11,
    dbMemo = 12,
    dbGUID = 15,
    dbBigInt = 16,
    dbDecimal = 20,
};
enum DaoAtributo : qint32 {
    dbAutoIncrField = 16,         // field
    dbAttachSavePWD = 0x20000,    // table definition: the link keeps the password
    dbAttachedODBC = 0x20000000,  // table definition: set on every ODBC link
};
enum DaoTipoRecordset { dbOpenTable = 1, dbOpenDynaset = 2, dbOpenSnapshot = 4 };
enum DaoOpcao { dbSeeChanges = 512 };

struct DaoField {
    QString Name;
    int Type = dbText;
    int Size = 0;  // characters for text, bytes otherwise; 0 = the type's own size
    qint32 Attributes = 0;
};

struct TableDef {
    QString Name;
    QString Connect;          // "ODBC;DSN=…" for a link, empty for a local table
    QString SourceTableName;  // the table behind a link, empty for a local table
    qint32 Attributes = 0;
    QVector<DaoField> Fields;  // a link appended without fields reads them from its source

    bool Linkada() const { return !SourceTableName.isEmpty(); }
};

struct QueryDef {
    QString Name;
    QString SQL;
    QString Connect;  // "ODBC;…" makes it a pass-through query
    bool ReturnsRecords = true;

    bool PassThrough() const;
};

class DaoDatabase;

// The database's collections: always what the file holds, in name order; names compare
// without regard to case. Item and Delete of a missing name throw 3265.
template <typename T>
class DaoColecao {
  public:
    int Count() const;
    const T& Item(int index) const;
    const T& Item(const QString& name) const;
    bool Existe(const QString& name) const;
    void Append(const T& item);
    void Delete(const QString& name);
    void Refresh();

  private:
    friend class DaoDatabase;
    explicit DaoColecao(DaoDatabase& db) : m_db(db) {}
    // `verificar` false trusts the loaded list unless our own change dropped it: the index
    // walk after a Count() then costs no look at the file.
    const QVector<T>& itens(bool verificar = true) const;
    DaoDatabase& m_db;
};

// What the database reads or runs, for the observers. `connect` is empty for the local file.
struct DaoEvento {
    QString connect;
    QString sql;
};

// Rows read for a record set: the fields (DAO types), the column of the base table each one
// comes from, and every row.
struct DaoLinhas {
    QVector<DaoField> campos;
    QVector<QString> colunasBase;
    QVector<QVector<QVariant>> linhas;
};

class DaoDatabase {
  public:
    DaoDatabase();
    ~DaoDatabase();
    DaoDatabase(const DaoDatabase&) = delete;
    DaoDatabase& operator=(const DaoDatabase&) = delete;

    // Opens an existing file (3024 missing, 3044 bad folder, 3051 unreadable, 3343 not a
    // database); a file without write permission opens read-only.
    void Open(const QString& path);
    // Makes a new, empty file and opens it; an existing file is refused (3204).
    void Create(const QString& path);
    void Close();
    bool IsOpen() const;
    QString Name() const { return m_path; }

    DaoColecao<TableDef>& TableDefs() { return m_tableDefs; }
    DaoColecao<QueryDef>& QueryDefs() { return m_queryDefs; }

    // Runs one action statement, or the saved query of that name (pass-through ones on their
    // ODBC source). A statement that returns rows is refused (3065).
    void Execute(const QString& sqlOrQuery, int options = 0);
    qint32 RecordsAffected() const { return m_recordsAffected; }

    // Every statement read or run passes the observers first (tests check the exact texts).
    // An observer may throw ErroNumerado: the statement then fails before it runs.
    using Observador = std::function<void(const DaoEvento&)>;
    int AdicionarObservador(Observador observer);
    void RemoverObservador(int id);

  private:
    template <typename T>
    friend class DaoColecao;
    friend class DaoRecordset;
    struct Arquivo;

    void abrir(const QString& path, bool criar);
    void exigirAberto() const;
    void carregar(bool verificar = true);  // reloads both collections when the file changed
    void invalidar() { m_versao = -1; }
    void notificar(const QString& connect, const QString& sql);
    void executarLocal(const QString& sql, const QVariantList& valores = {});
    void executarPassThrough(const QueryDef& qd);

    // For DaoRecordset: the rows of a table name, a saved query name or a SELECT, and the one
    // local table they can be written back to (empty when they cannot).
    DaoLinhas ler(const QString& source, QString& tabelaBase);
    DaoLinhas lerLocal(const QString& sql, const QVariantList& valores, QString* tabelaBase);
    DaoLinhas lerPassThrough(const QString& connect, const QString& sql);
    QVector<DaoField> camposDaOrigem(const TableDef& td);
    qint64 ultimoRowid() const;

    void anexar(const TableDef& td);
    void anexar(const QueryDef& qd);
    void remover(const TableDef& td);
    void remover(const QueryDef& qd);
    void validarNovoNome(const QString& name);

    std::shared_ptr<Arquivo> m_arquivo;
    QString m_path;
    qint64 m_versao = -1;
    QVector<TableDef> m_tabelas;
    QVector<QueryDef> m_consultas;
    DaoColecao<TableDef> m_tableDefs{*this};
    DaoColecao<QueryDef> m_queryDefs{*this};
    qint32 m_recordsAffected = 0;
    std::map<int, Observador> m_observadores;
    int m_proximoObservador = 1;
};

// DAO's engine-level operations.
class DBEngine {
  public:
    // Copies `origem` into the new file `destino` without free pages; an existing `destino` is
    // refused (3204) and a failed copy leaves no file behind.
    static void CompactDatabase(const QString& origem, const QString& destino);
    // Registers (or replaces) the user ODBC data source `dsn` for `driver` with the attributes
    // `atributos` ("key=value" entries separated by CR), in the user's odbc.ini. Nothing is
    // ever shown, so `silent` changes nothing. A bad name, a missing driver or a malformed
    // attribute list is refused (3146) before anything is written.
    static void RegisterDatabase(const QString& dsn, const QString& driver, bool silent,
                                 const QString& atributos);
};
