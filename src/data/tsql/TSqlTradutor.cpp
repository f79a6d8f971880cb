#include "data/tsql/TSqlTradutor.h"

#include <QSet>
#include <QStringList>
#include <memory>

#include "data/base/TabelaErros.h"
#include "data/tsql/TSqlLexico.h"

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

// Tokens a statement's shape abstracts from: texts, numbers and NULL.
bool EhLiteral(const Token& t) {
    return t.tipo == Token::Texto || t.tipo == Token::Numero || t.ehPalavra("NULL");
}

// Words that end an expression or a name list; they are never taken as an alias.
const QSet<QString>& Reservadas() {
    static const QSet<QString> palavras = [] {
        QSet<QString> s;
        for (const char* p :
             {"SELECT",   "FROM",       "WHERE",   "GROUP",   "HAVING", "ORDER",      "BY",
              "INNER",    "LEFT",       "RIGHT",   "FULL",    "CROSS",  "OUTER",      "JOIN",
              "ON",       "AS",         "AND",     "OR",      "NOT",    "IN",         "IS",
              "NULL",     "LIKE",       "BETWEEN", "CASE",    "WHEN",   "THEN",       "ELSE",
              "END",      "UNION",      "INSERT",  "UPDATE",  "DELETE", "CREATE",     "ALTER",
              "DROP",     "VALUES",     "SET",     "INTO",    "TOP",    "DISTINCT",   "EXISTS",
              "ASC",      "DESC",       "WITH",    "PRIMARY", "KEY",    "CONSTRAINT", "DEFAULT",
              "FOR",      "REFERENCES", "FOREIGN", "TABLE",   "VIEW",   "INDEX",      "ALL",
              "TRUNCATE", "ESCAPE",     "UNIQUE",  "CHECK",   "BEGIN",  "COMMIT",     "ROLLBACK",
              "TRAN",     "TRANSACTION"}) {
            s.insert(QLatin1String(p));
        }
        return s;
    }();
    return palavras;
}

