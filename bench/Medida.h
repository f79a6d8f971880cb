#pragma once

#include <QElapsedTimer>
#include <ctime>
#include <functional>

// Wall and processor seconds of one piece of work, for the benchmarks (the machine is shared:
// the processor time says what the work cost, the wall time what the user waits).
struct Tempo {
    double parede = 0;
    double cpu = 0;
};

inline double Cpu() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

inline Tempo Medir(const std::function<void()>& f) {
    QElapsedTimer relogio;
    const double c = Cpu();
    relogio.start();
    f();
    return {double(relogio.nsecsElapsed()) / 1e9, Cpu() - c};
}
