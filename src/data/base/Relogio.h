#pragma once

#include <QDateTime>

// The workstation's clock, read from one place: merge logs, no-solution marks, the embedded
// getdate() and the diagnostics log all take their time here. The program reads the system
// clock; a test fixes the time (RelogioFixo) and asserts the exact moment that was written.
class Relogio {
  public:
    // Local time, to the millisecond; the fixed time while one is set.
    static QDateTime Agora();

    // From now on Agora() gives `instante` (local time), in every thread, until Liberar().
    static void Fixar(const QDateTime& instante);
    // Back to the system clock.
    static void Liberar();
};

// Fixes the clock for a scope (a test) and frees it at the end.
class RelogioFixo {
  public:
    explicit RelogioFixo(const QDateTime& instante) { Relogio::Fixar(instante); }
    ~RelogioFixo() { Relogio::Liberar(); }
    RelogioFixo(const RelogioFixo&) = delete;
    RelogioFixo& operator=(const RelogioFixo&) = delete;
};
