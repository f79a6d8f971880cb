#include "main/CriteriosGravados.h"

#include "main/clsPacienteCriterio.h"
#include "settings/Configuracao.h"

namespace {

const QString kSecaoCriterios = QStringLiteral("Criterios");

struct Chave {
    const char* nome;
    int padrao;
};
constexpr Chave kChaves[7] = {{"Nome", 1}, {"NomeMeio", 1},   {"NomeUltimo", 1}, {"RG", 0},
                              {"CIC", 0},  {"Nascimento", 0}, {"Prontuario", 0}};

int gravado(Qt::CheckState marca) {
    return marca == Qt::Checked ? 1 : marca == Qt::PartiallyChecked ? 2 : 0;
}

Qt::CheckState marca(int gravado) {
    return gravado == 1 ? Qt::Checked : gravado == 2 ? Qt::PartiallyChecked : Qt::Unchecked;
}

}  // namespace

CriteriosGravados::Marcas CriteriosGravados::Ler() {
    Marcas marcas{};
    for (int i = 0; i < 7; ++i) {
        const QString lido =
            GetSetting(kAplicacaoCadunir, kSecaoCriterios, QString::fromLatin1(kChaves[i].nome));
        bool ok = false;
        const int estado = lido.trimmed().toInt(&ok);
        const bool valido = ok && estado >= 0 && estado <= 2;
        m_gravados[i] = valido ? estado : -1;
        marcas[i] = marca(valido ? estado : kChaves[i].padrao);
    }
    return marcas;
}

void CriteriosGravados::Gravar(const Marcas& marcas) {
    for (int i = 0; i < 7; ++i) {
        const int estado = gravado(marcas[i]);
        if (estado != m_gravados[i] &&
            SaveSetting(kAplicacaoCadunir, kSecaoCriterios, QString::fromLatin1(kChaves[i].nome),
                        QString::number(estado))) {
            m_gravados[i] = estado;
        }
    }
}

std::unique_ptr<clsPacienteCriterio> CriteriosGravados::Criterio(const Marcas& marcas) {
    auto criterio = std::make_unique<clsPacienteCriterio>();
    clsString* campos[7] = {
        &criterio->Nome(), &criterio->Nome_Meio(),       &criterio->Nome_Último(), &criterio->RG(),
        &criterio->CIC(),  &criterio->Data_Nascimento(), &criterio->Prontuário()};
    for (int i = 0; i < 7; ++i) {
        campos[i]->setObrigatório(marcas[i] != Qt::Unchecked);
    }
    criterio->setMasQueUmaOcorrencia(true);
    return criterio;
}
