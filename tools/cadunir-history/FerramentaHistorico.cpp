#include "FerramentaHistorico.h"

#include <QDateTime>
#include <QProcessEnvironment>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "data/base/ErroNumerado.h"
#include "history/clsUnificacaoDesfazer.h"
#include "history/clsUnificacaoHistorico.h"
#include "merge/clsUnificacaoRegistro.h"
#include "settings/clsINI.h"
#include "users/LoginAdministrador.h"

namespace {

const char* const kAjuda =
    "Uso: cadunir-history (--ini ARQUIVO | --connect CADEIA) [--since DATA] [--until DATA]\n"
    "                     [--patient ID]\n"
    "     cadunir-history (--ini ARQUIVO | --connect CADEIA) --undo ID --user LOGIN\n"
    "                     [--restore-changed | --keep-changed]\n"
    "\n"
    "Sem --undo, lista as unificações, mais recentes primeiro, uma linha por cadastro removido,\n"
    "com os campos separados por tabulação: data, ID do administrador, administrador, ID do\n"
    "cadastro mantido, nome atual do cadastro mantido, ID do cadastro removido, nome\n"
    "registrado, prontuário, data de nascimento, exames movidos, desfeita (S/N).\n"
    "  --ini ARQUIVO      lê a cadeia de conexão da chave CONN_SERVER da seção Tessivar\n"
    "  --connect CADEIA   a cadeia de conexão\n"
    "  --since DATA       desde (aaaa-mm-dd ou aaaa-mm-dd hh:mm[:ss])\n"
    "  --until DATA       até (inclusive; uma data sem hora vale o dia inteiro)\n"
    "  --patient ID       só as unificações em que o paciente ID foi mantido ou removido\n"
    "  --undo ID          desfaz a unificação que removeu o paciente ID\n"
    "  --user LOGIN       o administrador que desfaz; a senha vem de CADUNIR_PASSWORD ou é\n"
    "                     pedida no terminal\n"
    "  --restore-changed  dados do cadastro mantido alterados depois da unificação voltam\n"
    "                     também ao valor anterior\n"
    "  --keep-changed     esses dados ficam como estão (os demais voltam)\n";

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

QString Limpo(QString texto) {
    // A tab or line break inside a value would split the line.
    texto.replace('\t', ' ').replace('\n', ' ').replace('\r', ' ');
    return texto;
}

}  // namespace

int ExecutarFerramentaHistorico(const QStringList& argumentos, QTextStream& saida,
                                QTextStream& erros, const std::function<QString()>& lerSenha) {
    QString cadeia;
    FiltroHistorico filtro;
    qint32 desfazer = 0;
    QString login;
    auto decisao = clsUnificacaoDesfazer::Decisao::Perguntar;
    auto uso = [&](const QString& problema) {
        erros << problema << "\n\n" << kAjuda;
        return 2;
    };
    for (int i = 0; i < argumentos.size(); ++i) {
        const QString& a = argumentos[i];
        const bool temValor = i + 1 < argumentos.size();
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            saida << kAjuda;
            return 0;
        } else if (a == QLatin1String("--connect") && temValor) {
            cadeia = argumentos[++i];
        } else if (a == QLatin1String("--ini") && temValor) {
            QString motivo;
            if (!LerConexaoTessivar(argumentos[++i], cadeia, motivo)) {
                erros << motivo << "\n";
                return 1;
            }
        } else if ((a == QLatin1String("--since") || a == QLatin1String("--until")) && temValor) {
            const QDateTime d = LerData(argumentos[++i], a == QLatin1String("--until"));
            if (!d.isValid()) {
                return uso("data inválida: " + argumentos[i]);
            }
            (a == QLatin1String("--since") ? filtro.Desde : filtro.Ate) = d;
        } else if ((a == QLatin1String("--patient") || a == QLatin1String("--undo")) && temValor) {
            bool ok = false;
            const qint32 id = argumentos[++i].toInt(&ok);
            if (!ok || id <= 0) {
                return uso("ID de paciente inválido: " + argumentos[i]);
            }
            (a == QLatin1String("--patient") ? filtro.ID_Paciente : desfazer) = id;
        } else if (a == QLatin1String("--user") && temValor) {
            login = argumentos[++i];
        } else if (a == QLatin1String("--restore-changed")) {
            decisao = clsUnificacaoDesfazer::Decisao::Restaurar;
        } else if (a == QLatin1String("--keep-changed")) {
            decisao = clsUnificacaoDesfazer::Decisao::Manter;
        } else {
            return uso("argumento inválido: " + a);
        }
    }
    if (cadeia.isEmpty()) {
        return uso(QStringLiteral("falta --connect ou --ini"));
    }
    if (desfazer != 0 && login.isEmpty()) {
        return uso(QStringLiteral("--undo pede --user"));
    }

    Connection cn;
    clsADO ado;
    if (!ado.AbrirConexão(cn, cadeia)) {
        erros << "Ao abrir a conexão com o banco de dados, ocorreu o seguinte erro:\n"
              << ado.ErrorNumber() << " - " << ado.ErrorString() << "\n";
        return 1;
    }

    if (desfazer == 0) {
        clsUnificacaoHistorico historico(cn, ado);
        QList<UnificacaoComando> comandos;
        if (!historico.Consultar(filtro, comandos)) {
            erros << "Ao ler o histórico, ocorreu o seguinte erro:\n"
                  << historico.Erro().ErrorNumber() << " - " << historico.Erro().ErrorString()
                  << "\n";
            return 1;
        }
        for (const UnificacaoComando& c : comandos) {
            for (const UnificacaoRemovido& r : c.Removidos) {
                const QDateTime nascimento = r.Data_Nascimento.toDateTime();
                saida << c.Data.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) << '\t'
                      << c.ID_Usuario << '\t' << Limpo(c.NomeAdministrador) << '\t'
                      << c.ID_PacienteNovo << '\t' << Limpo(c.NomeSobrevivente) << '\t'
                      << r.ID_Paciente << '\t' << Limpo(r.Nome) << '\t' << Limpo(r.Prontuario)
                      << '\t'
                      << (nascimento.isValid()
                              ? nascimento.date().toString(QStringLiteral("yyyy-MM-dd"))
                              : QString())
                      << '\t' << r.Exames << '\t' << (r.Desfeito ? 'S' : 'N') << '\n';
            }
        }
        return 0;
    }

    QString senha =
        QProcessEnvironment::systemEnvironment().value(QStringLiteral("CADUNIR_PASSWORD"));
    if (!QProcessEnvironment::systemEnvironment().contains(QStringLiteral("CADUNIR_PASSWORD"))) {
        senha = lerSenha ? lerSenha() : QString();
    }
    const ResultadoLogin acesso = VerificarLoginAdministrador(cn, ado, login, senha);
    if (!acesso.Aceito) {
        erros << acesso.Mensagem << "\n";
        return 1;
    }
    // The undo records go into the program's own tables, made here as at the program's start.
    clsUnificacaoRegistro registro(cn, ado);
    if (!registro.CriarTabelas()) {
        erros << registro.Erro().ErrorNumber() << " - " << registro.Erro().ErrorString() << "\n";
        return 1;
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
        return 1;
    }
    saida << "Paciente " << desfazer << " restaurado com " << desfazedor.ExamesDevolvidos()
          << " exame(s).\n";
    if (!desfazedor.ValoresRestaurados().isEmpty()) {
        saida << "Valores restaurados no cadastro mantido: "
              << desfazedor.ValoresRestaurados().join(QStringLiteral(", ")) << "\n";
    }
    return 0;
}
