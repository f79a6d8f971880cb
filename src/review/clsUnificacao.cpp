#include "review/clsUnificacao.h"

#include <algorithm>

#include "data/ado/NivelTransacao.h"
#include "merge/TravaPacientes.h"
#include "merge/clsPacienteUnificar.h"
#include "merge/clsUnificacaoRegistro.h"
#include "review/clsComparacaoPacientes.h"

namespace {

const QString kQuem = QStringLiteral("A unificação");

QString Plural(qint64 n, const QString& singular, const QString& plural) {
    return QString::number(n) + QLatin1Char(' ') + (n == 1 ? singular : plural);
}

}  // namespace

clsUnificacao::clsUnificacao(Connection& fCN, clsADO& fADO)
    : m_cn(fCN), m_ado(fADO), m_referencias(fCN, fADO) {}

clsUnificacao::Resultado clsUnificacao::Recusar(NivelTransacao& nivel, const QString& motivo) {
    nivel.Cancelar();
    m_resultado.recusada = true;
    m_erro.AtualizarErro(-2, motivo, QStringLiteral("Executar"), QString());
    m_resultado.mensagem = motivo + QStringLiteral("\nNada foi alterado no cadastro.");
    return m_resultado;
}

// `desfeita`: the register is certainly as it was before the command.
clsUnificacao::Resultado clsUnificacao::Falhou(const QString& etapa, const dados::Falha& falha,
                                               bool desfeita) {
    m_erro.AtualizarErro(falha.numero, falha.texto, QStringLiteral("Executar"), QString());
    m_resultado.mensagem = dados::MensagemFalha(kQuem, etapa, desfeita, falha);
    return m_resultado;
}

clsUnificacao::Resultado clsUnificacao::Falhar(NivelTransacao& nivel, const QString& etapa,
                                               const dados::Falha& falha) {
    nivel.Cancelar();
    return Falhou(etapa, falha, nivel.Desfeito());
}

// A record's or the engine's failure; the database's own words go with it only when it is the
// database's failure (clsADO keeps the words of its last failure, however old).
dados::Falha clsUnificacao::FalhaDe(const clsError& erro) const {
    const bool doBanco =
        erro.ErrorNumber() == m_ado.ErrorNumber() && erro.ErrorString() == m_ado.ErrorString();
    return {erro.ErrorNumber(), erro.ErrorString(), doBanco ? m_ado.DetalheDoErro() : QString()};
}

