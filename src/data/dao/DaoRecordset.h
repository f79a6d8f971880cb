#pragma once

#include <QString>
#include <QVariant>
#include <QVector>
#include <memory>

#include "data/dao/DaoDatabase.h"

// A DAO-like record set over the desktop database. All rows are read when it opens, so
// RecordCount is exact at once. A dynaset over one local table is updatable: Edit/AddNew,
// field values, Update writes the row back (an edited row is found by its values as read, and
// a row changed by someone else in between fails with 3197); Delete removes the current row.
// Rows of a linked table or a pass-through query are read-only. Failures throw ErroNumerado.
class DaoRecordset {
  public:
    DaoRecordset();
    ~DaoRecordset();
    DaoRecordset(const DaoRecordset&) = delete;
    DaoRecordset& operator=(const DaoRecordset&) = delete;

    // `source`: a table name, a saved query name or a SELECT of the database's own dialect.
    void Open(DaoDatabase& db, const QString& source, int type = dbOpenDynaset);
    void Close();
    bool IsOpen() const { return m_db != nullptr; }
    int Type() const { return m_type; }
    bool Updatable() const;

    qint32 RecordCount() const;
    bool Eof() const;
    bool Bof() const;
    void MoveFirst();
    void MoveNext();
    void MovePrevious();
    void MoveLast();

    int FieldCount() const;
    const DaoField& Field(int index) const;
    // The current row's value (of the row being edited during Edit/AddNew).
    QVariant Value(int index) const;
    QVariant Value(const QString& name) const;
    void setValue(int index, const QVariant& value);
    void setValue(const QString& name, const QVariant& value);

    void AddNew();
    void Edit();
    void Update();
    void CancelUpdate();
    void Delete();

  private:
    enum class Edicao { Nenhuma, Editando, Incluindo };

    void exigirAberto() const;
    void exigirLinha() const;
    int indice(const QString& name) const;
    QString condicaoDaLinha(const QVector<QVariant>& linha, QVariantList& valores) const;
    QVector<QVariant> relerPorRowid(qint64 rowid);

    DaoDatabase* m_db = nullptr;
    std::weak_ptr<void> m_arquivo;  // the open file this set was read from
    int m_type = 0;
    QString m_tabelaBase;
    DaoLinhas m_dados;
    qint32 m_posicao = 0;  // 0-based; -1 BOF, size() EOF
    Edicao m_edicao = Edicao::Nenhuma;
    QVector<QVariant> m_buffer;
    QVector<bool> m_alterado;
};
