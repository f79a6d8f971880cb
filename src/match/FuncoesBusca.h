#pragma once

#include <QtGlobal>
#include <array>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
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

// Small words that come and go in Brazilian names without changing the person.
inline bool Particula(std::string_view p) {
    return p == "DE" || p == "DA" || p == "DO" || p == "DAS" || p == "DOS" || p == "E" || p == "D";
}

// The word that tells a father from his son of the same name.
inline bool Geracao(std::string_view p) {
    return p == "JUNIOR" || p == "JR" || p == "FILHO" || p == "NETO" || p == "SOBRINHO" ||
           p == "SEGUNDO" || p == "II" || p == "III";
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

// Pair keys (the lower record index in the high half), sorted, in one block of memory that
// grows in place: at a million records the list runs to a hundred megabytes, and a vector
// would hold it twice each time it grows.
class ListaPares {
  public:
    ListaPares() = default;
    ListaPares(const ListaPares&) = delete;
    ListaPares& operator=(const ListaPares&) = delete;
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
    void Juntar(const std::vector<quint64>& novos) {
        size_t faltam = 0;
        for (size_t i = 0, j = 0; j < novos.size(); ++j) {
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
        size_t i = m_n, j = novos.size(), w = m_n + faltam;
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

inline double Jw(std::string_view a, std::string_view b) {
    return JaroWinkler(a.data(), int(a.size()), b.data(), int(b.size()));
}

inline int Distancia(std::string_view a, std::string_view b, int limite) {
    return DistanciaEdicao(a.data(), int(a.size()), b.data(), int(b.size()), limite);
}

}  // namespace semelhanca::busca
