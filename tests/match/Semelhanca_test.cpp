#include <gtest/gtest.h>

#include <QDateTime>
#include <cmath>
#include <map>
#include <random>
#include <set>

#include "GeradorPacientes.h"
#include "match/FuncoesBusca.h"
#include "match/LocalizadorSemelhantes.h"
#include "patient/RegrasMesmaPessoa.h"
#include "review/clsVerificacaoSeguranca.h"

using namespace semelhanca;

namespace {

QVariant Data(int a, int m, int d) {
    return QDateTime(QDate(a, m, d), QTime(0, 0));
}

struct Pessoa {
    QVariant nome, meio, ultimo, rg, cic, nascimento, sexo;
    QVariant endereco = {}, bairro = {}, cidade = {}, cep = {}, telefone = {};
};

// A register of ordinary people (the demo generator's, without duplicates) for the tested
// records to stand out from: the weights depend on how common each value is. Scored with the
// starting parameters, so that each level's weight is the one written in the model.
class Cadastro {
  public:
    explicit Cadastro(OpcoesBusca o = {}, int fundo = 4000) : busca(o) {
        registro::GeradorPacientes g(11, 0, 0);
        for (int i = 0; i < fundo; ++i) {
            const registro::PacienteGerado p = g.Proximo();
            busca.Adicionar(
                i + 1, p.nome, p.nomeMeio, p.nomeUltimo, p.rg, p.cic,
                p.nascimento.isValid()
                    ? Data(p.nascimento.year(), p.nascimento.month(), p.nascimento.day())
                    : QVariant(),
                p.sexo, p.prontuario, p.cep, p.telefone, p.endereco, p.bairro, p.cidade);
        }
        Parametros inicial = ModeloPontuacao().Iniciais();
        inicial.duplicados = o.duplicados;
        busca.DefinirParametros(inicial);
    }
    quint32 incluir(const Pessoa& p) {
        const quint32 i = quint32(busca.Registros());
        busca.Adicionar(100000 + qint32(i), p.nome, p.meio, p.ultimo, p.rg, p.cic, p.nascimento,
                        p.sexo, {}, p.cep, p.telefone, p.endereco, p.bairro, p.cidade);
        return i;
    }
    bool comparado(quint32 a, quint32 b) const {
        for (const ParCandidato& p : busca.Pares())
            if (p.a == std::min(a, b) && p.b == std::max(a, b))
                return true;
        return false;
    }
    int nivel(quint32 a, quint32 b, Campo c) {
        std::array<Veredito, kCampos> v;
        busca.Pontuar(a, b, &v);
        return v[size_t(c)].nivel;
    }
    QString rotulo(quint32 a, quint32 b, Campo c) {
        return LocalizadorSemelhantes::Rotulo(int(c), nivel(a, b, c));
    }
    LocalizadorSemelhantes busca;
};

// The score as log2 odds: what the weights add to.
double Logito(double pontuacao) {
    return std::log2(pontuacao / (100 - pontuacao));
}

OpcoesBusca TodosOsPares() {
    OpcoesBusca o;
    o.limiar = 0;  // keep every pair compared
    return o;
}

}  // namespace

TEST(Pontuacao, AccentsCaseAndBlanksAreNotDifferences) {
    Cadastro c;
    const quint32 a = c.incluir({QString::fromUtf8("JOSÉ"),
                                 QString::fromUtf8("DA CONCEIÇÃO"),
                                 QString::fromUtf8("GONÇALVES"),
                                 {},
                                 {},
                                 Data(1961, 4, 2),
                                 "M"});
    const quint32 b =
        c.incluir({"Jose", "da  Conceicao ", "Goncalves", {}, {}, Data(1961, 4, 2), "m"});
    c.busca.Comparar();
    std::array<Veredito, kCampos> v;
    EXPECT_GE(c.busca.Pontuar(a, b, &v), 95);
    for (Campo campo :
         {Campo::Nome, Campo::NomeMeio, Campo::NomeUltimo, Campo::Nascimento, Campo::Sexo})
        EXPECT_EQ(v[size_t(campo)].nivel, 1) << int(campo);
}

TEST(Pontuacao, NullAndEmptyAreBothNothingAndAMiddleNameOnOneSideOnlyCosts) {
    Cadastro c;
    const quint32 nulo = c.incluir({"MARCIA", QVariant(), "PRADO", {}, {}, Data(1980, 3, 7), "F"});
    const quint32 vazio =
        c.incluir({"MARCIA", QString(""), "PRADO", {}, {}, Data(1980, 3, 7), "F"});
    const quint32 cheio =
        c.incluir({"MARCIA", "APARECIDA", "PRADO", QString(""), QVariant(), Data(1980, 3, 7), "F"});
    c.busca.Comparar();
    std::array<Veredito, kCampos> v;
    // Neither has a middle name, whether NULL or empty: one person's records mostly agree so.
    const double nv = c.busca.Pontuar(nulo, vazio, &v);
    EXPECT_EQ(v[size_t(Campo::NomeMeio)].nivel, nivel::kMeioNuloNosDois);
    EXPECT_GT(v[size_t(Campo::NomeMeio)].peso, 0);
    // One has one: dropped by a clerk, or two people. A missing document costs nothing.
    const double nc = c.busca.Pontuar(nulo, cheio, &v);
    EXPECT_EQ(v[size_t(Campo::NomeMeio)].nivel, nivel::kMeioNulo);
    EXPECT_LT(v[size_t(Campo::NomeMeio)].peso, 0);
    EXPECT_EQ(v[size_t(Campo::RG)].nivel, 0);
    EXPECT_EQ(v[size_t(Campo::RG)].peso, 0);
    EXPECT_GT(nv, nc);
    EXPECT_DOUBLE_EQ(nc, c.busca.Pontuar(vazio, cheio));
}

