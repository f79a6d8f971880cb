#include "review/clsPreviaUnificacao.h"

#include <QSet>

#include "data/ado/Recordset.h"
#include "data/base/TextoSQL.h"
#include "data/base/ValorSeNulo.h"

namespace {

QString Vazio(const QString& valor) {
    return valor.trimmed().isEmpty() ? QStringLiteral("(vazio)") : valor;
}

QString Rotulo(const QString& campo) {
    const int linha = clsComparacaoPacientes::LinhaDoCampo(campo);
    return linha < 0 ? campo : clsComparacaoPacientes::Campos()[linha].rotulo;
}

}  // namespace

clsPreviaUnificacao::clsPreviaUnificacao(Connection& fCN, clsADO& fADO) : m_cn(fCN), m_ado(fADO) {}

void clsPreviaUnificacao::ErroDoBanco() {
    m_erro.AtualizarErro(m_ado.ErrorNumber(), m_ado.ErrorString(), QStringLiteral("Calcular"),
                         QString());
}

bool clsPreviaUnificacao::TabelaDaUnificacao(const QString& tabela) {
    static const QStringList proprias = {
        QStringLiteral("Paciente"),
        QStringLiteral("Exame"),
        QStringLiteral("Exame_BK"),
        QStringLiteral("PacienteLog"),
        QStringLiteral("PacienteLogExame"),
        QStringLiteral("PacienteLogAtualizar"),
        QStringLiteral("PacienteLogSemSolucao"),
    };
    return proprias.contains(tabela, Qt::CaseInsensitive) ||
           tabela.startsWith(QStringLiteral("Cadunir_"), Qt::CaseInsensitive);
}

bool clsPreviaUnificacao::Calcular(const clsComparacaoPacientes& fComparacao,
                                   const clsValoresSobreviventes& fValores) {
    m_base = fValores.Base();
    m_removidos.clear();
    m_nomesRemovidos.clear();
    m_referencias.clear();
    m_catalogoLido = false;  // a review reads the catalogue as it is now
    m_mudancas.clear();
    m_exames = m_examesBK = 0;
    for (int c = 0; c < fComparacao.Colunas(); ++c) {
        const auto& r = fComparacao.RegistroDaColuna(c);
        if (r.id == m_base) {
            continue;
        }
        m_removidos << r.id;
        QStringList nome;
        for (const char* parte : {"Nome", "Nome_Meio", "Nome_Último"}) {
            const QString p = r.valores.value(QString::fromUtf8(parte)).trimmed();
            if (!p.isEmpty()) {
                nome << p;
            }
        }
        m_nomesRemovidos << QString::number(r.id) + QStringLiteral(" ") + nome.join(' ');
    }
    m_alterados = fValores.CamposAlterados();
    for (const QString& campo : m_alterados) {
        m_mudancas << Rotulo(campo) + QStringLiteral(": ") +
                          Vazio(fComparacao.Valor(campo, m_base)) + QStringLiteral(" → ") +
                          Vazio(fValores.Valor(campo));
    }
    if (m_removidos.isEmpty()) {
        return true;
    }
    QStringList textos;
    for (const qint32 id : m_removidos) {
        textos << QString::number(id);
    }
    const QString ids = textos.join(QStringLiteral(", "));
    for (const char* sufixo : {"", "_BK"}) {
        Recordset rs;
        if (!m_ado.AbrirRecordset(m_cn, rs,
                                  QStringLiteral("SELECT COUNT(*) FROM Exame") +
                                      QLatin1String(sufixo) + " WHERE ID_Paciente IN (" + ids +
                                      ")")) {
            ErroDoBanco();
            return false;
        }
        (*sufixo ? m_examesBK : m_exames) = rs.Eof() ? 0 : rs.Fields(0).Value().toLongLong();
        rs.Close();
    }
    return ProcurarReferencias(m_removidos);
}

