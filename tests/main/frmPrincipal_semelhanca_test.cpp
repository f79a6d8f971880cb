#include "data/base/Relogio.h"
#include "decisions/clsDecisaoPessoas.h"
#include "decisions/frmSemSolucao.h"
#include "frmPrincipalTeste.h"
#include "match/clsParametrosBusca.h"
#include "ui/ListaPacientes.h"

namespace {

// People whose records exact grouping (on the three names, as on a first run) keeps apart.
class JanelaSemelhanca : public JanelaPrincipal {
  protected:
    void SetUp() override {
        JanelaPrincipal::SetUp();
        jose = {pessoa("'JOSÉ', 'DE SOUZA', 'LIMA', '12.345.678-9', '1961-04-02', 'M'"),
                pessoa("'JOSE', 'SOUZA', 'LIMA', '123456789', '1961-04-02', 'M'"),
                pessoa("'JOSÉ', NULL, 'LYMA', NULL, '1961-02-04', 'M'")};
        rita = {pessoa("'RITA', NULL, 'CAMPOS', '20.111.222-3', '1990-07-21', 'F'"),
                pessoa("'Rita', '', 'Campos', NULL, '1990-07-21', 'F'")};
        pessoa("'RITA', NULL, 'CAMPOS', NULL, '1952-01-30', 'F'");  // someone else
        pessoa("'ELIAS', NULL, 'PRADO', '7', '1980-01-01', 'M'");
    }

    qint32 pessoa(const QString& valores) {
        executar(
            "INSERT INTO Paciente (Nome, Nome_Meio, Nome_Último, RG, Data_Nascimento, Sexo) "
            "VALUES (" +
            valores + ")");
        executar(
            "UPDATE Paciente SET Nome_Soundex = SOUNDEX(Nome), Nome_Último_Soundex = "
            "SOUNDEX(Nome_Último)");
        return contar("SELECT MAX(ID_Paciente) FROM Paciente");
    }

    static QStringList Coluna(const QTableView& grade, int coluna) {
        QStringList r;
        for (int i = 0; i < grade.model()->rowCount(); ++i)
            r << grade.model()->index(i, coluna).data().toString();
        return r;
    }

    QVector<qint32> jose, rita;
};

}  // namespace

TEST_F(JanelaSemelhanca, AgrupaPorSemelhancaAoLadoDoExatoEUnificaDosGrupos) {
    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela));
    // The exact grouping finds nobody: every record of one person is spelled differently.
    EXPECT_EQ(janela.dbGridCriterio->model()->rowCount(), 1);  // the two RITA CAMPOS strangers
    const QAbstractItemModel* exato = janela.dbGridCriterio->model();

    janela.chkSemelhanca->setChecked(true);
    Clicar(janela.cmdBuscar);
    ASSERT_TRUE(janela.AguardarAgrupamento(kEsperaMaximaMs));
    ASSERT_TRUE(janela.ModoSemelhanca());
    const QTableView& grade = *janela.dbGridCriterio;
    EXPECT_NE(grade.model(), exato);
    EXPECT_EQ(grade.model()->headerData(0, Qt::Horizontal).toString(), "Nome");
    EXPECT_EQ(Coluna(grade, 1), (QStringList{"3", "2"}));  // JOSÉ's three records, RITA's two
    EXPECT_EQ(grade.model()->index(0, 0).data().toString(),
              QString::fromUtf8("JOSÉ DE SOUZA LIMA"));
    EXPECT_GE(grade.model()->index(1, 2).data().toString().replace(',', '.').toDouble(), 50);
    // Hovering a group tells why: its weakest pair of records, field by field.
    const QString porque = grade.model()->index(0, 2).data(Qt::ToolTipRole).toString();
    EXPECT_TRUE(porque.startsWith(QStringLiteral("ID %1 e ID %2: ").arg(jose[0]).arg(jose[1])))
        << porque.toStdString();
    EXPECT_TRUE(porque.contains("\nNome do meio: abreviado ou parte (+")) << porque.toStdString();
    EXPECT_TRUE(porque.contains("\nCIC: nulo\n")) << porque.toStdString();
    EXPECT_EQ(janela.lblItensnaLista->text(), "2");
    // The first group is current and the list holds exactly its members.
    EXPECT_EQ(grade.currentIndex().row(), 0);
    EXPECT_EQ(Linhas(*janela.lstSemelhante),
              (QStringList{QString::fromUtf8("JOSÉ DE SOUZA LIMA"), "JOSE SOUZA LIMA",
                           QString::fromUtf8("JOSÉ LYMA")}));
    janela.dbGridCriterio->setCurrentIndex(grade.model()->index(1, 0));
    EXPECT_EQ(Linhas(*janela.lstSemelhante), (QStringList{"RITA CAMPOS", "Rita  Campos"}));
    EXPECT_EQ(janela.lstSemelhante->item(1)->data(Qt::UserRole).toInt(), rita[1]);

    // Unify works on the group's members as it does on an exact group.
    janela.lstSemelhante->item(0)->setCheckState(Qt::Checked);
    janela.lstSemelhante->item(1)->setCheckState(Qt::Checked);
    EscolherBase(0);
    ConfirmarRevisao();
    Clicar(janela.cmdUnificar);
    ASSERT_EQ(mensagens.Textos().size(), 1) << mensagens.Textos().join('\n').toStdString();
    EXPECT_TRUE(mensagens.Textos()[0].startsWith(QStringLiteral("1 cadastro unificado em ")));
    EXPECT_EQ(
        contar(QStringLiteral("SELECT COUNT(*) FROM Paciente WHERE ID_Paciente = %1").arg(rita[1])),
        0);
    // RITA's group is gone; the row before it (JOSÉ's) is current, with its members.
    EXPECT_EQ(Coluna(grade, 1), QStringList{"3"});
    EXPECT_EQ(grade.currentIndex().row(), 0);
    EXPECT_EQ(janela.lblItensnaLista->text(), "1");
    EXPECT_EQ(janela.lstSemelhante->count(), 3);

    // Back to the check boxes: the exact grouping, as it always was.
    janela.chkSemelhanca->setChecked(false);
    Clicar(janela.cmdBuscar);
    ASSERT_TRUE(janela.AguardarAgrupamento(kEsperaMaximaMs));
    EXPECT_FALSE(janela.ModoSemelhanca());
    EXPECT_EQ(janela.dbGridCriterio->model(), exato);
    EXPECT_EQ(janela.dbGridCriterio->model()->headerData(0, Qt::Horizontal).toString(), "Nome");
    EXPECT_EQ(janela.dbGridCriterio->model()->headerData(2, Qt::Horizontal).toString(),
              QString::fromUtf8("Último nome"));
    EXPECT_EQ(janela.lblItensnaLista->text(), "1");
    janela.chkSemelhanca->setChecked(true);
    Clicar(janela.cmdBuscar);
    ASSERT_TRUE(janela.AguardarAgrupamento(kEsperaMaximaMs));
    EXPECT_EQ(Coluna(*janela.dbGridCriterio, 1), QStringList{"3"});
}

