// The history window on the offscreen platform over a real register: list, filter, compare,
// export, and undo with and without the question about survivor values changed since; a batch
// as one line, undone whole.

#include "history/frmHistorico.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "guisupport/JanelaTeste.h"
#include "support/RegistroGerado.h"
#include "support/RegistroHistorico.h"
#include "worklist/ExecucaoLote.h"
#include "worklist/PlanoLote.h"

namespace {

QTreeWidgetItem* Removido(frmHistorico& f, qint32 id) {
    for (int i = 0; i < f.lstHistorico->topLevelItemCount(); ++i) {
        QTreeWidgetItem* comando = f.lstHistorico->topLevelItem(i);
        for (int k = 0; k < comando->childCount(); ++k) {
            if (comando->child(k)->text(2).startsWith(QString::number(id) + " - ")) {
                return comando->child(k);
            }
        }
    }
    ADD_FAILURE() << "removed record " << id << " not listed";
    return nullptr;
}

}  // namespace

TEST(frmHistorico, ListaFiltraComparaEExporta) {
    RegistroHistorico reg;
    frmHistorico f(reg.cn, reg.ado, 1);
    f.show();
    ASSERT_EQ(f.lstHistorico->topLevelItemCount(), 2);
    QTreeWidgetItem* nosso = f.lstHistorico->topLevelItem(0);
    EXPECT_EQ(nosso->text(1), "GESTORA");
    EXPECT_EQ(nosso->text(2), "1 - P1 SOUZA");
    EXPECT_EQ(nosso->text(5), "2");
    EXPECT_EQ(nosso->childCount(), 2);
    EXPECT_EQ(f.lstHistorico->topLevelItem(1)->text(0), "01/05/2019 10:00");

    // The removed record's logged values beside the survivor's current ones.
    f.lstHistorico->setCurrentItem(Removido(f, 3));
    ASSERT_EQ(f.tblComparacao->rowCount(), ColunasPacienteLogadas().size());
    const int rg = ColunasPacienteLogadas().indexOf("RG");
    EXPECT_EQ(f.tblComparacao->item(rg, 0)->text(), "RG3");
    EXPECT_EQ(f.tblComparacao->item(rg, 1)->text(), "RG NOVO");
    EXPECT_TRUE(f.tblComparacao->item(rg, 0)->font().bold());
    EXPECT_TRUE(f.cmdDesfazer->isEnabled());

    Digitar(f.txtNome, "antigo");
    Clicar(f.cmdFiltrar);
    ASSERT_EQ(f.lstHistorico->topLevelItemCount(), 1);
    EXPECT_EQ(f.lstHistorico->topLevelItem(0)->text(2), "4 - P4 SOUZA");
    f.txtNome->clear();
    f.chkPeriodo->setChecked(true);
    f.dtDesde->setDate(QDate(2019, 1, 1));
    f.dtAte->setDate(QDate(2019, 12, 31));
    Clicar(f.cmdFiltrar);
    EXPECT_EQ(f.lstHistorico->topLevelItemCount(), 1);

    // The export starts in the documents folder and says where it wrote, as a success.
    EXPECT_TRUE(frmHistorico::ArquivoExportacaoPadrao().startsWith(
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + "/"));
    QTemporaryDir pasta;
    const QString arquivo = pasta.filePath("historico.csv");
    f.EscolherArquivo = [&](QWidget*) { return arquivo; };
    CapturaMensagens mensagens;
    Clicar(f.cmdExportar);
    EXPECT_EQ(mensagens.Titulos(), QStringList{"Histórico exportado"});
    EXPECT_EQ(mensagens.Textos(),
              QStringList{"Histórico gravado em " + QDir::toNativeSeparators(arquivo) +
                          " (1 unificações)."});
    QFile csv(arquivo);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QByteArray conteudo = csv.readAll();
    EXPECT_TRUE(conteudo.startsWith("\xEF\xBB\xBF"));
    EXPECT_EQ(conteudo.count('\n'), 2);  // header and the one filtered row
    EXPECT_TRUE(conteudo.contains(";90;ANTIGO LIMA;"));
}

