#include "data/sqlite/AgrupadorEmbutido.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string_view>

#include "data/sqlite/FuncoesTSql.h"
#include "data/tsql/TSqlArvore.h"
#include "data/tsql/TSqlCatalogo.h"

namespace dados {

namespace {

// Distinct byte strings numbered from 1, either appended as they come or looked up first.
// A cell of the look-up table holds the first 24 bytes of its text (all of a name, a date or
// a document), so that a probe compares three words instead of visiting the text: a column
// of a million distinct documents would miss the caches on every visit.
class TabelaTextos {
  public:
    uint32_t numero(std::string_view s) {
        if ((m_inicio.size() + 1) * 2 > m_celulas.size()) {
            crescer();
        }
        const Celula chave = Chave(s);
        const size_t mascara = m_celulas.size() - 1;
        for (size_t i = Posicao(chave, s) & mascara;; i = (i + 1) & mascara) {
            Celula& c = m_celulas[i];
            if (c.numero == 0) {
                c = chave;
                c.numero = acrescentar(s);
                return c.numero;
            }
            if (c.tamanho == chave.tamanho && c.a == chave.a && c.b == chave.b && c.c == chave.c &&
                (s.size() <= kDentro || texto(c.numero) == s)) {
                return c.numero;
            }
        }
    }
    // Without looking it up: the caller knows it is new.
    uint32_t acrescentar(std::string_view s) {
        m_bytes.append(s);
        m_inicio.push_back(m_bytes.size());
        return static_cast<uint32_t>(m_inicio.size() - 1);
    }
    std::string_view texto(uint32_t n) const {
        return std::string_view(m_bytes).substr(m_inicio[n - 1], m_inicio[n] - m_inicio[n - 1]);
    }
    size_t tamanho() const { return m_inicio.size() - 1; }
    // Once every text is in, only texto() is needed: the look-up table goes.
    void fechar() { std::vector<Celula>().swap(m_celulas); }

  private:
    static constexpr size_t kDentro = 24;
    struct Celula {
        uint64_t a = 0, b = 0, c = 0;  // the first bytes, zero after the text
        uint32_t tamanho = 0;
        uint32_t numero = 0;
    };
    static Celula Chave(std::string_view s) {
        char bytes[kDentro] = {};
        std::memcpy(bytes, s.data(), std::min(s.size(), kDentro));
        Celula c;
        std::memcpy(&c.a, bytes, 8);
        std::memcpy(&c.b, bytes + 8, 8);
        std::memcpy(&c.c, bytes + 16, 8);
        c.tamanho = static_cast<uint32_t>(s.size());
        return c;
    }
    static size_t Posicao(const Celula& c, std::string_view s) {
        if (s.size() > kDentro) {
            return std::hash<std::string_view>{}(s);
        }
        uint64_t h = (c.a ^ c.tamanho) * 0x9E3779B97F4A7C15ull;
        h = (h ^ (h >> 29) ^ c.b) * 0xBF58476D1CE4E5B9ull;
        h = (h ^ (h >> 32) ^ c.c) * 0x94D049BB133111EBull;
        return size_t(h ^ (h >> 31));
    }
    void crescer() {
        std::vector<Celula> celulas(std::max<size_t>(1024, m_celulas.size() * 2));
        const size_t mascara = celulas.size() - 1;
        const auto colocar = [&](const Celula& c) {
            size_t i = Posicao(c, texto(c.numero)) & mascara;
            while (celulas[i].numero != 0) {
                i = (i + 1) & mascara;
            }
            celulas[i] = c;
        };
        for (const Celula& c : m_celulas) {
            if (c.numero != 0) {
                colocar(c);
            }
        }
        if (m_celulas.empty()) {
            // Texts appended before the first look-up.
            for (uint32_t n = 1; n <= tamanho(); ++n) {
                Celula c = Chave(texto(n));
                c.numero = n;
                colocar(c);
            }
        }
        m_celulas.swap(celulas);
    }

