#include "data/sqlite/FuncoesTSql.h"

#include <sqlite3.h>

#include <QByteArray>
#include <cstring>
#include <string>

#include "data/sqlite/OperadoresTSql.h"

namespace dados {

namespace {

// Lower case and base letter (accent removed) of a code point. Latin-1 is done by table, the
// rest through Qt; the register's names are almost all ASCII and Latin-1.
struct Dobra {
    char32_t minuscula;
    char32_t base;
};

Dobra Dobrar(char32_t c) {
    if (c < 0x80) {
        const char32_t m = (c >= 'A' && c <= 'Z') ? c + 32 : c;
        return {m, m};
    }
    if (c >= 0xC0 && c <= 0xFF && c != 0xD7 && c != 0xF7) {
        if (c == 0xDF) {
            return {c, c};  // ß has no capital here and is a letter of its own
        }
        const char32_t m = (c <= 0xDE) ? c + 32 : c;
        static const char bases[] = "aaaaaaaceeeeiiiidnooooo ouuuuyty";  // 0xE0..0xFF
        char32_t b = static_cast<unsigned char>(bases[m - 0xE0]);
        if (m == 0xE6 || m == 0xF0 || m == 0xFE || m == 0xF8) {
            b = m;  // æ ð þ ø are letters of their own
        }
        return {m, b};
    }
    const char32_t m = QChar::toLower(c);
    const QString d = QChar::decomposition(m);
    return {m, d.isEmpty() ? m : static_cast<char32_t>(d.at(0).unicode())};
}

// Next code point of s[0..n) from *i, advancing *i. Invalid bytes pass as themselves, and a
// sequence cut short by the end keeps its first byte as it is.
char32_t ProximoCodigo(const unsigned char* s, int n, int* i) {
    const unsigned char c = s[*i];
    char32_t cp = c;
    int extra = 0;
    if (c >= 0xF0 && c < 0xF8) {
        cp = c & 0x07;
        extra = 3;
    } else if (c >= 0xE0) {
        cp = c & 0x0F;
        extra = 2;
    } else if (c >= 0xC0) {
        cp = c & 0x1F;
        extra = 1;
    }
    if (*i + extra > n - 1) {
        extra = 0;
        cp = c;
    }
    ++*i;
    for (int k = 0; k < extra && *i < n; ++k, ++*i) {
        cp = (cp << 6) | (s[*i] & 0x3F);
    }
    return cp;
}

int Sinal(long long d) {
    return d < 0 ? -1 : (d > 0 ? 1 : 0);
}

int ColacaoTexto(void*, int na, const void* a, int nb, const void* b) {
    return CompararTextoTSql(static_cast<const char*>(a), na, static_cast<const char*>(b), nb);
}

int ColacaoData(void*, int na, const void* a, int nb, const void* b) {
    return CompararDataTSql(static_cast<const char*>(a), na, static_cast<const char*>(b), nb);
}

QString TextoDoArgumento(sqlite3_value* v) {
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(v)),
                             sqlite3_value_bytes(v));
}

void ResultadoTexto(sqlite3_context* ctx, const QString& s) {
    const QByteArray b = s.toUtf8();
    sqlite3_result_text(ctx, b.constData(), b.size(), SQLITE_TRANSIENT);
}

void FuncaoSoundex(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    ResultadoTexto(ctx, SoundexTSql(TextoDoArgumento(argv[0])));
}

void FuncaoMaiusculas(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    ResultadoTexto(ctx, TextoDoArgumento(argv[0]).toUpper());
}

void FuncaoMinusculas(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    ResultadoTexto(ctx, TextoDoArgumento(argv[0]).toLower());
}

void FuncaoIdentidade(sqlite3_context* ctx, int, sqlite3_value**) {
    const auto* estado = static_cast<const EstadoSessao*>(sqlite3_user_data(ctx));
    if (estado->temIdentidade) {
        sqlite3_result_int64(ctx, estado->identidade);
    } else {
        sqlite3_result_null(ctx);
    }
}

