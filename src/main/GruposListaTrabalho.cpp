#include "main/GruposListaTrabalho.h"

#include "main/ConsultaEmSegundoPlano.h"
#include "worklist/MembrosAgrupamento.h"

GruposListaTrabalho::GruposListaTrabalho(QObject* parent) : QObject(parent) {}

GruposListaTrabalho::~GruposListaTrabalho() = default;

QVector<GrupoTrabalho> GruposListaTrabalho::DaSemelhanca(
    const QVector<ModeloGrupos::Grupo>& fGrupos) {
    QVector<GrupoTrabalho> grupos;
    grupos.reserve(fGrupos.size());
    for (const ModeloGrupos::Grupo& g : fGrupos) {
        grupos.append({g.ids, g.pontuacaoMembro, g.nome, g.pontuacao, g.conflito});
    }
    return grupos;
}

void GruposListaTrabalho::LerExato(const QString& fConnectionString,
                                   const dados::DadosConsulta& fGrupos) {
    if (!m_leitura) {
        m_leitura = std::make_unique<ConsultaEmSegundoPlano>(fConnectionString);
        connect(m_leitura.get(), &ConsultaEmSegundoPlano::terminou, this, [this] {
            const ConsultaEmSegundoPlano::Desfecho& d = m_leitura->Resultado();
            if (d.cancelada) {
                return;
            }
            if (d.ok) {
                emit lidos(*m_grupos);
            } else {
                emit falhou(d.texto);
            }
        });
    }
    QStringList colunas;
    for (const auto& c : fGrupos.colunas) {
        colunas << c.nome;
    }
    // Each reading fills its own vector: one replaced may still be writing the one before.
    auto grupos = std::make_shared<QVector<GrupoTrabalho>>();
    m_grupos = grupos;
    m_leitura->IniciarTarefa(
        [colunas, linhas = fGrupos.linhas, grupos](Connection& cn, clsADO& ado,
                                                   const ConsultaEmSegundoPlano::Cancelada& parar,
                                                   ConsultaEmSegundoPlano::Desfecho& d) {
            return MembrosAgrupamento(cn, ado, colunas, linhas, *grupos, d.texto, parar);
        });
}
