#include "merge/clsPacienteUnificar.h"

#include <QDateTime>
#include <QHash>
#include <QStringList>

#include "data/ado/CriarTabelaSeAusente.h"
#include "data/base/ErroNumerado.h"
#include "data/base/MostrarMensagem.h"
#include "data/base/Relogio.h"
#include "data/base/TextoSQL.h"
#include "data/base/ValorSeNulo.h"
#include "merge/clsUnificacaoRegistro.h"
#include "patient/clsData.h"
#include "patient/clsPaciente.h"

namespace {

// The 26 columns Paciente shares with the log tables, on both sides of every log insert so
// that a row is carried over column by column. ID_Convenio_Plano stays NULL in the logs.
const QString kColunasPaciente =
    "ID_Paciente, Nome , Nome_Soundex, Nome_Meio, Nome_Meio_Soundex, Nome_Último, "
    "Nome_Último_Soundex, RG, CIC, Endereço, CEP, Bairro, Cidade, Estado, Email, Telefone, "
    "Sexo, Raça, Convênio, Data_Nascimento, Profissão, Número_Convênio, Peso, Altura, "
    "Prontuário, ID_Paciente_Externo";

// Column definitions shared by PacienteLog and PacienteLogAtualizar.
QString ColunasLogPaciente() {
    static const char* const pecas[] = {
        "    [ID_Paciente] [int]  NULL ,",
        " [Nome] [nvarchar] (30) NULL ,",
        " [Nome_Soundex] [nvarchar] (4) NULL ,",
        " [Nome_Meio] [nvarchar] (50) NULL ,",
        " [Nome_Meio_Soundex] [nvarchar] (4) NULL ,",
        " [Nome_Último] [nvarchar] (20) NULL ,",
        " [Nome_Último_Soundex] [nvarchar] (4) NULL ,",
        " [RG] [nvarchar] (30) NULL ,",
        " [CIC] [nvarchar] (30) NULL ,",
        " [Endereço] [nvarchar] (255) NULL ,",
        " [CEP] [nvarchar] (10) NULL ,",
        " [Bairro] [nvarchar] (100) NULL ,",
        " [Cidade] [nvarchar] (100) NULL ,",
        " [Estado] [nvarchar] (2) NULL ,",
        " [Telefone] [nvarchar] (30) NULL ,",
        " [Sexo] [nvarchar] (1) NULL ,",
        " [Raça] [nvarchar] (15) NULL ,",
        " [Convênio] [nvarchar] (30) NULL ,",
        " [Data_Nascimento] [smalldatetime] NULL ,",
        " [Profissão] [nvarchar] (50) NULL ,",
        " [Número_Convênio] [nvarchar] (20) NULL ,",
        " [Peso] [nvarchar] (6) NULL ,",
        " [Altura] [nvarchar] (4) NULL ,",
        " [Email] [nvarchar] (70) NULL ,",
        " [Prontuário] [nvarchar] (20) NULL ,",
        " [ID_Paciente_Externo] [nvarchar] (20) NULL ,",
        " [ID_Convenio_Plano] [int] NULL, ",
    };
    QString sql;
    for (const char* peca : pecas) {
        sql += QString::fromUtf8(peca);
    }
    return sql;
}

QString SqlPacienteLog() {
    return " CREATE TABLE [dbo].[PacienteLog] (" + ColunasLogPaciente() +
           " [ID_PacienteNovo] [int] NULL, "
           " [ID_Usuario] [int] NULL, "
           " [Data] [smalldatetime] NULL "
           " ) ON [PRIMARY]";
}

QString SqlPacienteLogExame() {
    return " CREATE TABLE [dbo].[PacienteLogExame] ("
           " [ID_Paciente] [int]  NULL ,"
           " [Numero_Exame] [nvarchar] (50) NULL, "
           " [ID_Usuario] [int] NULL, "
           " [Data] [smalldatetime] NULL "
           " ) ON [PRIMARY]";
}

QString SqlPacienteLogAtualizar() {
    return " CREATE TABLE [dbo].[PacienteLogAtualizar] (" + ColunasLogPaciente() +
           " [ID_Usuario] [int] NULL, "
           " [Data] [smalldatetime] NULL "
           " ) ON [PRIMARY]";
}

QString SqlPacienteLogJustificativa() {
    return " CREATE TABLE [dbo].[PacienteLogJustificativa] ( "
           "         [ID_PacienteLogJustificativa] [int] NOT NULL , "
           "         [Justificativa] [nvarchar](255) Not NULL "
           "     ) ON [PRIMARY] "
           "     ALTER TABLE [dbo].[PacienteLogJustificativa] WITH NOCHECK ADD "
           "         CONSTRAINT [PK_PacienteLogJustificativa] PRIMARY KEY  CLUSTERED "
           "         ( "
           "             [ID_PacienteLogJustificativa] "
           "         )  ON [PRIMARY]";
}

QString SqlPacienteLogSemSolucao() {
    return " CREATE TABLE [dbo].[PacienteLogSemSolucao] ( "
           " [ID_PacienteLogSemSolucao] [int] IDENTITY (1, 1) NOT NULL , "
           " [ID_Paciente] [int] NOT NULL , "
           " [ID_PacienteLogJustificativa] [int] NOT NULL , "
           " [ID_Usuario] [int] NOT NULL , "
           " [Data] [smalldatetime] NULL , "
           " [Descricao] [nvarchar] (255) NULL "
           " ) ON [PRIMARY] "
           " ALTER TABLE [dbo].[PacienteLogSemSolucao] WITH NOCHECK ADD "
           " CONSTRAINT [PK_PacienteLogSemSolucao] PRIMARY KEY  CLUSTERED "
           " ( "
           " [ID_PacienteLogSemSolucao] "
           " )  ON [PRIMARY] "
           " ALTER TABLE [dbo].[PacienteLogSemSolucao] ADD "
           " CONSTRAINT [DF_PacienteLogSemSolucao_Data] DEFAULT (getdate()) FOR [Data] ";
}

// The workstation's clock as SQL text (yyyy-mm-dd hh:nn:ss), read once per operation so that
// every row an operation logs carries the same time.
QString AgoraParaSQL() {
    clsData agora;
    agora.setValor(Relogio::Agora());
    return agora.TextoParaSQL();
}

}  // namespace

