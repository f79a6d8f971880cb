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
// and the weight log2(m / u). Weights add up; with the prior odds that two records of the
// register are one person they give the probability shown as the 0..100 score.
//
// Nothing here is tuned to one register. u is measured on the register itself: the frequency
// of the value for an exact agreement (two MARIAs say far less than two YASMINs), pairs drawn
// at random for the other levels. m and the prior are learned from the register too, by
// expectation-maximisation over the pairs the blocking finds (AprendizadoEM.h), starting from
// the values below and held to them where the register cannot tell.
namespace semelhanca {

enum class Campo {
    Nome,
    NomeMeio,
    NomeUltimo,
    OrdemNomes,  // how the names were read: as typed, swapped, or redistributed
    Nascimento,
    Sexo,
    CIC,
    RG,
    Prontuario,
    Endereco,  // Endereço, Bairro, Cidade and CEP, finest agreement first
    Telefone,
};
constexpr int kCampos = 11;
// What is measured on households, in Parametros::familia.
enum Parente { kParesFamilia, kPrenomeFamilia, kMeioFamilia, kDataFamilia, kParentes };
constexpr int kBitsNivel = 4;  // levels of one field in a pattern of levels (at most 16)

// Level 0 of every field but OrdemNomes is "nulo": one side has nothing (NULL and empty alike).
// For most fields that is no evidence either way, so a missing document costs nothing; a
// middle name's absence says something of the person, and is a level like the others.
struct Nivel {
    const char* rotulo;  // the verdict shown to the reviewer
    double m;            // starting value
    double u;            // before measurement: a conservative guess
    bool porFrequencia;  // exact agreement: u is the value's own frequency
    // Bounds on the weight whatever is measured or learned: an agreement never counts against
    // a pair and a disagreement never for it, and evidence that random pairs cannot measure
    // (households share addresses and telephones) is held to what it can say.
    double minimo = -1e9;
    double maximo = 1e9;
    // m is learned from the register. Not for the disagreements of strong identifiers: the
    // pairs that show them are mostly relatives (one household, one family name), which the
    // learning would take for one person's records and so teach itself that years apart
    // or two issued CICs are common among them. Their m stays the rate of error studies give.
    bool aprendido = true;
    // u is measured on random pairs; otherwise it stays as written.
    bool medido = true;
};

struct DefinicaoCampo {
    const char* coluna;  // the Paciente column (or columns), as the reviewer knows it
    QVector<Nivel> niveis;
    bool temNulo = true;  // level 0 is "nulo"; otherwise level 0 is a level like the others
};

// The comparisons, in Campo order.
const std::array<DefinicaoCampo, kCampos>& Definicoes();
// A number that changes whenever a field or level changes: saved parameters of another
// version are learned again.
int VersaoDefinicoes();

// Levels of the fields that decide the household reading below.
namespace nivel {
constexpr int kNomeIgual = 1, kNomeSom = 2, kNomeUmErro = 3, kNomeParte = 4, kNomeMuitoParecido = 5,
              kNomePoucoParecido = 7, kNomeDiferente = 8;
constexpr int kEnderecoIgual = 1, kEnderecoQuase = 2, kEnderecoRua = 4;
constexpr int kTelefoneIgual = 1;
constexpr int kDataIgual = 1, kDataAnosDiferenca = 7;
constexpr int kMeioNulo = 0, kMeioIgual = 1, kMeioDiferente = 4, kMeioNuloNosDois = 5;
constexpr int kOrdemRedistribuidos = 2, kOrdemSobrenomeNoMeio = 3;
}  // namespace nivel

// Everything learned or measured on one register.
struct Parametros {
    std::array<QVector<double>, kCampos> m, u;
    // The other records of the same person a record has, on average (the share of records
    // that have one, when nobody has more); the prior odds of a pair are this over the
    // register's size.
    double duplicados = 0.10;
    // Households. Relatives share the family name and the place they live, so that these
    // say about a pair together far less than their weights would add up to. For the pairs of
    // the register that share both (the household reading, ModeloPontuacao::Familia), how
    // often two different people do, and how often two relatives agree on the rest:
    std::array<double, kParentes> familia = {0.0005, 0.02, 0.3, 0.02};
};

class ModeloPontuacao {
  public:
    ModeloPontuacao();

