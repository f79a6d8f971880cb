#pragma once

#include <QtGlobal>
#include <array>
#include <cstring>
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

inline double Jw(std::string_view a, std::string_view b) {
    return JaroWinkler(a.data(), int(a.size()), b.data(), int(b.size()));
}

inline int Distancia(std::string_view a, std::string_view b, int limite) {
    return DistanciaEdicao(a.data(), int(a.size()), b.data(), int(b.size()), limite);
}

}  // namespace semelhanca::busca
