#pragma once

// What the ODBC engine and its catalogue share: owned handles, wide-string passing, the
// reading of a result into rows, and the translation of a driver's diagnostics into the
// program's error numbers. Only the ODBC engine's files include this.

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <QString>
#include <QVector>
#include <optional>

#include "data/base/EsquemaOleDb.h"
#include "data/base/Motor.h"

namespace dados::odbc {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "SQLWCHAR must be UTF-16");

// One ODBC handle, freed when it goes.
class Handle {
  public:
    Handle() = default;
    Handle(SQLSMALLINT tipo, SQLHANDLE pai);
    ~Handle() { reset(); }
    Handle(Handle&& outro) noexcept;
    Handle& operator=(Handle&& outro) noexcept;
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    void reset();
    SQLHANDLE get() const { return m_handle; }
    SQLSMALLINT tipo() const { return m_tipo; }
    explicit operator bool() const { return m_handle != SQL_NULL_HANDLE; }

  private:
    SQLSMALLINT m_tipo = 0;
    SQLHANDLE m_handle = SQL_NULL_HANDLE;
};

inline SQLWCHAR* W(const QString& s) {
    return const_cast<SQLWCHAR*>(reinterpret_cast<const SQLWCHAR*>(s.utf16()));
}
// A catalogue argument: a null pointer (no restriction) for an empty text.
inline SQLWCHAR* WouNulo(const QString& s) {
    return s.isEmpty() ? nullptr : W(s);
}
QString DeW(const SQLWCHAR* texto, qsizetype caracteres);
// A name or message the driver wrote into a buffer of `capacidade` characters, `informado` long
// by its own count. Some drivers count UTF-8 bytes there, so the terminator decides as well.
QString TextoW(const SQLWCHAR* buffer, qsizetype informado, qsizetype capacidade);

struct Diagnostico {
    QString estado;  // SQLSTATE
    qint32 nativo = 0;
    QString texto;
    // SQL Server's severity, message state and line, from its drivers' own fields (-1 when the
    // driver does not give them).
    int nivel = -1;
    int estadoServidor = -1;
    int linha = -1;
};
QVector<Diagnostico> LerDiagnosticos(const Handle& h);

// The ADO number of a driver's failure: the SQLSTATE first, SQL Server's native number
// where the state alone is too vague.
qint32 NumeroDoErro(const QString& estado, qint32 nativo);
qint32 NumeroDoErro(const QVector<Diagnostico>& diagnosticos);
QString DescreverDiagnosticos(const QVector<Diagnostico>& diagnosticos);
// SQL Server's own message in the diagnostics, as its console prints it: the deciding one,
// when the server wrote it (the driver marks it "[SQL Server]"), without the drivers' marks.
std::optional<MensagemServidor> MensagemDoServidor(const QVector<Diagnostico>& diagnosticos);
// Logs `detalhe` and throws the diagnostics' number, short text and server message.
[[noreturn]] void FalharComDiagnosticos(const QVector<Diagnostico>& diagnosticos,
                                        const QString& origem, const QString& detalhe);

// Logs the driver's whole description with `contexto` (the statement or the call) and throws
// the mapped number with its short text.
[[noreturn]] void FalharOdbc(const Handle& h, const QString& contexto);
inline void Verificar(SQLRETURN rc, const Handle& h, const QString& contexto) {
    if (!SQL_SUCCEEDED(rc))
        FalharOdbc(h, contexto);
}

// The ADO type of an ODBC SQL type and the size ADO reports for it.
int TipoAdo(SQLSMALLINT tipoSql);
int TamanhoAdo(SQLSMALLINT tipoSql, SQLULEN tamanhoColuna);

// Reads the current result of `comando`: its columns and every row.
DadosConsulta LerLinhas(const Handle& comando, const QString& contexto);
// The same, then discards any further results, failing on an error they carry.
DadosConsulta LerResultado(const Handle& comando, const QString& contexto);

// A new statement on the open connection `dbc`.
Handle NovoComando(const Handle& dbc);

// The OLE DB schema rowset `tipoEsquema` (SchemaEnum) answered with the ODBC catalogue functions.
DadosConsulta Catalogo(const Handle& dbc, int tipoEsquema, const QVariantList& criterios);
// The columns of the table's primary key, in key order.
QStringList ColunasDaChave(const Handle& dbc, const QString& tabela);

}  // namespace dados::odbc
