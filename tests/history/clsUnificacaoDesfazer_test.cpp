// Undoing merges on a real register file: the program's own merges and merges written with the
// bare log statements (as an earlier program wrote them) must come back row for row.

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <cstdio>

#include "data/ado/Recordset.h"
#include "data/base/Diagnostico.h"
#include "data/base/ErroNumerado.h"
#include "data/base/Relogio.h"
#include "history/clsUnificacaoDesfazer.h"
#include "history/clsUnificacaoHistorico.h"
#include "merge/TravaPacientes.h"
#include "merge/clsPacienteUnificar.h"
#include "merge/clsUnificacaoRegistro.h"
#include "patient/clsPaciente.h"
#include "review/clsComparacaoPacientes.h"
#include "review/clsUnificacao.h"
#include "support/DiscoCheio.h"
#include "support/ImprimirQt.h"
#include "support/RegistroMerge.h"
#include "support/SqlRecorder.h"

namespace {

constexpr qint32 kAdmin = 1;  // ANA ADMIN in Usuário
constexpr qint32 kOutroAdmin = 2;
const QStringList kTabelasProduto = {"Paciente", "Exame", "Exame_BK"};

using Decisao = clsUnificacaoDesfazer::Decisao;

// A register with the program's history tables, patients 1..13 and their exams; patient 11
// carries every column, a plan and a birth date with a time of day (which the log's
// smalldatetime may not keep).
class Registro : public RegistroMerge {
  public:
    Registro() {
        EXPECT_TRUE(ado().TransaçãoIniciar(cn()));
        for (int i = 1; i <= 13; ++i) {
            EXPECT_EQ(NovoPaciente("P" + QString::number(i)), i);
        }
        Executar(
            "UPDATE Paciente SET Nome_Meio = 'D''AVILA', Nome_Meio_Soundex = SOUNDEX('DAVILA'), "
            "Nome_Último_Soundex = SOUNDEX('SILVA'), CIC = '123', Endereço = 'RUA A, 1', "
            "CEP = '01000-000', Bairro = 'CENTRO', Cidade = 'SÃO PAULO', Estado = 'SP', "
            "Telefone = '1199', Raça = 'PARDA', Convênio = 'PLANO', Profissão = 'MÉDICA', "
            "Número_Convênio = '77', Peso = '70,5', Altura = '1,70', Email = 'a@b.c', "
            "ID_Paciente_Externo = 'X11', ID_Convenio_Plano = 42, "
            "Data_Nascimento = '1980-01-02 13:45:30' WHERE ID_Paciente = 11");
        NovoExame(10, "E10-1");
        NovoExame(11, "E11-1");
        NovoExame(11, "E11-2");
        NovoExame(12, "E12-1");
        NovoExame(13, "E13-1");
        Executar(
            "INSERT INTO Usuário (Nome, Usuário, Senha, ÉPatologista, Ativo, Master) VALUES "
            "('ANA ADMIN', 'ana', 'x', 0, 1, 0)");
        EXPECT_TRUE(ado().TransaçãoFinalizar(cn()));
    }

    // A merge through the program's command; the base takes the fields `daCopia` from the
    // first copy and keeps every other value of its own.
    bool Unificar(qint32 base, const QList<qint32>& copias, qint32 usuario = kAdmin,
                  const QStringList& daCopia = {}) {
        clsUnificacao::Pedido pedido{base, copias, usuario, clsValoresSobreviventes()};
        if (!daCopia.isEmpty()) {
            clsComparacaoPacientes comparacao(cn(), ado());
            EXPECT_TRUE(comparacao.Carregar(QList<qint32>{base} + copias));
            pedido.valores->Iniciar(comparacao, base);
            for (const QString& campo : clsValoresSobreviventes::Campos()) {
                pedido.valores->Escolher(campo, daCopia.contains(campo) ? copias[0] : base);
            }
        }
        return clsUnificacao(cn(), ado()).Executar(pedido).unificada;
    }
    // A merge as an earlier program wrote it: the bare log statements, nothing of ours.
    bool UnificarAntigo(qint32 base, const QList<qint32>& copias, qint32 usuario = kAdmin) {
        clsPacienteUnificar motor(cn(), ado());
        return motor.PacienteUnificarCadastros(base, copias, usuario);
    }
    QByteArray Produto() const { return Instantaneo(kTabelasProduto); }
};

qint32 DonoExameDe(RegistroMerge& r, const QString& tabela, const QString& numero) {
    return r.Valor("SELECT ID_Paciente FROM " + tabela + " WHERE Número_Exame = '" + numero + "'")
        .toInt();
}

// The log tables and the program's tables only grow: the rows an undo leaves behind.
QByteArray Logs(const Registro& r) {
    return r.Instantaneo({"PacienteLog", "PacienteLogExame", "PacienteLogAtualizar",
                          "Cadunir_UnificacaoExtra", "Cadunir_UnificacaoSobrevivente"});
}

}  // namespace

TEST(clsUnificacaoDesfazer, ComandoDoProgramaVoltaLinhaALinhaComPlanoEDataExata) {
    Registro r;
    const QByteArray antes = r.Produto();
    ASSERT_TRUE(r.Unificar(10, {10, 11, 12}));
    ASSERT_EQ(r.Contar("SELECT COUNT(*) FROM Paciente WHERE ID_Paciente IN (11, 12)"), 0);
    const QByteArray logs = Logs(r);

    clsUnificacaoDesfazer desfazer(r.cn(), r.ado());
    ASSERT_TRUE(desfazer.Desfazer({11, 12}, kOutroAdmin))
        << desfazer.Erro().ErrorString().toStdString();
    EXPECT_EQ(desfazer.ExamesDevolvidos(), 3);
    EXPECT_EQ(r.Produto(), antes);
    EXPECT_EQ(Logs(r), logs);
    EXPECT_EQ(r.Contar("SELECT COUNT(*) FROM Cadunir_UnificacaoDesfeita WHERE ID_Usuario = 2"), 2);
}

