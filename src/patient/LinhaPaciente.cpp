#include "patient/LinhaPaciente.h"

#include <QLocale>
#include <QStringList>

QString LinhaPaciente(const QString& nome, qint32 id, const QDate& nascimento, const QString& rg,
                      double pontuacao) {
    QStringList partes{nome.trimmed(), QStringLiteral("ID %1").arg(id)};
    if (nascimento.isValid()) {
        partes << QStringLiteral("nasc. ") + nascimento.toString(QStringLiteral("dd/MM/yyyy"));
    }
    if (!rg.trimmed().isEmpty()) {
        partes << QStringLiteral("RG ") + rg.trimmed();
    }
    if (pontuacao >= 0) {
        partes << QStringLiteral("pontuação ") + QLocale().toString(pontuacao, 'f', 0);
    }
    return partes.join(QStringLiteral(" — "));
}
