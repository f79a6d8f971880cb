#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "data/base/ErroNumerado.h"
#include "frmPrincipalTeste.h"
#include "review/clsComparacaoPacientes.h"
#include "review/clsUnificacao.h"
#include "review/frmCompararPacientes.h"
#include "review/frmPacienteBase.h"

namespace {

// The program started on a register in a demo Windows folder, logged in as ADMIN (user 1).
// Group "ANA LIMA": 1 has a telephone, 2 none but an exam, 3 another sex and an exam.
class Revisao : public JanelaPrincipal {
  protected:
    void SetUp() override {
        JanelaPrincipal::SetUp();
        Ticks({"1", "0", "1", "0", "0", "0", "0"});
        executar(
            "INSERT INTO Paciente (Nome, Nome_Último, Sexo, Telefone) VALUES ('ANA', "
            "'LIMA', 'F', '1111')");
        executar("INSERT INTO Paciente (Nome, Nome_Último, Sexo) VALUES ('ANA', 'LIMA', 'F')");
        executar("INSERT INTO Paciente (Nome, Nome_Último, Sexo) VALUES ('ANA', 'LIMA', 'M')");
        executar("INSERT INTO Exame (Número_Exame, ID_Paciente) VALUES ('E2', 2)");
        executar("INSERT INTO Exame (Número_Exame, ID_Paciente) VALUES ('E3', 3)");
    }

    QString consultar(const QString& sql) {
        Recordset rs;
        EXPECT_TRUE(ado.AbrirRecordset(cn, rs, sql)) << sql.toStdString();
        QStringList linhas;
        for (; !rs.Eof(); rs.MoveNext()) {
            QStringList celulas;
            for (int c = 0; c < rs.FieldCount(); ++c) {
                celulas << rs.Fields(c).Value().toString();
            }
            linhas << celulas.join('|');
        }
        return linhas.join('\n');
    }
    // What a merge would touch, read on the test's own connection.
    QString registro() {
        return consultar("SELECT * FROM Paciente ORDER BY ID_Paciente") + "\n" +
               consultar("SELECT Número_Exame, ID_Paciente FROM Exame ORDER BY Número_Exame") +
               "\n" + consultar("SELECT COUNT(*) FROM PacienteLog") +
               consultar("SELECT COUNT(*) FROM PacienteLogExame") +
               consultar("SELECT COUNT(*) FROM PacienteLogAtualizar");
    }

    static void MarcarTodos(frmPrincipal& janela) {
        for (int i = 0; i < janela.lstSemelhante->count(); ++i) {
            janela.lstSemelhante->item(i)->setCheckState(Qt::Checked);
        }
    }
    // The chooser: ticks the record `id` and presses OK; `antes` runs while it is open.
    void Base(qint32 id, std::function<void()> antes = {}) {
        roteiro.Entao([id, antes](QDialog& d) {
            auto* base = Como<frmPacienteBase>(d);
            if (antes) {
                antes();
            }
            for (int i = 0; i < base->lstSemelhante->count(); ++i) {
                if (base->lstSemelhante->item(i)->data(Qt::UserRole).toInt() == id) {
                    base->lstSemelhante->item(i)->setCheckState(Qt::Checked);
                }
            }
            Clicar(base->cmdOK);
        });
    }
    // Another administrator on a connection of its own merges `copia` into `base`.
    void OutraEstacaoUnifica(qint32 base, qint32 copia) {
        const clsUnificacao::Resultado r =
            clsUnificacao(cn, ado).Executar({base, {base, copia}, 9, clsValoresSobreviventes()});
        ASSERT_TRUE(r.unificada) << r.mensagem.toStdString();
    }

    clsADO ado;  // the other workstation's, on the test's connection
};

TEST_F(Revisao, CompararAbreOsMarcadosOuTodosPorBotaoOuTecla) {
    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela));
    janela.show();
    janela.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&janela));
    roteiro.Entao([](QDialog& d) {
        auto* f = Como<frmCompararPacientes>(d);
        EXPECT_EQ(f->Comparacao().Ids(), (QList<qint32>{1, 2, 3}));
        EXPECT_TRUE(f->lstConflitos->item(0)->text().startsWith("Sexo diferente"));
        Clicar(f->cmdCancelar);
    });
    janela.lstSemelhante->item(2)->setCheckState(Qt::Checked);  // one tick: all are compared
    Clicar(janela.cmdComparar);
    janela.lstSemelhante->item(0)->setCheckState(Qt::Checked);
    roteiro.Entao([](QDialog& d) {
        EXPECT_EQ(Como<frmCompararPacientes>(d)->Comparacao().Ids(), (QList<qint32>{1, 3}));
    });
    janela.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&janela));
    janela.lstSemelhante->setFocus();
    // A button's shortcut clicks it after a short animation: the test sleeps until it does.
    QSignalSpy clicado(janela.cmdComparar, &QPushButton::clicked);
    QTest::keyClick(janela.lstSemelhante, Qt::Key_K, Qt::ControlModifier);
    ASSERT_TRUE(clicado.wait(kEsperaMaximaMs));
    EXPECT_EQ(roteiro.Mostrados(), 3);
    EXPECT_TRUE(mensagens.Textos().isEmpty());
}

