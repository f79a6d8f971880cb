#include "merge/clsUnificacaoRegistro.h"

#include <QSet>

#include "data/ado/CriarTabelaSeAusente.h"
#include "data/ado/Recordset.h"
#include "data/base/MostrarMensagem.h"
#include "data/base/Relogio.h"
#include "data/base/TextoSQL.h"
#include "merge/clsLoteRegistro.h"

namespace {

QString Literal(const QVariant& v) {
    return dados::LiteralTSql(v);
}

QString SqlExtra() {
    return QStringLiteral(
        " CREATE TABLE [dbo].[Cadunir_UnificacaoExtra] ("
        " [ID_Paciente] [int] NOT NULL ,"
        " [ID_PacienteNovo] [int] NOT NULL ,"
        " [ID_Usuario] [int] NOT NULL ,"
        " [Data] [smalldatetime] NOT NULL ,"
        " [ID_Convenio_Plano] [int] NULL ,"
        " [Data_Nascimento] [datetime] NULL "
        " ) ON [PRIMARY]");
}

// The patient columns as Paciente types them, for the tables that keep a survivor's values.
QString ColunasValores() {
    return QStringLiteral(
        " [ID_Paciente] [int] NOT NULL ,"
        " [Nome] [nvarchar] (30) NULL ,"
        " [Nome_Soundex] [nvarchar] (4) NULL ,"
        " [Nome_Meio] [nvarchar] (50) NULL ,"
        " [Nome_Meio_Soundex] [nvarchar] (4) NULL ,"
        " [Nome_Último] [nvarchar] (20) NULL ,"
        " [Nome_Último_Soundex] [nvarchar] (4) NULL ,"
        " [RG] [nvarchar] (30) NULL ,"
        " [CIC] [nvarchar] (30) NULL ,"
        " [Endereço] [nvarchar] (255) NULL ,"
        " [CEP] [nvarchar] (10) NULL ,"
        " [Bairro] [nvarchar] (100) NULL ,"
        " [Cidade] [nvarchar] (100) NULL ,"
        " [Estado] [nvarchar] (2) NULL ,"
        " [Telefone] [nvarchar] (30) NULL ,"
        " [Sexo] [nvarchar] (1) NULL ,"
        " [Raça] [nvarchar] (15) NULL ,"
        " [Convênio] [nvarchar] (30) NULL ,"
        " [Data_Nascimento] [datetime] NULL ,"
        " [Profissão] [nvarchar] (50) NULL ,"
        " [Número_Convênio] [nvarchar] (20) NULL ,"
        " [Peso] [nvarchar] (6) NULL ,"
        " [Altura] [nvarchar] (4) NULL ,"
        " [Email] [nvarchar] (70) NULL ,"
        " [Prontuário] [nvarchar] (20) NULL ,"
        " [ID_Paciente_Externo] [nvarchar] (20) NULL ,"
        " [ID_Convenio_Plano] [int] NULL ,");
}

QString SqlSobrevivente() {
    return " CREATE TABLE [dbo].[Cadunir_UnificacaoSobrevivente] (" + ColunasValores() +
           " [ID_Usuario] [int] NOT NULL ,"
           " [Data_Atualizar] [smalldatetime] NOT NULL "
           " ) ON [PRIMARY]";
}

// The survivor's values right before its command changed them, by the command's number. The
// PacienteLogAtualizar row holds them too, but two commands on one survivor within the log's
// minute leave rows an undo could not tell apart.
QString SqlAnterior() {
    return " CREATE TABLE [dbo].[Cadunir_UnificacaoAnterior] (" + ColunasValores() +
           " [ID_Unificacao] [int] NOT NULL "
           " ) ON [PRIMARY] "
           " CREATE INDEX [IX_Cadunir_UnificacaoAnterior_Unificacao] ON "
           "[dbo].[Cadunir_UnificacaoAnterior]([ID_Unificacao])";
}

QString SqlExame() {
    return QStringLiteral(
        " CREATE TABLE [dbo].[Cadunir_UnificacaoExame] ("
        " [ID_Paciente] [int] NOT NULL ,"
        " [ID_PacienteNovo] [int] NOT NULL ,"
        " [ID_Usuario] [int] NOT NULL ,"
        " [Data] [smalldatetime] NOT NULL ,"
        " [Tabela] [nvarchar] (10) NOT NULL ,"
        " [ID_Exame] [int] NOT NULL ,"
        " [Paciente] [nvarchar] (150) NULL ,"
        " [RG] [nvarchar] (30) NULL ,"
        " [CIC] [nvarchar] (30) NULL ,"
        " [Endereço] [nvarchar] (255) NULL ,"
        " [CEP] [nvarchar] (10) NULL ,"
        " [Bairro] [nvarchar] (100) NULL ,"
        " [Cidade] [nvarchar] (100) NULL ,"
        " [Estado] [nvarchar] (2) NULL ,"
        " [Paciente_Email] [nvarchar] (70) NULL ,"
        " [Telefone] [nvarchar] (30) NULL ,"
        " [Sexo] [nvarchar] (1) NULL ,"
        " [Raça] [nvarchar] (15) NULL ,"
        " [Data_Nascimento] [datetime] NULL ,"
        " [Profissão] [nvarchar] (50) NULL ,"
        " [Prontuário] [nvarchar] (20) NULL "
        " ) ON [PRIMARY]");
}

QString SqlDesfeita() {
    return QStringLiteral(
        " CREATE TABLE [dbo].[Cadunir_UnificacaoDesfeita] ("
        " [ID_Paciente] [int] NOT NULL ,"
        " [ID_PacienteNovo] [int] NOT NULL ,"
        " [ID_Usuario_Unificacao] [int] NOT NULL ,"
        " [Data_Unificacao] [smalldatetime] NOT NULL ,"
        " [ID_Usuario] [int] NOT NULL ,"
        " [Data] [datetime] NOT NULL ,"
        " [Exames] [int] NULL ,"
        " [Valores] [nvarchar] (255) NULL "
        " ) ON [PRIMARY]");
}

// The signs of different people a merge was confirmed over, one row per sign, keyed like the
// merge command's log rows, with the administrator's reason.
QString SqlSinal() {
    return QStringLiteral(
        " CREATE TABLE [dbo].[Cadunir_UnificacaoSinal] ("
        " [ID_PacienteNovo] [int] NOT NULL ,"
        " [ID_Usuario] [int] NOT NULL ,"
        " [Data] [smalldatetime] NOT NULL ,"
        " [Tipo] [int] NOT NULL ,"
        " [Pacientes] [nvarchar] (255) NULL ,"
        " [Sinal] [nvarchar] (1000) NOT NULL ,"
        " [Motivo] [nvarchar] (1000) NULL "
        " ) ON [PRIMARY]");
}

// One row per merge command of this program: its number (ID_Unificacao), which every row the
// command writes into the tables of kTabelasDoComando carries, so that the undo and the history
// find a command's rows exactly, whatever times its log rows were given.
QString SqlUnificacao() {
    return QStringLiteral(
        " CREATE TABLE [dbo].[Cadunir_Unificacao] ("
        " [ID_Unificacao] [int] IDENTITY (1, 1) NOT NULL ,"
        " [ID_PacienteNovo] [int] NOT NULL ,"
        " [ID_Usuario] [int] NOT NULL ,"
        " [Data] [datetime] NOT NULL "
        " ) ON [PRIMARY] "
        " ALTER TABLE [dbo].[Cadunir_Unificacao] WITH NOCHECK ADD "
        " CONSTRAINT [PK_Cadunir_Unificacao] PRIMARY KEY  CLUSTERED "
        " ( [ID_Unificacao] )  ON [PRIMARY]");
}

// Registers written before commands were numbered get the column (NULL on their rows, which
// are still found by their log times) when the program first opens them.
const QStringList kTabelasDoComando = {
    QStringLiteral("Cadunir_UnificacaoExtra"), QStringLiteral("Cadunir_UnificacaoSobrevivente"),
    QStringLiteral("Cadunir_UnificacaoExame"), QStringLiteral("Cadunir_UnificacaoSinal"),
    QStringLiteral("Cadunir_UnificacaoLote")};

}  // namespace

