#include <gtest/gtest.h>

#include <QStringList>

#include "data/base/Diagnostico.h"
#include "data/base/ErroNumerado.h"
#include "data/tsql/TSqlAnalisador.h"
#include "support/ImprimirQt.h"

// The parser's tree, grammar feature by grammar feature, printed as nested lists: (kind
// children...). Precedence, flat chains, which words end what, and what is refused.
namespace {

class Forma {
  public:
    explicit Forma(const dados::Arvore& a) : m_a(a) {}

    QString comando(const dados::NoComando& c) const {
        using C = dados::NoComando;
        switch (c.tipo) {
            case C::Select:
                return select(c.select);
            case C::Insert: {
                QString s = "(insert " + c.tabela;
                if (c.temColunas) {
                    s += " (" + c.colunas.join(' ') + ")";
                }
                for (const auto& linha : c.linhas) {
                    s += " (values" + lista(linha) + ")";
                }
                if (c.select >= 0) {
                    s += " " + select(c.select);
                }
                return s + (c.valoresPadrao ? " default)" : ")");
            }
            case C::Update: {
                QString s = "(update " + c.tabela;
                for (const auto& a : c.atribuicoes) {
                    s += " (set " + a.coluna + " " + expr(a.valor) + ")";
                }
                return s + opcional(" where ", c.onde) + ")";
            }
            case C::Delete:
                return "(delete " + c.tabela + opcional(" where ", c.onde) + ")";
            case C::Transacao:
            case C::SetIdentidade:
                return QStringLiteral("(sessao %1 %2%3)")
                    .arg(int(c.acao))
                    .arg(c.tabela, c.nomeTransacao);
            case C::CriarTabela:
            case C::AlterarTabela: {
                QString s = (c.tipo == C::CriarTabela ? "(create " : "(alter ") + c.tabela;
                s += c.tabelaDoLote ? " lote" : "";
                for (const auto& e : c.elementos) {
                    if (e.ehColuna) {
                        s += " (col " + e.coluna.nome + " " + e.coluna.tipoDeclarado +
                             opcional(" default ", e.coluna.padrao) + ")";
                    } else {
                        s += QStringLiteral(" (restr %1 %2 %3%4)")
                                 .arg(int(e.restricao.tipo))
                                 .arg(e.restricao.nome, e.restricao.colunas.join(' '),
                                      opcional(" ", e.restricao.expr));
                    }
                }
                return s + ")";
            }
            default:
                return QStringLiteral("(comando %1 %2%3)").arg(int(c.tipo)).arg(c.tabela, c.indice);
        }
    }

    QString select(dados::IdSelect id) const {
        const dados::NoSelect& s = m_a.sel(id);
        QString r = "(select";
        r += s.distinto ? " distinct" : "";
        r += s.tokenTop >= 0 ? " top " + m_a.tokens[s.tokenTop].texto : "";
        for (const auto& i : s.itens) {
            r += " " +
                 (i.estrela ? (i.qualificador.isEmpty() ? "*" : i.qualificador + ".*")
                            : expr(i.expr)) +
                 (i.temApelido ? " as " + i.apelido : "");
        }
        if (s.from >= 0) {
            r += " (from" + from(s.from) + ")";
        }
        r += opcional(" where ", s.onde);
        if (!s.grupo.isEmpty()) {
            r += " (group" + ordem(s.grupo) + ")";
        }
        r += opcional(" having ", s.tendo);
        for (const auto& m : s.unioes) {
            r += (m.todos ? " union-all " : " union ") + select(m.select);
        }
        if (!s.ordem.isEmpty()) {
            r += " (order" + ordem(s.ordem) + ")";
        }
        return r + ")";
    }