    std::string m_bytes;
    std::vector<size_t> m_inicio{0};
    std::vector<Celula> m_celulas;
};

// destino[place] = class for every (place << 32 | class) of `pares`, and existe[place] marked
// (or, with `conferir`, checked: false when a place was not there before). Read in an index's
// order, places come at random, and writing each where it goes would miss the caches every
// time: the pairs go first to buckets of neighbouring places (a few hundred streams), then
// each bucket into a stretch of `destino` that stays in the cache.
bool Espalhar(const std::vector<uint64_t>& pares, std::vector<uint32_t>& destino,
              std::vector<uint8_t>* existe, bool conferir) {
    constexpr int kBits = 13;
    std::vector<size_t> inicio((destino.size() >> kBits) + 2, 0);
    for (const uint64_t p : pares) {
        ++inicio[(p >> (32 + kBits)) + 1];
    }
    for (size_t b = 1; b < inicio.size(); ++b) {
        inicio[b] += inicio[b - 1];
    }
    std::vector<uint64_t> baldes(pares.size());
    for (const uint64_t p : pares) {
        baldes[inicio[p >> (32 + kBits)]++] = p;
    }
    for (const uint64_t p : baldes) {
        const size_t lugar = p >> 32;
        destino[lugar] = uint32_t(p);
        if (existe) {
            if (conferir && !(*existe)[lugar]) {
                return false;
            }
            (*existe)[lugar] = 1;
        }
    }
    return true;
}

QByteArray Aspas(const QString& nome) {
    QString n = nome;
    n.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return ('"' + n + '"').toUtf8();
}

// A column named bare, or qualified by the table it is read from.
const NoExpr* ColunaDaTabela(const Arvore& a, IdExpr id, const QString& tabela) {
    const NoExpr& n = a.expr(id);
    if (n.tipo != NoExpr::Coluna ||
        (!n.qualificador.isEmpty() && Catalogo::dobrar(n.qualificador) != tabela)) {
        return nullptr;
    }
    return &n;
}

// MAX(coluna) or MIN(coluna), by the column's folded name; empty when it is something else.
QString Agregado(const Arvore& a, IdExpr id, const char* funcao, const QString& tabela) {
    const NoExpr& n = a.expr(id);
    if (n.tipo != NoExpr::Funcao || n.nome != QLatin1String(funcao) || n.distinto || n.estrela ||
        n.filhos.size() != 1) {
        return QString();
    }
    const NoExpr* c = ColunaDaTabela(a, n.filhos[0], tabela);
    return c ? Catalogo::dobrar(c->nome) : QString();
}

// Days of 1850 to 2149 written "yyyy-mm-dd 00:00:00", each its own number in the order of the
// dates (a month counts 31 days); -1 for any other text.
constexpr size_t kDias = 300 * 12 * 31;
int DiaComum(std::string_view t) {
    if (t.size() != 19 || t[4] != '-' || t[7] != '-' || t.substr(10) != " 00:00:00") {
        return -1;
    }
    static constexpr int kLugares[8] = {0, 1, 2, 3, 5, 6, 8, 9};
    int digitos[8];
    for (int i = 0; i < 8; ++i) {
        digitos[i] = t[size_t(kLugares[i])] - '0';
        if (digitos[i] < 0 || digitos[i] > 9) {
            return -1;
        }
    }
    const int ano = digitos[0] * 1000 + digitos[1] * 100 + digitos[2] * 10 + digitos[3];
    const int mes = digitos[4] * 10 + digitos[5];
    const int dia = digitos[6] * 10 + digitos[7];
    if (ano < 1850 || ano >= 2150 || mes < 1 || mes > 12 || dia < 1 || dia > 31) {
        return -1;
    }
    return ((ano - 1850) * 12 + mes - 1) * 31 + dia - 1;
}

// The text DiaComum reads as `dia`.
std::string_view TextoDoDia(size_t dia, char (&t)[20]) {
    std::memcpy(t, "0000-00-00 00:00:00", 20);
    const auto escrever = [&t](int inicio, int algarismos, size_t valor) {
        for (int i = inicio + algarismos - 1; i >= inicio; --i, valor /= 10) {
            t[i] = char('0' + valor % 10);
        }
    };
    escrever(0, 4, 1850 + dia / (12 * 31));
    escrever(5, 2, dia / 31 % 12 + 1);
    escrever(8, 2, dia % 31 + 1);
    return std::string_view(t, 19);
}

}  // namespace

// One column of the table, row by row: the class of texts the collation calls equal that
// each row holds (0 for NULL), and the exact texts (variants) the classes were seen with.
// Rows are read in an index's order, so their places come at random: a row's variant is
// kept apart only when it is not its class's first, which few are. A date column's classes
// 1 to kDias are the days DiaComum reads, in order, whether seen or not (exemplo 0 when not);
// other dates and texts come after them.
struct AgrupadorEmbutido::Coluna {
    QString nome;
    bool data = false;
    std::vector<uint32_t> classe;   // per place
    TabelaTextos textos;            // the variants, from 1
    std::vector<uint32_t> exemplo;  // per class: its first variant (index 0: NULL)
    std::vector<std::pair<uint32_t, uint32_t>> outras;  // (place, variant), sorted by place
    std::vector<uint64_t> lidos;     // while reading: place << 32 | class, in the order read
    bool emOrdem = false;            // classes numbered in the collation's order
    std::vector<uint32_t> posto;     // otherwise, per class its place in that order, once known
    std::vector<uint32_t> porPosto;  // and per place, its class

    uint32_t varianteEm(uint32_t lugar, uint32_t classeDoLugar) const {
        const auto o =
            std::lower_bound(outras.begin(), outras.end(), std::make_pair(lugar, uint32_t(0)));
        return o != outras.end() && o->first == lugar ? o->second : exemplo[classeDoLugar];
    }
    void guardar(uint32_t lugar, uint32_t k, uint32_t v) {
        lidos.push_back(uint64_t(lugar) << 32 | k);
        if (v != exemplo[k]) {
            outras.emplace_back(lugar, v);
        }
    }
    bool ordenada() const { return emOrdem || !posto.empty(); }
    uint32_t ordem(uint32_t c) const { return emOrdem ? c : posto[c]; }
    int comparar(uint32_t a, uint32_t b) const {
        const std::string_view ta = textos.texto(exemplo[a]);
        const std::string_view tb = textos.texto(exemplo[b]);
        return data ? CompararDataTSql(ta.data(), int(ta.size()), tb.data(), int(tb.size()))
                    : CompararTextoTSql(ta.data(), int(ta.size()), tb.data(), int(tb.size()));
    }
    // Ranks the classes seen; days alone are in order already.
    void ordenar() {
        std::vector<uint32_t> ordem;
        for (uint32_t i = 1; i < exemplo.size(); ++i) {
            if (exemplo[i] != 0) {
                ordem.push_back(i);
            }
        }
        if (!data || exemplo.size() > kDias + 1) {
            std::sort(ordem.begin(), ordem.end(),
                      [this](uint32_t a, uint32_t b) { return comparar(a, b) < 0; });
        }
        posto.assign(exemplo.size(), 0);
        for (uint32_t i = 0; i < ordem.size(); ++i) {
            posto[ordem[i]] = i + 1;
        }
        ordem.insert(ordem.begin(), 0);
        porPosto.swap(ordem);
    }
    // The class whose sorting digit is `d` (its place in order, or itself).
    uint32_t classeDoDigito(uint32_t d) const { return emOrdem || posto.empty() ? d : porPosto[d]; }
    // How many sorting digits there are.
    size_t digitos() const { return porPosto.empty() ? exemplo.size() : porPosto.size(); }
};

// What one statement's rows put into the columns it reads: the first column of a read in
// the collation's order takes its classes from neighbours, a date its day, the others by
// hashing their keys.
class AgrupadorEmbutido::Leitura {
  public:
    Leitura(std::vector<Coluna*> colunas, bool emOrdem)
        : m_colunas(std::move(colunas)),
          m_chaves(m_colunas.size()),
          m_classes(m_colunas.size(), std::vector<uint32_t>(1, 0)),
          m_dias(m_colunas.size()) {
        m_colunas[0]->emOrdem = emOrdem && !m_colunas[0]->data;
        for (size_t i = 0; i < m_colunas.size(); ++i) {
            if (m_colunas[i]->data) {
                m_colunas[i]->exemplo.assign(kDias + 1, 0);
                m_dias[i].assign(kDias / 64 + 1, 0);
            }
        }
    }
    size_t quantas() const { return m_colunas.size(); }

