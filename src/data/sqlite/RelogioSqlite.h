#pragma once

// The name of a SQLite VFS that is the system's default one in every respect but the time:
// SQLite's 'now' (and so the embedded getdate()) reads Relogio, the program's one clock.
// Registered on first use; pass it to sqlite3_open_v2.
const char* VfsDoRelogio();
