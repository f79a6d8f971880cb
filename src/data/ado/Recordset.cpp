#include "data/ado/Recordset.h"

#include "data/ado/Connection.h"
#include "data/base/TabelaErros.h"
#include "data/base/TextoSQL.h"

namespace {

const QString kOrigem = QStringLiteral("Recordset");

}  // namespace

Recordset::Recordset() = default;
Recordset::~Recordset() = default;

int Recordset::State() const {
    return m_data ? adStateOpen : adStateClosed;
}

void Recordset::Open(const QString& source, Connection& connection, int cursorType, int lockType,
                     long) {
    if (m_data) {
        dados::Falhar(dados::ErroObjetoAberto, kOrigem,
                      QStringLiteral("Open called on an open record set"));
    }
    if (cursorType != -1) {
        m_cursorType = cursorType;
    }
    if (lockType != -1) {
        m_lockType = lockType;
    }
    dados::Engine& engine = connection.engine();
    connection.notify({Connection::Event::Query, source});
    attach(connection, source, engine.query(source));
}

void Recordset::OpenSchemaResult(Connection& connection, int kind, const QVariantList& criteria) {
    if (m_data) {
        Close();
    }
    dados::Engine& engine = connection.engine();
    connection.notify({Connection::Event::Schema, QString::number(kind)});
    attach(connection, QString(), engine.schema(kind, criteria));
}

void Recordset::attach(Connection& connection, const QString& source, dados::ResultData data) {
    m_data = std::make_shared<dados::ResultData>(std::move(data));
    m_connection = &connection;
    m_source = source;
    m_adding = false;
    m_fields.clear();
    m_fields.reserve(m_data->columns.size());
    for (const auto& c : m_data->columns) {
        m_fields.push_back(Field(c.name, c.type, c.definedSize));
    }
    m_position = 0;
    loadCurrent();
    changed();
}

void Recordset::Close() {
    requireOpen();
    m_data.reset();
    m_fields.clear();
    m_position = 0;
    m_adding = false;
    changed();
}

void Recordset::Requery() {
    requireOpen();
    Connection& connection = *m_connection;
    dados::Engine& engine = connection.engine();
    connection.notify({Connection::Event::Query, m_source});
    dados::ResultData data = engine.query(m_source);
    attach(connection, m_source, std::move(data));
}

void Recordset::requireOpen() const {
    if (!m_data) {
        dados::Falhar(dados::ErroObjetoFechado, kOrigem,
                      QStringLiteral("operation on a closed record set"));
    }
}

void Recordset::requireCurrent() const {
    requireOpen();
    if (!m_adding && (m_position < 0 || m_position >= m_data->rows.size())) {
        dados::Falhar(dados::ErroBofEof, kOrigem, QStringLiteral("no current row"));
    }
}

qint32 Recordset::RecordCount() const {
    return m_data ? static_cast<qint32>(m_data->rows.size()) : -1;
}

qint32 Recordset::AbsolutePosition() const {
    if (!m_data) {
        return adPosUnknown;
    }
    if (Bof()) {
        return adPosBOF;
    }
    if (Eof()) {
        return adPosEOF;
    }
    return m_position + 1;
}

void Recordset::setAbsolutePosition(qint32 position) {
    requireOpen();
    if (position < 1 || position > m_data->rows.size()) {
        dados::Falhar(dados::ErroArgumento, kOrigem,
                      QStringLiteral("AbsolutePosition %1 outside 1..%2")
                          .arg(position)
                          .arg(m_data->rows.size()));
    }
    m_adding = false;
    m_position = position - 1;
    loadCurrent();
    changed();
}

bool Recordset::Eof() const {
    return m_data && (m_data->rows.isEmpty() || m_position >= m_data->rows.size());
}

bool Recordset::Bof() const {
    return m_data && (m_data->rows.isEmpty() || m_position < 0);
}

void Recordset::MoveFirst() {
    requireOpen();
    m_adding = false;
    m_position = 0;
    loadCurrent();
    changed();
}

void Recordset::MoveLast() {
    requireOpen();
    m_adding = false;
    m_position = m_data->rows.isEmpty() ? 0 : static_cast<qint32>(m_data->rows.size() - 1);
    loadCurrent();
    changed();
}

