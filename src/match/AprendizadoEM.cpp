#include "AprendizadoEM.h"

#include <algorithm>
#include <cmath>

namespace semelhanca {

namespace {

constexpr double kParesDeApoio = 50;  // how much the starting m weighs against the register
constexpr int kMaximoIteracoes = 60;
constexpr double kConvergencia = 1e-4;   // largest change of any m, and of the prior's share
constexpr qint64 kMinimoHistorico = 30;  // labelled pairs that start to say something
constexpr double kPisoNomes = 3;         // a name's learned m is at least its starting m over this
// Below this many candidate pairs the register cannot outweigh the starting values: a few
// dozen pairs, most of them strangers, were read as one person each and taught m nonsense
// (two birth-date digits apart weighing for one person).
constexpr qint64 kMinimoPares = 4 * qint64(kParesDeApoio);

}  // namespace

Padrao Codificar(const std::array<quint8, kCampos>& niveis) {
    Padrao p = 0;
    for (int c = kCampos - 1; c >= 0; --c) p = (p << kBitsNivel) | niveis[size_t(c)];
    return p;
}

namespace {
constexpr int kBitsNiveis = kCampos * kBitsNivel;
constexpr Padrao kNiveis = (Padrao(1) << kBitsNiveis) - 1;
constexpr qint64 kLimiteQuartos = (qint64(1) << (63 - kBitsNiveis)) - 1;
}  // namespace

// Two's complement above the levels: a pattern without a weight of its values (a pair from
// the register's history) adds nothing.
Padrao ComFrequencia(Padrao p, double peso) {
    const qint64 quartos =
        std::clamp(qint64(std::llround(peso * 4)), -kLimiteQuartos, kLimiteQuartos);
    return (p & kNiveis) | (Padrao(quartos) << kBitsNiveis);
}

double PesoDaFrequencia(Padrao p) {
    return double(qint64(p) >> kBitsNiveis) / 4.0;
}

std::array<quint8, kCampos> Decodificar(Padrao p) {
    std::array<quint8, kCampos> n{};
    for (int c = 0; c < kCampos; ++c, p >>= kBitsNivel)
        n[size_t(c)] = quint8(p & ((1u << kBitsNivel) - 1));
    return n;
}

ResultadoEM AprenderEM(const ModeloPontuacao& modelo,
                       std::vector<std::pair<Padrao, qint64>> padroes,
                       const std::vector<Padrao>& mesmaPessoa, qint64 registros) {
    // Each pattern of levels together, so that its weight is worked out once a round, and
    // each pattern once, its counts added: the same patterns learn the same whatever order
    // (and however many threads) they were counted in.
    std::sort(padroes.begin(), padroes.end(), [](const auto& x, const auto& y) {
        return std::pair(x.first & kNiveis, x.first) < std::pair(y.first & kNiveis, y.first);
    });
    size_t unicos = 0;
    for (const auto& [padrao, quantos] : padroes) {
        if (unicos && padroes[unicos - 1].first == padrao)
            padroes[unicos - 1].second += quantos;
        else
            padroes[unicos++] = {padrao, quantos};
    }
    padroes.resize(unicos);
    const auto& d = Definicoes();
    const Parametros& inicial = modelo.Iniciais();
    ResultadoEM r;
    r.parametros = modelo.Atuais();
    qint64 pares = 0;
    for (const auto& p : padroes) pares += p.second;
    if (pares < kMinimoPares) {
        r.convergiu = true;  // nothing to learn: the starting values stand
        return r;
    }
    const double n = double(std::max<qint64>(registros, 2));
    const bool usarHistorico = qint64(mesmaPessoa.size()) >= kMinimoHistorico;
    ModeloPontuacao atual;
    for (r.iteracoes = 1; r.iteracoes <= kMaximoIteracoes; ++r.iteracoes) {
        atual.Definir(r.parametros);
        const double prior = atual.PriorLog2(registros);
        std::array<std::vector<double>, kCampos> contagem;
        for (int c = 0; c < kCampos; ++c)
            contagem[size_t(c)].assign(size_t(d[size_t(c)].niveis.size()), 0.0);
        double esperados = 0;
        const auto somar = [&](const std::array<quint8, kCampos>& niveis, double peso) {
            for (int c = 0; c < kCampos; ++c) contagem[size_t(c)][niveis[size_t(c)]] += peso;
        };
        // Expectation: how likely each pattern is one person under the current parameters.
        Padrao anterior = ~Padrao(0);
        std::array<quint8, kCampos> nv{};
        double pesoNiveis = 0;
        for (const auto& [padrao, quantos] : padroes) {
            if ((padrao & kNiveis) != anterior) {
                anterior = padrao & kNiveis;
                nv = Decodificar(padrao);
                const bool familia = ModeloPontuacao::Familia(nv);
                pesoNiveis = prior;
                for (int c = 0; c < kCampos; ++c) pesoNiveis += atual.PesoCampo(c, nv, -1, familia);
            }
            const double w = pesoNiveis + PesoDaFrequencia(padrao);
            const double p = 1.0 / (1.0 + std::exp2(-w));
            esperados += p * double(quantos);
            somar(nv, p * double(quantos));
        }
        if (usarHistorico)
            for (Padrao padrao : mesmaPessoa) somar(Decodificar(padrao), 1.0);
        // Maximisation: m is the share of the likely pairs in each level, held to its start.
        Parametros novo = r.parametros;
        double mudanca = 0;
        for (int c = 0; c < kCampos; ++c) {
            const auto& niveis = d[size_t(c)].niveis;
            const int primeiro = d[size_t(c)].temNulo ? 1 : 0;
            // Levels whose m stays fixed keep their share; the others share the rest.
            double fixo = 0, total = 0, inicialLivre = 0;
            for (int l = primeiro; l < niveis.size(); ++l) {
                if (niveis[l].aprendido) {
                    total += contagem[size_t(c)][size_t(l)];
                    inicialLivre += inicial.m[size_t(c)][l];
                } else {
                    fixo += inicial.m[size_t(c)][l];
                }
            }
            for (int l = primeiro; l < niveis.size(); ++l) {
                if (!niveis[l].aprendido)
                    continue;
                const double parte = (contagem[size_t(c)][size_t(l)] +
                                      kParesDeApoio * inicial.m[size_t(c)][l] / inicialLivre) /
                                     (total + kParesDeApoio);
                novo.m[size_t(c)][l] = parte * (1.0 - fixo);
            }
            // A name's levels of disagreement are held to a third of their starting m: learned
            // freely they ran away to nothing (m of "diferente" 3e-6 at a million records whose
            // known pairs of one person show 0.004), for a pair of one person
            // with a name typed very wrong scores low, and so teaches that such names are
            // never one person's. Not for the dates: a father and son of one name and
            // address are two digits of the year apart.
            if (c <= int(Campo::NomeUltimo)) {
                double livre = 0, levantado = 0;
                for (int l = primeiro; l < niveis.size(); ++l) {
                    if (!niveis[l].aprendido)
                        continue;
                    double& m = novo.m[size_t(c)][l];
                    const double minimo = inicial.m[size_t(c)][l] / kPisoNomes;
                    if (m < minimo) {
                        levantado += minimo - m;
                        m = minimo;
                    } else {
                        livre += m;
                    }
                }
                // What was raised is taken from the others, in proportion.
                for (int l = primeiro; l < niveis.size() && levantado > 0; ++l)
                    if (niveis[l].aprendido &&
                        novo.m[size_t(c)][l] > inicial.m[size_t(c)][l] / kPisoNomes)
                        novo.m[size_t(c)][l] *= (livre - levantado) / livre;
            }
            for (int l = primeiro; l < niveis.size(); ++l)
                if (niveis[l].aprendido)
                    mudanca = std::max(
                        mudanca, std::abs(novo.m[size_t(c)][l] - r.parametros.m[size_t(c)][l]));
        }
        // The prior: the expected pairs of one person over every pair of the register, as the
        // other records of its person a record has, on average. A register never cleaned can
        // hold people registered four or five times, well past one other a record; beyond
        // five the guess has run away from the data.
        novo.duplicados = std::clamp(2.0 * esperados / n, 0.001, 5.0);
        mudanca = std::max(mudanca, std::abs(novo.duplicados - r.parametros.duplicados));
        r.parametros = novo;
        if (mudanca < kConvergencia) {
            r.convergiu = true;
            break;
        }
    }
    r.iteracoes = std::min(r.iteracoes, kMaximoIteracoes);
    return r;
}

}  // namespace semelhanca
