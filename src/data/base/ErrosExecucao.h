#pragma once

#include <QFileDevice>
#include <QString>
#include <system_error>

// Run-time error numbers of the file and system operations (the numbers Windows programs of
// the product report), with the short Portuguese text shown for each.
namespace ErroExecucao {
constexpr qint32 ArgumentoInvalido = 5;
constexpr qint32 MemoriaInsuficiente = 7;
constexpr qint32 NomeArquivoIncorreto = 52;
constexpr qint32 ArquivoNaoEncontrado = 53;
constexpr qint32 ErroES = 57;
constexpr qint32 ArquivoJaExiste = 58;
constexpr qint32 DiscoCheio = 61;
constexpr qint32 ArquivosDemais = 67;
constexpr qint32 DispositivoIndisponivel = 68;
constexpr qint32 PermissaoNegada = 70;
constexpr qint32 DiscoNaoPronto = 71;
constexpr qint32 RenomearOutraUnidade = 74;
constexpr qint32 AcessoCaminhoArquivo = 75;
constexpr qint32 CaminhoNaoEncontrado = 76;
}  // namespace ErroExecucao

// The text of a run-time error number; an unknown number gets a generic text naming it.
QString TextoErroExecucao(qint32 numero);

// The run-time number for a failure the operating system reported on a file or folder.
// A missing entry is "file not found" when its folder exists, else "path not found".
qint32 NumeroErroExecucao(const std::error_code& erro, const QString& caminho);

// Why a file could not be written at that path (0 when nothing stands in the way): no name,
// a missing folder, a folder or device in the way, no permission.
qint32 NumeroErroGravacao(const QString& caminho);

// The run-time number for a QFile failure on the given path: a missing folder, a folder or
// device where a file was expected, a write the disk refused.
qint32 NumeroErroArquivo(QFileDevice::FileError erro, const QString& caminho);