TEST(Pontuacao, NearDatesAreForgivenYearsApartAreNot) {
    Cadastro c;
    const Pessoa base{"RENATA", "CRISTINA", "MEDEIROS", {}, {}, Data(1980, 3, 7), "F"};
    const quint32 a = c.incluir(base);
    const auto com = [&](QVariant data) {
        Pessoa p = base;
        p.nascimento = data;
        return c.incluir(p);
    };
    const quint32 trocada = com(Data(1980, 7, 3));
    const quint32 digito = com(Data(1986, 3, 7));
    const quint32 longe = com(Data(1952, 11, 23));
    const quint32 anoVizinho = com(Data(1979, 3, 7));  // two digits, one year
    c.busca.Comparar();
    std::array<Veredito, kCampos> v;
    EXPECT_GE(c.busca.Pontuar(a, trocada, &v), 50);
    EXPECT_EQ(c.rotulo(a, trocada, Campo::Nascimento), QString::fromUtf8("dia e mês trocados"));
    EXPECT_GT(v[size_t(Campo::Nascimento)].peso, 5);
    EXPECT_GE(c.busca.Pontuar(a, digito), 50);
    EXPECT_EQ(c.rotulo(a, digito, Campo::Nascimento), QString::fromUtf8("um dígito"));
    EXPECT_GE(c.busca.Pontuar(a, anoVizinho, &v), 50);
    EXPECT_EQ(c.rotulo(a, anoVizinho, Campo::Nascimento), "ano vizinho");
    EXPECT_GT(v[size_t(Campo::Nascimento)].peso, 5);
    // The same full name with a birth date years apart: a look, never a merge.
    EXPECT_LT(c.busca.Pontuar(a, longe, &v), 50);
    EXPECT_LT(v[size_t(Campo::Nascimento)].peso, -5);
    // Years apart is a sign the review shows, and the pair carries it.
    EXPECT_EQ(c.busca.Sinais(a, longe), SinalNascimento);
    EXPECT_EQ(c.busca.Sinais(a, digito), 0);
}

TEST(Pontuacao, ConflictingStrongIdentifiersPullTheScoreDownHard) {
    Cadastro c;
    // Two valid CICs (111.444.777-35 and 529.982.247-25) that are not the same number.
    const Pessoa base{"MARIA", QVariant(), "SILVA", {}, "111.444.777-35", Data(1975, 5, 5), "F"};
    const quint32 a = c.incluir(base);
    Pessoa semCic = base;
    semCic.cic = QVariant();
    const quint32 b = c.incluir(semCic);
    Pessoa outroCic = base;
    outroCic.cic = "52998224725";
    const quint32 d = c.incluir(outroCic);
    Pessoa outroSexo = semCic;
    outroSexo.sexo = "M";
    const quint32 e = c.incluir(outroSexo);
    Pessoa cicTrocado = base;
    cicTrocado.cic = "111.444.777-53";  // two neighbours swapped: its check digits are wrong
    const quint32 f = c.incluir(cicTrocado);
    // The same woman without a CIC, with an RG or a telephone.
    const auto com = [&](QVariant Pessoa::*campo, const char* valor) {
        Pessoa p = semCic;
        p.*campo = valor;
        return c.incluir(p);
    };
    const quint32 g = com(&Pessoa::rg, "12.345.678-9");
    const quint32 h = com(&Pessoa::rg, "12.345.679-9");
    const quint32 dois = com(&Pessoa::rg, "12.445.678-8");  // two digits wrong
    const quint32 outroRg = com(&Pessoa::rg, "98.765.432-1");
    // A telephone with a digit dropped: its last eight digits shift by one.
    const quint32 fone1 = com(&Pessoa::telefone, "(84) 3421-7766");
    const quint32 fone2 = com(&Pessoa::telefone, "(84) 341-7766");
    const quint32 fone3 = com(&Pessoa::telefone, "(84) 9876-1234");
    c.busca.Comparar();
    std::array<Veredito, kCampos> v;
    const double sSem = c.busca.Pontuar(a, b);
    const double sOutro = c.busca.Pontuar(a, d, &v);
    EXPECT_EQ(c.rotulo(a, d, Campo::CIC), QString::fromUtf8("diferentes e válidos"));
    EXPECT_LT(v[size_t(Campo::CIC)].peso, -8);
    EXPECT_LT(sOutro, 50);
    EXPECT_GT(Logito(sSem) - Logito(sOutro), 8);
    c.busca.Pontuar(b, e, &v);
    EXPECT_LT(v[size_t(Campo::Sexo)].peso, -3);
    // A document typed with a slip is near, not a conflict.
    EXPECT_EQ(c.rotulo(a, f, Campo::CIC), QString::fromUtf8("um dígito"));
    EXPECT_GT(c.busca.Pontuar(a, f), sSem);
    EXPECT_EQ(c.rotulo(g, h, Campo::RG), QStringLiteral("quase igual"));
    EXPECT_GT(c.busca.Pontuar(g, h), c.busca.Pontuar(b, g));
    EXPECT_EQ(c.rotulo(g, dois, Campo::RG), QString::fromUtf8("dois dígitos"));
    EXPECT_GT(c.busca.Pontuar(g, dois), c.busca.Pontuar(b, g));
    EXPECT_EQ(c.rotulo(g, outroRg, Campo::RG), QStringLiteral("diferente"));
    EXPECT_LT(c.busca.Pontuar(g, outroRg), c.busca.Pontuar(b, g));
    EXPECT_EQ(c.rotulo(fone1, fone2, Campo::Telefone), QString::fromUtf8("dois dígitos"));
    EXPECT_GT(c.busca.Pontuar(fone1, fone2), c.busca.Pontuar(b, fone1));
    EXPECT_EQ(c.rotulo(fone1, fone3, Campo::Telefone), QStringLiteral("diferente"));
}

TEST(Pontuacao, CommonNamesSayLessThanRareOnes) {
    Cadastro c;
    for (int i = 0; i < 300; ++i)
        c.incluir({"MARIA",
                   QVariant(),
                   "SILVA",
                   {},
                   {},
                   Data(1940 + i % 60, 1 + i % 12, 1 + i % 28),
                   "F"});
    const quint32 m1 = c.incluir({"MARIA", QVariant(), "SILVA", {}, {}, Data(1990, 2, 14), "F"});
    const quint32 m2 = c.incluir({"MARIA", QVariant(), "SILVA", {}, {}, Data(1990, 2, 14), "F"});
    const quint32 r1 =
        c.incluir({"YASMIN", QVariant(), "QUINTANILHA", {}, {}, Data(1990, 2, 14), "F"});
    const quint32 r2 =
        c.incluir({"YASMIN", QVariant(), "QUINTANILHA", {}, {}, Data(1990, 2, 14), "F"});
    c.busca.Comparar();
    std::array<Veredito, kCampos> vm, vr;
    c.busca.Pontuar(m1, m2, &vm);
    c.busca.Pontuar(r1, r2, &vr);
    EXPECT_GT(vr[size_t(Campo::Nome)].peso, vm[size_t(Campo::Nome)].peso + 2);
    EXPECT_GT(vr[size_t(Campo::NomeUltimo)].peso, vm[size_t(Campo::NomeUltimo)].peso + 2);
}

