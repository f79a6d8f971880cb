#include <gtest/gtest.h>

#include <QDateTime>
#include <QHash>

#include "GeradorPacientes.h"
#include "decisions/clsDecisaoPessoas.h"
#include "match/AprendizadoEM.h"
#include "match/EvidenciaPar.h"
#include "match/clsParametrosBusca.h"
#include "support/RegistroMerge.h"

using namespace semelhanca;

namespace {

// The demo generator's people, a quarter of them (or the share asked) registered twice or
// three times: the truth (which records are one person) is known, the telephone never filled.
struct Gerado {
    LocalizadorSemelhantes busca;
    std::vector<std::pair<quint32, quint32>> paresVerdadeiros;
    // `compostos`: one person in this many goes by two given names, in every record.
    // `semMeio`: nobody's middle name is registered.
    explicit Gerado(int registros, OpcoesBusca o = {}, int duplicadosPorCento = 25,
                    int compostos = 0, bool semMeio = false)
        : busca(o) {
        registro::GeradorPacientes g(7, duplicadosPorCento, 3);
        QHash<qint64, QVector<quint32>> porPessoa;
        const QStringList segundos = {"CLARA", "PEDRO", "EDUARDA", "CARLOS", "LUIZA", "HENRIQUE"};
        for (int i = 0; i < registros; ++i) {
            registro::PacienteGerado p = g.Proximo();
            if (compostos && p.pessoa % compostos == 0)
                p.nome += ' ' + segundos[int(p.pessoa / compostos % segundos.size())];
            busca.Adicionar(i + 1, p.nome, semMeio ? QString() : p.nomeMeio, p.nomeUltimo, p.rg,
                            p.cic, p.nascimento.isValid() ? QVariant(p.nascimento) : QVariant(),
                            p.sexo, p.prontuario, p.cep, {}, p.endereco, p.bairro, p.cidade);
            porPessoa[p.pessoa] << quint32(i);
        }
        for (const auto& registrosDaPessoa : porPessoa)
            for (int x = 0; x < registrosDaPessoa.size(); ++x)
                for (int y = x + 1; y < registrosDaPessoa.size(); ++y)
                    paresVerdadeiros.emplace_back(registrosDaPessoa[x], registrosDaPessoa[y]);
    }
    // The share of one person's pairs that fall into a level, among those with the field
    // (among all, where its absence is a level): what m is, counted where the answer is known.
    double m(Campo campo, int nivel) {
        double no = 0, com = 0;
        std::array<Veredito, kCampos> v;
        for (const auto& [a, b] : paresVerdadeiros) {
            busca.Pontuar(a, b, &v);
            com += v[size_t(campo)].nivel != 0 || ModeloPontuacao::Ausencia(int(campo));
            no += v[size_t(campo)].nivel == nivel;
        }
        return no / com;
    }
};

QString Texto(const QString& s) {
    return s.isNull() ? QStringLiteral("NULL") : "N'" + QString(s).replace('\'', "''") + "'";
}

// A patient row as the register holds it.
void Paciente(RegistroMerge& r, const QString& valores) {
    r.Executar(
        "INSERT INTO Paciente (Nome, Nome_Meio, Nome_Último, RG, CIC, Data_Nascimento, "
        "Sexo) VALUES (" +
        valores + ")");
}

bool TemPar(const LocalizadorSemelhantes& b, qint32 x, qint32 y) {
    for (const ParCandidato& p : b.Pares())
        if (std::minmax(b.Reg(p.a).id, b.Reg(p.b).id) == std::minmax(x, y))
            return true;
    return false;
}

}  // namespace