TEST(clsUnificacaoDesfazer, UnificacaoDeProgramaAnteriorVoltaLinhaALinha) {
    Registro r;
    // An earlier program's merge cannot give back the plan: the README says so.
    r.Executar(
        "UPDATE Paciente SET ID_Convenio_Plano = NULL, "
        "Data_Nascimento = '1980-01-02 00:00:00' WHERE ID_Paciente = 11");
    const QByteArray antes = r.Produto();
    ASSERT_TRUE(r.UnificarAntigo(10, {11, 12}));
    ASSERT_EQ(r.Contar("SELECT COUNT(*) FROM Cadunir_UnificacaoExtra"), 0);

    clsUnificacaoDesfazer desfazer(r.cn(), r.ado());
    ASSERT_TRUE(desfazer.Desfazer(12, kAdmin)) << desfazer.Erro().ErrorString().toStdString();
    ASSERT_TRUE(desfazer.Desfazer(11, kAdmin)) << desfazer.Erro().ErrorString().toStdString();
    EXPECT_EQ(r.Produto(), antes);
}

TEST(clsUnificacaoDesfazer, CadeiaDesfeitaEmQualquerOrdem) {
    for (bool primeiroA : {true, false}) {
        SCOPED_TRACE(primeiroA ? "A first" : "B first");
        Registro r;
        const QByteArray antes = r.Produto();
        ASSERT_TRUE(r.Unificar(12, {11}));        // A=11 into B=12
        ASSERT_TRUE(r.UnificarAntigo(13, {12}));  // later B=12 into C=13
        EXPECT_EQ(DonoExameDe(r, "Exame", "E11-1"), 13);
        clsUnificacaoDesfazer desfazer(r.cn(), r.ado());
        for (qint32 id : primeiroA ? QList<qint32>{11, 12} : QList<qint32>{12, 11}) {
            ASSERT_TRUE(desfazer.Desfazer(id, kAdmin))
                << id << desfazer.Erro().ErrorString().toStdString();
        }
        EXPECT_EQ(r.Produto(), antes);
    }
}

// A record merged, restored and merged again has two log rows: the undo takes the newest, so
// the record comes back as it was at the second merge, from the second survivor.
TEST(clsUnificacaoDesfazer, MesclaDesfeitaERefeitaVoltaDaSegunda) {
    for (bool doPrograma : {true, false}) {
        SCOPED_TRACE(doPrograma ? "this program's merges" : "an earlier program's merges");
        Registro r;
        const auto unificar = [&](qint32 base) {
            return doPrograma ? r.Unificar(base, {11}) : r.UnificarAntigo(base, {11});
        };
        const QDateTime t0(QDate(2026, 3, 2), QTime(10, 0, 0));
        clsUnificacaoDesfazer desfazer(r.cn(), r.ado());
        {
            RelogioFixo relogio(t0);
            ASSERT_TRUE(unificar(10));
            ASSERT_TRUE(desfazer.Desfazer(11, kAdmin));
        }
        r.Executar("UPDATE Paciente SET CIC = '999' WHERE ID_Paciente = 11");
        const QByteArray antes = r.Produto();
        RelogioFixo relogio(t0.addDays(1));
        ASSERT_TRUE(unificar(12));
        ASSERT_TRUE(desfazer.Desfazer(11, kAdmin)) << desfazer.Erro().ErrorString().toStdString();
        EXPECT_EQ(desfazer.ExamesDevolvidos(), 2);
        EXPECT_EQ(r.Produto(), antes);

        // A third time into the first survivor: undone once, it stays undone.
        RelogioFixo terceira(t0.addDays(2));
        ASSERT_TRUE(unificar(10));
        ASSERT_TRUE(desfazer.Desfazer(11, kAdmin));
        EXPECT_EQ(r.Produto(), antes);
        r.Executar("DELETE FROM Paciente WHERE ID_Paciente = 11");
        EXPECT_FALSE(desfazer.Desfazer(11, kAdmin));
        EXPECT_EQ(desfazer.Erro().ErrorNumber(), clsUnificacaoDesfazer::JaDesfeita);
    }
}

TEST(clsUnificacaoDesfazer, ExamesNovosDoSobreviventeFicam) {
    Registro r;
    ASSERT_TRUE(r.Unificar(10, {11}));
    r.NovoExame(10, "E10-NOVO");
    clsUnificacaoDesfazer desfazer(r.cn(), r.ado());
    ASSERT_TRUE(desfazer.Desfazer(11, kAdmin));
    const std::pair<const char*, qint32> donos[] = {{"E10-NOVO", 10}, {"E10-1", 10}, {"E11-2", 11}};
    for (const auto& [exame, dono] : donos) {
        EXPECT_EQ(DonoExameDe(r, "Exame", exame), dono) << exame;
        EXPECT_EQ(DonoExameDe(r, "Exame_BK", exame), dono) << exame;
    }
}