// The errors another generator's registers hold, each a level of its own and each found.
TEST(Pontuacao, NamesSurviveSlipsTranspositionsAndFieldsReadAcross) {
    Cadastro c(TodosOsPares());
    // Given and family name in each other's field, same RG and birth date.
    const quint32 joana =
        c.incluir({"JOANA", {}, "CARVALHO", "23.456.789-0", {}, Data(1971, 5, 9), "F"});
    const quint32 trocada =
        c.incluir({"CARVALHO", {}, "JOANA", "234567890", {}, Data(1971, 5, 9), "F"});
    // The whole name typed into one field.
    const quint32 inteira = c.incluir({"JOANA CARVALHO", {}, {}, {}, {}, Data(1971, 5, 9), "F"});
    // Two letters swapped in a short name: one error, not a different name.
    const quint32 rui = c.incluir({"RUI", {}, "BARRETO", {}, {}, Data(1950, 8, 1), "M"});
    const quint32 riu = c.incluir({"RIU", {}, "BARRETO", {}, {}, Data(1950, 8, 1), "M"});
    // One slip in each name, no key of sound in common, the same birth date.
    const quint32 camila = c.incluir({"CAMILA", {}, "BORGES", {}, {}, Data(1988, 10, 30), "F"});
    const quint32 camioa = c.incluir({"CAMIOA", {}, "BORFES", {}, {}, Data(1988, 10, 30), "F"});
    // Names swapped with a slip left in one of them; an M read as RN.
    const quint32 catarina =
        c.incluir({"CATARINA", {}, "CARVALHO", {}, {}, Data(1942, 10, 19), "F"});
    const quint32 cavralhu =
        c.incluir({"CAVRALHU", {}, "CATARINA", {}, {}, Data(1942, 10, 19), "F"});
    const quint32 jaime = c.incluir({"JAIME", {}, "MESQUITA", {}, {}, Data(1966, 3, 8), "M"});
    const quint32 jairne = c.incluir({"JAIRNE", {}, "MESQUITA", {}, {}, Data(1966, 3, 8), "M"});
    // Names swapped, with two slips left in each.
    const quint32 helena = c.incluir({"HELENA", {}, "FAGUNDES", {}, {}, Data(1977, 3, 12), "F"});
    const quint32 hlenna = c.incluir({"FAGNUDSE", {}, "HLENNA", {}, {}, Data(1977, 3, 12), "F"});
    // Two keys slipped in a short name (no longer another name), and a digit of the date.
    const quint32 telma = c.incluir({"TELMA", {}, "QUEIROZ", {}, {}, Data(1958, 2, 14), "F"});
    const quint32 tekna = c.incluir({"TEKNA", {}, "QUEIROZ", {}, {}, Data(1958, 2, 17), "F"});
    // Names misread from a form, digits for letters, with a slip besides: one slip each, not
    // a twin's other name (the family name and the birth date agree).
    const quint32 glaucio = c.incluir({"GLAUCIO", {}, "PEREIRA", {}, {}, Data(1971, 9, 23), "M"});
    const quint32 gl4uc0 = c.incluir({"GL4UC0", {}, "PEREIRA", {}, {}, Data(1971, 9, 23), "M"});
    const quint32 fabio = c.incluir({"FABIO", {}, "LINHARES", {}, {}, Data(1985, 1, 30), "M"});
    const quint32 fa6i = c.incluir({"FA6I", {}, "LINHARES", {}, {}, Data(1985, 1, 30), "M"});
    // Father and son of one name.
    const quint32 pai = c.incluir({"OTAVIO", "RAMOS", "PAIXAO", {}, {}, Data(1950, 1, 2), "M"});
    const quint32 filho =
        c.incluir({"OTAVIO", "RAMOS", "PAIXAO JUNIOR", {}, {}, Data(1975, 4, 3), "M"});
    c.busca.Comparar();

    EXPECT_EQ(c.rotulo(joana, trocada, Campo::OrdemNomes), "nome e sobrenome trocados");
    EXPECT_EQ(c.nivel(joana, trocada, Campo::Nome), 1);
    EXPECT_EQ(c.nivel(joana, trocada, Campo::NomeUltimo), 1);
    EXPECT_GE(c.busca.Pontuar(joana, trocada), 99);
    EXPECT_EQ(c.rotulo(joana, inteira, Campo::OrdemNomes),
              QString::fromUtf8("nomes redistribuídos"));
    EXPECT_GE(c.busca.Pontuar(joana, inteira), 90);
    EXPECT_EQ(c.rotulo(rui, riu, Campo::Nome), "um erro");
    EXPECT_GE(c.busca.Pontuar(rui, riu), 90);
    EXPECT_TRUE(c.comparado(camila, camioa));
    EXPECT_EQ(c.rotulo(camila, camioa, Campo::Nome), "um erro");
    EXPECT_EQ(c.rotulo(camila, camioa, Campo::NomeUltimo), "um erro");
    EXPECT_GE(c.busca.Pontuar(camila, camioa), 50);
    EXPECT_EQ(c.rotulo(catarina, cavralhu, Campo::OrdemNomes), "nome e sobrenome trocados");
    EXPECT_EQ(c.nivel(catarina, cavralhu, Campo::Nome), nivel::kNomeIgual);
    EXPECT_GE(c.busca.Pontuar(catarina, cavralhu), 50);
    EXPECT_EQ(c.rotulo(jaime, jairne, Campo::Nome), "parecido");
    EXPECT_GE(c.busca.Pontuar(jaime, jairne), 50);
    EXPECT_EQ(c.rotulo(helena, hlenna, Campo::OrdemNomes), "nome e sobrenome trocados");
    EXPECT_GE(c.busca.Pontuar(helena, hlenna), 50);
    EXPECT_EQ(c.rotulo(telma, tekna, Campo::Nome), "pouco parecido");
    EXPECT_GE(c.busca.Pontuar(telma, tekna), 5);  // worth a look, where "diferente" sank it
    EXPECT_EQ(c.rotulo(glaucio, gl4uc0, Campo::Nome), "um erro");
    EXPECT_GE(c.busca.Pontuar(glaucio, gl4uc0), 50);
    EXPECT_EQ(c.rotulo(fabio, fa6i, Campo::Nome), "um erro");  // 6 read as B, not as G
    EXPECT_GE(c.busca.Pontuar(fabio, fa6i), 50);
    EXPECT_EQ(c.rotulo(pai, filho, Campo::NomeUltimo), "diferente");
    EXPECT_LT(c.busca.Pontuar(pai, filho), 5);
}

