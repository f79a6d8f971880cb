#include "review/clsVerificacaoSeguranca.h"

#include "decisions/PacienteSemSolucao.h"
#include "patient/RegrasMesmaPessoa.h"

#include <tuple>

clsVerificacaoSeguranca::clsVerificacaoSeguranca(Connection& fCN, clsADO& fADO)
    : m_cn(fCN), m_ado(fADO) {}

QList<clsVerificacaoSeguranca::Conflito::Tipo> clsVerificacaoSeguranca::SinaisEntre(
    const Identificacao& a, const Identificacao& b) {
    const auto forma = [](const Identificacao& i) {
        return semelhanca::Identificacao::De(i.cic, i.rg, i.sexo, i.nascimento);
    };
    const quint8 sinais = semelhanca::SinaisPessoasDiferentes(forma(a), forma(b));
    QList<Conflito::Tipo> tipos;
    for (const auto& [sinal, tipo] : {std::pair{semelhanca::SinalCic, Conflito::CIC},
                                      std::pair{semelhanca::SinalRg, Conflito::RG},
                                      std::pair{semelhanca::SinalSexo, Conflito::Sexo},
                                      std::pair{semelhanca::SinalNascimento, Conflito::Nascimento}})
        if (sinais & sinal)
            tipos << tipo;
    return tipos;
}

QList<clsVerificacaoSeguranca::Conflito> clsVerificacaoSeguranca::Conflitos(
    const clsComparacaoPacientes& fComparacao, const QSet<qint32>& fSemSolucao,
    const QList<clsDecisaoPessoas::Decisao>& fDecisoes) {
    QList<Conflito> conflitos;
    const auto par = [](qint32 a, qint32 b) {
        return QStringLiteral("os cadastros %1 e %2").arg(a).arg(b);
    };
    const auto valores = [](const QString& a, const QString& b) {
        return QStringLiteral(" (%1 / %2)").arg(a.trimmed(), b.trimmed());
    };
    const auto identificacao = [](const clsComparacaoPacientes::Registro& r) {
        return Identificacao{r.valores.value(QStringLiteral("CIC")),
                             r.valores.value(QStringLiteral("RG")),
                             r.valores.value(QStringLiteral("Sexo")), r.nascimento};
    };
    for (int i = 0; i < fComparacao.Colunas(); ++i) {
        for (int j = i + 1; j < fComparacao.Colunas(); ++j) {
            const auto& a = fComparacao.RegistroDaColuna(i);
            const auto& b = fComparacao.RegistroDaColuna(j);
            for (const Conflito::Tipo tipo : SinaisEntre(identificacao(a), identificacao(b))) {
                if (tipo == Conflito::Nascimento) {
                    conflitos.append(
                        {tipo,
                         {a.id, b.id},
                         QStringLiteral("Datas de nascimento incompatíveis entre ") +
                             par(a.id, b.id) +
                             valores(a.nascimento.toString(QStringLiteral("dd/MM/yyyy")),
                                     b.nascimento.toString(QStringLiteral("dd/MM/yyyy")))});
                    continue;
                }
                const QString campo = tipo == Conflito::CIC  ? QStringLiteral("CIC")
                                      : tipo == Conflito::RG ? QStringLiteral("RG")
                                                             : QStringLiteral("Sexo");
                conflitos.append({tipo,
                                  {a.id, b.id},
                                  campo + QStringLiteral(" diferente entre ") + par(a.id, b.id) +
                                      valores(a.valores.value(campo), b.valores.value(campo))});
            }
        }
    }
    for (const qint32 id : fComparacao.Ids()) {
        if (fSemSolucao.contains(id)) {
            conflitos.append(
                {Conflito::SemSolucao,
                 {id},
                 QStringLiteral("O cadastro %1 está marcado como sem solução").arg(id)});
        }
    }
    for (const auto& d : fDecisoes) {
        QString texto = QStringLiteral(
                            "Os cadastros %1 e %2 foram marcados como pessoas "
                            "diferentes (%3)")
                            .arg(d.paciente1)
                            .arg(d.paciente2)
                            .arg(clsDecisaoPessoas::Motivos().value(d.motivo - 1));
        if (d.rever) {
            texto +=
                QStringLiteral("; os dados mudaram desde então, a decisão precisa ser revista");
        }
        conflitos.append({Conflito::PessoasDiferentes, {d.paciente1, d.paciente2}, texto});
    }
    return conflitos;
}

bool clsVerificacaoSeguranca::Verificar(const clsComparacaoPacientes& fComparacao,
                                        QList<Conflito>& fConflitos) {
    fConflitos.clear();
    QSet<qint32> semSolucao;
    if (!PacienteSemSolucao_Marcados(m_cn, m_ado, fComparacao.Ids(), semSolucao)) {
        m_erro.AtualizarErro(m_ado.ErrorNumber(), m_ado.ErrorString(), QStringLiteral("Verificar"),
                             QString());
        return false;
    }
    QList<clsDecisaoPessoas::Decisao> decisoes;
    if (m_ado.TableExiste(m_cn, QStringLiteral("Cadunir_Decisao"))) {
        clsDecisaoPessoas leitor(m_cn, m_ado);
        if (!leitor.Listar(fComparacao.Ids(), decisoes)) {
            m_erro = leitor.Erro();
            return false;
        }
    }
    fConflitos = Conflitos(fComparacao, semSolucao, decisoes);
    return true;
}
