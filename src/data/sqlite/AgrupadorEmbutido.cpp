#include "data/sqlite/AgrupadorEmbutido.h"

#include <sqlite3.h>

#include <QRegularExpression>
#include <algorithm>
#include <cstdint>
#include <functional>
#include <string_view>

#include "data/sqlite/FuncoesTSql.h"
#include "data/tsql/TSqlCatalogo.h"

namespace dados {

namespace {

// Distinct byte strings, numbered from 1 in order of arrival (open addressing over one buffer).
class TabelaTextos {
  public:
    uint32_t numero(std::string_view s) {
        if ((m_inicio.size() + 1) * 2 > m_celulas.size()) {
            crescer();
        }
        const size_t mascara = m_celulas.size() - 1;
        for (size_t i = std::hash<std::string_view>{}(s)&mascara;; i = (i + 1) & mascara) {
            const uint32_t n = m_celulas[i];
            if (n == 0) {
                m_bytes.append(s);
                m_inicio.push_back(m_bytes.size());
                m_celulas[i] = static_cast<uint32_t>(m_inicio.size() - 1);
                return m_celulas[i];
            }
            if (texto(n) == s) {
                return n;
            }
        }
    }
    std::string_view texto(uint32_t n) const {
        return std::string_view(m_bytes).substr(m_inicio[n - 1], m_inicio[n] - m_inicio[n - 1]);
    }
    size_t tamanho() const { return m_inicio.size() - 1; }
    // Once every text is in, only texto() is needed: the look-up table goes.
    void fechar() { std::vector<uint32_t>().swap(m_celulas); }

  private:
    void crescer() {
        std::vector<uint32_t> celulas(std::max<size_t>(1024, m_celulas.size() * 2), 0);
        const size_t mascara = celulas.size() - 1;
        for (uint32_t n = 1; n <= tamanho(); ++n) {
            size_t i = std::hash<std::string_view>{}(texto(n)) & mascara;
            while (celulas[i] != 0) {
                i = (i + 1) & mascara;
            }
            celulas[i] = n;
        }
        m_celulas.swap(celulas);
    }

    std::string m_bytes;
    std::vector<size_t> m_inicio{0};
    std::vector<uint32_t> m_celulas;
};

QString SemColchetes(QString nome) {
    nome = nome.trimmed();
    if (nome.startsWith(QLatin1Char('[')) && nome.endsWith(QLatin1Char(']'))) {
        nome = nome.mid(1, nome.size() - 2);
    }
    return nome;
}

QStringList Lista(const QString& texto) {
    QStringList nomes;
    for (const QString& n : texto.split(QLatin1Char(','))) {
        nomes << Catalogo::dobrar(SemColchetes(n));
    }
    return nomes;
}

QByteArray Aspas(const QString& nome) {
    QString n = nome;
    n.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return ('"' + n + '"').toUtf8();
}

}  // namespace

// One column of the table, row by row: each row's exact text (a variant) and the class of
// texts the collation calls equal to it. Number 0 is NULL in both.
struct AgrupadorEmbutido::Coluna {
    QString nome;
    bool data = false;
    std::vector<uint32_t> variante;  // per row number (less the first)
    TabelaTextos variantes;
    std::vector<uint32_t> classe;   // per variant, index 0 for NULL
    std::vector<uint32_t> exemplo;  // per class: one of its variants
    std::vector<uint32_t> posto;    // per class: its place in the collation's order, once known

