#include "patient/NomeCompleto.h"

#include <QStringList>

namespace {
// Blanks only: a tab or another control character typed into a name stays visible in it.
QString semBrancosNasPontas(const QString& s) {
    qsizetype inicio = 0;
    qsizetype fim = s.size();
    while (inicio < fim && s[inicio] == QLatin1Char(' ')) ++inicio;
    while (fim > inicio && s[fim - 1] == QLatin1Char(' ')) --fim;
    return s.mid(inicio, fim - inicio);
}
}  // namespace

PartesNome NomeSepararPartes(const QString& fNomeCompleto) {
    PartesNome partes;
    if (!fNomeCompleto.isEmpty()) {
        const QStringList pedacos = fNomeCompleto.split(QLatin1Char(' '));
        const qsizetype n = pedacos.size() - 1;
        partes.nome = pedacos[0];
        if (n >= 1)
            partes.ultimo = pedacos[n];
        if (n >= 2) {
            QString meio;
            for (qsizetype i = 1; i < n; ++i) meio += QLatin1Char(' ') + pedacos[i];
            partes.meio = semBrancosNasPontas(meio);
        }
    }
    partes.nome.truncate(30);
    partes.meio.truncate(50);
    partes.ultimo.truncate(20);
    return partes;
}

QString NomeJuntarPartes(const QString& nome, const QString& meio, const QString& ultimo) {
    QString completo = nome;
    if (!meio.isEmpty())
        completo += QLatin1Char(' ') + meio;
    if (!ultimo.isEmpty())
        completo += QLatin1Char(' ') + ultimo;
    return completo;
}
