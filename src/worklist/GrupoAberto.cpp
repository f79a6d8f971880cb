#include "worklist/GrupoAberto.h"

#include "patient/LinhaPaciente.h"
#include "patient/NomeCompleto.h"
#include "review/clsValoresSobreviventes.h"

GrupoAberto::GrupoAberto(Connection& fCN, clsADO& fADO)
    : m_cn(fCN), m_ado(fADO), m_comparacao(std::make_unique<clsComparacaoPacientes>(fCN, fADO)) {}

void GrupoAberto::Limpar() {
    m_comparacao->Definir({});
    m_membros.clear();
    m_sinais.clear();
    m_base = 0;
    m_erro.clear();
}

bool GrupoAberto::Carregar(const ListaTrabalho::Item& fItem) {
    Limpar();
    const auto falhou = [this](const clsError& erro) {
        m_erro = QString::number(erro.ErrorNumber()) + QStringLiteral(" - ") + erro.ErrorString();
        return false;
    };
    if (!m_comparacao->Carregar({fItem.membros.begin(), fItem.membros.end()})) {
        return falhou(m_comparacao->Erro());
    }
    clsVerificacaoSeguranca verificacao(m_cn, m_ado);
    if (!verificacao.Verificar(*m_comparacao, m_sinais)) {
        return falhou(verificacao.Erro());
    }
    m_base = m_comparacao->Colunas() > 0 ? clsValoresSobreviventes::BaseSugerida(*m_comparacao) : 0;
    for (int c = 0; c < m_comparacao->Colunas(); ++c) {
        const auto& r = m_comparacao->RegistroDaColuna(c);
        Membro m;
        m.id = r.id;
        m.nome = NomeJuntarPartes(r.valores.value(QStringLiteral("Nome")),
                                  r.valores.value(QStringLiteral("Nome_Meio")),
                                  r.valores.value(QStringLiteral("Nome_Último")));
        m.nascimento = r.nascimento;
        m.rg = r.valores.value(QStringLiteral("RG"));
        const qsizetype i = fItem.grupo.membros.indexOf(r.id);
        m.pontuacao =
            i >= 0 && i < fItem.grupo.pontuacaoMembro.size() ? fItem.grupo.pontuacaoMembro[i] : -1;
        m.linha = LinhaPaciente(m.nome, m.id, m.nascimento, m.rg, m.pontuacao);
        m_membros << m;
    }
    return true;
}