TEST(Pontuacao, GivenMiddleAndCompoundNamesAreReadAsOneNameOnlyWhenNoWordDisagrees) {
    Cadastro c(TodosOsPares());
    const auto em = [&](const char* nome, const char* meio, const char* ultimo, QVariant data) {
        return c.incluir({nome, meio ? QVariant(meio) : QVariant(), ultimo, {}, {}, data, "F"});
    };
    // Known by her middle name: given and middle names in each other's field.
    const quint32 fernanda = em("FERNANDA", "SANTOS", "ANDRADE", Data(1965, 6, 19));
    const quint32 pelaMeio = em("SANTOS", "FERNANDA", "ANDRADE", Data(1965, 6, 19));
    // A sister whose second name is one slip from the first word they share.
    const quint32 marcia = em("MARIA MARCIA", nullptr, "TAVARES", Data(2004, 7, 31));
    // One woman with and without her second given name; her twin sister of another.
    const quint32 clara = em("MARIA CLARA", nullptr, "TAVARES", Data(2004, 7, 31));
    const quint32 soMaria = em("MARIA", nullptr, "TAVARES", Data(2004, 7, 31));
    const quint32 eduarda = em("MARIA EDUARDA", nullptr, "TAVARES", Data(2004, 7, 31));

    // Two sons named after their fathers, of two families, born on one day.
    const quint32 ximenes = em("JOSE", nullptr, "XIMENES FILHO", Data(2018, 3, 7));
    const quint32 morais = em("JOSE", "RODRIGUES", "MORAIS FILHO", Data(2018, 3, 7));
    // A woman before and after marriage; another of the same given and middle names.
    const quint32 solteira = em("LUANA", nullptr, "FONSECA", Data(1983, 2, 11));
    const quint32 casada = em("LUANA", "FONSECA", "TEIXEIRA", Data(1983, 2, 11));
    const quint32 costa = em("LUANA", "FONSECA", "COSTA", Data(1983, 2, 11));
    c.busca.Comparar();

    EXPECT_EQ(c.rotulo(fernanda, pelaMeio, Campo::OrdemNomes),
              QString::fromUtf8("nomes redistribuídos"));
    EXPECT_EQ(c.nivel(fernanda, pelaMeio, Campo::Nome), nivel::kNomeIgual);
    EXPECT_EQ(c.nivel(fernanda, pelaMeio, Campo::NomeMeio), 1);
    EXPECT_GE(c.busca.Pontuar(fernanda, pelaMeio), 50);
    EXPECT_EQ(c.nivel(clara, soMaria, Campo::Nome), nivel::kNomeIgual);
    EXPECT_GE(c.busca.Pontuar(clara, soMaria), 50);
    // Twins without an address: the shared family name and birth date are one fact.
    std::array<Veredito, kCampos> gemeas, mesma;
    EXPECT_NE(c.nivel(clara, eduarda, Campo::Nome), nivel::kNomeIgual);
    EXPECT_LT(c.busca.Pontuar(clara, eduarda, &gemeas), 50);
    c.busca.Pontuar(clara, soMaria, &mesma);
    EXPECT_LT(gemeas[size_t(Campo::Nascimento)].peso, mesma[size_t(Campo::Nascimento)].peso - 3);
    EXPECT_NE(c.nivel(marcia, clara, Campo::OrdemNomes), nivel::kOrdemRedistribuidos);
    EXPECT_LT(c.busca.Pontuar(marcia, clara), 50);
    // Married: her family name kept among the middle names, a new one after it; a middle
    // name both records share is not a family name moved.
    EXPECT_EQ(c.rotulo(solteira, casada, Campo::OrdemNomes), "sobrenome no nome do meio");
    EXPECT_EQ(c.nivel(solteira, casada, Campo::NomeUltimo), nivel::kNomeIgual);
    EXPECT_GE(c.busca.Pontuar(solteira, casada), 50);
    EXPECT_EQ(c.nivel(casada, costa, Campo::OrdemNomes), 0);
    EXPECT_EQ(c.nivel(casada, costa, Campo::NomeUltimo), nivel::kNomeDiferente);
    // FILHO is nobody's family name.
    EXPECT_NE(c.nivel(ximenes, morais, Campo::NomeUltimo), nivel::kNomeIgual);
    EXPECT_LT(c.busca.Pontuar(ximenes, morais), 50);
}

TEST(Pontuacao, AnAddressSaysWhereItAgreesAndAHouseholdIsNotOnePerson) {
    Cadastro c(TodosOsPares());
    const Pessoa casa{
        {},           {},      "TREVISAN",  {},
        {},           {},      "F",         QString::fromUtf8("R. Itapemirim, 48 apto 2"),
        "JARDIM SOL", "CAICÓ", "59300-123", "(84) 3421-0000"};
    const auto em = [&](const char* nome, QVariant nascimento, const char* endereco = nullptr) {
        Pessoa p = casa;
        p.nome = nome;
        p.nascimento = nascimento;
        if (endereco)
            p.endereco = QString::fromUtf8(endereco);
        return c.incluir(p);
    };
    const quint32 lucia = em("LUCIA", Data(1990, 6, 1));
    const quint32 luciaDeNovo = em("LUCIA", {}, "RUA ITAPEMIRIM 48");
    const quint32 gemea = em("LIVIA", Data(1990, 6, 1));
    const quint32 mae = em("VERA", Data(1961, 2, 17));
    const quint32 vizinha = em("LUCIA", Data(1990, 6, 1), "RUA ITAPEMIRIM 50");
    c.busca.Comparar();
    EXPECT_EQ(c.rotulo(lucia, luciaDeNovo, Campo::Endereco),
              QString::fromUtf8("mesma rua e número"));
    EXPECT_EQ(c.rotulo(lucia, vizinha, Campo::Endereco), "mesmo CEP");
    // The same person registered twice at home still scores high without the birth date...
    EXPECT_GE(c.busca.Pontuar(lucia, luciaDeNovo), 50);
    // ...but twins of one household, or mother and daughter, do not.
    EXPECT_LT(c.busca.Pontuar(lucia, gemea), 50);
    EXPECT_LT(c.busca.Pontuar(lucia, mae), 5);
    // The address and telephone are what makes the household: they add nothing there.
    std::array<Veredito, kCampos> v;
    c.busca.Pontuar(lucia, gemea, &v);
    EXPECT_EQ(v[size_t(Campo::Endereco)].peso, 0);
    EXPECT_EQ(v[size_t(Campo::Telefone)].peso, 0);
}