clsPacienteUnificar::clsPacienteUnificar(Connection& fCN, clsADO& fADO) : m_cn(fCN), m_ado(fADO) {}

void clsPacienteUnificar::RegistrarErroBanco(const QString& procedimento) {
    m_erro.AtualizarErro(m_ado.ErrorNumber(), m_ado.ErrorString(), procedimento, QString());
}

bool clsPacienteUnificar::CriarTabela(const QString& nome, const QString& sql) {
    if (CriarTabelaSeAusente(m_cn, m_ado, nome, sql)) {
        return true;
    }
    MostrarMensagem("Ao criar a tabela " + nome + ", ocorreu o seguinte erro:" + "\n\n" +
                    QString::number(m_ado.ErrorNumber()) + " - " + m_ado.ErrorString());
    return false;
}

bool clsPacienteUnificar::CriarTabelas() {
    // The catalogue is filled before the last table, whether it existed or was just made.
    return CriarTabela("PacienteLog", SqlPacienteLog()) &&
           CriarTabela("PacienteLogExame", SqlPacienteLogExame()) &&
           CriarTabela("PacienteLogAtualizar", SqlPacienteLogAtualizar()) &&
           CriarTabela("PacienteLogJustificativa", SqlPacienteLogJustificativa()) &&
           PacienteLogJustificativa_Popular() &&
           CriarTabela("PacienteLogSemSolucao", SqlPacienteLogSemSolucao());
}

bool clsPacienteUnificar::PacienteLogJustificativa_Popular() {
    static const char* const justificativas[] = {
        "Não localizado no SIGH",
        "Localizado no SIGH mas sem RGHC",
        "Outros",
    };
    for (int id = 1; id <= 3; ++id) {
        const QString numero = QString::number(id);
        Recordset rs;
        if (!m_ado.AbrirRecordset(m_cn, rs,
                                  " SELECT COUNT(*) "
                                  " FROM PacienteLogJustificativa "
                                  " WHERE ID_PacienteLogJustificativa = " +
                                      numero)) {
            RegistrarErroBanco("PacienteLogJustificativa_Popular");
            return false;
        }
        const qint64 existentes = rs.Eof() ? 0 : rs.Fields(0).Value().toLongLong();
        rs.Close();
        if (existentes != 0) {
            continue;  // an existing reason keeps its text
        }
        // A failed insert is recorded but does not stop the start-up: the catalogue is
        // only read by the no-solution dialog.
        if (!m_ado.ExecutarSQL(m_cn,
                               " INSERT INTO PacienteLogJustificativa "
                               "(ID_PacienteLogJustificativa, Justificativa) "
                               " VALUES (" +
                                   numero + ", '" + QString::fromUtf8(justificativas[id - 1]) +
                                   "')")) {
            RegistrarErroBanco("PacienteLogJustificativa_Popular");
        }
    }
    return true;
}

