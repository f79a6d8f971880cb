#include "patient/ExamesPaciente.h"

#include "data/ado/Recordset.h"
#include "data/ado/clsADO.h"

namespace {

bool contar(Connection& cn, clsADO& ado, const QString& tabela, qint32 id, qint32& total) {
    Recordset rs;
    if (!ado.AbrirRecordset(cn, rs,
                            QStringLiteral("SELECT COUNT(*) AS Total FROM ") + tabela +
                                QStringLiteral(" WHERE ID_Paciente = ") + QString::number(id))) {
        return false;
    }
    total = rs.RecordCount() > 0 ? rs.Fields(0).Value().toInt() : 0;
    rs.Close();
    return true;
}

}  // namespace

bool ContarExames(Connection& fCN, clsADO& fADO, qint32 fID_Paciente, ContagemExames& fContagem) {
    fContagem = {};
    return contar(fCN, fADO, QStringLiteral("Exame"), fID_Paciente, fContagem.exame) &&
           contar(fCN, fADO, QStringLiteral("Exame_BK"), fID_Paciente, fContagem.exameBK);
}

QString TextoContagemExames(const ContagemExames& fContagem) {
    QString texto = QString::number(fContagem.exame);
    if (fContagem.exameBK > 0) {
        texto += QStringLiteral(" (+%1 na cópia de segurança)").arg(fContagem.exameBK);
    }
    return texto;
}
