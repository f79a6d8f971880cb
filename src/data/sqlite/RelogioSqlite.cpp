#include "data/sqlite/RelogioSqlite.h"

#include <sqlite3.h>

#include <mutex>

#include "data/base/Relogio.h"

namespace {

// The Julian day of the Unix epoch, in milliseconds: SQLite counts time from there.
constexpr sqlite3_int64 kEpocaJuliana = 210866760000000LL;

sqlite3_vfs g_vfs;

int AgoraJuliano(sqlite3_vfs*, sqlite3_int64* agora) {
    *agora = kEpocaJuliana + Relogio::Agora().toMSecsSinceEpoch();
    return SQLITE_OK;
}

int AgoraJulianoDias(sqlite3_vfs* vfs, double* agora) {
    sqlite3_int64 ms = 0;
    AgoraJuliano(vfs, &ms);
    *agora = double(ms) / 86400000.0;
    return SQLITE_OK;
}

}  // namespace

const char* VfsDoRelogio() {
    static std::once_flag registrado;
    std::call_once(registrado, [] {
        // A copy of the default VFS keeps its files, locks and pAppData; only the clock
        // changes. SQLite still reads the time once per statement, as SQL Server reads
        // getdate() once per statement.
        g_vfs = *sqlite3_vfs_find(nullptr);
        g_vfs.zName = "cadunir_relogio";
        g_vfs.pNext = nullptr;
        g_vfs.xCurrentTime = AgoraJulianoDias;
        if (g_vfs.iVersion >= 2) {
            g_vfs.xCurrentTimeInt64 = AgoraJuliano;
        }
        sqlite3_vfs_register(&g_vfs, 0);
    });
    return g_vfs.zName;
}