    QString expr(dados::IdExpr id) const {
        using N = dados::NoExpr;
        const N& n = m_a.expr(id);
        const QString nao = n.negado ? "not-" : "";
        switch (n.tipo) {
            case N::Literal:
                return m_a.tokens[n.token].tipo == dados::Token::Texto
                           ? "'" + m_a.tokens[n.token].texto + "'"
                           : m_a.tokens[n.token].texto;
            case N::Nulo:
                return "null";
            case N::Variavel:
                return n.nome;
            case N::Coluna:
                return n.qualificador.isEmpty() ? n.nome : n.qualificador + "." + n.nome;
            case N::Apelido:
                return "alias:" + n.nome;
            case N::Parenteses:
                return "(paren" + lista(n.filhos) + ")";
            case N::Negativo:
                return "(neg" + lista(n.filhos) + ")";
            case N::Positivo:
                return "(pos" + lista(n.filhos) + ")";
            case N::Aritmetica: {
                QString s = "(" + expr(n.filhos[0]);
                for (int i = 1; i < n.filhos.size(); ++i) {
                    s += " " + QString(n.ops[i - 1]) + " " + expr(n.filhos[i]);
                }
                return s + ")";
            }
            case N::E:
                return "(and" + lista(n.filhos) + ")";
            case N::Ou:
                return "(or" + lista(n.filhos) + ")";
            case N::Nao:
                return "(not" + lista(n.filhos) + ")";
            case N::Comparacao:
                return "(" + n.nome + lista(n.filhos) + ")";
            case N::EhNulo:
                return "(" + nao + "null?" + lista(n.filhos) + ")";
            case N::Em:
                return "(" + nao + "in" + lista(n.filhos) +
                       (n.select >= 0 ? " " + select(n.select) : "") + ")";
            case N::Entre:
                return "(" + nao + "between" + lista(n.filhos) + ")";
            case N::Como:
                return "(" + nao + "like" + lista(n.filhos) + ")";
            case N::Existe:
                return "(exists " + select(n.select) + ")";
            case N::Subconsulta:
                return select(n.select);
            case N::Caso:
                return QString("(case%1%2")
                           .arg(n.temSujeito ? "/subject" : "", n.temSenao ? "/else" : "") +
                       lista(n.filhos) + ")";
            case N::Funcao:
                return "(" + n.nome.toLower() + (n.distinto ? " distinct" : "") +
                       (n.estrela ? " *" : "") +
                       (n.qualificador.isEmpty() ? "" : " '" + n.qualificador + "'") +
                       lista(n.filhos) + ")";
        }
        return "?";
    }

  private:
    QString lista(const QVector<dados::IdExpr>& ids) const {
        QString s;
        for (const auto id : ids) {
            s += " " + expr(id);
        }
        return s;
    }
    QString opcional(const QString& rotulo, dados::IdExpr id) const {
        return id >= 0 ? rotulo + expr(id) : QString();
    }
    QString ordem(const QVector<dados::ItemOrdem>& itens) const {
        QString s;
        for (const auto& i : itens) {
            s += " " + expr(i.expr) + (i.desc ? " desc" : "");
        }
        return s;
    }
    QString from(dados::IdFrom id) const {
        static const char* const juncoes[] = {"", ",", "inner", "left", "right", "full", "cross"};
        QString s;
        for (const auto& f : m_a.from(id).fontes) {
            s += " ";
            if (f.juncao != dados::Fonte::Primeira) {
                s += QString::fromLatin1(juncoes[f.juncao]) + " ";
            }
            if (f.tipo == dados::Fonte::Derivada) {
                s += select(f.select);
            } else if (f.tipo == dados::Fonte::Juncoes) {
                s += "(" + from(f.from).mid(1) + ")";
            } else {
                s += f.nome;
            }
            s += f.temApelido ? " as " + f.apelido : "";
            s += opcional(" on ", f.on);
        }
        return s;
    }

    const dados::Arvore& m_a;
};

// The batch's statements, one printed tree per line.
std::string Arvore(const QString& sql) {
    const dados::Arvore a = dados::AnalisarTSql(sql, dados::AnalisarLexico(sql));
    QStringList r;
    for (const auto& c : a.comandos) {
        r << Forma(a).comando(c);
    }
    return r.join('\n').toStdString();
}

// The refusal's text, or "" when the statement is taken.
QString Recusa(const QString& sql) {
    try {
        dados::AnalisarTSql(sql, dados::AnalisarLexico(sql));
    } catch (const ErroNumerado&) {
        return dados::UltimoDiagnostico();
    }
    return QString();
}

class AnalisadorTSql : public ::testing::Test {
  protected:
    void SetUp() override { dados::SilenciarDiagnosticoNoTerminal(true); }
    void TearDown() override { dados::SilenciarDiagnosticoNoTerminal(false); }
};

}  // namespace

