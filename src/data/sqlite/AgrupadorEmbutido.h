#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace dados {

class Catalogo;
struct Arvore;

// The duplicate search of the embedded register: a GROUP BY over plain text and date columns
// of one table, optionally keeping only groups of two or more identities, answered with SQL
// Server's collation. When an index begins with the request's columns, the groups are read
// from its order as runs of equal values (SQLite's own plan, without its per-row aggregate
// work). Otherwise each column is read once, from an index that holds it where there is one,
// and kept as classes of equal values until the data change (this connection's writes,
// another connection's commits, a rollback), so that every combination is then grouped from
// memory; SQLite would sort every row with the collation for each combination no index covers.
class AgrupadorEmbutido {
  public:
    // SELECT a, b FROM T GROUP BY a, b [HAVING MAX(id) <> MIN(id)] [ORDER BY a, b], with the
    // same columns in the same order in every list and `id` the table's identity.
    struct Pedido {
        QString tabela;
        QVector<QString> colunas;  // declared names
        QVector<bool> datas;       // date column (else text)
        bool maisDeUm = false;     // the HAVING
    };
    // The request a parsed statement makes, if it is of that shape.
    static std::optional<Pedido> Reconhecer(const Arvore& arvore, const Catalogo& catalogo);

    // A SQLite failure while reading the table (the engine reports it as its own).
    struct FalhaSqlite {
        int rc;
    };

    // One value of the result: the bytes of one row of the group, or NULL (texto null).
    struct Valor {
        const char* texto = nullptr;
        int tamanho = 0;
    };

    explicit AgrupadorEmbutido(sqlite3* db);
    ~AgrupadorEmbutido();
    AgrupadorEmbutido(const AgrupadorEmbutido&) = delete;
    AgrupadorEmbutido& operator=(const AgrupadorEmbutido&) = delete;

    // The groups in the order of ORDER BY, row after row (colunas.size() values per group).
    // False when a column holds a value that is no text (SQLite would order it apart): the
    // caller runs the statement itself. SQLite failures throw like the engine's own.
    bool Agrupar(const Pedido& pedido, std::vector<Valor>& saida);

    // Drops what was read (schema change, close).
    void Esquecer();

  private:
    struct Coluna;
    class Leitura;
    bool atualizar();
    enum class Carga { Feita, Refazer, Impossivel };
    Carga carregar(const QString& tabela, const QVector<QString>& colunas,
                   const QVector<bool>& datas);
    Carga lugares(const QString& tabela);
    Carga ler(Leitura& leitura, const QByteArray& sql);
    struct Indice {
        QString nome;
        QStringList colunas;   // key columns, folded names (an expression's is empty)
        QStringList colacoes;  // of each, empty when it is descending
        // Its column j is `coluna`, in that column's own collation's ascending order.
        bool ordena(int j, const QString& coluna, bool data) const;
    };
    std::vector<Indice> indices(const QString& tabela);
    bool direto(const Pedido& pedido, std::vector<Valor>& saida);
    void reverter() { m_revertido = true; }

    sqlite3* m_db;
    sqlite3_stmt* m_versaoDados = nullptr;
    long long m_versao = -1;
    long long m_mudancas = -1;
    bool m_revertido = false;
    QString m_tabela;
    long long m_linhas = 0;
    long long m_base = 0;           // row number of the first place
    std::vector<uint8_t> m_existe;  // per row number (less m_base): the row is there
    std::vector<std::unique_ptr<Coluna>> m_colunas;
    // The last result read straight from an index (see direto), until the data change.
    struct Direto {
        QVector<QString> colunas;
        bool maisDeUm = false;
        std::string bytes;
        std::vector<Valor> valores;
    };
    std::optional<Direto> m_direto;
};

}  // namespace dados
