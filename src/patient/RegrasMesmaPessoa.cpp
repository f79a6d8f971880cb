#include "patient/RegrasMesmaPessoa.h"

#include <array>
#include <bit>

#include "patient/Normalizacao.h"

namespace semelhanca {

namespace {

// The eight digits of dd/mm/yyyy as the date is typed, one a byte, the first in the lowest: the
// finder asks this of millions of pairs, and bytes compare all at once.
quint64 Digitada(qint32 d) {
    static constexpr std::array<quint16, 100> kPares = [] {
        std::array<quint16, 100> p{};
        for (int i = 0; i < 100; ++i) p[size_t(i)] = quint16(('0' + i / 10) | ('0' + i % 10) << 8);
        return p;
    }();
    const quint32 u = quint32(d), ano = u / 10000;
    return quint64(kPares[u % 100]) | quint64(kPares[u / 100 % 100]) << 16 |
           quint64(kPares[ano / 100 % 100]) << 32 | quint64(kPares[ano % 100]) << 48;
}

// One bit (the lowest of its byte) for each digit that differs.
quint64 Diferentes(quint64 x, quint64 y) {
    quint64 v = x ^ y;
    v |= v >> 4;
    v |= v >> 2;
    v |= v >> 1;
    return v & 0x0101010101010101ull;
}

// How many bytes hold a bit, of a value with at most the lowest bit of each byte set: the
// bytes added up in the top one (a processor without a population count instruction calls a
// library function for std::popcount, and the finder asks this of millions of pairs).
int Bits(quint64 v) {
    return int((v * 0x0101010101010101ull) >> 56);
}

}  // namespace

int BytesDiferentes(quint64 x, quint64 y) {
    return Bits(Diferentes(x, y));
}

int DigitosDiferentes(qint32 a, qint32 b) {
    return BytesDiferentes(Digitada(a), Digitada(b));
}

bool DatasCompativeis(qint32 a, qint32 b) {
    if (a == b)
        return true;
    const int dia = a % 100, mes = (a / 100) % 100;
    if (a / 10000 == b / 10000 && dia == (b / 100) % 100 && mes == b % 100)
        return true;
    const quint64 x = Digitada(a), y = Digitada(b);
    const quint64 diferentes = Diferentes(x, y);
    const int n = Bits(diferentes);
    if (n == 1)
        return true;
    // Two differences only when they are neighbours swapped (12 / 21, 1970 / 1907).
    const int i = std::countr_zero(diferentes) / 8;
    const auto digito = [](quint64 v, int k) { return (v >> (8 * k)) & 0xFF; };
    return n == 2 && i + 1 < 8 && digito(x, i) == digito(y, i + 1) &&
           digito(x, i + 1) == digito(y, i);
}

bool DatasCompativeis(const QDate& a, const QDate& b) {
    const auto aaaammdd = [](const QDate& d) {
        return d.year() * 10000 + d.month() * 100 + d.day();
    };
    return DatasCompativeis(aaaammdd(a), aaaammdd(b));
}

quint8 SinaisPessoasDiferentes(std::string_view cicA, std::string_view cicB, std::string_view rgA,
                               std::string_view rgB, char sexoA, char sexoB, qint32 nascimentoA,
                               qint32 nascimentoB) {
    quint8 s = 0;
    if (!cicA.empty() && !cicB.empty() && cicA != cicB)
        s |= SinalCic;
    if (!rgA.empty() && !rgB.empty() && rgA != rgB)
        s |= SinalRg;
    if (sexoA && sexoB && sexoA != sexoB)
        s |= SinalSexo;
    if (nascimentoA && nascimentoB && !DatasCompativeis(nascimentoA, nascimentoB))
        s |= SinalNascimento;
    return s;
}

Identificacao Identificacao::De(const QVariant& cic, const QVariant& rg, const QVariant& sexo,
                                const QVariant& nascimento) {
    return {CicNormalizado(cic), RgNormalizado(rg), SexoNormalizado(sexo),
            DataNascimento(nascimento)};
}

quint8 SinaisPessoasDiferentes(const Identificacao& a, const Identificacao& b) {
    const auto vista = [](const QByteArray& t) {
        return std::string_view(t.constData(), size_t(t.size()));
    };
    return SinaisPessoasDiferentes(vista(a.cic), vista(b.cic), vista(a.rg), vista(b.rg), a.sexo,
                                   b.sexo, a.nascimento, b.nascimento);
}

QStringList TextosSinais(quint8 sinais) {
    static const char* const textos[] = {"CIC diferente", "RG diferente", "sexo diferente",
                                         "datas de nascimento incompatíveis"};
    QStringList r;
    for (int i = 0; i < 4; ++i)
        if (sinais & (1 << i))
            r << QString::fromUtf8(textos[i]);
    return r;
}

}  // namespace semelhanca