bool InicioDeComando(const Token& t) {
    for (const char* p : {"SELECT", "INSERT", "UPDATE", "DELETE", "CREATE", "ALTER", "DROP",
                          "TRUNCATE", "SET", "BEGIN", "COMMIT", "ROLLBACK"}) {
        if (t.ehPalavra(p)) {
            return true;
        }
    }
    return false;
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

struct Expr {
    QString sql;
    TipoSql tipo = TipoSql::Desconhecido;
    bool coluna = false;
    Num num = Num::Nenhum;
};

// Nesting deeper than this is refused with SQL Server's message instead of exhausting the
// stack (each level costs about ten frames of the descent, more under the sanitizers) or
// SQLite's parser stack.
constexpr int kProfundidadeMaxima = 64;

// A text literal meeting a date is read as a date, as SQL Server converts it ('19700621').
QString ComoData(const Expr& x, const Expr& outro) {
    if (outro.tipo == TipoSql::Data && x.tipo == TipoSql::Texto && !x.coluna) {
        return QStringLiteral("tsql_data(") + x.sql + QLatin1Char(')');
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
        QHash<QString, TipoSql> colunasDerivadas;  // a subquery's result columns
    };
    QVector<Entrada> entradas;
    QHash<QString, TipoSql> apelidosSelecao;  // folded alias -> type, for ORDER BY
    const Escopo* pai = nullptr;
};

struct ColunaDef {
    QString nome;
    QString tipoDeclarado;
    TipoSql tipo = TipoSql::Desconhecido;
    int tamanho = 0;
    bool identidade = false;
    qint64 semente = 1;
    bool notNull = false;
    QString padrao;
    QString nomePadrao;
    QStringList extras;  // inline UNIQUE / REFERENCES / CHECK already written
    bool chave = false;  // inline PRIMARY KEY (becomes the table's key constraint)
    QString nomeChave;
};

struct RestricaoDef {
    enum Tipo { Chave, Unica, Estrangeira, Verificacao } tipo = Chave;
    QString nome;
    QStringList colunas;
    QString corpo;  // written SQLite text after the constraint name
};

struct TabelaDef {
    QString nome;
    QVector<ColunaDef> colunas;
    QVector<RestricaoDef> restricoes;
};

class Tradutor {
  public:
    Tradutor(const QString& sql, QVector<Token> tokens, const Catalogo& catalogo, bool parametrizar)
        : m_sql(sql), m_cat(catalogo), m_t(std::move(tokens)), m_parametrizar(parametrizar) {
        m_ordinal.resize(m_t.size());
        int n = 0;
        for (int i = 0; i < m_t.size(); ++i) {
            m_ordinal[i] = EhLiteral(m_t[i]) ? n++ : -1;
        }
        m_uso.fill(UsoNoTexto, n);
        m_fecha.fill(-1, m_t.size());
        QVector<int> abertos;
        for (int i = 0; i < m_t.size(); ++i) {
            if (m_t[i].ehSimbolo("(")) {
                abertos.push_back(i);
            } else if (m_t[i].ehSimbolo(")") && !abertos.isEmpty()) {
                m_fecha[abertos.takeLast()] = i;
            }
        }
    }

    Traducao traduzir();

  private:
    // ---- tokens ----
    const Token& atual() const { return m_t[m_p]; }
    const Token& adiante(int n) const { return m_t[qMin(m_p + n, m_t.size() - 1)]; }
    const Token& avancar() { return m_t[m_p < m_t.size() - 1 ? m_p++ : m_p]; }
    bool aceitarPalavra(const char* p) {
        if (atual().ehPalavra(p)) {
            ++m_p;
            return true;
        }
        return false;
    }
    bool aceitarSimbolo(const char* s) {
        if (atual().ehSimbolo(s)) {
            ++m_p;
            return true;
        }
        return false;
    }
    void exigirPalavra(const char* p) {
        if (!aceitarPalavra(p)) {
            erro();
        }
    }
    void exigirSimbolo(const char* s) {
        if (!aceitarSimbolo(s)) {
            erro();
        }
    }
    [[noreturn]] void erro(const QString& motivo = QString()) const {
        const Token& t = atual();
        Falhar(
            ErroComando, QStringLiteral("TSql"),
            QStringLiteral("Sintaxe incorreta próxima de '%1'%2 (posição %3) em: %4")
                .arg(t.comoEscrito(), motivo.isEmpty() ? QString() : QStringLiteral(": ") + motivo)
                .arg(t.posicao + 1)
                .arg(m_sql.left(500)));
    }
    bool ehNome(const Token& t) const {
        return t.tipo == Token::NomeDelimitado ||
               (t.tipo == Token::Nome && !Reservadas().contains(t.texto.toUpper()));
    }
    QString nome() {
        if (!ehNome(atual())) {
            erro();
        }
        return avancar().texto;
    }
    // [db].[dbo].[Name] -> Name
    QString nomeQualificado() {
        QString n = nome();
        while (atual().ehSimbolo(".") && ehNome(adiante(1))) {
            ++m_p;
            n = nome();
        }
        return n;
    }
    QStringList listaDeNomes() {
        exigirSimbolo("(");
        QStringList nomes;
        do {
            nomes << nome();
            if (!aceitarPalavra("ASC")) {
                aceitarPalavra("DESC");
            }
        } while (aceitarSimbolo(","));
        exigirSimbolo(")");
        return nomes;
    }
    void pularGrupoArquivos() {
        // ON [PRIMARY] / TEXTIMAGE_ON [PRIMARY]: SQLite has one file, nothing to place.
        while (atual().ehPalavra("ON") || atual().ehPalavra("TEXTIMAGE_ON")) {
            ++m_p;
            nome();
        }
    }
    // Counts one level of nesting for as long as it lives.
    struct Nivel {
        explicit Nivel(Tradutor& t) : m_tradutor(t) {
            if (++t.m_nivel > kProfundidadeMaxima) {
                Falhar(ErroComando, QStringLiteral("TSql"),
                       QStringLiteral("Msg 191: Some part of your SQL statement is nested too "
                                      "deeply. Rewrite the query or break it up into smaller "
                                      "queries. (posição %1)")
                           .arg(t.atual().posicao + 1));
            }
        }
        ~Nivel() { --m_tradutor.m_nivel; }
        Nivel(const Nivel&) = delete;
        Nivel& operator=(const Nivel&) = delete;
        Tradutor& m_tradutor;
    };
    // Literals read while it lives stay in the text (DDL, ORDER BY positions).
    struct SemParametros {
        explicit SemParametros(Tradutor& t) : m_tradutor(t) { ++t.m_semParametros; }
        ~SemParametros() { --m_tradutor.m_semParametros; }
        SemParametros(const SemParametros&) = delete;
        SemParametros& operator=(const SemParametros&) = delete;
        Tradutor& m_tradutor;
    };
    Expr literal();
    QString valorSimples(TipoSql destino);
    void adicionar(ComandoTraduzido c);

    QString colunaCanonica(const QString& n) const { return Aspas(m_cat.canonico(n)); }
    QString tabelaCanonica(const QString& n) const { return Aspas(m_cat.canonico(n)); }

    // ---- statements ----
    void comando();
    void comandoSelect();
    void comandoInsert();
    void comandoUpdate();
    void comandoDelete();
    void comandoCreate();
    void comandoAlter();
    void comandoDrop();
    void comandoSet();
    void comandoTransacao();
    void emitir(ComandoTraduzido::Tipo tipo, const QString& sql, const QString& alvo = QString());

    struct Selecao {
        QString sql;
        bool estrela = false;
        QVector<QString> nomes;
        QVector<TipoSql> tipos;
    };
    Selecao select(const Escopo* pai, bool membroDeUniao = false);
    QString listaFrom(Escopo& escopo);
    QString referenciaTabela(Escopo& escopo);
    QString itemSelecao(Escopo& escopo, Selecao& s);
    QString expandirEstrela(const Escopo& escopo, const QString& qualificador, Selecao& s);

    // ---- expressions ----
    Expr expressao(const Escopo& e) {
        const Nivel nivel(*this);
        return ou(e);
    }
    Expr ou(const Escopo& e);
    Expr e_(const Escopo& e);
    Expr nao(const Escopo& e);
    Expr predicado(const Escopo& e);
    Expr aditiva(const Escopo& e);
    Expr unaria(const Escopo& e);
    Expr primaria(const Escopo& e);
    Expr funcao(const Escopo& e, const Token& nome);
    Expr referenciaColuna(const Escopo& e);
    Expr caso(const Escopo& e);
    QString comparacao(const Expr& a, const QString& op, const Expr& b) const;
    QString ordenacao(const Escopo& e, bool comDirecao);
    TipoSql tipoDaColuna(const Escopo& e, const QString& qualificador, const QString& coluna,
                         QString* apelidoEscrito, Num* num = nullptr) const;
    struct Passo {
        QString prefixo, meio, sufixo;
        TipoSql tipo;
        Num num;
    };
    static Passo passoAritmetico(QChar op, TipoSql ta, Num na, const Expr& b);
    Expr cadeiaAritmetica(const Escopo& e, bool somas);

    // ---- DDL ----
    ColunaDef definicaoColuna();
    bool restricaoDeTabela(TabelaDef& t, bool emAlter);
    QString escreverTabela(const TabelaDef& t) const;
    TabelaDef* pendente(const QString& nome);
    void adicionarColuna(TabelaDef& t, const ColunaDef& c);

    const QString& m_sql;
    const Catalogo& m_cat;
    QVector<Token> m_t;
    int m_p = 0;
    Traducao m_r;
    int m_nivel = 0;
    // Literals become bound parameters (?1, ?2... per command), so that statements that differ
    // only in their literals share one translation; m_ordinal numbers the literal tokens.
    bool m_parametrizar = false;
    int m_semParametros = 0;
    QVector<int> m_ordinal;
    enum Uso : char { UsoNoTexto, UsoComTipo, UsoQualquer };
    QVector<Uso> m_uso;
    QVector<int> m_parametros;
    QVector<int> m_fecha;  // index of the ")" that closes the "(" at each index (or -1)
    int m_termos = 0;      // operands of AND/OR chains, IN lists and CASE in this command
    // CREATE TABLEs of this batch are written at its end, so that the ALTER TABLE ... ADD
    // CONSTRAINT statements that follow them in the batch become part of their definition.
    std::vector<std::unique_ptr<TabelaDef>> m_pendentes;
    QVector<int> m_posicaoPendente;  // command index -> pending table (or -1)
};

Traducao Tradutor::traduzir() {
    while (atual().tipo != Token::Fim) {
        if (aceitarSimbolo(";")) {
            continue;
        }
        comando();
        if (atual().tipo != Token::Fim && !atual().ehSimbolo(";") && !InicioDeComando(atual())) {
            erro();
        }
    }
    if (m_r.comandos.isEmpty()) {
        erro(QStringLiteral("comando vazio"));
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
            const TabelaDef& t = *m_pendentes[m_posicaoPendente[i]];
            m_r.comandos[i].sql = escreverTabela(t);
            for (const auto& c : t.colunas) {
                if (c.identidade && c.semente != 1) {
                    ComandoTraduzido semente;
                    semente.tipo = ComandoTraduzido::Definicao;
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

void Tradutor::emitir(ComandoTraduzido::Tipo tipo, const QString& sql, const QString& alvo) {
    ComandoTraduzido c;
    c.tipo = tipo;
    c.sql = sql;
    c.tabelaAlvo = alvo;
    if (tipo == ComandoTraduzido::Definicao) {
        m_r.alteraEsquema = true;
    }
    adicionar(std::move(c));
}

void Tradutor::adicionar(ComandoTraduzido c) {
    c.parametros = m_parametros;
    m_parametros.clear();
    c.muitosTermos = m_termos > 1000;
    m_termos = 0;
    m_r.comandos.push_back(std::move(c));
    m_posicaoPendente.push_back(-1);
}

// A value of INSERT ... VALUES that is one literal (or NULL): its translation is the same
// whatever its kind, so rows with NULLs in other places share one translation. Empty when the
// next value is something else.
QString Tradutor::valorSimples(TipoSql destino) {
    const bool sozinho = adiante(1).ehSimbolo(",") || adiante(1).ehSimbolo(")");
    if (!m_parametrizar || m_semParametros > 0 || !EhLiteral(atual()) || !sozinho) {
        return QString();
    }
    const int ordinal = m_ordinal[m_p++];
    m_uso[ordinal] = UsoQualquer;
    m_parametros.push_back(ordinal);
    const QString p = QLatin1Char('?') + QString::number(m_parametros.size());
    // A date column reads a text as SQL Server does; NULL and numbers pass as they are.
    return destino == TipoSql::Data ? QStringLiteral("tsql_data(") + p + QLatin1Char(')') : p;
}

Expr Tradutor::literal() {
    const Token& t = avancar();
    Expr r;
    if (t.tipo == Token::Texto) {
        r.tipo = TipoSql::Texto;
    } else {
        r.tipo = TipoSql::Numero;
        r.num = NumDoLiteral(t.texto);
    }
    const int ordinal = m_ordinal[m_p - 1];
    if (m_parametrizar && m_semParametros == 0 && ordinal >= 0) {
        m_uso[ordinal] = UsoComTipo;  // the translation depends on the literal's kind
        m_parametros.push_back(ordinal);
        r.sql = QLatin1Char('?') + QString::number(m_parametros.size());
    } else {
        r.sql = t.tipo == Token::Texto ? Literal(t.texto) : t.texto;
    }
    return r;
}

void Tradutor::comando() {
    const Token& t = atual();
    if (t.ehPalavra("SELECT")) {
        comandoSelect();
    } else if (t.ehPalavra("INSERT")) {
        comandoInsert();
    } else if (t.ehPalavra("UPDATE")) {
        comandoUpdate();
    } else if (t.ehPalavra("DELETE")) {
        comandoDelete();
    } else if (t.ehPalavra("CREATE")) {
        comandoCreate();
    } else if (t.ehPalavra("ALTER")) {
        comandoAlter();
    } else if (t.ehPalavra("DROP")) {
        comandoDrop();
    } else if (t.ehPalavra("SET")) {
        comandoSet();
    } else if (t.ehPalavra("BEGIN") || t.ehPalavra("COMMIT") || t.ehPalavra("ROLLBACK")) {
        comandoTransacao();
    } else if (t.ehPalavra("TRUNCATE")) {
        ++m_p;
        exigirPalavra("TABLE");
        emitir(ComandoTraduzido::Alteracao,
               QStringLiteral("DELETE FROM ") + tabelaCanonica(nomeQualificado()));
    } else {
        erro();
    }
}

// ---------------------------------------------------------------- SELECT

void Tradutor::comandoSelect() {
    Selecao s = select(nullptr);
    ComandoTraduzido c;
    c.tipo = ComandoTraduzido::Consulta;
    c.sql = s.sql;
    c.temNomes = !s.estrela;
    c.nomes = s.nomes;
    c.tipos = s.tipos;
    adicionar(std::move(c));
}

Tradutor::Selecao Tradutor::select(const Escopo* pai, bool membroDeUniao) {
    const Nivel nivel(*this);
    exigirPalavra("SELECT");
    Selecao s;
    QString cabeca = QStringLiteral("SELECT ");
    if (aceitarPalavra("DISTINCT")) {
        cabeca += QStringLiteral("DISTINCT ");
    } else {
        aceitarPalavra("ALL");
    }
    QString limite;
    if (aceitarPalavra("TOP")) {
        const bool parenteses = aceitarSimbolo("(");
        if (atual().tipo != Token::Numero || atual().texto.contains(QLatin1Char('.'))) {
            erro();
        }
        limite = avancar().texto;
        if (parenteses) {
            exigirSimbolo(")");
        }
        if (atual().ehPalavra("PERCENT")) {
            erro(QStringLiteral("TOP PERCENT não é aceito"));
        }
        if (membroDeUniao) {
            // SQL Server limits only that member; SQLite's LIMIT would cut the whole union.
            erro(QStringLiteral("TOP num membro de UNION não é aceito"));
        }
    }

    // The select list may name columns of tables listed after it: read FROM first. The look
    // ahead steps over parenthesised parts, so that nested queries are not read again by
    // every query around them.
    const int inicioLista = m_p;
    int posFrom = -1;
    for (int i = m_p; i < m_t.size(); ++i) {
        const Token& t = m_t[i];
        if (t.tipo == Token::Fim || t.ehSimbolo(";") || t.ehSimbolo(")")) {
            break;
        }
        if (t.ehSimbolo("(")) {
            if (m_fecha[i] < 0) {
                break;
            }
            i = m_fecha[i];
        } else if (t.tipo == Token::Nome) {
            if (t.ehPalavra("FROM")) {
                posFrom = i;
                break;
            }
            if (InicioDeComando(t) || t.ehPalavra("WHERE") || t.ehPalavra("GROUP") ||
                t.ehPalavra("ORDER") || t.ehPalavra("HAVING") || t.ehPalavra("UNION")) {
                break;
            }
        }
    }
    Escopo escopo;
    escopo.pai = pai;
    QString from;
    int depoisFrom = -1;
    if (posFrom >= 0) {
        m_p = posFrom + 1;
        from = listaFrom(escopo);
        depoisFrom = m_p;
        m_p = inicioLista;
    }
    QStringList itens;
    do {
        itens << itemSelecao(escopo, s);
    } while (aceitarSimbolo(","));
    if (posFrom >= 0) {
        if (m_p != posFrom) {
            erro();
        }
        m_p = depoisFrom;
    }
    QString sql = cabeca + itens.join(QStringLiteral(", "));
    if (!from.isEmpty()) {
        sql += QStringLiteral(" FROM ") + from;
    }
    if (aceitarPalavra("WHERE")) {
        sql += QStringLiteral(" WHERE ") + expressao(escopo).sql;
    }
    if (atual().ehPalavra("GROUP")) {
        ++m_p;
        exigirPalavra("BY");
        sql += QStringLiteral(" GROUP BY ") + ordenacao(escopo, false);
    }
    if (aceitarPalavra("HAVING")) {
        sql += QStringLiteral(" HAVING ") + expressao(escopo).sql;
    }
    // Members are read here one after another, not each inside the one before (which would
    // nest as deep as the union is long).
    while (!membroDeUniao && atual().ehPalavra("UNION")) {
        if (!limite.isEmpty()) {
            erro(QStringLiteral("TOP num membro de UNION não é aceito"));
        }
        ++m_p;
        sql += aceitarPalavra("ALL") ? QStringLiteral(" UNION ALL ") : QStringLiteral(" UNION ");
        sql += select(pai, true).sql;
    }
    if (atual().ehPalavra("ORDER")) {
        ++m_p;
        exigirPalavra("BY");
        sql += QStringLiteral(" ORDER BY ") + ordenacao(escopo, true);
    }
    if (!limite.isEmpty()) {
        sql += QStringLiteral(" LIMIT ") + limite;
    }
    s.sql = sql;
    return s;
}

// `*` or `t.*` written out as the columns of the tables in scope, so that every result
// column has its known name and type; a subquery in scope keeps the star.
QString Tradutor::expandirEstrela(const Escopo& escopo, const QString& qualificador, Selecao& s) {
    QStringList colunas;
    QVector<QString> nomes;
    QVector<TipoSql> tipos;
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
            return qualificador.isEmpty() ? QStringLiteral("*") : escrito + QStringLiteral(".*");
        }
        for (const auto& c : entrada.tabela->colunas) {
            colunas << Aspas(entrada.apelido) + QLatin1Char('.') + Aspas(c.nome);
            nomes << QString();
            tipos << c.tipo;
        }
    }
    if (!achou) {
        erro(QStringLiteral("nenhuma tabela para *"));
    }
    s.nomes += nomes;
    s.tipos += tipos;
    return colunas.join(QStringLiteral(", "));
}

QString Tradutor::itemSelecao(Escopo& escopo, Selecao& s) {
    if (aceitarSimbolo("*")) {
        return expandirEstrela(escopo, QString(), s);
    }
    if (ehNome(atual()) && adiante(1).ehSimbolo(".") && adiante(2).ehSimbolo("*")) {
        const QString q = nome();
        m_p += 2;
        return expandirEstrela(escopo, q, s);
    }
    QString apelido;
    bool temApelido = false;
    if (ehNome(atual()) && adiante(1).ehSimbolo("=")) {
        // T-SQL's "alias = expression" form.
        apelido = nome();
        ++m_p;
        temApelido = true;
    }
    const Expr e = expressao(escopo);
    if (!temApelido) {
        if (aceitarPalavra("AS")) {
            if (atual().tipo == Token::Texto) {
                apelido = avancar().texto;
            } else {
                apelido = nome();
            }
            temApelido = true;
        } else if (ehNome(atual()) || atual().tipo == Token::Texto) {
            apelido = avancar().texto;
            temApelido = true;
        }
    }
    s.tipos.push_back(e.tipo);
    // An expression's text compares as the register's texts do (UNION, DISTINCT, and the
    // outer query of a derived table); a column brings its own collation.
    QString sql = e.sql;
    if (!e.coluna && e.tipo == TipoSql::Texto) {
        sql += QStringLiteral(" COLLATE TSQL");
    } else if (!e.coluna && e.tipo == TipoSql::Data) {
        sql += QStringLiteral(" COLLATE TSQLDATE");
    }
    if (temApelido) {
        s.nomes.push_back(apelido);
        escopo.apelidosSelecao.insert(Catalogo::dobrar(apelido), e.tipo);
        return sql + QStringLiteral(" AS ") + Aspas(apelido);
    }
    // SQL Server leaves an expression without alias unnamed; a column keeps its name.
    s.nomes.push_back(e.coluna ? QString() : QStringLiteral(""));
    return sql;
}

QString Tradutor::listaFrom(Escopo& escopo) {
    QString sql = referenciaTabela(escopo);
    while (true) {
        if (aceitarSimbolo(",")) {
            sql += QStringLiteral(", ") + referenciaTabela(escopo);
            continue;
        }
        QString juncao;
        if (aceitarPalavra("INNER")) {
            juncao = QStringLiteral(" INNER JOIN ");
        } else if (aceitarPalavra("LEFT")) {
            aceitarPalavra("OUTER");
            juncao = QStringLiteral(" LEFT JOIN ");
        } else if (aceitarPalavra("RIGHT")) {
            aceitarPalavra("OUTER");
            juncao = QStringLiteral(" RIGHT JOIN ");
        } else if (aceitarPalavra("FULL")) {
            aceitarPalavra("OUTER");
            juncao = QStringLiteral(" FULL JOIN ");
        } else if (aceitarPalavra("CROSS")) {
            exigirPalavra("JOIN");
            sql += QStringLiteral(" CROSS JOIN ") + referenciaTabela(escopo);
            continue;
        } else if (atual().ehPalavra("JOIN")) {
            juncao = QStringLiteral(" INNER JOIN ");
        } else {
            break;
        }
        exigirPalavra("JOIN");
        sql += juncao + referenciaTabela(escopo);
        exigirPalavra("ON");
        sql += QStringLiteral(" ON ") + expressao(escopo).sql;
    }
    return sql;
}

QString Tradutor::referenciaTabela(Escopo& escopo) {
    Escopo::Entrada entrada;
    QString sql;
    if (atual().ehSimbolo("(")) {
        if (adiante(1).ehPalavra("SELECT")) {
            ++m_p;
            const Selecao s = select(&escopo);
            exigirSimbolo(")");
            sql = QLatin1Char('(') + s.sql + QLatin1Char(')');
            for (int i = 0; i < s.nomes.size(); ++i) {
                if (!s.nomes[i].isEmpty()) {
                    entrada.colunasDerivadas.insert(Catalogo::dobrar(s.nomes[i]), s.tipos[i]);
                }
            }
        } else {
            // A parenthesised join: (A INNER JOIN B ON ...) INNER JOIN C ...
            const Nivel nivel(*this);
            ++m_p;
            sql = QLatin1Char('(') + listaFrom(escopo) + QLatin1Char(')');
            exigirSimbolo(")");
            return sql;
        }
    } else {
        const QString n = nomeQualificado();
        if (n.compare(QLatin1String("sysobjects"), Qt::CaseInsensitive) == 0) {
            // SQL Server's column order: the name comes first.
            sql = QStringLiteral(
                "(SELECT name COLLATE TSQL AS name, rowid AS id, "
                "CASE type WHEN 'table' THEN 'U' ELSE 'V' END AS xtype, "
                "CASE type WHEN 'table' THEN 'U' ELSE 'V' END AS type, "
                "1 AS uid, NULL AS crdate FROM sqlite_master "
                "WHERE type IN ('table', 'view') AND name NOT LIKE 'sqlite!_%' ESCAPE '!')");
            entrada.apelido = QStringLiteral("sysobjects");
            entrada.colunasDerivadas.insert(QStringLiteral("name"), TipoSql::Texto);
            entrada.colunasDerivadas.insert(QStringLiteral("xtype"), TipoSql::Texto);
            entrada.colunasDerivadas.insert(QStringLiteral("type"), TipoSql::Texto);
            entrada.colunasDerivadas.insert(QStringLiteral("id"), TipoSql::Numero);
            if (!(atual().ehPalavra("AS") || ehNome(atual()))) {
                sql += QStringLiteral(" AS sysobjects");
            }
        } else {
            entrada.tabela = m_cat.tabela(n);
            entrada.apelido = entrada.tabela ? entrada.tabela->nome : n;
            sql = tabelaCanonica(n);
        }
    }
    if (aceitarPalavra("AS") || ehNome(atual())) {
        entrada.apelido = nome();
        sql += QStringLiteral(" AS ") + Aspas(entrada.apelido);
    } else if (entrada.apelido.isEmpty()) {
        erro(QStringLiteral("subconsulta sem nome"));
    }
    escopo.entradas.push_back(entrada);
    return sql;
}

QString Tradutor::ordenacao(const Escopo& e, bool comDirecao) {
    // ORDER BY 1 names a column by position; a bound 1 would be a constant.
    const SemParametros semParametros(*this);
    QStringList itens;
    do {
        Expr x;
        // ORDER BY may name a select-list alias; texts sort by the collation of their column.
        if (comDirecao && ehNome(atual()) && !adiante(1).ehSimbolo(".") &&
            !adiante(1).ehSimbolo("(") &&
            e.apelidosSelecao.contains(Catalogo::dobrar(atual().texto))) {
            const QString n = nome();
            x.sql = Aspas(n);
            x.tipo = e.apelidosSelecao.value(Catalogo::dobrar(n));
        } else {
            x = expressao(e);
        }
        QString item = x.sql;
        if (!x.coluna && x.tipo == TipoSql::Texto) {
            item += QStringLiteral(" COLLATE TSQL");
        } else if (!x.coluna && x.tipo == TipoSql::Data) {
            item += QStringLiteral(" COLLATE TSQLDATE");
        }
        if (comDirecao) {
            if (aceitarPalavra("DESC")) {
                item += QStringLiteral(" DESC");
            } else {
                aceitarPalavra("ASC");
            }
        }
        itens << item;
    } while (aceitarSimbolo(","));
    return itens.join(QStringLiteral(", "));
}

// ---------------------------------------------------------------- INSERT / UPDATE / DELETE

void Tradutor::comandoInsert() {
    exigirPalavra("INSERT");
    aceitarPalavra("INTO");
    const QString n = nomeQualificado();
    const TabelaCatalogo* tabela = m_cat.tabela(n);
    const QString alvo = tabela ? tabela->nome : n;
    QString sql = QStringLiteral("INSERT INTO ") + Aspas(alvo);
    ComandoTraduzido c;
    c.identidadeNaTabela = tabela && tabela->identidade() >= 0;
    QVector<TipoSql> destino;  // the type of each value's column, where known
    if (atual().ehSimbolo("(")) {
        c.listaDeColunas = true;
        const QStringList colunas = listaDeNomes();
        QStringList escritas;
        for (const QString& nomeColuna : colunas) {
            const ColunaCatalogo* cc = tabela ? tabela->coluna(nomeColuna) : nullptr;
            destino << (cc ? cc->tipo : TipoSql::Desconhecido);
            if (cc && cc->identidade) {
                c.identidadeExplicita = true;  // allowed only under IDENTITY_INSERT ON
            }
            escritas << (cc ? Aspas(cc->nome) : colunaCanonica(nomeColuna));
        }
        sql += QStringLiteral(" (") + escritas.join(QStringLiteral(", ")) + QLatin1Char(')');
    } else if (c.identidadeNaTabela && !atual().ehPalavra("DEFAULT")) {
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
    if (aceitarPalavra("VALUES")) {
        Escopo vazio;
        QStringList linhas;
        do {
            exigirSimbolo("(");
            QStringList valores;
            do {
                Expr coluna;
                coluna.tipo = destino.value(valores.size(), TipoSql::Desconhecido);
                const QString simples = valorSimples(coluna.tipo);
                valores << (simples.isEmpty() ? ComoData(expressao(vazio), coluna) : simples);
            } while (aceitarSimbolo(","));
            exigirSimbolo(")");
            linhas << QLatin1Char('(') + valores.join(QStringLiteral(", ")) + QLatin1Char(')');
        } while (aceitarSimbolo(","));
        sql += QStringLiteral(" VALUES ") + linhas.join(QStringLiteral(", "));
    } else if (atual().ehPalavra("SELECT")) {
        sql += QLatin1Char(' ') + select(nullptr).sql;
    } else if (aceitarPalavra("DEFAULT")) {
        exigirPalavra("VALUES");
        sql += QStringLiteral(" DEFAULT VALUES");
    } else {
        erro();
    }
    c.tipo = ComandoTraduzido::Alteracao;
    c.sql = sql;
    c.tabelaAlvo = alvo;
    adicionar(std::move(c));
}

void Tradutor::comandoUpdate() {
    exigirPalavra("UPDATE");
    const QString n = nomeQualificado();
    Escopo escopo;
    Escopo::Entrada entrada;
    entrada.tabela = m_cat.tabela(n);
    entrada.apelido = entrada.tabela ? entrada.tabela->nome : n;
    escopo.entradas.push_back(entrada);
    exigirPalavra("SET");
    QStringList sets;
    do {
        QString coluna = nome();
        while (aceitarSimbolo(".")) {
            coluna = nome();
        }
        exigirSimbolo("=");
        const ColunaCatalogo* cc = entrada.tabela ? entrada.tabela->coluna(coluna) : nullptr;
        if (cc && cc->identidade) {
            Falhar(ErroComando, QStringLiteral("TSql"),
                   QStringLiteral("Msg 8102: Cannot update identity column '%1'.").arg(cc->nome));
        }
        Expr destino;
        destino.tipo = cc ? cc->tipo : TipoSql::Desconhecido;
        sets << (cc ? Aspas(cc->nome) : colunaCanonica(coluna)) + QStringLiteral(" = ") +
                    ComoData(expressao(escopo), destino);
    } while (aceitarSimbolo(","));
    QString sql = QStringLiteral("UPDATE ") + tabelaCanonica(n) + QStringLiteral(" SET ") +
                  sets.join(QStringLiteral(", "));
    if (aceitarPalavra("WHERE")) {
        sql += QStringLiteral(" WHERE ") + expressao(escopo).sql;
    }
    emitir(ComandoTraduzido::Alteracao, sql);
}

void Tradutor::comandoDelete() {
    exigirPalavra("DELETE");
    aceitarPalavra("FROM");
    const QString n = nomeQualificado();
    Escopo escopo;
    Escopo::Entrada entrada;
    entrada.tabela = m_cat.tabela(n);
    entrada.apelido = entrada.tabela ? entrada.tabela->nome : n;
    escopo.entradas.push_back(entrada);
    QString sql = QStringLiteral("DELETE FROM ") + tabelaCanonica(n);
    if (aceitarPalavra("WHERE")) {
        sql += QStringLiteral(" WHERE ") + expressao(escopo).sql;
    }
    emitir(ComandoTraduzido::Alteracao, sql);
}

// SET IDENTITY_INSERT <table> ON|OFF. Which table is ON is the session's, so the engine
// keeps it; the table must exist and have an identity column, which the catalogue answers.
void Tradutor::comandoSet() {
    exigirPalavra("SET");
    if (!atual().ehPalavra("IDENTITY_INSERT")) {
        erro(QStringLiteral("só SET IDENTITY_INSERT é aceito"));
    }
    ++m_p;
    const QString n = nomeQualificado();
    ComandoTraduzido c;
    c.tipo = ComandoTraduzido::Sessao;
    if (aceitarPalavra("ON")) {
        c.acao = ComandoTraduzido::Acao::LigarIdentidade;
    } else if (atual().ehPalavra("OFF")) {
        ++m_p;
        c.acao = ComandoTraduzido::Acao::DesligarIdentidade;
    } else {
        erro();
    }
    const TabelaCatalogo* tabela = m_cat.tabela(n);
    if (!tabela || tabela->visao) {
        Falhar(ErroObjetoInexistente, QStringLiteral("TSql"),
               QStringLiteral("Msg 208: Invalid object name '%1'.").arg(n));
    }
    if (tabela->identidade() < 0) {
        Falhar(ErroComando, QStringLiteral("TSql"),
               QStringLiteral("Msg 8106: Table '%1' does not have the identity property. Cannot "
                              "perform SET operation.")
                   .arg(tabela->nome));
    }
    c.tabelaAlvo = tabela->nome;
    adicionar(std::move(c));
}

// BEGIN TRAN[SACTION] [name], COMMIT [TRAN[SACTION] | WORK] [name],
// ROLLBACK [TRAN[SACTION] | WORK] [name]: the engine counts the levels (@@TRANCOUNT).
void Tradutor::comandoTransacao() {
    ComandoTraduzido c;
    c.tipo = ComandoTraduzido::Sessao;
    bool podeTerNome = true;
    if (aceitarPalavra("BEGIN")) {
        if (!aceitarPalavra("TRAN") && !aceitarPalavra("TRANSACTION")) {
            erro(QStringLiteral("só BEGIN TRANSACTION é aceito"));
        }
        c.acao = ComandoTraduzido::Acao::IniciarTransacao;
    } else {
        if (aceitarPalavra("COMMIT")) {
            c.acao = ComandoTraduzido::Acao::ConfirmarTransacao;
        } else {
            exigirPalavra("ROLLBACK");
            c.acao = ComandoTraduzido::Acao::DesfazerTransacao;
        }
        if (atual().ehPalavra("WORK")) {
            ++m_p;
            podeTerNome = false;
        } else {
            podeTerNome = aceitarPalavra("TRAN") || aceitarPalavra("TRANSACTION");
        }
    }
    if (podeTerNome &&
        (atual().tipo == Token::NomeDelimitado ||
         (atual().tipo == Token::Nome && ehNome(atual()) && !InicioDeComando(atual())))) {
        c.nomeTransacao = avancar().texto;
    }
    if (atual().ehPalavra("WITH")) {
        erro(QStringLiteral("BEGIN TRANSACTION WITH MARK não é aceito"));
    }
    adicionar(std::move(c));
}

// ---------------------------------------------------------------- expressions

Expr Tradutor::ou(const Escopo& e) {
    Expr a = e_(e);
    if (!atual().ehPalavra("OR")) {
        return a;
    }
    // Operands are kept apart and written once: appending to the text so far would copy it
    // on every OR.
    QVector<QString> partes{std::move(a.sql)};
    while (aceitarPalavra("OR")) {
        partes.push_back(e_(e).sql);
    }
    m_termos += partes.size();
    Expr r;
    r.tipo = TipoSql::Numero;
    EscreverEquilibrado(r.sql, partes, 0, partes.size(), QLatin1String(" OR "));
    return r;
}

Expr Tradutor::e_(const Escopo& e) {
    Expr a = nao(e);
    if (!atual().ehPalavra("AND")) {
        return a;
    }
    QVector<QString> partes{std::move(a.sql)};
    while (aceitarPalavra("AND")) {
        partes.push_back(nao(e).sql);
    }
    m_termos += partes.size();
    Expr r;
    r.tipo = TipoSql::Numero;
    EscreverEquilibrado(r.sql, partes, 0, partes.size(), QLatin1String(" AND "));
    return r;
}

Expr Tradutor::nao(const Escopo& e) {
    if (aceitarPalavra("NOT")) {
        const Nivel nivel(*this);
        Expr a = nao(e);
        a.sql = QStringLiteral("(NOT ") + a.sql + QLatin1Char(')');
        a.tipo = TipoSql::Numero;
        a.coluna = false;
        a.num = Num::Nenhum;
        return a;
    }
    return predicado(e);
}

QString Tradutor::comparacao(const Expr& a, const QString& op, const Expr& b) const {
    QString esquerda = ComoData(a, b);
    // A column brings its own collation; two expressions compare as SQL Server's texts do.
    if (!a.coluna && !b.coluna) {
        if (a.tipo == TipoSql::Data || b.tipo == TipoSql::Data) {
            esquerda += QStringLiteral(" COLLATE TSQLDATE");
        } else if (a.tipo == TipoSql::Texto || b.tipo == TipoSql::Texto) {
            esquerda += QStringLiteral(" COLLATE TSQL");
        }
    }
    return QLatin1Char('(') + esquerda + QLatin1Char(' ') + op + QLatin1Char(' ') + ComoData(b, a) +
           QLatin1Char(')');
}

Expr Tradutor::predicado(const Escopo& e) {
    if (atual().ehPalavra("EXISTS")) {
        ++m_p;
        exigirSimbolo("(");
        const Selecao s = select(&e);
        exigirSimbolo(")");
        return {QStringLiteral("EXISTS (") + s.sql + QLatin1Char(')'), TipoSql::Numero, false};
    }
    Expr a = aditiva(e);
    Expr r;
    r.tipo = TipoSql::Numero;
    const Token& t = atual();
    if (t.tipo == Token::Simbolo &&
        (t.texto == QLatin1String("=") || t.texto == QLatin1String("<>") ||
         t.texto == QLatin1String("!=") || t.texto == QLatin1String("<") ||
         t.texto == QLatin1String(">") || t.texto == QLatin1String("<=") ||
         t.texto == QLatin1String(">=") || t.texto == QLatin1String("!<") ||
         t.texto == QLatin1String("!>"))) {
        QString op = avancar().texto;
        if (op == QLatin1String("!=")) {
            op = QStringLiteral("<>");
        } else if (op == QLatin1String("!<")) {
            op = QStringLiteral(">=");
        } else if (op == QLatin1String("!>")) {
            op = QStringLiteral("<=");
        }
        const Expr b = aditiva(e);
        r.sql = comparacao(a, op, b);
        return r;
    }
    if (aceitarPalavra("IS")) {
        const bool negado = aceitarPalavra("NOT");
        exigirPalavra("NULL");
        r.sql = QLatin1Char('(') + a.sql +
                (negado ? QStringLiteral(" IS NOT NULL)") : QStringLiteral(" IS NULL)"));
        return r;
    }
    const bool negado = aceitarPalavra("NOT");
    if (aceitarPalavra("IN")) {
        exigirSimbolo("(");
        QString lista;
        if (atual().ehPalavra("SELECT")) {
            lista = select(&e).sql;
        } else {
            QStringList itens;
            do {
                itens << ComoData(aditiva(e), a);
            } while (aceitarSimbolo(","));
            m_termos += itens.size();
            lista = itens.join(QStringLiteral(", "));
        }
        exigirSimbolo(")");
        QString esquerda = a.sql;
        if (!a.coluna && a.tipo == TipoSql::Texto) {
            esquerda += QStringLiteral(" COLLATE TSQL");
        }
        r.sql = QLatin1Char('(') + esquerda +
                (negado ? QStringLiteral(" NOT IN (") : QStringLiteral(" IN (")) + lista +
                QStringLiteral("))");
        return r;
    }
    if (aceitarPalavra("BETWEEN")) {
        const Expr b = aditiva(e);
        exigirPalavra("AND");
        const Expr c = aditiva(e);
        // NOT applies to the whole range test.
        r.sql = (negado ? QStringLiteral("(NOT (") : QStringLiteral("((")) +
                comparacao(a, QStringLiteral(">="), b) + QStringLiteral(" AND ") +
                comparacao(a, QStringLiteral("<="), c) + QStringLiteral("))");
        return r;
    }
    if (aceitarPalavra("LIKE")) {
        // SQLite's LIKE ignores case for ASCII letters only and knows no [sets].
        const Expr b = aditiva(e);
        QString sql = (negado ? QStringLiteral("(NOT tsql_like(") : QStringLiteral("(tsql_like(")) +
                      a.sql + QStringLiteral(", ") + b.sql;
        if (aceitarPalavra("ESCAPE")) {
            sql += QStringLiteral(", ") + aditiva(e).sql;
        }
        r.sql = sql + QStringLiteral("))");
        return r;
    }
    if (negado) {
        erro();
    }
    return a;
}

// One step of an arithmetic chain: how `left op b` is written around the left operand's text
// (prefix before it, then middle, b, suffix) and the type it gives.
Tradutor::Passo Tradutor::passoAritmetico(QChar op, TipoSql ta, Num na, const Expr& b) {
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
Expr Tradutor::cadeiaAritmetica(const Escopo& e, bool somas) {
    const auto operador = [this, somas]() {
        return somas ? (atual().ehSimbolo("+") || atual().ehSimbolo("-"))
                     : (atual().ehSimbolo("*") || atual().ehSimbolo("/") || atual().ehSimbolo("%"));
    };
    Expr a = somas ? cadeiaAritmetica(e, false) : unaria(e);
    if (!operador()) {
        return a;
    }
    QVector<QString> prefixos;
    QString corpo = std::move(a.sql);
    TipoSql tipo = a.tipo;
    Num num = a.num;
    while (operador()) {
        const QChar op = avancar().texto.at(0);
        const Expr b = somas ? cadeiaAritmetica(e, false) : unaria(e);
        const Passo p = passoAritmetico(op, tipo, num, b);
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

Expr Tradutor::aditiva(const Escopo& e) {
    return cadeiaAritmetica(e, true);
}

Expr Tradutor::unaria(const Escopo& e) {
    if (atual().ehSimbolo("-") || atual().ehSimbolo("+")) {
        const bool menos = avancar().texto == QLatin1String("-");
        const Nivel nivel(*this);
        Expr a = unaria(e);
        if (!menos) {
            return a;
        }
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
    return primaria(e);
}

Expr Tradutor::primaria(const Escopo& e) {
    const Token& t = atual();
    switch (t.tipo) {
        case Token::Texto:
        case Token::Numero:
            return literal();
        case Token::Variavel:
            if (t.texto.compare(QLatin1String("@@IDENTITY"), Qt::CaseInsensitive) == 0) {
                ++m_p;
                // numeric(38,0) on SQL Server
                return {QStringLiteral("tsql_identidade()"), TipoSql::Numero, false, Num::Exato};
            }
            if (t.texto.compare(QLatin1String("@@TRANCOUNT"), Qt::CaseInsensitive) == 0) {
                ++m_p;
                return {QStringLiteral("tsql_trancount()"), TipoSql::Numero, false, Num::Int};
            }
            erro(QStringLiteral("variáveis não são aceitas"));
        case Token::Simbolo:
            if (t.ehSimbolo("(")) {
                ++m_p;
                if (atual().ehPalavra("SELECT")) {
                    const Selecao s = select(&e);
                    exigirSimbolo(")");
                    return {QLatin1Char('(') + s.sql + QLatin1Char(')'),
                            s.tipos.value(0, TipoSql::Desconhecido), false};
                }
                Expr a = expressao(e);
                exigirSimbolo(")");
                a.sql = QLatin1Char('(') + a.sql + QLatin1Char(')');
                return a;
            }
            erro();
        case Token::Nome:
            if (t.ehPalavra("NULL")) {
                ++m_p;
                return {QStringLiteral("NULL"), TipoSql::Nulo, false};
            }
            if (t.ehPalavra("CASE")) {
                return caso(e);
            }
            if (adiante(1).ehSimbolo("(")) {
                const Token& nomeFuncao = avancar();
                ++m_p;
                return funcao(e, nomeFuncao);
            }
            if (!ehNome(t)) {
                erro();
            }
            return referenciaColuna(e);
        case Token::NomeDelimitado:
            return referenciaColuna(e);
        case Token::Fim:
            break;
    }
    erro();
}

Expr Tradutor::caso(const Escopo& e) {
    exigirPalavra("CASE");
    QString sql = QStringLiteral("CASE");
    Expr sujeito;
    const bool simples = !atual().ehPalavra("WHEN");
    if (simples) {
        sujeito = expressao(e);
        sql += QLatin1Char(' ') + sujeito.sql;
        if (!sujeito.coluna && sujeito.tipo == TipoSql::Texto) {
            sql += QStringLiteral(" COLLATE TSQL");
        }
    }
    TipoSql tipo = TipoSql::Nulo;
    const auto resultado = [&tipo](const Expr& r) {
        if (tipo == TipoSql::Nulo) {
            tipo = r.tipo;
        } else if (r.tipo != TipoSql::Nulo && r.tipo != tipo) {
            tipo = TipoSql::Desconhecido;
        }
    };
    if (!atual().ehPalavra("WHEN")) {
        erro();
    }
    while (aceitarPalavra("WHEN")) {
        ++m_termos;
        sql += QStringLiteral(" WHEN ") + expressao(e).sql;
        exigirPalavra("THEN");
        const Expr r = expressao(e);
        resultado(r);
        sql += QStringLiteral(" THEN ") + r.sql;
    }
    if (aceitarPalavra("ELSE")) {
        const Expr r = expressao(e);
        resultado(r);
        sql += QStringLiteral(" ELSE ") + r.sql;
    }
    exigirPalavra("END");
    return {sql + QStringLiteral(" END"), tipo, false};
}

Expr Tradutor::funcao(const Escopo& e, const Token& nomeToken) {
    // The opening parenthesis has been read.
    const QString f = nomeToken.texto.toUpper();
    const auto argumentos = [&](int minimo, int maximo) {
        QVector<Expr> args;
        if (!atual().ehSimbolo(")")) {
            do {
                args.push_back(expressao(e));
            } while (aceitarSimbolo(","));
        }
        if (args.size() < minimo || args.size() > maximo) {
            erro(QStringLiteral("número de argumentos de %1").arg(nomeToken.texto));
        }
        exigirSimbolo(")");
        return args;
    };
    const auto chamada = [](const QString& nome, const QVector<Expr>& args) {
        QStringList partes;
        for (const auto& a : args) {
            partes << a.sql;
        }
        return nome + QLatin1Char('(') + partes.join(QStringLiteral(", ")) + QLatin1Char(')');
    };
    if (f == QLatin1String("COUNT") || f == QLatin1String("MAX") || f == QLatin1String("MIN") ||
        f == QLatin1String("SUM") || f == QLatin1String("AVG")) {
        if (f == QLatin1String("COUNT") && aceitarSimbolo("*")) {
            exigirSimbolo(")");
            return {QStringLiteral("count(*)"), TipoSql::Numero, false, Num::Int};
        }
        QString distinto;
        if (aceitarPalavra("DISTINCT")) {
            distinto = QStringLiteral("DISTINCT ");
        } else {
            aceitarPalavra("ALL");
        }
        const Expr a = expressao(e);
        exigirSimbolo(")");
        const QString argumento = distinto + a.sql + QLatin1Char(')');
        if (f == QLatin1String("MAX") || f == QLatin1String("MIN")) {
            return {f.toLower() + QLatin1Char('(') + argumento, a.tipo, false, a.num};
        }
        if (f == QLatin1String("COUNT")) {
            return {QStringLiteral("count(") + argumento, TipoSql::Numero, false, Num::Int};
        }
        const bool inteiro = a.num == Num::Int || a.num == Num::Grande;
        if (f == QLatin1String("AVG") && inteiro) {
            // The average of integers is an integer on SQL Server, truncated toward zero.
            return {QStringLiteral("(sum(") + argumento + QStringLiteral(" / count(") + argumento +
                        QLatin1Char(')'),
                    TipoSql::Numero, false, a.num};
        }
        if (f == QLatin1String("SUM") && a.num == Num::Int) {
            return {QStringLiteral("tsql_int(sum(") + argumento + QLatin1Char(')'), TipoSql::Numero,
                    false, Num::Int};
        }
        return {f.toLower() + QLatin1Char('(') + argumento, TipoSql::Numero, false,
                inteiro ? a.num : Num::Nenhum};
    }
    if (f == QLatin1String("SOUNDEX")) {
        return {chamada(QStringLiteral("tsql_soundex"), argumentos(1, 1)), TipoSql::Texto, false};
    }
    if (f == QLatin1String("CHAR") || f == QLatin1String("NCHAR")) {
        return {chamada(QStringLiteral("tsql_") + f.toLower(), argumentos(1, 1)), TipoSql::Texto,
                false};
    }
    if (f == QLatin1String("GETDATE") || f == QLatin1String("CURRENT_TIMESTAMP")) {
        argumentos(0, 0);
        return {QStringLiteral("datetime('now', 'localtime')"), TipoSql::Data, false};
    }
    if (f == QLatin1String("UPPER") || f == QLatin1String("LOWER")) {
        return {chamada(QStringLiteral("tsql_") + f.toLower(), argumentos(1, 1)), TipoSql::Texto,
                false};
    }
    if (f == QLatin1String("LTRIM") || f == QLatin1String("RTRIM")) {
        return {chamada(f.toLower(), argumentos(1, 1)), TipoSql::Texto, false};
    }
    if (f == QLatin1String("LEN")) {
        const auto a = argumentos(1, 1);
        return {QStringLiteral("tsql_tamanho(rtrim(") + a[0].sql + QStringLiteral(", ' '))"),
                TipoSql::Numero, false, Num::Int};
    }
    if (f == QLatin1String("SUBSTRING")) {
        return {chamada(QStringLiteral("substr"), argumentos(3, 3)), TipoSql::Texto, false};
    }
    if (f == QLatin1String("LEFT")) {
        const auto a = argumentos(2, 2);
        return {QStringLiteral("substr(%1, 1, %2)").arg(a[0].sql, a[1].sql), TipoSql::Texto, false};
    }
    if (f == QLatin1String("ISNULL") || f == QLatin1String("COALESCE")) {
        const auto a = argumentos(2, f == QLatin1String("ISNULL") ? 2 : 64);
        return {chamada(QStringLiteral("coalesce"), a), a[0].tipo, false, a[0].num};
    }
    if (f == QLatin1String("ABS") || f == QLatin1String("ROUND")) {
        const auto a = argumentos(1, 2);
        return {chamada(f.toLower(), a), TipoSql::Numero, false, a[0].num};
    }
    if (f == QLatin1String("YEAR") || f == QLatin1String("MONTH") || f == QLatin1String("DAY")) {
        const auto a = argumentos(1, 1);
        const char* formato = f == QLatin1String("YEAR")    ? "%Y"
                              : f == QLatin1String("MONTH") ? "%m"
                                                            : "%d";
        return {QStringLiteral("CAST(strftime('%1', %2) AS INTEGER)")
                    .arg(QLatin1String(formato), a[0].sql),
                TipoSql::Numero, false, Num::Int};
    }
    if (f == QLatin1String("OBJECTPROPERTY")) {
        const Expr id = expressao(e);
        exigirSimbolo(",");
        if (atual().tipo != Token::Texto) {
            erro();
        }
        const QString propriedade = avancar().texto;
        exigirSimbolo(")");
        QString tipo;
        if (propriedade.compare(QLatin1String("IsUserTable"), Qt::CaseInsensitive) == 0 ||
            propriedade.compare(QLatin1String("IsTable"), Qt::CaseInsensitive) == 0) {
            tipo = QStringLiteral("table");
        } else if (propriedade.compare(QLatin1String("IsView"), Qt::CaseInsensitive) == 0) {
            tipo = QStringLiteral("view");
        } else {
            erro(QStringLiteral("propriedade %1").arg(propriedade));
        }
        return {QStringLiteral("(SELECT CASE WHEN type = '%1' THEN 1 ELSE 0 END FROM "
                               "sqlite_master WHERE rowid = %2)")
                    .arg(tipo, id.sql),
                TipoSql::Numero, false};
    }
    m_p -= 2;
    erro(QStringLiteral("função desconhecida"));
}

TipoSql Tradutor::tipoDaColuna(const Escopo& e, const QString& qualificador, const QString& coluna,
                               QString* apelidoEscrito, Num* num) const {
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
                return TipoSql::Desconhecido;
            }
            if (entrada.tabela) {
                if (const ColunaCatalogo* cc = entrada.tabela->coluna(coluna)) {
                    if (num) {
                        *num = NumDeclarado(cc->tipoDeclarado);
                    }
                    return cc->tipo;
                }
            } else if (entrada.colunasDerivadas.contains(c)) {
                return entrada.colunasDerivadas.value(c);
            }
            if (!q.isEmpty()) {
                return TipoSql::Desconhecido;
            }
        }
    }
    if (apelidoEscrito) {
        *apelidoEscrito = Aspas(m_cat.canonico(qualificador));
    }
    return TipoSql::Desconhecido;
}

Expr Tradutor::referenciaColuna(const Escopo& e) {
    QStringList partes;
    partes << nome();
    while (atual().ehSimbolo(".") && ehNome(adiante(1))) {
        ++m_p;
        partes << nome();
    }
    const QString coluna = partes.last();
    const QString qualificador = partes.size() >= 2 ? partes[partes.size() - 2] : QString();
    Expr r;
    r.coluna = true;
    QString escrito;
    r.tipo =
        tipoDaColuna(e, qualificador, coluna, qualificador.isEmpty() ? nullptr : &escrito, &r.num);
    r.sql =
        (qualificador.isEmpty() ? QString() : escrito + QLatin1Char('.')) + colunaCanonica(coluna);
    return r;
}

// ---------------------------------------------------------------- DDL

ColunaDef Tradutor::definicaoColuna() {
    ColunaDef c;
    c.nome = nome();
    QString tipo = nome().toUpper();
    if (tipo == QLatin1String("INTEGER")) {
        tipo = QStringLiteral("INT");
    }
    if (aceitarSimbolo("(")) {
        QStringList partes;
        do {
            if (atual().tipo == Token::Numero || atual().ehPalavra("MAX")) {
                partes << avancar().texto.toUpper();
            } else {
                erro();
            }
        } while (aceitarSimbolo(","));
        exigirSimbolo(")");
        tipo += QLatin1Char('(') + partes.join(QLatin1Char(',')) + QLatin1Char(')');
    }
    static const QSet<QString> tiposAceitos = {
        QStringLiteral("INT"),      QStringLiteral("SMALLINT"),  QStringLiteral("TINYINT"),
        QStringLiteral("BIGINT"),   QStringLiteral("BIT"),       QStringLiteral("NVARCHAR"),
        QStringLiteral("VARCHAR"),  QStringLiteral("NCHAR"),     QStringLiteral("CHAR"),
        QStringLiteral("NTEXT"),    QStringLiteral("TEXT"),      QStringLiteral("SMALLDATETIME"),
        QStringLiteral("DATETIME"), QStringLiteral("FLOAT"),     QStringLiteral("REAL"),
        QStringLiteral("MONEY"),    QStringLiteral("DECIMAL"),   QStringLiteral("NUMERIC"),
        QStringLiteral("IMAGE"),    QStringLiteral("VARBINARY"), QStringLiteral("BINARY")};
    const QString base = tipo.section(QLatin1Char('('), 0, 0);
    if (!tiposAceitos.contains(base)) {
        --m_p;
        erro(QStringLiteral("tipo de dados desconhecido"));
    }
    c.tipoDeclarado = tipo;
    c.tipo = Catalogo::tipoDe(tipo, &c.tamanho);
    if (c.tipo != TipoSql::Texto) {
        c.tamanho = 0;
    }
    while (true) {
        if (aceitarPalavra("COLLATE")) {
            nome();  // every text column takes the register's own collation
        } else if (aceitarPalavra("IDENTITY")) {
            c.identidade = true;
            if (aceitarSimbolo("(")) {
                if (atual().tipo != Token::Numero) {
                    erro();
                }
                c.semente = avancar().texto.toLongLong();
                exigirSimbolo(",");
                if (atual().tipo != Token::Numero || atual().texto != QLatin1String("1")) {
                    erro(QStringLiteral("incremento de identidade diferente de 1"));
                }
                ++m_p;
                exigirSimbolo(")");
            }
        } else if (aceitarPalavra("NULL")) {
            c.notNull = false;
        } else if (atual().ehPalavra("NOT") && adiante(1).ehPalavra("NULL")) {
            m_p += 2;
            c.notNull = true;
        } else if (atual().ehPalavra("CONSTRAINT") || atual().ehPalavra("DEFAULT") ||
                   atual().ehPalavra("PRIMARY") || atual().ehPalavra("UNIQUE") ||
                   atual().ehPalavra("REFERENCES") || atual().ehPalavra("CHECK")) {
            QString nomeRestricao;
            if (aceitarPalavra("CONSTRAINT")) {
                nomeRestricao = nome();
            }
            const QString prefixo =
                nomeRestricao.isEmpty()
                    ? QString()
                    : QStringLiteral("CONSTRAINT ") + Aspas(nomeRestricao) + QLatin1Char(' ');
            if (aceitarPalavra("DEFAULT")) {
                Escopo vazio;
                c.padrao = expressao(vazio).sql;
                c.nomePadrao = nomeRestricao;
            } else if (aceitarPalavra("PRIMARY")) {
                exigirPalavra("KEY");
                if (!aceitarPalavra("CLUSTERED")) {
                    aceitarPalavra("NONCLUSTERED");
                }
                c.chave = true;
                c.nomeChave = nomeRestricao;
            } else if (aceitarPalavra("UNIQUE")) {
                if (!aceitarPalavra("CLUSTERED")) {
                    aceitarPalavra("NONCLUSTERED");
                }
                c.extras << prefixo + QStringLiteral("UNIQUE");
            } else if (aceitarPalavra("REFERENCES")) {
                const QString ref = nomeQualificado();
                QString colunas;
                if (atual().ehSimbolo("(")) {
                    QStringList cs;
                    for (const QString& n : listaDeNomes()) {
                        cs << colunaCanonica(n);
                    }
                    colunas =
                        QStringLiteral(" (") + cs.join(QStringLiteral(", ")) + QLatin1Char(')');
                }
                c.extras << prefixo + QStringLiteral("REFERENCES ") + tabelaCanonica(ref) + colunas;
            } else if (aceitarPalavra("CHECK")) {
                exigirSimbolo("(");
                Escopo vazio;
                const QString expr = expressao(vazio).sql;
                exigirSimbolo(")");
                c.extras << prefixo + QStringLiteral("CHECK (") + expr + QLatin1Char(')');
            } else {
                erro();
            }
        } else if (aceitarPalavra("ROWGUIDCOL")) {
        } else {
            break;
        }
    }
    return c;
}

// A table constraint (after CREATE TABLE's list or ALTER TABLE ... ADD). Returns false when
// the next element is not a constraint (then it is a column definition).
bool Tradutor::restricaoDeTabela(TabelaDef& t, bool emAlter) {
    if (!(atual().ehPalavra("CONSTRAINT") || atual().ehPalavra("PRIMARY") ||
          atual().ehPalavra("UNIQUE") || atual().ehPalavra("FOREIGN") ||
          atual().ehPalavra("CHECK") || (emAlter && atual().ehPalavra("DEFAULT")))) {
        return false;
    }
    RestricaoDef r;
    if (aceitarPalavra("CONSTRAINT")) {
        r.nome = nome();
    }
    const auto colunasEscritas = [this](const QStringList& nomes) {
        QStringList cs;
        for (const QString& n : nomes) {
            cs << colunaCanonica(n);
        }
        return cs.join(QStringLiteral(", "));
    };
    if (aceitarPalavra("PRIMARY") || atual().ehPalavra("UNIQUE")) {
        if (m_t[m_p - 1].ehPalavra("PRIMARY")) {
            exigirPalavra("KEY");
            r.tipo = RestricaoDef::Chave;
        } else {
            ++m_p;
            r.tipo = RestricaoDef::Unica;
        }
        if (!aceitarPalavra("CLUSTERED")) {
            aceitarPalavra("NONCLUSTERED");
        }
        r.colunas = listaDeNomes();
        pularGrupoArquivos();
        r.corpo = (r.tipo == RestricaoDef::Chave ? QStringLiteral("PRIMARY KEY (")
                                                 : QStringLiteral("UNIQUE (")) +
                  colunasEscritas(r.colunas) + QLatin1Char(')');
    } else if (aceitarPalavra("FOREIGN")) {
        exigirPalavra("KEY");
        r.tipo = RestricaoDef::Estrangeira;
        r.colunas = listaDeNomes();
        exigirPalavra("REFERENCES");
        const QString ref = nomeQualificado();
        const QStringList refColunas = listaDeNomes();
        r.corpo = QStringLiteral("FOREIGN KEY (") + colunasEscritas(r.colunas) +
                  QStringLiteral(") REFERENCES ") + tabelaCanonica(ref) + QStringLiteral(" (") +
                  colunasEscritas(refColunas) + QLatin1Char(')');
        while (atual().ehPalavra("ON")) {
            ++m_p;
            const QString evento = nome().toUpper();
            if (aceitarPalavra("CASCADE")) {
                r.corpo += QStringLiteral(" ON ") + evento + QStringLiteral(" CASCADE");
            } else {
                exigirPalavra("NO");
                exigirPalavra("ACTION");
            }
        }
    } else if (aceitarPalavra("CHECK")) {
        r.tipo = RestricaoDef::Verificacao;
        exigirSimbolo("(");
        Escopo escopo;
        Escopo::Entrada entrada;
        entrada.apelido = t.nome;
        escopo.entradas.push_back(entrada);
        r.corpo = QStringLiteral("CHECK (") + expressao(escopo).sql + QLatin1Char(')');
        exigirSimbolo(")");
    } else if (aceitarPalavra("DEFAULT")) {
        Escopo vazio;
        const QString valor = expressao(vazio).sql;
        exigirPalavra("FOR");
        const QString coluna = nome();
        for (auto& c : t.colunas) {
            if (Catalogo::dobrar(c.nome) == Catalogo::dobrar(coluna)) {
                c.padrao = valor;
                c.nomePadrao = r.nome;
                return true;
            }
        }
        --m_p;
        erro(QStringLiteral("coluna inexistente"));
    } else {
        erro();
    }
    t.restricoes.push_back(r);
    return true;
}

QString Tradutor::escreverTabela(const TabelaDef& t) const {
    QStringList partes;
    const RestricaoDef* chave = nullptr;
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

void Tradutor::adicionarColuna(TabelaDef& t, const ColunaDef& c) {
    if (c.chave) {
        RestricaoDef r;
        r.tipo = RestricaoDef::Chave;
        r.nome = c.nomeChave;
        r.colunas << c.nome;
        r.corpo = QStringLiteral("PRIMARY KEY (") + Aspas(c.nome) + QLatin1Char(')');
        t.restricoes.push_back(r);
    }
    t.colunas.push_back(c);
}

TabelaDef* Tradutor::pendente(const QString& nome) {
    for (auto& t : m_pendentes) {
        if (Catalogo::dobrar(t->nome) == Catalogo::dobrar(nome)) {
            return t.get();
        }
    }
    return nullptr;
}

void Tradutor::comandoCreate() {
    const SemParametros semParametros(*this);  // SQLite takes no parameters in DDL
    exigirPalavra("CREATE");
    if (aceitarPalavra("TABLE")) {
        auto t = std::make_unique<TabelaDef>();
        t->nome = nomeQualificado();
        exigirSimbolo("(");
        do {
            if (atual().ehSimbolo(")")) {
                break;  // a trailing comma before the closing parenthesis
            }
            if (!restricaoDeTabela(*t, false)) {
                adicionarColuna(*t, definicaoColuna());
            }
        } while (aceitarSimbolo(","));
        exigirSimbolo(")");
        pularGrupoArquivos();
        emitir(ComandoTraduzido::Definicao, QString());
        m_posicaoPendente.last() = static_cast<int>(m_pendentes.size());
        m_pendentes.push_back(std::move(t));
        return;
    }
    if (aceitarPalavra("VIEW")) {
        const QString n = nomeQualificado();
        exigirPalavra("AS");
        emitir(ComandoTraduzido::Definicao, QStringLiteral("CREATE VIEW ") + Aspas(n) +
                                                QStringLiteral(" AS ") + select(nullptr).sql);
        return;
    }
    const bool unico = aceitarPalavra("UNIQUE");
    if (!aceitarPalavra("CLUSTERED")) {
        aceitarPalavra("NONCLUSTERED");
    }
    exigirPalavra("INDEX");
    const QString indice = nome();
    exigirPalavra("ON");
    const QString tabela = nomeQualificado();
    exigirSimbolo("(");
    QStringList colunas;
    do {
        QString c = colunaCanonica(nome());
        if (aceitarPalavra("DESC")) {
            c += QStringLiteral(" DESC");
        } else {
            aceitarPalavra("ASC");
        }
        colunas << c;
    } while (aceitarSimbolo(","));
    exigirSimbolo(")");
    pularGrupoArquivos();
    emitir(ComandoTraduzido::Definicao,
           QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
               .arg(unico ? QStringLiteral("UNIQUE ") : QString(), Aspas(indice),
                    tabelaCanonica(tabela), colunas.join(QStringLiteral(", "))));
}

void Tradutor::comandoAlter() {
    const SemParametros semParametros(*this);
    exigirPalavra("ALTER");
    exigirPalavra("TABLE");
    const QString n = nomeQualificado();
    if (aceitarPalavra("WITH")) {
        if (!aceitarPalavra("NOCHECK")) {
            exigirPalavra("CHECK");
        }
    }
    exigirPalavra("ADD");
    TabelaDef* t = pendente(n);
    if (t) {
        // Created earlier in this batch: the additions join its definition.
        do {
            if (!restricaoDeTabela(*t, true)) {
                adicionarColuna(*t, definicaoColuna());
            }
        } while (aceitarSimbolo(","));
        return;
    }
    // An existing table: SQLite adds columns and unique indexes, nothing else.
    do {
        TabelaDef temporaria;
        temporaria.nome = n;
        if (restricaoDeTabela(temporaria, false)) {
            if (temporaria.restricoes.size() != 1 ||
                temporaria.restricoes[0].tipo == RestricaoDef::Estrangeira ||
                temporaria.restricoes[0].tipo == RestricaoDef::Verificacao ||
                temporaria.restricoes[0].nome.isEmpty()) {
                erro(
                    QStringLiteral("ALTER TABLE de tabela existente só acrescenta colunas e "
                                   "chaves"));
            }
            const RestricaoDef& r = temporaria.restricoes[0];
            QStringList cs;
            for (const QString& c : r.colunas) {
                cs << colunaCanonica(c);
            }
            emitir(ComandoTraduzido::Definicao,
                   QStringLiteral("CREATE UNIQUE INDEX %1 ON %2 (%3)")
                       .arg(Aspas(r.nome), tabelaCanonica(n), cs.join(QStringLiteral(", "))));
        } else {
            temporaria.colunas.push_back(definicaoColuna());
            if (temporaria.colunas[0].identidade) {
                erro(QStringLiteral("identidade acrescentada a tabela existente"));
            }
            const QString criada = escreverTabela(temporaria);
            // "CREATE TABLE "x" (<column>)" -> the column definition alone.
            const int inicio = criada.indexOf(QStringLiteral(" (")) + 2;
            emitir(ComandoTraduzido::Definicao, QStringLiteral("ALTER TABLE ") + tabelaCanonica(n) +
                                                    QStringLiteral(" ADD COLUMN ") +
                                                    criada.mid(inicio, criada.size() - inicio - 1));
        }
    } while (aceitarSimbolo(","));
}

void Tradutor::comandoDrop() {
    exigirPalavra("DROP");
    QString tipo;
    if (aceitarPalavra("TABLE")) {
        tipo = QStringLiteral("TABLE");
    } else if (aceitarPalavra("VIEW")) {
        tipo = QStringLiteral("VIEW");
    } else {
        exigirPalavra("INDEX");
        QString n = nome();
        if (aceitarSimbolo(".")) {
            n = nome();  // DROP INDEX table.index
        } else if (aceitarPalavra("ON")) {
            nomeQualificado();
        }
        emitir(ComandoTraduzido::Definicao, QStringLiteral("DROP INDEX ") + colunaCanonica(n));
        return;
    }
    emitir(ComandoTraduzido::Definicao,
           QStringLiteral("DROP ") + tipo + QLatin1Char(' ') + tabelaCanonica(nomeQualificado()));
}

}  // namespace

Traducao TraduzirTSql(const QString& sql, const Catalogo& catalogo) {
    return Tradutor(sql, AnalisarLexico(sql), catalogo, false).traduzir();
}

Traducao TraduzirTSqlParametrizado(const QString& sql, QVector<Token> tokens,
                                   const Catalogo& catalogo) {
    return Tradutor(sql, std::move(tokens), catalogo, true).traduzir();
}

}  // namespace dados
