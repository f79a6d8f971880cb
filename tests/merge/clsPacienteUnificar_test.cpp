#include "merge/clsPacienteUnificar.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QRegularExpression>
#include <QStringList>

#include "data/ado/Recordset.h"
#include "data/base/MostrarMensagem.h"
#include "data/base/Relogio.h"
#include "support/ImprimirQt.h"
#include "support/RegistroMerge.h"
#include "support/SqlRecorder.h"

namespace {

constexpr qint32 kFalha = -2147217900;  // what the injected failures answer

// Collects what would be shown in message boxes.
class CapturaMensagens {
  public:
    CapturaMensagens() {
        m_anterior = MostrarMensagem_Definir([this](const QString& t) { mensagens << t; });
    }
    ~CapturaMensagens() { MostrarMensagem_Definir(m_anterior); }
    QStringList mensagens;

  private:
    MostrarMensagemFn m_anterior;
};

const QString kColunas =
    "ID_Paciente, Nome , Nome_Soundex, Nome_Meio, Nome_Meio_Soundex, Nome_Último, "
    "Nome_Último_Soundex, RG, CIC, Endereço, CEP, Bairro, Cidade, Estado, Email, Telefone, "
    "Sexo, Raça, Convênio, Data_Nascimento, Profissão, Número_Convênio, Peso, Altura, "
    "Prontuário, ID_Paciente_Externo";

// The time every log row of these tests carries: the workstation clock is fixed to it
// (smalldatetime keeps minutes, so it has no seconds).
const QDateTime kAgora(QDate(2031, 2, 3), QTime(4, 5));

void EsperarAgora(const QVariant& valor) {
    EXPECT_EQ(valor.toDateTime(), kAgora) << valor.toString().toStdString();
}

// Patients 1..13 ("P1".."P13"); 11 and 12 have exams, and so has the unrelated 13.
void PreencherGrupo(RegistroMerge& r) {
    ASSERT_TRUE(r.ado().TransaçãoIniciar(r.cn()));
    for (int i = 1; i <= 13; ++i) {
        ASSERT_EQ(r.NovoPaciente("P" + QString::number(i)), i);
    }
    r.NovoExame(10, "E10-1");
    r.NovoExame(11, "E11-1");
    r.NovoExame(11, "E11-2");
    r.NovoExame(12, "E12-1");
    r.NovoExame(13, "E13-1");
    ASSERT_TRUE(r.ado().TransaçãoFinalizar(r.cn()));
}

}  // namespace

