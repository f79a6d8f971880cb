#include "merge/clsLoteRegistro.h"

#include "data/ado/NivelTransacao.h"
#include "data/ado/Recordset.h"
#include "data/base/Relogio.h"
#include "data/base/TextoSQL.h"

namespace {

QString Literal(const QVariant& v) {
    return dados::LiteralTSql(v);
}

QString N(qint64 n) {
    return QString::number(n);
}

// A date that is not there (NULL, or before the batch reached that step) reads as invalid.
QDateTime Data(const QVariant& v) {
    return v.isNull() ? QDateTime() : v.toDateTime();
}

}  // namespace

clsLoteRegistro::clsLoteRegistro(Connection& fCN, clsADO& fADO) : m_cn(fCN), m_ado(fADO) {}

const QList<QPair<QString, QString>>& clsLoteRegistro::Tabelas() {
    static const QList<QPair<QString, QString>> tabelas = {
        {QStringLiteral("Cadunir_Lote"),
         QStringLiteral(" CREATE TABLE [dbo].[Cadunir_Lote] ("
                        " [ID_Lote] [int] IDENTITY (1, 1) NOT NULL ,"
                        " [ID_Usuario] [int] NOT NULL ,"
                        " [Data] [datetime] NOT NULL ,"
                        " [PontuacaoMinima] [float] NOT NULL ,"
                        " [Grupos] [int] NOT NULL ,"
                        " [Registros] [int] NOT NULL ,"
                        " [Exames] [int] NOT NULL ,"
                        " [ErrosEsperados] [float] NOT NULL ,"
                        " [Fim] [datetime] NULL ,"
                        " [ID_UsuarioDesfez] [int] NULL ,"
                        " [DataDesfeito] [datetime] NULL ,"
                        " [FimDesfeito] [datetime] NULL "
                        " ) ON [PRIMARY] "
                        " ALTER TABLE [dbo].[Cadunir_Lote] WITH NOCHECK ADD "
                        " CONSTRAINT [PK_Cadunir_Lote] PRIMARY KEY  CLUSTERED "
                        " ( [ID_Lote] )  ON [PRIMARY]")},
        {QStringLiteral("Cadunir_LotePlano"),
         QStringLiteral(" CREATE TABLE [dbo].[Cadunir_LotePlano] ("
                        " [ID_Lote] [int] NOT NULL ,"
                        " [Grupo] [int] NOT NULL ,"
                        " [ID_PacienteBase] [int] NOT NULL ,"
                        " [ID_Paciente] [int] NOT NULL ,"
                        " [Pontuacao] [float] NULL ,"
                        " [Exames] [int] NOT NULL ,"
                        " [Campos] [nvarchar] (1000) NULL ,"
                        " [Assinatura] [nvarchar] (40) NOT NULL ,"
                        " [AssinaturaBase] [nvarchar] (40) NOT NULL ,"
                        " [Situacao] [int] NOT NULL ,"
                        " [Mensagem] [nvarchar] (1000) NULL "
                        " ) ON [PRIMARY] "
                        " ALTER TABLE [dbo].[Cadunir_LotePlano] WITH NOCHECK ADD "
                        " CONSTRAINT [PK_Cadunir_LotePlano] PRIMARY KEY  CLUSTERED "
                        " ( [ID_Lote], [Grupo], [ID_Paciente] )  ON [PRIMARY]")},
        {QStringLiteral("Cadunir_UnificacaoLote"),
         QStringLiteral(" CREATE TABLE [dbo].[Cadunir_UnificacaoLote] ("
                        " [ID_UnificacaoLote] [int] IDENTITY (1, 1) NOT NULL ,"
                        " [ID_Lote] [int] NOT NULL ,"
                        " [ID_Paciente] [int] NOT NULL ,"
                        " [ID_PacienteNovo] [int] NOT NULL ,"
                        " [ID_Usuario] [int] NOT NULL ,"
                        " [Data] [smalldatetime] NOT NULL "
                        " ) ON [PRIMARY] "
                        " ALTER TABLE [dbo].[Cadunir_UnificacaoLote] WITH NOCHECK ADD "
                        " CONSTRAINT [PK_Cadunir_UnificacaoLote] PRIMARY KEY  CLUSTERED "
                        " ( [ID_UnificacaoLote] )  ON [PRIMARY] "
                        " CREATE INDEX [IX_Cadunir_UnificacaoLote_Lote] ON "
                        "[dbo].[Cadunir_UnificacaoLote]([ID_Lote])")},
    };
    return tabelas;
}

