#include "review/GrupoComConflito.h"

#include "data/ado/Recordset.h"
#include "data/base/TextoSQL.h"
#include "review/clsComparacaoPacientes.h"
#include "review/clsVerificacaoSeguranca.h"

bool GrupoComConflito(Connection& fCN, clsADO& fADO, QList<qint32>& fIDs, int fLimite) {
    fIDs.clear();
    Recordset grupos;
    if (!fADO.AbrirRecordset(fCN, grupos,
                             "SELECT TOP " + QString::number(fLimite) +
                                 " Nome, Nome_Último FROM Paciente WHERE Nome IS NOT NULL AND "
                                 "Nome_Último IS NOT NULL GROUP BY Nome, Nome_Último HAVING "
                                 "MAX(ID_Paciente) <> MIN(ID_Paciente) ORDER BY Nome, "
                                 "Nome_Último")) {
        return false;
    }
    for (; !grupos.Eof(); grupos.MoveNext()) {
        Recordset membros;
        if (!fADO.AbrirRecordset(
                fCN, membros,
                "SELECT TOP 6 ID_Paciente FROM Paciente WHERE Nome = " +
                    dados::LiteralTSql(grupos.Fields(0).Value()) + " AND Nome_Último = " +
                    dados::LiteralTSql(grupos.Fields(1).Value()) + " ORDER BY ID_Paciente")) {
            return false;
        }
        QList<qint32> ids;
        for (; !membros.Eof(); membros.MoveNext()) {
            ids << membros.Fields(0).Value().toInt();
        }
        clsComparacaoPacientes comparacao(fCN, fADO);
        if (!comparacao.Carregar(ids)) {
            return false;
        }
        if (!clsVerificacaoSeguranca::Conflitos(comparacao, {}, {}).isEmpty()) {
            fIDs = ids;
            return true;
        }
    }
    return false;
}
