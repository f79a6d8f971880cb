#pragma once

#include <QStringList>

// The main window's three fixed instructions, in the order of the work: tick the grouping
// fields, pick a group, tick the records of one person and unify them. Each text's lines end
// with a line break, the last one too.
class InstrucoesPrincipal {
  public:
    static QStringList Textos();
};
