#include "data/sqlite/OperadoresTSql.h"

#include <sqlite3.h>

#include <QByteArray>
#include <QDate>
#include <QTime>
#include <algorithm>
#include <cmath>
#include <vector>

#include "data/sqlite/FuncoesTSql.h"

namespace dados {

namespace {

// SQL Server's message for the failure, in the form the engine reads back into its number,
// level, state and text ("Msg 8134, Level 16, State 1: Divide by zero error encountered.").
void Erro(sqlite3_context* ctx, int numero, int nivel, int estado, const QString& texto) {
    const QByteArray b = QStringLiteral("Msg %1, Level %2, State %3: %4")
                             .arg(numero)
                             .arg(nivel)
                             .arg(estado)
                             .arg(texto)
                             .toUtf8();
    sqlite3_result_error(ctx, b.constData(), b.size());
}

QString Texto(sqlite3_value* v) {
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(v)),
                             sqlite3_value_bytes(v));
}

void ResultadoTexto(sqlite3_context* ctx, const QString& s) {
    const QByteArray b = s.toUtf8();
    sqlite3_result_text(ctx, b.constData(), b.size(), SQLITE_TRANSIENT);
}

void FalhaConversaoInt(sqlite3_context* ctx, const QString& texto, const char* origem) {
    Erro(ctx, 245, 16, 1,
         QStringLiteral("Conversion failed when converting the %1 value '%2' to data type int.")
             .arg(QLatin1String(origem), texto));
}

void FalhaConversaoNumerico(sqlite3_context* ctx, const char* origem) {
    Erro(ctx, 8114, 16, 5,
         QStringLiteral("Error converting data type %1 to numeric.").arg(QLatin1String(origem)));
}

// A number operand after SQL Server's implicit conversion.
struct Numero {
    bool inteiro = true;
    sqlite3_int64 i = 0;
    double d = 0;
    double real() const { return inteiro ? double(i) : d; }
};

enum class Leitura { Ok, Nulo, Falhou };

// A text meeting a number takes the number's type: an integer accepts only digits (with sign
// and blanks around; blanks alone are 0), a decimal accepts a decimal number.
bool TextoComoNumero(const QString& t, bool comoInteiro, Numero* n) {
    const QString s = t.trimmed();
    bool ok = false;
    if (comoInteiro) {
        n->inteiro = true;
        n->i = s.isEmpty() ? 0 : s.toLongLong(&ok);
        return ok || s.isEmpty();
    }
    n->inteiro = false;
    n->d = s.toDouble(&ok);
    return ok && !s.isEmpty();
}

// Reads both operands of an arithmetic operator. `nome` is the operator's name in SQL Server's
// message for two texts; an empty name lets two texts through (for + they join).
Leitura Operandos(sqlite3_context* ctx, sqlite3_value** argv, const char* nome, Numero* a,
                  Numero* b) {
    const int ta = sqlite3_value_type(argv[0]);
    const int tb = sqlite3_value_type(argv[1]);
    if (ta == SQLITE_NULL || tb == SQLITE_NULL) {
        return Leitura::Nulo;
    }
    if (ta == SQLITE_TEXT && tb == SQLITE_TEXT) {
        Erro(ctx, 8117, 16, 1,
             QStringLiteral("Operand data type nvarchar is invalid for %1 operator.")
                 .arg(QLatin1String(nome)));
        return Leitura::Falhou;
    }
    const auto direto = [](sqlite3_value* v, Numero* n) {
        if (sqlite3_value_type(v) == SQLITE_INTEGER) {
            n->inteiro = true;
            n->i = sqlite3_value_int64(v);
        } else {
            n->inteiro = false;
            n->d = sqlite3_value_double(v);
        }
    };
    const auto convertido = [&](sqlite3_value* texto, sqlite3_value* outro, Numero* n) {
        const bool comoInteiro = sqlite3_value_type(outro) == SQLITE_INTEGER;
        if (TextoComoNumero(Texto(texto), comoInteiro, n)) {
            return true;
        }
        if (comoInteiro) {
            FalhaConversaoInt(ctx, Texto(texto), "nvarchar");
        } else {
            FalhaConversaoNumerico(ctx, "nvarchar");
        }
        return false;
    };
    if (ta == SQLITE_TEXT || ta == SQLITE_BLOB) {
        if (!convertido(argv[0], argv[1], a)) {
            return Leitura::Falhou;
        }
    } else {
        direto(argv[0], a);
    }
    if (tb == SQLITE_TEXT || tb == SQLITE_BLOB) {
        if (!convertido(argv[1], argv[0], b)) {
            return Leitura::Falhou;
        }
    } else {
        direto(argv[1], b);
    }
    return Leitura::Ok;
}

