#include <gtest/gtest.h>

#include <QDateTime>
#include <cmath>
#include <set>

#include "GeradorPacientes.h"
#include "match/LocalizadorSemelhantes.h"

using namespace semelhanca;

namespace {

QVariant Data(int a, int m, int d) {
    return QDateTime(QDate(a, m, d), QTime(0, 0));
}

struct Pessoa {
    QVariant nome, meio, ultimo, rg, cic, nascimento, sexo;
};

// A register of ordinary people (the demo generator's, without duplicates) for the tested
// records to stand out from: the weights depend on how common each value is.
class Cadastro {
  public:
    explicit Cadastro(OpcoesBusca o = {}, int fundo = 4000) : busca(o) {
        registro::GeradorPacientes g(11, 0, 0);
        for (int i = 0; i < fundo; ++i) {
            const registro::PacienteGerado p = g.Proximo();
            busca.Adicionar(i + 1, p.nome, p.nomeMeio, p.nomeUltimo, p.rg, p.cic,
                            p.nascimento.isValid() ? Data(p.nascimento.year(), p.nascimento.month(),
                                                          p.nascimento.day())
                                                   : QVariant(),
                            p.sexo, p.prontuario, p.cep, p.telefone);
        }
    }
    quint32 incluir(const Pessoa& p) {
        const quint32 i = quint32(busca.Registros());
        busca.Adicionar(100000 + qint32(i), p.nome, p.meio, p.ultimo, p.rg, p.cic, p.nascimento,
                        p.sexo);
        return i;
    }
    bool comparado(quint32 a, quint32 b) const {
        for (const ParCandidato& p : busca.Pares())
            if (p.a == std::min(a, b) && p.b == std::max(a, b))
                return true;
        return false;
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

TEST(Pontuacao, NullAndEmptyAreBothNothingAndAMissingMiddleNameCostsNothing) {
    Cadastro c;
    const quint32 nulo = c.incluir({"MARCIA", QVariant(), "PRADO", {}, {}, Data(1980, 3, 7), "F"});
    const quint32 vazio =
        c.incluir({"MARCIA", QString(""), "PRADO", {}, {}, Data(1980, 3, 7), "F"});
    const quint32 cheio =
        c.incluir({"MARCIA", "APARECIDA", "PRADO", QString(""), QVariant(), Data(1980, 3, 7), "F"});
    c.busca.Comparar();
    std::array<Veredito, kCampos> v;
    const double nv = c.busca.Pontuar(nulo, vazio, &v);
    EXPECT_EQ(v[size_t(Campo::NomeMeio)].nivel, 0);
    EXPECT_EQ(v[size_t(Campo::NomeMeio)].peso, 0);
    const double nc = c.busca.Pontuar(nulo, cheio, &v);
    EXPECT_EQ(v[size_t(Campo::NomeMeio)].nivel, 0);
    EXPECT_EQ(v[size_t(Campo::RG)].nivel, 0);
    EXPECT_DOUBLE_EQ(nv, nc);
    EXPECT_DOUBLE_EQ(nv, c.busca.Pontuar(vazio, cheio));
}

TEST(Pontuacao, SwappedDayAndMonthAndOneDigitSlipsAreForgivenYearsApartAreNot) {
    Cadastro c;
    const Pessoa base{"RENATA", "CRISTINA", "MEDEIROS", {}, {}, Data(1980, 3, 7), "F"};
    const quint32 a = c.incluir(base);
    Pessoa trocada = base;
    trocada.nascimento = Data(1980, 7, 3);
    const quint32 b = c.incluir(trocada);
    Pessoa digito = base;
    digito.nascimento = Data(1986, 3, 7);
    const quint32 d = c.incluir(digito);
    Pessoa longe = base;
    longe.nascimento = Data(1952, 11, 23);
    const quint32 e = c.incluir(longe);
    c.busca.Comparar();
    std::array<Veredito, kCampos> v;
    const double sTrocada = c.busca.Pontuar(a, b, &v);
    EXPECT_EQ(
        LocalizadorSemelhantes::Rotulo(int(Campo::Nascimento), v[size_t(Campo::Nascimento)].nivel),
        QString::fromUtf8("dia e mês trocados"));
    EXPECT_GT(v[size_t(Campo::Nascimento)].peso, 5);
    const double sDigito = c.busca.Pontuar(a, d, &v);
    EXPECT_EQ(v[size_t(Campo::Nascimento)].nivel, 3);
    const double sLonge = c.busca.Pontuar(a, e, &v);
    EXPECT_LT(v[size_t(Campo::Nascimento)].peso, -5);
    EXPECT_GE(sTrocada, 50);
    EXPECT_GE(sDigito, 50);
    EXPECT_LT(sLonge, 5);
}

TEST(Pontuacao, ConflictingStrongIdentifiersPullTheScoreDownHard) {
    OpcoesBusca o;
    Cadastro c(o);
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
    Pessoa cicComErro = base;
    cicComErro.cic = "111.444.777-53";  // a slip: its check digits are wrong
    const quint32 f = c.incluir(cicComErro);
    c.busca.Comparar();
    std::array<Veredito, kCampos> v;
    const double sSem = c.busca.Pontuar(a, b);
    const double sOutro = c.busca.Pontuar(a, d, &v);
    EXPECT_EQ(v[size_t(Campo::CIC)].nivel, 4);
    EXPECT_LT(v[size_t(Campo::CIC)].peso, -8);
    EXPECT_LT(sOutro, 50);
    EXPECT_GT(Logito(sSem) - Logito(sOutro), 9);
    c.busca.Pontuar(b, e, &v);
    EXPECT_LT(v[size_t(Campo::Sexo)].peso, -3);
    EXPECT_GT(Logito(c.busca.Pontuar(a, b)) - Logito(c.busca.Pontuar(b, e)), 3);
    // A CIC typed with a slip is not a conflict.
    const double sErro = c.busca.Pontuar(a, f, &v);
    EXPECT_EQ(v[size_t(Campo::CIC)].nivel, 3);
    EXPECT_GT(sErro, sSem);
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

TEST(Blocagem, APairThatSharesASingleKeyIsCompared) {
    Cadastro c(TodosOsPares());
    // Only the CIC, punctuated differently: names that have nothing in common, no dates.
    const quint32 a = c.incluir({"TEREZINHA", {}, "BRAGA", {}, "111.444.777-35", {}, "F"});
    const quint32 b = c.incluir({"TEREZA", {}, "LEMOS", {}, "11144477735", {}, "F"});
    // Only the RG, with and without its check digit.
    const quint32 d = c.incluir({"ODETE", {}, "FALCAO", "12.345.678-9", {}, {}, "F"});
    const quint32 e = c.incluir({"DETE", {}, "CAMPOS", "12345678", {}, {}, "F"});
    // Only the birth date with a surname that sounds alike (first name mistyped at its start).
    const quint32 f = c.incluir({"JOAQUIM", {}, "SOUSA", {}, {}, Data(1933, 8, 19), "M"});
    const quint32 g = c.incluir({"HOAQUIM", {}, "SOUZA", {}, {}, Data(1933, 8, 19), "M"});
    // Only the names with day and month, the year typed wrong.
    const quint32 h = c.incluir({"ELIAS", {}, "PEIXOTO", {}, {}, Data(1948, 10, 4), "M"});
    const quint32 i = c.incluir({"ELIAS", {}, "PEIXOTO", {}, {}, Data(1984, 4, 10), "M"});
    c.busca.Comparar();
    EXPECT_TRUE(c.comparado(a, b));
    EXPECT_TRUE(c.comparado(d, e));
    EXPECT_TRUE(c.comparado(f, g));
    EXPECT_TRUE(c.comparado(h, i));
    // Scored once however many keys they share.
    std::set<std::pair<quint32, quint32>> vistos;
    for (const ParCandidato& p : c.busca.Pares()) EXPECT_TRUE(vistos.insert({p.a, p.b}).second);
}

TEST(Blocagem, AGiantBlockIsNotComparedAllAgainstAll) {
    OpcoesBusca o = TodosOsPares();
    Cadastro c(o, 0);
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
    EXPECT_LT(c.busca.ParesComparados(), 400000);
    EXPECT_TRUE(c.comparado(a, b));
    EXPECT_GE(c.busca.Pontuar(a, b), 90);
}

TEST(Agrupamento, AChainWhoseEndsDisagreeIsFlagged) {
    OpcoesBusca o;
    o.limiar = 50;
    Cadastro c(o);
    const quint32 a =
        c.incluir({"JOAO", "PEDRO", "BEZERRA", {}, "111.444.777-35", Data(1990, 5, 10), "M"});
    const quint32 b = c.incluir({"JOAO", QVariant(), "BEZERRA", {}, {}, Data(1990, 5, 10), "M"});
    const quint32 d =
        c.incluir({"JOAO", "PAULO", "BEZERRA", {}, "529.982.247-25", Data(1990, 5, 11), "M"});
    // And a plain pair beside them.
    const quint32 e =
        c.incluir({"ISAIAS", "DE ASSIS", "SAMPAIO", "20.111.222-3", {}, Data(1944, 12, 1), "M"});
    const quint32 f =
        c.incluir({"ISAIAS", "ASSIS", "SAMPAIO", "201112223", {}, Data(1944, 12, 1), "M"});
    c.busca.Comparar();
    const QVector<GrupoCandidato> grupos = c.busca.Agrupar(50);
    const GrupoCandidato* cadeia = nullptr;
    const GrupoCandidato* par = nullptr;
    for (const GrupoCandidato& g : grupos) {
        if (g.membros.contains(b))
            cadeia = &g;
        if (g.membros.contains(e))
            par = &g;
    }
    ASSERT_TRUE(cadeia);
    ASSERT_TRUE(par);
    EXPECT_EQ(cadeia->membros, (QVector<quint32>{a, b, d}));
    EXPECT_TRUE(cadeia->conflito);
    EXPECT_LT(cadeia->menorPar, o.limiarRevisao);
    EXPECT_EQ(std::pair(cadeia->fracoA, cadeia->fracoB), std::pair(a, d));  // the pair to show
    EXPECT_GE(cadeia->ligacao, 50);
    EXPECT_LT(cadeia->pontuacaoMembro[0], o.limiarRevisao);  // A and C disagree...
    EXPECT_LT(cadeia->pontuacaoMembro[2], o.limiarRevisao);
    EXPECT_EQ(par->membros, (QVector<quint32>{e, f}));
    EXPECT_FALSE(par->conflito);
    EXPECT_EQ(par->pontuacaoMembro[0], par->pontuacaoMembro[1]);
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
