#include "AutomacaoDemo.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "main/frmPrincipal.h"
#include "review/GrupoComConflito.h"
#include "review/frmCompararPacientes.h"
#include "ui/DE.h"
#include "ui/MostrarModal.h"
#include "ui/MsgBox.h"

namespace {

void digitar(QWidget* campo, const QString& texto) {
    for (const QChar c : texto) {
        QKeyEvent tecla(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(campo, &tecla);
    }
}

bool salvarImagem(QWidget& janela, const QString& arquivo) {
    if (!janela.grab().save(arquivo, "PNG")) {
        std::fprintf(stderr, "cadunir: cannot write %s\n", qUtf8Printable(arquivo));
        return false;
    }
    std::printf("%s\n", qUtf8Printable(arquivo));
    return true;
}

template <class T>
T* filho(QWidget& raiz, const char* nome) {
    return raiz.findChild<T*>(QString::fromUtf8(nome));
}

}  // namespace

AutomacaoDemo::AutomacaoDemo()
    : m_login(qEnvironmentVariable("CADUNIR_DEMO_LOGIN")),
      m_foto(qEnvironmentVariable("CADUNIR_SCREENSHOT")),
      m_fotoComparacao(qEnvironmentVariable("CADUNIR_SCREENSHOT_COMPARACAO")),
      m_fotoHistorico(qEnvironmentVariable("CADUNIR_SCREENSHOT_HISTORICO")) {}

void AutomacaoDemo::Preparar() {
    if (m_login.isEmpty() && m_foto.isEmpty()) {
        return;
    }
    if (!m_login.isEmpty()) {
        DefinirTratadorMsgBox([](const QString& texto, const QString&) {
            std::fprintf(stderr, "cadunir: %s\n", qUtf8Printable(texto));
            std::exit(1);
        });
    }
    // Every dialog of the run is answered here, shown as it would be and acted on through its
    // own controls; one the demo does not know is closed.
    DefinirTratadorModal([this](QDialog& d) {
        const QString nome = d.objectName();
        if (nome == QLatin1String("frmLogin") && m_login.isEmpty()) {
            d.exec();  // a person logs in
        } else if (nome == QLatin1String("frmLogin")) {
            const qsizetype dois = m_login.indexOf(QLatin1Char(':'));
            auto* usuario = filho<QLineEdit>(d, "txtUsuário");
            auto* senha = filho<QLineEdit>(d, "txtPassword");
            usuario->selectAll();
            digitar(usuario, m_login.left(dois));
            senha->setFocus();
            digitar(senha, dois < 0 ? QString() : m_login.mid(dois + 1));
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
            QCoreApplication::sendEvent(senha, &enter);
        } else if (nome == QLatin1String("frmPacienteBase")) {
            filho<QListWidget>(d, "lstSemelhante")->item(0)->setCheckState(Qt::Checked);
            filho<QPushButton>(d, "cmdOK")->click();
        } else if (nome == QLatin1String("frmCompararPacientes")) {
            // The review of the merge: conflicts confirmed, values as proposed.
            if (auto* confirmar = filho<QCheckBox>(d, "chkConfirmar"); confirmar->isVisible()) {
                confirmar->setChecked(true);
            }
            filho<QPushButton>(d, "cmdOK")->click();
        } else if (nome == QLatin1String("frmHistorico")) {
            m_historicoSalvo = salvarImagem(d, m_fotoHistorico);
            filho<QPushButton>(d, "cmdFechar")->click();
        } else {
            std::fprintf(stderr, "cadunir: unexpected dialog %s\n", qUtf8Printable(nome));
        }
    });
}

void AutomacaoDemo::Fotografar(frmPrincipal& janela) {
    if (m_foto.isEmpty()) {
        return;
    }
    // The log-in is over: from here a message is told, not fatal.
    DefinirTratadorMsgBox([](const QString& texto, const QString&) {
        std::fprintf(stderr, "cadunir: %s\n", qUtf8Printable(texto));
    });
    // The grouping arrives after the window shows; a short pause lets it paint.
    const auto depoisDeAgrupar = [this, &janela] {
        QTimer::singleShot(300, &janela, [this, &janela] { salvar(janela); });
    };
    if (janela.Agrupando()) {
        QObject::connect(&janela, &frmPrincipal::agrupamentoConcluido, &janela, depoisDeAgrupar,
                         Qt::SingleShotConnection);
    } else {
        depoisDeAgrupar();
    }
}

void AutomacaoDemo::salvar(frmPrincipal& janela) {
    const bool feito = salvarImagem(janela, m_foto) &&
                       (m_fotoComparacao.isEmpty() || fotografarComparacao(janela)) &&
                       (m_fotoHistorico.isEmpty() || fotografarHistorico(janela));
    QApplication::exit(feito ? 0 : 1);
}

bool AutomacaoDemo::fotografarComparacao(frmPrincipal& janela) {
    QList<qint32> ids;
    if (!GrupoComConflito(DE().Conexao, ADO(), ids)) {
        std::fprintf(stderr, "cadunir: no demo group with a conflict to compare\n");
        return false;
    }
    frmCompararPacientes comparacao(&janela);
    if (!comparacao.Iniciar(ids)) {
        return false;
    }
    comparacao.show();
    QCoreApplication::processEvents();
    return salvarImagem(comparacao, m_fotoComparacao);
}

bool AutomacaoDemo::fotografarHistorico(frmPrincipal& janela) {
    if (janela.lstSemelhante->count() < 2) {
        std::fprintf(stderr, "cadunir: no group to merge for the history picture\n");
        return false;
    }
    for (int i = 0; i < 2; ++i) {
        janela.lstSemelhante->item(i)->setCheckState(Qt::Checked);
    }
    janela.cmdUnificar_Click();  // the chooser keeps the first record; the outcome is told
    janela.cmdHistorico_Click();
    if (!m_historicoSalvo) {
        std::fprintf(stderr, "cadunir: cannot write %s\n", qUtf8Printable(m_fotoHistorico));
    }
    return m_historicoSalvo;
}
