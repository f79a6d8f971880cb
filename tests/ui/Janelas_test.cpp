#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "guisupport/JanelaTeste.h"
#include "ui/Ampulheta.h"
#include "ui/MostrarModal.h"
#include "ui/MsgBox.h"

namespace {

// A small dialog that hides itself on OK, as the program's dialogs do.
struct DialogoTeste : QDialog {
    DialogoTeste() {
        auto* layout = new QVBoxLayout(this);
        texto = new QLineEdit(this);
        texto->setObjectName("txtNome");
        ok = new QPushButton("OK", this);
        ok->setObjectName("cmdOK");
        layout->addWidget(texto);
        layout->addWidget(ok);
        connect(ok, &QPushButton::clicked, this, [this] {
            lido = texto->text();
            MostrarModal(interno);  // a dialog that opens another one
            setResult(QDialog::Accepted);
            hide();
        });
    }
    QLineEdit* texto;
    QPushButton* ok;
    QDialog interno;
    QString lido;
};

}  // namespace

TEST(MsgBox, CaixaRealTemACaraDoPrograma) {
    // Without a capture the real box shows; close it from the event loop and inspect it.
    SemTratadores real;
    QString titulo;
    QString texto;
    QMessageBox::Icon icone = QMessageBox::Warning;
    int botoes = 0;
    QTimer::singleShot(0, [&] {
        auto* caixa = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(caixa, nullptr);
        titulo = caixa->windowTitle();
        texto = caixa->text();
        icone = caixa->icon();
        botoes = int(caixa->buttons().size());
        caixa->button(QMessageBox::Ok)->click();
    });
    MsgBox("Selecione ao menos um critério");
    EXPECT_EQ(titulo, "Atenção!");
    EXPECT_EQ(texto, "Selecione ao menos um critério");
    EXPECT_EQ(icone, QMessageBox::NoIcon);
    EXPECT_EQ(botoes, 1);
}

TEST(MostrarModal, RoteiroAgeNoDialogoRealEmOrdem) {
    DialogoTeste dialogo;
    bool internoVisto = false;
    {
        RoteiroModal roteiro;
        roteiro
            .Entao([](QDialog& d) {
                EXPECT_TRUE(d.isVisible());
                Digitar(Achar<QLineEdit>(d, "txtNome"), "José");
                Clicar(Achar<QPushButton>(d, "cmdOK"));
            })
            .Entao([&](QDialog&) { internoVisto = true; });  // left open: rejected
        EXPECT_EQ(MostrarModal(dialogo), QDialog::Accepted);
        EXPECT_EQ(roteiro.Mostrados(), 2);
    }
    EXPECT_TRUE(internoVisto);
    EXPECT_FALSE(dialogo.isVisible());
    EXPECT_FALSE(dialogo.interno.isVisible());
    EXPECT_EQ(dialogo.lido, "José");

    // A step that leaves the dialog open: hidden and rejected.
    RoteiroModal roteiro;
    roteiro.Entao([](QDialog&) {});
    EXPECT_EQ(MostrarModal(dialogo), QDialog::Rejected);
    EXPECT_FALSE(dialogo.isVisible());
}

TEST(MostrarModal, LacoModalRealTerminaQuandoODialogoSome) {
    SemTratadores real;
    DialogoTeste dialogo;
    QTimer::singleShot(0, [&] {
        dialogo.setResult(QDialog::Accepted);
        dialogo.hide();
    });
    EXPECT_EQ(MostrarModal(dialogo), QDialog::Accepted);
}

// A test that forgets to answer a dialog fails and goes on instead of hanging the run: an
// unscripted dialog is rejected at once, and a real modal loop nobody ends is closed by the
// guard within seconds.
TEST(MostrarModal, DialogoSemRespostaFalhaOTesteSemPrendeLo) {
    DialogoTeste dialogo;
    EXPECT_NONFATAL_FAILURE(EXPECT_EQ(MostrarModal(dialogo), QDialog::Rejected),
                            "unscripted modal dialog");
    SemTratadores real;
    EXPECT_NONFATAL_FAILURE(EXPECT_EQ(MostrarModal(dialogo), QDialog::Rejected),
                            "a modal window stayed open");
    EXPECT_FALSE(dialogo.isVisible());
}

TEST(Ampulheta, RestauraOPonteiroUmaVezComoQuerQueTermine) {
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);
    {
        Ampulheta ampulheta;
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        {
            Ampulheta dentro;  // nested guards stack
        }
        EXPECT_NE(QApplication::overrideCursor(), nullptr);
        ampulheta.Restaurar();
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
