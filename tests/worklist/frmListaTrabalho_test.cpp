#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

#include "decisions/clsDecisaoPessoas.h"
#include "decisions/clsPacienteSemSolucao.h"
#include "decisions/frmSemSolucao.h"
#include "guisupport/frmRegistroTeste.h"
#include "merge/clsUnificacaoRegistro.h"
#include "review/frmCompararPacientes.h"
#include "worklist/ModeloListaTrabalho.h"
#include "worklist/frmListaTrabalho.h"
#include "worklist/frmMotivoDecisao.h"

namespace {

// The register as start-up leaves it, with ten patients in five pairs: {1,2} one person,
// {3,4} two people of one name, {5,6} one that cannot be resolved, {7,8} to look at later,
// {9,10} with different CICs (a sign of two people).
class ListaTrabalhoJanela : public RegistroJanelaMerge {
  protected:
    void SetUp() override {
        RegistroJanelaMerge::SetUp();
        ASSERT_TRUE(clsUnificacaoRegistro(cn(), ADO()).CriarTabelas());
        ASSERT_TRUE(clsDecisaoPessoas(cn(), ADO()).CriarTabela());
        ASSERT_TRUE(clsPacienteSemSolucao(cn(), ADO()).CriarTabelaRastro());
        ASSERT_TRUE(ListaTrabalho::CriarTabela(cn(), ADO()));
        for (int i = 1; i <= 10; ++i) {
            executar(QString("INSERT INTO Paciente (Nome, Nome_Último, RG, CIC, Sexo, "
                             "Data_Nascimento) VALUES ('P%1', 'SILVA', '%2', '%3', 'F', "
                             "'1970-03-15')")
                         .arg((i + 1) / 2)
                         .arg(100 + (i + 1) / 2)
                         .arg(i == 10  ? "222"
                              : i == 9 ? "111"
                                       : ""));
        }
        executar("INSERT INTO Exame (Número_Exame, ID_Paciente) VALUES ('E-2', 2)");
    }
    static QVector<GrupoTrabalho> Grupos(QVector<QVector<qint32>> membros = {
                                             {1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}}) {
        QVector<GrupoTrabalho> g;
        for (const auto& m : membros) {
            g.append({m, {}, QStringLiteral("P%1 SILVA").arg((m.first() + 1) / 2), -1, false});
        }
        return g;
    }
    // The window as the administrator sees it: shown and active, its keys live.
    static void Mostrar(frmListaTrabalho& janela) {
        janela.show();
        QApplication::setActiveWindow(&janela);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&janela));
    }
    // One key press in the list, the window active as it is when a person types (a dialog the
    // test answered without a modal loop does not give the activation back by itself).
    static void Teclar(frmListaTrabalho& janela, Qt::Key tecla,
                       Qt::KeyboardModifiers modificadores = Qt::NoModifier) {
        QApplication::setActiveWindow(&janela);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&janela));
        ASSERT_TRUE(janela.tblGrupos->hasFocus());
        Tecla(janela.tblGrupos, tecla, modificadores);
    }
    static QVector<qint32> Aberto(frmListaTrabalho& janela) {
        const int i = janela.Lista().Aberto();
        return i < 0 ? QVector<qint32>{} : janela.Lista().Itens()[i].membros;
    }
    static QString Estado(frmListaTrabalho& janela, QVector<qint32> membros) {
        for (int i = 0; i < janela.Lista().Itens().size(); ++i) {
            if (janela.Lista().Itens()[i].grupo.membros == membros) {
                return janela.Lista().Descricao(i);
            }
        }
        return QString();
    }
    static qint64 Contar(const QString& sql) { return valor(sql).toLongLong(); }
};

}  // namespace

