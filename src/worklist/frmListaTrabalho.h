#pragma once

#include <QString>
#include <QVector>
#include <QWidget>
#include <functional>
#include <memory>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "worklist/GrupoAberto.h"
#include "worklist/GrupoTrabalho.h"
#include "worklist/ListaTrabalho.h"

class ColunasLembradas;
class QCheckBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableView;
class QTableWidget;
class QTimer;
class FiltroListaTrabalho;
class ModeloListaTrabalho;

// "Lista de trabalho": the groups of the current grouping with their states, worked through at
// the keyboard. The group chosen in the list is open (leased to this program); its records
// are listed under it with the base a merge keeps marked. One key per verdict on it (see the
// README's table), after which the next pending group is open and the focus stays in the list.
// A window over ListaTrabalho: what it decides and stores is the core's.
class frmListaTrabalho : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kAtualizarMs = 30000;  // other administrators' verdicts, leases renewed

    frmListaTrabalho(Connection& fCN, clsADO& fADO, qint32 fID_Usuario, QWidget* parent = nullptr);
    ~frmListaTrabalho() override;

    // Shows the groups of a grouping (fSemelhanca: by similarity, with scores) and opens the
    // first pending one. False when the register cannot be read (the message was shown).
    bool Iniciar(const QVector<GrupoTrabalho>& fGrupos, bool fSemelhanca);

    // While the groups are being read (or when they could not be): the text in place of the
    // last outcome, the verdicts held until Iniciar.
    void Aguardar(const QString& texto);

    // Every write of the window runs through this (the main window steps its quiet
    // re-grouping aside); by default the write just runs.
    using AoRedorDeEscrita = std::function<void(const std::function<void()>&)>;
    void DefinirAoRedorDeEscrita(AoRedorDeEscrita fFuncao) {
        m_aoRedorDeEscrita = std::move(fFuncao);
    }

    // Adds a command to the row of commands, before "Atualizar" (the batch merge's place).
    void AdicionarComando(QPushButton* botao);

    ListaTrabalho& Lista() { return *m_lista; }
    const GrupoAberto& Grupo() const { return *m_grupo; }

    void cmdUnificar_Click();
    void cmdNaoMesmaPessoa_Click();
    void cmdSemSolucao_Click();
    void cmdAdiar_Click();
    void cmdComparar_Click();
    void cmdRevisar_Click();
    void cmdRemoverDecisao_Click();
    void cmdRemoverMarca_Click();
    void cmdAtualizar_Click();
    // "Unificar lote...": the certain groups of the whole register merged as one batch.
    void cmdUnificarLote_Click();

    QLabel* lblProgresso;
    QCheckBox* chkPendente;
    QCheckBox* chkAdiado;
    QCheckBox* chkUnificado;
    QCheckBox* chkNaoMesmaPessoa;
    QCheckBox* chkSemSolucao;
    QCheckBox* chkSinal;
    QSpinBox* spnPontuacaoMinima;
    QSpinBox* spnPontuacaoMaxima;
    QSpinBox* spnTamanhoMinimo;
    QSpinBox* spnTamanhoMaximo;
    QTableView* tblGrupos;
    QTableWidget* tblMembros;
    QLabel* lblSinais;
    QLabel* lblResultado;
    QPushButton* cmdUnificar;
    QPushButton* cmdNaoMesmaPessoa;
    QPushButton* cmdSemSolucao;
    QPushButton* cmdAdiar;
    QPushButton* cmdComparar;
    QPushButton* cmdRevisar;
    QPushButton* cmdRemoverDecisao;
    QPushButton* cmdRemoverMarca;
    QPushButton* cmdAtualizar;
    QPushButton* cmdUnificarLote;

  signals:
    // A merge or an undone verdict changed the register: the main window groups again.
    void registroMudou();

  private:
    void montar();
    void aplicarFiltro();
    void linhaEscolhida();
    void mostrarGrupo();
    void mostrarProgresso();
    void mostrarMudancas();
    // After a verdict on item fItem: the next pending group, in the list's order.
    void proximo(int fItem, int fPosicao);
    // A verdict on item fItem (at fPosicao before any dialog), written around the quiet
    // re-grouping: refused, the reason is shown; done, fFeito says so and the next group opens.
    bool registrar(int fItem, int fPosicao, const std::function<bool()>& fVeredito,
                   const QString& fFeito);
    void escolherLinha(int fItem);
    void voltarFoco();
    void escrever(const std::function<void()>& escrita);
    bool exigirAberto();
    void recusar(const QString& texto);
    void reabrir(int fItem);
    QList<qint32> idsDoGrupo() const;
    int membroAtual() const;
    int posicao(int fItem) const;

    Connection& m_cn;
    clsADO& m_ado;
    qint32 m_usuario;
    std::unique_ptr<ListaTrabalho> m_lista;
    std::unique_ptr<GrupoAberto> m_grupo;
    ModeloListaTrabalho* m_modelo;
    FiltroListaTrabalho* m_filtro;
    QHBoxLayout* m_linhaComandos = nullptr;
    QTimer* m_relogio;
    ColunasLembradas* m_colunasGrupos = nullptr;
    ColunasLembradas* m_colunasMembros = nullptr;
    bool m_semelhanca = false;
    bool m_escolhendo = false;         // the window moves the current row itself
    int m_ultimoMotivo = 0;            // "não são a mesma pessoa", the reason used last
    qint32 m_ultimaJustificativa = 0;  // "sem solução", the reason used last
    AoRedorDeEscrita m_aoRedorDeEscrita;
};
