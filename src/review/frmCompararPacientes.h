#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <QVector>
#include <QWidget>
#include <memory>

#include "match/EvidenciaPar.h"

#include "review/clsComparacaoPacientes.h"
#include "review/clsPreviaUnificacao.h"
#include "review/clsValoresSobreviventes.h"
#include "review/clsVerificacaoSeguranca.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class QListWidgetItem;
class ModeloComparacao;
class TarefaEvidencia;

// The finder's evidence on one pair as a chart: a row for the prior odds, one per field with
// its verdict and weight, and one for the total, each bar starting where the previous one
// ended (to the right for one person, to the left against), so that the reader sees which
// fields carry the score. Up and Down move through the rows (the current one is in the
// accessible description and the tooltip).
class GraficoEvidencia : public QWidget {
    Q_OBJECT

  public:
    struct Linha {
        QString texto;               // the caption drawn left of the bar
        double inicio = 0, fim = 0;  // log2 odds where the bar starts and ends
        int sinal = 0;               // +1 for one person, -1 against, 0 says nothing
        bool total = false;          // the prior and the final score, drawn from zero
    };

    explicit GraficoEvidencia(QWidget* pai = nullptr);
    void Definir(const semelhanca::EvidenciaPar& evidencia);
    // No pair to show: the message takes the chart's place.
    void Limpar(const QString& mensagem);
    const QVector<Linha>& Linhas() const { return m_linhas; }
    int LinhaAtual() const { return m_atual; }
    void DefinirLinhaAtual(int linha);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* evento) override;
    void keyPressEvent(QKeyEvent* evento) override;
    void mousePressEvent(QMouseEvent* evento) override;
    bool event(QEvent* evento) override;

  private:
    int alturaLinha() const;
    int linhaEm(int y) const;

    QVector<Linha> m_linhas;
    QString m_mensagem;
    int m_atual = -1;
};

// The records of one person side by side, before anything is merged. Opened for review (from
// the main window or the base-record chooser) it shows the differences, the signs of different
// people, and the "not the same person" decisions, which it can record and remove. Opened for a
// merge (after the base is chosen) it also lets the administrator take any field from another
// record for the base, shows what the merge will do, and asks for the conflicts to be confirmed.
class frmCompararPacientes : public QDialog {
    Q_OBJECT

  public:
    explicit frmCompararPacientes(QWidget* parent = nullptr);
    ~frmCompararPacientes() override;

    // Review: false when the records cannot be read (the message was shown).
    bool Iniciar(const QList<qint32>& fIDs);
    // Merge of fIDs into fID_Base: the survivor column, the preview and the confirmation.
    bool IniciarUnificacao(const QList<qint32>& fIDs, qint32 fID_Base);

    // True once the merge was confirmed with OK (merge mode).
    bool Confirmado() const { return m_confirmado; }
    const clsValoresSobreviventes& Valores() const { return m_valores; }
    const clsComparacaoPacientes& Comparacao() const { return *m_comparacao; }
    const QList<clsVerificacaoSeguranca::Conflito>& Conflitos() const { return m_conflitos; }
    // Why the administrator merges over the signs (kept with them in the history).
    QString MotivoConfirmacao() const;

    // Takes the field of row `linha` from the record of column `coluna` (merge mode); what a
    // double click on that cell does.
    bool EscolherValor(int linha, int coluna);
    // The menu of the columns' header: one checkable entry per record, to hide and show it.
    QMenu* MenuColunas();
    // The record of a model column (merge mode has the survivor column first: 0 there).
    qint32 IdDaColuna(int coluna) const;
    int ColunaDoId(qint32 id) const;

    void cmdOK_Click();
    void cmdCancelar_Click();
    void cmdNaoMesmaPessoa_Click();
    void cmdRemoverDecisao_Click();

    QLabel* lblResumo;
    QTableView* tblComparacao;
    QGroupBox* fraEvidencia;
    QComboBox* cboPar;
    GraficoEvidencia* grfEvidencia;

  signals:
    // The chart has its pairs (or the reason it has none).
    void evidenciaMostrada();

  public:
    QGroupBox* fraConflitos;
    QListWidget* lstConflitos;
    QGroupBox* fraDecisao;
    QListWidget* lstDecisoes;
    QComboBox* cboMotivo;
    QLineEdit* txtObs;
    QPushButton* cmdNaoMesmaPessoa;
    QPushButton* cmdRemoverDecisao;
    QGroupBox* fraPrevia;
    QPlainTextEdit* txtPrevia;
    QCheckBox* chkConfirmar;
    QLabel* lblConfirmar;
    QLineEdit* txtMotivoConfirmacao;
    QPushButton* cmdOK;
    QPushButton* cmdCancelar;

  protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;
    // Enter merges once nothing is left to confirm; before that it leads to the confirmation
    // box, then to its reason.
    void keyPressEvent(QKeyEvent* evento) override;

  private:
    // Merge mode, the preview read and not refused, and every sign of different people
    // confirmed with a reason: what OK needs.
    bool ProntoParaUnificar() const;
    void AtualizarBotaoPadrao();
    bool Carregar(const QList<qint32>& fIDs);
    void MostrarConflitos();
    void MostrarDecisoes();
    void MostrarEvidencia();
    void evidenciaPronta();
    void AtualizarPrevia();
    QList<qint32> IdsVisiveis() const;

    std::unique_ptr<clsComparacaoPacientes> m_comparacao;
    clsValoresSobreviventes m_valores;
    std::unique_ptr<clsPreviaUnificacao> m_previa;
    QList<clsVerificacaoSeguranca::Conflito> m_conflitos;
    QVector<semelhanca::EvidenciaPar> m_evidencias;
    // Reads the register for the chart while the window is in use; replaced at each Iniciar.
    std::unique_ptr<TarefaEvidencia> m_tarefaEvidencia;
    ModeloComparacao* m_modelo = nullptr;
    QMenu* m_menuColunas = nullptr;
    bool m_unificacao = false;
    bool m_confirmado = false;
    bool m_previaLida = false;
};

// The main window's similar list: rows that belong to a pair decided "not the same person"
// with another listed row get a tooltip saying so (and an icon when they have none).
bool Decisao_MostrarMarcas(QListWidget& lista);

// Opens the comparison for review, modal over `pai`; fewer than two IDs show a message instead.
void CompararPacientes(QWidget* pai, const QList<qint32>& fIDs);

// The rest of a unify command once the base is chosen: the review (surviving values, what the
// merge will do, the conflicts to confirm), then every merge and the base's new values in one
// transaction, and the outcome message.
enum class ResultadoUnificacao { Cancelada, Unificada, Falhou, CadastroAusente };
ResultadoUnificacao UnificarRevisando(QWidget* pai, const QList<qint32>& fIDs, qint32 fID_Base);
