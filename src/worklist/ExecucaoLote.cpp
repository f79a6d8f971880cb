#include "worklist/ExecucaoLote.h"

#include <QSet>

#include "data/base/Relogio.h"
#include "review/clsUnificacao.h"

using Grupo = clsLoteRegistro::Grupo;

namespace {
constexpr int kMarcarDeUmaVez = 200;  // merged groups written to the plan at once
}  // namespace

clsExecucaoLote::clsExecucaoLote(Connection& fCN, clsADO& fADO, qint32 fID_Usuario)
    : m_cn(fCN), m_ado(fADO), m_usuario(fID_Usuario), m_registro(fCN, fADO) {}

bool clsExecucaoLote::Falhar(const QString& mensagem) {
    m_mensagem = mensagem + QStringLiteral("\n\n") +
                 QString::number(m_registro.Erro().ErrorNumber()) + QStringLiteral(" - ") +
                 m_registro.Erro().ErrorString();
    return false;
}

void clsExecucaoLote::Contar() {
    m_andamento = {};
    m_andamento.total = int(m_grupos.size());
    for (const Grupo& g : m_grupos) {
        m_andamento.unificados += g.situacao == clsLoteRegistro::Unificado;
        m_andamento.alterados += g.situacao == clsLoteRegistro::Alterado;
        m_andamento.recusados += g.situacao == clsLoteRegistro::Recusado;
    }
    m_andamento.feitos = m_andamento.unificados + m_andamento.alterados + m_andamento.recusados;
}

bool clsExecucaoLote::Criar(double fLimiar, const QVector<Grupo>& fPlano,
                            const clsPlanoLote::Resumo& fResumo) {
    m_lote = {};
    m_lote.usuario = m_usuario;
    m_lote.data = Relogio::Agora();
    m_lote.limiar = fLimiar;
    m_lote.grupos = fResumo.grupos;
    m_lote.registros = fResumo.registros;
    m_lote.exames = fResumo.exames;
    m_lote.errosEsperados = fResumo.errosEsperados;
    if (!m_registro.Criar(m_lote, fPlano)) {
        return Falhar(QStringLiteral("Ao gravar o plano do lote, ocorreu o seguinte erro:"));
    }
    m_grupos = fPlano;
    Contar();
    return true;
}

bool clsExecucaoLote::Retomar(qint32 fLote) {
    if (!m_registro.Ler(fLote, m_lote, &m_grupos)) {
        return Falhar(QStringLiteral("Ao ler o lote %1, ocorreu o seguinte erro:").arg(fLote));
    }
    if (m_lote.desfeito.isValid()) {
        m_mensagem = QStringLiteral("O lote %1 foi desfeito: não pode ser retomado.").arg(fLote);
        return false;
    }
    QList<qint32> removidos;
    if (!m_registro.Removidos(fLote, removidos)) {
        return Falhar(QStringLiteral("Ao ler o lote %1, ocorreu o seguinte erro:").arg(fLote));
    }
    const QSet<qint32> feitos(removidos.begin(), removidos.end());
    for (Grupo& g : m_grupos) {
        if (g.situacao != clsLoteRegistro::Unificado && !g.remocoes.isEmpty() &&
            feitos.contains(g.remocoes.first().id)) {
            g.situacao = clsLoteRegistro::Unificado;
            g.mensagem.clear();
            if (!m_registro.MarcarGrupo(fLote, g.numero, g.situacao, g.mensagem)) {
                return Falhar(
                    QStringLiteral("Ao ler o lote %1, ocorreu o seguinte erro:").arg(fLote));
            }
        }
    }
    Contar();
    return true;
}

bool clsExecucaoLote::Executar(const Progresso& fProgresso, const std::function<bool()>& fParar) {
    m_interrompido = false;
    m_mensagem.clear();
    clsUnificacao comando(m_cn, m_ado);  // one for the run: the pointing tables read once
    // Groups refused or found changed in an earlier sitting are looked at again: a decision
    // removed since, or an edit undone, lets them through; a failure is retried.
    QVector<int> aFazer;
    for (int i = 0; i < m_grupos.size(); ++i) {
        if (m_grupos[i].situacao != clsLoteRegistro::Unificado) {
            aFazer << i;
        }
    }
    Contar();
    m_andamento.feitos = m_andamento.unificados;
    m_andamento.alterados = m_andamento.recusados = 0;
    // A merged group is known by its merge (Cadunir_UnificacaoLote, in the merge's own
    // transaction), which is what Retomar reads: the plan's copy of that is written for many
    // groups at once, sparing every merge a second commit.
    QList<int> unificados;
    const auto marcar = [&] {
        const bool ok = m_registro.MarcarUnificados(m_lote.id, unificados);
        unificados.clear();
        return ok || Falhar(QStringLiteral("Ao registrar o andamento do lote, ocorreu o seguinte "
                                           "erro:"));
    };
    for (const int i : aFazer) {
        if (fParar && fParar()) {
            m_interrompido = true;
            return marcar();
        }
        Grupo& g = m_grupos[i];
        QList<qint32> ids{g.base};
        for (const auto& r : g.remocoes) {
            ids << r.id;
        }
        clsUnificacao::Pedido pedido(g.base, ids, m_usuario);
        pedido.lote = m_lote.id;
        pedido.conferir = clsPlanoLote::Conferencia(g);
        const clsUnificacao::Resultado r = comando.Executar(pedido);
        if (r.unificada) {
            g.situacao = clsLoteRegistro::Unificado;
            g.mensagem.clear();
            ++m_andamento.unificados;
        } else if (r.alterada || r.ausente != 0) {
            g.situacao = clsLoteRegistro::Alterado;
            g.mensagem = r.ausente != 0
                             ? QStringLiteral("O cadastro %1 não existe mais.").arg(r.ausente)
                             : comando.Erro().ErrorString();
            ++m_andamento.alterados;
        } else if (r.recusada) {
            g.situacao = clsLoteRegistro::Recusado;
            g.mensagem = comando.Erro().ErrorString();
            ++m_andamento.recusados;
        } else {
            g.situacao = clsLoteRegistro::Falhou;
            g.mensagem = r.mensagem;
            m_registro.MarcarUnificados(m_lote.id, unificados);
            m_registro.MarcarGrupo(m_lote.id, g.numero, g.situacao, g.mensagem);
            m_mensagem =
                QStringLiteral("O lote %1 parou no grupo %2.\n").arg(m_lote.id).arg(g.numero) +
                r.mensagem;
            return false;
        }
        ++m_andamento.feitos;
        if (g.situacao == clsLoteRegistro::Unificado) {
            unificados << g.numero;
            if (unificados.size() >= kMarcarDeUmaVez && !marcar()) {
                return false;
            }
        } else if (!m_registro.MarcarGrupo(m_lote.id, g.numero, g.situacao, g.mensagem)) {
            return Falhar(
                QStringLiteral("Ao registrar o andamento do lote, ocorreu o seguinte "
                               "erro:"));
        }
        if (fProgresso) {
            fProgresso(m_andamento, g);
        }
    }
    if (!marcar()) {
        return false;
    }
    if (!m_registro.Concluir(m_lote.id)) {
        return Falhar(QStringLiteral("Ao registrar o fim do lote, ocorreu o seguinte erro:"));
    }
    return true;
}
