#pragma once

#include <QString>
#include <QVector>

namespace dados {

// One key=value pair of a connection string, the key as written.
struct ParConexao {
    QString chave;
    QString valor;
};

// Splits "k1=v1;k2=v2" (values may be quoted with "..." or {...}, blanks around keys and
// values dropped). Keys compare case-insensitively in Valor().
class CadeiaConexao {
  public:
    explicit CadeiaConexao(const QString& texto);
    QString Valor(const QString& chave) const;  // null QString when absent
    bool Tem(const QString& chave) const;
    const QVector<ParConexao>& Pares() const { return m_pares; }

  private:
    QVector<ParConexao> m_pares;
};

}  // namespace dados