TEST_F(AnalisadorTSql, OperatorsBindAsSqlServerReadsThem) {
    EXPECT_EQ(Arvore("SELECT 1 WHERE a = 1 OR b = 2 AND NOT c = 3"),
              "(select 1 where (or (= a 1) (and (= b 2) (not (= c 3)))))");
    // Each level's chain is one node, left to right, whatever its length.
    EXPECT_EQ(Arvore("SELECT a + b * c - d / 2 % e + -f"),
              "(select (a + (b * c) - (d / 2 % e) + (neg f)))");
    EXPECT_EQ(Arvore("SELECT (a + b) * +c"), "(select ((paren (a + b)) * (pos c)))");
    EXPECT_EQ(Arvore("SELECT 1 WHERE a AND b AND c OR d OR e"),
              "(select 1 where (or (and a b c) d e))");
    // != !< !> are SQL Server's spellings of <> >= <=.
    EXPECT_EQ(Arvore("SELECT 1 WHERE a != 1 AND a !< 2 AND a !> 3"),
              "(select 1 where (and (<> a 1) (>= a 2) (<= a 3)))");
}

TEST_F(AnalisadorTSql, PredicatesAndTheirNegations) {
    EXPECT_EQ(Arvore("SELECT 1 WHERE a NOT BETWEEN 1 AND 2 AND b IS NOT NULL"),
              "(select 1 where (and (not-between a 1 2) (not-null? b)))");
    EXPECT_EQ(Arvore("SELECT 1 WHERE a NOT IN (1, 'x') OR b IN (SELECT c FROM T)"),
              "(select 1 where (or (not-in a 1 'x') (in b (select c (from T)))))");
    EXPECT_EQ(Arvore("SELECT 1 WHERE a LIKE 'x!%' ESCAPE '!' AND NOT EXISTS (SELECT * FROM T)"),
              "(select 1 where (and (like a 'x!%' '!') (not (exists (select * (from T))))))");
    // NOT before a term that takes no NOT is a syntax error, not a lost word.
    EXPECT_TRUE(Recusa("SELECT 1 WHERE a NOT = 1").contains("próxima de '='"));
}

TEST_F(AnalisadorTSql, CaseFunctionsAndValues) {
    EXPECT_EQ(Arvore("SELECT CASE a WHEN 1 THEN 'um' ELSE NULL END, CASE WHEN b IS NULL THEN 0 "
                     "END"),
              "(select (case/subject/else a 1 'um' null) (case (null? b) 0))");
    EXPECT_EQ(Arvore("SELECT COUNT(*), COUNT(DISTINCT a), ISNULL(b, 0), @@identity, "
                     "OBJECTPROPERTY(id, N'IsUserTable')"),
              "(select (count *) (count distinct a) (isnull b 0) @@IDENTITY (objectproperty "
              "'IsUserTable' id))");
    EXPECT_TRUE(Recusa("SELECT LEFT(a)").contains("número de argumentos de LEFT"));
    EXPECT_TRUE(Recusa("SELECT COALESCE(a)").contains("número de argumentos"));
    // An unknown function is named where it begins.
    EXPECT_TRUE(Recusa("SELECT 1 + DATEADD(d, 1, x)")
                    .contains("próxima de 'DATEADD': função desconhecida (posição 12)"));
    EXPECT_TRUE(Recusa("SELECT OBJECTPROPERTY(id, 'IsIndexed')").contains("propriedade IsIndexed"));
    EXPECT_TRUE(Recusa("SELECT @x").contains("variáveis não são aceitas"));
}

