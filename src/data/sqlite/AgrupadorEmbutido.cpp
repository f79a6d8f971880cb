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
// Each cell of the look-up table keeps 32 bits of its text's hash beside the number: a
// column of a million distinct documents misses the caches on every probe, and comparing the
// hashes first leaves one visit to the text for the probe that finds it.
class TabelaTextos {
  public:
    uint32_t numero(std::string_view s) {
        if ((m_inicio.size() + 1) * 2 > m_celulas.size()) {
            crescer();
        }
        const uint32_t marca = Marca(s);
        const size_t mascara = m_celulas.size() - 1;
        for (size_t i = marca & mascara;; i = (i + 1) & mascara) {
            Celula& c = m_celulas[i];
            if (c.numero == 0) {
                c = {marca, acrescentar(s)};
                return c.numero;
            }
            if (c.marca == marca && texto(c.numero) == s) {
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
    struct Celula {
        uint32_t marca = 0;
        uint32_t numero = 0;
    };
    static uint32_t Marca(std::string_view s) {
        const size_t h = std::hash<std::string_view>{}(s);
        return static_cast<uint32_t>(h ^ (h >> 32));
    }
    void crescer() {
        std::vector<Celula> celulas(std::max<size_t>(1024, m_celulas.size() * 2));
        const size_t mascara = celulas.size() - 1;
        for (const Celula& c : m_celulas) {
            if (c.numero != 0) {
                size_t i = c.marca & mascara;
                while (celulas[i].numero != 0) {
                    i = (i + 1) & mascara;
                }
                celulas[i] = c;
            }
        }
        if (m_celulas.empty()) {
            // Texts appended before the first look-up.
            for (uint32_t n = 1; n <= tamanho(); ++n) {
                const uint32_t marca = Marca(texto(n));
                size_t i = marca & mascara;
                while (celulas[i].numero != 0) {
                    i = (i + 1) & mascara;
                }
                celulas[i] = {marca, n};
            }
        }
        m_celulas.swap(celulas);
    }

    std::string m_bytes;
    std::vector<size_t> m_inicio{0};
    std::vector<Celula> m_celulas;
};

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

}  // namespace

// One column of the table, row by row: the class of texts the collation calls equal that
// each row holds (0 for NULL), and the exact texts (variants) the classes were seen with.
struct AgrupadorEmbutido::Coluna {
    QString nome;
    bool data = false;
    std::vector<uint32_t> classe;    // per place
    TabelaTextos textos;             // the variants, from 1
    std::vector<uint32_t> exemplo;   // per class: its first variant (index 0: NULL)
    std::vector<uint32_t> variante;  // per place, only when a class has several variants
    bool emOrdem = false;            // classes numbered in the collation's order
    std::vector<uint32_t> posto;     // otherwise, per class its place in that order, once known

    uint32_t varianteEm(size_t lugar) const {
        return variante.empty() ? exemplo[classe[lugar]] : variante[lugar];
    }
    bool ordenada() const { return emOrdem || !posto.empty(); }
    uint32_t ordem(uint32_t c) const { return emOrdem ? c : posto[c]; }
    int comparar(uint32_t a, uint32_t b) const {
        const std::string_view ta = textos.texto(exemplo[a]);
        const std::string_view tb = textos.texto(exemplo[b]);
        return data ? CompararDataTSql(ta.data(), int(ta.size()), tb.data(), int(tb.size()))
                    : CompararTextoTSql(ta.data(), int(ta.size()), tb.data(), int(tb.size()));
    }
    void ordenar() {
        std::vector<uint32_t> ordem(exemplo.size() - 1);
        for (uint32_t i = 0; i < ordem.size(); ++i) {
            ordem[i] = i + 1;
        }
        std::sort(ordem.begin(), ordem.end(),
                  [this](uint32_t a, uint32_t b) { return comparar(a, b) < 0; });
        posto.assign(exemplo.size(), 0);
        for (uint32_t i = 0; i < ordem.size(); ++i) {
            posto[ordem[i]] = i + 1;
        }
    }
    // From now on each place keeps its own variant (so far each held its class's first).
    void variantesPorLugar() {
        variante.resize(classe.size());
        for (size_t i = 0; i < classe.size(); ++i) {
            variante[i] = exemplo[classe[i]];
        }
    }
};

// What one statement's rows put into the columns it reads: the first column of a read in
// the collation's order takes its classes from neighbours, the others by hashing their keys.
class AgrupadorEmbutido::Leitura {
  public:
    Leitura(std::vector<Coluna*> colunas, bool emOrdem)
        : m_colunas(std::move(colunas)),
          m_chaves(m_colunas.size()),
          m_classes(m_colunas.size()),
          m_variantes(m_colunas.size(), false) {
        for (size_t i = 0; i < m_colunas.size(); ++i) {
            m_classes[i].push_back(0);
            if (i > 0 || !emOrdem) {
                m_colunas[i]->variante.assign(m_colunas[i]->classe.size(), 0);
            }
        }
        m_colunas[0]->emOrdem = emOrdem;
    }
    size_t quantas() const { return m_colunas.size(); }

    void texto(size_t i, size_t lugar, const char* s, int n) {
        Coluna& c = *m_colunas[i];
        const std::string_view t(s, size_t(n));
        if (c.emOrdem) {
            emOrdem(c, lugar, t);
            return;
        }
        const uint32_t v = c.textos.numero(t);
        std::vector<uint32_t>& classes = m_classes[i];
        if (v == classes.size()) {
            // A text not seen before: its class by the collation's key.
            c.data ? ChaveDataTSql(s, n, m_chave) : ChaveTextoTSql(s, n, m_chave);
            const uint32_t k = m_chaves[i].numero(m_chave);
            if (k == c.exemplo.size()) {
                c.exemplo.push_back(v);
            } else {
                m_variantes[i] = true;
            }
            classes.push_back(k);
        }
        c.classe[lugar] = classes[v];
        c.variante[lugar] = v;
    }

    void terminar() {
        for (size_t i = 0; i < m_colunas.size(); ++i) {
            Coluna& c = *m_colunas[i];
            if (!c.emOrdem && !m_variantes[i]) {
                std::vector<uint32_t>().swap(c.variante);  // each class has one text
            }
            c.textos.fechar();
        }
    }

  private:
    // Equal values are neighbours: a text is its predecessor's class when the collation says
    // so, and a new class otherwise. Variants of one class come in row order, mixed.
    void emOrdem(Coluna& c, size_t lugar, std::string_view t) {
        if (m_anterior != 0 && c.textos.texto(m_anterior) == t) {
            c.classe[lugar] = uint32_t(c.exemplo.size() - 1);
        } else if (m_anterior != 0 &&
                   (c.data ? CompararDataTSql : CompararTextoTSql)(
                       c.textos.texto(m_anterior).data(), int(c.textos.texto(m_anterior).size()),
                       t.data(), int(t.size())) == 0) {
            c.classe[lugar] = uint32_t(c.exemplo.size() - 1);
            m_anterior = 0;
            for (const uint32_t v : m_daClasse) {
                if (c.textos.texto(v) == t) {
                    m_anterior = v;
                }
            }
            if (m_anterior == 0) {
                if (c.variante.empty()) {
                    c.variantesPorLugar();
                }
                m_anterior = c.textos.acrescentar(t);
                m_daClasse.push_back(m_anterior);
            }
        } else {
            m_anterior = c.textos.acrescentar(t);
            m_daClasse.assign(1, m_anterior);
            c.classe[lugar] = uint32_t(c.exemplo.size());
            c.exemplo.push_back(m_anterior);
        }
        if (!c.variante.empty()) {
            c.variante[lugar] = m_anterior;
        }
    }

    std::vector<Coluna*> m_colunas;
    std::vector<TabelaTextos> m_chaves;
    std::vector<std::vector<uint32_t>> m_classes;  // per column: per variant, its class
    std::string m_chave;
    std::vector<bool> m_variantes;  // per column: a class was seen with two texts
    uint32_t m_anterior = 0;        // the ordered column's previous variant
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

// The smallest whole index (no WHERE) whose first column is `coluna` under the column's own
// collation: read in its order, equal values come together. Empty when there is none.
QByteArray AgrupadorEmbutido::indiceDe(const QString& tabela, const QString& coluna,
                                       const char* colacao) {
    static const char* const kSql =
        "SELECT l.name, x.name, x.coll, (SELECT count(*) FROM pragma_index_info(l.name)) "
        "FROM pragma_index_list(?1) AS l, pragma_index_xinfo(l.name) AS x "
        "WHERE x.seqno = 0 AND NOT l.partial";
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, kSql, -1, &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return QByteArray();  // an older SQLite: the table is read instead
    }
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> dono(stmt, sqlite3_finalize);
    const QByteArray nomeTabela = tabela.toUtf8();
    sqlite3_bind_text(stmt, 1, nomeTabela.constData(), int(nomeTabela.size()), SQLITE_STATIC);
    QByteArray melhor;
    int colunasMelhor = 0;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        const auto texto = [stmt](int i) {
            return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, i)));
        };
        const int colunas = sqlite3_column_int(stmt, 3);
        if (Catalogo::dobrar(texto(1)) == Catalogo::dobrar(coluna) &&
            texto(2).compare(QLatin1String(colacao), Qt::CaseInsensitive) == 0 &&
            (melhor.isEmpty() || colunas < colunasMelhor)) {
            melhor = texto(0).toUtf8();
            colunasMelhor = colunas;
        }
    }
    if (rc != SQLITE_DONE) {
        throw FalhaSqlite{rc};
    }
    return melhor;
}

