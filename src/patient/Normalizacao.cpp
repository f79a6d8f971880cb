#include "patient/Normalizacao.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cstring>
#include <string>

namespace semelhanca {

namespace {

// The base letter of an accented Latin letter, upper case; 0 for anything that is no letter
// or digit. Covers Latin-1 and Latin Extended-A, which is what Brazilian names use.
char Base(QChar c) {
    const char16_t u = c.unicode();
    if (u < 128) {
        if (u >= 'a' && u <= 'z')
            return char(u - 32);
        if ((u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9'))
            return char(u);
        return 0;
    }
    const QString d = QString(c).normalized(QString::NormalizationForm_D);
    if (!d.isEmpty() && d[0].unicode() < 128 && d[0].isLetter())
        return char(d[0].toUpper().unicode());
    if (c.isLetter())
        return '?';  // a letter outside the Latin alphabet: kept as a letter, never equal
    return 0;
}

// Latin-1 and the first Latin extension, decomposed once.
const std::array<char, 0x180>& TabelaBase() {
    static const std::array<char, 0x180> t = [] {
        std::array<char, 0x180> r{};
        for (int i = 0; i < 0x180; ++i) r[size_t(i)] = Base(QChar(char16_t(i)));
        return r;
    }();
    return t;
}

}  // namespace

namespace {

// The next code point of UTF-8 text from s[i], advancing i; a byte that starts no valid
// sequence is taken as a code point of its own (and so as no letter).
char32_t Proximo(std::string_view s, size_t& i) {
    const unsigned char c = static_cast<unsigned char>(s[i++]);
    if (c < 0x80)
        return c;
    const int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (extra == 0 || i + size_t(extra) > s.size())
        return 0xFFFF;
    char32_t cp = c & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        const unsigned char x = static_cast<unsigned char>(s[i]);
        if ((x & 0xC0) != 0x80)
            return 0xFFFF;
        cp = (cp << 6) | (x & 0x3F);
        ++i;
    }
    return cp;
}

std::string_view Vista(const QByteArray& b) {
    return {b.constData(), size_t(b.size())};
}

}  // namespace

void TextoNormalizado(std::string_view utf8, std::string& saida) {
    const auto& tabela = TabelaBase();
    // Never longer than the text: each character written takes a byte of it at least, and
    // each blank one that was left out. Written in place, not appended a character at a time.
    saida.resize(utf8.size());
    char* const inicio = saida.data();
    char* o = inicio;
    // The ASCII characters (most of a register's text) by one look-up: 1 for the apostrophes.
    static const std::array<char, 0x80> ascii = [&] {
        std::array<char, 0x80> a{};
        for (size_t c = 0; c < a.size(); ++c) a[c] = c == '\'' || c == '`' ? 1 : tabela[c];
        return a;
    }();
    bool branco = false;
    for (size_t i = 0; i < utf8.size();) {
        char b;
        if (static_cast<unsigned char>(utf8[i]) < 0x80) {
            b = ascii[size_t(utf8[i++])];
            if (b == 1)
                continue;  // O'CONNOR = OCONNOR
        } else {
            const char32_t u = Proximo(utf8, i);
            if (u == 0x2019 || u == 0xB4)
                continue;  // D’ÁVILA = DAVILA
            b = u < 0x180 ? tabela[u] : u < 0xFFFF ? Base(QChar(char16_t(u))) : 0;
        }
        if (!b) {
            branco = o != inicio;
            continue;
        }
        if (branco)
            *o++ = ' ';
        branco = false;
        *o++ = b;
    }
    saida.resize(size_t(o - inicio));
}

QByteArray TextoNormalizado(const QString& texto) {
    std::string r;
    TextoNormalizado(Vista(texto.toUtf8()), r);
    return QByteArray(r.data(), qsizetype(r.size()));
}

QByteArray TextoNormalizado(const QVariant& valor) {
    if (valor.isNull())
        return {};
    return TextoNormalizado(valor.toString());
}

int Digitos(std::string_view texto, bool aceitarX, char* saida, int maximo) {
    int n = 0;
    for (const char c : texto) {
        if (n == maximo)
            break;
        if (c >= '0' && c <= '9')
            saida[n++] = c;
        else if (aceitarX && (c == 'X' || c == 'x'))
            saida[n++] = 'X';
    }
    return n;
}

QByteArray Digitos(const QVariant& valor, bool aceitarX) {
    if (valor.isNull())
        return {};
    const QByteArray texto = valor.toString().toUtf8();
    QByteArray r(texto.size(), Qt::Uninitialized);
    r.resize(Digitos(Vista(texto), aceitarX, r.data(), int(r.size())));
    return r;
}

QByteArray RgNormalizado(const QVariant& valor) {
    return Digitos(valor, true).left(16);
}

int CicNormalizado(std::string_view texto, char* saida) {
    char d[32];
    const int n = Digitos(texto, false, d, 32);
    // A CIC kept in a numeric column loses its leading zeros.
    const int zeros = n == 9 || n == 10 ? 11 - n : 0;
    const int total = std::min(11, n + zeros);
    for (int i = 0; i < total; ++i) saida[i] = i < zeros ? '0' : d[i - zeros];
    return total;
}

QByteArray CicNormalizado(const QVariant& valor) {
    if (valor.isNull())
        return {};
    char d[11];
    return QByteArray(d, CicNormalizado(Vista(valor.toString().toUtf8()), d));
}

bool CicValido(const QByteArray& d) {
    if (d.size() != 11)
        return false;
    if (std::all_of(d.begin(), d.end(), [&](char c) { return c == d[0]; }))
        return false;
    for (int passo = 0; passo < 2; ++passo) {
        const int n = 9 + passo;
        int soma = 0;
        for (int i = 0; i < n; ++i) soma += (d[i] - '0') * (n + 1 - i);
        const int resto = soma % 11;
        if (d[n] - '0' != (resto < 2 ? 0 : 11 - resto))
            return false;
    }
    return true;
}

namespace {

qint32 DataValida(int ano, int mes, int dia) {
    if (ano < 1800 || ano > 9999 || !QDate::isValid(ano, mes, dia))
        return 0;
    return ano * 10000 + mes * 100 + dia;
}

}  // namespace

qint32 DataNascimento(std::string_view t) {
    while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
    if (t.size() < 10)
        return 0;
    int v[10];
    for (int i = 0; i < 10; ++i) v[i] = t[size_t(i)] - '0';
    const auto numero = [&](int de, int n) {
        int r = 0;
        for (int i = de; i < de + n; ++i) {
            if (v[i] < 0 || v[i] > 9)
                return -1;
            r = r * 10 + v[i];
        }
        return r;
    };
    if (t[4] == '-' && t[7] == '-')  // yyyy-mm-dd, as the database gives it
        return DataValida(numero(0, 4), numero(5, 2), numero(8, 2));
    if (t[2] == '/' && t[5] == '/')  // dd/mm/yyyy, as a person types it
        return DataValida(numero(6, 4), numero(3, 2), numero(0, 2));
    return 0;
}

qint32 DataNascimento(const QVariant& valor) {
    if (valor.isNull())
        return 0;
    QDate d;
    if (valor.typeId() == QMetaType::QDateTime)
        d = valor.toDateTime().date();
    else if (valor.typeId() == QMetaType::QDate)
        d = valor.toDate();
    else
        return DataNascimento(Vista(valor.toString().toUtf8()));
    return d.isValid() ? DataValida(d.year(), d.month(), d.day()) : 0;
}

char SexoNormalizado(std::string_view texto) {
    std::string s;
    TextoNormalizado(texto, s);
    const std::string_view v(s);
    if (v == "M" || v.substr(0, 4) == "MASC")
        return 'M';
    if (v == "F" || v.substr(0, 3) == "FEM")
        return 'F';
    return 0;
}

char SexoNormalizado(const QVariant& valor) {
    return valor.isNull() ? 0 : SexoNormalizado(Vista(valor.toString().toUtf8()));
}

namespace {

bool Numero(std::string_view p) {
    return !p.empty() &&
           std::all_of(p.begin(), p.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A word of up to eight characters as one number, its first character lowest: the address's
// words are looked up in the lists below by comparing numbers, not texts (every word of every
// address is looked up three or four times).
constexpr quint64 Empacotada(std::string_view p) {
    quint64 x = 0;
    for (size_t i = 0; i < p.size() && i < 8; ++i) x |= quint64(quint8(p[i])) << (8 * i);
    return x;
}

template <size_t N>
constexpr std::array<quint64, N> Empacotadas(const std::string_view (&palavras)[N]) {
    std::array<quint64, N> r{};
    for (size_t i = 0; i < N; ++i) {
        if (palavras[i].empty() || palavras[i].size() > 8)
            throw "a word of the list does not fit a number";  // at compile time
        r[i] = Empacotada(palavras[i]);
    }
    return r;
}

template <size_t N>
bool NaLista(std::string_view v, const std::array<quint64, N>& lista) {
    if (v.empty() || v.size() > 8)
        return false;
    const quint64 x = Empacotada(v);
    return std::find(lista.begin(), lista.end(), x) != lista.end();
}

// Words that say what kind of street it is, typed in full, abbreviated or left out at will:
// they tell two addresses apart no better than the blanks between words.
bool TipoDeRua(std::string_view v) {
    static constexpr std::string_view tipos[] = {
        "RUA",    "R",       "AV",       "AVENIDA", "TRAVESSA", "TV",  "TRAV",    "ALAMEDA",
        "AL",     "ESTRADA", "EST",      "PRACA",   "PC",       "PCA", "RODOVIA", "ROD",
        "LARGO",  "LGO",     "VIELA",    "BECO",    "STREET",   "ST",  "ROAD",    "RD",
        "AVENUE", "AVE",     "PLACE",    "PL",      "DRIVE",    "DR",  "COURT",   "CT",
        "LANE",   "LN",      "CRESCENT", "CRES",
    };
    static constexpr auto lista = Empacotadas(tipos);
    return NaLista(v, lista);
}

// Where the complement begins: what follows belongs to one flat of the building.
bool Complemento(std::string_view v) {
    static constexpr std::string_view palavras[] = {
        "APTO",   "AP", "APT",    "BLOCO", "BL",    "CASA", "CS", "SALA", "LOTE", "LT",
        "QUADRA", "QD", "FUNDOS", "FDS",   "ANDAR", "CONJ", "CJ", "UNIT", "FLAT",
    };
    static constexpr auto lista = Empacotadas(palavras);
    return v == "APARTAMENTO" || NaLista(v, lista);
}

bool ParticulaEndereco(std::string_view p) {
    return p == "DE" || p == "DA" || p == "DO" || p == "DAS" || p == "DOS" || p == "E";
}

// The words of a normalised text (single blanks between them), up to the first complement
// word: `fazer(palavra)` for each.
template <class F>
void AteComplemento(std::string_view normal, F fazer) {
    for (size_t i = 0;;) {
        const size_t j = std::min(normal.find(' ', i), normal.size());
        const std::string_view p = normal.substr(i, j - i);
        if (Complemento(p))
            return;
        fazer(p);
        if (j == normal.size())
            return;
        i = j + 1;
    }
}

quint32 NumeroDe(std::string_view p) {
    quint32 n = 0;
    for (const char c : p.substr(0, 9)) n = n * 10 + quint32(c - '0');
    return n;
}

}  // namespace

quint32 Endereco(std::string_view texto, std::string& rua, std::string& rascunho) {
    // With commas the number is the first one after the street ("RUA 7 DE SETEMBRO, 120");
    // without, the last one before any complement ("R DAS FLORES 120 APTO 31", "12 HIGH ST").
    quint32 numero = 0;
    const size_t virgula = texto.find(',');
    TextoNormalizado(texto.substr(0, virgula), rascunho);
    const std::string_view primeira(rascunho);
    std::string_view tirado;  // the number taken out of the street
    if (virgula != std::string_view::npos) {
        std::string normal;
        std::string_view resto = texto.substr(virgula + 1);
        while (!numero && !resto.empty()) {
            const size_t proxima = resto.find(',');
            TextoNormalizado(resto.substr(0, proxima), normal);
            bool achado = false;
            AteComplemento(normal, [&](std::string_view p) {
                if (!achado && Numero(p)) {
                    numero = NumeroDe(p);
                    achado = true;
                }
            });
            resto =
                proxima == std::string_view::npos ? std::string_view() : resto.substr(proxima + 1);
        }
    }
    if (!numero) {
        // From the street itself, when it has words besides: without commas its last number;
        // with nothing after the commas but the flat ("R CASTRO ALVES 311, APTO 5"), only a
        // number that ends it.
        int palavras = 0;
        std::string_view ultima;
        AteComplemento(primeira, [&](std::string_view p) {
            ++palavras;
            ultima = p;
            if (Numero(p))
                tirado = p;
        });
        if (palavras < 2 || (virgula != std::string_view::npos && tirado.data() != ultima.data()))
            tirado = {};
        numero = NumeroDe(tirado);
    }
    rua.clear();
    AteComplemento(primeira, [&](std::string_view p) {
        // Single letters (the S/N of "sem número", initials) say nothing; single digits do.
        if (p.data() == tirado.data() || (p.size() < 2 && !Numero(p)) || TipoDeRua(p) ||
            ParticulaEndereco(p))
            return;
        if (!rua.empty())
            rua += ' ';
        rua += p;
    });
    return numero;
}

EnderecoNormalizado Endereco(std::string_view texto) {
    std::string rua, rascunho;
    EnderecoNormalizado r;
    r.numero = Endereco(texto, rua, rascunho);
    r.rua = QByteArray(rua.data(), qsizetype(rua.size()));
    return r;
}

EnderecoNormalizado Endereco(const QVariant& valor) {
    return valor.isNull() ? EnderecoNormalizado() : Endereco(Vista(valor.toString().toUtf8()));
}

QByteArray ChaveFonetica(const QByteArray& s) {
    QByteArray r;
    r.reserve(s.size());
    const int n = int(s.size());
    auto em = [&](int i) -> char { return i >= 0 && i < n ? s[i] : '\0'; };
    auto vogalFrontal = [](char c) { return c == 'E' || c == 'I' || c == 'Y'; };
    for (int i = 0; i < n; ++i) {
        const char c = s[i];
        const char prox = em(i + 1);
        char saida = c;
        switch (c) {
            case 'P':
                if (prox == 'H') {
                    saida = 'F';
                    ++i;
                }
                break;
            case 'T':
                if (prox == 'H')
                    ++i;
                break;
            case 'C':
                if (prox == 'H') {
                    saida = 'X';
                    ++i;
                } else if (vogalFrontal(prox)) {
                    saida = 'S';
                } else {
                    saida = 'K';
                }
                break;
            case 'S':
                if (prox == 'H') {
                    saida = 'X';
                    ++i;
                } else if (prox == 'C' && vogalFrontal(em(i + 2))) {
                    ++i;  // NASCIMENTO = NASIMENTO
                }
                break;
            case 'Q':
                saida = 'K';
                if (prox == 'U')
                    ++i;
                break;
            case 'G':
                if (vogalFrontal(prox))
                    saida = 'J';
                else if (prox == 'U' && vogalFrontal(em(i + 2)))
                    ++i;  // GUI = GI
                break;
            case 'L':
                if (prox == 'H') {
                    saida = 'L';
                    ++i;
                }
                break;
            case 'N':
                if (prox == 'H')
                    ++i;
                break;
            case 'Z':
                saida = 'S';
                break;
            case 'Y':
                saida = 'I';
                break;
            case 'W':
                saida = 'V';
                break;
            case 'K':
                saida = 'K';
                break;
            case 'H':
                continue;  // silent
            case 'M':
                if (prox == '\0' || prox == ' ')
                    saida = 'N';  // final M and N sound alike
                break;
            default:
                break;
        }
        if (!r.isEmpty() && r.back() == saida && saida != ' ')
            continue;  // SS, LL, TT, ...
        r += saida;
    }
    return r;
}

namespace {

// Distance 0, 1 or more (2) in one pass, for the limit the matcher asks almost every time:
// one character typed wrong, missing, added, or two neighbours swapped.
// Short texts compared byte by byte: most differ within a few bytes, where a call to memcmp
// cost more than the comparison.
bool Iguais(const char* a, const char* b, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (a[i] != b[i])
            return false;
    return true;
}

int DistanciaAteUm(const char* a, int na, const char* b, int nb) {
    if (na > nb) {
        std::swap(a, b);
        std::swap(na, nb);
    }
    int i = 0;
    while (i < na && a[i] == b[i]) ++i;
    if (i == na)
        return nb - na;
    const size_t resto = size_t(na - i - 1);
    if (na < nb)  // b has one character more: skip it
        return Iguais(a + i, b + i + 1, resto + 1) ? 1 : 2;
    if (Iguais(a + i + 1, b + i + 1, resto))
        return 1;
    return resto > 0 && a[i] == b[i + 1] && a[i + 1] == b[i] &&
                   Iguais(a + i + 2, b + i + 2, resto - 1)
               ? 1
               : 2;
}

}  // namespace

int DistanciaEdicao(const char* a, int na, const char* b, int nb, int limite) {
    if (std::abs(na - nb) > limite)
        return limite + 1;
    if (na > 63 || nb > 63)
        return limite + 1;
    if (limite == 1) {
        // Three places that differ in texts of one length are more than one slip: most
        // documents compared are strangers', whose first digits tell them apart.
        if (na == nb) {
            int diferentes = 0;
            for (int i = 0; i < na; ++i)
                if (a[i] != b[i] && ++diferentes > 2)
                    return 2;
        }
        return DistanciaAteUm(a, na, b, nb);
    }
    int linhas[3][64];
    int* anterior2 = linhas[0];
    int* anterior = linhas[1];
    int* atual = linhas[2];
    for (int j = 0; j <= nb; ++j) anterior[j] = j;
    for (int i = 1; i <= na; ++i) {
        atual[0] = i;
        int menor = atual[0];
        for (int j = 1; j <= nb; ++j) {
            const int custo = a[i - 1] == b[j - 1] ? 0 : 1;
            int v = std::min({anterior[j] + 1, atual[j - 1] + 1, anterior[j - 1] + custo});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                v = std::min(v, anterior2[j - 2] + 1);
            atual[j] = v;
            menor = std::min(menor, v);
        }
        if (menor > limite)
            return limite + 1;
        std::swap(anterior2, anterior);
        std::swap(anterior, atual);
    }
    return std::min(anterior[nb], limite + 1);
}

double JaroWinkler(const char* a, int na, const char* b, int nb) {
    if (na == 0 || nb == 0)
        return na == nb ? 1.0 : 0.0;
    if (na == nb && std::memcmp(a, b, size_t(na)) == 0)
        return 1.0;
    if (na > 64 || nb > 64) {
        na = std::min(na, 64);
        nb = std::min(nb, 64);
    }
    const int janela = std::max(0, std::max(na, nb) / 2 - 1);
    bool casadoA[64] = {};
    bool casadoB[64] = {};
    int casados = 0;
    for (int i = 0; i < na; ++i) {
        const int de = std::max(0, i - janela);
        const int ate = std::min(nb - 1, i + janela);
        for (int j = de; j <= ate; ++j) {
            if (!casadoB[j] && a[i] == b[j]) {
                casadoA[i] = casadoB[j] = true;
                ++casados;
                break;
            }
        }
    }
    if (casados == 0)
        return 0.0;
    int trocas = 0;
    for (int i = 0, j = 0; i < na; ++i) {
        if (!casadoA[i])
            continue;
        while (!casadoB[j]) ++j;
        if (a[i] != b[j])
            ++trocas;
        ++j;
    }
    const double m = casados;
    const double jaro = (m / na + m / nb + (m - trocas / 2.0) / m) / 3.0;
    int prefixo = 0;
    while (prefixo < 4 && prefixo < na && prefixo < nb && a[prefixo] == b[prefixo]) ++prefixo;
    return jaro + prefixo * 0.1 * (1.0 - jaro);
}

}  // namespace semelhanca
