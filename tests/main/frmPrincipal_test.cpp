#include <sqlite3.h>

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>

#include "data/base/Diagnostico.h"
#include "data/base/ErroNumerado.h"
#include "decisions/frmSemSolucao.h"
#include "frmPrincipalTeste.h"
#include "main/InicioPrograma.h"
#include "review/frmCompararPacientes.h"
#include "review/frmPacienteBase.h"
#include "worklist/frmListaTrabalho.h"

namespace {

const QString kPoucos = QStringLiteral(
    "É necessário selecionar no mímino dois pacientes para assim poder unificar o cadastro");

void ClicarLinha(QTableView* grade, int linha) {
    const QRect r = grade->visualRect(grade->model()->index(linha, 0));
    QTest::mouseClick(grade->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
}

// The steps' own messages are InicioPrograma's tests; here, that the window shows them and ends.
TEST_F(JanelaPrincipal, InicioQueFalhaMostraSuaMensagemETerminaSemGravar) {
    QFile::remove(windir + QStringLiteral("Tessivar.INI"));
    {
        frmPrincipal janela;
        EXPECT_FALSE(janela.Form_Load());
    }
    ASSERT_EQ(mensagens.Textos().size(), 1);
    EXPECT_TRUE(mensagens.Textos()[0].startsWith(QStringLiteral("Não foi encontrado o arquivo '")));
    EXPECT_EQ(roteiro.Mostrados(), 0);  // no login was offered
    EXPECT_EQ(DE().Conexao.State(), adStateClosed);

    // Cancelled at the login, after a good connection: no message, and nothing was written
    // (the log tables are made on the way in).
    mensagens.Limpar();
    EscreverINI(("[Tessivar]\nCONN_SERVER=" + conexao + "\n").toUtf8());
    frmPrincipal janela;
    roteiro.Entao([](QDialog& d) { Clicar(Achar<QWidget>(d, QStringLiteral("cmdCancel"))); });
    EXPECT_FALSE(janela.Form_Load());
    EXPECT_TRUE(mensagens.Textos().isEmpty());
    EXPECT_EQ(DE().Conexao.State(), adStateOpen);
    EXPECT_FALSE(ADO().TableExiste(cn, QStringLiteral("PacienteLog")));
}

TEST_F(JanelaPrincipal, CadeiaDeConexaoRuimNuncaMostraNemRegistraASenha) {
    const QString log = dados::ArquivoDiagnostico();
    QFile antes(log);
    const qint64 inicio = antes.exists() ? antes.size() : 0;
    const QStringList cadeias = {
        // The brace swallows the password into the provider's value.
        "Provider={SQLOLEDB;Password=S3grXq9w;User ID=sa};Data Source=SRV",
        "Provider=SQLOLEDB;User ID=sa;Password=S3grXq9w",  // no server
        "Provider=SQLOLEDB;Data Source=SRV,porta;Password=S3grXq9w",
        // A no-break space before "=": still the password.
        "Driver={Driver Que Nao Existe};Server=SRV;UID=sa;PWD\u00A0={S3gr;Xq9w}",
        "Provider=Nada;Pwd=S3grXq9w",
        "Data Source=SRV;Password=\"S3gr;Xq9w",
    };
    for (const QString& cadeia : cadeias) {
        mensagens.Limpar();
        EscreverINI(("[Tessivar]\nCONN_SERVER=" + cadeia + "\n").toUtf8());
        frmPrincipal janela;
        EXPECT_FALSE(janela.Form_Load());
        ASSERT_EQ(mensagens.Textos().size(), 1) << cadeia.toStdString();
        EXPECT_FALSE(mensagens.Textos()[0].contains("S3gr")) << mensagens.Textos()[0].toStdString();
        EXPECT_FALSE(mensagens.Textos()[0].contains("Xq9w")) << mensagens.Textos()[0].toStdString();
    }
    QFile depois(log);
    ASSERT_TRUE(depois.open(QIODevice::ReadOnly));
    depois.seek(inicio);
    const QByteArray registrado = depois.readAll();
    EXPECT_FALSE(registrado.isEmpty());
    EXPECT_FALSE(registrado.contains("S3gr")) << registrado.toStdString();
    EXPECT_FALSE(registrado.contains("Xq9w")) << registrado.toStdString();
}

TEST_F(JanelaPrincipal, PrimeiraVezAgrupaPelosTresNomesEGuardaAsMarcas) {
    const qint32 a = paciente("MARIA", QString(), "SILVA", "1");
    paciente("MARIA", QString(), "SILVA", "2");
    paciente("MARIA", "", "SILVA", "3");  // an empty middle name is not NULL
    paciente("JOSE", "DA", "COSTA", "4");
    paciente("JOSE", "DA", "COSTA", "4");
    paciente("ZECA", QString(), QString(), "9");

    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela));
    EXPECT_TRUE(mensagens.Textos().isEmpty());
    for (QCheckBox* c : {janela.chkNome, janela.chkNomeMeio, janela.chkNomeUltimo}) {
        EXPECT_EQ(c->checkState(), Qt::Checked);
    }
    for (QCheckBox* c : {janela.chkRG, janela.chkCIC, janela.chkNascimento, janela.chkProntuario}) {
        EXPECT_EQ(c->checkState(), Qt::Unchecked);
    }
    // A NULL middle name is a group of its own, shown with an empty cell.
    EXPECT_EQ(Grade(*janela.dbGridCriterio), (QStringList{"JOSE|DA|COSTA", "MARIA||SILVA"}));
    EXPECT_EQ(janela.lblItensnaLista->text(), "2");
    // The first group is current: its patients are listed and the first one is shown.
    EXPECT_EQ(janela.dbGridCriterio->currentIndex().row(), 0);
    EXPECT_EQ(Linhas(*janela.lstSemelhante), (QStringList{"JOSE DA COSTA", "JOSE DA COSTA"}));
    EXPECT_EQ(Detalhe(janela, "Nome_Completo"), "JOSE DA COSTA");

