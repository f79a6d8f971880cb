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
    return m_dados ? adStateOpen : adStateClosed;
}

void Recordset::Open(const QString& source, Connection& connection, int cursorType, int lockType,
                     long) {
    if (m_dados) {
        dados::Falhar(dados::ErroObjetoAberto, kOrigem,
                      QStringLiteral("Open called on an open record set"));
    }
    if (cursorType != -1) {
        m_cursorType = cursorType;
    }
    if (lockType != -1) {
        m_lockType = lockType;
    }
    dados::Motor& engine = connection.motor();
    connection.notificar({Connection::Evento::Consulta, source});
    anexar(connection, source, engine.consultar(source));
}

void Recordset::AbrirResultadoEsquema(Connection& connection, int tipoEsquema,
                                      const QVariantList& criterios) {
    if (m_dados) {
        Close();
    }
    dados::Motor& engine = connection.motor();
    connection.notificar({Connection::Evento::Esquema, QString::number(tipoEsquema)});
    anexar(connection, QString(), engine.esquema(tipoEsquema, criterios));
}

void Recordset::anexar(Connection& connection, const QString& source, dados::DadosConsulta data) {
    m_dados = std::make_shared<dados::DadosConsulta>(std::move(data));
    m_connection = &connection;
    m_source = source;
    m_incluindo = false;
    m_campos.clear();
    m_campos.reserve(m_dados->colunas.size());
    for (const auto& c : m_dados->colunas) {
        m_campos.push_back(Field(c.nome, c.tipo, c.tamanhoDefinido));
    }
    m_posicao = 0;
    carregarAtual();
    mudou();
}

void Recordset::Adotar(Connection& connection, const QString& source, dados::DadosConsulta data) {
    // One change for the listener: the old rows give way to the new ones at once.
    anexar(connection, source, std::move(data));
}

void Recordset::Close() {
    exigirAberto();
    m_dados.reset();
    m_campos.clear();
    m_posicao = 0;
    m_incluindo = false;
    mudou();
}

void Recordset::Requery() {
    exigirAberto();
    Connection& connection = *m_connection;
    dados::Motor& engine = connection.motor();
    connection.notificar({Connection::Evento::Consulta, m_source});
    dados::DadosConsulta data = engine.consultar(m_source);
    anexar(connection, m_source, std::move(data));
}

void Recordset::exigirAberto() const {
    if (!m_dados) {
        dados::Falhar(dados::ErroObjetoFechado, kOrigem,
                      QStringLiteral("operation on a closed record set"));
    }
}

void Recordset::exigirLinha() const {
    exigirAberto();
    if (!m_incluindo && (m_posicao < 0 || m_posicao >= m_dados->linhas.size())) {
        dados::Falhar(dados::ErroBofEof, kOrigem, QStringLiteral("no current row"));
    }
}

qint32 Recordset::RecordCount() const {
    return m_dados ? static_cast<qint32>(m_dados->linhas.size()) : -1;
}

qint32 Recordset::AbsolutePosition() const {
    if (!m_dados) {
        return adPosUnknown;
    }
    if (Bof()) {
        return adPosBOF;
    }
    if (Eof()) {
        return adPosEOF;
    }
    return m_posicao + 1;
}

void Recordset::setAbsolutePosition(qint32 position) {
    exigirAberto();
    if (position < 1 || position > m_dados->linhas.size()) {
        dados::Falhar(dados::ErroArgumento, kOrigem,
                      QStringLiteral("AbsolutePosition %1 outside 1..%2")
                          .arg(position)
                          .arg(m_dados->linhas.size()));
    }
    m_incluindo = false;
    m_posicao = position - 1;
    carregarAtual();
    mudou();
}

bool Recordset::Eof() const {
    return m_dados && (m_dados->linhas.isEmpty() || m_posicao >= m_dados->linhas.size());
}

bool Recordset::Bof() const {
    return m_dados && (m_dados->linhas.isEmpty() || m_posicao < 0);
}