const QStringList& ColunasPacienteLogadas() {
    static const QStringList colunas = {
        QStringLiteral("ID_Paciente"),
        QStringLiteral("Nome"),
        QStringLiteral("Nome_Soundex"),
        QStringLiteral("Nome_Meio"),
        QStringLiteral("Nome_Meio_Soundex"),
        QStringLiteral("Nome_Último"),
        QStringLiteral("Nome_Último_Soundex"),
        QStringLiteral("RG"),
        QStringLiteral("CIC"),
        QStringLiteral("Endereço"),
        QStringLiteral("CEP"),
        QStringLiteral("Bairro"),
        QStringLiteral("Cidade"),
        QStringLiteral("Estado"),
        QStringLiteral("Telefone"),
        QStringLiteral("Sexo"),
        QStringLiteral("Raça"),
        QStringLiteral("Convênio"),
        QStringLiteral("Data_Nascimento"),
        QStringLiteral("Profissão"),
        QStringLiteral("Número_Convênio"),
        QStringLiteral("Peso"),
        QStringLiteral("Altura"),
        QStringLiteral("Email"),
        QStringLiteral("Prontuário"),
        QStringLiteral("ID_Paciente_Externo"),
        QStringLiteral("ID_Convenio_Plano"),
    };
    return colunas;
}

