#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "data/ado/Connection.h"
#include "data/ado/Recordset.h"

// A fresh, empty register file in a temporary folder, removed with the object, and one open
// Connection on it:
//     TempRegister reg;
//     reg.exec("CREATE TABLE Paciente (...)");
//     clsADO ado; ado.ExecutarSQL(reg.conn(), "...");
// Other connections may open connectionString() (the same file).
class TempRegister {
  public:
    // `busyTimeoutMs` goes into the connection string (how long a locked register is waited
    // for); tests of locking use a short one.
    explicit TempRegister(int busyTimeoutMs = -1);
    ~TempRegister();

    QString path() const { return m_path; }
    QString connectionString() const { return m_connectionString; }
    Connection& conn() { return *m_conn; }

    // Runs T-SQL on conn(); a failure fails the current test (ADD_FAILURE) and returns false.
    bool exec(const QString& sql);
    // The first column of the first row of a query, or a null QVariant (failure reported).
    QVariant scalar(const QString& sql);

  private:
    QTemporaryDir m_dir;
    QString m_path;
    QString m_connectionString;
    std::unique_ptr<Connection> m_conn;
};