// The search holds the window like a grouping (the exact grouping's test); "Cancelar" keeps
// the exact result that was on screen, on its row, and the mode does not change.
TEST_F(JanelaSemelhanca, BuscaRodaEmSegundoPlanoECancelarMantemOResultadoESuaLinha) {
    pessoa("'ZECA', NULL, 'DIAS', NULL, '1970-03-04', 'M'");
    pessoa("'ZECA', NULL, 'DIAS', NULL, '1970-03-04', 'M'");
    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela));
    janela.show();
    const QAbstractItemModel* exato = janela.dbGridCriterio->model();
    ASSERT_EQ(exato->rowCount(), 2);
    janela.dbGridCriterio->setCurrentIndex(exato->index(1, 0));
    const QStringList lista = Linhas(*janela.lstSemelhante);
    const QString contador = janela.lblItensnaLista->text();
    {
        SegurarAgrupamento segurar;
        janela.chkSemelhanca->setChecked(true);
        Clicar(janela.cmdBuscar);
        EXPECT_TRUE(janela.Agrupando());
        Clicar(janela.cmdCancelarAgrupamento);
        segurar.Soltar();
        ASSERT_TRUE(janela.AguardarAgrupamento(kEsperaMaximaMs));
    }
    EXPECT_FALSE(janela.ModoSemelhanca());
    EXPECT_EQ(janela.dbGridCriterio->model(), exato);
    EXPECT_EQ(janela.dbGridCriterio->currentIndex().row(), 1);
    EXPECT_EQ(Linhas(*janela.lstSemelhante), lista);
    EXPECT_EQ(janela.lblItensnaLista->text(), contador);
    EXPECT_TRUE(janela.dbGridCriterio->isEnabled());
    EXPECT_TRUE(mensagens.Textos().isEmpty()) << mensagens.Textos().join('\n').toStdString();
}

