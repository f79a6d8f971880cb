#include "guisupport/JanelaTeste.h"

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>

void InstalarGuardasDeJanela() {
    DefinirTratadorMsgBox([](const QString& texto, const QString&) {
        ADD_FAILURE() << "unanswered message box: " << texto.toStdString();
    });
    DefinirTratadorConfirmar([](const QString& texto) {
        ADD_FAILURE() << "unanswered question: " << texto.toStdString();
        return false;
    });
    DefinirTratadorModal([](QDialog& dialogo) {
        ADD_FAILURE() << "unscripted modal dialog " << dialogo.metaObject()->className();
        dialogo.reject();
    });
    // A real modal loop runs the event loop, so this timer still ticks inside it.
    auto* vigia = new QTimer(qApp);
    auto visto = std::make_shared<QPointer<QWidget>>();
    auto vezes = std::make_shared<int>(0);
    QObject::connect(vigia, &QTimer::timeout, vigia, [visto, vezes] {
        QWidget* modal = QApplication::activeModalWidget();
        *vezes = modal && modal == *visto ? *vezes + 1 : 0;
        *visto = modal;
        if (*vezes >= 5) {
            ADD_FAILURE() << "a modal window stayed open: " << modal->metaObject()->className()
                          << " " << modal->windowTitle().toStdString();
            auto* dialogo = qobject_cast<QDialog*>(modal);
            dialogo ? dialogo->reject() : void(modal->close());
        }
    });
    vigia->start(1000);
}

SemTratadores::SemTratadores()
    : m_msgBox(DefinirTratadorMsgBox({})),
      m_confirmar(DefinirTratadorConfirmar({})),
      m_modal(DefinirTratadorModal({})) {}

SemTratadores::~SemTratadores() {
    DefinirTratadorMsgBox(std::move(m_msgBox));
    DefinirTratadorConfirmar(std::move(m_confirmar));
    DefinirTratadorModal(std::move(m_modal));
}

CapturaMensagens::CapturaMensagens() {
    m_anterior = DefinirTratadorMsgBox([this](const QString& texto, const QString& titulo) {
        m_textos << texto;
        m_titulos << titulo;
    });
    m_anteriorConfirmar = DefinirTratadorConfirmar([this](const QString& texto) {
        m_perguntas << texto;
        return m_resposta;
    });
}

CapturaMensagens::~CapturaMensagens() {
    DefinirTratadorMsgBox(std::move(m_anterior));
    DefinirTratadorConfirmar(std::move(m_anteriorConfirmar));
}

RoteiroModal::RoteiroModal() {
    m_anterior = DefinirTratadorModal([this](QDialog& dialogo) {
        ++m_mostrados;
        if (m_passos.empty()) {
            ADD_FAILURE() << "unexpected modal dialog " << dialogo.metaObject()->className();
            dialogo.reject();
            return;
        }
        Passo passo = std::move(m_passos.front());
        m_passos.pop_front();
        passo(dialogo);
    });
}

RoteiroModal::~RoteiroModal() {
    DefinirTratadorModal(std::move(m_anterior));
    EXPECT_TRUE(m_passos.empty()) << m_passos.size() << " scripted dialog(s) never shown";
}

RoteiroModal& RoteiroModal::Entao(Passo passo) {
    m_passos.push_back(std::move(passo));
    return *this;
}

void Clicar(QWidget* alvo) {
    ASSERT_NE(alvo, nullptr);
    QTest::mouseClick(alvo, Qt::LeftButton, Qt::NoModifier, alvo->rect().center());
}

void Digitar(QWidget* alvo, const QString& texto) {
    ASSERT_NE(alvo, nullptr);
    alvo->setFocus(Qt::OtherFocusReason);
    for (const QChar c : texto) {
        if (c.unicode() < 128) {
            QTest::keyClick(alvo, char(c.unicode()));
        } else {
            // QTest maps only ASCII to keys; an accented letter arrives as its text alone, as
            // from a keyboard with dead keys.
            QTest::sendKeyEvent(QTest::Click, alvo, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
}

void Tecla(QWidget* alvo, Qt::Key tecla, Qt::KeyboardModifiers modificadores) {
    ASSERT_NE(alvo, nullptr);
    QTest::keyClick(alvo, tecla, modificadores);
}
