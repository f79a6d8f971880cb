#include "data/odbc/ConexaoOdbc.h"

#include <QRegularExpression>
#include <QStringList>

#include "data/base/Diagnostico.h"
#include "data/base/ErroNumerado.h"
#include "data/base/TabelaErros.h"

namespace dados {

namespace {

// What ADO answers for a string it cannot use.
constexpr qint32 kFormatoInvalido = ErroArgumento;
constexpr qint32 kProvedorAusente = ErroProvedor;
constexpr qint32 kFalhaConexao = ErroNaoEspecificado;
const QString kOrigem = QStringLiteral("ADODB.Connection");

// These texts name the fault in the string (never a password), so they are what the caller
// sees, and the log keeps them too.
[[noreturn]] void falhar(qint32 numero, const QString& texto) {
    RegistrarDiagnostico(QStringLiteral("%1 - %2: %3").arg(numero).arg(kOrigem, texto));
    throw ErroNumerado(numero, kOrigem, texto);
}

// A value is repeated in a message only when it is plainly a name: a mis-braced value
// ({SQLOLEDB;Password=...}) may have swallowed the rest of the string, password included.
QString NomeParaMensagem(const QString& valor) {
    static const QRegularExpression nome(QStringLiteral(R"(^[A-Za-z][A-Za-z0-9_.\- ]{0,63}$)"));
    return nome.match(valor).hasMatch() ? QStringLiteral(": \"%1\"").arg(valor) : QString();
}

// Reads one value starting at `i` (just after "="), leaving `i` on the ";" that ends it.
QString lerValor(const QString& s, qsizetype& i, SintaxeConexao sintaxe, const QString& chave) {
    while (i < s.size() && s[i].isSpace()) ++i;
    const QChar abre = i < s.size() ? s[i] : QChar();
    QChar fecha;
    if (abre == '{')
        fecha = '}';
    else if (sintaxe == SintaxeConexao::OleDb && (abre == '"' || abre == '\''))
        fecha = abre;
    if (fecha.isNull()) {
        const qsizetype fim = s.indexOf(';', i);
        const qsizetype ate = fim < 0 ? s.size() : fim;
        QString valor = s.mid(i, ate - i).trimmed();
        i = ate;
        return valor;
    }
    QString valor;
    for (++i;; ++i) {
        if (i >= s.size())
            falhar(kFormatoInvalido, QStringLiteral("Cadeia de conexão inválida: %1 sem fechamento "
                                                    "no valor de \"%2\".")
                                         .arg(fecha == '}' ? "chave" : "aspas", chave));
        if (s[i] == fecha) {
            // A doubled closing character stands for itself inside the value.
            if (i + 1 < s.size() && s[i + 1] == fecha) {
                valor += fecha;
                ++i;
                continue;
            }
            ++i;
            break;
        }
        valor += s[i];
    }
    while (i < s.size() && s[i].isSpace()) ++i;
    if (i < s.size() && s[i] != ';')
        falhar(kFormatoInvalido,
               QStringLiteral("Cadeia de conexão inválida: texto depois do valor entre %1 "
                              "de \"%2\".")
                   .arg(fecha == '}' ? "chaves" : "aspas", chave));
    return valor;
}

bool chaveEm(const QString& chave, std::initializer_list<const char*> nomes) {
    for (const char* n : nomes)
        if (chave.compare(QLatin1String(n), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// The value of the last pair whose key is one of `nomes` (a later key overrides an earlier
// one, as in ADO).
QString valorDe(const QList<QPair<QString, QString>>& pares,
                std::initializer_list<const char*> nomes, bool* presente = nullptr) {
    QString valor;
    bool achou = false;
    for (const auto& [chave, v] : pares)
        if (chaveEm(chave, nomes)) {
            valor = v;
            achou = true;
        }
    if (presente)
        *presente = achou;
    return valor;
}

bool verdadeiro(const QString& v) {
    return chaveEm(v.trimmed(), {"sspi", "true", "yes", "sim"});
}

// A value as an ODBC string carries it: braced when it holds a character the driver
// manager would read as syntax.
QString valorOdbc(const QString& v) {
    if (!v.contains(';') && !v.contains('{') && !v.contains('}') && v.trimmed() == v)
        return v;
    QString escapado = v;
    escapado.replace('}', QStringLiteral("}}"));
    return '{' + escapado + '}';
}

void acrescentar(QString& odbc, const char* chave, const QString& valor) {
    if (valor.isEmpty())
        return;
    if (!odbc.isEmpty())
        odbc += ';';
    odbc += QLatin1String(chave) + '=' + valorOdbc(valor);
}

bool ehFreeTds(const QString& driver) {
    return driver.contains(QLatin1String("tds"), Qt::CaseInsensitive);
}

// A provider's name without its version suffix ("SQLOLEDB.1" is SQLOLEDB).
QString semVersao(const QString& provedor) {
    static const QRegularExpression versao(QStringLiteral("\\.\\d+$"));
    return QString(provedor.trimmed()).remove(versao);
}

bool ehProvedorSqlServer(const QString& provedor) {
    return chaveEm(semVersao(provedor),
                   {"SQLOLEDB", "SQLNCLI", "SQLNCLI10", "SQLNCLI11", "MSOLEDBSQL", "MSOLEDBSQL19"});
}

// "server", "server,port", "server\instance" (with an optional "tcp:" in front) written for
// the driver: FreeTDS takes the port as its own attribute; Microsoft's drivers read the
// server as SQL Server clients write it.
void escreverServidor(QString& odbc, const QString& fonte, const QString& driver) {
    QString servidor = fonte.trimmed();
    if (servidor.isEmpty())
        falhar(kFalhaConexao, QStringLiteral("A cadeia de conexão não indica o servidor "
                                             "(Data Source)."));
    QString porta;
    const qsizetype virgula = servidor.lastIndexOf(',');
    if (virgula >= 0) {
        porta = servidor.mid(virgula + 1).trimmed();
        bool ok = false;
        const int numero = porta.toInt(&ok);
        if (!ok || numero < 1 || numero > 65535)
            falhar(kFalhaConexao,
                   QStringLiteral("Porta inválida no servidor \"%1\" da cadeia de conexão.")
                       .arg(fonte.trimmed()));
        servidor = servidor.left(virgula).trimmed();
    }
    if (!ehFreeTds(driver)) {
        acrescentar(odbc, "Server", fonte.trimmed());
        return;
    }
    if (servidor.startsWith(QLatin1String("tcp:"), Qt::CaseInsensitive))
        servidor = servidor.mid(4);
    // "(local)" and "." are names only Windows clients resolve.
    const qsizetype barra = servidor.indexOf('\\');
    const QString maquina = barra < 0 ? servidor : servidor.left(barra);
    if (maquina == QLatin1String(".") || chaveEm(maquina, {"(local)"}))
        servidor = QStringLiteral("localhost") + (barra < 0 ? QString() : servidor.mid(barra));
    // With both an instance and a port, the port decides, as SQL Server clients do.
    if (!porta.isEmpty() && barra >= 0)
        servidor = servidor.left(servidor.indexOf('\\'));
    acrescentar(odbc, "Server", servidor);
    acrescentar(odbc, "Port", porta);
}

void credenciais(ConexaoOdbc& c, const QList<QPair<QString, QString>>& pares) {
    c.usuario = valorDe(pares, {"User ID", "UID", "User", "User Name"});
    c.senha = valorDe(pares, {"Password", "PWD"});
    c.integrada = verdadeiro(valorDe(pares, {"Integrated Security", "Trusted_Connection"}));
    bool temTempo = false;
    const QString tempo =
        valorDe(pares, {"Connect Timeout", "Connection Timeout", "Timeout"}, &temTempo);
    if (temTempo) {
        bool ok = false;
        const int segundos = tempo.toInt(&ok);
        if (!ok || segundos < 0)
            falhar(kFormatoInvalido,
                   QStringLiteral("Cadeia de conexão inválida: tempo limite \"%1\".").arg(tempo));
        c.tempoLimite = segundos;
    }
}

void escreverCredenciais(QString& odbc, const ConexaoOdbc& c) {
    if (c.integrada) {
        acrescentar(odbc, "Trusted_Connection", QStringLiteral("Yes"));
        return;
    }
    acrescentar(odbc, "UID", c.usuario);
    // An empty password is still a password: written so that no prompt or DSN value applies.
    if (!odbc.isEmpty())
        odbc += ';';
    odbc += QLatin1String("PWD=") + valorOdbc(c.senha);
}

ConexaoOdbc converterSqlServer(const QList<QPair<QString, QString>>& pares) {
    ConexaoOdbc c;
    c.driver = DriverSqlServerConfigurado();
    c.servidor = valorDe(pares, {"Data Source", "Server", "Address", "Addr", "Network Address"});
    c.banco = valorDe(pares, {"Initial Catalog", "Database"});
    credenciais(c, pares);
    QString driver = c.driver;
    c.odbc = QLatin1String("Driver={") + driver.replace('}', QLatin1String("}}")) + '}';
    escreverServidor(c.odbc, c.servidor, c.driver);
    acrescentar(c.odbc, "Database", c.banco);
    escreverCredenciais(c.odbc, c);
    acrescentar(c.odbc, "APP", valorDe(pares, {"Application Name"}));
    acrescentar(c.odbc, "WSID", valorDe(pares, {"Workstation ID"}));
    return c;
}

// MSDASQL is OLE DB over ODBC: its Data Source is a DSN, Extended Properties an ODBC string.
ConexaoOdbc converterMsdasql(const QList<QPair<QString, QString>>& pares) {
    ConexaoOdbc c;
    credenciais(c, pares);
    const QString estendidas = valorDe(pares, {"Extended Properties"}).trimmed();
    if (!estendidas.isEmpty()) {
        ConexaoOdbc interna = InterpretarConexaoOdbc(estendidas);
        // User ID and Password given beside the ODBC string complete it.
        if (interna.usuario.isEmpty() && interna.senha.isEmpty() && !c.usuario.isEmpty()) {
            interna.usuario = c.usuario;
            interna.senha = c.senha;
            escreverCredenciais(interna.odbc, interna);
        }
        return interna;
    }
    c.dsn = valorDe(pares, {"Data Source", "DSN"}).trimmed();
    if (c.dsn.isEmpty())
        falhar(kFalhaConexao, QStringLiteral("A cadeia de conexão MSDASQL não indica a fonte de "
                                             "dados ODBC (Data Source)."));
    c.banco = valorDe(pares, {"Initial Catalog", "Database"});
    acrescentar(c.odbc, "DSN", c.dsn);
    acrescentar(c.odbc, "Database", c.banco);
    if (!c.usuario.isEmpty() || !c.senha.isEmpty() || c.integrada)
        escreverCredenciais(c.odbc, c);
    return c;
}

}  // namespace

QString DriverSqlServerConfigurado() {
    QString driver = qEnvironmentVariable("CADUNIR_ODBC_DRIVER").trimmed();
    if (driver.startsWith('{') && driver.endsWith('}'))
        driver = driver.mid(1, driver.size() - 2);
    if (!driver.isEmpty())
        return driver;
#ifdef Q_OS_WIN
    return QStringLiteral("SQL Server");
#else
    return QStringLiteral("FreeTDS");
#endif
}

QList<QPair<QString, QString>> LerParesConexao(const QString& s, SintaxeConexao sintaxe) {
    QList<QPair<QString, QString>> pares;
    qsizetype i = 0;
    while (i < s.size()) {
        const qsizetype igual = s.indexOf('=', i);
        const qsizetype pontoVirgula = s.indexOf(';', i);
        if (igual < 0 || (pontoVirgula >= 0 && pontoVirgula < igual)) {
            // A piece without "=": blanks between ";;" are nothing. ODBC leaves the rest to the
            // driver manager; in an OLE DB string it is a fault, named by the key before it
            // (the piece itself may be the tail of a password).
            const qsizetype ate = pontoVirgula < 0 ? s.size() : pontoVirgula;
            if (sintaxe == SintaxeConexao::OleDb && !s.mid(i, ate - i).trimmed().isEmpty())
                falhar(kFormatoInvalido,
                       QStringLiteral("Cadeia de conexão inválida: o trecho depois de \"%1\" "
                                      "não tem a forma nome=valor.")
                           .arg(pares.isEmpty() ? QString() : pares.last().first));
            i = ate + 1;
            continue;
        }
        const QString chave = s.mid(i, igual - i).trimmed();
        i = igual + 1;
        QString valor = lerValor(s, i, sintaxe, chave);
        ++i;  // the ";"
        if (chave.isEmpty())
            falhar(kFormatoInvalido, QStringLiteral("Cadeia de conexão inválida: valor sem nome."));
        pares.append({chave, valor});
    }
    return pares;
}

ConexaoOdbc InterpretarConexaoOdbc(const QString& connectionString) {
    // Braces are the only quoting ODBC knows; a Provider key makes it an OLE DB string, read
    // again with OLE DB's quotes.
    const auto paresOdbc = LerParesConexao(connectionString, SintaxeConexao::Odbc);
    bool temProvedor = false;
    valorDe(paresOdbc, {"Provider"}, &temProvedor);
    if (temProvedor) {
        const auto pares = LerParesConexao(connectionString, SintaxeConexao::OleDb);
        const QString provedor = valorDe(pares, {"Provider"}).trimmed();
        if (ehProvedorSqlServer(provedor))
            return converterSqlServer(pares);
        if (chaveEm(semVersao(provedor), {"MSDASQL"}))
            return converterMsdasql(pares);
        falhar(kProvedorAusente, QStringLiteral("Provedor desconhecido na cadeia de conexão%1. Use "
                                                "Provider=SQLOLEDB, Driver= ou DSN=.")
                                     .arg(NomeParaMensagem(provedor)));
    }
    ConexaoOdbc c;
    c.odbc = connectionString;
    c.driver = valorDe(paresOdbc, {"Driver"}).trimmed();
    c.dsn = valorDe(paresOdbc, {"DSN", "FileDSN"}).trimmed();
    if (c.driver.isEmpty() && c.dsn.isEmpty())
        falhar(kFormatoInvalido, QStringLiteral("A cadeia de conexão não indica o provedor, o "
                                                "driver ODBC (Driver=) nem a fonte de dados "
                                                "(DSN=)."));
    c.servidor = valorDe(paresOdbc, {"Server", "Address", "Addr"});
    c.banco = valorDe(paresOdbc, {"Database"});
    c.usuario = valorDe(paresOdbc, {"UID"});
    c.senha = valorDe(paresOdbc, {"PWD"});
    c.integrada = verdadeiro(valorDe(paresOdbc, {"Trusted_Connection"}));
    return c;
}

}  // namespace dados