    void texto(size_t i, uint32_t lugar, const char* s, int n) {
        Coluna& c = *m_colunas[i];
        const std::string_view t(s, size_t(n));
        if (c.emOrdem) {
            emOrdem(c, lugar, t);
            return;
        }
        // A date as the dialect writes it is its day's class: no look-up, and its text is
        // written once the read is over.
        const int dia = c.data ? DiaComum(t) : -1;
        if (dia >= 0) {
            m_dias[i][size_t(dia) / 64] |= uint64_t(1) << (dia % 64);
            c.lidos.push_back(uint64_t(lugar) << 32 | uint32_t(dia + 1));
            return;
        }
        const uint32_t v = c.textos.numero(t);
        std::vector<uint32_t>& classes = m_classes[i];
        if (v == classes.size()) {
            // A text not seen before: its class by the collation's key.
            c.data ? ChaveDataTSql(s, n, m_chave) : ChaveTextoTSql(s, n, m_chave);
            const int diaDaChave = c.data ? DiaComum(m_chave) : -1;
            uint32_t k;
            if (diaDaChave >= 0) {
                k = uint32_t(diaDaChave + 1);
            } else {
                k = m_chaves[i].numero(m_chave) + (c.data ? uint32_t(kDias) : 0);
                if (k == c.exemplo.size()) {
                    c.exemplo.push_back(v);
                }
            }
            classes.push_back(k);
        }
        const uint32_t k = classes[v];
        if (c.exemplo[k] == 0) {
            c.exemplo[k] = v;  // a day first seen written otherwise
        }
        // Rows of a day written otherwise are kept apart: the day's own text takes its place.
        if (c.data && k <= kDias) {
            c.lidos.push_back(uint64_t(lugar) << 32 | k);
            c.outras.emplace_back(lugar, v);
        } else {
            c.guardar(lugar, k, v);
        }
    }

    // Every row read is in the first column's pairs (NULLs too): it marks the rows there are,
    // or, after the first read, finds a row that was not there (false).
    bool terminar(std::vector<uint8_t>& existe, bool conferir) {
        bool mesmas = true;
        for (size_t i = 0; i < m_colunas.size(); ++i) {
            Coluna* c = m_colunas[i];
            const std::vector<uint64_t>& dias = m_dias[i];
            for (size_t w = 0; w < dias.size(); ++w) {
                for (uint64_t bits = dias[w]; bits != 0; bits &= bits - 1) {
                    const size_t dia = w * 64 + size_t(__builtin_ctzll(bits));
                    char t[20];
                    c->exemplo[dia + 1] = c->textos.acrescentar(TextoDoDia(dia, t));
                }
            }
            if (c->data) {
                c->ordenar();
            }
            std::sort(c->outras.begin(), c->outras.end());
            c->textos.fechar();
            mesmas =
                Espalhar(c->lidos, c->classe, c == m_colunas[0] ? &existe : nullptr, conferir) &&
                mesmas;
            std::vector<uint64_t>().swap(c->lidos);
        }
        return mesmas;
    }
    void nulo(size_t i, uint32_t lugar) { m_colunas[i]->guardar(lugar, 0, 0); }

  private:
    // Equal values are neighbours: a text is its predecessor's class when the collation says
    // so, and a new class otherwise. Variants of one class come in row order, mixed.
    void emOrdem(Coluna& c, uint32_t lugar, std::string_view t) {
        const uint32_t atual = uint32_t(c.exemplo.size() - 1);
        if (m_anterior != 0 && c.textos.texto(m_anterior) == t) {
            c.guardar(lugar, atual, m_anterior);
            return;
        }
        const std::string_view antes = m_anterior != 0 ? c.textos.texto(m_anterior) : t;
        if (m_anterior != 0 && (c.data ? CompararDataTSql : CompararTextoTSql)(
                                   antes.data(), int(antes.size()), t.data(), int(t.size())) == 0) {
            m_anterior = 0;
            for (const uint32_t v : m_daClasse) {
                if (c.textos.texto(v) == t) {
                    m_anterior = v;
                }
            }
            if (m_anterior == 0) {
                m_anterior = c.textos.acrescentar(t);
                m_daClasse.push_back(m_anterior);
            }
            c.guardar(lugar, atual, m_anterior);
            return;
        }
        m_anterior = c.textos.acrescentar(t);
        m_daClasse.assign(1, m_anterior);
        c.exemplo.push_back(m_anterior);
        c.guardar(lugar, atual + 1, m_anterior);
    }

