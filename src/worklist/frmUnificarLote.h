#pragma once

#include <QDialog>
#include <functional>

#include "worklist/TarefaLote.h"

class QDoubleSpinBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;

// "Unificar lote...": the plan of the certain groups and its summary, before anything is
// written; then, confirmed, the run with a progress bar and "Cancelar" (which stops after the
// group being merged), and its outcome. The work runs on TarefaLote's own connection and
// thread; the window only waits for its signals.
class frmUnificarLote : public QDialog {
    Q_OBJECT

  public:
    // Plans at once, at the default threshold.
    frmUnificarLote(const QString& fConnectionString, qint32 fID_Usuario,
                    QWidget* parent = nullptr);

    TarefaLote& Tarefa() { return m_tarefa; }
    // A run merged at least one group: what the caller shows must be read again.
    bool Unificou() const { return m_tarefa.Situacao().unificados > 0; }

    // Asks where to save the plan; tests replace it. An empty answer cancels.
    std::function<QString(QWidget*)> EscolherArquivo;

    void cmdPlanejar_Click();
    void cmdExportar_Click();
    void cmdUnificar_Click();
    void cmdCancelar_Click();

    QDoubleSpinBox* txtLimiar;
    QPushButton* cmdPlanejar;
    QLabel* lblResumo;
    QTableView* tblPlano;
    QProgressBar* prgLote;
    QLabel* lblSituacao;
    QPushButton* cmdExportar;
    QPushButton* cmdUnificar;
    QPushButton* cmdCancelar;

  public:
    void reject() override;

  private:
    void AoPlanejar(bool ok);
    void AoTerminar(bool ok);
    void Ocupar(bool ocupada);

    TarefaLote m_tarefa;
    bool m_fecharAoTerminar = false;
    bool m_executado = false;
};