TEST(Pontuacao, AThresholdLeavesOutOnlyThePairsBelowItWithTheSameScores) {
    // Pairs that cannot reach the threshold whatever their names say are not compared by name:
    // what a search keeps must be what one keeping every pair scores at or above it, to the
    // last bit. Duplicates, households and common names put pairs on both sides.
    using Resultado =
        std::map<std::pair<qint32, qint32>, std::pair<float, std::array<quint8, kCampos>>>;
    const auto buscar = [](double limiar) {
        OpcoesBusca o;
        o.limiar = limiar;
        Cadastro c(o, 0);
        registro::GeradorPacientes g(7, 30, 5);
        for (int i = 0; i < 3000; ++i) {
            const registro::PacienteGerado p = g.Proximo();
            c.busca.Adicionar(
                i + 1, p.nome, p.nomeMeio, p.nomeUltimo, p.rg, p.cic,
                p.nascimento.isValid()
                    ? Data(p.nascimento.year(), p.nascimento.month(), p.nascimento.day())
                    : QVariant(),
                p.sexo, p.prontuario, p.cep, p.telefone, p.endereco, p.bairro, p.cidade);
        }
        c.busca.Comparar();
        Resultado r;
        for (const ParCandidato& p : c.busca.Pares())
            r[{c.busca.Reg(p.a).id, c.busca.Reg(p.b).id}] = {p.Listada(), p.niveis};
        return r;
    };
    const Resultado todos = buscar(0);
    for (const double limiar : {5.0, 50.0, 99.9}) {
        Resultado acima = todos;
        std::erase_if(acima, [&](const auto& par) { return par.second.first < limiar; });
        ASSERT_FALSE(acima.empty());
        ASSERT_LT(acima.size(), todos.size());
        EXPECT_EQ(buscar(limiar), acima) << limiar;
    }
}

TEST(Blocagem, PairListsMergeSortedWithoutRepeats) {
    busca::ListaPares l;
    l.Juntar({});
    EXPECT_EQ(l.size(), 0u);
    l.Juntar({3, 7, 9});
    l.Juntar({1, 3, 8, 9, 12});  // before, between, after and already there
    l.Juntar({3, 7});            // nothing new
    EXPECT_EQ(std::vector<quint64>(l.begin(), l.end()), (std::vector<quint64>{1, 3, 7, 8, 9, 12}));

    // Lists of every shape against the union of sets: a few keys into a long list, as many as
    // it holds, all at either end, all repeats; one by one into a list, and as a stack that
    // joins like sizes with like, in whatever order it is given them.
    std::mt19937_64 sorte(11);
    busca::ListaPares grande;
    busca::PilhaPares pilha;
    std::set<quint64> esperado;
    for (const auto& [quantos, ate] : std::vector<std::pair<size_t, quint64>>{{5000, 100000},
                                                                              {20, 100000},
                                                                              {5000, 100000},
                                                                              {300, 1000},
                                                                              {50, 200000},
                                                                              {1, 0},
                                                                              {9000, 300000}}) {
        std::set<quint64> novos;
        while (novos.size() < quantos) novos.insert(sorte() % (ate + 1));
        const std::vector<quint64> lista(novos.begin(), novos.end());
        grande.Juntar(lista);
        pilha.Juntar(lista);
        esperado.insert(novos.begin(), novos.end());
        ASSERT_EQ(std::vector<quint64>(grande.begin(), grande.end()),
                  std::vector<quint64>(esperado.begin(), esperado.end()))
            << quantos << " up to " << ate;
    }
    grande.Juntar(std::vector<quint64>(esperado.begin(), esperado.end()));
    EXPECT_EQ(grande.size(), esperado.size());
    busca::ListaPares juntas;
    pilha.Terminar(juntas);
    EXPECT_EQ(std::vector<quint64>(juntas.begin(), juntas.end()),
              std::vector<quint64>(esperado.begin(), esperado.end()));
    busca::PilhaPares vazia;
    vazia.Terminar(juntas);
    EXPECT_EQ(juntas.size(), 0u);
}

// The sort of block entries by their hashed keys against a comparison sort, at sizes that take
// each of its ways (below and above its buckets, one level or two), with keys shared by
// several records, as the blocks' are.
TEST(Blocagem, EntriesSortByKeyThenRecordAsAComparisonSortWould) {
    struct Entrada {
        quint64 chave;
        quint32 registro;
    };
    const auto menor = [](const Entrada& x, const Entrada& y) {
        return x.chave != y.chave ? x.chave < y.chave : x.registro < y.registro;
    };
    std::mt19937_64 sorte(5);
    for (const size_t n : {100, 5000, 70000, 400000}) {
        std::vector<quint64> chaves(n / 3 + 1);
        for (quint64& c : chaves) c = sorte() | 1;
        chaves.front() = ~quint64(0);  // the largest key there is
        std::vector<Entrada> v(n);
        for (size_t i = 0; i < n; ++i)
            v[i] = {chaves[sorte() % chaves.size()], quint32(sorte() % (2 * n))};
        std::vector<Entrada> esperado = v;
        std::sort(esperado.begin(), esperado.end(), menor);
        busca::OrdenarPorChave(v);
        ASSERT_TRUE(std::equal(v.begin(), v.end(), esperado.begin(), esperado.end(),
                               [](const Entrada& x, const Entrada& y) {
                                   return x.chave == y.chave && x.registro == y.registro;
                               }))
            << n;
    }
}

// Pair keys sorted by radix against a comparison sort: registers whose record numbers take
// fewer bits than a pass, one pass and more, with a few pairs and with many of one record.
TEST(Blocagem, PairKeysSortAsNumbers) {
    std::mt19937_64 sorte(3);
    for (const auto& [pares, registros] : std::vector<std::pair<size_t, quint32>>{
             {300, 1000}, {5000, 1500}, {60000, 100000}, {300000, 3000000}, {200000, 4000}}) {
        std::vector<quint64> v(pares);
        for (quint64& x : v) {
            const quint32 a = quint32(sorte() % registros), b = quint32(sorte() % registros);
            x = quint64(std::min(a, b)) << 32 | std::max(a, b);
        }
        for (size_t i = 0; i < pares / 10; ++i) v[i] = v[sorte() % pares];  // repeats
        std::vector<quint64> esperado = v;
        std::sort(esperado.begin(), esperado.end());
        busca::OrdenarPares(v, registros);
        ASSERT_EQ(v, esperado) << pares << " pairs of " << registros;
    }
}

