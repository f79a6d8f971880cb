#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QVector>
#include <array>
#include <functional>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "worklist/GrupoTrabalho.h"
#include "worklist/VereditosRegistro.h"

enum class EstadoGrupo { Pendente, Unificado, NaoMesmaPessoa, SemSolucao, Adiado };
constexpr int kEstadosGrupo = 5;
// "pendente", "unificado", "não são a mesma pessoa", "sem solução", "adiado".
QString TextoEstado(EstadoGrupo estado);

// The worklist of a whole register: the groups of the current grouping, each with its state
// as the register keeps it (merged: PacienteLog; not the same person: Cadunir_Decisao, when
// every pair of the group is decided and still valid; no solution: a mark of a member in
// PacienteLogSemSolucao; put off: the program's own table Cadunir_ListaTrabalho), who set it
// and when, plus the merges the log tables hold. A pending group is whatever the grouping
// found and nobody decided; only verdicts, leases and put-offs are stored.
//
// Several administrators share it through the database. The group one of them has open is
// leased to that program (a row of Cadunir_ListaTrabalho dated by the database's own clock,
// renewed while the group stays open, lapsing kReservaSegundos after the last renewal, so a
// program that died lets go soon); another program neither opens it nor gives it a verdict.
// Every verdict runs in one transaction that first renews the lease and reads the register
// again: a group that meanwhile got a verdict elsewhere, or lost a record, is refused with the
// reason, so no group is merged twice and no verdict is lost.
class ListaTrabalho {
  public:
    static constexpr int kReservaSegundos = 120;

    struct Item {
        GrupoTrabalho grupo;      // as the grouping found it (a merge from the logs: all records)
        QVector<qint32> membros;  // those still in the register (a merged group keeps them all)
        QString chave;            // ChaveGrupo(membros)
        QString chaveGrupo;       // ChaveGrupo(grupo.membros), worked out once
        bool doLog = false;       // a merge read from the log tables, not a group of the grouping
        EstadoGrupo estado = EstadoGrupo::Pendente;
        Autoria autoria;  // who set the state and when (the verdict behind a pending reason)
        QString motivo;   // pending: why it is pending again (empty for a new group)
    };
    struct Contagem {
        int grupos = 0;
        int feitosHoje = 0;    // merged, decided or marked on the database's today
        int feitosPorMim = 0;  // by this administrator, any day
        std::array<int, kEstadosGrupo> porEstado{};
        int Pendentes() const { return porEstado[int(EstadoGrupo::Pendente)]; }
    };
    struct Filtro {
        // The states shown (bit 1 << EstadoGrupo): pending and put off; decided groups hidden.
        int estados = (1 << int(EstadoGrupo::Pendente)) | (1 << int(EstadoGrupo::Adiado));
        double pontuacaoMinima = 0;  // similarity groups only; exact ones always pass
        double pontuacaoMaxima = 100;
        bool soComSinal = false;  // only groups with a sign of different people
        int tamanhoMinimo = 2;
        int tamanhoMaximo = 0;  // 0: any
    };

    ListaTrabalho(Connection& fCN, clsADO& fADO, qint32 fID_Usuario);
    ~ListaTrabalho();  // lets the open group go
    ListaTrabalho(const ListaTrabalho&) = delete;
    ListaTrabalho& operator=(const ListaTrabalho&) = delete;

    // Creates Cadunir_ListaTrabalho when it is missing (at start-up, with the other tables of
    // the program); a failure is reported through MostrarMensagem and answers false.
    static bool CriarTabela(Connection& fCN, clsADO& fADO);

    // Takes the groups of a grouping and reads the register's verdicts on them. False with
    // Mensagem() when the register cannot be read (the list is then empty).
    bool Construir(const QVector<GrupoTrabalho>& fGrupos);
    // Reads what changed in the register since (other administrators' verdicts, leases, merges)
    // and updates the groups concerned.
    bool Atualizar();

    const QVector<Item>& Itens() const { return m_itens; }
    // The items looked at again since the last call (after Atualizar, an opening, a verdict):
    // the rows a view has to show anew.
    QSet<int> TomarMudados() { return std::exchange(m_mudados, {}); }
    const VereditosRegistro& Registro() const { return m_registro; }
    Contagem Contar() const;
    bool Passa(int fItem, const Filtro& fFiltro) const;
    // Another program has the group open: its lease (null when nobody else has it).
    const VereditosRegistro::Anotacao* ReservaDeOutro(int fItem) const;
    // The state, who and when, as one line ("adiado por gestor em 03/02/2026 10:15").
    QString Descricao(int fItem) const;
    // What the last refused or failed operation says, for the administrator.
    QString Mensagem() const { return m_mensagem; }

    // Opens a group: leases it to this program (letting the previous one go). False when
    // another program has it open or the database failed (Mensagem()).
    bool Abrir(int fItem);
    int Aberto() const { return m_aberto; }
    // Keeps the open group's lease; false (Mensagem()) when it was lost to another program.
    bool Renovar();
    void Fechar();
    // Opens the first pending group after position `fDepois` of `fOrdem` (the window's order;
    // from the top when fDepois is -1, wrapping round) that nobody else has open. Returns the
    // item, or -1 when no pending group is left.
    int AbrirProximo(const QVector<int>& fOrdem, int fDepois);

    // Verdicts on the open group (pending or put off). Each answers false with Mensagem() and
    // leaves the register unchanged when the group changed meanwhile or the database failed.
    bool Adiar();
    bool NaoSaoAMesmaPessoa(int fMotivo, const QString& fObservacao);
    // Runs a merge of the open group (fUnificar, the merge command over its members) inside
    // the verdict's transaction; fUnificar sets its own outcome and answers its success.
    bool Unificar(const std::function<bool(const QVector<qint32>&)>& fUnificar);
    // Before a dialog that writes on its own (the no-solution mark, the review's merge): the
    // lease is renewed and kept, and the group is still pending or put off. Atualizar after.
    bool ConferirAntesDeMarcar();
    // On a decided group: removes its decisions (with their trail).
    bool RemoverDecisao();
    // On a group with a no-solution mark: removes the marks of fID_Paciente through fRemover
    // (the no-solution dialog's removal, which keeps their trail) inside the verdict's
    // transaction.
    bool RemoverMarca(qint32 fID_Paciente, const std::function<bool(qint32)>& fRemover);

  private:
    enum class Reserva { Obtida, DeOutro, Falhou };

    bool veredito(int fEstadosAceitos, const std::function<bool()>& fAcao, bool fSoltar = true);
    Reserva reservar(int fItem);
    bool soltar();  // lets every lease of this program go
    void mudarAberto(int fItem);
    bool conferir(int fEstadosAceitos);
    bool lerMudancas();
    bool falhaBanco(const QString& etapa);
    void avaliar(int fItem);
    void avaliarTudo();
    void avaliarTocados();
    QString motivoPendente(const Item& item, Autoria& autoria) const;
    void indexarAdiados();
    void gravarMotivos();
    bool executar(const QString& sql);

    Connection& m_cn;
    clsADO& m_ado;
    qint32 m_usuario;
    QString m_sessao;
    VereditosRegistro m_registro;
    QVector<Item> m_itens;
    QMultiHash<qint32, int> m_porMembro;  // record -> items that hold it
    QHash<QString, int> m_porChave;
    // Put-offs whose members no longer form any group of the list, by member: how a group tells
    // that its members changed since it was put off.
    QHash<qint32, QVector<QString>> m_adiadosPorMembro;
    QSet<int> m_motivosAGravar;
    QSet<int> m_mudados;
    int m_aberto = -1;
    QString m_mensagem;
};
