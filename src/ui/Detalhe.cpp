#include "ui/Detalhe.h"

#include "patient/NomeCompleto.h"
#include "patient/clsPaciente.h"
#include "ui/ctlNvPreferDE.h"

void Detalhe_Configurar(ctlNvPreferDE& fControle, const QString& fPreferencesPath,
                        DataEnvironment* fDataSource, const QString& fDataField,
                        Recordset* fExternalData) {
    fControle.setPreferencesPath(fPreferencesPath);
    fControle.setDataSource(fDataSource);
    fControle.setDataField(fDataField);
    fControle.setExternalData(fExternalData);
    fControle.Init();
}

void Detalhe_Ajustar(ctlNvPreferDE& fControle) {
    fControle.setControlOption(true);
    for (int i = 1; i < fControle.FieldCount(); ++i) {
        fControle.FieldOption(i, false);
    }
}

void Detalhe_Limpar(ctlNvPreferDE& fControle) {
    for (int i = 0; i < fControle.FieldCount(); ++i) {
        fControle.FieldValue(i, QString());
    }
}

QString NomeCompleto_Montar(const QString& fNome, const QString& fNomeMeio,
                            const QString& fNomeUltimo) {
    return NomeJuntarPartes(fNome, fNomeMeio, fNomeUltimo);
}

void Detalhe_Preencher(ctlNvPreferDE& fControle, clsPaciente& fPaciente) {
    fControle.FieldValue(
        QStringLiteral("Nome_Completo"),
        NomeCompleto_Montar(fPaciente.Nome().Valor(), fPaciente.Nome_Meio().Valor(),
                            fPaciente.Nome_Último().Valor()));
    fControle.FieldValue(QStringLiteral("RG"), fPaciente.RG().Valor());
    fControle.FieldValue(QStringLiteral("CIC"), fPaciente.CIC().Valor());
    fControle.FieldValue(QStringLiteral("Sexo"), fPaciente.Sexo().Valor());
    fControle.FieldValue(QStringLiteral("Data_Nascimento"), fPaciente.Data_Nascimento().Valor());
    fControle.FieldValue(QStringLiteral("Raça"), fPaciente.Raça().Valor());
    fControle.FieldValue(QStringLiteral("Profissão"), fPaciente.Profissão().Valor());
    fControle.FieldValue(QStringLiteral("Peso"), fPaciente.Peso().Valor());
    fControle.FieldValue(QStringLiteral("Altura"), fPaciente.Altura().Valor());
    fControle.FieldValue(QStringLiteral("Endereço"), fPaciente.Endereço().Valor());
    fControle.FieldValue(QStringLiteral("CEP"), fPaciente.CEP().Valor());
    fControle.FieldValue(QStringLiteral("Bairro"), fPaciente.Bairro().Valor());
    fControle.FieldValue(QStringLiteral("Cidade"), fPaciente.Cidade().Valor());
    fControle.FieldValue(QStringLiteral("Estado"), fPaciente.Estado().Valor());
    fControle.FieldValue(QStringLiteral("Email"), fPaciente.Email().Valor());
    fControle.FieldValue(QStringLiteral("Telefone"), fPaciente.Telefone().Valor());
    fControle.FieldValue(QStringLiteral("Número_Convênio"), fPaciente.Número_Convênio().Valor());
    fControle.FieldValue(QStringLiteral("Convênio"), fPaciente.Convênio().Valor());
    fControle.FieldValue(QStringLiteral("Prontuário"), fPaciente.Prontuário().Valor());
}

bool Paciente_Localizar(clsPaciente& fPaciente, qint32 fID_Paciente) {
    return fPaciente.Localizar(fID_Paciente);
}
