#include "FerramentaHistorico.h"

#include <QDateTime>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "data/base/ErroNumerado.h"
#include "history/clsLoteDesfazer.h"
#include "history/clsUnificacaoDesfazer.h"
#include "history/clsUnificacaoHistorico.h"
#include "merge/clsUnificacaoRegistro.h"
#include "settings/CelulaPlanilha.h"
#include "settings/OpcoesFerramenta.h"
#include "users/LoginAdministrador.h"

namespace {

const char* const kUso =
    "Uso: cadunir-history (--ini ARQUIVO | --connect CADEIA) [--since DATA] [--until DATA]\n"
    "                     [--patient ID]\n"
    "     cadunir-history (--ini ARQUIVO | --connect CADEIA) --undo ID --user LOGIN\n"
    "                     [--restore-changed | --keep-changed]\n"
    "     cadunir-history (--ini ARQUIVO | --connect CADEIA) --undo-batch N --user LOGIN\n"
    "                     [--restore-changed | --keep-changed]";

const char* const kDescricao =
    "Sem --undo nem --undo-batch, lista as unificações, mais recentes primeiro, uma linha por\n"
    "cadastro removido, com os campos separados por tabulação: data, ID do administrador,\n"
    "administrador, ID do cadastro mantido, nome atual do cadastro mantido, ID do cadastro\n"
    "removido, nome registrado, prontuário, data de nascimento, exames movidos, desfeita\n"
    "(S/N), lote, sinais de pessoas diferentes confirmados e o motivo.";

QDateTime LerData(const QString& texto, bool fimDoDia) {
    for (const char* formato : {"yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd HH:mm"}) {
        const QDateTime d = QDateTime::fromString(texto, QString::fromLatin1(formato));
        if (d.isValid()) {
            return d;
        }
    }
    const QDate dia = QDate::fromString(texto, QStringLiteral("yyyy-MM-dd"));
    if (!dia.isValid()) {
        return {};
    }
    return fimDoDia ? QDateTime(dia, QTime(23, 59, 59)) : QDateTime(dia, QTime(0, 0));
}

void MostrarConflitos(const QList<ConflitoValor>& conflitos, QTextStream& erros) {
    for (const ConflitoValor& c : conflitos) {
        erros << "  " << c.Campo << ": antes da unificação '" << c.Anterior.toString()
              << "', agora '" << c.Atual.toString() << "'\n";
    }
}

const char* const kDecidir =
    "Use --restore-changed para restaurar também esses valores ou --keep-changed para "
    "mantê-los.\n";

int DesfazerLote(Connection& cn, clsADO& ado, qint32 lote, qint32 usuario,
                 clsUnificacaoDesfazer::Decisao decisao, QTextStream& saida, QTextStream& erros) {
    clsLoteDesfazer desfazer(cn, ado);
    const bool ok = desfazer.Desfazer(lote, usuario, decisao, [&](const auto& a) {
        if (a.feitos % std::max(1, a.total / 100) == 0 || a.feitos == a.total) {
            erros << "lote " << lote << ": " << a.feitos << "/" << a.total << " unificações\n"
                  << Qt::flush;
        }
    });
    if (!ok) {
        erros << desfazer.Mensagem() << "\n";
        return SaidaFalha;
    }
    const auto& a = desfazer.Situacao();
    saida << "Lote " << lote << ": " << a.desfeitas << " de " << a.total
          << " unificações desfeitas.\n";
    bool conflitos = false;
    for (const auto& r : desfazer.Recusas()) {
        erros << "Unificação em " << r.novo << " não desfeita: " << r.mensagem << "\n";
        MostrarConflitos(r.conflitos, erros);
        conflitos = conflitos || !r.conflitos.isEmpty();
    }
    if (conflitos) {
        erros << kDecidir;
    }
    return desfazer.Concluido() ? SaidaFeito : SaidaFalha;
}

}  // namespace

