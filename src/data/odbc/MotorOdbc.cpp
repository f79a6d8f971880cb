#include "data/odbc/MotorOdbc.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <mutex>

#include "data/base/Diagnostico.h"
#include "data/base/ErroNumerado.h"
#include "data/base/TabelaErros.h"
#include "data/odbc/ConexaoOdbc.h"
#include "data/odbc/OdbcSessao.h"

namespace dados {

namespace {

using namespace odbc;

const QString kOrigem = QStringLiteral("ODBC");

// A SQL Server behind ODBC. Statements reach the driver exactly as the program wrote them.
class MotorOdbc final : public Motor {
  public:
    explicit MotorOdbc(ConexaoOdbc conexao) : m_conexao(std::move(conexao)) {}
    ~MotorOdbc() override {
        try {
            fechar();
        } catch (const ErroNumerado&) {
            // Already logged; a destructor has no one to tell.
        }
    }

    void abrir() override;
    void fechar() override;
    qint64 executar(const QString& sql) override;
    DadosConsulta consultar(const QString& sql) override;
    ResultadoLote executarLote(const QString& sql) override;
    void iniciar() override;
    void confirmar() override;
    void desfazer() override;
    DadosConsulta esquema(int tipoEsquema, const QVariantList& criterios) override {
        return Catalogo(conexao(), tipoEsquema, criterios);
    }
    QString bancoPadrao() const override;
    QVariant propriedade(const QString& nome) const override;
    void interromper() override;
    SituacaoGravacao gravacao() override;

  private:
    const Handle& conexao() const {
        if (!m_dbc)
            Falhar(ErroObjetoFechado, kOrigem, QStringLiteral("a conexão ODBC está fechada"));
        return m_dbc;
    }
    void terminarTransacao(SQLSMALLINT como, const QString& nome);
    void marcarChave(DadosConsulta& dados) const;
    QString info(SQLUSMALLINT tipo) const;
    [[noreturn]] void falharAbertura(const Handle& h);

    ConexaoOdbc m_conexao;
    Handle m_env;
    Handle m_dbc;
    bool m_emTransacao = false;
    // The statement a query is running, for SQLCancel from another thread.
    std::mutex m_emCursoMutex;
    SQLHSTMT m_emCurso = SQL_NULL_HSTMT;
};

// Publishes the running statement for interromper() while it lives.
class EmCurso {
  public:
    EmCurso(std::mutex& mutex, SQLHSTMT& emCurso, SQLHSTMT st)
        : m_mutex(mutex), m_emCurso(emCurso) {
        const std::lock_guard<std::mutex> trava(m_mutex);
        m_emCurso = st;
    }
    ~EmCurso() {
        const std::lock_guard<std::mutex> trava(m_mutex);
        m_emCurso = SQL_NULL_HSTMT;
    }
    EmCurso(const EmCurso&) = delete;
    EmCurso& operator=(const EmCurso&) = delete;

