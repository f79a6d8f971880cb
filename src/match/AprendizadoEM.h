#pragma once

#include <QtGlobal>
#include <array>
#include <utility>
#include <vector>

#include "match/ModeloPontuacao.h"

// Learning m and the prior from the register being searched, by expectation-maximisation
// over the candidate pairs (as the best probabilistic linkage tools do). The candidate pairs
// hold almost every pair of one person's records, and u is measured apart on random pairs, so
// each round asks of every pair how likely it is one person under the current m (the
// expectation), then takes as the new m the share of those likely pairs that fall into each
// level (the maximisation), until nothing moves. Pairs are counted by their pattern of levels
// and by what their values' frequencies add to it (a rare name agreeing says more than MARIA,
// and where the names are all there is, that is most of what tells one person from two):
// millions of candidate pairs fall into some tens of thousands of these, and a round costs that.
namespace semelhanca {

// kBitsNivel bits per field, Campo order; above them, in quarter bits, the weight the pair's
// values add to the pattern's own (ComFrequencia).
using Padrao = quint64;
Padrao Codificar(const std::array<quint8, kCampos>& niveis);
std::array<quint8, kCampos> Decodificar(Padrao p);
// The pattern with the weight its values' frequencies add to it, and that weight back. The
// weight depends on u and the values alone, never on m: learning leaves it as it is.
Padrao ComFrequencia(Padrao p, double peso);
double PesoDaFrequencia(Padrao p);

struct ResultadoEM {
    Parametros parametros;
    int iteracoes = 0;
    bool convergiu = false;
};

// `padroes`: each pattern of the candidate pairs with how many pairs show it, in any order
// (a pattern given more than once counts as their sum).
// `mesmaPessoa`: patterns of pairs the register's history says are one person; they count as
// certain pairs when there are enough of them to say something. `registros`: the register's
// size, which turns the learned share of pairs into the prior.
//
// Starts from `modelo`'s current parameters (u measured, m and prior at their starting
// values) and holds every m to its starting value with the weight of fifty pairs, so that a
// level the register rarely shows stays where it began instead of being set by a handful
// of pairs. Deterministic: the same patterns give the same parameters.
ResultadoEM AprenderEM(const ModeloPontuacao& modelo,
                       std::vector<std::pair<Padrao, qint64>> padroes,
                       const std::vector<Padrao>& mesmaPessoa, qint64 registros);

}  // namespace semelhanca
