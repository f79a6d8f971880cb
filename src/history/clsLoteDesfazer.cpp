#include "history/clsLoteDesfazer.h"

#include <QHash>
#include <QSet>

#include "data/ado/Recordset.h"
#include "data/base/TextoSQL.h"
#include "merge/clsLoteRegistro.h"

namespace {

QString N(qint64 n) {
    return QString::number(n);
}

}  // namespace

clsLoteDesfazer::clsLoteDesfazer(Connection& fCN, clsADO& fADO) : m_cn(fCN), m_ado(fADO) {}

bool clsLoteDesfazer::Falhar(const QString& texto) {
    m_mensagem = texto + QStringLiteral("\n\n") + N(m_ado.ErrorNumber()) + QStringLiteral(" - ") +
                 m_ado.ErrorString();
    return false;
}

bool clsLoteDesfazer::Desfazer(qint32 fLote, qint32 fID_Usuario,
                               clsUnificacaoDesfazer::Decisao fDecisao, const Progresso& fProgresso,
                               const std::function<bool()>& fParar) {
    m_andamento = {};
    m_recusas.clear();
    m_interrompido = false;
    m_mensagem.clear();
    clsLoteRegistro registro(m_cn, m_ado);
    clsLoteRegistro::Lote lote;
    QList<clsLoteRegistro::Unificacao> linhas;
    if (!registro.Ler(fLote, lote) || !registro.MarcarDesfazendo(fLote, fID_Usuario) ||
        !registro.Unificacoes(fLote, linhas)) {
        m_mensagem = QStringLiteral("O lote %1 não pôde ser lido:\n\n%2 - %3")
                         .arg(fLote)
                         .arg(registro.Erro().ErrorNumber())
                         .arg(registro.Erro().ErrorString());
        return false;
    }
    // One merge command is the rows that carry its number; rows written before commands were
    // numbered are grouped by their survivor, merged once in a batch (its groups are disjoint),
    // never by their log times, which may differ within one command. Newest merge first.
    QList<QList<clsLoteRegistro::Unificacao>> comandos;
    QHash<QString, qsizetype> indices;
    for (const auto& u : linhas) {
        const QString chave = u.comando != 0 ? N(u.comando) : 's' + N(u.novo) + '|' + N(u.usuario);
        const auto it = indices.constFind(chave);
        if (it == indices.cend()) {
            indices.insert(chave, comandos.size());
            comandos.append({u});
        } else {
            comandos[*it] << u;
        }
    }
    m_andamento.total = int(comandos.size());

    // A row by its own log key.
    const auto chaveLog = [](qint32 id, const QDateTime& data) {
        return N(id) + '|' + data.toString(Qt::ISODate);
    };
    clsUnificacaoDesfazer desfazer(m_cn, m_ado);
    for (const auto& comando : comandos) {
        if (fParar && fParar()) {
            m_interrompido = true;
            return true;
        }
        const auto& u = comando[0];
        // The records of this merge still to come back: neither undone already (a run killed
        // before) nor taken away by a later merge this undo must not touch.
        QStringList removidos;
        for (const auto& linha : comando) {
            removidos << N(linha.removido);
        }
        Recordset rs;
        if (!m_ado.AbrirRecordset(m_cn, rs,
                                  "SELECT ID_Paciente, Data_Unificacao FROM "
                                  "Cadunir_UnificacaoDesfeita WHERE ID_Paciente IN (" +
                                      removidos.join(QStringLiteral(", ")) +
                                      ") AND ID_PacienteNovo = " + N(u.novo) +
                                      " AND ID_Usuario_Unificacao = " + N(u.usuario))) {
            return Falhar(
                QStringLiteral("Ao ler o que o lote já desfez, ocorreu o seguinte "
                               "erro:"));
        }
        QSet<QString> desfeitos;
        for (; !rs.Eof(); rs.MoveNext()) {
            desfeitos.insert(
                chaveLog(rs.Fields(0).Value().toInt(), rs.Fields(1).Value().toDateTime()));
        }
        rs.Close();
        QList<qint32> ids;
        QString outra;
        for (const auto& linha : comando) {
            if (desfeitos.contains(chaveLog(linha.removido, linha.data))) {
                continue;
            }
            if (!m_ado.AbrirRecordset(m_cn, rs,
                                      "SELECT TOP 1 ID_PacienteNovo, Data FROM PacienteLog WHERE "
                                      "ID_Paciente = " +
                                          N(linha.removido) + " ORDER BY Data DESC")) {
                return Falhar(
                    QStringLiteral("Ao ler o registro da unificação, ocorreu o seguinte "
                                   "erro:"));
            }
            if (!rs.Eof() && (rs.Fields(0).Value().toInt() != linha.novo ||
                              rs.Fields(1).Value().toDateTime() != linha.data)) {
                outra = QStringLiteral(
                            "O cadastro %1 foi unificado de novo depois do lote: "
                            "desfaça antes essa unificação.")
                            .arg(linha.removido);
            }
            rs.Close();
            ids << linha.removido;
        }
        ++m_andamento.feitos;
        if (ids.isEmpty()) {
            ++m_andamento.desfeitas;
        } else if (!outra.isEmpty()) {
            m_recusas.append(Recusa{u.novo, ids, outra, {}});
            ++m_andamento.recusadas;
        } else if (desfazer.Desfazer(ids, fID_Usuario, fDecisao) ||
                   desfazer.Erro().ErrorNumber() == clsUnificacaoDesfazer::JaDesfeita) {
            ++m_andamento.desfeitas;
        } else if (desfazer.Erro().ErrorNumber() >= clsUnificacaoDesfazer::ExamesAmbiguos &&
                   desfazer.Erro().ErrorNumber() <= clsUnificacaoDesfazer::JaExiste) {
            m_recusas.append(Recusa{u.novo, ids, desfazer.Mensagem(), desfazer.Conflitos()});
            ++m_andamento.recusadas;
        } else {
            m_mensagem = QStringLiteral("O desfazer do lote %1 parou na unificação em %2.\n")
                             .arg(fLote)
                             .arg(u.novo) +
                         desfazer.Mensagem();
            return false;
        }
        if (fProgresso) {
            fProgresso(m_andamento);
        }
    }
    if (Concluido() && !registro.ConcluirDesfeito(fLote)) {
        return Falhar(
            QStringLiteral("Ao registrar o fim do desfazer do lote, ocorreu o seguinte "
                           "erro:"));
    }
    return true;
}