  private:
    std::mutex& m_mutex;
    SQLHSTMT& m_emCurso;
};

void MotorOdbc::abrir() {
    if (m_dbc)
        fechar();
    Handle env(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
    if (!env)
        Falhar(ErroNaoEspecificado, kOrigem,
               QStringLiteral("o gerenciador de drivers ODBC não pôde ser iniciado"));
    Verificar(SQLSetEnvAttr(env.get(), SQL_ATTR_ODBC_VERSION,
                            reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
              env, QStringLiteral("SQLSetEnvAttr"));
    Handle dbc(SQL_HANDLE_DBC, env.get());
    if (!dbc)
        FalharOdbc(env, QStringLiteral("SQLAllocHandle(DBC)"));
    // Drivers that cannot limit the log-in time just ignore it.
    SQLSetConnectAttrW(dbc.get(), SQL_ATTR_LOGIN_TIMEOUT,
                       reinterpret_cast<SQLPOINTER>(SQLULEN(m_conexao.tempoLimite)), 0);
    SQLWCHAR completa[1024];
    SQLSMALLINT tamanho = 0;
    const SQLRETURN rc = SQLDriverConnectW(dbc.get(), nullptr, W(m_conexao.odbc), SQL_NTS, completa,
                                           1024, &tamanho, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc))
        falharAbertura(dbc);
    m_env = std::move(env);
    m_dbc = std::move(dbc);
    m_emTransacao = false;
}

void MotorOdbc::falharAbertura(const Handle& h) {
    const QVector<Diagnostico> diagnosticos = LerDiagnosticos(h);
    const QString detalhe = DescreverDiagnosticos(diagnosticos) + QStringLiteral(" ; ao abrir: ") +
                            MascararSenhas(m_conexao.odbc);
    // The driver manager's own states: the driver or the data source is not there. Say which,
    // so that an administrator knows what to install or configure.
    const bool semDriver = std::any_of(diagnosticos.begin(), diagnosticos.end(), [](const auto& d) {
        // unixODBC takes an unregistered driver name for a library file and reports the
        // failed load as a warning state.
        return d.estado == "IM002" || d.estado == "IM003" || d.estado == "IM004" ||
               d.texto.contains(QLatin1String("Can't open lib"));
    });
    if (semDriver) {
        // The name is shown only when it is plainly one: a mis-braced value may hold the rest
        // of the string, password and all.
        const auto nome = [](const QString& valor) {
            static const QRegularExpression sintaxe(QStringLiteral(R"([;={}"'])"));
            return valor.contains(sintaxe) ? QString() : QStringLiteral(" \"%1\"").arg(valor);
        };
        QString texto;
        if (!m_conexao.driver.isEmpty())
            texto = QStringLiteral(
                        "O driver ODBC%1 não está instalado ou não pôde ser "
                        "carregado. Instale-o ou indique outro driver em "
                        "CADUNIR_ODBC_DRIVER.")
                        .arg(nome(m_conexao.driver));
        else
            texto = QStringLiteral("A fonte de dados ODBC%1 não está configurada.")
                        .arg(nome(m_conexao.dsn));
        RegistrarDiagnostico(
            QStringLiteral("%1 - %2: %3 %4").arg(ErroNaoEspecificado).arg(kOrigem, texto, detalhe));
        throw ErroNumerado(ErroNaoEspecificado, kOrigem, texto);
    }
    FalharComDiagnosticos(diagnosticos, kOrigem, detalhe);
}

void MotorOdbc::fechar() {
    if (!m_dbc)
        return;
    Handle dbc = std::move(m_dbc);
    Handle env = std::move(m_env);
    // Work left open is undone, never committed by the disconnect.
    if (m_emTransacao) {
        m_emTransacao = false;
        SQLEndTran(SQL_HANDLE_DBC, dbc.get(), SQL_ROLLBACK);
    }
    if (!SQL_SUCCEEDED(SQLDisconnect(dbc.get())))
        FalharOdbc(dbc, QStringLiteral("SQLDisconnect"));
}

qint64 MotorOdbc::executar(const QString& sql) {
    const Handle st = NovoComando(conexao());
    SQLRETURN rc = SQLExecDirectW(st.get(), W(sql), SQL_NTS);
    qint64 afetadas = 0;
    // Each statement of a batch is one result: a row count, a rowset or (an UPDATE or DELETE
    // that matched nothing) no data.
    for (;;) {
        if (rc == SQL_NO_DATA) {
            afetadas = 0;
        } else {
            Verificar(rc, st, sql);
            SQLSMALLINT colunas = 0;
            SQLLEN linhas = -1;
            if (SQL_SUCCEEDED(SQLNumResultCols(st.get(), &colunas)) && colunas == 0 &&
                SQL_SUCCEEDED(SQLRowCount(st.get(), &linhas)) && linhas >= 0)
                afetadas = linhas;
        }
        rc = SQLMoreResults(st.get());
        if (rc == SQL_NO_DATA)
            break;
    }
    return afetadas;
}

void MotorOdbc::interromper() {
    const std::lock_guard<std::mutex> trava(m_emCursoMutex);
    if (m_emCurso != SQL_NULL_HSTMT) {
        SQLCancel(m_emCurso);  // the one ODBC call meant for another thread
    }
}

DadosConsulta MotorOdbc::consultar(const QString& sql) {
    DadosConsulta dados;
    {
        const Handle st = NovoComando(conexao());
        const EmCurso emCurso(m_emCursoMutex, m_emCurso, st.get());
        SQLRETURN rc = SQLExecDirectW(st.get(), W(sql), SQL_NTS);
        // Row counts ahead of the first rowset (a batch that changes rows, then selects) are
        // passed over.
        for (;;) {
            if (rc != SQL_NO_DATA) {
                Verificar(rc, st, sql);
                SQLSMALLINT colunas = 0;
                Verificar(SQLNumResultCols(st.get(), &colunas), st, sql);
                if (colunas > 0)
                    break;
            }
            rc = SQLMoreResults(st.get());
            if (rc == SQL_NO_DATA)
                return dados;
        }
        dados = LerResultado(st, sql);
    }
    marcarChave(dados);
    return dados;
}

ResultadoLote MotorOdbc::executarLote(const QString& sql) {
    ResultadoLote lote;
    try {
        const Handle st = NovoComando(conexao());
        const EmCurso emCurso(m_emCursoMutex, m_emCurso, st.get());
        SQLRETURN rc = SQLExecDirectW(st.get(), W(sql), SQL_NTS);
        // One result per statement, as in executar(); a failing statement ends the batch's
        // results with its error (SQL Server reports it when its result is reached).
        for (;;) {
            ResultadoComando r;
            bool temResultado = true;  // SQL_NO_DATA: an UPDATE or DELETE that matched nothing
            if (rc != SQL_NO_DATA) {
                Verificar(rc, st, sql);
                SQLSMALLINT colunas = 0;
                Verificar(SQLNumResultCols(st.get(), &colunas), st, sql);
                r.temLinhas = colunas > 0;
                SQLLEN linhas = -1;
                if (r.temLinhas) {
                    r.dados = LerLinhas(st, sql);
                } else if (SQL_SUCCEEDED(SQLRowCount(st.get(), &linhas)) && linhas >= 0) {
                    r.afetadas = linhas;
                } else {
                    temResultado = false;  // DDL and SET count no rows
                }
            }
            if (temResultado)
                lote.resultados.push_back(std::move(r));
            rc = SQLMoreResults(st.get());
            if (rc == SQL_NO_DATA)
                break;
        }
    } catch (const ErroNumerado& e) {
        lote.falha = e;
    }
    return lote;
}

// Rows of one base table can be written back (Recordset::Update) only when their key is known;
// the driver tells the base table but not the key, which the catalogue does.
void MotorOdbc::marcarChave(DadosConsulta& dados) const {
    QString tabela;
    for (const InfoColuna& c : dados.colunas) {
        if (c.tabelaBase.isEmpty())
            continue;
        if (!tabela.isEmpty() && c.tabelaBase.compare(tabela, Qt::CaseInsensitive) != 0)
            return;
        tabela = c.tabelaBase;
    }
    if (tabela.isEmpty())
        return;
    const QStringList chave = ColunasDaChave(m_dbc, tabela);
    for (InfoColuna& c : dados.colunas)
        c.chave = !c.colunaBase.isEmpty() && chave.contains(c.colunaBase, Qt::CaseInsensitive);
}

void MotorOdbc::iniciar() {
    const Handle& dbc = conexao();
    if (m_emTransacao)
        Falhar(ErroTransacaoExiste, kOrigem, QStringLiteral("BeginTrans com transação aberta"));
    Verificar(SQLSetConnectAttrW(dbc.get(), SQL_ATTR_AUTOCOMMIT,
                                 reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), SQL_IS_UINTEGER),
              dbc, QStringLiteral("BeginTrans"));
    m_emTransacao = true;
}

void MotorOdbc::confirmar() {
    terminarTransacao(SQL_COMMIT, QStringLiteral("CommitTrans"));
}

void MotorOdbc::desfazer() {
    terminarTransacao(SQL_ROLLBACK, QStringLiteral("RollbackTrans"));
}

void MotorOdbc::terminarTransacao(SQLSMALLINT como, const QString& nome) {
    const Handle& dbc = conexao();
    if (!m_emTransacao)
        Falhar(ErroSemTransacao, kOrigem, nome + QStringLiteral(" sem transação aberta"));
    m_emTransacao = false;
    const SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, dbc.get(), como);
    QVector<Diagnostico> falha;
    if (!SQL_SUCCEEDED(rc)) {
        falha = LerDiagnosticos(dbc);
        // A commit that failed must not leave the work half-done: undo what is left of it.
        if (como == SQL_COMMIT)
            SQLEndTran(SQL_HANDLE_DBC, dbc.get(), SQL_ROLLBACK);
    }
    // Back to autocommit, so that statements outside a transaction stand alone again.
    const SQLRETURN rcAuto =
        SQLSetConnectAttrW(dbc.get(), SQL_ATTR_AUTOCOMMIT,
                           reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), SQL_IS_UINTEGER);
    if (!SQL_SUCCEEDED(rc))
        FalharComDiagnosticos(falha, kOrigem, DescreverDiagnosticos(falha) + " ; em: " + nome);
    Verificar(rcAuto, dbc, nome);
}

QString MotorOdbc::info(SQLUSMALLINT tipo) const {
    if (!m_dbc)
        return QString();
    SQLWCHAR buffer[256];
    SQLSMALLINT bytes = 0;
    if (!SQL_SUCCEEDED(SQLGetInfoW(m_dbc.get(), tipo, buffer, sizeof(buffer), &bytes)))
        return QString();
    return TextoW(buffer, bytes / 2, 256);
}

SituacaoGravacao MotorOdbc::gravacao() {
    // The driver's own word first: a data source or a connection set read-only.
    SQLULEN acesso = SQL_MODE_READ_WRITE;
    if (info(SQL_DATA_SOURCE_READ_ONLY) == QLatin1String("Y") ||
        (SQL_SUCCEEDED(
             SQLGetConnectAttrW(conexao().get(), SQL_ATTR_ACCESS_MODE, &acesso, 0, nullptr)) &&
         acesso == SQL_MODE_READ_ONLY)) {
        return {SituacaoGravacao::SomenteLeitura,
                QStringLiteral("a fonte de dados ODBC só permite leitura")};
    }
    if (!info(SQL_DBMS_NAME).contains(QLatin1String("SQL Server"), Qt::CaseInsensitive)) {
        return {};
    }
    // SQL Server knows a database set read-only and the user's permissions on the table a
    // merge updates and deletes from.
    DadosConsulta r;
    try {
        r = consultar(QStringLiteral(
            "SELECT CONVERT(nvarchar(20), DATABASEPROPERTYEX(DB_NAME(), 'Updateability')), "
            "HAS_PERMS_BY_NAME('Paciente', 'OBJECT', 'UPDATE'), "
            "HAS_PERMS_BY_NAME('Paciente', 'OBJECT', 'DELETE')"));
    } catch (const ErroNumerado&) {
        return {};  // logged; the server's answer is unknown, not a refusal
    }
    if (r.linhas.size() != 1 || r.linhas[0].size() != 3) {
        return {};
    }
    const QVector<QVariant>& linha = r.linhas[0];
    if (linha[0].toString().compare(QLatin1String("READ_ONLY"), Qt::CaseInsensitive) == 0) {
        return {SituacaoGravacao::SomenteLeitura,
                QStringLiteral("o banco %1 está somente para leitura").arg(bancoPadrao())};
    }
    // NULL: the table is not there or not visible, which the merge will report itself.
    const auto negada = [](const QVariant& v) { return !v.isNull() && v.toInt() == 0; };
    if (negada(linha[1]) || negada(linha[2])) {
        return {SituacaoGravacao::SemPermissao,
                QStringLiteral("o usuário da conexão não tem permissão de %1 na tabela Paciente")
                    .arg(negada(linha[1]) ? QStringLiteral("UPDATE") : QStringLiteral("DELETE"))};
    }
    return {};
}

QString MotorOdbc::bancoPadrao() const {
    if (m_dbc) {
        SQLWCHAR buffer[256];
        SQLINTEGER bytes = 0;
        if (SQL_SUCCEEDED(SQLGetConnectAttrW(m_dbc.get(), SQL_ATTR_CURRENT_CATALOG, buffer,
                                             sizeof(buffer), &bytes)) &&
            bytes > 0)
            return TextoW(buffer, bytes / 2, 256);
    }
    return m_conexao.banco;
}

QVariant MotorOdbc::propriedade(const QString& nome) const {
    const auto valor = [](const QString& v) { return v.isEmpty() ? QVariant() : QVariant(v); };
    const auto e = [&nome](const char* chave) {
        return nome.compare(QLatin1String(chave), Qt::CaseInsensitive) == 0;
    };
    if (e("User ID"))
        return valor(m_conexao.usuario.isEmpty() ? info(SQL_USER_NAME) : m_conexao.usuario);
    if (e("Password"))
        return valor(m_conexao.senha);
    if (e("Data Source")) {
        if (!m_conexao.servidor.isEmpty())
            return m_conexao.servidor;
        const QString servidor = info(SQL_SERVER_NAME);
        return valor(servidor.isEmpty() ? m_conexao.dsn : servidor);
    }
    if (e("Initial Catalog"))
        return valor(bancoPadrao());
    if (e("Integrated Security"))
        return m_conexao.integrada ? QVariant(QStringLiteral("SSPI")) : QVariant();
    if (e("Extended Properties"))
        return valor(MascararSenhas(m_conexao.odbc));
    if (e("DBMS Name"))
        return valor(info(SQL_DBMS_NAME));
    if (e("DBMS Version"))
        return valor(info(SQL_DBMS_VER));
    if (e("Driver Name"))
        return valor(info(SQL_DRIVER_NAME));
    return QVariant();
}

}  // namespace

std::unique_ptr<Motor> CriarMotorOdbc(const QString& connectionString) {
    return std::make_unique<MotorOdbc>(InterpretarConexaoOdbc(connectionString));
}

}  // namespace dados
