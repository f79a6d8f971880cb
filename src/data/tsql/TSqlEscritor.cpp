#include "data/tsql/TSqlEscritor.h"

#include <QHash>
#include <QStringList>
#include <algorithm>
#include <climits>
#include <memory>

#include "data/base/TabelaErros.h"
#include "data/tsql/TSqlAnalisador.h"

namespace dados {

namespace {

QString Aspas(const QString& nome) {
    QString n = nome;
    n.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + n + QLatin1Char('"');
}

QString Literal(const QString& texto) {
    QString t = texto;
    t.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + t + QLatin1Char('\'');
}

// Numbered parameters become plain `?` when each occurs once and in order (?1 first, then ?2,
// ...): they bind the same, and SQLite's parser looks every numbered one up in a list of those
// before it, which makes a statement of thousands of them quadratic to prepare. Quotes are
// skipped: a literal written into the text may hold "?1".
bool ParametrosSimples(QString& sql, int quantos) {
    QVector<qsizetype> lugares;
    for (qsizetype i = 0; i < sql.size();) {
        const QChar c = sql[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const qsizetype fim = sql.indexOf(c, i + 1);
            // A doubled quote inside is an escape: the scan simply restarts after it.
            i = fim < 0 ? sql.size() : fim + 1;
        } else if (c == QLatin1Char('?')) {
            qsizetype j = i + 1;
            int numero = 0;
            while (j < sql.size() && sql[j].isDigit()) {
                numero = numero * 10 + sql[j].digitValue();
                ++j;
            }
            if (numero != lugares.size() + 1) {
                return false;
            }
            lugares.push_back(i);
            i = j;
        } else {
            ++i;
        }
    }
    if (lugares.size() != quantos) {
        return false;
    }
    QString simples;
    simples.reserve(sql.size());
    qsizetype de = 0;
    for (const qsizetype i : lugares) {
        simples += QStringView(sql).mid(de, i + 1 - de);
        de = i + 1;
        while (de < sql.size() && sql[de].isDigit()) {
            ++de;
        }
    }
    simples += QStringView(sql).mid(de);
    sql = std::move(simples);
    return true;
}

// Tokens a statement's shape abstracts from: texts, numbers and NULL.
bool EhLiteral(const Token& t) {
    return t.tipo == Token::Texto || t.tipo == Token::Numero || t.ehPalavra("NULL");
}

// SQL Server's numeric types, as far as the translation knows them: int arithmetic must
// fail on overflow, integer division truncates, decimals keep their fraction.
enum class Num { Nenhum, Int, Grande, Exato, Real };

Num NumDeclarado(const QString& tipoDeclarado) {
    const QString base = tipoDeclarado.section(QLatin1Char('('), 0, 0).trimmed();
    if (base == QLatin1String("INT") || base == QLatin1String("INTEGER") ||
        base == QLatin1String("SMALLINT") || base == QLatin1String("TINYINT") ||
        base == QLatin1String("BIT")) {
        return Num::Int;
    }
    if (base == QLatin1String("BIGINT")) {
        return Num::Grande;
    }
    if (base == QLatin1String("DECIMAL") || base == QLatin1String("NUMERIC") ||
        base == QLatin1String("MONEY")) {
        return Num::Exato;
    }
    if (base == QLatin1String("FLOAT") || base == QLatin1String("REAL")) {
        return Num::Real;
    }
    return Num::Nenhum;
}

// An integer literal that fits int is int; a larger one or one with a point is numeric.
Num NumDoLiteral(const QString& t) {
    if (t.contains(QLatin1Char('e')) || t.contains(QLatin1Char('E'))) {
        return Num::Real;
    }
    if (t.contains(QLatin1Char('.'))) {
        return Num::Exato;
    }
    bool ok = false;
    const qlonglong v = t.toLongLong(&ok);
    return ok && v <= INT32_MAX ? Num::Int : Num::Exato;
}

// A written expression: its text and what SQL Server would know of its type.
struct Expr {
    QString sql;
    TipoSql tipo = TipoSql::Desconhecido;
    bool coluna = false;
    Num num = Num::Nenhum;
    int tamanho = 0;       // a text column's declared length (0: unknown or unlimited)
    bool varchar = false;  // a text literal without N: SQL Server's messages call it varchar
};

// What a scope knows of a column: its type, its numeric kind and its text length.
struct TipoColuna {
    TipoSql tipo = TipoSql::Desconhecido;
    Num num = Num::Nenhum;
    int tamanho = 0;
};

TipoColuna TipoDe(const Expr& x) {
    return {x.tipo, x.num, x.tamanho};
}

// The numeric kind of two values that meet in one column (UNION, CASE): the wider one, as SQL
// Server's type precedence decides; unknown when either is.
Num NumComum(Num a, Num b) {
    return (a == Num::Nenhum || b == Num::Nenhum) ? Num::Nenhum : std::max(a, b);
}

// A text literal meeting a date is read as a date, as SQL Server converts it ('19700621').
QString ComoData(const Expr& x, const Expr& outro) {
    if (outro.tipo == TipoSql::Data && x.tipo == TipoSql::Texto && !x.coluna) {
        return QStringLiteral("tsql_data(") + x.sql + QLatin1Char(')');
    }
    return x.sql;
}

// `x` converted as SQL Server converts it where it meets `outro`: a text meeting a number
// becomes that number or fails as there (Msg 245, 8114); a text literal meeting a date is a
// date. Anything else is as it is.
QString Convertido(const Expr& x, const Expr& outro) {
    if (x.tipo == TipoSql::Texto && outro.tipo == TipoSql::Numero && outro.num != Num::Nenhum) {
        const char* funcao = outro.num == Num::Int      ? "tsql_para_int("
                             : outro.num == Num::Grande ? "tsql_para_bigint("
                                                        : "tsql_para_numerico(";
        return QLatin1String(funcao) + x.sql +
               (x.varchar ? QStringLiteral(", 'varchar')") : QStringLiteral(")"));
    }
    return ComoData(x, outro);
}

// An expression's text compares, groups and sorts as the register's texts do; a column
// brings its own collation.
QString ComColacao(const Expr& x) {
    if (!x.coluna && x.tipo == TipoSql::Texto) {
        return x.sql + QStringLiteral(" COLLATE TSQL");
    }
    if (!x.coluna && x.tipo == TipoSql::Data) {
        return x.sql + QStringLiteral(" COLLATE TSQLDATE");
    }
    return x.sql;
}

// Operands of an AND or OR chain written as a balanced tree: SQLite limits the depth of an
// expression tree, and the chain is associative.
void EscreverEquilibrado(QString& saida, const QVector<QString>& partes, int de, int ate,
                         QLatin1String operador) {
    if (ate - de == 1) {
        saida += partes[de];
        return;
    }
    const int meio = de + (ate - de) / 2;
    saida += QLatin1Char('(');
    EscreverEquilibrado(saida, partes, de, meio, operador);
    saida += operador;
    EscreverEquilibrado(saida, partes, meio, ate, operador);
    saida += QLatin1Char(')');
}

struct Escopo {
    struct Entrada {
        QString apelido;  // as written in the query (or the table's own name)
        const TabelaCatalogo* tabela = nullptr;
        QHash<QString, TipoColuna> colunasDerivadas;  // a subquery's result columns
    };
    QVector<Entrada> entradas;
    QHash<QString, TipoSql> apelidosSelecao;  // folded alias -> type, for ORDER BY
    const Escopo* pai = nullptr;
    int nivel = 0;  // how many queries enclose this one
};

// SQLite's limits that SQL Server's exceed: result columns (SQLITE_MAX_COLUMN), and the
// arguments of a function, which packs the columns beyond them (SQLITE_MAX_FUNCTION_ARG).
constexpr int kColunasSqlite = 2000;
constexpr int kColunasSqlServer = 4096;
constexpr int kValoresPorPacote = 100;
// SQLite's parser stack holds about ten subqueries nested in one another; a statement with more
// than this many has its self-contained ones written as common tables, side by side.
constexpr int kSubconsultasEmLinha = 4;

// DDL as it is written: expressions already in SQLite text.
struct ColunaEscrita {
    QString nome;
    QString tipoDeclarado;
    TipoSql tipo = TipoSql::Desconhecido;
    int tamanho = 0;
    bool identidade = false;
    qint64 semente = 1;
    bool notNull = false;
    QString padrao;
    QString nomePadrao;
    QStringList extras;  // inline UNIQUE / REFERENCES / CHECK
};

struct RestricaoEscrita {
    RestricaoDef::Tipo tipo = RestricaoDef::Chave;
    QString nome;
    QStringList colunas;
    QString corpo;  // SQLite text after the constraint name
};

struct TabelaEscrita {
    QString nome;
    QVector<ColunaEscrita> colunas;
    QVector<RestricaoEscrita> restricoes;
};

class Escritor {
  public:
    Escritor(const QString& sql, const Arvore& arvore, const Catalogo& catalogo, bool parametrizar)
        : m_sql(sql), m_a(arvore), m_cat(catalogo), m_parametrizar(parametrizar) {
        m_ordinal.resize(m_a.tokens.size());
        int n = 0;
        for (int i = 0; i < m_a.tokens.size(); ++i) {
            m_ordinal[i] = EhLiteral(m_a.tokens[i]) ? n++ : -1;
        }
        m_uso.fill(UsoNoTexto, n);
    }

