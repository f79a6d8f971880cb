#pragma once

#include <QString>
#include <functional>

class Connection;
class Recordset;
class clsADO;
class clsError;

// The reading pattern every record class follows: open a client-side record set through
// clsADO, read it, close it; a failure goes into the record's Erro as the database error
// (clsADO's number and text), the operation's name and an empty field name.
namespace consulta {

// The first column of the first row as a number (0 when there is no row or it is NULL);
// -1 when the query failed, with `erro` filled.
qint64 Contar(Connection& cn, clsADO& ado, const QString& sql, clsError& erro,
              const QString& funcao);

// True when the query gave at least one row; `carregar` then reads the first row. False when it
// gave none (Erro untouched) or failed (Erro filled: the database error, or a column that
// `carregar` could not find).
bool Localizar(Connection& cn, clsADO& ado, const QString& sql, clsError& erro,
               const QString& funcao, const std::function<void(Recordset&)>& carregar);

}  // namespace consulta
