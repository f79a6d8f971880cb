#pragma once

// While it lives, the disk looks full to the embedded registers: the next write to a file the
// engine opens (a register's rollback journal, made at each write transaction, or a register
// opened meanwhile) fails as a full disk makes it fail, and SQLite answers SQLITE_FULL; then
// writes go through again, as when space is freed. Everything above the file system is the
// real thing: SQLite, the engine, the program.
class DiscoCheio {
  public:
    DiscoCheio();
    ~DiscoCheio();
    DiscoCheio(const DiscoCheio&) = delete;
    DiscoCheio& operator=(const DiscoCheio&) = delete;
};
