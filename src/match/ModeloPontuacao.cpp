#include "ModeloPontuacao.h"

#include <QCryptographicHash>
#include <QStringList>
#include <algorithm>

namespace semelhanca {

// Starting m of each level: the share of one person's pairs of records that fall into it, when
// both records have the field. The figures follow what studies of hospital registers report
// (a few per cent of names mistyped or spelled another way, given and family names swapped in
// one or two per cent, middle names the field most often dropped or abbreviated, one to five
// per cent of birth dates wrong, most of them one digit or day and month swapped, documents
// often missing on a second registration, sex wrong in about one to three per cent, a fifth
// of people moved). They are deliberately not sharp: learning moves them to what the register
// shows, and a level rare among one person's records still keeps enough m that a single slip
// never sinks a pair that agrees on everything else.
const std::array<DefinicaoCampo, kCampos>& Definicoes() {
    constexpr double inf = 1e9;
    static const QVector<Nivel> nome = {
        {"nulo", 1, 1, false},
        {"igual", 0.86, 0.01, true, 0},
        // Sounds alike in Portuguese (LUIS/LUIZ, THIAGO/TIAGO).
        {"mesmo som", 0.04, 0.003, false, 0},
        // One slip of the keyboard: a letter wrong, missing, doubled, or two neighbours
        // swapped (MARCIA/MRACIA, RUI/RIU).
        {"um erro", 0.04, 0.003, false, 0},
        // An initial, half of a compound name, or the name that is the other's middle name
        // (J / JOSE, MARIA / MARIA JOSE).
        {"inicial ou parte", 0.015, 0.01, false, -inf, 4},
        // Jaro-Winkler bands: two slips, or a slip in a short name.
        {"muito parecido", 0.015, 0.005, false},
        {"parecido", 0.015, 0.03, false},
        // Two letters replaced in a name of four or more (LUCIA / LIVIA): as often another
        // name as a slip, but far more often a slip than two strangers' names.
        {"pouco parecido", 0.005, 0.02, false, -inf, 0},
        {"diferente", 0.01, 0.92, false, -inf, 0},
    };
    static const std::array<DefinicaoCampo, kCampos> d = {{
        {"Nome", nome},
        // Whether a person has a middle name is the person's, not the clerk's: one person's
        // records lack it on both sides far more often than two strangers', and on one side
        // only far less often. So the middle name's absence is evidence like its value, and
        // m and u here are of every pair, not of the pairs where both records have one.
        {"Nome_Meio",
         {
             // One record has a middle name, the other none: dropped by a clerk, or two
             // people. Never evidence for a pair.
             {"nulo", 0.10, 0.45, false, -inf, 0},
             {"igual", 0.45, 0.01, true, 0},
             // Abbreviated or partly dropped (A / APARECIDA, DE SOUZA / SOUZA, DE FATIMA /
             // DAS GRACAS DE FATIMA): the commonest way middle names differ.
             {"abreviado ou parte", 0.09, 0.01, false, 0},
             {"parecido", 0.03, 0.005, false},
             // Middle names change with marriage, so a different one is weaker evidence than
             // a different first or last name.
             {"diferente", 0.03, 0.325, false, -inf, 0},
             // Neither has one. Never against a pair, and held to what an absence can say
             // where hardly anyone lacks one.
             {"nulo nos dois", 0.30, 0.2, false, 0, 3},
         },
         false},
        {"Nome_Último", nome},
        // Which reading of the names the levels above are of. Taking the better reading is
        // not evidence by itself: it never adds to a pair, and costs what the register says
        // swaps cost.
        {"Ordem dos nomes",
         {
             {"como digitados", 0.97, 0.99, false, 0, 0},
             {"nome e sobrenome trocados", 0.02, 0.002, false, -inf, 0},
             // A whole name typed into one field, or words moved between the fields. Its u is
             // not how often random pairs are read so, which the names' levels already say, but
             // how often two strangers whose names agree once re-read are written differently:
             // as often as one of them has a compound or misplaced name (MedirOutrasLeituras).
             {"nomes redistribuídos", 0.01, 0.005, false, -inf, 0, true, false},
             // A family name kept among the middle names and a new one after it, as a woman's
             // name changes at marriage (ANA SOUZA / ANA SOUZA OLIVEIRA). The family name then
             // agrees at its level's weight, and the reading costs how rare it is among one
             // person's records: u is 1, the names' own levels already say how strangers agree.
             {"sobrenome no nome do meio", 0.01, 1, false, -inf, 0, true, false},
         },
         false},
        {"Data_Nascimento",
         {
             {"nulo", 1, 1, false},
             {"igual", 0.90, 0.0001, true, 0},
             {"dia e mês trocados", 0.015, 0.00002, false, 0, 12},
             // The same day and month a year before or after (1979 / 1980): a year worked out
             // from the age the patient gave, the commonest slip of the year.
             {"ano vizinho", 0.01, 0.00006, false, 0, 12},
             // One digit of dd/mm/yyyy wrong or two neighbours swapped (1970 / 1907).
             {"um dígito", 0.04, 0.0004, false, 0},
             {"dois dígitos", 0.02, 0.003, false},
             {"até 5 anos", 0.01, 0.1, false, -inf, 0, false},
             // Years apart and no typing slip explains it: two people.
             {"anos de diferença", 0.006, 0.9, false, -inf, 0, false},
         }},
        {"Sexo",
         {
             {"nulo", 1, 1, false},
             {"igual", 0.97, 0.5, false, 0},
             {"diferente", 0.03, 0.5, false, -inf, 0},
         }},
        {"CIC",
         {
             {"nulo", 1, 1, false},
             {"igual e válido", 0.90, 0.00001, true, 0},
             {"igual, sem dígito válido", 0.03, 0.0001, true, 0},
             {"um dígito", 0.04, 0.0001, false, 0, 10},
             // Two numbers that were each really issued belong to two people (a child
             // registered under a parent's number is the rare exception m leaves room for).
             {"diferentes e válidos", 0.002, 0.95, false, -inf, 0, false},
             {"diferente", 0.025, 0.05, false, -inf, 0},
         }},
        {"RG",
         {
             {"nulo", 1, 1, false},
             {"igual", 0.86, 0.00001, true, 0},
             // One digit, two neighbours swapped, or the check digit typed on one record only.
             {"quase igual", 0.08, 0.0002, false, 0, 10},
             // Two such slips in a number of six digits or more (a digit dropped and another
             // wrong): one person's RG typed twice carelessly far more often than two people's
             // numbers, which share nothing.
             {"dois dígitos", 0.02, 0.00005, false, 0, 8},
             // RGs are issued per state, so one person may hold two: weaker than the CIC.
             {"diferente", 0.04, 0.99, false, -inf, 0},
         }},
        {"Prontuário",
         {
             {"nulo", 1, 1, false},
             // Each registration usually gets a chart number of its own, so an equal one is
             // strong evidence and a different one almost none.
             {"igual", 0.15, 0.00001, true, 0},
             {"diferente", 0.85, 0.99999, false, -inf, 0},
         }},
        // The address fields as one comparison, finest agreement first: a street and number
        // shared implies the CEP, the district and the city, and counting each again would
        // count one fact four times. Frequencies make a street of a small town say more than
        // "RUA DAS FLORES" in a capital.
        {"Endereço",
         {
             {"nulo", 1, 1, false},
             {"mesma rua e número", 0.55, 0.001, true, 0, 10},
             {"rua parecida, mesmo número", 0.05, 0.0005, false, 0, 10},
             {"mesmo CEP", 0.05, 0.01, true, 0, 6},
             {"mesma rua", 0.03, 0.005, true, 0, 6},
             {"mesmo bairro", 0.05, 0.02, true, 0, 4},
             {"mesma cidade", 0.07, 0.15, true, 0, 2},
             // People move.
             {"diferente", 0.20, 0.8, false, -inf, 0},
         }},
        {"Telefone",
         {
             {"nulo", 1, 1, false},
             {"igual", 0.55, 0.0001, true, 0, 8},
             {"um dígito", 0.03, 0.0005, false, 0, 6},
             // Two slips, or a digit dropped or added (the last eight digits then shift by one).
             {"dois dígitos", 0.02, 0.0005, false, 0, 5},
             {"diferente", 0.40, 0.9995, false, -inf, 0},
         }},
    }};
    return d;
}

int VersaoDefinicoes() {
    static const int versao = [] {
        QByteArray texto;
        for (const DefinicaoCampo& c : Definicoes()) {
            texto += c.coluna;
            // How a level is learned and measured is part of what its parameters mean.
            for (const Nivel& n : c.niveis)
                texto +=
                    QByteArray("|") + n.rotulo + (n.aprendido ? "" : "*") + (n.medido ? "" : "~");
            texto += '\n';
        }
        const QByteArray h = QCryptographicHash::hash(texto, QCryptographicHash::Sha1);
        return int(quint32(quint8(h[0])) << 23 | quint32(quint8(h[1])) << 15 |
                   quint32(quint8(h[2])) << 7 | quint32(quint8(h[3])) >> 1);
    }();
    return versao;
}

ModeloPontuacao::ModeloPontuacao() {
    const auto& d = Definicoes();
    for (int c = 0; c < kCampos; ++c) {
        for (const Nivel& n : d[size_t(c)].niveis) {
            m_iniciais.m[size_t(c)] << n.m;
            m_iniciais.u[size_t(c)] << n.u;
        }
    }
    m_atuais = m_iniciais;
    calcularPesos();
}

void ModeloPontuacao::Definir(const Parametros& p) {
    m_atuais = p;
    calcularPesos();
}

namespace {

double Limitar(const Nivel& n, double peso) {
    return std::clamp(peso, n.minimo, n.maximo);
}

}  // namespace

void ModeloPontuacao::calcularPesos() {
    const auto& d = Definicoes();
    for (int c = 0; c < kCampos; ++c) {
        const auto& niveis = d[size_t(c)].niveis;
        m_peso[size_t(c)].resize(niveis.size());
        for (int n = 0; n < niveis.size(); ++n) {
            const bool nulo = n == 0 && d[size_t(c)].temNulo;
            const double m = std::max(m_atuais.m[size_t(c)][n], 1e-9);
            const double u = std::max(m_atuais.u[size_t(c)][n], 1e-9);
            m_peso[size_t(c)][n] = nulo ? 0.0 : Limitar(niveis[n], std::log2(m / u));
        }
        // How often two strangers both have the field: all of them, unless its absence is a
        // level (the first, one side, and the last, neither side).
        m_presenca[size_t(c)] = 1;
        if (Ausencia(c)) {
            const auto& u = m_atuais.u[size_t(c)];
            m_presenca[size_t(c)] = std::clamp(1.0 - u.front() - u.back(), 1e-6, 1.0);
        }
    }
    // P(household | one person): the family name agrees and so does the place or telephone.
    const auto soma = [&](Campo c, int de, int ate) {
        double t = 0;
        for (int n = de; n <= ate; ++n) t += m_atuais.m[size_t(c)][n];
        return t;
    };
    const double mFamilia =
        soma(Campo::NomeUltimo, nivel::kNomeIgual, nivel::kNomeParte) *
        std::max(soma(Campo::Endereco, nivel::kEnderecoIgual, nivel::kEnderecoRua),
                 m_atuais.m[size_t(Campo::Telefone)][nivel::kTelefoneIgual]);
    m_pesoFamilia = std::clamp(
        std::log2(mFamilia / std::max(m_atuais.familia[kParesFamilia], 1e-9)), 0.0, 30.0);
}

bool ModeloPontuacao::Familia(const std::array<quint8, kCampos>& n) {
    const int ultimo = n[size_t(Campo::NomeUltimo)];
    const int endereco = n[size_t(Campo::Endereco)];
    return ultimo >= nivel::kNomeIgual && ultimo <= nivel::kNomeParte &&
           ((endereco >= nivel::kEnderecoIgual && endereco <= nivel::kEnderecoRua) ||
            n[size_t(Campo::Telefone)] == nivel::kTelefoneIgual);
}

bool ModeloPontuacao::Gemeos(const std::array<quint8, kCampos>& n) {
    const int ultimo = n[size_t(Campo::NomeUltimo)];
    const int nome = n[size_t(Campo::Nome)];
    return n[size_t(Campo::Nascimento)] == nivel::kDataIgual && nome > nivel::kNomeUmErro &&
           nome != nivel::kNomeMuitoParecido && ultimo >= nivel::kNomeIgual &&
           ultimo <= nivel::kNomeParte;
}

const std::array<quint8, kCampos> ModeloPontuacao::kNiveisPorFrequencia = [] {
    std::array<quint8, kCampos> r{};
    for (int c = 0; c < kCampos; ++c)
        for (int l = 0; l < Definicoes()[size_t(c)].niveis.size(); ++l)
            if (Definicoes()[size_t(c)].niveis[l].porFrequencia)
                r[size_t(c)] |= quint8(1u << l);
    return r;
}();

double ModeloPontuacao::PesoPorFrequencia(int campo, int nivel, double frequencia) const {
    const Nivel& n = Definicoes()[size_t(campo)].niveis[nivel];
    const double m = std::max(m_atuais.m[size_t(campo)][nivel], 1e-9);
    // Never more than the rarest value can say (one in ten million): a value seen once says
    // as much as one seen a few times in a register of that size. The frequency is among the
    // records that have the field; where its absence is a level, u is of every pair.
    const double u = std::clamp(frequencia * m_presenca[size_t(campo)], 1e-7, 1.0);
    return Limitar(n, std::log2(m / u));
}

double ModeloPontuacao::PesoCampo(int campo, const std::array<quint8, kCampos>& n,
                                  double frequencia, bool familia) const {
    const int l = n[size_t(campo)];
    const DefinicaoCampo& d = Definicoes()[size_t(campo)];
    if (l == 0 && d.temNulo)
        return 0;
    const bool porFrequencia = d.niveis[l].porFrequencia;
    const double f = porFrequencia && frequencia >= 0 ? frequencia : m_atuais.u[size_t(campo)][l];
    const auto comoParentes = [&](Parente p) {
        return PesoPorFrequencia(campo, l, std::max(f, m_atuais.familia[p]));
    };
    // Whether or not an address shows the household (a register without addresses has twins
    // too): the family name and the birth date that twins share are one fact, not two.
    if (Campo(campo) == Campo::Nascimento && Gemeos(n))
        return comoParentes(kDataFamilia);
    // Brothers and sisters are named alike, with a middle name or without: between relatives
    // neither having one says nothing.
    if (Campo(campo) == Campo::NomeMeio && l == nivel::kMeioNuloNosDois && (familia || Gemeos(n)))
        return 0;
    if (familia) {
        switch (Campo(campo)) {
            case Campo::NomeUltimo:
                return m_pesoFamilia;
            case Campo::Endereco:
            case Campo::Telefone:
                return std::min(0.0, Peso(campo, l));
            case Campo::Nome:
                if (l == nivel::kNomeIgual)
                    return comoParentes(kPrenomeFamilia);
                break;
            case Campo::NomeMeio:
                if (l == nivel::kMeioIgual)
                    return comoParentes(kMeioFamilia);
                break;
            default:
                break;
        }
    }
    if (porFrequencia && frequencia >= 0)
        return PesoPorFrequencia(campo, l, frequencia);
    return Peso(campo, l);
}

double ModeloPontuacao::PriorLog2(qint64 registros) const {
    const double outros = double(std::max<qint64>(registros - 1, 1));
    const double p = std::clamp(m_atuais.duplicados / outros, 1e-12, 0.5);
    return std::log2(p / (1.0 - p));
}

void ModeloPontuacao::MedirU(const std::array<QVector<qint64>, kCampos>& contagens) {
    const auto& d = Definicoes();
    for (int c = 0; c < kCampos; ++c) {
        const auto& niveis = d[size_t(c)].niveis;
        const QVector<qint64>& cont = contagens[size_t(c)];
        const int primeiro = d[size_t(c)].temNulo ? 1 : 0;
        qint64 total = 0;
        for (int n = primeiro; n < cont.size(); ++n) total += cont[n];
        if (total < 1000)
            continue;  // too few pairs with the field on both sides: keep the guesses
        for (int n = primeiro; n < niveis.size(); ++n)
            if (niveis[n].medido)
                m_atuais.u[size_t(c)][n] = (double(cont[n]) + 0.5) / double(total + 1);
    }
    calcularPesos();
}

void ModeloPontuacao::MedirOutrasLeituras(double parte) {
    const int ordem = int(Campo::OrdemNomes);
    const double p = std::clamp(parte, 0.0, 1.0);
    m_atuais.u[size_t(ordem)][nivel::kOrdemRedistribuidos] = std::max(
        1.0 - (1.0 - p) * (1.0 - p), m_iniciais.u[size_t(ordem)][nivel::kOrdemRedistribuidos]);
    calcularPesos();
}

void ModeloPontuacao::MedirFamilia(const ContagemFamilia& c) {
    if (c.possiveis >= 1)
        m_atuais.familia[kParesFamilia] = std::min(1.0, (c.pares + 1) / c.possiveis);
    // Households are few: each guess weighs as a hundred of them.
    for (int p = kPrenomeFamilia; p < kParentes; ++p)
        m_atuais.familia[size_t(p)] = (c.iguais[size_t(p)] + 100 * m_iniciais.familia[size_t(p)]) /
                                      (c.vistos[size_t(p)] + 100);
    calcularPesos();
}

QString ModeloPontuacao::Tabela(qint64 registros) const {
    QStringList linhas;
    linhas << QStringLiteral("campo\tnível\tm\tm inicial\tu\tu inicial\tpeso");
    const auto& d = Definicoes();
    const auto num = [](double v) { return QString::number(v, 'g', 3); };
    for (int c = 0; c < kCampos; ++c) {
        const auto& niveis = d[size_t(c)].niveis;
        for (int n = d[size_t(c)].temNulo ? 1 : 0; n < niveis.size(); ++n) {
            const bool freq = niveis[n].porFrequencia;
            linhas << QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6\t%7")
                          .arg(QString::fromUtf8(d[size_t(c)].coluna),
                               QString::fromUtf8(niveis[n].rotulo), num(m_atuais.m[size_t(c)][n]),
                               num(m_iniciais.m[size_t(c)][n]), num(m_atuais.u[size_t(c)][n]),
                               num(m_iniciais.u[size_t(c)][n]))
                          .arg(freq ? QStringLiteral("log2(m/frequência do valor)")
                                    : QString::number(m_peso[size_t(c)][n], 'f', 2));
        }
    }
    const char* const parentes[kParentes] = {"pares de uma casa", "mesmo prenome",
                                             "mesmo nome do meio", "mesma data (gêmeos)"};
    for (int p = 0; p < kParentes; ++p)
        linhas << QStringLiteral("família\t%1\t\t\t%2\t%3\t%4")
                      .arg(QString::fromUtf8(parentes[p]), num(m_atuais.familia[size_t(p)]),
                           num(m_iniciais.familia[size_t(p)]),
                           p == kParesFamilia ? QString::number(m_pesoFamilia, 'f', 2) : QString());
    linhas << QStringLiteral(
                  "prior\toutros cadastros da mesma pessoa, por cadastro\t%1\t%2\t\t\t%3")
                  .arg(num(m_atuais.duplicados), num(m_iniciais.duplicados))
                  .arg(QString::number(PriorLog2(registros), 'f', 2));
    return linhas.join('\n');
}

}  // namespace semelhanca
