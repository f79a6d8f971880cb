#include "patient/LegendasCampos.h"

namespace {

struct Legenda {
    const char* coluna;
    const char* legenda;
};

constexpr Legenda kLegendas[] = {
    {"ID_Paciente", "ID do paciente"},
    {"Nome", "Nome"},
    {"Nome_Soundex", "Nome (código fonético)"},
    {"Nome_Meio", "Nome do meio"},
    {"Nome_Meio_Soundex", "Nome do meio (código fonético)"},
    {"Nome_Último", "Último nome"},
    {"Nome_Último_Soundex", "Último nome (código fonético)"},
    {"Nome_Completo", "Nome completo"},
    {"RG", "RG"},
    {"CIC", "CIC"},
    {"Endereço", "Endereço"},
    {"CEP", "CEP"},
    {"Bairro", "Bairro"},
    {"Cidade", "Cidade"},
    {"Estado", "Estado"},
    {"Telefone", "Telefone"},
    {"Sexo", "Sexo"},
    {"Raça", "Raça"},
    {"Convênio", "Convênio"},
    {"Data_Nascimento", "Data Nascimento"},
    {"Profissão", "Profissão"},
    {"Número_Convênio", "Número do convênio"},
    {"Peso", "Peso"},
    {"Altura", "Altura"},
    {"Email", "E-mail"},
    {"Prontuário", "Prontuário"},
    {"ID_Paciente_Externo", "ID externo"},
    {"ID_Convenio_Plano", "Plano do convênio"},
    {"Exames", "Exames"},
    {"Exames_BK", "Exames (cópia de segurança)"},
};

const QString kSufixoFonetico = QStringLiteral("_Soundex");

}  // namespace

QString LegendaCampo(const QString& coluna) {
    for (const Legenda& l : kLegendas) {
        if (coluna.compare(QString::fromUtf8(l.coluna), Qt::CaseInsensitive) == 0) {
            return QString::fromUtf8(l.legenda);
        }
    }
    if (CampoFonetico(coluna)) {
        return LegendaCampo(coluna.chopped(kSufixoFonetico.size())) +
               QStringLiteral(" (código fonético)");
    }
    QString legenda = coluna;
    legenda.replace(QLatin1Char('_'), QLatin1Char(' '));
    return legenda;
}

bool CampoFonetico(const QString& coluna) {
    return coluna.endsWith(kSufixoFonetico, Qt::CaseInsensitive) &&
           coluna.size() > kSufixoFonetico.size();
}

QStringList LegendasCampos(const QStringList& colunas) {
    QStringList legendas;
    for (const QString& coluna : colunas) {
        if (CampoFonetico(coluna) &&
            colunas.contains(coluna.chopped(kSufixoFonetico.size()), Qt::CaseInsensitive)) {
            continue;
        }
        legendas << LegendaCampo(coluna);
    }
    return legendas;
}