bool clsLoteRegistro::Falhar(const QString& procedimento) {
    m_erro.AtualizarErro(m_ado.ErrorNumber(), m_ado.ErrorString(), procedimento);
    return false;
}

bool clsLoteRegistro::Executar(const QString& sql, const QString& procedimento) {
    return m_ado.ExecutarSQL(m_cn, sql) || Falhar(procedimento);
}

bool clsLoteRegistro::Criar(Lote& fLote, const QVector<Grupo>& fPlano) {
    const QString proc = QStringLiteral("Criar");
    NivelTransacao nivel(m_cn, m_ado);
    if (!nivel.Abrir()) {
        return Falhar(proc);
    }
    if (!Executar("INSERT INTO Cadunir_Lote (ID_Usuario, Data, PontuacaoMinima, Grupos, "
                  "Registros, Exames, ErrosEsperados) VALUES (" +
                      N(fLote.usuario) + ", " + Literal(fLote.data) + ", " + Literal(fLote.limiar) +
                      ", " + N(fLote.grupos) + ", " + N(fLote.registros) + ", " + N(fLote.exames) +
                      ", " + Literal(fLote.errosEsperados) + ")",
                  proc)) {
        return false;
    }
    Recordset rs;
    if (!m_ado.AbrirRecordset(m_cn, rs, QStringLiteral("SELECT @@IDENTITY"))) {
        return Falhar(proc);
    }
    const qint32 id = rs.Fields(0).Value().toInt();
    rs.Close();
    for (const Grupo& g : fPlano) {
        for (const Remocao& r : g.remocoes) {
            if (!Executar("INSERT INTO Cadunir_LotePlano (ID_Lote, Grupo, ID_PacienteBase, "
                          "ID_Paciente, Pontuacao, Exames, Campos, Assinatura, AssinaturaBase, "
                          "Situacao) VALUES (" +
                              N(id) + ", " + N(g.numero) + ", " + N(g.base) + ", " + N(r.id) +
                              ", " + Literal(r.pontuacao) + ", " + N(r.exames) + ", " +
                              Literal(r.campos) + ", " + Literal(r.assinatura) + ", " +
                              Literal(g.assinaturaBase) + ", " + N(g.situacao) + ")",
                          proc)) {
                return false;
            }
        }
    }
    if (!nivel.Confirmar()) {
        return Falhar(proc);
    }
    fLote.id = id;
    return true;
}

namespace {

const QString kColunasLote = QStringLiteral(
    "ID_Lote, ID_Usuario, Data, PontuacaoMinima, Grupos, Registros, Exames, ErrosEsperados, "
    "Fim, ID_UsuarioDesfez, DataDesfeito, FimDesfeito");

clsLoteRegistro::Lote LoteDaLinha(Recordset& rs) {
    clsLoteRegistro::Lote l;
    l.id = rs.Fields(0).Value().toInt();
    l.usuario = rs.Fields(1).Value().toInt();
    l.data = Data(rs.Fields(2).Value());
    l.limiar = rs.Fields(3).Value().toDouble();
    l.grupos = rs.Fields(4).Value().toInt();
    l.registros = rs.Fields(5).Value().toInt();
    l.exames = rs.Fields(6).Value().toLongLong();
    l.errosEsperados = rs.Fields(7).Value().toDouble();
    l.fim = Data(rs.Fields(8).Value());
    l.usuarioDesfez = rs.Fields(9).Value().toInt();
    l.desfeito = Data(rs.Fields(10).Value());
    l.fimDesfeito = Data(rs.Fields(11).Value());
    return l;
}

}  // namespace

