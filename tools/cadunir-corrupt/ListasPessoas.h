#pragma once

#include <QVector>

// The people and places a corrupted register is drawn from, with how common each is (common
// names first: a register has many MARIAs and few YASMINs, and the finder must not mistake two
// MARIA SILVAs for one person). Kept apart from the demo generator's lists on purpose: the
// two registers measure the finder against each other.
namespace corrupcao {

struct Lugar {
    const char* cidade;
    const char* uf;
    const char* cep;  // first five digits of its postcodes
    const char* ddd;
    int peso;  // how many people live there, relatively
};

const QVector<const char*>& PrenomesFemininos();
const QVector<const char*>& PrenomesMasculinos();
const QVector<const char*>& Sobrenomes();
const QVector<const char*>& Ruas();
const QVector<const char*>& BairrosComuns();
const QVector<Lugar>& Lugares();

}  // namespace corrupcao
