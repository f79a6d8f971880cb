#include "main/InstrucoesPrincipal.h"

QStringList InstrucoesPrincipal::Textos() {
    static const QStringList linhas[3] = {
        {QStringLiteral("1- Selecione os dados que deseja agrupar para "),
         QStringLiteral("obter possíveis cadastros duplicados"), QString(),
         QStringLiteral("Exemplo: selecione nome, último nome e clique em "),
         QStringLiteral("Agrupar, a lista com o resultado do agrupamento "),
         QStringLiteral("será preenchida com os pacientes que tiverem "),
         QStringLiteral("nome e o último nome iguais. ")},
        {QStringLiteral("2 - Selecione um item na lista de resultado do "),
         QStringLiteral("agrupamento. A lista de pacientes semelhantes será "),
         QStringLiteral("preenchida com os pacientes que obedecem aos "),
         QStringLiteral("critérios de agrupamento."),
         QStringLiteral("Exemplo: Agrupamento nome e último nome, "),
         QStringLiteral("Resultado do agrupamento Maria Silva, na lista de "),
         QStringLiteral("pacientes semelhantes aparecerão todos os pacientes "),
         QStringLiteral("de nome Maria e último nome de Silva")},
        {QStringLiteral("3- Marque na lista de Pacientes semelhantes os "),
         QStringLiteral("cadastros que correspondem a um único paciente"), QString(),
         QStringLiteral("Clicando em Unificar, os pacientes marcados na "),
         QStringLiteral("lista de paciente semelhantes serão unificados em "),
         QStringLiteral("um mesmo cadastro.")},
    };
    QStringList textos;
    for (const QStringList& l : linhas) {
        textos << l.join(QLatin1Char('\n')) + QLatin1Char('\n');
    }
    return textos;
}
