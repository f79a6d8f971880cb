// Blocking: which pairs of records are compared at all. Two records are compared when they
// share a strong key, whatever their other fields say: the exact birth date, a document, the
// telephone, the chart number, the street and number, or the sound of both names (in either
// field, so that given and family names typed in each other's field still meet) with the year
// or with the day and month of birth (so that a wrong digit of the date still meets). Small
// blocks are compared all against all; large ones (every record born on one day of a large
// register, every MARIA SILVA born in 1970) are sorted in two orders and each record meets its
// next neighbours in each, so the pairs per record stay bounded and the cost grows with the
// register, not its square. A record without a birth date meets the records that sound like
// it whatever their dates; one missing its given or family name meets those that sound like
// the name it has, born the same year or on the same day and month; and where a name with the
// year, or with the day and month, is rare enough for a small block, it and each of its
// spellings less one letter are keys too, whatever the other name says: a slip anywhere in
// each name (at its start it changes the name's sound and initial) and a digit of the date
// still meet.
#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>
#include <mutex>

#include "match/FuncoesBusca.h"
#include "match/LocalizadorSemelhantes.h"

namespace semelhanca {

using namespace busca;

struct LocalizadorSemelhantes::EntradaBloco {
    quint64 chave;
    std::array<quint64, 2> ordem;  // the two orders a large block is walked in
    quint32 registro;
    bool falta;  // the record lacks what its kind of key is for (a birth date, a name)
};

namespace {

enum TipoChave {
    kNascimento = 1,
    kCic,
    kRg,
    kTelefone,
    kProntuario,
    kEndereco,
    kSomAno,          // both names' sounds with the year of birth
    kSomDiaMes,       // both names' sounds with the day and month of birth
    kSomSemData,      // both names' sounds, for the records without a birth date
    kUmSomAno,        // one name's sound and the other's initial, with the year of birth
    kUmSomDiaMes,     // the same with the day and month
    kUmSomSemData,    // the same for the records without a birth date
    kUmNomeAno,       // either name's sound with the year, for the records missing a name
    kUmNomeDiaMes,    // the same with the day and month
    kVarianteAno,     // a name less any one letter, with the year of birth, in small blocks
    kVarianteDiaMes,  // the same with the day and month
};
constexpr int kTiposChave = kVarianteDiaMes;
// The kinds by the memory they hold, most first: two kinds blocked side by side hold the most
// at once while the list of pairs found so far is still short. The two kinds for rare names
// hold the most entries and put forward few pairs; the others by the pairs they put forward.
constexpr std::array<int, kTiposChave> kOrdemBlocagem = {
    kVarianteAno, kVarianteDiaMes, kUmSomAno,     kNascimento, kUmSomDiaMes, kEndereco,
    kSomAno,      kSomDiaMes,      kUmSomSemData, kTelefone,   kSomSemData,  kUmNomeAno,
    kCic,         kUmNomeDiaMes,   kRg,           kProntuario};
// A record without a birth date, or missing a name, meets this many neighbours on each side
// in its block.
constexpr size_t kVizinhosSemData = 15;
// A name's variants less one letter are taken up to this many letters, and compared in blocks
// of up to this many records: in larger ones (a common name with a year of birth) they met
// strangers, while the records of one person, with a slip in the name and one in the date,
// mostly hold a rarer name. (At a million records, 0.15 million more pairs compared.)
constexpr size_t kLetrasVariantes = 20;
constexpr size_t kBlocoVariantes = 6;

// The first characters of a text packed into the top bits of a number, five bits each, so that
// numbers sort as the texts do (case and accents are gone already).
quint64 Prefixo(std::string_view s, int caracteres, int deslocamento) {
    quint64 r = 0;
    for (int i = 0; i < caracteres; ++i) {
        quint64 c = 0;
        if (size_t(i) < s.size()) {
            const char x = s[size_t(i)];
            c = x == ' ' ? 1 : (x >= 'A' && x <= 'Z') ? quint64(x - 'A' + 2) : 28 + quint64(x & 3);
        }
        r = (r << 5) | c;
    }
    return r << deslocamento;
}

quint64 Chave(int tipo, quint64 valor) {
    // Each kind's seed mixed once, not for every entry of every record.
    static const auto sementes = [] {
        std::array<quint64, kTiposChave + 1> s{};
        for (size_t t = 0; t < s.size(); ++t) s[t] = Misturar(quint64(t));
        return s;
    }();
    return Misturar(sementes[size_t(tipo)] ^ valor) | 1;
}

// A birth date's day and month in the order that makes a date and its day-and-month swap
// (07/03 typed for 03/07) one key: the smaller first, when both could be a month.
quint64 DiaMesSemTroca(qint32 nascimento) {
    const int mes = nascimento / 100 % 100, dia = nascimento % 100;
    return dia <= 12 && dia < mes ? quint64(dia * 100 + mes) : quint64(nascimento % 10000);
}

}  // namespace

std::vector<LocalizadorSemelhantes::ResumoNome> LocalizadorSemelhantes::resumirNomes() const {
    std::vector<ResumoNome> r(m_nomes.entradas.size());
    for (size_t k = 1; k < r.size(); ++k) {
        const EntradaDicionario& e = m_nomes.entradas[k];
        // A name with a digit typed in it sorts and starts as its letters would.
        const std::string letras = e.digito ? DigitosComoLetras(e.texto) : std::string();
        const std::string_view t = e.digito ? std::string_view(letras) : e.texto;
        r[k] = {Prefixo(t, 12, 0), e.som, t.empty() ? char(0) : t[0]};
    }
    return r;
}

int LocalizadorSemelhantes::entradas(int tipo, const Registro& r, quint32 i,
                                     const std::vector<ResumoNome>& resumos,
                                     EntradaBloco* saida) const {
    // The first 12, 7 or 5 characters of a name, shifted as the orders below want them.
    const auto doze = [&](quint32 id) { return resumos[id].prefixo << 4; };
    const auto sete = [&](quint32 id) { return resumos[id].prefixo >> 25 << 27; };
    const auto cinco = [&](quint32 id) { return resumos[id].prefixo >> 35 << 2; };
    const quint64 nasc = quint64(quint32(r.nascimento));
    const bool semData = r.nascimento == 0;
    // Large blocks are walked by the whole name's first and last word, whichever fields hold
    // them: a name typed whole into one field, or split otherwise, sorts beside its other
    // records. Within a block sharing a document, telephone, chart number or address: by each
    // name, then by date.
    const quint32 primeiro = r.nomeAlt ? r.nomeAlt : r.nome;
    const quint32 ultimo = r.ultimoAlt ? r.ultimoAlt : r.ultimo;
    const auto porNomes = [&] {
        return std::array<quint64, 2>{sete(primeiro) | nasc, sete(ultimo) | nasc};
    };
    const auto uma = [&](quint64 valor, const std::array<quint64, 2>& ordem) {
        saida[0] = {Chave(tipo, valor), ordem, i, semData};
        return 1;
    };
    switch (tipo) {
        case kNascimento:
            if (semData)
                return 0;
            return uma(quint64(r.nascimento / 10000 * 10000) + DiaMesSemTroca(r.nascimento),
                       {doze(primeiro), doze(ultimo)});
        case kCic:
            return r.nCic >= 9 ? uma(Hash(r.cic.data(), r.nCic, 2), porNomes()) : 0;
        case kRg:  // up to the eighth character: with or without the check digit
            return r.nRg >= 5 ? uma(Hash(r.rg.data(), std::min<size_t>(r.nRg, 8), 3), porNomes())
                              : 0;
        case kTelefone:
            return r.telefone ? uma(r.telefone, porNomes()) : 0;
        case kProntuario:
            return r.prontuario ? uma(r.prontuario, porNomes()) : 0;
        case kEndereco:
            return r.rua && r.numero
                       ? uma(Misturar(quint64(r.rua) << 32 | r.numero) ^ r.cidade, porNomes())
                       : 0;
        case kSomAno:
        case kSomDiaMes:
        case kSomSemData:
        case kUmSomAno:
        case kUmSomDiaMes:
        case kUmSomSemData: {
            const bool umSom = tipo >= kUmSomAno;
            const int parteData = tipo - (umSom ? kUmSomAno : kSomAno);  // year, day-month, none
            if (parteData != 2 && semData)
                return 0;
            const quint64 data = parteData == 0   ? quint64(r.nascimento / 10000)
                                 : parteData == 1 ? DiaMesSemTroca(r.nascimento)
                                                  : 0;
            const auto som = [&](quint32 id) { return resumos[id].som; };
            int k = 0;
            const auto acrescentar = [&](quint64 valor, const std::array<quint64, 2>& ordem) {
                const quint64 c = Chave(tipo, valor ^ data);
                for (int j = 0; j < k; ++j)
                    if (saida[j].chave == c)
                        return;
                saida[k++] = {c, ordem, i, semData};
            };
            // In the blocks for the records without a birth date the first order goes on by
            // another name, not by the date: sorted first among the dates, a record without
            // one met the earliest-born of its block instead of its own records.
            const auto depois = [&](quint32 id) { return parteData == 2 ? cinco(id) : nasc; };
            if (umSom) {
                // One name's sound and the other's initial: a slip in the other name.
                for (const auto& [x, y] :
                     {std::pair{r.nome, r.ultimo}, std::pair{r.ultimo, r.nome}})
                    if (x && y)
                        acrescentar(som(x) ^ quint64(quint8(resumos[y].inicial)) << 56,
                                    {sete(y) | depois(r.meio), sete(r.meio) | nasc});
            } else {
                // Both sounds in either order, as typed and as the whole name re-read.
                for (const auto& [x, y] :
                     {std::pair{r.nome, r.ultimo}, std::pair{primeiro, ultimo}})
                    if (x && y)
                        acrescentar(
                            Misturar(std::min(som(x), som(y)) ^ std::max(som(x), som(y)) * 3),
                            {sete(r.meio) | depois(primeiro), sete(r.nome) | nasc});
            }
            return k;
        }
        case kUmNomeAno:
        case kUmNomeDiaMes: {
            // A record missing its given or family name, with a slip in its birth date, shares
            // no other key with its records: it meets those that sound like the name it has,
            // in either field, born the same year or on the same day and month.
            if (semData)
                return 0;
            const quint64 data =
                tipo == kUmNomeAno ? quint64(r.nascimento / 10000) : DiaMesSemTroca(r.nascimento);
            const bool falta = !r.nome || !r.ultimo;
            int k = 0;
            for (const quint32 x : {r.nome, r.ultimo})
                if (x && (k == 0 || resumos[x].som != resumos[r.nome].som))
                    saida[k++] = {
                        Chave(tipo, resumos[x].som ^ data << 40), {sete(x) | nasc, 0}, i, falta};
            return k;
        }
        default:
            return 0;
    }
}

void LocalizadorSemelhantes::blocar(int tipo, const std::vector<ResumoNome>& resumos,
                                    std::vector<quint64>& novos) const {
    const quint32 n = quint32(m_registros.size());
    const size_t maximo = size_t(std::max(2, m_opcoes.blocoMaximo));
    // A block of one birth date is walked one neighbour shorter: its records share the whole
    // date already, and sorted by either name a third neighbour met one of the same person
    // (scoring 3 or more) 7 times in 1.5 million pairs at a million records.
    const size_t janela = size_t(std::max(1, m_opcoes.janela - (tipo == kNascimento ? 1 : 0)));
    // The kinds for the records without a date or a name: only those records meet their
    // neighbours, and only the blocks that hold one matter.
    const bool soFaltas =
        tipo == kSomSemData || tipo == kUmSomSemData || tipo == kUmNomeAno || tipo == kUmNomeDiaMes;
    if (tipo == kVarianteAno || tipo == kVarianteDiaMes) {
        blocarVariantes(tipo, std::min(kBlocoVariantes, maximo), novos);
        return;
    }
    // Larger blocks are walked by neighbours, but for the kinds of one name's sound with the
    // other's initial (a slip in the other name), whose large blocks are a common name and
    // initial born in one year: the neighbours met there are strangers all but a handful (at a
    // million records, 3.8 million pairs of the 17.4 million compared, for 19 of one person
    // scoring 3 or more that no other key met, and 227 of two people).
    const bool semVizinhos = tipo == kUmSomAno || tipo == kUmSomDiaMes;
    const auto par = [&](quint32 a, quint32 b) {
        if (a != b)
            novos.push_back(a < b ? (quint64(a) << 32) | b : (quint64(b) << 32) | a);
    };
    EntradaBloco e[4];
    // Only the blocks that hold such a record matter: the others' entries are never kept. Their
    // keys are kept in a table open by the key (never 0), at most a quarter full: every
    // record's keys are looked up in it, and a look-up that misses reads one slot or two.
    std::vector<quint64> comFaltas;
    if (soFaltas) {
        const bool porNome = tipo == kUmNomeAno || tipo == kUmNomeDiaMes;
        std::vector<quint64> chaves;
        for (quint32 i = 0; i < n; ++i) {
            const Registro& r = m_registros[i];
            if (porNome ? r.nome && r.ultimo : r.nascimento != 0)
                continue;  // lacks nothing: none of its entries would
            for (int k = entradas(tipo, r, i, resumos, e); k > 0; --k)
                if (e[k - 1].falta)
                    chaves.push_back(e[k - 1].chave);
        }
        comFaltas.assign(std::bit_ceil(std::max<size_t>(16, 4 * chaves.size())), 0);
        for (const quint64 c : chaves) {
            size_t k = (c >> 1) & (comFaltas.size() - 1);  // the lowest bit is always set
            while (comFaltas[k] && comFaltas[k] != c) k = (k + 1) & (comFaltas.size() - 1);
            comFaltas[k] = c;
        }
    }
    const auto comFalta = [&](quint64 c) {
        for (size_t k = (c >> 1) & (comFaltas.size() - 1); comFaltas[k];
             k = (k + 1) & (comFaltas.size() - 1))
            if (comFaltas[k] == c)
                return true;
        return false;
    };
    std::vector<EntradaBloco> blocos;
    // Room for every entry the kind can give (two a record), so that the list never grows by
    // copying: only the part written is ever backed by memory.
    blocos.reserve(2 * size_t(n));
    for (quint32 i = 0; i < n; ++i) {
        const int k = entradas(tipo, m_registros[i], i, resumos, e);
        for (int x = 0; x < k; ++x)
            if (!soFaltas || comFalta(e[x].chave))
                blocos.push_back(e[x]);
    }
    // A block's entries by its first order already: a large block is walked in it.
    OrdenarPorChave(blocos, [](const EntradaBloco& x, const EntradaBloco& y) {
        return x.chave != y.chave         ? x.chave < y.chave
               : x.ordem[0] != y.ordem[0] ? x.ordem[0] < y.ordem[0]
                                          : x.registro < y.registro;
    });
    const auto fim = [&](size_t i) {
        size_t j = i;
        while (j < blocos.size() && blocos[j].chave == blocos[i].chave) ++j;
        return j;
    };
    // The pairs of the blocks are counted first: a list grown by doubling would hold up to
    // twice what it needs. (The kinds for the records without a date or a name put forward few.)
    size_t previstos = 0;
    for (size_t i = 0, j; i < blocos.size() && !soFaltas; i = j) {
        j = fim(i);
        const size_t k = j - i;
        previstos += k <= maximo ? k * (k - 1) / 2 : semVizinhos ? 0 : 2 * janela * k;
    }
    novos.clear();
    novos.reserve(previstos);
    // A large block's records by one of its orders, sorted as values.
    struct Vizinho {
        quint64 ordem;
        quint32 registro;
        bool falta;
        bool operator<(const Vizinho& o) const {
            return ordem != o.ordem ? ordem < o.ordem : registro < o.registro;
        }
    };
    std::vector<Vizinho> ordenado;
    const auto ordenar = [&](size_t i, size_t j, size_t o) {
        ordenado.clear();
        for (size_t x = i; x < j; ++x)
            ordenado.push_back({blocos[x].ordem[o], blocos[x].registro, blocos[x].falta});
        if (o > 0)
            std::sort(ordenado.begin(), ordenado.end());
    };
    for (size_t i = 0, j; i < blocos.size(); i = j) {
        j = fim(i);
        if (!soFaltas && j - i <= maximo) {
            for (size_t x = i; x < j; ++x)
                for (size_t y = x + 1; y < j; ++y) par(blocos[x].registro, blocos[y].registro);
            continue;
        }
        if (semVizinhos)
            continue;  // a common name: other keys reach its records
        if (soFaltas) {
            // Each record without a date (or a name) against the records that sound like
            // it, nearest by middle name (by name and date) when they are many.
            ordenar(i, j, 0);
            for (size_t x = 0; x < ordenado.size(); ++x) {
                if (!ordenado[x].falta)
                    continue;
                const size_t de = x > kVizinhosSemData ? x - kVizinhosSemData : 0;
                const size_t ate = std::min(ordenado.size(), x + kVizinhosSemData + 1);
                for (size_t y = de; y < ate; ++y) par(ordenado[x].registro, ordenado[y].registro);
            }
        } else {
            for (size_t o = 0; o < 2; ++o) {
                ordenar(i, j, o);
                for (size_t x = 0; x < ordenado.size(); ++x)
                    for (size_t y = x + 1; y < ordenado.size() && y <= x + janela; ++y)
                        par(ordenado[x].registro, ordenado[y].registro);
            }
        }
    }
    // Let go before the pairs are sorted: at a million records the block entries run to tens
    // of megabytes.
    std::vector<EntradaBloco>().swap(blocos);
    OrdenarPares(novos, n);
    novos.erase(std::unique(novos.begin(), novos.end()), novos.end());
}

void LocalizadorSemelhantes::blocarVariantes(int tipo, size_t maximo,
                                             std::vector<quint64>& novos) const {
    // One slip anywhere in a name (a letter wrong, missing, added, or two swapped) leaves the
    // two spellings one variant less a letter in common: JOAO, JAOO and JOA all give JOA. Each
    // name's variants are hashed once, not once for every record that holds it; a record's
    // keys are its names' hashes mixed with its part of the date.
    const auto& dicionario = m_nomes.entradas;
    // A name's hashes are hashes[inicio[x] .. inicio[x + 1]); none for 0, no name.
    std::vector<quint32> quantos(dicionario.size(), 0), inicio(dicionario.size() + 1, 0);
    std::vector<quint64> hashes;
    char buffer[kLetrasVariantes];
    for (size_t x = 1; x < dicionario.size(); ++x) {
        inicio[x] = quint32(hashes.size());
        const EntradaDicionario& e = dicionario[x];
        quantos[x] = e.contagem[0] + e.contagem[2];
        if (!quantos[x])
            continue;  // never a given or family name
        const std::string& t = e.texto;
        hashes.push_back(Hash(t, 0));
        if (t.size() < 3 || t.size() > kLetrasVariantes)
            continue;
        for (size_t p = 0; p < t.size(); ++p) {
            if (p > 0 && t[p] == t[p - 1])
                continue;  // the same variant as the letter before it (ANNA: ANA twice)
            std::memcpy(buffer, t.data(), p);
            std::memcpy(buffer + p, t.data() + p + 1, t.size() - p - 1);
            hashes.push_back(Hash(std::string_view(buffer, t.size() - 1), 0));
        }
    }
    inicio.back() = quint32(hashes.size());
    // A name's variants are only worth their entries where its block can be small: where the
    // records expected to hold the name with this part of the date (from how many hold the
    // name, and how many this part of the date) are few. At a million records only the rarer
    // names; in a small register nearly every one.
    const auto parteData = [&](const Registro& r) {
        return size_t(tipo == kVarianteAno ? quint64(r.nascimento / 10000)
                                           : DiaMesSemTroca(r.nascimento)) %
               10000;
    };
    std::vector<quint32> porData(10000, 0);
    double comData = 0;
    for (const Registro& r : m_registros)
        if (r.nascimento > 0) {
            ++porData[parteData(r)];
            ++comData;
        }
    const auto nomes = [&](const Registro& r) {
        std::array<quint32, 2> v{};
        if (r.nascimento <= 0)
            return v;
        const double parte = porData[parteData(r)] / comData;
        int q = 0;
        for (const quint32 x : {r.nome, r.ultimo})
            if (x && (q == 0 || x != v[0]) && double(quantos[x]) * parte <= double(maximo))
                v[size_t(q++)] = x;
        return v;
    };
    // Keys and records only: these blocks are never walked, so they need no orders. The list
    // is taken once at its size.
    struct Entrada {
        quint64 chave;
        quint32 registro;
    };
    size_t total = 0;
    for (const Registro& r : m_registros)
        for (const quint32 x : nomes(r)) total += inicio[x + 1] - inicio[x];
    std::vector<Entrada> blocos;
    blocos.reserve(total);
    const quint32 n = quint32(m_registros.size());
    for (quint32 i = 0; i < n; ++i) {
        const Registro& r = m_registros[i];
        const std::array<quint32, 2> v = nomes(r);
        if (!v[0])
            continue;
        const quint64 data = Misturar(quint64(parteData(r)) + 1);
        for (const quint32 x : v)
            for (quint32 h = inicio[x]; h < inicio[x + 1]; ++h)
                blocos.push_back({Chave(tipo, hashes[h] ^ data), i});
    }
    std::vector<quint64>().swap(hashes);
    OrdenarPorChave(blocos);
    novos.clear();
    std::vector<quint32> bloco;
    for (size_t i = 0, j; i < blocos.size(); i = j) {
        // The block's records once each: the two names of a record may share a variant (ANA,
        // and ANAS less its S), and a record's entries sort side by side.
        bloco.clear();
        for (j = i; j < blocos.size() && blocos[j].chave == blocos[i].chave; ++j)
            if (bloco.empty() || bloco.back() != blocos[j].registro)
                bloco.push_back(blocos[j].registro);
        if (bloco.size() > maximo)
            continue;
        for (size_t x = 0; x < bloco.size(); ++x)
            for (size_t y = x + 1; y < bloco.size(); ++y)
                novos.push_back(quint64(bloco[x]) << 32 | bloco[y]);
    }
    std::vector<Entrada>().swap(blocos);
    OrdenarPares(novos, n);
    novos.erase(std::unique(novos.begin(), novos.end()), novos.end());
}

void LocalizadorSemelhantes::gerarPares(ListaPares& pares, const Progresso& progresso,
                                        bool contar) {
    pares.Liberar();
    DevolverMemoria();
    // The kinds of key are blocked side by side, one a thread, each joining its pairs to the
    // others' as soon as they are sorted (the list is the same in whatever order they come),
    // and the thread done with the last kind joins them all while the other counts frequencies.
    std::mutex trava;
    PilhaPares pilha;
    std::atomic<bool> interrompida{false};
    std::atomic<int> feitos{0};
    const std::vector<ResumoNome> resumos = resumirNomes();
    // The frequencies last: the kinds that put forward the most pairs, and hold the most
    // memory, are done by then, and a thread left without a kind counts instead of waiting.
    EmFila(kTiposChave + (contar ? kFrequencias : 0), m_opcoes.threads, [&](int k, int thread) {
        if (interrompida || (m_opcoes.parar && m_opcoes.parar())) {
            interrompida = true;
            return;
        }
        if (k >= kTiposChave) {
            contarFrequencia(k - kTiposChave);
            return;
        }
        const int tipo = kOrdemBlocagem[size_t(k)];
        // Only this thread reports: the caller's callback is not asked from two threads.
        if (thread == 0 && progresso)
            progresso(QStringLiteral("blocando"), feitos, kTiposChave);
        std::vector<quint64> novos;
        blocar(tipo, resumos, novos);
        std::lock_guard<std::mutex> juntando(trava);
        pilha.Juntar(novos);
        std::vector<quint64>().swap(novos);
        if (++feitos == kTiposChave)
            pilha.Terminar(pares);
        DevolverMemoria();
    });
    if (interrompida)
        pares.Liberar();
}

}  // namespace semelhanca