void Estouro(sqlite3_context* ctx, const char* tipo) {
    Erro(ctx, 8115, 16, 2,
         QStringLiteral("Arithmetic overflow error converting expression to data type %1.")
             .arg(QLatin1String(tipo)));
}

void DivisaoPorZero(sqlite3_context* ctx) {
    Erro(ctx, 8134, 16, 1, QStringLiteral("Divide by zero error encountered."));
}

// '+' whose operand types were unknown when the statement was translated: texts join, numbers
// add, a text meeting a number converts to that number's type (or fails), NULL wins.
void FuncaoSoma(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_TEXT && sqlite3_value_type(argv[1]) == SQLITE_TEXT) {
        ResultadoTexto(ctx, Texto(argv[0]) + Texto(argv[1]));
        return;
    }
    Numero a, b;
    if (Operandos(ctx, argv, "add", &a, &b) != Leitura::Ok) {
        if (sqlite3_value_type(argv[0]) == SQLITE_NULL ||
            sqlite3_value_type(argv[1]) == SQLITE_NULL) {
            sqlite3_result_null(ctx);
        }
        return;
    }
    sqlite3_int64 r = 0;
    if (a.inteiro && b.inteiro) {
        if (__builtin_add_overflow(a.i, b.i, &r)) {
            Estouro(ctx, "bigint");
            return;
        }
        sqlite3_result_int64(ctx, r);
    } else {
        sqlite3_result_double(ctx, a.real() + b.real());
    }
}

enum class Operador { Subtrair, Multiplicar, Dividir, Resto };

template <Operador op>
void FuncaoAritmetica(sqlite3_context* ctx, int, sqlite3_value** argv) {
    static const char* const nomes[] = {"subtract", "multiply", "divide", "modulo"};
    Numero a, b;
    const Leitura l = Operandos(ctx, argv, nomes[static_cast<int>(op)], &a, &b);
    if (l == Leitura::Nulo) {
        sqlite3_result_null(ctx);
    }
    if (l != Leitura::Ok) {
        return;
    }
    if (a.inteiro && b.inteiro) {
        sqlite3_int64 r = 0;
        bool estourou = false;
        switch (op) {
            case Operador::Subtrair:
                estourou = __builtin_sub_overflow(a.i, b.i, &r);
                break;
            case Operador::Multiplicar:
                estourou = __builtin_mul_overflow(a.i, b.i, &r);
                break;
            case Operador::Dividir:
            case Operador::Resto:
                if (b.i == 0) {
                    DivisaoPorZero(ctx);
                    return;
                }
                if (a.i == INT64_MIN && b.i == -1) {
                    estourou = op == Operador::Dividir;
                    r = 0;
                } else {
                    // Both truncate toward zero, as SQL Server's integer / and % do.
                    r = op == Operador::Dividir ? a.i / b.i : a.i % b.i;
                }
                break;
        }
        if (estourou) {
            Estouro(ctx, "bigint");
            return;
        }
        sqlite3_result_int64(ctx, r);
        return;
    }
    const double x = a.real(), y = b.real();
    switch (op) {
        case Operador::Subtrair:
            sqlite3_result_double(ctx, x - y);
            return;
        case Operador::Multiplicar:
            sqlite3_result_double(ctx, x * y);
            return;
        case Operador::Dividir:
        case Operador::Resto:
            if (y == 0) {
                DivisaoPorZero(ctx);
                return;
            }
            sqlite3_result_double(ctx, op == Operador::Dividir ? x / y : std::fmod(x, y));
            return;
    }
}

// The result of int-typed arithmetic must fit SQL Server's int.
void FuncaoInt(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER) {
        const sqlite3_int64 v = sqlite3_value_int64(argv[0]);
        if (v < INT32_MIN || v > INT32_MAX) {
            Estouro(ctx, "int");
            return;
        }
    }
    sqlite3_result_value(ctx, argv[0]);
}

