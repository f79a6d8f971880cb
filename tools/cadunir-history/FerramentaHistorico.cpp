#include "FerramentaHistorico.h"

#include <QDateTime>
#include <QProcessEnvironment>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "data/base/ErroNumerado.h"
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
    "                     [--restore-changed | --keep-changed]";

const char* const kDescricao =
    "Sem --undo, lista as unificações, mais recentes primeiro, uma linha por cadastro removido,\n"
    "com os campos separados por tabulação: data, ID do administrador, administrador, ID do\n"
    "cadastro mantido, nome atual do cadastro mantido, ID do cadastro removido, nome\n"
    "registrado, prontuário, data de nascimento, exames movidos, desfeita (S/N).";

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
    const QCommandLineOption oUsuario(
        QStringLiteral("user"),
        QStringLiteral("o administrador que desfaz; a senha vem de CADUNIR_PASSWORD ou é\n"
                       "pedida no terminal"),
        QStringLiteral("LOGIN"));
    const QCommandLineOption oRestaurar(
        QStringLiteral("restore-changed"),
        QStringLiteral("dados do cadastro mantido alterados depois da unificação voltam\n"
                       "também ao valor anterior"));
    const QCommandLineOption oManter(
        QStringLiteral("keep-changed"),
        QStringLiteral("esses dados ficam como estão (os demais voltam)"));
    for (const auto& o : {oDesde, oAte, oPaciente, oDesfazer, oUsuario, oRestaurar, oManter}) {
        cli.Adicionar(o);
    }
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
    qint32 desfazer = 0;
    for (const auto& [opcao, destino] :
         {std::pair{&oPaciente, &filtro.ID_Paciente}, std::pair{&oDesfazer, &desfazer}}) {
        if (cli.Tem(*opcao)) {
            bool ok = false;
            *destino = cli.Valor(*opcao).toInt(&ok);
            if (!ok || *destino <= 0) {
                return cli.Recusar("ID de paciente inválido: " + cli.Valor(*opcao), erros);
            }
        }
    }
    const QString login = cli.Valor(oUsuario);
    if (desfazer != 0 && login.isEmpty()) {
        return cli.Recusar(QStringLiteral("--undo pede --user"), erros);
    }
    if (cli.Tem(oRestaurar) && cli.Tem(oManter)) {
        return cli.Recusar(QStringLiteral("use --restore-changed ou --keep-changed, não os dois"),
                           erros);
    }
    const auto decisao = cli.Tem(oRestaurar) ? clsUnificacaoDesfazer::Decisao::Restaurar
                         : cli.Tem(oManter)  ? clsUnificacaoDesfazer::Decisao::Manter
                                             : clsUnificacaoDesfazer::Decisao::Perguntar;
    const QString cadeia = cli.Conexao();

    Connection cn;
    clsADO ado;
    if (!ado.AbrirConexão(cn, cadeia)) {
        erros << "Ao abrir a conexão com o banco de dados, ocorreu o seguinte erro:\n"
              << ado.ErrorNumber() << " - " << ado.ErrorString() << "\n";
        return SaidaFalha;
    }

    if (desfazer == 0) {
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
                         })
                      << '\n';
            }
        }
        return SaidaFeito;
    }

    QString senha =
        QProcessEnvironment::systemEnvironment().value(QStringLiteral("CADUNIR_PASSWORD"));
    if (!QProcessEnvironment::systemEnvironment().contains(QStringLiteral("CADUNIR_PASSWORD"))) {
        senha = lerSenha ? lerSenha() : QString();
    }
    const ResultadoLogin acesso = VerificarLoginAdministrador(cn, ado, login, senha);
    if (!acesso.Aceito) {
        erros << acesso.Mensagem << "\n";
        return SaidaFalha;
    }
    // The undo records go into the program's own tables, made here as at the program's start.
    clsUnificacaoRegistro registro(cn, ado);
    if (!registro.CriarTabelas()) {
        erros << registro.Erro().ErrorNumber() << " - " << registro.Erro().ErrorString() << "\n";
        return SaidaFalha;
    }
    clsUnificacaoDesfazer desfazedor(cn, ado);
    if (!desfazedor.Desfazer(desfazer, acesso.ID_Usuario, decisao)) {
        erros << desfazedor.Mensagem() << "\n";
        for (const ConflitoValor& c : desfazedor.Conflitos()) {
            erros << "  " << c.Campo << ": antes da unificação '" << c.Anterior.toString()
                  << "', agora '" << c.Atual.toString() << "'\n";
        }
        if (!desfazedor.Conflitos().isEmpty()) {
            erros << "Use --restore-changed para restaurar também esses valores ou "
                     "--keep-changed para mantê-los.\n";
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