bool clsLoteRegistro::Ler(qint32 fID, Lote& fLote, QVector<Grupo>* fPlano) {
    const QString proc = QStringLiteral("Ler");
    Recordset rs;
    if (!m_ado.AbrirRecordset(
            m_cn, rs, "SELECT " + kColunasLote + " FROM Cadunir_Lote WHERE ID_Lote = " + N(fID))) {
        return Falhar(proc);
    }
    if (rs.Eof()) {
        m_erro.AtualizarErro(-1, "Não há lote " + N(fID) + ".", proc);
        return false;
    }
    fLote = LoteDaLinha(rs);
    rs.Close();
    if (!fPlano) {
        return true;
    }
    fPlano->clear();
    if (!m_ado.AbrirRecordset(m_cn, rs,
                              "SELECT Grupo, ID_PacienteBase, AssinaturaBase, Situacao, Mensagem, "
                              "ID_Paciente, Pontuacao, Exames, Campos, Assinatura FROM "
                              "Cadunir_LotePlano WHERE ID_Lote = " +
                                  N(fID) + " ORDER BY Grupo, ID_Paciente")) {
        return Falhar(proc);
    }
    for (; !rs.Eof(); rs.MoveNext()) {
        const int numero = rs.Fields(0).Value().toInt();
        if (fPlano->isEmpty() || fPlano->last().numero != numero) {
            Grupo& g = fPlano->emplaceBack();
            g.numero = numero;
            g.base = rs.Fields(1).Value().toInt();
            g.assinaturaBase = rs.Fields(2).Value().toString();
            g.situacao = Situacao(rs.Fields(3).Value().toInt());
            g.mensagem = rs.Fields(4).Value().toString();
        }
        Remocao& r = fPlano->last().remocoes.emplaceBack();
        r.id = rs.Fields(5).Value().toInt();
        r.pontuacao = rs.Fields(6).Value().toDouble();
        r.exames = rs.Fields(7).Value().toLongLong();
        r.campos = rs.Fields(8).Value().toString();
        r.assinatura = rs.Fields(9).Value().toString();
    }
    return true;
}

bool clsLoteRegistro::Listar(QList<Lote>& fLotes) {
    fLotes.clear();
    Recordset rs;
    if (!m_ado.AbrirRecordset(
            m_cn, rs, "SELECT " + kColunasLote + " FROM Cadunir_Lote ORDER BY ID_Lote DESC")) {
        return Falhar(QStringLiteral("Listar"));
    }
    for (; !rs.Eof(); rs.MoveNext()) {
        fLotes << LoteDaLinha(rs);
    }
    return true;
}

bool clsLoteRegistro::MarcarGrupo(qint32 fLote, int fGrupo, Situacao fSituacao,
                                  const QString& fMensagem) {
    return Executar("UPDATE Cadunir_LotePlano SET Situacao = " + N(fSituacao) +
                        ", Mensagem = " + Literal(fMensagem.left(1000)) +
                        " WHERE ID_Lote = " + N(fLote) + " AND Grupo = " + N(fGrupo),
                    QStringLiteral("MarcarGrupo"));
}

bool clsLoteRegistro::MarcarUnificados(qint32 fLote, const QList<int>& fGrupos) {
    if (fGrupos.isEmpty()) {
        return true;
    }
    QStringList numeros;
    for (const int g : fGrupos) {
        numeros << N(g);
    }
    return Executar("UPDATE Cadunir_LotePlano SET Situacao = " + N(Unificado) +
                        ", Mensagem = '' WHERE ID_Lote = " + N(fLote) + " AND Grupo IN (" +
                        numeros.join(QStringLiteral(", ")) + ")",
                    QStringLiteral("MarcarUnificados"));
}