// The bounds that spare most strangers' names Jaro-Winkler and the two-slip distance must
// never fall below what they bound: a pair would lose its level without a sign.
TEST(Semelhanca, BoundsOnNameLikenessNeverFallBelowTheMeasures) {
    std::vector<std::string> nomes = {"MARIA",      "MARIANA", "JOSE",     "JOAO",     "ANA",
                                      "RUI",        "RIU",     "CATARINA", "CAVRALHU", "CARVALHO",
                                      "LUCIA",      "LIVIA",   "JAMES",    "JARNS",    "A",
                                      "EVA",        "EAV",     "SOUZA",    "SOUSA",    "MARIA JOSE",
                                      "JOSE MARIA", "JAIRO",   "JRAO",     "ANA 2",    "?"};
    // Each with one and two slips of every kind a reception desk makes.
    std::mt19937 sorte(7);
    const size_t originais = nomes.size();
    for (size_t i = 0; i < originais; ++i)
        for (int vez = 0; vez < 12; ++vez) {
            std::string n = nomes[i];
            for (int falha = 0; falha <= vez % 2 && !n.empty(); ++falha) {
                const size_t k = sorte() % n.size();
                switch (sorte() % 4) {
                    case 0:
                        n[k] = char('A' + sorte() % 26);
                        break;
                    case 1:
                        n.insert(k, 1, char('A' + sorte() % 26));
                        break;
                    case 2:
                        if (n.size() > 1)
                            n.erase(k, 1);
                        break;
                    default:
                        if (k + 1 < n.size())
                            std::swap(n[k], n[k + 1]);
                }
            }
            nomes.push_back(n);
        }
    for (const std::string& x : nomes)
        for (const std::string& y : nomes) {
            const int comum = busca::EmComumNoMaximo(x, y);
            EXPECT_GE(busca::JwNoMaximo(x, y, comum), busca::Jw(x, y)) << x << " / " << y;
            if (busca::Distancia(x, y, 2) <= 2) {
                EXPECT_GE(size_t(comum) + 2, std::max(x.size(), y.size())) << x << " / " << y;
            }
        }
}

TEST(Blocagem, APairThatSharesASingleKeyIsCompared) {
    Cadastro c(TodosOsPares());
    // Only the CIC, punctuated differently: names that have nothing in common, no dates.
    const quint32 a = c.incluir({"TEREZINHA", {}, "BRAGA", {}, "111.444.777-35", {}, "F"});
    const quint32 b = c.incluir({"TEREZA", {}, "LEMOS", {}, "11144477735", {}, "F"});
    // Only the RG, with and without its check digit.
    const quint32 d = c.incluir({"ODETE", {}, "FALCAO", "12.345.678-9", {}, {}, "F"});
    const quint32 e = c.incluir({"DETE", {}, "CAMPOS", "12345678", {}, {}, "F"});
    // The birth date (the first name mistyped at its start).
    const quint32 f = c.incluir({"JOAQUIM", {}, "SOUSA", {}, {}, Data(1933, 8, 19), "M"});
    const quint32 g = c.incluir({"HOAQUIM", {}, "SOUZA", {}, {}, Data(1933, 8, 19), "M"});
    // The names with day and month, the year typed wrong.
    const quint32 h = c.incluir({"ELIAS", {}, "PEIXOTO", {}, {}, Data(1948, 10, 4), "M"});
    const quint32 i = c.incluir({"ELIAS", {}, "PEIXOTO", {}, {}, Data(1984, 10, 4), "M"});
    // The names in each other's field, one record without a birth date.
    const quint32 j = c.incluir({"IRENE", {}, "BASTOS", {}, {}, Data(1940, 1, 1), "F"});
    const quint32 k = c.incluir({"BASTOS", {}, "IRENE", {}, {}, {}, "F"});
    // The given name missing from one record, a digit of the day or of the month wrong.
    const quint32 l = c.incluir({"GERALDO", {}, "FRANCO", {}, {}, Data(1957, 3, 21), "M"});
    const quint32 m = c.incluir({{}, {}, "FRANCO", {}, {}, Data(1957, 3, 27), "M"});
    const quint32 o = c.incluir({"FRANCO", {}, {}, {}, {}, Data(1957, 8, 21), "M"});
    // The day and month of birth typed in each other's place, both names mistyped at their
    // start.
    const quint32 q = c.incluir({"JOSUE", {}, "JACOB", {}, {}, Data(1977, 2, 6), "M"});
    const quint32 s = c.incluir({"HOSUE", {}, "IACOB", {}, {}, Data(1977, 6, 2), "M"});
    // A slip at the start of the given name and one in the month: only the family name and
    // the year are left to meet on.
    const quint32 t = c.incluir({"GILBERTO", {}, "VASCONCELOS", {}, {}, Data(1961, 5, 14), "M"});
    const quint32 u = c.incluir({"HILBERTO", {}, "VASCONCELOS", {}, {}, Data(1961, 8, 14), "M"});
    // A slip of the keyboard in each name that changes its sound (CAMILA / VAMILA, BORGES /
    // BORFES) and a digit of the year: only the names less one letter, with the day and
    // month, meet.
    const quint32 v = c.incluir({"CAMILA", {}, "BORGES", {}, {}, Data(1988, 10, 30), "F"});
    const quint32 w = c.incluir({"VAMILA", {}, "BORFES", {}, {}, Data(1989, 10, 30), "F"});
    // The same with the names in each other's field and a digit of the day.
    const quint32 x = c.incluir({"VALDIR", {}, "FONTOURA", {}, {}, Data(1954, 7, 12), "M"});
    const quint32 y = c.incluir({"FONTOUTA", {}, "VALSIR", {}, {}, Data(1954, 7, 13), "M"});
    // Given and family names that share a spelling less one letter: never a pair with itself.
    c.incluir({"ANA", {}, "ANAS", {}, {}, Data(1990, 4, 4), "F"});
    c.incluir({"ANAS", {}, "ANA", {}, {}, Data(1990, 4, 4), "F"});
    c.busca.Comparar();
    EXPECT_TRUE(c.comparado(v, w));
    EXPECT_TRUE(c.comparado(x, y));
    EXPECT_TRUE(c.comparado(a, b));
    EXPECT_TRUE(c.comparado(d, e));
    EXPECT_TRUE(c.comparado(f, g));
    EXPECT_TRUE(c.comparado(h, i));
    EXPECT_TRUE(c.comparado(j, k));
    EXPECT_TRUE(c.comparado(l, m));
    EXPECT_TRUE(c.comparado(l, o));
    EXPECT_TRUE(c.comparado(q, s));
    EXPECT_TRUE(c.comparado(t, u));
    // Scored once however many keys they share, and never a record against itself.
    std::set<std::pair<quint32, quint32>> vistos;
    for (const ParCandidato& p : c.busca.Pares()) {
        EXPECT_TRUE(vistos.insert({p.a, p.b}).second);
        EXPECT_LT(p.a, p.b);
    }
}

