#pragma once

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"

// One transaction level of clsADO around an operation that must happen whole or not at all.
// Abrir opens it, Confirmar closes it with a commit; a level still open when the object goes
// (an early return, a failure) is cancelled. A commit that fails at the outermost level is
// rolled back at once, so that no change stays pending for a later statement to commit.
// Failures leave their number and text in the clsADO, as its own operations do.
class NivelTransacao {
  public:
    NivelTransacao(Connection& fCN, clsADO& fADO) : m_cn(fCN), m_ado(fADO) {}
    ~NivelTransacao() { Cancelar(); }
    NivelTransacao(const NivelTransacao&) = delete;
    NivelTransacao& operator=(const NivelTransacao&) = delete;

    bool Abrir();
    bool Confirmar();
    void Cancelar();
    // After a failed Abrir or Confirmar and the cancel: true when the register is certainly as
    // it was before the level, because the level was the outermost and its rollback went
    // through, or the database held nothing to roll back (it never began, or it rolled back
    // itself).
    bool Desfeito() const { return m_desfeito; }

  private:
    Connection& m_cn;
    clsADO& m_ado;
    bool m_aberto = false;
    bool m_desfeito = false;
};
