#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

#include "data/Connection.h"
#include "data/clsADO.h"

// A small register on a real embedded database file for the merge tests: the product's
// patient and exam tables, the log tables, and helpers to fill and inspect them.
class RegistroMerge {
  public:
    // Creates the file and the product tables; the log tables only when pedido.
    explicit RegistroMerge(bool criarTabelasLog = true);
    ~RegistroMerge();

    QString Arquivo() const { return m_arquivo; }
    QString StringConexao() const;
    Connection& cn() { return m_cn; }
    clsADO& ado() { return m_ado; }

    // Runs a statement that must work (a failure fails the test).
    void Executar(const QString& sql);
    // The first column of the first row of a query that must work.
    QVariant Valor(const QString& sql);
    qint64 Contar(const QString& sql) { return Valor(sql).toLongLong(); }

    // Adds patients with the next identity keys; returns the last key.
    qint32 NovoPaciente(const QString& nome);
    // Adds an exam to Exame and its copy to Exame_BK.
    void NovoExame(qint32 idPaciente, const QString& numero);

    // Every row of every table (and the schema), read straight from the file with SQLite, in
    // a canonical order: two equal snapshots mean the file holds the same data.
    QByteArray Instantaneo() const;

    // Runs raw SQLite on the file, outside our engine (triggers, views, locks for faults).
    void SqliteDireto(const QString& sql) const;

  private:
    QTemporaryDir m_dir;
    QString m_arquivo;
    Connection m_cn;
    clsADO m_ado;
};

// Creates an empty register file (SQLite) at the path.
void CriarArquivoRegistro(const QString& arquivo);
// The product tables a merge touches, through the embedded engine.
void CriarTabelasProduto(Connection& cn, clsADO& ado);