TEST(Aprendizado, LearnsThePriorAndMFromARegisterWhoseAnswerIsKnown) {
    Gerado a(3000);
    ASSERT_TRUE(a.busca.Comparar());
    ASSERT_TRUE(a.busca.Aprendeu());
    EXPECT_LT(a.busca.IteracoesAprendizado(), 60);  // it converged
    const Parametros& p = a.busca.Modelo().Atuais();
    const Parametros& inicial = a.busca.Modelo().Iniciais();
    // The share of records that have another of the same person, as the pairs say it.
    const double verdade = 2.0 * double(a.paresVerdadeiros.size()) / 3000;
    EXPECT_NEAR(p.duplicados, verdade, 0.15 * verdade);
    // m as the known pairs show it, not as it started.
    for (const auto& [campo, nivel] :
         {std::pair{Campo::Nome, nivel::kNomeIgual},
          std::pair{Campo::Nascimento, nivel::kDataIgual}, std::pair{Campo::RG, 1}}) {
        const double conhecido = a.m(campo, nivel);
        EXPECT_NEAR(p.m[size_t(campo)][nivel], conhecido, 0.04) << int(campo);
        EXPECT_GT(std::abs(inicial.m[size_t(campo)][nivel] - conhecido), 0.04) << int(campo);
    }
    // The register shows almost no pair of one person with its names typed far apart, but
    // a name's disagreements keep a third of their start and the field's levels still add
    // up to one.
    for (const Campo campo : {Campo::Nome, Campo::NomeUltimo}) {
        double soma = 0;
        for (int l = 1; l < p.m[size_t(campo)].size(); ++l) {
            EXPECT_GE(p.m[size_t(campo)][l], inicial.m[size_t(campo)][l] / 3 - 1e-12) << l;
            soma += p.m[size_t(campo)][l];
        }
        EXPECT_NEAR(soma, 1.0, 1e-9);
    }
    // A field the register never fills stays where it started; fixed levels stay fixed.
    EXPECT_EQ(p.m[size_t(Campo::Telefone)], inicial.m[size_t(Campo::Telefone)]);
    EXPECT_EQ(p.m[size_t(Campo::Nascimento)][nivel::kDataAnosDiferenca],
              inicial.m[size_t(Campo::Nascimento)][nivel::kDataAnosDiferenca]);
    // Learned again from the same register, the parameters are the same, to the last bit.
    Gerado b(3000);
    ASSERT_TRUE(b.busca.Comparar());
    EXPECT_EQ(b.busca.Modelo().Atuais().m, p.m);
    EXPECT_EQ(b.busca.Modelo().Atuais().u, p.u);
    EXPECT_EQ(b.busca.Modelo().Atuais().duplicados, p.duplicados);

    // Nine records in ten with another of the same person: about one other a record, and the
    // prior says so rather than stopping short of it.
    Gerado muitos(3000, {}, 90);
    ASSERT_TRUE(muitos.busca.Comparar());
    const double outros = 2.0 * double(muitos.paresVerdadeiros.size()) / 3000;
    ASSERT_GT(outros, 0.95);
    EXPECT_NEAR(muitos.busca.Modelo().Atuais().duplicados, outros, 0.03 * outros);
}

TEST(Aprendizado, RareAndCommonNamesOfOnePatternAreToldApart) {
    // Names and birth date only. A thousand pairs of rare names agree on the date, forty of
    // them are one digit off: one person's records, one pair in 26 with the slip. Twenty
    // thousand pairs of the commonest names one digit off are strangers. By their levels
    // alone the forty and the twenty thousand are one pattern, and the slip was learned to be
    // what nine pairs of one person in ten show.
    const auto& niveis = Definicoes()[size_t(Campo::Nascimento)].niveis;
    int umDigito = 0;
    while (QString::fromUtf8(niveis[umDigito].rotulo) != QString::fromUtf8("um dígito")) ++umDigito;
    std::array<quint8, kCampos> n{};
    n[size_t(Campo::Nome)] = nivel::kNomeIgual;
    n[size_t(Campo::NomeUltimo)] = nivel::kNomeIgual;
    n[size_t(Campo::Nascimento)] = nivel::kDataIgual;
    const Padrao mesmoDia = Codificar(n);
    n[size_t(Campo::Nascimento)] = quint8(umDigito);
    const Padrao digito = Codificar(n);
    const ModeloPontuacao modelo;
    const ResultadoEM r = AprenderEM(modelo,
                                     {{ComFrequencia(mesmoDia, 10), 1000},
                                      {ComFrequencia(digito, 10), 40},
                                      {ComFrequencia(digito, -10), 20000}},
                                     {}, 100000);
    EXPECT_NEAR(r.parametros.m[size_t(Campo::Nascimento)][umDigito], 40.0 / 1040, 0.02);
    // A pattern with no frequency weight (the register's history) adds nothing to its levels.
    EXPECT_EQ(PesoDaFrequencia(mesmoDia), 0);
    EXPECT_EQ(PesoDaFrequencia(ComFrequencia(mesmoDia, -2.25)), -2.25);
    EXPECT_EQ(Decodificar(ComFrequencia(digito, -7.5)), n);
}

