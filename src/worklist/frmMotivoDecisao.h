#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

// The reason the administrator gives for "não são a mesma pessoa": one of the fixed reasons
// and a note ("Outros" needs one). Opened from the worklist with the reason used last already
// chosen, so Enter alone confirms it.
class frmMotivoDecisao : public QDialog {
    Q_OBJECT
  public:
    // fMotivo: the reason to start with (1-based, 0 for none).
    explicit frmMotivoDecisao(int fMotivo, QWidget* parent = nullptr);

    int Motivo() const;  // 1-based; 0 when none is chosen
    QString Observacao() const;

    void cmdOK_Click();

    QComboBox* cboMotivo;
    QLineEdit* txtObs;
    QPushButton* cmdOK;
    QPushButton* cmdCancelar;
};
