// The main window in everyday use: where the focus goes after a command, the grid read again
// after an undo in another window, a group of empty values that says what it is, the search
// box, and the dialogs' tables and names.

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

#include "frmPrincipalTeste.h"
#include "history/frmHistorico.h"
#include "review/frmCompararPacientes.h"
#include "review/frmPacienteBase.h"
#include "worklist/frmListaTrabalho.h"

namespace {

class Uso : public JanelaPrincipal {
  protected:
    // The chooser keeps the first record; the review merges as proposed.
    void UnificarPrimeiro() {
        EscolherBase(0);
        roteiro.Entao([](QDialog& d) { Clicar(Como<frmCompararPacientes>(d)->cmdOK); });
    }
};

TEST_F(Uso, FocoVoltaAListaDepoisDeUnificarOuCancelarEODesfazerChegaAGrade) {
    paciente("ANA", "", "LIMA");
    paciente("ANA", "", "LIMA");
    paciente("ZE", "", "SOUZA");
    paciente("ZE", "", "SOUZA");
    Ticks({"1", "0", "1", "0", "0", "0", "0"});
    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela));
    Mostrar(janela);
    ASSERT_EQ(Grade(*janela.dbGridCriterio), (QStringList{"ANA|LIMA", "ZE|SOUZA"}));

    // The chooser cancelled: nothing merged, the list keeps the focus, not a criterion.
    Marcar(*janela.lstSemelhante, {0, 1});
    roteiro.Entao([](QDialog& d) { Clicar(Como<frmPacienteBase>(d)->cmdCancelar); });
    janela.cmdUnificar->setFocus();
    Clicar(janela.cmdUnificar);
    EXPECT_EQ(janela.focusWidget(), janela.lstSemelhante);

    // Merged: the next group is current and the list has the focus.
    UnificarPrimeiro();
    Clicar(janela.cmdUnificar);
    ASSERT_TRUE(janela.AguardarAgrupamento(kEsperaMaximaMs));
    EXPECT_EQ(Grade(*janela.dbGridCriterio), QStringList{"ZE|SOUZA"});
    EXPECT_EQ(janela.lblItensnaLista->text(), "1");
    EXPECT_EQ(janela.focusWidget(), janela.lstSemelhante);
    EXPECT_EQ(mensagens.Titulos().value(0), "Unificação concluída");

    // Undone in the history: the group comes back on the grid and in its counter, quietly.
    mensagens.Limpar();
    roteiro.Entao([](QDialog& d) {
        auto* historico = Como<frmHistorico>(d);
        ExigirNomesAcessiveis(*historico);
        historico->lstHistorico->setCurrentItem(historico->lstHistorico->topLevelItem(0));
        Clicar(historico->cmdDesfazer);
        Clicar(historico->cmdFechar);
    });
    Clicar(janela.cmdHistorico);
    ASSERT_TRUE(janela.AguardarAgrupamento(kEsperaMaximaMs));
    EXPECT_EQ(Grade(*janela.dbGridCriterio), (QStringList{"ANA|LIMA", "ZE|SOUZA"}));
    EXPECT_EQ(janela.lblItensnaLista->text(), "2");
    EXPECT_EQ(mensagens.Titulos(), QStringList{"Unificação desfeita"});
}

