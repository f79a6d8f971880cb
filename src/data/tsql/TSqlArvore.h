#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <vector>

#include "data/tsql/TSqlLexico.h"
#include "data/tsql/TSqlTradutor.h"

// The syntax tree of a T-SQL batch, as the parser (TSqlAnalisador) reads it and the writer
// (TSqlEscritor) prints it as SQLite text. It holds no SQLite text and knows no catalogue.
// Nodes live in arrays of the tree and refer to each other by index (-1: none), so a chain of
// 100,000 terms is one node with 100,000 operands and nothing is freed recursively.
namespace dados {

using IdExpr = int;    // index into Arvore::expressoes
using IdSelect = int;  // index into Arvore::selects
using IdFrom = int;    // index into Arvore::froms

struct NoExpr {
    enum Tipo : quint8 {
        Literal,      // a text or number; `token` is the literal (NULL is Nulo)
        Nulo,         // NULL
        Variavel,     // @@IDENTITY, @@TRANCOUNT (`nome` upper case)
        Coluna,       // [qualificador.]nome
        Apelido,      // ORDER BY naming a select-list alias (`nome`)
        Parenteses,   // ( filhos[0] )
        Negativo,     // - filhos[0]
        Positivo,     // + filhos[0]: the same value, but no longer a bare literal
        Aritmetica,   // filhos[0] ops[0] filhos[1] ops[1] ...: one level, + - or * / %
        E,            // filhos joined by AND
        Ou,           // filhos joined by OR
        Nao,          // NOT filhos[0]
        Comparacao,   // filhos[0] `nome` filhos[1]; `nome` is = <> < > <= >= (!= !< !> mapped)
        EhNulo,       // filhos[0] IS [NOT] NULL
        Em,           // filhos[0] [NOT] IN (filhos[1..] | select)
        Entre,        // filhos[0] [NOT] BETWEEN filhos[1] AND filhos[2]
        Como,         // filhos[0] [NOT] LIKE filhos[1] [ESCAPE filhos[2]]
        Existe,       // EXISTS (select)
        Subconsulta,  // (select) as a value
        Caso,         // CASE [filhos[0] when temSujeito] WHEN/THEN pairs [ELSE last] END
        Funcao,       // `nome` (upper case) ( [DISTINCT] filhos | * )
    };
    Tipo tipo = Literal;
    bool negado = false;      // NOT IN / NOT BETWEEN / NOT LIKE / IS NOT NULL
    bool distinto = false;    // aggregate with DISTINCT
    bool estrela = false;     // COUNT(*)
    bool temSujeito = false;  // CASE x WHEN ...
    bool temSenao = false;    // CASE ... ELSE
    int token = -1;           // where it begins (the literal, the name, the operator)
    QString nome;
    QString qualificador;  // column: the part before the column name; OBJECTPROPERTY: property
    QString ops;           // Aritmetica: the operator after each operand but the last
    QVector<IdExpr> filhos;
    IdSelect select = -1;  // IN (SELECT ...), EXISTS, (SELECT ...)
};

struct ItemSelecao {
    bool estrela = false;  // * or qualificador.*
    QString qualificador;
    IdExpr expr = -1;
    bool temApelido = false;
    QString apelido;
    int tokenFim = -1;  // the token after the item (errors about a * point there)
};

struct ItemOrdem {
    IdExpr expr = -1;
    bool desc = false;
};

// One table of a FROM list and how it joins the ones before it.
struct Fonte {
    enum Tipo : quint8 { Tabela, Sysobjects, Derivada, Juncoes } tipo = Tabela;
    enum Juncao : quint8 { Primeira, Virgula, Interna, Esquerda, Direita, Completa, Cruzada };
    Juncao juncao = Primeira;
    QString nome;          // Tabela: the name as written (last part of a qualified name)
    IdSelect select = -1;  // Derivada
    IdFrom from = -1;      // Juncoes: a parenthesised join
    bool temApelido = false;
    QString apelido;
    IdExpr on = -1;  // the join's ON
};

struct ListaFrom {
    QVector<Fonte> fontes;
};

struct NoSelect {
    bool distinto = false;
    int tokenTop = -1;  // the TOP count's token
    QVector<ItemSelecao> itens;
    IdFrom from = -1;
    IdExpr onde = -1;
    QVector<ItemOrdem> grupo;
    IdExpr tendo = -1;
    struct Membro {
        bool todos = false;  // UNION ALL
        IdSelect select = -1;
    };
    QVector<Membro> unioes;
    QVector<ItemOrdem> ordem;
};

// DDL: a column definition and a constraint, as written.
struct RestricaoDef {
    enum Tipo : quint8 { Chave, Unica, Estrangeira, Verificacao, Padrao, Referencia } tipo = Chave;
    QString nome;
    QStringList colunas;  // key, unique, foreign key; Padrao: the column (FOR x)
    QString tabelaRef;    // REFERENCES
    QStringList colunasRef;
    QStringList cascatas;  // ON DELETE CASCADE -> DELETE
    IdExpr expr = -1;      // CHECK, DEFAULT
    int tokenColuna = -1;  // Padrao: the column's token
};

struct ColunaDef {
    QString nome;
    QString tipoDeclarado;  // upper case, INTEGER read as INT: NVARCHAR(30), INT, ...
    bool identidade = false;
    qint64 semente = 1;
    bool notNull = false;
    IdExpr padrao = -1;
    QString nomePadrao;
    bool chave = false;  // inline PRIMARY KEY
    QString nomeChave;
    QVector<RestricaoDef> extras;  // inline UNIQUE / REFERENCES / CHECK
};

// CREATE TABLE's list and ALTER TABLE ... ADD: columns and constraints in written order.
struct ElementoTabela {
    bool ehColuna = true;
    ColunaDef coluna;
    RestricaoDef restricao;
};

struct NoComando {
    enum Tipo : quint8 {
        Select,
        Insert,
        Update,
        Delete,
        Truncate,
        SetIdentidade,
        Transacao,
        CriarTabela,
        AlterarTabela,
        CriarVisao,
        CriarIndice,
        ExcluirIndice,
        ExcluirTabela,
        ExcluirVisao,
    };
    Tipo tipo = Select;
    int tokenInicio = 0;   // its first token (the line SQL Server's messages name)
    int subconsultas = 0;  // the most subqueries open at once inside it
    QString tabela;        // as written (last part of a qualified name)
    IdSelect select = -1;
    // INSERT
    bool temColunas = false;
    QStringList colunas;
    QVector<QVector<IdExpr>> linhas;  // VALUES
    bool valoresPadrao = false;       // DEFAULT VALUES
    // UPDATE
    struct Atribuicao {
        QString coluna;
        IdExpr valor = -1;
    };
    QVector<Atribuicao> atribuicoes;
    IdExpr onde = -1;
    // SET IDENTITY_INSERT, BEGIN / COMMIT / ROLLBACK
    ComandoTraduzido::Acao acao = ComandoTraduzido::Acao::Nenhuma;
    QString nomeTransacao;
    // CREATE TABLE, ALTER TABLE ... ADD
    QVector<ElementoTabela> elementos;
    bool tabelaDoLote = false;  // ALTER of a table created earlier in the same batch
    // CREATE INDEX (its columns in `colunas`), DROP INDEX
    bool unico = false;
    QString indice;
    QVector<bool> descendentes;
};

struct Arvore {
    QVector<Token> tokens;
    std::vector<NoExpr> expressoes;
    std::vector<NoSelect> selects;
    std::vector<ListaFrom> froms;
    std::vector<NoComando> comandos;

    const NoExpr& expr(IdExpr i) const { return expressoes[static_cast<size_t>(i)]; }
    const NoSelect& sel(IdSelect i) const { return selects[static_cast<size_t>(i)]; }
    const ListaFrom& from(IdFrom i) const { return froms[static_cast<size_t>(i)]; }
};

}  // namespace dados