TEST_F(Revisao, ValoresEscolhidosPreviaConfirmacaoEMensagemDoResultado) {
    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela));
    MarcarTodos(janela);
    Base(2);
    roteiro.Entao([](QDialog& d) {
        auto* f = Como<frmCompararPacientes>(d);
        // The base's empty telephone comes from record 1; the sex is taken from record 3.
        EXPECT_EQ(f->Valores().Valor("Telefone"), "1111");
        EXPECT_TRUE(
            f->EscolherValor(clsComparacaoPacientes::LinhaDoCampo("Sexo"), f->ColunaDoId(3)));
        EXPECT_TRUE(f->txtPrevia->toPlainText().contains("Sexo: F → M"));
        f->chkConfirmar->setChecked(true);
        f->txtMotivoConfirmacao->setText("mesma pessoa");
        Clicar(f->cmdOK);
    });
    Clicar(janela.cmdUnificar);
    EXPECT_EQ(mensagens.Textos(),
              QStringList{"2 cadastros unificados em 2; 1 exame transferido; 2 campos "
                          "atualizados no cadastro 2"});
    EXPECT_EQ(consultar("SELECT ID_Paciente, Sexo, Telefone FROM Paciente"), "2|M|1111");
    EXPECT_EQ(janela.dbGridCriterio->model()->rowCount(), 0);  // the group is gone
}

TEST_F(Revisao, FalhaNoMeioDizOQueFalhouENaoMudaNada) {
    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela));
    MarcarTodos(janela);
    const QString antes = registro();
    int apagados = 0;
    const int falha = DE().Conexao.AdicionarObservador([&](const Connection::Evento& e) {
        if (e.tipo == Connection::Evento::Execucao && e.texto.startsWith(" DELETE FROM Paciente") &&
            ++apagados == 2) {
            throw ErroNumerado(-2147217873, "teste", "recusado");
        }
    });
    Base(1);
    ConfirmarRevisao();
    Clicar(janela.cmdUnificar);
    DE().Conexao.RemoverObservador(falha);
    ASSERT_EQ(mensagens.Textos().size(), 1);
    EXPECT_TRUE(mensagens.Textos()[0].startsWith(
        "A unificação falhou ao unificar o cadastro 3 em 1.\nNada foi alterado no cadastro.\n\n"
        "-2147217873 - "));
    EXPECT_EQ(registro(), antes);
    EXPECT_EQ(ADO().ProfundidadeTransação(), 0);
    EXPECT_EQ(janela.lstSemelhante->item(1)->checkState(), Qt::Checked);  // not refreshed
}

TEST_F(Revisao, BaseUnificadaPorOutraEstacaoCancelaTudoEAtualizaAGrade) {
    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela));
    MarcarTodos(janela);
    // While the review is open, the other workstation merges 2 (our base) into 1.
    Base(2);
    roteiro.Entao([this](QDialog& d) {
        auto* f = Como<frmCompararPacientes>(d);
        OutraEstacaoUnifica(1, 2);
        f->chkConfirmar->setChecked(true);
        f->txtMotivoConfirmacao->setText("mesma pessoa");
        Clicar(f->cmdOK);
    });
    Clicar(janela.cmdUnificar);
    ASSERT_EQ(mensagens.Textos().size(), 1);
    EXPECT_TRUE(mensagens.Textos()[0].startsWith("O cadastro base 2 não existe mais"));
    EXPECT_EQ(consultar("SELECT ID_Paciente FROM Paciente ORDER BY ID_Paciente"), "1\n3");
    EXPECT_EQ(consultar("SELECT ID_Usuario FROM PacienteLog"), "9");  // only the other's merge
    // The grid was refreshed: the list shows the two records left, unticked.
    ASSERT_EQ(janela.lstSemelhante->count(), 2);
    EXPECT_EQ(janela.lstSemelhante->item(0)->checkState(), Qt::Unchecked);

    // Now interleaved at the chooser: 3 is merged away before the review opens.
    mensagens.Limpar();
    MarcarTodos(janela);
    Base(1, [this] { OutraEstacaoUnifica(1, 3); });
    Clicar(janela.cmdUnificar);
    ASSERT_EQ(mensagens.Textos().size(), 1);
    EXPECT_TRUE(mensagens.Textos()[0].startsWith("O cadastro 3 não existe mais"));
    EXPECT_EQ(consultar("SELECT ID_Paciente FROM Paciente"), "1");
    EXPECT_EQ(janela.dbGridCriterio->model()->rowCount(), 0);
}

}  // namespace