TEST_F(AnalisadorTSql, SelectClauses) {
    EXPECT_EQ(Arvore("SELECT DISTINCT TOP (5) t.*, n = a + 1, b AS 'B', c d FROM [dbo].[T] t "
                     "WHERE a > 0 GROUP BY a, b HAVING COUNT(*) > 1 ORDER BY n DESC, 2"),
              "(select distinct top 5 t.* (a + 1) as n b as B c as d (from T as t) where (> a 0) "
              "(group a b) having (> (count *) 1) (order alias:n desc 2))");
    // Joins keep their kind and their ON; a parenthesised join is a list of its own.
    EXPECT_EQ(Arvore("SELECT * FROM (A INNER JOIN B ON A.x = B.x) LEFT OUTER JOIN C ON 1 = 1, D "
                     "CROSS JOIN (SELECT 1 AS u) AS E"),
              "(select * (from (A inner B on (= A.x B.x)) left C on (= 1 1) , D cross (select 1 "
              "as u) as E))");
    // Union members follow each other; ORDER BY belongs to the whole union.
    EXPECT_EQ(Arvore("SELECT a FROM T UNION SELECT b FROM U UNION ALL SELECT c FROM V ORDER BY 1"),
              "(select a (from T) union (select b (from U)) union-all (select c (from V)) (order "
              "1))");
    // An alias is one only in ORDER BY and only as a bare name, as on SQL Server.
    EXPECT_EQ(Arvore("SELECT a AS x FROM T GROUP BY x ORDER BY x, T.x"),
              "(select a as x (from T) (group x) (order alias:x T.x))");
    EXPECT_NE(Recusa("SELECT a AS x FROM T ORDER BY x + 1"), QString());
    EXPECT_TRUE(Recusa("SELECT * FROM (SELECT 1 AS a)").contains("subconsulta sem nome"));
    EXPECT_TRUE(Recusa("SELECT TOP 50 PERCENT * FROM T").contains("TOP PERCENT"));
    EXPECT_TRUE(Recusa("SELECT a FROM T UNION SELECT TOP 1 b FROM U").contains("UNION"));
    EXPECT_TRUE(Recusa("SELECT TOP 1 a FROM T UNION SELECT b FROM U").contains("UNION"));
}

TEST_F(AnalisadorTSql, DataStatements) {
    EXPECT_EQ(Arvore("INSERT INTO T (a, b) VALUES (1, NULL), (-2, 'x') INSERT T DEFAULT VALUES "
                     "INSERT INTO T SELECT * FROM U"),
              "(insert T (a b) (values 1 null) (values (neg 2) 'x'))\n(insert T default)\n"
              "(insert T (select * (from U)))");
    EXPECT_EQ(Arvore("UPDATE dbo.T SET T.a = a + 1, b = NULL WHERE c = 1; DELETE T WHERE a = 2"),
              "(update T (set a (a + 1)) (set b null) where (= c 1))\n(delete T where (= a 2))");
    EXPECT_EQ(Arvore("BEGIN TRAN t1 SET IDENTITY_INSERT T ON COMMIT WORK ROLLBACK TRANSACTION"),
              "(sessao 1 t1)\n(sessao 4 T)\n(sessao 2 )\n(sessao 3 )");
    EXPECT_TRUE(Recusa("SET NOCOUNT ON").contains("só SET IDENTITY_INSERT"));
    EXPECT_TRUE(Recusa("BEGIN TRAN WITH MARK").contains("WITH MARK"));
    EXPECT_TRUE(Recusa("SELECT 1 FROM T WHERE").contains("fim do comando"));
    EXPECT_TRUE(Recusa("  ; ").contains("comando vazio"));
}

