#pragma once

#include <QString>
#include <QVariant>
#include <QVector>
#include <array>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "match/ModeloPontuacao.h"

class Connection;
class clsADO;

// Finds the records of one person that exact grouping keeps apart. Reads the patient table
// once, page by page through clsADO, into a compact form (about 120 bytes a patient); puts
// records that share a cheap key into blocks; scores every pair of a block once, field by
// field; and joins the pairs above a threshold into candidate groups.
namespace semelhanca {

struct OpcoesBusca {
    double limiar = 50;        // pairs kept and joined into groups (0..100)
    double limiarRevisao = 5;  // below this two members of one group look like two people
    // Blocks larger than this are not compared all against all: their records are sorted by
    // name and date and each is compared with its next `janela` neighbours, so a block of
    // every MARIA SILVA born in one year costs n * janela, not n * n / 2.
    int blocoMaximo = 60;
    int janela = 20;
    // Assumed share of records that have another record of the same person (the prior).
    double duplicados = 0.10;
    int linhasPorPagina = 20000;
    int threads = 2;
    // Asked between pages and every few thousand pairs (from any thread): true stops the
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
    float pontuacao = 0;
    std::array<quint8, kCampos> niveis{};
};

struct GrupoCandidato {
    QVector<quint32> membros;        // record indices, in register order
    QVector<float> pontuacaoMembro;  // each member's weakest score against the others
    float ligacao = 0;               // the weakest of the links that hold the group together
    float menorPar = 0;              // the weakest pair of members scored directly
    quint32 fracoA = 0, fracoB = 0;  // that pair (record indices): what the reviewer should see
    bool conflito = false;           // two members look like two people: check before merging
};

// What one record of Paciente is reduced to. Names are numbers in a dictionary of distinct
// names, documents are their digits, the date is yyyymmdd.
struct Registro {
    qint32 id = 0;
    quint32 nome = 0, meio = 0, ultimo = 0;  // 0 = nothing
    std::array<char, 4> sdxNome{}, sdxMeio{}, sdxUltimo{};
    qint32 nascimento = 0;
    char sexo = 0;
    quint8 nRg = 0, nCic = 0;
    bool cicValido = false;
    std::array<char, 16> rg{};
    std::array<char, 11> cic{};
    quint64 prontuario = 0;  // hash of the normalised chart number
    quint32 cep = 0;         // digits as a number
    quint64 telefone = 0;    // last eight digits
    char inicialMeio = 0;    // first letter of the first middle name that is no particle
    quint32 textoNome = 0;   // the full name as typed, in the text arena
    quint16 tamanhoNome = 0;
};

class LocalizadorSemelhantes {
  public:
    using Progresso = std::function<void(const QString& etapa, qint64 feito, qint64 total)>;

    explicit LocalizadorSemelhantes(OpcoesBusca opcoes = {});

    // Streams Paciente through clsADO, one page per query (keyset on ID_Paciente).
    // False with Erro() on a failed query.
    bool Ler(Connection& cn, clsADO& ado, const Progresso& progresso = {});
    // One row given directly (tests, other sources): the values as the columns hold them.
    void Adicionar(qint32 id, const QVariant& nome, const QVariant& meio, const QVariant& ultimo,
                   const QVariant& rg, const QVariant& cic, const QVariant& nascimento,
                   const QVariant& sexo, const QVariant& prontuario = {}, const QVariant& cep = {},
                   const QVariant& telefone = {}, const QVariant& sdxNome = {},
                   const QVariant& sdxMeio = {}, const QVariant& sdxUltimo = {});

    // Blocks, measures u, scores every candidate pair once and keeps those >= limiar.
    // False (no pairs) when `parar` stopped it.
    bool Comparar(const Progresso& progresso = {});
    // Candidate groups of the kept pairs at `limiar` (>= the search's), best first.
    QVector<GrupoCandidato> Agrupar(double limiar) const;

    // Scores two records directly, with every field's verdict.
    double Pontuar(quint32 a, quint32 b, std::array<Veredito, kCampos>* vereditos = nullptr) const;

    const std::vector<ParCandidato>& Pares() const { return m_pares; }
    qint64 ParesComparados() const { return m_comparados; }
    qint64 Registros() const { return qint64(m_registros.size()); }
    const Registro& Reg(quint32 i) const { return m_registros[i]; }
    QString NomeCompleto(quint32 i) const;
    const ModeloPontuacao& Modelo() const { return m_modelo; }
    const OpcoesBusca& Opcoes() const { return m_opcoes; }
    QString Erro() const { return m_erro; }

    // The blocking keys of a record (for tests: two records that share one are compared).
    QVector<quint64> Chaves(quint32 i) const;
    static constexpr int kTiposChave = 11;

    static QString Rotulo(int campo, int nivel);

  private:
    struct EntradaNome {
        std::string texto;
        std::string fonetica;
        std::array<quint32, 3> contagem{};  // records holding it as first, middle, last name
    };
    struct Cache;

    quint32 nomeId(const QByteArray& normalizado, int papel);
    int nivelNome(quint32 a, quint32 b, Cache* cache) const;
    int nivelMeio(quint32 a, quint32 b, Cache* cache) const;
    int niveis(const Registro& a, const Registro& b, std::array<quint8, kCampos>& n,
               Cache* cache) const;
    double peso(const Registro& a, const Registro& b, const std::array<quint8, kCampos>& n,
                std::array<Veredito, kCampos>* vereditos) const;
    void medirU();
    quint64 chave(int tipo, const Registro& r) const;  // 0: the record has no such key
    void gerarPares(std::vector<quint64>& pares, const Progresso& progresso);
    quint64 ordemVizinhanca(const Registro& r) const;
    void contarFrequencias();
    bool parado();

    OpcoesBusca m_opcoes;
    ModeloPontuacao m_modelo;
    double m_prior = 0;
    std::vector<Registro> m_registros;
    std::string m_textos;
    std::vector<EntradaNome> m_nomes;
    std::unordered_map<std::string, quint32> m_indiceNomes;
    std::array<quint64, 3> m_comNome{};  // records holding a first, middle, last name
    // How many records hold each record's value (for the exact-agreement weights), and how
    // many hold the field at all.
    std::vector<quint32> m_fData, m_fCic, m_fRg, m_fProntuario;
    quint64 m_comData = 0, m_comCic = 0, m_comRg = 0, m_comProntuario = 0;
    std::vector<ParCandidato> m_pares;
    qint64 m_comparados = 0;
    QString m_erro;
};

}  // namespace semelhanca
