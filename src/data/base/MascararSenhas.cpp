#include "data/base/MascararSenhas.h"

#include <QRegularExpression>
#include <QVector>
#include <algorithm>

// Statements are read as tokens, not matched by patterns: a password can be any expression
// (UPPER('x'), 'a' + 'b', CASE ... END, a subquery), and a pattern for each shape always misses
// the next one. Around every comparison or assignment the operands are found by walking the
// tokens outward to the words and commas that end an expression; when either operand names a
// password column, every literal of both operands is hidden. The reader is lenient: log lines
// hold more than SQL, and a statement may be cut short anywhere.
namespace dados {

namespace {

// Blanks as the connection-string readers skip them (QChar::isSpace: also U+00A0, U+2000 to
// U+200A, U+3000...), and the zero-width characters that print as nothing.
#define BRANCO R"re([\s\x{200B}-\x{200D}\x{2060}\x{FEFF}])re"
// A name that says it holds a password.
#define SENHA R"re((?:senha|passw(?:or)?d|pwd))re"
// One column name, bare, [bracketed] or "quoted".
#define NOME R"re((?:\[[^\]]*\]|"[^"]*"|[\w$#@]+))re"
// A text literal; one cut short by the end of the text runs to that end. The repeats are
// possessive: a value of any length is matched run by run without backtracking frames (a plain
// repeat ran out of the matcher's stack on a long value and the match failed, leaving the
// secret unmasked).
#define LITERAL R"re(N?'(?:[^']++|'')*+(?:'|$))re"

constexpr QRegularExpression::PatternOptions kOpcoes =
    QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption;

const QString kMascara = QStringLiteral("'***'");

bool Branco(QChar c) {
    return c.isSpace() || c == QChar(0x200B) || c == QChar(0x200C) || c == QChar(0x200D) ||
           c == QChar(0x2060) || c == QChar(0xFEFF);
}

bool NomeDeTabelaDeUsuarios(QStringView nome) {
    static const QRegularExpression usuario(QStringLiteral(R"re(usu[aá]rio|user|login)re"),
                                            kOpcoes);
    return usuario.match(nome).hasMatch() || NomeDeSenha(nome);
}

struct Trecho {
    qsizetype inicio;
    qsizetype fim;
};

qsizetype PularBrancos(const QString& t, qsizetype i) {
    while (i < t.size() && Branco(t[i])) {
        ++i;
    }
    return i;
}

// One past the quoted run that starts at t[i] ('...', "..." or [...], the closing character
// doubled inside); the end of the text when it is never closed.
qsizetype FimDoCitado(const QString& t, qsizetype i) {
    const QChar fecho = t[i] == u'[' ? QChar(u']') : t[i];
    for (++i; i < t.size(); ++i) {
        if (t[i] == fecho) {
            if (i + 1 < t.size() && t[i + 1] == fecho) {
                ++i;
                continue;
            }
            return i + 1;
        }
    }
    return t.size();
}

// ---------------------------------------------------------------- INSERT

// The items of the parenthesised list whose "(" is at t[i], split at the commas outside
// quotes and inner parentheses; `i` ends one past the ")" (or at the end of a text cut short).
QVector<Trecho> LerLista(const QString& t, qsizetype& i) {
    QVector<Trecho> itens;
    int profundidade = 0;
    qsizetype inicio = i + 1;
    while (i < t.size()) {
        const QChar c = t[i];
        if (c == u'\'' || c == u'"' || c == u'[') {
            i = FimDoCitado(t, i);
            continue;
        }
        ++i;
        if (c == u'(') {
            ++profundidade;
        } else if (c == u')' && --profundidade == 0) {
            itens.push_back({inicio, i - 1});
            return itens;
        } else if (c == u',' && profundidade == 1) {
            itens.push_back({inicio, i - 1});
            inicio = i;
        }
    }
    itens.push_back({inicio, t.size()});
    return itens;
}

// The select list after INSERT ... SELECT, up to FROM, WHERE, UNION, ";" or the end.
QVector<Trecho> LerListaSelect(const QString& t, qsizetype& i) {
    static const QRegularExpression fim(
        QStringLiteral(R"re(\G(?:FROM|WHERE|UNION|ORDER|GROUP)\b)re"), kOpcoes);
    QVector<Trecho> itens;
    int profundidade = 0;
    qsizetype inicio = i;
    while (i < t.size()) {
        const QChar c = t[i];
        if (c == u'\'' || c == u'"' || c == u'[') {
            i = FimDoCitado(t, i);
            continue;
        }
        if (profundidade == 0 && (c == u';' || ((i == 0 || !t[i - 1].isLetterOrNumber()) &&
                                                fim.match(t, i).hasMatch()))) {
            break;
        }
        if (c == u'(') {
            ++profundidade;
        } else if (c == u')') {
            --profundidade;
        } else if (c == u',' && profundidade == 0) {
            itens.push_back({inicio, i});
            inicio = i + 1;
        }
        ++i;
    }
    itens.push_back({inicio, i});
    return itens;
}

// INSERT [INTO] table (columns) VALUES (...), (...) | SELECT ...: the values that go into a
// password column, whole. Without a column list the positions are unknown, so an insert into
// a user table loses every value.
void TrechosDeInsercao(const QString& texto, QVector<Trecho>& mascarar) {
    static const QRegularExpression insert(
        QStringLiteral(R"re(\bINSERT\b(?:)re" BRANCO R"re(+INTO\b)?)re" BRANCO R"re(*()re" NOME
                       R"re((?:)re" BRANCO R"re(*\.)re" BRANCO R"re(*)re" NOME R"re()*))re" BRANCO
                       "*"),
        kOpcoes);
    static const QRegularExpression palavra(QStringLiteral(R"re(\G(VALUES|SELECT)\b)re"), kOpcoes);
    qsizetype de = 0;
    QRegularExpressionMatch m;
    while ((m = insert.match(texto, de)).hasMatch()) {
        qsizetype i = m.capturedEnd();
        de = i;
        QVector<bool> senha;
        bool todas = false;
        if (i < texto.size() && texto[i] == u'(') {
            for (const Trecho& c : LerLista(texto, i)) {
                senha.push_back(NomeDeSenha(QStringView(texto).mid(c.inicio, c.fim - c.inicio)));
            }
            if (!senha.contains(true)) {
                continue;
            }
        } else if (NomeDeTabelaDeUsuarios(m.capturedView(1))) {
            todas = true;
        } else {
            continue;
        }
        i = PularBrancos(texto, i);
        const QRegularExpressionMatch p = palavra.match(texto, i);
        if (!p.hasMatch()) {
            continue;
        }
        i = p.capturedEnd();
        const auto marcar = [&](const QVector<Trecho>& itens) {
            for (qsizetype k = 0; k < itens.size(); ++k) {
                if (!(todas || (k < senha.size() && senha[k]))) {
                    continue;
                }
                // The blanks around the value stay, so the statement keeps its shape.
                const qsizetype a = PularBrancos(texto, itens[k].inicio);
                qsizetype b = itens[k].fim;
                while (b > a && Branco(texto[b - 1])) {
                    --b;
                }
                if (b > a) {
                    mascarar.push_back({a, b});
                }
            }
        };
        if (p.captured(1).compare(QLatin1String("SELECT"), Qt::CaseInsensitive) == 0) {
            marcar(LerListaSelect(texto, i));
        } else {
            for (;;) {
                i = PularBrancos(texto, i);
                if (i >= texto.size() || texto[i] != u'(') {
                    break;
                }
                marcar(LerLista(texto, i));
                i = PularBrancos(texto, i);
                if (i >= texto.size() || texto[i] != u',') {
                    break;
                }
                ++i;
            }
        }
        de = i;
    }
}

// ---------------------------------------------------------------- comparisons and assignments

struct Peca {
    enum Tipo : quint8 { Literal, Nome, Simbolo } tipo;
    qsizetype inicio;
    qsizetype fim;
};

bool ParteDeNome(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'@' || c == u'#' || c == u'$' ||
           c.category() == QChar::Mark_NonSpacing;
}

// The tokens of `t`; comments are skipped (a quote inside one would swallow the statement)
// but kept apart, to be masked as texts of their own.
QVector<Peca> Pecas(const QString& t, QVector<Trecho>& comentarios) {
    QVector<Peca> pecas;
    const qsizetype n = t.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = t[i];
        const QChar d = i + 1 < n ? t[i + 1] : QChar();
        if (Branco(c)) {
            ++i;
            continue;
        }
        const qsizetype inicio = i;
        if (c == u'-' && d == u'-') {
            while (i < n && t[i] != u'\n') {
                ++i;
            }
            comentarios.push_back({inicio + 2, i});
            continue;
        }
        if (c == u'/' && d == u'*') {
            int nivel = 0;
            while (i < n) {
                if (t[i] == u'/' && i + 1 < n && t[i + 1] == u'*') {
                    ++nivel;
                    i += 2;
                } else if (t[i] == u'*' && i + 1 < n && t[i + 1] == u'/') {
                    i += 2;
                    if (--nivel == 0) {
                        break;
                    }
                } else {
                    ++i;
                }
            }
            comentarios.push_back({inicio + 2, nivel == 0 ? i - 2 : i});
            continue;
        }
        if (c == u'\'' || ((c == u'N' || c == u'n') && d == u'\'')) {
            i = FimDoCitado(t, c == u'\'' ? i : i + 1);
            pecas.push_back({Peca::Literal, inicio, i});
        } else if (c == u'[' || c == u'"') {
            i = FimDoCitado(t, i);
            pecas.push_back({Peca::Nome, inicio, i});
        } else if (c.isDigit() || (c == u'.' && d.isDigit())) {
            // Numbers, 1.5e-3 and 0x1F included.
            ++i;
            while (i < n &&
                   (ParteDeNome(t[i]) || t[i] == u'.' ||
                    ((t[i] == u'+' || t[i] == u'-') && (t[i - 1] == u'e' || t[i - 1] == u'E')))) {
                ++i;
            }
            pecas.push_back({Peca::Literal, inicio, i});
        } else if (ParteDeNome(c)) {
            while (i < n && ParteDeNome(t[i])) {
                ++i;
            }
            pecas.push_back({Peca::Nome, inicio, i});
        } else {
            ++i;
            if ((c == u'<' && (d == u'>' || d == u'=')) || (c == u'>' && d == u'=') ||
                (c == u'!' && (d == u'=' || d == u'<' || d == u'>'))) {
                ++i;
            }
            pecas.push_back({Peca::Simbolo, inicio, i});
        }
    }
    return pecas;
}

class Comparacoes {
  public:
    Comparacoes(const QString& t, QVector<Trecho>& comentarios)
        : m_t(t), m_p(Pecas(t, comentarios)) {
        m_senhas.resize(m_p.size() + 1);
        for (qsizetype k = 0; k < m_p.size(); ++k) {
            const bool senha =
                m_p[k].tipo == Peca::Nome &&
                NomeDeSenha(QStringView(m_t).mid(m_p[k].inicio, m_p[k].fim - m_p[k].inicio));
            m_senhas[k + 1] = m_senhas[k] + (senha ? 1 : 0);
        }
        m_cobertura.fill(0, m_p.size() + 1);
    }

