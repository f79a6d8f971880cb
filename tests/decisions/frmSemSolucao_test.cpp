#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "data/base/TabelaErros.h"
#include "decisions/frmSemSolucao.h"
#include "guisupport/frmRegistroTeste.h"
#include "support/SqlRecorder.h"
#include "ui/MostrarModal.h"

namespace {

const QString kSelecione = "Selecione um motivo.";
const QString kOutros = "Escolhendo a opção outros, o campo observação passa a ser obrigatório.";
constexpr qint32 kFalha = dados::ErroNaoEspecificado;

// The reason catalogue as start-up leaves it.
class frmSemSolucaoTest : public RegistroJanelaMerge {
  protected:
    static qint64 marcas(qint32 paciente) {
        return valor(QString("SELECT COUNT(*) FROM PacienteLogSemSolucao WHERE ID_Paciente = %1")
                         .arg(paciente))
            .toLongLong();
    }
    // A stored mark; returns its key.
    static qint32 marcar(qint32 paciente, qint32 motivo, const QString& obs, qint32 usuario) {
        executar(QString("INSERT INTO PacienteLogSemSolucao (ID_Paciente, "
                         "ID_PacienteLogJustificativa, ID_Usuario, Data, Descricao) VALUES "
                         "(%1, %2, %3, '2020-01-02 03:04:00', '%4')")
                     .arg(paciente)
                     .arg(motivo)
                     .arg(usuario)
                     .arg(obs));
        return valor("SELECT MAX(ID_PacienteLogSemSolucao) FROM PacienteLogSemSolucao").toInt();
    }

    // Chooses a reason as the user does, by its text.
    static void escolher(frmSemSolucao& f, const QString& texto) {
        const int i = f.dtcboMotivo->findText(texto);
        ASSERT_GE(i, 0) << texto.toStdString();
        f.dtcboMotivo->setCurrentIndex(i);
    }

