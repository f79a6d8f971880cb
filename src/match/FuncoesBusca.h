#pragma once

#include <QtGlobal>
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#ifdef __linux__
#include <sys/mman.h>
#endif
#include <limits>
#include <new>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "patient/Normalizacao.h"

// Small helpers the finder's stages share: hashing, the words of a name, string measures on
// standard strings.
namespace semelhanca::busca {

inline quint64 Misturar(quint64 z) {
    z += 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

inline quint64 Hash(const char* p, size_t n, quint64 semente) {
    quint64 h = Misturar(semente ^ n);
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        quint64 bloco;
        std::memcpy(&bloco, p + i, 8);
        h = Misturar(h ^ bloco);
    }
    quint64 resto = 0;
    std::memcpy(&resto, p + i, n - i);
    return Misturar(h ^ resto);
}

inline quint64 Hash(std::string_view s, quint64 semente) {
    return Hash(s.data(), s.size(), semente);
}

// Runs `trabalho(de, ate, thread)` over [0, total) in `threads` threads, this one among them.
template <class F>
void EmParalelo(size_t total, int threads, F trabalho) {
    const int n = std::max(1, std::min(threads, 16));
    std::vector<std::thread> outras;
    for (int t = 1; t < n; ++t)
        outras.emplace_back(trabalho, total * size_t(t) / size_t(n),
                            total * size_t(t + 1) / size_t(n), t);
    trabalho(size_t(0), total / size_t(n), 0);
    for (auto& t : outras) t.join();
}

// Runs `tarefa(k, thread)` for every k in [0, tarefas) in `threads` threads, this one among
// them, each taking the next task left when it is free: for tasks of unequal sizes.
template <class F>
void EmFila(int tarefas, int threads, F tarefa) {
    const int n = std::clamp(std::min(threads, tarefas), 1, 16);
    std::atomic<int> proxima{0};
    const auto trabalhar = [&](int t) {
        for (int k; (k = proxima++) < tarefas;) tarefa(k, t);
    };
    std::vector<std::thread> outras;
    for (int t = 1; t < n; ++t) outras.emplace_back(trabalhar, t);
    trabalhar(0);
    for (auto& t : outras) t.join();
}

// The first pass of the sorts below: `v` counted into `baldes` buckets by `balde(x)` and copied
// bucket by bucket into `outro` (as large as `v`). Where each bucket starts in `outro`, and the
// end after the last.
template <class T, class F>
std::vector<quint32> EmBaldes(const std::vector<T>& v, std::vector<T>& outro, size_t baldes,
                              F balde) {
    std::vector<quint32> inicio(baldes + 1, 0);
    for (const T& x : v) ++inicio[balde(x) + 1];
    for (size_t k = 1; k < inicio.size(); ++k) inicio[k] += inicio[k - 1];
    std::vector<quint32> proximo(inicio.begin(), inicio.end() - 1);
    for (const T& x : v) outro[proximo[balde(x)]++] = x;
    return inicio;
}

// Orders entries by key (`chave`: a hash, spread evenly), then as `menor` says: a counting pass
// by the key's top bits into a few thousand buckets, then each bucket (small enough for the
// processor's cache) by the next bits into buckets of a few entries, each sorted on its own. The
// same order as a comparison sort of the whole, at a fraction of its cost; one pass straight
// into millions of buckets wrote nearly every entry to a memory line of its own, and at three
// million records the sort waited on memory more than it sorted.
template <class Entrada, class Menor>
void OrdenarPorChave(std::vector<Entrada>& v, Menor menor) {
    if (v.size() < 4096) {
        std::sort(v.begin(), v.end(), menor);
        return;
    }
    int bits = 1;
    while (bits < 24 && (size_t(4) << bits) < v.size()) ++bits;
    const int primeiros = std::min(bits, 11), segundos = bits - primeiros;
    std::vector<Entrada> outro(v.size());
    const std::vector<quint32> inicio =
        EmBaldes(v, outro, size_t(1) << primeiros,
                 [primeiros](const Entrada& e) { return size_t(e.chave >> (64 - primeiros)); });
    // Each bucket back into its place in v, by the next bits.
    const quint64 mascara = (quint64(1) << segundos) - 1;
    const auto sub = [&](const Entrada& e) { return size_t((e.chave >> (64 - bits)) & mascara); };
    std::vector<quint32> dentro((size_t(1) << segundos) + 1);
    for (size_t k = 0; k + 1 < inicio.size(); ++k) {
        const quint32 de = inicio[k], ate = inicio[k + 1];
        std::fill(dentro.begin(), dentro.end(), 0);
        for (quint32 x = de; x < ate; ++x) ++dentro[sub(outro[x]) + 1];
        for (size_t d = 1; d < dentro.size(); ++d) dentro[d] += dentro[d - 1];
        for (quint32 x = de; x < ate; ++x) v[de + dentro[sub(outro[x])]++] = outro[x];
        // Each count is now where the next bucket starts.
        for (size_t d = 0, comeco = de; d + 1 < dentro.size(); comeco = de + dentro[d++])
            if (de + dentro[d] - comeco > 1)
                std::sort(v.begin() + comeco, v.begin() + de + dentro[d], menor);
    }
}

// By key, then record.
template <class Entrada>
void OrdenarPorChave(std::vector<Entrada>& v) {
    OrdenarPorChave(v, [](const Entrada& x, const Entrada& y) {
        return x.chave != y.chave ? x.chave < y.chave : x.registro < y.registro;
    });
}

// Sorts pair keys (the lower record index in the high half): first by the top eleven bits of
// the lower record, into buckets the cache holds, then each bucket by radix, eleven bits of a
// record index a pass. At a million records one kind of key puts forward millions of pairs,
// which a comparison sort took a tenth of the search to order; and radix passes over the whole
// list, at three million records, wrote scattered over a hundred megabytes each.
inline void OrdenarPares(std::vector<quint64>& v, quint32 registros) {
    if (v.size() < 4096) {
        std::sort(v.begin(), v.end());
        return;
    }
    constexpr int kDigito = 11;
    int bits = 1;
    while (bits < 32 && (quint64(1) << bits) < registros) ++bits;
    const int resto = bits - std::min(bits, kDigito);  // the lower record's bits left after
    std::vector<quint64> outro(v.size());
    const std::vector<quint32> inicio =
        EmBaldes(v, outro, size_t(1) << std::min(bits, kDigito),
                 [resto](quint64 x) { return size_t(x >> (32 + resto)); });
    std::vector<quint64> auxiliar;
    std::array<quint32, (1 << kDigito) + 1> conta;
    for (size_t k = 0; k + 1 < inicio.size(); ++k) {
        const size_t de = inicio[k], n = inicio[k + 1] - de;
        quint64* a = outro.data() + de;
        if (n < 256) {
            std::sort(a, a + n);
            std::copy(a, a + n, v.data() + de);
            continue;
        }
        if (auxiliar.size() < n)
            auxiliar.resize(n);
        quint64* b = auxiliar.data();
        const auto passar = [&](int deslocamento, int largura) {
            const quint64 mascara = (quint64(1) << largura) - 1;
            std::fill(conta.begin(), conta.begin() + (1 << largura) + 1, 0);
            for (size_t i = 0; i < n; ++i) ++conta[((a[i] >> deslocamento) & mascara) + 1];
            for (int d = 1; d <= (1 << largura); ++d) conta[size_t(d)] += conta[size_t(d) - 1];
            for (size_t i = 0; i < n; ++i) b[conta[(a[i] >> deslocamento) & mascara]++] = a[i];
            std::swap(a, b);
        };
        // The higher record's digits, then the lower's left, the lowest first.
        for (int d = 0; d < bits; d += kDigito) passar(d, std::min(kDigito, bits - d));
        for (int d = 0; d < resto; d += kDigito) passar(32 + d, std::min(kDigito, resto - d));
        std::copy(a, a + n, v.data() + de);
    }
}

// Gives the memory freed since back to the system. glibc keeps up to 64 MB free at the top of
// each thread's heap before it returns any, and the finder's stages free lists of tens of
// megabytes in two threads, one after another: kept, they would add up to a peak of their own.
inline void DevolverMemoria() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

// Asks for the memory of a large table read at random (the records, compared in pairs scattered
// over the register) to be backed by large pages: with small ones nearly every read of a
// record missed the address cache as well.
inline void PaginasGrandes(const void* inicio, size_t bytes) {
#ifdef __linux__
    constexpr uintptr_t kGrande = uintptr_t(2) << 20;
    const uintptr_t de = (reinterpret_cast<uintptr_t>(inicio) + kGrande - 1) & ~(kGrande - 1);
    const uintptr_t ate = (reinterpret_cast<uintptr_t>(inicio) + bytes) & ~(kGrande - 1);
    if (ate > de)
        madvise(reinterpret_cast<void*>(de), ate - de, MADV_HUGEPAGE);
#else
    (void)inicio;
    (void)bytes;
#endif
}

// Small words that come and go in Brazilian names without changing the person.
inline bool Particula(std::string_view p) {
    return p == "DE" || p == "DA" || p == "DO" || p == "DAS" || p == "DOS" || p == "E" || p == "D";
}

// The word that tells a father from his son of the same name.
inline bool Geracao(std::string_view p) {
    return p == "JUNIOR" || p == "JR" || p == "FILHO" || p == "NETO" || p == "SOBRINHO" ||
           p == "SEGUNDO" || p == "II" || p == "III";
}

// A digit in a name is always a slip: a key of the row above the letters, or a letter misread
// from a form (5 for S, 0 for O, 1 for L or I). The name with each digit read as the letter it
// looks like; `outra` reads 1, 6 and 9 as their second look-alike.
inline bool TemDigito(std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}
inline std::string DigitosComoLetras(std::string_view s, bool outra = false) {
    static constexpr char kLetras[2][11] = {"OLZEASGTBG", "OIZEASBTBQ"};
    std::string r(s);
    for (char& c : r)
        if (c >= '0' && c <= '9')
            c = kLetras[outra ? 1 : 0][c - '0'];
    return r;
}

// The words of a name, without allocating (names compared by the million): at most twelve,
// which no name field holds more of.
class Palavras {
  public:
    Palavras(std::string_view s, bool semParticulas) {
        size_t i = 0;
        while (i < s.size() && m_n < int(m_p.size())) {
            size_t j = s.find(' ', i);
            if (j == std::string_view::npos)
                j = s.size();
            const std::string_view p = s.substr(i, j - i);
            if (!p.empty() && !(semParticulas && Particula(p)))
                m_p[size_t(m_n++)] = p;
            i = j + 1;
        }
    }
    const std::string_view* begin() const { return m_p.data(); }
    const std::string_view* end() const { return m_p.data() + m_n; }
    size_t size() const { return size_t(m_n); }
    bool empty() const { return m_n == 0; }
    std::string_view front() const { return m_p[0]; }
    std::string_view back() const { return m_p[size_t(m_n - 1)]; }
    std::string_view operator[](size_t i) const { return m_p[i]; }

