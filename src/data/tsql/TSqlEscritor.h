#pragma once

#include <QString>

#include "data/tsql/TSqlArvore.h"
#include "data/tsql/TSqlCatalogo.h"
#include "data/tsql/TSqlTradutor.h"

// The writer: a parsed batch becomes SQLite text that gives SQL Server's result on a register
// built by this layer. Types come from the catalogue and the query's scope; with
// `parametrizar`, literals become bound parameters where SQLite takes them (see Traducao).
// What the catalogue refuses (an unknown table for IDENTITY_INSERT, an identity column set by
// UPDATE) throws ErroNumerado with SQL Server's message.
namespace dados {

Traducao EscreverTSql(const QString& sql, const Arvore& arvore, const Catalogo& catalogo,
                      bool parametrizar);

}  // namespace dados
