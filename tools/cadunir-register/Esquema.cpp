#include "Esquema.h"

#include <cstddef>

#include "data/ado/clsADO.h"

extern const char* const kEsquemaScripts[][2];
extern const std::size_t kEsquemaScriptsTotal;

namespace registro {

QStringList EsquemaLotes(ParteEsquema parte) {
    QStringList lotes;
    const auto guardar = [&lotes, parte](const QString& texto) {
        const QString lote = texto.trimmed();
        if (lote.isEmpty())
            return;
        const bool indice = lote.startsWith(QLatin1String("CREATE INDEX"), Qt::CaseInsensitive);
        if (parte == ParteEsquema::Tudo || indice == (parte == ParteEsquema::Indices))
            lotes << lote;
    };
    for (std::size_t i = 0; i < kEsquemaScriptsTotal; ++i) {
        QString lote;
        const QStringList linhas = QString::fromUtf8(kEsquemaScripts[i][1]).split('\n');
        for (const QString& linha : linhas) {
            const QString limpa = linha.trimmed();
            if (limpa.startsWith(QLatin1String("--")))
                continue;
            if (limpa.compare(QLatin1String("GO"), Qt::CaseInsensitive) == 0) {
                guardar(lote);
                lote.clear();
            } else {
                lote += linha + '\n';
            }
        }
        guardar(lote);
    }
    return lotes;
}

bool CriarEsquema(Connection& cn, clsADO& ado, QString& erro, ParteEsquema parte) {
    // One transaction: all tables or none, and one write to disk instead of one per batch.
    ado.TransaçãoIniciar(cn);
    for (const QString& lote : EsquemaLotes(parte)) {
        if (!ado.ExecutarSQL(cn, lote)) {
            erro = QString("%1 - %2 (in: %3)")
                       .arg(ado.ErrorNumber())
                       .arg(ado.ErrorString(), lote.section('\n', 0, 0));
            ado.TransaçãoCancelar(cn);
            return false;
        }
    }
    return ado.TransaçãoFinalizar(cn);
}

}  // namespace registro
