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

// Writes `detalhe` (with number and source) to the diagnostics log and throws ErroNumerado
// with the number's short text.
[[noreturn]] void LancarErroDao(qint32 numero, const QString& origem,
                                const QString& detalhe = QString());
