// The history window on the offscreen platform over a real register: list, filter, compare,
// export, and undo with and without the question about survivor values changed since.

#include "merge/frmHistorico.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "guisupport/JanelaTeste.h"
#include "merge/clsPacienteUnificar.h"
#include "merge/clsUnificacaoHistorico.h"
#include "patient/clsPaciente.h"
#include "support/RegistroProduto.h"

namespace {

// Patients 1..4 with one exam each; the administrator 1 merged 2 and 3 into 1 and, in the same
// command, changed 1's RG; an older program merged 90 into 4 in 2019.
class RegistroJanela : public RegistroProduto {
  public:
    RegistroJanela() {
        clsPacienteUnificar motor(cn, ado);
        clsUnificacaoHistorico historico(cn, ado);
        EXPECT_TRUE(motor.CriarTabelas());
        EXPECT_TRUE(historico.CriarTabelas());
        for (int i = 1; i <= 4; ++i) {
            const QString n = QString::number(i);
            exec("INSERT INTO Paciente (Nome, Nome_Último, Sexo, RG) VALUES ('P" + n +
                 "', 'SOUZA', 'M', 'RG" + n + "')");
            exec("INSERT INTO Exame (Número_Exame, ID_Paciente) VALUES ('E" + n + "', " + n + ")");
            exec("INSERT INTO Exame_BK (ID_Exame, Número_Exame, ID_Paciente) VALUES (" + n +
                 ", 'E" + n + "', " + n + ")");
        }
        exec(
            "INSERT INTO Usuário (Nome, Usuário, Senha, ÉPatologista, Ativo, Master) VALUES "
            "('GESTORA', 'gestor', 'x', 0, 1, 0)");
        clsError erro;
        EXPECT_TRUE(PacienteUnificarRegistrado(
            cn, ado, 1, {2, 3}, 1,
            [&] {
                clsPaciente novo(cn, ado);
                EXPECT_TRUE(novo.Localizar(1));
                novo.RG().setValor("RG NOVO");
                return motor.PacienteAtualizar(1, 1, novo) &&
                       motor.PacienteUnificarCadastros(1, {2, 3}, 1);
            },
            erro));
        exec(
            "INSERT INTO PacienteLog (ID_Paciente, Nome, Nome_Último, ID_PacienteNovo, "
            "ID_Usuario, Data) VALUES (90, 'ANTIGO', 'LIMA', 4, 1, '2019-05-01 10:00:00')");
    }
};

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
    RegistroJanela reg;
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

    QTemporaryDir pasta;
    const QString arquivo = pasta.filePath("historico.csv");
    f.EscolherArquivo = [&](QWidget*) { return arquivo; };
    Clicar(f.cmdExportar);
    QFile csv(arquivo);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QByteArray conteudo = csv.readAll();
    EXPECT_TRUE(conteudo.startsWith("\xEF\xBB\xBF"));
    EXPECT_EQ(conteudo.count('\n'), 2);  // header and the one filtered row
    EXPECT_TRUE(conteudo.contains(";90;ANTIGO LIMA;"));
}

TEST(frmHistorico, DesfazerPerguntaPorValoresAlteradosDepois) {
    RegistroJanela reg;
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
    EXPECT_EQ(reg.contar("Paciente WHERE ID_Paciente = 2"), 1);
    ASSERT_NE(Removido(f, 2), nullptr);
    EXPECT_TRUE(Removido(f, 2)->text(6).startsWith("Desfeita por GESTORA em "));
    f.lstHistorico->setCurrentItem(Removido(f, 2));
    EXPECT_FALSE(f.cmdDesfazer->isEnabled());

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
    EXPECT_TRUE(mensagens.Textos()[0].contains("Valores restaurados no cadastro mantido: "));
    EXPECT_EQ(f.lstHistorico->topLevelItem(0)->text(6), "Desfeita");
}
