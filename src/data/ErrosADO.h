#pragma once

#include <QString>

// The ADO error numbers the data layer reports, each with one short Portuguese text. The
// engines map their own codes (SQLite result codes, ODBC SQLSTATEs) onto these numbers; the
// engine's long description goes to the diagnostics log, never into the short text.
namespace dados {

enum ErroADO : qint32 {
    ErroComando = -2147217900,             // 0x80040E14 error in the command text
    ErroObjetoInexistente = -2147217865,   // 0x80040E37 table or view not found
    ErroIntegridade = -2147217873,         // 0x80040E2F integrity violation
    ErroDadosLongos = -2147217833,         // 0x80040E57 data too long for the column
    ErroConversao = -2147217913,           // 0x80040E07 type conversion failed
    ErroTempoEsgotado = -2147217871,       // 0x80040E31 timeout (register locked)
    ErroPermissao = -2147217911,           // 0x80040E09 permission denied / read-only
    ErroLinhaNaoLocalizada = -2147217864,  // 0x80040E38 row to update not found
    ErroNaoEspecificado = -2147467259,     // 0x80004005 unspecified failure
    ErroTransacaoExiste = -2147168237,     // 0x8004D013 a transaction already exists
    ErroSemTransacao = -2147168242,        // 0x8004D00E no transaction is active
    ErroObjetoFechado = 3704,              // adErrObjectClosed
    ErroObjetoAberto = 3705,               // adErrObjectOpen
    ErroProvedor = 3706,                   // adErrProviderNotFound
    ErroBofEof = 3021,                     // adErrNoCurrentRecord
    ErroItemNaoEncontrado = 3265,          // adErrItemNotFound
    ErroArgumento = 3001,                  // adErrInvalidArgument
    ErroOperacao = 3219,                   // adErrIllegalOperation
};

// The short text of an error number; an unknown number gets the unspecified-failure text.
QString TextoDoErro(qint32 numero);

// Logs `detalhe` (the engine's long description) and throws ErroNumerado(numero, origem,
// short text). Every failure of the data layer leaves through here.
[[noreturn]] void Falhar(qint32 numero, const QString& origem, const QString& detalhe);

}  // namespace dados