// Exam numbers are not unique: the survivor may hold an exam numbered like one it received.
TEST(clsUnificacaoDesfazer, NumeroDeExameRepetidoNoSobreviventeNaoMudaDeDono) {
    {
        SCOPED_TRACE("this program's merge: the moved rows' IDs were recorded");
        Registro r;
        r.NovoExame(10, "E11-1");
        const QByteArray antes = r.Produto();
        ASSERT_TRUE(r.Unificar(10, {11}));
        clsUnificacaoDesfazer desfazer(r.cn(), r.ado());
        ASSERT_TRUE(desfazer.Desfazer(11, kAdmin)) << desfazer.Erro().ErrorString().toStdString();
        EXPECT_EQ(desfazer.ExamesDevolvidos(), 2);
        EXPECT_EQ(r.Produto(), antes);
    }
    for (const char* tabela : {"Exame", "Exame_BK"}) {
        SCOPED_TRACE(std::string("an earlier program's merge, the twin number in ") + tabela);
        Registro r;
        r.NovoExame(10, "E11-1");
        if (QString(tabela) == "Exame") {
            r.Executar("DELETE FROM Exame_BK WHERE ID_Paciente = 10 AND Número_Exame = 'E11-1'");
        } else {
            r.Executar(
                "UPDATE Exame SET Número_Exame = 'X' WHERE ID_Paciente = 10 AND "
                "Número_Exame = 'E11-1'");
        }
        ASSERT_TRUE(r.UnificarAntigo(10, {11}));
        const QByteArray tudo = r.Instantaneo();
        clsUnificacaoDesfazer desfazer(r.cn(), r.ado());
        EXPECT_FALSE(desfazer.Desfazer(11, kAdmin));
        EXPECT_EQ(desfazer.Erro().ErrorNumber(), clsUnificacaoDesfazer::ExamesAmbiguos);
        const QString texto = desfazer.Erro().ErrorString();
        EXPECT_TRUE(texto.contains("nº E11-1 (")) << texto.toStdString();
        EXPECT_FALSE(texto.contains("E11-2")) << texto.toStdString();
        EXPECT_TRUE(texto.contains("nada foi alterado")) << texto.toStdString();
        EXPECT_EQ(r.Instantaneo(), tudo);
    }
    {
        SCOPED_TRACE("an earlier program's merge, merged again after an undo");
        Registro r;
        const QDateTime t0(QDate(2026, 3, 2), QTime(10, 0, 0));
        {
            RelogioFixo relogio(t0);
            ASSERT_TRUE(r.UnificarAntigo(10, {11}));
        }
        clsUnificacaoDesfazer desfazer(r.cn(), r.ado());
        ASSERT_TRUE(desfazer.Desfazer(11, kAdmin));
        r.NovoExame(10, "E11-1");  // the survivor gets a twin only after the first merge
        RelogioFixo relogio(t0.addDays(1));
        ASSERT_TRUE(r.UnificarAntigo(10, {11}));
        EXPECT_FALSE(desfazer.Desfazer(11, kAdmin));
        EXPECT_EQ(desfazer.Erro().ErrorNumber(), clsUnificacaoDesfazer::ExamesAmbiguos);
    }
}

TEST(clsUnificacaoDesfazer, RecusasNaoMudamNada) {
    Registro r;
    ASSERT_TRUE(r.Unificar(10, {11, 12}));
    clsUnificacaoDesfazer desfazer(r.cn(), r.ado());

    auto recusada = [&](qint32 id, qint32 codigo) {
        const QByteArray tudo = r.Instantaneo();
        EXPECT_FALSE(desfazer.Desfazer(id, kAdmin));
        EXPECT_EQ(desfazer.Erro().ErrorNumber(), codigo)
            << desfazer.Erro().ErrorString().toStdString();
        EXPECT_EQ(r.Instantaneo(), tudo);
    };
    recusada(10, clsUnificacaoDesfazer::JaExiste);
    recusada(99, clsUnificacaoDesfazer::NaoRegistrada);

    // A second undo: refused while the record is back, and still refused once it is gone
    // again by other means (its undo is on record).
    ASSERT_TRUE(desfazer.Desfazer(11, kAdmin));
    recusada(11, clsUnificacaoDesfazer::JaExiste);
    r.Executar("DELETE FROM Paciente WHERE ID_Paciente = 11");
    recusada(11, clsUnificacaoDesfazer::JaDesfeita);

    // A command with one record undone already refuses as a whole, changing nothing.
    {
        const QByteArray tudo = r.Instantaneo();
        EXPECT_FALSE(desfazer.Desfazer({11, 12}, kAdmin));
        EXPECT_EQ(r.Instantaneo(), tudo);
    }

    // The ID is taken again by a new row.
    r.Executar("SET IDENTITY_INSERT Paciente ON");
    r.Executar("INSERT INTO Paciente (ID_Paciente, Nome) VALUES (12, 'OUTRO')");
    r.Executar("SET IDENTITY_INSERT Paciente OFF");
    recusada(12, clsUnificacaoDesfazer::JaExiste);
    r.Executar("DELETE FROM Paciente WHERE ID_Paciente = 12");

    // Exame_BK's copy of one exam has moved elsewhere: moving only Exame would split them.
    r.Executar("UPDATE Exame_BK SET ID_Paciente = 13 WHERE Número_Exame = 'E12-1'");
    recusada(12, clsUnificacaoDesfazer::Inconsistente);
    r.Executar("UPDATE Exame_BK SET ID_Paciente = 10 WHERE Número_Exame = 'E12-1'");

    // An exam taken off the survivor between the undo's read and its move (which the undo's
    // locks keep other stations from doing) stops it.
    bool movido = false;
    const int obs = r.cn().AdicionarObservador([&](const Connection::Evento& e) {
        if (!movido && e.tipo == Connection::Evento::Execucao &&
            e.texto.startsWith("UPDATE Exame SET ID_Paciente = 12")) {
            movido = true;
            r.Executar("UPDATE Exame SET ID_Paciente = 13 WHERE Número_Exame = 'E12-1'");
        }
    });
    recusada(12, clsUnificacaoDesfazer::Alterada);
    r.cn().RemoverObservador(obs);
    ASSERT_TRUE(movido);

    // A log row without its survivor cannot say where the exams went.
    for (const char* semSobrevivente : {"0", "NULL"}) {
        r.Executar(QString("UPDATE PacienteLog SET ID_PacienteNovo = %1 WHERE ID_Paciente = 12")
                       .arg(semSobrevivente));
        recusada(12, clsUnificacaoDesfazer::Incompleta);
    }
}

