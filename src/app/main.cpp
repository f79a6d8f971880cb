#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "main/frmPrincipal.h"
#include "review/GrupoComConflito.h"
#include "review/frmCompararPacientes.h"
#include "settings/Configuracao.h"
#include "ui/DE.h"
#include "ui/MsgBox.h"

namespace {

void digitar(QWidget* campo, const QString& texto) {
    for (const QChar c : texto) {
        QKeyEvent tecla(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(campo, &tecla);
    }
}

// Demo automation (CADUNIR_DEMO_LOGIN=user:password): waits for the real login dialog, types
// the name and the password into its fields and presses Enter in the password box, which runs
// the same check as a person would. A message box on the way means the log-in failed: there
// is nobody to answer it, so the run stops with the message on stderr.
void automatizarLogin(const QString& credenciais) {
    const qsizetype dois = credenciais.indexOf(QLatin1Char(':'));
    const QString usuario = credenciais.left(dois);
    const QString senha = dois < 0 ? QString() : credenciais.mid(dois + 1);
    auto* relogio = new QTimer(qApp);
    QObject::connect(relogio, &QTimer::timeout, relogio, [=] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            return;
        }
        if (auto* caixa = qobject_cast<QMessageBox*>(modal)) {
            std::fprintf(stderr, "cadunir: %s\n", qUtf8Printable(caixa->text()));
            std::exit(1);
        }
        auto* nome = modal->findChild<QLineEdit*>(QStringLiteral("txtUsuário"));
        auto* chave = modal->findChild<QLineEdit*>(QStringLiteral("txtPassword"));
        if (!nome || !chave || !relogio->property("pendente").isNull()) {
            return;
        }
        relogio->setProperty("pendente", true);
        nome->selectAll();
        digitar(nome, usuario);
        chave->setFocus();
        digitar(chave, senha);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QCoreApplication::sendEvent(chave, &enter);
    });
    relogio->start(100);
}

// CADUNIR_SCREENSHOT_COMPARACAO=file.png: the comparison of a demo group whose records show a
// sign of different people, saved like the main window. False when it could not be written.
bool salvarComparacao(QWidget* janela, const QString& foto) {
    QList<qint32> ids;
    if (!GrupoComConflito(DE().Conexao, ADO(), ids)) {
        std::fprintf(stderr, "cadunir: no demo group with a conflict to compare\n");
        return false;
    }
    frmCompararPacientes comparacao(janela);
    if (!comparacao.Iniciar(ids)) {
        return false;
    }
    comparacao.show();
    QCoreApplication::processEvents();
    if (!comparacao.grab().save(foto, "PNG")) {
        std::fprintf(stderr, "cadunir: cannot write %s\n", qUtf8Printable(foto));
        return false;
    }
    std::printf("%s\n", qUtf8Printable(foto));
    return true;
}

// Demo automation (CADUNIR_SCREENSHOT_HISTORICO=file.png): merges the first two records of the
// similar list through the real unify command (the base chooser keeps the first), then opens
// the history, saves it as a picture and prints its path. Dialogs are answered from a timer,
// as a person would answer them.
bool fotografarHistorico(frmPrincipal& janela, const QString& foto) {
    if (janela.lstSemelhante->count() < 2) {
        std::fprintf(stderr, "cadunir: no group to merge for the history picture\n");
        return false;
    }
    bool salva = false;
    auto* relogio = new QTimer(&janela);
    QObject::connect(relogio, &QTimer::timeout, relogio, [&salva, foto] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            return;
        }
        if (modal->objectName() == QLatin1String("frmPacienteBase")) {
            auto* lista = modal->findChild<QListWidget*>(QStringLiteral("lstSemelhante"));
            if (lista && lista->count() > 0) {
                lista->item(0)->setCheckState(Qt::Checked);
                modal->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
            }
        } else if (modal->objectName() == QLatin1String("frmCompararPacientes")) {
            // The review of the merge: conflicts confirmed, values as proposed.
            auto* confirmar = modal->findChild<QCheckBox*>(QStringLiteral("chkConfirmar"));
            if (confirmar && confirmar->isVisible()) {
                confirmar->setChecked(true);
            }
            modal->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
        } else if (modal->objectName() == QLatin1String("frmHistorico")) {
            salva = modal->grab().save(foto, "PNG");
            modal->findChild<QPushButton*>(QStringLiteral("cmdFechar"))->click();
        }
    });
    relogio->start(300);
    for (int i = 0; i < 2; ++i) {
        janela.lstSemelhante->item(i)->setCheckState(Qt::Checked);
    }
    {
        // The outcome message goes to the terminal: nobody is there to close a box.
        const TratadorMsgBox anterior = DefinirTratadorMsgBox([](const QString& texto) {
            std::fprintf(stderr, "cadunir: %s\n", qUtf8Printable(texto));
        });
        janela.cmdUnificar_Click();
        DefinirTratadorMsgBox(anterior);
    }
    janela.cmdHistorico_Click();
    relogio->stop();
    if (!salva) {
        std::fprintf(stderr, "cadunir: cannot write %s\n", qUtf8Printable(foto));
        return false;
    }
    std::printf("%s\n", qUtf8Printable(foto));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // Digit grouping "1.234" and dates dd/MM/yyyy whatever the machine's own locale.
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    QApplication app(argc, argv);
    // One settings store, "Cadunir", whatever the executable is called; the lower-case store
    // that earlier versions took from the executable's name is folded into it once.
    QCoreApplication::setOrganizationName(kAplicacaoCadunir);
    QCoreApplication::setApplicationName(kAplicacaoCadunir);
    if (!MigrarConfiguracaoAntiga()) {
        std::fprintf(stderr, "cadunir: the old settings could not be copied; kept for next time\n");
    }

    const QString login = qEnvironmentVariable("CADUNIR_DEMO_LOGIN");
    if (!login.isEmpty()) {
        automatizarLogin(login);
    }

    frmPrincipal janela;
    if (!janela.Form_Load()) {
        return 0;
    }
    janela.show();

    // CADUNIR_SCREENSHOT=file.png: once the window with its first grouping is on screen, save
    // it and leave (the demo's headless run).
    const QString foto = qEnvironmentVariable("CADUNIR_SCREENSHOT");
    if (!foto.isEmpty()) {
        const auto salvar = [&janela, foto] {
            if (!janela.grab().save(foto, "PNG")) {
                std::fprintf(stderr, "cadunir: cannot write %s\n", qUtf8Printable(foto));
                QApplication::exit(1);
                return;
            }
            std::printf("%s\n", qUtf8Printable(foto));
            const QString comparacao = qEnvironmentVariable("CADUNIR_SCREENSHOT_COMPARACAO");
            if (!comparacao.isEmpty() && !salvarComparacao(&janela, comparacao)) {
                QApplication::exit(1);
                return;
            }
            const QString historico = qEnvironmentVariable("CADUNIR_SCREENSHOT_HISTORICO");
            if (!historico.isEmpty() && !fotografarHistorico(janela, historico)) {
                QApplication::exit(1);
                return;
            }
            QApplication::quit();
        };
        // The grouping arrives after the window shows; a short pause lets it paint.
        const auto depoisDeAgrupar = [&janela, salvar] {
            QTimer::singleShot(300, &janela, salvar);
        };
        if (janela.Agrupando()) {
            QObject::connect(&janela, &frmPrincipal::agrupamentoConcluido, &janela, depoisDeAgrupar,
                             Qt::SingleShotConnection);
        } else {
            depoisDeAgrupar();
        }
    }
    return app.exec();
}
