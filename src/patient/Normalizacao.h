#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <string>
#include <string_view>

// The forms in which patient fields are compared to tell whether two records are one person.
// Reception desks type the same person in many ways (case, accents, punctuation in documents,
// blanks); the finder and the review's safety checks both compare these forms, so that only
// real differences are left and both judge a pair alike. A database NULL and an empty text are
// the same thing here: "nothing known".
namespace semelhanca {

// Upper case, accents and cedillas dropped, apostrophes removed (D'ÁVILA = DAVILA), any other
// character that is no letter or digit made a blank, blanks collapsed and trimmed.
QByteArray TextoNormalizado(const QVariant& valor);
QByteArray TextoNormalizado(const QString& texto);
// The same on UTF-8 text, into `saida`: what the finder does to every field of a register.
void TextoNormalizado(std::string_view utf8, std::string& saida);

// The digits of a document number; with `aceitarX`, an X (the check digit ten of several
// states' RG) counts too. Dots, dashes, slashes, letters and blanks vanish.
QByteArray Digitos(const QVariant& valor, bool aceitarX = false);
// The same into `saida`, at most `maximo` of them; returns how many.
int Digitos(std::string_view texto, bool aceitarX, char* saida, int maximo);
// The RG as compared: its digits and check X, at most 16.
QByteArray RgNormalizado(const QVariant& valor);
// The CIC as compared: its digits, with the leading zeros a numeric column drops put back
// (nine or ten digits become eleven), at most eleven.
QByteArray CicNormalizado(const QVariant& valor);
int CicNormalizado(std::string_view texto, char* saida);  // saida: room for 11

// A CIC (CPF) whose two check digits are right and that is not one digit repeated: a number
// someone actually issued, so that two different valid ones are two different people.
bool CicValido(const QByteArray& digitos);

// The birth date as yyyymmdd (0 when unknown or unreadable). Accepts the database's date,
// and texts dd/MM/yyyy or yyyy-MM-dd (with or without a time).
qint32 DataNascimento(const QVariant& valor);
qint32 DataNascimento(std::string_view texto);

// 'M', 'F', or 0 when the value says neither.
char SexoNormalizado(const QVariant& valor);
char SexoNormalizado(std::string_view texto);

// A street address reduced to what identifies the place: the street's words without the kind
// of street (RUA, R., AV, TRAVESSA...), particles or the complement after the number, and the
// house number (0 when there is none). "R. das Flores, 120 apto 31" and "RUA FLORES 120" agree.
struct EnderecoNormalizado {
    QByteArray rua;
    quint32 numero = 0;
};
EnderecoNormalizado Endereco(const QVariant& valor);
EnderecoNormalizado Endereco(std::string_view utf8);
// The same into `rua` (returning the number), without allocating when `rua` and `rascunho`
// have room: what reading a million addresses wants.
quint32 Endereco(std::string_view utf8, std::string& rua, std::string& rascunho);

// A Portuguese phonetic key of a normalised name: the spellings that sound alike in Brazil
// (SOUSA/SOUZA, LUIS/LUIZ, THIAGO/TIAGO, PHILIPE/FILIPE, YARA/IARA, WALTER/VALTER, doubled
// letters, silent H, final M/N) give one key.
QByteArray ChaveFonetica(const QByteArray& normalizado);

// Edit distance with adjacent transpositions (optimal string alignment: RUI / RIU is one
// error), capped: anything above `limite` answers limite + 1.
int DistanciaEdicao(const char* a, int na, const char* b, int nb, int limite);

// Jaro-Winkler similarity in 0..1 (1 = equal).
double JaroWinkler(const char* a, int na, const char* b, int nb);

}  // namespace semelhanca
