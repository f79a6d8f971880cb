#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <QVector>
#include <functional>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "data/base/Motor.h"

// The main window's search box and its groups that no value holds together: finding where a
// patient the administrator names (by name, ID or record number) sits in the grouping on
// screen, and saying what a group of empty values is.

// A patient found by the search, with the values the grouping columns may hold.
struct PacienteLocalizado {
    qint32 ID_Paciente = 0;
    QString NomeCompleto;
    QVector<QPair<QString, QVariant>> valores;  // column name -> value (NULL a null QVariant)
};

// The patients the text names: a number is an ID or a record number (Prontuário); any other
// text a part of the full name (letter case ignored, as the register compares). At most
// fLimite, by ID. False with fADO's failure.
bool LocalizarPacientes(Connection& fCN, clsADO& fADO, const QString& fTexto,
                        QList<PacienteLocalizado>& fAchados, int fLimite = 50);

// The row of a grouping result (its columns are the grouping fields) whose values are the
// patient's, compared as the register groups them (letter case and trailing blanks ignored,
// NULL a value of its own); -1 when no row is.
int LinhaDoPaciente(const dados::DadosConsulta& fGrupos, const PacienteLocalizado& fPaciente);

// What a group row whose every grouping value is empty (NULL or blank) stands for: the
// records that have none of them, which the member query cannot list by them. Empty for any
// other row. "RG vazio: estes cadastros não são agrupados pelo RG".
QString GrupoSemValor(const QStringList& fColunas, const QVector<QVariant>& fValores);
// The same for the current row of a grouping result; empty with no current row.
QString GrupoSemValorDaLinhaAtual(const Recordset& fGrupos);

// Enter in the search box, again and again: each time the next patient the text names that the
// grouping on screen holds, round the list of those found.
class LocalizadorPaciente {
  public:
    // Finds the patients fTexto names and hands them to fIrPara, from where the last Enter
    // stopped, until it takes one (true: the patient is in a group and now shown). Returns the
    // message to show instead: a failure, nobody found, nobody of those in a group; empty when
    // one was shown or the text is blank.
    QString Proximo(Connection& fCN, clsADO& fADO, const QString& fTexto,
                    const std::function<bool(const PacienteLocalizado&)>& fIrPara);
    // A new text starts from the first patient found.
    void Recomecar() { m_proximo = 0; }

  private:
    int m_proximo = 0;
};