    // Choosing the other group: its NULL middle name drops out of the member query, so the
    // record with an empty (not NULL) middle name is listed too, with two blanks.
    Escolher(janela, 1);
    EXPECT_EQ(Linhas(*janela.lstSemelhante),
              (QStringList{"MARIA SILVA", "MARIA SILVA", "MARIA  SILVA"}));
    EXPECT_EQ(janela.lstSemelhante->item(0)->data(Qt::UserRole).toInt(), a);
    EXPECT_EQ(janela.lstSemelhante->item(0)->checkState(), Qt::Unchecked);
    EXPECT_EQ(Detalhe(janela, "RG"), "1");
    // The highlighted row decides the detail; a tick does not.
    janela.lstSemelhante->setCurrentRow(1);
    EXPECT_EQ(Detalhe(janela, "RG"), "2");
    janela.lstSemelhante->item(0)->setCheckState(Qt::Checked);
    EXPECT_EQ(Detalhe(janela, "RG"), "2");

    // Grouping on RG alone: saved, and the ticks survive a restart.
    janela.chkNome->setChecked(false);
    janela.chkNomeMeio->setChecked(false);
    janela.chkNomeUltimo->setChecked(false);
    janela.chkRG->setChecked(true);
    Clicar(janela.cmdBuscar);
    ASSERT_TRUE(janela.AguardarAgrupamento(kEsperaMaximaMs));
    EXPECT_EQ(Grade(*janela.dbGridCriterio), QStringList{"4"});
    // The new first row is current and its group listed: nothing of the old result stays.
    EXPECT_EQ(janela.dbGridCriterio->currentIndex().row(), 0);
    EXPECT_EQ(Linhas(*janela.lstSemelhante), (QStringList{"JOSE DA COSTA", "JOSE DA COSTA"}));
    frmPrincipal outra;
    ADO().FecharConexão(DE().Conexao);
    ASSERT_TRUE(Iniciar(outra));
    EXPECT_TRUE(outra.chkRG->isChecked());
    EXPECT_FALSE(outra.chkNome->isChecked());
}

TEST_F(JanelaPrincipal, SemMarcaOuSemDuplicadoNaoListaNinguem) {
    paciente("ANA", QString(), "LIMA", "1");
    paciente("ANA", QString(), "LIMA", "2");
    {
        Ticks({"0", "0", "0", "0", "0", "0", "0"});
        frmPrincipal janela;
        ASSERT_TRUE(Iniciar(janela));
        EXPECT_EQ(mensagens.Textos(), QStringList{"Selecione ao menos um critério"});
        EXPECT_EQ(janela.dbGridCriterio->model()->rowCount(), 0);
        EXPECT_EQ(janela.lstSemelhante->count(), 0);
        // Nothing grouped: the counter says so (not the design text).
        EXPECT_EQ(janela.lblItensnaLista->text(), "0");
    }
    ADO().FecharConexão(DE().Conexao);
    mensagens.Limpar();
    {
        // A greyed box counts as ticked; every RG differs, so there is no group.
        Ticks({"0", "0", "0", "2", "0", "0", "0"});
        frmPrincipal janela;
        ASSERT_TRUE(Iniciar(janela));
        EXPECT_TRUE(mensagens.Textos().isEmpty());
        EXPECT_EQ(janela.chkRG->checkState(), Qt::PartiallyChecked);
        EXPECT_EQ(janela.lblItensnaLista->text(), "0");
        EXPECT_EQ(janela.lstSemelhante->count(), 0);
        EXPECT_EQ(Detalhe(janela, "Nome_Completo"), "");
    }
}

TEST_F(JanelaPrincipal, ContadorSeparaMilharesComoEmPortugues) {
    // 1,234 groups of two records each.
    for (int bloco = 0; bloco < 2; ++bloco) {
        QString sql = QStringLiteral("INSERT INTO Paciente (Nome, Nome_Último) VALUES ");
        for (int i = 0; i < 1234; ++i) {
            sql += QStringLiteral("('P%1', 'X')%2").arg(i).arg(i < 1233 ? "," : "");
        }
        executar(sql);
    }
    Ticks({"1", "0", "0", "0", "0", "0", "0"});
    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela));
    EXPECT_EQ(janela.lblItensnaLista->text(), "1.234");
}

