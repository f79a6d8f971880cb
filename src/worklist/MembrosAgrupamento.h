#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "worklist/GrupoTrabalho.h"

// The members of every group of an exact grouping, which the grouping itself does not give
// (its rows are the shared values). fColunas are the grouping's columns of Paciente, fLinhas its
// rows (the values in that order, as the grid shows them). Paciente is read once, in pages by
// key, and each record whose values fall into one of the groups joins it, the values compared
// as the register compares them: letter case and trailing blanks ignored, accents kept, NULL a
// value of its own. Each group is named after its first member and flagged when two members
// show a sign of different people (documents, sex, birth dates). `parar`, asked between pages,
// stops the read; false with `erro` when it was stopped or a page could not be read.
bool MembrosAgrupamento(Connection& fCN, clsADO& fADO, const QStringList& fColunas,
                        const QVector<QVector<QVariant>>& fLinhas, QVector<GrupoTrabalho>& fGrupos,
                        QString& erro, const std::function<bool()>& parar = {});