    std::vector<Coluna*> m_colunas;
    std::vector<TabelaTextos> m_chaves;
    std::vector<std::vector<uint32_t>> m_classes;  // per column: per variant, its class
    std::string m_chave;
    std::vector<std::vector<uint64_t>> m_dias;  // per date column: the days seen
    uint32_t m_anterior = 0;                    // the ordered column's previous variant
    std::vector<uint32_t> m_daClasse;
};

std::optional<AgrupadorEmbutido::Pedido> AgrupadorEmbutido::Reconhecer(const Arvore& a,
                                                                       const Catalogo& catalogo) {
    if (a.comandos.size() != 1 || a.comandos[0].tipo != NoComando::Select) {
        return std::nullopt;
    }
    const NoSelect& s = a.sel(a.comandos[0].select);
    if (s.distinto || s.tokenTop >= 0 || s.from < 0 || s.onde >= 0 || !s.unioes.isEmpty() ||
        s.itens.isEmpty()) {
        return std::nullopt;
    }
    const ListaFrom& from = a.from(s.from);
    if (from.fontes.size() != 1 || from.fontes[0].tipo != Fonte::Tabela ||
        from.fontes[0].temApelido) {
        return std::nullopt;
    }
    const TabelaCatalogo* t = catalogo.tabela(from.fontes[0].nome);
    if (!t || t->visao) {
        return std::nullopt;
    }
    const QString tabela = Catalogo::dobrar(from.fontes[0].nome);
    // The same columns, in the same order, in the select list, GROUP BY and ORDER BY.
    QVector<QString> selecao;
    for (const ItemSelecao& i : s.itens) {
        const NoExpr* c = i.estrela || i.temApelido ? nullptr : ColunaDaTabela(a, i.expr, tabela);
        if (!c) {
            return std::nullopt;
        }
        selecao << Catalogo::dobrar(c->nome);
    }
    const auto mesmaLista = [&](const QVector<ItemOrdem>& itens) {
        if (itens.size() != selecao.size()) {
            return false;
        }
        for (int i = 0; i < itens.size(); ++i) {
            const NoExpr* c = ColunaDaTabela(a, itens[i].expr, tabela);
            if (itens[i].desc || !c || Catalogo::dobrar(c->nome) != selecao[i]) {
                return false;
            }
        }
        return true;
    };
    if (!mesmaLista(s.grupo) || (!s.ordem.isEmpty() && !mesmaLista(s.ordem))) {
        return std::nullopt;
    }
    Pedido p;
    p.tabela = t->nome;
    for (const QString& n : selecao) {
        const ColunaCatalogo* c = t->coluna(n);
        if (!c || (c->tipo != TipoSql::Texto && c->tipo != TipoSql::Data) ||
            p.colunas.contains(c->nome)) {
            return std::nullopt;
        }
        p.colunas << c->nome;
        p.datas << (c->tipo == TipoSql::Data);
    }
    if (s.tendo >= 0) {
        const NoExpr& h = a.expr(s.tendo);
        const int id = t->identidade();
        if (h.tipo != NoExpr::Comparacao || h.nome != QLatin1String("<>") || id < 0) {
            return std::nullopt;
        }
        const QString maximo = Agregado(a, h.filhos[0], "MAX", tabela);
        // The identity is the row number: unique, so "two IDs" is "two rows".
        if (maximo != Catalogo::dobrar(t->colunas[id].nome) ||
            Agregado(a, h.filhos[1], "MIN", tabela) != maximo) {
            return std::nullopt;
        }
        p.maisDeUm = true;
    }
    return p;
}

AgrupadorEmbutido::AgrupadorEmbutido(sqlite3* db) : m_db(db) {
    sqlite3_rollback_hook(
        m_db, [](void* eu) { static_cast<AgrupadorEmbutido*>(eu)->reverter(); }, this);
}

AgrupadorEmbutido::~AgrupadorEmbutido() {
    sqlite3_rollback_hook(m_db, nullptr, nullptr);
    sqlite3_finalize(m_versaoDados);
}

void AgrupadorEmbutido::Esquecer() {
    m_direto.reset();
    m_colunas.clear();
    m_tabela.clear();
    m_linhas = 0;
    m_existe.clear();
    m_versao = -1;
}

// False (and everything dropped) when the data may have changed since they were read.
bool AgrupadorEmbutido::atualizar() {
    if (!m_versaoDados &&
        sqlite3_prepare_v3(m_db, "PRAGMA data_version", -1, SQLITE_PREPARE_PERSISTENT,
                           &m_versaoDados, nullptr) != SQLITE_OK) {
        throw FalhaSqlite{sqlite3_errcode(m_db)};
    }
    const int rc = sqlite3_step(m_versaoDados);
    const long long versao = rc == SQLITE_ROW ? sqlite3_column_int64(m_versaoDados, 0) : -1;
    sqlite3_reset(m_versaoDados);
    if (rc != SQLITE_ROW) {
        throw FalhaSqlite{rc};
    }
    const long long mudancas = sqlite3_total_changes64(m_db);
    if (versao == m_versao && mudancas == m_mudancas && !m_revertido) {
        return true;
    }
    Esquecer();
    m_versao = versao;
    m_mudancas = mudancas;
    m_revertido = false;
    return false;
}

// The register's whole indexes (no WHERE) on `tabela`: their key columns in order (folded
// names; an expression's is empty) and the collation of the first.
std::vector<AgrupadorEmbutido::Indice> AgrupadorEmbutido::indices(const QString& tabela) {
    static const char* const kSql =
        "SELECT l.name, x.name, x.coll, x.desc FROM pragma_index_list(?1) AS l, "
        "pragma_index_xinfo(l.name) AS x WHERE NOT l.partial AND x.key ORDER BY l.name, x.seqno";
    std::vector<Indice> lista;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, kSql, -1, &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return lista;  // an older SQLite: the table is read instead
    }
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> dono(stmt, sqlite3_finalize);
    const QByteArray nomeTabela = tabela.toUtf8();
    sqlite3_bind_text(stmt, 1, nomeTabela.constData(), int(nomeTabela.size()), SQLITE_STATIC);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        const auto texto = [stmt](int i) {
            return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, i)));
        };
        const QString nome = texto(0);
        if (lista.empty() || lista.back().nome != nome) {
            lista.push_back({nome, {}, {}});
        }
        lista.back().colunas << Catalogo::dobrar(texto(1));
        lista.back().colacoes << (sqlite3_column_int(stmt, 3) ? QString() : texto(2));
    }
    if (rc != SQLITE_DONE) {
        throw FalhaSqlite{rc};
    }
    return lista;
}

