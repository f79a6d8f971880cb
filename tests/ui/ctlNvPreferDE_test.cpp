#include <gtest/gtest.h>

#include <QDate>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include "ui/DE.h"
#include "ui/Detalhe.h"
#include "ui/ctlNvPreferDE.h"

namespace {

void escrever(const QString& caminho, const QByteArray& conteudo) {
    QFile arquivo(caminho);
    ASSERT_TRUE(arquivo.open(QIODevice::WriteOnly));
    arquivo.write(conteudo);
}

}  // namespace

TEST(ctlNvPreferDE, SemPreferenciasMostraTodosOsCamposNaOrdemPadrao) {
    QTemporaryDir pasta;
    ctlNvPreferDE controle;
    EXPECT_EQ(controle.FieldCount(), 0);  // nothing before Init

    Detalhe_Configurar(controle, pasta.filePath("Paciente.pre"), &DE(), "ID_Paciente",
                       &DE().rsPaciente);
    ASSERT_EQ(controle.FieldCount(), 21);
    EXPECT_EQ(controle.ChaveDoCampo(0), "Nome_Completo");
    // What tells one record from another comes right under the name.
    EXPECT_EQ(controle.ChaveDoCampo(1), "ID_Paciente");
    EXPECT_EQ(controle.ChaveDoCampo(2), "Exames");
    EXPECT_EQ(controle.ChaveDoCampo(20), "Prontuário");
    EXPECT_EQ(controle.ChaveDoCampo(21), "");
    EXPECT_EQ(controle.Posicao("prontuário"), 20);
    EXPECT_EQ(controle.Posicao("Apelido"), -1);
}

TEST(ctlNvPreferDE, ValoresPorChaveOuPosicaoELimpeza) {
    ctlNvPreferDE controle;
    controle.Init();
    controle.FieldValue("Nome_Completo", QString("MARIA DA SILVA"));
    controle.FieldValue("data_nascimento", QDateTime(QDate(1961, 3, 7), QTime(0, 0)));
    controle.FieldValue(9, 72.5);
    controle.FieldValue("Apelido", QString("ignored"));
    controle.FieldValue(-1, QString("ignored"));
    controle.FieldValue(21, QString("ignored"));
    controle.FieldValue("RG", QVariant());

    EXPECT_EQ(controle.TextoDoCampo(0), "MARIA DA SILVA");
    EXPECT_EQ(controle.TextoDoCampo("Data_Nascimento"), "07/03/1961");
    EXPECT_EQ(controle.TextoDoCampo("Peso"), "72,5");
    EXPECT_EQ(controle.TextoDoCampo("RG"), "");
    // Shown read-only, under the key as object name.
    auto* caixa = controle.findChild<QLineEdit*>("Nome_Completo");
    ASSERT_NE(caixa, nullptr);
    EXPECT_TRUE(caixa->isReadOnly());

    Detalhe_Limpar(controle);
    for (int i = 0; i < controle.FieldCount(); ++i) {
        EXPECT_EQ(controle.TextoDoCampo(i), "") << i;
    }
}

TEST(ctlNvPreferDE, PreferenciasRenomeiamEReordenamAsLegendas) {
    QTemporaryDir pasta;
    const QString caminho = pasta.filePath("Paciente.pre");
    // In the Windows code page, as the program's own tools write it.
    escrever(caminho, QString("; detail of the patient\n"
                              "[CAMPOS]\n"
                              "ordem = Prontuário, nome_completo, Apelido, RG, Prontuário ; first\n"
                              "[Legendas]\n"
                              "Prontuário=Registro\n"
                              "RG = Identidade\n"
                              "Raça=Cor/raça\n"
                              "CIC=\n")
                          .toLatin1());
    ctlNvPreferDE controle;
    Detalhe_Configurar(controle, caminho, nullptr, "ID_Paciente", nullptr);

    ASSERT_EQ(controle.FieldCount(), 21);  // unknown and repeated keys skipped, none lost
    EXPECT_EQ(controle.ChaveDoCampo(0), "Prontuário");
    EXPECT_EQ(controle.ChaveDoCampo(1), "Nome_Completo");
    EXPECT_EQ(controle.ChaveDoCampo(2), "RG");
    EXPECT_EQ(controle.ChaveDoCampo(3), "ID_Paciente");  // then the standard order
    EXPECT_EQ(controle.ChaveDoCampo(5), "CIC");
    EXPECT_EQ(controle.ChaveDoCampo(20), "Convênio");
    EXPECT_EQ(controle.LegendaDoCampo(0), "Registro");
    EXPECT_EQ(controle.LegendaDoCampo(2), "Identidade");
    EXPECT_EQ(controle.LegendaDoCampo(5), "CIC");  // empty caption keeps the standard one
    EXPECT_EQ(controle.LegendaDoCampo(1), "Nome completo");
    EXPECT_EQ(controle.LegendaDoCampo(controle.Posicao("Raça")), "Cor/raça");

    controle.FieldValue("Prontuário", QString("12345"));
    EXPECT_EQ(controle.TextoDoCampo(0), "12345");
}

TEST(ctlNvPreferDE, AjustarAlternaTodosOsCamposMenosOPrimeiro) {
    ctlNvPreferDE vazio;
    Detalhe_Ajustar(vazio);  // no fields: only the control's switch
    EXPECT_TRUE(vazio.ControlOption());
    Detalhe_Limpar(vazio);

    ctlNvPreferDE controle;
    controle.Init();
    EXPECT_FALSE(controle.ControlOption());
    for (int i = 0; i < controle.FieldCount(); ++i) {
        EXPECT_TRUE(controle.OpcaoDoCampo(i));
    }
    Detalhe_Ajustar(controle);
    EXPECT_TRUE(controle.ControlOption());
    EXPECT_TRUE(controle.OpcaoDoCampo(0));
    for (int i = 1; i < controle.FieldCount(); ++i) {
        EXPECT_FALSE(controle.OpcaoDoCampo(i)) << i;
    }
    auto* nome = controle.findChild<QLineEdit*>("Nome_Completo");
    auto* rg = controle.findChild<QLineEdit*>("RG");
    EXPECT_TRUE(nome->font().bold());
    EXPECT_FALSE(rg->font().bold());
    EXPECT_FALSE(rg->hasFrame());
}

TEST(Detalhe, NomeCompletoMontar) {
    EXPECT_EQ(NomeCompleto_Montar("MARIA", "DA", "SILVA"), "MARIA DA SILVA");
    EXPECT_EQ(NomeCompleto_Montar("MARIA", "", "SILVA"), "MARIA SILVA");
    EXPECT_EQ(NomeCompleto_Montar("", "DA", "SILVA"), " DA SILVA");
}