TEST(CriarTabelas, RegistroNovoRecebeAsCincoTabelasNaOrdemEOCatalogo) {
    RegistroMerge r(false);
    CapturaMensagens captura;
    clsPacienteUnificar motor(r.cn(), r.ado());
    QStringList comandos;
    {
        SqlRecorder g(r.cn());
        ASSERT_TRUE(motor.CriarTabelas());
        comandos = g.texts(Connection::Evento::Execucao);
        EXPECT_EQ(g.count(Connection::Evento::Consulta), 3);
    }
    EXPECT_TRUE(captura.mensagens.isEmpty());
    ASSERT_EQ(comandos.size(), 8);
    EXPECT_TRUE(
        comandos[0].startsWith(" CREATE TABLE [dbo].[PacienteLog] (    [ID_Paciente] "
                               "[int]  NULL , [Nome] [nvarchar] (30) NULL ,"));
    EXPECT_TRUE(comandos[0].endsWith(
        " [ID_Convenio_Plano] [int] NULL,  [ID_PacienteNovo] [int] NULL,  [ID_Usuario] [int] "
        "NULL,  [Data] [smalldatetime] NULL  ) ON [PRIMARY]"));
    EXPECT_EQ(comandos[1],
              " CREATE TABLE [dbo].[PacienteLogExame] ( [ID_Paciente] [int]  NULL , "
              "[Numero_Exame] [nvarchar] (50) NULL,  [ID_Usuario] [int] NULL,  [Data] "
              "[smalldatetime] NULL  ) ON [PRIMARY]");
    EXPECT_TRUE(comandos[2].startsWith(" CREATE TABLE [dbo].[PacienteLogAtualizar] (    [ID_"));
    EXPECT_TRUE(
        comandos[2].endsWith(" [ID_Convenio_Plano] [int] NULL,  [ID_Usuario] [int] "
                             "NULL,  [Data] [smalldatetime] NULL  ) ON [PRIMARY]"));
    EXPECT_EQ(comandos[3],
              " CREATE TABLE [dbo].[PacienteLogJustificativa] (          "
              "[ID_PacienteLogJustificativa] [int] NOT NULL ,          [Justificativa] "
              "[nvarchar](255) Not NULL      ) ON [PRIMARY]      ALTER TABLE "
              "[dbo].[PacienteLogJustificativa] WITH NOCHECK ADD          CONSTRAINT "
              "[PK_PacienteLogJustificativa] PRIMARY KEY  CLUSTERED          (              "
              "[ID_PacienteLogJustificativa]          )  ON [PRIMARY]");
    const QStringList motivos = {"1, 'Não localizado no SIGH'",
                                 "2, 'Localizado no SIGH mas sem RGHC'", "3, 'Outros'"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(comandos[4 + i],
                  " INSERT INTO PacienteLogJustificativa (ID_PacienteLogJustificativa, "
                  "Justificativa)  VALUES (" +
                      motivos[i] + ")");
    }
    EXPECT_EQ(comandos[7],
              " CREATE TABLE [dbo].[PacienteLogSemSolucao] (  [ID_PacienteLogSemSolucao] [int] "
              "IDENTITY (1, 1) NOT NULL ,  [ID_Paciente] [int] NOT NULL ,  "
              "[ID_PacienteLogJustificativa] [int] NOT NULL ,  [ID_Usuario] [int] NOT NULL ,  "
              "[Data] [smalldatetime] NULL ,  [Descricao] [nvarchar] (255) NULL  ) ON [PRIMARY]  "
              "ALTER TABLE [dbo].[PacienteLogSemSolucao] WITH NOCHECK ADD  CONSTRAINT "
              "[PK_PacienteLogSemSolucao] PRIMARY KEY  CLUSTERED  (  [ID_PacienteLogSemSolucao]  "
              ")  ON [PRIMARY]  ALTER TABLE [dbo].[PacienteLogSemSolucao] ADD  CONSTRAINT "
              "[DF_PacienteLogSemSolucao_Data] DEFAULT (getdate()) FOR [Data] ");

    // The middle of the log tables, which the texts above leave out. (The catalogue's rows and
    // the marks' identity and date default are the exact texts' and the engine's own tests.)
    Recordset rs;
    ASSERT_TRUE(r.ado().AbrirRecordset(r.cn(), rs, "SELECT * FROM PacienteLog"));
    ASSERT_EQ(rs.FieldCount(), 30);
    EXPECT_EQ(rs.Fields(5).Name(), "Nome_Último");
    EXPECT_EQ(rs.Fields(26).Name(), "ID_Convenio_Plano");
    EXPECT_EQ(rs.Fields(29).Name(), "Data");
    ASSERT_TRUE(r.ado().AbrirRecordset(r.cn(), rs, "SELECT * FROM PacienteLogAtualizar"));
    EXPECT_EQ(rs.FieldCount(), 29);
}

