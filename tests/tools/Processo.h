#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>

// Runs one of the command-line tools (built beside the tests) as a real process and waits for
// it; `ambiente` adds to or replaces variables of the test's own environment.
struct Processo {
    int codigo = -1;  // -1 when it crashed or did not finish
    QByteArray saida;
    QByteArray erros;
};

inline Processo RodarFerramenta(const QString& programa, const QStringList& argumentos,
                                const QByteArray& entrada = QByteArray(),
                                const QList<QPair<QString, QString>>& ambiente = {}) {
    QProcessEnvironment amb = QProcessEnvironment::systemEnvironment();
    for (const auto& [nome, valor] : ambiente) {
        amb.insert(nome, valor);
    }
    QProcess p;
    p.setProcessEnvironment(amb);
    p.start(QStringLiteral(CADUNIR_BIN_DIR "/") + programa, argumentos);
    Processo r;
    if (!p.waitForStarted()) {
        return r;
    }
    p.write(entrada);
    p.closeWriteChannel();
    const bool terminou = p.waitForFinished(300000);
    r.codigo = terminou && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.saida = p.readAllStandardOutput();
    r.erros = p.readAllStandardError();
    return r;
}