TEST(Blocagem, AGiantBlockIsNotComparedAllAgainstAll) {
    Cadastro c(TodosOsPares(), 0);
    const int n = 3000;
    for (int i = 0; i < n; ++i)
        c.incluir({"MARIA",
                   QVariant(),
                   "SILVA",
                   {},
                   registro::DigitosCPF(quint64(i) * 7919),
                   Data(1970, 1 + i % 12, 1 + (i / 12) % 28),
                   "F"});
    const quint32 a =
        c.incluir({"MARIA", "DE LOURDES", "SILVA", {}, "529.982.247-25", Data(1970, 6, 30), "F"});
    const quint32 b = c.incluir({"MARIA", "L", "SILVA", {}, "52998224725", Data(1970, 6, 30), "F"});
    c.busca.Comparar();
    // Every key that puts all of them in one block walks it by neighbours, not n * n / 2.
    EXPECT_LT(c.busca.ParesComparados(), 20 * n);
    // Enough pairs to be ordered by radix: each once, lower record first, in order.
    const std::vector<quint64> candidatos = c.busca.ParesCandidatos();
    EXPECT_EQ(qint64(candidatos.size()), c.busca.ParesComparados());
    EXPECT_TRUE(std::adjacent_find(candidatos.begin(), candidatos.end(), std::greater_equal<>()) ==
                candidatos.end());
    for (quint64 p : candidatos) EXPECT_LT(p >> 32, p & 0xFFFFFFFFu);
    EXPECT_TRUE(c.comparado(a, b));
    EXPECT_GE(c.busca.Pontuar(a, b), 90);
}

TEST(Blocagem, EveryTwoRecordsOfAChainAreScoredDirectly) {
    // A person registered five times in blocks walked one neighbour each side: the blocking
    // links them as a chain, and the list of pairs has every two of them, as the group does.
    OpcoesBusca o;
    o.blocoMaximo = 2;
    o.janela = 1;
    Cadastro c(o);
    std::vector<quint32> vezes;
    for (int i = 0; i < 5; ++i)
        vezes.push_back(c.incluir({"JOAQUIM", "BATISTA", "SOUSA", {}, {}, Data(1933, 8, 19), "M"}));
    c.busca.Comparar();
    for (size_t i = 0; i < vezes.size(); ++i)
        for (size_t j = i + 1; j < vezes.size(); ++j)
            EXPECT_TRUE(c.comparado(vezes[i], vezes[j])) << i << " " << j;
    EXPECT_GT(c.busca.ParesComparados(), qint64(c.busca.ParesCandidatos().size()));
    const QVector<GrupoCandidato> grupos = c.busca.Agrupar(50);
    const auto grupo = std::find_if(grupos.begin(), grupos.end(), [&](const GrupoCandidato& g) {
        return g.membros.contains(vezes[0]);
    });
    ASSERT_NE(grupo, grupos.end());
    EXPECT_EQ(grupo->membros.size(), 5);
}

TEST(Blocagem, ALargeBlockIsWalkedByTheWholeNameWhateverFieldHoldsIt) {
    // Forty people born on one day: more than a block compared in full, so walked by names.
    Cadastro c(TodosOsPares(), 0);
    const char* nomes[] = {"ALICE",  "BRUNA",   "CARLA",  "DENISE", "ELAINE",  "FABIANA", "GISELE",
                           "HELENA", "IRACEMA", "JOANA",  "KARINA", "LARISSA", "MONICA",  "NADIA",
                           "OLGA",   "PAULA",   "RAQUEL", "SANDRA", "TANIA",   "VERA"};
    const char* familias[] = {"ALMEIDA", "BARROS", "CUNHA", "DUARTE", "FARIAS", "GOMES",
                              "LIMA",    "MOURA",  "NUNES", "PINTO",  "REIS",   "TAVARES"};
    for (int i = 0; i < 40; ++i)
        c.incluir({nomes[i % 20], {}, familias[(i * 7) % 12], {}, {}, Data(1961, 11, 22), "F"});
    // The same woman, once with her whole name, two letters slipped, in the family name's
    // field: no sound of a name meets, only the date, and neither field sorts them together.
    const quint32 a = c.incluir({"JULIA", {}, "SOARES", {}, {}, Data(1961, 11, 22), "F"});
    const quint32 b = c.incluir({{}, {}, "IULIA SOAERS", {}, {}, Data(1961, 11, 22), "F"});
    const std::vector<quint64> candidatos = c.busca.ParesCandidatos();
    EXPECT_TRUE(std::binary_search(candidatos.begin(), candidatos.end(), quint64(a) << 32 | b));
}

