#pragma once

#include <QStringList>

// The lists the demo register draws its people from: common Brazilian first names (with their
// sex), middle names, surnames, places, occupations and health plans. Upper case with accents,
// as the reporting system's reception desks type them.
namespace registro {

struct Cidade {
    const char* nome;
    const char* uf;
    const char* cepPrefixo;  // first three digits of the city's postcodes
    const char* ddd;         // telephone area code
};

const QStringList& NomesMasculinos();
const QStringList& NomesFemininos();
const QStringList& NomesDoMeio();  // compound and devotional middle names
const QStringList& Sobrenomes();
const QStringList& Logradouros();
const QStringList& Bairros();
const QStringList& Profissoes();
const QStringList& Convenios();
const QStringList& Racas();
const QStringList& DominiosEmail();
const QVector<Cidade>& Cidades();

}  // namespace registro
