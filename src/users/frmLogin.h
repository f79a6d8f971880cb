#pragma once

#include <QDialog>
#include <QPixmap>

class QLineEdit;
class BotaoFigura;

// The log-in dialog shown modally at start-up: user name and password, checked against the
// product's user table; only users with an administrator profile (type 1 or 2) get in, or any
// matching user on a database without profiles. It leaves by hiding itself: after OK with a
// valid log-in (LoginConfirmado true, ID_UsuarioLogado set) or after Cancel / the close box
// (LoginConfirmado false, which ends the program).
class frmLogin : public QDialog {
    Q_OBJECT
  public:
    explicit frmLogin(QWidget* parent = nullptr);

    bool LoginConfirmado = false;

    // The controls, named as on screen (objectName too).
    QLineEdit* txtUsuário;
    QLineEdit* txtPassword;
    BotaoFigura* cmdOK;
    BotaoFigura* cmdCancel;
    // Normal (0) and pressed (1) faces of the two picture buttons; never shown themselves.
    QPixmap imgOK[2];
    QPixmap imgCancelar[2];

    // Where the last user name is remembered, and the name shown when none is.
    static const QString kSecao;
    static const QString kChave;
    static const QString kUsuarioPadrao;

    void Form_Load();
    void Form_Activate();
    void txtUsuário_KeyPress(int KeyAscii);
    void txtPassword_KeyPress(int KeyAscii);
    void cmdOK_MouseDown(Qt::MouseButton Button);
    void cmdOK_MouseUp(Qt::MouseButton Button);
    void cmdOK_Click();
    void cmdCancel_MouseDown(Qt::MouseButton Button);
    void cmdCancel_MouseUp(Qt::MouseButton Button);
    void cmdCancel_Click();

  protected:
    void showEvent(QShowEvent* evento) override;
    void paintEvent(QPaintEvent* evento) override;
    void reject() override;  // Esc and the close box: the same as Cancel

  private:
    bool Usuário_Login(const QString& fUsuario, const QString& fSenha);

    QPixmap m_fundo;
    bool m_usuarioLembrado = false;  // a name was stored by an earlier log-in
};

// The dialog's background picture (245 x 127): a plain panel carrying the two field labels.
QPixmap DesenharFundoLogin();