    void marcar(QVector<Trecho>& mascarar) {
        for (qsizetype k = 0; k < m_p.size(); ++k) {
            if (ehOperador(k)) {
                operador(k);
            } else if (eh(k, "CASE")) {
                casoSimples(k);
            }
        }
        int cobertura = 0;
        for (qsizetype k = 0; k < m_p.size(); ++k) {
            cobertura += m_cobertura[k];
            if (cobertura > 0 && m_p[k].tipo == Peca::Literal) {
                mascarar.push_back({m_p[k].inicio, m_p[k].fim});
            }
        }
    }

  private:
    QStringView texto(qsizetype k) const {
        return QStringView(m_t).mid(m_p[k].inicio, m_p[k].fim - m_p[k].inicio);
    }
    bool eh(qsizetype k, const char* palavra) const {
        return m_p[k].tipo == Peca::Nome &&
               texto(k).compare(QLatin1String(palavra), Qt::CaseInsensitive) == 0;
    }
    bool simbolo(qsizetype k, const char* s) const {
        return m_p[k].tipo == Peca::Simbolo && texto(k) == QLatin1String(s);
    }
    bool ehOperador(qsizetype k) const {
        if (m_p[k].tipo == Peca::Simbolo) {
            for (const char* s : {"=", "<>", "!=", "<", ">", "<=", ">=", "!<", "!>"}) {
                if (simbolo(k, s)) {
                    return true;
                }
            }
            return false;
        }
        return eh(k, "LIKE") || eh(k, "IN") || eh(k, "BETWEEN");
    }
    // What ends an operand at its own level.
    bool fimDeOperando(qsizetype k) const {
        if (m_p[k].tipo == Peca::Simbolo) {
            return simbolo(k, ",") || simbolo(k, ";") || ehOperador(k);
        }
        for (const char* p :
             {"AND",    "OR",     "NOT",   "WHEN",    "THEN",   "ELSE",   "WHERE",
              "FROM",   "GROUP",  "ORDER", "HAVING",  "UNION",  "SELECT", "INSERT",
              "UPDATE", "DELETE", "SET",   "VALUES",  "INTO",   "ON",     "JOIN",
              "IS",     "LIKE",   "IN",    "BETWEEN", "ESCAPE", "EXCEPT", "INTERSECT"}) {
            if (eh(k, p)) {
                return true;
            }
        }
        return false;
    }
    bool temSenha(qsizetype de, qsizetype ate) const {  // [de, ate)
        return de < ate && m_senhas[ate] - m_senhas[de] > 0;
    }
    void cobrir(qsizetype de, qsizetype ate) {
        if (de < ate) {
            ++m_cobertura[de];
            --m_cobertura[ate];
        }
    }

