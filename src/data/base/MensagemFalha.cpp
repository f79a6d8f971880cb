#include "data/base/MensagemFalha.h"

#include <QDir>

#include "data/base/Diagnostico.h"
#include "data/base/TabelaErros.h"

namespace dados {

QString MensagemFalha(const QString& quem, const QString& etapa, bool nadaAlterado,
                      const Falha& falha) {
    const bool bloqueado = falha.numero == ErroTempoEsgotado && etapa != kEtapaConfirmar;
    QString texto =
        quem + QStringLiteral(" falhou ") +
        (bloqueado ? QStringLiteral("à espera do cadastro bloqueado por outro usuário") : etapa) +
        QLatin1Char('.');
    if (nadaAlterado) {
        texto += QStringLiteral("\nNada foi alterado no cadastro.");
    }
    return texto + QStringLiteral("\n\n") + QString::number(falha.numero) + QStringLiteral(" - ") +
           falha.texto + DetalheEDiagnostico(falha.detalhe);
}

QString DetalheEDiagnostico(const QString& detalhe, const QString& quebra) {
    QString texto;
    if (!detalhe.isEmpty()) {
        texto += quebra + quebra + QStringLiteral("Detalhe: ") + detalhe;
    }
    const QString log = ArquivoDiagnostico();
    if (!log.isEmpty()) {
        texto += quebra + quebra + QStringLiteral("Registro de diagnóstico: ") +
                 QDir::toNativeSeparators(log);
    }
    return texto;
}

}  // namespace dados
