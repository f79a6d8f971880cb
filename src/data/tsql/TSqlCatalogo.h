#pragma once

#include <QHash>
#include <QString>
#include <QVariant>
#include <QVector>

// What the dialect layer knows of the register's tables: names as declared, column types,
// keys and identities. Read from the SQLite schema by the embedded engine; the translator uses
// it to match names without regard to case (accented letters included) and to type columns.
namespace dados {

enum class TipoSql { Desconhecido, Texto, Numero, Data, Nulo };

struct ColunaCatalogo {
    QString nome;
    QString tipoDeclarado;  // upper case, as stored: NVARCHAR(30), INT, SMALLDATETIME, ...
    bool notNull = false;
    QVariant padrao;     // the default clause's SQL text, null when none
    int ordemChave = 0;  // 1-based position in the primary key, 0 when not in it
    bool identidade = false;
    TipoSql tipo = TipoSql::Desconhecido;
    int tamanho = 0;  // declared characters of text columns
};

struct TabelaCatalogo {
    QString nome;
    bool visao = false;
    QString sql;        // the stored CREATE statement
    QString nomeChave;  // primary key constraint name
    QVector<ColunaCatalogo> colunas;

    const ColunaCatalogo* coluna(const QString& nome) const;
    int identidade() const;  // index of the identity column or -1
};

class Catalogo {
  public:
    void limpar();
    void adicionar(TabelaCatalogo tabela);
    const TabelaCatalogo* tabela(const QString& nome) const;
    const QVector<TabelaCatalogo>& tabelas() const { return m_tabelas; }
    // The declared spelling of a table, view, column or index name; the name itself if unknown.
    QString canonico(const QString& nome) const;
    void adicionarNome(const QString& nome);

    static QString dobrar(const QString& nome) { return nome.toCaseFolded(); }
    static TipoSql tipoDe(const QString& tipoDeclarado, int* tamanho = nullptr);

  private:
    QVector<TabelaCatalogo> m_tabelas;
    QHash<QString, int> m_porNome;
    QHash<QString, QString> m_nomes;
};

}  // namespace dados
