#include "decisions/clsDecisaoPessoas.h"

#include <QCryptographicHash>
#include <algorithm>

#include "data/ado/CriarTabelaSeAusente.h"
#include "data/ado/NivelTransacao.h"
#include "data/ado/Recordset.h"
#include "data/base/MostrarMensagem.h"
#include "data/base/Relogio.h"
#include "data/base/TextoSQL.h"
#include "data/base/ValorSeNulo.h"
#include "patient/Normalizado.h"

namespace {

const QString kTabela = QStringLiteral("Cadunir_Decisao");
const QString kTabelaRemovidas = QStringLiteral("Cadunir_DecisaoRemovida");
const QString kColunas = QStringLiteral(
    "ID_Decisao, ID_Paciente1, ID_Paciente2, Motivo, Observacao, ID_Usuario, Data, Assinatura1, "
    "Assinatura2");

// The fields whose change makes a decision worth a new look: what tells people apart.
const QStringList& CamposAssinados() {
    static const QStringList campos = {
        QStringLiteral("Nome"),
        QStringLiteral("Nome_Meio"),
        QStringLiteral("Nome_Último"),
        QStringLiteral("RG"),
        QStringLiteral("CIC"),
        QStringLiteral("Sexo"),
        QStringLiteral("Data_Nascimento"),
        QStringLiteral("Prontuário"),
    };
    return campos;
}

QString SqlCriarTabela() {
    return QStringLiteral(
        " CREATE TABLE [dbo].[Cadunir_Decisao] ( "
        " [ID_Decisao] [int] IDENTITY (1, 1) NOT NULL , "
        " [ID_Paciente1] [int] NOT NULL , "
        " [ID_Paciente2] [int] NOT NULL , "
        " [Motivo] [int] NOT NULL , "
        " [Observacao] [nvarchar] (255) NULL , "
        " [ID_Usuario] [int] NOT NULL , "
        " [Data] [smalldatetime] NULL , "
        " [Assinatura1] [nvarchar] (40) NULL , "
        " [Assinatura2] [nvarchar] (40) NULL "
        " ) ON [PRIMARY] "
        " ALTER TABLE [dbo].[Cadunir_Decisao] WITH NOCHECK ADD "
        " CONSTRAINT [PK_Cadunir_Decisao] PRIMARY KEY  CLUSTERED "
        " ( "
        " [ID_Decisao] "
        " )  ON [PRIMARY]");
}

// Every removed decision, whole, with who removed it and when (the server's time): a removal
// can always be read back and decided again.
QString SqlCriarTabelaRemovidas() {
    return QStringLiteral(
        " CREATE TABLE [dbo].[Cadunir_DecisaoRemovida] ( "
        " [ID_DecisaoRemovida] [int] IDENTITY (1, 1) NOT NULL , "
        " [ID_Decisao] [int] NOT NULL , "
        " [ID_Paciente1] [int] NOT NULL , "
        " [ID_Paciente2] [int] NOT NULL , "
        " [Motivo] [int] NULL , "
        " [Observacao] [nvarchar] (255) NULL , "
        " [ID_Usuario] [int] NULL , "
        " [Data] [smalldatetime] NULL , "
        " [Assinatura1] [nvarchar] (40) NULL , "
        " [Assinatura2] [nvarchar] (40) NULL , "
        " [ID_UsuarioRemocao] [int] NOT NULL , "
        " [DataRemocao] [datetime] NOT NULL "
        " ) ON [PRIMARY] "
        " ALTER TABLE [dbo].[Cadunir_DecisaoRemovida] WITH NOCHECK ADD "
        " CONSTRAINT [PK_Cadunir_DecisaoRemovida] PRIMARY KEY  CLUSTERED "
        " ( "
        " [ID_DecisaoRemovida] "
        " )  ON [PRIMARY]");
}

QString ListaIds(const QList<qint32>& ids) {
    QStringList textos;
    for (const qint32 id : ids) {
        textos << QString::number(id);
    }
    return textos.join(QStringLiteral(", "));
}

QList<QPair<qint32, qint32>> Pares(const QList<qint32>& ids) {
    QList<qint32> unicos;
    for (const qint32 id : ids) {
        if (!unicos.contains(id)) {
            unicos << id;
        }
    }
    std::sort(unicos.begin(), unicos.end());
    QList<QPair<qint32, qint32>> pares;
    for (int i = 0; i < unicos.size(); ++i) {
        for (int j = i + 1; j < unicos.size(); ++j) {
            pares.append({unicos[i], unicos[j]});
        }
    }
    return pares;
}

}  // namespace

