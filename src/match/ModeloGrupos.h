#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QString>
#include <QVector>

#include "match/LocalizadorSemelhantes.h"

class Connection;
class Recordset;
class clsADO;

// The candidate groups of a similarity search as the main window's grid shows them: one row
// per group, best first, with a readable name, the number of records and the score (the
// weakest link that holds the group together). A group whose members include two that look
// like different people (by the same signs the review shows before a merge, a decision, a
// no-solution mark, or a low score between two members) says so in its tooltip and status
// column, so that a chain A~B~C is never merged blindly. Pairs decided "not the same person"
// never join a group.
class ModeloGrupos : public QAbstractTableModel {
    Q_OBJECT

  public:
    struct Grupo {
        QString nome;                     // the first member's full name, as typed
        QVector<qint32> ids;              // ID_Paciente of the members, in register order
        QVector<double> pontuacaoMembro;  // each member's weakest score against the others
        double pontuacao = 0;
        double menorPar = 0;
        bool conflito = false;
        // What the reviewer must check before merging: the signs of different people among
        // the members (the review's own), a decision or a no-solution mark, two members who
        // score low against each other.
        QString observacao;
        // Why: the field-by-field verdicts and weights of the group's weakest pair of members
        // (the one a reviewer most needs to see), one line per field.
        QString explicacao;
    };
    enum Coluna { ColNome, ColRegistros, ColPontuacao, ColObservacao, Colunas };

    explicit ModeloGrupos(QObject* parent = nullptr);

    // Reads the register once and finds its candidate groups, touching no model: the window
    // runs it on a worker thread. False with `erro` when the read failed or was stopped;
    // `aviso` tells what went wrong without stopping it (learned parameters not saved).
    static bool Buscar(Connection& cn, clsADO& ado, const semelhanca::OpcoesBusca& opcoes,
                       QVector<Grupo>& grupos, QString& erro,
                       const semelhanca::LocalizadorSemelhantes::Progresso& progresso = {},
                       QString* aviso = nullptr);
    void Definir(QVector<Grupo> grupos);
    const QVector<Grupo>& Grupos() const { return m_grupos; }

    // The query of the similar-patient list for a group: the same columns and full-name
    // expression as the exact grouping's list, for exactly the group's members. Empty for a
    // row that does not exist.
    QString ObterSQLMembros(int linha) const;
    // Each member's score (ID -> score) of a row; empty for a row that does not exist.
    QHash<qint32, double> PontuacoesMembros(int linha) const;
    // The row of the group that holds the patient; -1 when none does.
    int LinhaDoPaciente(qint32 id) const;
    // Opens that query in fRS (the window's list record set). False with fADO's failure, or
    // when the row does not exist (fRS is then left as it was).
    bool AbrirMembros(Connection& fCN, clsADO& fADO, Recordset& fRS, int linha) const;

    // After a merge: drops the group's members that are no longer in Paciente. A group left
    // with fewer than two members disappears. False with Erro() when the check failed.
    bool Conferir(Connection& cn, clsADO& ado, int linha);

    QString Erro() const { return m_erro; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  private:
    QVector<Grupo> m_grupos;
    QString m_erro;
};