TEST(clsUnificacaoDesfazer, FalhaEmQualquerComandoNaoDeixaNadaPelaMetade) {
    // Fail each statement of the undo in turn; the file must stay as it was every time, and
    // the message name the step.
    QSet<QString> etapas;
    for (int alvo = 1;; ++alvo) {
        SCOPED_TRACE("statement " + std::to_string(alvo));
        Registro r;
        ASSERT_TRUE(r.Unificar(10, {11, 12}));
        const QByteArray tudo = r.Instantaneo();
        clsUnificacaoDesfazer desfazer(r.cn(), r.ado());
        int vistos = 0;
        bool falhou = false;
        const int obs = r.cn().AdicionarObservador([&](const Connection::Evento& e) {
            if (e.tipo == Connection::Evento::Execucao && !e.texto.contains("IDENTITY_INSERT") &&
                ++vistos == alvo) {
                falhou = true;
                throw ErroNumerado(-2147467259, "teste", "falha injetada");
            }
        });
        const bool feito = desfazer.Desfazer({11, 12}, kAdmin);
        r.cn().RemoverObservador(obs);
        if (!falhou) {
            EXPECT_TRUE(feito);
            EXPECT_GT(alvo, 4);  // two inserts, four exam moves, two undo records at least
            break;
        }
        EXPECT_FALSE(feito);
        EXPECT_EQ(r.ado().ProfundidadeTransação(), 0);
        EXPECT_EQ(r.Instantaneo(), tudo);
        const QStringList linhas = desfazer.Mensagem().split('\n');
        etapas.insert(linhas.value(0));
        EXPECT_EQ(linhas.value(1), "Nada foi alterado no cadastro.");
        // The connection is usable afterwards: identity insert is off again before anything
        // else runs (an undo would turn it on and off and hide it), then the undo goes through.
        r.Executar("INSERT INTO Paciente (Nome) VALUES ('DEPOIS')");
        ASSERT_TRUE(desfazer.Desfazer({11, 12}, kAdmin))
            << desfazer.Erro().ErrorString().toStdString();
    }
    EXPECT_EQ(etapas, (QSet<QString>{"O desfazer falhou ao restaurar os cadastros.",
                                     "O desfazer falhou ao devolver os exames.",
                                     "O desfazer falhou ao registrar o desfazer."}));
}

TEST(clsUnificacaoDesfazer, DiscoCheioNaoMudaNadaEDizOQueFalhou) {
    Registro r;
    ASSERT_TRUE(r.Unificar(10, {11, 12}));
    const QByteArray tudo = r.Instantaneo();
    clsUnificacaoDesfazer desfazer(r.cn(), r.ado());
    QString comando;
    {
        SqlRecorder rec(r.cn());
        const DiscoCheio disco;
        EXPECT_FALSE(desfazer.Desfazer({11, 12}, kAdmin));
        comando = rec.texts(Connection::Evento::Execucao).value(1);  // after IDENTITY_INSERT
    }
    EXPECT_TRUE(comando.startsWith("INSERT INTO Paciente ")) << comando.toStdString();
    EXPECT_EQ(desfazer.Mensagem(),
              "O desfazer falhou ao restaurar os cadastros.\nNada foi alterado no cadastro.\n\n"
              "-2147467259 - Falha não especificada.\n\nDetalhe: -2147467259 - SQLite: SQLite "
              "13: database or disk is full | SQL: " +
                  comando + "\n\nRegistro de diagnóstico: " + dados::ArquivoDiagnostico());
    EXPECT_EQ(r.ado().ProfundidadeTransação(), 0);
    EXPECT_EQ(r.Instantaneo(), tudo);

    // Inside a caller's transaction the rollback is the caller's to make: no "nothing changed".
    ASSERT_TRUE(r.ado().TransaçãoIniciar(r.cn()));
    {
        const DiscoCheio disco;
        EXPECT_FALSE(desfazer.Desfazer({11, 12}, kAdmin));
    }
    EXPECT_FALSE(desfazer.Mensagem().contains("Nada foi alterado"))
        << desfazer.Mensagem().toStdString();
    r.ado().TransaçãoCancelar(r.cn());

    // With room again the same undo goes through; a second one is refused with its reason.
    ASSERT_TRUE(desfazer.Desfazer({11, 12}, kAdmin)) << desfazer.Mensagem().toStdString();
    EXPECT_FALSE(desfazer.Desfazer(11, kAdmin));
    EXPECT_EQ(desfazer.Mensagem(),
              "Não foi possível desfazer a unificação:\n\nO paciente 11 já está de novo no "
              "cadastro: a unificação não pode ser desfeita.");
}