clsDecisaoPessoas::clsDecisaoPessoas(Connection& fCN, clsADO& fADO) : m_cn(fCN), m_ado(fADO) {}

const QStringList& clsDecisaoPessoas::Motivos() {
    static const QStringList motivos = {
        QStringLiteral("Datas de nascimento diferentes"),
        QStringLiteral("Documentos (RG ou CIC) diferentes"),
        QStringLiteral("Sexo diferente"),
        QStringLiteral("Parentes ou homônimos"),
        QStringLiteral("Outros"),
    };
    return motivos;
}

void clsDecisaoPessoas::ErroDoBanco(const QString& procedimento) {
    m_erro.AtualizarErro(m_ado.ErrorNumber(), m_ado.ErrorString(), procedimento, QString());
}

bool clsDecisaoPessoas::CriarTabela() {
    const QPair<QString, QString> tabelas[] = {{kTabela, SqlCriarTabela()},
                                               {kTabelaRemovidas, SqlCriarTabelaRemovidas()}};
    for (const auto& [nome, sql] : tabelas) {
        if (CriarTabelaSeAusente(m_cn, m_ado, nome, sql)) {
            continue;
        }
        ErroDoBanco(QStringLiteral("CriarTabela"));
        MostrarMensagem(QStringLiteral("Ao criar a tabela ") + nome +
                        QStringLiteral(", ocorreu o seguinte erro:") + QStringLiteral("\n\n") +
                        QString::number(m_ado.ErrorNumber()) + QStringLiteral(" - ") +
                        m_ado.ErrorString());
        return false;
    }
    return true;
}

QString clsDecisaoPessoas::Assinatura(const QHash<QString, QString>& fValores) {
    QStringList partes;
    for (const QString& campo : CamposAssinados()) {
        partes << Normalizado(fValores.value(campo));
    }
    return QString::fromLatin1(
        QCryptographicHash::hash(partes.join(QChar(0x1f)).toUtf8(), QCryptographicHash::Sha1)
            .toHex());
}

bool clsDecisaoPessoas::Assinaturas(const QList<qint32>& fIDs,
                                    QHash<qint32, QString>& fAssinaturas) {
    fAssinaturas.clear();
    // Bounded IN lists: a long history of decisions must not make one huge statement.
    for (qsizetype inicio = 0; inicio < fIDs.size(); inicio += 500) {
        Recordset rs;
        const QString sql = "SELECT ID_Paciente, " + CamposAssinados().join(QStringLiteral(", ")) +
                            " FROM Paciente WHERE ID_Paciente IN (" +
                            ListaIds(fIDs.mid(inicio, 500)) + ")";
        if (!m_ado.AbrirRecordset(m_cn, rs, sql)) {
            ErroDoBanco(QStringLiteral("Assinaturas"));
            return false;
        }
        for (; !rs.Eof(); rs.MoveNext()) {
            QHash<QString, QString> valores;
            for (const QString& campo : CamposAssinados()) {
                valores.insert(campo, TextoDoValor(rs.Fields(campo).Value()));
            }
            fAssinaturas.insert(rs.Fields(0).Value().toInt(), Assinatura(valores));
        }
        rs.Close();
    }
    return true;
}

bool clsDecisaoPessoas::Validar(int fMotivo, const QString& fObservacao, clsError& fErro) {
    if (fMotivo < 1 || fMotivo > Motivos().size()) {
        fErro.AtualizarErro(-2, QStringLiteral("Selecione um motivo."), QString(),
                            QStringLiteral("Motivo"));
        return false;
    }
    if (fMotivo == Motivos().size() && fObservacao.trimmed().isEmpty()) {
        fErro.AtualizarErro(
            -3,
            QStringLiteral("Escolhendo o motivo Outros, o campo observação passa a ser "
                           "obrigatório."),
            QString(), QStringLiteral("Observacao"));
        return false;
    }
    if (fObservacao.size() > 255) {
        fErro.AtualizarErro(-4, QStringLiteral("A observação pode ter no máximo 255 caracteres."),
                            QString(), QStringLiteral("Observacao"));
        return false;
    }
    return true;
}