TEST_F(ListaTrabalhoJanela, TriagemInteiraPeloTecladoComOsAlvosDeTeclas) {
    CapturaMensagens mensagens;
    RoteiroModal roteiro;
    frmListaTrabalho janela(cn(), ADO(), ID_UsuarioLogado);
    ASSERT_TRUE(janela.Iniciar(Grupos(), false));
    Mostrar(janela);
    ASSERT_EQ(Aberto(janela), (QVector<qint32>{1, 2}));
    // The records of the open group, the suggested base (the one with the exam) marked.
    ASSERT_EQ(janela.tblMembros->rowCount(), 2);
    EXPECT_EQ(janela.tblMembros->item(1, 0)->text(), "base sugerida");
    EXPECT_EQ(janela.tblMembros->item(1, 2)->text(), "2");
    EXPECT_EQ(janela.tblMembros->item(1, 4)->text(), "101");

    // Merge: U, and "Sim" to the question. Two keys.
    Teclar(janela, Qt::Key_U);
    ASSERT_EQ(mensagens.Perguntas().size(), 1);
    EXPECT_EQ(Contar("SELECT COUNT(*) FROM PacienteLog WHERE ID_Paciente = 1 AND "
                     "ID_PacienteNovo = 2"),
              1);
    EXPECT_TRUE(janela.lblResultado->text().startsWith("1 cadastro unificado em 2"))
        << janela.lblResultado->text().toStdString();
    EXPECT_EQ(Aberto(janela), (QVector<qint32>{3, 4}));
    EXPECT_TRUE(janela.tblGrupos->hasFocus());

    // Not the same person, the first time: N, an arrow for the reason, Enter. Three keys.
    roteiro.Entao([](QDialog& d) {
        auto* f = Como<frmMotivoDecisao>(d);
        Tecla(f->cboMotivo, Qt::Key_Down);
        Tecla(f, Qt::Key_Return);
    });
    Teclar(janela, Qt::Key_N);
    EXPECT_TRUE(Estado(janela, {3, 4}).startsWith("não são a mesma pessoa por "));

    // No solution for the first record: S, a reason, Enter.
    ASSERT_EQ(Aberto(janela), (QVector<qint32>{5, 6}));
    roteiro.Entao([](QDialog& d) {
        auto* f = Como<frmSemSolucao>(d);
        Tecla(f->dtcboMotivo, Qt::Key_Down);
        Tecla(f, Qt::Key_Return);
    });
    Teclar(janela, Qt::Key_S);
    EXPECT_EQ(Contar("SELECT COUNT(*) FROM PacienteLogSemSolucao WHERE ID_Paciente = 5 AND "
                     "ID_Usuario = 42"),
              1);

    // Put off: A. One key.
    ASSERT_EQ(Aberto(janela), (QVector<qint32>{7, 8}));
    Teclar(janela, Qt::Key_A);
    EXPECT_TRUE(Estado(janela, {7, 8}).startsWith("adiado por "));

    // A sign of two people: U opens the review instead of merging.
    ASSERT_EQ(Aberto(janela), (QVector<qint32>{9, 10}));
    EXPECT_TRUE(janela.lblSinais->text().contains("CIC diferente"));
    roteiro.Entao([](QDialog& d) {
        Como<frmCompararPacientes>(d);
        d.reject();
    });
    Teclar(janela, Qt::Key_U);
    EXPECT_EQ(mensagens.Perguntas().size(), 1);  // no question: nothing merged
    EXPECT_EQ(Contar("SELECT COUNT(*) FROM PacienteLog WHERE ID_Paciente IN (9, 10)"), 0);
    EXPECT_EQ(Aberto(janela), (QVector<qint32>{9, 10}));

    // Decided groups are hidden: the open one and the put-off one are in sight.
    EXPECT_EQ(janela.tblGrupos->model()->rowCount(), 2);
    janela.chkUnificado->setChecked(true);
    EXPECT_EQ(janela.tblGrupos->model()->rowCount(), 3);
    EXPECT_TRUE(janela.lblProgresso->text().startsWith(
        "Pendentes: 1 · feitos hoje: 3 · feitos por mim: 3 · 1 unificado, 1 não são a mesma "
        "pessoa, 1 sem solução, 1 adiado de 5 grupos"))
        << janela.lblProgresso->text().toStdString();
    EXPECT_TRUE(mensagens.Textos().isEmpty()) << mensagens.Textos().join('\n').toStdString();

    // The next time the reason is already chosen: N and Enter, two keys.
    roteiro.Entao([](QDialog& d) { Tecla(Como<frmMotivoDecisao>(d), Qt::Key_Return); });
    Teclar(janela, Qt::Key_N);
    EXPECT_EQ(Contar("SELECT COUNT(*) FROM Cadunir_Decisao WHERE ID_Paciente1 = 9 AND Motivo = 1"),
              1);
}

