#include "data/base/TabelaErros.h"

#include <sqlite3.h>

#include <QStringList>
#include <optional>

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

qint32 NumeroAdoDoSqlite(int codigo, int estendido, const QString& mensagem) {
    qint32 numero = ErroNaoEspecificado;
    switch (codigo & 0xFF) {
        case SQLITE_CONSTRAINT:
            numero = ErroIntegridade;
            if (estendido == SQLITE_CONSTRAINT_CHECK) {
                if (mensagem.contains(QLatin1String("cadunir_tamanho_"))) {
                    numero = ErroDadosLongos;
                } else if (mensagem.contains(QLatin1String("cadunir_data_"))) {
                    numero = ErroConversao;
                }
            }
            break;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            numero = ErroTempoEsgotado;
            break;
        case SQLITE_READONLY:
            numero = ErroPermissao;
            break;
        case SQLITE_MISMATCH:
            numero = ErroConversao;
            break;
        case SQLITE_TOOBIG:
            numero = ErroDadosLongos;
            break;
        case SQLITE_ERROR:
            if (mensagem.startsWith(QLatin1String("no such table")) ||
                mensagem.startsWith(QLatin1String("no such view"))) {
                numero = ErroObjetoInexistente;
            } else {
                numero = ErroComando;
            }
            break;
        default:
            break;
    }
    return numero;
}

namespace {

// The SQL Server messages whose ADO number the table knows.
std::optional<qint32> NumeroAdoConhecido(qint32 numeroServidor) {
    switch (numeroServidor) {
        case 208:  // invalid object name
            return ErroObjetoInexistente;
        case 515:   // NULL into a NOT NULL column
        case 547:   // foreign key or check constraint
        case 2601:  // duplicate key in a unique index
        case 2627:  // primary key or unique constraint
            return ErroIntegridade;
        case 8152:  // string or binary data would be truncated
        case 2628:
        case 8115:  // arithmetic overflow
            return ErroDadosLongos;
        case 8114:  // error converting data type
        case 241:   // conversion failed from character string to date
        case 245:   // conversion failed from a text to a number
        case 248:   // a text's number overflowed the type
            return ErroConversao;
        case 229:  // permission denied on an object, a column or the database
        case 230:
        case 262:
        case 3906:  // the database is read-only
            return ErroPermissao;
        case 1222:  // lock request time out
            return ErroTempoEsgotado;
        default:
            return std::nullopt;
    }
}

}  // namespace

qint32 NumeroAdoDoServidor(qint32 numeroServidor) {
    return NumeroAdoConhecido(numeroServidor).value_or(ErroComando);
}

QString TextoDoErroServidor(qint32 numeroServidor) {
    switch (numeroServidor) {
        case 8134:
            return QStringLiteral("Divisão por zero.");
        case 8115:
            return QStringLiteral("Estouro aritmético: o resultado não cabe no tipo de dados.");
        case 191:
            return QStringLiteral("Comando SQL aninhado demais.");
        case 536:
        case 537:
            return QStringLiteral("Comprimento negativo passado a LEFT ou SUBSTRING.");
        case 1033:
            return QStringLiteral("ORDER BY sem TOP numa subconsulta, tabela derivada ou visão.");
        case 1056:
            return QStringLiteral("Colunas demais no resultado: o máximo é 4096.");
        case 8117:
            return QStringLiteral("Tipo de dados inválido para o operador.");
        default:
            return QString();
    }
}

qint32 NumeroAdoDoOdbc(const QString& estado, qint32 nativo) {
    // Ask the native number when the driver gave only a generic state (FreeTDS and older
    // drivers often say HY000 or 42000 for everything).
    static const QStringList genericos = {"", "HY000", "S1000", "42000", "37000", "01000"};
    if (genericos.contains(estado)) {
        if (const auto numero = NumeroAdoConhecido(nativo)) {
            return *numero;
        }
    }
    const QString classe = estado.left(2);
    if (estado == "42S02" || estado == "S0002")
        return ErroObjetoInexistente;
    if (classe == "23")
        return ErroIntegridade;
    if (estado == "22001" || estado == "22003")
        return ErroDadosLongos;
    if (estado == "22012")  // division by zero, a command error as on the embedded engine
        return ErroComando;
    if (estado == "22005" || estado == "22007" || estado == "22008" || estado == "22018")
        return ErroConversao;
    if (estado == "HYT00" || estado == "HYT01" || estado == "S1T00")
        return ErroTempoEsgotado;
    if (classe == "42" || classe == "37" || estado == "S0022" || estado == "S0001")
        return ErroComando;
    return ErroNaoEspecificado;
}

void Falhar(qint32 numero, const QString& origem, const QString& detalhe) {
    RegistrarDiagnostico(QStringLiteral("%1 - %2: %3").arg(numero).arg(origem, detalhe));
    throw ErroNumerado(numero, origem, TextoDoErro(numero));
}

void FalharServidor(qint32 numero, const QString& origem, const MensagemServidor& mensagem,
                    const QString& detalhe) {
    RegistrarDiagnostico(QStringLiteral("%1 - %2: %3")
                             .arg(numero)
                             .arg(origem, detalhe.isEmpty()
                                              ? QStringLiteral("Msg %1, Level %2, State %3: %4")
                                                    .arg(mensagem.numero)
                                                    .arg(mensagem.nivel)
                                                    .arg(mensagem.estado)
                                                    .arg(mensagem.texto)
                                              : detalhe));
    const QString texto = TextoDoErroServidor(mensagem.numero);
    throw ErroNumerado(numero, origem, texto.isNull() ? TextoDoErro(numero) : texto, mensagem);
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

qint32 NumeroDaoDoSqlite(int codigo, const QString& mensagem) {
    qint32 numero = daoErroReservado;
    switch (codigo & 0xff) {
        case SQLITE_CONSTRAINT:
            numero = (codigo == SQLITE_CONSTRAINT_UNIQUE || codigo == SQLITE_CONSTRAINT_PRIMARYKEY)
                         ? daoValorDuplicado
                     : codigo == SQLITE_CONSTRAINT_NOTNULL ? daoCampoNulo
                                                           : daoViolacaoRegra;
            break;
        case SQLITE_READONLY:
            numero = daoSomenteLeitura;
            break;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            numero = daoBloqueado;
            break;
        case SQLITE_NOTADB:
        case SQLITE_CORRUPT:
            numero = daoFormatoNaoReconhecido;
            break;
        case SQLITE_CANTOPEN:
        case SQLITE_PERM:
        case SQLITE_AUTH:
            numero = daoArquivoInacessivel;
            break;
        case SQLITE_IOERR:
        case SQLITE_FULL:
            numero = daoErroDisco;
            break;
        case SQLITE_ERROR:
            if (mensagem.startsWith("no such table")) {
                numero = daoTabelaNaoEncontrada;
            } else if (mensagem.startsWith("no such column")) {
                numero = daoParametrosInsuficientes;
            } else if (mensagem.contains("already exists")) {
                numero = daoTabelaExiste;
            } else if (mensagem.contains("syntax error") || mensagem.contains("incomplete input")) {
                numero = daoInstrucaoInvalida;
            }
            break;
        default:
            break;
    }
    return numero;
}

void LancarErroDao(qint32 numero, const QString& origem, const QString& detalhe) {
    if (!detalhe.isEmpty()) {
        // The log masks the "pwd=" of connect strings.
        dados::RegistrarDiagnostico(QString("DAO %1 - %2: %3").arg(numero).arg(origem, detalhe));
    }
    throw ErroNumerado(numero, origem, TextoErroDao(numero));
}
