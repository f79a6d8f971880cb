#pragma once

#include <QDialog>
#include <QList>
#include <functional>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "history/TarefaDesfazerLote.h"
#include "history/clsUnificacaoDesfazer.h"
#include "history/clsUnificacaoHistorico.h"

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTreeWidget;
class QTreeWidgetItem;

// The merge history: filters, the list of merge commands (each with its removed records; the
// merges of a batch under one line of the batch), the chosen removed record's logged values
// beside the survivor's current ones, export to CSV, "Desfazer unificação" and "Desfazer lote".
// The work is done by clsUnificacaoHistorico, clsUnificacaoDesfazer and, off the window's
// thread, TarefaDesfazerLote.
class frmHistorico : public QDialog {
    Q_OBJECT

  public:
    frmHistorico(Connection& fCN, clsADO& fADO, qint32 fID_Usuario, QWidget* parent = nullptr);

    // Asks where to save the export, starting at ArquivoExportacaoPadrao; tests replace it. An
    // empty answer cancels.
    std::function<QString(QWidget*)> EscolherArquivo;
    // "historico.csv" in the user's documents folder.
    static QString ArquivoExportacaoPadrao();

    void cmdFiltrar_Click();
    void cmdExportar_Click();
    void cmdDesfazer_Click();
    // On a batch's line: undoes the whole batch, newest merge first; while it runs, stops it
    // after the merge being undone.
    void cmdDesfazerLote_Click();
    void lstHistorico_CurrentChanged();
    void reject() override;  // while a batch is being undone: stops it, closes when it stopped

    TarefaDesfazerLote& Desfazendo() { return m_tarefaLote; }

    const QList<UnificacaoComando>& Comandos() const { return m_comandos; }

    QCheckBox* chkPeriodo;
    QDateEdit* dtDesde;
    QDateEdit* dtAte;
    QLineEdit* txtAdministrador;
    QLineEdit* txtNome;
    QLineEdit* txtID;
    QPushButton* cmdFiltrar;
    QTreeWidget* lstHistorico;
    QLabel* lblComparacao;
    QTableWidget* tblComparacao;
    QPushButton* cmdExportar;
    QPushButton* cmdDesfazer;
    QPushButton* cmdDesfazerLote;
    QProgressBar* prgLote;
    QLabel* lblMotivo;  // why "Desfazer unificação" is unavailable, when it is
    QPushButton* cmdFechar;

  signals:
    // An undo put records back into the register: whatever shows its groups reads them again.
    void cadastroAlterado();

  private:
    // The command and the removed record (0: the whole command) of the current row.
    bool Selecionado(int& comando, qint32& removido) const;
    // The batch of the current row when it is a batch's line; 0 otherwise.
    qint32 LoteSelecionado() const;
    void desfazerLote(qint32 lote, clsUnificacaoDesfazer::Decisao decisao);
    void loteDesfeito(bool ok);

    Connection& m_cn;
    clsADO& m_ado;
    qint32 m_usuario;
    QList<UnificacaoComando> m_comandos;
    TarefaDesfazerLote m_tarefaLote;
    qint32 m_lote = 0;  // the batch being undone
    clsUnificacaoDesfazer::Decisao m_decisaoLote = clsUnificacaoDesfazer::Decisao::Perguntar;
    bool m_fecharAoTerminar = false;
};

// Asks what to do with survivor values that changed after the merge: restore the values from
// before the merge, keep the current ones, or give up the undo.
class frmConflitoValores : public QDialog {
    Q_OBJECT

  public:
    frmConflitoValores(const QList<ConflitoValor>& fConflitos, QWidget* parent = nullptr);

    clsUnificacaoDesfazer::Decisao Decisao() const { return m_decisao; }

    QTableWidget* tblConflitos;
    QPushButton* cmdRestaurar;
    QPushButton* cmdManter;
    QPushButton* cmdCancelar;

  private:
    clsUnificacaoDesfazer::Decisao m_decisao = clsUnificacaoDesfazer::Decisao::Perguntar;
};