bool AgrupadorEmbutido::Indice::ordena(int j, const QString& coluna, bool data) const {
    return j < colunas.size() && colunas[j] == Catalogo::dobrar(coluna) &&
           colacoes[j].compare(QLatin1String(data ? "TSQLDATE" : "TSQL"), Qt::CaseInsensitive) == 0;
}

// The row numbers' range, so that a row's place is its number less the first. The places
// that hold a row are marked by the first read.
AgrupadorEmbutido::Carga AgrupadorEmbutido::lugares(const QString& tabela) {
    // Apart, each min() or max() is one step down the table's tree; together, a whole scan.
    const QByteArray sql = "SELECT (SELECT min(rowid) FROM " + Aspas(tabela) +
                           "), (SELECT max(rowid) FROM " + Aspas(tabela) + ")";
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.constData(), int(sql.size()), &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return Carga::Impossivel;  // no row numbers: SQLite does the grouping
    }
    const int rc = sqlite3_step(stmt);
    m_base = rc == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : 0;
    const long long ultimo = rc == SQLITE_ROW ? sqlite3_column_int64(stmt, 1) : -1;
    const bool vazia = rc == SQLITE_ROW && sqlite3_column_type(stmt, 0) == SQLITE_NULL;
    sqlite3_finalize(stmt);
    if (rc != SQLITE_ROW) {
        throw FalhaSqlite{rc};
    }
    if (!vazia && ultimo - m_base >= (1LL << 26)) {
        return Carga::Impossivel;  // row numbers too far apart to place rows by them
    }
    m_existe.assign(vazia ? 0 : size_t(ultimo - m_base + 1), 0);
    m_linhas = -1;
    return Carga::Feita;
}

// One statement's rows (row number, then the columns) into `leitura`. The first read of the
// table marks the places of its rows; every later one must find the same rows.
AgrupadorEmbutido::Carga AgrupadorEmbutido::ler(Leitura& leitura, const QByteArray& sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.constData(), int(sql.size()), &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return Carga::Impossivel;
    }
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> dono(stmt, sqlite3_finalize);
    const bool primeira = m_linhas < 0;
    const long long lugares = (long long)m_existe.size();
    long long linhas = 0;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        const long long lugar = sqlite3_column_int64(stmt, 0) - m_base;
        if (lugar < 0 || lugar >= lugares) {
            return Carga::Refazer;  // rows came since the first read
        }
        ++linhas;
        for (size_t i = 0; i < leitura.quantas(); ++i) {
            // One call for the column, then the value's own accessors (no per-call checks).
            sqlite3_value* v = sqlite3_column_value(stmt, int(i) + 1);
            const int tipo = sqlite3_value_type(v);
            if (tipo == SQLITE_NULL) {
                leitura.nulo(i, uint32_t(lugar));
                continue;
            }
            if (tipo != SQLITE_TEXT) {
                return Carga::Impossivel;  // numbers sort before texts in SQLite: its job
            }
            const char* s = reinterpret_cast<const char*>(sqlite3_value_text(v));
            if (!s) {
                throw FalhaSqlite{SQLITE_NOMEM};
            }
            leitura.texto(i, uint32_t(lugar), s, sqlite3_value_bytes(v));
        }
    }
    if (rc != SQLITE_DONE) {
        throw FalhaSqlite{rc};
    }
    if ((!primeira && linhas != m_linhas) || !leitura.terminar(m_existe, !primeira)) {
        return Carga::Refazer;  // rows came or went since the first read
    }
    m_linhas = linhas;
    return Carga::Feita;
}

