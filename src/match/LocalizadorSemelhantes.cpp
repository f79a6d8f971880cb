#include "LocalizadorSemelhantes.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <thread>

#include "data/ado/Recordset.h"
#include "data/ado/clsADO.h"
#include "match/Normalizacao.h"

namespace semelhanca {

namespace {

const QString kInterrompida = QStringLiteral("A busca por semelhança foi interrompida.");

quint64 Misturar(quint64 z) {
    z += 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

quint64 Hash(const char* p, size_t n, quint64 semente) {
    quint64 h = Misturar(semente ^ n);
    for (size_t i = 0; i < n; ++i) h = Misturar(h ^ quint8(p[i]));
    return h;
}

quint64 Codigo4(const std::array<char, 4>& c) {
    quint64 v = 0;
    std::memcpy(&v, c.data(), 4);
    return v;
}

bool SoundexUtil(const std::array<char, 4>& c) {
    return c[0] >= 'A' && c[0] <= 'Z';
}

std::array<char, 4> Codigo(const QVariant& guardado, const QByteArray& normalizado) {
    std::array<char, 4> r{};
    QByteArray s = TextoNormalizado(guardado);
    if (s.size() != 4 || s[0] < 'A' || s[0] > 'Z')
        s = normalizado.isEmpty() ? QByteArray() : Soundex(normalizado);
    for (int i = 0; i < 4 && i < s.size(); ++i) r[size_t(i)] = s[i];
    return r;
}

// Small words that come and go in Brazilian names without changing the person.
bool Particula(std::string_view p) {
    return p == "DE" || p == "DA" || p == "DO" || p == "DAS" || p == "DOS" || p == "E" || p == "D";
}

std::vector<std::string_view> Palavras(std::string_view s, bool semParticulas) {
    std::vector<std::string_view> r;
    size_t i = 0;
    while (i < s.size()) {
        size_t j = s.find(' ', i);
        if (j == std::string_view::npos)
            j = s.size();
        const std::string_view p = s.substr(i, j - i);
        if (!p.empty() && !(semParticulas && Particula(p)))
            r.push_back(p);
        i = j + 1;
    }
    return r;
}

double Jw(const std::string& a, const std::string& b) {
    return JaroWinkler(a.data(), int(a.size()), b.data(), int(b.size()));
}

int Osa(const char* a, int na, const char* b, int nb) {
    return DistanciaEdicao(a, na, b, nb, 1);
}

// yyyymmdd as eight digits (snprintf here took a tenth of the whole search).
void Oito(qint32 d, char* s) {
    for (int i = 7; i >= 0; --i, d /= 10) s[i] = char('0' + d % 10);
}

int Meses(qint32 d) {
    return (d / 10000) * 12 + (d / 100) % 100;
}

}  // namespace

// The levels of pairs of names already compared, per thread. The same common names meet in
// millions of pairs: direct-mapped, a pair seen again costs one read, and a collision only a
// recomputation (a growing hash map here took a sixth of the search).
struct LocalizadorSemelhantes::Cache {
    static constexpr size_t kTamanho = size_t(1) << 18;
    struct Entrada {
        quint64 chave = 0;  // 0: empty (a real key holds two name numbers >= 1)
        quint8 nivel = 0;
    };
    std::vector<Entrada> nomes = std::vector<Entrada>(kTamanho);
    std::vector<Entrada> meios = std::vector<Entrada>(kTamanho);
    static Entrada& Em(std::vector<Entrada>& tabela, quint64 chave) {
        return tabela[Misturar(chave) & (kTamanho - 1)];
    }
};

LocalizadorSemelhantes::LocalizadorSemelhantes(OpcoesBusca opcoes) : m_opcoes(opcoes) {
    m_nomes.push_back({});  // 0: nothing
}

quint32 LocalizadorSemelhantes::nomeId(const QByteArray& n, int papel) {
    if (n.isEmpty())
        return 0;
    std::string chave(n.constData(), size_t(n.size()));
    auto it = m_indiceNomes.find(chave);
    quint32 id;
    if (it == m_indiceNomes.end()) {
        id = quint32(m_nomes.size());
        EntradaNome e;
        e.texto = chave;
        const QByteArray f = ChaveFonetica(n);
        e.fonetica.assign(f.constData(), size_t(f.size()));
        m_nomes.push_back(std::move(e));
        m_indiceNomes.emplace(std::move(chave), id);
    } else {
        id = it->second;
    }
    ++m_nomes[id].contagem[size_t(papel)];
    ++m_comNome[size_t(papel)];
    return id;
}

void LocalizadorSemelhantes::Adicionar(qint32 id, const QVariant& nome, const QVariant& meio,
                                       const QVariant& ultimo, const QVariant& rg,
                                       const QVariant& cic, const QVariant& nascimento,
                                       const QVariant& sexo, const QVariant& prontuario,
                                       const QVariant& cep, const QVariant& telefone,
                                       const QVariant& sdxNome, const QVariant& sdxMeio,
                                       const QVariant& sdxUltimo) {
    Registro r;
    r.id = id;
    const QByteArray n1 = TextoNormalizado(nome);
    const QByteArray n2 = TextoNormalizado(meio);
    const QByteArray n3 = TextoNormalizado(ultimo);
    r.nome = nomeId(n1, 0);
    r.meio = nomeId(n2, 1);
    r.ultimo = nomeId(n3, 2);
    r.sdxNome = Codigo(sdxNome, n1);
    r.sdxMeio = Codigo(sdxMeio, n2);
    r.sdxUltimo = Codigo(sdxUltimo, n3);
    for (std::string_view p : Palavras(std::string_view(n2.constData(), size_t(n2.size())), true)) {
        r.inicialMeio = p[0];
        break;
    }
    r.nascimento = DataNascimento(nascimento);
    const QByteArray s = TextoNormalizado(sexo);
    r.sexo = (s == "M" || s == "F") ? s[0] : 0;
    const QByteArray dRg = Digitos(rg, true);
    r.nRg = quint8(std::min<qsizetype>(dRg.size(), qsizetype(r.rg.size())));
    std::memcpy(r.rg.data(), dRg.constData(), r.nRg);
    QByteArray dCic = Digitos(cic);
    // A CIC kept in a numeric column loses its leading zeros.
    if (dCic.size() == 9 || dCic.size() == 10)
        dCic = dCic.rightJustified(11, '0');
    if (dCic.size() > 11)
        dCic = dCic.left(11);
    r.nCic = quint8(dCic.size());
    std::memcpy(r.cic.data(), dCic.constData(), r.nCic);
    r.cicValido = CicValido(dCic);
    const QByteArray p = TextoNormalizado(prontuario);
    r.prontuario = p.isEmpty() ? 0 : Hash(p.constData(), size_t(p.size()), 7) | 1;
    const QByteArray dCep = Digitos(cep);
    r.cep = dCep.size() >= 5 ? dCep.left(8).toUInt() + 1 : 0;
    const QByteArray dTel = Digitos(telefone);
    r.telefone = dTel.size() >= 8 ? dTel.right(8).toULongLong() + 1 : 0;
    QString completo = nome.toString();
    if (!meio.toString().isEmpty())
        completo += ' ' + meio.toString();
    if (!ultimo.toString().isEmpty())
        completo += ' ' + ultimo.toString();
    const QByteArray utf8 = completo.toUtf8().left(0xFFFF);
    r.textoNome = quint32(m_textos.size());
    r.tamanhoNome = quint16(utf8.size());
    m_textos.append(utf8.constData(), size_t(utf8.size()));
    m_registros.push_back(r);
}

QString LocalizadorSemelhantes::NomeCompleto(quint32 i) const {
    const Registro& r = m_registros[i];
    return QString::fromUtf8(m_textos.data() + r.textoNome, r.tamanhoNome);
}

bool LocalizadorSemelhantes::Ler(Connection& cn, clsADO& ado, const Progresso& progresso) {
    Recordset rs;
    qint64 total = 0;
    // The count only feeds the progress; the pages below say whether the table can be read.
    if (ado.AbrirRecordset(cn, rs, QStringLiteral("SELECT COUNT(*) FROM Paciente"))) {
        if (!rs.Eof())
            total = rs.Fields(0).Value().toLongLong();
        rs.Close();
    }
    m_registros.reserve(size_t(total));
    qint64 ultimo = std::numeric_limits<qint32>::min();
    for (;;) {
        if (parado())
            return false;
        // One page per statement, by key: the table is read once, in key order, whatever its
        // size, and only one page is ever held as database values.
        const QString sql =
            QStringLiteral(
                "SELECT TOP %1 ID_Paciente, Nome, Nome_Meio, Nome_Último, Nome_Soundex, "
                "Nome_Meio_Soundex, Nome_Último_Soundex, RG, CIC, Data_Nascimento, Sexo, "
                "Prontuário, CEP, Telefone FROM Paciente WHERE ID_Paciente > %2 ORDER BY "
                "ID_Paciente")
                .arg(m_opcoes.linhasPorPagina)
                .arg(ultimo);
        if (!ado.AbrirRecordset(cn, rs, sql)) {
            m_erro = QStringLiteral("Ao ler os pacientes, ocorreu o seguinte erro:\n\n%1 - %2")
                         .arg(ado.ErrorNumber())
                         .arg(ado.ErrorString());
            return false;
        }
        const auto& linhas = rs.Dados().linhas;
        for (const QVector<QVariant>& l : linhas) {
            Adicionar(l[0].toInt(), l[1], l[2], l[3], l[7], l[8], l[9], l[10], l[11], l[12], l[13],
                      l[4], l[5], l[6]);
        }
        const qsizetype lidas = linhas.size();
        if (lidas > 0)
            ultimo = linhas.back()[0].toLongLong();
        rs.Close();
        if (progresso)
            progresso(QStringLiteral("lendo"), Registros(), std::max(total, Registros()));
        if (lidas < m_opcoes.linhasPorPagina)
            break;
    }
    return true;
}

bool LocalizadorSemelhantes::parado() {
    if (!m_opcoes.parar || !m_opcoes.parar())
        return false;
    m_erro = kInterrompida;
    return true;
}

void LocalizadorSemelhantes::contarFrequencias() {
    const size_t n = m_registros.size();
    std::vector<std::pair<quint64, quint32>> v;
    v.reserve(n);
    auto contar = [&](auto valor, std::vector<quint32>& saida, quint64& com) {
        v.clear();
        saida.assign(n, 0);
        for (quint32 i = 0; i < n; ++i) {
            const quint64 x = valor(m_registros[i]);
            if (x)
                v.emplace_back(x, i);
        }
        com = v.size();
        std::sort(v.begin(), v.end());
        for (size_t i = 0; i < v.size();) {
            size_t j = i;
            while (j < v.size() && v[j].first == v[i].first) ++j;
            for (size_t k = i; k < j; ++k) saida[v[k].second] = quint32(j - i);
            i = j;
        }
    };
    contar([](const Registro& r) { return quint64(quint32(r.nascimento)); }, m_fData, m_comData);
    contar(
        [](const Registro& r) { return r.nCic ? Hash(r.cic.data(), r.nCic, 2) | 1 : quint64(0); },
        m_fCic, m_comCic);
    contar([](const Registro& r) { return r.nRg ? Hash(r.rg.data(), r.nRg, 3) | 1 : quint64(0); },
           m_fRg, m_comRg);
    contar([](const Registro& r) { return r.prontuario; }, m_fProntuario, m_comProntuario);
}

quint64 LocalizadorSemelhantes::chave(int tipo, const Registro& r) const {
    const bool sN = SoundexUtil(r.sdxNome), sU = SoundexUtil(r.sdxUltimo);
    const quint64 ano = quint64(r.nascimento / 10000);
    const quint64 mes = quint64((r.nascimento / 100) % 100), dia = quint64(r.nascimento % 100);
    const quint64 nome = Codigo4(r.sdxNome), ultimo = Codigo4(r.sdxUltimo);
    const quint64 meio = quint64(quint8(r.inicialMeio));
    const bool data = r.nascimento != 0;
    // Day and month in either order: a swap still meets.
    const quint64 diaMes = std::min(dia, mes) * 100 + std::max(dia, mes);
    auto k = [tipo](quint64 a, quint64 b = 0, quint64 c = 0) {
        return Misturar(Misturar(Misturar(Misturar(quint64(tipo)) ^ a) ^ b) ^ c) | 1;
    };
    // Each key holds when one or two fields are wrong, so that a record with one slip (or
    // one slip and a swapped date) still meets its twin under some key.
    switch (tipo) {
        case 1:  // names that sound alike, born the same year
            return sN && sU && data ? k(nome, ultimo, ano) : 0;
        case 2:  // the CIC, punctuation aside
            return r.nCic >= 9 ? k(Hash(r.cic.data(), r.nCic, 2)) : 0;
        case 3:  // the RG up to its eighth character: with or without its check digit
            return r.nRg >= 5 ? k(Hash(r.rg.data(), std::min<size_t>(r.nRg, 8), 3)) : 0;
        case 4:  // the birth date with the last name's sound (the first name misspelt)
            return sU && data ? k(ultimo, ano, diaMes) : 0;
        case 5:  // the birth date with the first name's sound (the last name misspelt)
            return sN && data ? k(nome, ano, diaMes) : 0;
        case 6:  // both names with day and month: the year typed wrong
            return sN && sU && data ? k(nome ^ (ultimo << 32), diaMes) : 0;
        case 7:  // the chart number typed again
            return r.prontuario ? k(r.prontuario) : 0;
        case 8:  // the names alone, for records without a birth date
            return sN && sU ? k(nome ^ (ultimo << 32), meio) : 0;
        case 9:  // a last name and a date that are both slightly wrong
            return sN && data ? k(nome, meio, ano * 100 + mes) : 0;
        case 10:
            return sN && data ? k(nome, meio, ano * 100 + dia) : 0;
        case 11:  // a first name and a year that are both wrong
            return sU && data ? k(ultimo, meio, mes * 100 + dia) : 0;
        default:
            return 0;
    }
}

QVector<quint64> LocalizadorSemelhantes::Chaves(quint32 i) const {
    QVector<quint64> r;
    for (int t = 1; t <= kTiposChave; ++t)
        if (const quint64 c = chave(t, m_registros[i]))
            r << c;
    return r;
}

// The order in which a block too large to compare all against all is walked: by last name,
// first name and year, so that the neighbours compared are the likeliest ones.
quint64 LocalizadorSemelhantes::ordemVizinhanca(const Registro& r) const {
    return (Codigo4(r.sdxUltimo) << 32) ^ (quint64(r.sdxNome[0]) << 24) ^
           (quint64(r.sdxNome[1]) << 16) ^ (quint64(r.sdxNome[2]) << 8) ^
           quint64((r.nascimento / 10000) & 0xFF);
}

void LocalizadorSemelhantes::gerarPares(std::vector<quint64>& pares, const Progresso& progresso) {
    const quint32 n = quint32(m_registros.size());
    std::vector<std::pair<quint64, quint32>> entradas;
    entradas.reserve(n);
    std::vector<quint32> bloco;
    auto par = [&](quint32 a, quint32 b) {
        if (a != b)
            pares.push_back(a < b ? (quint64(a) << 32) | b : (quint64(b) << 32) | a);
    };
    for (int tipo = 1; tipo <= kTiposChave; ++tipo) {
        if (parado())
            return;
        if (progresso)
            progresso(QStringLiteral("blocando"), tipo - 1, kTiposChave);
        entradas.clear();
        for (quint32 i = 0; i < n; ++i)
            if (const quint64 c = chave(tipo, m_registros[i]))
                entradas.emplace_back(c, i);
        std::sort(entradas.begin(), entradas.end());
        for (size_t i = 0; i < entradas.size();) {
            size_t j = i;
            while (j < entradas.size() && entradas[j].first == entradas[i].first) ++j;
            const size_t tamanho = j - i;
            if (tamanho <= size_t(m_opcoes.blocoMaximo)) {
                for (size_t x = i; x < j; ++x)
                    for (size_t y = x + 1; y < j; ++y) par(entradas[x].second, entradas[y].second);
            } else {
                bloco.clear();
                for (size_t x = i; x < j; ++x) bloco.push_back(entradas[x].second);
                std::sort(bloco.begin(), bloco.end(), [&](quint32 a, quint32 b) {
                    const quint64 oa = ordemVizinhanca(m_registros[a]);
                    const quint64 ob = ordemVizinhanca(m_registros[b]);
                    return oa != ob ? oa < ob : a < b;
                });
                const size_t w = size_t(std::max(1, m_opcoes.janela));
                for (size_t x = 0; x < bloco.size(); ++x)
                    for (size_t y = x + 1; y < bloco.size() && y <= x + w; ++y)
                        par(bloco[x], bloco[y]);
            }
            i = j;
        }
    }
    std::vector<std::pair<quint64, quint32>>().swap(entradas);
    std::sort(pares.begin(), pares.end());
    pares.erase(std::unique(pares.begin(), pares.end()), pares.end());
}

int LocalizadorSemelhantes::nivelNome(quint32 a, quint32 b, Cache* cache) const {
    if (a == 0 || b == 0)
        return 0;
    if (a == b)
        return 1;
    const quint64 chave = a < b ? (quint64(a) << 32) | b : (quint64(b) << 32) | a;
    Cache::Entrada* guardada = cache ? &Cache::Em(cache->nomes, chave) : nullptr;
    if (guardada && guardada->chave == chave)
        return guardada->nivel;
    const EntradaNome& x = m_nomes[a];
    const EntradaNome& y = m_nomes[b];
    int nivel;
    const double jw = Jw(x.texto, y.texto);
    const size_t menor = std::min(x.texto.size(), y.texto.size());
    if (x.fonetica == y.fonetica) {
        nivel = 2;
    } else if (jw >= 0.94 || (menor >= 4 && Osa(x.texto.data(), int(x.texto.size()), y.texto.data(),
                                                int(y.texto.size())) <= 1)) {
        nivel = 3;
    } else {
        // An initial, or the first word of a compound name.
        const auto px = Palavras(x.texto, false);
        const auto py = Palavras(y.texto, false);
        bool parte = false;
        if (!px.empty() && !py.empty()) {
            const auto& curto = px.size() <= py.size() ? px : py;
            const auto& longo = px.size() <= py.size() ? py : px;
            parte = true;
            for (size_t i = 0; i < curto.size() && parte; ++i) {
                const std::string_view c = curto[i], l = longo[i];
                parte =
                    c == l || (c.size() == 1 && l[0] == c[0]) || (l.size() == 1 && c[0] == l[0]);
            }
        }
        nivel = parte ? 4 : jw >= 0.85 ? 5 : 6;
    }
    if (guardada)
        *guardada = {chave, quint8(nivel)};
    return nivel;
}

int LocalizadorSemelhantes::nivelMeio(quint32 a, quint32 b, Cache* cache) const {
    if (a == 0 || b == 0)
        return 0;
    if (a == b)
        return 1;
    const quint64 chave = a < b ? (quint64(a) << 32) | b : (quint64(b) << 32) | a;
    Cache::Entrada* guardada = cache ? &Cache::Em(cache->meios, chave) : nullptr;
    if (guardada && guardada->chave == chave)
        return guardada->nivel;
    const EntradaNome& x = m_nomes[a];
    const EntradaNome& y = m_nomes[b];
    const auto px = Palavras(x.texto, true);
    const auto py = Palavras(y.texto, true);
    int nivel = 4;
    // Every word of the shorter one is in the longer one (an initial stands for any word
    // that begins with it): A / APARECIDA, DE SOUZA / SOUZA, M DE FATIMA / MARIA DE FATIMA.
    const auto& curto = px.size() <= py.size() ? px : py;
    const auto& longo = px.size() <= py.size() ? py : px;
    bool contido = !curto.empty();
    for (const std::string_view c : curto) {
        bool achou = false;
        for (const std::string_view l : longo) {
            if (c == l || (c.size() == 1 && l[0] == c[0]) || (l.size() == 1 && c[0] == l[0]) ||
                (c.size() >= 4 && l.size() >= 4 &&
                 Osa(c.data(), int(c.size()), l.data(), int(l.size())) <= 1)) {
                achou = true;
                break;
            }
        }
        contido = contido && achou;
    }
    if (contido)
        nivel = 2;
    else if (x.fonetica == y.fonetica || Jw(x.texto, y.texto) >= 0.90)
        nivel = 3;
    if (guardada)
        *guardada = {chave, quint8(nivel)};
    return nivel;
}

int LocalizadorSemelhantes::niveis(const Registro& a, const Registro& b,
                                   std::array<quint8, kCampos>& n, Cache* cache) const {
    n[int(Campo::Nome)] = quint8(nivelNome(a.nome, b.nome, cache));
    n[int(Campo::NomeMeio)] = quint8(nivelMeio(a.meio, b.meio, cache));
    n[int(Campo::NomeUltimo)] = quint8(nivelNome(a.ultimo, b.ultimo, cache));

    int data = 0;
    if (a.nascimento && b.nascimento) {
        const int da = a.nascimento % 100, ma = (a.nascimento / 100) % 100;
        const int db = b.nascimento % 100, mb = (b.nascimento / 100) % 100;
        if (a.nascimento == b.nascimento) {
            data = 1;
        } else if (a.nascimento / 10000 == b.nascimento / 10000 && da == mb && ma == db) {
            data = 2;
        } else {
            char sa[8], sb[8];
            Oito(a.nascimento, sa);
            Oito(b.nascimento, sb);
            if (Osa(sa, 8, sb, 8) <= 1)
                data = 3;
            else
                data = std::abs(Meses(a.nascimento) - Meses(b.nascimento)) <= 36 ? 4 : 5;
        }
    }
    n[int(Campo::Nascimento)] = quint8(data);

    n[int(Campo::Sexo)] = quint8(!a.sexo || !b.sexo ? 0 : a.sexo == b.sexo ? 1 : 2);

    int cic = 0;
    if (a.nCic && b.nCic) {
        if (a.nCic == b.nCic && std::memcmp(a.cic.data(), b.cic.data(), a.nCic) == 0)
            cic = a.cicValido ? 1 : 2;
        else if (Osa(a.cic.data(), a.nCic, b.cic.data(), b.nCic) <= 1)
            cic = 3;
        else
            cic = a.cicValido && b.cicValido ? 4 : 5;
    }
    n[int(Campo::CIC)] = quint8(cic);

    int rg = 0;
    if (a.nRg && b.nRg) {
        if (a.nRg == b.nRg && std::memcmp(a.rg.data(), b.rg.data(), a.nRg) == 0) {
            rg = 1;
        } else {
            const int menor = std::min(a.nRg, b.nRg);
            const bool semDigito = std::abs(int(a.nRg) - int(b.nRg)) == 1 && menor >= 5 &&
                                   std::memcmp(a.rg.data(), b.rg.data(), size_t(menor)) == 0;
            rg = semDigito || Osa(a.rg.data(), a.nRg, b.rg.data(), b.nRg) <= 1 ? 2 : 3;
        }
    }
    n[int(Campo::RG)] = quint8(rg);

    n[int(Campo::Prontuario)] = quint8(!a.prontuario || !b.prontuario ? 0
                                       : a.prontuario == b.prontuario ? 1
                                                                      : 2);
    n[int(Campo::CEP)] = quint8(!a.cep || !b.cep ? 0 : a.cep == b.cep ? 1 : 2);
    n[int(Campo::Telefone)] = quint8(!a.telefone || !b.telefone ? 0
                                     : a.telefone == b.telefone ? 1
                                                                : 2);
    return 0;
}

double LocalizadorSemelhantes::peso(const Registro& a, const Registro& b,
                                    const std::array<quint8, kCampos>& n,
                                    std::array<Veredito, kCampos>* vereditos) const {
    // "How many other records hold this value", over the records that hold the field.
    auto freq = [](quint64 contagem, quint64 com) {
        return double(std::max<quint64>(contagem, 2) - 1) / double(std::max<quint64>(com, 1));
    };
    double total = m_prior;
    for (int c = 0; c < kCampos; ++c) {
        const int nivel = n[size_t(c)];
        double w = 0;
        if (nivel != 0) {
            if (Definicoes()[size_t(c)].niveis[nivel].porFrequencia) {
                double f = 1;
                switch (Campo(c)) {
                    case Campo::Nome:
                        f = freq(m_nomes[a.nome].contagem[0], m_comNome[0]);
                        break;
                    case Campo::NomeMeio:
                        f = freq(m_nomes[a.meio].contagem[1], m_comNome[1]);
                        break;
                    case Campo::NomeUltimo:
                        f = freq(m_nomes[a.ultimo].contagem[2], m_comNome[2]);
                        break;
                    case Campo::Nascimento:
                        f = freq(m_fData[&a - m_registros.data()], m_comData);
                        break;
                    case Campo::CIC:
                        f = freq(m_fCic[&a - m_registros.data()], m_comCic);
                        break;
                    case Campo::RG:
                        f = freq(m_fRg[&a - m_registros.data()], m_comRg);
                        break;
                    case Campo::Prontuario:
                        f = freq(m_fProntuario[&a - m_registros.data()], m_comProntuario);
                        break;
                    default:
                        break;
                }
                w = m_modelo.PesoPorFrequencia(c, nivel, f);
            } else {
                w = m_modelo.Peso(c, nivel);
            }
        }
        if (vereditos)
            (*vereditos)[size_t(c)] = {nivel, w};
        total += w;
    }
    (void)b;
    return total;
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
}

bool LocalizadorSemelhantes::Comparar(const Progresso& progresso) {
    m_pares.clear();
    m_comparados = 0;
    if (m_registros.size() < 2)
        return !parado();
    contarFrequencias();
    m_prior = ModeloPontuacao::PriorLog2(Registros(), m_opcoes.duplicados);
    if (progresso)
        progresso(QStringLiteral("medindo"), 0, 1);
    medirU();
    if (parado())
        return false;
    std::vector<quint64> candidatos;
    gerarPares(candidatos, progresso);
    if (parado())
        return false;
    m_comparados = qint64(candidatos.size());
    std::atomic<bool> interrompida{false};

    const int nThreads = std::max(1, std::min(m_opcoes.threads, 16));
    std::vector<std::vector<ParCandidato>> saidas(static_cast<size_t>(nThreads));
    std::vector<std::thread> trabalhos;
    const size_t total = candidatos.size();
    auto trabalhar = [&](int t) {
        Cache cache;
        const size_t de = total * size_t(t) / size_t(nThreads);
        const size_t ate = total * size_t(t + 1) / size_t(nThreads);
        std::array<quint8, kCampos> nv{};
        auto& saida = saidas[size_t(t)];
        for (size_t k = de; k < ate; ++k) {
            if ((k & 0xFFFF) == 0 && m_opcoes.parar && (interrompida || m_opcoes.parar())) {
                interrompida = true;
                return;
            }
            const quint32 a = quint32(candidatos[k] >> 32), b = quint32(candidatos[k]);
            const Registro& ra = m_registros[a];
            const Registro& rb = m_registros[b];
            niveis(ra, rb, nv, &cache);
            const double p = ModeloPontuacao::Pontuacao(peso(ra, rb, nv, nullptr));
            if (p >= m_opcoes.limiar) {
                ParCandidato par;
                par.a = a;
                par.b = b;
                par.pontuacao = float(p);
                par.niveis = nv;
                saida.push_back(par);
            }
        }
    };
    for (int t = 1; t < nThreads; ++t) trabalhos.emplace_back(trabalhar, t);
    if (progresso)
        progresso(QStringLiteral("comparando"), 0, qint64(total));
    trabalhar(0);
    for (auto& t : trabalhos) t.join();
    std::vector<quint64>().swap(candidatos);
    if (interrompida) {
        m_erro = kInterrompida;
        return false;
    }
    size_t guardados = 0;
    for (const auto& s : saidas) guardados += s.size();
    m_pares.reserve(guardados);
    for (auto& s : saidas) m_pares.insert(m_pares.end(), s.begin(), s.end());
    if (progresso)
        progresso(QStringLiteral("comparando"), qint64(total), qint64(total));
    return true;
}

double LocalizadorSemelhantes::Pontuar(quint32 a, quint32 b,
                                       std::array<Veredito, kCampos>* vereditos) const {
    std::array<quint8, kCampos> nv{};
    niveis(m_registros[a], m_registros[b], nv, nullptr);
    return ModeloPontuacao::Pontuacao(peso(m_registros[a], m_registros[b], nv, vereditos));
}

QString LocalizadorSemelhantes::Rotulo(int campo, int nivel) {
    return QString::fromUtf8(Definicoes()[size_t(campo)].niveis[nivel].rotulo);
}

QVector<GrupoCandidato> LocalizadorSemelhantes::Agrupar(double limiar) const {
    std::vector<const ParCandidato*> arestas;
    for (const ParCandidato& p : m_pares)
        if (p.pontuacao >= limiar)
            arestas.push_back(&p);
    // Strongest links first (Kruskal): the last link that joins two parts of a group is the
    // weakest one the group rests on.
    std::sort(arestas.begin(), arestas.end(), [](const ParCandidato* x, const ParCandidato* y) {
        return x->pontuacao != y->pontuacao ? x->pontuacao > y->pontuacao
                                            : std::tie(x->a, x->b) < std::tie(y->a, y->b);
    });
    std::unordered_map<quint32, quint32> pai;
    std::unordered_map<quint32, float> ligacao;
    auto raiz = [&](quint32 x) {
        auto it = pai.find(x);
        if (it == pai.end()) {
            pai.emplace(x, x);
            return x;
        }
        quint32 r = x;
        while (pai[r] != r) r = pai[r];
        while (pai[x] != r) {
            const quint32 p = pai[x];
            pai[x] = r;
            x = p;
        }
        return r;
    };
    for (const ParCandidato* e : arestas) {
        const quint32 ra = raiz(e->a), rb = raiz(e->b);
        if (ra == rb)
            continue;
        float menor = e->pontuacao;
        if (auto it = ligacao.find(ra); it != ligacao.end())
            menor = std::min(menor, it->second);
        if (auto it = ligacao.find(rb); it != ligacao.end())
            menor = std::min(menor, it->second);
        pai[rb] = ra;
        ligacao[ra] = menor;
    }
    std::unordered_map<quint32, int> indice;
    QVector<GrupoCandidato> grupos;
    std::vector<quint32> membros;
    membros.reserve(pai.size());
    for (const auto& [x, p] : pai) membros.push_back(x);
    std::sort(membros.begin(), membros.end());
    for (quint32 x : membros) {
        const quint32 r = raiz(x);
        auto it = indice.find(r);
        if (it == indice.end()) {
            it = indice.emplace(r, int(grupos.size())).first;
            grupos.append(GrupoCandidato());
            grupos.back().ligacao = ligacao[r];
        }
        grupos[it->second].membros.append(x);
    }
    // Every two members of a group scored directly: a chain A~B~C holds A and C together
    // even when they disagree, and that must show.
    constexpr int kDireto = 40;
    for (GrupoCandidato& g : grupos) {
        const int n = int(g.membros.size());
        g.pontuacaoMembro.fill(100.0f, n);
        g.menorPar = g.ligacao;
        g.fracoA = g.membros[0];
        g.fracoB = g.membros[1];
        if (n <= kDireto) {
            g.menorPar = 101;
            for (int i = 0; i < n; ++i)
                for (int j = i + 1; j < n; ++j) {
                    const float p = float(Pontuar(g.membros[i], g.membros[j]));
                    g.pontuacaoMembro[i] = std::min(g.pontuacaoMembro[i], p);
                    g.pontuacaoMembro[j] = std::min(g.pontuacaoMembro[j], p);
                    if (p < g.menorPar) {
                        g.menorPar = p;
                        g.fracoA = g.membros[i];
                        g.fracoB = g.membros[j];
                    }
                }
        } else {
            // Too many members to score every pair: the weakest link stands for them.
            float fraco = 101;
            std::unordered_map<quint32, int> pos;
            for (int i = 0; i < n; ++i) pos.emplace(g.membros[i], i);
            for (int i = 0; i < n; ++i) g.pontuacaoMembro[i] = 0;
            for (const ParCandidato* e : arestas) {
                auto ia = pos.find(e->a);
                if (ia == pos.end())
                    continue;
                auto ib = pos.find(e->b);
                if (e->pontuacao < fraco) {
                    fraco = e->pontuacao;
                    g.fracoA = e->a;
                    g.fracoB = e->b;
                }
                g.pontuacaoMembro[ia->second] =
                    std::max(g.pontuacaoMembro[ia->second], e->pontuacao);
                g.pontuacaoMembro[ib->second] =
                    std::max(g.pontuacaoMembro[ib->second], e->pontuacao);
            }
        }
        g.conflito = g.menorPar < m_opcoes.limiarRevisao;
    }
    std::stable_sort(
        grupos.begin(), grupos.end(),
        [](const GrupoCandidato& x, const GrupoCandidato& y) { return x.ligacao > y.ligacao; });
    return grupos;
}

}  // namespace semelhanca
