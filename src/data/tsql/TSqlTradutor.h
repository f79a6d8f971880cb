#pragma once

#include <QString>
#include <QVector>

#include "data/tsql/TSqlCatalogo.h"
#include "data/tsql/TSqlLexico.h"

// The T-SQL dialect layer: a statement or batch of the program's T-SQL subset is parsed into
// a syntax tree (TSqlAnalisador) and written out (TSqlEscritor) as SQLite SQL that gives SQL
// Server's result on a register built by this layer (text columns carry the TSQL collation,
// dates the TSQLDATE collation, nvarchar lengths are CHECK constraints). Anything outside the
// subset throws ErroNumerado (command error) with the offending token named in the diagnostics log;
// it never runs something else.
namespace dados {

struct ComandoTraduzido {
    // Sessao: run by the engine itself (transaction levels, IDENTITY_INSERT), no SQLite text.
    enum Tipo { Consulta, Alteracao, Definicao, Sessao } tipo = Consulta;
    enum class Acao {
        Nenhuma,
        IniciarTransacao,
        ConfirmarTransacao,
        DesfazerTransacao,
        LigarIdentidade,
        DesligarIdentidade
    } acao = Acao::Nenhuma;
    QString sql;            // SQLite text
    int tokenInicio = 0;    // the first token of the statement it comes from
    QString tabelaAlvo;     // INSERT and IDENTITY_INSERT: the table as declared
    QString nomeTransacao;  // BEGIN/ROLLBACK TRAN name (empty when none)
    // INSERT into a table with an identity column: whether the statement gives its value (a
    // column list naming it) and whether it has a column list at all. Checked when the
    // statement runs, against the session's IDENTITY_INSERT.
    bool identidadeNaTabela = false;
    bool identidadeExplicita = false;
    bool listaDeColunas = false;
    // Parameter ?i of `sql` is the statement's literal number parametros[i-1] (literals counted
    // in the order they are written, from 0).
    QVector<int> parametros;
    // The parameters are written as plain `?`, in the order of `parametros` (the writer
    // numbers them ?N only where the text uses them in another order or more than once).
    bool parametrosSimples = false;
    // Thousands of terms (AND/OR chains, IN lists, CASE branches): SQLite's search for equal
    // constants to compute once is quadratic in them, so it is not asked for.
    bool muitosTermos = false;
    // Result columns of a query without *: names (a null entry keeps SQLite's name) and types.
    bool temNomes = false;
    QVector<QString> nomes;
    QVector<TipoSql> tipos;
    // A result wider than SQLite's: each SQLite column is a tsql_pacote of this many of the
    // result's columns (nomes and tipos count those). Empty for any other statement.
    QVector<int> pacotes;
};

struct Traducao {
    QVector<ComandoTraduzido> comandos;
    bool alteraEsquema = false;  // DDL: the catalogue and the cached translations go stale
    // Literals (texts, numbers, NULL) of the statement, numbered from 0 as written. Those
    // written into the text (TOP n, aliases, DDL, ORDER BY 1) must be equal, and those whose
    // kind decided the translation (int, numeric, text...) of the same kind, for a statement
    // of the same shape to share this translation.
    int literais = 0;
    QVector<int> literaisNoTexto;
    QVector<int> literaisComTipo;
};

// The SQLite text with every literal written in it. (EscreverTSql, over the parsed tree, can
// bind literals as parameters instead.)
Traducao TraduzirTSql(const QString& sql, const Catalogo& catalogo);

}  // namespace dados
