// "Unificar lote..." on the offscreen platform over a register from the demo generator: the plan
// and its summary before anything is written, then the run off the window's thread and its
// outcome.

#include "worklist/frmUnificarLote.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>

#include "guisupport/JanelaTeste.h"
#include "support/RegistroGerado.h"

TEST(frmUnificarLote, PlanoAntesDeGravarDepoisOLoteEOResultado) {
    RegistroGerado reg(1500);
    const QByteArray antes = reg.Produto();
    frmUnificarLote f(reg.StringConexao(), reg.Administrador());
    QSignalSpy planejado(&f.Tarefa(), &TarefaLote::planejado);
    f.show();
    ASSERT_TRUE(planejado.wait(120000));
    ASSERT_TRUE(planejado[0][0].toBool()) << f.lblResumo->text().toStdString();
    const int grupos = int(f.Tarefa().Grupos().size());
    ASSERT_GT(grupos, 5);
    EXPECT_TRUE(f.lblResumo->text().startsWith(QString("Grupos a unificar: %1\n").arg(grupos)))
        << f.lblResumo->text().toStdString();
    EXPECT_TRUE(f.lblResumo->text().contains("Unificações erradas esperadas: "));
    EXPECT_EQ(f.tblPlano->model()->rowCount(), f.Tarefa().Resumo().registros);
    EXPECT_EQ(reg.Produto(), antes);  // nothing written by the plan

    // "Não" to the question writes nothing either.
    CapturaMensagens mensagens;
    mensagens.Responder(false);
    Clicar(f.cmdUnificar);
    ASSERT_EQ(mensagens.Perguntas().size(), 1);
    EXPECT_TRUE(mensagens.Perguntas()[0].startsWith(QString("Unificar %1 grupos").arg(grupos)));
    EXPECT_EQ(reg.Produto(), antes);
    EXPECT_FALSE(f.Unificou());

    mensagens.Responder(true);
    QSignalSpy terminou(&f.Tarefa(), &TarefaLote::terminou);
    Clicar(f.cmdUnificar);
    EXPECT_FALSE(f.cmdUnificar->isEnabled());
    ASSERT_TRUE(terminou.wait(120000));
    EXPECT_TRUE(terminou[0][0].toBool()) << f.lblSituacao->text().toStdString();
    EXPECT_TRUE(f.lblSituacao->text().startsWith(
        QString("Lote 1: %1 grupos unificados, 0 alterados desde o plano, 0 recusados.")
            .arg(grupos)))
        << f.lblSituacao->text().toStdString();
    EXPECT_TRUE(f.Unificou());
    EXPECT_EQ(f.prgLote->value(), grupos);
    EXPECT_FALSE(f.cmdUnificar->isEnabled());  // a plan is run once
    EXPECT_EQ(f.cmdCancelar->text(), "Fechar");
    EXPECT_EQ(reg.Contar("SELECT COUNT(*) FROM Cadunir_UnificacaoLote WHERE ID_Lote = 1"),
              f.Tarefa().Resumo().registros);
}
