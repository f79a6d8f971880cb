#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>
#include <functional>

#include "data/Connection.h"
#include "data/clsADO.h"

// A fresh embedded register with the product tables (schema/*.sql), in a folder of its own
// that disappears with the object, open on its own connection and clsADO.
class RegistroProduto {
  public:
    RegistroProduto();
    ~RegistroProduto();

    Connection cn;
    clsADO ado;

    QString pasta() const { return m_pasta.path(); }
    // Runs a statement straight on the connection (test set-up); fails the test on error.
    void executar(const QString& sql);
    // The first column of the first row (a null QVariant when there is no row).
    QVariant valor(const QString& sql);
    qint64 contar(const QString& tabelaEFiltro) {
        return valor("SELECT COUNT(*) FROM " + tabelaEFiltro).toLongLong();
    }

  private:
    QTemporaryDir m_pasta;
};

// Records what reaches the connection: the SQL of every Execute and Query, and "BEGIN",
// "COMMIT", "ROLLBACK" for the transaction calls. falharEm makes every statement that
// contains the given text fail as if the database had refused it.
class GravadorSQL {
  public:
    explicit GravadorSQL(Connection& cn);
    ~GravadorSQL();

    const QStringList& textos() const { return m_textos; }
    QStringList comandos() const;  // statements only, without the transaction calls
    void limpar() { m_textos.clear(); }
    void falharEm(const QString& trecho) { m_falharEm = trecho; }

  private:
    Connection& m_cn;
    int m_id;
    QStringList m_textos;
    QString m_falharEm;
};
