// The field-by-field comparison of two records: the level each field falls into, the weight
// the level adds, and the measurement of u on random pairs of the register.
#include <algorithm>
#include <cstring>
#include <limits>

#include "match/FuncoesBusca.h"
#include "match/LocalizadorSemelhantes.h"
#include "patient/RegrasMesmaPessoa.h"

namespace semelhanca {

using namespace busca;

namespace {

bool Bom(int nivelNome) {
    return nivelNome >= nivel::kNomeIgual && nivelNome <= nivel::kNomeUmErro;
}

// Another reading of the names holds only when one name it pairs agrees and the other is
// missing or at least a little alike (a slip or two in it: CATHERINE GONZALEZ / GONZALZ
// CATHERINE), or when both are alike (two slips left in each).
bool Leitura(int nome, int ultimo) {
    return (Bom(nome) && ultimo != nivel::kNomeDiferente) ||
           (Bom(ultimo) && nome != nivel::kNomeDiferente) ||
           (nome && ultimo && std::max(nome, ultimo) < nivel::kNomePoucoParecido);
}

// How many of the bytes of two documents of a record differ, the whole documents (their
// unused bytes are zero in both).
template <size_t N>
int BytesDiferentes(const std::array<char, N>& a, const std::array<char, N>& b) {
    int d = 0;
    for (size_t i = 0; i < N; i += 8) {
        quint64 x = 0, y = 0;
        std::memcpy(&x, a.data() + i, std::min<size_t>(8, N - i));
        std::memcpy(&y, b.data() + i, std::min<size_t>(8, N - i));
        d += semelhanca::BytesDiferentes(x, y);
    }
    return d;
}

// How many of the eight bytes of `a` equal no byte of `b` within two places. Two slips leave
// all the other bytes in place or at most two places away (one for each digit dropped or
// added), so more than two such bytes rule them out: most strangers' telephones are ruled out
// by this alone, without working out the distance.
int SemParPerto(quint64 a, quint64 b) {
    const auto zeros = [](quint64 x) {  // the top bit of each byte of x that is zero
        constexpr quint64 m = 0x7F7F7F7F7F7F7F7Full;
        return ~(((x & m) + m) | x | m);
    };
    const quint64 iguais = zeros(a ^ b) | zeros(a ^ (b << 8)) | zeros(a ^ (b >> 8)) |
                           zeros(a ^ (b << 16)) | zeros(a ^ (b >> 16));
    return 8 - int(((iguais >> 7) * 0x0101010101010101ull) >> 56);
}

// One word of a name written two ways: an initial for any word it begins, or one slip in a
// word long enough to tell.
bool MesmaPalavra(std::string_view c, std::string_view l) {
    return c == l || (c.size() == 1 && l[0] == c[0]) || (l.size() == 1 && c[0] == l[0]) ||
           (c.size() >= 4 && l.size() >= 4 && Distancia(c, l, 1) <= 1);
}

// Whether every word of `curto` is a word of `longo` written the same way, each of `longo`'s
// words standing for one word only: MARIA MARCIA is not in MARIA ANTONIA, though MARCIA is one
// slip from MARIA. The words written alike are paired first, so that a slip never takes the
// word another one needs.
bool CadaPalavraEm(const Palavras& curto, const Palavras& longo) {
    std::array<bool, 12> usada{}, feita{};
    for (size_t i = 0; i < curto.size(); ++i)
        for (size_t j = 0; j < longo.size() && !feita[i]; ++j)
            if (!usada[j] && curto[i] == longo[j])
                usada[j] = feita[i] = true;
    for (size_t i = 0; i < curto.size(); ++i)
        for (size_t j = 0; j < longo.size() && !feita[i]; ++j)
            if (!usada[j] && MesmaPalavra(curto[i], longo[j]))
                usada[j] = feita[i] = true;
    return std::all_of(feita.begin(), feita.begin() + long(curto.size()), [](bool f) { return f; });
}

// Whether `palavra` (no particle) is among the words Palavras(texto, true) lists, without
// listing them: asked of most pairs of strangers.
bool EntrePalavras(std::string_view texto, std::string_view palavra) {
    if (std::count(texto.begin(), texto.end(), ' ') >= 12) {  // more than Palavras keeps
        const Palavras p(texto, true);
        return std::find(p.begin(), p.end(), palavra) != p.end();
    }
    for (size_t i = 0; (i = texto.find(palavra, i)) != std::string_view::npos; ++i)
        if ((i == 0 || texto[i - 1] == ' ') &&
            (i + palavra.size() == texto.size() || texto[i + palavra.size()] == ' '))
            return true;
    return false;
}

// The level of two different names by their likeness alone: 5 when very alike (Jaro-Winkler
// 0.92, or at most two slips in names of six letters or more), 6 when alike (0.84, or two
// slips in a short name, one of them a letter added or dropped: JAMES / JARNS, JAIRO / JRAO),
// 7 when two letters are replaced in a name of four or more (they make another name as often
// as a slip: LUCIA / LIVIA, twin sisters), else different. Most names compared are
// strangers': a bound proves most of them apart without computing Jaro-Winkler or the distance.
int NivelPorSemelhanca(std::string_view x, std::string_view y) {
    const size_t menor = std::min(x.size(), y.size()), maior = std::max(x.size(), y.size());
    const int emComum = EmComumNoMaximo(x, y);
    // Below the bound, Jaro-Winkler is below both bands too.
    const double jw = JwNoMaximo(x, y, emComum) < 0.84 ? 0 : Jw(x, y);
    if (jw >= 0.92)
        return 5;
    // An edit leaves in place all the characters of the longer name but the one it changes.
    const bool duasFalhas = menor >= 4 && size_t(emComum) + 2 >= maior && Distancia(x, y, 2) <= 2;
    if (duasFalhas && menor >= 6)
        return 5;
    if (jw >= 0.84 || (duasFalhas && x.size() != y.size()))
        return 6;
    return duasFalhas ? nivel::kNomePoucoParecido : nivel::kNomeDiferente;
}

// Two names, one of them with a digit typed in it, read with the digits as the letters they
// look like (either reading of those that look like two): the same name so read, or one slip
// from it, is one slip; anything alike at all is "very alike", since a name with a digit is
// nobody's real name and cannot be a twin's other name (JA5M / JAMES, 6ROWN / BROWN).
int NivelComDigitos(std::string_view x, std::string_view y) {
    int melhor = nivel::kNomeDiferente;
    for (const bool outra : {false, true}) {
        const std::string lx = DigitosComoLetras(x, outra), ly = DigitosComoLetras(y, outra);
        const int n = std::min(lx.size(), ly.size()) >= 3 && Distancia(lx, ly, 1) <= 1
                          ? nivel::kNomeUmErro
                          : NivelPorSemelhanca(lx, ly);
        melhor = std::min(melhor, n);
    }
    return melhor < nivel::kNomeDiferente ? std::min(melhor, nivel::kNomeMuitoParecido) : melhor;
}

bool NomeOuOrdem(int campo) {
    return campo == int(Campo::Nome) || campo == int(Campo::NomeMeio) ||
           campo == int(Campo::NomeUltimo) || campo == int(Campo::OrdemNomes);
}

}  // namespace

int LocalizadorSemelhantes::nivelNome(quint32 a, quint32 b, Cache* cache) const {
    if (a == 0 || b == 0)
        return 0;
    if (a == b)
        return nivel::kNomeIgual;
    const quint64 chave = cache ? Cache::Chave(a, b) : 0;
    quint64* guardada = chave ? &Cache::Em(cache->nomes, chave) : nullptr;
    if (guardada && (*guardada & ~quint64(0xFF)) == chave)
        return int(*guardada & 0xFF);
    const std::string& x = m_nomes.entradas[a].texto;
    const std::string& y = m_nomes.entradas[b].texto;
    const size_t menor = std::min(x.size(), y.size());
    int nivel;
    if (m_nomes.entradas[a].som == m_nomes.entradas[b].som) {
        nivel = nivel::kNomeSom;
    } else if (menor >= 3 && Distancia(x, y, 1) <= 1) {
        nivel = nivel::kNomeUmErro;
    } else if (m_nomes.entradas[a].umaPalavra() && m_nomes.entradas[b].umaPalavra()) {
        // One word each (most names): an initial is part of the other, or they are alike.
        const bool parte = menor == 1 && x[0] == y[0];
        nivel = parte && Geracao(y) && !Geracao(x) ? nivel::kNomeDiferente
                : parte                            ? 4
                                                   : NivelPorSemelhanca(x, y);
    } else {
        // An initial, or every word of the shorter name in the longer one.
        const auto px = Palavras(x, true);
        const auto py = Palavras(y, true);
        const auto& curto = px.size() <= py.size() ? px : py;
        const auto& longo = px.size() <= py.size() ? py : px;
        bool parte = !curto.empty() && (px.size() != py.size() || menor == 1);
        for (size_t i = 0; i < curto.size() && parte; ++i) {
            const std::string_view c = curto[i];
            parte = std::any_of(longo.begin(), longo.end(), [&](std::string_view l) {
                return c == l || (c.size() == 1 && l[0] == c[0]) || (l.size() == 1 && c[0] == l[0]);
            });
        }
        // SILVA and SILVA JUNIOR are a father and his son.
        const bool geracao = parte && std::any_of(longo.begin(), longo.end(), Geracao) &&
                             !std::any_of(curto.begin(), curto.end(), Geracao);
        nivel = geracao ? nivel::kNomeDiferente : parte ? 4 : NivelPorSemelhanca(x, y);
    }
    if (nivel > nivel::kNomeUmErro && (m_nomes.entradas[a].digito || m_nomes.entradas[b].digito))
        nivel = std::min(nivel, NivelComDigitos(x, y));
    if (guardada)
        *guardada = chave | quint8(nivel);
    return nivel;
}

int LocalizadorSemelhantes::nivelMeio(quint32 a, quint32 b, Cache* cache) const {
    if (a == 0 || b == 0)
        return a == b ? nivel::kMeioNuloNosDois : nivel::kMeioNulo;
    if (a == b)
        return nivel::kMeioIgual;
    const quint64 chave = cache ? Cache::Chave(a, b) : 0;
    quint64* guardada = chave ? &Cache::Em(cache->meios, chave) : nullptr;
    if (guardada && (*guardada & ~quint64(0xFF)) == chave)
        return int(*guardada & 0xFF);
    const EntradaDicionario& x = m_nomes.entradas[a];
    const EntradaDicionario& y = m_nomes.entradas[b];
    const auto px = Palavras(x.texto, true);
    const auto py = Palavras(y.texto, true);
    int nivel = 4;
    // Every word of the shorter one is in the longer one (an initial stands for any word
    // that begins with it): A / APARECIDA, DE SOUZA / SOUZA, M DE FATIMA / MARIA DE FATIMA.
    const auto& curto = px.size() <= py.size() ? px : py;
    const auto& longo = px.size() <= py.size() ? py : px;
    bool contido = !curto.empty();
    for (const std::string_view c : curto) {
        contido = contido && std::any_of(longo.begin(), longo.end(),
                                         [&](std::string_view l) { return MesmaPalavra(c, l); });
    }
    if (contido)
        nivel = 2;
    else if (x.som == y.som ||
             (JwNoMaximo(x.texto, y.texto, EmComumNoMaximo(x.texto, y.texto)) >= 0.88 &&
              Jw(x.texto, y.texto) >= 0.88))
        nivel = 3;
    if (guardada)
        *guardada = chave | quint8(nivel);
    return nivel;
}

bool LocalizadorSemelhantes::umNomeInteiro(const Registro& a, const Registro& b) const {
    // Re-read word by word, two whole names are one name split otherwise, not two people
    // who share a first and a last word: two given names of two words each must agree word
    // for word (MARIA CLARA and MARIA EDUARDA are two sisters, MARIA CLARA and MARIA one
    // woman), and a generation word on one side only is a father and his son.
    const auto geracoes = [&](const Registro& r) {
        int g = 0;
        for (const quint32 id : {r.nome, r.meio, r.ultimo}) {
            const Palavras p(m_nomes.entradas[id].texto, true);
            g += int(std::count_if(p.begin(), p.end(), Geracao));
        }
        return g;
    };
    if (geracoes(a) != geracoes(b))
        return false;
    const Palavras pa(m_nomes.entradas[a.nome].texto, true);
    const Palavras pb(m_nomes.entradas[b.nome].texto, true);
    if (pa.size() < 2 || pb.size() < 2)
        return true;
    return pa.size() <= pb.size() ? CadaPalavraEm(pa, pb) : CadaPalavraEm(pb, pa);
}

int LocalizadorSemelhantes::sobrenomeNoMeio(const Registro& x, const Registro& y) const {
    if (!x.ultimo || !y.meio)
        return 0;
    const std::string& u = m_nomes.entradas[x.ultimo].texto;
    const Palavras meioX(m_nomes.entradas[x.meio].texto, true);
    int melhor = 0;
    for (const std::string_view w : Palavras(m_nomes.entradas[y.meio].texto, true)) {
        if (std::find(meioX.begin(), meioX.end(), w) != meioX.end())
            continue;  // a middle name both share says nothing of a family name
        if (w == u)
            return nivel::kNomeIgual;
        if (u.size() >= 4 && w.size() >= 4 && Distancia(u, w, 1) <= 1)
            melhor = nivel::kNomeUmErro;
    }
    return melhor;
}

void LocalizadorSemelhantes::niveisNomes(const Registro& a, const Registro& b,
                                         std::array<quint8, kCampos>& n, Cache* cache) const {
    const int iNome = int(Campo::Nome), iUltimo = int(Campo::NomeUltimo);
    const int iMeio = int(Campo::NomeMeio);
    int nome = nivelNome(a.nome, b.nome, cache);
    int ultimo = nivelNome(a.ultimo, b.ultimo, cache);
    int meio = nivelMeio(a.meio, b.meio, cache);
    // A first name that is the other record's middle name (the person goes by it).
    if (nome >= nivel::kNomePoucoParecido && (a.meio || b.meio)) {
        const auto emMeio = [&](quint32 nome, quint32 meio) {
            const std::string_view primeira = m_nomes.entradas[nome].primeira();
            return meio && !primeira.empty() &&
                   EntrePalavras(m_nomes.entradas[meio].texto, primeira);
        };
        if (emMeio(a.nome, b.meio) || emMeio(b.nome, a.meio))
            nome = 4;
    }
    int ordem = 0;
    // Another reading can only hold between names that might be one: missing, of one sound,
    // or of lengths two slips apart.
    const auto talvez = [&](quint32 x, quint32 y) {
        if (!x || !y || x == y)
            return true;
        const EntradaDicionario& ex = m_nomes.entradas[x];
        const EntradaDicionario& ey = m_nomes.entradas[y];
        return ex.som == ey.som ||
               (ex.texto.size() + 2 >= ey.texto.size() && ey.texto.size() + 2 >= ex.texto.size());
    };
    if (!(Bom(nome) && Bom(ultimo))) {
        // The better of the other readings, when it is clearly better: the given and family
        // names typed in each other's field, or the whole name re-read word by word.
        const auto valor = [&](int lNome, int lUltimo) {
            return m_modelo.Peso(iNome, lNome) + m_modelo.Peso(iUltimo, lUltimo);
        };
        double melhor = valor(nome, ultimo) + 0.5;
        const bool trocados = talvez(a.nome, b.ultimo) && talvez(a.ultimo, b.nome);
        const int tNome = trocados ? nivelNome(a.nome, b.ultimo, cache) : nivel::kNomeDiferente;
        const int tUltimo = trocados ? nivelNome(a.ultimo, b.nome, cache) : nivel::kNomeDiferente;
        if (trocados && Leitura(tNome, tUltimo) && valor(tNome, tUltimo) > melhor) {
            nome = tNome;
            ultimo = tUltimo;
            ordem = 1;
            melhor = valor(tNome, tUltimo) + 0.5;
        }
        const quint32 an = a.nomeAlt ? a.nomeAlt : a.nome, bn = b.nomeAlt ? b.nomeAlt : b.nome;
        const quint32 au = a.ultimoAlt ? a.ultimoAlt : a.ultimo;
        const quint32 bu = b.ultimoAlt ? b.ultimoAlt : b.ultimo;
        if ((a.nomeAlt || a.ultimoAlt || b.nomeAlt || b.ultimoAlt) && talvez(an, bn) &&
            talvez(au, bu)) {
            const int rNome = nivelNome(an, bn, cache);
            const int rUltimo = nivelNome(au, bu, cache);
            if (Leitura(rNome, rUltimo) && valor(rNome, rUltimo) > melhor && umNomeInteiro(a, b)) {
                nome = rNome;
                ultimo = rUltimo;
                ordem = 2;
            }
        }
        // The given and middle names typed in each other's field (the person goes by the
        // middle name): FERNANDA SANTOS ANDRADE / SANTOS FERNANDA ANDRADE.
        if (ordem == 0 && !Bom(nome) && a.meio && b.meio) {
            const int gNome = nivelNome(a.nome, b.meio, cache);
            const int gMeio = nivelNome(a.meio, b.nome, cache);
            if (Bom(gNome) && Bom(gMeio) &&
                m_modelo.Peso(iNome, gNome) > m_modelo.Peso(iNome, nome) + 0.5) {
                nome = gNome;
                meio = nivelMeio(a.meio, b.nome, cache);
                ordem = 2;
            }
        }
        // The family name of one record among the other's middle names, a new one after it.
        if (ordem == 0 && Bom(nome) && !Bom(ultimo) && ultimo != 0) {
            const int x = sobrenomeNoMeio(a, b), y = sobrenomeNoMeio(b, a);
            const int casada =
                std::min(x ? x : nivel::kNomeDiferente, y ? y : nivel::kNomeDiferente);
            const int iOrdem = int(Campo::OrdemNomes);
            if (casada != nivel::kNomeDiferente &&
                m_modelo.Peso(iUltimo, casada) +
                        m_modelo.Peso(iOrdem, nivel::kOrdemSobrenomeNoMeio) >
                    m_modelo.Peso(iUltimo, ultimo) + 0.5) {
                ultimo = casada;
                ordem = nivel::kOrdemSobrenomeNoMeio;
            }
        }
    }
    n[size_t(iNome)] = quint8(nome);
    n[size_t(iUltimo)] = quint8(ultimo);
    n[size_t(Campo::OrdemNomes)] = quint8(ordem);
    n[size_t(iMeio)] = quint8(meio);
}

void LocalizadorSemelhantes::niveis(const Registro& a, const Registro& b,
                                    std::array<quint8, kCampos>& n, Cache* cache) const {
    niveisNomes(a, b, n, cache);
    niveisOutros(a, b, n);
}

void LocalizadorSemelhantes::niveisOutros(const Registro& a, const Registro& b,
                                          std::array<quint8, kCampos>& n) const {
    int data = 0;
    if (a.nascimento && b.nascimento) {
        const int da = a.nascimento % 100, ma = (a.nascimento / 100) % 100;
        const int db = b.nascimento % 100, mb = (b.nascimento / 100) % 100;
        if (a.nascimento == b.nascimento)
            data = nivel::kDataIgual;
        else if (a.nascimento / 10000 == b.nascimento / 10000 && da == mb && ma == db)
            data = 2;
        else if (da == db && ma == mb && std::abs(a.nascimento / 10000 - b.nascimento / 10000) == 1)
            data = 3;
        else {
            // Other dates are compatible only a digit or two apart: the digits are counted
            // first, which spares most strangers' dates the rule itself.
            const int digitos = DigitosDiferentes(a.nascimento, b.nascimento);
            if (digitos <= 2)
                data = DatasCompativeis(a.nascimento, b.nascimento) ? 4 : 5;
            else
                data = std::abs(a.nascimento / 10000 - b.nascimento / 10000) <= 5
                           ? 6
                           : nivel::kDataAnosDiferenca;
        }
    }
    n[size_t(Campo::Nascimento)] = quint8(data);

    n[size_t(Campo::Sexo)] = quint8(!a.sexo || !b.sexo ? 0 : a.sexo == b.sexo ? 1 : 2);

    // Documents of one length are told equal, or more than a slip apart (a slip changes one
    // character, or two when it swaps neighbours), by their differing bytes.
    int cic = 0;
    if (a.nCic && b.nCic) {
        const int diferentes = a.nCic == b.nCic ? BytesDiferentes(a.cic, b.cic) : -1;
        if (diferentes == 0)
            cic = a.cicValido ? 1 : 2;
        else if (diferentes <= 2 &&
                 DistanciaEdicao(a.cic.data(), a.nCic, b.cic.data(), b.nCic, 1) <= 1)
            cic = 3;
        else
            cic = a.cicValido && b.cicValido ? 4 : 5;
    }
    n[size_t(Campo::CIC)] = quint8(cic);

    // 1 equal, 2 one slip (or the check digit on one side only), 3 two slips, 4 different.
    int rg = 0;
    if (a.nRg && b.nRg) {
        const int diferentes = a.nRg == b.nRg ? BytesDiferentes(a.rg, b.rg) : -1;
        const int menor = std::min(a.nRg, b.nRg);
        if (diferentes == 0) {
            rg = 1;
        } else if (diferentes > 4 || std::abs(int(a.nRg) - int(b.nRg)) > 2) {
            rg = 4;  // more than two slips, whatever they were
        } else {
            const bool semDigito = std::abs(int(a.nRg) - int(b.nRg)) == 1 && menor >= 5 &&
                                   std::memcmp(a.rg.data(), b.rg.data(), size_t(menor)) == 0;
            const int d =
                semDigito ? 1 : DistanciaEdicao(a.rg.data(), a.nRg, b.rg.data(), b.nRg, 2);
            rg = d <= 1 ? 2 : d <= 2 && menor >= 6 ? 3 : 4;
        }
    }
    n[size_t(Campo::RG)] = quint8(rg);

    n[size_t(Campo::Prontuario)] = quint8(!a.prontuario || !b.prontuario ? 0
                                          : a.prontuario == b.prontuario ? 1
                                                                         : 2);

    // The address: the finest place both records agree on.
    int endereco = 0;
    const auto cidadeCombina = [&] { return !a.cidade || !b.cidade || a.cidade == b.cidade; };
    if ((a.rua || a.cep || a.bairro || a.cidade) && (b.rua || b.cep || b.bairro || b.cidade)) {
        if (a.rua && b.rua && a.numero && a.numero == b.numero && a.rua == b.rua)
            endereco = nivel::kEnderecoIgual;
        else if (a.rua && b.rua && a.numero && a.numero == b.numero &&
                 Jw(m_lugares.entradas[a.rua].texto, m_lugares.entradas[b.rua].texto) >= 0.90)
            endereco = nivel::kEnderecoQuase;
        else if (a.cep && a.cep == b.cep)
            endereco = 3;
        else if (a.rua && a.rua == b.rua && cidadeCombina())
            endereco = 4;
        else if (a.bairro && a.bairro == b.bairro && cidadeCombina())
            endereco = 5;
        else if (a.cidade && a.cidade == b.cidade)
            endereco = 6;
        else if ((a.cidade && b.cidade) || (a.rua && b.rua) || (a.cep && b.cep) ||
                 (a.bairro && b.bairro))
            endereco = 7;
    }
    n[size_t(Campo::Endereco)] = quint8(endereco);

    int telefone = 0;
    if (a.telefone && b.telefone) {
        if (a.telefone == b.telefone) {
            telefone = nivel::kTelefoneIgual;
        } else {
            // One slip changes one digit, or two when it swaps neighbours.
            char ta[8], tb[8];
            std::memcpy(ta, &a.telefone, 8);
            std::memcpy(tb, &b.telefone, 8);
            telefone =
                BytesDiferentes(a.telefone, b.telefone) <= 2 &&
                        DistanciaEdicao(ta, 8, tb, 8, 1) <= 1
                    ? 2
                : SemParPerto(a.telefone, b.telefone) <= 2 && DistanciaEdicao(ta, 8, tb, 8, 2) <= 2
                    ? 3
                    : 4;
        }
    }
    n[size_t(Campo::Telefone)] = quint8(telefone);
}

double LocalizadorSemelhantes::frequencia(int campo, int nivel, const Registro& a,
                                          quint32 indice) const {
    // "How many other records hold this value", over the records that hold the field.
    const auto freq = [](quint64 contagem, quint64 com) {
        return double(std::max<quint64>(contagem, 2) - 1) / double(std::max<quint64>(com, 1));
    };
    // A given or family name is counted as common as it is in either field: names read
    // across the fields meet as the one or the other (SILVA is rare as a first name).
    const auto nome = [&](quint32 id, int) {
        return std::max(freq(m_nomes.entradas[id].contagem[0], m_nomes.com[0]),
                        freq(m_nomes.entradas[id].contagem[2], m_nomes.com[2]));
    };
    const auto lugar = [&](quint32 id, int papel) {
        return freq(m_lugares.entradas[id].contagem[size_t(papel)], m_lugares.com[size_t(papel)]);
    };
    switch (Campo(campo)) {
        case Campo::Nome:
            return nome(a.nomeAlt ? a.nomeAlt : a.nome, 0);
        case Campo::NomeMeio:
            return freq(m_nomes.entradas[a.meio].contagem[1], m_nomes.com[1]);
        case Campo::NomeUltimo:
            return nome(a.ultimoAlt ? a.ultimoAlt : a.ultimo, 2);
        case Campo::Nascimento:
            return freq(m_fData[indice], m_comData);
        case Campo::CIC:
            return freq(m_fCic[indice], m_comCic);
        case Campo::RG:
            return freq(m_fRg[indice], m_comRg);
        case Campo::Prontuario:
            return freq(m_fProntuario[indice], m_comProntuario);
        case Campo::Telefone:
            return freq(m_fTelefone[indice], m_comTelefone);
        case Campo::Endereco:
            switch (nivel) {
                case nivel::kEnderecoIgual:
                    return freq(m_fEndereco[indice], m_comEndereco);
                case 3:
                    return freq(m_fCep[indice], m_comCep);
                case 4:
                    return lugar(a.rua, 0);
                case 5:
                    return lugar(a.bairro, 1);
                default:
                    return lugar(a.cidade, 2);
            }
        default:
            return -1;
    }
}

double LocalizadorSemelhantes::peso(const Registro& a, quint32 indice,
                                    const std::array<quint8, kCampos>& n,
                                    std::array<Veredito, kCampos>* vereditos) const {
    const bool familia = ModeloPontuacao::Familia(n);
    double total = m_prior;
    for (int c = 0; c < kCampos; ++c) {
        const int l = n[size_t(c)];
        const double f = ModeloPontuacao::PorFrequencia(c, n) ? frequencia(c, l, a, indice) : -1;
        const double w = m_modelo.PesoCampo(c, n, f, familia);
        if (vereditos)
            (*vereditos)[size_t(c)] = {l, w};
        total += w;
    }
    return total;
}

void LocalizadorSemelhantes::prepararLimites() {
    // Every level of the names but an exact agreement weighs the same for every pair; the
    // household reading is counted too, whichever way it goes.
    const auto& d = Definicoes();
    std::array<quint8, kCampos> n{};
    for (int c = 0; c < kCampos; ++c) {
        if (!NomeOuOrdem(c))
            continue;
        double maior = -1e300;
        for (int l = 0; l < d[size_t(c)].niveis.size(); ++l) {
            n[size_t(c)] = quint8(l);
            maior = std::max(maior, m_modelo.PesoCampo(c, n, -1, true));
            // A family name read among the middle names weighs by its level.
            if (!d[size_t(c)].niveis[l].porFrequencia || c == int(Campo::NomeUltimo))
                maior = std::max(maior, m_modelo.PesoCampo(c, n, -1, false));
        }
        m_pesoMaximoNomes[size_t(c)] = maior;
    }
    // An exact agreement weighs by the value's frequency in the first record, as peso() does;
    // between relatives it weighs less, never more. Worked out once for each name, not for
    // each record (the same names recur by the thousand).
    for (int c = 0; c < kCampos; ++c) {
        if (!NomeOuOrdem(c))
            continue;
        const bool porNome = c != int(Campo::OrdemNomes);
        std::vector<double>& limites = m_limitesNomes[size_t(c)];
        limites.assign(porNome ? m_nomes.entradas.size() : 1, 0);
        EmParalelo(limites.size(), m_opcoes.threads, [&](size_t de, size_t ate, int) {
            std::array<quint8, kCampos> nv{};
            for (size_t id = de; id < ate; ++id) {
                // A record holding the name in the field: what frequencia() reads of it.
                Registro r;
                r.nome = r.meio = r.ultimo = quint32(id);
                double maior = m_pesoMaximoNomes[size_t(c)];
                for (int l = 1; l < d[size_t(c)].niveis.size(); ++l)
                    if (d[size_t(c)].niveis[l].porFrequencia) {
                        nv[size_t(c)] = quint8(l);
                        maior = std::max(maior,
                                         m_modelo.PesoCampo(c, nv, frequencia(c, l, r, 0), false));
                    }
                limites[id] = maior;
            }
        });
    }
}

double LocalizadorSemelhantes::limiteNomes(const Registro& a) const {
    double total = 0;
    for (int c = 0; c < kCampos; ++c) {
        if (!NomeOuOrdem(c))
            continue;
        const quint32 id = c == int(Campo::Nome)         ? (a.nomeAlt ? a.nomeAlt : a.nome)
                           : c == int(Campo::NomeMeio)   ? a.meio
                           : c == int(Campo::NomeUltimo) ? (a.ultimoAlt ? a.ultimoAlt : a.ultimo)
                                                         : 0;
        total += m_limitesNomes[size_t(c)][id];
    }
    return total;
}

double LocalizadorSemelhantes::pesoSeAlcanca(const Registro& a, quint32 indice, const Registro& b,
                                             std::array<quint8, kCampos>& n, Cache& cache,
                                             double limiteNomes, double minimo) const {
    niveisOutros(a, b, n);
    std::array<double, kCampos> w{};
    // What PesoCampo gives outside a household, without asking it eleven times a pair.
    const auto pesar = [&](int c) {
        const int l = n[size_t(c)];
        w[size_t(c)] =
            ModeloPontuacao::PorFrequencia(c, n)
                ? cache.Peso(
                      indice, c, l,
                      [&] { return m_modelo.PesoPorFrequencia(c, l, frequencia(c, l, a, indice)); })
                : m_modelo.Peso(c, l);
    };
    double semNomes = m_prior;
    for (int c = 0; c < kCampos; ++c)
        if (!NomeOuOrdem(c)) {
            pesar(c);
            semNomes += w[size_t(c)];
        }
    if (semNomes + limiteNomes < minimo - 1e-6)
        return -std::numeric_limits<double>::infinity();
    niveisNomes(a, b, n, &cache);
    if (ModeloPontuacao::Familia(n) || ModeloPontuacao::Gemeos(n))
        return peso(a, indice, n, nullptr);
    // Added in the order peso() adds them, so that the score is the same to the last bit.
    double total = m_prior;
    for (int c = 0; c < kCampos; ++c) {
        if (NomeOuOrdem(c))
            pesar(c);
        total += w[size_t(c)];
    }
    return total;
}

quint8 LocalizadorSemelhantes::sinais(const Registro& a, const Registro& b) const {
    return SinaisPessoasDiferentes(
        std::string_view(a.cic.data(), a.nCic), std::string_view(b.cic.data(), b.nCic),
        std::string_view(a.rg.data(), a.nRg), std::string_view(b.rg.data(), b.nRg), a.sexo, b.sexo,
        a.nascimento, b.nascimento);
}

void LocalizadorSemelhantes::contarFrequencias() {
    EmFila(kFrequencias, m_opcoes.threads, [&](int campo, int) { contarFrequencia(campo); });
}

void LocalizadorSemelhantes::contarFrequencia(int campo) {
    const size_t n = m_registros.size();
    // Each field's value as a number (0: none), and where its counts go.
    const auto valor = [](int campo, const Registro& r) -> quint64 {
        switch (campo) {
            case 0:
                return quint64(quint32(r.nascimento));
            case 1:
                return r.nCic ? Hash(r.cic.data(), r.nCic, 2) | 1 : 0;
            case 2:
                return r.nRg ? Hash(r.rg.data(), r.nRg, 3) | 1 : 0;
            case 3:
                return r.prontuario;
            case 4:
                return r.rua && r.numero ? (quint64(r.rua) << 32 | r.numero) : quint64(0);
            case 5:
                return quint64(r.cep);
            default:
                return r.telefone;
        }
    };
    const std::array<std::pair<std::vector<quint32>*, quint64*>, kFrequencias> destinos = {{
        {&m_fData, &m_comData},
        {&m_fCic, &m_comCic},
        {&m_fRg, &m_comRg},
        {&m_fProntuario, &m_comProntuario},
        {&m_fEndereco, &m_comEndereco},
        {&m_fCep, &m_comCep},
        {&m_fTelefone, &m_comTelefone},
    }};
    struct Valor {
        quint64 chave;  // the value mixed (one to one), so that values sort into even buckets
        quint32 registro;
    };
    auto& [saida, com] = destinos[size_t(campo)];
    std::vector<Valor> v;
    v.reserve(n);
    saida->assign(n, 0);
    for (quint32 i = 0; i < n; ++i)
        if (const quint64 x = valor(campo, m_registros[i]))
            v.push_back({Misturar(x), i});
    *com = v.size();
    OrdenarPorChave(v);
    for (size_t i = 0; i < v.size();) {
        size_t j = i;
        while (j < v.size() && v[j].chave == v[i].chave) ++j;
        for (size_t k = i; k < j; ++k) (*saida)[v[k].registro] = quint32(j - i);
        i = j;
    }
}

void LocalizadorSemelhantes::medirU() {
    const quint64 n = m_registros.size();
    if (n < 2)
        return;
    std::array<QVector<qint64>, kCampos> contagens;
    for (int c = 0; c < kCampos; ++c)
        contagens[size_t(c)].fill(0, Definicoes()[size_t(c)].niveis.size());
    // Random pairs are, all but a handful in millions, two different people.
    const quint64 amostras = std::min<quint64>(400000, n * (n - 1) / 2);
    quint64 estado = 20070621;
    Cache cache;
    std::array<quint8, kCampos> nv{};
    for (quint64 k = 0; k < amostras; ++k) {
        const quint64 i = Misturar(estado++) % n;
        quint64 j = Misturar(estado++) % n;
        if (i == j)
            j = (j + 1) % n;
        niveis(m_registros[i], m_registros[j], nv, &cache);
        for (int c = 0; c < kCampos; ++c) ++contagens[size_t(c)][nv[size_t(c)]];
    }
    m_modelo.MedirU(contagens);
    const auto outraLeitura =
        std::count_if(m_registros.begin(), m_registros.end(),
                      [](const Registro& r) { return r.nomeAlt || r.ultimoAlt; });
    m_modelo.MedirOutrasLeituras(double(outraLeitura) / double(n));
    m_modelo.MedirFamilia(contarFamilias());
}

ModeloPontuacao::ContagemFamilia LocalizadorSemelhantes::contarFamilias() const {
    // Households: the records at one address, or with one telephone, that share the family
    // name. Every such pair is counted; the pairs of small households are compared too, to
    // see how often relatives share a first name, a middle name, a birth date. Pairs of
    // relatives are told by what one person's records rarely show: birth dates years apart
    // (for the names), different first names (for the dates).
    ModeloPontuacao::ContagemFamilia cf;
    const quint32 n = quint32(m_registros.size());
    double elegiveis = 0;
    std::vector<std::pair<quint64, quint32>> casas, telefones;
    for (quint32 i = 0; i < n; ++i) {
        const Registro& r = m_registros[i];
        if (!r.ultimo || !((r.rua && r.numero) || r.telefone))
            continue;
        ++elegiveis;
        if (r.rua && r.numero)
            casas.emplace_back(quint64(r.rua) << 32 | r.numero, i);
        if (r.telefone)
            telefones.emplace_back(r.telefone, i);
    }
    cf.possiveis = elegiveis * (elegiveis - 1) / 2;
    Cache cache;
    std::array<quint8, kCampos> nv{};
    std::vector<quint32> sobrenomes;
    for (auto* grupos : {&casas, &telefones}) {
        const bool porTelefone = grupos == &telefones;
        std::sort(grupos->begin(), grupos->end());
        for (size_t i = 0; i < grupos->size();) {
            size_t j = i;
            while (j < grupos->size() && (*grupos)[j].first == (*grupos)[i].first) ++j;
            if (j - i > 30) {
                // A building or a placeholder: the pairs of one family name, counted only.
                sobrenomes.clear();
                for (size_t x = i; x < j; ++x)
                    sobrenomes.push_back(m_registros[(*grupos)[x].second].ultimo);
                std::sort(sobrenomes.begin(), sobrenomes.end());
                for (size_t x = 0; x < sobrenomes.size();) {
                    size_t y = x;
                    while (y < sobrenomes.size() && sobrenomes[y] == sobrenomes[x]) ++y;
                    cf.pares += double(y - x) * double(y - x - 1) / 2;
                    x = y;
                }
                i = j;
                continue;
            }
            for (size_t x = i; x < j; ++x)
                for (size_t y = x + 1; y < j; ++y) {
                    const Registro& a = m_registros[(*grupos)[x].second];
                    const Registro& b = m_registros[(*grupos)[y].second];
                    if (porTelefone && a.rua && a.numero && a.rua == b.rua && a.numero == b.numero)
                        continue;  // counted at their address
                    niveis(a, b, nv, &cache);
                    if (!ModeloPontuacao::Familia(nv))
                        continue;
                    ++cf.pares;
                    const int nome = nv[size_t(Campo::Nome)];
                    const int data = nv[size_t(Campo::Nascimento)];
                    if (data == nivel::kDataAnosDiferenca) {
                        ++cf.vistos[kPrenomeFamilia];
                        cf.iguais[kPrenomeFamilia] += nome == nivel::kNomeIgual;
                        const int meio = nv[size_t(Campo::NomeMeio)];
                        if (meio >= nivel::kMeioIgual && meio <= nivel::kMeioDiferente) {
                            ++cf.vistos[kMeioFamilia];
                            cf.iguais[kMeioFamilia] += meio == nivel::kMeioIgual;
                        }
                    }
                    if (nome >= nivel::kNomePoucoParecido && data) {
                        ++cf.vistos[kDataFamilia];
                        cf.iguais[kDataFamilia] += data == nivel::kDataIgual;
                    }
                }
            i = j;
        }
    }
    return cf;
}

}  // namespace semelhanca