// The row numbers' range, so that a row's place is its number less the first. The places
// that hold a row are marked by the first read.
AgrupadorEmbutido::Carga AgrupadorEmbutido::lugares(const QString& tabela) {
    const QByteArray sql = "SELECT min(rowid), max(rowid) FROM " + Aspas(tabela);
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
        if (lugar < 0 || lugar >= lugares || (!primeira && !m_existe[size_t(lugar)])) {
            return Carga::Refazer;  // rows came or went since the first read
        }
        m_existe[size_t(lugar)] = 1;
        ++linhas;
        for (size_t i = 0; i < leitura.quantas(); ++i) {
            const int tipo = sqlite3_column_type(stmt, int(i) + 1);
            if (tipo == SQLITE_NULL) {
                continue;
            }
            if (tipo != SQLITE_TEXT) {
                return Carga::Impossivel;  // numbers sort before texts in SQLite: its job
            }
            const char* s = reinterpret_cast<const char*>(sqlite3_column_text(stmt, int(i) + 1));
            leitura.texto(i, size_t(lugar), s, sqlite3_column_bytes(stmt, int(i) + 1));
        }
    }
    if (rc != SQLITE_DONE) {
        throw FalhaSqlite{rc};
    }
    if (!primeira && linhas != m_linhas) {
        return Carga::Refazer;
    }
    m_linhas = linhas;
    leitura.terminar();
    return Carga::Feita;
}

