#include "data/tsql/TSqlTradutor.h"

#include "data/tsql/TSqlAnalisador.h"
#include "data/tsql/TSqlEscritor.h"

namespace dados {

Traducao TraduzirTSql(const QString& sql, const Catalogo& catalogo) {
    return EscreverTSql(sql, AnalisarTSql(sql, AnalisarLexico(sql)), catalogo, false);
}

Traducao TraduzirTSqlParametrizado(const QString& sql, QVector<Token> tokens,
                                   const Catalogo& catalogo) {
    return EscreverTSql(sql, AnalisarTSql(sql, std::move(tokens)), catalogo, true);
}

}  // namespace dados
