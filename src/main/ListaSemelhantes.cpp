#include "main/ListaSemelhantes.h"

QString ListaSemelhantes_SQL(const QString& fSQLMembros) {
    // The member query's FROM and WHERE parts, without its final blank.
    const qsizetype p = fSQLMembros.indexOf(QStringLiteral(" FROM "), 0, Qt::CaseInsensitive) + 1;
    return QStringLiteral(
               " SELECT Paciente.ID_Paciente, Paciente.Prontuário, Paciente.Nome + CASE WHEN "
               "Nome_Meio IS NULL THEN '' ELSE ' ' + Nome_Meio END + CASE WHEN Nome_Último IS "
               "NULL THEN '' ELSE ' ' + Nome_Último END AS Nome_Completo ") +
           QStringLiteral(" ") + fSQLMembros.mid(p - 1, fSQLMembros.size() - p);
}

bool ListaSemelhantes_Abrir(Connection& fCN, clsADO& fADO, Recordset& fRS, const QString& fSQL) {
    return fADO.AbrirRecordset(fCN, fRS, fSQL);
}