TEST_F(AnalisadorTSql, DefinitionsOfTablesOfTheBatchAndOfExistingOnes) {
    // DEFAULT ... FOR is a constraint only for a table created earlier in the same batch.
    EXPECT_EQ(Arvore("CREATE TABLE [dbo].[X] ([ID] [int] IDENTITY (1, 1) NOT NULL, [D] "
                     "[smalldatetime] NULL DEFAULT (getdate()), CONSTRAINT [PK] PRIMARY KEY "
                     "([ID]),) ON [PRIMARY] ALTER TABLE [dbo].[x] ADD CONSTRAINT [DF] DEFAULT "
                     "(0) FOR [ID]"),
              "(create X (col ID INT) (col D SMALLDATETIME default (paren (getdate))) (restr 0 "
              "PK ID))\n(alter x lote (restr 4 DF ID (paren 0)))");
    EXPECT_EQ(Arvore("ALTER TABLE T ADD [N] [nvarchar] (10) NULL, CONSTRAINT [U] UNIQUE ([N])"),
              "(alter T (col N NVARCHAR(10)) (restr 1 U N))");
    EXPECT_TRUE(Recusa("ALTER TABLE T ADD CONSTRAINT [DF] DEFAULT (0) FOR [ID]")
                    .contains("próxima de '[ID]': coluna inexistente"));
    EXPECT_TRUE(Recusa("ALTER TABLE T ADD CONSTRAINT [C] CHECK (a > 0)")
                    .contains("só acrescenta colunas e chaves"));
    EXPECT_TRUE(Recusa("ALTER TABLE T ADD UNIQUE ([N])").contains("só acrescenta"));
    EXPECT_TRUE(Recusa("ALTER TABLE T ADD [I] [int] IDENTITY").contains("identidade acrescentada"));
    EXPECT_TRUE(Recusa("CREATE TABLE T ([a] [xml])").contains("tipo de dados desconhecido"));
    EXPECT_TRUE(Recusa("CREATE TABLE T ([a] [int] IDENTITY (1, 2))").contains("incremento"));
    EXPECT_EQ(Arvore("CREATE UNIQUE INDEX I ON T (a DESC) DROP INDEX T.I DROP VIEW V"),
              "(comando 10 TI)\n(comando 11 I)\n(comando 13 V)");
}

TEST_F(AnalisadorTSql, NestingIsLimitedAndChainsAreFlat) {
    const auto aninhado = [](int n, const QString& abre, const QString& fecha) {
        return "SELECT " + abre.repeated(n) + "1" + fecha.repeated(n);
    };
    // 100 levels in all: the select, its item and 98 parentheses.
    EXPECT_EQ(Recusa(aninhado(98, "(", ")")), QString());
    EXPECT_TRUE(Recusa(aninhado(99, "(", ")")).contains("Msg 191"));
    // SQL Server's 32 subqueries inside one another, and not one more.
    const auto subconsultas = [](int n) {
        QString s = "SELECT a FROM T";
        for (int i = 0; i < n; ++i) {
            s = "SELECT a FROM T WHERE a IN (" + s + ")";
        }
        return s;
    };
    EXPECT_EQ(Recusa(subconsultas(32)), QString());
    EXPECT_TRUE(Recusa(subconsultas(33)).contains("Msg 191"));
    for (const QString& fundo :
         {aninhado(100000, "(", ")"), aninhado(100000, "(SELECT ", ")"),
          aninhado(100000, "NOT ", " = 1"), aninhado(100000, "- ", ""),
          aninhado(100000, "CASE WHEN 1 = 1 THEN ", " END"), aninhado(100000, "ABS(", ")"),
          "SELECT * FROM " + QString("(").repeated(100000) + "T"}) {
        EXPECT_TRUE(Recusa(fundo).contains("Msg 191")) << fundo.left(40).toStdString();
    }
    // 100,000 terms are one node of 100,000 operands.
    QStringList termos;
    for (int i = 0; i < 100000; ++i) {
        termos << QStringLiteral("a = %1").arg(i);
    }
    const QString sql = "SELECT 1 WHERE " + termos.join(" AND ");
    const dados::Arvore a = dados::AnalisarTSql(sql, dados::AnalisarLexico(sql));
    const dados::NoExpr& onde = a.expr(a.sel(a.comandos[0].select).onde);
    EXPECT_EQ(onde.tipo, dados::NoExpr::E);
    EXPECT_EQ(onde.filhos.size(), 100000);
}