bool clsLoteRegistro::Removidos(qint32 fLote, QList<qint32>& fIDs) {
    fIDs.clear();
    Recordset rs;
    if (!m_ado.AbrirRecordset(
            m_cn, rs,
            "SELECT ID_Paciente FROM Cadunir_UnificacaoLote WHERE ID_Lote = " + N(fLote))) {
        return Falhar(QStringLiteral("Removidos"));
    }
    for (; !rs.Eof(); rs.MoveNext()) {
        fIDs << rs.Fields(0).Value().toInt();
    }
    return true;
}

bool clsLoteRegistro::Unificacoes(qint32 fLote, QList<Unificacao>& fUnificacoes) {
    fUnificacoes.clear();
    Recordset rs;
    if (!m_ado.AbrirRecordset(m_cn, rs,
                              "SELECT ID_Paciente, ID_PacienteNovo, ID_Usuario, Data, "
                              "ID_Unificacao FROM Cadunir_UnificacaoLote WHERE ID_Lote = " +
                                  N(fLote) + " ORDER BY ID_UnificacaoLote DESC")) {
        return Falhar(QStringLiteral("Unificacoes"));
    }
    for (; !rs.Eof(); rs.MoveNext()) {
        fUnificacoes << Unificacao{rs.Fields(0).Value().toInt(), rs.Fields(1).Value().toInt(),
                                   rs.Fields(2).Value().toInt(), Data(rs.Fields(3).Value()),
                                   rs.Fields(4).Value().toInt()};
    }
    return true;
}

bool clsLoteRegistro::LotesDasUnificacoes(QList<QPair<Unificacao, qint32>>& fLotes) {
    fLotes.clear();
    if (!m_ado.TableExiste(m_cn, QStringLiteral("Cadunir_UnificacaoLote"))) {
        return true;
    }
    Recordset rs;
    if (!m_ado.AbrirRecordset(m_cn, rs,
                              QStringLiteral("SELECT ID_Paciente, ID_PacienteNovo, ID_Usuario, "
                                             "Data, ID_Lote FROM Cadunir_UnificacaoLote"))) {
        return Falhar(QStringLiteral("LotesDasUnificacoes"));
    }
    for (; !rs.Eof(); rs.MoveNext()) {
        fLotes.append({{rs.Fields(0).Value().toInt(), rs.Fields(1).Value().toInt(),
                        rs.Fields(2).Value().toInt(), Data(rs.Fields(3).Value())},
                       rs.Fields(4).Value().toInt()});
    }
    return true;
}

bool clsLoteRegistro::Concluir(qint32 fLote) {
    return Executar("UPDATE Cadunir_Lote SET Fim = " + Literal(Relogio::Agora()) +
                        " WHERE ID_Lote = " + N(fLote),
                    QStringLiteral("Concluir"));
}

bool clsLoteRegistro::MarcarDesfazendo(qint32 fLote, qint32 fUsuario) {
    // A second run after a killed undo keeps the first run's author and time.
    return Executar("UPDATE Cadunir_Lote SET ID_UsuarioDesfez = " + N(fUsuario) +
                        ", DataDesfeito = " + Literal(Relogio::Agora()) +
                        " WHERE ID_Lote = " + N(fLote) + " AND DataDesfeito IS NULL",
                    QStringLiteral("MarcarDesfazendo"));
}

bool clsLoteRegistro::ConcluirDesfeito(qint32 fLote) {
    return Executar("UPDATE Cadunir_Lote SET FimDesfeito = " + Literal(Relogio::Agora()) +
                        " WHERE ID_Lote = " + N(fLote),
                    QStringLiteral("ConcluirDesfeito"));
}
