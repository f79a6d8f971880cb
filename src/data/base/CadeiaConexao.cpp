#include "data/base/CadeiaConexao.h"

namespace dados {

CadeiaConexao::CadeiaConexao(const QString& texto) {
    int i = 0;
    const int n = texto.size();
    while (i < n) {
        const int igual = texto.indexOf(QLatin1Char('='), i);
        const int pv = texto.indexOf(QLatin1Char(';'), i);
        if (igual < 0 || (pv >= 0 && pv < igual)) {
            // A piece without '=' carries no setting; skip it.
            i = pv < 0 ? n : pv + 1;
            continue;
        }
        ParConexao par;
        par.chave = texto.mid(i, igual - i).trimmed();
        int j = igual + 1;
        while (j < n && texto[j].isSpace()) {
            ++j;
        }
        if (j < n && (texto[j] == QLatin1Char('"') || texto[j] == QLatin1Char('{'))) {
            const QChar fecho = texto[j] == QLatin1Char('"') ? QLatin1Char('"') : QLatin1Char('}');
            const int fim = texto.indexOf(fecho, j + 1);
            if (fim < 0) {
                par.valor = texto.mid(j + 1);
                i = n;
            } else {
                par.valor = texto.mid(j + 1, fim - j - 1);
                const int prox = texto.indexOf(QLatin1Char(';'), fim);
                i = prox < 0 ? n : prox + 1;
            }
        } else {
            const int fim = pv < 0 ? n : pv;
            par.valor = texto.mid(j, fim - j).trimmed();
            i = fim + 1;
        }
        if (!par.chave.isEmpty()) {
            m_pares.push_back(par);
        }
    }
}

QString CadeiaConexao::Valor(const QString& chave) const {
    for (const auto& p : m_pares) {
        if (p.chave.compare(chave, Qt::CaseInsensitive) == 0) {
            return p.valor.isNull() ? QStringLiteral("") : p.valor;
        }
    }
    return QString();
}

bool CadeiaConexao::Tem(const QString& chave) const {
    return !Valor(chave).isNull();
}

}  // namespace dados
