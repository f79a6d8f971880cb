#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <optional>

// What the command-line tools share, so that one mistake gets one answer from all of them:
// one option parser (QCommandLineParser) with --help, the register's connection string read
// one way (--connect CADEIA or --ini ARQUIVO, never both), and one set of exit codes, which
// every tool's help ends by listing.
enum CodigoSaida : int {
    SaidaFeito = 0,
    SaidaFalha = 1,  // the register, a file or a check refused; the reason is on stderr
    SaidaUso = 2,    // the command line is wrong: unknown option, missing or bad value
};

class OpcoesFerramenta {
  public:
    // uso: the usage lines ("Uso: programa ..."); descricao: what the tool does, shown
    // between them and the options. comConexao: the tool works on a register and needs
    // --connect or --ini.
    OpcoesFerramenta(QString programa, QString uso, QString descricao, bool comConexao);

    void Adicionar(const QCommandLineOption& opcao);
    // --user LOGIN, the administrator the tool acts as (papel: what for, as the help says it);
    // the password comes from CADUNIR_PASSWORD or the terminal.
    void AdicionarAdministrador(const QString& papel);

    // Reads the arguments (the program's name not among them). Answers nothing when the tool
    // goes on, or the exit code to end with at once: SaidaFeito after printing the help,
    // SaidaUso for a wrong command line, SaidaFalha when the INI cannot give a connection.
    std::optional<int> Ler(const QStringList& argumentos, QTextStream& saida, QTextStream& erros);

    bool Tem(const QCommandLineOption& opcao) const { return m_parser.isSet(opcao); }
    QString Valor(const QCommandLineOption& opcao) const { return m_parser.value(opcao); }
    QStringList Valores(const QCommandLineOption& opcao) const { return m_parser.values(opcao); }
    // The login of --user (empty when not given).
    QString Administrador() const;
    // The whole number above zero that `opcao` holds, into destino (left as it is when the
    // option is not given); a bad value answers Recusar(motivo + the value).
    std::optional<int> LerNumero(const QCommandLineOption& opcao, const QString& motivo,
                                 qint32& destino, QTextStream& erros) const;
    // The connection string, from --connect or from the INI of --ini.
    const QString& Conexao() const { return m_conexao; }

    // A value the tool itself finds wrong: "programa: motivo", the usage lines, SaidaUso.
    int Recusar(const QString& motivo, QTextStream& erros) const;
    QString Ajuda() const;

  private:
    QString m_programa;
    QString m_uso;
    QString m_descricao;
    bool m_comConexao;
    QCommandLineOption m_ajuda;
    QCommandLineParser m_parser;
    QList<QCommandLineOption> m_opcoes;  // in the help's order
    QString m_conexao;
};
