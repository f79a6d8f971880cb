#include "settings/OpcoesFerramenta.h"

#include <algorithm>

#include "settings/clsINI.h"

namespace {

QString Grafia(const QString& nome) {
    return (nome.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + nome;
}

QString Nomes(const QCommandLineOption& opcao) {
    QStringList nomes;
    for (const QString& n : opcao.names()) {
        nomes << Grafia(n);
    }
    QString texto = nomes.join(QStringLiteral(", "));
    if (!opcao.valueName().isEmpty()) {
        texto += ' ' + opcao.valueName();
    }
    return texto;
}

// What is wrong with arguments the parser refused, named as they were typed (Qt would split
// an unknown "-abc" into three letters and word its messages in English).
QString Problema(const QStringList& argumentos, const QList<QCommandLineOption>& opcoes) {
    bool valorPendente = false;
    for (const QString& a : argumentos) {
        if (valorPendente) {
            valorPendente = false;  // the value, whatever it looks like
            continue;
        }
        if (a == QLatin1String("--")) {
            break;
        }
        if (!a.startsWith('-') || a.size() == 1) {
            continue;
        }
        const bool longa = a.startsWith(QLatin1String("--"));
        const bool comValor = a.contains('=');
        const QString nome = a.section('=', 0, 0).mid(longa ? 2 : 1);
        const auto o = std::find_if(opcoes.begin(), opcoes.end(), [&](const auto& op) {
            return op.names().contains(nome) && longa == (nome.size() > 1);
        });
        if (o == opcoes.end()) {
            return QStringLiteral("opção desconhecida: ") + a;
        }
        if (o->valueName().isEmpty() && comValor) {
            return a.section('=', 0, 0) + QStringLiteral(" não recebe valor");
        }
        valorPendente = !o->valueName().isEmpty() && !comValor;
    }
    return argumentos.value(argumentos.size() - 1) + QStringLiteral(" precisa de um valor");
}

}  // namespace

OpcoesFerramenta::OpcoesFerramenta(QString programa, QString uso, QString descricao,
                                   bool comConexao)
    : m_programa(std::move(programa)),
      m_uso(std::move(uso)),
      m_descricao(std::move(descricao)),
      m_comConexao(comConexao),
      m_ajuda({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("mostra esta ajuda")) {
    m_parser.addOption(m_ajuda);
    if (m_comConexao) {
        Adicionar(QCommandLineOption(QStringLiteral("connect"),
                                     QStringLiteral("a cadeia de conexão do cadastro, como em "
                                                    "CONN_SERVER de Tessivar.INI"),
                                     QStringLiteral("CADEIA")));
        Adicionar(
            QCommandLineOption(QStringLiteral("ini"),
                               QStringLiteral("lê a cadeia da chave CONN_SERVER da seção Tessivar"),
                               QStringLiteral("ARQUIVO")));
    }
}

void OpcoesFerramenta::Adicionar(const QCommandLineOption& opcao) {
    m_parser.addOption(opcao);
    m_opcoes << opcao;
}

void OpcoesFerramenta::AdicionarAdministrador(const QString& papel) {
    Adicionar(QCommandLineOption(QStringLiteral("user"),
                                 papel + QStringLiteral("; a senha vem de CADUNIR_PASSWORD ou é\n"
                                                        "pedida no terminal"),
                                 QStringLiteral("LOGIN")));
}

QString OpcoesFerramenta::Administrador() const {
    return m_parser.value(QStringLiteral("user"));
}

std::optional<int> OpcoesFerramenta::LerNumero(const QCommandLineOption& opcao,
                                               const QString& motivo, qint32& destino,
                                               QTextStream& erros) const {
    if (!Tem(opcao)) {
        return std::nullopt;
    }
    bool ok = false;
    const qint32 n = Valor(opcao).toInt(&ok);
    if (!ok || n <= 0) {
        return Recusar(motivo + Valor(opcao), erros);
    }
    destino = n;
    return std::nullopt;
}

QString OpcoesFerramenta::Ajuda() const {
    const QList<QCommandLineOption> opcoes = m_opcoes + QList{m_ajuda};
    qsizetype largura = 0;
    for (const auto& o : opcoes) {
        largura = std::max(largura, Nomes(o).size());
    }
    QString texto = m_uso + QStringLiteral("\n\n");
    if (!m_descricao.isEmpty()) {
        texto += m_descricao + QStringLiteral("\n\n");
    }
    for (const auto& o : opcoes) {
        const QStringList linhas = o.description().split('\n');
        texto += QStringLiteral("  ") + Nomes(o).leftJustified(largura + 2) + linhas[0] + '\n';
        for (const QString& l : linhas.mid(1)) {
            texto += QString(largura + 4, ' ') + l + '\n';
        }
    }
    return texto +
           QStringLiteral(
               "\nCódigos de saída:\n"
               "  0  feito\n"
               "  1  falhou ou foi recusado (o cadastro, um arquivo, uma verificação): o motivo\n"
               "     vai para a saída de erros\n"
               "  2  linha de comando errada: opção desconhecida, valor faltando ou inválido\n");
}

int OpcoesFerramenta::Recusar(const QString& motivo, QTextStream& erros) const {
    erros << m_programa << ": " << motivo << "\n\n"
          << m_uso << "\n(--help mostra todas as opções)\n";
    erros.flush();
    return SaidaUso;
}

std::optional<int> OpcoesFerramenta::Ler(const QStringList& argumentos, QTextStream& saida,
                                         QTextStream& erros) {
    if (!m_parser.parse(QStringList{m_programa} + argumentos)) {
        return Recusar(Problema(argumentos, m_opcoes + QList{m_ajuda}), erros);
    }
    if (m_parser.isSet(m_ajuda)) {
        saida << Ajuda();
        saida.flush();
        return SaidaFeito;
    }
    if (!m_parser.positionalArguments().isEmpty()) {
        return Recusar(QStringLiteral("argumento inválido: ") + m_parser.positionalArguments()[0],
                       erros);
    }
    if (!m_comConexao) {
        return std::nullopt;
    }
    const bool conectar = m_parser.isSet(QStringLiteral("connect"));
    const bool ini = m_parser.isSet(QStringLiteral("ini"));
    if (conectar && ini) {
        return Recusar(QStringLiteral("use --connect ou --ini, não os dois"), erros);
    }
    if (ini) {
        QString motivo;
        if (!LerConexaoTessivar(m_parser.value(QStringLiteral("ini")), m_conexao, motivo)) {
            erros << m_programa << ": " << motivo << "\n";
            erros.flush();
            return SaidaFalha;
        }
    } else {
        m_conexao = m_parser.value(QStringLiteral("connect"));
    }
    if (m_conexao.isEmpty()) {
        return Recusar(QStringLiteral("falta --connect ou --ini"), erros);
    }
    return std::nullopt;
}
