#include "users/frmLogin.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPainter>
#include <QProxyStyle>

#include "settings/Configuracao.h"
#include "ui/BotaoFigura.h"
#include "ui/DE.h"
#include "ui/FiltroGrade.h"
#include "ui/MsgBox.h"
#include "users/LoginAdministrador.h"

const QString frmLogin::kSecao = QStringLiteral("Senha");
const QString frmLogin::kChave = QStringLiteral("Usuário");
const QString frmLogin::kUsuarioPadrao = QStringLiteral("<Gestor>");

namespace {

constexpr int kLargura = 245;
constexpr int kAltura = 127;
constexpr int kEnter = 13;

// The program's one settings store, the same as the grouping ticks'.
const QString& NomeAplicacao() {
    return kAplicacaoCadunir;
}

// Passwords show one "*" per character, whatever the platform's own mask is.
class EstiloSenha : public QProxyStyle {
  public:
    int styleHint(StyleHint dica, const QStyleOption* opcao, const QWidget* widget,
                  QStyleHintReturn* retorno) const override {
        if (dica == SH_LineEdit_PasswordCharacter) {
            return '*';
        }
        return QProxyStyle::styleHint(dica, opcao, widget, retorno);
    }
};

}  // namespace

QPixmap DesenharFundoLogin() {
    QPixmap fundo(kLargura, kAltura);
    QPainter pintor(&fundo);
    QLinearGradient degrade(0, 0, 0, kAltura);
    degrade.setColorAt(0, QColor(0xE8, 0xEE, 0xF6));
    degrade.setColorAt(1, QColor(0xC4, 0xD2, 0xE6));
    pintor.fillRect(fundo.rect(), degrade);
    pintor.setPen(QColor(0x5A, 0x6E, 0x8C));
    pintor.drawRect(fundo.rect().adjusted(0, 0, -1, -1));
    QFont fonte = pintor.font();
    fonte.setPixelSize(12);
    fonte.setBold(true);
    pintor.setFont(fonte);
    pintor.setPen(QColor(0x1E, 0x2D, 0x46));
    pintor.drawText(QRect(10, 22, 72, 23), Qt::AlignRight | Qt::AlignVCenter,
                    QStringLiteral("Usuário:"));
    pintor.drawText(QRect(10, 45, 72, 23), Qt::AlignRight | Qt::AlignVCenter,
                    QStringLiteral("Senha:"));
    return fundo;
}