    // The far end of the operand beside token k, walking one way (-1 before k, +1 after it) to
    // the word or comma that ends it at its own level: the operand is [returned, k) before,
    // (k, returned) after. BETWEEN's operand takes one AND.
    qsizetype fimDoOperando(qsizetype k, int sentido, bool entre = false) const {
        const char* abre = sentido > 0 ? "(" : ")";
        const char* fecha = sentido > 0 ? ")" : "(";
        const char* abreCaso = sentido > 0 ? "CASE" : "END";
        const char* fechaCaso = sentido > 0 ? "END" : "CASE";
        int parenteses = 0, casos = 0;
        qsizetype i = k + sentido;
        for (; i >= 0 && i < m_p.size(); i += sentido) {
            if (simbolo(i, abre)) {
                ++parenteses;
            } else if (simbolo(i, fecha)) {
                if (parenteses-- == 0) {
                    break;
                }
            } else if (eh(i, abreCaso)) {
                ++casos;
            } else if (eh(i, fechaCaso)) {
                if (casos-- == 0) {
                    break;
                }
            } else if (parenteses == 0 && casos == 0 && fimDeOperando(i)) {
                if (entre && eh(i, "AND")) {
                    entre = false;
                    continue;
                }
                break;
            }
        }
        return sentido > 0 ? i : i + 1;
    }