TEST(Aprendizado, AMiddleNamesAbsenceIsLearnedAndSaysNothingWhereNobodyHasOne) {
    // Whether one person's records both lack a middle name, or only one does, is learned as
    // the known pairs show it; neither having one never counts against a pair, one having
    // one never for it.
    Gerado a(3000);
    ASSERT_TRUE(a.busca.Comparar());
    const ModeloPontuacao& modelo = a.busca.Modelo();
    const int meio = int(Campo::NomeMeio);
    for (const int nivel : {nivel::kMeioNulo, nivel::kMeioNuloNosDois})
        EXPECT_NEAR(modelo.Atuais().m[size_t(meio)][nivel], a.m(Campo::NomeMeio, nivel), 0.04);
    EXPECT_LE(modelo.Peso(meio, nivel::kMeioNulo), 0);
    EXPECT_GE(modelo.Peso(meio, nivel::kMeioNuloNosDois), 0);
    // A register that never fills the field: every pair lacks it on both sides, which then
    // weighs nothing, and the scores are those of the same register read without the field.
    Gerado sem(3000, {}, 25, 0, true);
    ASSERT_TRUE(sem.busca.Comparar());
    EXPECT_NEAR(sem.busca.Modelo().Peso(meio, nivel::kMeioNuloNosDois), 0, 0.05);
    std::array<Veredito, kCampos> v;
    const auto [x, y] = sem.paresVerdadeiros.front();
    sem.busca.Pontuar(x, y, &v);
    EXPECT_EQ(v[size_t(meio)].nivel, nivel::kMeioNuloNosDois);
}

TEST(Aprendizado, AGivenNameOfOneWordAgainstTwoCostsWhatTheRegistersCompoundNamesSay) {
    // Where a fifth of the people go by two given names, JOAO and JOAO CARLOS agree on their
    // first word as often as two strangers do, one of them being one of those.
    Gerado a(3000, {}, 25, 5);
    const quint32 joao = quint32(a.busca.Registros());
    const QVariant dia = QDate(1961, 5, 14);
    a.busca.Adicionar(90001, "JOAO", {}, "BRANDAO", {}, {}, dia, "M");
    a.busca.Adicionar(90002, "JOAO CARLOS", {}, "BRANDAO", {}, {}, dia, "M");
    a.busca.Adicionar(90003, "JOAO", {}, "BRANDAO", {}, {}, dia, "M");
    ASSERT_TRUE(a.busca.Comparar());
    std::array<Veredito, kCampos> v;
    const double composto = a.busca.Pontuar(joao, joao + 1, &v);
    EXPECT_EQ(v[size_t(Campo::OrdemNomes)].nivel, nivel::kOrdemRedistribuidos);
    EXPECT_LE(v[size_t(Campo::OrdemNomes)].peso, -1.0);
    EXPECT_LT(composto, a.busca.Pontuar(joao, joao + 2));
}

