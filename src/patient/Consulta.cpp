#include "patient/Consulta.h"

#include "data/ado/clsADO.h"
#include "data/base/ErroNumerado.h"
#include "data/base/ValorSeNulo.h"
#include "patient/clsError.h"

namespace consulta {

namespace {
void erroDoBanco(clsADO& ado, clsError& erro, const QString& funcao) {
    erro.AtualizarErro(ado.ErrorNumber(), ado.ErrorString(), funcao);
}
}  // namespace

qint64 Contar(Connection& cn, clsADO& ado, const QString& sql, clsError& erro,
              const QString& funcao) {
    Recordset rs;
    if (!ado.AbrirRecordset(cn, rs, sql)) {
        erroDoBanco(ado, erro, funcao);
        return -1;
    }
    const qint64 total = rs.Eof() ? 0 : ValorSeNulo(rs.Fields(0).Value(), 0).toLongLong();
    rs.Close();
    return total;
}

bool Localizar(Connection& cn, clsADO& ado, const QString& sql, clsError& erro,
               const QString& funcao, const std::function<void(Recordset&)>& carregar) {
    Recordset rs;
    if (!ado.AbrirRecordset(cn, rs, sql)) {
        erroDoBanco(ado, erro, funcao);
        return false;
    }
    try {
        const bool achou = rs.RecordCount() != 0;
        if (achou)
            carregar(rs);
        rs.Close();
        return achou;
    } catch (const ErroNumerado& e) {
        // A table that lacks a column the record reads.
        erro.AtualizarErro(e.Number(), e.Description(), funcao);
        return false;
    }
}

}  // namespace consulta
