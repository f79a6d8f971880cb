#include "data/base/ErrosExecucao.h"

#include <QFileInfo>
#include <cerrno>

QString TextoErroExecucao(qint32 numero) {
    switch (numero) {
        case ErroExecucao::ArgumentoInvalido:
            return QStringLiteral("Chamada de procedimento ou argumento inválido");
        case ErroExecucao::MemoriaInsuficiente:
            return QStringLiteral("Memória insuficiente");
        case ErroExecucao::NomeArquivoIncorreto:
            return QStringLiteral("Nome ou número de arquivo incorreto");
        case ErroExecucao::ArquivoNaoEncontrado:
            return QStringLiteral("Arquivo não encontrado");
        case ErroExecucao::ErroES:
            return QStringLiteral("Erro de E/S no dispositivo");
        case ErroExecucao::ArquivoJaExiste:
            return QStringLiteral("O arquivo já existe");
        case ErroExecucao::DiscoCheio:
            return QStringLiteral("Disco cheio");
        case ErroExecucao::ArquivosDemais:
            return QStringLiteral("Arquivos demais");
        case ErroExecucao::DispositivoIndisponivel:
            return QStringLiteral("Dispositivo não disponível");
        case ErroExecucao::PermissaoNegada:
            return QStringLiteral("Permissão negada");
        case ErroExecucao::DiscoNaoPronto:
            return QStringLiteral("O disco não está pronto");
        case ErroExecucao::RenomearOutraUnidade:
            return QStringLiteral("Não é possível renomear com unidade diferente");
        case ErroExecucao::AcessoCaminhoArquivo:
            return QStringLiteral("Erro de acesso ao caminho/arquivo");
        case ErroExecucao::CaminhoNaoEncontrado:
            return QStringLiteral("Caminho não encontrado");
        default:
            return QStringLiteral("Erro definido pelo aplicativo ou pelo objeto (%1)").arg(numero);
    }
}

qint32 NumeroErroExecucao(const std::error_code& erro, const QString& caminho) {
    if (erro == std::errc::no_such_file_or_directory) {
        return QFileInfo(QFileInfo(caminho).absolutePath()).isDir()
                   ? ErroExecucao::ArquivoNaoEncontrado
                   : ErroExecucao::CaminhoNaoEncontrado;
    }
    if (erro == std::errc::permission_denied || erro == std::errc::operation_not_permitted ||
        erro == std::errc::read_only_file_system) {
        return ErroExecucao::PermissaoNegada;
    }
    if (erro == std::errc::not_a_directory) {
        return ErroExecucao::CaminhoNaoEncontrado;
    }
    if (erro == std::errc::file_exists) {
        return ErroExecucao::ArquivoJaExiste;
    }
    if (erro == std::errc::no_space_on_device) {
        return ErroExecucao::DiscoCheio;
    }
    if (erro == std::errc::too_many_files_open ||
        erro == std::errc::too_many_files_open_in_system) {
        return ErroExecucao::ArquivosDemais;
    }
    if (erro == std::errc::cross_device_link) {
        return ErroExecucao::RenomearOutraUnidade;
    }
    if (erro == std::errc::no_such_device || erro == std::errc::no_such_device_or_address) {
        return ErroExecucao::DispositivoIndisponivel;
    }
    if (erro == std::errc::io_error) {
        return ErroExecucao::ErroES;
    }
    if (erro == std::errc::not_enough_memory) {
        return ErroExecucao::MemoriaInsuficiente;
    }
    if (erro == std::errc::invalid_argument || erro == std::errc::filename_too_long) {
        return ErroExecucao::NomeArquivoIncorreto;
    }
    return ErroExecucao::AcessoCaminhoArquivo;
}

qint32 NumeroErroGravacao(const QString& caminho) {
    if (caminho.isEmpty()) {
        return ErroExecucao::NomeArquivoIncorreto;
    }
    const QFileInfo info(caminho);
    const QFileInfo pasta(info.absolutePath());
    if (!pasta.isDir()) {
        return ErroExecucao::CaminhoNaoEncontrado;
    }
    if (info.exists() && !info.isFile()) {
        return ErroExecucao::AcessoCaminhoArquivo;
    }
    if (info.exists() ? !info.isWritable() : !pasta.isWritable()) {
        return ErroExecucao::PermissaoNegada;
    }
    return 0;
}

qint32 NumeroErroArquivo(QFileDevice::FileError erro, const QString& caminho) {
    const QFileInfo info(caminho);
    if (!QFileInfo(info.absolutePath()).isDir()) {
        return ErroExecucao::CaminhoNaoEncontrado;
    }
    switch (erro) {
        case QFileDevice::PermissionsError:
            return ErroExecucao::PermissaoNegada;
        case QFileDevice::ResourceError:
            return ErroExecucao::ArquivosDemais;
        case QFileDevice::ReadError:
        case QFileDevice::WriteError:
            return ErroExecucao::ErroES;
        default:
            break;
    }
    return ErroExecucao::AcessoCaminhoArquivo;
}
