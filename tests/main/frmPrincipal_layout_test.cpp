#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "main/frmPrincipal.h"

namespace {

template <typename W>
QString texto(const frmPrincipal& janela, const char* nome) {
    auto* w = janela.findChild<W*>(QString::fromUtf8(nome));
    EXPECT_NE(w, nullptr) << nome;
    if (!w) {
        return QString();
    }
    if constexpr (std::is_same_v<W, QGroupBox>) {
        return w->title();
    } else {
        return w->text();
    }
}

TEST(frmPrincipalJanela, CaptionsAndControlNames) {
    frmPrincipal janela;
    EXPECT_EQ(janela.windowTitle(),
              QStringLiteral("Tessivar - Unificação do cadastro de Pacientes"));
    EXPECT_EQ(texto<QGroupBox>(janela, "Frame2"), "Selecione os campos que deseja agrupar");
    EXPECT_EQ(texto<QGroupBox>(janela, "Frame3"), "Resultado do agrupamento");
    EXPECT_EQ(texto<QGroupBox>(janela, "Frame1"), "Dados do paciente");
    EXPECT_EQ(texto<QCheckBox>(janela, "chkNome"), "Nome");
    EXPECT_EQ(texto<QCheckBox>(janela, "chkNomeMeio"), "Nome do meio");
    EXPECT_EQ(texto<QCheckBox>(janela, "chkNomeUltimo"), QStringLiteral("Último nome"));
    EXPECT_EQ(texto<QCheckBox>(janela, "chkRG"), "RG");
    EXPECT_EQ(texto<QCheckBox>(janela, "chkCIC"), "CIC");
    EXPECT_EQ(texto<QCheckBox>(janela, "chkNascimento"), "Data Nascimento");
    EXPECT_EQ(texto<QCheckBox>(janela, "chkProntuario"), QStringLiteral("Prontuário"));
    EXPECT_EQ(texto<QPushButton>(janela, "cmdBuscar"), "&Agrupar");
    EXPECT_EQ(texto<QPushButton>(janela, "cmdUnificar"), "Unificar cadastros");
    EXPECT_EQ(texto<QLabel>(janela, "lblCaption1"), "Itens na lista:");
    EXPECT_EQ(texto<QLabel>(janela, "lblItensnaLista"), "100.000");
    EXPECT_EQ(texto<QLabel>(janela, "lblCaption"), "Pacientes com dados semelhantes");
    for (const char* nome : {"dbGridCriterio", "lstSemelhante", "Frame4", "Frame5",
                             "NvPreferSemelhante", "Line1_0", "Line1_1"}) {
        EXPECT_NE(janela.findChild<QWidget*>(QString::fromUtf8(nome)), nullptr) << nome;
    }
}

TEST(frmPrincipalJanela, InstructionTextsKeepTheirLinesAndTrailingBlanks) {
    frmPrincipal janela;
    EXPECT_EQ(janela.txtCaptionTexto(0),
              QStringLiteral("1- Selecione os dados que deseja agrupar para \r\n"
                             "obter possíveis cadastros duplicados\r\n"
                             "\r\n"
                             "Exemplo: selecione nome, último nome e clique em \r\n"
                             "Agrupar, a lista com o resultado do agrupamento \r\n"
                             "será preenchida com os pacientes que tiverem \r\n"
                             "nome e o último nome iguais. \r\n"));
    EXPECT_EQ(janela.txtCaptionTexto(1),
              QStringLiteral("2 - Selecione um item na lista de resultado do \r\n"
                             "agrupamento. A lista de pacientes semelhantes será \r\n"
                             "preenchida com os pacientes que obedecem aos \r\n"
                             "critérios de agrupamento.\r\n"
                             "Exemplo: Agrupamento nome e último nome, \r\n"
                             "Resultado do agrupamento Maria Silva, na lista de \r\n"
                             "pacientes semelhantes aparecerão todos os pacientes \r\n"
                             "de nome Maria e último nome de Silva\r\n"));
    EXPECT_EQ(janela.txtCaptionTexto(2),
              QStringLiteral("3- Marque na lista de Pacientes semelhantes os \r\n"
                             "cadastros que correspondem a um único paciente\r\n"
                             "\r\n"
                             "Clicando em Unificar, os pacientes marcados na \r\n"
                             "lista de paciente semelhantes serão unificados em \r\n"
                             "um mesmo cadastro.\r\n"));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(janela.txtCaptionTexto(i), frmPrincipal::TextoInstrucao(i));
        EXPECT_TRUE(janela.txtCaption[i]->isReadOnly());
    }
}

TEST(frmPrincipalJanela, InstructionBoxesGiveTheFocusBack) {
    frmPrincipal janela;
    janela.show();
    QApplication::setActiveWindow(&janela);
    janela.txtCaption[1]->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    EXPECT_FALSE(janela.txtCaption[1]->hasFocus());
    EXPECT_TRUE(janela.hasFocus());
}

}  // namespace
