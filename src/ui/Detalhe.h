#pragma once

#include <QString>

class ctlNvPreferDE;
class Recordset;
struct DataEnvironment;

// The procedures through which the main window and the base-record chooser set up, fill and
// empty their patient-detail control.

// Sets PreferencesPath, DataSource, DataField and ExternalData, in this order, then Init.
void Detalhe_Configurar(ctlNvPreferDE& fControle, const QString& fPreferencesPath,
                        DataEnvironment* fDataSource, const QString& fDataField,
                        Recordset* fExternalData);
// ControlOption on, and the per-field switch off for every field but the first.
void Detalhe_Ajustar(ctlNvPreferDE& fControle);
// Empties every field, one by one.
void Detalhe_Limpar(ctlNvPreferDE& fControle);

// First name, then " " + middle names when not empty, then " " + last name when not empty.
QString NomeCompleto_Montar(const QString& fNome, const QString& fNomeMeio,
                            const QString& fNomeUltimo);