// Why a group is pending again is the list's (ListaTrabalho_test); here, the keys that remove a
// mark and the state the window then shows.
TEST_F(ListaTrabalhoJanela, MarcaRemovidaPeloTecladoDeixaRastroEOGrupoPendente) {
    CapturaMensagens mensagens;
    RoteiroModal roteiro;
    executar(
        "INSERT INTO PacienteLogSemSolucao (ID_Paciente, ID_PacienteLogJustificativa, ID_Usuario, "
        "Descricao) VALUES (6, 1, 7, 'nota')");
    frmListaTrabalho janela(cn(), ADO(), ID_UsuarioLogado);
    ASSERT_TRUE(janela.Iniciar(Grupos({{7, 8}, {5, 6}}), false));
    Mostrar(janela);

    // The marked group, chosen by arrow; its mark removed with Shift+S on the marked record.
    janela.chkSemSolucao->setChecked(true);
    Teclar(janela, Qt::Key_Down);
    ASSERT_EQ(Aberto(janela), (QVector<qint32>{5, 6}));
    janela.tblMembros->setCurrentCell(1, 1);
    Teclar(janela, Qt::Key_S, Qt::ShiftModifier);
    ASSERT_EQ(mensagens.Perguntas().size(), 1);
    EXPECT_EQ(Contar("SELECT COUNT(*) FROM PacienteLogSemSolucao"), 0);
    EXPECT_EQ(Contar("SELECT COUNT(*) FROM Cadunir_SemSolucaoRemovida WHERE ID_Paciente = 6 AND "
                     "Descricao = 'nota' AND ID_UsuarioRemocao = 42"),
              1);
    EXPECT_TRUE(
        Estado(janela, {5, 6})
            .startsWith("pendente: a marca de sem solução do cadastro 6 foi removida por "));
    EXPECT_EQ(Aberto(janela), (QVector<qint32>{5, 6}));
}

// The window's tables are prepared as every other dialog's (the keys are FiltroGrade's tests):
// a long name shows whole, each control has a name to announce.
TEST_F(ListaTrabalhoJanela, TabelasSeguemAsRegrasDosDialogos) {
    const QString nome = "FERNANDA APARECIDA DOS SANTOS NASCIMENTO";  // 40 characters
    executar(
        "UPDATE Paciente SET Nome = 'FERNANDA APARECIDA DOS SANTOS', Nome_Último = "
        "'NASCIMENTO' WHERE ID_Paciente IN (3, 4)");
    QVector<GrupoTrabalho> grupos = Grupos({{3, 4}, {1, 2}});
    grupos[0].nome = nome;
    frmListaTrabalho janela(cn(), ADO(), ID_UsuarioLogado);
    janela.resize(1280, 800);
    ASSERT_TRUE(janela.Iniciar(grupos, false));
    Mostrar(janela);
    QApplication::processEvents();
    ExigirNomesAcessiveis(janela);
    const int largura = janela.fontMetrics().horizontalAdvance(nome);
    EXPECT_GE(janela.tblGrupos->columnWidth(ModeloListaTrabalho::ColGrupo), largura);
    EXPECT_GE(janela.tblMembros->columnWidth(1), largura);
}
