#include "ui/Detalhe.h"

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
    QString nome = fNome;
    if (!fNomeMeio.isEmpty()) {
        nome += QLatin1Char(' ') + fNomeMeio;
    }
    if (!fNomeUltimo.isEmpty()) {
        nome += QLatin1Char(' ') + fNomeUltimo;
    }
    return nome;
}
