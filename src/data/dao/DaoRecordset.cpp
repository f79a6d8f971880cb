#include "data/dao/DaoRecordset.h"

#include "data/base/TabelaErros.h"
#include "data/dao/DaoSqlite.h"

using daosqlite::Identificador;

namespace {
const char* const kOrigem = "DAO.Recordset";
}

DaoRecordset::DaoRecordset() = default;
DaoRecordset::~DaoRecordset() = default;

void DaoRecordset::Open(DaoDatabase& db, const QString& source, int type) {
    if (type != dbOpenTable && type != dbOpenDynaset && type != dbOpenSnapshot) {
        LancarErroDao(daoArgumentoInvalido, kOrigem, QString("tipo %1").arg(type));
    }
    Close();
    QString base;
    DaoLinhas dados = db.ler(source, base);
    m_db = &db;
    m_arquivo = db.m_arquivo;
    m_type = type;
    m_tabelaBase = type == dbOpenSnapshot ? QString() : base;
    m_dados = std::move(dados);
    m_posicao = 0;
}

void DaoRecordset::Close() {
    m_db = nullptr;
    m_arquivo.reset();
    m_type = 0;
    m_tabelaBase.clear();
    m_dados = DaoLinhas();
    m_posicao = 0;
    m_edicao = Edicao::Nenhuma;
}

void DaoRecordset::exigirAberto() const {
    // A set outlives neither its database object nor the file that object had open.
    if (!m_db || m_arquivo.expired() || m_arquivo.lock() != m_db->m_arquivo) {
        LancarErroDao(daoObjetoInvalido, kOrigem, "record set fechado");
    }
}

void DaoRecordset::exigirLinha() const {
    exigirAberto();
    if (m_posicao < 0 || m_posicao >= m_dados.linhas.size()) {
        LancarErroDao(daoSemRegistroAtual, kOrigem);
    }
}

bool DaoRecordset::Updatable() const {
    return m_db && !m_tabelaBase.isEmpty();
}

qint32 DaoRecordset::RecordCount() const {
    exigirAberto();
    return m_dados.linhas.size();
}

bool DaoRecordset::Eof() const {
    exigirAberto();
    return m_posicao >= m_dados.linhas.size();
}

bool DaoRecordset::Bof() const {
    exigirAberto();
    return m_posicao < 0 || m_dados.linhas.isEmpty();
}

void DaoRecordset::MoveFirst() {
    exigirAberto();
    m_posicao = 0;
}

void DaoRecordset::MoveNext() {
    exigirLinha();
    ++m_posicao;
}

void DaoRecordset::MovePrevious() {
    exigirLinha();
    --m_posicao;
}

void DaoRecordset::MoveLast() {
    exigirAberto();
    m_posicao = qMax(0, int(m_dados.linhas.size()) - 1);
}

int DaoRecordset::FieldCount() const {
    exigirAberto();
    return m_dados.campos.size();
}

const DaoField& DaoRecordset::Field(int index) const {
    exigirAberto();
    if (index < 0 || index >= m_dados.campos.size()) {
        LancarErroDao(daoItemNaoEncontrado, kOrigem, QString("campo %1").arg(index));
    }
    return m_dados.campos[index];
}