class Unificar : public JanelaPrincipal {
  protected:
    void SetUp() override {
        JanelaPrincipal::SetUp();
        ana = {paciente("ANA", QString(), "LIMA", "1"), paciente("ANA", QString(), "LIMA", "2"),
               paciente("ANA", QString(), "LIMA", "3")};
        bia = {paciente("BIA", QString(), "REIS", "4"), paciente("BIA", QString(), "REIS", "5")};
        executar(QStringLiteral("INSERT INTO Exame (ID_Paciente, Número_Exame) VALUES (%1, 'E1')")
                     .arg(ana[2]));
        Ticks({"1", "0", "1", "0", "0", "0", "0"});
    }

    QVector<qint32> ana;
    QVector<qint32> bia;
};

TEST_F(Unificar, UmaMarcaRecusadaTresUnificamNaBaseEscolhida) {
    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela));
    ASSERT_EQ(Grade(*janela.dbGridCriterio), (QStringList{"ANA|LIMA", "BIA|REIS"}));
    // The detail tells one record from another by its ID and its exams.
    EXPECT_EQ(Detalhe(janela, "ID_Paciente"), QString::number(ana[0]));
    EXPECT_EQ(Detalhe(janela, "Exames"), "0");
    janela.lstSemelhante->setCurrentRow(2);
    EXPECT_EQ(Detalhe(janela, "ID_Paciente"), QString::number(ana[2]));
    EXPECT_EQ(Detalhe(janela, "Exames"), "1");

    Marcar(*janela.lstSemelhante, {1});
    Clicar(janela.cmdUnificar);
    EXPECT_EQ(mensagens.Textos(), QStringList{kPoucos});
    EXPECT_EQ(roteiro.Mostrados(), 1);  // only the login so far

    Marcar(*janela.lstSemelhante, {0, 2});
    roteiro.Entao([&](QDialog& d) {
        auto* base = Como<frmPacienteBase>(d);
        EXPECT_EQ(Linhas(*base->lstSemelhante), (QStringList{"ANA LIMA", "ANA LIMA", "ANA LIMA"}));
        base->lstSemelhante->item(1)->setCheckState(Qt::Checked);
        Clicar(base->cmdOK);
    });
    ConfirmarRevisao();
    Clicar(janela.cmdUnificar);
    EXPECT_EQ(mensagens.Textos(),
              (QStringList{kPoucos, QStringLiteral("2 cadastros unificados em %1; 1 exame "
                                                   "transferido")
                                        .arg(ana[1])}));
    EXPECT_TRUE(janela.cmdUnificar->isEnabled());

    // The chosen base stays, the copies are logged under the administrator logged in.
    EXPECT_EQ(contar("SELECT COUNT(*) FROM Paciente WHERE Nome = 'ANA'"), 1);
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM PacienteLog WHERE ID_Usuario = 1 AND "
                                    "ID_PacienteNovo = %1")
                         .arg(ana[1])),
              2);

    // ANA's group is gone; the row at the same position is now BIA's and is current.
    EXPECT_EQ(Grade(*janela.dbGridCriterio), QStringList{"BIA|REIS"});
    EXPECT_EQ(janela.dbGridCriterio->currentIndex().row(), 0);
    EXPECT_EQ(janela.lblItensnaLista->text(), "1");
    EXPECT_EQ(Linhas(*janela.lstSemelhante), (QStringList{"BIA REIS", "BIA REIS"}));
}

class Escolha : public JanelaPrincipal {};

TEST_F(Escolha, EscolhedorListaOsCadastrosEMantemUmaMarca) {
    ASSERT_TRUE(ADO().AbrirConexão(DE().Conexao, conexao));
    const qint32 a = paciente("LUIS", QString(), "PRADO", "7");
    const qint32 b = paciente("LUIS", "", QString(), "8");
    const qint32 c = paciente("LUIS", "ALVES", "PRADO", "9");
    frmPacienteBase base;
    base.Iniciar({QString::number(a), QString::number(b), QString::number(c)});
    EXPECT_EQ(Linhas(*base.lstSemelhante),
              (QStringList{"LUIS PRADO", "LUIS ", "LUIS ALVES PRADO"}));
    // The lines keep their text; what tells two of one name apart is in their tooltips.
    const QString dica = base.lstSemelhante->item(1)->toolTip();
    EXPECT_TRUE(dica.startsWith(QStringLiteral("LUIS — ID %1").arg(b)) && dica.endsWith("RG 8"))
        << dica.toStdString();
    EXPECT_EQ(base.lstSemelhante->currentRow(), 0);
    EXPECT_EQ(base.NvPreferSemelhante->TextoDoCampo(QStringLiteral("RG")), "7");

    base.cmdOK_Click();
    EXPECT_EQ(mensagens.Textos(),
              QStringList{QStringLiteral("Marque o cadastro que permanecerá.")});
    Marcar(*base.lstSemelhante, {1});
    // The highlight, and so the detail, follows the tick: what is shown is what survives.
    EXPECT_EQ(base.lstSemelhante->currentRow(), 1);
    EXPECT_EQ(base.NvPreferSemelhante->TextoDoCampo(QStringLiteral("RG")), "8");
    Marcar(*base.lstSemelhante, {2});
    EXPECT_EQ(base.lstSemelhante->currentRow(), 2);
    EXPECT_EQ(base.lstSemelhante->item(1)->checkState(), Qt::Unchecked);
    EXPECT_EQ(base.lstSemelhante->item(2)->checkState(), Qt::Checked);
    base.lstSemelhante->item(2)->setCheckState(Qt::Unchecked);  // none ticked is allowed
    Marcar(*base.lstSemelhante, {2});
    base.cmdOK_Click();
    EXPECT_EQ(base.ID_PacienteBase(), c);
    base.cmdCancelar_Click();
    EXPECT_EQ(base.ID_PacienteBase(), 0);
}

