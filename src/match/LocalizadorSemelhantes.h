#pragma once

#include <QPair>
#include <QSet>
#include <QString>
#include <QVariant>
#include <QVector>
#include <array>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "match/FuncoesBusca.h"
#include "match/ModeloPontuacao.h"

class Connection;
class clsADO;

// Finds the records of one person that exact grouping keeps apart. Reads the patient table
// once into a compact form; puts records that share a strong key into blocks (LocalizadorBlocagem);
// compares the pairs of the blocks field by field (LocalizadorComparacao); learns the model's
// parameters from those pairs when asked (AprendizadoEM.h); and joins the pairs above a
// threshold into candidate groups.
namespace semelhanca {

struct OpcoesBusca {
    double limiar = 50;        // pairs kept and joined into groups (0..100)
    double limiarRevisao = 3;  // below this two members of one group look like two people
    // Blocks up to this size are compared all against all. Larger ones (every MARIA, every
    // record born on one day of a large register) are sorted in a few orders and each record
    // is compared with its next `janela` neighbours in each (one fewer in a block of one birth
    // date), so that the pairs per record stay bounded however large the register grows.
    int blocoMaximo = 12;
    int janela = 3;
    // Starting share of records that have another record of the same person (the prior).
    double duplicados = 0.10;
    int linhasPorPagina = 100000;
    int threads = 2;
    // Learn m and the prior from the register even when saved parameters exist.
    bool aprender = false;
    // Keep the pairs the administrator decided are not the same person (flagged) instead of
    // leaving them out.
    bool incluirDecididos = false;
    // Only make the model ready to score given pairs (Pontuar): the saved parameters, or
    // learned (and saved) when there are none; no pair is kept.
    bool somentePreparar = false;
    // Asked between steps and every few thousand pairs (from any thread): true stops the
    // search, which then fails with Erro() saying so.
    std::function<bool()> parar;
};

// One field's verdict on a pair: its level and the weight it added.
struct Veredito {
    int nivel = 0;
    double peso = 0;
};

struct ParCandidato {
    quint32 a = 0, b = 0;  // record indices, a < b
    float pontuacao = 0;   // on the pair's own fields
    std::array<quint8, kCampos> niveis{};
    quint8 sinais = 0;      // signs of different people (patient/RegrasMesmaPessoa.h)
    bool decidido = false;  // decided "not the same person" (kept only when asked for)
    // Through a third record both are linked to (its ID_Paciente in `via`; 0 for none): the
    // two links' score together, where it says more than the pair's own.
    float pelasLigacoes = 0;
    qint32 via = 0;
    // The score the list of pairs shows: the better of the two.
    float Listada() const { return std::max(pontuacao, pelasLigacoes); }
};

struct GrupoCandidato {
    QVector<quint32> membros;        // record indices, in register order
    QVector<float> pontuacaoMembro;  // each member's weakest score against the others
    float ligacao = 0;               // the weakest of the links that hold the group together
    float menorPar = 0;              // the weakest pair of members scored directly
    quint32 fracoA = 0, fracoB = 0;  // that pair (record indices): what the reviewer should see
    quint8 sinais = 0;               // signs of different people between any two members
    bool decidido = false;           // two members were decided "not the same person"
    bool semSolucao = false;         // a member is marked as having no solution
    bool conflito = false;           // any of the above, or a pair below the review threshold
};

// What one record of Paciente is reduced to. Names and places are numbers in dictionaries of
// distinct values, documents are their digits, the date is yyyymmdd. Two cache lines exactly
// (96 bytes, on a 32-byte boundary): every pair compared reads its second record from anywhere
// in the register, and at millions of records that read is most of a comparison's time.
struct alignas(32) Registro {
    qint32 id = 0;
    quint32 nome = 0, meio = 0, ultimo = 0;  // 0 = nothing
    // The whole name re-read as its first and last word when the fields hold it otherwise (a
    // whole name typed into one field, a compound family name): 0 when the same.
    quint32 nomeAlt = 0, ultimoAlt = 0;
    qint32 nascimento = 0;
    char sexo = 0;
    quint8 nRg = 0, nCic = 0;
    bool cicValido = false;
    std::array<char, 16> rg{};
    std::array<char, 11> cic{};
    quint32 cep = 0;                                      // eight digits as a number + 1 (0: none)
    quint64 prontuario = 0;                               // hash of the normalised chart number
    quint32 rua = 0, numero = 0, bairro = 0, cidade = 0;  // places dictionary; house number
    quint64 telefone = 0;  // the last eight digits' characters, one a byte (0: none)
};
static_assert(sizeof(Registro) == 96);

// The register's own history, used to check the model: pairs it says are one person (a
// removed record logged in PacienteLog against the record it was merged into) and pairs the
// administrator decided are not.
struct AvaliacaoRotulos {
    qint64 mesmaPessoa = 0, pessoasDiferentes = 0;
    // Counted at the default and at the review threshold, for the learned and the starting
    // parameters: [parametros: 0 learned, 1 starting][limiar: 0 default, 1 review].
    qint64 mesmaAcima[2][2] = {};
    qint64 diferentesAcima[2][2] = {};
};

// Where the time of a search went, in seconds.
struct TemposBusca {
    double leitura = 0, medicao = 0, blocagem = 0, aprendizado = 0, comparacao = 0;
};

class LocalizadorSemelhantes {
  public:
    using Progresso = std::function<void(const QString& etapa, qint64 feito, qint64 total)>;

