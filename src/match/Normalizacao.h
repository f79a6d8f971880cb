#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

// The forms in which patient fields are compared. Reception desks type the same person in
// many ways (case, accents, punctuation in documents, blanks); every comparison works on these
// forms so that only real differences are left to score. A database NULL and an empty text are
// the same thing here: "nothing known".
namespace semelhanca {

// Upper case, accents and cedillas dropped, apostrophes removed (D'ÁVILA = DAVILA), any other
// character that is no letter or digit made a blank, blanks collapsed and trimmed.
QByteArray TextoNormalizado(const QVariant& valor);
QByteArray TextoNormalizado(const QString& texto);

// The digits of a document number; with `aceitarX`, an X (the check digit ten of several
// states' RG) counts too. Dots, dashes, slashes and blanks vanish.
QByteArray Digitos(const QVariant& valor, bool aceitarX = false);

// A CIC (CPF) whose two check digits are right and that is not one digit repeated: a number
// someone actually issued, so that two different valid ones are two different people.
bool CicValido(const QByteArray& digitos);

// The birth date as yyyymmdd (0 when unknown or unreadable). Accepts the database's date,
// and texts dd/MM/yyyy or yyyy-MM-dd (with or without a time).
qint32 DataNascimento(const QVariant& valor);

// SQL Server's SOUNDEX of a normalised name (first word only, "0000" for none): the same code
// the register stores in its *_Soundex columns, for rows where they were never filled.
QByteArray Soundex(const QByteArray& normalizado);

// A Portuguese phonetic key of a normalised name: the spellings that sound alike in Brazil
// (SOUSA/SOUZA, LUIS/LUIZ, THIAGO/TIAGO, PHILIPE/FILIPE, YARA/IARA, WALTER/VALTER, doubled
// letters, silent H, final M/N) give one key.
QByteArray ChaveFonetica(const QByteArray& normalizado);

// Edit distance with adjacent transpositions (optimal string alignment), capped: anything
// above `limite` answers limite + 1.
int DistanciaEdicao(const char* a, int na, const char* b, int nb, int limite);

// Jaro-Winkler similarity in 0..1 (1 = equal).
double JaroWinkler(const char* a, int na, const char* b, int nb);

}  // namespace semelhanca