    Traducao escrever();

  private:
    [[noreturn]] void erro(int token, const QString& motivo) const {
        FalharSintaxe(m_sql, m_a.tokens, token, motivo);
    }
    // Literals written while it lives stay in the text (DDL, ORDER BY positions).
    struct SemParametros {
        explicit SemParametros(Escritor& e) : m_escritor(e) { ++e.m_semParametros; }
        ~SemParametros() { --m_escritor.m_semParametros; }
        SemParametros(const SemParametros&) = delete;
        SemParametros& operator=(const SemParametros&) = delete;
        Escritor& m_escritor;
    };
    QString canonico(const QString& n) const { return Aspas(m_cat.canonico(n)); }
    // SQL Server's message `numero` (level 16, state 1) about the statement being written.
    MensagemServidor mensagem(qint32 numero, const QString& texto) const {
        return {numero, 16, 1, LinhaDaPosicao(m_sql, m_a.tokens[m_tokenComando].posicao), texto};
    }

    // ---- statements ----
    void comando(const NoComando& c);
    void comandoInsert(const NoComando& c);
    void comandoUpdate(const NoComando& c);
    void comandoSet(const NoComando& c);
    void comandoCreate(const NoComando& c);
    void comandoAlter(const NoComando& c);
    void emitir(ComandoTraduzido::Tipo tipo, const QString& sql);
    void adicionar(ComandoTraduzido c);

    struct Selecao {
        QString sql;
        bool estrela = false;
        QVector<QString> nomes;
        QVector<TipoColuna> colunas;
        QStringList itens;               // the select list, item by item
        QStringList expressoes;          // the same without their aliases
        QVector<QString> nomesEscritos;  // names as written, where `nomes` leaves SQLite's
        QVector<int> pacotes;            // see ComandoTraduzido::pacotes
    };
    // `resultado`: the statement's own result, which may hold more columns than SQLite's.
    Selecao select(IdSelect id, const Escopo* pai, bool resultado = false);
    Selecao subconsulta(IdSelect id, const Escopo& e, bool* comoTabela);
    QString listaFrom(IdFrom id, Escopo& escopo);
    QString referenciaTabela(const Fonte& f, Escopo& escopo);
    void itemSelecao(const ItemSelecao& item, Escopo& escopo, Selecao& s);
    void expandirEstrela(const ItemSelecao& item, const Escopo& escopo, Selecao& s);
    void empacotar(const NoSelect& n, Selecao& s);
    // `s`: the select whose ORDER BY it is (a packed one names its items, not its columns).
    QString ordenacao(const QVector<ItemOrdem>& itens, const Escopo& e, const Selecao* s = nullptr);

    // ---- expressions ----
    Expr expr(IdExpr id, const Escopo& e);
    Expr literal(const NoExpr& n);
    QString valorSimples(IdExpr id, TipoSql destino);
    Expr cadeiaLogica(const NoExpr& n, const Escopo& e);
    Expr cadeiaAritmetica(const NoExpr& n, const Escopo& e);
    Expr negativo(const NoExpr& n, const Escopo& e);
    Expr predicado(const NoExpr& n, const Escopo& e);
    Expr caso(const NoExpr& n, const Escopo& e);
    Expr funcao(const NoExpr& n, const Escopo& e);
    static Expr isnull(const Expr& a, const Expr& b);
    static Expr coalesce(const QVector<Expr>& a);
    Expr referenciaColuna(const NoExpr& n, const Escopo& e);
    QString comparacao(const Expr& a, const QString& op, const Expr& b) const;
    TipoColuna tipoDaColuna(const Escopo& e, const QString& qualificador, const QString& coluna,
                            QString* apelidoEscrito) const;
    struct Passo {
        QString prefixo, meio, sufixo;
        TipoSql tipo;
        Num num;
    };
    static Passo passoAritmetico(QChar op, TipoSql ta, Num na, const Expr& b);

    // ---- DDL ----
    ColunaEscrita coluna(const ColunaDef& c);
    void elemento(TabelaEscrita& t, const ElementoTabela& e);
    RestricaoEscrita restricao(const TabelaEscrita& t, const RestricaoDef& r);
    QString escreverTabela(const TabelaEscrita& t) const;
    TabelaEscrita* pendente(const QString& nome);

