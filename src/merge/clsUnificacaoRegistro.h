#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "patient/clsError.h"

// What the log tables cannot hold about a merge, recorded by this program in tables of its own
// (Cadunir_Unificacao...) in the merge's own transaction: the removed record's plan and exact
// birth date, its exam rows (by ID_Exame) with their copy of its data, the survivor's values
// right before and right after the merge, and which merges were undone, by whom and when.

// The 27 patient columns the log tables share with Paciente, in the log's order.
const QStringList& ColunasPacienteLogadas();
// The columns in which Exame and Exame_BK keep a copy of their patient's data.
const QStringList& ColunasCopiaExame();
// The column of that copy for a column of Paciente (the three names make "Paciente", the full
// name, and are not here).
const QHash<QString, QString>& CopiaNoExame();

class clsUnificacaoRegistro {
  public:
    clsUnificacaoRegistro(Connection& fCN, clsADO& fADO);

    clsError& Erro() { return m_erro; }

    // Creates the program's own merge tables that are missing (the log tables must exist
    // already); a table that cannot be made is reported through MostrarMensagem.
    bool CriarTabelas();

    // The two halves of recording one merge command, both inside the command's transaction and
    // sending no transaction calls of their own (a failure is the command's to roll back; Erro
    // holds it). Before the merges: reads what the log rows will not carry about the copies.
    bool Preparar(qint32 fID_PacienteBase, const QList<qint32>& fCopias);
    // What a merge keeps besides: the batch it belongs to (0: none), and, for a merge
    // confirmed over signs of different people, those signs and the administrator's reason.
    struct Anotacao {
        struct Sinal {
            int tipo = 0;
            QString ids;  // the records concerned, "12, 40"
            QString texto;
        };
        qint32 lote = 0;
        QList<Sinal> sinais;
        QString motivo;
    };

    // After the merges (and the survivor's update, when fSobreviventeAtualizado): records it
    // for each copy the command removed, and the survivor's values as the command left them.
    bool Registrar(qint32 fID_Usuario, bool fSobreviventeAtualizado, const Anotacao& fAnotacao);

  private:
    bool Falhar(const QString& procedimento);
    // Gives fTabela the column of the command's number (and its index) when it lacks them.
    bool NumerarComandos(const QString& fTabela);
    // Index IX_<table>_<fNome> on fColuna, made when missing (or just made by another program).
    bool Indexar(const QString& fTabela, const QString& fNome, const QString& fColuna);
    bool Ler(const QString& sql, QVariant& valor);
    // Table, ID_Exame and ColunasCopiaExame() of a patient's exam rows.
    bool LerCopias(qint32 fID_Paciente, QList<QPair<QString, QVariantList>>& fCopias);
    // Into Cadunir_UnificacaoExame, after `chave` (the command's number, the key's four values
    // and a comma).
    bool GravarCopias(const QString& chave, const QList<QPair<QString, QVariantList>>& fCopias);

    // A removed record's values the log rows do not keep.
    struct Perdido {
        qint32 id = 0;
        QVariant plano;
        QVariant nascimento;
        // Its exam rows' copy of the patient data, per table: a later update of the survivor
        // rewrites the copies of every exam it holds, and an undo gives these back.
        QList<QPair<QString, QVariantList>> copias;
    };

    Connection& m_cn;
    clsADO& m_ado;
    clsError m_erro;
    qint32 m_base = 0;
    QList<Perdido> m_perdidos;
    // The base's own exam rows' copy, which the survivor's update rewrites: an undo that gives
    // the survivor its values back gives these back too.
    QList<QPair<QString, QVariantList>> m_copiasBase;
    // The base's row before the command, as SQL literals in ColunasPacienteLogadas() order.
    QStringList m_valoresBase;
};
