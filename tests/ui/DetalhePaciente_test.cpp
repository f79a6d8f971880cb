#include <gtest/gtest.h>

#include "Esquema.h"
#include "data/DE.h"
#include "patient/clsPaciente.h"
#include "support/TempRegister.h"
#include "ui/Detalhe.h"
#include "ui/ctlNvPreferDE.h"

TEST(DetalhePaciente, FillsEveryFieldOfTheFoundPatientAndEmptiesForAMissingOne) {
    TempRegister reg;
    QString erro;
    ASSERT_TRUE(registro::CriarEsquema(reg.conn(), ADO(), erro)) << erro.toStdString();
    reg.exec(
        "INSERT INTO Paciente (Nome, Nome_Meio, Nome_Último, RG, CIC, Sexo, Data_Nascimento, "
        "Raça, Profissão, Peso, Altura, Endereço, CEP, Bairro, Cidade, Estado, Email, Telefone, "
        "Número_Convênio, Convênio, Prontuário) VALUES ('MARIA', NULL, 'SILVA', '12.345', "
        "'123.456.789-00', 'F', '1961-03-07', 'Parda', 'Professora', '62,5', '1,6', "
        "'Rua A, 1', '01000-000', 'Centro', 'São Paulo', 'SP', 'maria@exemplo.br', "
        "'(11) 5555-0000', '998877', 'SUS', 'P-77')");
    reg.exec("INSERT INTO Paciente (Nome) VALUES ('JOÃO')");
    const qint32 idMaria = reg.scalar("SELECT MIN(ID_Paciente) FROM Paciente").toInt();

    ctlNvPreferDE controle;
    controle.Init();
    {
        clsPaciente paciente(reg.conn(), ADO());
        ASSERT_TRUE(Paciente_Localizar(paciente, idMaria));
        Detalhe_Preencher(controle, paciente);
    }
    EXPECT_EQ(controle.FieldText("Nome_Completo"), "MARIA SILVA");  // no middle name
    EXPECT_EQ(controle.FieldText("RG"), "12.345");
    EXPECT_EQ(controle.FieldText("CIC"), "123.456.789-00");
    EXPECT_EQ(controle.FieldText("Sexo"), "F");
    EXPECT_EQ(controle.FieldText("Data_Nascimento"), "07/03/1961");
    EXPECT_EQ(controle.FieldText("Raça"), "Parda");
    EXPECT_EQ(controle.FieldText("Profissão"), "Professora");
    EXPECT_EQ(controle.FieldText("Peso"), "62,5");
    EXPECT_EQ(controle.FieldText("Altura"), "1,6");
    EXPECT_EQ(controle.FieldText("Endereço"), "Rua A, 1");
    EXPECT_EQ(controle.FieldText("CEP"), "01000-000");
    EXPECT_EQ(controle.FieldText("Bairro"), "Centro");
    EXPECT_EQ(controle.FieldText("Cidade"), "São Paulo");
    EXPECT_EQ(controle.FieldText("Estado"), "SP");
    EXPECT_EQ(controle.FieldText("Email"), "maria@exemplo.br");
    EXPECT_EQ(controle.FieldText("Telefone"), "(11) 5555-0000");
    EXPECT_EQ(controle.FieldText("Número_Convênio"), "998877");
    EXPECT_EQ(controle.FieldText("Convênio"), "SUS");
    EXPECT_EQ(controle.FieldText("Prontuário"), "P-77");

    // A patient with only a first name shows it alone, and the rest empty.
    {
        clsPaciente paciente(reg.conn(), ADO());
        ASSERT_TRUE(Paciente_Localizar(paciente, idMaria + 1));
        Detalhe_Preencher(controle, paciente);
    }
    EXPECT_EQ(controle.FieldText("Nome_Completo"), "JOÃO");
    EXPECT_EQ(controle.FieldText("Prontuário"), "");

    // A patient that is not found shows the empty values of a fresh record.
    controle.FieldValue("RG", QString("velho"));
    clsPaciente ausente(reg.conn(), ADO());
    EXPECT_FALSE(Paciente_Localizar(ausente, 999));
    Detalhe_Preencher(controle, ausente);
    for (int i = 0; i < controle.FieldCount(); ++i) {
        EXPECT_EQ(controle.FieldText(i), "") << controle.FieldKey(i).toStdString();
    }
}