void Recordset::MoveNext() {
    requireOpen();
    if (Eof()) {
        dados::Falhar(dados::ErroBofEof, kOrigem, QStringLiteral("MoveNext at EOF"));
    }
    m_adding = false;
    ++m_position;
    loadCurrent();
    changed();
}

void Recordset::MovePrevious() {
    requireOpen();
    if (Bof()) {
        dados::Falhar(dados::ErroBofEof, kOrigem, QStringLiteral("MovePrevious at BOF"));
    }
    m_adding = false;
    --m_position;
    loadCurrent();
    changed();
}

int Recordset::FieldCount() const {
    return m_fields.size();
}

int Recordset::indexOf(const QString& name) const {
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i].m_name.compare(name, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

Field& Recordset::Fields(int index) {
    requireOpen();
    if (index < 0 || index >= m_fields.size()) {
        dados::Falhar(dados::ErroItemNaoEncontrado, kOrigem,
                      QStringLiteral("no field at index %1").arg(index));
    }
    return m_fields[index];
}

Field& Recordset::Fields(const QString& name) {
    requireOpen();
    const int i = indexOf(name);
    if (i < 0) {
        dados::Falhar(dados::ErroItemNaoEncontrado, kOrigem,
                      QStringLiteral("no field named %1").arg(name));
    }
    return m_fields[i];
}

const dados::ResultData& Recordset::Data() const {
    static const dados::ResultData vazio;
    return m_data ? *m_data : vazio;
}

void Recordset::loadCurrent() {
    const bool current = m_data && m_position >= 0 && m_position < m_data->rows.size();
    for (int i = 0; i < m_fields.size(); ++i) {
        Field& f = m_fields[i];
        f.m_current = current;
        f.m_changed = false;
        f.m_value = current ? m_data->rows[m_position][i] : QVariant();
        f.m_original = f.m_value;
    }
}

void Recordset::changed() {
    if (m_listener) {
        m_listener();
    }
}

// ---- optimistic editing ----

void Recordset::AddNew() {
    requireOpen();
    if (m_lockType == adLockReadOnly) {
        dados::Falhar(dados::ErroOperacao, kOrigem, QStringLiteral("AddNew on a read-only set"));
    }
    m_adding = true;
    for (Field& f : m_fields) {
        f.m_current = true;
        f.m_changed = false;
        f.m_value = QVariant();
        f.m_original = QVariant();
    }
}

void Recordset::CancelUpdate() {
    requireOpen();
    m_adding = false;
    loadCurrent();
}

QString Recordset::baseTable() const {
    QString tabela;
    for (const auto& c : m_data->columns) {
        if (c.baseTable.isEmpty()) {
            continue;
        }
        if (tabela.isEmpty()) {
            tabela = c.baseTable;
        } else if (tabela.compare(c.baseTable, Qt::CaseInsensitive) != 0) {
            dados::Falhar(dados::ErroOperacao, kOrigem,
                          QStringLiteral("rows of more than one table (%1, %2) cannot be updated")
                              .arg(tabela, c.baseTable));
        }
    }
    if (tabela.isEmpty()) {
        dados::Falhar(dados::ErroOperacao, kOrigem,
                      QStringLiteral("the rows have no base table to update"));
    }
    return tabela;
}

void Recordset::Update() {
    requireCurrent();
    if (m_lockType == adLockReadOnly) {
        dados::Falhar(dados::ErroOperacao, kOrigem, QStringLiteral("Update on a read-only set"));
    }
    const QString tabela = baseTable();
    if (m_adding) {
        insertRow(tabela);
    } else {
        updateRow(tabela);
    }
    changed();
}

void Recordset::insertRow(const QString& tabela) {
    QStringList colunas;
    QStringList valores;
    int identidade = -1;
    QVector<int> chaves;
    for (int i = 0; i < m_fields.size(); ++i) {
        const auto& c = m_data->columns[i];
        if (c.autoIncrement) {
            identidade = i;
        }
        if (c.key) {
            chaves.push_back(i);
        }
        // Unset columns are left out so that the table's defaults apply.
        if (m_fields[i].m_changed && !c.baseColumn.isEmpty()) {
            colunas << dados::NomeTSql(c.baseColumn);
            valores << dados::LiteralTSql(m_fields[i].m_value);
        }
    }
    const QString sql =
        colunas.isEmpty()
            ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(dados::NomeTSql(tabela))
            : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(dados::NomeTSql(tabela), colunas.join(QStringLiteral(", ")),
                       valores.join(QStringLiteral(", ")));
    m_connection->Execute(sql);
    if (identidade >= 0) {
        Recordset id;
        id.Open(QStringLiteral("SELECT @@IDENTITY"), *m_connection);
        m_fields[identidade].m_value = id.m_data->rows.value(0).value(0);
        chaves = {identidade};
    }
    // The new row joins the set at its end and becomes the current row.
    m_data->rows.push_back(QVector<QVariant>(m_fields.size()));
    const qint32 linha = static_cast<qint32>(m_data->rows.size() - 1);
    for (int i = 0; i < m_fields.size(); ++i) {
        m_data->rows[linha][i] = m_fields[i].m_value;
    }
    m_adding = false;
    m_position = linha;
    rereadRow(tabela, chaves, linha);
    loadCurrent();
}

void Recordset::updateRow(const QString& tabela) {
    QStringList sets;
    QStringList onde;
    QVector<int> chaves;
    for (int i = 0; i < m_fields.size(); ++i) {
        const auto& c = m_data->columns[i];
        if (c.baseColumn.isEmpty()) {
            continue;
        }
        const Field& f = m_fields[i];
        if (f.m_changed) {
            sets << dados::NomeTSql(c.baseColumn) + QStringLiteral(" = ") +
                        dados::LiteralTSql(f.m_value);
        }
        // Optimistic: the row must still hold its key and the old values of what changes.
        if (c.key || f.m_changed) {
            onde << (f.m_original.isNull()
                         ? dados::NomeTSql(c.baseColumn) + QStringLiteral(" IS NULL")
                         : dados::NomeTSql(c.baseColumn) + QStringLiteral(" = ") +
                               dados::LiteralTSql(f.m_original));
        }
        if (c.key) {
            chaves.push_back(i);
        }
    }
    if (sets.isEmpty()) {
        return;
    }
    const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                            .arg(dados::NomeTSql(tabela), sets.join(QStringLiteral(", ")),
                                 onde.join(QStringLiteral(" AND ")));
    qint32 afetados = 0;
    m_connection->Execute(sql, &afetados);
    if (afetados != 1) {
        dados::Falhar(
            dados::ErroLinhaNaoLocalizada, kOrigem,
            QStringLiteral("optimistic update matched %1 rows: %2").arg(afetados).arg(sql));
    }
    for (int i = 0; i < m_fields.size(); ++i) {
        m_data->rows[m_position][i] = m_fields[i].m_value;
    }
    rereadRow(tabela, chaves, m_position);
    loadCurrent();
}

// Reads the written row back by its key, so that defaults and computed values show.
void Recordset::rereadRow(const QString& tabela, const QVector<int>& chaves, qint32 linha) {
    if (chaves.isEmpty()) {
        return;
    }
    QStringList colunas;
    for (const auto& c : m_data->columns) {
        colunas << (c.baseColumn.isEmpty() ? QStringLiteral("NULL")
                                           : dados::NomeTSql(c.baseColumn));
    }
    QStringList onde;
    for (int i : chaves) {
        onde << dados::NomeTSql(m_data->columns[i].baseColumn) + QStringLiteral(" = ") +
                    dados::LiteralTSql(m_data->rows[linha][i]);
    }
    Recordset r;
    r.Open(QStringLiteral("SELECT %1 FROM %2 WHERE %3")
               .arg(colunas.join(QStringLiteral(", ")), dados::NomeTSql(tabela),
                    onde.join(QStringLiteral(" AND "))),
           *m_connection);
    if (r.m_data->rows.size() == 1) {
        const auto& lida = r.m_data->rows[0];
        for (int i = 0; i < m_fields.size(); ++i) {
            if (!m_data->columns[i].baseColumn.isEmpty()) {
                m_data->rows[linha][i] = lida[i];
            }
        }
    }
}
