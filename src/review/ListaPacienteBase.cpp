#include "review/ListaPacienteBase.h"

bool ListaPacienteBase_Abrir(Connection& fCN, clsADO& fADO, Recordset& fRS,
                             const QStringList& fArPacientes) {
    QString ids = fArPacientes.join(QLatin1Char(','));
    if (ids.endsWith(QLatin1Char(','))) {
        ids.chop(1);
    }
    const QString sql =
        QStringLiteral(
            " SELECT TOP 500 ID_Paciente, Prontuário, Nome + Case When Nome_Meio Is Null "
            "Then '' Else ' ' + Nome_Meio End + Case When Nome_Último Is Null Then '' "
            "Else ' ' + Nome_Último End as Nome_Completo, ID_Paciente_Externo ") +
        QStringLiteral(" FROM Paciente  ") + QStringLiteral(" WHERE ID_Paciente IN (") + ids +
        QStringLiteral(")");
    return fADO.AbrirRecordset(fCN, fRS, sql);
}
