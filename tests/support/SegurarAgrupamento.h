#pragma once

#include <QSemaphore>
#include <memory>

#include "main/ConsultaEmSegundoPlano.h"

// Holds every background query (a grouping, a search) at its start, on its worker thread, until
// released, so that a test can act meanwhile. Declared after the window or session it holds, so
// that it lets go first. A worker held here cannot be stopped and waited for: release it first.
class SegurarAgrupamento {
  public:
    SegurarAgrupamento() {
        ConsultaEmSegundoPlano::DefinirGanchoAntesDaConsulta(
            [sinal = m_sinal] { sinal->acquire(); });
    }
    ~SegurarAgrupamento() {
        ConsultaEmSegundoPlano::DefinirGanchoAntesDaConsulta({});
        m_sinal->release(100);
    }
    SegurarAgrupamento(const SegurarAgrupamento&) = delete;
    SegurarAgrupamento& operator=(const SegurarAgrupamento&) = delete;

    void Soltar() { m_sinal->release(); }

  private:
    // Shared with the hook: a worker may still be waking up when the test lets go.
    std::shared_ptr<QSemaphore> m_sinal = std::make_shared<QSemaphore>();
};