    explicit LocalizadorSemelhantes(OpcoesBusca opcoes = {});

    // The whole search on a register: reads Paciente, the saved parameters (learning them
    // again when asked, when there are none or the register changed too much since, and
    // saving them), the register's history and decisions, and compares. False with Erro() on
    // a failed read or when stopped; failing to save learned parameters only sets Aviso().
    bool Executar(Connection& cn, clsADO& ado, const Progresso& progresso = {});

    // Streams Paciente through clsADO, one page per query (keyset on ID_Paciente).
    // False with Erro() on a failed query.
    bool Ler(Connection& cn, clsADO& ado, const Progresso& progresso = {});
    // One row given directly (tests, other sources): the values as the columns hold them.
    void Adicionar(qint32 id, const QVariant& nome, const QVariant& meio, const QVariant& ultimo,
                   const QVariant& rg, const QVariant& cic, const QVariant& nascimento,
                   const QVariant& sexo, const QVariant& prontuario = {}, const QVariant& cep = {},
                   const QVariant& telefone = {}, const QVariant& endereco = {},
                   const QVariant& bairro = {}, const QVariant& cidade = {});
    // A record the register says was one person with `idSobrevivente` (a removed record as
    // PacienteLog keeps it): compared to check the model, never searched.
    void AdicionarHistorico(qint32 idSobrevivente, const QVariant& nome, const QVariant& meio,
                            const QVariant& ultimo, const QVariant& rg, const QVariant& cic,
                            const QVariant& nascimento, const QVariant& sexo,
                            const QVariant& prontuario, const QVariant& cep,
                            const QVariant& telefone, const QVariant& endereco,
                            const QVariant& bairro, const QVariant& cidade);
    // Pairs decided "not the same person" that still hold (lower ID first).
    void DefinirDecididos(const QSet<QPair<qint32, qint32>>& pares) { m_decididos = pares; }
    // Patients marked as having no solution: their groups say so.
    void DefinirSemSolucao(const QSet<qint32>& ids) { m_semSolucao = ids; }
    bool SemSolucao(quint32 i) const { return m_semSolucao.contains(m_registros[i].id); }
    // Parameters learned before (saved): used as they are unless the options ask to learn.
    void DefinirParametros(const Parametros& p);

    // Blocks, measures u and learns the parameters (unless given), scores every candidate
    // pair once and keeps those >= limiar. False (no pairs) when `parar` stopped it.
    bool Comparar(const Progresso& progresso = {});
    // The pairs blocking puts forward for comparison (record indices, the lower first in the
    // high half), sorted: what the benchmark measures the blocking's reach with.
    std::vector<quint64> ParesCandidatos();
    // Candidate groups of the kept pairs at `limiar` (>= the search's), best first. Decided
    // pairs never join a group.
    QVector<GrupoCandidato> Agrupar(double limiar) const;