TEST_F(Unificar, ListaDeTrabalhoRecebeOsGruposEUnificarNelaReagrupa) {
    const qint32 caio[] = {paciente("CAIO", QString(), "MOTA"),
                           paciente("CAIO", QString(), "MOTA")};
    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela));
    Mostrar(janela);
    ASSERT_EQ(janela.dbGridCriterio->model()->rowCount(), 3);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&janela));
    // A button's shortcut clicks it after a short animation: the test sleeps until it does.
    QSignalSpy clicado(janela.cmdListaTrabalho, &QPushButton::clicked);
    // The grid gives the groups' values; their records are read off the window's thread.
    QSignalSpy lidos(&janela.GruposTrabalho(), &GruposListaTrabalho::lidos);
    QTest::keyClick(janela.dbGridCriterio, Qt::Key_L, Qt::ControlModifier);
    ASSERT_TRUE(clicado.wait(kEsperaMaximaMs));
    frmListaTrabalho* lista = janela.ListaTrabalho();
    ASSERT_NE(lista, nullptr);
    ASSERT_TRUE(lidos.count() > 0 || lidos.wait(kEsperaMaximaMs));
    QSet<QVector<qint32>> grupos;
    for (const auto& item : lista->Lista().Itens()) {
        grupos.insert(item.membros);
    }
    EXPECT_EQ(grupos, (QSet<QVector<qint32>>{
                          {ana[0], ana[1], ana[2]}, {bia[0], bia[1]}, {caio[0], caio[1]}}));

    // Put off twice, then merged by key: the grid groups again without the merged group.
    QApplication::setActiveWindow(lista);
    ASSERT_TRUE(QTest::qWaitForWindowActive(lista));
    for (const Qt::Key tecla : {Qt::Key_A, Qt::Key_A, Qt::Key_U}) {
        QTest::keyClick(lista->tblGrupos, tecla);
    }
    EXPECT_EQ(mensagens.Perguntas().size(), 1);
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM Paciente WHERE Nome = 'CAIO'")), 1);
    ASSERT_TRUE(janela.AguardarAgrupamento(kEsperaMaximaMs));
    EXPECT_EQ(janela.dbGridCriterio->model()->rowCount(), 2);
    EXPECT_TRUE(mensagens.Textos().isEmpty()) << mensagens.Textos().join('\n').toStdString();
}

TEST_F(Unificar, PacienteAtualMarcadoSemSolucaoDepoisDeCancelarOEscolhedor) {
    executar(QStringLiteral("UPDATE Paciente SET Prontuário = 'P-77' WHERE ID_Paciente = %1")
                 .arg(ana[1]));
    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela));
    Marcar(*janela.lstSemelhante, {0, 2});
    // Cancelled, after a tick: nothing happens and the ticks stay.
    roteiro.Entao([](QDialog& d) {
        auto* base = Como<frmPacienteBase>(d);
        base->lstSemelhante->item(0)->setCheckState(Qt::Checked);
        Clicar(base->cmdCancelar);
    });
    Clicar(janela.cmdUnificar);
    EXPECT_EQ(contar("SELECT COUNT(*) FROM Paciente"), 5);
    EXPECT_EQ(janela.lstSemelhante->item(2)->checkState(), Qt::Checked);

    // The chooser read only the ticked records; the dialog still gets row 1's record number.
    janela.lstSemelhante->setCurrentRow(1);
    EXPECT_TRUE(janela.lstSemelhante->item(1)->icon().isNull());

    roteiro.Entao([&](QDialog& d) {
        auto* f = Como<frmSemSolucao>(d);
        EXPECT_EQ(f->lblPaciente->text(), "ANA LIMA");
        EXPECT_EQ(f->lblProntuario->text(), "P-77");
        f->dtcboMotivo->setCurrentIndex(f->dtcboMotivo->findText("Outros"));
        Digitar(f->txtObs, QStringLiteral("Dois prontuários no hospital"));
        Clicar(f->cmdOK);
    });
    Clicar(janela.cmdSemSolucao);
    EXPECT_EQ(roteiro.Mostrados(), 3);  // the login, the chooser, then the mark
    EXPECT_TRUE(mensagens.Textos().isEmpty());

    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM PacienteLogSemSolucao WHERE "
                                    "ID_Paciente = %1 AND ID_PacienteLogJustificativa = 3")
                         .arg(ana[1])),
              1);
    // The row shows its mark without any change to its text; the others carry none.
    EXPECT_FALSE(janela.lstSemelhante->item(1)->icon().isNull());
    EXPECT_TRUE(janela.lstSemelhante->item(0)->icon().isNull());
    EXPECT_EQ(Linhas(*janela.lstSemelhante), (QStringList{"ANA LIMA", "ANA LIMA", "ANA LIMA"}));
}