TEST(Aprendizado, SavedParametersAreReusedUntilAskedOrTheRegisterChanges) {
    RegistroMerge r(false);
    registro::GeradorPacientes g(3, 20, 3);
    const auto inserir = [&](int quantos) {
        for (int i = 0; i < quantos; ++i) {
            const registro::PacienteGerado p = g.Proximo();
            const auto t = Texto;
            Paciente(r, QStringList{t(p.nome), t(p.nomeMeio), t(p.nomeUltimo), t(p.rg), t(p.cic),
                                    p.nascimento.isValid()
                                        ? "'" + p.nascimento.toString("yyyy-MM-dd") + "'"
                                        : "NULL",
                                    t(p.sexo)}
                            .join(", "));
        }
    };
    inserir(600);
    const auto buscar = [&](bool aprender) {
        OpcoesBusca o;
        o.aprender = aprender;
        auto b = std::make_unique<LocalizadorSemelhantes>(o);
        EXPECT_TRUE(b->Executar(r.cn(), r.ado())) << b->Erro().toStdString();
        EXPECT_TRUE(b->Aviso().isEmpty()) << b->Aviso().toStdString();
        return b;
    };
    const auto primeira = buscar(false);
    EXPECT_TRUE(primeira->Aprendeu());  // nothing saved yet
    clsParametrosBusca guardados(r.cn(), r.ado());
    clsParametrosBusca::Salvos salvos;
    bool existem = false;
    ASSERT_TRUE(guardados.Ler(salvos, existem));
    ASSERT_TRUE(existem);
    EXPECT_EQ(salvos.registros, 600);
    EXPECT_EQ(salvos.maiorId, 600);
    EXPECT_EQ(salvos.parametros.m, primeira->Modelo().Atuais().m);
    EXPECT_EQ(salvos.parametros.familia, primeira->Modelo().Atuais().familia);

    // The next search scores with them: the same pairs, the same scores.
    const auto segunda = buscar(false);
    EXPECT_FALSE(segunda->Aprendeu());
    ASSERT_EQ(segunda->Pares().size(), primeira->Pares().size());
    for (size_t i = 0; i < segunda->Pares().size(); ++i)
        EXPECT_EQ(segunda->Pares()[i].pontuacao, primeira->Pares()[i].pontuacao);
    // The evidence the comparison window draws, read without comparing the register, is the
    // search's: the same score, the prior and the fields' weights adding up to it.
    for (const ParCandidato& p : {segunda->Pares().front(), segunda->Pares().back()}) {
        const qint32 a = segunda->Reg(p.a).id, b = segunda->Reg(p.b).id;
        QVector<EvidenciaPar> evidencias;
        QString erro;
        ASSERT_TRUE(EvidenciasDosPares(r.cn(), r.ado(), {b, 99999, a}, evidencias, erro));
        ASSERT_EQ(evidencias.size(), 1);  // 99999 is in no register
        const EvidenciaPar& e = evidencias[0];
        EXPECT_EQ(std::pair(e.idA, e.idB), std::pair(b, a));
        EXPECT_FLOAT_EQ(float(e.pontuacao), p.pontuacao);
        double total = e.prior;
        for (const ItemEvidencia& item : e.campos) total += item.peso;
        EXPECT_DOUBLE_EQ(total, e.total);
        EXPECT_NEAR(ModeloPontuacao::Pontuacao(e.total), e.pontuacao, 1e-9);
        EXPECT_LT(e.prior, 0);
    }
    EXPECT_TRUE(buscar(true)->Aprendeu());  // asked

    inserir(30);  // 5 %: still the register they were learned on
    EXPECT_FALSE(buscar(false)->Aprendeu());
    r.Executar("DELETE FROM Paciente WHERE ID_Paciente <= 40");  // 630 - 40 = 590, and 70 changed
    EXPECT_TRUE(buscar(false)->Aprendeu());
}

