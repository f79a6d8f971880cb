#pragma once

#include <QString>
#include <QVector>

#include "data/tsql/TSqlCatalogo.h"

// The T-SQL dialect layer: a statement or batch of the program's T-SQL subset is parsed and
// written out as SQLite SQL that gives SQL Server's result on a register built by this layer
// (text columns carry the TSQL collation, dates the TSQLDATE collation, nvarchar lengths are
// CHECK constraints). Anything outside the subset throws ErroNumerado (command error) with the
// offending token named in the diagnostics log; it never runs something else.
namespace dados {

struct ComandoTraduzido {
    enum Tipo { Consulta, Alteracao, Definicao } tipo = Consulta;
    QString sql;         // SQLite text
    QString tabelaAlvo;  // INSERT: the target table (for @@IDENTITY)
    // Result columns of a query without *: names (a null entry keeps SQLite's name) and types.
    bool temNomes = false;
    QVector<QString> nomes;
    QVector<TipoSql> tipos;
};

struct Traducao {
    QVector<ComandoTraduzido> comandos;
    bool alteraEsquema = false;  // DDL: the catalogue and the cached translations go stale
};

Traducao TraduzirTSql(const QString& sql, const Catalogo& catalogo);

}  // namespace dados