void FuncaoLike(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) {
            sqlite3_result_null(ctx);
            return;
        }
    }
    QChar escape;
    if (argc == 3) {
        const QString e = Texto(argv[2]);
        if (e.size() != 1) {
            Erro(ctx, 506, 16, 1,
                 QStringLiteral("The invalid escape character \"%1\" was specified in a LIKE "
                                "predicate.")
                     .arg(e));
            return;
        }
        escape = e[0];
    }
    sqlite3_result_int(ctx, CasarLikeTSql(Texto(argv[0]), Texto(argv[1]), escape) ? 1 : 0);
}

// 'yyyy-mm-dd hh:mm:ss' already, as the program writes its dates.
bool DataCanonica(const unsigned char* s, int n) {
    static const char modelo[] = "9999-99-99 99:99:99";
    if (n != 19) {
        return false;
    }
    for (int i = 0; i < 19; ++i) {
        const bool digito = s[i] >= '0' && s[i] <= '9';
        if (modelo[i] == '9' ? !digito : s[i] != static_cast<unsigned char>(modelo[i])) {
            return false;
        }
    }
    const int mes = (s[5] - '0') * 10 + (s[6] - '0');
    const int dia = (s[8] - '0') * 10 + (s[9] - '0');
    return mes >= 1 && mes <= 12 && dia >= 1 && dia <= 28;
}

void FuncaoData(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) != SQLITE_TEXT ||
        DataCanonica(sqlite3_value_text(argv[0]), sqlite3_value_bytes(argv[0]))) {
        sqlite3_result_value(ctx, argv[0]);
        return;
    }
    const QString t = Texto(argv[0]);
    const QString d = DataDoLiteralTSql(t);
    if (d.isNull()) {
        Erro(ctx, 241, 16, 1,
             QStringLiteral("Conversion failed when converting date and/or time from character "
                            "string."));
        return;
    }
    ResultadoTexto(ctx, d);
}

// CHAR(n) on SQL Server's Latin1 code page (Windows-1252); NCHAR(n) is the code point.
void FuncaoChar(sqlite3_context* ctx, int, sqlite3_value** argv) {
    static const char16_t cp1252[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const sqlite3_int64 n = sqlite3_value_int64(argv[0]);
    if (n < 0 || n > 255) {
        sqlite3_result_null(ctx);
        return;
    }
    const char16_t c = (n >= 0x80 && n < 0xA0) ? cp1252[n - 0x80] : static_cast<char16_t>(n);
    ResultadoTexto(ctx, QString(QChar(c)));
}

void FuncaoNChar(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const sqlite3_int64 n = sqlite3_value_int64(argv[0]);
    if (n < 0 || n > 0xFFFF) {
        sqlite3_result_null(ctx);
        return;
    }
    ResultadoTexto(ctx, QString(QChar(static_cast<char16_t>(n))));
}

// The source type SQL Server's conversion messages name: the optional second argument says
// varchar for a text literal written without N.
const char* Origem(int argc, sqlite3_value** argv) {
    return argc > 1 && sqlite3_value_type(argv[1]) == SQLITE_TEXT ? "varchar" : "nvarchar";
}

// A value where SQL Server wants an int (a text compared with an int, ISNULL of an int
// column): a text of digits, a number truncated toward zero, within int's range.
template <bool grande>
void FuncaoParaInteiro(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    sqlite3_int64 v = 0;
    switch (sqlite3_value_type(argv[0])) {
        case SQLITE_NULL:
            sqlite3_result_null(ctx);
            return;
        case SQLITE_INTEGER:
            v = sqlite3_value_int64(argv[0]);
            break;
        case SQLITE_FLOAT: {
            const double d = std::trunc(sqlite3_value_double(argv[0]));
            if (!(d >= -9223372036854775808.0 && d < 9223372036854775808.0)) {
                Estouro(ctx, grande ? "bigint" : "int");
                return;
            }
            v = static_cast<sqlite3_int64>(d);
            break;
        }
        default: {
            Numero n;
            const QString t = Texto(argv[0]);
            if (!TextoComoNumero(t, true, &n)) {
                FalhaConversaoInt(ctx, t, Origem(argc, argv));
                return;
            }
            if (!grande && (n.i < INT32_MIN || n.i > INT32_MAX)) {
                Erro(ctx, 248, 16, 1,
                     QStringLiteral("The conversion of the %1 value '%2' overflowed an int column.")
                         .arg(QLatin1String(Origem(argc, argv)), t));
                return;
            }
            v = n.i;
            break;
        }
    }
    if (!grande && (v < INT32_MIN || v > INT32_MAX)) {
        Estouro(ctx, "int");
        return;
    }
    sqlite3_result_int64(ctx, v);
}

// A value where SQL Server wants a decimal: a text must read as a number.
void FuncaoParaNumerico(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) != SQLITE_TEXT) {
        sqlite3_result_value(ctx, argv[0]);
        return;
    }
    Numero n;
    if (!TextoComoNumero(Texto(argv[0]), false, &n)) {
        FalhaConversaoNumerico(ctx, Origem(argc, argv));
        return;
    }
    sqlite3_result_double(ctx, n.d);
}

