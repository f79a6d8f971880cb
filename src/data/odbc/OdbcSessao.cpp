#include "data/odbc/OdbcSessao.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QStringList>

#include "data/base/EnumsADO.h"
#include "data/base/TabelaErros.h"

namespace dados::odbc {

namespace {

// SQL Server's own types as its drivers report them.
constexpr SQLSMALLINT kSqlSsTime2 = -154;
// SQL Server's drivers' own diagnostic fields (Microsoft's msodbcsql.h; FreeTDS's odbcss.h).
constexpr SQLSMALLINT kSqlDiagSsEstado = -1150;
constexpr SQLSMALLINT kSqlDiagSsSeveridade = -1151;
constexpr SQLSMALLINT kSqlDiagSsLinha = -1154;

enum class Leitura { Inteiro, Inteiro64, Bit, Real, Decimal, DataHora, Hora, Binario, Texto };

Leitura leituraDe(SQLSMALLINT tipoSql) {
    switch (tipoSql) {
        case SQL_SMALLINT:
        case SQL_INTEGER:
        case SQL_TINYINT:
            return Leitura::Inteiro;
        case SQL_BIGINT:
            return Leitura::Inteiro64;
        case SQL_BIT:
            return Leitura::Bit;
        case SQL_REAL:
        case SQL_FLOAT:
        case SQL_DOUBLE:
            return Leitura::Real;
        case SQL_DECIMAL:
        case SQL_NUMERIC:
            return Leitura::Decimal;
        case SQL_TYPE_DATE:
        case SQL_TYPE_TIMESTAMP:
        case SQL_DATE:
        case SQL_TIMESTAMP:
            return Leitura::DataHora;
        case SQL_TYPE_TIME:
        case SQL_TIME:
        case kSqlSsTime2:
            return Leitura::Hora;
        case SQL_BINARY:
        case SQL_VARBINARY:
        case SQL_LONGVARBINARY:
            return Leitura::Binario;
        default:
            return Leitura::Texto;
    }
}

// Reads a text or binary value in pieces, so that no length limit applies.
QVariant lerLongo(const Handle& st, SQLUSMALLINT coluna, bool texto, const QString& contexto) {
    char buffer[8192];
    QByteArray bytes;
    const SQLSMALLINT tipoC = texto ? SQL_C_WCHAR : SQL_C_BINARY;
    // A text piece ends with a terminator the driver adds; binary pieces fill the buffer.
    const SQLLEN util = texto ? SQLLEN(sizeof(buffer) - sizeof(SQLWCHAR)) : SQLLEN(sizeof(buffer));
    for (;;) {
        SQLLEN indicador = 0;
        const SQLRETURN rc =
            SQLGetData(st.get(), coluna, tipoC, buffer, sizeof(buffer), &indicador);
        if (rc == SQL_NO_DATA)
            break;
        Verificar(rc, st, contexto);
        if (indicador == SQL_NULL_DATA)
            return QVariant();
        if (indicador == SQL_NO_TOTAL || indicador > util) {
            bytes.append(buffer, util);
            continue;
        }
        bytes.append(buffer, indicador);
        break;
    }
    if (!texto)
        return bytes;
    return DeW(reinterpret_cast<const SQLWCHAR*>(bytes.constData()),
               bytes.size() / qsizetype(sizeof(SQLWCHAR)));
}

template <typename T>
bool lerFixo(const Handle& st, SQLUSMALLINT coluna, SQLSMALLINT tipoC, T& valor,
             const QString& contexto) {
    SQLLEN indicador = 0;
    Verificar(SQLGetData(st.get(), coluna, tipoC, &valor, sizeof(valor), &indicador), st, contexto);
    return indicador != SQL_NULL_DATA;
}

QVariant lerValor(const Handle& st, SQLUSMALLINT coluna, Leitura leitura, SQLSMALLINT escala,
                  const QString& contexto) {
    switch (leitura) {
        case Leitura::Inteiro: {
            SQLINTEGER v = 0;
            return lerFixo(st, coluna, SQL_C_SLONG, v, contexto) ? QVariant(int(v)) : QVariant();
        }
        case Leitura::Inteiro64: {
            SQLBIGINT v = 0;
            return lerFixo(st, coluna, SQL_C_SBIGINT, v, contexto) ? QVariant(qint64(v))
                                                                   : QVariant();
        }
        case Leitura::Bit: {
            unsigned char v = 0;
            return lerFixo(st, coluna, SQL_C_BIT, v, contexto) ? QVariant(v != 0) : QVariant();
        }
        case Leitura::Real: {
            double v = 0;
            return lerFixo(st, coluna, SQL_C_DOUBLE, v, contexto) ? QVariant(v) : QVariant();
        }
        case Leitura::Decimal: {
            // Read as text so that no digit is lost on the way; a whole number stays whole.
            const QVariant texto = lerLongo(st, coluna, true, contexto);
            if (texto.isNull())
                return texto;
            const QString s = texto.toString().trimmed();
            bool ok = false;
            if (escala == 0) {
                const qint64 inteiro = s.toLongLong(&ok);
                if (ok)
                    return inteiro;
            }
            const double real = s.toDouble(&ok);
            return ok ? QVariant(real) : texto;
        }
        case Leitura::DataHora: {
            SQL_TIMESTAMP_STRUCT v{};
            if (!lerFixo(st, coluna, SQL_C_TYPE_TIMESTAMP, v, contexto))
                return QVariant();
            return QDateTime(QDate(v.year, v.month, v.day),
                             QTime(v.hour, v.minute, v.second, int(v.fraction / 1000000)));
        }
        case Leitura::Hora: {
            SQL_TIME_STRUCT v{};
            if (!lerFixo(st, coluna, SQL_C_TYPE_TIME, v, contexto))
                return QVariant();
            return QTime(v.hour, v.minute, v.second);
        }
        case Leitura::Binario:
            return lerLongo(st, coluna, false, contexto);
        case Leitura::Texto:
            break;
    }
    QVariant texto = lerLongo(st, coluna, true, contexto);
    // An empty text is a value, never a NULL.
    if (!texto.isNull() && texto.toString().isNull())
        texto = QStringLiteral("");
    return texto;
}

QString atributoTexto(const Handle& st, SQLUSMALLINT coluna, SQLUSMALLINT campo) {
    SQLWCHAR buffer[512];
    SQLSMALLINT bytes = 0;
    if (!SQL_SUCCEEDED(
            SQLColAttributeW(st.get(), coluna, campo, buffer, sizeof(buffer), &bytes, nullptr)))
        return QString();
    return TextoW(buffer, bytes / 2, 512);
}

}  // namespace

Handle::Handle(SQLSMALLINT tipo, SQLHANDLE pai) : m_tipo(tipo) {
    if (!SQL_SUCCEEDED(SQLAllocHandle(tipo, pai, &m_handle)))
        m_handle = SQL_NULL_HANDLE;
}

Handle::Handle(Handle&& outro) noexcept : m_tipo(outro.m_tipo), m_handle(outro.m_handle) {
    outro.m_handle = SQL_NULL_HANDLE;
}

Handle& Handle::operator=(Handle&& outro) noexcept {
    if (this != &outro) {
        reset();
        m_tipo = outro.m_tipo;
        m_handle = outro.m_handle;
        outro.m_handle = SQL_NULL_HANDLE;
    }
    return *this;
}

void Handle::reset() {
    if (m_handle != SQL_NULL_HANDLE)
        SQLFreeHandle(m_tipo, m_handle);
    m_handle = SQL_NULL_HANDLE;
}

QString DeW(const SQLWCHAR* texto, qsizetype caracteres) {
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(texto), caracteres);
}