    void operador(qsizetype k) {
        // NOT LIKE / NOT IN / NOT BETWEEN: the operand is before the NOT.
        const qsizetype antes = k > 0 && eh(k - 1, "NOT") && m_p[k].tipo == Peca::Nome ? k - 1 : k;
        const qsizetype inicio = fimDoOperando(antes, -1);
        const qsizetype fim = fimDoOperando(k, +1, eh(k, "BETWEEN"));
        if (temSenha(inicio, antes) || temSenha(k + 1, fim)) {
            cobrir(inicio, fim);
        }
    }

    // CASE Senha WHEN 'x' THEN ...: each WHEN value is compared with the subject (which ends at
    // the first WHEN; a searched CASE has none), so the whole CASE goes.
    void casoSimples(qsizetype k) {
        const qsizetype quando = fimDoOperando(k, +1);
        if (quando < m_p.size() && eh(quando, "WHEN") && temSenha(k + 1, quando)) {
            cobrir(k, fimDoOperando(k - 1, +1));
        }
    }

    const QString& m_t;
    QVector<Peca> m_p;
    QVector<int> m_senhas;     // password names among the first k tokens
    QVector<int> m_cobertura;  // differences: +1 where a masked run begins, -1 past its end
};

// Every run of `texto` that MascararSenhas replaces, sorted, none overlapping another. A
// comment is read as a text of its own ("-- UPDATE ... SET Senha = 'x'"), to a few levels:
// "-- -- -- ..." must not recurse without end.
QVector<Trecho> Trechos(const QString& texto, int profundidade = 0) {
    static const QRegularExpression senha(QStringLiteral(SENHA), kOpcoes);
    QVector<Trecho> trechos;
    TrechosDeInsercao(texto, trechos);
    if (senha.match(texto).hasMatch()) {
        QVector<Trecho> comentarios;
        Comparacoes(texto, comentarios).marcar(trechos);
        for (const Trecho& c : comentarios) {
            if (profundidade >= 3) {
                break;
            }
            for (const Trecho& t :
                 Trechos(texto.mid(c.inicio, c.fim - c.inicio), profundidade + 1)) {
                trechos.push_back({t.inicio + c.inicio, t.fim + c.inicio});
            }
        }
    }
    std::sort(trechos.begin(), trechos.end(),
              [](const Trecho& a, const Trecho& b) { return a.inicio < b.inicio; });
    QVector<Trecho> unidos;
    for (const Trecho& t : trechos) {
        if (!unidos.isEmpty() && t.inicio < unidos.last().fim) {
            unidos.last().fim = std::max(unidos.last().fim, t.fim);
        } else {
            unidos.push_back(t);
        }
    }
    return unidos;
}

}  // namespace