int DaoRecordset::indice(const QString& name) const {
    exigirAberto();
    for (int i = 0; i < m_dados.campos.size(); ++i) {
        if (m_dados.campos[i].Name.compare(name, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    LancarErroDao(daoItemNaoEncontrado, kOrigem, "campo " + name);
}

QVariant DaoRecordset::Value(int index) const {
    Field(index);
    if (m_edicao != Edicao::Nenhuma) {
        return m_buffer[index];
    }
    exigirLinha();
    return m_dados.linhas[m_posicao][index];
}

QVariant DaoRecordset::Value(const QString& name) const {
    return Value(indice(name));
}

void DaoRecordset::setValue(int index, const QVariant& value) {
    Field(index);
    if (m_edicao == Edicao::Nenhuma) {
        LancarErroDao(daoAtualizacaoSemEdicao, kOrigem);
    }
    m_buffer[index] = value;
    m_alterado[index] = true;
}

void DaoRecordset::setValue(const QString& name, const QVariant& value) {
    setValue(indice(name), value);
}

void DaoRecordset::AddNew() {
    exigirAberto();
    if (!Updatable()) {
        LancarErroDao(daoSomenteLeitura, kOrigem, "record set não atualizável");
    }
    m_buffer = QVector<QVariant>(m_dados.campos.size());
    m_alterado = QVector<bool>(m_dados.campos.size(), false);
    m_edicao = Edicao::Incluindo;
}

void DaoRecordset::Edit() {
    exigirLinha();
    if (!Updatable()) {
        LancarErroDao(daoSomenteLeitura, kOrigem, "record set não atualizável");
    }
    m_buffer = m_dados.linhas[m_posicao];
    m_alterado = QVector<bool>(m_dados.campos.size(), false);
    m_edicao = Edicao::Editando;
}

void DaoRecordset::CancelUpdate() {
    exigirAberto();
    if (m_edicao == Edicao::Nenhuma) {
        LancarErroDao(daoAtualizacaoSemEdicao, kOrigem);
    }
    m_edicao = Edicao::Nenhuma;
}

// The one row of the base table that still holds the values read (dates compared as dates).
QString DaoRecordset::condicaoDaLinha(const QVector<QVariant>& linha, QVariantList& valores) const {
    QStringList partes;
    for (int i = 0; i < m_dados.campos.size(); ++i) {
        const QString coluna = Identificador(m_dados.colunasBase[i]);
        valores << linha[i];
        const QString param = "?" + QString::number(valores.size());
        partes << (m_dados.campos[i].Type == dbDate && !linha[i].isNull()
                       ? "datetime(" + coluna + ") IS datetime(" + param + ")"
                       : coluna + " IS " + param);
    }
    const QString tabela = Identificador(m_tabelaBase);
    return "rowid = (SELECT rowid FROM " + tabela + " WHERE " + partes.join(" AND ") + " LIMIT 1)";
}

QVector<QVariant> DaoRecordset::relerPorRowid(qint64 rowid) {
    QStringList colunas;
    for (const QString& c : m_dados.colunasBase) {
        colunas << Identificador(c);
    }
    const DaoLinhas r = m_db->lerLocal("SELECT " + colunas.join(", ") + " FROM " +
                                           Identificador(m_tabelaBase) + " WHERE rowid = ?1",
                                       {rowid}, nullptr);
    return r.linhas.value(0, QVector<QVariant>(m_dados.campos.size()));
}

void DaoRecordset::Update() {
    exigirAberto();
    if (m_edicao == Edicao::Nenhuma) {
        LancarErroDao(daoAtualizacaoSemEdicao, kOrigem);
    }
    const QString tabela = Identificador(m_tabelaBase);
    QVariantList valores;
    QStringList colunas, parametros;
    for (int i = 0; i < m_buffer.size(); ++i) {
        if (m_alterado[i]) {
            valores << m_buffer[i];
            colunas << Identificador(m_dados.colunasBase[i]);
            parametros << "?" + QString::number(valores.size());
        }
    }
    if (m_edicao == Edicao::Incluindo) {
        m_db->executarLocal(colunas.isEmpty()
                                ? "INSERT INTO " + tabela + " DEFAULT VALUES"
                                : "INSERT INTO " + tabela + " (" + colunas.join(", ") +
                                      ") VALUES (" + parametros.join(", ") + ")",
                            valores);
        const bool noFim = m_posicao >= m_dados.linhas.size();
        m_dados.linhas.push_back(relerPorRowid(m_db->ultimoRowid()));
        if (noFim) {
            m_posicao = m_dados.linhas.size();
        }
    } else if (!colunas.isEmpty()) {
        QStringList atribuicoes;
        for (int i = 0; i < colunas.size(); ++i) {
            atribuicoes << colunas[i] + " = " + parametros[i];
        }
        const QString onde = condicaoDaLinha(m_dados.linhas[m_posicao], valores);
        m_db->executarLocal(
            "UPDATE " + tabela + " SET " + atribuicoes.join(", ") + " WHERE " + onde, valores);
        if (m_db->RecordsAffected() == 0) {
            LancarErroDao(daoConflitoEscrita, kOrigem, "linha alterada em " + m_tabelaBase);
        }
        m_dados.linhas[m_posicao] = m_buffer;
    }
    m_edicao = Edicao::Nenhuma;
}

void DaoRecordset::Delete() {
    exigirLinha();
    if (!Updatable()) {
        LancarErroDao(daoSomenteLeitura, kOrigem, "record set não atualizável");
    }
    QVariantList valores;
    const QString onde = condicaoDaLinha(m_dados.linhas[m_posicao], valores);
    m_db->executarLocal("DELETE FROM " + Identificador(m_tabelaBase) + " WHERE " + onde, valores);
    if (m_db->RecordsAffected() == 0) {
        LancarErroDao(daoConflitoEscrita, kOrigem, "linha alterada em " + m_tabelaBase);
    }
    // The next row becomes current, as after a Delete and MoveNext.
    m_dados.linhas.remove(m_posicao);
}