TEST(CriarTabelas, RegistroCompletoSoContaECatalogoIncompletoRecebeSoOQueFalta) {
    RegistroMerge r;
    clsPacienteUnificar motor(r.cn(), r.ado());
    {
        SqlRecorder g(r.cn());
        ASSERT_TRUE(motor.CriarTabelas());
        EXPECT_EQ(g.count(Connection::Evento::Execucao), 0);
        EXPECT_EQ(g.texts(Connection::Evento::Consulta),
                  QStringList({" SELECT COUNT(*)  FROM PacienteLogJustificativa  WHERE "
                               "ID_PacienteLogJustificativa = 1",
                               " SELECT COUNT(*)  FROM PacienteLogJustificativa  WHERE "
                               "ID_PacienteLogJustificativa = 2",
                               " SELECT COUNT(*)  FROM PacienteLogJustificativa  WHERE "
                               "ID_PacienteLogJustificativa = 3"}));
    }

    r.Executar("DELETE FROM PacienteLogJustificativa WHERE ID_PacienteLogJustificativa = 2");
    r.Executar(
        "UPDATE PacienteLogJustificativa SET Justificativa = 'Texto do hospital' "
        "WHERE ID_PacienteLogJustificativa = 1");
    {
        SqlRecorder g(r.cn());
        ASSERT_TRUE(motor.CriarTabelas());
        EXPECT_EQ(g.texts(Connection::Evento::Execucao),
                  QStringList(" INSERT INTO PacienteLogJustificativa "
                              "(ID_PacienteLogJustificativa, Justificativa)  VALUES (2, "
                              "'Localizado no SIGH mas sem RGHC')"));
    }
    EXPECT_EQ(r.Contar("SELECT COUNT(*) FROM PacienteLogJustificativa"), 3);
    EXPECT_EQ(r.Valor("SELECT Justificativa FROM PacienteLogJustificativa "
                      "WHERE ID_PacienteLogJustificativa = 1")
                  .toString(),
              "Texto do hospital");
}

TEST(CriarTabelas, FalhasParamNaTabelaQueFalhaENoCatalogoSoQuandoAContagemFalha) {
    {
        // A view holds the name: it is no table, and no table can take its name.
        RegistroMerge r(false);
        r.SqliteDireto("CREATE VIEW PacienteLogExame AS SELECT 1 AS x");
        CapturaMensagens captura;
        clsPacienteUnificar motor(r.cn(), r.ado());
        EXPECT_FALSE(motor.CriarTabelas());
        ASSERT_EQ(captura.mensagens.size(), 1);
        EXPECT_EQ(captura.mensagens[0],
                  "Ao criar a tabela PacienteLogExame, ocorreu o seguinte erro:\n\n" +
                      QString::number(r.ado().ErrorNumber()) + " - " + r.ado().ErrorString());
        EXPECT_NE(r.ado().ErrorNumber(), 0);
        EXPECT_TRUE(r.ado().TableExiste(r.cn(), "PacienteLog"));
        EXPECT_FALSE(r.ado().TableExiste(r.cn(), "PacienteLogAtualizar"));
        EXPECT_FALSE(r.ado().TableExiste(r.cn(), "PacienteLogJustificativa"));
    }
    // A failed count ends the start-up without a box of its own; a failed insert is recorded
    // and the start-up goes on.
    for (const bool contagem : {true, false}) {
        RegistroMerge r(false);
        CapturaMensagens captura;
        clsPacienteUnificar motor(r.cn(), r.ado());
        SqlRecorder g(r.cn());
        g.failWhen(
            [contagem](const Connection::Evento& e) {
                return contagem ? e.tipo == Connection::Evento::Consulta && e.texto.endsWith("= 2")
                                : e.tipo == Connection::Evento::Execucao &&
                                      e.texto.contains("VALUES (1,");
            },
            kFalha);
        EXPECT_EQ(motor.CriarTabelas(), !contagem);
        EXPECT_TRUE(captura.mensagens.isEmpty());
        EXPECT_EQ(motor.Erro().ErrorNumber(), kFalha);
        EXPECT_EQ(motor.Erro().ErrorString(), r.ado().ErrorString());
        EXPECT_EQ(motor.Erro().ErrorFunction(), "PacienteLogJustificativa_Popular");
        EXPECT_EQ(motor.Erro().ErrorCampo(), "");
        EXPECT_EQ(r.ado().TableExiste(r.cn(), "PacienteLogSemSolucao"), !contagem);
        EXPECT_EQ(r.Contar("SELECT COUNT(*) FROM PacienteLogJustificativa"), contagem ? 1 : 2);
    }
}

