#include "ui/MudancasCadastro.h"

#include <QApplication>
#include <QTimer>
#include <utility>

#include "ui/AvisoCadastro.h"

MudancasCadastro::MudancasCadastro(QObject& janela, std::function<void()> aoMudarRegistros,
                                   std::function<void()> aoMudarMarcas)
    : QObject(&janela),
      m_aoMudarRegistros(std::move(aoMudarRegistros)),
      m_aoMudarMarcas(std::move(aoMudarMarcas)) {
    connect(&AvisoCadastro::Instancia(), &AvisoCadastro::cadastroAlterado, this,
            [this](AvisoCadastro::Mudanca mudanca) {
                (mudanca == AvisoCadastro::Mudanca::Registros ? m_registros : m_marcas) = true;
                if (!QApplication::activeModalWidget()) {
                    QTimer::singleShot(0, this, [this] {
                        if (!QApplication::activeModalWidget()) {
                            Ler();
                        }
                    });
                }
            });
}

void MudancasCadastro::Ler() {
    if (std::exchange(m_registros, false)) {
        m_aoMudarRegistros();
    }
    if (std::exchange(m_marcas, false)) {
        m_aoMudarMarcas();
    }
}