    int comparar(uint32_t a, uint32_t b) const {
        const std::string_view ta = variantes.texto(exemplo[a]);
        const std::string_view tb = variantes.texto(exemplo[b]);
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
};

std::optional<AgrupadorEmbutido::Pedido> AgrupadorEmbutido::Reconhecer(const QString& sql,
                                                                       const Catalogo& catalogo) {
    static const QString nome = QStringLiteral(R"((?:\[[^\]]+\]|[\p{L}_][\p{L}\p{N}_@#$]*))");
    static const QString lista = nome + QStringLiteral(R"((?:\s*,\s*)") + nome + ")*";
    static const QRegularExpression forma(
        QStringLiteral(R"(^\s*SELECT\s+()") + lista + QStringLiteral(R"()\s+FROM\s+()") + nome +
            QStringLiteral(R"()\s+GROUP\s+BY\s+()") + lista +
            QStringLiteral(R"()\s*(?:HAVING\s+MAX\s*\(\s*()") + nome +
            QStringLiteral(R"()\s*\)\s*<>\s*MIN\s*\(\s*()") + nome +
            QStringLiteral(R"()\s*\)\s*)?(?:ORDER\s+BY\s+()") + lista +
            QStringLiteral(R"()\s*)?;?\s*$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    const auto m = forma.match(sql);
    if (!m.hasMatch()) {
        return std::nullopt;
    }
    const TabelaCatalogo* t = catalogo.tabela(SemColchetes(m.captured(2)));
    if (!t || t->visao) {
        return std::nullopt;
    }
    const QStringList selecao = Lista(m.captured(1));
    if (Lista(m.captured(3)) != selecao ||
        (m.capturedLength(6) > 0 && Lista(m.captured(6)) != selecao)) {
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
    if (m.capturedLength(4) > 0) {
        const int id = t->identidade();
        const QString a = Catalogo::dobrar(SemColchetes(m.captured(4)));
        const QString b = Catalogo::dobrar(SemColchetes(m.captured(5)));
        // The identity is the row number: unique, so "two IDs" is "two rows".
        if (id < 0 || a != b || a != Catalogo::dobrar(t->colunas[id].nome)) {
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

// Reads `colunas` for every row in one pass. Rows are placed by row number, so that SQLite may
// read them from the smallest index that holds them (in that index's order) instead of
// walking the whole table; a pass after the first must find the same row numbers.
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
        c->classe.push_back(0);
        c->exemplo.push_back(0);
        novas.push_back(std::move(c));
    }
    const bool primeira = m_colunas.empty();
    if (primeira) {
        const QByteArray sql = "SELECT min(rowid), max(rowid) FROM " + Aspas(tabela);
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.constData(), int(sql.size()), &stmt, nullptr) !=
            SQLITE_OK) {
            sqlite3_finalize(stmt);
            return Carga::Impossivel;  // no row numbers: SQLite does the grouping
        }
        const int rc = sqlite3_step(stmt);
        m_base = rc == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : 0;
        const long long ultimo = rc == SQLITE_ROW ? sqlite3_column_int64(stmt, 1) : -1;
        sqlite3_finalize(stmt);
        if (rc != SQLITE_ROW) {
            throw FalhaSqlite{rc};
        }
        if (ultimo - m_base >= (1LL << 26)) {
            return Carga::Impossivel;  // row numbers too far apart to place rows by them
        }
        m_existe.assign(size_t(ultimo - m_base + 1), 0);
        m_linhas = 0;
    }
    for (auto& c : novas) {
        c->variante.assign(m_existe.size(), 0);
    }
    QByteArray sql = "SELECT rowid";
    for (const QString& c : colunas) {
        sql += ", " + Aspas(c);
    }
    sql += " FROM " + Aspas(tabela);
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.constData(), int(sql.size()), &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return Carga::Impossivel;
    }
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> dono(stmt, sqlite3_finalize);
    std::vector<TabelaTextos> chaves(size_t(colunas.size()));
    std::string chave;
    long long linhas = 0;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        const long long lugar = sqlite3_column_int64(stmt, 0) - m_base;
        if (lugar < 0 || lugar >= (long long)m_existe.size() ||
            (!primeira && !m_existe[size_t(lugar)])) {
            return Carga::Refazer;  // rows came or went since the first pass
        }
        if (primeira) {
            m_existe[size_t(lugar)] = 1;
        }
        ++linhas;
        for (int i = 0; i < colunas.size(); ++i) {
            Coluna& c = *novas[size_t(i)];
            const int tipo = sqlite3_column_type(stmt, i + 1);
            if (tipo == SQLITE_NULL) {
                continue;
            }
            if (tipo != SQLITE_TEXT) {
                return Carga::Impossivel;  // numbers sort before texts in SQLite: its job
            }
            const char* s = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i + 1));
            const int n = sqlite3_column_bytes(stmt, i + 1);
            const uint32_t v = c.variantes.numero(std::string_view(s, size_t(n)));
            if (v == c.classe.size()) {
                // A text not seen before: its class by the collation's key.
                c.data ? ChaveDataTSql(s, n, chave) : ChaveTextoTSql(s, n, chave);
                const uint32_t k = chaves[size_t(i)].numero(chave);
                c.classe.push_back(k);
                if (k == c.exemplo.size()) {
                    c.exemplo.push_back(v);
                }
            }
            c.variante[size_t(lugar)] = v;
        }
    }
    if (rc != SQLITE_DONE) {
        throw FalhaSqlite{rc};
    }
    if (!primeira && linhas != m_linhas) {
        return Carga::Refazer;
    }
    m_linhas = linhas;
    m_tabela = tabela;
    for (auto& c : novas) {
        c->variantes.fechar();
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
    // was committed meanwhile, everything is read again in one pass.
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
            const Coluna& c = *colunas[j];
            tupla[j] = c.classe[c.variante[r]];
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
    // ORDER BY: NULL first, then the collation of each column. A column with few values
    // for the groups to sort gets its values put in order once (kept with the column).
    for (Coluna* c : colunas) {
        if (c->posto.empty() && c->exemplo.size() <= 4 * grupos.size() + 1024) {
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
            if (!c.posto.empty()) {
                return c.posto[ca] < c.posto[cb];
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
            const uint32_t v = c.variante[primeira[g]];
            Valor valor;
            if (v != 0) {
                const std::string_view t = c.variantes.texto(v);
                valor.texto = t.data();
                valor.tamanho = int(t.size());
            }
            saida.push_back(valor);
        }
    }
    return true;
}

}  // namespace dados