const QStringList& ColunasCopiaExame() {
    static const QStringList colunas = {
        QStringLiteral("Paciente"),
        QStringLiteral("RG"),
        QStringLiteral("CIC"),
        QStringLiteral("Endereço"),
        QStringLiteral("CEP"),
        QStringLiteral("Bairro"),
        QStringLiteral("Cidade"),
        QStringLiteral("Estado"),
        QStringLiteral("Paciente_Email"),
        QStringLiteral("Telefone"),
        QStringLiteral("Sexo"),
        QStringLiteral("Raça"),
        QStringLiteral("Data_Nascimento"),
        QStringLiteral("Profissão"),
        QStringLiteral("Prontuário"),
    };
    return colunas;
}

const QHash<QString, QString>& CopiaNoExame() {
    static const QHash<QString, QString> copia = {
        {"RG", "RG"},
        {"CIC", "CIC"},
        {"Endereço", "Endereço"},
        {"CEP", "CEP"},
        {"Bairro", "Bairro"},
        {"Cidade", "Cidade"},
        {"Estado", "Estado"},
        {"Email", "Paciente_Email"},
        {"Telefone", "Telefone"},
        {"Sexo", "Sexo"},
        {"Raça", "Raça"},
        {"Data_Nascimento", "Data_Nascimento"},
        {"Profissão", "Profissão"},
        {"Prontuário", "Prontuário"},
    };
    return copia;
}

clsUnificacaoRegistro::clsUnificacaoRegistro(Connection& fCN, clsADO& fADO)
    : m_cn(fCN), m_ado(fADO) {}

