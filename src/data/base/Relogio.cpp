#include "data/base/Relogio.h"

#include <atomic>
#include <limits>

namespace {

// Milliseconds since the epoch of the fixed time; the sentinel means the system clock. One
// atomic, so that work running off the window's thread reads the same clock without a lock.
constexpr qint64 kSistema = std::numeric_limits<qint64>::min();
std::atomic<qint64> g_fixo{kSistema};

}  // namespace

QDateTime Relogio::Agora() {
    const qint64 fixo = g_fixo.load(std::memory_order_relaxed);
    return fixo == kSistema ? QDateTime::currentDateTime() : QDateTime::fromMSecsSinceEpoch(fixo);
}

void Relogio::Fixar(const QDateTime& instante) {
    g_fixo.store(instante.toMSecsSinceEpoch(), std::memory_order_relaxed);
}

void Relogio::Liberar() {
    g_fixo.store(kSistema, std::memory_order_relaxed);
}
