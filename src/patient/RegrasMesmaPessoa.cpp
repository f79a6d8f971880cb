#include "patient/RegrasMesmaPessoa.h"

#include <array>

#include "patient/Normalizacao.h"

namespace semelhanca {

namespace {

// The eight digits of dd/mm/yyyy, as the date is typed.
std::array<char, 8> Digitada(qint32 d) {
    const int dia = d % 100, mes = (d / 100) % 100, ano = d / 10000;
    return {char('0' + dia / 10),      char('0' + dia % 10),        char('0' + mes / 10),
            char('0' + mes % 10),      char('0' + ano / 1000 % 10), char('0' + ano / 100 % 10),
            char('0' + ano / 10 % 10), char('0' + ano % 10)};
}

}  // namespace

int DigitosDiferentes(qint32 a, qint32 b) {
    const std::array<char, 8> x = Digitada(a), y = Digitada(b);
    int n = 0;
    for (size_t i = 0; i < 8; ++i) n += x[i] != y[i] ? 1 : 0;
    return n;
}

bool DatasCompativeis(qint32 a, qint32 b) {
    if (a == b)
        return true;
    const int dia = a % 100, mes = (a / 100) % 100;
    if (a / 10000 == b / 10000 && dia == (b / 100) % 100 && mes == b % 100)
        return true;
    const std::array<char, 8> x = Digitada(a), y = Digitada(b);
    int primeiro = -1, diferentes = 0;
    for (int i = 0; i < 8; ++i)
        if (x[size_t(i)] != y[size_t(i)]) {
            if (primeiro < 0)
                primeiro = i;
            ++diferentes;
        }
    if (diferentes == 1)
        return true;
    // Two differences only when they are neighbours swapped (12 / 21, 1970 / 1907).
    const size_t i = size_t(primeiro);
    return diferentes == 2 && i + 1 < 8 && x[i] == y[i + 1] && x[i + 1] == y[i];
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