bool clsUnificacaoRegistro::CriarTabelas() {
    const QList<QPair<QString, QString>> tabelas = {
        {QStringLiteral("Cadunir_UnificacaoExtra"), SqlExtra()},
        {QStringLiteral("Cadunir_UnificacaoSobrevivente"), SqlSobrevivente()},
        {QStringLiteral("Cadunir_UnificacaoDesfeita"), SqlDesfeita()},
        {QStringLiteral("Cadunir_UnificacaoExame"), SqlExame()},
        {QStringLiteral("Cadunir_UnificacaoSinal"), SqlSinal()},
        {QStringLiteral("Cadunir_UnificacaoAnterior"), SqlAnterior()},
    };
    const auto falhar = [&](const QString& nome) {
        m_erro.AtualizarErro(m_ado.ErrorNumber(), m_ado.ErrorString(),
                             QStringLiteral("CriarTabelas"));
        MostrarMensagem("Ao criar a tabela " + nome + ", ocorreu o seguinte erro:" + "\n\n" +
                        QString::number(m_ado.ErrorNumber()) + " - " + m_ado.ErrorString());
        return false;
    };
    for (const auto& [nome, sql] : tabelas + clsLoteRegistro::Tabelas()) {
        if (!CriarTabelaSeAusente(m_cn, m_ado, nome, sql)) {
            return falhar(nome);
        }
    }
    for (const QString& nome : kTabelasDoComando) {
        if (!NumerarComandos(nome)) {
            return falhar(nome);
        }
    }
    // The undo reads a removed record's rows by its ID: without an index every read would go
    // through all the rows every merge left.
    for (const QString& nome :
         {QStringLiteral("Cadunir_UnificacaoExtra"), QStringLiteral("Cadunir_UnificacaoExame"),
          QStringLiteral("Cadunir_UnificacaoDesfeita")}) {
        if (!Indexar(nome, QStringLiteral("Paciente"), QStringLiteral("ID_Paciente"))) {
            return falhar(nome);
        }
    }
    // Made last: where it exists, every table above has the command's number.
    const QString comandos = QStringLiteral("Cadunir_Unificacao");
    return CriarTabelaSeAusente(m_cn, m_ado, comandos, SqlUnificacao()) || falhar(comandos);
}

bool clsUnificacaoRegistro::NumerarComandos(const QString& fTabela) {
    const auto temColuna = [&](bool& tem) {
        Recordset rs;
        if (!m_ado.RSFields(m_cn, rs, fTabela, QStringLiteral("ID_Unificacao"))) {
            return false;
        }
        tem = rs.RecordCount() != 0;
        return true;
    };
    bool tem = false;
    if (!temColuna(tem)) {
        return false;
    }
    // Another program opening the register at the same moment may add it first: a failed
    // ALTER counts as done when the column is there after all.
    if (!tem &&
        !m_ado.ExecutarSQL(m_cn,
                           "ALTER TABLE [dbo].[" + fTabela + "] ADD [ID_Unificacao] [int] NULL") &&
        (!temColuna(tem) || !tem)) {
        return false;
    }
    return Indexar(fTabela, QStringLiteral("Unificacao"), QStringLiteral("ID_Unificacao"));
}

bool clsUnificacaoRegistro::Indexar(const QString& fTabela, const QString& fNome,
                                    const QString& fColuna) {
    const QString indice = "IX_" + fTabela + '_' + fNome;
    return m_ado.IndexExiste(m_cn, indice) ||
           m_ado.ExecutarSQL(m_cn, "CREATE INDEX [" + indice + "] ON [dbo].[" + fTabela + "]([" +
                                       fColuna + "])") ||
           m_ado.IndexExiste(m_cn, indice);
}

bool clsUnificacaoRegistro::Falhar(const QString& procedimento) {
    m_erro.AtualizarErro(m_ado.ErrorNumber(), m_ado.ErrorString(), procedimento);
    return false;
}

bool clsUnificacaoRegistro::Ler(const QString& sql, QVariant& valor) {
    Recordset rs;
    if (!m_ado.AbrirRecordset(m_cn, rs, sql)) {
        return Falhar(QStringLiteral("Registrar"));
    }
    valor = rs.Eof() ? QVariant() : rs.Fields(0).Value();
    return true;
}

bool clsUnificacaoRegistro::Preparar(qint32 fID_PacienteBase, const QList<qint32>& fCopias) {
    m_base = fID_PacienteBase;
    m_perdidos.clear();
    QSet<qint32> vistos;
    for (qint32 id : fCopias) {
        if (id == fID_PacienteBase || vistos.contains(id)) {
            continue;
        }
        vistos.insert(id);
        Recordset rs;
        if (!m_ado.AbrirRecordset(m_cn, rs,
                                  "SELECT ID_Convenio_Plano, Data_Nascimento FROM Paciente "
                                  "WHERE ID_Paciente = " +
                                      QString::number(id))) {
            return Falhar(QStringLiteral("Preparar"));
        }
        if (rs.Eof()) {
            continue;
        }
        Perdido perdido{id, rs.Fields(0).Value(), rs.Fields(1).Value(), {}};
        rs.Close();
        if (!LerCopias(id, perdido.copias)) {
            return false;
        }
        m_perdidos << perdido;
    }
    m_valoresBase.clear();
    Recordset rs;
    if (!m_ado.AbrirRecordset(
            m_cn, rs,
            "SELECT " + ColunasPacienteLogadas().join(QStringLiteral(", ")) +
                " FROM Paciente WHERE ID_Paciente = " + QString::number(fID_PacienteBase))) {
        return Falhar(QStringLiteral("Preparar"));
    }
    for (int c = 0; !rs.Eof() && c < ColunasPacienteLogadas().size(); ++c) {
        m_valoresBase << Literal(rs.Fields(c).Value());
    }
    rs.Close();
    m_copiasBase.clear();
    return LerCopias(fID_PacienteBase, m_copiasBase);
}

