#include "review/clsValoresSobreviventes.h"

#include <algorithm>

#include "patient/clsPaciente.h"

namespace {

using Membro = clsString& (clsPaciente::*)();

// Field name -> member of the patient object, in the order of the patient update.
const QList<QPair<QString, Membro>>& Membros() {
    static const QList<QPair<QString, Membro>> membros = {
        {QStringLiteral("Nome"), &clsPaciente::Nome},
        {QStringLiteral("Nome_Meio"), &clsPaciente::Nome_Meio},
        {QStringLiteral("Nome_Último"), &clsPaciente::Nome_Último},
        {QStringLiteral("RG"), &clsPaciente::RG},
        {QStringLiteral("CIC"), &clsPaciente::CIC},
        {QStringLiteral("Endereço"), &clsPaciente::Endereço},
        {QStringLiteral("CEP"), &clsPaciente::CEP},
        {QStringLiteral("Bairro"), &clsPaciente::Bairro},
        {QStringLiteral("Cidade"), &clsPaciente::Cidade},
        {QStringLiteral("Estado"), &clsPaciente::Estado},
        {QStringLiteral("Telefone"), &clsPaciente::Telefone},
        {QStringLiteral("Sexo"), &clsPaciente::Sexo},
        {QStringLiteral("Raça"), &clsPaciente::Raça},
        {QStringLiteral("Convênio"), &clsPaciente::Convênio},
        {QStringLiteral("Data_Nascimento"), &clsPaciente::Data_Nascimento},
        {QStringLiteral("Profissão"), &clsPaciente::Profissão},
        {QStringLiteral("Número_Convênio"), &clsPaciente::Número_Convênio},
        {QStringLiteral("Peso"), &clsPaciente::Peso},
        {QStringLiteral("Altura"), &clsPaciente::Altura},
        {QStringLiteral("Email"), &clsPaciente::Email},
        {QStringLiteral("Prontuário"), &clsPaciente::Prontuário},
        {QStringLiteral("ID_Paciente_Externo"), &clsPaciente::ID_Paciente_Externo},
    };
    return membros;
}

}  // namespace

const QStringList& clsValoresSobreviventes::Campos() {
    static const QStringList campos = [] {
        QStringList c;
        for (const auto& m : Membros()) {
            c << m.first;
        }
        return c;
    }();
    return campos;
}

void clsValoresSobreviventes::Iniciar(const clsComparacaoPacientes& fComparacao, qint32 fID_Base) {
    m_base = fID_Base;
    m_valores.clear();
    m_origem.clear();
    QList<qint32> outros;
    for (int c = 0; c < fComparacao.Colunas(); ++c) {
        const auto& r = fComparacao.RegistroDaColuna(c);
        m_valores.insert(r.id, r.valores);
        if (r.id != fID_Base) {
            outros << r.id;
        }
    }
    std::sort(outros.begin(), outros.end(), std::greater<qint32>());
    for (const QString& campo : Campos()) {
        if (!m_valores.value(m_base).value(campo).trimmed().isEmpty()) {
            continue;
        }
        for (const qint32 id : outros) {
            if (!m_valores.value(id).value(campo).trimmed().isEmpty()) {
                m_origem.insert(campo, id);
                break;
            }
        }
    }
}

bool clsValoresSobreviventes::Escolher(const QString& fCampo, qint32 fID) {
    if (!Campos().contains(fCampo) || !m_valores.contains(fID)) {
        return false;
    }
    if (fID == m_base) {
        m_origem.remove(fCampo);
    } else {
        m_origem.insert(fCampo, fID);
    }
    return true;
}

QString clsValoresSobreviventes::Valor(const QString& fCampo) const {
    return m_valores.value(Origem(fCampo)).value(fCampo);
}

QStringList clsValoresSobreviventes::CamposAlterados() const {
    QStringList alterados;
    for (const QString& campo : Campos()) {
        if (Valor(campo) != m_valores.value(m_base).value(campo)) {
            alterados << campo;
        }
    }
    return alterados;
}

void clsValoresSobreviventes::Aplicar(clsPaciente& fPaciente) const {
    for (const auto& [campo, membro] : Membros()) {
        if (m_origem.contains(campo)) {
            (fPaciente.*membro)().setValor(Valor(campo));
        }
    }
}