// Reads `colunas` from the indexes that hold them (an index is smaller than the table's rows),
// each pass in the order of the index's first column when that is one of them, the others of
// the pass hashed; what no index holds comes from the table, hashed.
AgrupadorEmbutido::Carga AgrupadorEmbutido::carregar(const QString& tabela,
                                                     const QVector<QString>& colunas,
                                                     const QVector<bool>& datas) {
    const QByteArray nomeTabela = tabela.toUtf8();
    std::vector<std::unique_ptr<Coluna>> novas;
    for (int i = 0; i < colunas.size(); ++i) {
        // Only columns under the dialect's own collations group like SQL Server.
        const char* colacao = nullptr;
        if (sqlite3_table_column_metadata(m_db, nullptr, nomeTabela.constData(),
                                          colunas[i].toUtf8().constData(), nullptr, &colacao,
                                          nullptr, nullptr, nullptr) != SQLITE_OK ||
            !colacao || qstricmp(colacao, datas[i] ? "TSQLDATE" : "TSQL") != 0) {
            return Carga::Impossivel;
        }
        auto c = std::make_unique<Coluna>();
        c->nome = colunas[i];
        c->data = datas[i];
        c->exemplo.push_back(0);
        novas.push_back(std::move(c));
    }
    if (m_colunas.empty()) {
        const Carga c = lugares(tabela);
        if (c != Carga::Feita) {
            return c;
        }
    }
    for (auto& c : novas) {
        c->classe.assign(m_existe.size(), 0);
        c->lidos.reserve(m_linhas > 0 ? size_t(m_linhas) : m_existe.size());
    }
    const auto passada = [&](std::vector<Coluna*> lidas, bool emOrdem, const QByteArray& de) {
        QByteArray sql = "SELECT rowid";
        for (const Coluna* c : lidas) {
            sql += ", " + Aspas(c->nome);
        }
        sql += " FROM " + Aspas(tabela) + de;
        if (emOrdem) {
            sql += " ORDER BY " + Aspas(lidas[0]->nome);
        }
        Leitura leitura(std::move(lidas), emOrdem);
        return ler(leitura, sql);
    };
    std::vector<Coluna*> faltam;
    for (auto& c : novas) {
        faltam.push_back(c.get());
    }
    const std::vector<Indice> todos = indices(tabela);
    while (!faltam.empty()) {
        const Indice* melhor = nullptr;
        std::vector<Coluna*> lidas;
        bool emOrdem = false;
        for (const Indice& x : todos) {
            std::vector<Coluna*> daqui;
            for (Coluna* c : faltam) {
                if (x.colunas.contains(Catalogo::dobrar(c->nome))) {
                    daqui.push_back(c);
                }
            }
            // A date's day needs no order.
            const auto primeira = std::find_if(daqui.begin(), daqui.end(), [&](Coluna* c) {
                return !c->data && x.ordena(0, c->nome, false);
            });
            const bool ordena = primeira != daqui.end();
            // Stepping through an index's rows costs about as much as a plain read of the
            // columns, a text hashed a fraction of it, one read in order a comparison with
            // its neighbour: the index that holds the most comes first, then one that orders
            // one of them, then the smallest.
            const auto pior = [&] {
                if (daqui.size() != lidas.size()) {
                    return daqui.size() < lidas.size();
                }
                if (ordena != emOrdem) {
                    return ordena < emOrdem;
                }
                return x.colunas.size() >= melhor->colunas.size();
            };
            if (daqui.empty() || (melhor && pior())) {
                continue;
            }
            if (ordena) {
                std::rotate(daqui.begin(), primeira, primeira + 1);  // the ordered one first
            }
            melhor = &x;
            lidas = std::move(daqui);
            emOrdem = ordena;
        }
        if (!melhor) {
            lidas = faltam;  // the rest from the table
        }
        const Carga c =
            passada(lidas, emOrdem, melhor ? " INDEXED BY " + Aspas(melhor->nome) : QByteArray());
        if (c != Carga::Feita) {
            return c;
        }
        for (Coluna* l : lidas) {
            faltam.erase(std::find(faltam.begin(), faltam.end(), l));
        }
    }
    m_tabela = tabela;
    for (auto& c : novas) {
        m_colunas.push_back(std::move(c));
    }
    return Carga::Feita;
}

// When an index begins with the request's columns, in their order and collations, its rows
// come in the order of ORDER BY with each group's rows together, as SQLite's own plan reads
// them: the groups are the runs of equal values, with no column kept. That is the cheapest
// first grouping; the columns are read (below) once a request meets no such index, and from
// then on answer every combination. The texts shown are those of each group's first row.
bool AgrupadorEmbutido::direto(const Pedido& pedido, std::vector<Valor>& saida) {
    const int k = pedido.colunas.size();
    const Indice* melhor = nullptr;
    const std::vector<Indice> todos = indices(pedido.tabela);
    for (const Indice& x : todos) {
        bool serve = x.colunas.size() >= k;
        for (int j = 0; j < k && serve; ++j) {
            serve = x.ordena(j, pedido.colunas[j], pedido.datas[j]);
        }
        if (serve && (!melhor || x.colunas.size() < melhor->colunas.size())) {
            melhor = &x;
        }
    }
    if (!melhor) {
        return false;
    }
    QByteArray lista;
    for (const QString& c : pedido.colunas) {
        lista += (lista.isEmpty() ? "" : ", ") + Aspas(c);
    }
    const QByteArray sql = "SELECT rowid, " + lista + " FROM " + Aspas(pedido.tabela) +
                           " INDEXED BY " + Aspas(melhor->nome) + " ORDER BY " + lista;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.constData(), int(sql.size()), &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return false;
    }
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> dono(stmt, sqlite3_finalize);
    Direto d;
    d.colunas = pedido.colunas;
    d.maisDeUm = pedido.maisDeUm;
    // The run so far: its first row's texts (-1: NULL), its row count.
    std::vector<std::string> textos(static_cast<size_t>(k));
    std::vector<char> nulos(static_cast<size_t>(k), 1);
    std::vector<std::pair<size_t, int>> lugares;  // of each value in d.bytes; -1: NULL
    long long menor = 0, linhas = 0;
    const auto fechar = [&] {
        if (linhas > 0 && (!pedido.maisDeUm || linhas > 1)) {
            for (int j = 0; j < k; ++j) {
                lugares.emplace_back(d.bytes.size(), nulos[j] ? -1 : int(textos[j].size()));
                d.bytes += textos[j];
            }
        }
    };
    std::vector<sqlite3_value*> valores(static_cast<size_t>(k));
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        const long long id = sqlite3_column_int64(stmt, 0);
        bool mesmo = linhas > 0;
        for (int j = 0; j < k; ++j) {
            sqlite3_value* v = valores[size_t(j)] = sqlite3_column_value(stmt, j + 1);
            const int tipo = sqlite3_value_type(v);
            if (tipo != SQLITE_NULL && tipo != SQLITE_TEXT) {
                return false;  // numbers sort before texts in SQLite: its job
            }
            if (!mesmo) {
                continue;
            }
            if (tipo == SQLITE_NULL || nulos[size_t(j)]) {
                mesmo = tipo == SQLITE_NULL && nulos[size_t(j)];
                continue;
            }
            const std::string& t = textos[size_t(j)];
            const char* s = reinterpret_cast<const char*>(sqlite3_value_text(v));
            const int n = sqlite3_value_bytes(v);
            mesmo = (size_t(n) == t.size() && std::memcmp(s, t.data(), t.size()) == 0) ||
                    (pedido.datas[j] ? CompararDataTSql : CompararTextoTSql)(s, n, t.data(),
                                                                             int(t.size())) == 0;
        }
        if (mesmo) {
            ++linhas;
            if (id >= menor) {
                continue;
            }
        } else {
            fechar();
            linhas = 1;
        }
        menor = id;  // the group's first row so far: its texts are shown
        for (int j = 0; j < k; ++j) {
            sqlite3_value* v = valores[size_t(j)];
            nulos[size_t(j)] = sqlite3_value_type(v) == SQLITE_NULL;
            if (!nulos[size_t(j)]) {
                const char* s = reinterpret_cast<const char*>(sqlite3_value_text(v));
                if (!s) {
                    throw FalhaSqlite{SQLITE_NOMEM};
                }
                textos[size_t(j)].assign(s, size_t(sqlite3_value_bytes(v)));
            }
        }
    }
    if (rc != SQLITE_DONE) {
        throw FalhaSqlite{rc};
    }
    fechar();
    // The texts stay where they are now: the values point into them.
    m_direto = std::move(d);
    m_direto->valores.reserve(lugares.size());
    for (const auto& [inicio, tamanho] : lugares) {
        Valor v;
        if (tamanho >= 0) {
            v.texto = m_direto->bytes.data() + inicio;
            v.tamanho = tamanho;
        }
        m_direto->valores.push_back(v);
    }
    m_tabela = pedido.tabela;
    saida = m_direto->valores;
    return true;
}

