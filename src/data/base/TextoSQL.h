#pragma once

#include <QString>
#include <QVariant>

// T-SQL text of values and names, for the statements the data layer writes itself
// (Recordset.Update, the tools).
namespace dados {

// NULL, plain numbers, 'yyyy-mm-dd hh:mm:ss' dates and N'...' texts with doubled quotes.
QString LiteralTSql(const QVariant& valor);
// [name], with ] doubled.
QString NomeTSql(const QString& nome);

}  // namespace dados
