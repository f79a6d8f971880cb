// The administrator's guide: it exists, points at the README's two commands, and shows only
// pictures that scripts/demo writes (so that running the demo refreshes every one of them).

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>

namespace {

QString Ler(const QString& caminho) {
    QFile f(caminho);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << caminho.toStdString();
    return QString::fromUtf8(f.readAll());
}

TEST(Guia, LigaOsDoisComandosESoMostraFigurasQueODemoGrava) {
    const QString raiz = QStringLiteral(QT_TESTCASE_SOURCEDIR "/../");
    const QString guia = Ler(raiz + "docs/guia.md");
    const QString demo = Ler(raiz + "scripts/demo");
    EXPECT_TRUE(guia.contains("scripts/test") && guia.contains("scripts/demo"));
    EXPECT_TRUE(guia.contains("](../README.md#the-two-commands)"));

    // The demo names its pictures "$demo/NAME.png", and one per screen "cadunir-$tela.png".
    QStringList escritas;
    for (const auto& m : QRegularExpression(R"(\$demo/([a-z0-9-]+)\.png)").globalMatch(demo)) {
        escritas << m.captured(1);
    }
    const auto telas = QRegularExpression(R"(for tela in ([0-9x ]+);)").match(demo);
    ASSERT_TRUE(telas.hasMatch());
    for (const QString& tela : telas.captured(1).split(' ', Qt::SkipEmptyParts)) {
        escritas << "cadunir-" + tela;
    }
    int figuras = 0;
    for (const auto& m : QRegularExpression(R"(!\[[^\]]*\]\(([^)]+)\))").globalMatch(guia)) {
        ++figuras;
        const auto nome =
            QRegularExpression(R"(^\.\./demo/([a-z0-9-]+)\.png$)").match(m.captured(1));
        EXPECT_TRUE(nome.hasMatch() && escritas.contains(nome.captured(1)))
            << m.captured(1).toStdString();
    }
    EXPECT_GE(figuras, 3);
}

}  // namespace