bool clsDecisaoPessoas::Registrar(const QList<qint32>& fIDs, int fMotivo,
                                  const QString& fObservacao, qint32 fID_Usuario) {
    const QString procedimento = QStringLiteral("Registrar");
    const auto pares = Pares(fIDs);
    if (pares.isEmpty()) {
        m_erro.AtualizarErro(-1, QStringLiteral("Escolha ao menos dois cadastros."), procedimento,
                             QString());
        return false;
    }
    if (!Validar(fMotivo, fObservacao, m_erro)) {
        m_erro.AtualizarErro(m_erro.ErrorNumber(), m_erro.ErrorString(), procedimento,
                             m_erro.ErrorCampo());
        return false;
    }
    QHash<qint32, QString> assinaturas;
    if (!Assinaturas(fIDs, assinaturas)) {
        return false;
    }
    const QString data = dados::LiteralTSql(Relogio::Agora());
    NivelTransacao nivel(m_cn, m_ado);
    if (!nivel.Abrir()) {
        ErroDoBanco(procedimento);
        return false;
    }
    for (const auto& [a, b] : pares) {
        const QString par = QString::number(a) + ", " + QString::number(b);
        const bool ok =
            m_ado.ExecutarSQL(
                m_cn, "DELETE FROM Cadunir_Decisao WHERE ID_Paciente1 = " + QString::number(a) +
                          " AND ID_Paciente2 = " + QString::number(b)) &&
            m_ado.ExecutarSQL(m_cn,
                              "INSERT INTO Cadunir_Decisao (ID_Paciente1, ID_Paciente2, Motivo, "
                              "Observacao, ID_Usuario, Data, Assinatura1, Assinatura2) VALUES (" +
                                  par + ", " + QString::number(fMotivo) + ", " +
                                  dados::LiteralTSql(fObservacao) + ", " +
                                  QString::number(fID_Usuario) + ", " + data + ", " +
                                  dados::LiteralTSql(assinaturas.value(a)) + ", " +
                                  dados::LiteralTSql(assinaturas.value(b)) + ")");
        if (!ok) {
            ErroDoBanco(procedimento);
            return false;
        }
    }
    if (!nivel.Confirmar()) {
        ErroDoBanco(procedimento);
        return false;
    }
    return true;
}

bool clsDecisaoPessoas::Remover(const QList<qint32>& fIDs, qint32 fID_Usuario) {
    if (Pares(fIDs).isEmpty()) {
        return true;
    }
    const QString ids = ListaIds(fIDs);
    const QString filtro = " WHERE ID_Paciente1 IN (" + ids + ") AND ID_Paciente2 IN (" + ids + ")";
    // The copy and the removal stand or fall together: no decision goes without its trail.
    NivelTransacao nivel(m_cn, m_ado);
    if (!nivel.Abrir() ||
        !m_ado.ExecutarSQL(m_cn, "INSERT INTO Cadunir_DecisaoRemovida (" + kColunas +
                                     ", ID_UsuarioRemocao, DataRemocao) SELECT " + kColunas + ", " +
                                     QString::number(fID_Usuario) +
                                     ", getdate() FROM Cadunir_Decisao" + filtro) ||
        !m_ado.ExecutarSQL(m_cn, "DELETE FROM Cadunir_Decisao" + filtro) || !nivel.Confirmar()) {
        ErroDoBanco(QStringLiteral("Remover"));
        return false;
    }
    return true;
}

bool clsDecisaoPessoas::LerDecisoes(const QString& filtro, QList<Decisao>& fDecisoes,
                                    QHash<qint32, QPair<QString, QString>>* fGravadas) {
    Recordset rs;
    if (!m_ado.AbrirRecordset(m_cn, rs,
                              "SELECT " + kColunas + " FROM Cadunir_Decisao" + filtro +
                                  " ORDER BY ID_Paciente1, ID_Paciente2")) {
        ErroDoBanco(QStringLiteral("Listar"));
        return false;
    }
    for (; !rs.Eof(); rs.MoveNext()) {
        Decisao d;
        d.id = ValorSeNulo(rs.Fields(0).Value(), 0).toInt();
        d.paciente1 = ValorSeNulo(rs.Fields(1).Value(), 0).toInt();
        d.paciente2 = ValorSeNulo(rs.Fields(2).Value(), 0).toInt();
        d.motivo = ValorSeNulo(rs.Fields(3).Value(), 0).toInt();
        d.observacao = TextoDoValor(rs.Fields(4).Value());
        d.usuario = ValorSeNulo(rs.Fields(5).Value(), 0).toInt();
        d.data = rs.Fields(6).Value().toDateTime();
        if (fGravadas) {
            fGravadas->insert(
                d.id, {TextoDoValor(rs.Fields(7).Value()), TextoDoValor(rs.Fields(8).Value())});
        }
        fDecisoes << d;
    }
    rs.Close();
    return true;
}

