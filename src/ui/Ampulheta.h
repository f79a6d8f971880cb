#pragma once

#include <QApplication>

// The hourglass pointer for the life of a scope; long operations hold one so the user sees the
// window is busy. Restaurar puts the normal pointer back early (a message box shown in the
// middle of the work should not show the hourglass); the destructor then does nothing more.
class Ampulheta {
  public:
    Ampulheta() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Ampulheta() { Restaurar(); }
    Ampulheta(const Ampulheta&) = delete;
    Ampulheta& operator=(const Ampulheta&) = delete;

    void Restaurar() {
        if (m_ativa) {
            m_ativa = false;
            QApplication::restoreOverrideCursor();
        }
    }

  private:
    bool m_ativa = true;
};
