#include "data/ado/CriarTabelaSeAusente.h"

#include <QRegularExpression>

namespace {

// The engines' own words for "there is already such an object", as clsADO keeps them beside
// the short text: SQLite's message, and SQL Server's native number or SQLSTATE 42S01 in the
// ODBC diagnostics ("[42S01] (2714) ...").
bool JaExiste(const QString& detalhe) {
    static const QRegularExpression jaExiste(
        QStringLiteral("already exists|(\\(|Msg )(2714|1779|1781)\\b|\\[42S01\\]"));
    return jaExiste.match(detalhe).hasMatch();
}

}  // namespace

bool CriarTabelaSeAusente(Connection& fCN, clsADO& fADO, const QString& fTabela,
                          const QString& fSQL) {
    if (fADO.TableExiste(fCN, fTabela) || fADO.ExecutarSQL(fCN, fSQL)) {
        return true;
    }
    if (!JaExiste(fADO.DetalheDoErro())) {
        return false;
    }
    const qint32 numero = fADO.ErrorNumber();
    const QString texto = fADO.ErrorString();
    if (fADO.TableExiste(fCN, fTabela)) {
        return true;
    }
    fADO.setErrorNumber(numero);
    fADO.setErrorString(texto);
    return false;
}
