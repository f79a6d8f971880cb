#pragma once

#include <QDate>
#include <QString>
#include <functional>

// A register with known duplicates made the way reception desks make them, written apart from
// the demo generator so that the finder is measured on errors it was not built around. People
// live in households (relatives share the family name, the address and often the telephone;
// some are twins), common names are common, and a share of the people are registered again
// with the errors that studies of real patient registers report, at their rates:
//   - Just et al. (Perspectives in Health Information Management, 2016), 398,939 records with
//     confirmed duplicates: the middle name is the field most often different, the national
//     identifier the second (mostly missing on one record), name differences are mostly
//     misspellings, then given and family names (or given and middle names) swapped;
//   - Damerau (1964) and later keyboard studies: about four slips in five are one letter
//     wrong, missing, added or two neighbours swapped;
//   - linkage studies of Brazilian health records (mortality and live-birth systems): names
//     spelled as they sound, accents lost, married names, dates with a digit wrong or day and
//     month swapped, documents missing far more often than wrong;
//   - studies of date-of-birth errors: a few per cent of dates wrong, most within one digit.
// The exact rates are in CadastroCorrompido.cpp beside each error.
namespace corrupcao {

struct Opcoes {
    qint64 registros = 20000;
    int duplicadosPorCento = 20;  // share of records that belong to a person registered twice+
    quint64 semente = 19640301;
    bool soNomes = false;  // only the names and the birth date (every other column NULL)
    QString pasta;
    bool substituir = false;
};

struct Resumo {
    qint64 registros = 0;
    qint64 pessoas = 0;
    qint64 paresVerdadeiros = 0;
};

using Progresso = std::function<void(qint64 feitos, qint64 total)>;

// Writes DIR/Registro.db (the product tables, through the program's embedded engine),
// DIR/Tessivar.INI and DIR/Verdade.tsv (ID_Paciente<TAB>person), the way the demo register is
// written (registro::CriarArquivoRegistro). Refuses to overwrite unless told to; a failure
// leaves nothing half-written.
bool CriarCadastro(const Opcoes& opcoes, Resumo& resumo, QString& erro,
                   const Progresso& progresso = {});

}  // namespace corrupcao