int ExecutarFerramentaHistorico(const QStringList& argumentos, QTextStream& saida,
                                QTextStream& erros, const std::function<QString()>& lerSenha) {
    OpcoesFerramenta cli(QStringLiteral("cadunir-history"), kUso, kDescricao, true);
    const QCommandLineOption oDesde(QStringLiteral("since"),
                                    QStringLiteral("desde (aaaa-mm-dd ou aaaa-mm-dd hh:mm[:ss])"),
                                    QStringLiteral("DATA"));
    const QCommandLineOption oAte(
        QStringLiteral("until"),
        QStringLiteral("até (inclusive; uma data sem hora vale o dia inteiro)"),
        QStringLiteral("DATA"));
    const QCommandLineOption oPaciente(
        QStringLiteral("patient"),
        QStringLiteral("só as unificações em que o paciente ID foi mantido ou removido"),
        QStringLiteral("ID"));
    const QCommandLineOption oDesfazer(
        QStringLiteral("undo"), QStringLiteral("desfaz a unificação que removeu o paciente ID"),
        QStringLiteral("ID"));
    const QCommandLineOption oDesfazerLote(
        QStringLiteral("undo-batch"),
        QStringLiteral("desfaz o lote N inteiro, a unificação mais recente primeiro; rodado de\n"
                       "novo, termina um desfazer interrompido"),
        QStringLiteral("N"));
    const QCommandLineOption oRestaurar(
        QStringLiteral("restore-changed"),
        QStringLiteral("dados do cadastro mantido alterados depois da unificação voltam\n"
                       "também ao valor anterior"));
    const QCommandLineOption oManter(
        QStringLiteral("keep-changed"),
        QStringLiteral("esses dados ficam como estão (os demais voltam)"));
    for (const auto& o : {oDesde, oAte, oPaciente, oDesfazer, oDesfazerLote}) {
        cli.Adicionar(o);
    }
    cli.AdicionarAdministrador(QStringLiteral("o administrador que desfaz"));
    cli.Adicionar(oRestaurar);
    cli.Adicionar(oManter);
    if (const auto fim = cli.Ler(argumentos, saida, erros)) {
        return *fim;
    }
    FiltroHistorico filtro;
    for (const auto& [opcao, destino] :
         {std::pair{&oDesde, &filtro.Desde}, std::pair{&oAte, &filtro.Ate}}) {
        if (cli.Tem(*opcao)) {
            *destino = LerData(cli.Valor(*opcao), opcao == &oAte);
            if (!destino->isValid()) {
                return cli.Recusar("data inválida: " + cli.Valor(*opcao), erros);
            }
        }
    }
    qint32 desfazer = 0, lote = 0;
    for (const auto& [opcao, destino] :
         {std::pair{&oPaciente, &filtro.ID_Paciente}, std::pair{&oDesfazer, &desfazer},
          std::pair{&oDesfazerLote, &lote}}) {
        if (const auto fim =
                cli.LerNumero(*opcao,
                              opcao == &oDesfazerLote ? QStringLiteral("número de lote inválido: ")
                                                      : QStringLiteral("ID de paciente inválido: "),
                              *destino, erros)) {
            return *fim;
        }
    }
    const QString login = cli.Administrador();
    if (desfazer != 0 && lote != 0) {
        return cli.Recusar(QStringLiteral("use --undo ou --undo-batch, não os dois"), erros);
    }
    if (desfazer != 0 && login.isEmpty()) {
        return cli.Recusar(QStringLiteral("--undo pede --user"), erros);
    }
    if (lote != 0 && login.isEmpty()) {
        return cli.Recusar(QStringLiteral("--undo-batch pede --user"), erros);
    }
    if (cli.Tem(oRestaurar) && cli.Tem(oManter)) {
        return cli.Recusar(QStringLiteral("use --restore-changed ou --keep-changed, não os dois"),
                           erros);
    }
    const auto decisao = cli.Tem(oRestaurar) ? clsUnificacaoDesfazer::Decisao::Restaurar
                         : cli.Tem(oManter)  ? clsUnificacaoDesfazer::Decisao::Manter
                                             : clsUnificacaoDesfazer::Decisao::Perguntar;

    Connection cn;
    clsADO ado;
    if (desfazer == 0 && lote == 0) {
        if (!AbrirCadastroDaFerramenta(cn, ado, cli.Conexao(), erros)) {
            return SaidaFalha;
        }
        clsUnificacaoHistorico historico(cn, ado);
        QList<UnificacaoComando> comandos;
        if (!historico.Consultar(filtro, comandos)) {
            erros << "Ao ler o histórico, ocorreu o seguinte erro:\n"
                  << historico.Erro().ErrorNumber() << " - " << historico.Erro().ErrorString()
                  << "\n";
            return SaidaFalha;
        }
        for (const UnificacaoComando& c : comandos) {
            for (const UnificacaoRemovido& r : c.Removidos) {
                const QDateTime nascimento = r.Data_Nascimento.toDateTime();
                saida << LinhaTSV({
                             c.Data.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                             QString::number(c.ID_Usuario),
                             c.NomeAdministrador,
                             QString::number(c.ID_PacienteNovo),
                             c.NomeSobrevivente,
                             QString::number(r.ID_Paciente),
                             r.Nome,
                             r.Prontuario,
                             nascimento.isValid()
                                 ? nascimento.date().toString(QStringLiteral("yyyy-MM-dd"))
                                 : QString(),
                             QString::number(r.Exames),
                             r.Desfeito ? QStringLiteral("S") : QStringLiteral("N"),
                             c.Lote != 0 ? QString::number(c.Lote) : QString(),
                             c.Sinais.join(QStringLiteral(" | ")),
                             c.MotivoSinais,
                         })
                      << '\n';
            }
        }
        return SaidaFeito;
    }

    const auto usuario = EntrarComoAdministrador(cn, ado, cli.Conexao(), login, lerSenha, erros);
    if (!usuario) {
        return SaidaFalha;
    }
    // The undo records go into the program's own tables, made here as at the program's start.
    clsUnificacaoRegistro registro(cn, ado);
    if (!registro.CriarTabelas()) {
        erros << registro.Erro().ErrorNumber() << " - " << registro.Erro().ErrorString() << "\n";
        return SaidaFalha;
    }
    if (lote != 0) {
        return DesfazerLote(cn, ado, lote, *usuario, decisao, saida, erros);
    }
    clsUnificacaoDesfazer desfazedor(cn, ado);
    if (!desfazedor.Desfazer(desfazer, *usuario, decisao)) {
        erros << desfazedor.Mensagem() << "\n";
        MostrarConflitos(desfazedor.Conflitos(), erros);
        if (!desfazedor.Conflitos().isEmpty()) {
            erros << kDecidir;
        }
        return SaidaFalha;
    }
    saida << "Paciente " << desfazer << " restaurado com " << desfazedor.ExamesDevolvidos()
          << " exame(s).\n";
    if (!desfazedor.ValoresRestaurados().isEmpty()) {
        saida << "Valores restaurados no cadastro mantido: "
              << desfazedor.ValoresRestaurados().join(QStringLiteral(", ")) << "\n";
    }
    return SaidaFeito;
}
