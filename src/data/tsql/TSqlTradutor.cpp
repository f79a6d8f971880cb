#include "data/tsql/TSqlTradutor.h"

#include "data/tsql/TSqlAnalisador.h"
#include "data/tsql/TSqlEscritor.h"

namespace dados {

Traducao TraduzirTSql(const QString& sql, const Catalogo& catalogo) {
    return EscreverTSql(sql, AnalisarTSql(sql, AnalisarLexico(sql)), catalogo, false);
}

}  // namespace dados
