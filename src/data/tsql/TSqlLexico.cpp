#include "data/tsql/TSqlLexico.h"

#include "data/base/MascararSenhas.h"
#include "data/base/TabelaErros.h"

namespace dados {

namespace {

bool InicioDeNome(QChar c) {
    return c.isLetter() || c == QLatin1Char('_') || c == QLatin1Char('#');
}

bool ParteDeNome(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('@') ||
           c == QLatin1Char('#') || c == QLatin1Char('$') || c.category() == QChar::Mark_NonSpacing;
}

// `mensagem` is SQL Server's for the fault; the log gets `motivo` and the text from there, but
// not a password the fault would put in it (an unclosed quote runs to the end).
[[noreturn]] void ErroLexico(const QString& sql, int pos, const QString& motivo,
                             MensagemServidor mensagem = {102, 15, 1, 1, QString()}) {
    mensagem.linha = LinhaDaPosicao(sql, pos);
    if (mensagem.texto.isEmpty()) {
        mensagem.texto = QStringLiteral("Incorrect syntax near '%1'.").arg(sql.mid(pos, 1));
    }
    const QString trecho = TrechoDeSenha(sql, pos) ? QStringLiteral("'***'") : sql.mid(pos, 40);
    FalharServidor(ErroComando, QStringLiteral("TSql"), mensagem,
                   QStringLiteral("%1 na posição %2: %3").arg(motivo).arg(pos + 1).arg(trecho));
}

}  // namespace

bool Token::ehPalavra(const char* palavra) const {
    return tipo == Nome && texto.compare(QLatin1String(palavra), Qt::CaseInsensitive) == 0;
}

QString Token::comoEscrito() const {
    switch (tipo) {
        case Fim:
            return QStringLiteral("fim do comando");
        case NomeDelimitado:
            return QLatin1Char('[') + texto + QLatin1Char(']');
        case Texto:
            return QLatin1Char('\'') + texto + QLatin1Char('\'');
        default:
            return texto;
    }
}

int LinhaDaPosicao(const QString& sql, int posicao) {
    return 1 + static_cast<int>(QStringView(sql).left(posicao).count(QLatin1Char('\n')));
}

QVector<Token> AnalisarLexico(const QString& sql) {
    QVector<Token> tokens;
    const int n = sql.size();
    // A bulk INSERT has thousands of tokens: growing the vector copies every token each time.
    tokens.reserve(n / 4 + 16);
    int i = 0;
    while (true) {
        while (i < n && sql[i].isSpace()) {
            ++i;
        }
        if (i >= n) {
            break;
        }
        const QChar c = sql[i];
        const QChar d = i + 1 < n ? sql[i + 1] : QChar();
        Token t;
        t.posicao = i;
        if (c == QLatin1Char('-') && d == QLatin1Char('-')) {
            while (i < n && sql[i] != QLatin1Char('\n')) {
                ++i;
            }
            continue;
        }
        if (c == QLatin1Char('/') && d == QLatin1Char('*')) {
            // T-SQL block comments nest.
            int nivel = 0;
            const int inicio = i;
            do {
                if (i + 1 < n && sql[i] == QLatin1Char('/') && sql[i + 1] == QLatin1Char('*')) {
                    ++nivel;
                    i += 2;
                } else if (i + 1 < n && sql[i] == QLatin1Char('*') &&
                           sql[i + 1] == QLatin1Char('/')) {
                    --nivel;
                    i += 2;
                } else if (i >= n) {
                    ErroLexico(sql, inicio, QStringLiteral("Comentário não fechado"),
                               {113, 15, 1, 1, QStringLiteral("Missing end comment mark '*/'.")});
                } else {
                    ++i;
                }
            } while (nivel > 0);
            continue;
        }
        if (c == QLatin1Char('\'') ||
            ((c == QLatin1Char('N') || c == QLatin1Char('n')) && d == QLatin1Char('\''))) {
            t.tipo = Token::Texto;
            t.nacional = c != QLatin1Char('\'');
            int j = i + (t.nacional ? 2 : 1);
            QString valor;
            while (true) {
                if (j >= n) {
                    ErroLexico(sql, i, QStringLiteral("Aspas não fechadas"),
                               {105, 15, 1, 1,
                                QStringLiteral("Unclosed quotation mark after the character "
                                               "string '%1'.")
                                    .arg(TrechoDeSenha(sql, i) ? QStringLiteral("***") : valor)});
                }
                if (sql[j] == QLatin1Char('\'')) {
                    if (j + 1 < n && sql[j + 1] == QLatin1Char('\'')) {
                        valor += QLatin1Char('\'');
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                valor += sql[j++];
            }
            t.texto = valor;
            i = j;
        } else if (c == QLatin1Char('[') || c == QLatin1Char('"')) {
            const QChar fecho = c == QLatin1Char('[') ? QLatin1Char(']') : QLatin1Char('"');
            t.tipo = Token::NomeDelimitado;
            int j = i + 1;
            QString valor;
            while (true) {
                if (j >= n) {
                    ErroLexico(sql, i, QStringLiteral("Nome delimitado não fechado"));
                }
                if (sql[j] == fecho) {
                    if (j + 1 < n && sql[j + 1] == fecho) {
                        valor += fecho;
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                valor += sql[j++];
            }
            if (valor.isEmpty()) {
                ErroLexico(sql, i, QStringLiteral("Nome vazio"));
            }
            t.texto = valor;
            i = j;
        } else if (c.isDigit() || (c == QLatin1Char('.') && d.isDigit())) {
            t.tipo = Token::Numero;
            int j = i;
            while (j < n && sql[j].isDigit()) {
                ++j;
            }
            if (j < n && sql[j] == QLatin1Char('.')) {
                ++j;
                while (j < n && sql[j].isDigit()) {
                    ++j;
                }
            }
            if (j < n && (sql[j] == QLatin1Char('e') || sql[j] == QLatin1Char('E'))) {
                int k = j + 1;
                if (k < n && (sql[k] == QLatin1Char('+') || sql[k] == QLatin1Char('-'))) {
                    ++k;
                }
                if (k < n && sql[k].isDigit()) {
                    j = k;
                    while (j < n && sql[j].isDigit()) {
                        ++j;
                    }
                }
            }
            if (j < n && InicioDeNome(sql[j])) {
                ErroLexico(sql, i, QStringLiteral("Número mal formado"));
            }
            t.texto = sql.mid(i, j - i);
            i = j;
        } else if (c == QLatin1Char('@')) {
            t.tipo = Token::Variavel;
            int j = i + 1;
            if (j < n && sql[j] == QLatin1Char('@')) {
                ++j;
            }
            while (j < n && ParteDeNome(sql[j])) {
                ++j;
            }
            t.texto = sql.mid(i, j - i);
            i = j;
        } else if (InicioDeNome(c)) {
            t.tipo = Token::Nome;
            int j = i + 1;
            while (j < n && ParteDeNome(sql[j])) {
                ++j;
            }
            t.texto = sql.mid(i, j - i);
            i = j;
        } else {
            t.tipo = Token::Simbolo;
            static const char* const duplos[] = {"<>", "!=", "<=", ">=", "!<", "!>"};
            t.texto = QString(c);
            for (const char* s : duplos) {
                if (c == QLatin1Char(s[0]) && d == QLatin1Char(s[1])) {
                    t.texto = QLatin1String(s);
                    break;
                }
            }
            if (t.texto.size() == 1 && !QStringLiteral("(),.;=<>+-*/%").contains(c)) {
                ErroLexico(sql, i, QStringLiteral("Caractere inesperado '%1'").arg(c));
            }
            i += t.texto.size();
        }
        tokens.push_back(std::move(t));
    }
    Token fim;
    fim.posicao = n;
    tokens.push_back(fim);
    return tokens;
}

}  // namespace dados
