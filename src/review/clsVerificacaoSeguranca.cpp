#include "review/clsVerificacaoSeguranca.h"

#include "decisions/PacienteSemSolucao.h"
#include "patient/Normalizado.h"

#include <tuple>

clsVerificacaoSeguranca::clsVerificacaoSeguranca(Connection& fCN, clsADO& fADO)
    : m_cn(fCN), m_ado(fADO) {}

QString clsVerificacaoSeguranca::SemPontuacao(const QString& documento) {
    QString limpo;
    for (const QChar c : documento) {
        if (c.isLetterOrNumber()) {
            limpo += c.toUpper();
        }
    }
    return limpo;
}

bool clsVerificacaoSeguranca::DatasCompativeis(const QDate& a, const QDate& b) {
    if (a == b) {
        return true;
    }
    if (a.year() == b.year() && a.day() == b.month() && a.month() == b.day()) {
        return true;
    }
    const QString x = a.toString(QStringLiteral("ddMMyyyy"));
    const QString y = b.toString(QStringLiteral("ddMMyyyy"));
    QList<int> diferentes;
    for (int i = 0; i < x.size(); ++i) {
        if (x[i] != y[i]) {
            diferentes << i;
        }
    }
    if (diferentes.size() == 1) {
        return true;
    }
    return diferentes.size() == 2 && diferentes[1] == diferentes[0] + 1 &&
           x[diferentes[0]] == y[diferentes[1]] && x[diferentes[1]] == y[diferentes[0]];
}

QList<clsVerificacaoSeguranca::Conflito::Tipo> clsVerificacaoSeguranca::SinaisEntre(
    const Identificacao& a, const Identificacao& b) {
    QList<Conflito::Tipo> sinais;
    for (const auto& [va, vb, tipo] :
         {std::tuple{&a.cic, &b.cic, Conflito::CIC}, std::tuple{&a.rg, &b.rg, Conflito::RG}}) {
        const QString x = SemPontuacao(*va);
        const QString y = SemPontuacao(*vb);
        if (!x.isEmpty() && !y.isEmpty() && x != y) {
            sinais << tipo;
        }
    }
    const QString sa = Normalizado(a.sexo);
    const QString sb = Normalizado(b.sexo);
    if (!sa.isEmpty() && !sb.isEmpty() && sa != sb) {
        sinais << Conflito::Sexo;
    }
    if (a.nascimento.isValid() && b.nascimento.isValid() &&
        !DatasCompativeis(a.nascimento, b.nascimento)) {
        sinais << Conflito::Nascimento;
    }
    return sinais;
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
