#pragma once

#include <QDateTime>
#include <QHash>
#include <QMap>
#include <QSet>
#include <QString>
#include <QVector>
#include <utility>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"

// Who set a verdict and when.
struct Autoria {
    qint32 usuario = 0;
    QDateTime data;
};

// The verdicts on records as the register keeps them, read into memory: merges from PacienteLog
// (less those undone, Cadunir_UnificacaoDesfeita), "not the same person" decisions from
// Cadunir_Decisao, no-solution marks from PacienteLogSemSolucao, the trails of removed decisions
// and marks, and the worklist's own rows (Cadunir_ListaTrabalho: put-offs, why a group went
// back to pending, leases). Ler reads it all; LerMudancas reads only what was written since
// (new rows by their keys, recent merges by their date), so that another administrator's
// verdict shows after the next action without reading the register again.
class VereditosRegistro {
  public:
    enum TipoAnotacao { Adiado = 1, Pendente = 2, Reserva = 3 };
    struct Unificacao {
        qint32 removido = 0;
        qint32 novo = 0;  // the record it was merged into
        Autoria autoria;
        QString nome;  // the removed record's full name, as logged
    };
    // One merge command: the records removed into one survivor by one administrator at once.
    struct Comando {
        qint32 novo = 0;
        QVector<qint32> removidos;  // ascending
        Autoria autoria;
        QString nome;  // the first removed record's logged name
    };
    struct Decisao {
        qint32 id = 0;
        int motivo = 0;
        Autoria autoria;
        bool valida = true;  // false: a record changed or went since, it needs a new look
    };
    // A row of Cadunir_ListaTrabalho.
    struct Anotacao {
        QString chave;
        int tipo = 0;
        QVector<qint32> membros;
        QString motivo;
        Autoria autoria;
        QString sessao;
    };

    VereditosRegistro(Connection& fCN, clsADO& fADO);

    // False with Erro() when a read failed; what was read before stays.
    bool Ler();
    bool LerMudancas();
    QString Erro() const { return m_erro; }
    // The records and worklist keys whose verdicts changed in the reads since the last call:
    // what a worklist has to look at again.
    QSet<qint32> TomarTocados() { return std::exchange(m_tocados, {}); }
    QSet<QString> TomarChavesTocadas() { return std::exchange(m_chavesTocadas, {}); }

    // The database's own time (getdate()) at the last read.
    QDateTime AgoraServidor() const { return m_agora; }

    // The merge that removed the record (the newest one not undone), or null.
    const Unificacao* Removido(qint32 id) const;
    QVector<Comando> Comandos() const;
    // The undo of a merge of `removido` into `novo`, or null.
    const Autoria* Desfeita(qint32 removido, qint32 novo) const;

    // The decision on a pair, or null.
    const Decisao* DecisaoDoPar(qint32 a, qint32 b) const;
    const Autoria* DecisaoRemovida(qint32 a, qint32 b) const;
    bool TemDecisoes() const { return !m_decisoes.isEmpty() || !m_decisoesRemovidas.isEmpty(); }

    // The patient's first no-solution mark, or null.
    const Autoria* Marca(qint32 id) const;
    const Autoria* MarcaRemovida(qint32 id) const;

    const QHash<QString, Anotacao>& Anotacoes(TipoAnotacao tipo) const {
        return m_anotacoes[tipo - 1];
    }

    // The administrator's name as the user table has it ("usuário 7" when it cannot tell).
    QString NomeUsuario(qint32 id) const;

  private:
    bool lerLog(bool tudo);
    bool lerDesfeitas();
    bool lerDecisoes();
    bool lerMarcas();
    bool lerAnotacoes();
    bool lerUsuarios();
    bool abrir(Recordset& rs, const QString& sql);
    void derivarUnificacoes();

    Connection& m_cn;
    clsADO& m_ado;
    QString m_erro;
    QDateTime m_agora;
    bool m_temDecisoes = false, m_temDecisoesRemovidas = false, m_temMarcasRemovidas = false,
         m_temDesfeitas = false, m_temLista = false, m_temLog = true, m_temMarcas = true;

    QVector<Unificacao> m_log;
    QSet<QString> m_logLido;
    QDateTime m_ultimaDataLog;
    QHash<QString, Autoria> m_desfeitas;  // by the log row's key
    QHash<qint32, Unificacao> m_removidos;
    QHash<quint64, Autoria> m_desfeitasPorPar;

    QHash<quint64, Decisao> m_decisoes;
    QHash<quint64, Autoria> m_decisoesRemovidas;
    qint32 m_ultimaDecisao = 0, m_ultimaDecisaoRemovida = 0;

    QHash<qint32, QMap<qint32, Autoria>> m_marcas;  // patient -> its marks by key
    QHash<qint32, Autoria> m_marcasRemovidas;
    qint32 m_ultimaMarca = 0, m_ultimaMarcaRemovida = 0;

    QHash<QString, Anotacao> m_anotacoes[3];
    QSet<qint32> m_tocados;
    QSet<QString> m_chavesTocadas;
    QHash<qint32, QString> m_usuarios;
    bool m_usuariosLidos = false;
};

// The key of an unordered pair of records.
inline quint64 ChavePar(qint32 a, qint32 b) {
    if (a > b) {
        std::swap(a, b);
    }
    return (quint64(quint32(a)) << 32) | quint32(b);
}
