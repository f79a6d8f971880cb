#include "RegistroHistorico.h"

#include <gtest/gtest.h>

#include "merge/clsPacienteUnificar.h"
#include "merge/clsUnificacaoRegistro.h"
#include "review/clsComparacaoPacientes.h"
#include "review/clsUnificacao.h"

RegistroHistorico::RegistroHistorico() {
    clsPacienteUnificar motor(cn, ado);
    EXPECT_TRUE(motor.CriarTabelas());
    EXPECT_TRUE(clsUnificacaoRegistro(cn, ado).CriarTabelas());
    for (int i = 1; i <= 4; ++i) {
        const QString n = QString::number(i);
        exec("INSERT INTO Paciente (Nome, Nome_Último, Sexo, RG, Prontuário) VALUES ('P" + n +
             "', 'SOUZA', 'M', 'RG" + n + "', 'PR" + n + "')");
        exec("INSERT INTO Exame (Número_Exame, ID_Paciente) VALUES ('E" + n + "', " + n + ")");
        exec("INSERT INTO Exame_BK (ID_Exame, Número_Exame, ID_Paciente) VALUES (" + n + ", 'E" +
             n + "', " + n + ")");
    }
    exec(
        "INSERT INTO Usuário (Nome, Usuário, Senha, ÉPatologista, Ativo, Master) VALUES "
        "('GESTORA', 'gestor', 'segredo', 0, 1, 0), ('AUXILIAR', 'aux', 'segredo', 0, 1, 0)");
    exec("INSERT INTO Perfil (Perfil, ID_Clinica, ID_Perfil_Tipo) VALUES ('Adm', 1, 1)");
    exec("INSERT INTO Perfil (Perfil, ID_Clinica, ID_Perfil_Tipo) VALUES ('Aux', 1, 3)");
    exec("INSERT INTO Usuario_Perfil (ID_Usuario, ID_Perfil) VALUES (1, 1), (2, 2)");
    // The command takes 1's new RG from 2, the one value that changes.
    exec("UPDATE Paciente SET RG = 'RG NOVO' WHERE ID_Paciente = 2");
    clsComparacaoPacientes comparacao(cn, ado);
    EXPECT_TRUE(comparacao.Carregar({1, 2, 3}));
    clsUnificacao::Pedido pedido{1, {2, 3}, 1, clsValoresSobreviventes()};
    pedido.valores->Iniciar(comparacao, 1);
    EXPECT_TRUE(pedido.valores->Escolher("RG", 2));
    const clsUnificacao::Resultado resultado = clsUnificacao(cn, ado).Executar(pedido);
    EXPECT_EQ(resultado.camposAlterados, QStringList{"RG"}) << resultado.mensagem.toStdString();
    exec(
        "INSERT INTO PacienteLog (ID_Paciente, Nome, Nome_Último, ID_PacienteNovo, ID_Usuario, "
        "Data) VALUES (90, 'ANTIGO', 'LIMA', 4, 2, '2019-05-01 10:00:00')");
}
