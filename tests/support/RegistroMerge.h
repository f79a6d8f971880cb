#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "data/ado/Connection.h"
#include "data/ado/clsADO.h"
#include "support/TempRegister.h"

class QRandomGenerator;

// A small register on a real embedded database file for the merge tests: the product's
// patient and exam tables, the log tables and the program's merge records, and helpers to fill
// and inspect them.
class RegistroMerge {
  public:
    // Creates the file and the product tables, and the merge's tables when asked. esperaMs: how
    // long a locked file is waited for (-1: the engine's default).
    explicit RegistroMerge(bool criarTabelasLog = true, int esperaMs = -1);

    QString Arquivo() const { return m_registro.path(); }
    QString StringConexao() const { return m_registro.connectionString(); }
    Connection& cn() { return m_registro.conn(); }
    clsADO& ado() { return m_ado; }

    // Runs a statement that must work (a failure fails the test).
    void Executar(const QString& sql);
    // The first column of the first row of a query that must work.
    QVariant Valor(const QString& sql) { return m_registro.scalar(sql); }
    qint64 Contar(const QString& sql) { return Valor(sql).toLongLong(); }

    // Adds patients with the next identity keys; returns the last key.
    qint32 NovoPaciente(const QString& nome);
    // Adds an exam to Exame and its copy to Exame_BK.
    void NovoExame(qint32 idPaciente, const QString& numero);

    // Every row of every table (and the schema), read straight from the file with SQLite, in
    // a canonical order: two equal snapshots mean the file holds the same data. With table
    // names, only those tables' rows.
    QByteArray Instantaneo(const QStringList& tabelas = {}) const;

    // Runs raw SQLite on the file, outside our engine (triggers, views, locks for faults).
    void SqliteDireto(const QString& sql) const;

    // Holds the file's write lock from another connection while it lives.
    class Trava {
      public:
        explicit Trava(const QString& arquivo);
        ~Trava();
        Trava(const Trava&) = delete;
        Trava& operator=(const Trava&) = delete;

      private:
        struct sqlite3* m_db = nullptr;
    };

  private:
    TempRegister m_registro;
    clsADO m_ado;
};

// Fixes the clock at `inicio` and moves it `passoSeg` on before every removed record's log row
// sent on the connection, so that the log rows of one merge fall in different minutes, as those
// of a slow merge may. The clock is freed at the end.
class RelogioAndando {
  public:
    RelogioAndando(Connection& cn, const QDateTime& inicio, int passoSeg);
    ~RelogioAndando();
    RelogioAndando(const RelogioAndando&) = delete;
    RelogioAndando& operator=(const RelogioAndando&) = delete;

  private:
    Connection& m_cn;
    int m_observador = 0;
};

// RegistroMerge::Instantaneo of any register file.
QByteArray InstantaneoArquivo(const QString& arquivo, const QStringList& tabelas = {});

// The kill-at-random harness. The parent runs this test program again in a child that runs only
// the DISABLED_ test `teste` with CADUNIR_FILHO=valor; the child reports each finished command
// (FilhoAvancou), and the parent lets up to `comandos` of them finish, kills the child with
// SIGKILL a random moment later, and returns false when the child had failed on its own.
bool MatarFilhoAoAcaso(const char* teste, const QString& valor, int comandos,
                       QRandomGenerator& acaso);
bool FilhoAvancou();
