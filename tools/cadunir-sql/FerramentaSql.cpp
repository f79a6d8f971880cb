#include "FerramentaSql.h"

#include <QDateTime>
#include <QRegularExpression>

#include "data/ado/clsADO.h"
#include "data/base/Diagnostico.h"
#include "data/base/ErroNumerado.h"
#include "settings/clsINI.h"

namespace {

const char* const kAjuda =
    "Uso: cadunir-sql (--connect CADEIA | --ini ARQUIVO) [--trace] [-e SQL]...\n"
    "\n"
    "Executa T-SQL num cadastro pelo mesmo caminho que o programa usa (clsADO).\n"
    "\n"
    "  --connect CADEIA  cadeia de conexão, por exemplo\n"
    "                    \"Provider=SQLite;Data Source=/caminho/registro.db\"\n"
    "                    ou a cadeia OLE DB/ODBC de um SQL Server\n"
    "  --ini ARQUIVO     lê a cadeia da chave CONN_SERVER da seção Tessivar\n"
    "  -e SQL            executa SQL (pode repetir); sem -e, lê a entrada padrão\n"
    "  --trace           mostra cada comando enviado (na saída de erros)\n"
    "  --help            mostra esta ajuda\n"
    "\n"
    "Lotes são separados por linhas que contêm apenas GO. Um SELECT imprime uma linha de\n"
    "cabeçalho e as linhas do resultado separadas por tabulação (NULL como NULL, datas como\n"
    "yyyy-mm-dd hh:mm:ss); outro comando imprime (N rows affected). Numa falha imprime\n"
    "\"número - texto\" na saída de erros e termina com código 1.\n";

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
        default: {
            // A tab or line break inside a value would break the table's shape.
            QString t = v.toString();
            t.replace(QLatin1Char('\t'), QLatin1Char(' '))
                .replace(QLatin1Char('\n'), QLatin1Char(' '));
            return t;
        }
    }
}

// A batch that starts (after comments) with SELECT gives rows; anything else is a command.
bool DevolveLinhas(const QString& lote) {
    static const QRegularExpression inicio(
        QStringLiteral(R"re(^(?:\s+|--[^\n]*\n|/\*.*?\*/)*\(?\s*SELECT\b)re"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    return inicio.match(lote).hasMatch();
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
    QString cadeia;
    QStringList comandos;
    bool rastrear = false;
    for (int i = 0; i < argumentos.size(); ++i) {
        const QString& a = argumentos[i];
        const bool temValor = i + 1 < argumentos.size();
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            saida << kAjuda;
            return 0;
        } else if (a == QLatin1String("--trace")) {
            rastrear = true;
        } else if (a == QLatin1String("--connect") && temValor) {
            cadeia = argumentos[++i];
        } else if (a == QLatin1String("--ini") && temValor) {
            QString motivo;
            if (!LerConexaoTessivar(argumentos[++i], cadeia, motivo)) {
                erros << motivo << "\n";
                return 1;
            }
        } else if (a == QLatin1String("-e") && temValor) {
            comandos << argumentos[++i];
        } else {
            erros << "argumento inválido: " << a << "\n\n" << kAjuda;
            return 2;
        }
    }
    if (cadeia.isEmpty()) {
        erros << "falta --connect ou --ini\n\n" << kAjuda;
        return 2;
    }
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
    const auto falha = [&]() {
        erros << ado.ErrorNumber() << " - " << dados::MascararSenhas(ado.ErrorString()) << "\n";
        erros.flush();
        return 1;
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
        if (DevolveLinhas(lote)) {
            Recordset rs;
            if (!ado.AbrirRecordset(conexao, rs, lote)) {
                return falha();
            }
            const dados::ResultData& dados = rs.Dados();
            QStringList cabecalho;
            for (const auto& c : dados.columns) {
                cabecalho << c.name;
            }
            saida << cabecalho.join(QLatin1Char('\t')) << "\n";
            for (const auto& linha : dados.rows) {
                QStringList celulas;
                for (const QVariant& v : linha) {
                    celulas << Celula(v);
                }
                saida << celulas.join(QLatin1Char('\t')) << "\n";
            }
        } else {
            qint32 afetados = 0;
            if (!ado.ExecutarSQL(conexao, lote, afetados)) {
                return falha();
            }
            saida << "(" << afetados << " rows affected)\n";
        }
        saida.flush();
    }
    ado.FecharConexão(conexao);
    return 0;
}
