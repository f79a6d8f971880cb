#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include "decisions/clsDecisaoPessoas.h"
#include "guisupport/frmRegistroTeste.h"
#include "review/clsComparacaoPacientes.h"
#include "review/frmCompararPacientes.h"
#include "review/frmPacienteBase.h"
#include "support/ImprimirQt.h"

namespace {

using Estado = clsComparacaoPacientes::Estado;
constexpr int kEstadoRole = Qt::UserRole + 1;

// The product register with the log tables and the decisions table, opened as the program's
// shared connection, user 42; three records of "MARIA SOUZA": 1 and 2 agree, 3 was born
// another year, has another CIC and a long address.
class Comparar : public RegistroJanelaMerge {
  protected:
    void SetUp() override {
        RegistroJanelaMerge::SetUp();
        ASSERT_TRUE(clsDecisaoPessoas(cn(), ADO()).CriarTabela());
        paciente("'123.456.789-09'", "'1980-05-04'", "'RUA A, 1'");
        paciente("'12345678909'", "'1980-05-04'", "NULL");
        paciente("'987.654.321-00'", "'1999-01-02'", "'" + kEndereco + "'");
        executar(
            "INSERT INTO Exame (Número_Exame, ID_Paciente, Data_Exame) VALUES ('E1', 3, "
            "'2022-01-02')");
    }
    static void paciente(const QString& cic, const QString& nascimento, const QString& endereco) {
        executar(
            "INSERT INTO Paciente (Nome, Nome_Último, CIC, Sexo, Data_Nascimento, Endereço) "
            "VALUES ('MARIA', 'SOUZA', " +
            cic + ", 'F', " + nascimento + ", " + endereco + ")");
    }
    static QVariant celula(frmCompararPacientes& f, const QString& campo, int coluna, int papel) {
        const QAbstractItemModel* m = f.tblComparacao->model();
        return m->index(clsComparacaoPacientes::LinhaDoCampo(campo), coluna).data(papel);
    }
    static QStringList linhas(const QListWidget& lista) {
        QStringList textos;
        for (int i = 0; i < lista.count(); ++i) {
            textos << lista.item(i)->text();
        }
        return textos;
    }

