#include "Esquema.h"

#include <cstddef>

#include "data/clsADO.h"

extern const char* const kEsquemaScripts[][2];
extern const std::size_t kEsquemaScriptsTotal;

namespace registro {

QStringList EsquemaLotes() {
    QStringList lotes;
    for (std::size_t i = 0; i < kEsquemaScriptsTotal; ++i) {
        QString lote;
        const QStringList linhas = QString::fromUtf8(kEsquemaScripts[i][1]).split('\n');
        for (const QString& linha : linhas) {
            const QString limpa = linha.trimmed();
            if (limpa.startsWith(QLatin1String("--")))
                continue;
            if (limpa.compare(QLatin1String("GO"), Qt::CaseInsensitive) == 0) {
                if (!lote.trimmed().isEmpty())
                    lotes << lote.trimmed();
                lote.clear();
            } else {
                lote += linha + '\n';
            }
        }
        if (!lote.trimmed().isEmpty())
            lotes << lote.trimmed();
    }
    return lotes;
}

bool CriarEsquema(Connection& cn, clsADO& ado, QString& erro) {
    for (const QString& lote : EsquemaLotes()) {
        if (!ado.ExecutarSQL(cn, lote)) {
            erro = QString("%1 - %2 (in: %3)")
                       .arg(ado.ErrorNumber())
                       .arg(ado.ErrorString(), lote.section('\n', 0, 0));
            return false;
        }
    }
    return true;
}

}  // namespace registro
