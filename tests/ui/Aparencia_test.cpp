// What every window of the program shares on screen: Qt's own texts in Portuguese, a focus
// frame that shows, column widths that fit and are remembered, cut values whole on hover.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include "guisupport/JanelaTeste.h"
#include "ui/Aparencia.h"
#include "ui/ColunasLembradas.h"
#include "ui/FiltroGrade.h"

TEST(Aparencia, DialogosDoQtFalamPortugues) {
    ASSERT_TRUE(CarregarTraducoesQt(*qApp)) << "qt6-translations-l10n is not installed";
    QDialogButtonBox botoes(QDialogButtonBox::Ok | QDialogButtonBox::Cancel |
                            QDialogButtonBox::Save);
    EXPECT_EQ(botoes.button(QDialogButtonBox::Cancel)->text().remove('&'), "Cancelar");
    EXPECT_EQ(botoes.button(QDialogButtonBox::Save)->text().remove('&'), "Salvar");

    // The file dialog the export opens: its own labels and buttons.
    QFileDialog dialogo(nullptr, "Exportar histórico");
    dialogo.setOption(QFileDialog::DontUseNativeDialog);
    dialogo.setAcceptMode(QFileDialog::AcceptSave);
    QStringList textos;
    for (const QLabel* r : dialogo.findChildren<QLabel*>()) {
        textos << r->text().remove('&');
    }
    for (const QPushButton* b : dialogo.findChildren<QPushButton*>()) {
        textos << b->text().remove('&');
    }
    EXPECT_TRUE(textos.contains("Salvar")) << textos.join('|').toStdString();
    EXPECT_FALSE(textos.contains("Save")) << textos.join('|').toStdString();
    EXPECT_FALSE(textos.contains("Look in:")) << textos.join('|').toStdString();
}

TEST(Aparencia, BotaoComFocoTemMolduraNaCorDeDestaque) {
    EstiloFocoVisivel estilo;
    QWidget janela;
    auto* layout = new QVBoxLayout(&janela);
    auto* botao = new QPushButton("Agrupar");
    auto* outro = new QPushButton("Outro");
    layout->addWidget(botao);
    layout->addWidget(outro);
    botao->setStyle(&estilo);
    janela.show();
    QApplication::setActiveWindow(&janela);
    const QColor destaque = botao->palette().color(QPalette::Active, QPalette::Highlight);
    const auto pontosDestaque = [&] {
        const QImage imagem = botao->grab().toImage();
        int n = 0;
        for (int y = 0; y < imagem.height(); ++y) {
            for (int x = 0; x < imagem.width(); ++x) {
                n += imagem.pixelColor(x, y) == destaque;
            }
        }
        return n;
    };
    outro->setFocus();
    const int semFoco = pontosDestaque();
    botao->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(botao->hasFocus());
    // Two pixels all round the button.
    EXPECT_GE(pontosDestaque() - semFoco, 2 * (botao->width() + botao->height()));
}

TEST(Aparencia, LargurasCabemOsValoresEONomeFicaComOEspaco) {
    // Room enough: each column its width, the name the rest.
    EXPECT_EQ(LargurasColunas({300, 20, 40}, {50, 80, 70}, 700, 0),
              (QVector<int>{700 - 80 - 70, 80, 70}));
    // Short of room: a long "Situação" is held to a quarter, the name keeps its value.
    EXPECT_EQ(LargurasColunas({300, 900, 40}, {50, 80, 70}, 700, 0),
              (QVector<int>{700 - 175 - 70, 175, 70}));
    // Far too short: the name keeps its whole value up to half the room and the view scrolls.
    EXPECT_EQ(LargurasColunas({300, 900, 400}, {50, 80, 70}, 400, 0),
              (QVector<int>{200, 100, 100}));
    // Never below a header.
    EXPECT_EQ(LargurasColunas({10, 10}, {60, 300}, 200, 0), (QVector<int>{60, 300}));
    EXPECT_TRUE(LargurasColunas({}, {}, 100, 0).isEmpty());
}

TEST(Aparencia, LargurasLembradasPorChaveETabelaDeixaOTabSair) {
    QStandardItemModel modelo(3, 3);
    modelo.setHorizontalHeaderLabels({"Nome", "Registros", "Pontuação"});
    const QString nome = "FERNANDA APARECIDA DOS SANTOS NASCIMENTO";  // 40 characters
    modelo.setItem(0, 0, new QStandardItem(nome));
    modelo.setItem(0, 1, new QStandardItem("2"));
    // Keys of this run only: the settings folder may outlive it.
    const QString raiz = "teste" + QString::number(QCoreApplication::applicationPid()) + "/";
    QString chave = raiz + "um";
    const auto largurasGravadas = [](const QString& k) { return ColunasLembradas::Gravadas(k); };
    {
        QWidget janela;
        auto* layout = new QVBoxLayout(&janela);
        auto* tabela = new QTableView;
        auto* saida = new QPushButton("depois");
        layout->addWidget(tabela);
        layout->addWidget(saida);
        tabela->setModel(&modelo);
        ColunasLembradas::Acompanhar(
            *tabela, [&chave] { return chave; }, -1);
        PrepararJanela(janela);
        janela.resize(900, 400);
        janela.show();
        QApplication::setActiveWindow(&janela);
        QApplication::processEvents();
        QHeaderView* c = tabela->horizontalHeader();
        EXPECT_GE(c->sectionSize(0), tabela->fontMetrics().horizontalAdvance(nome));
        EXPECT_TRUE(largurasGravadas(chave).isEmpty());  // fitted, nothing chosen yet

        // The administrator narrows a column: remembered under the key.
        c->resizeSection(1, 33);
        EXPECT_EQ(largurasGravadas(chave).value(1), 33);

        // Tab leaves the table; Ctrl+Tab walks its cells.
        tabela->setFocus();
        tabela->setCurrentIndex(modelo.index(0, 0));
        Tecla(tabela, Qt::Key_Tab, Qt::ControlModifier);
        EXPECT_EQ(tabela->currentIndex(), modelo.index(0, 1));
        EXPECT_TRUE(tabela->hasFocus());
        Tecla(tabela, Qt::Key_Tab);
        EXPECT_TRUE(saida->hasFocus());
        EXPECT_FALSE(tabela->tabKeyNavigation());
    }
    {
        QTableView tabela;
        tabela.setModel(&modelo);
        ColunasLembradas::Acompanhar(
            tabela, [&chave] { return chave; }, -1);
        tabela.resize(900, 400);
        tabela.show();
        QApplication::processEvents();
        EXPECT_EQ(tabela.horizontalHeader()->sectionSize(1), 33);  // as it was left
    }
    chave = raiz + "outro";  // another mode: fitted anew
    QTableView tabela;
    tabela.setModel(&modelo);
    ColunasLembradas::Acompanhar(
        tabela, [&chave] { return chave; }, -1);
    tabela.resize(900, 400);
    tabela.show();
    QApplication::processEvents();
    EXPECT_GT(tabela.horizontalHeader()->sectionSize(1), 33);
}