    const QString kEndereco = QStringLiteral(
        "AVENIDA PRESIDENTE JUSCELINO KUBITSCHEK DE OLIVEIRA, 1234, BLOCO B, APARTAMENTO 56");
    CapturaMensagens mensagens;
    RoteiroModal roteiro;
};

TEST_F(Comparar, DiferencasEmDestaqueVaziosVisiveisEColunasQueSeMovemESeOcultam) {
    frmCompararPacientes f;
    ASSERT_TRUE(f.Iniciar({1, 2, 3}));
    f.show();
    EXPECT_FALSE(f.cmdOK->isVisible());
    const QAbstractItemModel* m = f.tblComparacao->model();
    ASSERT_EQ(m->columnCount(), 3);
    EXPECT_EQ(m->headerData(2, Qt::Horizontal).toString(), "Cadastro 3");
    EXPECT_EQ(
        m->headerData(clsComparacaoPacientes::LinhaDoCampo("Endereço"), Qt::Vertical).toString(),
        "Endereço");

    // The birth date of 3 differs and is highlighted, in bold; the name is plain.
    for (int c : {0, 2}) {
        EXPECT_EQ(celula(f, "Data_Nascimento", c, kEstadoRole).toInt(), int(Estado::Diferente));
        EXPECT_EQ(celula(f, "Data_Nascimento", c, Qt::BackgroundRole).value<QBrush>().style(),
                  Qt::SolidPattern);
        EXPECT_TRUE(celula(f, "Data_Nascimento", c, Qt::FontRole).value<QFont>().bold());
    }
    EXPECT_FALSE(celula(f, "Nome", 0, Qt::BackgroundRole).isValid());
    EXPECT_EQ(celula(f, "Nome", 0, kEstadoRole).toInt(), int(Estado::Igual));
    // An empty value is hatched and says so on hover; a long one shows whole.
    EXPECT_EQ(celula(f, "Endereço", 1, kEstadoRole).toInt(), int(Estado::Vazio));
    EXPECT_EQ(celula(f, "Endereço", 1, Qt::BackgroundRole).value<QBrush>().style(),
              Qt::BDiagPattern);
    EXPECT_EQ(celula(f, "Endereço", 1, Qt::ToolTipRole).toString(), "(vazio)");
    EXPECT_EQ(celula(f, "Endereço", 2, Qt::ToolTipRole).toString(), kEndereco);
    EXPECT_EQ(celula(f, "Exames", 2, Qt::DisplayRole).toString(), "1");
    EXPECT_EQ(celula(f, "Ultimo_Exame", 2, Qt::DisplayRole).toString(), "02/01/2022");

    // The signs of different people are listed (their rules are clsVerificacaoSeguranca's).
    EXPECT_EQ(f.lstConflitos->count(), 4);

    QHeaderView* cabecalho = f.tblComparacao->horizontalHeader();
    EXPECT_TRUE(cabecalho->sectionsMovable());
    cabecalho->moveSection(2, 0);
    EXPECT_EQ(cabecalho->logicalIndex(0), 2);
    QMenu* menu = f.MenuColunas();
    ASSERT_EQ(menu->actions().size(), 3);
    menu->actions()[1]->trigger();  // hides record 2
    EXPECT_TRUE(cabecalho->isSectionHidden(1));
    f.MenuColunas()->actions()[1]->trigger();
    EXPECT_FALSE(cabecalho->isSectionHidden(1));
    EXPECT_TRUE(mensagens.Textos().isEmpty());
}

// The chart of the finder's evidence: a pair's fields with their signs, each bar starting where
// the previous one ended; a group chooses its pair; the rows are read with the keyboard; and
// it fits a small screen.
TEST_F(Comparar, GraficoDaEvidenciaMostraOsCamposComSeusSinaisParAPar) {
    const auto linha = [](const frmCompararPacientes& f, const QString& inicio) {
        for (const auto& l : f.grfEvidencia->Linhas()) {
            if (l.texto.startsWith(inicio)) {
                return l;
            }
        }
        ADD_FAILURE() << "sem a linha " << inicio.toStdString();
        return GraficoEvidencia::Linha{};
    };
    {
        // Closed while the register is still being read: the reading stops with the window.
        frmCompararPacientes fechada;
        ASSERT_TRUE(fechada.Iniciar({1, 2}));
    }
    QCoreApplication::processEvents();

    frmCompararPacientes f;
    QSignalSpy mostrada(&f, &frmCompararPacientes::evidenciaMostrada);
    ASSERT_TRUE(f.Iniciar({1, 2}));
    // The window opens before the register is read for the chart.
    EXPECT_TRUE(f.grfEvidencia->Linhas().isEmpty());
    ASSERT_TRUE(mostrada.wait(60000));
    f.resize(800, 600);
    f.show();
    EXPECT_FALSE(f.cboPar->isVisible());
    const auto& linhas = f.grfEvidencia->Linhas();
    ASSERT_GE(linhas.size(), 3);
    EXPECT_TRUE(linhas.first().texto.startsWith("Chance inicial: -"));
    EXPECT_EQ(linhas.first().sinal, -1);
    EXPECT_EQ(linha(f, "CIC: igual e válido +").sinal, 1);
    EXPECT_EQ(linha(f, "Data Nascimento: igual +").sinal, 1);
    // No telephone on either side says nothing; no middle name on either side says a little
    // (whether one has a middle name is the person's, not the clerk's).
    EXPECT_EQ(linha(f, "Telefone: nulo").sinal, 0);
    EXPECT_FALSE(linha(f, "Telefone: nulo").texto.contains('+'));
    EXPECT_EQ(linha(f, "Nome do meio: nulo nos dois +").sinal, 1);
    for (int i = 2; i + 1 < linhas.size(); ++i) {
        EXPECT_DOUBLE_EQ(linhas[i].inicio, linhas[i - 1].fim) << linhas[i].texto.toStdString();
    }
    EXPECT_TRUE(linhas.last().total);
    EXPECT_DOUBLE_EQ(linhas.last().inicio, 0);
    EXPECT_DOUBLE_EQ(linhas.last().fim, linhas[linhas.size() - 2].fim);
    EXPECT_EQ(linhas.last().sinal, 1);
    EXPECT_TRUE(linhas.last().texto.startsWith("Total: +"));

    // Fits at 800x600 with every row drawn.
    EXPECT_TRUE(f.rect().contains(f.fraEvidencia->geometry()));
    EXPECT_GE(f.grfEvidencia->height(), f.grfEvidencia->sizeHint().height());
    EXPECT_FALSE(f.grfEvidencia->accessibleName().isEmpty());

    f.grfEvidencia->setFocus();
    QTest::keyClick(f.grfEvidencia, Qt::Key_Down);
    EXPECT_EQ(f.grfEvidencia->LinhaAtual(), 1);
    EXPECT_EQ(f.grfEvidencia->accessibleDescription(), linhas[1].texto);
    QTest::keyClick(f.grfEvidencia, Qt::Key_End);
    EXPECT_EQ(f.grfEvidencia->LinhaAtual(), linhas.size() - 1);

    // A group: one pair at a time, chosen in the list; 1 and 3 disagree on CIC and birth.
    ASSERT_TRUE(f.Iniciar({1, 2, 3}));
    ASSERT_TRUE(mostrada.wait(60000));
    EXPECT_TRUE(f.cboPar->isVisible());
    ASSERT_EQ(f.cboPar->count(), 3);
    EXPECT_TRUE(f.cboPar->itemText(1).startsWith("Cadastros 1 e 3: pontuação "));
    f.cboPar->setCurrentIndex(1);
    EXPECT_EQ(linha(f, "CIC: diferentes e válidos -").sinal, -1);
    EXPECT_EQ(linha(f, "Data Nascimento: anos de diferença -").sinal, -1);
    EXPECT_EQ(f.grfEvidencia->Linhas().last().sinal, -1);
    EXPECT_TRUE(mensagens.Textos().isEmpty());
}

TEST_F(Comparar, NaoSaoAMesmaPessoaSaiDosGruposEVoltaQuandoUmCadastroMuda) {
    frmCompararPacientes f;
    ASSERT_TRUE(f.Iniciar({1, 2, 3}));
    f.show();
    // Only the visible records are decided on: record 1 is hidden.
    f.MenuColunas()->actions()[0]->trigger();
    Clicar(f.cmdNaoMesmaPessoa);
    EXPECT_EQ(mensagens.Textos(), QStringList{"Selecione um motivo."});
    f.cboMotivo->setCurrentIndex(int(clsDecisaoPessoas::Motivos().indexOf("Outros")));
    Clicar(f.cmdNaoMesmaPessoa);
    EXPECT_EQ(mensagens.Textos().last(),
              "Escolhendo o motivo Outros, o campo observação passa a ser obrigatório.");
    Digitar(f.txtObs, "mae e filha");
    Clicar(f.cmdNaoMesmaPessoa);
    EXPECT_EQ(mensagens.Textos().size(), 2);
    ASSERT_EQ(f.lstDecisoes->count(), 1);
    EXPECT_TRUE(f.lstDecisoes->item(0)->text().startsWith("2 e 3: Outros (mae e filha), por 42"))
        << f.lstDecisoes->item(0)->text().toStdString();
    EXPECT_TRUE(
        linhas(*f.lstConflitos)
            .contains("Os cadastros 2 e 3 foram marcados como pessoas diferentes (Outros)"));

    // A compared field of 3 changes: the decision asks for a new look.
    executar("UPDATE Paciente SET CIC = '12345678909' WHERE ID_Paciente = 3");
    frmCompararPacientes outra;
    ASSERT_TRUE(outra.Iniciar({1, 2, 3}));
    outra.show();
    ASSERT_EQ(outra.lstDecisoes->count(), 1);
    EXPECT_TRUE(
        outra.lstDecisoes->item(0)->text().endsWith("precisa de nova análise: os dados mudaram"));
    EXPECT_TRUE(linhas(*outra.lstConflitos).last().endsWith("a decisão precisa ser revista"));

    // Removed, it is gone from the table and from the checks.
    Clicar(outra.cmdRemoverDecisao);
    EXPECT_EQ(outra.lstDecisoes->count(), 0);
    EXPECT_EQ(valor("SELECT COUNT(*) FROM Cadunir_Decisao").toInt(), 0);
}

TEST_F(Comparar, NaUnificacaoOsConflitosPrecisamDeConfirmacaoEOsValoresSaoEscolhidos) {
    executar("UPDATE Paciente SET Profissão = 'PEDREIRO' WHERE ID_Paciente = 3");
    frmCompararPacientes f;
    ASSERT_TRUE(f.IniciarUnificacao({1, 2, 3}, 2));
    f.show();
    QAbstractItemModel* m = f.tblComparacao->model();
    ASSERT_EQ(m->columnCount(), 4);
    EXPECT_EQ(m->headerData(0, Qt::Horizontal).toString(), "Resultado");
    EXPECT_EQ(m->headerData(2, Qt::Horizontal).toString(), "Cadastro 2 (base)");
    // The base's empty address is filled from the newest record without a sign of being
    // someone else: 1, not 3; 3's profession is only offered.
    EXPECT_EQ(celula(f, "Endereço", 0, Qt::DisplayRole).toString(), "RUA A, 1");
    EXPECT_EQ(celula(f, "Profissão", 0, Qt::DisplayRole).toString(), "");
    EXPECT_TRUE(celula(f, "Profissão", 0, Qt::ToolTipRole)
                    .toString()
                    .endsWith("O cadastro 3 tem \"PEDREIRO\", mas há sinais de que seja de outra "
                              "pessoa: o valor não foi usado"));
    EXPECT_TRUE(f.txtPrevia->toPlainText().contains("Cadastros que serão removidos (2)"));
    EXPECT_TRUE(f.txtPrevia->toPlainText().contains("Exames transferidos: 1 ("));

    // A double click on record 3's address takes it instead.
    const QModelIndex alvo =
        m->index(clsComparacaoPacientes::LinhaDoCampo("Endereço"), f.ColunaDoId(3));
    f.tblComparacao->scrollTo(alvo);
    const QRect r = f.tblComparacao->visualRect(alvo);
    QTest::mouseClick(f.tblComparacao->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    QTest::mouseDClick(f.tblComparacao->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    EXPECT_EQ(f.Valores().Valor("Endereço"), kEndereco);
    EXPECT_EQ(celula(f, "Endereço", 0, Qt::DisplayRole).toString(), kEndereco);
    EXPECT_TRUE(f.txtPrevia->toPlainText().contains("Endereço: (vazio) → " + kEndereco));

    // The confirmation names every sign, wrapped so that it reads whole in its frame; a click
    // on its text ticks it.
    ASSERT_TRUE(f.chkConfirmar->isVisible());
    const QString confirmacao = f.lblConfirmar->text();
    EXPECT_TRUE(
        confirmacao.startsWith("Confirmo que são a mesma pessoa, apesar de: CIC diferente "
                               "entre os cadastros 1 e 3"));
    EXPECT_TRUE(confirmacao.contains("Datas de nascimento incompatíveis entre os cadastros 2 e 3"));
    EXPECT_LE(f.lblConfirmar->geometry().right(), f.fraConflitos->contentsRect().right());
    EXPECT_GE(f.lblConfirmar->height(), f.lblConfirmar->heightForWidth(f.lblConfirmar->width()));
    EXPECT_GT(f.lblConfirmar->height(), 3 * f.lblConfirmar->fontMetrics().height());
    QTest::mouseClick(f.lblConfirmar, Qt::LeftButton);
    EXPECT_TRUE(f.chkConfirmar->isChecked());
    f.chkConfirmar->setChecked(false);
    Clicar(f.cmdOK);
    ASSERT_EQ(mensagens.Textos().size(), 1);
    EXPECT_TRUE(mensagens.Textos()[0].startsWith(
        "Estes cadastros podem ser de pessoas diferentes:\nCIC diferente entre os cadastros 1 "
        "e 3"));
    EXPECT_FALSE(f.Confirmado());
    EXPECT_TRUE(f.isVisible());
    // Enter from the table: unconfirmed, it leads to the box; ticked, the confirmation still
    // wants its reason, which the history keeps; with both, Enter merges.
    mensagens.Limpar();
    QApplication::setActiveWindow(&f);
    f.tblComparacao->setFocus();
    Tecla(f.tblComparacao, Qt::Key_Return);
    EXPECT_TRUE(mensagens.Textos().isEmpty());
    ASSERT_TRUE(f.chkConfirmar->hasFocus());
    Tecla(f.chkConfirmar, Qt::Key_Space);
    Tecla(f.chkConfirmar, Qt::Key_Return);
    EXPECT_TRUE(f.txtMotivoConfirmacao->hasFocus());
    EXPECT_FALSE(f.cmdOK->isDefault());
    Clicar(f.cmdOK);
    ASSERT_EQ(mensagens.Textos().size(), 1);
    EXPECT_TRUE(mensagens.Textos()[0].startsWith("Escreva o motivo da confirmação"));
    EXPECT_FALSE(f.Confirmado());
    Digitar(f.txtMotivoConfirmacao, "  irmão gêmeo cadastrado com o CIC errado  ");
    EXPECT_TRUE(f.cmdOK->isDefault());
    Tecla(f.txtMotivoConfirmacao, Qt::Key_Return);
    EXPECT_TRUE(f.Confirmado());
    EXPECT_EQ(f.MotivoConfirmacao(), "irmão gêmeo cadastrado com o CIC errado");
    EXPECT_FALSE(f.isVisible());
}

TEST_F(Comparar, UmaTabelaQueApontaParaUmCadastroRemovidoRecusaAUnificacao) {
    executar("CREATE TABLE Laudo_Anexo (ID_Anexo int, ID_Paciente int)");
    executar("INSERT INTO Laudo_Anexo (ID_Anexo, ID_Paciente) VALUES (1, 2)");
    executar("INSERT INTO Laudo_Anexo (ID_Anexo, ID_Paciente) VALUES (2, 2)");
    frmCompararPacientes f;
    ASSERT_TRUE(f.IniciarUnificacao({1, 2}, 1));
    f.show();
    EXPECT_FALSE(f.chkConfirmar->isVisible());  // 1 and 2 show no conflict
    Tecla(f.tblComparacao, Qt::Key_Enter);      // a refused merge is not Enter's to try
    EXPECT_TRUE(mensagens.Textos().isEmpty());
    Clicar(f.cmdOK);
    ASSERT_EQ(mensagens.Textos().size(), 1);
    EXPECT_TRUE(mensagens.Textos()[0].endsWith("Laudo_Anexo (ID_Paciente): 2 linha(s)"));
    EXPECT_FALSE(f.Confirmado());
    EXPECT_TRUE(f.txtPrevia->toPlainText().contains("Laudo_Anexo (ID_Paciente): 2 linha(s)"));
}

TEST_F(Comparar, OEscolhedorDaBaseAbreAComparacao) {
    frmPacienteBase base;
    base.Iniciar({"1", "3"});
    roteiro.Entao([](QDialog& d) {
        auto* f = Como<frmCompararPacientes>(d);
        EXPECT_EQ(f->tblComparacao->model()->columnCount(), 2);
        Clicar(f->cmdCancelar);
    });
    Clicar(base.cmdComparar);
    EXPECT_EQ(roteiro.Mostrados(), 1);
}

}  // namespace
