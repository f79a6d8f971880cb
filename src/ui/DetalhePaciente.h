#pragma once

#include <QtGlobal>

class clsPaciente;
class ctlNvPreferDE;

// Filling the patient-detail control from a patient record, shared by the main window and the
// base-record chooser.

// FieldValue for each field key, in the control's standard order (full name first).
void Detalhe_Preencher(ctlNvPreferDE& fControle, clsPaciente& fPaciente);

// Loads the record by its ID; answers the record's own success flag.
bool Paciente_Localizar(clsPaciente& fPaciente, qint32 fID_Paciente);
