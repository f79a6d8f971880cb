#include "data/tsql/TSqlAnalisador.h"

#include <QSet>

#include "data/base/MascararSenhas.h"
#include "data/base/TabelaErros.h"
#include "data/tsql/TSqlCatalogo.h"

namespace dados {

namespace {

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

// SQL Server's table hints that ask for locks or an isolation level. The embedded register
// takes its write lock at BEGIN and keeps every other writer out until the end, and its reads
// see committed rows: a result each of these hints allows, so they are read and dropped.
// Others, which would change what runs (NOWAIT, READPAST, INDEX, FORCESEEK...), are refused.
bool DicaDeBloqueio(const Token& t) {
    for (const char* p :
         {"HOLDLOCK", "NOLOCK", "PAGLOCK", "READCOMMITTED", "READCOMMITTEDLOCK", "READUNCOMMITTED",
          "REPEATABLEREAD", "ROWLOCK", "SERIALIZABLE", "TABLOCK", "TABLOCKX", "UPDLOCK", "XLOCK"}) {
        if (t.ehPalavra(p)) {
            return true;
        }
    }
    return false;
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

// Nesting deeper than this is refused with SQL Server's message instead of exhausting the
// stack (each level costs about ten frames of the descent, more under the sanitizers). A
// subquery costs two (its SELECT and its WHERE), and SQL Server's 32 of them must fit.
constexpr int kProfundidadeMaxima = 100;
// SQL Server's limit on subqueries nested in one statement.
constexpr int kSubconsultasMaximas = 32;

MensagemServidor AninhadoDemais(const QString& sql, int posicao) {
    return {191, 15, 1, LinhaDaPosicao(sql, posicao),
            QStringLiteral("Some part of your SQL statement is nested too deeply. Rewrite the "
                           "query or break it up into smaller queries.")};
}

class Analisador {
  public:
    Analisador(const QString& sql, QVector<Token> tokens) : m_sql(sql) {
        m_a.tokens = std::move(tokens);
        // Every node takes at least one token of its own; most statements make about one node
        // for every two tokens.
        m_a.expressoes.reserve(static_cast<size_t>(m_a.tokens.size() / 2));
    }

    Arvore analisar();

  private:
    // ---- tokens ----
    const QVector<Token>& t() const { return m_a.tokens; }
    const Token& atual() const { return t()[m_p]; }
    const Token& adiante(int n) const { return t()[qMin(m_p + n, t().size() - 1)]; }
    const Token& avancar() { return t()[m_p < t().size() - 1 ? m_p++ : m_p]; }
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
        FalharSintaxe(m_sql, t(), m_p, motivo);
    }
    static bool ehNome(const Token& t) {
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
        explicit Nivel(Analisador& a) : m_analisador(a) {
            if (++a.m_nivel > kProfundidadeMaxima) {
                FalharServidor(QStringLiteral("TSql"), AninhadoDemais(a.m_sql, a.atual().posicao));
            }
        }
        ~Nivel() { --m_analisador.m_nivel; }
        Nivel(const Nivel&) = delete;
        Nivel& operator=(const Nivel&) = delete;
        Analisador& m_analisador;
    };

    IdExpr novo(NoExpr n) {
        m_a.expressoes.push_back(std::move(n));
        return static_cast<IdExpr>(m_a.expressoes.size() - 1);
    }
    static NoExpr no(NoExpr::Tipo tipo, int token) {
        NoExpr n;
        n.tipo = tipo;
        n.token = token;
        return n;
    }

    // ---- statements ----
    void comando();
    void comandoInsert(NoComando& c);
    void comandoUpdate(NoComando& c);
    void comandoSet(NoComando& c);
    void comandoTransacao(NoComando& c);
    void comandoCreate(NoComando& c);
    void comandoAlter(NoComando& c);
    void comandoDrop(NoComando& c);
    // `subconsulta`: inside an expression, a FROM or a view, where ORDER BY needs TOP.
    IdSelect select(bool membroDeUniao = false, bool subconsulta = false);
    ItemSelecao itemSelecao();
    IdFrom listaFrom();
    Fonte referenciaTabela();
    QVector<ItemOrdem> ordenacao(bool comDirecao, const QSet<QString>& apelidos = {});

    // ---- expressions ----
    IdExpr expressao() {
        const Nivel nivel(*this);
        return ou();
    }
    IdExpr cadeiaLogica(bool ou);
    IdExpr ou() { return cadeiaLogica(true); }
    IdExpr nao();
    IdExpr predicado();
    IdExpr cadeiaAritmetica(bool somas);
    IdExpr aditiva() { return cadeiaAritmetica(true); }
    IdExpr unaria();
    IdExpr primaria();
    IdExpr funcao(int tokenNome);
    IdExpr referenciaColuna();
    IdExpr caso();

    // ---- DDL ----
    ColunaDef definicaoColuna();
    bool restricaoDeTabela(RestricaoDef& r, bool emAlter);
    void elementoDeTabela(NoComando& c, bool emAlter);

    const QString& m_sql;
    Arvore m_a;
    int m_p = 0;
    int m_nivel = 0;
    int m_subconsultas = 0;      // subqueries open at this point
    int m_maisSubconsultas = 0;  // the most open at once in this statement
    QSet<QString> m_criadas;     // tables created earlier in this batch (folded names)
};

Arvore Analisador::analisar() {
    while (atual().tipo != Token::Fim) {
        if (aceitarSimbolo(";")) {
            continue;
        }
        comando();
        if (atual().tipo != Token::Fim && !atual().ehSimbolo(";") && !InicioDeComando(atual())) {
            erro();
        }
    }
    if (m_a.comandos.empty()) {
        erro(QStringLiteral("comando vazio"));
    }
    return std::move(m_a);
}

void Analisador::comando() {
    NoComando c;
    c.tokenInicio = m_p;
    m_maisSubconsultas = 0;
    const Token& t = atual();
    if (t.ehPalavra("SELECT")) {
        c.tipo = NoComando::Select;
        c.select = select();
    } else if (t.ehPalavra("INSERT")) {
        comandoInsert(c);
    } else if (t.ehPalavra("UPDATE")) {
        comandoUpdate(c);
    } else if (t.ehPalavra("DELETE")) {
        ++m_p;
        c.tipo = NoComando::Delete;
        aceitarPalavra("FROM");
        c.tabela = nomeQualificado();
        if (aceitarPalavra("WHERE")) {
            c.onde = expressao();
        }
    } else if (t.ehPalavra("CREATE")) {
        comandoCreate(c);
    } else if (t.ehPalavra("ALTER")) {
        comandoAlter(c);
    } else if (t.ehPalavra("DROP")) {
        comandoDrop(c);
    } else if (t.ehPalavra("SET")) {
        comandoSet(c);
    } else if (t.ehPalavra("BEGIN") || t.ehPalavra("COMMIT") || t.ehPalavra("ROLLBACK")) {
        comandoTransacao(c);
    } else if (t.ehPalavra("TRUNCATE")) {
        ++m_p;
        exigirPalavra("TABLE");
        c.tipo = NoComando::Truncate;
        c.tabela = nomeQualificado();
    } else {
        erro();
    }
    c.subconsultas = m_maisSubconsultas;
    m_a.comandos.push_back(std::move(c));
}

// ---------------------------------------------------------------- SELECT

IdSelect Analisador::select(bool membroDeUniao, bool subconsulta) {
    const Nivel nivel(*this);
    struct Subconsulta {
        Subconsulta(Analisador& a, bool conta) : m_a(a), m_conta(conta) {
            if (!conta) {
                return;
            }
            if (++a.m_subconsultas > kSubconsultasMaximas) {
                FalharServidor(QStringLiteral("TSql"), AninhadoDemais(a.m_sql, a.atual().posicao));
            }
            a.m_maisSubconsultas = qMax(a.m_maisSubconsultas, a.m_subconsultas);
        }
        ~Subconsulta() { m_a.m_subconsultas -= m_conta ? 1 : 0; }
        Analisador& m_a;
        bool m_conta;
    } const contagem(*this, subconsulta);
    exigirPalavra("SELECT");
    NoSelect s;
    if (aceitarPalavra("DISTINCT")) {
        s.distinto = true;
    } else {
        aceitarPalavra("ALL");
    }
    if (aceitarPalavra("TOP")) {
        const bool parenteses = aceitarSimbolo("(");
        if (atual().tipo != Token::Numero || atual().texto.contains(QLatin1Char('.'))) {
            erro();
        }
        s.tokenTop = m_p++;
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
    QSet<QString> apelidos;
    do {
        s.itens.push_back(itemSelecao());
        if (s.itens.last().temApelido) {
            apelidos.insert(Catalogo::dobrar(s.itens.last().apelido));
        }
    } while (aceitarSimbolo(","));
    if (aceitarPalavra("FROM")) {
        s.from = listaFrom();
    }
    if (aceitarPalavra("WHERE")) {
        s.onde = expressao();
    }
    if (atual().ehPalavra("GROUP")) {
        ++m_p;
        exigirPalavra("BY");
        s.grupo = ordenacao(false);
    }
    if (aceitarPalavra("HAVING")) {
        s.tendo = expressao();
    }
    // Members are read here one after another, not each inside the one before (which would
    // nest as deep as the union is long).
    while (!membroDeUniao && atual().ehPalavra("UNION")) {
        if (s.tokenTop >= 0) {
            erro(QStringLiteral("TOP num membro de UNION não é aceito"));
        }
        ++m_p;
        NoSelect::Membro m;
        m.todos = aceitarPalavra("ALL");
        m.select = select(true);
        s.unioes.push_back(m);
    }
    // ORDER BY after a union sorts the whole union by the first member's columns.
    if (!membroDeUniao && atual().ehPalavra("ORDER")) {
        if (subconsulta && s.tokenTop < 0) {
            FalharServidor(
                QStringLiteral("TSql"),
                {1033, 15, 1, LinhaDaPosicao(m_sql, atual().posicao),
                 QStringLiteral(
                     "The ORDER BY clause is invalid in views, inline functions, derived "
                     "tables, subqueries, and common table expressions, unless TOP, "
                     "OFFSET or FOR XML is also specified.")});
        }
        ++m_p;
        exigirPalavra("BY");
        s.ordem = ordenacao(true, apelidos);
    }
    m_a.selects.push_back(std::move(s));
    return static_cast<IdSelect>(m_a.selects.size() - 1);
}

ItemSelecao Analisador::itemSelecao() {
    ItemSelecao item;
    if (aceitarSimbolo("*")) {
        item.estrela = true;
        item.tokenFim = m_p;
        return item;
    }
    if (ehNome(atual()) && adiante(1).ehSimbolo(".") && adiante(2).ehSimbolo("*")) {
        item.estrela = true;
        item.qualificador = nome();
        m_p += 2;
        item.tokenFim = m_p;
        return item;
    }
    if (ehNome(atual()) && adiante(1).ehSimbolo("=")) {
        // T-SQL's "alias = expression" form.
        item.apelido = nome();
        ++m_p;
        item.temApelido = true;
    }
    item.expr = expressao();
    if (!item.temApelido) {
        if (aceitarPalavra("AS")) {
            item.apelido = atual().tipo == Token::Texto ? avancar().texto : nome();
            item.temApelido = true;
        } else if (ehNome(atual()) || atual().tipo == Token::Texto) {
            item.apelido = avancar().texto;
            item.temApelido = true;
        }
    }
    item.tokenFim = m_p;
    return item;
}

IdFrom Analisador::listaFrom() {
    ListaFrom lista;
    lista.fontes.push_back(referenciaTabela());
    while (true) {
        Fonte::Juncao juncao;
        if (aceitarSimbolo(",")) {
            lista.fontes.push_back(referenciaTabela());
            lista.fontes.last().juncao = Fonte::Virgula;
            continue;
        }
        if (aceitarPalavra("INNER")) {
            juncao = Fonte::Interna;
        } else if (aceitarPalavra("LEFT")) {
            aceitarPalavra("OUTER");
            juncao = Fonte::Esquerda;
        } else if (aceitarPalavra("RIGHT")) {
            aceitarPalavra("OUTER");
            juncao = Fonte::Direita;
        } else if (aceitarPalavra("FULL")) {
            aceitarPalavra("OUTER");
            juncao = Fonte::Completa;
        } else if (aceitarPalavra("CROSS")) {
            exigirPalavra("JOIN");
            lista.fontes.push_back(referenciaTabela());
            lista.fontes.last().juncao = Fonte::Cruzada;
            continue;
        } else if (atual().ehPalavra("JOIN")) {
            juncao = Fonte::Interna;
        } else {
            break;
        }
        exigirPalavra("JOIN");
        Fonte f = referenciaTabela();
        f.juncao = juncao;
        exigirPalavra("ON");
        f.on = expressao();
        lista.fontes.push_back(std::move(f));
    }
    m_a.froms.push_back(std::move(lista));
    return static_cast<IdFrom>(m_a.froms.size() - 1);
}

Fonte Analisador::referenciaTabela() {
    Fonte f;
    if (atual().ehSimbolo("(")) {
        if (adiante(1).ehPalavra("SELECT")) {
            ++m_p;
            f.tipo = Fonte::Derivada;
            f.select = select(false, true);
            exigirSimbolo(")");
        } else {
            // A parenthesised join: (A INNER JOIN B ON ...) INNER JOIN C ...
            const Nivel nivel(*this);
            ++m_p;
            f.tipo = Fonte::Juncoes;
            f.from = listaFrom();
            exigirSimbolo(")");
            return f;
        }
    } else {
        f.nome = nomeQualificado();
        if (f.nome.compare(QLatin1String("sysobjects"), Qt::CaseInsensitive) == 0) {
            f.tipo = Fonte::Sysobjects;
        }
    }
    if (aceitarPalavra("AS") || ehNome(atual())) {
        f.temApelido = true;
        f.apelido = nome();
    } else if (f.nome.isEmpty()) {
        erro(QStringLiteral("subconsulta sem nome"));
    }
    if (f.tipo == Fonte::Tabela && atual().ehPalavra("WITH") && adiante(1).ehSimbolo("(")) {
        m_p += 2;
        do {
            if (!DicaDeBloqueio(atual())) {
                erro(QStringLiteral("dica de tabela não suportada"));
            }
            ++m_p;
        } while (aceitarSimbolo(","));
        exigirSimbolo(")");
    }
    return f;
}

QVector<ItemOrdem> Analisador::ordenacao(bool comDirecao, const QSet<QString>& apelidos) {
    QVector<ItemOrdem> itens;
    do {
        ItemOrdem item;
        // ORDER BY may name a select-list alias.
        if (comDirecao && ehNome(atual()) && !adiante(1).ehSimbolo(".") &&
            !adiante(1).ehSimbolo("(") && apelidos.contains(Catalogo::dobrar(atual().texto))) {
            NoExpr n = no(NoExpr::Apelido, m_p);
            n.nome = nome();
            item.expr = novo(std::move(n));
        } else {
            item.expr = expressao();
        }
        if (comDirecao) {
            if (aceitarPalavra("DESC")) {
                item.desc = true;
            } else {
                aceitarPalavra("ASC");
            }
        }
        itens.push_back(item);
    } while (aceitarSimbolo(","));
    return itens;
}

// ---------------------------------------------------------------- INSERT / UPDATE / SET

void Analisador::comandoInsert(NoComando& c) {
    c.tipo = NoComando::Insert;
    exigirPalavra("INSERT");
    aceitarPalavra("INTO");
    c.tabela = nomeQualificado();
    if (atual().ehSimbolo("(")) {
        c.temColunas = true;
        c.colunas = listaDeNomes();
    }
    if (aceitarPalavra("VALUES")) {
        do {
            exigirSimbolo("(");
            QVector<IdExpr> valores;
            do {
                valores.push_back(expressao());
            } while (aceitarSimbolo(","));
            exigirSimbolo(")");
            c.linhas.push_back(std::move(valores));
        } while (aceitarSimbolo(","));
    } else if (atual().ehPalavra("SELECT")) {
        c.select = select();
    } else if (aceitarPalavra("DEFAULT")) {
        exigirPalavra("VALUES");
        c.valoresPadrao = true;
    } else {
        erro();
    }
}

void Analisador::comandoUpdate(NoComando& c) {
    c.tipo = NoComando::Update;
    exigirPalavra("UPDATE");
    c.tabela = nomeQualificado();
    exigirPalavra("SET");
    do {
        NoComando::Atribuicao a;
        a.coluna = nome();
        while (aceitarSimbolo(".")) {
            a.coluna = nome();
        }
        exigirSimbolo("=");
        a.valor = expressao();
        c.atribuicoes.push_back(a);
    } while (aceitarSimbolo(","));
    if (aceitarPalavra("WHERE")) {
        c.onde = expressao();
    }
}

// SET IDENTITY_INSERT <table> ON|OFF.
void Analisador::comandoSet(NoComando& c) {
    c.tipo = NoComando::SetIdentidade;
    exigirPalavra("SET");
    if (!atual().ehPalavra("IDENTITY_INSERT")) {
        erro(QStringLiteral("só SET IDENTITY_INSERT é aceito"));
    }
    ++m_p;
    c.tabela = nomeQualificado();
    if (aceitarPalavra("ON")) {
        c.acao = ComandoTraduzido::Acao::LigarIdentidade;
    } else if (atual().ehPalavra("OFF")) {
        ++m_p;
        c.acao = ComandoTraduzido::Acao::DesligarIdentidade;
    } else {
        erro();
    }
}

// BEGIN TRAN[SACTION] [name], COMMIT [TRAN[SACTION] | WORK] [name],
// ROLLBACK [TRAN[SACTION] | WORK] [name].
void Analisador::comandoTransacao(NoComando& c) {
    c.tipo = NoComando::Transacao;
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
}

// ---------------------------------------------------------------- expressions

// An AND or OR chain is one node holding its operands, however long it is.
IdExpr Analisador::cadeiaLogica(bool ou) {
    const char* palavra = ou ? "OR" : "AND";
    const int token = m_p;
    const IdExpr a = ou ? cadeiaLogica(false) : nao();
    if (!atual().ehPalavra(palavra)) {
        return a;
    }
    NoExpr n = no(ou ? NoExpr::Ou : NoExpr::E, token);
    n.filhos.push_back(a);
    while (aceitarPalavra(palavra)) {
        n.filhos.push_back(ou ? cadeiaLogica(false) : nao());
    }
    return novo(std::move(n));
}

IdExpr Analisador::nao() {
    const int token = m_p;
    if (aceitarPalavra("NOT")) {
        const Nivel nivel(*this);
        NoExpr n = no(NoExpr::Nao, token);
        n.filhos.push_back(nao());
        return novo(std::move(n));
    }
    return predicado();
}

IdExpr Analisador::predicado() {
    const int token = m_p;
    if (aceitarPalavra("EXISTS")) {
        exigirSimbolo("(");
        NoExpr n = no(NoExpr::Existe, token);
        n.select = select(false, true);
        exigirSimbolo(")");
        return novo(std::move(n));
    }
    const IdExpr a = aditiva();
    const Token& t = atual();
    if (t.tipo == Token::Simbolo &&
        (t.texto == QLatin1String("=") || t.texto == QLatin1String("<>") ||
         t.texto == QLatin1String("!=") || t.texto == QLatin1String("<") ||
         t.texto == QLatin1String(">") || t.texto == QLatin1String("<=") ||
         t.texto == QLatin1String(">=") || t.texto == QLatin1String("!<") ||
         t.texto == QLatin1String("!>"))) {
        NoExpr n = no(NoExpr::Comparacao, m_p);
        n.nome = avancar().texto;
        if (n.nome == QLatin1String("!=")) {
            n.nome = QStringLiteral("<>");
        } else if (n.nome == QLatin1String("!<")) {
            n.nome = QStringLiteral(">=");
        } else if (n.nome == QLatin1String("!>")) {
            n.nome = QStringLiteral("<=");
        }
        n.filhos = {a, aditiva()};
        return novo(std::move(n));
    }
    if (atual().ehPalavra("IS")) {
        NoExpr n = no(NoExpr::EhNulo, m_p++);
        n.negado = aceitarPalavra("NOT");
        exigirPalavra("NULL");
        n.filhos.push_back(a);
        return novo(std::move(n));
    }
    const bool negado = aceitarPalavra("NOT");
    NoExpr n = no(NoExpr::Em, m_p);
    n.negado = negado;
    n.filhos.push_back(a);
    if (aceitarPalavra("IN")) {
        exigirSimbolo("(");
        if (atual().ehPalavra("SELECT")) {
            n.select = select(false, true);
        } else {
            do {
                n.filhos.push_back(aditiva());
            } while (aceitarSimbolo(","));
        }
        exigirSimbolo(")");
        return novo(std::move(n));
    }
    if (aceitarPalavra("BETWEEN")) {
        n.tipo = NoExpr::Entre;
        n.filhos.push_back(aditiva());
        exigirPalavra("AND");
        n.filhos.push_back(aditiva());
        return novo(std::move(n));
    }
    if (aceitarPalavra("LIKE")) {
        n.tipo = NoExpr::Como;
        n.filhos.push_back(aditiva());
        if (aceitarPalavra("ESCAPE")) {
            n.filhos.push_back(aditiva());
        }
        return novo(std::move(n));
    }
    if (negado) {
        erro();
    }
    return a;
}

// A chain of + - (or of * / %) is one node: its operands and the operator after each.
IdExpr Analisador::cadeiaAritmetica(bool somas) {
    const auto operador = [this, somas]() {
        return somas ? (atual().ehSimbolo("+") || atual().ehSimbolo("-"))
                     : (atual().ehSimbolo("*") || atual().ehSimbolo("/") || atual().ehSimbolo("%"));
    };
    const int token = m_p;
    const IdExpr a = somas ? cadeiaAritmetica(false) : unaria();
    if (!operador()) {
        return a;
    }
    NoExpr n = no(NoExpr::Aritmetica, token);
    n.filhos.push_back(a);
    while (operador()) {
        n.ops += avancar().texto.at(0);
        n.filhos.push_back(somas ? cadeiaAritmetica(false) : unaria());
    }
    return novo(std::move(n));
}

IdExpr Analisador::unaria() {
    if (atual().ehSimbolo("-") || atual().ehSimbolo("+")) {
        const int token = m_p;
        const bool menos = avancar().texto == QLatin1String("-");
        const Nivel nivel(*this);
        const IdExpr a = unaria();
        NoExpr n = no(menos ? NoExpr::Negativo : NoExpr::Positivo, token);
        n.filhos.push_back(a);
        return novo(std::move(n));
    }
    return primaria();
}

IdExpr Analisador::primaria() {
    const Token& t = atual();
    const int token = m_p;
    switch (t.tipo) {
        case Token::Texto:
        case Token::Numero:
            ++m_p;
            return novo(no(NoExpr::Literal, token));
        case Token::Variavel:
            if (t.texto.compare(QLatin1String("@@IDENTITY"), Qt::CaseInsensitive) == 0 ||
                t.texto.compare(QLatin1String("@@TRANCOUNT"), Qt::CaseInsensitive) == 0) {
                NoExpr n = no(NoExpr::Variavel, token);
                n.nome = avancar().texto.toUpper();
                return novo(std::move(n));
            }
            erro(QStringLiteral("variáveis não são aceitas"));
        case Token::Simbolo:
            if (t.ehSimbolo("(")) {
                ++m_p;
                if (atual().ehPalavra("SELECT")) {
                    NoExpr n = no(NoExpr::Subconsulta, token);
                    n.select = select(false, true);
                    exigirSimbolo(")");
                    return novo(std::move(n));
                }
                NoExpr n = no(NoExpr::Parenteses, token);
                n.filhos.push_back(expressao());
                exigirSimbolo(")");
                return novo(std::move(n));
            }
            erro();
        case Token::Nome:
            if (t.ehPalavra("NULL")) {
                ++m_p;
                return novo(no(NoExpr::Nulo, token));
            }
            if (t.ehPalavra("CASE")) {
                return caso();
            }
            if (adiante(1).ehSimbolo("(")) {
                m_p += 2;
                return funcao(token);
            }
            if (!ehNome(t)) {
                erro();
            }
            return referenciaColuna();
        case Token::NomeDelimitado:
            return referenciaColuna();
        case Token::Fim:
            break;
    }
    erro();
}

IdExpr Analisador::caso() {
    NoExpr n = no(NoExpr::Caso, m_p);
    exigirPalavra("CASE");
    if (!atual().ehPalavra("WHEN")) {
        n.temSujeito = true;
        n.filhos.push_back(expressao());
    }
    if (!atual().ehPalavra("WHEN")) {
        erro();
    }
    while (aceitarPalavra("WHEN")) {
        n.filhos.push_back(expressao());
        exigirPalavra("THEN");
        n.filhos.push_back(expressao());
    }
    if (aceitarPalavra("ELSE")) {
        n.temSenao = true;
        n.filhos.push_back(expressao());
    }
    exigirPalavra("END");
    return novo(std::move(n));
}

IdExpr Analisador::funcao(int tokenNome) {
    // The opening parenthesis has been read.
    NoExpr n = no(NoExpr::Funcao, tokenNome);
    const QString& nomeEscrito = t()[tokenNome].texto;
    n.nome = nomeEscrito.toUpper();
    const QString& f = n.nome;
    const auto argumentos = [&](int minimo, int maximo) {
        if (!atual().ehSimbolo(")")) {
            do {
                n.filhos.push_back(expressao());
            } while (aceitarSimbolo(","));
        }
        if (n.filhos.size() < minimo || n.filhos.size() > maximo) {
            erro(QStringLiteral("número de argumentos de %1").arg(nomeEscrito));
        }
        exigirSimbolo(")");
    };
    const auto eh = [&f](const char* p) { return f == QLatin1String(p); };
    if (eh("COUNT") || eh("MAX") || eh("MIN") || eh("SUM") || eh("AVG")) {
        if (eh("COUNT") && aceitarSimbolo("*")) {
            n.estrela = true;
        } else {
            if (aceitarPalavra("DISTINCT")) {
                n.distinto = true;
            } else {
                aceitarPalavra("ALL");
            }
            n.filhos.push_back(expressao());
        }
        exigirSimbolo(")");
    } else if (eh("SOUNDEX") || eh("CHAR") || eh("NCHAR") || eh("UPPER") || eh("LOWER") ||
               eh("LTRIM") || eh("RTRIM") || eh("LEN") || eh("YEAR") || eh("MONTH") || eh("DAY")) {
        argumentos(1, 1);
    } else if (eh("GETDATE") || eh("CURRENT_TIMESTAMP")) {
        argumentos(0, 0);
    } else if (eh("SUBSTRING")) {
        argumentos(3, 3);
    } else if (eh("LEFT") || eh("ISNULL")) {
        argumentos(2, 2);
    } else if (eh("COALESCE")) {
        argumentos(2, 64);
    } else if (eh("ABS") || eh("ROUND")) {
        argumentos(1, 2);
    } else if (eh("OBJECTPROPERTY")) {
        n.filhos.push_back(expressao());
        exigirSimbolo(",");
        if (atual().tipo != Token::Texto) {
            erro();
        }
        n.qualificador = avancar().texto;
        exigirSimbolo(")");
        if (n.qualificador.compare(QLatin1String("IsUserTable"), Qt::CaseInsensitive) != 0 &&
            n.qualificador.compare(QLatin1String("IsTable"), Qt::CaseInsensitive) != 0 &&
            n.qualificador.compare(QLatin1String("IsView"), Qt::CaseInsensitive) != 0) {
            erro(QStringLiteral("propriedade %1").arg(n.qualificador));
        }
    } else {
        m_p -= 2;
        erro(QStringLiteral("função desconhecida"));
    }
    return novo(std::move(n));
}

IdExpr Analisador::referenciaColuna() {
    NoExpr n = no(NoExpr::Coluna, m_p);
    n.nome = nome();
    while (atual().ehSimbolo(".") && ehNome(adiante(1))) {
        ++m_p;
        n.qualificador = n.nome;
        n.nome = nome();
    }
    return novo(std::move(n));
}

// ---------------------------------------------------------------- DDL

ColunaDef Analisador::definicaoColuna() {
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
    if (!tiposAceitos.contains(tipo.section(QLatin1Char('('), 0, 0))) {
        --m_p;
        erro(QStringLiteral("tipo de dados desconhecido"));
    }
    c.tipoDeclarado = tipo;
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
            RestricaoDef r;
            if (aceitarPalavra("CONSTRAINT")) {
                r.nome = nome();
            }
            if (aceitarPalavra("DEFAULT")) {
                c.padrao = expressao();
                c.nomePadrao = r.nome;
            } else if (aceitarPalavra("PRIMARY")) {
                exigirPalavra("KEY");
                if (!aceitarPalavra("CLUSTERED")) {
                    aceitarPalavra("NONCLUSTERED");
                }
                c.chave = true;
                c.nomeChave = r.nome;
            } else if (aceitarPalavra("UNIQUE")) {
                if (!aceitarPalavra("CLUSTERED")) {
                    aceitarPalavra("NONCLUSTERED");
                }
                r.tipo = RestricaoDef::Unica;
                c.extras.push_back(r);
            } else if (aceitarPalavra("REFERENCES")) {
                r.tipo = RestricaoDef::Referencia;
                r.tabelaRef = nomeQualificado();
                if (atual().ehSimbolo("(")) {
                    r.colunasRef = listaDeNomes();
                }
                c.extras.push_back(r);
            } else if (aceitarPalavra("CHECK")) {
                exigirSimbolo("(");
                r.tipo = RestricaoDef::Verificacao;
                r.expr = expressao();
                exigirSimbolo(")");
                c.extras.push_back(r);
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

// A table constraint (in CREATE TABLE's list or after ALTER TABLE ... ADD). Returns false
// when the next element is not a constraint (then it is a column definition); DEFAULT ... FOR
// is one only where the table's columns are known (`emAlter`: a table of this batch).
bool Analisador::restricaoDeTabela(RestricaoDef& r, bool emAlter) {
    if (!(atual().ehPalavra("CONSTRAINT") || atual().ehPalavra("PRIMARY") ||
          atual().ehPalavra("UNIQUE") || atual().ehPalavra("FOREIGN") ||
          atual().ehPalavra("CHECK") || (emAlter && atual().ehPalavra("DEFAULT")))) {
        return false;
    }
    if (aceitarPalavra("CONSTRAINT")) {
        r.nome = nome();
    }
    if (aceitarPalavra("PRIMARY") || atual().ehPalavra("UNIQUE")) {
        if (t()[m_p - 1].ehPalavra("PRIMARY")) {
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
    } else if (aceitarPalavra("FOREIGN")) {
        exigirPalavra("KEY");
        r.tipo = RestricaoDef::Estrangeira;
        r.colunas = listaDeNomes();
        exigirPalavra("REFERENCES");
        r.tabelaRef = nomeQualificado();
        r.colunasRef = listaDeNomes();
        while (atual().ehPalavra("ON")) {
            ++m_p;
            const QString evento = nome().toUpper();
            if (aceitarPalavra("CASCADE")) {
                r.cascatas << evento;
            } else {
                exigirPalavra("NO");
                exigirPalavra("ACTION");
            }
        }
    } else if (aceitarPalavra("CHECK")) {
        r.tipo = RestricaoDef::Verificacao;
        exigirSimbolo("(");
        r.expr = expressao();
        exigirSimbolo(")");
    } else if (aceitarPalavra("DEFAULT")) {
        r.tipo = RestricaoDef::Padrao;
        r.expr = expressao();
        exigirPalavra("FOR");
        r.tokenColuna = m_p;
        r.colunas << nome();
    } else {
        erro();
    }
    return true;
}

void Analisador::elementoDeTabela(NoComando& c, bool emAlter) {
    ElementoTabela e;
    e.ehColuna = !restricaoDeTabela(e.restricao, emAlter);
    if (e.ehColuna) {
        e.coluna = definicaoColuna();
    }
    c.elementos.push_back(std::move(e));
}

void Analisador::comandoCreate(NoComando& c) {
    exigirPalavra("CREATE");
    if (aceitarPalavra("TABLE")) {
        c.tipo = NoComando::CriarTabela;
        c.tabela = nomeQualificado();
        exigirSimbolo("(");
        do {
            if (atual().ehSimbolo(")")) {
                break;  // a trailing comma before the closing parenthesis
            }
            elementoDeTabela(c, false);
        } while (aceitarSimbolo(","));
        exigirSimbolo(")");
        pularGrupoArquivos();
        m_criadas.insert(Catalogo::dobrar(c.tabela));
        return;
    }
    if (aceitarPalavra("VIEW")) {
        c.tipo = NoComando::CriarVisao;
        c.tabela = nomeQualificado();
        exigirPalavra("AS");
        c.select = select(false, true);
        return;
    }
    c.tipo = NoComando::CriarIndice;
    c.unico = aceitarPalavra("UNIQUE");
    if (!aceitarPalavra("CLUSTERED")) {
        aceitarPalavra("NONCLUSTERED");
    }
    exigirPalavra("INDEX");
    c.indice = nome();
    exigirPalavra("ON");
    c.tabela = nomeQualificado();
    exigirSimbolo("(");
    do {
        c.colunas << nome();
        c.descendentes << aceitarPalavra("DESC");
        if (!c.descendentes.last()) {
            aceitarPalavra("ASC");
        }
    } while (aceitarSimbolo(","));
    exigirSimbolo(")");
    pularGrupoArquivos();
}

void Analisador::comandoAlter(NoComando& c) {
    c.tipo = NoComando::AlterarTabela;
    exigirPalavra("ALTER");
    exigirPalavra("TABLE");
    c.tabela = nomeQualificado();
    if (aceitarPalavra("WITH")) {
        if (!aceitarPalavra("NOCHECK")) {
            exigirPalavra("CHECK");
        }
    }
    exigirPalavra("ADD");
    // A table created earlier in this batch takes every addition into its definition; an
    // existing one only columns and unique keys, which is all SQLite adds.
    c.tabelaDoLote = m_criadas.contains(Catalogo::dobrar(c.tabela));
    do {
        elementoDeTabela(c, c.tabelaDoLote);
        const ElementoTabela& e = c.elementos.last();
        if (c.tabelaDoLote) {
            continue;
        }
        if (!e.ehColuna && e.restricao.tipo == RestricaoDef::Padrao) {
            m_p = e.restricao.tokenColuna;  // no column of this statement has that name
            erro(QStringLiteral("coluna inexistente"));
        }
        if (!e.ehColuna &&
            (e.restricao.tipo == RestricaoDef::Estrangeira ||
             e.restricao.tipo == RestricaoDef::Verificacao || e.restricao.nome.isEmpty())) {
            erro(QStringLiteral("ALTER TABLE de tabela existente só acrescenta colunas e chaves"));
        }
        if (e.ehColuna && e.coluna.identidade) {
            erro(QStringLiteral("identidade acrescentada a tabela existente"));
        }
    } while (aceitarSimbolo(","));
}

void Analisador::comandoDrop(NoComando& c) {
    exigirPalavra("DROP");
    if (aceitarPalavra("TABLE")) {
        c.tipo = NoComando::ExcluirTabela;
    } else if (aceitarPalavra("VIEW")) {
        c.tipo = NoComando::ExcluirVisao;
    } else {
        exigirPalavra("INDEX");
        c.tipo = NoComando::ExcluirIndice;
        c.indice = nome();
        if (aceitarSimbolo(".")) {
            c.indice = nome();  // DROP INDEX table.index
        } else if (aceitarPalavra("ON")) {
            nomeQualificado();
        }
        return;
    }
    c.tabela = nomeQualificado();
}

}  // namespace

Arvore AnalisarTSql(const QString& sql, QVector<Token> tokens) {
    return Analisador(sql, std::move(tokens)).analisar();
}

void FalharSintaxe(const QString& sql, const QVector<Token>& tokens, int indice,
                   const QString& motivo) {
    const Token& t = tokens[indice];
    // At the end of the batch SQL Server names the last token there is.
    const Token& perto = t.tipo == Token::Fim && indice > 0 ? tokens[indice - 1] : t;
    // A literal of a password is not echoed (the log masks the statement, not this message).
    const bool literal = perto.tipo == Token::Texto || perto.tipo == Token::Numero;
    const bool secreto = literal && TrechoDeSenha(sql, perto.posicao);
    MensagemServidor m{102, 15, 1, LinhaDaPosicao(sql, perto.posicao), QString()};
    if (perto.tipo == Token::Nome && Reservadas().contains(perto.texto.toUpper())) {
        m.texto = QStringLiteral("Incorrect syntax near the keyword '%1'.").arg(perto.texto);
    } else {
        m.texto = QStringLiteral("Incorrect syntax near '%1'.")
                      .arg(secreto                    ? QStringLiteral("***")
                           : perto.tipo == Token::Fim ? QString()
                                                      : perto.texto);
    }
    FalharServidor(ErroComando, QStringLiteral("TSql"), m,
                   QStringLiteral("Sintaxe incorreta próxima de '%1'%2 (posição %3) em: %4")
                       .arg(secreto ? QStringLiteral("***") : t.comoEscrito(),
                            motivo.isEmpty() ? QString() : QStringLiteral(": ") + motivo)
                       .arg(t.posicao + 1)
                       .arg(sql.left(500)));
}

}  // namespace dados
