#include "data/base/Diagnostico.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <cstdio>

#include "data/base/Relogio.h"

namespace dados {

namespace {

// Blanks as the connection-string readers skip them (QChar::isSpace: also U+00A0, U+2000 to
// U+200A, U+3000...), and the zero-width characters that print as nothing.
#define BRANCO R"re([\s\x{200B}-\x{200D}\x{2060}\x{FEFF}])re"
// A name that says it holds a password.
#define SENHA R"re((?:senha|passw(?:or)?d|pwd))re"
// One column name, bare, [bracketed] or "quoted".
#define NOME R"re((?:\[[^\]]*\]|"[^"]*"|[\w$#@]+))re"
// A text literal and what the program's SQL form of a text joins to it ('a' + CHAR(39) + 'b');
// a literal cut short by the end of the text runs to that end. The repeats are possessive: a
// value of any length is matched run by run without backtracking frames (a plain repeat ran out
// of the matcher's stack on a long value and the match failed, leaving the secret unmasked).
#define LITERAL R"re(N?'(?:[^']++|'')*+(?:'|$))re"
#define CADEIA_LITERAL                                                                \
    LITERAL "(?:" BRANCO "*\\+" BRANCO "*(?:CHAR" BRANCO "*\\(" BRANCO "*\\d+" BRANCO \
            "*\\)|" LITERAL "))*"

constexpr QRegularExpression::PatternOptions kOpcoes =
    QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption;

bool NomeDeSenha(QStringView nome) {
    static const QRegularExpression senha(QStringLiteral(SENHA), kOpcoes);
    return senha.match(nome.toString()).hasMatch();
}

bool NomeDeTabelaDeUsuarios(QStringView nome) {
    static const QRegularExpression usuario(QStringLiteral(R"re(usu[aá]rio|user|login)re"),
                                            kOpcoes);
    return usuario.match(nome.toString()).hasMatch() || NomeDeSenha(nome);
}

qsizetype PularBrancos(const QString& t, qsizetype i) {
    while (i < t.size() && (t[i].isSpace() || t[i] == QChar(0x200B) || t[i] == QChar(0xFEFF))) {
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

struct Trecho {
    qsizetype inicio;
    qsizetype fim;
};

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
// password column. Without a column list the positions are unknown, so an insert into a user
// table loses every value.
QString MascararInsercoes(const QString& texto) {
    static const QRegularExpression insert(
        QStringLiteral(R"re(\bINSERT\b(?:)re" BRANCO R"re(+INTO\b)?)re" BRANCO R"re(*()re" NOME
                       R"re((?:)re" BRANCO R"re(*\.)re" BRANCO R"re(*)re" NOME R"re()*))re" BRANCO
                       "*"),
        kOpcoes);
    static const QRegularExpression palavra(QStringLiteral(R"re(\G(VALUES|SELECT)\b)re"), kOpcoes);
    QVector<Trecho> mascarar;
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
                if (todas || (k < senha.size() && senha[k])) {
                    mascarar.push_back(itens[k]);
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
    QString r = texto;
    for (qsizetype k = mascarar.size() - 1; k >= 0; --k) {
        // The blanks around the value stay, so the statement keeps its shape.
        qsizetype a = PularBrancos(r, mascarar[k].inicio);
        qsizetype b = mascarar[k].fim;
        while (b > a && r[b - 1].isSpace()) {
            --b;
        }
        if (b > a) {
            r.replace(a, b - a, QStringLiteral("'***'"));
        }
    }
    return r;
}

}  // namespace

QString MascararSenhas(const QString& texto) {
    // A password column compared with or assigned a text: Senha = 'x' + CHAR(39) + 'y'.
    static const QRegularExpression comparacao(
        QStringLiteral(R"re(((?:\[[^\]]*)re" SENHA R"re([^\]]*\]|"[^"]*)re" SENHA
                       R"re([^"]*"|[\w$#@]*)re" SENHA R"re([\w$#@]*))re" BRANCO
                       R"re(*(?:=|<>|!=|\bLIKE\b))re" BRANCO "*)" CADEIA_LITERAL),
        kOpcoes);
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
    QString r = MascararInsercoes(texto);
    r.replace(comparacao, QStringLiteral("\\1'***'"));
    r.replace(truncado, QStringLiteral("\\1'***'"));
    r.replace(conexao, QStringLiteral("\\1***"));
    return r;
}

#undef BRANCO
#undef SENHA
#undef NOME
#undef LITERAL
#undef CADEIA_LITERAL

QString ArquivoDiagnostico() {
    static const QString caminho = [] {
        QString pasta = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        if (pasta.isEmpty()) {
            return QString();
        }
        pasta += QStringLiteral("/Cadunir");
        if (!QDir().mkpath(pasta)) {
            return QString();
        }
        return pasta + QStringLiteral("/cadunir.log");
    }();
    return caminho;
}

namespace {
bool g_silencioso = false;
thread_local QString t_ultimo;
constexpr qint64 kTamanhoMaximo = 1024 * 1024;
}  // namespace

void SilenciarDiagnosticoNoTerminal(bool silenciar) {
    g_silencioso = silenciar;
}

QString UltimoDiagnostico() {
    return t_ultimo;
}

void LimparUltimoDiagnostico() {
    t_ultimo.clear();
}

void RegistrarDiagnostico(const QString& linha) {
    const QString texto = MascararSenhas(linha);
    t_ultimo = texto;
    const QByteArray bytes = (Relogio::Agora().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss ")) +
                              texto + QLatin1Char('\n'))
                                 .toUtf8();
    if (!g_silencioso) {
        std::fputs(("cadunir: " + texto + QLatin1Char('\n')).toUtf8().constData(), stderr);
    }
    const QString arquivo = ArquivoDiagnostico();
    if (!arquivo.isEmpty()) {
        // One old generation is kept, so the log never grows without bound.
        if (QFileInfo(arquivo).size() > kTamanhoMaximo) {
            QFile::remove(arquivo + QStringLiteral(".1"));
            QFile::rename(arquivo, arquivo + QStringLiteral(".1"));
        }
        QFile f(arquivo);
        if (f.open(QIODevice::Append | QIODevice::WriteOnly)) {
            f.write(bytes);
        }
    }
}

}  // namespace dados