bool clsDecisaoPessoas::Listar(const QList<qint32>& fIDs, QList<Decisao>& fDecisoes) {
    fDecisoes.clear();
    if (Pares(fIDs).isEmpty()) {
        return true;
    }
    const QString ids = ListaIds(fIDs);
    QHash<qint32, QPair<QString, QString>> gravadas;
    if (!LerDecisoes(" WHERE ID_Paciente1 IN (" + ids + ") AND ID_Paciente2 IN (" + ids + ")",
                     fDecisoes, &gravadas)) {
        return false;
    }
    QHash<qint32, QString> atuais;
    if (!Assinaturas(fIDs, atuais)) {
        return false;
    }
    QSet<qint32> usuarios;
    for (Decisao& d : fDecisoes) {
        const auto& [a1, a2] = gravadas.value(d.id);
        d.rever = atuais.value(d.paciente1) != a1 || atuais.value(d.paciente2) != a2;
        usuarios.insert(d.usuario);
    }
    // The user's name is a courtesy: a register without the user table still lists decisions.
    Recordset rs;
    if (!usuarios.isEmpty() &&
        m_ado.AbrirRecordset(m_cn, rs,
                             "SELECT ID_Usuário, Usuário FROM Usuário WHERE ID_Usuário IN (" +
                                 ListaIds(usuarios.values()) + ")")) {
        QHash<qint32, QString> nomes;
        for (; !rs.Eof(); rs.MoveNext()) {
            nomes.insert(rs.Fields(0).Value().toInt(), TextoDoValor(rs.Fields(1).Value()));
        }
        for (Decisao& d : fDecisoes) {
            d.nomeUsuario = nomes.value(d.usuario);
        }
    }
    return true;
}

bool clsDecisaoPessoas::Todas(QList<Decisao>& fDecisoes, qint32 fDepoisDe) {
    fDecisoes.clear();
    QHash<qint32, QPair<QString, QString>> gravadas;
    if (!LerDecisoes(
            fDepoisDe > 0 ? " WHERE ID_Decisao > " + QString::number(fDepoisDe) : QString(),
            fDecisoes, &gravadas)) {
        return false;
    }
    QList<qint32> ids;
    for (const Decisao& d : fDecisoes) {
        ids << d.paciente1 << d.paciente2;
    }
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    QHash<qint32, QString> atuais;
    if (!Assinaturas(ids, atuais)) {
        return false;
    }
    for (Decisao& d : fDecisoes) {
        const auto& [a1, a2] = gravadas.value(d.id);
        // A removed record has no fingerprint, so its decisions lapse with it.
        d.rever = !atuais.contains(d.paciente1) || !atuais.contains(d.paciente2) ||
                  atuais.value(d.paciente1) != a1 || atuais.value(d.paciente2) != a2;
    }
    return true;
}

bool clsDecisaoPessoas::ParesValidos(QSet<QPair<qint32, qint32>>& fPares) {
    fPares.clear();
    if (!m_ado.TableExiste(m_cn, kTabela)) {
        return true;
    }
    QList<Decisao> decisoes;
    if (!Todas(decisoes)) {
        return false;
    }
    for (const Decisao& d : decisoes) {
        if (!d.rever) {
            fPares.insert({d.paciente1, d.paciente2});
        }
    }
    return true;
}

bool ParesNaoMesmaPessoa(Connection& fCN, clsADO& fADO, QSet<QPair<qint32, qint32>>& fPares) {
    clsDecisaoPessoas decisoes(fCN, fADO);
    return decisoes.ParesValidos(fPares);
}
