#include "merge/TravaPacientes.h"

#include <QSet>
#include <QStringList>

#include "data/ado/Recordset.h"

bool PedeBloqueioDeLinhas(Connection& fCN) {
    return fCN.Properties(QStringLiteral("DBMS Name"))
        .toString()
        .contains(QStringLiteral("SQL Server"), Qt::CaseInsensitive);
}

bool PacientesTravar(Connection& fCN, clsADO& fADO, const QList<qint32>& fIDs, qint32& fAusente) {
    fAusente = 0;
    if (fIDs.isEmpty()) {
        return true;
    }
    QStringList ids;
    for (const qint32 id : fIDs) {
        ids << QString::number(id);
    }
    const QString dica =
        PedeBloqueioDeLinhas(fCN) ? QStringLiteral(" WITH (UPDLOCK, HOLDLOCK)") : QString();
    Recordset rs;
    if (!fADO.AbrirRecordset(fCN, rs,
                             " SELECT ID_Paciente FROM Paciente" + dica +
                                 " WHERE ID_Paciente IN (" + ids.join(QStringLiteral(", ")) +
                                 ")")) {
        return false;
    }
    QSet<qint32> presentes;
    for (; !rs.Eof(); rs.MoveNext()) {
        presentes.insert(rs.Fields(0).Value().toInt());
    }
    rs.Close();
    for (const qint32 id : fIDs) {
        if (!presentes.contains(id)) {
            fAusente = id;
            return false;
        }
    }
    return true;
}
