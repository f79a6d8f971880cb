#include "DiscoCheio.h"

#include <sqlite3.h>

#include "data/sqlite/RelogioSqlite.h"

namespace {

// The engine's files all come from one VFS, whose open this wraps: each file it opens gets a
// copy of its own methods in which only the write can fail.
int (*g_abrirOriginal)(sqlite3_vfs*, sqlite3_filename, sqlite3_file*, int, int*) = nullptr;
const sqlite3_io_methods* g_metodosOriginais = nullptr;
sqlite3_io_methods g_metodos;
int g_escritasRecusadas = 0;

int Escrever(sqlite3_file* arquivo, const void* dados, int n, sqlite3_int64 posicao) {
    if (g_escritasRecusadas > 0) {
        --g_escritasRecusadas;
        return SQLITE_FULL;
    }
    return g_metodosOriginais->xWrite(arquivo, dados, n, posicao);
}

int Abrir(sqlite3_vfs* vfs, sqlite3_filename nome, sqlite3_file* arquivo, int flags, int* saida) {
    const int rc = g_abrirOriginal(vfs, nome, arquivo, flags, saida);
    if (rc == SQLITE_OK && arquivo->pMethods != nullptr &&
        (g_metodosOriginais == nullptr || arquivo->pMethods == g_metodosOriginais)) {
        g_metodosOriginais = arquivo->pMethods;
        g_metodos = *g_metodosOriginais;
        g_metodos.xWrite = Escrever;
        arquivo->pMethods = &g_metodos;
    }
    return rc;
}

}  // namespace

DiscoCheio::DiscoCheio() {
    sqlite3_vfs* vfs = sqlite3_vfs_find(VfsDoRelogio());
    g_abrirOriginal = vfs->xOpen;
    vfs->xOpen = Abrir;
    g_escritasRecusadas = 1;
}

DiscoCheio::~DiscoCheio() {
    sqlite3_vfs_find(VfsDoRelogio())->xOpen = g_abrirOriginal;
    g_escritasRecusadas = 0;
}