// A decision taken in a dialog opened from another (the comparison from the base chooser)
// reaches the list once the dialogs close, its ticks kept; one the worklist removes, at once.
TEST_F(Uso, DecisoesEMarcasDosDialogosChegamALista) {
    paciente("ANA", "", "LIMA");
    paciente("ANA", "", "LIMA");
    Ticks({"1", "0", "1", "0", "0", "0", "0"});
    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela));
    Mostrar(janela);
    Marcar(*janela.lstSemelhante, {0, 1});
    roteiro.Entao([](QDialog& d) { Clicar(Como<frmPacienteBase>(d)->cmdComparar); })
        .Entao([](QDialog& d) {
            auto* f = Como<frmCompararPacientes>(d);
            f->cboMotivo->setCurrentIndex(0);
            Clicar(f->cmdNaoMesmaPessoa);
            Clicar(f->cmdCancelar);
        });
    Clicar(janela.cmdUnificar);
    ASSERT_TRUE(janela.AguardarAgrupamento(kEsperaMaximaMs));
    EXPECT_TRUE(mensagens.Textos().isEmpty()) << mensagens.Textos().join('\n').toStdString();
    const auto dica = [&](int linha) { return janela.lstSemelhante->item(linha)->toolTip(); };
    EXPECT_TRUE(dica(0).endsWith("\nNão é a mesma pessoa que o cadastro 2"))
        << dica(0).toStdString();
    EXPECT_EQ(janela.lstSemelhante->item(1)->checkState(), Qt::Checked);
    EXPECT_EQ(janela.focusWidget(), janela.lstSemelhante);

    // The worklist, a window of its own: the decision it removes leaves the list at once.
    Clicar(janela.cmdListaTrabalho);
    frmListaTrabalho* lista = janela.ListaTrabalho();
    ASSERT_NE(lista, nullptr);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return lista->Lista().Itens().size() == 1; }, kEsperaMaximaMs));
    lista->chkNaoMesmaPessoa->setChecked(true);
    lista->tblGrupos->setCurrentIndex(lista->tblGrupos->model()->index(0, 0));
    Clicar(lista->cmdRemoverDecisao);
    EXPECT_EQ(mensagens.Perguntas().size(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dica(0).contains("mesma pessoa"); }, kEsperaMaximaMs))
        << dica(0).toStdString();
}

TEST_F(Uso, GrupoDeValoresVaziosSeExplicaEABuscaAchaGrupoECadastro) {
    paciente("ANA", "", "LIMA");
    paciente("BIA", "", "ROCHA");
    paciente("CARLA", "", "DIAS", "55");
    paciente("DORA", "", "DIAS", "55");
    paciente("EVA", "", "MELO", "77");
    Ticks({"0", "0", "0", "1", "0", "0", "0"});
    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela));
    Mostrar(janela);
    // Grouped by RG: the records without one are a group the list cannot show by its RG.
    ASSERT_EQ(Grade(*janela.dbGridCriterio), (QStringList{"", "55"}));
    EXPECT_EQ(janela.dbGridCriterio->horizontalHeader()->model()->headerData(0, Qt::Horizontal),
              "RG");
    const QString porque = "RG vazio: estes cadastros não são agrupados pelo RG";
    EXPECT_EQ(janela.dbGridCriterio->model()->index(0, 0).data(Qt::ToolTipRole), porque);
    EXPECT_EQ(janela.lstSemelhante->count(), 0);
    for (int i = 0; i < janela.NvPreferSemelhante->FieldCount(); ++i) {
        EXPECT_EQ(janela.NvPreferSemelhante->TextoDoCampo(i), "");
    }
    EXPECT_TRUE(janela.lblGrupoVazio->isVisible());
    EXPECT_EQ(janela.lblGrupoVazio->text(), porque);

    // The search box: a name, then Enter, shows its group with the record current.
    Digitar(janela.txtLocalizar, "dora");
    Tecla(janela.txtLocalizar, Qt::Key_Return);
    EXPECT_EQ(janela.dbGridCriterio->currentIndex().row(), 1);
    EXPECT_FALSE(janela.lblGrupoVazio->isVisible());
    ASSERT_NE(janela.lstSemelhante->currentItem(), nullptr);
    EXPECT_EQ(janela.lstSemelhante->currentItem()->text(), "DORA  DIAS");
    EXPECT_EQ(Detalhe(janela, "ID_Paciente"), "4");
    // An ID in no group is said so; nobody found is said so.
    janela.txtLocalizar->clear();
    Digitar(janela.txtLocalizar, "5");
    Tecla(janela.txtLocalizar, Qt::Key_Return);
    EXPECT_EQ(mensagens.Textos().value(0),
              "O paciente EVA  MELO (ID 5) não está em nenhum grupo da lista.");
    janela.txtLocalizar->clear();
    Digitar(janela.txtLocalizar, "ninguém");
    Tecla(janela.txtLocalizar, Qt::Key_Return);
    EXPECT_EQ(mensagens.Textos().value(1), "Nenhum paciente encontrado com \"ninguém\".");
}

}  // namespace