    // Scores two records directly, with every field's verdict.
    double Pontuar(quint32 a, quint32 b, std::array<Veredito, kCampos>* vereditos = nullptr) const;
    // The same for a kept pair, from the levels the search found: not compared again.
    double Pontuar(const ParCandidato& par, std::array<Veredito, kCampos>* vereditos) const;
    // The probability (0..1) that two records are one person: the score, calibrated by the
    // learned prior, for callers that add them up (the expected wrong merges of a batch).
    double Probabilidade(quint32 a, quint32 b) const { return Pontuar(a, b) / 100.0; }
    // The signs of different people between two records.
    quint8 Sinais(quint32 a, quint32 b) const;
    // True when the two records were decided "not the same person".
    bool Decidido(quint32 a, quint32 b) const;

    const std::vector<ParCandidato>& Pares() const { return m_pares; }
    qint64 ParesComparados() const { return m_comparados; }
    qint64 Registros() const { return qint64(m_registros.size()); }
    const Registro& Reg(quint32 i) const { return m_registros[i]; }
    // The record index of an ID_Paciente, or -1.
    qint64 Indice(qint32 id) const;
    QString NomeCompleto(quint32 i) const;
    const ModeloPontuacao& Modelo() const { return m_modelo; }
    // The prior odds, as log2, that two records of this register are one person (once
    // compared or prepared).
    double PriorLog2() const { return m_prior; }
    const OpcoesBusca& Opcoes() const { return m_opcoes; }
    // True when this search learned its parameters (rather than reusing saved ones).
    bool Aprendeu() const { return m_aprendeu; }
    int IteracoesAprendizado() const { return m_iteracoes; }
    const AvaliacaoRotulos& Rotulos() const { return m_avaliacao; }
    const TemposBusca& Tempos() const { return m_tempos; }
    QString Erro() const { return m_erro; }
    QString Aviso() const { return m_aviso; }

    static QString Rotulo(int campo, int nivel);

  private:
    struct EntradaDicionario {
        std::string texto;
        std::string fonetica;
        quint64 som = 0;                    // hash of fonetica, compared first
        std::array<quint32, 3> contagem{};  // records holding it in each of three roles
        bool digito = false;                // a digit typed in it (its sound is of the letters)
        // The first word that is no particle (where it starts in texto, its size; 0: none).
        quint32 inicioPrimeira = 0, tamanhoPrimeira = 0;
        std::string_view primeira() const {
            return std::string_view(texto).substr(inicioPrimeira, tamanhoPrimeira);
        }
        // A single word that is no particle.
        bool umaPalavra() const { return tamanhoPrimeira && tamanhoPrimeira == texto.size(); }
    };
    struct Dicionario {
        std::vector<EntradaDicionario> entradas = std::vector<EntradaDicionario>(1);  // 0: none
        // Open addressing by the text's hash, each slot the hash and the entry's number (0:
        // free): a look-up reads one slot and one entry, where a map of nodes chased pointers
        // (reading a million records looks values up eight million times, one after another).
        std::vector<std::pair<quint64, quint32>> indice;
        std::array<quint64, 3> com{};  // records holding a value in each role
        static quint64 Espalhar(std::string_view texto) { return busca::Hash(texto, 11); }
        quint32 id(std::string_view texto, quint64 hash, int papel, bool contar, bool fonetica);
    };
    // The levels of pairs of names already compared, per thread. The same common names meet in
    // millions of pairs: direct-mapped, a pair seen again costs one read, and a collision only a
    // recomputation (a growing hash map here took a sixth of the search).
    struct Cache {
        static constexpr size_t kTamanho = size_t(1) << 18;
        // An entry is the pair of name numbers, the lower first, 28 bits each, with the level
        // in the lowest 8 bits: 0 is empty (a real key holds two name numbers >= 1). Eight
        // bytes an entry keep the tables at 2 MB, most of them in the processor's cache.
        static constexpr int kBitsNome = 28;
        std::vector<quint64> nomes = std::vector<quint64>(kTamanho);
        std::vector<quint64> meios = std::vector<quint64>(kTamanho);
        // The weights of the levels that weigh by the frequency of the first record's value,
        // for the first record of the pairs being compared: the pairs come sorted by it, about
        // twenty in a row, and each weight costs a logarithm.
        static constexpr int kNiveis = 16;
        quint32 registroPesos = std::numeric_limits<quint32>::max();
        quint32 vez = 0;
        std::array<quint32, kCampos * kNiveis> vezPeso{};
        std::array<double, kCampos * kNiveis> pesos{};
        // The weight of level `nivel` of `campo` for the record `registro`: `calcular()` once.
        template <class F>
        double Peso(quint32 registro, int campo, int nivel, F calcular) {
            if (nivel >= kNiveis)
                return calcular();
            if (registro != registroPesos) {
                registroPesos = registro;
                if (++vez == 0) {
                    vezPeso.fill(0);
                    vez = 1;
                }
            }
            const size_t k = size_t(campo * kNiveis + nivel);
            if (vezPeso[k] != vez) {
                vezPeso[k] = vez;
                pesos[k] = calcular();
            }
            return pesos[k];
        }
        // 0 (not kept) when a number does not fit.
        static quint64 Chave(quint32 a, quint32 b) {
            if ((a | b) >> kBitsNome)
                return 0;
            return (quint64(std::min(a, b)) << kBitsNome | std::max(a, b)) << 8;
        }
        static quint64& Em(std::vector<quint64>& tabela, quint64 chave) {
            return tabela[(chave * 0x9E3779B97F4A7C15ull >> 40) & (kTamanho - 1)];
        }
    };
    struct EntradaBloco;
    // What blocking asks of a name for every record and every kind of key, in a dense table
    // by the name's number: its first twelve characters packed to sort as the text does, its
    // sound, its initial.
    struct ResumoNome {
        quint64 prefixo = 0;
        quint64 som = 0;
        char inicial = 0;
    };

