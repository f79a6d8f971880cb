#pragma once

#include <QString>
#include <QVector>
#include <array>
#include <cmath>

// How much each kind of agreement or disagreement between two patient records says about
// them being one person. The model is Fellegi and Sunter's, as master-patient-index tools use
// it: every field comparison falls into one level, and each level carries
//     m = P(level | the two records are one person)      (how often people's own records differ)
//     u = P(level | they are two different people)       (how often strangers agree by chance)
// and the weight log2(m / u). Weights add up; with the prior odds of two records being one
// person they give the probability shown as the 0..100 score.
//
// m comes from how registers are typed (below, per level, with the reason); it cannot be
// measured without knowing the answer. u is measured on every run from the register itself:
// for exact agreement, from the frequency of the value (two MARIAs say far less than two
// YASMINs, and a placeholder CIC shared by hundreds of records says almost nothing); for the
// other levels, from pairs of records drawn at random, which are almost all different people.
namespace semelhanca {

enum class Campo {
    Nome,
    NomeMeio,
    NomeUltimo,
    Nascimento,
    Sexo,
    CIC,
    RG,
    Prontuario,
    CEP,
    Telefone,
};
constexpr int kCampos = 10;

// Level 0 of every field is "nulo": one side has nothing, which is no evidence either way
// (NULL and empty alike), so a missing middle name or document costs nothing.
struct Nivel {
    const char* rotulo;  // the verdict shown to the reviewer
    double m;
    double u;            // before measurement: a conservative guess
    bool porFrequencia;  // exact agreement: u is the value's own frequency
    // The most the level may weigh, whatever u is measured: a disagreement never counts for
    // a pair, and evidence that random pairs cannot measure (households share addresses and
    // telephones, some registers abbreviate every middle name) is held to what it can say.
    double maximo = 1e9;
};

struct DefinicaoCampo {
    const char* coluna;  // the Paciente column, as the reviewer knows it
    QVector<Nivel> niveis;
};

// The ten comparisons, in Campo order.
const std::array<DefinicaoCampo, kCampos>& Definicoes();

class ModeloPontuacao {
  public:
    ModeloPontuacao();

    // Weight of a level, with u from the measurement (or the definition's guess).
    double Peso(int campo, int nivel) const { return m_peso[size_t(campo)][size_t(nivel)]; }
    // Weight of an exact agreement on a value held by `frequencia` of the records that have
    // the field (0..1).
    double PesoPorFrequencia(int campo, int nivel, double frequencia) const;

    // u of each level from counts over random pairs (counts[campo][nivel]); levels measured
    // zero times get half a count, so a rare level is not taken for impossible.
    void MedirU(const std::array<QVector<qint64>, kCampos>& contagens);

    // Prior odds, as log2, that two records of a register of `registros` patients are one
    // person, when a share `duplicados` of the records has another record of the same person.
    static double PriorLog2(qint64 registros, double duplicados);
    // Probability as 0..100 from the total weight (prior included).
    static double Pontuacao(double pesoTotal) { return 100.0 / (1.0 + std::exp2(-pesoTotal)); }

    // Readable table of every level: label, m, u, weight (for --explain and the README).
    QString Tabela() const;

  private:
    std::array<QVector<double>, kCampos> m_u;
    std::array<QVector<double>, kCampos> m_peso;
};

}  // namespace semelhanca