// A value as a text of at most n characters (ISNULL of an nvarchar(n) column): a text is cut,
// a number that does not fit overflows, as SQL Server's conversion to nvarchar(n) does.
void FuncaoCortar(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const int tipo = sqlite3_value_type(argv[0]);
    if (tipo == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const qsizetype n = sqlite3_value_int64(argv[1]);
    const QString t = Texto(argv[0]);
    if (tipo != SQLITE_TEXT && t.size() > n) {
        Estouro(ctx, "nvarchar");
        return;
    }
    ResultadoTexto(ctx, t.left(n));
}

// SUBSTRING(texto, inicio, tamanho) as SQL Server counts: the characters from `inicio` to
// inicio + tamanho - 1 that exist (a start before 1 eats into the length); a negative length
// is an error. LEFT(texto, n) likewise.
void FuncaoSubstring(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) {
            sqlite3_result_null(ctx);
            return;
        }
    }
    const bool esquerda = argc == 2;
    const sqlite3_int64 inicio = esquerda ? 1 : sqlite3_value_int64(argv[1]);
    const sqlite3_int64 tamanho = sqlite3_value_int64(argv[esquerda ? 1 : 2]);
    if (tamanho < 0) {
        if (esquerda) {
            Erro(ctx, 536, 16, 1,
                 QStringLiteral("Invalid length parameter passed to the left function."));
        } else {
            Erro(ctx, 537, 16, 3,
                 QStringLiteral("Invalid length parameter passed to the LEFT or SUBSTRING "
                                "function."));
        }
        return;
    }
    const QString t = Texto(argv[0]);
    const sqlite3_int64 de = std::max<sqlite3_int64>(inicio, 1);
    // inicio + tamanho, kept from overflowing
    const sqlite3_int64 ate =
        tamanho > INT64_MAX - std::max<sqlite3_int64>(inicio, 0) ? INT64_MAX : inicio + tamanho;
    if (ate <= de || de > t.size()) {
        ResultadoTexto(ctx, QString());
        return;
    }
    ResultadoTexto(ctx, t.mid(de - 1, std::min<sqlite3_int64>(ate - de, t.size())));
}