QString TextoW(const SQLWCHAR* buffer, qsizetype informado, qsizetype capacidade) {
    qsizetype n = 0;
    const qsizetype limite = qBound<qsizetype>(0, informado, capacidade - 1);
    while (n < limite && buffer[n] != 0) ++n;
    return DeW(buffer, n);
}

QVector<Diagnostico> LerDiagnosticos(const Handle& h) {
    QVector<Diagnostico> lidos;
    if (!h)
        return lidos;
    for (SQLSMALLINT registro = 1;; ++registro) {
        SQLWCHAR estado[6] = {};
        SQLINTEGER nativo = 0;
        QVector<SQLWCHAR> texto(1024);
        SQLSMALLINT tamanho = 0;
        SQLRETURN rc = SQLGetDiagRecW(h.tipo(), h.get(), registro, estado, &nativo, texto.data(),
                                      SQLSMALLINT(texto.size()), &tamanho);
        if (rc == SQL_SUCCESS_WITH_INFO && tamanho >= texto.size()) {
            texto.resize(tamanho + 1);
            rc = SQLGetDiagRecW(h.tipo(), h.get(), registro, estado, &nativo, texto.data(),
                                SQLSMALLINT(texto.size()), &tamanho);
        }
        if (!SQL_SUCCEEDED(rc))
            break;
        Diagnostico d{TextoW(estado, 5, 6), qint32(nativo),
                      TextoW(texto.data(), tamanho, texto.size())};
        // SQL Server's drivers' own fields (SQL_DIAG_SS_SEVERITY, _MSGSTATE, _LINE); others
        // refuse them and the fields stay unknown.
        const auto campo = [&](SQLSMALLINT id, int& destino) {
            SQLINTEGER v = 0;
            if (SQL_SUCCEEDED(
                    SQLGetDiagFieldW(h.tipo(), h.get(), registro, id, &v, SQL_IS_INTEGER, nullptr)))
                destino = v;
        };
        campo(kSqlDiagSsSeveridade, d.nivel);
        campo(kSqlDiagSsEstado, d.estadoServidor);
        campo(kSqlDiagSsLinha, d.linha);
        lidos.append(d);
    }
    return lidos;
}

