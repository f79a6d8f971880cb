#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QVector>
#include <functional>
#include <memory>

#include "main/ConsultaEmSegundoPlano.h"
#include "main/clsPacienteCriterio.h"
#include "match/ModeloGrupos.h"

// The grouping behind the main window, without its widgets: which grouping runs (the exact one
// of the ticked criteria, the similarity search, or the quiet re-grouping after a write), on
// the worker's own connection, with its criteria, its clock and stage, its cancel, and the
// step aside a write of the window asks of a quiet re-grouping. The window starts groupings
// here and takes their results in when `terminou` arrives; it never waits for one.
//
// An exact grouping and a similarity search hold the window (its result will replace what is
// on screen, so the window takes no input meanwhile); a quiet re-grouping does not.
class SessaoAgrupamento : public QObject {
    Q_OBJECT

  public:
    enum class Tipo { Nenhum, Exato, Semelhanca, Reagrupamento };
    Q_ENUM(Tipo)

    explicit SessaoAgrupamento(QObject* parent = nullptr);
    ~SessaoAgrupamento() override;

    // The register the worker connects to; read when the first grouping starts.
    void DefinirConexao(const QString& connectionString) { m_connectionString = connectionString; }

    // The exact grouping of `criterio`, which becomes the current criteria at once, even when
    // it is refused: false, and nothing starts, when it chooses no field. The criteria of the
    // result on screen come back if the grouping is cancelled.
    bool AgruparExato(std::unique_ptr<clsPacienteCriterio> criterio);
    // The similarity search over the whole register, best groups first.
    void AgruparSemelhanca(const semelhanca::OpcoesBusca& opcoes = {});
    // Runs the grouping query of the result on screen again, quietly.
    void Reagrupar(const QString& sql);
    // Stops the grouping that holds the window; its outcome arrives as cancelled. A quiet
    // re-grouping goes on (the window's Cancel and Esc are about what holds it).
    void Cancelar();

    // Runs `escrita`, a write of the window's, with the quiet re-grouping stopped first: its
    // read must not hold the register under the write. It runs again afterwards when it was
    // running and the write started no grouping of its own.
    void AoRedorDeEscrita(const std::function<void()>& escrita);

    Tipo Executando() const { return m_tipo; }
    bool Agrupando() const { return m_tipo != Tipo::Nenhum; }
    bool SegurandoEntrada() const { return m_tipo == Tipo::Exato || m_tipo == Tipo::Semelhanca; }
    // "Agrupando... 1,2 s", with the similarity search's stage when it tells one.
    QString TextoProgresso() const;

    // Runs the event loop until no grouping runs, or for at most `limiteMs`: true when none
    // runs. The thread sleeps until the worker delivers; only tests, benchmarks and the demo
    // wait this way, the window never does.
    bool Aguardar(int limiteMs);

    // The criteria of the last exact grouping started (after a cancel, of the one on screen).
    clsPacienteCriterio& Criterio();
    // The same with the values of the current row of `rs`, the grouping's result: a column
    // named as a criterion gives that criterion its value (a NULL the empty text).
    clsPacienteCriterio& CriterioDaLinha(Recordset& rs);
    // The outcome of the grouping that has just ended; its rows may be moved out.
    ConsultaEmSegundoPlano::Desfecho& Resultado() { return consulta().Resultado(); }
    // The similarity search's groups, when a search has just ended well; may be moved out.
    QVector<ModeloGrupos::Grupo>& GruposEncontrados() { return m_grupos; }
    // What to tell of a grouping that has just failed; empty when it worked or was cancelled.
    QString MensagemDeFalha(Tipo tipo);

    // Takes a quiet re-grouping that has just ended well into `rs`, the result on screen it
    // grouped again: the current row stays on the same group when that is still a group
    // (`manteve`). False, changing nothing, when there is nothing to take (it failed, was
    // cancelled, or `rs` shows another grouping by now).
    bool AdotarReagrupamento(Recordset& rs, Connection& cn, bool& manteve);
    // Drops the current row of the result on screen (a group merged away), in memory only.
    static bool TirarLinhaAtual(Recordset& rs, Connection& cn);

  signals:
    // A grouping that holds the window has started while none held it.
    void segurou();
    // A grouping has ended (done, failed or cancelled): read Resultado(), and for a search
    // GruposEncontrados(). Executando() is already Nenhum.
    void terminou(SessaoAgrupamento::Tipo tipo);

  private:
    ConsultaEmSegundoPlano& consulta();
    void iniciar(Tipo tipo);
    void chegou();

    struct Busca;  // the search's output and stage, written by the worker thread
    QString m_connectionString;
    std::unique_ptr<ConsultaEmSegundoPlano> m_consulta;
    Tipo m_tipo = Tipo::Nenhum;
    QElapsedTimer m_relogio;  // since the grouping that holds the window started
    QString m_sqlReagrupamento;
    std::unique_ptr<clsPacienteCriterio> m_criterio;
    std::unique_ptr<clsPacienteCriterio> m_criterioAnterior;  // back in place after a cancel
    std::shared_ptr<Busca> m_busca;
    QVector<ModeloGrupos::Grupo> m_grupos;
};