// Many result columns in one value (a result wider than SQLite's): each argument as its kind
// byte, then 8 bytes for a number or a 4-byte length and the bytes for a text or blob. The
// engine reads them back with LerPacote.
void FuncaoPacote(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    QByteArray b;
    const auto anexar = [&b](const void* p, int n) { b.append(static_cast<const char*>(p), n); };
    for (int i = 0; i < argc; ++i) {
        const int tipo = sqlite3_value_type(argv[i]);
        b.append(static_cast<char>(tipo));
        if (tipo == SQLITE_INTEGER) {
            const sqlite3_int64 v = sqlite3_value_int64(argv[i]);
            anexar(&v, sizeof v);
        } else if (tipo == SQLITE_FLOAT) {
            const double v = sqlite3_value_double(argv[i]);
            anexar(&v, sizeof v);
        } else if (tipo != SQLITE_NULL) {
            const void* p = tipo == SQLITE_TEXT
                                ? static_cast<const void*>(sqlite3_value_text(argv[i]))
                                : sqlite3_value_blob(argv[i]);
            const qint32 n = sqlite3_value_bytes(argv[i]);
            anexar(&n, sizeof n);
            anexar(p, n);
        }
    }
    sqlite3_result_blob(ctx, b.constData(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
}

// Characters of a text, NULs included (SQLite's length() stops at the first NUL).
void FuncaoTamanho(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto* s = static_cast<const unsigned char*>(sqlite3_value_text(argv[0]));
    const int n = sqlite3_value_bytes(argv[0]);
    sqlite3_int64 caracteres = 0;
    for (int i = 0; i < n; ++i) {
        caracteres += (s[i] & 0xC0) != 0x80;
    }
    sqlite3_result_int64(ctx, caracteres);
}

char32_t Dobrado(char32_t c) {
    if (c < 0x80) {
        return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    }
    return QChar::toCaseFolded(c);
}

std::vector<char32_t> Dobrados(const QString& s) {
    std::vector<char32_t> r;
    r.reserve(s.size());
    for (const char32_t c : s.toUcs4()) {
        r.push_back(Dobrado(c));
    }
    return r;
}

// Whether x lies in the range [de-ate] of a LIKE set: by the collation's order, as SQL Server
// reads ranges, so that é is in [a-z] (it sorts between e and f).
bool NaFaixa(char32_t x, char32_t de, char32_t ate) {
    if (x < 0x80 && de < 0x80 && ate < 0x80) {
        return x >= de && x <= ate;  // already folded: the collation's order for ASCII letters
    }
    const auto comparar = [](char32_t a, char32_t b) {
        const QByteArray ua = QString::fromUcs4(&a, 1).toUtf8();
        const QByteArray ub = QString::fromUcs4(&b, 1).toUtf8();
        return CompararTextoTSql(ua.constData(), int(ua.size()), ub.constData(), int(ub.size()));
    };
    return comparar(de, x) <= 0 && comparar(x, ate) <= 0;
}

// One element of a LIKE pattern: a character, any character (_) or a set ([...]).
struct Elemento {
    enum Tipo { Caractere, Qualquer, Conjunto, Varios } tipo = Caractere;
    char32_t c = 0;
    bool negado = false;
    std::vector<std::pair<char32_t, char32_t>> faixas;

    bool casa(char32_t x) const {
        switch (tipo) {
            case Caractere:
                return x == c;
            case Qualquer:
                return true;
            case Conjunto: {
                bool dentro = false;
                for (const auto& [de, ate] : faixas) {
                    dentro = dentro || (de == ate ? x == de : NaFaixa(x, de, ate));
                }
                return dentro != negado;
            }
            case Varios:
                break;
        }
        return false;
    }
};

std::vector<Elemento> Compilar(const std::vector<char32_t>& p, char32_t escape, bool temEscape) {
    std::vector<Elemento> r;
    for (size_t i = 0; i < p.size(); ++i) {
        Elemento e;
        const char32_t c = p[i];
        if (temEscape && c == escape && i + 1 < p.size()) {
            e.c = p[++i];
        } else if (c == '%') {
            if (!r.empty() && r.back().tipo == Elemento::Varios) {
                continue;
            }
            e.tipo = Elemento::Varios;
        } else if (c == '_') {
            e.tipo = Elemento::Qualquer;
        } else if (c == '[') {
            size_t j = i + 1;
            Elemento conjunto;
            conjunto.tipo = Elemento::Conjunto;
            if (j < p.size() && p[j] == '^') {
                conjunto.negado = true;
                ++j;
            }
            bool primeiro = true;
            while (j < p.size() && (p[j] != ']' || primeiro)) {
                primeiro = false;
                if (j + 2 < p.size() && p[j + 1] == '-' && p[j + 2] != ']') {
                    conjunto.faixas.emplace_back(p[j], p[j + 2]);
                    j += 3;
                } else {
                    conjunto.faixas.emplace_back(p[j], p[j]);
                    ++j;
                }
            }
            if (j >= p.size()) {
                e.c = c;  // no closing bracket: the [ is itself
            } else {
                e = conjunto;
                i = j;
            }
        } else {
            e.c = c;
        }
        r.push_back(std::move(e));
    }
    return r;
}

bool Digitos(const QString& t, int de, int n) {
    for (int i = de; i < de + n; ++i) {
        if (i >= t.size() || !t[i].isDigit()) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool CasarLikeTSql(const QString& texto, const QString& padrao, QChar escape) {
    const std::vector<char32_t> s = Dobrados(texto);
    const std::vector<Elemento> p =
        Compilar(Dobrados(padrao), Dobrado(escape.unicode()), !escape.isNull());
    // Greedy matching that goes back only to the last %: linear for the patterns people write,
    // never recursive.
    size_t i = 0, j = 0;
    size_t voltaP = SIZE_MAX, voltaS = 0;
    while (i < s.size()) {
        if (j < p.size() && p[j].tipo == Elemento::Varios) {
            voltaP = ++j;
            voltaS = i;
        } else if (j < p.size() && p[j].casa(s[i])) {
            ++i;
            ++j;
        } else if (voltaP != SIZE_MAX) {
            j = voltaP;
            i = ++voltaS;
        } else {
            return false;
        }
    }
    while (j < p.size() && p[j].tipo == Elemento::Varios) {
        ++j;
    }
    return j == p.size();
}

QString DataDoLiteralTSql(const QString& texto) {
    const QString t = texto.trimmed();
    int ano = 0, mes = 0, dia = 0, resto = 0;
    if (Digitos(t, 0, 8) && (t.size() == 8 || !t[8].isDigit())) {
        ano = t.mid(0, 4).toInt();
        mes = t.mid(4, 2).toInt();
        dia = t.mid(6, 2).toInt();
        resto = 8;
    } else if (Digitos(t, 0, 4) && t.size() >= 10 && t[4] == QLatin1Char('-') && Digitos(t, 5, 2) &&
               t[7] == QLatin1Char('-') && Digitos(t, 8, 2)) {
        ano = t.mid(0, 4).toInt();
        mes = t.mid(5, 2).toInt();
        dia = t.mid(8, 2).toInt();
        resto = 10;
    } else {
        return QString();
    }
    const QDate data(ano, mes, dia);
    if (!data.isValid()) {
        return QString();
    }
    QTime hora(0, 0);
    if (resto < t.size()) {
        if (t[resto] != QLatin1Char(' ') && t[resto] != QLatin1Char('T')) {
            return QString();
        }
        const QString h = t.mid(resto + 1).trimmed();
        for (const char* formato : {"HH:mm", "HH:mm:ss", "HH:mm:ss.z", "HH:mm:ss.zzz"}) {
            hora = QTime::fromString(h, QLatin1String(formato));
            if (hora.isValid()) {
                break;
            }
        }
        if (!hora.isValid()) {
            return QString();
        }
    }
    QString r = data.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ') +
                hora.toString(QStringLiteral("HH:mm:ss"));
    if (hora.msec() != 0) {
        r += hora.toString(QStringLiteral(".zzz"));
    }
    return r;
}

void RegistrarOperadoresTSql(sqlite3* db) {
    const int det = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    struct {
        const char* nome;
        int argumentos;
        void (*funcao)(sqlite3_context*, int, sqlite3_value**);
    } const funcoes[] = {
        {"tsql_soma", 2, FuncaoSoma},
        {"tsql_sub", 2, FuncaoAritmetica<Operador::Subtrair>},
        {"tsql_mul", 2, FuncaoAritmetica<Operador::Multiplicar>},
        {"tsql_div", 2, FuncaoAritmetica<Operador::Dividir>},
        {"tsql_mod", 2, FuncaoAritmetica<Operador::Resto>},
        {"tsql_int", 1, FuncaoInt},
        {"tsql_like", 2, FuncaoLike},
        {"tsql_like", 3, FuncaoLike},
        {"tsql_data", 1, FuncaoData},
        {"tsql_char", 1, FuncaoChar},
        {"tsql_nchar", 1, FuncaoNChar},
        {"tsql_tamanho", 1, FuncaoTamanho},
        {"tsql_para_int", 1, FuncaoParaInteiro<false>},
        {"tsql_para_int", 2, FuncaoParaInteiro<false>},
        {"tsql_para_bigint", 1, FuncaoParaInteiro<true>},
        {"tsql_para_bigint", 2, FuncaoParaInteiro<true>},
        {"tsql_para_numerico", 1, FuncaoParaNumerico},
        {"tsql_para_numerico", 2, FuncaoParaNumerico},
        {"tsql_cortar", 2, FuncaoCortar},
        {"tsql_substring", 3, FuncaoSubstring},
        {"tsql_left", 2, FuncaoSubstring},
        {"tsql_pacote", -1, FuncaoPacote},
    };
    for (const auto& f : funcoes) {
        sqlite3_create_function(db, f.nome, f.argumentos, det, nullptr, f.funcao, nullptr, nullptr);
    }
}

}  // namespace dados