// A level that failed to open at the database would leave the statements in autocommit,
// where a failure half-way could no longer be undone: stop before sending anything.
bool clsPacienteUnificar::AbrirNivel(const QString& procedimento) {
    if (m_ado.TransaçãoIniciar(m_cn)) {
        return true;
    }
    RegistrarErroBanco(procedimento);
    m_ado.TransaçãoCancelar(m_cn);
    return false;
}

// A commit that fails must not leave the changes pending on the connection, where a later
// statement could still commit them.
bool clsPacienteUnificar::FecharNivel(const QString& procedimento) {
    if (m_ado.TransaçãoFinalizar(m_cn)) {
        return true;
    }
    RegistrarErroBanco(procedimento);
    if (m_ado.ProfundidadeTransação() == 0) {
        try {
            m_cn.RollbackTrans();
        } catch (const ErroNumerado&) {
            // nothing was pending
        }
    }
    return false;
}

bool clsPacienteUnificar::ExecutarUnificacao(const QString& sql) {
    if (m_ado.ExecutarSQL(m_cn, sql)) {
        return true;
    }
    RegistrarErroBanco("PacienteLogAdicionar");
    return false;
}

bool clsPacienteUnificar::PacienteUnificar(qint32 fID_PacienteBase, qint32 fID_PacienteCopia,
                                           qint32 fID_Usuario) {
    const QString agora = AgoraParaSQL();
    const QString base = QString::number(fID_PacienteBase);
    const QString copia = QString::number(fID_PacienteCopia);
    const QString usuario = QString::number(fID_Usuario);

    QStringList comandos;
    comandos << " INSERT INTO PacienteLog (" + kColunasPaciente +
                    ", ID_PacienteNovo, ID_Usuario, Data) " + " SELECT " + kColunasPaciente + "," +
                    base + ", " + usuario + ", '" + agora + "'" +
                    " FROM Paciente WHERE ID_Paciente = " + copia;
    for (const char* sufixo : {"", "_BK"}) {
        comandos << " INSERT INTO PacienteLogExame (ID_Paciente, Numero_Exame, ID_Usuario, Data)"
                    " SELECT ID_Paciente, Número_Exame, " +
                        usuario + ", getdate()" + " FROM Exame" + sufixo +
                        " WHERE ID_Paciente = " + copia;
        comandos << QString(" UPDATE EXAME") + sufixo + " SET " + " ID_Paciente = " + base +
                        " WHERE ID_Paciente = " + copia;
    }
    comandos << " DELETE FROM Paciente WHERE ID_Paciente = " + copia;

    if (!AbrirNivel("PacienteLogAdicionar")) {
        return false;
    }
    for (const QString& sql : comandos) {
        if (!ExecutarUnificacao(sql)) {
            m_ado.TransaçãoCancelar(m_cn);
            return false;
        }
    }
    return FecharNivel("PacienteLogAdicionar");
}

// Inside an open level: the stored row goes to PacienteLogAtualizar before it is overwritten, so
// that a failed update takes its log row with it. A failure cancels the level.
bool clsPacienteUnificar::RegistrarAtualizacao(qint32 fID_Paciente, qint32 fID_Usuario,
                                               const QString& procedimento) {
    if (m_ado.ExecutarSQL(
            m_cn, " INSERT INTO PacienteLogAtualizar (" + kColunasPaciente +
                      ", ID_Usuario, Data) " + " SELECT " + kColunasPaciente + ", " +
                      QString::number(fID_Usuario) + ", '" + AgoraParaSQL() + "'" +
                      " FROM Paciente WHERE ID_Paciente = " + QString::number(fID_Paciente))) {
        return true;
    }
    RegistrarErroBanco(procedimento);
    m_ado.TransaçãoCancelar(m_cn);
    return false;
}

