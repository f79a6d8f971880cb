#pragma once

#include <QString>
#include <QtGlobal>

class Connection;
class clsADO;

// How many exams a patient has in the product's two exam tables (Exame, and Exame_BK, which a
// merge re-points too): what an administrator weighs when choosing the record that survives.
struct ContagemExames {
    qint32 exame = 0;
    qint32 exameBK = 0;
};

// Counts both tables; false (with the helper's error kept) when a count cannot be read.
bool ContarExames(Connection& fCN, clsADO& fADO, qint32 fID_Paciente, ContagemExames& fContagem);

// "3", or "3 (+2 em Exame_BK)" when the backup table holds some too.
QString TextoContagemExames(const ContagemExames& fContagem);
