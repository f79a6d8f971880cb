#pragma once

#include <QObject>

// Where every window that changes the register from a dialog says so, and the windows that
// show the register listen: the main window reads what changed again, quietly, once the
// dialog is closed. One object for the process, so that a dialog opened from another dialog
// (the comparison from the base chooser) reaches the main window as well.
class AvisoCadastro : public QObject {
    Q_OBJECT

  public:
    enum class Mudanca {
        Registros,  // records came back or went (an undo)
        Marcas,     // "not the same person" decisions or no-solution marks
    };
    Q_ENUM(Mudanca)

    static AvisoCadastro& Instancia();
    static void Avisar(Mudanca mudanca) { emit Instancia().cadastroAlterado(mudanca); }

  signals:
    void cadastroAlterado(AvisoCadastro::Mudanca mudanca);

  private:
    AvisoCadastro() = default;
};
