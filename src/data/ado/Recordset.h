#pragma once

#include <QString>
#include <QVariantList>
#include <QVector>
#include <functional>
#include <memory>

#include "data/ado/Field.h"
#include "data/base/EnumsADO.h"
#include "data/base/Motor.h"

class Connection;

// The ADO-like record set: client-side and static. Open reads every row into memory, so
// RecordCount and AbsolutePosition (1-based) are exact. Failures throw ErroNumerado.
class Recordset {
  public:
    Recordset();
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    int CursorLocation() const { return m_cursorLocation; }
    void setCursorLocation(int v) { m_cursorLocation = v; }
    int CursorType() const { return m_cursorType; }
    void setCursorType(int v) { m_cursorType = v; }
    int LockType() const { return m_lockType; }
    void setLockType(int v) { m_lockType = v; }

    int State() const;  // adStateClosed / adStateOpen
    QString Source() const { return m_source; }
    Connection* ActiveConnection() const { return m_connection; }

    // -1 for cursorType/lockType keeps the values set before.
    void Open(const QString& source, Connection& connection, int cursorType = -1, int lockType = -1,
              long options = -1);
    void Close();
    // Takes rows read elsewhere (on another connection, on another thread) as if Open had read
    // them with `source` on `connection`, so Requery and Update then work on that connection.
    void Adotar(Connection& connection, const QString& source, dados::DadosConsulta data);
    void Requery();  // runs Source again on the same connection, back on the first row

    qint32 RecordCount() const;
    qint32 AbsolutePosition() const;  // 1-based, or a PositionEnum value
    void setAbsolutePosition(qint32 position);
    bool Eof() const;
    bool Bof() const;
    void MoveFirst();
    void MoveNext();
    void MovePrevious();
    void MoveLast();

    int FieldCount() const;
    // By 0-based index or by name (case-insensitive, accents included); an unknown name or a
    // read with no current row throws.
    Field& Fields(int index);
    Field& Fields(const QString& name);

    // Optimistic editing of the one base table behind the rows: AddNew starts a new row,
    // the caller sets Field values, Update writes the row back with INSERT/UPDATE through the
    // connection (identity read back), CancelUpdate drops the edit.
    void AddNew();
    void Update();
    void CancelUpdate();

    // Fills the record set with a schema rowset (Connection::OpenSchema).
    void AbrirResultadoEsquema(Connection& connection, int tipoEsquema,
                               const QVariantList& criterios);

    // The grid model reads rows without moving the cursor.
    const dados::DadosConsulta& Dados() const;
    // Called after every change of position or of the rows (open, close, requery, move).
    void setOuvinte(std::function<void()> listener) { m_ouvinte = std::move(listener); }

  private:
    void carregarAtual();
    void mudou();
    void anexar(Connection& connection, const QString& source, dados::DadosConsulta data);
    void exigirAberto() const;
    void exigirLinha() const;
    int indice(const QString& nome) const;
    QString tabelaBase() const;
    void inserirLinha(const QString& table);
    void atualizarLinha(const QString& table);
    void relerLinha(const QString& table, const QVector<int>& keys, qint32 row);

    int m_cursorLocation = adUseServer;
    int m_cursorType = adOpenForwardOnly;
    int m_lockType = adLockReadOnly;
    QString m_source;
    Connection* m_connection = nullptr;
    std::shared_ptr<dados::DadosConsulta> m_dados;
    qint32 m_posicao = 0;  // 0-based row index; -1 BOF, size() EOF
    QVector<Field> m_campos;
    bool m_incluindo = false;
    std::function<void()> m_ouvinte;
};
