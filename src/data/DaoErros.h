#pragma once

#include <QString>

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