// On SQL Server the undo locks what a merge would move under it. The embedded register reads
// SQL Server's statements and drops the hints, so the whole undo runs here as it runs there.
TEST(clsUnificacaoDesfazer, NoSqlServerTravaOsCadastrosEOsExamesQueDevolve) {
    static const QRegularExpression semTrava(
        R"(FROM (Paciente|Exame|Exame_BK)\b(?! WITH \(UPDLOCK, HOLDLOCK\)))");
    const QString trava = " WITH (UPDLOCK, HOLDLOCK) ";
    for (bool doPrograma : {true, false}) {
        SCOPED_TRACE(doPrograma ? "this program's merge" : "an earlier program's merge");
        Registro r;
        // What an earlier program's merge cannot give back; and an exam without its backup
        // row, which the undo checks is nowhere else in Exame_BK.
        r.Executar(
            "UPDATE Paciente SET ID_Convenio_Plano = NULL, "
            "Data_Nascimento = '1980-01-02 00:00:00' WHERE ID_Paciente = 11");
        r.Executar("DELETE FROM Exame_BK WHERE Número_Exame = 'E12-1'");
        const QByteArray antes = r.Produto();
        ASSERT_TRUE(doPrograma ? r.Unificar(10, {11, 12}) : r.UnificarAntigo(10, {11, 12}));
        QStringList lidas;
        {
            const BloqueioDeLinhasSimulado sqlServer;
            SqlRecorder rec(r.cn());
            clsUnificacaoDesfazer desfazer(r.cn(), r.ado());
            ASSERT_TRUE(desfazer.Desfazer({11, 12}, kAdmin))
                << desfazer.Erro().ErrorString().toStdString();
            lidas = rec.texts(Connection::Evento::Consulta);
        }
        EXPECT_EQ(r.Produto(), antes);
        for (const QString& sql : lidas) {
            EXPECT_FALSE(semTrava.match(sql).hasMatch()) << sql.toStdString();
        }
        // Patients before exams: the restored ID, then the survivor.
        const QStringList travadas = lidas.filter(trava);
        ASSERT_GE(travadas.size(), 2);
        EXPECT_EQ(travadas[0], "SELECT COUNT(*) FROM Paciente" + trava + "WHERE ID_Paciente = 11");
        EXPECT_EQ(travadas[1], "SELECT COUNT(*) FROM Paciente" + trava + "WHERE ID_Paciente = 10");
    }
    // Anywhere else no hint is sent.
    Registro r;
    ASSERT_TRUE(r.Unificar(10, {11, 12}));
    SqlRecorder rec(r.cn());
    clsUnificacaoDesfazer desfazer(r.cn(), r.ado());
    ASSERT_TRUE(desfazer.Desfazer({11, 12}, kAdmin));
    EXPECT_TRUE(rec.texts().filter("WITH (").isEmpty());
}

TEST(clsUnificacaoDesfazer, ValoresDoSobreviventeVoltamOuPerguntam) {
    // The merge also overwrites the survivor's values, logged in PacienteLogAtualizar.
    auto unificarMudando = [](Registro& r) {
        return r.Unificar(10, {11}, kAdmin, {"RG", "Profissão"});
    };
    // Its two log rows in different minutes: still one merge, undone whole; also when an
    // earlier version recorded it, without the command's number.
    for (const bool versaoAnterior : {false, true}) {
        Registro r;
        {
            // An earlier change of the survivor by the same administrator, logged as well.
            RelogioFixo ontem(QDateTime(QDate(2026, 12, 5), QTime(9, 0)));
            ASSERT_TRUE(clsPacienteUnificar(r.cn(), r.ado())
                            .PacienteAtualizarCampos(10, kAdmin, {{"Telefone", "1234"}}));
        }
        const QByteArray antes = r.Produto();
        {
            RelogioAndando relogio(r.cn(), QDateTime(QDate(2026, 12, 6), QTime(9, 59, 59)), 1);
            ASSERT_TRUE(r.Unificar(10, {11, 12}, kAdmin, {"RG", "Profissão"}));
        }
        ASSERT_EQ(r.Valor("SELECT RG FROM Exame WHERE ID_Paciente = 10 AND Número_Exame = "
                          "'E10-1'")
                      .toString(),
                  "RG P11");
        ASSERT_EQ(r.Contar("SELECT COUNT(DISTINCT Data) FROM PacienteLog"), 2);
        if (versaoAnterior) {
            // Its rows as read on a register of that version, once this one added the column.
            for (const char* tabela : {"Extra", "Sobrevivente", "Exame", "Sinal", "Lote"}) {
                r.Executar(
                    QString("UPDATE Cadunir_Unificacao%1 SET ID_Unificacao = NULL").arg(tabela));
            }
        }
        clsUnificacaoDesfazer desfazer(r.cn(), r.ado());
        for (const qint32 id : {12, 11}) {
            ASSERT_TRUE(desfazer.Desfazer(id, kAdmin))
                << desfazer.Erro().ErrorString().toStdString();
        }
        // The whole survivor row as it was, soundex included, and its exams' copy of it.
        EXPECT_EQ(r.Produto(), antes);
        EXPECT_TRUE(desfazer.ValoresRestaurados().contains("RG"));
        EXPECT_TRUE(desfazer.ValoresRestaurados().contains("Profissão"));
    }
    for (Decisao decisao : {Decisao::Manter, Decisao::Restaurar}) {
        Registro r;
        const QVariant rgAntes = r.Valor("SELECT RG FROM Paciente WHERE ID_Paciente = 10");
        ASSERT_TRUE(unificarMudando(r));
        r.Executar("UPDATE Paciente SET RG = 'RG DEPOIS' WHERE ID_Paciente = 10");
        clsUnificacaoDesfazer desfazer(r.cn(), r.ado());
        const QByteArray tudo = r.Instantaneo();
        EXPECT_FALSE(desfazer.Desfazer(11, kAdmin));
        EXPECT_EQ(desfazer.Erro().ErrorNumber(), clsUnificacaoDesfazer::ConflitoValores);
        ASSERT_EQ(desfazer.Conflitos().size(), 1);
        EXPECT_EQ(desfazer.Conflitos()[0].Campo, "RG");
        EXPECT_EQ(desfazer.Conflitos()[0].Atual.toString(), "RG DEPOIS");
        EXPECT_EQ(desfazer.Conflitos()[0].Anterior, rgAntes);
        EXPECT_EQ(r.Instantaneo(), tudo);

        ASSERT_TRUE(desfazer.Desfazer(11, kAdmin, decisao))
            << desfazer.Erro().ErrorString().toStdString();
        EXPECT_EQ(r.Valor("SELECT RG FROM Paciente WHERE ID_Paciente = 10"),
                  decisao == Decisao::Restaurar ? rgAntes : QVariant("RG DEPOIS"));
        // The unchallenged change goes back either way.
        EXPECT_TRUE(r.Valor("SELECT Profissão FROM Paciente WHERE ID_Paciente = 10").isNull());
    }
}