TEST(Agrupamento, GroupsRestOnTheirStrongestLinksAndFlagWhatTheReviewWould) {
    Cadastro c;
    // A chain A~B~C where A and C are two people.
    const quint32 a =
        c.incluir({"JOAO", "PEDRO", "BEZERRA", {}, "111.444.777-35", Data(1990, 5, 10), "M"});
    const quint32 b = c.incluir({"JOAO", QVariant(), "BEZERRA", {}, {}, Data(1990, 5, 10), "M"});
    const quint32 d =
        c.incluir({"JOAO", "PAULO", "BEZERRA", {}, "529.982.247-25", Data(1990, 5, 11), "M"});
    // Three records of one person, linked three times, each link weaker than the one before.
    const quint32 e = c.incluir({"ISAIAS", {}, "SAMPAIO", {}, {}, Data(1944, 12, 1), "M"});
    const quint32 f = c.incluir({"ISAIAS", {}, "SAMPAIO", {}, {}, Data(1944, 12, 10), "M"});
    const quint32 g = c.incluir({"ISAIAS", {}, "SAMPAYO", {}, {}, Data(1944, 12, 1), "M"});
    // A pair that scores as one person but whose birth dates no slip explains.
    const quint32 h =
        c.incluir({"GERTRUDES", "AMELIA", "VALADARES", "40.555.666-7", {}, Data(1931, 3, 12), "F"});
    const quint32 i =
        c.incluir({"GERTRUDES", "AMELIA", "VALADARES", "405556667", {}, Data(1931, 4, 21), "F"});
    c.busca.Comparar();
    const QVector<GrupoCandidato> grupos = c.busca.Agrupar(50);
    const auto grupoDe = [&](quint32 x) -> const GrupoCandidato* {
        for (const GrupoCandidato& gr : grupos)
            if (gr.membros.contains(x))
                return &gr;
        return nullptr;
    };
    const GrupoCandidato* cadeia = grupoDe(b);
    const GrupoCandidato* tres = grupoDe(e);
    const GrupoCandidato* datas = grupoDe(h);
    ASSERT_TRUE(cadeia && tres && datas);
    EXPECT_EQ(cadeia->membros, (QVector<quint32>{a, b, d}));
    EXPECT_TRUE(cadeia->conflito);
    EXPECT_EQ(cadeia->sinais, SinalCic);
    EXPECT_EQ(std::pair(cadeia->fracoA, cadeia->fracoB), std::pair(a, d));  // the pair to show
    EXPECT_LT(cadeia->pontuacaoMembro[0], 5);                               // A and C disagree...
    EXPECT_LT(cadeia->pontuacaoMembro[2], 5);
    // The weakest link a group rests on is that of its strongest spanning links.
    EXPECT_EQ(tres->membros, (QVector<quint32>{e, f, g}));
    std::vector<float> links = {float(c.busca.Pontuar(e, f)), float(c.busca.Pontuar(f, g)),
                                float(c.busca.Pontuar(e, g))};
    std::sort(links.begin(), links.end());
    ASSERT_LT(links[0], links[1]);
    ASSERT_LT(links[1], links[2]);
    EXPECT_FLOAT_EQ(tres->ligacao, links[1]);  // not the weakest: the group never needed it
    EXPECT_FALSE(tres->conflito);
    // Groups come best first.
    for (int k = 1; k < grupos.size(); ++k) EXPECT_GE(grupos[k - 1].ligacao, grupos[k].ligacao);
    // The pair the review would stop carries the review's own sign here too.
    EXPECT_EQ(datas->membros, (QVector<quint32>{h, i}));
    EXPECT_EQ(datas->sinais, SinalNascimento);
    EXPECT_TRUE(datas->conflito);
    Connection cn;
    clsADO ado;
    clsComparacaoPacientes comparacao(cn, ado);
    const auto registro = [](qint32 id, const char* rg, QDate nascimento) {
        clsComparacaoPacientes::Registro r;
        r.id = id;
        r.valores = {{"RG", rg}};
        r.nascimento = nascimento;
        return r;
    };
    comparacao.Definir({registro(100000 + qint32(h), "40.555.666-7", QDate(1931, 3, 12)),
                        registro(100000 + qint32(i), "405556667", QDate(1931, 4, 21))});
    const auto conflitos = clsVerificacaoSeguranca::Conflitos(comparacao, {}, {});
    ASSERT_EQ(conflitos.size(), 1);
    EXPECT_EQ(conflitos[0].tipo, clsVerificacaoSeguranca::Conflito::Nascimento);
}

TEST(Agrupamento, APairLinkedThroughAThirdRecordIsKeptUnlessItsOwnFieldsSayTwoPeople) {
    Cadastro c;
    // One woman three times: B has both documents, A the RG and the birth date, C the CIC.
    const QVariant rg = "23.456.789-0", cic = "529.982.247-25";
    const quint32 b = c.incluir({"MARIA", "APARECIDA", "SANTOS", rg, cic, {}, "F"});
    const quint32 a = c.incluir({"MARIA", "APARECIDA", "SANTOS", rg, {}, Data(1970, 3, 15), "F"});
    const quint32 d = c.incluir({"MARIA", {}, "SANTOS", {}, cic, {}, "F"});
    // Another with B's CIC, born on a day no slip of A's explains.
    const quint32 e = c.incluir({"MARIA", {}, "SANTOS", {}, cic, Data(1958, 11, 2), "F"});
    c.busca.Comparar();
    const double ab = c.busca.Pontuar(a, b), bd = c.busca.Pontuar(b, d), ad = c.busca.Pontuar(a, d);
    ASSERT_GE(ab * bd / 100, 50);
    ASSERT_LT(ad, 50);
    ASSERT_GE(ad, 3);
    ASSERT_GE(c.busca.Pontuar(b, e), 50);
    const auto par = [&](quint32 x, quint32 y) -> const ParCandidato* {
        for (const ParCandidato& p : c.busca.Pares())
            if (p.a == std::min(x, y) && p.b == std::max(x, y))
                return &p;
        return nullptr;
    };
    // A and C: listed with what the two links say together, their own score and verdicts kept.
    const ParCandidato* p = par(a, d);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->via, c.busca.Reg(b).id);
    EXPECT_FLOAT_EQ(p->pelasLigacoes, float(ab) * float(bd) / 100.0f);
    EXPECT_EQ(p->Listada(), p->pelasLigacoes);
    EXPECT_FLOAT_EQ(p->pontuacao, float(ad));
    std::array<Veredito, kCampos> v;
    EXPECT_DOUBLE_EQ(c.busca.Pontuar(*p, &v), ad);
    // A pair kept on its own fields is not linked through another.
    ASSERT_NE(par(a, b), nullptr);
    EXPECT_EQ(par(a, b)->via, 0);
    // A and the other: the birth dates say two people, whatever links them.
    EXPECT_EQ(par(a, e), nullptr);
    // The pairs stay in order; the group is the one the links make, its weakest pair its own.
    const auto& pares = c.busca.Pares();
    for (size_t i = 1; i < pares.size(); ++i)
        EXPECT_LT(std::pair(pares[i - 1].a, pares[i - 1].b), std::pair(pares[i].a, pares[i].b));
    for (const GrupoCandidato& g : c.busca.Agrupar(50))
        if (g.membros.contains(a)) {
            EXPECT_EQ(g.membros, (QVector<quint32>{b, a, d, e}));
            EXPECT_TRUE(g.conflito);
            EXPECT_LT(g.menorPar, 3);
        }
}

// The window stops a long search: asked between steps and while scoring, `parar` ends it
// with nothing half-kept and a reason.
TEST(Agrupamento, AStoppedSearchKeepsNoPairsAndSaysSo) {
    for (int permitidas : {0, 3, 6}) {
        OpcoesBusca o = TodosOsPares();
        int perguntas = 0;
        o.parar = [&perguntas, permitidas] { return ++perguntas > permitidas; };
        Cadastro c(o);
        EXPECT_FALSE(c.busca.Comparar()) << permitidas;
        EXPECT_TRUE(c.busca.Pares().empty()) << permitidas;
        EXPECT_TRUE(c.busca.Erro().contains("interrompida")) << permitidas;
    }
    Cadastro c(TodosOsPares());
    EXPECT_TRUE(c.busca.Comparar());
    EXPECT_FALSE(c.busca.Pares().empty());
}
