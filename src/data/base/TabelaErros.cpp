#include "data/base/TabelaErros.h"

#include "data/base/Diagnostico.h"
#include "data/base/ErroNumerado.h"

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

QString TextoErroDao(qint32 numero) {
    switch (numero) {
        case daoArgumentoInvalido:
            return QStringLiteral("Argumento inválido.");
        case daoTabelaExiste:
            return QStringLiteral("A tabela já existe.");
        case daoObjetoExiste:
            return QStringLiteral("O objeto já existe.");
        case daoAtualizacaoSemEdicao:
            return QStringLiteral("Update ou CancelUpdate sem AddNew ou Edit.");
        case daoSemRegistroAtual:
            return QStringLiteral("Nenhum registro atual.");
        case daoValorDuplicado:
            return QStringLiteral("Valores duplicados no índice ou na chave primária.");
        case daoArquivoNaoEncontrado:
            return QStringLiteral("Não foi possível encontrar o arquivo.");
        case daoSomenteLeitura:
            return QStringLiteral("O banco de dados ou o objeto é somente leitura.");
        case daoErroDisco:
            return QStringLiteral("Erro de disco ou de rede.");
        case daoCaminhoInvalido:
            return QStringLiteral("O caminho não é válido.");
        case daoArquivoInacessivel:
            return QStringLiteral("Não foi possível abrir o arquivo.");
        case daoParametrosInsuficientes:
            return QStringLiteral("Poucos parâmetros.");
        case daoConsultaSelecao:
            return QStringLiteral("Não é possível executar uma consulta seleção.");
        case daoTabelaNaoEncontrada:
            return QStringLiteral("Tabela ou consulta de entrada não encontrada.");
        case daoNomeInvalido:
            return QStringLiteral("O nome não é válido.");
        case daoInstrucaoInvalida:
            return QStringLiteral("Instrução SQL inválida.");
        case daoCaracteresAposFim:
            return QStringLiteral("Caracteres encontrados após o final da instrução SQL.");
        case daoFalhaOdbc:
            return QStringLiteral("ODBC: falha na chamada.");
        case daoFalhaConexaoOdbc:
            return QStringLiteral("ODBC: falha na conexão.");
        case daoIsamNaoEncontrado:
            return QStringLiteral("Não foi possível encontrar o ISAM instalável.");
        case daoConflitoEscrita:
            return QStringLiteral("Os dados foram alterados por outro usuário.");
        case daoBancoExiste:
            return QStringLiteral("O banco de dados já existe.");
        case daoBloqueado:
            return QStringLiteral("O registro está bloqueado por outro usuário.");
        case daoSemCampos:
            return QStringLiteral("Nenhum campo definido.");
        case daoItemNaoEncontrado:
            return QStringLiteral("Item não encontrado nesta coleção.");
        case daoCampoNulo:
            return QStringLiteral("O campo não pode conter valor nulo.");
        case daoViolacaoRegra:
            return QStringLiteral("Violação de regra de validação.");
        case daoFormatoNaoReconhecido:
            return QStringLiteral("Formato de banco de dados não reconhecido.");
        case daoObjetoInvalido:
            return QStringLiteral("O objeto é inválido ou não está mais definido.");
        default:
            return QStringLiteral("Erro reservado.");
    }
}

void LancarErroDao(qint32 numero, const QString& origem, const QString& detalhe) {
    if (!detalhe.isEmpty()) {
        // The log masks the "pwd=" of connect strings.
        dados::RegistrarDiagnostico(QString("DAO %1 - %2: %3").arg(numero).arg(origem, detalhe));
    }
    throw ErroNumerado(numero, origem, TextoErroDao(numero));
}