    // Shows the dialog through the program's modal show; `passo` acts on it while it is up.
    static int mostrar(frmSemSolucao& dialogo, std::function<void(frmSemSolucao&)> passo) {
        RoteiroModal roteiro;
        roteiro.Entao([&](QDialog& d) {
            ASSERT_TRUE(d.isVisible());
            passo(*Como<frmSemSolucao>(d));
        });
        return MostrarModal(dialogo);
    }
};

// The statements themselves are the core class's (clsPacienteSemSolucao_test); here, what the
// dialog does with them.
TEST_F(frmSemSolucaoTest, PacienteSemMarcaInsereUmaLinhaComMotivoEOutrosComObservacao) {
    frmSemSolucao f;
    EXPECT_TRUE(f.Iniciar(5, "JOSÉ D'ÁVILA SANTOS", "HC-123"));
    // The catalogue with each item carrying its ID; nothing chosen yet.
    ASSERT_EQ(f.dtcboMotivo->count(), 3);
    EXPECT_EQ(f.dtcboMotivo->itemData(0).toInt(), 2);
    EXPECT_EQ(f.dtcboMotivo->currentIndex(), -1);

    CapturaMensagens msgs;
    const int resultado = mostrar(f, [&](frmSemSolucao& d) {
        // OK with no reason is refused and keeps the dialog open; "Outros" wants a note, but
        // a blank is one.
        Clicar(d.cmdOK);
        EXPECT_TRUE(d.isVisible());
        escolher(d, "Outros");
        Clicar(d.cmdOK);
        EXPECT_TRUE(d.isVisible());
        EXPECT_FALSE(d.OK());
        EXPECT_EQ(marcas(5), 0);
        EXPECT_EQ(QApplication::focusWidget(), d.txtObs);
        Digitar(d.txtObs, " ");
        Clicar(d.cmdOK);
    });
    EXPECT_EQ(msgs.Textos(), (QStringList{kSelecione, kOutros}));
    EXPECT_EQ(resultado, QDialog::Accepted);
    EXPECT_TRUE(f.OK());
    // The row the core class writes (clsPacienteSemSolucao_test), with this user.
    EXPECT_EQ(valor("SELECT ID_Usuario FROM PacienteLogSemSolucao WHERE ID_Paciente = 5 AND "
                    "ID_PacienteLogJustificativa = 3 AND Descricao = ' '")
                  .toInt(),
              42);
}

TEST_F(frmSemSolucaoTest, MarcaExistenteAparecePodeSerConfirmadaSemGravarOuAlterada) {
    const qint32 primeira = marcar(9, 2, "sem cadastro no HC", 7);
    const qint32 segunda = marcar(9, 1, "outra estação", 8);

    // Shown as stored; OK without an edit writes nothing and still closes with OK.
    {
        frmSemSolucao f;
        f.Iniciar(9, "ANA", "77");
        EXPECT_EQ(f.dtcboMotivo->currentText(), "Localizado no SIGH mas sem RGHC");
        EXPECT_EQ(f.txtObs->text(), "sem cadastro no HC");
        EXPECT_EQ(f.ID_PacienteLogSemSolucao(), primeira);
        SqlRecorder rec(cn());
        mostrar(f, [](frmSemSolucao& d) { Clicar(d.cmdOK); });
        EXPECT_TRUE(f.OK());
        EXPECT_EQ(rec.count(Connection::Evento::Execucao), 0);
    }

    // An edited note updates the first row only, with this user.
    {
        frmSemSolucao f;
        f.Iniciar(9, "ANA", "77");
        mostrar(f, [](frmSemSolucao& d) {
            d.txtObs->selectAll();
            Digitar(d.txtObs, "conferido");
            Clicar(d.cmdOK);
        });
        EXPECT_TRUE(f.OK());
    }
    EXPECT_EQ(valor(QString("SELECT ID_Usuario FROM PacienteLogSemSolucao WHERE "
                            "ID_PacienteLogSemSolucao = %1 AND Descricao = 'conferido'")
                        .arg(primeira))
                  .toInt(),
              42);
    EXPECT_EQ(valor(QString("SELECT Descricao FROM PacienteLogSemSolucao WHERE "
                            "ID_PacienteLogSemSolucao = %1")
                        .arg(segunda)),
              "outra estação");

    // A reason changed in the combo is an edit too.
    {
        frmSemSolucao f;
        f.Iniciar(9, "ANA", "77");
        mostrar(f, [this](frmSemSolucao& d) {
            escolher(d, "Não localizado no SIGH");
            Clicar(d.cmdOK);
        });
    }
    EXPECT_EQ(valor(QString("SELECT ID_PacienteLogJustificativa FROM PacienteLogSemSolucao "
                            "WHERE ID_PacienteLogSemSolucao = %1")
                        .arg(primeira))
                  .toInt(),
              1);
}

TEST_F(frmSemSolucaoTest, CancelarEEscNaoGravamNada) {
    marcar(3, 2, "antes", 7);
    SqlRecorder rec(cn());
    for (const bool porTecla : {false, true}) {
        for (const qint32 paciente : {3, 4}) {
            frmSemSolucao f;
            f.Iniciar(paciente, "P", "");
            const int resultado = mostrar(f, [porTecla](frmSemSolucao& d) {
                escolher(d, "Outros");
                Digitar(d.txtObs, "mudado");
                if (porTecla) {
                    Tecla(d.txtObs, Qt::Key_Escape);
                } else {
                    Clicar(d.cmdCancelar);
                }
            });
            EXPECT_EQ(resultado, QDialog::Rejected);
            EXPECT_FALSE(f.OK());
            EXPECT_FALSE(f.isVisible());
        }
    }
    EXPECT_EQ(rec.count(Connection::Evento::Execucao), 0);
    EXPECT_EQ(valor("SELECT Descricao FROM PacienteLogSemSolucao WHERE ID_Paciente = 3"), "antes");
    EXPECT_EQ(marcas(4), 0);
}

TEST_F(frmSemSolucaoTest, FalhasDeLeituraMostramAsCaixasEDeixamOsControlesVazios) {
    const QString texto = dados::TextoDoErro(kFalha);
    marcar(6, 2, "x", 7);
    CapturaMensagens msgs;
    {
        // The reason list fails: layout B, an empty combo, and OK can only ask for a reason.
        SqlRecorder rec(cn());
        rec.failOnSql("PacienteLogJustificativa ORDER BY");
        frmSemSolucao f;
        f.Iniciar(1, "P", "");
        EXPECT_EQ(msgs.Textos(),
                  QStringList{"Ao preencher a lista de justificativas, ocorreu o seguinte erro:" +
                              QString::number(kFalha) + " - " + texto});
        EXPECT_EQ(f.dtcboMotivo->count(), 0);
        msgs.Limpar();
        mostrar(f, [](frmSemSolucao& d) {
            Digitar(d.txtObs, "nota");
            Clicar(d.cmdOK);
            Clicar(d.cmdCancelar);
        });
        EXPECT_EQ(msgs.Textos(), QStringList{kSelecione});
        EXPECT_FALSE(f.OK());
    }
    // The check for an existing mark, or the reading of it, fails: layout A, and the mark is
    // not shown.
    const std::pair<QString, QString> leituras[] = {
        {"SELECT COUNT(*) FROM PacienteLogSemSolucao",
         "Ao verificar se o Paciente já está marcado como sem solução, ocorreu o seguinte erro:"},
        {"SELECT * FROM PacienteLogSemSolucao WHERE ID_Paciente = 6",
         "Ao posicionar os controles do Paciente marcado como sem solução, ocorreu o seguinte "
         "erro:"},
    };
    for (const auto& [trecho, frase] : leituras) {
        msgs.Limpar();
        SqlRecorder rec(cn());
        rec.failOnSql(trecho);
        frmSemSolucao f;
        f.Iniciar(6, "P", "");
        EXPECT_EQ(msgs.Textos(),
                  QStringList{frase + "\n\n" + QString::number(kFalha) + " - " + texto});
        EXPECT_EQ(f.ID_PacienteLogSemSolucao(), 0);
        EXPECT_EQ(f.txtObs->text(), "");
        EXPECT_EQ(f.dtcboMotivo->currentIndex(), -1);
    }
}

TEST_F(frmSemSolucaoTest, FalhasAoGravarMantemODialogoAbertoESemGravacao) {
    // The opening of the set fails (layout A), then the write itself (layout B).
    const QString falha = QString::number(kFalha) + " - " + dados::TextoDoErro(kFalha);
    const auto mensagens = [&](const char* escrita) {
        return QStringList{"Ao abrir Paciente sem solução, ocorreu o seguinte erro:\n\n" + falha,
                           QStringLiteral("Ao %1 PacienteSemSolucao, ocorreu o seguinte erro:")
                                   .arg(QLatin1String(escrita)) +
                               falha};
    };
    CapturaMensagens msgs;

    // Insert: the third try keeps what was typed and saves it.
    {
        frmSemSolucao f;
        f.Iniciar(11, "P", "");
        SqlRecorder rec(cn());
        mostrar(f, [&](frmSemSolucao& d) {
            escolher(d, "Outros");
            Digitar(d.txtObs, "nota");
            rec.failOnSql("Where ID_Paciente = -1");
            Clicar(d.cmdOK);
            rec.failOnSql("INSERT INTO");
            Clicar(d.cmdOK);
            EXPECT_TRUE(d.isVisible());
            EXPECT_FALSE(d.OK());
            EXPECT_EQ(marcas(11), 0);
            EXPECT_EQ(d.txtObs->text(), "nota");
            Clicar(d.cmdOK);
        });
        EXPECT_EQ(msgs.Textos(), mensagens("adicionar"));
        EXPECT_TRUE(f.OK());
        EXPECT_EQ(marcas(11), 1);
    }
    msgs.Limpar();

    // Update: the stored mark keeps its values.
    {
        frmSemSolucao f;
        f.Iniciar(11, "P", "");
        SqlRecorder rec(cn());
        mostrar(f, [&](frmSemSolucao& d) {
            Digitar(d.txtObs, " mais");
            rec.failOnSql("Where ID_Paciente = 11");
            Clicar(d.cmdOK);
            rec.failOnSql("UPDATE");
            Clicar(d.cmdOK);
            EXPECT_TRUE(d.isVisible());
            Clicar(d.cmdCancelar);
        });
        EXPECT_EQ(msgs.Textos(), mensagens("atualizar"));
        EXPECT_FALSE(f.OK());
        EXPECT_EQ(valor("SELECT Descricao FROM PacienteLogSemSolucao WHERE ID_Paciente = 11"),
                  "nota");
    }
}

TEST_F(frmSemSolucaoTest, RemoverApagaTodasAsMarcasDoPaciente) {
    marcar(12, 1, "a", 7);
    marcar(12, 3, "b", 7);
    marcar(13, 1, "c", 7);
    frmSemSolucao f;
    CapturaMensagens msgs;
    {
        SqlRecorder rec(cn());
        rec.failOnSql("DELETE FROM PacienteLogSemSolucao");
        EXPECT_FALSE(f.PacienteSemSolucao_Remover(12));
    }
    EXPECT_EQ(msgs.Textos(),
              QStringList{"Ao abrir Paciente sem solução, ocorreu o seguinte erro:\n\n" +
                          QString::number(kFalha) + " - " + dados::TextoDoErro(kFalha)});
    EXPECT_EQ(marcas(12), 2);
    EXPECT_EQ(valor("SELECT COUNT(*) FROM Cadunir_SemSolucaoRemovida").toInt(), 0);
    EXPECT_TRUE(f.PacienteSemSolucao_Remover(12));
    EXPECT_EQ(marcas(12), 0);
    EXPECT_EQ(marcas(13), 1);
    // Each removed mark is kept whole, with who removed it.
    EXPECT_EQ(valor("SELECT COUNT(*) FROM Cadunir_SemSolucaoRemovida WHERE ID_Paciente = 12 AND "
                    "ID_Usuario = 7 AND ID_UsuarioRemocao = 42 AND Descricao IN ('a', 'b') AND "
                    "DataRemocao IS NOT NULL")
                  .toInt(),
              2);
}

TEST_F(frmSemSolucaoTest, ListaDePacientesMostraMarcasEMarcaALinhaAtual) {
    executar(
        "CREATE TABLE Semelhante (ID_Paciente int, Prontuário nvarchar(20), "
        "Nome_Completo nvarchar(100))");
    executar(
        "INSERT INTO Semelhante VALUES (21, 'HC-21', 'ANA LIMA'), (22, NULL, 'ANA DE LIMA'), "
        "(23, 'HC-23', 'ANNA LIMA')");
    marcar(23, 1, "", 7);
    Recordset rs;
    ASSERT_TRUE(ADO().AbrirRecordset(cn(), rs, "SELECT * FROM Semelhante ORDER BY ID_Paciente"));
    QListWidget lista;
    for (; !rs.Eof(); rs.MoveNext()) {
        auto* item = new QListWidgetItem(rs.Fields("Nome_Completo").Value().toString(), &lista);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
        item->setData(Qt::UserRole, rs.Fields("ID_Paciente").Value());
    }
    rs.MoveFirst();

    // Only the marked row gets an icon and a tooltip; no row text changes.
    EXPECT_TRUE(SemSolucao_MostrarMarcas(lista));
    const auto marcadas = [&] {
        QList<bool> r;
        for (int i = 0; i < lista.count(); ++i) {
            r << !lista.item(i)->icon().isNull();
            EXPECT_EQ(lista.item(i)->toolTip().isEmpty(), lista.item(i)->icon().isNull());
        }
        return r;
    };
    EXPECT_EQ(marcadas(), (QList<bool>{false, false, true}));

    // No current row: nothing to mark, no dialog.
    lista.setCurrentRow(-1);
    EXPECT_FALSE(SemSolucao_MarcarLinhaAtual(lista, rs));

    // The dialog gets the row's patient (its name and record number are the main window's
    // tests); Cancel changes nothing, OK marks the row. The record set's cursor stays put.
    lista.setCurrentRow(0);
    lista.item(0)->setCheckState(Qt::Checked);
    {
        RoteiroModal roteiro;
        roteiro.Entao([](QDialog& d) {
            EXPECT_EQ(Como<frmSemSolucao>(d)->ID_Paciente(), 21);
            Clicar(Como<frmSemSolucao>(d)->cmdCancelar);
        });
        roteiro.Entao([](QDialog& d) {
            auto* f = Como<frmSemSolucao>(d);
            escolher(*f, "Não localizado no SIGH");
            Clicar(f->cmdOK);
        });
        EXPECT_FALSE(SemSolucao_MarcarLinhaAtual(lista, rs));
        EXPECT_EQ(marcadas(), (QList<bool>{false, false, true}));
        EXPECT_TRUE(SemSolucao_MarcarLinhaAtual(lista, rs));
    }
    EXPECT_EQ(marcadas(), (QList<bool>{true, false, true}));
    EXPECT_EQ(lista.item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(rs.AbsolutePosition(), 1);
    EXPECT_EQ(marcas(21), 1);

    // A NULL record number shows empty.
    lista.setCurrentRow(1);
    {
        RoteiroModal roteiro;
        roteiro.Entao([](QDialog& d) {
            EXPECT_EQ(Como<frmSemSolucao>(d)->lblProntuario->text(), "");
            Clicar(Como<frmSemSolucao>(d)->cmdCancelar);
        });
        SemSolucao_MarcarLinhaAtual(lista, rs);
    }

    // Marks that cannot be read leave every row unmarked rather than stale.
    SqlRecorder rec(cn());
    rec.failOnSql("SELECT DISTINCT");
    EXPECT_FALSE(SemSolucao_MostrarMarcas(lista));
    EXPECT_EQ(marcadas(), (QList<bool>{false, false, false}));
}

}  // namespace