// Reads `colunas`: each one that an index starts with from that index, in its order; the
// others together from the table.
AgrupadorEmbutido::Carga AgrupadorEmbutido::carregar(const QString& tabela,
                                                     const QVector<QString>& colunas,
                                                     const QVector<bool>& datas) {
    const QByteArray nomeTabela = tabela.toUtf8();
    std::vector<std::unique_ptr<Coluna>> novas;
    QVector<QByteArray> indices;
    for (int i = 0; i < colunas.size(); ++i) {
        // Only columns under the dialect's own collations group like SQL Server.
        const char* colacao = nullptr;
        const char* propria = datas[i] ? "TSQLDATE" : "TSQL";
        if (sqlite3_table_column_metadata(m_db, nullptr, nomeTabela.constData(),
                                          colunas[i].toUtf8().constData(), nullptr, &colacao,
                                          nullptr, nullptr, nullptr) != SQLITE_OK ||
            !colacao || qstricmp(colacao, propria) != 0) {
            return Carga::Impossivel;
        }
        indices << indiceDe(tabela, colunas[i], propria);
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
    }
    std::vector<Coluna*> daTabela;
    QByteArray sqlTabela = "SELECT rowid";
    for (int i = 0; i < colunas.size(); ++i) {
        if (indices[i].isEmpty()) {
            daTabela.push_back(novas[size_t(i)].get());
            sqlTabela += ", " + Aspas(colunas[i]);
            continue;
        }
        const QByteArray coluna = Aspas(colunas[i]);
        Leitura leitura({novas[size_t(i)].get()}, true);
        const Carga c =
            ler(leitura, "SELECT rowid, " + coluna + " FROM " + Aspas(tabela) + " INDEXED BY " +
                             Aspas(QString::fromUtf8(indices[i])) + " ORDER BY " + coluna);
        if (c != Carga::Feita) {
            return c;
        }
    }
    if (!daTabela.empty()) {
        Leitura leitura(daTabela, false);
        const Carga c = ler(leitura, sqlTabela + " FROM " + Aspas(tabela));
        if (c != Carga::Feita) {
            return c;
        }
    }
    m_tabela = tabela;
    for (auto& c : novas) {
        m_colunas.push_back(std::move(c));
    }
    return Carga::Feita;
}

