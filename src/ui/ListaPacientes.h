#pragma once

#include <QHash>
#include <QList>
#include <Qt>

class QListWidget;
class Recordset;
class ctlNvPreferDE;

// What the main window's similar list and the base-record chooser share: both list patients by
// full name with a tick on each row and show the highlighted one in a detail control.

// The row data that holds the line telling the row's patient from the others (LinhaPaciente:
// name, ID, birth date, RG, score); it is the row's tooltip, and a mark shown on the row adds
// its own line under it.
constexpr int PapelLinhaPaciente = Qt::UserRole + 1;

// Adds one unticked row per record of fRS (columns Nome_Completo and ID_Paciente): the text is
// the full name (NULL gives ""), the row data (Qt::UserRole) the patient ID. Each row's
// tooltip is its patient's line, with the score fPontuacoes gives its ID (a similarity
// search's); the birth dates and RGs come from one more query, whose failure only leaves the
// lines shorter (it goes to the diagnostics log).
void PreencherListaPacientes(QListWidget& lista, Recordset& fRS,
                             const QHash<qint32, double>& fPontuacoes = {});

// The patient IDs of the list's rows (Qt::UserRole), in order; fSoMarcados: of the ticked ones.
QList<qint32> IdsDaLista(const QListWidget& lista, bool fSoMarcados = false);

// The list's click: loads the patient of the current row into a fresh record, under the
// hourglass, and shows it; with no current row, empties the detail.
void MostrarPacienteDaLinha(const QListWidget& lista, ctlNvPreferDE& detalhe);
