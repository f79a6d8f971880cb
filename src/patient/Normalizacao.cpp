#include "patient/Normalizacao.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cstring>

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

QByteArray TextoNormalizado(const QString& texto) {
    const auto& tabela = TabelaBase();
    QByteArray r;
    r.reserve(texto.size());
    bool branco = false;
    for (QChar c : texto) {
        const char16_t u = c.unicode();
        if (u == '\'' || u == 0x2019 || u == 0xB4 || u == '`')
            continue;  // O'CONNOR = OCONNOR, D'ÁVILA = DAVILA
        const char b = u < 0x180 ? tabela[u] : Base(c);
        if (!b) {
            branco = !r.isEmpty();
            continue;
        }
        if (branco)
            r += ' ';
        branco = false;
        r += b;
    }
    return r;
}

QByteArray TextoNormalizado(const QVariant& valor) {
    if (valor.isNull())
        return {};
    return TextoNormalizado(valor.toString());
}

QByteArray Digitos(const QVariant& valor, bool aceitarX) {
    QByteArray r;
    if (valor.isNull())
        return r;
    const QString texto = valor.toString();
    for (QChar c : texto) {
        if (c.unicode() >= '0' && c.unicode() <= '9')
            r += char(c.unicode());
        else if (aceitarX && (c == 'X' || c == 'x'))
            r += 'X';
    }
    return r;
}

QByteArray RgNormalizado(const QVariant& valor) {
    return Digitos(valor, true).left(16);
}

QByteArray CicNormalizado(const QVariant& valor) {
    QByteArray d = Digitos(valor);
    // A CIC kept in a numeric column loses its leading zeros.
    if (d.size() == 9 || d.size() == 10)
        d = d.rightJustified(11, '0');
    return d.left(11);
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

qint32 DataNascimento(const QVariant& valor) {
    if (valor.isNull())
        return 0;
    QDate d;
    if (valor.typeId() == QMetaType::QDateTime) {
        d = valor.toDateTime().date();
    } else if (valor.typeId() == QMetaType::QDate) {
        d = valor.toDate();
    } else {
        const QString t = valor.toString().trimmed().left(10);
        d = QDate::fromString(t, QStringLiteral("dd/MM/yyyy"));
        if (!d.isValid())
            d = QDate::fromString(t, QStringLiteral("yyyy-MM-dd"));
    }
    if (!d.isValid() || d.year() < 1800 || d.year() > 9999)
        return 0;
    return d.year() * 10000 + d.month() * 100 + d.day();
}

char SexoNormalizado(const QVariant& valor) {
    const QByteArray s = TextoNormalizado(valor);
    if (s == "M" || s.startsWith("MASC"))
        return 'M';
    if (s == "F" || s.startsWith("FEM"))
        return 'F';
    return 0;
}

namespace {

bool Numero(const QByteArray& p) {
    return !p.isEmpty() && std::all_of(p.begin(), p.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Words that say what kind of street it is, typed in full, abbreviated or left out at will:
// they tell two addresses apart no better than the blanks between words.
bool TipoDeRua(const QByteArray& p) {
    static const char* const tipos[] = {
        "RUA", "R", "AV", "AVENIDA", "TRAVESSA", "TV", "TRAV", "ALAMEDA", "AL", "ESTRADA",
        "EST", "PRACA", "PC", "PCA", "RODOVIA", "ROD", "LARGO", "LGO", "VIELA", "BECO",
        "STREET", "ST", "ROAD", "RD", "AVENUE", "AVE", "PLACE", "PL", "DRIVE", "DR",
        "COURT", "CT", "LANE", "LN", "CRESCENT", "CRES",
    };
    for (const char* t : tipos)
        if (p == t)
            return true;
    return false;
}

// Where the complement begins: what follows belongs to one flat of the building.
bool Complemento(const QByteArray& p) {
    static const char* const palavras[] = {
        "APTO", "AP", "APT", "APARTAMENTO", "BLOCO", "BL", "CASA", "CS", "SALA",
        "LOTE", "LT", "QUADRA", "QD", "FUNDOS", "FDS", "ANDAR", "CONJ", "CJ", "UNIT", "FLAT",
    };
    for (const char* t : palavras)
        if (p == t)
            return true;
    return false;
}

bool ParticulaEndereco(const QByteArray& p) {
    return p == "DE" || p == "DA" || p == "DO" || p == "DAS" || p == "DOS" || p == "E";
}

}  // namespace

EnderecoNormalizado Endereco(const QVariant& valor) {
    EnderecoNormalizado r;
    if (valor.isNull())
        return r;
    // With commas the number is the first one after the street ("RUA 7 DE SETEMBRO, 120");
    // without, the last one before any complement ("R DAS FLORES 120 APTO 31", "12 HIGH ST").
    const QStringList partes = valor.toString().split(QLatin1Char(','));
    QList<QByteArray> rua = TextoNormalizado(partes.first()).split(' ');
    if (partes.size() > 1) {
        for (qsizetype i = 1; i < partes.size() && !r.numero; ++i)
            for (const QByteArray& p : TextoNormalizado(partes[i]).split(' ')) {
                if (Complemento(p))
                    break;
                if (Numero(p)) {
                    r.numero = p.left(9).toUInt();
                    break;
                }
            }
    }
    for (qsizetype i = 0; i < rua.size(); ++i)
        if (Complemento(rua[i])) {
            rua = rua.mid(0, i);
            break;
        }
    if (partes.size() == 1) {
        for (qsizetype i = rua.size() - 1; i >= 0 && rua.size() > 1; --i)
            if (Numero(rua[i])) {
                r.numero = rua[i].left(9).toUInt();
                rua.removeAt(i);
                break;
            }
    }
    for (const QByteArray& p : rua) {
        if (p.size() < 2 || TipoDeRua(p) || ParticulaEndereco(p))
            continue;
        if (!r.rua.isEmpty())
            r.rua += ' ';
        r.rua += p;
    }
    return r;
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
        return std::memcmp(a + i, b + i + 1, resto + 1) == 0 ? 1 : 2;
    if (std::memcmp(a + i + 1, b + i + 1, resto) == 0)
        return 1;
    return resto > 0 && a[i] == b[i + 1] && a[i + 1] == b[i] &&
                   std::memcmp(a + i + 2, b + i + 2, resto - 1) == 0
               ? 1
               : 2;
}

}  // namespace

int DistanciaEdicao(const char* a, int na, const char* b, int nb, int limite) {
    if (std::abs(na - nb) > limite)
        return limite + 1;
    if (na > 63 || nb > 63)
        return limite + 1;
    if (limite == 1)
        return DistanciaAteUm(a, na, b, nb);
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
