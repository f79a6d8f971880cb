#include "data/ErrosADO.h"

#include "data/Diagnostico.h"
#include "data/ErroNumerado.h"

namespace dados {

QString TextoDoErro(qint32 numero) {
    switch (numero) {
        case ErroComando:
            return QStringLiteral("Erro de sintaxe ou de acesso no comando SQL.");
        case ErroObjetoInexistente:
            return QStringLiteral("O objeto não existe no banco de dados.");
        case ErroIntegridade:
            return QStringLiteral("Violação de integridade dos dados.");
        case ErroDadosLongos:
            return QStringLiteral("Os dados seriam truncados: valor longo demais para o campo.");
        case ErroConversao:
            return QStringLiteral("Erro ao converter o tipo de dados.");
        case ErroTempoEsgotado:
            return QStringLiteral("Tempo de espera esgotado: o banco de dados está bloqueado.");
        case ErroPermissao:
            return QStringLiteral("Permissão negada.");
        case ErroLinhaNaoLocalizada:
            return QStringLiteral("A linha a atualizar não foi localizada.");
        case ErroTransacaoExiste:
            return QStringLiteral("Já existe uma transação ativa.");
        case ErroSemTransacao:
            return QStringLiteral("Não há transação ativa.");
        case ErroObjetoFechado:
            return QStringLiteral("A operação não é permitida quando o objeto está fechado.");
        case ErroObjetoAberto:
            return QStringLiteral("A operação não é permitida quando o objeto está aberto.");
        case ErroProvedor:
            return QStringLiteral("Provedor não encontrado ou não suportado.");
        case ErroBofEof:
            return QStringLiteral("BOF ou EOF é verdadeiro, ou o registro atual foi excluído.");
        case ErroItemNaoEncontrado:
            return QStringLiteral("Item não encontrado na coleção.");
        case ErroArgumento:
            return QStringLiteral("Argumentos de tipo errado, fora do intervalo ou em conflito.");
        case ErroOperacao:
            return QStringLiteral("Operação não permitida neste contexto.");
        default:
            return QStringLiteral("Falha não especificada.");
    }
}

void Falhar(qint32 numero, const QString& origem, const QString& detalhe) {
    RegistrarDiagnostico(QStringLiteral("%1 - %2: %3").arg(numero).arg(origem, detalhe));
    throw ErroNumerado(numero, origem, TextoDoErro(numero));
}

}  // namespace dados