TEST(PacienteUnificar, GrupoDeTresTerminaComCopiasRegistradasEExamesNaBase) {
    RelogioFixo relogio(kAgora);
    RegistroMerge r;
    PreencherGrupo(r);
    auto linha = [&](qint32 id) {
        Recordset rs;
        EXPECT_TRUE(r.ado().AbrirRecordset(
            r.cn(), rs,
            "SELECT " + kColunas + " FROM Paciente WHERE ID_Paciente = " + QString::number(id)));
        QVariantList valores;
        for (int c = 0; c < rs.FieldCount(); ++c) {
            valores << rs.Fields(c).Value();
        }
        return valores;
    };
    const QVariantList linha11 = linha(11);
    const QVariantList linha12 = linha(12);

    clsPacienteUnificar motor(r.cn(), r.ado());
    SqlRecorder g(r.cn());
    // The base is among the ticked records and is skipped.
    ASSERT_TRUE(motor.PacienteUnificarCadastros(10, {11, 10, 12}, 3));
    EXPECT_EQ(r.ado().ProfundidadeTransação(), 0);
    EXPECT_EQ(g.count(Connection::Evento::Inicio), 1);
    EXPECT_EQ(g.count(Connection::Evento::Confirmacao), 1);
    EXPECT_EQ(g.count(Connection::Evento::Reversao), 0);

    QStringList comandos = g.texts(Connection::Evento::Execucao);
    ASSERT_EQ(comandos.size(), 12);
    static const QRegularExpression hora("'\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d'");
    EXPECT_TRUE(hora.match(comandos[6]).hasMatch());
    comandos[6].replace(hora, "'T'");
    EXPECT_EQ(comandos.mid(6),
              QStringList({" INSERT INTO PacienteLog (" + kColunas +
                               ", ID_PacienteNovo, ID_Usuario, Data)  SELECT " + kColunas +
                               ",10, 3, 'T' FROM Paciente WHERE ID_Paciente = 12",
                           " INSERT INTO PacienteLogExame (ID_Paciente, Numero_Exame, "
                           "ID_Usuario, Data) SELECT ID_Paciente, Número_Exame, 3, getdate() "
                           "FROM Exame WHERE ID_Paciente = 12",
                           " UPDATE EXAME SET  ID_Paciente = 10 WHERE ID_Paciente = 12",
                           " INSERT INTO PacienteLogExame (ID_Paciente, Numero_Exame, "
                           "ID_Usuario, Data) SELECT ID_Paciente, Número_Exame, 3, getdate() "
                           "FROM Exame_BK WHERE ID_Paciente = 12",
                           " UPDATE EXAME_BK SET  ID_Paciente = 10 WHERE ID_Paciente = 12",
                           " DELETE FROM Paciente WHERE ID_Paciente = 12"}));

    // Paciente: the copies are gone, the base and the unrelated record stay.
    EXPECT_EQ(r.Contar("SELECT COUNT(*) FROM Paciente WHERE ID_Paciente IN (11, 12)"), 0);
    EXPECT_EQ(r.Contar("SELECT COUNT(*) FROM Paciente"), 11);
    // Exame and Exame_BK: every exam of 11 and 12 now belongs to 10; 13 keeps its own.
    for (const QString tabela : {"Exame", "Exame_BK"}) {
        EXPECT_EQ(r.Contar("SELECT COUNT(*) FROM " + tabela + " WHERE ID_Paciente = 10"), 4);
        EXPECT_EQ(r.Contar("SELECT COUNT(*) FROM " + tabela + " WHERE ID_Paciente = 13"), 1);
        EXPECT_EQ(r.Contar("SELECT COUNT(*) FROM " + tabela), 5);
    }
    // PacienteLog: each copy's row, column by column, with the base, the user and the time.
    EXPECT_EQ(r.Contar("SELECT COUNT(*) FROM PacienteLog"), 2);
    for (const auto& [id, original] : {std::pair{11, linha11}, std::pair{12, linha12}}) {
        Recordset rs;
        ASSERT_TRUE(
            r.ado().AbrirRecordset(r.cn(), rs,
                                   "SELECT " + kColunas +
                                       ", ID_Convenio_Plano, ID_PacienteNovo, ID_Usuario, Data "
                                       "FROM PacienteLog WHERE ID_Paciente = " +
                                       QString::number(id)));
        ASSERT_EQ(rs.RecordCount(), 1);
        for (int c = 0; c < original.size(); ++c) {
            EXPECT_EQ(rs.Fields(c).Value(), original[c]) << id << " coluna " << c;
        }
        EXPECT_TRUE(rs.Fields("ID_Convenio_Plano").Value().isNull());
        EXPECT_EQ(rs.Fields("ID_PacienteNovo").Value().toInt(), 10);
        EXPECT_EQ(rs.Fields("ID_Usuario").Value().toInt(), 3);
        EsperarAgora(rs.Fields("Data").Value());
    }
    // PacienteLogExame: one row per exam and table, under the removed record's ID.
    EXPECT_EQ(r.Contar("SELECT COUNT(*) FROM PacienteLogExame"), 6);
    EXPECT_EQ(r.Contar("SELECT COUNT(*) FROM PacienteLogExame WHERE ID_Paciente = 11 AND "
                       "Numero_Exame = 'E11-2' AND ID_Usuario = 3"),
              2);
    EXPECT_EQ(r.Contar("SELECT COUNT(*) FROM PacienteLogExame WHERE ID_Paciente = 12 AND "
                       "Numero_Exame = 'E12-1'"),
              2);
    EsperarAgora(r.Valor("SELECT MIN(Data) FROM PacienteLogExame"));

    // A copy another workstation already removed merges nothing and succeeds.
    const QByteArray antes = r.Instantaneo();
    EXPECT_TRUE(motor.PacienteUnificar(10, 12, 3));
    EXPECT_EQ(r.Instantaneo(), antes);
}