TEST(Aprendizado, DecisionsAndMarksReachTheSearchAndTheHistoryChecksIt) {
    RegistroMerge r;
    registro::GeradorPacientes g(5, 0, 0);  // people registered once each
    for (int i = 0; i < 40; ++i) {
        const registro::PacienteGerado p = g.Proximo();
        Paciente(r, QStringLiteral("%1, NULL, %2, NULL, NULL, '%3', 'F'")
                        .arg(Texto(p.nome), Texto(p.nomeUltimo),
                             QDate(1930 + i, 1, 1).toString("yyyy-MM-dd")));
    }
    Paciente(r, "N'ALZIRA', N'MOTA', N'FAGUNDES', N'31.222.333-4', NULL, '1961-07-19', 'F'");  // 41
    Paciente(r, "N'ALZIRA', NULL, N'FAGUNDES', N'312223334', NULL, '1961-07-19', 'F'");        // 42
    Paciente(r, "N'BENEDITO', N'SA', N'CORREIA', NULL, NULL, '1939-02-11', 'M'");              // 43
    Paciente(r, "N'BENEDITO', N'SA', N'CORREA', NULL, NULL, '1939-02-11', 'M'");               // 44
    // A record merged into 43 long ago, as the log keeps it.
    r.Executar(
        "INSERT INTO PacienteLog (ID_Paciente, Nome, Nome_Meio, Nome_Último, Data_Nascimento, "
        "Sexo, ID_PacienteNovo, ID_Usuario, Data) VALUES (99, N'BENEDITO', N'SA', N'CORREIA', "
        "'1939-02-11', 'M', 43, 1, '2020-01-01')");
    r.Executar(
        "INSERT INTO PacienteLogSemSolucao (ID_Paciente, ID_PacienteLogJustificativa, "
        "ID_Usuario, Descricao) VALUES (44, 1, 1, '')");
    clsDecisaoPessoas decisoes(r.cn(), r.ado());
    ASSERT_TRUE(decisoes.CriarTabela());
    ASSERT_TRUE(decisoes.Registrar({41, 42}, 4, QString(), 1));

    const auto buscar = [&](bool decididos) {
        OpcoesBusca o;
        o.incluirDecididos = decididos;
        auto b = std::make_unique<LocalizadorSemelhantes>(o);
        EXPECT_TRUE(b->Executar(r.cn(), r.ado())) << b->Erro().toStdString();
        return b;
    };
    auto b = buscar(false);
    // A few dozen pairs cannot outweigh the starting values: they stand.
    EXPECT_EQ(b->Modelo().Atuais().m, b->Modelo().Iniciais().m);
    EXPECT_FALSE(TemPar(*b, 41, 42));  // decided: left out
    EXPECT_TRUE(TemPar(*b, 43, 44));
    const QVector<GrupoCandidato> grupos = b->Agrupar(50);
    ASSERT_EQ(grupos.size(), 1);
    EXPECT_TRUE(grupos[0].semSolucao);  // 44 is marked
    EXPECT_TRUE(grupos[0].conflito);
    EXPECT_EQ(b->Rotulos().mesmaPessoa, 1);
    EXPECT_EQ(b->Rotulos().mesmaAcima[0][0], 1);
    EXPECT_EQ(b->Rotulos().pessoasDiferentes, 1);
    EXPECT_EQ(b->Rotulos().diferentesAcima[0][0], 1);  // the model alone took them for one

    b = buscar(true);  // asked for: there, and flagged
    ASSERT_TRUE(TemPar(*b, 41, 42));
    for (const ParCandidato& p : b->Pares()) EXPECT_EQ(p.decidido, b->Reg(p.a).id == 41);
    EXPECT_EQ(b->Agrupar(50).size(), 1);  // still never joined

    // A compared field changed since the decision: it needs a new look, and the pair is back.
    r.Executar("UPDATE Paciente SET RG = N'31.222.333-5' WHERE ID_Paciente = 42");
    EXPECT_TRUE(TemPar(*buscar(false), 41, 42));
}
