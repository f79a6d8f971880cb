#pragma once

#include <QString>

#include "data/base/ErroNumerado.h"

// The one table of the data layer's error numbers: ADO's (what Connection and Recordset
// throw) and DAO's (what the desktop-database stand-in throws), each with one short
// Portuguese text, and the maps from the engines' own codes (SQLite result codes, ODBC
// SQLSTATEs and SQL Server's native numbers) onto them. The engine's long description goes
// to the diagnostics log, never into the short text.
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

// The ADO number for a failed SQLite call: `codigo` the primary result code, `estendido` the
// extended one, `mensagem` SQLite's text (the embedded engine's check constraints name the
// column rule that failed).
qint32 NumeroAdoDoSqlite(int codigo, int estendido, const QString& mensagem);

// The ADO number of a SQL Server message (the native number of the ODBC engine's failures, the
// embedded engine's own): the command error for any the table does not name.
qint32 NumeroAdoDoServidor(qint32 numeroServidor);

// The short text of a SQL Server message whose ADO number's text would mislead (a division by
// zero is no syntax error); null for the others, which take their ADO number's text.
QString TextoDoErroServidor(qint32 numeroServidor);

// Logs `detalhe` (the message itself when empty) and throws ErroNumerado(numero, origem, the
// short text for the message, mensagem): a failure of a statement that SQL Server would report.
[[noreturn]] void FalharServidor(qint32 numero, const QString& origem,
                                 const MensagemServidor& mensagem,
                                 const QString& detalhe = QString());
[[noreturn]] inline void FalharServidor(const QString& origem, const MensagemServidor& mensagem,
                                        const QString& detalhe = QString()) {
    FalharServidor(NumeroAdoDoServidor(mensagem.numero), origem, mensagem, detalhe);
}

// The ADO number for an ODBC diagnostic: its SQLSTATE, and the server's native number, which
// decides when the driver gives only a generic state.
qint32 NumeroAdoDoOdbc(const QString& estado, qint32 nativo);

}  // namespace dados

// The desktop database's failures carry DAO's own error numbers (positive, unlike ADO's), each
// with one short Portuguese text. The long description of the underlying failure (SQLite's
// message, the ODBC installer's or driver's text) never reaches the caller: it goes to the
// diagnostics log.
enum ErroDao : qint32 {
    daoErroReservado = 3000,
    daoArgumentoInvalido = 3001,
    daoTabelaExiste = 3010,
    daoObjetoExiste = 3012,
    daoAtualizacaoSemEdicao = 3020,
    daoSemRegistroAtual = 3021,
    daoValorDuplicado = 3022,
    daoArquivoNaoEncontrado = 3024,
    daoSomenteLeitura = 3027,
    daoErroDisco = 3043,
    daoCaminhoInvalido = 3044,
    daoArquivoInacessivel = 3051,
    daoParametrosInsuficientes = 3061,
    daoConsultaSelecao = 3065,
    daoTabelaNaoEncontrada = 3078,
    daoNomeInvalido = 3125,
    daoInstrucaoInvalida = 3129,
    daoCaracteresAposFim = 3142,
    daoFalhaOdbc = 3146,
    daoFalhaConexaoOdbc = 3151,
    daoIsamNaoEncontrado = 3170,
    daoConflitoEscrita = 3197,
    daoBancoExiste = 3204,
    daoBloqueado = 3260,
    daoSemCampos = 3264,
    daoItemNaoEncontrado = 3265,
    daoCampoNulo = 3314,
    daoViolacaoRegra = 3317,
    daoFormatoNaoReconhecido = 3343,
    daoObjetoInvalido = 3420,
};

QString TextoErroDao(qint32 numero);

// The DAO number for a failed SQLite call of the desktop database (`codigo` extended).
qint32 NumeroDaoDoSqlite(int codigo, const QString& mensagem);

// Writes `detalhe` (with number and source) to the diagnostics log and throws ErroNumerado
// with the number's short text.
[[noreturn]] void LancarErroDao(qint32 numero, const QString& origem,
                                const QString& detalhe = QString());
