#pragma once

#include <QString>
#include <QtGlobal>
#include <string>

struct sqlite3;

// The SQLite side of the dialect layer: the collations that give SQL Server's comparison of
// texts and dates, and the functions the translated statements call.
namespace dados {

struct EstadoSessao {
    bool temIdentidade = false;  // @@IDENTITY is NULL until an identity value is inserted
    qint64 identidade = 0;
    int nivelTransacao = 0;    // @@TRANCOUNT
    QString identidadeInsert;  // the table whose IDENTITY_INSERT is ON (empty when none)
};

// Registers TSQL, TSQLDATE and the tsql_* functions on `db`; `estado` outlives the handle.
void RegistrarFuncoesTSql(sqlite3* db, EstadoSessao* estado);

// SQL Server's SOUNDEX (rules of compatibility level 110 and later).
QString SoundexTSql(const QString& texto);

// The two collations, exposed for tests: <0, 0, >0 like memcmp.
int CompararTextoTSql(const char* a, int na, const char* b, int nb);
int CompararDataTSql(const char* a, int na, const char* b, int nb);

// Keys of the two collations: two values compare equal exactly when their keys are the same
// bytes (the order of the keys means nothing). For grouping by hashing.
void ChaveTextoTSql(const char* s, int n, std::string& chave);
void ChaveDataTSql(const char* s, int n, std::string& chave);

}  // namespace dados