    const Parametros& Iniciais() const { return m_iniciais; }
    const Parametros& Atuais() const { return m_atuais; }
    void Definir(const Parametros& p);

    // A pair that agrees on the family name and on the place they live (street, CEP) or the
    // telephone may be one person
    // or two relatives of one household: the address and telephone say nothing between the
    // two, so they add nothing.
    static bool Familia(const std::array<quint8, kCampos>& n);
    // Two different first names (neither one slip apart nor very alike: LUCIA and LIVIA are
    // two) with one family name and one birth date: twins as often as one person, so the date
    // weighs what it does between relatives (the households' own u), in a household or not.
    static bool Gemeos(const std::array<quint8, kCampos>& n);

    // Whether the field's level weighs by the value's frequency: an exact agreement, but for a
    // family name read among the other record's middle names, whose value is in neither
    // family-name field.
    // Asked for every field of every pair compared: a bit per level, read from the
    // definitions once.
    static bool PorFrequencia(int campo, const std::array<quint8, kCampos>& n) {
        return (kNiveisPorFrequencia[size_t(campo)] >> n[size_t(campo)] & 1) &&
               !(campo == int(Campo::NomeUltimo) &&
                 n[size_t(Campo::OrdemNomes)] == nivel::kOrdemSobrenomeNoMeio);
    }

    // Weight of a level (u of the level, not of the value), within its bounds.
    double Peso(int campo, int nivel) const { return m_peso[size_t(campo)][size_t(nivel)]; }
    // Whether the field's absence is evidence: level 0 one side without it, the last level
    // neither side (the middle name).
    static bool Ausencia(int campo) { return campo == int(Campo::NomeMeio); }
    // Weight of an exact agreement on a value held by `frequencia` of the records that have
    // the field (0..1).
    double PesoPorFrequencia(int campo, int nivel, double frequencia) const;
    // The weight a field adds to a pair with these levels, given the value's frequency for
    // an exact agreement (negative: use the level's u) and the household reading.
    double PesoCampo(int campo, const std::array<quint8, kCampos>& n, double frequencia,
                     bool familia) const;

    // Prior odds, as log2, that two records of a register of `registros` patients are one
    // person.
    double PriorLog2(qint64 registros) const;
    // Probability as 0..100 from the total weight (prior included).
    static double Pontuacao(double pesoTotal) { return 100.0 / (1.0 + std::exp2(-pesoTotal)); }

    // u of each level from counts over random pairs (counts[campo][nivel]); levels measured
    // zero times get half a count, so that a rare level is not taken for impossible. Fields
    // found on both sides of fewer than 1,000 pairs keep their guesses.
    void MedirU(const std::array<QVector<qint64>, kCampos>& contagens);
    // The households' measures: how many pairs read as a household out of how many could
    // (both records with a family name and an address or telephone), and for each other
    // Parente how many of the relatives' pairs agree out of how many were looked at.
    struct ContagemFamilia {
        double pares = 0, possiveis = 0;
        std::array<double, kParentes> iguais{}, vistos{};
    };
    void MedirFamilia(const ContagemFamilia& c);
    // The share of records whose name fields read otherwise (a whole name in one field, a
    // compound given or family name): two strangers whose names agree only once re-read are
    // written differently when either of them is one of these.
    void MedirOutrasLeituras(double parte);

    // The table of every level: learned (or measured) and starting m and u, and the weight,
    // for --explain and the README.
    QString Tabela(qint64 registros) const;

  private:
    static const std::array<quint8, kCampos> kNiveisPorFrequencia;
    void calcularPesos();

    Parametros m_iniciais;
    Parametros m_atuais;
    std::array<QVector<double>, kCampos> m_peso;
    std::array<double, kCampos> m_presenca{};  // P(both have the field | two strangers)
    double m_pesoFamilia = 0;  // what a household says, in place of name, address, telephone
};

}  // namespace semelhanca
