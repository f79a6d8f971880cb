#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "data/base/ErroNumerado.h"
#include "settings/Codificacao.h"
#include "settings/clsINI.h"
#include "support/ErroEsperado.h"
#include "support/ImprimirQt.h"

namespace {

class clsINITest : public ::testing::Test {
  protected:
    QString Caminho(const QString& nome = QStringLiteral("Tessivar.INI")) const {
        return pasta.filePath(nome);
    }
    void Escrever(const QByteArray& bytes) {
        QFile f(Caminho());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        ini.setFullPathINI(Caminho());
    }
    QByteArray Conteudo() const {
        QFile f(Caminho());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // What f raises, as "number source: description".
    static QString Levantado(const std::function<void()>& f) {
        const ErroNumerado e = ErroDe(f);
        return QString::number(e.Number()) + " " + e.Source() + ": " + e.Description();
    }

    QTemporaryDir pasta;
    clsINI ini;
};

}  // namespace

TEST_F(clsINITest, ReadsLikeThePrivateProfileCalls) {
    Escrever(
        "; a comment\r\n"
        "[Outra]\r\n"
        "CONN_SERVER=errado\r\n"
        "\r\n"
        "  [ tessivar ]  \r\n"
        "  conn_server   =   Provider=SQLite;Data Source=x.db   \r\n"
        "CONN_SERVER=segunda\r\n"
        "Aspas=\"  com aspas  \"\r\n"
        "Apostrofo='a'\r\n"
        "Meia=\"sem fim\r\n"
        "Vazio=\r\n"
        "[Tessivar]\r\n"
        "Repetida=não vale\r\n");
    // Names match whatever their case and blanks; the first key of the first section wins.
    EXPECT_EQ(ini.GetValorTexto("Tessivar", "CONN_SERVER", ""), "Provider=SQLite;Data Source=x.db");
    EXPECT_EQ(ini.GetValorTexto(" TESSIVAR ", " Conn_Server ", ""),
              "Provider=SQLite;Data Source=x.db");
    EXPECT_EQ(ini.GetValorTexto("Tessivar", "Repetida", "padrão"), "padrão");
    // Matching quotes go; then the blanks inside them are trimmed like any others.
    EXPECT_EQ(ini.GetValorTexto("Tessivar", "Aspas", ""), "com aspas");
    EXPECT_EQ(ini.GetValorTexto("Tessivar", "Apostrofo", ""), "a");
    EXPECT_EQ(ini.GetValorTexto("Tessivar", "Meia", ""), "\"sem fim");
    // An empty value, a missing key, a missing section and a missing file look alike.
    EXPECT_EQ(ini.GetValorTexto("Tessivar", "Vazio", "x"), "");
    EXPECT_EQ(ini.GetValorTexto("Tessivar", "Nada", ""), "");
    EXPECT_EQ(ini.GetValorTexto("Nada", "CONN_SERVER", ""), "");
    EXPECT_EQ(ini.GetValorTexto("", "", "padrão"), "padrão");
    ini.setFullPathINI(Caminho("naoexiste.ini"));
    EXPECT_EQ(ini.GetValorTexto("Tessivar", "CONN_SERVER", "  padrão  "), "padrão");
    EXPECT_EQ(ini.GetValorNumérico("Tessivar", "CONN_SERVER", 9), 9);
    ini.setFullPathINI(QString());
    EXPECT_EQ(ini.GetValorTexto("Tessivar", "CONN_SERVER", "p"), "p");
}

TEST_F(clsINITest, ValueIsCutAt255TrimmedThenCutAtNul) {
    const QByteArray longo(300, 'a');
    Escrever("[S]\nLongo=" + longo + QByteArrayLiteral("\nNul=ab \0cd\nNulFim=  xy\0  \n") +
             "BrancoNoCorte=" + QByteArray(254, 'b') + "  c\nTab=\tv\t\n");
    EXPECT_EQ(ini.GetValorTexto("S", "Longo", ""), QString(255, 'a'));
    // The blank before the NUL stays: trimming comes first.
    EXPECT_EQ(ini.GetValorTexto("S", "Nul", ""), "ab ");
    EXPECT_EQ(ini.GetValorTexto("S", "NulFim", ""), "xy");
    // The 255th character is a blank: cut, then trimmed.
    EXPECT_EQ(ini.GetValorTexto("S", "BrancoNoCorte", ""), QString(254, 'b'));
    EXPECT_EQ(ini.GetValorTexto("S", "Tab", ""), "v");
    EXPECT_EQ(ini.GetValorTexto("S", "Falta", QString(400, 'd')), QString(255, 'd'));
}

TEST_F(clsINITest, MalformedLinesAndBinaryFilesGiveDefaults) {
    Escrever(
        "[Tessivar\n"
        "Sem igual\n"
        "Chave=1\n"
        "[Certa]\n"
        "Sem igual\n"
        "Chave=2\n");
    // A header without "]" starts nothing: its keys stay unreachable under that name.
    EXPECT_EQ(ini.GetValorTexto("Tessivar", "Chave", "padrão"), "padrão");
    EXPECT_EQ(ini.GetValorTexto("Tessivar", "Sem igual", "padrão"), "padrão");
    EXPECT_EQ(ini.GetValorTexto("Certa", "Sem igual", "padrão"), "padrão");
    EXPECT_EQ(ini.GetValorTexto("Certa", "Chave", ""), "2");

    QByteArray binario;
    for (int i = 0; i < 4096; ++i) {
        binario.append(char((i * 7919) % 256));
    }
    Escrever(binario);
    EXPECT_EQ(ini.GetValorTexto("Tessivar", "CONN_SERVER", "padrão"), "padrão");
    EXPECT_EQ(ini.GetValorNumérico("Tessivar", "CONN_SERVER", 3), 3);
    // Keys can still be added to such a file; the bytes before stay as they were.
    ini.SetValorTexto("Tessivar", "CONN_SERVER", "x");
    EXPECT_EQ(ini.GetValorTexto("Tessivar", "CONN_SERVER", ""), "x");
    EXPECT_TRUE(Conteudo().startsWith(binario));
}

TEST_F(clsINITest, NumbersReadAsTheIntegerProfileCall) {
    Escrever("[N]\nA=42\nB= -7 \nC=12abc\nD=abc\nE=\nF=0x1F\nG=4294967297\nH=\"15\"\nI=+3\n");
    // Key, default, value; 32-bit arithmetic wraps (G).
    const std::tuple<const char*, int, int> casos[] = {
        {"A", 0, 42}, {"B", 0, -7}, {"C", 0, 12}, {"D", 5, 0}, {"E", 5, 5},
        {"F", 0, 31}, {"G", 0, 1},  {"H", 0, 15}, {"I", 0, 3}, {"Falta", -9, -9}};
    for (const auto& [chave, padrao, valor] : casos) {
        EXPECT_EQ(ini.GetValorNumérico("N", chave, padrao), valor) << chave;
    }

    ini.SetValorNumérico("N", "A", -5);
    ini.SetValorNumérico("Nova", "Z", 2147483647);
    EXPECT_EQ(ini.GetValorNumérico("N", "A", 0), -5);
    EXPECT_EQ(ini.GetValorTexto("Nova", "Z", ""), "2147483647");
}

TEST_F(clsINITest, ReadsWindows1252AndUtf8AndWritesEachBackInItsOwn) {
    // "Prontuário" in the Windows ANSI code page: á is the single byte E1.
    Escrever("[Tessivar]\r\nCampo=Prontu\xE1rio \x80 \x93x\x94\r\n");
    EXPECT_EQ(ini.GetValorTexto("Tessivar", "Campo", ""), "Prontuário € “x”");
    ini.SetValorTexto("Tessivar", "Novo", "Ação ☃");
    EXPECT_EQ(Conteudo(),
              "[Tessivar]\r\nCampo=Prontu\xE1rio \x80 \x93x\x94\r\nNovo=A\xE7\xE3o ?\r\n");
    EXPECT_EQ(ini.GetValorTexto("Tessivar", "Campo", ""), "Prontuário € “x”");

    Escrever("\xEF\xBB\xBF[Tessivar]\nCampo=Prontuário\n");
    EXPECT_EQ(ini.GetValorTexto("Tessivar", "Campo", ""), "Prontuário");
    ini.SetValorTexto("Tessivar", "Novo", "Ação ☃");
    EXPECT_EQ(Conteudo(), "\xEF\xBB\xBF[Tessivar]\nCampo=Prontuário\nNovo=Ação ☃\n");
}

TEST_F(clsINITest, AWindows1252FileStaysWindows1252WhateverIsWritten) {
    // "Ã©" in Windows-1252 is C3 A9, which UTF-8 reads as "é"; the only bytes that are no
    // UTF-8 (the E3 of "João") sit on the line that is rewritten.
    Escrever("[Tessivar]\r\nNome=Jo\xE3o\r\nSobrenome=\xC3\xA9vora\r\n");
    EXPECT_EQ(ini.GetValorTexto("Tessivar", "Sobrenome", ""), "Ã©vora");
    ini.SetValorTexto("Tessivar", "Nome", "Joao");
    EXPECT_EQ(ini.GetValorTexto("Tessivar", "Sobrenome", ""), "Ã©vora");
    EXPECT_EQ(ini.GetValorTexto("Tessivar", "Nome", ""), "Joao");

    // Nothing but ASCII left: the next non-ASCII value still goes in Windows-1252, whatever
    // the native encoding for new files is.
    ini.SetValorTexto("Tessivar", "Sobrenome", "Evora");
    ini.SetValorTexto("Tessivar", "Nome", "João");
    ini.SetValorTexto("Tessivar", "Outro", "Ã©");
    const QByteArray bytes = Conteudo();
    EXPECT_TRUE(
        bytes.endsWith("[Tessivar]\r\nNome=Jo\xE3o\r\nSobrenome=Evora\r\n"
                       "Outro=\xC3\xA9\r\n"))
        << bytes.toStdString();
    EXPECT_TRUE(bytes.startsWith("; Codifica\xE7\xE3o: Windows-1252\r\n[Tessivar]"));
    EXPECT_EQ(bytes.count("; Codifica"), 1);
    EXPECT_EQ(ini.GetValorTexto("Tessivar", "Nome", ""), "João");
    EXPECT_EQ(ini.GetValorTexto("Tessivar", "Outro", ""), "Ã©");
    // The marker is a comment: no key of any section, and it moves no section.
    Escrever(bytes + "[Outra]\r\nK=1\r\n");
    EXPECT_EQ(ini.GetValorTexto("Outra", "K", ""), "1");
    EXPECT_EQ(ini.GetValorTexto("Tessivar", "Sobrenome", ""), "Evora");

    // The same file re-saved as UTF-8 by an editor is UTF-8 from then on; the stale marker goes.
    Escrever(QString::fromLatin1(bytes).toUtf8());
    ini.SetValorTexto("Tessivar", "Nome", "Zé");
    EXPECT_EQ(Conteudo(), "[Tessivar]\r\nNome=Zé\r\nSobrenome=Evora\r\nOutro=\xC3\x83\xC2\xA9\r\n");
}

TEST_F(clsINITest, AnAsciiFileTakesTheNativeEncodingAtItsFirstOtherCharacter) {
    Escrever("[Tessivar]\nA=1\n");
    ini.SetValorTexto("Tessivar", "B", "Ã©");
    const QByteArray esperado = CodificacaoNativa() == Codificacao::Utf8
                                    ? QByteArray("[Tessivar]\nA=1\nB=\xC3\x83\xC2\xA9\n")
                                    : QByteArray(
                                          "; Codifica\xE7\xE3o: Windows-1252\n"
                                          "[Tessivar]\nA=1\nB=\xC3\xA9\n");
    EXPECT_EQ(Conteudo(), esperado);
    EXPECT_EQ(ini.GetValorTexto("Tessivar", "B", ""), "Ã©");
}

TEST_F(clsINITest, WritesCreateOrReplaceAndKeepTheRest) {
    ini.setFullPathINI(Caminho());
    ini.SetValorTexto("Tessivar", "CONN_SERVER", "a");
    EXPECT_EQ(ini.GetValorTexto("Tessivar", "CONN_SERVER", ""), "a");

    Escrever(
        "; manter\n"
        "[Tessivar]\n"
        "CONN_SERVER = velho ; nota\n"
        "Outra=1\n"
        "\n"
        "[Fim]\n"
        "X=1");
    ini.SetValorTexto("TESSIVAR", "conn_server", "novo");
    ini.SetValorTexto("Tessivar", "Nova", "2");
    ini.SetValorTexto("Fim", "Y", "3");
    ini.SetValorTexto("Seção Nova", "K", "");
    EXPECT_EQ(Conteudo(),
              "; manter\n"
              "[Tessivar]\n"
              "CONN_SERVER=novo\n"
              "Outra=1\n"
              "Nova=2\n"
              "\n"
              "[Fim]\n"
              "X=1\n"
              "Y=3\n"
              "\n"
              "[Seção Nova]\n"
              "K=\n");

    // The file's own line breaks, even a missing last one, and mixed ones stay as they were.
    Escrever("[A]\r\nX=1\n\rY=2");
    ini.SetValorTexto("A", "Z", "3");
    EXPECT_EQ(Conteudo(), "[A]\r\nX=1\n\rY=2\r\nZ=3\r\n");

    const QString enorme(100000, u'é');
    ini.SetValorTexto("Tessivar", "Enorme", enorme);
    EXPECT_EQ(ini.GetValorTexto("Tessivar", "Enorme", ""), enorme.left(255));
    EXPECT_TRUE(Conteudo().contains(enorme.toUtf8()));
}

TEST_F(clsINITest, FileFailuresRaiseTheNumberedErrors) {
    ini.setFullPathINI(pasta.path());
    const QString acesso = "(75, Erro de acesso ao caminho/arquivo)";
    EXPECT_EQ(Levantado([&] { ini.GetValorTexto("Tessivar", "CONN_SERVER", ""); }),
              "-2147220989 CSetting.GetSettingStr: Erro lendo configuração." + acesso);
    EXPECT_EQ(Levantado([&] { ini.GetValorNumérico("Tessivar", "N", 0); }),
              "-2147220989 CSetting.GetSettingInt: Erro lendo configuração." + acesso);
    EXPECT_EQ(Levantado([&] { ini.SetValorNumérico("Tessivar", "N", 1); }),
              "-2147220990 CSetting.SaveSettingInt: Erro gravando configuração." + acesso);

    ini.setFullPathINI(Caminho("falta/Tessivar.INI"));
    EXPECT_EQ(ini.GetValorTexto("Tessivar", "CONN_SERVER", "p"), "p");
    EXPECT_EQ(Levantado([&] { ini.SetValorTexto("Tessivar", "CONN_SERVER", "x"); }),
              "-2147220990 CSetting.SaveSettingStr: Erro gravando configuração.(76, Caminho não "
              "encontrado)");
    EXPECT_FALSE(QFileInfo::exists(Caminho("falta")));

    // A line break could forge a section of its own; nothing is written.
    Escrever("[Tessivar]\nCONN_SERVER=bom\n");
    for (const auto& [secao, chave, valor] :
         {std::tuple<QString, QString, QString>{"Tessivar", "CONN_SERVER", "x\n[Tessivar]"},
          {"Tessivar\r", "K", "v"},
          {"Tessivar", "K=J", "v"},
          {"Tessivar", "[K]", "v"}}) {
        EXPECT_TRUE(Levantado([&] { ini.SetValorTexto(secao, chave, valor); })
                        .endsWith(": Erro gravando configuração.(5, Chamada de procedimento ou "
                                  "argumento inválido)"));
    }
    EXPECT_EQ(Conteudo(), "[Tessivar]\nCONN_SERVER=bom\n");
}