TEST_F(Unificar, TecladoAlcancaCadaPassoEmOrdemETodoControleTemNome) {
    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela, QStringLiteral("ADMIN"), QStringLiteral("segredo"), true));
    Mostrar(janela);
    ExigirNomesAcessiveis(janela);
    // The instructions are display only: focused by a click, they give the focus back.
    janela.txtCaption[1]->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    EXPECT_FALSE(janela.txtCaption[1]->hasFocus());
    QTableView* grade = janela.dbGridCriterio;
    grade->setFocus(Qt::OtherFocusReason);
    // Tab leaves the grid for the list, the commands, the criteria, and comes back round.
    const QList<QWidget*> ordem{janela.lstSemelhante,
                                janela.cmdSemSolucao,
                                janela.cmdHistorico,
                                janela.cmdListaTrabalho,
                                janela.cmdComparar,
                                janela.cmdUnificar,
                                janela.chkNome,
                                janela.chkNomeMeio,
                                janela.chkNomeUltimo,
                                janela.chkRG,
                                janela.chkCIC,
                                janela.chkNascimento,
                                janela.chkProntuario,
                                janela.chkSemelhanca,
                                janela.cmdAprenderDeNovo,
                                janela.cmdBuscar,
                                janela.txtLocalizar,
                                grade};
    for (QWidget* proximo : ordem) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), proximo) << proximo->objectName().toStdString();
    }
    // Shift+Tab from the first criterion goes back to the commands, never into the
    // instructions (which would keep the focus).
    janela.chkNome->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(janela.chkNome, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), janela.cmdUnificar);

    // Ctrl+Tab walks the cells inside the grid; the next row is the next group.
    grade->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(grade, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(grade->currentIndex(), grade->model()->index(0, 1));
    QTest::keyClick(grade, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(grade->currentIndex(), grade->model()->index(1, 0));
    EXPECT_EQ(QApplication::focusWidget(), grade);
    ASSERT_EQ(Linhas(*janela.lstSemelhante), (QStringList{"BIA REIS", "BIA REIS"}));

    // Space ticks the list's patients; Space on "Unificar cadastros" merges them.
    QTest::keyClick(grade, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), janela.lstSemelhante);
    QTest::keyClick(janela.lstSemelhante, Qt::Key_Space);
    QTest::keyClick(janela.lstSemelhante, Qt::Key_Down);
    QTest::keyClick(janela.lstSemelhante, Qt::Key_Space);
    EXPECT_EQ(janela.lstSemelhante->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(janela.lstSemelhante->item(1)->checkState(), Qt::Checked);
    QTest::keyClick(janela.lstSemelhante, Qt::Key_Tab);
    while (QApplication::focusWidget() != janela.cmdUnificar &&
           janela.Frame5->isAncestorOf(QApplication::focusWidget())) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);  // the row, left to right
    }
    ASSERT_EQ(QApplication::focusWidget(), janela.cmdUnificar);
    roteiro.Entao([](QDialog& d) {
        ExigirNomesAcessiveis(d);
        auto* base = Como<frmPacienteBase>(d);
        base->lstSemelhante->item(0)->setCheckState(Qt::Checked);
        Clicar(base->cmdOK);
    });
    ConfirmarRevisao();
    QTest::keyClick(janela.cmdUnificar, Qt::Key_Space);
    EXPECT_EQ(contar("SELECT COUNT(*) FROM Paciente WHERE Nome = 'BIA'"), 1);
    EXPECT_EQ(Grade(*grade), QStringList{"ANA|LIMA"});
}