void FuncaoNivelTransacao(sqlite3_context* ctx, int, sqlite3_value**) {
    const auto* estado = static_cast<const EstadoSessao*>(sqlite3_user_data(ctx));
    sqlite3_result_int(ctx, estado->nivelTransacao);
}

// 'yyyy-mm-dd[ hh:mm[:ss[.fff]]]' -> 'yyyy-mm-dd hh:mm:ss' in `saida`; false if not a date.
bool NormalizarData(const char* s, int n, char saida[19]) {
    while (n > 0 && s[n - 1] == ' ') {
        --n;
    }
    if (n < 10 || s[4] != '-' || s[7] != '-') {
        return false;
    }
    std::memcpy(saida, "0000-00-00 00:00:00", 19);
    std::memcpy(saida, s, 10);
    if (n >= 16 && (s[10] == ' ' || s[10] == 'T')) {
        std::memcpy(saida + 11, s + 11, 5);
        if (n >= 19) {
            std::memcpy(saida + 17, s + 17, 2);
        }
    }
    return true;
}

}  // namespace

int CompararTextoTSql(const char* a, int na, const char* b, int nb) {
    const auto* ua = reinterpret_cast<const unsigned char*>(a);
    const auto* ub = reinterpret_cast<const unsigned char*>(b);
    while (na > 0 && ua[na - 1] == ' ') {
        --na;
    }
    while (nb > 0 && ub[nb - 1] == ' ') {
        --nb;
    }
    // The register is almost all ASCII: walk the common prefix byte by byte, folding case, and
    // decode only from the first non-ASCII byte on. An ASCII prefix ends on a character
    // boundary of both texts and leaves no secondary (case/accent) difference behind it.
    const int n = na < nb ? na : nb;
    int i = 0;
    for (; i < n; ++i) {
        unsigned char ca = ua[i], cb = ub[i];
        if ((ca | cb) & 0x80) {
            break;
        }
        if (ca == cb) {
            continue;
        }
        if (ca >= 'A' && ca <= 'Z') {
            ca += 32;
        }
        if (cb >= 'A' && cb <= 'Z') {
            cb += 32;
        }
        if (ca != cb) {
            return ca < cb ? -1 : 1;
        }
    }
    if (i == n) {
        return Sinal(static_cast<long long>(na) - nb);
    }
    // Accents ahead: order by base letters first, then by length, then by the letters
    // themselves, so that "JOAO" < "JOÃO" < "JOAQUIM" and equality stays accent-sensitive.
    int ia = i, ib = i;
    int secundaria = 0;
    while (ia < na && ib < nb) {
        const Dobra fa = Dobrar(ProximoCodigo(ua, na, &ia));
        const Dobra fb = Dobrar(ProximoCodigo(ub, nb, &ib));
        if (fa.base != fb.base) {
            return fa.base < fb.base ? -1 : 1;
        }
        if (secundaria == 0 && fa.minuscula != fb.minuscula) {
            secundaria = fa.minuscula < fb.minuscula ? -1 : 1;
        }
    }
    if ((ia < na) != (ib < nb)) {
        return ia < na ? 1 : -1;  // the one with characters left is longer
    }
    return secundaria;
}

int CompararDataTSql(const char* a, int na, const char* b, int nb) {
    char xa[19], xb[19];
    const bool okA = NormalizarData(a, na, xa);
    const bool okB = NormalizarData(b, nb, xb);
    if (okA && okB) {
        return Sinal(std::memcmp(xa, xb, 19));
    }
    if (okA != okB) {
        return okA ? -1 : 1;  // dates before anything unreadable
    }
    const int r = std::memcmp(a, b, static_cast<size_t>(na < nb ? na : nb));
    return r != 0 ? Sinal(r) : Sinal(static_cast<long long>(na) - nb);
}

