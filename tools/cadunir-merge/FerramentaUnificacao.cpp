#include "FerramentaUnificacao.h"

#include <QSaveFile>
#include <QSet>
#include <cmath>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "main/InicioPrograma.h"
#include "review/clsUnificacao.h"
#include "settings/OpcoesFerramenta.h"
#include "users/LoginAdministrador.h"
#include "worklist/ExecucaoLote.h"
#include "worklist/PlanoLote.h"

namespace {

const char* const kUso =
    "Uso: cadunir-merge (--ini ARQUIVO | --connect CADEIA) --user LOGIN [--min-score N]\n"
    "                   [--dry-run] [--report PLANO.csv]\n"
    "     cadunir-merge (--ini ARQUIVO | --connect CADEIA) --user LOGIN --resume N\n"
    "     cadunir-merge (--ini ARQUIVO | --connect CADEIA) --user LOGIN --group BASE,ID[,ID...]";

const char* const kDescricao =
    "Unifica em lote os grupos certos do cadastro: os que o localizador junta com\n"
    "pontuação de pelo menos N entre cada dois cadastros, com todos os identificadores fortes\n"
    "iguais, sem sinal de pessoas diferentes, decisão, marca sem solução ou outra tabela\n"
    "que aponte para um cadastro. Cada grupo vai para a base sugerida, numa transação só\n"
    "dele, registrado como uma unificação feita à mão; o lote recebe um número (\"lote N\")\n"
    "e é desfeito inteiro com cadunir-history --undo-batch N. Ctrl+C para depois do grupo\n"
    "em curso; --resume N termina o lote.";

bool Gravar(const QString& caminho, const QByteArray& dados, QTextStream& erros) {
    QSaveFile f(caminho);
    if (!f.open(QIODevice::WriteOnly) || f.write(dados) < 0 || !f.commit()) {
        erros << "cadunir-merge: não foi possível gravar " << caminho << ": " << f.errorString()
              << "\n";
        return false;
    }
    return true;
}

QString Membros(const clsLoteRegistro::Grupo& g) {
    QStringList ids{QString::number(g.base)};
    for (const auto& r : g.remocoes) {
        ids << QString::number(r.id);
    }
    return ids.join(QLatin1Char(','));
}

// Runs the batch's groups still to do, telling its progress on stderr, then its outcome.
int Rodar(clsExecucaoLote& execucao, QTextStream& saida, QTextStream& erros,
          const std::function<bool()>& parar) {
    saida << "lote " << execucao.Lote() << "\n" << Qt::flush;
    const int passo = std::max(1, execucao.Situacao().total / 100);
    const bool ok = execucao.Executar(
        [&](const clsExecucaoLote::Andamento& a, const clsLoteRegistro::Grupo& g) {
            if (g.situacao != clsLoteRegistro::Unificado) {
                erros << "grupo " << g.numero << " (" << Membros(g) << ") não unificado: "
                      << QString(g.mensagem).replace(QLatin1Char('\n'), QLatin1Char(' ')) << "\n";
            }
            if (a.feitos % passo == 0 || a.feitos == a.total) {
                erros << "lote " << execucao.Lote() << ": " << a.feitos << "/" << a.total
                      << " grupos\n";
            }
            erros << Qt::flush;
        },
        parar);
    const clsExecucaoLote::Andamento& a = execucao.Situacao();
    saida << a.unificados << " grupos unificados, " << a.alterados << " alterados desde o plano, "
          << a.recusados << " recusados\n";
    for (const auto& g : execucao.Grupos()) {
        if (g.situacao == clsLoteRegistro::Alterado || g.situacao == clsLoteRegistro::Recusado) {
            saida << "não unificado: grupo " << g.numero << " (" << Membros(g)
                  << "): " << QString(g.mensagem).replace(QLatin1Char('\n'), QLatin1Char(' '))
                  << "\n";
        }
    }
    if (!ok) {
        erros << execucao.Mensagem() << "\n";
    }
    if (!ok || execucao.Interrompido()) {
        erros << "O lote " << execucao.Lote() << " não terminou: o que foi unificado fica "
              << "unificado; termine-o com --resume " << execucao.Lote() << ".\n";
        return SaidaFalha;
    }
    return SaidaFeito;
}

}  // namespace

