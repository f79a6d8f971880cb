#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <functional>

struct sqlite3;
struct sqlite3_stmt;

// The SQLite handles behind the desktop database, each owned by one object, and the mapping of
// SQLite's failures to DAO's numbers. Everything here throws ErroNumerado.
namespace daosqlite {

struct Conexao {
    sqlite3* db = nullptr;
    bool somenteLeitura = false;

    Conexao() = default;
    Conexao(Conexao&& outra) noexcept;
    Conexao& operator=(Conexao&& outra) noexcept;
    Conexao(const Conexao&) = delete;
    Conexao& operator=(const Conexao&) = delete;
    ~Conexao();
};

// Opens an existing file (`criar` false) or makes a new one (`criar` true, refused when the
// file exists). Missing, unreadable and foreign files give DAO's numbers.
Conexao AbrirArquivo(const QString& path, bool criar, const char* origem);

[[noreturn]] void FalhaSqlite(sqlite3* db, int rc, const char* origem, const QString& sql);

// "nome" with inner quotes doubled: any table or field name is safe inside SQLite's SQL.
QString Identificador(const QString& nome);

class Comando {
  public:
    // Exactly one statement: trailing text is refused (3142).
    Comando(sqlite3* db, const QString& sql, const char* origem);
    ~Comando();
    Comando(const Comando&) = delete;
    Comando& operator=(const Comando&) = delete;

    void Ligar(const QVariantList& valores);  // ?1, ?2, … in order
    bool Passo();                             // true while a row is there
    int Colunas() const;
    QVariant Coluna(int i) const;              // the stored value as SQLite keeps it
    QVariant Valor(int i, int tipoDao) const;  // read as the field's DAO type
    QString NomeColuna(int i) const;
    QString TipoDeclarado(int i) const;
    QString TabelaBase(int i) const;  // empty for an expression
    QString ColunaBase(int i) const;

  private:
    sqlite3* m_db;
    sqlite3_stmt* m_st = nullptr;
    const char* m_origem;
    QString m_sql;
};

void Executar(Conexao& cn, const QString& sql, const QVariantList& valores, const char* origem);
// Several statements, none with values (the catalogue's DDL).
void ExecutarTexto(Conexao& cn, const char* sql, const char* origem);
QVariant ValorUnico(sqlite3* db, const QString& sql, const char* origem);
bool ExisteTabela(sqlite3* db, const QString& nome, const char* origem);

// Runs `corpo` inside one write transaction: committed when it returns, rolled back when it
// throws (the exception goes on).
void Transacao(Conexao& cn, const char* origem, const std::function<void()>& corpo);

}  // namespace daosqlite