frmLogin::frmLogin(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("Senha"));
    setFixedSize(kLargura, kAltura);
    m_fundo = DesenharFundoLogin();

    txtUsuário = new QLineEdit(this);
    txtUsuário->setObjectName(QStringLiteral("txtUsuário"));
    txtUsuário->setGeometry(86, 22, 132, 23);
    txtUsuário->setMaxLength(50);

    txtPassword = new QLineEdit(this);
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    txtPassword->setGeometry(86, 45, 132, 23);
    txtPassword->setMaxLength(8);
    auto* estilo = new EstiloSenha;
    estilo->setParent(txtPassword);
    txtPassword->setStyle(estilo);
    txtPassword->setEchoMode(QLineEdit::Password);
    setTabOrder(txtUsuário, txtPassword);
    txtUsuário->setAccessibleName(QStringLiteral("Usuário"));
    txtPassword->setAccessibleName(QStringLiteral("Senha"));

    cmdOK = new BotaoFigura(this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(32, 82, 77, 23);
    cmdCancel = new BotaoFigura(this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setGeometry(133, 82, 78, 23);
    cmdOK->setAccessibleName(QStringLiteral("OK"));
    cmdCancel->setAccessibleName(QStringLiteral("Cancelar"));

    imgOK[0] = DesenharFaceBotao(cmdOK->size(), QStringLiteral("OK"), false);
    imgOK[1] = DesenharFaceBotao(cmdOK->size(), QStringLiteral("OK"), true);
    imgCancelar[0] = DesenharFaceBotao(cmdCancel->size(), QStringLiteral("Cancelar"), false);
    imgCancelar[1] = DesenharFaceBotao(cmdCancel->size(), QStringLiteral("Cancelar"), true);

    // Enter reaches the dialog only after the line edit had it; the dialog has no default
    // button, so Qt does nothing else with it.
    connect(txtUsuário, &QLineEdit::returnPressed, this, [this] { txtUsuário_KeyPress(kEnter); });
    connect(txtPassword, &QLineEdit::returnPressed, this, [this] { txtPassword_KeyPress(kEnter); });
    connect(cmdOK, &BotaoFigura::pressionado, this, &frmLogin::cmdOK_MouseDown);
    connect(cmdOK, &BotaoFigura::solto, this, &frmLogin::cmdOK_MouseUp);
    connect(cmdOK, &BotaoFigura::clicado, this, &frmLogin::cmdOK_Click);
    connect(cmdCancel, &BotaoFigura::pressionado, this, &frmLogin::cmdCancel_MouseDown);
    connect(cmdCancel, &BotaoFigura::solto, this, &frmLogin::cmdCancel_MouseUp);
    connect(cmdCancel, &BotaoFigura::clicado, this, &frmLogin::cmdCancel_Click);

    Form_Load();
    PrepararJanela(*this);
}

void frmLogin::Form_Load() {
    cmdOK->setPicture(imgOK[0]);
    cmdCancel->setPicture(imgCancelar[0]);
    const QString lembrado = GetSetting(NomeAplicacao(), kSecao, kChave);
    m_usuarioLembrado = !lembrado.isEmpty();
    txtUsuário->setText(m_usuarioLembrado ? lembrado : kUsuarioPadrao);
}

void frmLogin::showEvent(QShowEvent* evento) {
    QDialog::showEvent(evento);
    Form_Activate();
}

void frmLogin::Form_Activate() {
    if (!m_usuarioLembrado && txtUsuário->text() == kUsuarioPadrao) {
        // First run: "<Gestor>" is a hint, not a name. The user box takes the keys with the
        // hint selected, so typing the name replaces it (and Enter then goes to the password).
        txtUsuário->setFocus(Qt::OtherFocusReason);
        txtUsuário->selectAll();
        return;
    }
    if (!txtUsuário->text().isEmpty()) {
        txtPassword->setFocus(Qt::OtherFocusReason);
    } else {
        txtUsuário->setFocus(Qt::OtherFocusReason);
    }
}

void frmLogin::paintEvent(QPaintEvent*) {
    QPainter pintor(this);
    pintor.drawPixmap(0, 0, m_fundo);
}

void frmLogin::txtUsuário_KeyPress(int KeyAscii) {
    if (KeyAscii == kEnter) {
        txtPassword->setFocus(Qt::OtherFocusReason);
    }
}

void frmLogin::txtPassword_KeyPress(int KeyAscii) {
    if (KeyAscii != kEnter) {
        return;
    }
    if (txtUsuário->text().isEmpty()) {
        txtUsuário->setFocus(Qt::OtherFocusReason);
    } else {
        cmdOK_Click();
    }
}

void frmLogin::cmdOK_MouseDown(Qt::MouseButton) {
    cmdOK->setPicture(imgOK[1]);
    cmdOK->repaint();
}

void frmLogin::cmdOK_MouseUp(Qt::MouseButton) {
    cmdOK->setPicture(imgOK[0]);
    cmdOK->repaint();
}

void frmLogin::cmdCancel_MouseDown(Qt::MouseButton) {
    cmdCancel->setPicture(imgCancelar[1]);
    cmdCancel->repaint();
}

void frmLogin::cmdCancel_MouseUp(Qt::MouseButton) {
    cmdCancel->setPicture(imgCancelar[0]);
    cmdCancel->repaint();
}

void frmLogin::cmdOK_Click() {
    if (Usuário_Login(txtUsuário->text(), txtPassword->text())) {
        LoginConfirmado = true;
        SaveSetting(NomeAplicacao(), kSecao, kChave, txtUsuário->text());
        setResult(QDialog::Accepted);
        hide();
        return;
    }
    // The check has shown its message; the next typing replaces the password.
    txtPassword->setFocus(Qt::OtherFocusReason);
    txtPassword->selectAll();
}

void frmLogin::cmdCancel_Click() {
    LoginConfirmado = false;
    setResult(QDialog::Rejected);
    hide();
}

void frmLogin::reject() {
    cmdCancel_Click();
}

bool frmLogin::Usuário_Login(const QString& fUsuario, const QString& fSenha) {
    const ResultadoLogin resultado =
        VerificarLoginAdministrador(DE().Conexao, ADO(), fUsuario, fSenha);
    if (resultado.ID_Usuario != 0) {
        ID_UsuarioLogado = resultado.ID_Usuario;
    }
    if (!resultado.Aceito) {
        MsgBox(resultado.Mensagem);
    }
    return resultado.Aceito;
}
