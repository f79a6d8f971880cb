#pragma once

#include <QDate>
#include <QStringList>
#include <QVariant>
#include <string_view>

// The signs that two records belong to different people, as one set of rules for everyone
// who judges a pair: the finder flags its groups with them, and the review names them before
// a merge. They compare the forms of Normalizacao.h, so a pair the review would stop is
// flagged wherever the finder shows it, and the other way round.
namespace semelhanca {

// Two birth dates (yyyymmdd) that can be one date typed badly: equal, day and month swapped
// within the year, one digit of dd/mm/yyyy wrong, or two neighbouring digits of it swapped.
bool DatasCompativeis(qint32 a, qint32 b);
bool DatasCompativeis(const QDate& a, const QDate& b);
// How many of the eight digits of dd/mm/yyyy differ between two dates (yyyymmdd).
int DigitosDiferentes(qint32 a, qint32 b);
// How many of the eight bytes of two numbers differ (the digits of two dates, of two
// telephones, eight characters of two documents).
int BytesDiferentes(quint64 x, quint64 y);

enum SinalPessoasDiferentes : quint8 {
    SinalCic = 1,         // two different CICs
    SinalRg = 2,          // two different RGs
    SinalSexo = 4,        // different sexes
    SinalNascimento = 8,  // birth dates no typing slip explains
};

// The signs between two records (an OR of SinalPessoasDiferentes), on compared forms: the
// CIC and RG of CicNormalizado and RgNormalizado, the sex of SexoNormalizado (0: unknown),
// the birth date as yyyymmdd (0: unknown). A field left empty never makes a sign.
quint8 SinaisPessoasDiferentes(std::string_view cicA, std::string_view cicB, std::string_view rgA,
                               std::string_view rgB, char sexoA, char sexoB, qint32 nascimentoA,
                               qint32 nascimentoB);

// The same, from the values as the register holds them.
struct Identificacao {
    QByteArray cic, rg;
    char sexo = 0;
    qint32 nascimento = 0;
    static Identificacao De(const QVariant& cic, const QVariant& rg, const QVariant& sexo,
                            const QVariant& nascimento);
};
quint8 SinaisPessoasDiferentes(const Identificacao& a, const Identificacao& b);

// One short phrase per sign, in the order of the bits ("CIC diferente", ...).
QStringList TextosSinais(quint8 sinais);

}  // namespace semelhanca
