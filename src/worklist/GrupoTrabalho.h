#pragma once

#include <QString>
#include <QVector>

// One group of records that may be one person, as a grouping hands it to the worklist. Its
// identity is the set of its members, whatever criteria brought them together: the same
// records found by names, by documents or by similarity are the same group, and a verdict on
// them holds wherever they appear together again.
struct GrupoTrabalho {
    QVector<qint32> membros;          // ID_Paciente, ascending
    QVector<double> pontuacaoMembro;  // similarity: each member's score, in the same order
    QString nome;                     // how the grouping names it (its first member's name)
    double pontuacao = -1;            // similarity: the group's score; -1 for exact groupings
    bool sinal = false;               // two members look like different people
};

// The key of a member set as the database keeps it: the SHA-1 of its sorted IDs in hex, so
// that a group of any size fits one short column.
QString ChaveGrupo(const QVector<qint32>& membros);
// The member set as text ("12,40,97") and back; an unreadable piece is skipped.
QString TextoMembros(const QVector<qint32>& membros);
QVector<qint32> MembrosDoTexto(const QString& texto);
// The members sorted and without repeats.
QVector<qint32> MembrosOrdenados(QVector<qint32> membros);
