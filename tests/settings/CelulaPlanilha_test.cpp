#include <gtest/gtest.h>

#include "settings/CelulaPlanilha.h"
#include "support/ImprimirQt.h"

TEST(CelulaPlanilha, FormulasAreDisarmedNumbersKeptControlsReplaced) {
    struct Caso {
        QString texto, csv, tsv;
    };
    const Caso casos[] = {
        // What a spreadsheet would run: an apostrophe in front, inside quotes in a CSV.
        {"=HYPERLINK(\"http://x\";\"y\")", "\"'=HYPERLINK(\"\"http://x\"\";\"\"y\"\")\"",
         "'=HYPERLINK(\"http://x\";\"y\")"},
        {"@SUM(1)", "\"'@SUM(1)\"", "'@SUM(1)"},
        {"+55 11 5555-0000", "\"'+55 11 5555-0000\"", "'+55 11 5555-0000"},
        {"-2+3+cmd|' /C calc'!A0", "\"'-2+3+cmd|' /C calc'!A0\"", "'-2+3+cmd|' /C calc'!A0"},
        {"-", "\"'-\"", "'-"},
        {"  =1+1", "\"'  =1+1\"", "'  =1+1"},
        {"\t=1", "\"'\t=1\"", "' =1"},
        // Numbers keep their sign and stay numbers.
        {"42", "42", "42"},
        {"-1.5", "-1.5", "-1.5"},
        {"+3,2", "+3,2", "+3,2"},
        {"-2e-05", "-2e-05", "-2e-05"},
        // A sign inside a text is harmless; what separates cells or lines does not pass.
        {"SILVA-SOUZA", "SILVA-SOUZA", "SILVA-SOUZA"},
        {"JOSÉ; \"ZÉ\"", "\"JOSÉ; \"\"ZÉ\"\"\"", "JOSÉ; \"ZÉ\""},
        {"A\tB\nC", "\"A\tB\nC\"", "A B C"},
        {QString("JOSÉ\vSILVA\f") + QChar(0) + QChar(0x2028) + QChar(0x85) + "X", "JOSÉ SILVA    X",
         "JOSÉ SILVA    X"},
        {"\v=1", "\"' =1\"", "' =1"},
        {"", "", ""},
    };
    for (const Caso& c : casos) {
        EXPECT_EQ(CelulaCSV(c.texto), c.csv) << c.texto.toStdString();
        EXPECT_EQ(CelulaTSV(c.texto), c.tsv) << c.texto.toStdString();
    }
    EXPECT_EQ(LinhaCSV({"1", "=A1", "a,b"}, ','), "1,\"'=A1\",\"a,b\"");
    EXPECT_EQ(LinhaTSV({"1", "@x", "-3"}), "1\t'@x\t-3");
}
