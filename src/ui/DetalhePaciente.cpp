#include "ui/DetalhePaciente.h"

#include "patient/clsPaciente.h"
#include "ui/Detalhe.h"
#include "ui/ctlNvPreferDE.h"

void Detalhe_Preencher(ctlNvPreferDE& fControle, clsPaciente& fPaciente) {
    clsPaciente& p = fPaciente;
    const std::pair<const char*, QString> campos[] = {
        {"Nome_Completo",
         NomeCompleto_Montar(p.Nome().Valor(), p.Nome_Meio().Valor(), p.Nome_Último().Valor())},
        {"RG", p.RG().Valor()},
        {"CIC", p.CIC().Valor()},
        {"Sexo", p.Sexo().Valor()},
        {"Data_Nascimento", p.Data_Nascimento().Valor()},
        {"Raça", p.Raça().Valor()},
        {"Profissão", p.Profissão().Valor()},
        {"Peso", p.Peso().Valor()},
        {"Altura", p.Altura().Valor()},
        {"Endereço", p.Endereço().Valor()},
        {"CEP", p.CEP().Valor()},
        {"Bairro", p.Bairro().Valor()},
        {"Cidade", p.Cidade().Valor()},
        {"Estado", p.Estado().Valor()},
        {"Email", p.Email().Valor()},
        {"Telefone", p.Telefone().Valor()},
        {"Número_Convênio", p.Número_Convênio().Valor()},
        {"Convênio", p.Convênio().Valor()},
        {"Prontuário", p.Prontuário().Valor()},
    };
    for (const auto& [chave, valor] : campos) {
        fControle.FieldValue(QString::fromUtf8(chave), valor);
    }
}

bool Paciente_Localizar(clsPaciente& fPaciente, qint32 fID_Paciente) {
    return fPaciente.Localizar(fID_Paciente);
}
