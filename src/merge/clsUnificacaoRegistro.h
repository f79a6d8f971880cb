#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "patient/clsError.h"

// What the log tables cannot hold about a merge, recorded by this program in tables of its own
// (Cadunir_Unificacao...) in the merge's own transaction: the removed record's plan and exact
// birth date, its exam rows (by ID_Exame) with their copy of its data, the survivor's values
// right after the merge, and which merges were undone, by whom and when.

// The 27 patient columns the log tables share with Paciente, in the log's order.
const QStringList& ColunasPacienteLogadas();
// The columns in which Exame and Exame_BK keep a copy of their patient's data.
const QStringList& ColunasCopiaExame();

class clsUnificacaoRegistro {
  public:
    clsUnificacaoRegistro(Connection& fCN, clsADO& fADO);

    clsError& Erro() { return m_erro; }

    // Creates the program's own merge tables that are missing (the log tables must exist
    // already); a table that cannot be made is reported through MostrarMensagem.
    bool CriarTabelas();

  private:
    Connection& m_cn;
    clsADO& m_ado;
    clsError m_erro;
};

// Runs a merge command (fComando: the engine's PacienteUnificarCadastros, or a caller's wrapper
// around it) inside one more transaction level and, in that same level, records what the log
// tables cannot hold about the records it removes and the survivor it changes. A failure of
// either half rolls both back; Erro then holds the reason (the command's own failure is left
// to the caller's engine, fErro stays untouched then).
bool PacienteUnificarRegistrado(Connection& fCN, clsADO& fADO, qint32 fID_PacienteBase,
                                const QList<qint32>& fIDs, qint32 fID_Usuario,
                                const std::function<bool()>& fComando, clsError& fErro);