bool clsPacienteUnificar::PacienteAtualizar(qint32 fID_Paciente, qint32 fID_Usuario,
                                            clsPaciente& fNovo) {
    clsPaciente paciente(m_cn, m_ado);
    if (!paciente.Localizar(fID_Paciente)) {
        m_erro.AtualizarErro(-100,
                             "Paciente id='" + QString::number(fID_Paciente) + "', não localizado.",
                             "PacienteAtualizar", QString());
        return false;
    }
    if (!AbrirNivel("PacienteAtualizar") ||
        !RegistrarAtualizacao(fID_Paciente, fID_Usuario, "PacienteAtualizar")) {
        return false;
    }
    using Campo = clsString& (clsPaciente::*)();
    static const Campo campos[] = {
        &clsPaciente::Nome,
        &clsPaciente::Nome_Meio,
        &clsPaciente::Nome_Último,
        &clsPaciente::RG,
        &clsPaciente::CIC,
        &clsPaciente::Endereço,
        &clsPaciente::CEP,
        &clsPaciente::Bairro,
        &clsPaciente::Cidade,
        &clsPaciente::Estado,
        &clsPaciente::Telefone,
        &clsPaciente::Sexo,
        &clsPaciente::Raça,
        &clsPaciente::Convênio,
        &clsPaciente::Data_Nascimento,
        &clsPaciente::Profissão,
        &clsPaciente::Número_Convênio,
        &clsPaciente::Peso,
        &clsPaciente::Altura,
        &clsPaciente::Email,
        &clsPaciente::Prontuário,
        &clsPaciente::ID_Paciente_Externo,
    };
    for (Campo campo : campos) {
        (paciente.*campo)().setValor((fNovo.*campo)().Valor());
    }
    if (!paciente.Atualizar(fID_Usuario)) {
        m_ado.TransaçãoCancelar(m_cn);
        m_erro.AtualizarErro(paciente.Erro().ErrorNumber(), paciente.Erro().ErrorString(),
                             "PacienteAtualizar", QString());
        return false;
    }
    return FecharNivel("PacienteAtualizar");
}

bool clsPacienteUnificar::PacienteUnificarCadastros(qint32 fID_PacienteBase,
                                                    const QList<qint32>& fIDs, qint32 fID_Usuario) {
    if (!AbrirNivel("PacienteUnificarCadastros")) {
        return false;
    }
    for (qint32 id : fIDs) {
        if (id == fID_PacienteBase) {
            continue;
        }
        if (!PacienteUnificar(fID_PacienteBase, id, fID_Usuario)) {
            m_ado.TransaçãoCancelar(m_cn);
            return false;
        }
    }
    return FecharNivel("PacienteUnificarCadastros");
}

bool clsPacienteUnificar::PacienteAtualizarCampos(qint32 fID_Paciente, qint32 fID_Usuario,
                                                  const QList<QPair<QString, QVariant>>& fCampos) {
    const QString proc = QStringLiteral("PacienteAtualizarCampos");
    if (fCampos.isEmpty()) {
        return true;
    }
    const QHash<QString, QString>& copiaNoExame = CopiaNoExame();
    static const QStringList nomes = {"Nome", "Nome_Meio", "Nome_Último"};
    const QString chave = " WHERE ID_Paciente = " + QString::number(fID_Paciente);
    QStringList paciente;
    QStringList exame;
    bool nomeMudou = false;
    for (const auto& [coluna, valor] : fCampos) {
        const QString literal = dados::LiteralTSql(valor);
        paciente << coluna + " = " + literal;
        if (nomes.contains(coluna)) {
            paciente << coluna + "_Soundex = SOUNDEX(" + literal + ")";
            nomeMudou = true;
        } else if (copiaNoExame.contains(coluna)) {
            exame << copiaNoExame.value(coluna) + " = " + literal;
        }
    }
    if (!AbrirNivel(proc) || !RegistrarAtualizacao(fID_Paciente, fID_Usuario, proc)) {
        return false;
    }
    const auto falhar = [&] {
        RegistrarErroBanco(proc);
        m_ado.TransaçãoCancelar(m_cn);
        return false;
    };
    if (!m_ado.ExecutarSQL(m_cn, "UPDATE Paciente SET " + paciente.join(", ") + chave)) {
        return falhar();
    }
    if (nomeMudou) {
        // The exam rows hold the full name, its blanks following the parts that are present.
        Recordset rs;
        if (!m_ado.AbrirRecordset(m_cn, rs,
                                  "SELECT Nome, Nome_Meio, Nome_Último FROM Paciente" + chave)) {
            return falhar();
        }
        QString completo;
        for (int c = 0; c < 3 && !rs.Eof(); ++c) {
            const QString parte = ValorSeNulo(rs.Fields(c).Value(), QString()).toString();
            completo += (c > 0 && !parte.isEmpty() ? " " : "") + parte;
        }
        rs.Close();
        exame.prepend("Paciente = " + dados::LiteralTSql(completo));
    }
    if (!exame.isEmpty()) {
        for (const char* tabela : {"Exame", "Exame_BK"}) {
            if (!m_ado.ExecutarSQL(m_cn, QStringLiteral("UPDATE ") + tabela + " SET " +
                                             exame.join(", ") + chave)) {
                return falhar();
            }
        }
    }
    return FecharNivel(proc);
}
