#pragma once

#include <QString>

// The one shape of the program's own failure messages (a merge, an undo, a batch):
//
//     A unificação falhou ao confirmar a transação.
//     Nada foi alterado no cadastro.
//
//     -2147217873 - Violação de integridade dos dados.
//
//     Detalhe: <the database's own words>
//
//     Registro de diagnóstico: <path of the diagnostics log>
//
// The first line names the step that failed; the second says that the register was left as it
// was, and only when that is certain.
namespace dados {

struct Falha {
    qint32 numero = 0;
    QString texto;    // the short text of the number
    QString detalhe;  // the driver's or the engine's own words; may be empty
};

// The step of a commit: a wait for a lock there is the commit's own failure.
inline const QString kEtapaConfirmar = QStringLiteral("ao confirmar a transação");

// `quem` is the operation ("A unificação"), `etapa` what it was doing ("ao iniciar a
// transação"). A register that stayed locked by another user until the wait ran out is named as
// such, whatever the step, except at the commit.
QString MensagemFalha(const QString& quem, const QString& etapa, bool nadaAlterado,
                      const Falha& falha);

// What a failure's short text leaves out, for the end of a message: "Detalhe: " and the
// database's own words, then where the diagnostics log keeps the whole story, each after a
// blank line; `quebra` is the message's own line break.
QString DetalheEDiagnostico(const QString& detalhe, const QString& quebra = QStringLiteral("\n"));

}  // namespace dados
