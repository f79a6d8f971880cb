#include "ModeloPontuacao.h"

#include <QStringList>
#include <algorithm>

namespace semelhanca {

// m of each level: the share of one person's pairs of records that fall into it, when both
// records have the field. The figures follow the error rates reported for manually keyed
// hospital registers (a few per cent of names mistyped or spelled another way, one in ten to
// twenty middle names dropped or abbreviated, one to five per cent of birth dates wrong, most
// of them one digit or day and month swapped, sex wrong in about one per cent to three per
// cent). They are deliberately not sharp: a level that is rare among one person's records
// still gets enough m that a single slip never sinks a pair that agrees on everything else.
const std::array<DefinicaoCampo, kCampos>& Definicoes() {
    static const std::array<DefinicaoCampo, kCampos> d = {{
        {"Nome",
         {
             {"nulo", 1, 1, false},
             {"igual", 0.86, 0.01, true},
             // Sounds alike in Portuguese (LUIS/LUIZ, THIAGO/TIAGO).
             {"mesmo som", 0.06, 0.003, false},
             // One slip of the keyboard (MARCIA/MRACIA, ROBERTO/ROBERO).
             {"quase igual", 0.03, 0.005, false},
             // An initial or half of a compound name (J / JOSE, MARIA / MARIA JOSE).
             {"inicial ou parte", 0.01, 0.01, false, 4},
             {"parecido", 0.02, 0.02, false},
             {"diferente", 0.02, 0.95, false, 0},
         }},
        {"Nome_Meio",
         {
             {"nulo", 1, 1, false},
             {"igual", 0.78, 0.02, true},
             // Abbreviated or partly dropped (A / APARECIDA, DE SOUZA / SOUZA, DE FATIMA /
             // DAS GRACAS DE FATIMA): the commonest way middle names differ.
             {"abreviado ou parte", 0.12, 0.02, false},
             {"parecido", 0.05, 0.01, false},
             // Middle names change with marriage, so a different one is weaker evidence than
             // a different first or last name.
             {"diferente", 0.05, 0.95, false, 0},
         }},
        {"Nome_Último",
         {
             {"nulo", 1, 1, false},
             {"igual", 0.86, 0.01, true},
             {"mesmo som", 0.05, 0.003, false},
             {"quase igual", 0.03, 0.005, false},
             {"inicial ou parte", 0.01, 0.01, false, 4},
             {"parecido", 0.02, 0.02, false},
             // Surnames change with marriage too.
             {"diferente", 0.03, 0.95, false, 0},
         }},
        {"Data_Nascimento",
         {
             {"nulo", 1, 1, false},
             {"igual", 0.92, 0.0001, true},
             {"dia e mês trocados", 0.02, 0.00001, false, 12},
             // One digit wrong or two neighbours swapped (1970 / 1907, 12 / 21).
             {"um dígito", 0.05, 0.0005, false},
             {"até 3 anos", 0.005, 0.06, false, 0},
             // Years apart and no typing slip explains it: two people.
             {"anos de diferença", 0.002, 0.94, false, 0},
         }},
        {"Sexo",
         {
             {"nulo", 1, 1, false},
             {"igual", 0.97, 0.5, false},
             {"diferente", 0.03, 0.5, false, 0},
         }},
        {"CIC",
         {
             {"nulo", 1, 1, false},
             {"igual e válido", 0.90, 0.00001, true},
             {"igual, sem dígito válido", 0.03, 0.0001, true},
             {"um dígito", 0.04, 0.0001, false, 10},
             // Two numbers that were each really issued belong to two people (a child
             // registered under a parent's number is the rare exception m leaves room for).
             {"diferentes e válidos", 0.001, 0.98, false, 0},
             {"diferente", 0.02, 0.02, false, 0},
         }},
        {"RG",
         {
             {"nulo", 1, 1, false},
             {"igual", 0.88, 0.00001, true},
             // One digit, or the check digit typed on one record and not on the other.
             {"quase igual", 0.07, 0.0002, false, 10},
             // RGs are issued per state, so one person may hold two: weaker than the CIC.
             {"diferente", 0.05, 0.99, false, 0},
         }},
        {"Prontuário",
         {
             {"nulo", 1, 1, false},
             // Each registration usually gets a chart number of its own, so an equal one is
             // strong evidence and a different one almost none.
             {"igual", 0.15, 0.00001, true},
             {"diferente", 0.85, 0.99999, false, 0},
         }},
        {"CEP",
         {
             {"nulo", 1, 1, false},
             {"igual", 0.6, 0.01, false, 3},
             // People move.
             {"diferente", 0.4, 0.99, false, 0},
         }},
        {"Telefone",
         {
             {"nulo", 1, 1, false},
             {"igual", 0.55, 0.0001, false, 5},
             {"diferente", 0.45, 0.9999, false, 0},
         }},
    }};
    return d;
}

ModeloPontuacao::ModeloPontuacao() {
    const auto& d = Definicoes();
    for (int c = 0; c < kCampos; ++c) {
        const auto& niveis = d[size_t(c)].niveis;
        m_u[size_t(c)].resize(niveis.size());
        m_peso[size_t(c)].resize(niveis.size());
        for (int n = 0; n < niveis.size(); ++n) {
            m_u[size_t(c)][n] = niveis[n].u;
            m_peso[size_t(c)][n] =
                n == 0 ? 0.0 : std::min(niveis[n].maximo, std::log2(niveis[n].m / niveis[n].u));
        }
    }
}

double ModeloPontuacao::PesoPorFrequencia(int campo, int nivel, double frequencia) const {
    const double m = Definicoes()[size_t(campo)].niveis[nivel].m;
    // Never more than the rarest value can say (one in a million), never below zero for an
    // agreement: a very common value is no evidence, not evidence against.
    const double u = std::clamp(frequencia, 1e-6, 1.0);
    return std::max(0.0, std::log2(m / u));
}

void ModeloPontuacao::MedirU(const std::array<QVector<qint64>, kCampos>& contagens) {
    const auto& d = Definicoes();
    for (int c = 0; c < kCampos; ++c) {
        const auto& niveis = d[size_t(c)].niveis;
        const QVector<qint64>& cont = contagens[size_t(c)];
        qint64 total = 0;
        for (int n = 1; n < cont.size(); ++n) total += cont[n];
        if (total < 1000)
            continue;  // too few pairs with the field on both sides: keep the guesses
        for (int n = 1; n < niveis.size(); ++n) {
            if (niveis[n].porFrequencia)
                continue;
            const double u = (double(cont[n]) + 0.5) / double(total + 1);
            m_u[size_t(c)][n] = u;
            m_peso[size_t(c)][n] = std::min(niveis[n].maximo, std::log2(niveis[n].m / u));
        }
    }
}

double ModeloPontuacao::PriorLog2(qint64 registros, double duplicados) {
    const double outros = double(std::max<qint64>(registros - 1, 1));
    const double p = std::clamp(duplicados / outros, 1e-12, 0.5);
    return std::log2(p / (1.0 - p));
}

QString ModeloPontuacao::Tabela() const {
    QStringList linhas;
    linhas << QStringLiteral("campo\tnível\tm\tu\tpeso");
    const auto& d = Definicoes();
    for (int c = 0; c < kCampos; ++c) {
        const auto& niveis = d[size_t(c)].niveis;
        for (int n = 1; n < niveis.size(); ++n) {
            const bool freq = niveis[n].porFrequencia;
            linhas << QStringLiteral("%1\t%2\t%3\t%4\t%5")
                          .arg(QString::fromUtf8(d[size_t(c)].coluna),
                               QString::fromUtf8(niveis[n].rotulo))
                          .arg(niveis[n].m, 0, 'g', 3)
                          .arg(freq ? QStringLiteral("frequência do valor")
                                    : QString::number(m_u[size_t(c)][n], 'g', 3))
                          .arg(freq ? QStringLiteral("log2(m/frequência)")
                                    : QString::number(m_peso[size_t(c)][n], 'f', 2));
        }
    }
    return linhas.join('\n');
}

}  // namespace semelhanca