TEST_F(Unificar, AgrupamentoSeguraAEntradaECancelarDeixaOResultadoAnterior) {
    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela));
    Mostrar(janela);
    Escolher(janela, 1);
    ASSERT_EQ(Linhas(*janela.lstSemelhante), (QStringList{"BIA REIS", "BIA REIS"}));
    Marcar(*janela.lstSemelhante, {0});

    SegurarAgrupamento segurar;
    janela.chkNome->setChecked(false);  // the last name alone
    Clicar(janela.cmdBuscar);
    ASSERT_TRUE(janela.Agrupando());
    EXPECT_TRUE(janela.lblItensnaLista->text().startsWith(QStringLiteral("Agrupando... ")))
        << janela.lblItensnaLista->text().toStdString();
    EXPECT_TRUE(janela.cmdCancelarAgrupamento->isVisible());
    // What the grouping will replace takes no input: these are dropped, not kept for later.
    ClicarLinha(janela.dbGridCriterio, 0);
    Clicar(janela.cmdUnificar);
    QTest::keyClick(janela.lstSemelhante, Qt::Key_Space);
    EXPECT_EQ(janela.dbGridCriterio->currentIndex().row(), 1);

    Clicar(janela.cmdCancelarAgrupamento);
    segurar.Soltar();
    ASSERT_TRUE(janela.AguardarAgrupamento(kEsperaMaximaMs));
    EXPECT_EQ(Grade(*janela.dbGridCriterio), (QStringList{"ANA|LIMA", "BIA|REIS"}));
    EXPECT_EQ(janela.dbGridCriterio->currentIndex().row(), 1);
    EXPECT_EQ(janela.lblItensnaLista->text(), "2");
    EXPECT_EQ(Linhas(*janela.lstSemelhante), (QStringList{"BIA REIS", "BIA REIS"}));
    EXPECT_EQ(janela.lstSemelhante->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(janela.lstSemelhante->item(1)->checkState(), Qt::Unchecked);
    EXPECT_TRUE(mensagens.Textos().isEmpty());
    EXPECT_EQ(roteiro.Mostrados(), 1);  // the login only: the dropped click chose nothing
    EXPECT_FALSE(janela.cmdCancelarAgrupamento->isVisible());
    EXPECT_TRUE(janela.dbGridCriterio->isEnabled());
    // The result on screen kept its own criteria: ANA's group is still first and last name.
    Escolher(janela, 0);
    EXPECT_EQ(Linhas(*janela.lstSemelhante), (QStringList{"ANA LIMA", "ANA LIMA", "ANA LIMA"}));

    // A grouping that runs to its end: a click made meanwhile is not replayed on the result.
    Clicar(janela.cmdBuscar);
    ClicarLinha(janela.dbGridCriterio, 1);
    segurar.Soltar();
    ASSERT_TRUE(janela.AguardarAgrupamento(kEsperaMaximaMs));
    EXPECT_EQ(Grade(*janela.dbGridCriterio), (QStringList{"LIMA", "REIS"}));
    EXPECT_EQ(janela.dbGridCriterio->currentIndex().row(), 0);
    EXPECT_EQ(Linhas(*janela.lstSemelhante), (QStringList{"ANA LIMA", "ANA LIMA", "ANA LIMA"}));
    EXPECT_EQ(janela.lblItensnaLista->text(), "2");
}

TEST_F(Unificar, UnificacaoMostraOProximoGrupoJaEOReagrupamentoMantemOTrabalho) {
    for (const char* nome : {"CAIO", "CAIO", "DORA", "DORA"}) {
        paciente(nome, QString(), nome[0] == 'C' ? "SOUZA" : "VAZ");
    }
    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela));
    Marcar(*janela.lstSemelhante, {0, 1, 2});
    EscolherBase(0);
    ConfirmarRevisao();
    SegurarAgrupamento segurar;  // the grouping run again after the merge waits here
    Clicar(janela.cmdUnificar);
    ASSERT_TRUE(janela.Agrupando());
    // At once: ANA's group is gone, the row at the same position (BIA) is current and listed,
    // and nothing waits for the grouping.
    EXPECT_EQ(Grade(*janela.dbGridCriterio), (QStringList{"BIA|REIS", "CAIO|SOUZA", "DORA|VAZ"}));
    EXPECT_EQ(janela.dbGridCriterio->currentIndex().row(), 0);
    EXPECT_EQ(Linhas(*janela.lstSemelhante), (QStringList{"BIA REIS", "BIA REIS"}));
    EXPECT_EQ(janela.lblItensnaLista->text(), "3");
    EXPECT_TRUE(janela.dbGridCriterio->isEnabled());
    EXPECT_TRUE(janela.lstSemelhante->isEnabled());
    EXPECT_TRUE(janela.cmdUnificar->isEnabled());
    EXPECT_FALSE(janela.cmdCancelarAgrupamento->isVisible());

    // The administrator goes on; the grouping's arrival keeps the row and the tick.
    Marcar(*janela.lstSemelhante, {1});
    segurar.Soltar();
    ASSERT_TRUE(janela.AguardarAgrupamento(kEsperaMaximaMs));
    EXPECT_EQ(Grade(*janela.dbGridCriterio), (QStringList{"BIA|REIS", "CAIO|SOUZA", "DORA|VAZ"}));
    EXPECT_EQ(janela.dbGridCriterio->currentIndex().row(), 0);
    EXPECT_EQ(janela.lstSemelhante->item(1)->checkState(), Qt::Checked);
    EXPECT_EQ(janela.lblItensnaLista->text(), "3");
    ASSERT_EQ(mensagens.Textos().size(), 1);  // the merge's outcome, nothing else
    EXPECT_TRUE(mensagens.Textos()[0].startsWith(QStringLiteral("2 cadastros unificados em ")));

    // The last group merged: the new last row is current, with its list.
    Escolher(janela, 2);
    Marcar(*janela.lstSemelhante, {0, 1});
    EscolherBase(0);
    ConfirmarRevisao();
    Clicar(janela.cmdUnificar);
    EXPECT_EQ(Grade(*janela.dbGridCriterio), (QStringList{"BIA|REIS", "CAIO|SOUZA"}));
    EXPECT_EQ(janela.dbGridCriterio->currentIndex().row(), 1);
    EXPECT_EQ(DE().rsLocalizar.AbsolutePosition(), 2);
    EXPECT_EQ(Linhas(*janela.lstSemelhante), (QStringList{"CAIO SOUZA", "CAIO SOUZA"}));
}

