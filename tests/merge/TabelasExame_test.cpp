#include <gtest/gtest.h>

#include "merge/clsDesc_ImpressaoTipo.h"
#include "merge/clsEtapa_Tipo.h"
#include "merge/clsTabelasExame.h"
#include "support/RegistroProduto.h"
#include "support/SqlRecorder.h"

TEST(clsTabelasExame, SelectorSwitchesAllNamesAndIgnoresOtherValues) {
    clsTabelasExame t;
    EXPECT_EQ(t.TBExame(), "Exame");
    t.setTBTipo(1);
    EXPECT_EQ(t.TBExame(), "Exame_BK");
    EXPECT_EQ(t.TBExame_Responsável(), QString::fromUtf8("Exame_Responsável_BK"));
    t.setTBTipo(2);
    EXPECT_EQ(t.TBExame(), "Exame_BK");
    // A name set alone is set again by the selector.
    t.setTBExame_CID("Outra");
    t.setTBTipo(0);
    EXPECT_EQ(t.TBExame_CID(), "Exame_CID");
}

TEST(clsEtapa_Tipo, LocalizarAndExistir) {
    RegistroProduto reg;
    reg.exec(QString::fromUtf8(
        "INSERT INTO Etapa_Tipo (Etapa_Tipo, Descrição) VALUES ('MACROSCOPIA', NULL)"));
    clsEtapa_Tipo e(reg.cn, reg.ado);
    SqlRecorder sql(reg.cn);
    ASSERT_TRUE(e.Localizar(1));
    EXPECT_EQ(e.ID_Etapa_Tipo(), 1);
    EXPECT_EQ(e.Etapa_Tipo().Valor(), "MACROSCOPIA");
    EXPECT_EQ(e.Descrição().Valor(), "");
    EXPECT_FALSE(e.Localizar(2));  // the fields stay as they were
    EXPECT_EQ(e.ID_Etapa_Tipo(), 1);
    EXPECT_EQ(e.Etapa_Tipo().Valor(), "MACROSCOPIA");
    EXPECT_TRUE(e.Existir(1));
    EXPECT_FALSE(e.Existir(2));
    EXPECT_EQ(sql.log(),
              QStringList({"Query: Select * From Etapa_Tipo Where ID_Etapa_Tipo = 1",
                           "Query: Select * From Etapa_Tipo Where ID_Etapa_Tipo = 2",
                           "Query: Select ID_Etapa_Tipo From Etapa_Tipo Where ID_Etapa_Tipo = 1",
                           "Query: Select ID_Etapa_Tipo From Etapa_Tipo Where ID_Etapa_Tipo = 2"}));

    reg.exec("DROP TABLE Etapa_Tipo");
    EXPECT_FALSE(e.Existir(1));
    EXPECT_EQ(e.Erro().ErrorFunction(), "Existir");
    EXPECT_EQ(e.Erro().ErrorNumber(), reg.ado.ErrorNumber());
    EXPECT_FALSE(e.Localizar(1));
    EXPECT_EQ(e.Erro().ErrorFunction(), "Localizar");
    EXPECT_EQ(e.Erro().ErrorString(), reg.ado.ErrorString());
}

TEST(clsDesc_ImpressaoTipo, LocalizarAndExistir) {
    RegistroProduto reg;
    reg.exec(
        QString::fromUtf8("INSERT INTO Descritivo_Impressão_Tipo (Descritivo_Impressão_Tipo, rpt) "
                          "VALUES ('LAUDO PADRÃO', 'Laudo.rpt')"));
    clsDesc_ImpressãoTipo d(reg.cn, reg.ado);
    SqlRecorder sql(reg.cn);
    EXPECT_TRUE(d.Existir(1));
    EXPECT_FALSE(d.Existir(7));
    ASSERT_TRUE(d.Localizar(1));
    EXPECT_EQ(d.ID_Descritivo_Impressão_Tipo(), 1);
    EXPECT_EQ(d.Descritivo_Impressão_Tipo().Valor(), QString::fromUtf8("LAUDO PADRÃO"));
    EXPECT_EQ(d.RPT().Valor(), "Laudo.rpt");
    EXPECT_EQ(
        sql.log(),
        QStringList({QString::fromUtf8("Query: Select count(*) From Descritivo_Impressão_Tipo  "
                                       "Where ID_Descritivo_Impressão_Tipo = 1 "),
                     QString::fromUtf8("Query: Select count(*) From Descritivo_Impressão_Tipo  "
                                       "Where ID_Descritivo_Impressão_Tipo = 7 "),
                     QString::fromUtf8("Query: Select * From Descritivo_Impressão_Tipo  Where "
                                       "ID_Descritivo_Impressão_Tipo = 1")}));
    reg.exec(QString::fromUtf8("DROP TABLE Descritivo_Impressão_Tipo"));
    EXPECT_FALSE(d.Localizar(1));
    EXPECT_EQ(d.Erro().ErrorFunction(), "Localizar");
    EXPECT_EQ(d.RPT().Valor(), "Laudo.rpt");  // a failed read leaves the fields alone
}
