#pragma once

#include <gtest/gtest.h>

#include <QFile>
#include <QStringList>

#include "EsquemaProduto.h"
#include "data/ado/clsADO.h"
#include "data/base/Diagnostico.h"
#include "data/base/ValorSeNulo.h"
#include "support/TempRegister.h"

// The dialect tests' register: the product's tables on the embedded engine, and statements
// that must work or must fail, on the test's connection or another one.
class RegistroSqlTeste : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(reg.exec(EsquemaProdutoTeste()));
        QFile::remove(dados::ArquivoDiagnostico());
    }

    void exec(const QString& sql) {
        EXPECT_TRUE(ado.ExecutarSQL(reg.conn(), sql))
            << ado.ErrorNumber() << " " << ado.ErrorString().toStdString() << "\n"
            << sql.left(200).toStdString();
    }
    // A statement that must fail; its error number.
    qint32 falha(const QString& sql, Connection* c = nullptr) {
        EXPECT_FALSE(ado.ExecutarSQL(c ? *c : reg.conn(), sql)) << sql.left(200).toStdString();
        return ado.ErrorNumber();
    }
    // A query that must fail to open; its error number.
    qint32 falhaConsulta(const QString& sql) {
        Recordset rs;
        EXPECT_FALSE(ado.AbrirRecordset(reg.conn(), rs, sql)) << sql.left(200).toStdString();
        return ado.ErrorNumber();
    }
    // Every row of a query as "v1|v2|..." (NULL as <NULL>, values as the program shows them).
    QStringList linhas(const QString& sql, Connection* c = nullptr) {
        Recordset rs;
        QStringList r;
        if (!ado.AbrirRecordset(c ? *c : reg.conn(), rs, sql)) {
            ADD_FAILURE() << ado.ErrorNumber() << " " << ado.ErrorString().toStdString() << "\n"
                          << sql.left(200).toStdString();
            return r;
        }
        for (; !rs.Eof(); rs.MoveNext()) {
            QStringList celulas;
            for (int i = 0; i < rs.FieldCount(); ++i) {
                const QVariant v = rs.Fields(i).Value();
                celulas << (v.isNull() ? QStringLiteral("<NULL>") : TextoDoValor(v));
            }
            r << celulas.join(QLatin1Char('|'));
        }
        return r;
    }
    QString um(const QString& sql, Connection* c = nullptr) { return linhas(sql, c).value(0); }
    // The diagnostics log written since the test began.
    static QString log() {
        QFile f(dados::ArquivoDiagnostico());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    TempRegister reg;
    clsADO ado;
};
