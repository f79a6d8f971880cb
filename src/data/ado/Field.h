#pragma once

#include <QString>
#include <QVariant>

#include "data/base/EnumsADO.h"

// One column of the current row of a Recordset.
class Field {
  public:
    Field() = default;
    Field(QString name, int type, int definedSize)
        : m_name(std::move(name)), m_type(type), m_definedSize(definedSize) {}

    const QString& Name() const { return m_name; }
    int Type() const { return m_type; }
    int DefinedSize() const { return m_definedSize; }

    // Reading with no current row (BOF or EOF) throws ErroNumerado 3021, as ADO does.
    QVariant Value() const;
    void setValue(const QVariant& v);  // Recordset tracks edits for Update
    QVariant OriginalValue() const { return m_original; }
    bool Alterado() const { return m_alterado; }

  private:
    friend class Recordset;
    QString m_name;
    int m_type = adEmpty;
    int m_definedSize = 0;
    QVariant m_value;
    QVariant m_original;
    bool m_temLinha = false;  // the record set has a current row
    bool m_alterado = false;
};