bool AgrupadorEmbutido::Agrupar(const Pedido& pedido, std::vector<Valor>& saida) {
    saida.clear();
    if (pedido.colunas.isEmpty()) {
        return false;
    }
    if (pedido.tabela != m_tabela) {
        Esquecer();
    }
    atualizar();
    if (m_direto && m_direto->colunas == pedido.colunas && m_direto->maisDeUm == pedido.maisDeUm) {
        saida = m_direto->valores;
        return true;
    }
    const bool lidas =
        std::all_of(pedido.colunas.begin(), pedido.colunas.end(), [&](const QString& n) {
            return std::any_of(m_colunas.begin(), m_colunas.end(),
                               [&](const auto& c) { return c->nome == n; });
        });
    if (!lidas && direto(pedido, saida)) {
        return true;
    }
    // A column read later must come from the same data as those read before: if anything
    // was committed meanwhile, everything is read again.
    std::vector<Coluna*> colunas;
    for (int tentativa = 0; tentativa < 3 && colunas.empty(); ++tentativa) {
        atualizar();
        QVector<QString> faltam;
        QVector<bool> datas;
        for (int i = 0; i < pedido.colunas.size(); ++i) {
            const bool lida = std::any_of(m_colunas.begin(), m_colunas.end(), [&](const auto& c) {
                return c->nome == pedido.colunas[i];
            });
            if (!lida) {
                faltam << pedido.colunas[i];
                datas << pedido.datas[i];
            }
        }
        const Carga carga =
            faltam.isEmpty() ? Carga::Feita : carregar(pedido.tabela, faltam, datas);
        if (carga != Carga::Feita) {
            Esquecer();
            if (carga == Carga::Impossivel) {
                return false;
            }
            continue;
        }
        if (!faltam.isEmpty() && !atualizar()) {
            continue;
        }
        for (const QString& n : pedido.colunas) {
            for (const auto& c : m_colunas) {
                if (c->nome == n) {
                    colunas.push_back(c.get());
                }
            }
        }
    }
    if (colunas.empty()) {
        return false;
    }

    // ORDER BY: NULL first, then the collation of each column. A column read from the table
    // gets its classes put in order once (kept) unless they are too many to be worth it.
    const size_t k = colunas.size();
    for (Coluna* c : colunas) {
        if (!c->ordenada() &&
            c->exemplo.size() <= std::max<size_t>(size_t(1) << 16, size_t(m_linhas) / 16)) {
            c->ordenar();
        }
    }
    // The rows sorted by their classes: rows of equal values become neighbours, first row
    // first, and with the classes in the collation's order the groups come out in the order
    // of ORDER BY.
    std::vector<uint32_t> ordem;
    ordem.reserve(size_t(m_linhas));
    for (size_t r = 0; r < m_existe.size(); ++r) {
        if (m_existe[r]) {
            ordem.push_back(uint32_t(r));
        }
    }
    if (pedido.maisDeUm) {
        // A row whose value in some column no other row shares is in no group kept: those
        // rows (nearly all, where a document is grouped on) leave before the sorting, the
        // columns of most values first. A column of few values has few such rows: no more than
        // its values, not worth a pass over the rows.
        std::vector<Coluna*> porClasses = colunas;
        std::sort(porClasses.begin(), porClasses.end(),
                  [](const Coluna* a, const Coluna* b) { return a->digitos() > b->digitos(); });
        std::vector<uint8_t> vistas;
        for (const Coluna* c : porClasses) {
            if (c->digitos() < ordem.size() / 16) {
                continue;
            }
            vistas.assign(c->exemplo.size(), 0);
            for (const uint32_t r : ordem) {
                uint8_t& v = vistas[c->classe[r]];
                v = v < 2 ? v + 1 : 2;
            }
            ordem.erase(std::remove_if(ordem.begin(), ordem.end(),
                                       [&](uint32_t r) { return vistas[c->classe[r]] < 2; }),
                        ordem.end());
        }
    }
    const auto digito = [](const Coluna& c, uint32_t r) {
        return c.ordenada() ? c.ordem(c.classe[r]) : c.classe[r];
    };
    // Each row's classes as one number (a digit per column, the first the most significant)
    // above the row's place, where both fit in 64 bits: sorted 16 bits a pass from the
    // lowest digit, rows of equal classes stay in the order of their places. Else one column
    // at a time, the rows apart. Either way each sort is stable and counts.
    int bitsLugar = 1;
    while ((size_t(1) << bitsLugar) < m_existe.size()) {
        ++bitsLugar;
    }
    const uint64_t limite = uint64_t(1) << (64 - bitsLugar);
    std::vector<uint64_t> peso(k);
    uint64_t produto = 1;
    bool numero = true;
    for (size_t j = k; j-- > 0 && numero;) {
        peso[j] = produto;
        const uint64_t d = colunas[j]->digitos();
        numero = produto <= limite / d;
        produto *= numero ? d : 1;
    }
    const size_t n = ordem.size();
    std::vector<uint64_t> chaves;
    std::vector<uint32_t> inicio;
    if (numero) {
        chaves.resize(n);
        for (size_t i = 0; i < n; ++i) {
            uint64_t x = 0;
            for (size_t j = 0; j < k; ++j) {
                x += digito(*colunas[j], ordem[i]) * peso[j];
            }
            chaves[i] = x << bitsLugar | ordem[i];
        }
        std::vector<uint32_t>().swap(ordem);
        std::vector<uint64_t> chavesAux(n);
        // Digits of at most 11 bits: a pass writes to few enough places to stay in the caches.
        int bitsChave = 0;
        while (bitsChave < 64 - bitsLugar && ((produto - 1) >> bitsChave) != 0) {
            ++bitsChave;
        }
        const int passos = (bitsChave + 10) / 11;
        const int bits = passos > 0 ? (bitsChave + passos - 1) / passos : 0;
        const uint64_t digitoMax = (uint64_t(1) << bits) - 1;
        for (int passo = 0; passo < passos; ++passo) {
            const int deslocar = bitsLugar + passo * bits;
            inicio.assign(size_t(digitoMax) + 2, 0);
            for (const uint64_t x : chaves) {
                ++inicio[((x >> deslocar) & digitoMax) + 1];
            }
            for (size_t d = 1; d < inicio.size(); ++d) {
                inicio[d] += inicio[d - 1];
            }
            for (const uint64_t x : chaves) {
                chavesAux[inicio[(x >> deslocar) & digitoMax]++] = x;
            }
            chaves.swap(chavesAux);
        }
    } else {
        std::vector<uint32_t> aux(n);
        for (size_t j = k; j-- > 0;) {
            const Coluna& c = *colunas[j];
            inicio.assign(c.digitos() + 1, 0);
            for (const uint32_t r : ordem) {
                ++inicio[digito(c, r) + 1];
            }
            for (size_t d = 1; d < inicio.size(); ++d) {
                inicio[d] += inicio[d - 1];
            }
            for (const uint32_t r : ordem) {
                aux[inicio[digito(c, r)]++] = r;
            }
            ordem.swap(aux);
        }
    }
    const uint64_t mascara = (uint64_t(1) << bitsLugar) - 1;
    // Runs of equal classes are the groups; each keeps its classes and its first row.
    std::vector<uint32_t> tuplas;     // k classes per group kept
    std::vector<uint32_t> primeiras;  // per group kept
    std::vector<uint32_t> tupla(k);
    const auto igual = [&](size_t i, size_t outra) {
        if (numero) {
            return (chaves[i] ^ chaves[outra]) <= mascara;
        }
        for (size_t j = 0; j < k; ++j) {
            if (colunas[j]->classe[ordem[outra]] != tupla[j]) {
                return false;
            }
        }
        return true;
    };
    for (size_t i = 0; i < n;) {
        for (size_t j = 0; !numero && j < k; ++j) {
            tupla[j] = colunas[j]->classe[ordem[i]];
        }
        size_t fim = i + 1;
        while (fim < n && igual(i, fim)) {
            ++fim;
        }
        if (!pedido.maisDeUm || fim - i > 1) {
            for (size_t j = 0; numero && j < k; ++j) {
                const uint64_t d = (chaves[i] >> bitsLugar) / peso[j] % colunas[j]->digitos();
                tupla[j] = colunas[j]->classeDoDigito(uint32_t(d));
            }
            tuplas.insert(tuplas.end(), tupla.begin(), tupla.end());
            primeiras.push_back(numero ? uint32_t(chaves[i] & mascara) : ordem[i]);
        }
        i = fim;
    }
    std::vector<uint32_t> grupos(primeiras.size());
    for (uint32_t g = 0; g < grupos.size(); ++g) {
        grupos[g] = g;
    }
    if (!std::all_of(colunas.begin(), colunas.end(), [](Coluna* c) { return c->ordenada(); })) {
        std::sort(grupos.begin(), grupos.end(), [&](uint32_t a, uint32_t b) {
            for (size_t j = 0; j < k; ++j) {
                const Coluna& c = *colunas[j];
                const uint32_t ca = tuplas[a * k + j], cb = tuplas[b * k + j];
                if (ca == cb) {
                    continue;
                }
                if (ca == 0 || cb == 0) {
                    return ca == 0;
                }
                return c.ordenada() ? c.ordem(ca) < c.ordem(cb) : c.comparar(ca, cb) < 0;
            }
            return false;
        });
    }

    // Each group shows the texts of its first row, as they are written there.
    saida.reserve(grupos.size() * k);
    for (const uint32_t g : grupos) {
        for (size_t j = 0; j < k; ++j) {
            const Coluna& c = *colunas[j];
            const uint32_t v = c.varianteEm(primeiras[g], tuplas[g * k + j]);
            Valor valor;
            if (v != 0) {
                const std::string_view t = c.textos.texto(v);
                valor.texto = t.data();
                valor.tamanho = int(t.size());
            }
            saida.push_back(valor);
        }
    }
    return true;
}

}  // namespace dados
