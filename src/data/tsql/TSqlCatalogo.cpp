#include "data/tsql/TSqlCatalogo.h"

#include <QRegularExpression>

namespace dados {

const ColunaCatalogo* TabelaCatalogo::coluna(const QString& nome) const {
    for (const auto& c : colunas) {
        if (c.nome.compare(nome, Qt::CaseInsensitive) == 0) {
            return &c;
        }
    }
    return nullptr;
}

int TabelaCatalogo::identidade() const {
    for (int i = 0; i < colunas.size(); ++i) {
        if (colunas[i].identidade) {
            return i;
        }
    }
    return -1;
}

void Catalogo::limpar() {
    m_tabelas.clear();
    m_porNome.clear();
    m_nomes.clear();
}

void Catalogo::adicionar(TabelaCatalogo tabela) {
    m_porNome.insert(dobrar(tabela.nome), m_tabelas.size());
    adicionarNome(tabela.nome);
    for (const auto& c : tabela.colunas) {
        adicionarNome(c.nome);
    }
    m_tabelas.push_back(std::move(tabela));
}

void Catalogo::adicionarNome(const QString& nome) {
    const QString chave = dobrar(nome);
    if (!m_nomes.contains(chave)) {
        m_nomes.insert(chave, nome);
    }
}

const TabelaCatalogo* Catalogo::tabela(const QString& nome) const {
    const auto it = m_porNome.constFind(dobrar(nome));
    return it == m_porNome.constEnd() ? nullptr : &m_tabelas[*it];
}

QString Catalogo::canonico(const QString& nome) const {
    return m_nomes.value(dobrar(nome), nome);
}

TipoSql Catalogo::tipoDe(const QString& tipoDeclarado, int* tamanho) {
    const QString t = tipoDeclarado.toUpper();
    if (tamanho) {
        static const QRegularExpression re(QStringLiteral(R"re(\(\s*(\d+))re"));
        const auto m = re.match(t);
        *tamanho = m.hasMatch() ? m.captured(1).toInt() : 0;
    }
    if (t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("TEXT"))) {
        return TipoSql::Texto;
    }
    if (t.contains(QLatin1String("DATE")) || t.contains(QLatin1String("TIME"))) {
        return TipoSql::Data;
    }
    if (t.contains(QLatin1String("INT")) || t.contains(QLatin1String("BIT")) ||
        t.contains(QLatin1String("FLOAT")) || t.contains(QLatin1String("REAL")) ||
        t.contains(QLatin1String("DEC")) || t.contains(QLatin1String("NUMERIC")) ||
        t.contains(QLatin1String("MONEY"))) {
        return TipoSql::Numero;
    }
    return TipoSql::Desconhecido;
}

}  // namespace dados