TEST(frmHistorico, DesfazerPerguntaPorValoresAlteradosDepois) {
    RegistroHistorico reg;
    reg.exec("UPDATE Paciente SET RG = 'RG OUTRO' WHERE ID_Paciente = 1");
    frmHistorico f(reg.cn, reg.ado, 1);
    f.show();
    CapturaMensagens mensagens;

    // The undo asks first; "Não" changes nothing.
    f.lstHistorico->setCurrentItem(Removido(f, 2));
    mensagens.Responder(false);
    Clicar(f.cmdDesfazer);
    ASSERT_EQ(mensagens.Perguntas().size(), 1);
    EXPECT_TRUE(mensagens.Perguntas()[0].startsWith("Desfazer a unificação do(s) cadastro(s) 2 "));
    EXPECT_TRUE(mensagens.Textos().isEmpty());
    EXPECT_EQ(reg.contar("Paciente WHERE ID_Paciente = 2"), 0);
    mensagens.Responder(true);

    // Undoing one record of the command leaves the survivor's values alone: no question.
    Clicar(f.cmdDesfazer);
    ASSERT_EQ(mensagens.Textos().size(), 1);
    EXPECT_TRUE(mensagens.Textos()[0].startsWith("Unificação desfeita: 1 cadastro(s)"));
    EXPECT_EQ(mensagens.Titulos(), QStringList{"Unificação desfeita"});
    EXPECT_EQ(reg.contar("Paciente WHERE ID_Paciente = 2"), 1);
    ASSERT_NE(Removido(f, 2), nullptr);
    EXPECT_TRUE(Removido(f, 2)->text(6).startsWith("Desfeita por GESTORA em "));
    f.lstHistorico->setCurrentItem(Removido(f, 2));
    EXPECT_FALSE(f.cmdDesfazer->isEnabled());
    // ... and says why beside the button.
    EXPECT_TRUE(f.lblMotivo->text().startsWith("Já desfeita por GESTORA em "))
        << f.lblMotivo->text().toStdString();
    f.lstHistorico->setCurrentItem(Removido(f, 3));
    EXPECT_TRUE(f.cmdDesfazer->isEnabled());
    EXPECT_EQ(f.lblMotivo->text(), "");

    // The last one brings the question; cancelling changes nothing.
    mensagens.Limpar();
    {
        RoteiroModal roteiro;
        roteiro.Entao([](QDialog& d) {
            auto* pergunta = Como<frmConflitoValores>(d);
            ASSERT_EQ(pergunta->tblConflitos->rowCount(), 1);
            EXPECT_EQ(pergunta->tblConflitos->item(0, 0)->text(), "RG");
            EXPECT_EQ(pergunta->tblConflitos->item(0, 1)->text(), "RG1");
            EXPECT_EQ(pergunta->tblConflitos->item(0, 2)->text(), "RG OUTRO");
            Clicar(pergunta->cmdCancelar);
        });
        f.lstHistorico->setCurrentItem(f.lstHistorico->topLevelItem(0));
        Clicar(f.cmdDesfazer);
    }
    EXPECT_TRUE(mensagens.Textos().isEmpty());
    EXPECT_EQ(reg.contar("Paciente WHERE ID_Paciente = 3"), 0);

    {
        RoteiroModal roteiro;
        roteiro.Entao([](QDialog& d) { Clicar(Como<frmConflitoValores>(d)->cmdRestaurar); });
        f.lstHistorico->setCurrentItem(f.lstHistorico->topLevelItem(0));
        Clicar(f.cmdDesfazer);
    }
    EXPECT_EQ(reg.contar("Paciente WHERE ID_Paciente = 3"), 1);
    EXPECT_EQ(reg.scalar("SELECT RG FROM Paciente WHERE ID_Paciente = 1").toString(), "RG1");
    ASSERT_EQ(mensagens.Textos().size(), 1);
    // Only what the merge changed in the survivor comes back.
    EXPECT_TRUE(mensagens.Textos()[0].endsWith("Valores restaurados no cadastro mantido: RG."))
        << mensagens.Textos()[0].toStdString();
    EXPECT_EQ(f.lstHistorico->topLevelItem(0)->text(6), "Desfeita");
}

TEST(frmHistorico, LoteNumaLinhaQueAbreNasUnificacoesEDesfeitoInteiro) {
    RegistroGerado reg(1500);
    const QByteArray antes = reg.Produto();
    clsPlanoLote plano(reg.cn(), reg.ado());
    ASSERT_TRUE(plano.Planejar(clsPlanoLote::kLimiarPadrao));
    ASSERT_GT(plano.Grupos().size(), 5);
    clsExecucaoLote execucao(reg.cn(), reg.ado(), reg.Administrador());
    ASSERT_TRUE(execucao.Criar(clsPlanoLote::kLimiarPadrao, plano.Grupos(), plano.ResumoPlano()));
    ASSERT_TRUE(execucao.Executar());

    frmHistorico f(reg.cn(), reg.ado(), reg.Administrador());
    f.show();
    ASSERT_EQ(f.lstHistorico->topLevelItemCount(), 1);
    QTreeWidgetItem* lote = f.lstHistorico->topLevelItem(0);
    EXPECT_EQ(lote->text(2), QString("Lote 1: %1 unificações").arg(plano.Grupos().size()));
    EXPECT_EQ(lote->childCount(), plano.Grupos().size());
    EXPECT_FALSE(lote->isExpanded());
    // Newest merge first (many run in one second), opening into its removed records.
    EXPECT_EQ(lote->child(0)->childCount(), plano.Grupos().last().remocoes.size());
    f.lstHistorico->setCurrentItem(lote);
    EXPECT_FALSE(f.cmdDesfazer->isEnabled());
    ASSERT_TRUE(f.cmdDesfazerLote->isEnabled());

    CapturaMensagens mensagens;
    mensagens.Responder(true);
    QSignalSpy fim(&f.Desfazendo(), &TarefaDesfazerLote::terminou);
    Clicar(f.cmdDesfazerLote);
    EXPECT_FALSE(f.lstHistorico->isEnabled());  // the window waits, the undo runs elsewhere
    ASSERT_TRUE(fim.wait(120000));
    EXPECT_EQ(mensagens.Titulos(), QStringList{"Lote desfeito"});
    EXPECT_EQ(reg.Produto(), antes);
    ASSERT_EQ(f.lstHistorico->topLevelItemCount(), 1);
    EXPECT_EQ(f.lstHistorico->topLevelItem(0)->text(6), "Desfeito");
    f.lstHistorico->setCurrentItem(f.lstHistorico->topLevelItem(0));
    EXPECT_FALSE(f.cmdDesfazerLote->isEnabled());
}