qint32 NumeroDoErro(const QString& estado, qint32 nativo) {
    return NumeroAdoDoOdbc(estado, nativo);
}

qint32 NumeroDoErro(const QVector<Diagnostico>& diagnosticos) {
    // Warnings (class 01) come before the error in some drivers; the error decides.
    for (const Diagnostico& d : diagnosticos)
        if (!d.estado.startsWith(QLatin1String("01")))
            return NumeroDoErro(d.estado, d.nativo);
    return diagnosticos.isEmpty() ? ErroNaoEspecificado
                                  : NumeroDoErro(diagnosticos[0].estado, diagnosticos[0].nativo);
}

QString DescreverDiagnosticos(const QVector<Diagnostico>& diagnosticos) {
    QStringList partes;
    for (const Diagnostico& d : diagnosticos)
        partes << QStringLiteral("[%1] (%2) %3").arg(d.estado).arg(d.nativo).arg(d.texto);
    return partes.isEmpty() ? QStringLiteral("(o driver não deu diagnóstico)")
                            : partes.join(QStringLiteral(" | "));
}

std::optional<MensagemServidor> MensagemDoServidor(const QVector<Diagnostico>& diagnosticos) {
    for (const Diagnostico& d : diagnosticos) {
        if (d.estado.startsWith(QLatin1String("01")))
            continue;
        // "[FreeTDS][SQL Server]Divide by zero..."; the last mark says who wrote the text.
        static const QRegularExpression marcas(QStringLiteral(R"re(^((?:\[[^\]]*\])*))re"));
        const QString prefixo = marcas.match(d.texto).captured(1);
        if (!prefixo.endsWith(QLatin1String("[SQL Server]")) || d.nativo <= 0)
            return std::nullopt;
        return MensagemServidor{d.nativo, d.nivel > 0 ? d.nivel : 16,
                                d.estadoServidor >= 0 ? d.estadoServidor : 1,
                                d.linha > 0 ? d.linha : 1, d.texto.mid(prefixo.size())};
    }
    return std::nullopt;
}

void FalharComDiagnosticos(const QVector<Diagnostico>& diagnosticos, const QString& origem,
                           const QString& detalhe) {
    if (const auto m = MensagemDoServidor(diagnosticos))
        FalharServidor(NumeroDoErro(diagnosticos), origem, *m, detalhe);
    Falhar(NumeroDoErro(diagnosticos), origem, detalhe);
}

void FalharOdbc(const Handle& h, const QString& contexto) {
    const QVector<Diagnostico> diagnosticos = LerDiagnosticos(h);
    FalharComDiagnosticos(
        diagnosticos, QStringLiteral("ODBC"),
        DescreverDiagnosticos(diagnosticos) + QStringLiteral(" ; em: ") + contexto);
}