int ExecutarFerramentaUnificacao(const QStringList& argumentos, QTextStream& saida,
                                 QTextStream& erros, const std::function<QString()>& lerSenha,
                                 const std::function<bool()>& parar) {
    OpcoesFerramenta cli(QStringLiteral("cadunir-merge"), kUso, kDescricao, true);
    const QCommandLineOption oLimiar(
        QStringLiteral("min-score"),
        QStringLiteral("pontuação mínima entre cada dois cadastros de um grupo (padrão %1)")
            .arg(clsPlanoLote::kLimiarPadrao),
        QStringLiteral("N"));
    const QCommandLineOption oSimular(
        QStringLiteral("dry-run"),
        QStringLiteral("só mostra o plano e o resumo; nada é gravado no cadastro"));
    const QCommandLineOption oRelatorio(
        QStringLiteral("report"),
        QStringLiteral("grava o plano: uma linha por cadastro a remover (CSV)"),
        QStringLiteral("ARQUIVO"));
    const QCommandLineOption oRetomar(
        QStringLiteral("resume"), QStringLiteral("termina o lote N, interrompido ou que falhou"),
        QStringLiteral("N"));
    const QCommandLineOption oGrupo(
        QStringLiteral("group"),
        QStringLiteral("unifica só estes cadastros na BASE, recusando um grupo com sinal\n"
                       "de pessoas diferentes, decisão ou marca"),
        QStringLiteral("BASE,ID"));
    cli.AdicionarAdministrador(QStringLiteral("o administrador"));
    for (const auto& o : {oLimiar, oSimular, oRelatorio, oRetomar, oGrupo}) {
        cli.Adicionar(o);
    }
    if (const auto fim = cli.Ler(argumentos, saida, erros)) {
        return *fim;
    }
    const QString login = cli.Administrador();
    if (login.isEmpty()) {
        return cli.Recusar(QStringLiteral("falta --user"), erros);
    }
    double limiar = clsPlanoLote::kLimiarPadrao;
    if (cli.Tem(oLimiar)) {
        bool ok = false;
        limiar = cli.Valor(oLimiar).toDouble(&ok);
        if (!ok || !(limiar >= 0 && limiar <= 100)) {  // NaN too
            return cli.Recusar(QStringLiteral("--min-score recebe um número de 0 a 100"), erros);
        }
    }
    qint32 retomar = 0;
    if (const auto fim =
            cli.LerNumero(oRetomar, QStringLiteral("número de lote inválido: "), retomar, erros)) {
        return *fim;
    }
    QList<qint32> grupo;
    if (cli.Tem(oGrupo)) {
        for (const QString& parte : cli.Valor(oGrupo).split(QLatin1Char(','))) {
            bool ok = false;
            const qint32 id = parte.trimmed().toInt(&ok);
            if (!ok || id <= 0) {
                return cli.Recusar("ID de paciente inválido em --group: " + parte, erros);
            }
            if (!grupo.contains(id)) {
                grupo << id;
            }
        }
        if (grupo.size() < 2) {
            return cli.Recusar(QStringLiteral("--group pede a base e ao menos outro cadastro"),
                               erros);
        }
    }
    const bool planejar = retomar == 0 && grupo.isEmpty();
    if ((retomar != 0) + !grupo.isEmpty() > 1 ||
        (!planejar && (cli.Tem(oLimiar) || cli.Tem(oSimular) || cli.Tem(oRelatorio)))) {
        return cli.Recusar(QStringLiteral("--resume e --group não se combinam entre si nem com "
                                          "--min-score, --dry-run ou --report"),
                           erros);
    }

    Connection cn;
    clsADO ado;
    const auto usuario = EntrarComoAdministrador(cn, ado, cli.Conexao(), login, lerSenha, erros);
    if (!usuario) {
        return SaidaFalha;
    }
    // The batch's records go into the program's own tables, made here as at the program's
    // start; a dry run writes nothing at all.
    if (!cli.Tem(oSimular) && !InicioPrograma(cn, ado).CriarTabelas()) {
        return SaidaFalha;
    }

    if (!grupo.isEmpty()) {
        const clsUnificacao::Resultado r =
            clsUnificacao(cn, ado).Executar(clsUnificacao::Pedido(grupo[0], grupo, *usuario));
        (r.unificada ? saida : erros) << r.mensagem << "\n";
        return r.unificada ? SaidaFeito : SaidaFalha;
    }

    clsExecucaoLote execucao(cn, ado, *usuario);
    if (retomar != 0) {
        if (!execucao.Retomar(retomar)) {
            erros << execucao.Mensagem() << "\n";
            return SaidaFalha;
        }
        return Rodar(execucao, saida, erros, parar);
    }

    clsPlanoLote plano(cn, ado);
    QString etapaAnterior;
    const bool planejado = plano.Planejar(
        limiar,
        [&](const QString& etapa, qint64 feito, qint64 total) {
            if (etapa != etapaAnterior) {
                erros << etapa << "...\n" << Qt::flush;
                etapaAnterior = etapa;
            }
            Q_UNUSED(feito);
            Q_UNUSED(total);
        },
        parar);
    if (!planejado) {
        erros << "O plano do lote não foi feito: " << plano.Erro() << "\n";
        return SaidaFalha;
    }
    if (cli.Tem(oRelatorio) &&
        !Gravar(cli.Valor(oRelatorio), clsPlanoLote::ParaCSV(plano.Grupos()), erros)) {
        return SaidaFalha;
    }
    saida << clsPlanoLote::TextoResumo(plano.ResumoPlano());
    if (cli.Tem(oSimular)) {
        return SaidaFeito;
    }
    if (plano.Grupos().isEmpty()) {
        saida << "Nenhum grupo a unificar.\n";
        return SaidaFeito;
    }
    if (!execucao.Criar(limiar, plano.Grupos(), plano.ResumoPlano())) {
        erros << execucao.Mensagem() << "\n";
        return SaidaFalha;
    }
    return Rodar(execucao, saida, erros, parar);
}
