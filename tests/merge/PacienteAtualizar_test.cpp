#include <gtest/gtest.h>

#include <QDateTime>
#include <QRegularExpression>

#include "data/ado/Recordset.h"
#include "data/base/Relogio.h"
#include "merge/clsPacienteUnificar.h"
#include "patient/clsPaciente.h"
#include "support/ImprimirQt.h"
#include "support/RegistroMerge.h"
#include "support/SqlRecorder.h"

TEST(PacienteAtualizar, RegistraALinhaAntigaEGravaOsNovosValores) {
    // The log row carries the workstation's time, fixed here.
    const QDateTime agora(QDate(2031, 2, 3), QTime(4, 5));
    RelogioFixo relogio(agora);
    RegistroMerge r;
    for (int i = 1; i <= 5; ++i) {
        r.NovoPaciente("P" + QString::number(i));
    }
    r.NovoExame(5, "E5-1");
    clsPacienteUnificar motor(r.cn(), r.ado());

    // The new values arrive in a patient object prepared by the caller: the stored row with
    // some fields changed.
    clsPaciente novo(r.cn(), r.ado());
    ASSERT_TRUE(novo.Localizar(5));
    novo.Nome().setValor("JOANA");
    novo.Nome_Meio().setValor("D'ARC");
    novo.Email().setValor("joana@example.com");
    {
        SqlRecorder g(r.cn());
        ASSERT_TRUE(motor.PacienteAtualizar(5, 3, novo))
            << motor.Erro().ErrorString().toStdString();
        QStringList comandos = g.texts(Connection::Evento::Execucao);
        ASSERT_GE(comandos.size(), 2);
        static const QRegularExpression hora("'\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d'");
        comandos[0].replace(hora, "'T'");
        EXPECT_EQ(comandos[0],
                  " INSERT INTO PacienteLogAtualizar (ID_Paciente, Nome , Nome_Soundex, "
                  "Nome_Meio, Nome_Meio_Soundex, Nome_Último, Nome_Último_Soundex, RG, CIC, "
                  "Endereço, CEP, Bairro, Cidade, Estado, Email, Telefone, Sexo, Raça, Convênio, "
                  "Data_Nascimento, Profissão, Número_Convênio, Peso, Altura, Prontuário, "
                  "ID_Paciente_Externo, ID_Usuario, Data)  SELECT ID_Paciente, Nome , "
                  "Nome_Soundex, Nome_Meio, Nome_Meio_Soundex, Nome_Último, Nome_Último_Soundex, "
                  "RG, CIC, Endereço, CEP, Bairro, Cidade, Estado, Email, Telefone, Sexo, Raça, "
                  "Convênio, Data_Nascimento, Profissão, Número_Convênio, Peso, Altura, "
                  "Prontuário, ID_Paciente_Externo, 3, 'T' FROM Paciente WHERE ID_Paciente = 5");
        EXPECT_EQ(g.count(Connection::Evento::Inicio), 1);
        EXPECT_EQ(g.count(Connection::Evento::Confirmacao), 1);
    }
    // The log holds the row as it was; the register the new values, exams included.
    EXPECT_EQ(r.Valor("SELECT Nome FROM PacienteLogAtualizar WHERE ID_Paciente = 5").toString(),
              "P5");
    EXPECT_EQ(r.Valor("SELECT Data FROM PacienteLogAtualizar").toDateTime(), agora);
    EXPECT_EQ(r.Valor("SELECT Nome_Meio FROM Paciente WHERE ID_Paciente = 5").toString(), "D'ARC");
    EXPECT_EQ(r.Valor("SELECT Email FROM Paciente WHERE ID_Paciente = 5").toString(),
              "joana@example.com");
    EXPECT_EQ(r.Valor("SELECT Paciente FROM Exame WHERE ID_Paciente = 5").toString(),
              "JOANA D'ARC SILVA");
}

TEST(PacienteAtualizar, FalhasNaoDeixamLogNemAlteracao) {
    RegistroMerge r;
    for (int i = 1; i <= 5; ++i) {
        r.NovoPaciente("P" + QString::number(i));
    }
    clsPacienteUnificar motor(r.cn(), r.ado());
    clsPaciente novo(r.cn(), r.ado());
    ASSERT_TRUE(novo.Localizar(5));
    const QByteArray antes = r.Instantaneo();
    {
        // Unknown patient: nothing is written.
        SqlRecorder g(r.cn());
        EXPECT_FALSE(motor.PacienteAtualizar(99, 3, novo));
        EXPECT_EQ(motor.Erro().ErrorNumber(), -100);
        EXPECT_EQ(motor.Erro().ErrorString(), "Paciente id='99', não localizado.");
        EXPECT_EQ(motor.Erro().ErrorFunction(), "PacienteAtualizar");
        EXPECT_EQ(motor.Erro().ErrorCampo(), "");
        EXPECT_EQ(g.count(Connection::Evento::Execucao), 0);
        EXPECT_EQ(g.count(Connection::Evento::Inicio), 0);
    }
    {
        // The update is refused (the RG of another patient): its log row goes too.
        novo.RG().setValor("RG P2");
        EXPECT_FALSE(motor.PacienteAtualizar(5, 3, novo));
        EXPECT_EQ(motor.Erro().ErrorNumber(), -1);
        EXPECT_EQ(motor.Erro().ErrorString(), "RG 'RG P2', já cadastrado.");
        EXPECT_EQ(motor.Erro().ErrorFunction(), "PacienteAtualizar");
        EXPECT_EQ(r.ado().ProfundidadeTransação(), 0);
        EXPECT_EQ(r.Instantaneo(), antes);
    }
    {
        // The log insert fails: the update is not attempted.
        novo.RG().setValor("RG NOVO");
        SqlRecorder g(r.cn());
        g.failOnSql("INSERT INTO PacienteLogAtualizar", -2147217900);
        EXPECT_FALSE(motor.PacienteAtualizar(5, 3, novo));
        EXPECT_EQ(motor.Erro().ErrorNumber(), -2147217900);
        EXPECT_EQ(motor.Erro().ErrorFunction(), "PacienteAtualizar");
        EXPECT_EQ(g.count(Connection::Evento::Execucao), 1);
        EXPECT_EQ(r.ado().ProfundidadeTransação(), 0);
        EXPECT_EQ(r.Instantaneo(), antes);
    }
}