TEST(PacienteUnificar, FalhaEmQualquerComandoDeixaORegistroComoEstava) {
    // The n-th statement of the first merge, then of the second of three merges.
    for (int merge : {1, 2}) {
        for (int comando = 1; comando <= 6; ++comando) {
            SCOPED_TRACE("merge " + std::to_string(merge) + ", comando " + std::to_string(comando));
            RegistroMerge r;
            PreencherGrupo(r);
            const QByteArray antes = r.Instantaneo();
            clsPacienteUnificar motor(r.cn(), r.ado());
            SqlRecorder g(r.cn());
            const int alvo = (merge - 1) * 6 + comando;
            int executados = 0;
            g.failWhen(
                [&](const Connection::Evento& e) {
                    return e.tipo == Connection::Evento::Execucao && ++executados == alvo;
                },
                kFalha);
            const QList<qint32> copias = merge == 1 ? QList<qint32>{11} : QList<qint32>{11, 12, 13};
            EXPECT_FALSE(motor.PacienteUnificarCadastros(10, copias, 3));
            EXPECT_EQ(g.count(Connection::Evento::Execucao), alvo);  // nothing is sent after it
            EXPECT_EQ(motor.Erro().ErrorNumber(), kFalha);
            EXPECT_EQ(motor.Erro().ErrorString(), r.ado().ErrorString());
            EXPECT_EQ(motor.Erro().ErrorFunction(), "PacienteLogAdicionar");
            EXPECT_EQ(motor.Erro().ErrorCampo(), "");
            EXPECT_EQ(r.ado().ProfundidadeTransação(), 0);
            EXPECT_EQ(g.count(Connection::Evento::Reversao), 1);
            EXPECT_EQ(g.count(Connection::Evento::Confirmacao), 0);
            EXPECT_EQ(r.Instantaneo(), antes);
        }
    }
}

