#include "FerramentaSql.h"

#include <QDateTime>

#include "data/ado/clsADO.h"
#include "data/base/Diagnostico.h"
#include "data/base/ErroNumerado.h"
#include "data/base/Motor.h"
#include "settings/CelulaPlanilha.h"
#include "settings/OpcoesFerramenta.h"

namespace {

const char* const kUso =
    "Uso: cadunir-sql (--connect CADEIA | --ini ARQUIVO) [--trace] [-e SQL]...";

const char* const kDescricao =
    "Executa T-SQL num cadastro pelo mesmo caminho que o programa usa (clsADO), por exemplo\n"
    "com --connect \"Provider=SQLite;Data Source=/caminho/registro.db\" ou a cadeia OLE DB ou\n"
    "ODBC de um SQL Server.\n"
    "\n"
    "Lotes são separados por linhas que contêm apenas GO. Cada comando de um lote imprime o\n"
    "seu resultado, na ordem: um SELECT, uma linha de cabeçalho e as linhas separadas por\n"
    "tabulação (NULL como NULL, datas como yyyy-mm-dd hh:mm:ss); INSERT, UPDATE e DELETE,\n"
    "(N rows affected). Numa falha imprime o que rodou antes dela e, na saída de erros, a\n"
    "mensagem do SQL Server como o console dele a mostra (\"Msg 8134, Level 16, State 1,\n"
    "Line 1\" e o texto na linha seguinte; o cadastro embutido dá o número e o texto que o\n"
    "SQL Server daria), ou \"número - texto\" numa falha que não é de um comando, e termina\n"
    "com código 1; o que rodou fica feito, como no SQL Server.";

// One value as the console shows it; LinhaTSV makes it safe for a spreadsheet.
QString Celula(const QVariant& v) {
    if (v.isNull()) {
        return QStringLiteral("NULL");
    }
    switch (v.typeId()) {
        case QMetaType::QDateTime:
            return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        case QMetaType::Bool:
            return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
        case QMetaType::Double:
            return QString::number(v.toDouble(), 'g', 15);
        default:
            return v.toString();
    }
}

}  // namespace

QStringList SepararLotes(const QString& script) {
    QStringList lotes;
    QString atual;
    for (const QString& linha : script.split(QLatin1Char('\n'))) {
        if (linha.trimmed().compare(QLatin1String("GO"), Qt::CaseInsensitive) == 0) {
            if (!atual.trimmed().isEmpty()) {
                lotes << atual;
            }
            atual.clear();
        } else {
            atual += linha + QLatin1Char('\n');
        }
    }
    if (!atual.trimmed().isEmpty()) {
        lotes << atual;
    }
    return lotes;
}

int ExecutarFerramentaSql(const QStringList& argumentos, QTextStream& entrada, QTextStream& saida,
                          QTextStream& erros) {
    OpcoesFerramenta cli(QStringLiteral("cadunir-sql"), kUso, kDescricao, true);
    const QCommandLineOption oComando(
        QStringLiteral("e"),
        QStringLiteral("executa SQL (pode repetir); sem -e, lê a entrada padrão"),
        QStringLiteral("SQL"));
    const QCommandLineOption oRastrear(
        QStringLiteral("trace"), QStringLiteral("mostra cada comando enviado (na saída de erros)"));
    cli.Adicionar(oComando);
    cli.Adicionar(oRastrear);
    if (const auto fim = cli.Ler(argumentos, saida, erros)) {
        return *fim;
    }
    const QString cadeia = cli.Conexao();
    const QStringList comandos = cli.Valores(oComando);
    const bool rastrear = cli.Tem(oRastrear);
    QStringList lotes;
    if (comandos.isEmpty()) {
        lotes = SepararLotes(entrada.readAll());
    } else {
        for (const QString& c : comandos) {
            lotes << SepararLotes(c);
        }
    }

    clsADO ado;
    Connection conexao;
    // A statement's failure as SQL Server's console prints it; the others (a connection that
    // did not open, a disk that failed) with the program's number and short text.
    const auto falha = [&]() {
        if (const auto& m = ado.MensagemDoServidor()) {
            erros << "Msg " << m->numero << ", Level " << m->nivel << ", State " << m->estado
                  << ", Line " << m->linha << "\n"
                  << dados::MascararSenhas(m->texto) << "\n";
        } else {
            erros << ado.ErrorNumber() << " - " << dados::MascararSenhas(ado.ErrorString()) << "\n";
        }
        erros.flush();
        return SaidaFalha;
    };
    if (!ado.AbrirConexão(conexao, cadeia)) {
        return falha();
    }
    if (rastrear) {
        conexao.AdicionarObservador([&erros](const Connection::Evento& e) {
            if (e.tipo == Connection::Evento::Execucao || e.tipo == Connection::Evento::Consulta) {
                erros << "-- " << dados::MascararSenhas(e.texto.trimmed()) << "\n";
                erros.flush();
            }
        });
    }
    for (const QString& lote : lotes) {
        QVector<dados::ResultadoComando> resultados;
        const bool ok = ado.ExecutarLote(conexao, lote, resultados);
        for (const dados::ResultadoComando& r : resultados) {
            if (!r.temLinhas) {
                saida << "(" << r.afetadas << " rows affected)\n";
                continue;
            }
            QStringList cabecalho;
            for (const auto& c : r.dados.colunas) {
                cabecalho << c.nome;
            }
            saida << LinhaTSV(cabecalho) << "\n";
            for (const auto& linha : r.dados.linhas) {
                QStringList celulas;
                for (const QVariant& v : linha) {
                    celulas << Celula(v);
                }
                saida << LinhaTSV(celulas) << "\n";
            }
        }
        saida.flush();
        if (!ok) {
            return falha();
        }
    }
    ado.FecharConexão(conexao);
    return SaidaFeito;
}
