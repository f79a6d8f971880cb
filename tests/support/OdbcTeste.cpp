#include "OdbcTeste.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace odbcteste {

namespace {

struct Registro {
    QTemporaryDir pasta;

    Registro() {
        const QString ini = QStringLiteral(
                                "[%1]\nDescription=SQLite3 ODBC Driver\nDriver=libsqlite3odbc.so\n"
                                "Setup=libsqlite3odbc.so\n")
                                .arg(Driver()) +
                            // The name the table linker registers its data sources under.
                            QStringLiteral(
                                "[SQL Server]\nDescription=SQLite3 ODBC Driver\n"
                                "Driver=libsqlite3odbc.so\n");
        escrever("odbcinst.ini", ini);
        escrever("odbc.ini", QString());
        qputenv("ODBCSYSINI", QFile::encodeName(pasta.path()));
        qputenv("ODBCINI", QFile::encodeName(pasta.filePath("odbc.ini")));
    }

    void escrever(const char* nome, const QString& texto) {
        QFile f(pasta.filePath(nome));
        if (!f.open(QIODevice::WriteOnly) || f.write(texto.toUtf8()) < 0)
            qFatal("cannot write %s", nome);
    }
};

Registro& registro() {
    static Registro r;
    return r;
}

}  // namespace

QString Driver() {
    return QStringLiteral("Cadunir SQLite3");
}

QString NovoBanco(const QString& nome) {
    const QString arquivo = registro().pasta.filePath(nome);
    QFile::remove(arquivo);
    return arquivo;
}

QString Conexao(const QString& arquivo) {
    registro();
    return QStringLiteral("Driver={%1};Database=%2").arg(Driver(), arquivo);
}

}  // namespace odbcteste
