#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "patient/clsError.h"

class clsPaciente;

// The unification engine: merges patient records into a surviving one and owns the five log
// tables that record every merge, update and no-solution mark.
//
// Every merge statement runs inside a transaction level of clsADO. The engine's own level is
// an inner one whenever the caller holds an outer level (as PacienteUnificarCadastros does),
// so a failure anywhere in a unify command rolls back every merge of that command: a merge
// never half-happens, and a removed record survives as its PacienteLog row.
//
// Failures are not shown: operations answer false and leave number, text and procedure name
// in Erro. The one exception is CriarTabelas, which reports a table it cannot create through
// MostrarMensagem (the program points that at its message box).
//
// PacienteAtualizar receives the new field values as a patient object prepared by the caller
// (its 22 editable fields, read as text); the engine loads the stored row itself, logs it, and
// writes the new values through clsPaciente::Atualizar.
class clsPacienteUnificar {
  public:
    explicit clsPacienteUnificar(Connection& fCN, clsADO& fADO);

    clsError& Erro() { return m_erro; }
    const clsError& Erro() const { return m_erro; }
    void setErro(const clsError& erro) { m_erro = erro; }

    // Creates each missing log table in a fixed order and fills the reason catalogue; a table
    // that cannot be created is shown to the user and ends the sequence with false.
    bool CriarTabelas();
    bool PacienteLogJustificativa_Popular();

    // Moves the copy into the base: logs the copy's row and its exams, re-points the exams of
    // Exame and Exame_BK, deletes the copy. A copy already gone merges nothing and succeeds.
    bool PacienteUnificar(qint32 fID_PacienteBase, qint32 fID_PacienteCopia, qint32 fID_Usuario);

    // Logs the stored row of the patient into PacienteLogAtualizar, then overwrites it with the
    // 22 editable fields of fNovo (read as text; its key is not used).
    bool PacienteAtualizar(qint32 fID_Paciente, qint32 fID_Usuario, clsPaciente& fNovo);

    // The survivor's update of a merge: logs the stored row as PacienteAtualizar does, then
    // writes only the columns of fCampos (column of Paciente, value as the database holds it: a
    // NULL stays NULL, an empty text stays empty), their soundex for a name, and the same
    // columns of the copies its exam rows in Exame and Exame_BK keep. Every other column, and
    // every other exam column, is left as it is.
    bool PacienteAtualizarCampos(qint32 fID_Paciente, qint32 fID_Usuario,
                                 const QList<QPair<QString, QVariant>>& fCampos);

    // The database half of the unify command: one outer transaction level around a merge of
    // every ID of fIDs except the base, in list order. The first failure cancels the level
    // (nothing of the command remains) and stops the walk; Erro then holds that merge's error.
    bool PacienteUnificarCadastros(qint32 fID_PacienteBase, const QList<qint32>& fIDs,
                                   qint32 fID_Usuario);

  private:
    bool CriarTabela(const QString& nome, const QString& sql);
    bool AbrirNivel(const QString& procedimento);
    bool FecharNivel(const QString& procedimento);
    bool ExecutarUnificacao(const QString& sql);
    bool RegistrarAtualizacao(qint32 fID_Paciente, qint32 fID_Usuario, const QString& procedimento);
    void RegistrarErroBanco(const QString& procedimento);

    Connection& m_cn;
    clsADO& m_ado;
    clsError m_erro;
};
