#pragma once

class QListWidget;
class Recordset;
class ctlNvPreferDE;

// What the main window's similar list and the base-record chooser share: both list patients by
// full name with a tick on each row and show the highlighted one in a detail control.

// Adds one unticked row per record of fRS (columns Nome_Completo and ID_Paciente): the text is
// the full name (NULL gives ""), the row data (Qt::UserRole) the patient ID.
void PreencherListaPacientes(QListWidget& lista, Recordset& fRS);

// The list's click: loads the patient of the current row into a fresh record, under the
// hourglass, and shows it; with no current row, empties the detail.
void MostrarPacienteDaLinha(const QListWidget& lista, ctlNvPreferDE& detalhe);