// "Aprender de novo" learns the parameters again and saves them (a plain search reuses the
// saved ones), then lists the similarity groups as the search does.
TEST_F(JanelaSemelhanca, AprenderDeNovoGuardaParametrosNovosEAgrupaPorSemelhanca) {
    struct Soltar {
        ~Soltar() { Relogio::Liberar(); }
    } soltar;
    const auto dataSalva = [this] {
        clsParametrosBusca::Salvos salvos;
        bool existem = false;
        EXPECT_TRUE(clsParametrosBusca(cn, ADO()).Ler(salvos, existem));
        return existem ? salvos.data.toString("yyyy-MM-dd hh:mm") : QStringLiteral("nenhum");
    };
    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela));
    Relogio::Fixar(QDateTime(QDate(2026, 1, 5), QTime(10, 0)));
    janela.chkSemelhanca->setChecked(true);
    Clicar(janela.cmdBuscar);
    ASSERT_TRUE(janela.AguardarAgrupamento(kEsperaMaximaMs));
    EXPECT_EQ(dataSalva(), "2026-01-05 10:00");
    Relogio::Fixar(QDateTime(QDate(2026, 3, 9), QTime(15, 30)));
    Clicar(janela.cmdBuscar);
    ASSERT_TRUE(janela.AguardarAgrupamento(kEsperaMaximaMs));
    EXPECT_EQ(dataSalva(), "2026-01-05 10:00");

    janela.chkSemelhanca->setChecked(false);
    Clicar(janela.cmdAprenderDeNovo);
    EXPECT_TRUE(janela.Agrupando());
    ASSERT_TRUE(janela.AguardarAgrupamento(kEsperaMaximaMs));
    EXPECT_EQ(dataSalva(), "2026-03-09 15:30");
    EXPECT_TRUE(janela.chkSemelhanca->isChecked());
    EXPECT_TRUE(janela.ModoSemelhanca());
    EXPECT_EQ(Coluna(*janela.dbGridCriterio, 1), (QStringList{"3", "2"}));
    EXPECT_TRUE(mensagens.Textos().isEmpty()) << mensagens.Textos().join('\n').toStdString();
}

// Both modes list a group through one path: the similar list carries the same marks, and the
// commands on the list know its records.
TEST_F(JanelaSemelhanca, ListaMostraDecisoesEMarcasSemSolucaoNaSemelhanca) {
    frmPrincipal janela;
    ASSERT_TRUE(Iniciar(janela));
    executar(QStringLiteral("UPDATE Paciente SET Prontuário = 'P-9' WHERE ID_Paciente = %1")
                 .arg(jose[0]));
    clsADO ado;
    clsDecisaoPessoas decisoes(cn, ado);
    ASSERT_TRUE(decisoes.Registrar({jose[0], jose[2]}, 4, QString(), 1));
    executar(QStringLiteral("INSERT INTO PacienteLogSemSolucao (ID_Paciente, "
                            "ID_PacienteLogJustificativa, ID_Usuario, Descricao) VALUES (%1, 1, "
                            "1, '')")
                 .arg(rita[1]));
    const auto dica = [&janela](int linha) {
        return janela.lstSemelhante->item(linha)->toolTip().toStdString();
    };
    const auto marcada = [&janela](int linha) {
        return !janela.lstSemelhante->item(linha)->icon().isNull();
    };
    // Each row's own line (name, ID, birth date, RG, score) comes first in its tooltip.
    const auto linhaDe = [&janela](int linha) {
        return janela.lstSemelhante->item(linha)->data(PapelLinhaPaciente).toString().toStdString();
    };

    janela.chkSemelhanca->setChecked(true);
    Clicar(janela.cmdBuscar);
    ASSERT_TRUE(janela.AguardarAgrupamento(kEsperaMaximaMs));
    ASSERT_EQ(janela.lstSemelhante->count(), 3);  // JOSÉ's group
    EXPECT_TRUE(marcada(0) && marcada(2));
    EXPECT_FALSE(marcada(1));
    EXPECT_EQ(dica(0),
              linhaDe(0) + "\nNão é a mesma pessoa que o cadastro " + std::to_string(jose[2]));
    EXPECT_EQ(dica(2),
              linhaDe(2) + "\nNão é a mesma pessoa que o cadastro " + std::to_string(jose[0]));
    EXPECT_EQ(dica(1), linhaDe(1));
    EXPECT_NE(linhaDe(0).find(" — ID " + std::to_string(jose[0]) + " — nasc. "), std::string::npos)
        << linhaDe(0);
    EXPECT_NE(linhaDe(0).find(" — pontuação "), std::string::npos) << linhaDe(0);
    QString prontuario;
    roteiro.Entao([&prontuario](QDialog& d) {
        auto* f = Como<frmSemSolucao>(d);
        prontuario = f->lblProntuario->text();
        Clicar(f->cmdCancelar);
    });
    Clicar(janela.cmdSemSolucao);
    EXPECT_EQ(prontuario, "P-9");

    janela.dbGridCriterio->setCurrentIndex(janela.dbGridCriterio->model()->index(1, 0));
    ASSERT_EQ(janela.lstSemelhante->count(), 2);  // RITA's group
    EXPECT_FALSE(marcada(0));
    EXPECT_TRUE(marcada(1));
    EXPECT_EQ(dica(1), linhaDe(1) + "\nPaciente marcado como sem solução");
    // The text of a row is never touched: a mark is an icon and a tooltip.
    EXPECT_EQ(Linhas(*janela.lstSemelhante), (QStringList{"RITA CAMPOS", "Rita  Campos"}));
}
