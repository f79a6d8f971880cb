#pragma once

#include <QString>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "data/dao/DaoDatabase.h"

// Links every user table of the SQL Server database behind an open connection into a desktop
// database as "dbo_" + name, through an ODBC data source it registers for that server.
class clsLinkarSQLMDB {
  public:
    // The table list is read through fADO, whose failure this instance then copies.
    explicit clsLinkarSQLMDB(clsADO& fADO) : m_ado(fADO) {}

    // Registers the user data source `fRegisterName` for the driver "SQL Server" with the
    // attribute list `fAttributes` ("key=value" entries separated by CR). Failures are
    // captured.
    bool RegistrarDatabase(const QString& fRegisterName, const QString& fAttributes);
    // Server, database and credentials come from `fCN`. A failure of the registration or of
    // the table list is captured (False); any other failure passes to the caller as
    // ErroNumerado, and the tables linked before it stay linked.
    bool LinkarTabela(const QString& fRegisterName, DaoDatabase& fDB, Connection& fCN);

    qint32 ErrorNumber() const { return m_errorNumber; }
    void setErrorNumber(qint32 v) { m_errorNumber = v; }
    // The codes -1 to -6 read as their fixed texts (and keep them).
    QString ErrorString();
    void setErrorString(const QString& v) { m_errorString = v; }

  private:
    clsADO& m_ado;
    qint32 m_errorNumber = 0;
    QString m_errorString;
};
