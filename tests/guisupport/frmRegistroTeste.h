#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "Esquema.h"
#include "data/ado/Recordset.h"
#include "data/sqlite/MotorEmbutido.h"
#include "guisupport/JanelaTeste.h"
#include "merge/clsPacienteUnificar.h"
#include "ui/DE.h"

// The merge dialogs' register: the product tables and the log tables, as start-up leaves
// them, opened as the program's shared connection; the logged-in user is 42.
class RegistroJanelaMerge : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pasta.isValid());
        const QString arquivo = pasta.filePath("registro.db");
        QString erro;
        ASSERT_TRUE(dados::CriarRegistroVazio(arquivo, &erro)) << erro.toStdString();
        ASSERT_TRUE(ADO().AbrirConexão(cn(), "Provider=SQLite;Data Source=" + arquivo));
        ASSERT_TRUE(registro::CriarEsquema(cn(), ADO(), erro)) << erro.toStdString();
        ASSERT_TRUE(clsPacienteUnificar(cn(), ADO()).CriarTabelas());
        ID_UsuarioLogado = 42;
    }
    void TearDown() override {
        if (DE().rsGeral.State() == adStateOpen) {
            DE().rsGeral.Close();
        }
        ADO().FecharConexão(cn());
        ID_UsuarioLogado = 0;
    }

    static Connection& cn() { return DE().Conexao; }
    static void executar(const QString& sql) {
        ASSERT_TRUE(ADO().ExecutarSQL(cn(), sql)) << sql.toStdString();
    }
    // The first column of the first row, or an invalid value when there is none.
    static QVariant valor(const QString& sql) {
        Recordset rs;
        EXPECT_TRUE(ADO().AbrirRecordset(cn(), rs, sql)) << sql.toStdString();
        return rs.RecordCount() > 0 ? rs.Fields(0).Value() : QVariant();
    }

    QTemporaryDir pasta;
};
