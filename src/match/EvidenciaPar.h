#pragma once

#include <QList>
#include <QString>
#include <QVector>
#include <functional>

#include "match/LocalizadorSemelhantes.h"

class Connection;
class clsADO;

// Why the finder scores a pair as it does: the prior odds and each field's verdict with the
// weight it added, in the order the score adds them up. What cadunir-find --pairs prints, the
// main window's hint over a group and the comparison window's chart all read it from here.
namespace semelhanca {

struct ItemEvidencia {
    QString coluna;    // the Paciente column (or columns) compared, as --pairs heads it
    QString legenda;   // the field as the reviewer knows it
    QString veredito;  // the level's verdict ("igual", "dia e mês trocados", "nulo")
    double peso = 0;   // log2 of the odds it adds (negative: against one person)
    // False when the field says nothing either way (empty on a side, names read as typed):
    // shown without a weight.
    bool pesa = true;
    // False for the names read as typed: nothing worth a line.
    bool mostrar = true;
};

struct EvidenciaPar {
    qint32 idA = 0, idB = 0;
    double prior = 0;  // log2 of the prior odds that two records of the register are one
    QVector<ItemEvidencia> campos;
    double total = 0;      // prior plus every weight
    double pontuacao = 0;  // the score, 0..100
};

// Whether a field's verdict at `nivel` carries a weight: every level but "nulo" (nothing on a
// side), so that --pairs and the windows show the same verdicts with weights.
bool Pesa(int campo, int nivel);

// The evidence of two records of a search that has scored (or prepared to score) its register.
EvidenciaPar Evidencia(const LocalizadorSemelhantes& busca, quint32 a, quint32 b);
// The same for a pair the search kept, from the levels it found.
EvidenciaPar Evidencia(const LocalizadorSemelhantes& busca, const ParCandidato& par);

// Reads the register as a similarity search does (saved parameters, learned and saved when
// there are none) without comparing its pairs, and gives the evidence of every pair of `ids`
// in order ((1st, 2nd), (1st, 3rd)... (2nd, 3rd)...); IDs no longer in Paciente are left out.
// False with `erro` when the register cannot be read or `parar` (asked between pages) said stop.
bool EvidenciasDosPares(Connection& cn, clsADO& ado, const QList<qint32>& ids,
                        QVector<EvidenciaPar>& pares, QString& erro,
                        std::function<bool()> parar = {});

}  // namespace semelhanca
