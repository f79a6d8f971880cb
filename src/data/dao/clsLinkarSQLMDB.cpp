#include "data/dao/clsLinkarSQLMDB.h"

#include "data/ado/Recordset.h"
#include "data/ado/clsADO.h"
#include "data/base/ErroNumerado.h"
#include "data/base/ValorSeNulo.h"
#include "data/dao/clsDAO.h"

QString clsLinkarSQLMDB::ErrorString() {
    switch (m_errorNumber) {
        case -6:
            m_errorString = QStringLiteral("MDBFullPath não especificado");
            break;
        case -5:
            m_errorString = QStringLiteral("SQLRegisterName não especificado");
            break;
        case -4:
            m_errorString = QStringLiteral("SQLDatabaseName não especificado");
            break;
        case -3:
            m_errorString = QStringLiteral("SQLPassword não especificado");
            break;
        case -2:
            m_errorString = QStringLiteral("SQLUserID não especificado");
            break;
        case -1:
            m_errorString = QStringLiteral("SQLServerName não especificado");
            break;
        default:
            break;
    }
    return m_errorString;
}

bool clsLinkarSQLMDB::RegistrarDatabase(const QString& fRegisterName, const QString& fAttributes) {
    try {
        DBEngine::RegisterDatabase(fRegisterName, "SQL Server", true, fAttributes);
        return true;
    } catch (const ErroNumerado& e) {
        m_errorNumber = e.Number();
        m_errorString = e.Description();
        return false;
    }
}

bool clsLinkarSQLMDB::LinkarTabela(const QString& fRegisterName, DaoDatabase& fDB,
                                   Connection& fCN) {
    const QString texto;
    const QString database = fCN.DefaultDatabase();
    const QString usuario = ValorSeNulo(fCN.Properties("User ID"), texto).toString();
    const QString senha = ValorSeNulo(fCN.Properties("Password"), texto).toString();
    const QString servidor = ValorSeNulo(fCN.Properties("Data Source"), texto).toString();

    const QChar cr(13);
    const QString atributos = "Database=" + database + cr + "Description=" + database + cr +
                              "OemToAnsi=No" + cr + "Server=" + servidor;
    if (!RegistrarDatabase(fRegisterName, atributos)) {
        return false;
    }

    Recordset tabelas;
    if (!m_ado.AbrirRecordset(
            fCN, tabelas,
            "Select * From sysobjects Where OBJECTPROPERTY(id, N'IsUserTable') = 1")) {
        m_errorNumber = m_ado.ErrorNumber();
        m_errorString = m_ado.ErrorString();
        return false;
    }
    clsDAO dao;
    const QString connect =
        "ODBC;DSN=" + fRegisterName + ";Database=" + database + ";uid=" + usuario + ";pwd=" + senha;
    for (; !tabelas.Eof(); tabelas.MoveNext()) {
        const QString nome = ValorSeNulo(tabelas.Fields(0).Value(), texto).toString();
        if (dao.TableExiste(fDB, "dbo_" + nome)) {
            continue;
        }
        TableDef td;
        td.Attributes = dbAttachSavePWD;
        td.Connect = connect;
        td.Name = "dbo_" + nome;
        td.SourceTableName = nome;
        fDB.TableDefs().Append(td);
    }
    tabelas.Close();
    return true;
}