    // The fields of one row as UTF-8 text (a NULL is empty), in the order the search reads
    // them after the ID: Nome, Nome_Meio, Nome_Último, RG, CIC, Data_Nascimento, Sexo,
    // Prontuário, CEP, Telefone, Endereço, Bairro, Cidade.
    using Campos = std::array<std::string_view, 13>;
    static Campos CamposDe(const QVariantList& valores, std::vector<QByteArray>& textos);
    // A row reduced to what needs no dictionary, in any thread: the record but for its names'
    // and places' numbers; the texts to number (Nome, Nome_Meio, Nome_Último, the whole
    // name's first and last words when the fields hold it otherwise, street, district, city)
    // and the name as typed.
    struct Preparado {
        Registro r;
        std::array<std::string, 9> textos;
        std::array<quint64, 8> hashes;  // of the texts to number
        std::string inteiro;            // scratch
    };
    static void preparar(qint32 id, const Campos& c, Preparado& p);
    // Numbers the texts (in the dictionaries, counted when `contar`): rows in register order.
    Registro completar(const Preparado& p, bool contar);
    Registro montar(qint32 id, const Campos& c, bool contar);
    struct Trabalho;  // what reading hands to the threads that normalise

    // Comparison (LocalizadorComparacao.cpp).
    int nivelNome(quint32 a, quint32 b, Cache* cache) const;
    int nivelMeio(quint32 a, quint32 b, Cache* cache) const;
    // Whether two records' whole names, word by word, can be one name split otherwise.
    bool umNomeInteiro(const Registro& a, const Registro& b) const;
    // How the family name of `x` agrees with a word that `y` has among its middle names and
    // `x` has not (a name taken at marriage): a level of Nome_Último, or 0.
    int sobrenomeNoMeio(const Registro& x, const Registro& y) const;
    void niveisNomes(const Registro& a, const Registro& b, std::array<quint8, kCampos>& n,
                     Cache* cache) const;
    void niveis(const Registro& a, const Registro& b, std::array<quint8, kCampos>& n,
                Cache* cache) const;
    void niveisOutros(const Registro& a, const Registro& b, std::array<quint8, kCampos>& n) const;
    // The most the names can add to a pair whose first record is `a`, whatever the other's.
    double limiteNomes(const Registro& a) const;
    // The pair's weight, compared field by field; -infinity, without comparing the names
    // (most of a comparison's cost), when even the best names could not lift it to `minimo`.
    double pesoSeAlcanca(const Registro& a, quint32 indice, const Registro& b,
                         std::array<quint8, kCampos>& n, Cache& cache, double limiteNomes,
                         double minimo) const;
    void prepararLimites();
    double frequencia(int campo, int nivel, const Registro& a, quint32 indice) const;
    double peso(const Registro& a, quint32 indice, const std::array<quint8, kCampos>& n,
                std::array<Veredito, kCampos>* vereditos) const;
    quint8 sinais(const Registro& a, const Registro& b) const;
    void medirU();
    ModeloPontuacao::ContagemFamilia contarFamilias() const;
    // How many records hold each record's value of each of the kFrequencias fields counted.
    static constexpr int kFrequencias = 7;
    void contarFrequencias();
    void contarFrequencia(int campo);

