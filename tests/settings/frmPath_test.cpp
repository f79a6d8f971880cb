#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>

#include "guisupport/JanelaTeste.h"
#include "settings/frmPath.h"
#include "ui/MostrarModal.h"

namespace {

QString driveAtual(const frmPath& dialogo) {
    return dialogo.drvDrives->currentData().toString();
}

}  // namespace

TEST(frmPath, StartingPathPositionsDriveTreeAndBox) {
    QTemporaryDir pasta;
    ASSERT_TRUE(QDir(pasta.path()).mkpath("Dados/Laudos"));
    const QString dados = pasta.filePath("Dados");

    frmPath dialogo;
    CapturaMensagens mensagens;
    dialogo.setPathInício(dados + "/");
    EXPECT_EQ(dialogo.CaminhoDir(), dados);
    EXPECT_EQ(dialogo.txtPath->text(), dados);
    EXPECT_EQ(driveAtual(dialogo), "/");
    auto* modelo = qobject_cast<QFileSystemModel*>(dialogo.dirDirs->model());
    ASSERT_NE(modelo, nullptr);
    EXPECT_EQ(modelo->filePath(dialogo.dirDirs->currentIndex()), dados);

    // A missing folder falls back to the root drive.
    dialogo.setPathInício(pasta.filePath("Nada"));
    EXPECT_EQ(dialogo.CaminhoDir(), "/");
    EXPECT_EQ(dialogo.txtPath->text(), "/");

    // Choosing a folder in the tree puts it into the box.
    dialogo.dirDirs->setCurrentIndex(modelo->index(dados + "/Laudos"));
    EXPECT_EQ(dialogo.txtPath->text(), dados + "/Laudos");
    EXPECT_EQ(dialogo.CaminhoDir(), dados + "/Laudos");
    EXPECT_TRUE(mensagens.Textos().isEmpty());
}

TEST(frmPath, DriveChangesFollowTheVolumeOrAreRefused) {
    QTemporaryDir pasta;
    frmPath dialogo;
    CapturaMensagens mensagens;
    dialogo.setPathInício(pasta.path());

    // A volume that went away after the list was made (a pen drive pulled out): refused with
    // the drive box, and the list goes back to the drive of the current folder.
    const QString sumido = pasta.filePath("pendrive");
    dialogo.drvDrives->addItem(sumido, sumido);
    dialogo.drvDrives->setCurrentIndex(dialogo.drvDrives->count() - 1);
    ASSERT_EQ(mensagens.Textos().size(), 1);
    EXPECT_EQ(mensagens.Textos()[0], "Ocorreu o seguinte erro ao acessar o drive '" + sumido +
                                         "'\nDispositivo não disponível");
    EXPECT_EQ(driveAtual(dialogo), "/");
    EXPECT_EQ(dialogo.CaminhoDir(), pasta.path());

    // A readable volume: the tree moves to its root, and so does the box.
    ASSERT_TRUE(QDir(pasta.path()).mkdir("pendrive"));
    mensagens.Limpar();
    dialogo.drvDrives->setCurrentIndex(dialogo.drvDrives->count() - 1);
    EXPECT_TRUE(mensagens.Textos().isEmpty());
    EXPECT_EQ(dialogo.CaminhoDir(), sumido);
    EXPECT_EQ(dialogo.txtPath->text(), sumido);
    // A folder on that volume belongs to it.
    ASSERT_TRUE(QDir(sumido).mkdir("fotos"));
    dialogo.setPathInício(sumido + "/fotos");
    EXPECT_EQ(driveAtual(dialogo), sumido);
}

TEST(frmPath, OkRefusesMissingPathsAndAcceptsExistingOnes) {
    QTemporaryDir pasta;
    frmPath dialogo;
    // Loaded on the root drive with an empty box: only a chosen path fills it.
    EXPECT_EQ(driveAtual(dialogo), "/");
    EXPECT_EQ(dialogo.txtPath->text(), "");
    CapturaMensagens mensagens;
    RoteiroModal roteiro;
    const QString faltando = pasta.filePath("não existe");
    roteiro.Entao([&](QDialog& d) {
        auto* caixa = Achar<QLineEdit>(d, "txtPath");
        caixa->clear();
        Digitar(caixa, faltando);
        Clicar(Achar<QPushButton>(d, "cmdOK"));
        EXPECT_TRUE(d.isVisible());  // refused, still open
        caixa->setText("  " + pasta.path() + "  ");
        Clicar(Achar<QPushButton>(d, "cmdOK"));
    });
    EXPECT_EQ(MostrarModal(dialogo), QDialog::Accepted);
    EXPECT_EQ(mensagens.Textos(), QStringList{"O caminho '" + faltando + "' não existe."});
    EXPECT_TRUE(dialogo.OK());
    EXPECT_FALSE(dialogo.isVisible());
    EXPECT_EQ(dialogo.txtPath->text().trimmed(), pasta.path());

    roteiro.Entao([](QDialog& d) { Clicar(Achar<QPushButton>(d, "cmdCancel")); });
    EXPECT_EQ(MostrarModal(dialogo), QDialog::Rejected);
    EXPECT_FALSE(dialogo.OK());
}