  private:
    std::array<std::string_view, 12> m_p{};
    int m_n = 0;
};

// Records joined into sets by the pairs that link them, by record index: at a million records
// the hundreds of thousands of linked records made hash maps cost more than the rest.
class Conjuntos {
  public:
    explicit Conjuntos(size_t registros) : m_pai(registros, kFora) {}
    // Whether a pair has touched the record.
    bool Ligado(quint32 x) const { return m_pai[x] != kFora; }
    // The record that stands for x's set (x's own set, if no pair has touched it yet).
    quint32 Raiz(quint32 x) {
        if (m_pai[x] == kFora)
            m_pai[x] = x;
        while (m_pai[x] != x) x = m_pai[x] = m_pai[m_pai[x]];
        return x;
    }
    // Puts the set of `raizB` under `raizA` (both roots).
    void Unir(quint32 raizA, quint32 raizB) { m_pai[raizB] = raizA; }

  private:
    static constexpr quint32 kFora = std::numeric_limits<quint32>::max();
    std::vector<quint32> m_pai;
};

// Pair keys (the lower record index in the high half), sorted, in one block of memory that
// grows in place: at a million records the list runs to a hundred megabytes, and a vector
// would hold it twice each time it grows.
class ListaPares {
  public:
    ListaPares() = default;
    ListaPares(const ListaPares&) = delete;
    ListaPares& operator=(const ListaPares&) = delete;
    ListaPares(ListaPares&& o) noexcept
        : m_p(std::exchange(o.m_p, nullptr)), m_n(std::exchange(o.m_n, 0)) {}
    ListaPares& operator=(ListaPares&& o) noexcept {
        std::swap(m_p, o.m_p);
        std::swap(m_n, o.m_n);
        return *this;
    }
    ~ListaPares() { std::free(m_p); }