// Two merges into one survivor within one minute (triage at keyboard speed): their
// PacienteLogAtualizar rows carry the same time, yet each undo gives back its own "before".
TEST(clsUnificacaoDesfazer, DuasUnificacoesNoMesmoMinutoVoltamCadaUmaASua) {
    Registro r;
    const QByteArray antes = r.Produto();
    RelogioFixo relogio(QDateTime(QDate(2026, 12, 6), QTime(10, 0, 0)));
    ASSERT_TRUE(r.Unificar(10, {11}, kAdmin, {"RG", "Profissão"}));
    const QByteArray entre = r.Produto();
    ASSERT_TRUE(r.Unificar(10, {12}, kAdmin, {"RG"}));
    ASSERT_EQ(r.Contar("SELECT COUNT(DISTINCT Data) FROM PacienteLogAtualizar"), 1);
    clsUnificacaoDesfazer desfazer(r.cn(), r.ado());
    ASSERT_TRUE(desfazer.Desfazer(12, kAdmin)) << desfazer.Erro().ErrorString().toStdString();
    EXPECT_EQ(r.Produto(), entre);
    ASSERT_TRUE(desfazer.Desfazer(11, kAdmin)) << desfazer.Erro().ErrorString().toStdString();
    EXPECT_EQ(r.Produto(), antes);
}

TEST(clsUnificacaoHistorico, ComandosAgrupadosFiltradosEDesfeitosAparecem) {
    Registro r;
    const RelogioFixo relogio(QDateTime(QDate(2026, 12, 5), QTime(10, 0)));
    ASSERT_TRUE(r.Unificar(10, {11, 12}));
    ASSERT_TRUE(r.UnificarAntigo(13, {9}, kOutroAdmin));
    // An older merge, a day back: written straight into the log.
    r.Executar(
        "INSERT INTO PacienteLog (ID_Paciente, Nome, Nome_Último, ID_PacienteNovo, ID_Usuario, "
        "Data) VALUES (50, 'JOSE', 'ANTIGO', 13, 1, '2020-01-01 08:00:00')");
    clsUnificacaoDesfazer desfazer(r.cn(), r.ado());
    ASSERT_TRUE(desfazer.Desfazer(12, kOutroAdmin));

    clsUnificacaoHistorico historico(r.cn(), r.ado());
    QList<UnificacaoComando> comandos;
    ASSERT_TRUE(historico.Consultar({}, comandos)) << historico.Erro().ErrorString().toStdString();
    ASSERT_EQ(comandos.size(), 3);
    EXPECT_EQ(comandos.last().Data, QDateTime(QDate(2020, 1, 1), QTime(8, 0)));  // newest first
    const UnificacaoComando* nosso = nullptr;
    for (const auto& c : comandos) {
        if (c.ID_PacienteNovo == 10) {
            nosso = &c;
        }
    }
    ASSERT_NE(nosso, nullptr);
    EXPECT_EQ(nosso->NomeAdministrador, "ANA ADMIN");
    EXPECT_EQ(nosso->NomeSobrevivente, "P10 SILVA");
    ASSERT_EQ(nosso->Removidos.size(), 2);
    EXPECT_EQ(nosso->Exames(), 3);
    EXPECT_TRUE(nosso->ParcialDesfeito());
    for (const auto& rem : nosso->Removidos) {
        EXPECT_EQ(rem.Desfeito, rem.ID_Paciente == 12);
        if (rem.ID_Paciente == 11) {
            EXPECT_EQ(rem.Nome, "P11 D'AVILA SILVA");
            EXPECT_EQ(rem.Exames, 2);
        } else {
            EXPECT_EQ(rem.ID_UsuarioDesfez, kOutroAdmin);
            EXPECT_EQ(rem.DataDesfeito, QDateTime(QDate(2026, 12, 5), QTime(10, 0)));
        }
    }

    auto ids = [&](const FiltroHistorico& f) {
        QList<qint32> saida;
        EXPECT_TRUE(historico.Consultar(f, comandos));
        for (const auto& c : comandos) {
            saida << c.Removidos[0].ID_Paciente;
        }
        return saida;
    };
    FiltroHistorico ate, desde, ana, dois, nome, sobrevivente;
    ate.Ate = QDateTime(QDate(2021, 1, 1), QTime(0, 0));
    desde.Desde = ate.Ate;
    ana.Administrador = "ana";  // ours and the old one, both by user 1
    dois.Administrador = "2";
    nome.Nome = "d'avila";
    sobrevivente.ID_Paciente = 13;  // the survivor of two merges
    EXPECT_EQ(ids(ate), QList<qint32>{50});
    EXPECT_EQ(ids(desde).size(), 2);
    EXPECT_EQ(ids(ana).size(), 2);
    EXPECT_EQ(ids(dois), QList<qint32>{9});
    EXPECT_EQ(ids(nome).size(), 1);
    EXPECT_EQ(ids(sobrevivente).size(), 2);
}