bool clsPreviaUnificacao::LerTabelasQueApontam() {
    if (m_catalogoLido) {
        return true;
    }
    // Only base tables count: a view over Paciente holds no rows of its own.
    QSet<QString> tabelas;
    {
        Recordset rs;
        if (!m_ado.RSTables(m_cn, rs)) {
            ErroDoBanco();
            return false;
        }
        for (; !rs.Eof(); rs.MoveNext()) {
            tabelas.insert(TextoDoValor(rs.Fields(QStringLiteral("TABLE_NAME")).Value()).toLower());
        }
        rs.Close();
    }
    QList<QPair<QString, QString>>& colunas = m_apontam;
    colunas.clear();
    const auto acrescentar = [&](const QString& tabela, const QString& coluna) {
        if (tabela.isEmpty() || coluna.isEmpty() || TabelaDaUnificacao(tabela) ||
            !tabelas.contains(tabela.toLower())) {
            return;
        }
        for (const auto& [t, c] : colunas) {
            if (t.compare(tabela, Qt::CaseInsensitive) == 0 &&
                c.compare(coluna, Qt::CaseInsensitive) == 0) {
                return;
            }
        }
        colunas.append({tabela, coluna});
    };
    {
        Recordset rs;
        if (!m_ado.RSFields(m_cn, rs, QString(), QStringLiteral("ID_Paciente"))) {
            ErroDoBanco();
            return false;
        }
        for (; !rs.Eof(); rs.MoveNext()) {
            const QString coluna = TextoDoValor(rs.Fields(QStringLiteral("COLUMN_NAME")).Value());
            if (coluna.compare(QStringLiteral("ID_Paciente"), Qt::CaseInsensitive) == 0) {
                acrescentar(TextoDoValor(rs.Fields(QStringLiteral("TABLE_NAME")).Value()), coluna);
            }
        }
        rs.Close();
    }
    {
        Recordset rs;
        if (!m_ado.RSForeingKey(m_cn, rs)) {
            ErroDoBanco();
            return false;
        }
        for (; !rs.Eof(); rs.MoveNext()) {
            const QString alvo = TextoDoValor(rs.Fields(QStringLiteral("PK_TABLE_NAME")).Value());
            if (alvo.compare(QStringLiteral("Paciente"), Qt::CaseInsensitive) == 0) {
                acrescentar(TextoDoValor(rs.Fields(QStringLiteral("FK_TABLE_NAME")).Value()),
                            TextoDoValor(rs.Fields(QStringLiteral("FK_COLUMN_NAME")).Value()));
            }
        }
        rs.Close();
    }
    m_catalogoLido = true;
    return true;
}

bool clsPreviaUnificacao::ProcurarReferencias(const QList<qint32>& fRemovidos) {
    m_referencias.clear();
    if (fRemovidos.isEmpty()) {
        return true;
    }
    if (!LerTabelasQueApontam()) {
        return false;
    }
    QStringList textos;
    for (const qint32 id : fRemovidos) {
        textos << QString::number(id);
    }
    const QString ids = textos.join(QStringLiteral(", "));
    for (const auto& [tabela, coluna] : m_apontam) {
        Recordset rs;
        if (!m_ado.AbrirRecordset(m_cn, rs,
                                  "SELECT COUNT(*) FROM " + dados::NomeTSql(tabela) + " WHERE " +
                                      dados::NomeTSql(coluna) + " IN (" + ids + ")")) {
            ErroDoBanco();
            return false;
        }
        const qint64 linhas = rs.Eof() ? 0 : rs.Fields(0).Value().toLongLong();
        rs.Close();
        if (linhas > 0) {
            m_referencias.append({tabela, coluna, linhas});
        }
    }
    return true;
}

QString clsPreviaUnificacao::Texto() const {
    QString texto = QStringLiteral("Cadastros que serão removidos (%1): %2\n")
                        .arg(m_removidos.size())
                        .arg(m_nomesRemovidos.join(QStringLiteral("; ")));
    texto += QStringLiteral("Cadastro que permanecerá: %1\n").arg(m_base);
    texto += QStringLiteral("Exames transferidos: %1 (e %2 na cópia de segurança)\n")
                 .arg(m_exames)
                 .arg(m_examesBK);
    if (m_mudancas.isEmpty()) {
        texto += QStringLiteral("Nenhum campo do cadastro %1 muda.").arg(m_base);
    } else {
        texto += QStringLiteral("Campos do cadastro %1 que mudam:\n  ").arg(m_base) +
                 m_mudancas.join(QStringLiteral("\n  "));
    }
    if (Recusada()) {
        texto += QStringLiteral("\n\n") + MensagemRecusa();
    }
    return texto;
}

QString clsPreviaUnificacao::MensagemRecusa() const {
    QStringList linhas;
    for (const Referencia& r : m_referencias) {
        linhas << QStringLiteral("%1 (%2): %3 linha(s)").arg(r.tabela, r.coluna).arg(r.linhas);
    }
    return QStringLiteral(
               "A unificação não pode ser feita: outras tabelas do banco de dados "
               "apontam para cadastros que seriam removidos e ficariam apontando para "
               "um paciente excluído:\n") +
           linhas.join(QStringLiteral("\n"));
}
