#include "review/clsValoresSobreviventes.h"

#include "merge/clsUnificacaoRegistro.h"

#include <QSet>
#include <algorithm>
#include <tuple>

const QStringList& clsValoresSobreviventes::Campos() {
    // The logged columns a patient update writes, in its order: not the key, the soundex
    // (computed from the names) or the plan.
    static const QStringList campos = [] {
        QStringList c;
        for (const QString& coluna : ColunasPacienteLogadas()) {
            if (coluna != QLatin1String("ID_Paciente") &&
                coluna != QLatin1String("ID_Convenio_Plano") &&
                !coluna.endsWith(QLatin1String("_Soundex"))) {
                c << coluna;
            }
        }
        return c;
    }();
    return campos;
}

qint32 clsValoresSobreviventes::BaseSugerida(const clsComparacaoPacientes& fComparacao) {
    qint32 base = 0;
    std::tuple<qint32, int, qint32> melhor;  // exams, filled fields, -ID: the greatest wins
    for (int c = 0; c < fComparacao.Colunas(); ++c) {
        const auto& r = fComparacao.RegistroDaColuna(c);
        const int preenchidos =
            int(std::count_if(Campos().cbegin(), Campos().cend(), [&](const QString& campo) {
                return !Vazio(r.valores.value(campo));
            }));
        const std::tuple<qint32, int, qint32> este{r.exames, preenchidos, -r.id};
        if (base == 0 || este > melhor) {
            base = r.id;
            melhor = este;
        }
    }
    return base;
}

void clsValoresSobreviventes::Iniciar(const clsComparacaoPacientes& fComparacao, qint32 fID_Base,
                                      const QList<clsVerificacaoSeguranca::Conflito>& fSinais) {
    m_base = fID_Base;
    m_valores.clear();
    m_originais.clear();
    m_origem.clear();
    m_oferta.clear();
    // Set apart: a record marked on its own, or at odds with the base. A sign between two
    // other records says that one of them is someone else: the one already at odds with the
    // base, or, when neither is, both.
    QSet<qint32> apartados;
    for (const auto& sinal : fSinais) {
        if (sinal.ids.size() == 1 || sinal.ids.contains(fID_Base)) {
            for (const qint32 id : sinal.ids) {
                apartados.insert(id);
            }
        }
    }
    apartados.remove(fID_Base);
    const QSet<qint32> diretos = apartados;
    for (const auto& sinal : fSinais) {
        if (sinal.ids.size() > 1 && !sinal.ids.contains(fID_Base) &&
            std::none_of(sinal.ids.cbegin(), sinal.ids.cend(),
                         [&](qint32 id) { return diretos.contains(id); })) {
            for (const qint32 id : sinal.ids) {
                apartados.insert(id);
            }
        }
    }
    QList<qint32> outros;
    for (int c = 0; c < fComparacao.Colunas(); ++c) {
        const auto& r = fComparacao.RegistroDaColuna(c);
        m_valores.insert(r.id, r.valores);
        m_originais.insert(r.id, r.originais);
        if (r.id != fID_Base) {
            outros << r.id;
        }
    }
    std::sort(outros.begin(), outros.end(), std::greater<qint32>());
    for (const QString& campo : Campos()) {
        if (!Vazio(m_valores.value(m_base).value(campo))) {
            continue;
        }
        for (const qint32 id : outros) {
            if (Vazio(m_valores.value(id).value(campo))) {
                continue;
            }
            if (!apartados.contains(id)) {
                m_origem.insert(campo, id);
                break;
            }
            if (!m_oferta.contains(campo)) {
                m_oferta.insert(campo, id);
            }
        }
        if (m_origem.contains(campo)) {
            m_oferta.remove(campo);
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

QVariant clsValoresSobreviventes::ValorOriginal(const QString& fCampo) const {
    const auto& originais = m_originais.value(Origem(fCampo));
    if (originais.contains(fCampo)) {
        return originais.value(fCampo);
    }
    const QString texto = Valor(fCampo);
    return texto.isEmpty() ? QVariant() : QVariant(texto);
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
