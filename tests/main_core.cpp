#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLocale>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    // The program runs in pt-BR whatever the machine's locale; tests see what users see.
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    // Each test process keeps its own diagnostics log: tests run in parallel read what they
    // logged, and a shared file is appended to and rotated by the others meanwhile.
    QTemporaryDir dados;
    if (qEnvironmentVariableIsEmpty("XDG_DATA_HOME")) {
        qputenv("XDG_DATA_HOME", dados.path().toUtf8());
    }
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