TEST(clsUnificacaoHistorico, CsvAbreEmPlanilha) {
    UnificacaoComando c;
    c.ID_PacienteNovo = 10;
    c.ID_Usuario = 7;
    c.Data = QDateTime(QDate(2026, 12, 5), QTime(9, 30, 5));
    c.NomeAdministrador = "ANA";
    c.NomeSobrevivente = "JOSÉ; \"ZÉ\"";
    UnificacaoRemovido rem;
    rem.ID_Paciente = 11;
    rem.Nome = "JOSE";
    rem.Data_Nascimento = QDateTime(QDate(1980, 1, 2), QTime(0, 0));
    rem.Exames = 2;
    c.Removidos << rem;
    // Names and record numbers are typed at a reception desk: none may run in a spreadsheet.
    rem.ID_Paciente = 12;
    rem.Nome = "=HYPERLINK(\"http://x\")\vX";
    rem.Prontuario = "@SUM(1)";
    rem.Data_Nascimento = QVariant();
    c.Removidos << rem;
    // A batch's merge confirmed over signs: the reason is typed too.
    c.Lote = 4;
    c.Sinais = QStringList{"RG diferente", "CIC diferente"};
    c.MotivoSinais = "-mesma pessoa";
    const QByteArray csv = clsUnificacaoHistorico::ParaCSV({c});
    ASSERT_TRUE(csv.startsWith("\xEF\xBB\xBF"));
    const QStringList linhas = QString::fromUtf8(csv.mid(3)).split("\r\n");
    ASSERT_EQ(linhas.size(), 4);
    EXPECT_EQ(linhas[0].count(';'), 14);
    EXPECT_EQ(linhas[1],
              "05/12/2026 09:30:05;ANA;10;\"JOSÉ; \"\"ZÉ\"\"\";11;JOSE;;02/01/1980;2;Não;;;4;"
              "RG diferente | CIC diferente;\"'-mesma pessoa\"");
    EXPECT_EQ(
        linhas[2],
        "05/12/2026 09:30:05;ANA;10;\"JOSÉ; \"\"ZÉ\"\"\";12;\"'=HYPERLINK(\"\"http://x\"\") X\";"
        "\"'@SUM(1)\";;2;Não;;;4;RG diferente | CIC diferente;\"'-mesma pessoa\"");
    EXPECT_TRUE(linhas[3].isEmpty());

    QTemporaryDir pasta;
    Registro r;
    clsUnificacaoHistorico historico(r.cn(), r.ado());
    EXPECT_TRUE(historico.ExportarCSV({c}, pasta.filePath("h.csv")));
    QFile f(pasta.filePath("h.csv"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), csv);
    EXPECT_FALSE(historico.ExportarCSV({c}, pasta.filePath("nao/existe/h.csv")));
    EXPECT_FALSE(historico.Erro().ErrorString().isEmpty());
}

// The child's side of the kill test: undo every merge still in place, one byte per undo on the
// descriptor the parent gave. Run only by the test below.
TEST(clsUnificacaoDesfazer, DISABLED_Filho) {
    const QString arquivo = qEnvironmentVariable("CADUNIR_FILHO");
    if (arquivo.isEmpty()) {
        GTEST_SKIP() << "run by clsUnificacaoDesfazer.SerieMortaAoAcasoNuncaDeixaMeioDesfeito";
    }
    Connection cn;
    clsADO ado;
    ASSERT_TRUE(ado.AbrirConexão(cn, "Provider=SQLite;Data Source=" + arquivo));
    clsUnificacaoDesfazer desfazer(cn, ado);
    auto contar = [&](const QString& sql) {
        Recordset rs;
        EXPECT_TRUE(ado.AbrirRecordset(cn, rs, sql));
        return rs.State() == adStateOpen ? rs.Fields(0).Value().toInt() : 0;
    };
    for (qint32 copia = 2;; copia += 2) {
        const QString id = QString::number(copia);
        if (contar("SELECT COUNT(*) FROM PacienteLog WHERE ID_Paciente = " + id) == 0) {
            break;  // past the last merged copy
        }
        if (contar("SELECT COUNT(*) FROM Paciente WHERE ID_Paciente = " + id) == 0) {
            ASSERT_TRUE(desfazer.Desfazer(copia, kAdmin))
                << desfazer.Erro().ErrorString().toStdString();
            ASSERT_TRUE(FilhoAvancou());
        }
    }
}

