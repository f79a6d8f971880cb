#pragma once

#include <QString>

// A field's text as two records are compared: blanks at the ends and letter case ignored,
// accents kept (the register's own collation). The review, the decisions' fingerprints and
// the grouping's flags compare through this one function, so they never disagree.
QString Normalizado(const QString& valor);
