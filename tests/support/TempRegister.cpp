#include "TempRegister.h"

#include <gtest/gtest.h>

#include "data/base/ErroNumerado.h"
#include "data/sqlite/MotorEmbutido.h"

TempRegister::TempRegister(int busyTimeoutMs) : m_conn(std::make_unique<Connection>()) {
    m_path = m_dir.filePath(QStringLiteral("registro.db"));
    QString erro;
    if (!dados::CriarRegistroVazio(m_path, &erro)) {
        ADD_FAILURE() << "cannot create register: " << erro.toStdString();
    }
    m_connectionString = QStringLiteral("Provider=SQLite;Data Source=") + m_path;
    if (busyTimeoutMs >= 0) {
        m_connectionString += QStringLiteral(";Busy Timeout=%1").arg(busyTimeoutMs);
    }
    try {
        m_conn->Open(m_connectionString);
    } catch (const ErroNumerado& e) {
        ADD_FAILURE() << "cannot open register: " << e.what();
    }
}

TempRegister::~TempRegister() {
    m_conn.reset();  // closes the file before the folder goes away
}

bool TempRegister::exec(const QString& sql) {
    try {
        m_conn->Execute(sql);
        return true;
    } catch (const ErroNumerado& e) {
        ADD_FAILURE() << e.what() << "\n  in: " << sql.toStdString();
        return false;
    }
}

QVariant TempRegister::scalar(const QString& sql) {
    try {
        Recordset rs;
        rs.Open(sql, *m_conn);
        if (rs.Eof()) {
            return QVariant();
        }
        return rs.Fields(0).Value();
    } catch (const ErroNumerado& e) {
        ADD_FAILURE() << e.what() << "\n  in: " << sql.toStdString();
        return QVariant();
    }
}