TEST(PacienteUnificar, InicioOuConfirmacaoRecusadosNaoDeixamNadaPendente) {
    for (const auto kind : {Connection::Evento::Inicio, Connection::Evento::Confirmacao}) {
        SCOPED_TRACE(kind == Connection::Evento::Inicio ? "begin" : "commit");
        RegistroMerge r;
        PreencherGrupo(r);
        const QByteArray antes = r.Instantaneo();
        clsPacienteUnificar motor(r.cn(), r.ado());
        {
            SqlRecorder g(r.cn());
            g.failWhen([kind](const Connection::Evento& e) { return e.tipo == kind; }, kFalha);
            EXPECT_FALSE(motor.PacienteUnificarCadastros(10, {11, 12}, 3));
            EXPECT_EQ(motor.Erro().ErrorFunction(), "PacienteUnificarCadastros");
            EXPECT_EQ(motor.Erro().ErrorNumber(), kFalha);
            // Without a transaction at the database nothing may be sent at all.
            EXPECT_EQ(g.count(Connection::Evento::Execucao),
                      kind == Connection::Evento::Inicio ? 0 : 12);
        }
        EXPECT_EQ(r.ado().ProfundidadeTransação(), 0);
        EXPECT_EQ(r.Instantaneo(), antes);
        // The connection holds no transaction any more: a new one starts and a merge commits.
        EXPECT_TRUE(motor.PacienteUnificarCadastros(10, {11}, 3));
        EXPECT_EQ(r.Contar("SELECT COUNT(*) FROM PacienteLog"), 1);
    }
}

TEST(PacienteUnificar, FalhasReaisDoBancoDesfazemOComandoInteiro) {
    struct Caso {
        const char* nome;
        const char* preparo;  // raw SQLite run on the file before the command
        int comandosEnviados;
    };
    const Caso casos[] = {
        // The backup table is missing: the first statement on it fails.
        {"sem Exame_BK", "DROP TABLE Exame_BK", 4},
        // The database refuses to delete the second copy.
        {"exclusão recusada",
         "CREATE TRIGGER recusa BEFORE DELETE ON Paciente WHEN old.ID_Paciente = 12 "
         "BEGIN SELECT RAISE(ABORT, 'recusado'); END",
         12},
    };
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.nome);
        RegistroMerge r;
        PreencherGrupo(r);
        r.cn().Close();  // the file is changed behind the engine's back
        r.SqliteDireto(caso.preparo);
        ASSERT_TRUE(r.ado().AbrirConexão(r.cn(), r.StringConexao()));
        const QByteArray antes = r.Instantaneo();
        clsPacienteUnificar motor(r.cn(), r.ado());
        SqlRecorder g(r.cn());
        EXPECT_FALSE(motor.PacienteUnificarCadastros(10, {11, 12, 13}, 3));
        EXPECT_EQ(g.count(Connection::Evento::Execucao), caso.comandosEnviados);
        EXPECT_NE(motor.Erro().ErrorNumber(), 0);
        EXPECT_EQ(motor.Erro().ErrorNumber(), r.ado().ErrorNumber());
        EXPECT_EQ(motor.Erro().ErrorFunction(), "PacienteLogAdicionar");
        EXPECT_EQ(r.ado().ProfundidadeTransação(), 0);
        EXPECT_EQ(r.Instantaneo(), antes);
    }
    {
        SCOPED_TRACE("arquivo travado por outro usuário");
        RegistroMerge r(true, 200);
        PreencherGrupo(r);
        const QByteArray antes = r.Instantaneo();
        clsPacienteUnificar motor(r.cn(), r.ado());
        {
            RegistroMerge::Trava trava(r.Arquivo());
            EXPECT_FALSE(motor.PacienteUnificarCadastros(10, {11, 12, 13}, 3));
        }
        // The engine takes the write lock when the transaction begins: nothing is sent.
        EXPECT_EQ(motor.Erro().ErrorFunction(), "PacienteUnificarCadastros");
        EXPECT_EQ(r.ado().ProfundidadeTransação(), 0);
        EXPECT_EQ(r.Instantaneo(), antes);
        // Once the other user lets go, the same command goes through.
        EXPECT_TRUE(motor.PacienteUnificarCadastros(10, {11, 12, 13}, 3));
        EXPECT_EQ(r.Contar("SELECT COUNT(*) FROM PacienteLog"), 3);
    }
}
