// Everything the administrator reads, in every window of a day's work (grouping, similarity,
// comparison, the base chooser, the review, the merge, the history and its undo, a
// no-solution mark) and in every message they bring: said in the administrator's words,
// never by a column or table name, with a name for a screen reader on every control.

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTreeWidget>

#include "decisions/frmSemSolucao.h"
#include "frmPrincipalTeste.h"
#include "history/frmHistorico.h"
#include "review/frmCompararPacientes.h"
#include "review/frmPacienteBase.h"

namespace {

void TextosDoModelo(const QAbstractItemModel& m, const QModelIndex& pai, QStringList& textos) {
    if (!pai.isValid()) {
        for (const Qt::Orientation o : {Qt::Horizontal, Qt::Vertical}) {
            const int n = o == Qt::Horizontal ? m.columnCount() : m.rowCount();
            for (int i = 0; i < n; ++i) {
                textos << m.headerData(i, o).toString()
                       << m.headerData(i, o, Qt::ToolTipRole).toString();
            }
        }
    }
    for (int r = 0; r < m.rowCount(pai); ++r) {
        for (int c = 0; c < m.columnCount(pai); ++c) {
            const QModelIndex i = m.index(r, c, pai);
            textos << i.data().toString() << i.data(Qt::ToolTipRole).toString();
            TextosDoModelo(m, i, textos);
        }
    }
}

// What a person can read in `raiz`: captions, hovers, names read aloud, the headers and cells
// of its lists and tables.
QStringList TextosLidos(const QWidget& raiz) {
    QStringList textos;
    QList<const QWidget*> controles{&raiz};
    for (const QWidget* w : raiz.findChildren<QWidget*>()) {
        controles << w;
    }
    for (const QWidget* w : controles) {
        textos << w->windowTitle() << w->toolTip() << w->accessibleName()
               << w->accessibleDescription();
        if (const auto* l = qobject_cast<const QLabel*>(w)) {
            textos << l->text();
        } else if (const auto* b = qobject_cast<const QAbstractButton*>(w)) {
            textos << b->text();
        } else if (const auto* g = qobject_cast<const QGroupBox*>(w)) {
            textos << g->title();
        } else if (const auto* e = qobject_cast<const QLineEdit*>(w)) {
            textos << e->text() << e->placeholderText();
        } else if (const auto* p = qobject_cast<const QPlainTextEdit*>(w)) {
            textos << p->toPlainText();
        } else if (const auto* c = qobject_cast<const QComboBox*>(w)) {
            for (int i = 0; i < c->count(); ++i) {
                textos << c->itemText(i);
            }
        } else if (const auto* v = qobject_cast<const QAbstractItemView*>(w); v && v->model()) {
            TextosDoModelo(*v->model(), {}, textos);
        }
    }
    textos.removeAll(QString());
    return textos;
}

// The texts that name a database object: a column name with an underscore, a phonetic-code
// column, or a table name (the register's are either such words or CamelCase compounds like
// PacienteLogAtualizar; Paciente, Exame, Perfil are the administrator's own words too).
QStringList Identificadores(const QStringList& textos) {
    static const QRegularExpression identificador(
        QStringLiteral(R"(\w+_\w*|_\w+|(?i:soundex)|\b\p{Lu}\p{Ll}+\p{Lu}\w*)"),
        QRegularExpression::UseUnicodePropertiesOption);
    QStringList achados;
    for (const QString& t : textos) {
        if (t.contains(identificador)) {
            achados << t;
        }
    }
    return achados;
}

class Textos : public JanelaPrincipal {
  protected:
    // The texts of a dialog, checked as it shows, with its controls' accessible names.
    RoteiroModal::Passo Ler(std::function<void(QDialog&)> depois) {
        return [this, depois](QDialog& d) {
            ExigirNomesAcessiveis(d);
            lidos << TextosLidos(d);
            depois(d);
            lidos << TextosLidos(d);
        };
    }
    QStringList lidos;
};

TEST_F(Textos, NenhumaJanelaOuMensagemNomeiaColunaOuTabela) {
    for (const char* meio : {"NULL", "'MARIA'"}) {
        executar(QStringLiteral(
                     "INSERT INTO Paciente (Nome, Nome_Meio, Nome_Meio_Soundex, Nome_Último, RG, "
                     "CIC, Data_Nascimento, Prontuário, Email, Número_Convênio, Sexo) VALUES "
                     "('ANA', %1, SOUNDEX(%1), 'LIMA', '12', '345', '1980-02-03', 'P1', NULL, "
                     "NULL, 'F')")
                     .arg(QLatin1String(meio)));
    }
    executar(
        "UPDATE Paciente SET Email = 'ana@exemplo.com', Número_Convênio = '9' WHERE "
        "ID_Paciente = 2");
    executar(
        "INSERT INTO Exame (Número_Exame, ID_Paciente, Data_Exame) VALUES ('E1', 2, "
        "'2022-01-02')");
    Ticks({"1", "0", "1", "1", "1", "1", "1"});
    frmPrincipal janela;
    roteiro.Entao(Ler([](QDialog& d) {
        auto* login = Como<frmLogin>(d);
        login->txtUsuário->clear();
        Digitar(login->txtUsuário, "ADMIN");
        Digitar(login->txtPassword, "segredo");
        Tecla(login->txtPassword, Qt::Key_Return);
    }));
    ASSERT_TRUE(janela.Form_Load() && janela.AguardarAgrupamento(kEsperaMaximaMs));
    Mostrar(janela);
    ASSERT_EQ(janela.lstSemelhante->count(), 2);
    lidos << TextosLidos(janela);

    roteiro.Entao(Ler([](QDialog& d) { Clicar(Como<frmCompararPacientes>(d)->cmdCancelar); }));
    Clicar(janela.cmdComparar);
    roteiro.Entao(Ler([](QDialog& d) { Clicar(Como<frmSemSolucao>(d)->cmdCancelar); }));
    Clicar(janela.cmdSemSolucao);

    // The merge fills the base's empty fields; the history shows and undoes it, after the
    // base was changed since.
    Marcar(*janela.lstSemelhante, {0, 1});
    roteiro
        .Entao(Ler([](QDialog& d) {
            auto* base = Como<frmPacienteBase>(d);
            base->lstSemelhante->item(0)->setCheckState(Qt::Checked);
            Clicar(base->cmdOK);
        }))
        .Entao(Ler([](QDialog& d) { Clicar(Como<frmCompararPacientes>(d)->cmdOK); }));
    Clicar(janela.cmdUnificar);
    ASSERT_TRUE(janela.AguardarAgrupamento(kEsperaMaximaMs));
    ASSERT_EQ(contar("SELECT COUNT(*) FROM Paciente"), 1);
    executar("UPDATE Paciente SET Email = 'outro@exemplo.com'");
    roteiro
        .Entao(Ler([](QDialog& d) {
            auto* historico = Como<frmHistorico>(d);
            historico->lstHistorico->setCurrentItem(historico->lstHistorico->topLevelItem(0));
            historico->lstHistorico->expandAll();
            historico->lstHistorico->setCurrentItem(
                historico->lstHistorico->topLevelItem(0)->child(0));
            Clicar(historico->cmdDesfazer);
            historico->lstHistorico->setCurrentItem(historico->lstHistorico->topLevelItem(0));
            Clicar(historico->cmdFechar);
        }))
        .Entao(Ler([](QDialog& d) { Clicar(Como<frmConflitoValores>(d)->cmdRestaurar); }));
    Clicar(janela.cmdHistorico);
    ASSERT_TRUE(janela.AguardarAgrupamento(kEsperaMaximaMs));
    ASSERT_EQ(contar("SELECT COUNT(*) FROM Paciente"), 2);
    lidos << TextosLidos(janela);

    // In a register of two, every value is as common as can be: the two records group by
    // similarity only when the middle name too agrees.
    executar("UPDATE Paciente SET Nome_Meio = 'MARIA'");
    janela.chkSemelhanca->setChecked(true);
    Clicar(janela.cmdBuscar);
    ASSERT_TRUE(janela.AguardarAgrupamento(kEsperaMaximaMs));
    ASSERT_GT(janela.dbGridCriterio->model()->rowCount(), 0);
    lidos << TextosLidos(janela);

    EXPECT_EQ(roteiro.Pendentes(), 0);
    const QStringList mensagensLidas =
        mensagens.Textos() + mensagens.Titulos() + mensagens.Perguntas();
    EXPECT_EQ(mensagens.Textos().size(), 2) << mensagensLidas.join("\n").toStdString();
    EXPECT_TRUE(mensagens.Textos().join('\n').contains("Nome do meio"))
        << mensagensLidas.join("\n").toStdString();
    EXPECT_EQ(Identificadores(lidos + mensagensLidas), QStringList{})
        << "of " << lidos.size() << " texts";
}

}  // namespace