clsUnificacao::Resultado clsUnificacao::Executar(const Pedido& fPedido) {
    m_resultado = {};
    qint32 base = fPedido.base;
    // Without a base every record is checked and read alike, and the base is chosen among them
    // as they are under the lock.
    QList<qint32> copias;
    for (const qint32 id : fPedido.ids) {
        if (id != base && !copias.contains(id)) {
            copias << id;
        }
    }
    const QList<qint32> todos = base == 0 ? copias : QList<qint32>{base} + copias;
    if (todos.isEmpty()) {
        m_resultado.mensagem = QStringLiteral("Nenhum cadastro a unificar.");
        return m_resultado;
    }

    NivelTransacao nivel(m_cn, m_ado);
    if (!nivel.Abrir()) {
        return Falhar(nivel, QStringLiteral("ao iniciar a transação"), m_ado.UltimaFalha());
    }

    qint32 ausente = 0;
    if (!PacientesTravar(m_cn, m_ado, todos, ausente)) {
        if (ausente == 0) {
            return Falhar(nivel, QStringLiteral("ao verificar os cadastros"), m_ado.UltimaFalha());
        }
        nivel.Cancelar();
        m_resultado.ausente = ausente;
        const QString papel = ausente == base ? QStringLiteral("O cadastro base %1")
                                              : QStringLiteral("O cadastro %1");
        m_erro.AtualizarErro(-1, papel.arg(ausente) + QStringLiteral(" não existe mais."),
                             QStringLiteral("Executar"), QString());
        m_resultado.mensagem =
            papel.arg(ausente) + QStringLiteral(
                                     " não existe mais: outra estação o unificou ou excluiu. "
                                     "Nenhum cadastro foi unificado e nada foi alterado; a lista "
                                     "será atualizada.");
        return m_resultado;
    }

    // The records as they are now, under the lock: what differs among them, the exams that
    // move, and the default values when none were reviewed.
    clsComparacaoPacientes comparacao(m_cn, m_ado);
    if (!comparacao.Carregar(todos)) {
        return Falhar(nivel, QStringLiteral("ao ler os cadastros"), FalhaDe(comparacao.Erro()));
    }
    if (fPedido.conferir) {
        if (const QString mudou = fPedido.conferir(comparacao); !mudou.isEmpty()) {
            m_resultado.alterada = true;
            return Recusar(nivel, mudou);
        }
    }
    if (base == 0) {
        base = clsValoresSobreviventes::BaseSugerida(comparacao);
        copias.removeOne(base);
    }
    m_resultado.base = base;
    if (!m_referencias.ProcurarReferencias(copias)) {
        return Falhar(nivel,
                      QStringLiteral("ao procurar outras tabelas que apontam para os "
                                     "cadastros"),
                      FalhaDe(m_referencias.Erro()));
    }
    if (m_referencias.Recusada()) {
        return Recusar(nivel, m_referencias.MensagemRecusa());
    }
    clsValoresSobreviventes padrao;
    const bool revisada = fPedido.valores && fPedido.base != 0;
    if (!revisada) {
        clsVerificacaoSeguranca verificacao(m_cn, m_ado);
        QList<clsVerificacaoSeguranca::Conflito> sinais;
        if (!verificacao.Verificar(comparacao, sinais)) {
            return Falhar(nivel, QStringLiteral("ao ler os cadastros"),
                          FalhaDe(verificacao.Erro()));
        }
        QStringList naoConfirmados;
        for (const auto& sinal : sinais) {
            const bool confirmado = std::any_of(
                fPedido.sinaisConfirmados.begin(), fPedido.sinaisConfirmados.end(),
                [&](const auto& c) { return c.tipo == sinal.tipo && c.texto == sinal.texto; });
            if (!confirmado) {
                naoConfirmados << sinal.texto;
            }
        }
        if (!naoConfirmados.isEmpty()) {
            return Recusar(nivel,
                           QStringLiteral("A unificação sem revisão não foi feita: os cadastros "
                                          "mostram sinais de serem pessoas diferentes:\n") +
                               naoConfirmados.join(QStringLiteral("\n")) +
                               QStringLiteral("\nRevise o grupo antes de unificar."));
        }
        padrao.Iniciar(comparacao, base, sinais);
    }
    const clsValoresSobreviventes& valores = revisada ? *fPedido.valores : padrao;
    m_resultado.camposDiferentes = comparacao.CamposDiferentes();
    for (const qint32 id : copias) {
        m_resultado.exames += comparacao.RegistroDaColuna(comparacao.ColunaDoId(id)).exames;
    }

    const QString historico = QStringLiteral("ao registrar o histórico");
    clsUnificacaoRegistro registro(m_cn, m_ado);
    if (!registro.Preparar(base, copias)) {
        return Falhar(nivel, historico, FalhaDe(registro.Erro()));
    }
    clsPacienteUnificar motor(m_cn, m_ado);
    for (const qint32 copia : copias) {
        if (!motor.PacienteUnificar(base, copia, fPedido.usuario)) {
            return Falhar(nivel,
                          QStringLiteral("ao unificar o cadastro %1 em %2").arg(copia).arg(base),
                          FalhaDe(motor.Erro()));
        }
    }
    // After the merges: the copies are gone, so a document taken from one of them no longer
    // stands beside its old row.
    const QStringList alterados = valores.CamposAlterados();
    if (!alterados.isEmpty()) {
        QList<QPair<QString, QVariant>> campos;
        for (const QString& campo : alterados) {
            campos.append({campo, valores.ValorOriginal(campo)});
        }
        if (!motor.PacienteAtualizarCampos(base, fPedido.usuario, campos)) {
            return Falhar(
                nivel, QStringLiteral("ao gravar os valores escolhidos no cadastro %1").arg(base),
                FalhaDe(motor.Erro()));
        }
    }
    clsUnificacaoRegistro::Anotacao anotacao;
    anotacao.lote = fPedido.lote;
    anotacao.motivo = fPedido.motivo;
    for (const auto& sinal : fPedido.sinaisConfirmados) {
        QStringList ids;
        for (const qint32 id : sinal.ids) {
            ids << QString::number(id);
        }
        anotacao.sinais.append({int(sinal.tipo), ids.join(QStringLiteral(", ")), sinal.texto});
    }
    if (!registro.Registrar(fPedido.usuario, !alterados.isEmpty(), anotacao)) {
        return Falhar(nivel, historico, FalhaDe(registro.Erro()));
    }

    if (!nivel.Confirmar()) {
        // The commit's own failure, not a follow-on of the rollback that came after it.
        return Falhou(dados::kEtapaConfirmar, m_ado.UltimaFalha(), nivel.Desfeito());
    }

    m_resultado.unificada = true;
    m_resultado.removidos = copias;
    m_resultado.camposAlterados = alterados;
    m_resultado.mensagem = Plural(copias.size(), QStringLiteral("cadastro unificado"),
                                  QStringLiteral("cadastros unificados")) +
                           QStringLiteral(" em ") + QString::number(base) + QStringLiteral("; ") +
                           Plural(m_resultado.exames, QStringLiteral("exame transferido"),
                                  QStringLiteral("exames transferidos"));
    if (!alterados.isEmpty()) {
        m_resultado.mensagem += QStringLiteral("; ") +
                                Plural(alterados.size(), QStringLiteral("campo atualizado"),
                                       QStringLiteral("campos atualizados")) +
                                QStringLiteral(" no cadastro ") + QString::number(base);
    }
    return m_resultado;
}
