#pragma once

#include <QHash>
#include <QString>
#include <list>
#include <memory>
#include <optional>
#include <vector>

#include "data/base/Motor.h"
#include "data/sqlite/AgrupadorEmbutido.h"
#include "data/sqlite/FuncoesTSql.h"
#include "data/tsql/TSqlCatalogo.h"
#include "data/tsql/TSqlTradutor.h"

struct sqlite3;
struct sqlite3_stmt;

namespace dados {

// Owns one prepared statement.
struct ComandoSqlite {
    sqlite3_stmt* stmt = nullptr;
    ComandoSqlite() = default;
    ComandoSqlite(const ComandoSqlite&) = delete;
    ComandoSqlite& operator=(const ComandoSqlite&) = delete;
    ~ComandoSqlite();
};

// A literal of a statement, as it is bound in place of the literal.
struct LiteralSql {
    enum Tipo { Texto, Inteiro, Real, Nulo } tipo = Texto;
    char classe = 'T';  // the kind the translation may depend on
    QString texto;      // as written (a text's content unescaped)
    qint64 inteiro = 0;
    double real = 0;
};

// A translation kept for every statement of one shape (the statement with its literals taken
// out), with its SQLite statements prepared on first use.
struct TraducaoGuardada {
    QString chave;
    std::shared_ptr<const Traducao> traducao;
    // The values of traducao->literaisNoTexto it was made with, and the kinds of those and of
    // traducao->literaisComTipo, in that order.
    QVector<QString> noTexto;
    QVector<char> classes;
    std::vector<sqlite3_stmt*> comandos;
    // A duplicate search that AgrupadorEmbutido answers, recognised in the parsed statement.
    std::optional<AgrupadorEmbutido::Pedido> agrupamento;
    qsizetype bytes = 0;
    TraducaoGuardada() = default;
    TraducaoGuardada(const TraducaoGuardada&) = delete;
    TraducaoGuardada& operator=(const TraducaoGuardada&) = delete;
    ~TraducaoGuardada();
};

// The embedded engine: a SQLite register file behind the T-SQL dialect layer.
// Connection string: "Provider=SQLite;Data Source=<file>" and optionally "Busy Timeout=<ms>"
// (how long a register locked by another process is waited for; 5000 by default). The file
// must exist: opening never creates an empty register by accident (CriarRegistroVazio does).
class MotorEmbutido : public Motor {
  public:
    explicit MotorEmbutido(const QString& connectionString);
    ~MotorEmbutido() override;

    void abrir() override;
    void fechar() override;
    qint64 executar(const QString& sql) override;
    DadosConsulta consultar(const QString& sql) override;
    ResultadoLote executarLote(const QString& sql) override;
    // Straight from SQLite's rows, without building a value of them.
    void percorrer(const QString& sql, const LeitorLinhas& leitor) override;
    // ADO's BeginTrans/CommitTrans/RollbackTrans and T-SQL's BEGIN/COMMIT/ROLLBACK TRAN move
    // the same level count (@@TRANCOUNT): only the outermost begin and commit reach SQLite, a
    // rollback undoes every level.
    void iniciar() override;
    void confirmar() override;
    void desfazer() override;
    int nivelTransacao() const { return m_estado.nivelTransacao; }
    DadosConsulta esquema(int tipoEsquema, const QVariantList& criterios) override;
    QString bancoPadrao() const override;
    QVariant propriedade(const QString& nome) const override;
    void interromper() override;
    // Read-only: the file or its folder (where SQLite writes its journal). Locked: another
    // connection holds the write lock for as long as this one waits (at most a second).
    SituacaoGravacao gravacao() override;

    // The translation the engine runs for a statement (cached by the statement's shape), with
    // the statement's literals written in: SQLite text to run as it is. For tests, tools and
    // benchmarks.
    std::shared_ptr<const Traducao> traduzir(const QString& sql);
    // The same as it is cached: literals as parameters, ? or ?N (ComandoTraduzido::parametros).
    std::shared_ptr<const Traducao> traducaoParametrizada(const QString& sql);
    // Bytes the translation cache holds and its limit (least recently used shapes go first).
    qsizetype bytesEmCache() const { return m_bytesCache; }
    static constexpr qsizetype kLimiteCache = 16 * 1024 * 1024;
    sqlite3* conexaoSqlite() const { return m_db; }
    // The catalogue the translations are made against (read now if stale).
    const Catalogo& catalogo();

  private:
    void conferirEsquema();
    void conferirTransacao();
    void iniciarNivel();
    void confirmarNivel(bool pedidoEmSql);
    void desfazerNiveis(bool pedidoEmSql);
    void rodarSessao(const ComandoTraduzido& c);
    void conferirIdentidade(const ComandoTraduzido& c);
    void carregarCatalogo();
    void executarInterno(const char* sql);
    struct Preparo {
        std::shared_ptr<TraducaoGuardada> guardada;
        QVector<LiteralSql> literais;
    };
    Preparo preparar(const QString& sql);
    void limparCache();
    // Runs command `indice` of a prepared statement; a failure SQL Server would report names
    // the line of the batch the command's statement begins on.
    qint64 rodar(const Preparo& p, int indice, const QString& original, DadosConsulta* resultado,
                 const std::vector<AgrupadorEmbutido::Valor>* agrupado = nullptr,
                 const LeitorLinhas* leitor = nullptr);
    qint64 rodarComando(const Preparo& p, int indice, const QString& original,
                        DadosConsulta* resultado,
                        const std::vector<AgrupadorEmbutido::Valor>* agrupado,
                        const LeitorLinhas* leitor);
    bool agrupar(const QString& sql, const Preparo& p, DadosConsulta& resultado);
    // The failure of a SQLite call for `original` (the statement as sent), while running `c`.
    [[noreturn]] void falhaSqlite(int rc, const QString& original,
                                  const ComandoTraduzido* c = nullptr);
    std::optional<MensagemServidor> mensagemServidor(int estendido, const QString& msg,
                                                     const ComandoTraduzido* c);
    QString indiceUnico(const QString& tabela, const QString& colunas);

    QString m_connectionString;
    QString m_arquivo;
    int m_esperaMs = 5000;
    sqlite3* m_db = nullptr;
    EstadoSessao m_estado;
    QString m_nomeTransacao;  // the outermost BEGIN TRAN's name
    Catalogo m_catalogo;
    bool m_catalogoValido = false;
    int m_versaoEsquema = -1;
    sqlite3_stmt* m_versaoStmt = nullptr;
    // Most recently used first; the index finds a shape's entries (more than one when literals
    // written into the text differ).
    std::list<std::shared_ptr<TraducaoGuardada>> m_cache;
    QMultiHash<QString, std::list<std::shared_ptr<TraducaoGuardada>>::iterator> m_indiceCache;
    qsizetype m_bytesCache = 0;
    std::unique_ptr<AgrupadorEmbutido> m_agrupador;  // made by the first grouping
};

// Creates an empty register file at `caminho` (fails if it exists). Returns false with a
// message in `erro` on failure.
bool CriarRegistroVazio(const QString& caminho, QString* erro = nullptr);

}  // namespace dados
