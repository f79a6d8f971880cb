#include <gtest/gtest.h>

#include <QApplication>
#include <QLocale>
#include <QTemporaryDir>

#include "guisupport/JanelaTeste.h"

int main(int argc, char** argv) {
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // Each test process keeps its own diagnostics log: tests run in parallel read what they
    // logged, and a shared file is appended to and rotated by the others meanwhile.
    QTemporaryDir dados;
    if (qEnvironmentVariableIsEmpty("XDG_DATA_HOME")) {
        qputenv("XDG_DATA_HOME", dados.path().toUtf8());
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    InstalarGuardasDeJanela();
    return RUN_ALL_TESTS();
}