bool clsUnificacaoRegistro::LerCopias(qint32 fID_Paciente,
                                      QList<QPair<QString, QVariantList>>& fCopias) {
    for (const QString& tabela : {QStringLiteral("Exame"), QStringLiteral("Exame_BK")}) {
        Recordset rs;
        if (!m_ado.AbrirRecordset(
                m_cn, rs,
                "SELECT ID_Exame, " + ColunasCopiaExame().join(QStringLiteral(", ")) + " FROM " +
                    tabela + " WHERE ID_Paciente = " + QString::number(fID_Paciente))) {
            return Falhar(QStringLiteral("Preparar"));
        }
        for (; !rs.Eof(); rs.MoveNext()) {
            QVariantList linha;
            for (int c = 0; c <= ColunasCopiaExame().size(); ++c) {
                linha << rs.Fields(c).Value();
            }
            fCopias.append({tabela, linha});
        }
    }
    return true;
}

bool clsUnificacaoRegistro::GravarCopias(const QString& chave,
                                         const QList<QPair<QString, QVariantList>>& fCopias) {
    for (const auto& [tabela, linha] : fCopias) {
        QStringList valores;
        for (const QVariant& v : linha) {
            valores << Literal(v);
        }
        if (!m_ado.ExecutarSQL(m_cn,
                               "INSERT INTO Cadunir_UnificacaoExame (ID_Unificacao, ID_Paciente, "
                               "ID_PacienteNovo, ID_Usuario, Data, Tabela, ID_Exame, " +
                                   ColunasCopiaExame().join(QStringLiteral(", ")) + ") VALUES (" +
                                   chave + Literal(tabela) + ", " +
                                   valores.join(QStringLiteral(", ")) + ")")) {
            return Falhar(QStringLiteral("Registrar"));
        }
    }
    return true;
}