bool NomeDeSenha(QStringView nome) {
    static const QRegularExpression senha(QStringLiteral(SENHA), kOpcoes);
    return senha.match(nome).hasMatch();
}

QString MascararSenhas(const QString& texto) {
    // SQL Server echoes the value it would truncate, naming its column.
    static const QRegularExpression truncado(
        QStringLiteral(R"re((column)re" BRANCO R"re(*'[^']*)re" SENHA R"re([^']*'\.)re" BRANCO
                       R"re(*Truncated value:)re" BRANCO "*)" LITERAL),
        kOpcoes);
    // The password key of an ODBC or OLE DB connection string, however spaced, its value braced
    // ({a;b}, with }} inside), quoted ("a;b", 'a;b') or plain; an unclosed brace or quote runs
    // to the end.
    static const QRegularExpression conexao(
        QStringLiteral(
            R"re(((?:Password|Passwd|Pwd))re" BRANCO "*=" BRANCO
            R"re(*)(?:\{(?:[^}]++|\}\})*+(?:\}|$)|"(?:[^"]++|"")*+(?:"|$)|'(?:[^']++|'')*+(?:'|$)|[^;]*))re"),
        kOpcoes);
    QString r = texto;
    const QVector<Trecho> trechos = Trechos(texto);
    for (qsizetype k = trechos.size(); k-- > 0;) {
        r.replace(trechos[k].inicio, trechos[k].fim - trechos[k].inicio, kMascara);
    }
    r.replace(truncado, QStringLiteral("\\1'***'"));
    r.replace(conexao, QStringLiteral("\\1***"));
    return r;
}

bool TrechoDeSenha(const QString& sql, qsizetype posicao) {
    for (const Trecho& t : Trechos(sql)) {
        if (posicao >= t.inicio && posicao < t.fim) {
            return true;
        }
    }
    return false;
}

QString MascararValorEcoado(const QString& mensagem, const QString& comando) {
    static const QRegularExpression senha(QStringLiteral(SENHA), kOpcoes);
    if (!senha.match(comando).hasMatch()) {
        return mensagem;
    }
    static const QRegularExpression eco(
        QStringLiteral(R"re(((?:value|string|Truncated value:) )'(?:[^']++|'')*+(?:'|$))re"));
    static const QRegularExpression chave(QStringLiteral(R"re((value is )\([^)]*\))re"));
    QString r = mensagem;
    r.replace(eco, QStringLiteral("\\1'***'"));
    r.replace(chave, QStringLiteral("\\1(***)"));
    return r;
}

#undef BRANCO
#undef SENHA
#undef NOME
#undef LITERAL

}  // namespace dados
