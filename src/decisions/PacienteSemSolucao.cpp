#include "decisions/PacienteSemSolucao.h"

#include <QStringList>

#include "data/ado/Recordset.h"
#include "data/base/ErroNumerado.h"

bool PacienteSemSolucao_Marcados(Connection& fCN, clsADO& fADO, const QList<qint32>& fIDs,
                                 QSet<qint32>& fMarcados) {
    fMarcados.clear();
    if (fIDs.isEmpty()) {
        return true;
    }
    QStringList ids;
    for (const qint32 id : fIDs) {
        ids << QString::number(id);
    }
    Recordset rs;
    if (!fADO.AbrirRecordset(
            fCN, rs,
            QStringLiteral("SELECT DISTINCT ID_Paciente FROM PacienteLogSemSolucao "
                           "WHERE ID_Paciente IN (") +
                ids.join(QStringLiteral(", ")) + QStringLiteral(")"))) {
        return false;
    }
    for (; !rs.Eof(); rs.MoveNext()) {
        fMarcados.insert(rs.Fields(0).Value().toInt());
    }
    rs.Close();
    return true;
}