    size_t size() const { return m_n; }
    quint64 operator[](size_t i) const { return m_p[i]; }
    const quint64* begin() const { return m_p; }
    const quint64* end() const { return m_p + m_n; }
    void Liberar() {
        std::free(m_p);
        m_p = nullptr;
        m_n = 0;
    }
    // Adds the keys of `novos` (sorted, without repeats) that are not in the list yet.
    void Juntar(const std::vector<quint64>& novos) { Juntar(novos.data(), novos.size()); }
    void Juntar(const quint64* novos, size_t quantos) {
        size_t faltam = 0;
        for (size_t i = 0, j = 0; j < quantos; ++j) {
            while (i < m_n && m_p[i] < novos[j]) ++i;
            faltam += i == m_n || m_p[i] != novos[j];
        }
        if (faltam == 0)
            return;
        auto* p = static_cast<quint64*>(std::realloc(m_p, (m_n + faltam) * sizeof(quint64)));
        if (!p)
            throw std::bad_alloc();
        m_p = p;
        // From the end backwards, so that nothing is overwritten before it has moved.
        size_t i = m_n, j = quantos, w = m_n + faltam;
        while (j > 0) {
            if (i > 0 && m_p[i - 1] > novos[j - 1])
                m_p[--w] = m_p[--i];
            else if (i > 0 && m_p[i - 1] == novos[j - 1])
                --j;
            else
                m_p[--w] = novos[--j];
        }
        m_n += faltam;
    }