TEST(clsUnificacaoDesfazer, SerieMortaAoAcasoNuncaDeixaMeioDesfeito) {
    constexpr int kPares = 150;
    constexpr int kInterrupcoes = 16;
    RegistroMerge r;
    // Pairs (1, 2), (3, 4), ...: the even one merged into the odd one, with 0 to 3 exams each.
    QRandomGenerator acaso(20261206);
    QHash<QString, qint32> donoOriginal;  // exam number -> patient
    ASSERT_TRUE(r.ado().TransaçãoIniciar(r.cn()));
    for (int i = 0; i < kPares; ++i) {
        for (int k = 0; k < 2; ++k) {
            const qint32 id = r.NovoPaciente("Q" + QString::number(i) + "K" + QString::number(k));
            for (int e = int(acaso.bounded(4)); e > 0; --e) {
                const QString numero = "N" + QString::number(id) + "-" + QString::number(e);
                r.NovoExame(id, numero);
                donoOriginal.insert(numero, id);
            }
        }
    }
    ASSERT_TRUE(r.ado().TransaçãoFinalizar(r.cn()));
    ASSERT_TRUE(r.ado().TransaçãoIniciar(r.cn()));
    for (qint32 copia = 2; copia <= 2 * kPares; copia += 2) {
        ASSERT_TRUE(clsUnificacao(r.cn(), r.ado())
                        .Executar({copia - 1, {copia}, kAdmin, clsValoresSobreviventes()})
                        .unificada);
    }
    ASSERT_TRUE(r.ado().TransaçãoFinalizar(r.cn()));

    const auto linhas = [&](const char* tabela, qint32 id) {
        return r.Contar(
            QString("SELECT COUNT(*) FROM %1 WHERE ID_Paciente = %2").arg(tabela).arg(id));
    };
    int restaurados = 0;
    for (int rodada = 0; rodada < kInterrupcoes; ++rodada) {
        SCOPED_TRACE("interrupção " + std::to_string(rodada + 1));
        r.cn().Close();
        ASSERT_TRUE(MatarFilhoAoAcaso("clsUnificacaoDesfazer.DISABLED_Filho", r.Arquivo(),
                                      acaso.bounded(8), acaso));
        ASSERT_TRUE(r.ado().AbrirConexão(r.cn(), r.StringConexao()));
        restaurados = 0;
        for (qint32 copia = 2; copia <= 2 * kPares; copia += 2) {
            const bool voltou = linhas("Paciente", copia) == 1;
            restaurados += voltou;
            // One undo, one outcome: the row, its exams and its undo record together.
            ASSERT_EQ(linhas("Cadunir_UnificacaoDesfeita", copia), voltou ? 1 : 0) << copia;
            ASSERT_EQ(linhas("Paciente", copia - 1), 1);
        }
        for (auto it = donoOriginal.cbegin(); it != donoOriginal.cend(); ++it) {
            const qint32 dono = it.value();
            const qint32 esperado =
                dono % 2 == 1 || linhas("Paciente", dono) == 1 ? dono : dono - 1;
            ASSERT_EQ(DonoExameDe(r, "Exame", it.key()), esperado) << it.key().toStdString();
            ASSERT_EQ(DonoExameDe(r, "Exame_BK", it.key()), esperado) << it.key().toStdString();
        }
    }
    // A fresh insert works: nothing left the identity insert on for the register.
    r.Executar("INSERT INTO Paciente (Nome) VALUES ('DEPOIS')");
    std::printf("[ figures  ] %d kills; %d of %d merges undone\n", kInterrupcoes, restaurados,
                kPares);
    EXPECT_GT(restaurados, 0);
}

TEST(clsUnificacaoRegistro, FalhaDeUmaMetadeDesfazAsDuas) {
    Registro r;
    const QByteArray tudo = r.Instantaneo();
    {
        // The record of what the log cannot hold fails: the merge goes too.
        SqlRecorder gravador(r.cn());
        gravador.failOnSql("INSERT INTO Cadunir_UnificacaoExtra");
        EXPECT_FALSE(r.Unificar(10, {11, 12}));
    }
    EXPECT_EQ(r.ado().ProfundidadeTransação(), 0);
    EXPECT_EQ(r.Instantaneo(), tudo);
    {
        // The merge fails half-way: nothing of ours is left either.
        SqlRecorder gravador(r.cn());
        gravador.failOnSql(" DELETE FROM Paciente WHERE ID_Paciente = 12");
        EXPECT_FALSE(r.Unificar(10, {11, 12}));
    }
    EXPECT_EQ(r.Instantaneo(), tudo);
    // What the log rows cannot hold is recorded; a base that keeps its values records none.
    ASSERT_TRUE(r.Unificar(10, {11}));
    EXPECT_EQ(r.Contar("SELECT COUNT(*) FROM Cadunir_UnificacaoExtra"), 1);
    EXPECT_EQ(r.Valor("SELECT ID_Convenio_Plano FROM Cadunir_UnificacaoExtra").toInt(), 42);
    EXPECT_EQ(r.Contar("SELECT COUNT(*) FROM Cadunir_UnificacaoSobrevivente"), 0);
}

// An update of the survivor after the merge rewrites the patient data copied into every exam it
// holds, the moved ones too; an undo gives those exams their own record's copy back.
TEST(clsUnificacaoDesfazer, ExamesDevolvidosVoltamComACopiaDosSeusDados) {
    Registro r;
    for (const char* tabela : {"Exame", "Exame_BK"})
        r.Executar(QString("UPDATE %1 SET Paciente = 'P11 D''AVILA', Endereço = 'RUA ONZE', "
                           "Data_Nascimento = '1980-01-02' WHERE ID_Paciente = 11")
                       .arg(tabela));
    const auto copias = [&r] {
        Recordset rs;
        EXPECT_TRUE(r.ado().AbrirRecordset(
            r.cn(), rs,
            "SELECT ID_Paciente, " + ColunasCopiaExame().join(", ") +
                " FROM Exame WHERE Número_Exame LIKE 'E11-%' UNION ALL SELECT ID_Paciente, " +
                ColunasCopiaExame().join(", ") +
                " FROM Exame_BK WHERE Número_Exame LIKE 'E11-%' ORDER BY 1"));
        QStringList linhas;
        for (; !rs.Eof(); rs.MoveNext()) {
            QStringList valores;
            for (int c = 0; c < rs.FieldCount(); ++c) valores << rs.Fields(c).Value().toString();
            linhas << valores.join('|');
        }
        return linhas;
    };
    const QStringList antes = copias();
    ASSERT_EQ(antes.size(), 4);
    ASSERT_TRUE(r.Unificar(10, {11}));

    clsPaciente sobrevivente(r.cn(), r.ado());
    ASSERT_TRUE(sobrevivente.Localizar(10));
    sobrevivente.Endereço().setValor("RUA NOVA, 10");
    ASSERT_TRUE(sobrevivente.Atualizar(kAdmin));
    ASSERT_NE(copias(), antes);  // the moved exams now carry the survivor's data

    clsUnificacaoDesfazer desfazer(r.cn(), r.ado());
    ASSERT_TRUE(desfazer.Desfazer(11, kAdmin)) << desfazer.Erro().ErrorString().toStdString();
    EXPECT_EQ(copias(), antes);
    EXPECT_EQ(r.Valor("SELECT Endereço FROM Exame WHERE Número_Exame = 'E10-1'").toString(),
              "RUA NOVA, 10");  // the survivor's own exam keeps its record's data
}