TEST_F(Unificar, AgrupamentoOuListaQueFalhaNaoDeixaNadaVelhoNaTela) {
    EscreverINI(("[Tessivar]\nCONN_SERVER=" + conexao + ";Busy Timeout=100\n").toUtf8());
    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela));
    Marcar(*janela.lstSemelhante, {0, 1});

    // Another program holds the register while the grouping runs.
    sqlite3* outro = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(arquivo).constData(), &outro), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(outro, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    Clicar(janela.cmdBuscar);
    const bool terminou = janela.AguardarAgrupamento(kEsperaMaximaMs);
    sqlite3_exec(outro, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(outro);
    ASSERT_TRUE(terminou);
    ASSERT_EQ(mensagens.Textos().size(), 1);
    EXPECT_TRUE(mensagens.Textos()[0].startsWith(
        QStringLiteral("Ao exibir os paciente que obedecem aos critério acima, ocoreu o seguinte "
                       "erro:\n\n")))
        << mensagens.Textos()[0].toStdString();
    EXPECT_TRUE(mensagens.Textos()[0].contains(QStringLiteral("Registro de diagnóstico: ")));
    EXPECT_EQ(janela.dbGridCriterio->model()->rowCount(), 0);
    EXPECT_EQ(janela.lstSemelhante->count(), 0);
    EXPECT_EQ(janela.lblItensnaLista->text(), "0");
    EXPECT_EQ(Detalhe(janela, "Nome_Completo"), "");
    // Nothing of the old result can be merged.
    mensagens.Limpar();
    Clicar(janela.cmdUnificar);
    EXPECT_EQ(mensagens.Textos(), QStringList{kPoucos});

    // A list query that fails: the previous group's patients do not stay, mergeable.
    mensagens.Limpar();
    Clicar(janela.cmdBuscar);
    ASSERT_TRUE(janela.AguardarAgrupamento(kEsperaMaximaMs));
    ASSERT_EQ(Linhas(*janela.lstSemelhante), (QStringList{"ANA LIMA", "ANA LIMA", "ANA LIMA"}));
    Marcar(*janela.lstSemelhante, {0, 1});
    const int falha = DE().Conexao.AdicionarObservador([](const Connection::Evento& e) {
        if (e.tipo == Connection::Evento::Consulta &&
            e.texto.contains(QStringLiteral("Nome_Completo"))) {
            throw ErroNumerado(-2147467259, QStringLiteral("teste"), QStringLiteral("bloqueado"));
        }
    });
    Escolher(janela, 1);
    DE().Conexao.RemoverObservador(falha);
    ASSERT_EQ(mensagens.Textos().size(), 1);
    EXPECT_TRUE(mensagens.Textos()[0].startsWith(QStringLiteral(
        "Ao preencher a lista de pacientes, ocorreu o seguinte erro:-2147467259 - bloqueado")))
        << mensagens.Textos()[0].toStdString();
    EXPECT_EQ(janela.lstSemelhante->count(), 0);
    EXPECT_EQ(Detalhe(janela, "Nome_Completo"), "");
}

TEST_F(JanelaPrincipal, ColunasDaGradeCabemOrdenamEMostramValoresInteiros) {
    const QString longo = QStringLiteral("APARECIDA DOS SANTOS NASCIMENTO DE OLIVEIRA");
    paciente("ANA", longo, "LIMA", "1");
    paciente("ANA", longo, "LIMA", "1");
    paciente("ZE", "X", "SOUZA", "2");
    paciente("ZE", "X", "SOUZA", "2");
    Ticks({"1", "1", "1", "1", "0", "0", "0"});
    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela));
    Mostrar(janela);
    QTableView* grade = janela.dbGridCriterio;
    QHeaderView* cabecalho = grade->horizontalHeader();
    ASSERT_EQ(cabecalho->count(), 4);
    for (int c = 0; c < 3; ++c) {  // the last one also takes what is left of the grid
        const QString titulo = grade->model()->headerData(c, Qt::Horizontal).toString();
        EXPECT_GE(cabecalho->sectionSize(c), grade->fontMetrics().horizontalAdvance(titulo))
            << titulo.toStdString();
        EXPECT_EQ(cabecalho->sectionResizeMode(c), QHeaderView::Interactive);
    }
    EXPECT_EQ(grade->model()->index(0, 1).data(Qt::ToolTipRole).toString(), longo);

    // Sorting by a header changes the grid's order only: the group and its ticks stay.
    Marcar(*janela.lstSemelhante, {1});
    const QPoint nome(cabecalho->sectionViewportPosition(0) + 4, cabecalho->height() / 2);
    QTest::mouseClick(cabecalho->viewport(), Qt::LeftButton, Qt::NoModifier, nome);
    if (cabecalho->sortIndicatorOrder() == Qt::AscendingOrder) {
        QTest::mouseClick(cabecalho->viewport(), Qt::LeftButton, Qt::NoModifier, nome);
    }
    EXPECT_EQ(cabecalho->sortIndicatorSection(), 0);
    EXPECT_EQ(Grade(*grade), (QStringList{"ZE|X|SOUZA|2", "ANA|" + longo + "|LIMA|1"}));
    EXPECT_EQ(grade->currentIndex().row(), 1);
    EXPECT_EQ(janela.lstSemelhante->item(1)->checkState(), Qt::Checked);
    // Choosing the first row of the sorted grid lists that row's group.
    Escolher(janela, 0);
    EXPECT_EQ(Linhas(*janela.lstSemelhante), (QStringList{"ZE X SOUZA", "ZE X SOUZA"}));

    // Rows grow with the font.
    QFont grande = grade->font();
    grande.setPointSize(30);
    grade->setFont(grande);
    EXPECT_GE(grade->rowHeight(0), QFontMetrics(grande).height());
}

