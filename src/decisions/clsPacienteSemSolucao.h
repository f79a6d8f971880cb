#pragma once

#include <QList>
#include <QString>

#include "data/ado/Connection.h"
#include "data/ado/Recordset.h"
#include "data/ado/clsADO.h"
#include "patient/clsError.h"

// The queries of the no-solution dialog: the reason catalogue PacienteLogJustificativa and one
// patient's marks in PacienteLogSemSolucao, on the connection the caller hands over. Failures
// answer false and leave in Erro the number and short text of the failure: clsADO's when the
// statement itself failed (FalhouNaConsulta), the number's own text when the rows it opened
// could not be read or written; the dialog words the two differently.
class clsPacienteSemSolucao {
  public:
    struct Justificativa {
        qint32 ID_PacienteLogJustificativa = 0;
        QString Texto;
    };
    // A patient's mark as the dialog shows it; ID_PacienteLogSemSolucao is 0 for no mark.
    struct Marca {
        qint32 ID_PacienteLogSemSolucao = 0;
        qint32 ID_PacienteLogJustificativa = 0;
        QString Descricao;
    };

    clsPacienteSemSolucao(Connection& fCN, clsADO& fADO);

    // The catalogue in the order of its text, read through fRS (the program's shared reason
    // record set, left open on its first row). On failure fLista is empty.
    bool Justificativas(Recordset& fRS, QList<Justificativa>& fLista);
    bool Existir(qint32 fID_Paciente, bool& fExiste);
    // The patient's first mark (two workstations may have marked the patient at once).
    bool Ler(qint32 fID_Paciente, Marca& fMarca);
    // A new mark by fID_Usuario. Data is left to the column default: the server's time.
    bool Adicionar(qint32 fID_Paciente, qint32 fID_Justificativa, const QString& fMotivo,
                   qint32 fID_Usuario);
    // Rewrites the patient's first mark with fID_Usuario and the workstation's time; a patient
    // without a mark is left so.
    bool Atualizar(qint32 fID_Paciente, qint32 fID_Justificativa, const QString& fMotivo,
                   qint32 fID_Usuario);
    // Removes every mark of the patient.
    bool Remover(qint32 fID_Paciente);
    // The same removal, by fID_Usuario, leaving a trail: every mark of the patient is copied
    // first, whole, to Cadunir_SemSolucaoRemovida with who removed it and when (the server's
    // time), in one transaction with the removal. The trail table is made when missing.
    bool RemoverComRastro(qint32 fID_Paciente, qint32 fID_Usuario);
    // Creates the trail table when it is missing (start-up does it next to the log tables); a
    // failure is reported through MostrarMensagem, as the other tables' are.
    bool CriarTabelaRastro();

    const clsError& Erro() const { return m_erro; }
    bool FalhouNaConsulta() const { return m_falhouNaConsulta; }

  private:
    bool criarRastro();
    bool abrir(Recordset& fRS, const QString& fSQL);
    bool falhaNaConsulta();
    bool falhaNasLinhas(qint32 fNumero);

    Connection& m_cn;
    clsADO& m_ado;
    clsError m_erro;
    bool m_falhouNaConsulta = false;
};