int TipoAdo(SQLSMALLINT tipoSql) {
    switch (tipoSql) {
        case SQL_CHAR:
            return adChar;
        case SQL_VARCHAR:
            return adVarChar;
        case SQL_LONGVARCHAR:
            return adLongVarChar;
        case SQL_WCHAR:
            return adWChar;
        case SQL_WVARCHAR:
            return adVarWChar;
        case SQL_WLONGVARCHAR:
            return adLongVarWChar;
        case SQL_SMALLINT:
            return adSmallInt;
        case SQL_INTEGER:
            return adInteger;
        case SQL_BIGINT:
            return adBigInt;
        case SQL_TINYINT:
            return adUnsignedTinyInt;  // SQL Server's tinyint is 0..255
        case SQL_BIT:
            return adBoolean;
        case SQL_REAL:
            return adSingle;
        case SQL_FLOAT:
        case SQL_DOUBLE:
            return adDouble;
        case SQL_DECIMAL:
        case SQL_NUMERIC:
            return adNumeric;
        case SQL_TYPE_DATE:
        case SQL_DATE:
            return adDBDate;
        case SQL_TYPE_TIME:
        case SQL_TIME:
        case kSqlSsTime2:
            return adDBTime;
        case SQL_TYPE_TIMESTAMP:
        case SQL_TIMESTAMP:
            return adDBTimeStamp;
        case SQL_BINARY:
            return adBinary;
        case SQL_VARBINARY:
            return adVarBinary;
        case SQL_LONGVARBINARY:
            return adLongVarBinary;
        case SQL_GUID:
            return adGUID;
        default:
            return adVarWChar;
    }
}

int TamanhoAdo(SQLSMALLINT tipoSql, SQLULEN tamanhoColuna) {
    switch (TipoAdo(tipoSql)) {
        case adSmallInt:
        case adBoolean:
            return 2;
        case adInteger:
        case adSingle:
            return 4;
        case adBigInt:
        case adDouble:
            return 8;
        case adUnsignedTinyInt:
            return 1;
        case adNumeric:
            return 19;
        case adDBDate:
        case adDBTime:
        case adDBTimeStamp:
        case adGUID:
            return 16;
        default:
            return tamanhoColuna > SQLULEN(INT_MAX) ? INT_MAX : int(tamanhoColuna);
    }
}

DadosConsulta LerLinhas(const Handle& st, const QString& contexto) {
    DadosConsulta dados;
    SQLSMALLINT colunas = 0;
    Verificar(SQLNumResultCols(st.get(), &colunas), st, contexto);
    QVector<Leitura> leituras;
    QVector<SQLSMALLINT> escalas;
    for (SQLUSMALLINT c = 1; c <= colunas; ++c) {
        SQLWCHAR nome[256];
        SQLSMALLINT tamanhoNome = 0, tipoSql = 0, escala = 0, anulavel = 0;
        SQLULEN tamanho = 0;
        Verificar(SQLDescribeColW(st.get(), c, nome, 256, &tamanhoNome, &tipoSql, &tamanho, &escala,
                                  &anulavel),
                  st, contexto);
        InfoColuna info;
        info.nome = TextoW(nome, tamanhoNome, 256);
        info.tipo = TipoAdo(tipoSql);
        info.tamanhoDefinido = TamanhoAdo(tipoSql, tamanho);
        info.aceitaNulo = anulavel != SQL_NO_NULLS;
        info.tabelaBase = atributoTexto(st, c, SQL_DESC_BASE_TABLE_NAME);
        info.colunaBase = atributoTexto(st, c, SQL_DESC_BASE_COLUMN_NAME);
        SQLLEN unico = SQL_FALSE;
        if (SQL_SUCCEEDED(SQLColAttributeW(st.get(), c, SQL_DESC_AUTO_UNIQUE_VALUE, nullptr, 0,
                                           nullptr, &unico)))
            info.autoIncremento = unico == SQL_TRUE;
        dados.colunas.append(info);
        leituras.append(leituraDe(tipoSql));
        escalas.append(escala);
    }
    if (colunas > 0) {
        for (;;) {
            const SQLRETURN rc = SQLFetch(st.get());
            if (rc == SQL_NO_DATA)
                break;
            Verificar(rc, st, contexto);
            QVector<QVariant> linha;
            linha.reserve(colunas);
            for (SQLUSMALLINT c = 1; c <= colunas; ++c)
                linha.append(lerValor(st, c, leituras[c - 1], escalas[c - 1], contexto));
            dados.linhas.append(std::move(linha));
        }
    }
    return dados;
}

DadosConsulta LerResultado(const Handle& st, const QString& contexto) {
    DadosConsulta dados = LerLinhas(st, contexto);
    // Later results of a batch are not read, but an error among them is not let pass.
    for (;;) {
        const SQLRETURN rc = SQLMoreResults(st.get());
        if (rc == SQL_NO_DATA)
            break;
        Verificar(rc, st, contexto);
    }
    return dados;
}

}  // namespace dados::odbc