TEST_F(JanelaPrincipal, JanelaCabeNaTelaELembraADisposicaoPorUsuario) {
    const QRect tela = QGuiApplication::primaryScreen()->availableGeometry();
    QList<int> divisao;
    QSize tamanho;
    {
        frmPrincipal janela;
        ASSERT_TRUE(Iniciar(janela));
        Mostrar(janela);
        EXPECT_TRUE(tela.contains(janela.frameGeometry()))
            << janela.frameGeometry().width() << "x" << janela.frameGeometry().height();
        for (QSplitter* d :
             {janela.divisorPrincipal, janela.divisorResultado, janela.divisorDetalhe}) {
            EXPECT_EQ(d->count(), 2);
        }
        janela.resize(640, 480);
        QApplication::processEvents();
        janela.divisorResultado->setSizes({150, 300});
        tamanho = janela.size();
        divisao = janela.divisorResultado->sizes();
        janela.close();
    }
    ADO().FecharConexão(DE().Conexao);
    {
        frmPrincipal janela;
        ASSERT_TRUE(Iniciar(janela));
        Mostrar(janela);
        EXPECT_EQ(janela.size(), tamanho);
        EXPECT_EQ(janela.divisorResultado->sizes(), divisao);
    }
    ADO().FecharConexão(DE().Conexao);
    {
        // Another administrator on the same workstation has a layout of their own.
        frmPrincipal janela;
        ASSERT_TRUE(Iniciar(janela, QStringLiteral("D'ÁVILA"), QStringLiteral("o'k")));
        Mostrar(janela);
        EXPECT_NE(janela.size(), tamanho);
        EXPECT_TRUE(tela.contains(janela.frameGeometry()));
    }
}

TEST_F(Unificar, CadastroBloqueadoEDitoAoIniciarEOsComandosDizemPorque) {
    EscreverINI(("[Tessivar]\nCONN_SERVER=" + conexao + ";Busy Timeout=100\n").toUtf8());
    ASSERT_TRUE(InicioPrograma(cn, ADO()).CriarTabelas());  // opening it then only reads
    sqlite3* outro = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(arquivo).constData(), &outro), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(outro, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela));
    EXPECT_FALSE(janela.statusBar()->isHidden());
    EXPECT_EQ(janela.lblGravacao->text(),
              "Cadastro bloqueado por outro programa: unificar e marcar sem solução estão "
              "indisponíveis até que ele o libere (Agrupar verifica de novo).");
    for (QPushButton* comando : {janela.cmdUnificar, janela.cmdSemSolucao}) {
        EXPECT_FALSE(comando->isEnabled());
        EXPECT_TRUE(comando->toolTip().startsWith(janela.lblGravacao->text() + "\nDetalhe: "))
            << comando->toolTip().toStdString();
    }
    // The review itself goes on: the groups are read and listed.
    EXPECT_EQ(Grade(*janela.dbGridCriterio), (QStringList{"ANA|LIMA", "BIA|REIS"}));
    EXPECT_EQ(janela.lstSemelhante->count(), 3);
    EXPECT_TRUE(mensagens.Textos().isEmpty());

    // Freed by the other program: the next grouping finds it writable.
    sqlite3_exec(outro, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(outro);
    Clicar(janela.cmdBuscar);
    ASSERT_TRUE(janela.AguardarAgrupamento(kEsperaMaximaMs));
    EXPECT_TRUE(janela.statusBar()->isHidden());
    EXPECT_TRUE(janela.cmdUnificar->isEnabled());
    EXPECT_TRUE(janela.cmdSemSolucao->isEnabled());
}

}  // namespace