void Recordset::MoveFirst() {
    exigirAberto();
    m_incluindo = false;
    m_posicao = 0;
    carregarAtual();
    mudou();
}

void Recordset::MoveLast() {
    exigirAberto();
    m_incluindo = false;
    m_posicao = m_dados->linhas.isEmpty() ? 0 : static_cast<qint32>(m_dados->linhas.size() - 1);
    carregarAtual();
    mudou();
}

void Recordset::MoveNext() {
    exigirAberto();
    if (Eof()) {
        dados::Falhar(dados::ErroBofEof, kOrigem, QStringLiteral("MoveNext at EOF"));
    }
    m_incluindo = false;
    ++m_posicao;
    carregarAtual();
    mudou();
}

void Recordset::MovePrevious() {
    exigirAberto();
    if (Bof()) {
        dados::Falhar(dados::ErroBofEof, kOrigem, QStringLiteral("MovePrevious at BOF"));
    }
    m_incluindo = false;
    --m_posicao;
    carregarAtual();
    mudou();
}

int Recordset::FieldCount() const {
    return m_campos.size();
}

int Recordset::indice(const QString& nome) const {
    for (int i = 0; i < m_campos.size(); ++i) {
        if (m_campos[i].m_name.compare(nome, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

Field& Recordset::Fields(int index) {
    exigirAberto();
    if (index < 0 || index >= m_campos.size()) {
        dados::Falhar(dados::ErroItemNaoEncontrado, kOrigem,
                      QStringLiteral("no field at index %1").arg(index));
    }
    return m_campos[index];
}

Field& Recordset::Fields(const QString& name) {
    exigirAberto();
    const int i = indice(name);
    if (i < 0) {
        dados::Falhar(dados::ErroItemNaoEncontrado, kOrigem,
                      QStringLiteral("no field named %1").arg(name));
    }
    return m_campos[i];
}

const dados::DadosConsulta& Recordset::Dados() const {
    static const dados::DadosConsulta vazio;
    return m_dados ? *m_dados : vazio;
}

void Recordset::carregarAtual() {
    const bool current = m_dados && m_posicao >= 0 && m_posicao < m_dados->linhas.size();
    for (int i = 0; i < m_campos.size(); ++i) {
        Field& f = m_campos[i];
        f.m_temLinha = current;
        f.m_alterado = false;
        f.m_value = current ? m_dados->linhas[m_posicao][i] : QVariant();
        f.m_original = f.m_value;
    }
}

void Recordset::mudou() {
    if (m_ouvinte) {
        m_ouvinte();
    }
}

// ---- optimistic editing ----

void Recordset::AddNew() {
    exigirAberto();
    if (m_lockType == adLockReadOnly) {
        dados::Falhar(dados::ErroOperacao, kOrigem, QStringLiteral("AddNew on a read-only set"));
    }
    m_incluindo = true;
    for (Field& f : m_campos) {
        f.m_temLinha = true;
        f.m_alterado = false;
        f.m_value = QVariant();
        f.m_original = QVariant();
    }
}

void Recordset::CancelUpdate() {
    exigirAberto();
    m_incluindo = false;
    carregarAtual();
}

QString Recordset::tabelaBase() const {
    QString tabela;
    for (const auto& c : m_dados->colunas) {
        if (c.tabelaBase.isEmpty()) {
            continue;
        }
        if (tabela.isEmpty()) {
            tabela = c.tabelaBase;
        } else if (tabela.compare(c.tabelaBase, Qt::CaseInsensitive) != 0) {
            dados::Falhar(dados::ErroOperacao, kOrigem,
                          QStringLiteral("rows of more than one table (%1, %2) cannot be updated")
                              .arg(tabela, c.tabelaBase));
        }
    }
    if (tabela.isEmpty()) {
        dados::Falhar(dados::ErroOperacao, kOrigem,
                      QStringLiteral("the rows have no base table to update"));
    }
    return tabela;
}

void Recordset::Update() {
    exigirLinha();
    if (m_lockType == adLockReadOnly) {
        dados::Falhar(dados::ErroOperacao, kOrigem, QStringLiteral("Update on a read-only set"));
    }
    const QString tabela = tabelaBase();
    if (m_incluindo) {
        inserirLinha(tabela);
    } else {
        atualizarLinha(tabela);
    }
    mudou();
}

void Recordset::inserirLinha(const QString& tabela) {
    QStringList colunas;
    QStringList valores;
    int identidade = -1;
    QVector<int> chaves;
    for (int i = 0; i < m_campos.size(); ++i) {
        const auto& c = m_dados->colunas[i];
        if (c.autoIncremento) {
            identidade = i;
        }
        if (c.chave) {
            chaves.push_back(i);
        }
        // Unset columns are left out so that the table's defaults apply.
        if (m_campos[i].m_alterado && !c.colunaBase.isEmpty()) {
            colunas << dados::NomeTSql(c.colunaBase);
            valores << dados::LiteralTSql(m_campos[i].m_value);
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
        m_campos[identidade].m_value = id.m_dados->linhas.value(0).value(0);
        chaves = {identidade};
    }
    // The new row joins the set at its end and becomes the current row.
    m_dados->linhas.push_back(QVector<QVariant>(m_campos.size()));
    const qint32 linha = static_cast<qint32>(m_dados->linhas.size() - 1);
    for (int i = 0; i < m_campos.size(); ++i) {
        m_dados->linhas[linha][i] = m_campos[i].m_value;
    }
    m_incluindo = false;
    m_posicao = linha;
    relerLinha(tabela, chaves, linha);
    carregarAtual();
}

void Recordset::atualizarLinha(const QString& tabela) {
    QStringList sets;
    QStringList onde;
    QVector<int> chaves;
    for (int i = 0; i < m_campos.size(); ++i) {
        const auto& c = m_dados->colunas[i];
        if (c.colunaBase.isEmpty()) {
            continue;
        }
        const Field& f = m_campos[i];
        if (f.m_alterado) {
            sets << dados::NomeTSql(c.colunaBase) + QStringLiteral(" = ") +
                        dados::LiteralTSql(f.m_value);
        }
        // Optimistic: the row must still hold its key and the old values of what changes.
        if (c.chave || f.m_alterado) {
            onde << (f.m_original.isNull()
                         ? dados::NomeTSql(c.colunaBase) + QStringLiteral(" IS NULL")
                         : dados::NomeTSql(c.colunaBase) + QStringLiteral(" = ") +
                               dados::LiteralTSql(f.m_original));
        }
        if (c.chave) {
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
    for (int i = 0; i < m_campos.size(); ++i) {
        m_dados->linhas[m_posicao][i] = m_campos[i].m_value;
    }
    relerLinha(tabela, chaves, m_posicao);
    carregarAtual();
}

// Reads the written row back by its key, so that defaults and computed values show.
void Recordset::relerLinha(const QString& tabela, const QVector<int>& chaves, qint32 linha) {
    if (chaves.isEmpty()) {
        return;
    }
    QStringList colunas;
    for (const auto& c : m_dados->colunas) {
        colunas << (c.colunaBase.isEmpty() ? QStringLiteral("NULL")
                                           : dados::NomeTSql(c.colunaBase));
    }
    QStringList onde;
    for (int i : chaves) {
        onde << dados::NomeTSql(m_dados->colunas[i].colunaBase) + QStringLiteral(" = ") +
                    dados::LiteralTSql(m_dados->linhas[linha][i]);
    }
    Recordset r;
    r.Open(QStringLiteral("SELECT %1 FROM %2 WHERE %3")
               .arg(colunas.join(QStringLiteral(", ")), dados::NomeTSql(tabela),
                    onde.join(QStringLiteral(" AND "))),
           *m_connection);
    if (r.m_dados->linhas.size() == 1) {
        const auto& lida = r.m_dados->linhas[0];
        for (int i = 0; i < m_campos.size(); ++i) {
            if (!m_dados->colunas[i].colunaBase.isEmpty()) {
                m_dados->linhas[linha][i] = lida[i];
            }
        }
    }
}