  private:
    quint64* m_p = nullptr;
    size_t m_n = 0;
};

// Sorted lists of pair keys joined into one, each list with another of like size: joined one by
// one into a list that keeps growing, the whole list was rewritten for every list, and at three
// million records it holds tens of millions of keys when the last kinds of key add a few
// hundred thousand each. Like with like, every key is rewritten a few times at most.
class PilhaPares {
  public:
    void Juntar(const std::vector<quint64>& novos) {
        ListaPares lista;
        lista.Juntar(novos);
        m_listas.push_back(std::move(lista));
        while (m_listas.size() >= 2 &&
               2 * m_listas.back().size() >= m_listas[m_listas.size() - 2].size())
            juntarUltimas();
    }
    // Every list joined, into `lista`; the stack is left empty.
    void Terminar(ListaPares& lista) {
        while (m_listas.size() >= 2) juntarUltimas();
        lista = m_listas.empty() ? ListaPares() : std::move(m_listas.back());
        m_listas.clear();
    }

  private:
    // The shorter of the last two into the longer, which grows in place.
    void juntarUltimas() {
        ListaPares& a = m_listas[m_listas.size() - 2];
        ListaPares& b = m_listas.back();
        if (a.size() < b.size())
            std::swap(a, b);
        a.Juntar(b.begin(), b.size());
        m_listas.pop_back();
    }

    std::vector<ListaPares> m_listas;
};

inline double Jw(std::string_view a, std::string_view b) {
    return JaroWinkler(a.data(), int(a.size()), b.data(), int(b.size()));
}

inline int Distancia(std::string_view a, std::string_view b, int limite) {
    return DistanciaEdicao(a.data(), int(a.size()), b.data(), int(b.size()), limite);
}

// How many characters two names can have in common at most: the characters counted by their
// lowest five bits (the letters apart, a digit may share a count with a letter: more in common,
// never less). Neither Jaro's matches nor the characters an edit distance leaves in place can
// be more.
inline int EmComumNoMaximo(std::string_view x, std::string_view y) {
    if (x.size() > 255)  // a count could overflow
        return int(std::min(x.size(), y.size()));
    std::array<quint8, 32> contagem{};
    for (const char c : x) ++contagem[size_t(c & 31)];
    int m = 0;
    for (const char c : y)
        if (contagem[size_t(c & 31)]) {
            --contagem[size_t(c & 31)];
            ++m;
        }
    return m;
}

// No less than Jaro-Winkler of two texts, from the characters they have in common at most
// (EmComumNoMaximo): the matches can be no more, the transpositions no fewer than none. 1 for
// empty texts and texts longer than Jaro-Winkler reads.
inline double JwNoMaximo(std::string_view x, std::string_view y, int emComum) {
    if (x.empty() || y.empty() || x.size() > 64 || y.size() > 64)
        return 1.0;
    const double m = emComum;
    const double jaro = (m / double(x.size()) + m / double(y.size()) + 1.0) / 3.0;
    size_t prefixo = 0;
    while (prefixo < 4 && prefixo < x.size() && prefixo < y.size() && x[prefixo] == y[prefixo])
        ++prefixo;
    // A margin for the rounding of the two ways of computing it.
    return jaro + double(prefixo) * 0.1 * (1.0 - jaro) + 1e-9;
}

}  // namespace semelhanca::busca