namespace {

void AnexarUtf8(char32_t c, std::string& saida) {
    if (c < 0x80) {
        saida += static_cast<char>(c);
    } else if (c < 0x800) {
        saida += static_cast<char>(0xC0 | (c >> 6));
        saida += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        saida += static_cast<char>(0xE0 | (c >> 12));
        saida += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        saida += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        saida += static_cast<char>(0xF0 | (c >> 18));
        saida += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        saida += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        saida += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

// The collation calls two texts equal exactly when they have the same length and the same
// lower-case letters (the base letter follows from the lower-case one), so those letters are
// the key.
void ChaveTextoTSql(const char* s, int n, std::string& chave) {
    const auto* u = reinterpret_cast<const unsigned char*>(s);
    while (n > 0 && u[n - 1] == ' ') {
        --n;
    }
    chave.clear();
    int i = 0;
    for (; i < n && !(u[i] & 0x80); ++i) {
        const unsigned char c = u[i];
        chave += static_cast<char>((c >= 'A' && c <= 'Z') ? c + 32 : c);
    }
    while (i < n) {
        AnexarUtf8(Dobrar(ProximoCodigo(u, n, &i)).minuscula, chave);
    }
}

void ChaveDataTSql(const char* s, int n, std::string& chave) {
    char normal[19];
    if (NormalizarData(s, n, normal)) {
        chave.assign(normal, 19);
    } else {
        chave.assign(1, '\x01');  // unreadable texts compare as bytes, after every date
        chave.append(s, static_cast<size_t>(n));
    }
}

QString SoundexTSql(const QString& texto) {
    static const char codigos[] = "01230120022455012623010202";  // A..Z
    const auto base = [](QChar c) -> char {
        const Dobra d = Dobrar(c.unicode());
        const char32_t b = d.base;
        return (b >= 'a' && b <= 'z') ? static_cast<char>(b - 32) : 0;
    };
    if (texto.isEmpty() || !base(texto[0])) {
        return QStringLiteral("0000");
    }
    QString r = texto.left(1).toUpper();
    char ultimo = codigos[base(texto[0]) - 'A'];
    // Only the first word counts: the code stops at the first character that is no letter.
    for (int i = 1; i < texto.size() && r.size() < 4; ++i) {
        const char letra = base(texto[i]);
        if (!letra) {
            break;
        }
        if (letra == 'H' || letra == 'W') {
            continue;  // H and W do not separate letters of the same code
        }
        const char codigo = codigos[letra - 'A'];
        if (codigo == '0') {
            ultimo = '0';  // vowels (and Y) separate them
            continue;
        }
        if (codigo != ultimo) {
            r += QLatin1Char(codigo);
        }
        ultimo = codigo;
    }
    while (r.size() < 4) {
        r += QLatin1Char('0');
    }
    return r;
}

void RegistrarFuncoesTSql(sqlite3* db, EstadoSessao* estado) {
    sqlite3_create_collation(db, "TSQL", SQLITE_UTF8, nullptr, ColacaoTexto);
    sqlite3_create_collation(db, "TSQLDATE", SQLITE_UTF8, nullptr, ColacaoData);
    const int det = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db, "tsql_soundex", 1, det, nullptr, FuncaoSoundex, nullptr, nullptr);
    sqlite3_create_function(db, "tsql_upper", 1, det, nullptr, FuncaoMaiusculas, nullptr, nullptr);
    sqlite3_create_function(db, "tsql_lower", 1, det, nullptr, FuncaoMinusculas, nullptr, nullptr);
    sqlite3_create_function(db, "tsql_identidade", 0, SQLITE_UTF8, estado, FuncaoIdentidade,
                            nullptr, nullptr);
    sqlite3_create_function(db, "tsql_trancount", 0, SQLITE_UTF8, estado, FuncaoNivelTransacao,
                            nullptr, nullptr);
    RegistrarOperadoresTSql(db);
}

}  // namespace dados
