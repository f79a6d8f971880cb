#pragma once

#include <QString>
#include <QVariant>
#include <QVector>
#include <functional>
#include <memory>
#include <optional>

#include "data/base/ErroNumerado.h"

// What a database engine gives the ADO-like objects. Two engines exist: the embedded one (a
// SQLite file behind our T-SQL dialect layer) and ODBC (a real SQL Server, statements sent
// unchanged). Connection picks one from the connection string (CriarMotor); nothing above
// Connection and Recordset ever sees an engine. Every failure is thrown as ErroNumerado with
// the ADO number and the short text of the error table; the engine's long description goes
// to the log.
namespace dados {

struct InfoColuna {
    QString nome;             // as the statement names it (alias included)
    int tipo = 0;             // ADO DataTypeEnum (EnumsADO.h)
    int tamanhoDefinido = 0;  // characters for text, bytes otherwise
    bool aceitaNulo = true;
    QString tabelaBase;  // table the column comes from, empty for an expression
    QString colunaBase;
    bool chave = false;           // part of the base table's primary key
    bool autoIncremento = false;  // identity column
};

struct DadosConsulta {
    QVector<InfoColuna> colunas;
    QVector<QVector<QVariant>> linhas;  // NULL is a null QVariant; dates are QDateTime
};

// One statement of a batch: the rows it read (a result set, perhaps empty) or the rows it
// changed. Statements that neither read nor change rows (DDL, SET, BEGIN TRAN) give none.
struct ResultadoComando {
    bool temLinhas = false;
    qint64 afetadas = 0;
    DadosConsulta dados;
};

// A batch run statement by statement, as SQL Server's console shows it: the results of the
// statements that ran, in order, and the failure that stopped it. What ran before a failure
// stays done, as on SQL Server outside a transaction.
struct ResultadoLote {
    QVector<ResultadoComando> resultados;
    std::optional<ErroNumerado> falha;
};

// One value of a row as a query streams it past (Motor::percorrer); the text lives only during
// the call. Dates come as text 'yyyy-mm-dd hh:mm:ss'.
struct ValorLido {
    enum Tipo : quint8 { Nulo, Inteiro, Real, Texto } tipo = Nulo;
    qint64 inteiro = 0;
    double real = 0;
    const char* texto = nullptr;  // UTF-8
    int bytes = 0;
};
// Called with each row; answers false to stop reading.
using LeitorLinhas = std::function<bool(const ValorLido* valores, int colunas)>;

// Whether a connection may write to the register now, and why not: asked at start-up, so that
// the administrator learns it before a review, not at its end.
struct SituacaoGravacao {
    enum Estado {
        Gravavel,        // as far as the engine can tell
        SomenteLeitura,  // the file, the folder or the database is read-only
        Bloqueado,       // another program holds the register's write lock
        SemPermissao     // the connection's user may not update or delete patients
    } estado = Gravavel;
    QString detalhe;  // the engine's or the server's own words
};

class Motor {
  public:
    virtual ~Motor() = default;

    virtual void abrir() = 0;
    virtual void fechar() = 0;

    // Runs a statement or a batch; rows it returns are discarded. Returns the rows affected
    // by the last statement that changes rows (0 when none did).
    virtual qint64 executar(const QString& sql) = 0;
    // Runs a statement and reads every row it returns (the static, client-side cursor).
    virtual DadosConsulta consultar(const QString& sql) = 0;
    // Runs a batch and keeps every statement's result; a failure is returned, not thrown.
    virtual ResultadoLote executarLote(const QString& sql) = 0;
    // Runs a query and hands its rows to `leitor` one by one as they are read, keeping none:
    // a whole table read once costs no more memory than one row. By default the rows are read
    // as consultar() reads them and then handed over.
    virtual void percorrer(const QString& sql, const LeitorLinhas& leitor);

    virtual void iniciar() = 0;
    virtual void confirmar() = 0;
    virtual void desfazer() = 0;

    // OLE DB schema rowsets (tipoEsquema = SchemaEnum of EnumsADO.h), with the OLE DB column names
    // and restrictions: one entry of criterios per restriction column, a null/empty entry = none.
    virtual DadosConsulta esquema(int tipoEsquema, const QVariantList& criterios) = 0;

    virtual QString bancoPadrao() const = 0;
    // "User ID", "Password", "Data Source" and whatever else the engine knows; null if unknown.
    virtual QVariant propriedade(const QString& nome) const = 0;

    // Asks the statement now running on this engine, on another thread, to stop: it then fails
    // at once instead of running to its end. Callable from any thread while the engine stays
    // open; nothing happens when no statement runs.
    virtual void interromper() {}

    // Asks the engine whether this connection could write now, without writing anything. A
    // question the engine cannot answer counts as writable: the write itself will then tell.
    virtual SituacaoGravacao gravacao() { return {}; }
};

}  // namespace dados
