#include "review/clsUnificacaoRevisada.h"

#include <QStringList>

#include "data/ado/Recordset.h"
#include "data/base/ErroNumerado.h"
#include "merge/TravaPacientes.h"
#include "merge/clsPacienteUnificar.h"
#include "patient/clsPaciente.h"
#include "review/clsValoresSobreviventes.h"

namespace {

QString Plural(qint64 n, const QString& singular, const QString& plural) {
    return QString::number(n) + QLatin1Char(' ') + (n == 1 ? singular : plural);
}

}  // namespace

clsUnificacaoRevisada::clsUnificacaoRevisada(Connection& fCN, clsADO& fADO)
    : m_cn(fCN), m_ado(fADO) {}

bool clsUnificacaoRevisada::Falhar(const QString& etapa, qint32 numero, const QString& texto) {
    // Only the outermost level talks to the database: cancelling it undoes every merge.
    while (m_ado.ProfundidadeTransação() > m_profundidade) {
        m_ado.TransaçãoCancelar(m_cn);
    }
    m_erro.AtualizarErro(numero, texto, QStringLiteral("Executar"), QString());
    m_mensagem = QStringLiteral("A unificação falhou ao ") + etapa +
                 QStringLiteral(". Nada foi alterado no cadastro.") + QStringLiteral("\n\n") +
                 QString::number(numero) + QStringLiteral(" - ") + texto;
    return false;
}

bool clsUnificacaoRevisada::Executar(qint32 fID_Base, const QList<qint32>& fIDs, qint32 fID_Usuario,
                                     const clsValoresSobreviventes* fValores) {
    m_mensagem.clear();
    m_ausente = 0;
    m_exames = 0;
    QList<qint32> copias;
    for (const qint32 id : fIDs) {
        if (id != fID_Base && !copias.contains(id)) {
            copias << id;
        }
    }
    m_profundidade = m_ado.ProfundidadeTransação();
    if (!m_ado.TransaçãoIniciar(m_cn)) {
        return Falhar(QStringLiteral("abrir a transação"), m_ado.ErrorNumber(),
                      m_ado.ErrorString());
    }

    qint32 ausente = 0;
    if (!PacientesTravar(m_cn, m_ado, QList<qint32>{fID_Base} + copias, ausente)) {
        if (ausente == 0) {
            return Falhar(QStringLiteral("verificar os cadastros"), m_ado.ErrorNumber(),
                          m_ado.ErrorString());
        }
        while (m_ado.ProfundidadeTransação() > m_profundidade) {
            m_ado.TransaçãoCancelar(m_cn);
        }
        m_ausente = ausente;
        const QString papel = ausente == fID_Base ? QStringLiteral("O cadastro base %1")
                                                  : QStringLiteral("O cadastro %1");
        m_erro.AtualizarErro(-1, papel.arg(ausente) + QStringLiteral(" não existe mais."),
                             QStringLiteral("Executar"), QString());
        m_mensagem =
            papel.arg(ausente) + QStringLiteral(
                                     " não existe mais: outra estação o unificou ou excluiu. "
                                     "Nenhum cadastro foi unificado e nada foi alterado; a lista "
                                     "será atualizada.");
        return false;
    }

    if (!copias.isEmpty()) {
        QStringList textos;
        for (const qint32 id : copias) {
            textos << QString::number(id);
        }
        Recordset rs;
        if (!m_ado.AbrirRecordset(m_cn, rs,
                                  "SELECT COUNT(*) FROM Exame WHERE ID_Paciente IN (" +
                                      textos.join(QStringLiteral(", ")) + ")")) {
            return Falhar(QStringLiteral("contar os exames"), m_ado.ErrorNumber(),
                          m_ado.ErrorString());
        }
        m_exames = rs.Eof() ? 0 : rs.Fields(0).Value().toLongLong();
        rs.Close();
    }

    clsPacienteUnificar motor(m_cn, m_ado);
    for (const qint32 copia : copias) {
        if (!motor.PacienteUnificar(fID_Base, copia, fID_Usuario)) {
            return Falhar(QStringLiteral("unificar o cadastro %1 em %2").arg(copia).arg(fID_Base),
                          motor.Erro().ErrorNumber(), motor.Erro().ErrorString());
        }
    }

    // After the merges: the copies are gone, so a document taken from one of them no longer
    // collides with its old row.
    int campos = 0;
    if (fValores && !fValores->CamposAlterados().isEmpty()) {
        clsPaciente novo(m_cn, m_ado);
        if (!novo.Localizar(fID_Base)) {
            return Falhar(QStringLiteral("ler o cadastro %1").arg(fID_Base),
                          novo.Erro().ErrorNumber(), novo.Erro().ErrorString());
        }
        fValores->Aplicar(novo);
        if (!motor.PacienteAtualizar(fID_Base, fID_Usuario, novo)) {
            return Falhar(
                QStringLiteral("gravar os valores escolhidos no cadastro %1").arg(fID_Base),
                motor.Erro().ErrorNumber(), motor.Erro().ErrorString());
        }
        campos = int(fValores->CamposAlterados().size());
    }

    if (!m_ado.TransaçãoFinalizar(m_cn)) {
        const qint32 numero = m_ado.ErrorNumber();
        const QString texto = m_ado.ErrorString();
        if (m_ado.ProfundidadeTransação() == 0) {
            try {
                m_cn.RollbackTrans();
            } catch (const ErroNumerado&) {
                // nothing was pending
            }
        }
        return Falhar(QStringLiteral("confirmar a transação"), numero, texto);
    }

    m_mensagem = Plural(copias.size(), QStringLiteral("cadastro unificado"),
                        QStringLiteral("cadastros unificados")) +
                 QStringLiteral(" em ") + QString::number(fID_Base) + QStringLiteral("; ") +
                 Plural(m_exames, QStringLiteral("exame transferido"),
                        QStringLiteral("exames transferidos"));
    if (campos > 0) {
        m_mensagem += QStringLiteral("; ") +
                      Plural(campos, QStringLiteral("campo atualizado"),
                             QStringLiteral("campos atualizados")) +
                      QStringLiteral(" no cadastro ") + QString::number(fID_Base);
    }
    return true;
}