bool AgrupadorEmbutido::Agrupar(const Pedido& pedido, std::vector<Valor>& saida) {
    saida.clear();
    if (pedido.colunas.isEmpty()) {
        return false;
    }
    if (pedido.tabela != m_tabela) {
        Esquecer();
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

    // Rows into groups by the classes of their values (open addressing over the tuples).
    const size_t k = colunas.size();
    const size_t lugares = m_existe.size();
    std::vector<uint32_t> tuplas;  // k classes per group
    std::vector<uint32_t> contagem;
    std::vector<uint32_t> primeira;  // first row of each group
    size_t capacidade = 1024;
    while (capacidade < size_t(m_linhas) * 2) {
        capacidade *= 2;
    }
    std::vector<uint32_t> celulas(capacidade, 0);
    const size_t mascara = capacidade - 1;
    std::vector<uint32_t> tupla(k);
    for (size_t r = 0; r < lugares; ++r) {
        if (!m_existe[r]) {
            continue;
        }
        uint64_t h = 0x9E3779B97F4A7C15ull;
        for (size_t j = 0; j < k; ++j) {
            tupla[j] = colunas[j]->classe[r];
            h = (h ^ tupla[j]) * 0xFF51AFD7ED558CCDull;
            h ^= h >> 29;
        }
        for (size_t i = h & mascara;; i = (i + 1) & mascara) {
            const uint32_t g = celulas[i];
            if (g == 0) {
                tuplas.insert(tuplas.end(), tupla.begin(), tupla.end());
                contagem.push_back(1);
                primeira.push_back(uint32_t(r));
                celulas[i] = uint32_t(contagem.size());
                break;
            }
            if (std::equal(tupla.begin(), tupla.end(), tuplas.begin() + (g - 1) * k)) {
                ++contagem[g - 1];
                break;
            }
        }
    }
    std::vector<uint32_t>().swap(celulas);

    std::vector<uint32_t> grupos;
    for (uint32_t g = 0; g < contagem.size(); ++g) {
        if (!pedido.maisDeUm || contagem[g] > 1) {
            grupos.push_back(g);
        }
    }
    // ORDER BY: NULL first, then the collation of each column. A column read from the table
    // with few values for the groups to sort gets its values put in order once (kept).
    for (Coluna* c : colunas) {
        if (!c->ordenada() && c->exemplo.size() <= 4 * grupos.size() + 1024) {
            c->ordenar();
        }
    }
    const auto comparar = [&](uint32_t a, uint32_t b) {
        for (size_t j = 0; j < k; ++j) {
            const uint32_t ca = tuplas[a * k + j], cb = tuplas[b * k + j];
            if (ca == cb) {
                continue;
            }
            if (ca == 0 || cb == 0) {
                return ca == 0;
            }
            const Coluna& c = *colunas[j];
            if (c.ordenada()) {
                return c.ordem(ca) < c.ordem(cb);
            }
            return c.comparar(ca, cb) < 0;
        }
        return false;
    };
    std::sort(grupos.begin(), grupos.end(), comparar);

    // Each group shows the texts of its first row, as they are written there.
    saida.reserve(grupos.size() * k);
    for (const uint32_t g : grupos) {
        for (size_t j = 0; j < k; ++j) {
            const Coluna& c = *colunas[j];
            const uint32_t v = c.varianteEm(primeira[g]);
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
