#include "merge/TravaPacientes.h"

#include <QSet>
#include <QStringList>
#include <atomic>

#include "data/ado/Recordset.h"

namespace {

std::atomic<int> g_simulados{0};

}  // namespace

BloqueioDeLinhasSimulado::BloqueioDeLinhasSimulado() {
    ++g_simulados;
}

BloqueioDeLinhasSimulado::~BloqueioDeLinhasSimulado() {
    --g_simulados;
}

bool PedeBloqueioDeLinhas(Connection& fCN) {
    return g_simulados > 0 || fCN.Properties(QStringLiteral("DBMS Name"))
                                  .toString()
                                  .contains(QStringLiteral("SQL Server"), Qt::CaseInsensitive);
}

QString DicaBloqueio(Connection& fCN) {
    return PedeBloqueioDeLinhas(fCN) ? QStringLiteral(" WITH (UPDLOCK, HOLDLOCK)") : QString();
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
    Recordset rs;
    if (!fADO.AbrirRecordset(fCN, rs,
                             " SELECT ID_Paciente FROM Paciente" + DicaBloqueio(fCN) +
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
