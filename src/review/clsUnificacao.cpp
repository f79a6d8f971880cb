#include "review/clsUnificacao.h"

#include "data/base/ErroNumerado.h"
#include "data/base/TabelaErros.h"
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

clsUnificacao::clsUnificacao(Connection& fCN, clsADO& fADO) : m_cn(fCN), m_ado(fADO) {}

// Cancels the command's levels. True when that took everything back at the database: the
// command held the outermost level and the rollback went through.
bool clsUnificacao::Cancelar() {
    bool desfeita = m_profundidade == 0;
    while (m_ado.ProfundidadeTransação() > m_profundidade) {
        desfeita = m_ado.TransaçãoCancelar(m_cn) && desfeita;
    }
    return desfeita;
}

// `desfeita`: the register is certainly as it was before the command.
clsUnificacao::Resultado clsUnificacao::Falhou(const QString& etapa, const dados::Falha& falha,
                                               bool desfeita) {
    m_erro.AtualizarErro(falha.numero, falha.texto, QStringLiteral("Executar"), QString());
    m_resultado.mensagem = dados::MensagemFalha(kQuem, etapa, desfeita, falha);
    return m_resultado;
}

clsUnificacao::Resultado clsUnificacao::Falhar(const QString& etapa, const dados::Falha& falha) {
    const bool desfeita = Cancelar();
    return Falhou(etapa, falha, desfeita);
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

    m_profundidade = m_ado.ProfundidadeTransação();
    if (!m_ado.TransaçãoIniciar(m_cn)) {
        // Nothing was sent: whatever the cancel answers, the register is as it was.
        const dados::Falha falha = m_ado.UltimaFalha();
        Cancelar();
        return Falhou(QStringLiteral("ao iniciar a transação"), falha, m_profundidade == 0);
    }

    qint32 ausente = 0;
    if (!PacientesTravar(m_cn, m_ado, todos, ausente)) {
        if (ausente == 0) {
            return Falhar(QStringLiteral("ao verificar os cadastros"), m_ado.UltimaFalha());
        }
        Cancelar();
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
        return Falhar(QStringLiteral("ao ler os cadastros"), FalhaDe(comparacao.Erro()));
    }
    if (base == 0) {
        base = clsValoresSobreviventes::BaseSugerida(comparacao);
        copias.removeOne(base);
    }
    m_resultado.base = base;
    clsValoresSobreviventes padrao;
    if (!fPedido.valores || fPedido.base == 0) {
        clsVerificacaoSeguranca verificacao(m_cn, m_ado);
        QList<clsVerificacaoSeguranca::Conflito> sinais;
        if (!verificacao.Verificar(comparacao, sinais)) {
            return Falhar(QStringLiteral("ao ler os cadastros"), FalhaDe(verificacao.Erro()));
        }
        padrao.Iniciar(comparacao, base, sinais);
    }
    const clsValoresSobreviventes& valores =
        fPedido.valores && fPedido.base != 0 ? *fPedido.valores : padrao;
    m_resultado.camposDiferentes = comparacao.CamposDiferentes();
    for (const qint32 id : copias) {
        m_resultado.exames += comparacao.RegistroDaColuna(comparacao.ColunaDoId(id)).exames;
    }

    const QString historico = QStringLiteral("ao registrar o histórico");
    clsUnificacaoRegistro registro(m_cn, m_ado);
    if (!registro.Preparar(base, copias)) {
        return Falhar(historico, FalhaDe(registro.Erro()));
    }
    clsPacienteUnificar motor(m_cn, m_ado);
    for (const qint32 copia : copias) {
        if (!motor.PacienteUnificar(base, copia, fPedido.usuario)) {
            return Falhar(QStringLiteral("ao unificar o cadastro %1 em %2").arg(copia).arg(base),
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
                QStringLiteral("ao gravar os valores escolhidos no cadastro %1").arg(base),
                FalhaDe(motor.Erro()));
        }
    }
    if (!registro.Registrar(fPedido.usuario, !alterados.isEmpty())) {
        return Falhar(historico, FalhaDe(registro.Erro()));
    }

    if (!m_ado.TransaçãoFinalizar(m_cn)) {
        // clsADO has given the level up; the database may still hold the transaction, which
        // must not stay pending for a later statement to commit. One the database has already
        // rolled back itself leaves nothing to roll back: that is no new failure.
        const dados::Falha falha = m_ado.UltimaFalha();
        bool desfeita = m_profundidade == 0;
        if (desfeita) {
            try {
                m_cn.RollbackTrans();
            } catch (const ErroNumerado& e) {
                desfeita = e.Number() == dados::ErroSemTransacao;
            }
        }
        return Falhou(dados::kEtapaConfirmar, falha, desfeita);
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