    const QString& m_sql;
    const Arvore& m_a;
    const Catalogo& m_cat;
    Traducao m_r;
    // Literals become bound parameters (?1, ?2... per command), so that statements that differ
    // only in their literals share one translation; m_ordinal numbers the literal tokens.
    bool m_parametrizar = false;
    int m_semParametros = 0;
    QVector<int> m_ordinal;
    enum Uso : char { UsoNoTexto, UsoComTipo, UsoQualquer };
    QVector<Uso> m_uso;
    QVector<int> m_parametros;
    int m_termos = 0;        // operands of AND/OR chains, IN lists and CASE in this command
    int m_tokenComando = 0;  // the first token of the statement being written
    // The least nesting level of the scopes a column reference resolved to while a subquery was
    // written (-1: a name no scope knows), to tell whether the subquery refers outside itself.
    mutable int m_nivelReferido = INT_MAX;
    // Subqueries written as common tables (subconsulta), and whether this statement does so.
    bool m_emTabelasComuns = false;
    QStringList m_tabelasComuns;
    // CREATE TABLEs of this batch are written at its end, so that the ALTER TABLE ... ADD
    // CONSTRAINT statements that follow them in the batch become part of their definition.
    std::vector<std::unique_ptr<TabelaEscrita>> m_pendentes;
    QVector<int> m_posicaoPendente;  // command index -> pending table (or -1)
};

Traducao Escritor::escrever() {
    for (const NoComando& c : m_a.comandos) {
        comando(c);
    }
    m_r.literais = m_uso.size();
    for (int i = 0; i < m_uso.size(); ++i) {
        if (m_uso[i] == UsoNoTexto) {
            m_r.literaisNoTexto.push_back(i);
        } else if (m_uso[i] == UsoComTipo) {
            m_r.literaisComTipo.push_back(i);
        }
    }
    for (int i = 0; i < m_r.comandos.size(); ++i) {
        if (m_posicaoPendente.value(i, -1) >= 0) {
            const TabelaEscrita& t = *m_pendentes[m_posicaoPendente[i]];
            m_r.comandos[i].sql = escreverTabela(t);
            for (const auto& c : t.colunas) {
                if (c.identidade && c.semente != 1) {
                    ComandoTraduzido semente;
                    semente.tipo = ComandoTraduzido::Definicao;
                    semente.tokenInicio = m_r.comandos[i].tokenInicio;
                    semente.sql =
                        QStringLiteral("INSERT INTO sqlite_sequence(name, seq) VALUES (%1, %2)")
                            .arg(Literal(t.nome))
                            .arg(c.semente - 1);
                    m_r.comandos.insert(i + 1, semente);
                    m_posicaoPendente.insert(i + 1, -1);
                }
            }
        }
    }
    return m_r;
}

void Escritor::emitir(ComandoTraduzido::Tipo tipo, const QString& sql) {
    ComandoTraduzido c;
    c.tipo = tipo;
    c.sql = sql;
    if (tipo == ComandoTraduzido::Definicao) {
        m_r.alteraEsquema = true;
    }
    adicionar(std::move(c));
}

void Escritor::adicionar(ComandoTraduzido c) {
    c.tokenInicio = m_tokenComando;
    if (!m_tabelasComuns.isEmpty()) {
        c.sql = QStringLiteral("WITH ") + m_tabelasComuns.join(QStringLiteral(", ")) +
                QLatin1Char(' ') + c.sql;
        m_tabelasComuns.clear();
    }
    c.parametros = m_parametros;
    m_parametros.clear();
    c.parametrosSimples = !c.parametros.isEmpty() && ParametrosSimples(c.sql, c.parametros.size());
    // Thousands of terms make SQLite's search for constants to compute once quadratic.
    c.muitosTermos = m_termos > 1000;
    m_termos = 0;
    m_r.comandos.push_back(std::move(c));
    m_posicaoPendente.push_back(-1);
}

void Escritor::comando(const NoComando& c) {
    m_tokenComando = c.tokenInicio;
    m_emTabelasComuns = c.subconsultas > kSubconsultasEmLinha &&
                        (c.tipo == NoComando::Select || c.tipo == NoComando::Insert ||
                         c.tipo == NoComando::Update || c.tipo == NoComando::Delete);
    switch (c.tipo) {
        case NoComando::Select: {
            const Selecao s = select(c.select, nullptr, true);
            ComandoTraduzido t;
            t.tipo = ComandoTraduzido::Consulta;
            t.sql = s.sql;
            t.pacotes = s.pacotes;
            t.temNomes = !s.estrela;
            t.nomes = s.nomes;
            for (const TipoColuna& c : s.colunas) {
                t.tipos.push_back(c.tipo);
            }
            adicionar(std::move(t));
            return;
        }
        case NoComando::Insert:
            comandoInsert(c);
            return;
        case NoComando::Update:
            comandoUpdate(c);
            return;
        case NoComando::Delete: {
            Escopo escopo;
            Escopo::Entrada entrada;
            entrada.tabela = m_cat.tabela(c.tabela);
            entrada.apelido = entrada.tabela ? entrada.tabela->nome : c.tabela;
            escopo.entradas.push_back(entrada);
            QString sql = QStringLiteral("DELETE FROM ") + canonico(c.tabela);
            if (c.onde >= 0) {
                sql += QStringLiteral(" WHERE ") + expr(c.onde, escopo).sql;
            }
            emitir(ComandoTraduzido::Alteracao, sql);
            return;
        }
        case NoComando::Truncate:
            emitir(ComandoTraduzido::Alteracao,
                   QStringLiteral("DELETE FROM ") + canonico(c.tabela));
            return;
        case NoComando::SetIdentidade:
            comandoSet(c);
            return;
        case NoComando::Transacao: {
            // The engine counts the levels (@@TRANCOUNT).
            ComandoTraduzido t;
            t.tipo = ComandoTraduzido::Sessao;
            t.acao = c.acao;
            t.nomeTransacao = c.nomeTransacao;
            adicionar(std::move(t));
            return;
        }
        case NoComando::CriarTabela:
        case NoComando::CriarVisao:
        case NoComando::CriarIndice:
            comandoCreate(c);
            return;
        case NoComando::AlterarTabela:
            comandoAlter(c);
            return;
        case NoComando::ExcluirIndice:
            emitir(ComandoTraduzido::Definicao, QStringLiteral("DROP INDEX ") + canonico(c.indice));
            return;
        case NoComando::ExcluirTabela:
        case NoComando::ExcluirVisao:
            emitir(ComandoTraduzido::Definicao,
                   (c.tipo == NoComando::ExcluirTabela ? QStringLiteral("DROP TABLE ")
                                                       : QStringLiteral("DROP VIEW ")) +
                       canonico(c.tabela));
            return;
    }
}

// ---------------------------------------------------------------- SELECT

Escritor::Selecao Escritor::select(IdSelect id, const Escopo* pai, bool resultado) {
    const NoSelect& n = m_a.sel(id);
    Selecao s;
    QString sql = n.distinto ? QStringLiteral("SELECT DISTINCT ") : QStringLiteral("SELECT ");
    // The select list may name columns of tables listed after it: FROM comes first.
    Escopo escopo;
    escopo.pai = pai;
    escopo.nivel = pai ? pai->nivel + 1 : 0;
    QString from;
    if (n.from >= 0) {
        from = listaFrom(n.from, escopo);
    }
    for (const ItemSelecao& item : n.itens) {
        itemSelecao(item, escopo, s);
    }
    if (resultado && !s.estrela && s.itens.size() > kColunasSqlite) {
        empacotar(n, s);
    }
    sql += s.itens.join(QStringLiteral(", "));
    if (!from.isEmpty()) {
        sql += QStringLiteral(" FROM ") + from;
    }
    if (n.onde >= 0) {
        sql += QStringLiteral(" WHERE ") + expr(n.onde, escopo).sql;
    }
    if (!n.grupo.isEmpty()) {
        sql += QStringLiteral(" GROUP BY ") + ordenacao(n.grupo, escopo);
    }
    if (n.tendo >= 0) {
        sql += QStringLiteral(" HAVING ") + expr(n.tendo, escopo).sql;
    }
    for (const auto& m : n.unioes) {
        sql += m.todos ? QStringLiteral(" UNION ALL ") : QStringLiteral(" UNION ");
        const Selecao membro = select(m.select, pai);
        sql += membro.sql;
        // A column of the union holds every member's values.
        for (int i = 0; i < s.colunas.size() && i < membro.colunas.size(); ++i) {
            TipoColuna& c = s.colunas[i];
            const TipoColuna& d = membro.colunas[i];
            c.num = NumComum(c.num, d.num);
            c.tamanho = (c.tamanho > 0 && d.tamanho > 0) ? std::max(c.tamanho, d.tamanho) : 0;
            if (c.tipo == TipoSql::Nulo) {
                c.tipo = d.tipo;
            } else if (d.tipo != TipoSql::Nulo && d.tipo != c.tipo) {
                c.tipo = TipoSql::Desconhecido;
            }
        }
    }
    if (!n.ordem.isEmpty()) {
        sql += QStringLiteral(" ORDER BY ") + ordenacao(n.ordem, escopo, &s);
    }
    if (n.tokenTop >= 0) {
        sql += QStringLiteral(" LIMIT ") + m_a.tokens[n.tokenTop].texto;
    }
    s.sql = sql;
    return s;
}

// A result wider than SQLite's: its columns travel packed, a hundred to a SQLite column, and
// the engine unpacks them (tsql_pacote). Only SQL Server's own limit is refused.
void Escritor::empacotar(const NoSelect& n, Selecao& s) {
    if (s.itens.size() > kColunasSqlServer) {
        FalharServidor(QStringLiteral("TSql"),
                       {1056, 15, 1, mensagem(0, QString()).linha,
                        QStringLiteral("The number of elements in the select list exceeds the "
                                       "maximum allowed number of %1 elements.")
                            .arg(kColunasSqlServer)});
    }
    if (n.distinto || !n.unioes.isEmpty()) {
        // Packed values would be told apart byte by byte, not by the register's collation.
        Falhar(ErroComando, QStringLiteral("TSql"),
               QStringLiteral("DISTINCT ou UNION de mais de %1 colunas não é aceito no cadastro "
                              "embutido")
                   .arg(kColunasSqlite));
    }
    QStringList pacotes;
    for (int i = 0; i < s.expressoes.size(); i += kValoresPorPacote) {
        const QStringList parte = s.expressoes.mid(i, kValoresPorPacote);
        pacotes << QStringLiteral("tsql_pacote(") + parte.join(QStringLiteral(", ")) +
                       QLatin1Char(')');
        s.pacotes << parte.size();
    }
    for (int i = 0; i < s.nomes.size(); ++i) {
        if (s.nomes[i].isNull()) {
            s.nomes[i] = s.nomesEscritos[i];
        }
    }
    s.itens = pacotes;
}

// A subquery of an expression. In a statement nested deeper than SQLite's parser follows, one
// that refers to nothing outside itself becomes a common table of the statement (`comoTabela`:
// its text is then the table's name), so that the nesting is written flat.
Escritor::Selecao Escritor::subconsulta(IdSelect id, const Escopo& e, bool* comoTabela) {
    const int antes = m_nivelReferido;
    m_nivelReferido = INT_MAX;
    Selecao s = select(id, &e);
    const bool correlata = m_nivelReferido <= e.nivel;
    m_nivelReferido = std::min(antes, m_nivelReferido);
    *comoTabela = m_emTabelasComuns && !correlata;
    if (*comoTabela) {
        const QString nome = Aspas(QStringLiteral("cadunir_sub%1").arg(m_tabelasComuns.size() + 1));
        m_tabelasComuns << nome + QStringLiteral(" AS (") + s.sql + QLatin1Char(')');
        s.sql = nome;
    }
    return s;
}

// `*` or `t.*` written out as the columns of the tables in scope, so that every result
// column has its known name and type; a subquery in scope keeps the star.
void Escritor::expandirEstrela(const ItemSelecao& item, const Escopo& escopo, Selecao& s) {
    const QString& qualificador = item.qualificador;
    QStringList colunas;
    QVector<QString> nomes;
    QVector<TipoColuna> tipos;
    bool achou = false;
    for (const auto& entrada : escopo.entradas) {
        if (!qualificador.isEmpty() &&
            Catalogo::dobrar(entrada.apelido) != Catalogo::dobrar(qualificador)) {
            continue;
        }
        achou = true;
        if (!entrada.tabela) {
            s.estrela = true;
            QString escrito;
            tipoDaColuna(escopo, qualificador, QString(), &escrito);
            s.itens << (qualificador.isEmpty() ? QStringLiteral("*")
                                               : escrito + QStringLiteral(".*"));
            s.expressoes << s.itens.last();
            return;
        }
        for (const auto& c : entrada.tabela->colunas) {
            colunas << Aspas(entrada.apelido) + QLatin1Char('.') + Aspas(c.nome);
            nomes << c.nome;
            tipos.push_back({c.tipo, NumDeclarado(c.tipoDeclarado), c.tamanho});
        }
    }
    if (!achou) {
        erro(item.tokenFim, QStringLiteral("nenhuma tabela para *"));
    }
    s.itens += colunas;
    s.expressoes += colunas;
    s.nomes.resize(s.nomes.size() + nomes.size());  // SQLite's names
    s.nomesEscritos += nomes;
    s.colunas += tipos;
}

void Escritor::itemSelecao(const ItemSelecao& item, Escopo& escopo, Selecao& s) {
    if (item.estrela) {
        expandirEstrela(item, escopo, s);
        return;
    }
    const Expr e = expr(item.expr, escopo);
    s.colunas.push_back(TipoDe(e));
    // An expression's text compares as the register's texts do (UNION, DISTINCT, and the
    // outer query of a derived table); a column brings its own collation.
    const QString sql = ComColacao(e);
    s.expressoes << sql;
    if (item.temApelido) {
        s.nomes.push_back(item.apelido);
        s.nomesEscritos.push_back(item.apelido);
        escopo.apelidosSelecao.insert(Catalogo::dobrar(item.apelido), e.tipo);
        s.itens << sql + QStringLiteral(" AS ") + Aspas(item.apelido);
        return;
    }
    // SQL Server leaves an expression without alias unnamed; a column keeps its name.
    const NoExpr& no = m_a.expr(item.expr);
    s.nomes.push_back(e.coluna ? QString() : QStringLiteral(""));
    s.nomesEscritos.push_back(no.tipo == NoExpr::Coluna ? no.nome : QStringLiteral(""));
    s.itens << sql;
}

QString Escritor::listaFrom(IdFrom id, Escopo& escopo) {
    QString sql;
    for (const Fonte& f : m_a.from(id).fontes) {
        switch (f.juncao) {
            case Fonte::Primeira:
                break;
            case Fonte::Virgula:
                sql += QStringLiteral(", ");
                break;
            case Fonte::Interna:
                sql += QStringLiteral(" INNER JOIN ");
                break;
            case Fonte::Esquerda:
                sql += QStringLiteral(" LEFT JOIN ");
                break;
            case Fonte::Direita:
                sql += QStringLiteral(" RIGHT JOIN ");
                break;
            case Fonte::Completa:
                sql += QStringLiteral(" FULL JOIN ");
                break;
            case Fonte::Cruzada:
                sql += QStringLiteral(" CROSS JOIN ");
                break;
        }
        sql += referenciaTabela(f, escopo);
        if (f.on >= 0) {
            sql += QStringLiteral(" ON ") + expr(f.on, escopo).sql;
        }
    }
    return sql;
}

QString Escritor::referenciaTabela(const Fonte& f, Escopo& escopo) {
    Escopo::Entrada entrada;
    QString sql;
    switch (f.tipo) {
        case Fonte::Derivada: {
            const Selecao s = select(f.select, &escopo);
            sql = QLatin1Char('(') + s.sql + QLatin1Char(')');
            for (int i = 0; i < s.nomes.size(); ++i) {
                if (!s.nomes[i].isEmpty()) {
                    entrada.colunasDerivadas.insert(Catalogo::dobrar(s.nomes[i]), s.colunas[i]);
                }
            }
            break;
        }
        case Fonte::Juncoes:
            // Its tables join this scope.
            return QLatin1Char('(') + listaFrom(f.from, escopo) + QLatin1Char(')');
        case Fonte::Sysobjects:
            // SQL Server's column order: the name comes first.
            sql = QStringLiteral(
                "(SELECT name COLLATE TSQL AS name, rowid AS id, "
                "CASE type WHEN 'table' THEN 'U' ELSE 'V' END AS xtype, "
                "CASE type WHEN 'table' THEN 'U' ELSE 'V' END AS type, "
                "1 AS uid, NULL AS crdate FROM sqlite_master "
                "WHERE type IN ('table', 'view') AND name NOT LIKE 'sqlite!_%' ESCAPE '!')");
            entrada.apelido = QStringLiteral("sysobjects");
            entrada.colunasDerivadas.insert(QStringLiteral("name"), {TipoSql::Texto});
            entrada.colunasDerivadas.insert(QStringLiteral("xtype"), {TipoSql::Texto});
            entrada.colunasDerivadas.insert(QStringLiteral("type"), {TipoSql::Texto});
            entrada.colunasDerivadas.insert(QStringLiteral("id"), {TipoSql::Numero, Num::Int});
            if (!f.temApelido) {
                sql += QStringLiteral(" AS sysobjects");
            }
            break;
        case Fonte::Tabela:
            entrada.tabela = m_cat.tabela(f.nome);
            entrada.apelido = entrada.tabela ? entrada.tabela->nome : f.nome;
            sql = canonico(f.nome);
            break;
    }
    if (f.temApelido) {
        entrada.apelido = f.apelido;
        sql += QStringLiteral(" AS ") + Aspas(entrada.apelido);
    }
    escopo.entradas.push_back(entrada);
    return sql;
}

QString Escritor::ordenacao(const QVector<ItemOrdem>& itens, const Escopo& e, const Selecao* s) {
    // ORDER BY 1 names a column by position; a bound 1 would be a constant.
    const SemParametros semParametros(*this);
    const bool empacotado = s && !s->pacotes.isEmpty();
    QStringList escritos;
    for (const ItemOrdem& item : itens) {
        const NoExpr& n = m_a.expr(item.expr);
        const Token& t = m_a.tokens[n.token];
        Expr x;
        if (empacotado && n.tipo == NoExpr::Literal && t.tipo == Token::Numero &&
            t.texto.toInt() >= 1 && t.texto.toInt() <= s->expressoes.size()) {
            // The result's columns are packed: the item itself is the key.
            x.sql = s->expressoes[t.texto.toInt() - 1];
        } else if (n.tipo == NoExpr::Apelido) {
            // A select-list alias; texts sort by the collation of their column.
            x.sql = Aspas(n.nome);
            x.tipo = e.apelidosSelecao.value(Catalogo::dobrar(n.nome));
            for (int i = 0; empacotado && i < s->nomesEscritos.size(); ++i) {
                if (Catalogo::dobrar(s->nomesEscritos[i]) == Catalogo::dobrar(n.nome)) {
                    x.sql = s->expressoes[i];
                    break;
                }
            }
        } else {
            x = expr(item.expr, e);
        }
        escritos << ComColacao(x) + (item.desc ? QStringLiteral(" DESC") : QString());
    }
    return escritos.join(QStringLiteral(", "));
}

// ---------------------------------------------------------------- INSERT / UPDATE / SET

void Escritor::comandoInsert(const NoComando& n) {
    const TabelaCatalogo* tabela = m_cat.tabela(n.tabela);
    const QString alvo = tabela ? tabela->nome : n.tabela;
    QString sql = QStringLiteral("INSERT INTO ") + Aspas(alvo);
    ComandoTraduzido c;
    c.identidadeNaTabela = tabela && tabela->identidade() >= 0;
    QVector<TipoSql> destino;  // the type of each value's column, where known
    if (n.temColunas) {
        c.listaDeColunas = true;
        QStringList escritas;
        for (const QString& nomeColuna : n.colunas) {
            const ColunaCatalogo* cc = tabela ? tabela->coluna(nomeColuna) : nullptr;
            destino << (cc ? cc->tipo : TipoSql::Desconhecido);
            if (cc && cc->identidade) {
                c.identidadeExplicita = true;  // allowed only under IDENTITY_INSERT ON
            }
            escritas << (cc ? Aspas(cc->nome) : canonico(nomeColuna));
        }
        sql += QStringLiteral(" (") + escritas.join(QStringLiteral(", ")) + QLatin1Char(')');
    } else if (c.identidadeNaTabela && !n.valoresPadrao) {
        // Without a column list SQL Server's values fill every column but the identity one;
        // SQLite's would include it.
        QStringList escritas;
        for (const auto& cc : tabela->colunas) {
            if (!cc.identidade) {
                escritas << Aspas(cc.nome);
                destino << cc.tipo;
            }
        }
        sql += QStringLiteral(" (") + escritas.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    if (!n.linhas.isEmpty()) {
        const Escopo vazio;
        QStringList linhas;
        for (const auto& linha : n.linhas) {
            QStringList valores;
            for (const IdExpr v : linha) {
                Expr coluna;
                coluna.tipo = destino.value(valores.size(), TipoSql::Desconhecido);
                const QString simples = valorSimples(v, coluna.tipo);
                valores << (simples.isEmpty() ? ComoData(expr(v, vazio), coluna) : simples);
            }
            linhas << QLatin1Char('(') + valores.join(QStringLiteral(", ")) + QLatin1Char(')');
        }
        sql += QStringLiteral(" VALUES ") + linhas.join(QStringLiteral(", "));
    } else if (n.select >= 0) {
        sql += QLatin1Char(' ') + select(n.select, nullptr).sql;
    } else {
        sql += QStringLiteral(" DEFAULT VALUES");
    }
    c.tipo = ComandoTraduzido::Alteracao;
    c.sql = sql;
    c.tabelaAlvo = alvo;
    adicionar(std::move(c));
}

void Escritor::comandoUpdate(const NoComando& n) {
    Escopo escopo;
    Escopo::Entrada entrada;
    entrada.tabela = m_cat.tabela(n.tabela);
    entrada.apelido = entrada.tabela ? entrada.tabela->nome : n.tabela;
    escopo.entradas.push_back(entrada);
    QStringList sets;
    for (const auto& a : n.atribuicoes) {
        const ColunaCatalogo* cc = entrada.tabela ? entrada.tabela->coluna(a.coluna) : nullptr;
        if (cc && cc->identidade) {
            FalharServidor(
                QStringLiteral("TSql"),
                mensagem(8102,
                         QStringLiteral("Cannot update identity column '%1'.").arg(cc->nome)));
        }
        Expr destino;
        destino.tipo = cc ? cc->tipo : TipoSql::Desconhecido;
        sets << (cc ? Aspas(cc->nome) : canonico(a.coluna)) + QStringLiteral(" = ") +
                    ComoData(expr(a.valor, escopo), destino);
    }
    QString sql = QStringLiteral("UPDATE ") + canonico(n.tabela) + QStringLiteral(" SET ") +
                  sets.join(QStringLiteral(", "));
    if (n.onde >= 0) {
        sql += QStringLiteral(" WHERE ") + expr(n.onde, escopo).sql;
    }
    emitir(ComandoTraduzido::Alteracao, sql);
}

// Which table is ON is the session's, so the engine keeps it; the table must exist and have
// an identity column, which the catalogue answers.
void Escritor::comandoSet(const NoComando& n) {
    ComandoTraduzido c;
    c.tipo = ComandoTraduzido::Sessao;
    c.acao = n.acao;
    const TabelaCatalogo* tabela = m_cat.tabela(n.tabela);
    if (!tabela || tabela->visao) {
        FalharServidor(QStringLiteral("TSql"),
                       mensagem(208, QStringLiteral("Invalid object name '%1'.").arg(n.tabela)));
    }
    if (tabela->identidade() < 0) {
        FalharServidor(QStringLiteral("TSql"),
                       mensagem(8106, QStringLiteral("Table '%1' does not have the identity "
                                                     "property. Cannot perform SET operation.")
                                          .arg(tabela->nome)));
    }
    c.tabelaAlvo = tabela->nome;
    adicionar(std::move(c));
}

// ---------------------------------------------------------------- expressions

Expr Escritor::expr(IdExpr id, const Escopo& e) {
    const NoExpr& n = m_a.expr(id);
    switch (n.tipo) {
        case NoExpr::Literal:
            return literal(n);
        case NoExpr::Nulo:
            return {QStringLiteral("NULL"), TipoSql::Nulo, false};
        case NoExpr::Variavel:
            if (n.nome == QLatin1String("@@IDENTITY")) {
                // numeric(38,0) on SQL Server
                return {QStringLiteral("tsql_identidade()"), TipoSql::Numero, false, Num::Exato};
            }
            return {QStringLiteral("tsql_trancount()"), TipoSql::Numero, false, Num::Int};
        case NoExpr::Coluna:
            return referenciaColuna(n, e);
        case NoExpr::Apelido:  // only in ORDER BY, written there
            return {Aspas(n.nome), TipoSql::Desconhecido, false};
        case NoExpr::Parenteses: {
            Expr a = expr(n.filhos[0], e);
            a.sql = QLatin1Char('(') + a.sql + QLatin1Char(')');
            return a;
        }
        case NoExpr::Negativo:
            return negativo(n, e);
        case NoExpr::Positivo:
            return expr(n.filhos[0], e);
        case NoExpr::Aritmetica:
            return cadeiaAritmetica(n, e);
        case NoExpr::E:
        case NoExpr::Ou:
            return cadeiaLogica(n, e);
        case NoExpr::Nao: {
            Expr a = expr(n.filhos[0], e);
            a.sql = QStringLiteral("(NOT ") + a.sql + QLatin1Char(')');
            a.tipo = TipoSql::Numero;
            a.coluna = false;
            a.num = Num::Nenhum;
            return a;
        }
        case NoExpr::Comparacao:
        case NoExpr::EhNulo:
        case NoExpr::Em:
        case NoExpr::Entre:
        case NoExpr::Como:
            return predicado(n, e);
        case NoExpr::Existe:
        case NoExpr::Subconsulta: {
            bool tabela = false;
            const Selecao s = subconsulta(n.select, e, &tabela);
            const QString texto = QLatin1Char('(') +
                                  (tabela ? QStringLiteral("SELECT * FROM ") + s.sql : s.sql) +
                                  QLatin1Char(')');
            if (n.tipo == NoExpr::Existe) {
                return {QStringLiteral("EXISTS ") + texto, TipoSql::Numero, false};
            }
            const TipoColuna t = s.colunas.value(0);
            return {texto, t.tipo, false, t.num, t.tamanho};
        }
        case NoExpr::Caso:
            return caso(n, e);
        case NoExpr::Funcao:
            return funcao(n, e);
    }
    return {};
}

Expr Escritor::literal(const NoExpr& n) {
    const Token& t = m_a.tokens[n.token];
    Expr r;
    if (t.tipo == Token::Texto) {
        r.tipo = TipoSql::Texto;
        r.varchar = !t.nacional;
    } else {
        r.tipo = TipoSql::Numero;
        r.num = NumDoLiteral(t.texto);
    }
    const int ordinal = m_ordinal[n.token];
    if (m_parametrizar && m_semParametros == 0) {
        m_uso[ordinal] = UsoComTipo;  // the translation depends on the literal's kind
        m_parametros.push_back(ordinal);
        r.sql = QLatin1Char('?') + QString::number(m_parametros.size());
    } else {
        r.sql = t.tipo == Token::Texto ? Literal(t.texto) : t.texto;
    }
    return r;
}

// A value of INSERT ... VALUES that is one literal (or NULL): its translation is the same
// whatever its kind, so rows with NULLs in other places share one translation. Empty when the
// value is something else.
QString Escritor::valorSimples(IdExpr id, TipoSql destino) {
    const NoExpr& n = m_a.expr(id);
    if (!m_parametrizar || m_semParametros > 0 ||
        (n.tipo != NoExpr::Literal && n.tipo != NoExpr::Nulo)) {
        return QString();
    }
    const int ordinal = m_ordinal[n.token];
    m_uso[ordinal] = UsoQualquer;
    m_parametros.push_back(ordinal);
    const QString p = QLatin1Char('?') + QString::number(m_parametros.size());
    // A date column reads a text as SQL Server does; NULL and numbers pass as they are.
    return destino == TipoSql::Data ? QStringLiteral("tsql_data(") + p + QLatin1Char(')') : p;
}

Expr Escritor::cadeiaLogica(const NoExpr& n, const Escopo& e) {
    // Operands are kept apart and written once: appending to the text so far would copy it
    // on every term.
    QVector<QString> partes;
    partes.reserve(n.filhos.size());
    for (const IdExpr f : n.filhos) {
        partes.push_back(expr(f, e).sql);
    }
    m_termos += partes.size();
    Expr r;
    r.tipo = TipoSql::Numero;
    EscreverEquilibrado(r.sql, partes, 0, partes.size(),
                        n.tipo == NoExpr::Ou ? QLatin1String(" OR ") : QLatin1String(" AND "));
    return r;
}

QString Escritor::comparacao(const Expr& a, const QString& op, const Expr& b) const {
    QString esquerda = Convertido(a, b);
    // A column brings its own collation; two expressions compare as SQL Server's texts do.
    if (!a.coluna && !b.coluna) {
        if (a.tipo == TipoSql::Data || b.tipo == TipoSql::Data) {
            esquerda += QStringLiteral(" COLLATE TSQLDATE");
        } else if (a.tipo == TipoSql::Texto || b.tipo == TipoSql::Texto) {
            esquerda += QStringLiteral(" COLLATE TSQL");
        }
    }
    return QLatin1Char('(') + esquerda + QLatin1Char(' ') + op + QLatin1Char(' ') +
           Convertido(b, a) + QLatin1Char(')');
}

Expr Escritor::predicado(const NoExpr& n, const Escopo& e) {
    Expr a = expr(n.filhos[0], e);
    Expr r;
    r.tipo = TipoSql::Numero;
    switch (n.tipo) {
        case NoExpr::Comparacao: {
            const Expr b = expr(n.filhos[1], e);
            r.sql = comparacao(a, n.nome, b);
            return r;
        }
        case NoExpr::EhNulo:
            r.sql = QLatin1Char('(') + a.sql +
                    (n.negado ? QStringLiteral(" IS NOT NULL)") : QStringLiteral(" IS NULL)"));
            return r;
        case NoExpr::Em: {
            QString lista;
            bool tabela = false;
            if (n.select >= 0) {
                lista = subconsulta(n.select, e, &tabela).sql;
            } else {
                QStringList itens;
                Expr numero;  // the widest number of the list, which a text on the left becomes
                for (int i = 1; i < n.filhos.size(); ++i) {
                    const Expr item = expr(n.filhos[i], e);
                    itens << Convertido(item, a);
                    if (item.tipo == TipoSql::Numero && item.num != Num::Nenhum) {
                        numero.tipo = TipoSql::Numero;
                        numero.num =
                            numero.num == Num::Nenhum ? item.num : NumComum(numero.num, item.num);
                    }
                }
                m_termos += itens.size();
                lista = itens.join(QStringLiteral(", "));
                a.sql = Convertido(a, numero);
            }
            QString esquerda = a.sql;
            if (!a.coluna && a.tipo == TipoSql::Texto) {
                esquerda += QStringLiteral(" COLLATE TSQL");
            }
            r.sql = QLatin1Char('(') + esquerda +
                    (n.negado ? QStringLiteral(" NOT IN ") : QStringLiteral(" IN ")) +
                    (tabela ? lista : QLatin1Char('(') + lista + QLatin1Char(')')) +
                    QLatin1Char(')');
            return r;
        }
        case NoExpr::Entre: {
            const Expr b = expr(n.filhos[1], e);
            const Expr c = expr(n.filhos[2], e);
            // NOT applies to the whole range test.
            r.sql = (n.negado ? QStringLiteral("(NOT (") : QStringLiteral("((")) +
                    comparacao(a, QStringLiteral(">="), b) + QStringLiteral(" AND ") +
                    comparacao(a, QStringLiteral("<="), c) + QStringLiteral("))");
            return r;
        }
        default: {
            // LIKE: SQLite's ignores case for ASCII letters only and knows no [sets].
            const Expr b = expr(n.filhos[1], e);
            QString sql =
                (n.negado ? QStringLiteral("(NOT tsql_like(") : QStringLiteral("(tsql_like(")) +
                a.sql + QStringLiteral(", ") + b.sql;
            if (n.filhos.size() > 2) {
                sql += QStringLiteral(", ") + expr(n.filhos[2], e).sql;
            }
            r.sql = sql + QStringLiteral("))");
            return r;
        }
    }
}

// One step of an arithmetic chain: how `left op b` is written around the left operand's text
// (prefix before it, then middle, b, suffix) and the type it gives.
Escritor::Passo Escritor::passoAritmetico(QChar op, TipoSql ta, Num na, const Expr& b) {
    const QLatin1String funcoes[] = {QLatin1String("tsql_soma("), QLatin1String("tsql_sub("),
                                     QLatin1String("tsql_mul("), QLatin1String("tsql_div("),
                                     QLatin1String("tsql_mod(")};
    const int indice = op == QLatin1Char('+')   ? 0
                       : op == QLatin1Char('-') ? 1
                       : op == QLatin1Char('*') ? 2
                       : op == QLatin1Char('/') ? 3
                                                : 4;
    const bool divisao = indice >= 3;
    const QString meio = QLatin1Char(' ') + op + QLatin1Char(' ');
    const TipoSql tb = b.tipo;
    if (indice == 0 && (ta == TipoSql::Texto || ta == TipoSql::Nulo) &&
        (tb == TipoSql::Texto || tb == TipoSql::Nulo)) {
        // Text + text joins; SQLite's || gives NULL for a NULL operand, as SQL Server does.
        return {QStringLiteral("("), QStringLiteral(" || "), QStringLiteral(")"), TipoSql::Texto,
                Num::Nenhum};
    }
    const Num nb = b.num;
    const bool numericos =
        ta == TipoSql::Numero && tb == TipoSql::Numero && na != Num::Nenhum && nb != Num::Nenhum;
    if (numericos && na == Num::Int && nb == Num::Int) {
        // int op int is an int on SQL Server: a result outside int is an overflow error.
        if (divisao) {
            return {QStringLiteral("tsql_int(") + funcoes[indice], QStringLiteral(", "),
                    QStringLiteral("))"), TipoSql::Numero, Num::Int};
        }
        return {QStringLiteral("tsql_int("), meio, QStringLiteral(")"), TipoSql::Numero, Num::Int};
    }
    if (numericos && (na == Num::Exato || na == Num::Real || nb == Num::Exato || nb == Num::Real)) {
        const Num r = (na == Num::Real || nb == Num::Real) ? Num::Real : Num::Exato;
        if (divisao) {
            return {QString(funcoes[indice]), QStringLiteral(", "), QStringLiteral(")"),
                    TipoSql::Numero, r};
        }
        return {QStringLiteral("("), meio, QStringLiteral(")"), TipoSql::Numero, r};
    }
    // Types known only when the row is read (or bigint, whose overflow SQLite would turn
    // into a float): decide then, as SQL Server would.
    TipoSql tipo = TipoSql::Numero;
    Num num = numericos ? Num::Grande : Num::Nenhum;
    if (indice == 0 && !(ta == TipoSql::Numero || tb == TipoSql::Numero)) {
        tipo =
            (ta == TipoSql::Texto || tb == TipoSql::Texto) ? TipoSql::Texto : TipoSql::Desconhecido;
    }
    return {QString(funcoes[indice]), QStringLiteral(", "), QStringLiteral(")"), tipo, num};
}

// A chain of + - (or * / %) written left-associatively in time linear in its length: each
// step's prefix goes in a list written once at the end, its middle and suffix are appended.
Expr Escritor::cadeiaAritmetica(const NoExpr& n, const Escopo& e) {
    Expr a = expr(n.filhos[0], e);
    QVector<QString> prefixos;
    QString corpo = std::move(a.sql);
    TipoSql tipo = a.tipo;
    Num num = a.num;
    for (int i = 1; i < n.filhos.size(); ++i) {
        const Expr b = expr(n.filhos[i], e);
        const Passo p = passoAritmetico(n.ops.at(i - 1), tipo, num, b);
        prefixos.push_back(p.prefixo);
        corpo += p.meio;
        corpo += b.sql;
        corpo += p.sufixo;
        tipo = p.tipo;
        num = p.num;
    }
    Expr r;
    r.tipo = tipo;
    r.num = num;
    for (auto i = prefixos.size(); i-- > 0;) {
        r.sql += prefixos[i];
    }
    r.sql += corpo;
    return r;
}

Expr Escritor::negativo(const NoExpr& n, const Escopo& e) {
    Expr a = expr(n.filhos[0], e);
    if (a.tipo == TipoSql::Texto) {
        // SQLite would make a number of any text; SQL Server converts or refuses.
        a.sql = QStringLiteral("tsql_sub(0, ") + a.sql + QLatin1Char(')');
        a.num = Num::Nenhum;
    } else {
        a.sql = QStringLiteral("(-") + a.sql + QLatin1Char(')');
    }
    a.tipo = TipoSql::Numero;
    a.coluna = false;
    return a;
}

Expr Escritor::caso(const NoExpr& n, const Escopo& e) {
    QString sql = QStringLiteral("CASE");
    int i = 0;
    if (n.temSujeito) {
        const Expr sujeito = expr(n.filhos[i++], e);
        sql += QLatin1Char(' ') + sujeito.sql;
        if (!sujeito.coluna && sujeito.tipo == TipoSql::Texto) {
            sql += QStringLiteral(" COLLATE TSQL");
        }
    }
    TipoSql tipo = TipoSql::Nulo;
    Num num = Num::Nenhum;
    bool primeiro = true;
    const auto resultado = [&](const Expr& r) {
        if (r.tipo == TipoSql::Nulo) {
            return;
        }
        num = primeiro ? r.num : NumComum(num, r.num);
        primeiro = false;
        if (tipo == TipoSql::Nulo) {
            tipo = r.tipo;
        } else if (r.tipo != tipo) {
            tipo = TipoSql::Desconhecido;
        }
    };
    const int fimPares = n.filhos.size() - (n.temSenao ? 1 : 0);
    for (; i < fimPares; i += 2) {
        ++m_termos;
        sql += QStringLiteral(" WHEN ") + expr(n.filhos[i], e).sql;
        const Expr r = expr(n.filhos[i + 1], e);
        resultado(r);
        sql += QStringLiteral(" THEN ") + r.sql;
    }
    if (n.temSenao) {
        const Expr r = expr(n.filhos.last(), e);
        resultado(r);
        sql += QStringLiteral(" ELSE ") + r.sql;
    }
    return {sql + QStringLiteral(" END"), tipo, false, tipo == TipoSql::Numero ? num : Num::Nenhum};
}

Expr Escritor::funcao(const NoExpr& n, const Escopo& e) {
    const QString& f = n.nome;
    const auto eh = [&f](const char* p) { return f == QLatin1String(p); };
    QVector<Expr> a;
    for (const IdExpr x : n.filhos) {
        a.push_back(expr(x, e));
    }
    const auto chamada = [&a](const QString& nome) {
        QStringList partes;
        for (const auto& x : a) {
            partes << x.sql;
        }
        return nome + QLatin1Char('(') + partes.join(QStringLiteral(", ")) + QLatin1Char(')');
    };
    if (eh("COUNT") || eh("MAX") || eh("MIN") || eh("SUM") || eh("AVG")) {
        if (n.estrela) {
            return {QStringLiteral("count(*)"), TipoSql::Numero, false, Num::Int};
        }
        const QString argumento =
            (n.distinto ? QStringLiteral("DISTINCT ") : QString()) + a[0].sql + QLatin1Char(')');
        if (eh("MAX") || eh("MIN")) {
            return {f.toLower() + QLatin1Char('(') + argumento, a[0].tipo, false, a[0].num};
        }
        if (eh("COUNT")) {
            return {QStringLiteral("count(") + argumento, TipoSql::Numero, false, Num::Int};
        }
        const bool inteiro = a[0].num == Num::Int || a[0].num == Num::Grande;
        // The sum of ints is an int on SQL Server: beyond it, an overflow error.
        const QString soma = a[0].num == Num::Int
                                 ? QStringLiteral("tsql_int(sum(") + argumento + QLatin1Char(')')
                                 : QStringLiteral("sum(") + argumento;
        if (eh("AVG") && inteiro) {
            // The average of integers is an integer on SQL Server, truncated toward zero.
            return {QLatin1Char('(') + soma + QStringLiteral(" / count(") + argumento +
                        QLatin1Char(')'),
                    TipoSql::Numero, false, a[0].num};
        }
        if (eh("SUM")) {
            return {soma, TipoSql::Numero, false, a[0].num};
        }
        return {f.toLower() + QLatin1Char('(') + argumento, TipoSql::Numero, false,
                inteiro ? a[0].num : Num::Nenhum};
    }
    if (eh("SOUNDEX")) {
        return {chamada(QStringLiteral("tsql_soundex")), TipoSql::Texto, false};
    }
    if (eh("CHAR") || eh("NCHAR") || eh("UPPER") || eh("LOWER")) {
        return {chamada(QStringLiteral("tsql_") + f.toLower()), TipoSql::Texto, false};
    }
    if (eh("GETDATE") || eh("CURRENT_TIMESTAMP")) {
        return {QStringLiteral("datetime('now', 'localtime')"), TipoSql::Data, false};
    }
    if (eh("LTRIM") || eh("RTRIM")) {
        return {chamada(f.toLower()), TipoSql::Texto, false};
    }
    if (eh("LEN")) {
        return {QStringLiteral("tsql_tamanho(rtrim(") + a[0].sql + QStringLiteral(", ' '))"),
                TipoSql::Numero, false, Num::Int};
    }
    if (eh("SUBSTRING") || eh("LEFT")) {
        // SQLite's substr counts a negative start from the end and takes a negative length.
        return {
            chamada(eh("LEFT") ? QStringLiteral("tsql_left") : QStringLiteral("tsql_substring")),
            TipoSql::Texto, false, Num::Nenhum, a[0].tamanho};
    }
    if (eh("ISNULL")) {
        return isnull(a[0], a[1]);
    }
    if (eh("COALESCE")) {
        return coalesce(a);
    }
    if (eh("ABS") || eh("ROUND")) {
        return {chamada(f.toLower()), TipoSql::Numero, false, a[0].num};
    }
    if (eh("YEAR") || eh("MONTH") || eh("DAY")) {
        const char* formato = eh("YEAR") ? "%Y" : eh("MONTH") ? "%m" : "%d";
        return {QStringLiteral("CAST(strftime('%1', %2) AS INTEGER)")
                    .arg(QLatin1String(formato), a[0].sql),
                TipoSql::Numero, false, Num::Int};
    }
    // OBJECTPROPERTY(id, 'IsUserTable' | 'IsTable' | 'IsView')
    const QString tipo = n.qualificador.compare(QLatin1String("IsView"), Qt::CaseInsensitive) == 0
                             ? QStringLiteral("view")
                             : QStringLiteral("table");
    return {QStringLiteral("(SELECT CASE WHEN type = '%1' THEN 1 ELSE 0 END FROM "
                           "sqlite_master WHERE rowid = %2)")
                .arg(tipo, a[0].sql),
            TipoSql::Numero, false};
}

// ISNULL's value has its first argument's type: the second is converted to it, a text cut to
// the first one's length.
Expr Escritor::isnull(const Expr& a, const Expr& b) {
    QString substituto = Convertido(b, a);
    if (a.tipo == TipoSql::Texto && a.tamanho > 0) {
        substituto = QStringLiteral("tsql_cortar(%1, %2)").arg(b.sql).arg(a.tamanho);
    } else if (a.tipo == TipoSql::Numero && a.num == Num::Int && b.tipo == TipoSql::Numero &&
               b.num != Num::Int) {
        substituto = QStringLiteral("tsql_para_int(%1)").arg(b.sql);
    }
    return {QStringLiteral("coalesce(%1, %2)").arg(a.sql, substituto), a.tipo, false, a.num,
            a.tamanho};
}

// COALESCE's value has the type of highest precedence among its arguments (a date, then a
// number, then a text): the others are converted to it, as each is reached.
Expr Escritor::coalesce(const QVector<Expr>& a) {
    Expr tipo;
    tipo.tipo = TipoSql::Nulo;
    for (const Expr& x : a) {
        if (x.tipo == TipoSql::Data) {
            tipo = x;
            break;
        }
        if (x.tipo == TipoSql::Numero && x.num != Num::Nenhum) {
            tipo.num = tipo.tipo == TipoSql::Numero ? NumComum(tipo.num, x.num) : x.num;
            tipo.tipo = TipoSql::Numero;
        } else if (tipo.tipo == TipoSql::Nulo) {
            tipo.tipo = x.tipo;
        }
    }
    QStringList partes;
    for (const Expr& x : a) {
        partes << Convertido(x, tipo);
    }
    return {QStringLiteral("coalesce(") + partes.join(QStringLiteral(", ")) + QLatin1Char(')'),
            tipo.tipo, false, tipo.tipo == TipoSql::Numero ? tipo.num : Num::Nenhum};
}

TipoColuna Escritor::tipoDaColuna(const Escopo& e, const QString& qualificador,
                                  const QString& coluna, QString* apelidoEscrito) const {
    const QString q = Catalogo::dobrar(qualificador);
    const QString c = Catalogo::dobrar(coluna);
    for (const Escopo* s = &e; s; s = s->pai) {
        for (const auto& entrada : s->entradas) {
            if (!q.isEmpty() && Catalogo::dobrar(entrada.apelido) != q) {
                continue;
            }
            if (apelidoEscrito) {
                *apelidoEscrito = Aspas(entrada.apelido);
            }
            if (coluna.isEmpty()) {
                return {};
            }
            if (entrada.tabela) {
                if (const ColunaCatalogo* cc = entrada.tabela->coluna(coluna)) {
                    m_nivelReferido = std::min(m_nivelReferido, s->nivel);
                    return {cc->tipo, NumDeclarado(cc->tipoDeclarado),
                            cc->tipo == TipoSql::Texto ? cc->tamanho : 0};
                }
            } else if (entrada.colunasDerivadas.contains(c)) {
                m_nivelReferido = std::min(m_nivelReferido, s->nivel);
                return entrada.colunasDerivadas.value(c);
            }
            if (!q.isEmpty()) {
                m_nivelReferido = -1;
                return {};
            }
        }
    }
    // A name the scopes do not know: SQLite resolves it, perhaps outside the subquery.
    m_nivelReferido = -1;
    if (apelidoEscrito) {
        *apelidoEscrito = Aspas(m_cat.canonico(qualificador));
    }
    return {};
}

Expr Escritor::referenciaColuna(const NoExpr& n, const Escopo& e) {
    Expr r;
    r.coluna = true;
    QString escrito;
    const bool qualificada = !n.qualificador.isEmpty();
    const TipoColuna t = tipoDaColuna(e, n.qualificador, n.nome, qualificada ? &escrito : nullptr);
    r.tipo = t.tipo;
    r.num = t.num;
    r.tamanho = t.tamanho;
    r.sql = (qualificada ? escrito + QLatin1Char('.') : QString()) + canonico(n.nome);
    return r;
}

// ---------------------------------------------------------------- DDL

ColunaEscrita Escritor::coluna(const ColunaDef& def) {
    ColunaEscrita c;
    c.nome = def.nome;
    c.tipoDeclarado = def.tipoDeclarado;
    c.tipo = Catalogo::tipoDe(def.tipoDeclarado, &c.tamanho);
    if (c.tipo != TipoSql::Texto) {
        c.tamanho = 0;
    }
    c.identidade = def.identidade;
    c.semente = def.semente;
    c.notNull = def.notNull;
    const Escopo vazio;
    if (def.padrao >= 0) {
        c.padrao = expr(def.padrao, vazio).sql;
        c.nomePadrao = def.nomePadrao;
    }
    for (const RestricaoDef& r : def.extras) {
        const QString prefixo =
            r.nome.isEmpty() ? QString()
                             : QStringLiteral("CONSTRAINT ") + Aspas(r.nome) + QLatin1Char(' ');
        if (r.tipo == RestricaoDef::Unica) {
            c.extras << prefixo + QStringLiteral("UNIQUE");
        } else if (r.tipo == RestricaoDef::Referencia) {
            QString colunas;
            if (!r.colunasRef.isEmpty()) {
                QStringList cs;
                for (const QString& n : r.colunasRef) {
                    cs << canonico(n);
                }
                colunas = QStringLiteral(" (") + cs.join(QStringLiteral(", ")) + QLatin1Char(')');
            }
            c.extras << prefixo + QStringLiteral("REFERENCES ") + canonico(r.tabelaRef) + colunas;
        } else {
            c.extras << prefixo + QStringLiteral("CHECK (") + expr(r.expr, vazio).sql +
                            QLatin1Char(')');
        }
    }
    return c;
}

RestricaoEscrita Escritor::restricao(const TabelaEscrita& t, const RestricaoDef& def) {
    RestricaoEscrita r;
    r.tipo = def.tipo;
    r.nome = def.nome;
    r.colunas = def.colunas;
    const auto colunasEscritas = [this](const QStringList& nomes) {
        QStringList cs;
        for (const QString& n : nomes) {
            cs << canonico(n);
        }
        return cs.join(QStringLiteral(", "));
    };
    if (def.tipo == RestricaoDef::Chave || def.tipo == RestricaoDef::Unica) {
        r.corpo = (def.tipo == RestricaoDef::Chave ? QStringLiteral("PRIMARY KEY (")
                                                   : QStringLiteral("UNIQUE (")) +
                  colunasEscritas(def.colunas) + QLatin1Char(')');
    } else if (def.tipo == RestricaoDef::Estrangeira) {
        r.corpo = QStringLiteral("FOREIGN KEY (") + colunasEscritas(def.colunas) +
                  QStringLiteral(") REFERENCES ") + canonico(def.tabelaRef) + QStringLiteral(" (") +
                  colunasEscritas(def.colunasRef) + QLatin1Char(')');
        for (const QString& evento : def.cascatas) {
            r.corpo += QStringLiteral(" ON ") + evento + QStringLiteral(" CASCADE");
        }
    } else if (def.tipo == RestricaoDef::Verificacao) {
        Escopo escopo;
        Escopo::Entrada entrada;
        entrada.apelido = t.nome;
        escopo.entradas.push_back(entrada);
        r.corpo = QStringLiteral("CHECK (") + expr(def.expr, escopo).sql + QLatin1Char(')');
    }
    return r;
}

// A column or a constraint joins a table's definition; DEFAULT ... FOR sets its column's.
void Escritor::elemento(TabelaEscrita& t, const ElementoTabela& e) {
    if (e.ehColuna) {
        if (e.coluna.chave) {
            // An inline PRIMARY KEY becomes the table's key constraint.
            RestricaoEscrita r;
            r.tipo = RestricaoDef::Chave;
            r.nome = e.coluna.nomeChave;
            r.colunas << e.coluna.nome;
            r.corpo = QStringLiteral("PRIMARY KEY (") + Aspas(e.coluna.nome) + QLatin1Char(')');
            t.restricoes.push_back(r);
        }
        t.colunas.push_back(coluna(e.coluna));
        return;
    }
    if (e.restricao.tipo == RestricaoDef::Padrao) {
        const Escopo vazio;
        const QString valor = expr(e.restricao.expr, vazio).sql;
        for (auto& c : t.colunas) {
            if (Catalogo::dobrar(c.nome) == Catalogo::dobrar(e.restricao.colunas[0])) {
                c.padrao = valor;
                c.nomePadrao = e.restricao.nome;
                return;
            }
        }
        erro(e.restricao.tokenColuna, QStringLiteral("coluna inexistente"));
    }
    t.restricoes.push_back(restricao(t, e.restricao));
}

QString Escritor::escreverTabela(const TabelaEscrita& t) const {
    QStringList partes;
    const RestricaoEscrita* chave = nullptr;
    for (const auto& r : t.restricoes) {
        if (r.tipo == RestricaoDef::Chave) {
            chave = &r;
        }
    }
    bool chaveNaIdentidade = false;
    for (const auto& c : t.colunas) {
        QString d = Aspas(c.nome) + QLatin1Char(' ');
        if (c.identidade) {
            // SQLite numbers rows itself only through an INTEGER PRIMARY KEY column.
            d += QStringLiteral("INTEGER ");
            if (chave && (chave->colunas.size() != 1 ||
                          Catalogo::dobrar(chave->colunas[0]) != Catalogo::dobrar(c.nome))) {
                Falhar(ErroComando, QStringLiteral("TSql"),
                       QStringLiteral("A coluna de identidade %1 precisa ser a chave primária")
                           .arg(c.nome));
            }
            if (chave && !chave->nome.isEmpty()) {
                d += QStringLiteral("CONSTRAINT ") + Aspas(chave->nome) + QLatin1Char(' ');
            }
            d += QStringLiteral("PRIMARY KEY AUTOINCREMENT");
            chaveNaIdentidade = chave != nullptr;
        } else {
            d += c.tipoDeclarado;
        }
        if (c.notNull) {
            d += QStringLiteral(" NOT NULL");
        }
        if (!c.padrao.isEmpty()) {
            if (!c.nomePadrao.isEmpty()) {
                d += QStringLiteral(" CONSTRAINT ") + Aspas(c.nomePadrao);
            }
            d += QStringLiteral(" DEFAULT (") + c.padrao + QLatin1Char(')');
        }
        if (c.tipo == TipoSql::Texto) {
            d += QStringLiteral(" COLLATE TSQL");
            if (c.tamanho > 0) {
                // SQLite's length() stops at a NUL: the bytes bound the characters, and a text
                // longer in bytes must hold no NUL for length() to count it whole.
                d += QStringLiteral(
                         " CONSTRAINT %1 CHECK (length(CAST(%2 AS BLOB)) <= %3 OR "
                         "(instr(%2, char(0)) = 0 AND length(%2) <= %3))")
                         .arg(Aspas(QStringLiteral("cadunir_tamanho_") + c.nome), Aspas(c.nome))
                         .arg(c.tamanho);
            }
        } else if (c.tipo == TipoSql::Data) {
            d += QStringLiteral(
                     " COLLATE TSQLDATE CONSTRAINT %1 CHECK (%2 IS NULL OR "
                     "julianday(%2) IS NOT NULL)")
                     .arg(Aspas(QStringLiteral("cadunir_data_") + c.nome), Aspas(c.nome));
        }
        for (const QString& x : c.extras) {
            d += QLatin1Char(' ') + x;
        }
        partes << d;
    }
    for (const auto& r : t.restricoes) {
        if (r.tipo == RestricaoDef::Chave && chaveNaIdentidade) {
            continue;
        }
        partes << (r.nome.isEmpty()
                       ? QString()
                       : QStringLiteral("CONSTRAINT ") + Aspas(r.nome) + QLatin1Char(' ')) +
                      r.corpo;
    }
    return QStringLiteral("CREATE TABLE ") + Aspas(t.nome) + QStringLiteral(" (") +
           partes.join(QStringLiteral(", ")) + QLatin1Char(')');
}

TabelaEscrita* Escritor::pendente(const QString& nome) {
    for (auto& t : m_pendentes) {
        if (Catalogo::dobrar(t->nome) == Catalogo::dobrar(nome)) {
            return t.get();
        }
    }
    return nullptr;
}

void Escritor::comandoCreate(const NoComando& n) {
    const SemParametros semParametros(*this);  // SQLite takes no parameters in DDL
    if (n.tipo == NoComando::CriarTabela) {
        auto t = std::make_unique<TabelaEscrita>();
        t->nome = n.tabela;
        for (const ElementoTabela& e : n.elementos) {
            elemento(*t, e);
        }
        emitir(ComandoTraduzido::Definicao, QString());
        m_posicaoPendente.last() = static_cast<int>(m_pendentes.size());
        m_pendentes.push_back(std::move(t));
        return;
    }
    if (n.tipo == NoComando::CriarVisao) {
        emitir(ComandoTraduzido::Definicao, QStringLiteral("CREATE VIEW ") + Aspas(n.tabela) +
                                                QStringLiteral(" AS ") +
                                                select(n.select, nullptr).sql);
        return;
    }
    QStringList colunas;
    for (int i = 0; i < n.colunas.size(); ++i) {
        colunas << canonico(n.colunas[i]) +
                       (n.descendentes[i] ? QStringLiteral(" DESC") : QString());
    }
    emitir(ComandoTraduzido::Definicao,
           QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
               .arg(n.unico ? QStringLiteral("UNIQUE ") : QString(), Aspas(n.indice),
                    canonico(n.tabela), colunas.join(QStringLiteral(", "))));
}

void Escritor::comandoAlter(const NoComando& n) {
    const SemParametros semParametros(*this);
    if (n.tabelaDoLote) {
        // Created earlier in this batch: the additions join its definition.
        TabelaEscrita* t = pendente(n.tabela);
        Q_ASSERT(t);
        for (const ElementoTabela& e : n.elementos) {
            elemento(*t, e);
        }
        return;
    }
    // An existing table: SQLite adds columns and unique indexes, nothing else (the parser
    // refused the rest).
    for (const ElementoTabela& e : n.elementos) {
        if (!e.ehColuna) {
            QStringList cs;
            for (const QString& c : e.restricao.colunas) {
                cs << canonico(c);
            }
            emitir(ComandoTraduzido::Definicao,
                   QStringLiteral("CREATE UNIQUE INDEX %1 ON %2 (%3)")
                       .arg(Aspas(e.restricao.nome), canonico(n.tabela),
                            cs.join(QStringLiteral(", "))));
            continue;
        }
        TabelaEscrita temporaria;
        temporaria.nome = n.tabela;
        temporaria.colunas.push_back(coluna(e.coluna));
        const QString criada = escreverTabela(temporaria);
        // "CREATE TABLE "x" (<column>)" -> the column definition alone.
        const int inicio = criada.indexOf(QStringLiteral(" (")) + 2;
        emitir(ComandoTraduzido::Definicao, QStringLiteral("ALTER TABLE ") + canonico(n.tabela) +
                                                QStringLiteral(" ADD COLUMN ") +
                                                criada.mid(inicio, criada.size() - inicio - 1));
    }
}

}  // namespace

Traducao EscreverTSql(const QString& sql, const Arvore& arvore, const Catalogo& catalogo,
                      bool parametrizar) {
    return Escritor(sql, arvore, catalogo, parametrizar).escrever();
}

}  // namespace dados