bool clsUnificacaoRegistro::Registrar(qint32 fID_Usuario, bool fSobreviventeAtualizado,
                                      const Anotacao& fAnotacao) {
    const QString base = QString::number(m_base);
    const QString usuario = QString::number(fID_Usuario);
    // The command's number, taken once and only when it removed a record: its log rows may
    // carry different times (each merge reads the clock, and the database rounds them to the
    // minute), its own rows never differ.
    const QString agora = Literal(Relogio::Agora());
    QString comando;
    QVariant dataComando;  // the command's newest log time, the key of rows read the old way
    for (const Perdido& p : m_perdidos) {
        // The log row's own time, so that the undo finds these rows by the log row's key.
        QVariant data;
        if (!Ler("SELECT MAX(Data) FROM PacienteLog WHERE ID_Paciente = " + QString::number(p.id) +
                     " AND ID_PacienteNovo = " + base + " AND ID_Usuario = " + usuario,
                 data)) {
            return false;
        }
        if (data.isNull()) {
            continue;  // the command did not remove this one
        }
        if (comando.isEmpty()) {
            QVariant numero;
            if (!m_ado.ExecutarSQL(m_cn,
                                   "INSERT INTO Cadunir_Unificacao (ID_PacienteNovo, ID_Usuario, "
                                   "Data) VALUES (" +
                                       base + ", " + usuario + ", " + agora + ")") ||
                !Ler(QStringLiteral("SELECT @@IDENTITY"), numero)) {
                return Falhar(QStringLiteral("Registrar"));
            }
            comando = QString::number(numero.toInt()) + ", ";
        }
        dataComando = data;
        const QString chave = comando + QString::number(p.id) + ", " + base + ", " + usuario +
                              ", " + Literal(data.toDateTime()) + ", ";
        if (fAnotacao.lote != 0 &&
            !m_ado.ExecutarSQL(m_cn,
                               "INSERT INTO Cadunir_UnificacaoLote (ID_Lote, ID_Unificacao, "
                               "ID_Paciente, ID_PacienteNovo, ID_Usuario, Data) VALUES (" +
                                   QString::number(fAnotacao.lote) + ", " + chave.chopped(2) +
                                   ")")) {
            return Falhar(QStringLiteral("Registrar"));
        }
        if (!m_ado.ExecutarSQL(m_cn,
                               "INSERT INTO Cadunir_UnificacaoExtra (ID_Unificacao, ID_Paciente, "
                               "ID_PacienteNovo, ID_Usuario, Data, ID_Convenio_Plano, "
                               "Data_Nascimento) VALUES (" +
                                   chave + Literal(p.plano) + ", " + Literal(p.nascimento) + ")")) {
            return Falhar(QStringLiteral("Registrar"));
        }
        if (!GravarCopias(chave, p.copias)) {
            return false;
        }
    }
    if (dataComando.isNull()) {
        return true;  // nothing was removed
    }
    // The command's own rows keep its newest log time too, as earlier versions keyed them.
    const QString chaveComando =
        comando + base + ", " + usuario + ", " + Literal(dataComando.toDateTime()) + ", ";
    for (const Anotacao::Sinal& sinal : fAnotacao.sinais) {
        if (!m_ado.ExecutarSQL(m_cn,
                               "INSERT INTO Cadunir_UnificacaoSinal (ID_Unificacao, "
                               "ID_PacienteNovo, ID_Usuario, Data, Tipo, Pacientes, Sinal, "
                               "Motivo) VALUES (" +
                                   chaveComando + QString::number(sinal.tipo) + ", " +
                                   Literal(sinal.ids.left(255)) + ", " +
                                   Literal(sinal.texto.left(1000)) + ", " +
                                   Literal(fAnotacao.motivo.left(1000)) + ")")) {
            return Falhar(QStringLiteral("Registrar"));
        }
    }
    if (!fSobreviventeAtualizado) {
        return true;
    }
    if (!m_valoresBase.isEmpty() &&
        !m_ado.ExecutarSQL(m_cn, "INSERT INTO Cadunir_UnificacaoAnterior (" +
                                     ColunasPacienteLogadas().join(QStringLiteral(", ")) +
                                     ", ID_Unificacao) VALUES (" +
                                     m_valoresBase.join(QStringLiteral(", ")) + ", " +
                                     comando.chopped(2) + ")")) {
        return Falhar(QStringLiteral("Registrar"));
    }
    // The base's own exams as they were, under a key of the base merged into itself.
    if (!GravarCopias(comando + base + ", " + chaveComando.mid(comando.size()), m_copiasBase)) {
        return false;
    }
    // The survivor's values after the merge: an undo restores the earlier values only where
    // nothing changed them since. Data_Atualizar is its PacienteLogAtualizar row's time.
    QVariant data;
    if (!Ler("SELECT MAX(Data) FROM PacienteLogAtualizar WHERE ID_Paciente = " + base +
                 " AND ID_Usuario = " + usuario,
             data)) {
        return false;
    }
    const QString colunas = ColunasPacienteLogadas().join(QStringLiteral(", "));
    if (!data.isNull() &&
        !m_ado.ExecutarSQL(m_cn, "INSERT INTO Cadunir_UnificacaoSobrevivente (" + colunas +
                                     ", ID_Usuario, Data_Atualizar, ID_Unificacao) SELECT " +
                                     colunas + ", " + usuario + ", " + Literal(data.toDateTime()) +
                                     ", " + comando.chopped(2) +
                                     " FROM Paciente WHERE ID_Paciente = " + base)) {
        return Falhar(QStringLiteral("Registrar"));
    }
    return true;
}