    // Blocking (LocalizadorBlocagem.cpp).
    // Every pair of the blocks, sorted, without repeats. Empty when `parar` stopped it.
    // With `contar`, the frequencies are counted too, in the same threads after the last
    // kind of key is taken up.
    void gerarPares(busca::ListaPares& pares, const Progresso& progresso, bool contar = false);
    // The sorted pairs one kind of key puts forward.
    void blocar(int tipo, const std::vector<ResumoNome>& resumos,
                std::vector<quint64>& novos) const;
    std::vector<ResumoNome> resumirNomes() const;
    int entradas(int tipo, const Registro& r, quint32 i, const std::vector<ResumoNome>& resumos,
                 EntradaBloco* saida) const;
    void blocarVariantes(int tipo, size_t maximo, std::vector<quint64>& novos) const;

    void aprender(const busca::ListaPares& candidatos, const Progresso& progresso);
    void avaliarRotulos();
    // Scores the pairs of records that the kept pairs, and those below the threshold but not
    // below the review threshold (`abaixo`, as a << 32 | b), hold together through others,
    // unless `comparados` holds them already, keeping those at or above the threshold;
    // returns how many it scored.
    qint64 fecharCadeias(const busca::ListaPares& comparados, const std::vector<quint64>& abaixo);
    // Gives the pairs whose two records are both linked to a third what the two links say
    // together, where that says more than their own fields (keeping those it lifts to the
    // threshold), unless their own fields say two people; returns how many it scored.
    qint64 manterPelasLigacoes();
    // A scored pair into `saida`, with its signs; a pair decided "not the same person" only
    // when asked for.
    void guardarPar(quint32 a, quint32 b, double pontuacao,
                    const std::array<quint8, kCampos>& niveis,
                    std::vector<ParCandidato>& saida) const;
    bool parado();

    OpcoesBusca m_opcoes;
    ModeloPontuacao m_modelo;
    bool m_parametrosDados = false;
    bool m_aprendeu = false;
    int m_iteracoes = 0;
    double m_prior = 0;
    std::array<double, kCampos> m_pesoMaximoNomes{};  // each name field's best fixed weight
    // The most each name field can add to a pair whose first record holds a name, by the
    // name's number (one entry for the order of the names).
    std::array<std::vector<double>, kCampos> m_limitesNomes;
    std::vector<Registro> m_registros;
    std::string m_textos;             // the full names as typed, one after another
    std::vector<quint32> m_fimTexto;  // where each record's full name ends in m_textos
    Dicionario m_nomes;               // roles: first, middle, last name
    Dicionario m_lugares;             // roles: street, district, city
    // How many records hold each record's value (for the exact-agreement weights), and how
    // many hold the field at all.
    std::vector<quint32> m_fData, m_fCic, m_fRg, m_fProntuario, m_fEndereco, m_fCep, m_fTelefone;
    quint64 m_comData = 0, m_comCic = 0, m_comRg = 0, m_comProntuario = 0, m_comEndereco = 0,
            m_comCep = 0, m_comTelefone = 0;
    std::vector<Registro> m_historico;    // removed records of the register's history
    std::vector<qint32> m_sobreviventes;  // the record each was merged into
    QSet<QPair<qint32, qint32>> m_decididos;
    QSet<qint32> m_semSolucao;
    mutable std::vector<std::pair<qint32, quint32>> m_porId;  // id -> index, built when asked
    std::vector<ParCandidato> m_pares;
    qint64 m_comparados = 0;
    AvaliacaoRotulos m_avaliacao;
    TemposBusca m_tempos;
    QString m_erro;
    QString m_aviso;
};

}  // namespace semelhanca
