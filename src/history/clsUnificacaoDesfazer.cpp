#include "history/clsUnificacaoDesfazer.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <tuple>

#include "data/ado/Recordset.h"
#include "data/base/ErroNumerado.h"
#include "data/base/Relogio.h"
#include "data/base/TabelaErros.h"
#include "data/base/TextoSQL.h"
#include "history/clsUnificacaoHistorico.h"
#include "merge/TravaPacientes.h"

namespace {

// Rows of one command of an earlier program or version, which did not number its commands, may
// be up to a minute apart (see the history's grouping).
constexpr qint64 kToleranciaComandoSeg = 60;
// A chain of later merges longer than this is taken as a loop in damaged logs.
constexpr int kMaxCadeia = 64;

QString Literal(const QVariant& v) {
    return dados::LiteralTSql(v);
}

QString Numero(qint64 n) {
    return QString::number(n);
}

QString Lista(const QList<qint32>& ids) {
    QStringList t;
    for (qint32 id : ids) {
        t << QString::number(id);
    }
    return t.join(QStringLiteral(", "));
}

bool MesmoValor(const QVariant& a, const QVariant& b) {
    if (a.isNull() || b.isNull()) {
        return a.isNull() && b.isNull();
    }
    if (a.typeId() == QMetaType::QDateTime || b.typeId() == QMetaType::QDateTime) {
        return a.toDateTime() == b.toDateTime();
    }
    return a.toString() == b.toString();
}

// The survivor's columns a merge may overwrite through PacienteAtualizar (the soundex columns
// included: the update recomputes them); the plan is not among the logged values.
bool ColunaComparavel(const QString& coluna) {
    return coluna != QLatin1String("ID_Paciente") && coluna != QLatin1String("ID_Convenio_Plano");
}

QString ChaveLog(qint32 id, const QVariant& novo, const QVariant& usuario, const QVariant& data) {
    return " WHERE ID_Paciente = " + Numero(id) + " AND ID_PacienteNovo = " + Literal(novo) +
           " AND ID_Usuario = " + Literal(usuario) + " AND Data = " + Literal(data);
}

}  // namespace

struct clsUnificacaoDesfazer::Plano {
    qint32 id = 0;
    QVariantList valores;  // ColunasPacienteLogadas(), as they go back into Paciente
    QVariant novo;
    QVariant usuario;
    QVariant data;
    qint32 comando = 0;    // the command's number; 0 when the merge did not record one
    QList<qint32> cadeia;  // the survivor, then whatever it was merged into later
    QList<qint32> exames;
    QList<qint32> examesBK;
    // Table, ID_Exame and ColunasCopiaExame() of its exam rows when it was merged.
    QList<QVariantList> copias;
};

clsUnificacaoDesfazer::clsUnificacaoDesfazer(Connection& fCN, clsADO& fADO)
    : m_cn(fCN), m_ado(fADO) {}

bool clsUnificacaoDesfazer::Recusar(qint32 codigo, const QString& texto) {
    m_erro.AtualizarErro(codigo, texto, QStringLiteral("Desfazer"));
    m_falha.reset();
    return false;
}

bool clsUnificacaoDesfazer::FalhaBanco() {
    m_erro.AtualizarErro(m_ado.ErrorNumber(), m_ado.ErrorString(), QStringLiteral("Desfazer"));
    m_falha = m_ado.UltimaFalha();
    return false;
}

QString clsUnificacaoDesfazer::Mensagem() const {
    if (!m_falha) {
        return "Não foi possível desfazer a unificação:\n\n" + m_erro.ErrorString();
    }
    return dados::MensagemFalha(QStringLiteral("O desfazer"), m_etapa, m_desfeito, *m_falha);
}

bool clsUnificacaoDesfazer::Ler(const QString& sql, QList<QVariantList>& linhas) {
    linhas.clear();
    Recordset rs;
    if (!m_ado.AbrirRecordset(m_cn, rs, sql)) {
        return FalhaBanco();
    }
    for (; !rs.Eof(); rs.MoveNext()) {
        QVariantList linha;
        for (int c = 0; c < rs.FieldCount(); ++c) {
            linha << rs.Fields(c).Value();
        }
        linhas << linha;
    }
    return true;
}

bool clsUnificacaoDesfazer::Contar(const QString& sql, qint64& n) {
    QList<QVariantList> linhas;
    if (!Ler(sql, linhas)) {
        return false;
    }
    n = linhas.isEmpty() ? 0 : linhas[0].value(0).toLongLong();
    return true;
}

bool clsUnificacaoDesfazer::Executar(const QString& sql, qint32* afetados) {
    qint32 n = 0;
    if (!m_ado.ExecutarSQL(m_cn, sql, n)) {
        return FalhaBanco();
    }
    if (afetados) {
        *afetados = n;
    }
    return true;
}

bool clsUnificacaoDesfazer::Desfazer(qint32 fID_Paciente, qint32 fID_Usuario, Decisao fDecisao) {
    return Desfazer(QList<qint32>{fID_Paciente}, fID_Usuario, fDecisao);
}

bool clsUnificacaoDesfazer::Preparar(qint32 id, Plano& p, const Esperadas& esperadas) {
    const QString ident = Numero(id);
    p.id = id;
    qint64 n = 0;
    if (!Contar("SELECT COUNT(*) FROM Paciente" + m_dica + " WHERE ID_Paciente = " + ident, n)) {
        return false;
    }
    if (n > 0) {
        return Recusar(JaExiste, "O paciente " + ident +
                                     " já está de novo no cadastro: a unificação não pode ser "
                                     "desfeita.");
    }

    const QStringList& colunas = ColunasPacienteLogadas();
    // Every log row of the ID, newest first, in one read of the log (which has no index).
    QList<QVariantList> linhas;
    if (!Ler("SELECT " + colunas.join(QStringLiteral(", ")) +
                 ", ID_PacienteNovo, ID_Usuario, Data FROM PacienteLog WHERE ID_Paciente = " +
                 ident + " ORDER BY Data DESC",
             linhas)) {
        return false;
    }
    if (linhas.isEmpty()) {
        return Recusar(NaoRegistrada, "Não há registro de unificação do paciente " + ident + ".");
    }
    const QVariantList& log = linhas[0];
    p.valores = log.mid(0, colunas.size());
    p.novo = log.value(colunas.size());
    p.usuario = log.value(colunas.size() + 1);
    p.data = log.value(colunas.size() + 2);
    QStringList faltam;
    if (p.novo.isNull() || p.novo.toInt() == 0) {
        faltam << QStringLiteral("ID_PacienteNovo");
    }
    if (p.usuario.isNull()) {
        faltam << QStringLiteral("ID_Usuario");
    }
    if (p.data.isNull() || !p.data.toDateTime().isValid()) {
        faltam << QStringLiteral("Data");
    }
    if (p.valores.value(colunas.indexOf(QStringLiteral("Nome"))).isNull() &&
        p.valores.value(colunas.indexOf(QStringLiteral("Nome_Último"))).isNull()) {
        faltam << QStringLiteral("Nome");
    }
    if (!faltam.isEmpty()) {
        return Recusar(Incompleta, "O registro da unificação do paciente " + ident +
                                       " está incompleto (sem " + faltam.join(", ") +
                                       "): a unificação não pode ser desfeita.");
    }
    p.data = p.data.toDateTime();
    if (const auto e = esperadas.constFind(id);
        e != esperadas.cend() && (p.novo.toInt() != e->first || p.data.toDateTime() != e->second)) {
        return Recusar(UnificadaDeNovo, "O cadastro " + ident +
                                            " foi unificado de novo depois do lote: desfaça "
                                            "antes essa unificação.");
    }

    // Log rows never change, so a row counts as undone while its undo records are as many as
    // the identical log rows (a patient merged, restored and merged again has several rows).
    const QString chave = ChaveLog(id, p.novo, p.usuario, p.data);
    const qint64 registradas =
        std::count_if(linhas.begin(), linhas.end(), [&](const QVariantList& l) {
            return MesmoValor(l.value(colunas.size()), p.novo) &&
                   MesmoValor(l.value(colunas.size() + 1), p.usuario) &&
                   l.value(colunas.size() + 2).toDateTime() == p.data.toDateTime();
        });
    qint64 desfeitas = 0;
    if (!Contar("SELECT COUNT(*) FROM Cadunir_UnificacaoDesfeita WHERE ID_Paciente = " + ident +
                    " AND ID_PacienteNovo = " + Literal(p.novo) + " AND ID_Usuario_Unificacao = " +
                    Literal(p.usuario) + " AND Data_Unificacao = " + Literal(p.data),
                desfeitas)) {
        return false;
    }
    if (desfeitas >= registradas) {
        return Recusar(JaDesfeita, "A unificação do paciente " + ident + " já foi desfeita.");
    }

    // What this program recorded at merge time and the log could not hold.
    if (!Ler("SELECT TOP 1 ID_Convenio_Plano, Data_Nascimento, ID_Unificacao FROM "
             "Cadunir_UnificacaoExtra" +
                 chave,
             linhas)) {
        return false;
    }
    const bool doPrograma = !linhas.isEmpty();
    if (doPrograma) {
        p.comando = linhas[0].value(2).toInt();
        p.valores[colunas.indexOf(QStringLiteral("ID_Convenio_Plano"))] = linhas[0].value(0);
        p.valores[colunas.indexOf(QStringLiteral("Data_Nascimento"))] = linhas[0].value(1);
    }

    if (!Ler("SELECT Tabela, ID_Exame, " + ColunasCopiaExame().join(QStringLiteral(", ")) +
                 " FROM Cadunir_UnificacaoExame" + chave,
             p.copias)) {
        return false;
    }

    // The survivor, then each record it was merged into later, up to one still in Paciente.
    qint32 atual = p.novo.toInt();
    for (int passo = 0; passo < kMaxCadeia && !p.cadeia.contains(atual); ++passo) {
        p.cadeia << atual;
        if (!Contar(
                "SELECT COUNT(*) FROM Paciente" + m_dica + " WHERE ID_Paciente = " + Numero(atual),
                n)) {
            return false;
        }
        if (n > 0) {
            break;
        }
        if (!Ler("SELECT TOP 1 ID_PacienteNovo FROM PacienteLog WHERE ID_Paciente = " +
                     Numero(atual) + " ORDER BY Data DESC",
                 linhas)) {
            return false;
        }
        if (linhas.isEmpty() || linhas[0].value(0).isNull()) {
            break;
        }
        atual = linhas[0].value(0).toInt();
    }

    // The exams to give back, still on that chain (exams added since stay where they are).
    if (doPrograma) {
        // This program recorded the moved rows by ID_Exame: exam numbers are not unique, and
        // the survivor may hold one with the same number.
        QList<qint32> movidos, movidosBK;
        for (const QVariantList& c : p.copias) {
            (c.value(0).toString() == QLatin1String("Exame_BK") ? movidosBK : movidos)
                << c.value(1).toInt();
        }
        for (const auto& [tabela, movidosDe, destino] :
             {std::tuple{QStringLiteral("Exame"), &movidos, &p.exames},
              std::tuple{QStringLiteral("Exame_BK"), &movidosBK, &p.examesBK}}) {
            if (movidosDe->isEmpty()) {
                continue;
            }
            if (!Ler("SELECT ID_Exame FROM " + tabela + m_dica + " WHERE ID_Exame IN (" +
                         Lista(*movidosDe) + ") AND ID_Paciente IN (" + Lista(p.cadeia) +
                         ") ORDER BY ID_Exame",
                     linhas)) {
                return false;
            }
            for (const QVariantList& l : linhas) {
                *destino << l.value(0).toInt();
            }
        }
    } else if (!PrepararExamesPorNumero(p)) {
        return false;
    }
    // Exame_BK is the same rows under the same keys: moving one copy without the other would
    // leave the two tables naming different patients for one exam.
    const QSet<qint32> exames(p.exames.begin(), p.exames.end());
    const QSet<qint32> examesBK(p.examesBK.begin(), p.examesBK.end());
    for (const auto& [so, outra] : {qMakePair(exames - examesBK, QStringLiteral("Exame_BK")),
                                    qMakePair(examesBK - exames, QStringLiteral("Exame"))}) {
        if (so.isEmpty()) {
            continue;
        }
        if (!Ler("SELECT ID_Exame, ID_Paciente FROM " + outra + m_dica + " WHERE ID_Exame IN (" +
                     Lista(QList<qint32>(so.begin(), so.end())) + ")",
                 linhas)) {
            return false;
        }
        if (!linhas.isEmpty()) {
            return Recusar(Inconsistente,
                           "O exame " + linhas[0].value(0).toString() + " está em " + outra +
                               " com o paciente " + linhas[0].value(1).toString() +
                               ", mas não na outra tabela: desfazer a unificação do paciente " +
                               ident + " deixaria Exame e Exame_BK em desacordo.");
        }
    }
    return true;
}

// A merge written before this program kept only the exam numbers (PacienteLogExame, one row
// per Exame and Exame_BK row moved). A row on the chain with a logged number is taken back only
// while the chain holds no more rows with that number than were logged: one more means the
// survivor (or a later merge) brought an exam with the same number, and no rule can tell which
// is whose, so the undo refuses and names them instead of guessing.
bool clsUnificacaoDesfazer::PrepararExamesPorNumero(Plano& p) {
    const QString ident = Numero(p.id);
    // Numbers logged since this record's previous merge (a record merged, restored and merged
    // again logs its exams again). PacienteLogExame has the server's time and PacienteLog the
    // workstation's, so the bound lies half-way between the two merges, clear of clock skew.
    QList<QVariantList> linhas;
    if (!Ler("SELECT MAX(Data) FROM PacienteLog WHERE ID_Paciente = " + ident + " AND Data < " +
                 Literal(p.data),
             linhas)) {
        return false;
    }
    QString desde;
    if (!linhas.isEmpty() && !linhas[0].value(0).isNull()) {
        const QDateTime anterior = linhas[0].value(0).toDateTime();
        desde =
            " AND Data > " + Literal(anterior.addSecs(anterior.secsTo(p.data.toDateTime()) / 2));
    }
    const QString logados =
        "SELECT Numero_Exame FROM PacienteLogExame WHERE ID_Paciente = " + ident +
        " AND ID_Usuario = " + Literal(p.usuario) + desde;
    if (!Ler("SELECT Numero_Exame, COUNT(*) FROM PacienteLogExame WHERE ID_Paciente = " + ident +
                 " AND ID_Usuario = " + Literal(p.usuario) + desde + " GROUP BY Numero_Exame",
             linhas)) {
        return false;
    }
    // The default collation's equality: case and trailing blanks do not count.
    auto chave = [](const QVariant& v) {
        QString t = v.toString().toUpper();
        while (t.endsWith(QLatin1Char(' '))) {
            t.chop(1);
        }
        return t;
    };
    QHash<QString, qint64> registradas;
    for (const QVariantList& l : linhas) {
        registradas[chave(l.value(0))] += l.value(1).toLongLong();
    }

    struct Linha {
        QString tabela;
        qint32 exame;
        qint32 paciente;
        QString numero;
    };
    QHash<QString, QList<Linha>> naCadeia;
    for (const auto& [tabela, destino] : {qMakePair(QStringLiteral("Exame"), &p.exames),
                                          qMakePair(QStringLiteral("Exame_BK"), &p.examesBK)}) {
        if (!Ler("SELECT ID_Exame, ID_Paciente, Número_Exame FROM " + tabela + m_dica +
                     " WHERE ID_Paciente IN (" + Lista(p.cadeia) + ") AND Número_Exame IN (" +
                     logados + ") ORDER BY ID_Exame",
                 linhas)) {
            return false;
        }
        for (const QVariantList& l : linhas) {
            *destino << l.value(0).toInt();
            naCadeia[chave(l.value(2))]
                << Linha{tabela, l.value(0).toInt(), l.value(1).toInt(), l.value(2).toString()};
        }
    }
    QStringList duvidosos;
    for (auto it = naCadeia.cbegin(); it != naCadeia.cend(); ++it) {
        if (it.value().size() <= registradas.value(it.key())) {
            continue;
        }
        QStringList onde;
        for (const Linha& l : it.value()) {
            onde << l.tabela + " " + Numero(l.exame) + " no paciente " + Numero(l.paciente);
        }
        duvidosos << "nº " + it.value().first().numero + " (" + onde.join(QStringLiteral(", ")) +
                         ")";
    }
    if (!duvidosos.isEmpty()) {
        duvidosos.sort();
        return Recusar(ExamesAmbiguos,
                       "A unificação do paciente " + ident +
                           " registrou só os números dos exames, e o mesmo número está em "
                           "mais exames do que ele levou: " +
                           duvidosos.join(QStringLiteral("; ")) +
                           ". Não é possível saber quais são dele; nada foi alterado.");
    }
    return true;
}

bool clsUnificacaoDesfazer::PrepararSobrevivente(const QList<Plano>& planos,
                                                 const QList<qint32>& ids, Decisao decisao,
                                                 QStringList& comandos) {
    // One restore per command, and only once its last removed record comes back: the values
    // a merge chose for the survivor may have come from any of them.
    QSet<qint32> feitos;  // commands by number; unnumbered ones by their records looked at
    QSet<qint32> vistos;
    const QStringList& colunas = ColunasPacienteLogadas();
    for (const Plano& p : planos) {
        const QDateTime d = p.data.toDateTime();
        const QString janela = " AND Data >= " + Literal(d.addSecs(-kToleranciaComandoSeg)) +
                               " AND Data <= " + Literal(d.addSecs(kToleranciaComandoSeg));
        if (p.comando != 0 ? feitos.contains(p.comando) : vistos.contains(p.id)) {
            continue;
        }
        feitos.insert(p.comando);
        const QString sobrevivente = p.novo.toString();
        // The command's removed records with their log times: the ones its number holds, or,
        // unnumbered, the survivor's log rows by the same user within a minute.
        QList<QVariantList> linhas;
        if (!Ler(p.comando != 0
                     ? "SELECT ID_Paciente, Data FROM Cadunir_UnificacaoExtra WHERE "
                       "ID_Unificacao = " +
                           Numero(p.comando)
                     : "SELECT ID_Paciente, Data FROM PacienteLog WHERE ID_PacienteNovo = " +
                           sobrevivente + " AND ID_Usuario = " + Literal(p.usuario) + janela,
                 linhas)) {
            return false;
        }
        // What the command wrote besides is found by its number, or was keyed by its survivor,
        // user and newest log time.
        QDateTime ultima = d;
        for (const QVariantList& l : linhas) {
            vistos.insert(l.value(0).toInt());
            ultima = std::max(ultima, l.value(1).toDateTime());
        }
        const QString doComando = p.comando != 0 ? " AND ID_Unificacao = " + Numero(p.comando)
                                                 : " AND ID_Usuario = " + Literal(p.usuario) +
                                                       " AND ID_Unificacao IS NULL";
        bool restam = false;
        for (const QVariantList& l : linhas) {
            const qint32 outro = l.value(0).toInt();
            if (ids.contains(outro)) {
                continue;
            }
            qint64 desfeitas = 0;
            if (!Contar("SELECT COUNT(*) FROM Cadunir_UnificacaoDesfeita WHERE ID_Paciente = " +
                            Numero(outro) + " AND ID_PacienteNovo = " + sobrevivente +
                            " AND ID_Usuario_Unificacao = " + Literal(p.usuario) +
                            " AND Data_Unificacao = " + Literal(l.value(1)),
                        desfeitas)) {
                return false;
            }
            restam = restam || desfeitas == 0;
        }
        if (restam) {
            continue;
        }

        QList<QVariantList> atual;
        if (!Ler("SELECT " + colunas.join(", ") + " FROM Paciente" + m_dica +
                     " WHERE ID_Paciente = " + sobrevivente,
                 atual)) {
            return false;
        }
        if (atual.isEmpty()) {
            continue;  // merged away itself since: its values live on in its own log row
        }
        // The survivor's values right after the merge, when this program recorded them; its
        // PacienteLogAtualizar row holds the values before.
        QList<QVariantList> depois, antes;
        if (!Ler(
                "SELECT TOP 1 " + colunas.join(", ") +
                    ", Data_Atualizar FROM Cadunir_UnificacaoSobrevivente WHERE ID_Paciente = " +
                    sobrevivente + doComando +
                    (p.comando != 0 ? QString()
                                    : QString(janela).replace(QStringLiteral(" Data "),
                                                              QStringLiteral(" Data_Atualizar "))) +
                    " ORDER BY Data_Atualizar DESC",
                depois)) {
            return false;
        }
        QString ondeAntes;
        if (!depois.isEmpty()) {
            ondeAntes = " AND Data = " + Literal(depois[0].value(colunas.size()));
        } else if (p.comando != 0) {
            continue;  // this program's merge, and it left the survivor's values alone
        } else {
            qint64 registrada = 0;
            if (!Contar("SELECT COUNT(*) FROM Cadunir_UnificacaoExtra WHERE ID_PacienteNovo = " +
                            sobrevivente + " AND ID_Usuario = " + Literal(p.usuario) +
                            " AND Data = " + Literal(p.data),
                        registrada)) {
                return false;
            }
            if (registrada > 0) {
                continue;  // this program's merge, and it left the survivor's values alone
            }
            ondeAntes = janela;  // an earlier program's merge: its update, if it made one
        }
        // The values before: this program's own record of them, which two commands on the
        // survivor within the log's minute cannot confuse; else the PacienteLogAtualizar row.
        if (p.comando != 0 &&
            !Ler("SELECT " + colunas.join(", ") +
                     " FROM Cadunir_UnificacaoAnterior WHERE ID_Unificacao = " + Numero(p.comando),
                 antes)) {
            return false;
        }
        if (antes.isEmpty() &&
            !Ler("SELECT TOP 1 " + colunas.join(", ") +
                     " FROM PacienteLogAtualizar WHERE ID_Paciente = " + sobrevivente +
                     " AND ID_Usuario = " + Literal(p.usuario) + ondeAntes + " ORDER BY Data",
                 antes)) {
            return false;
        }
        if (antes.isEmpty()) {
            continue;
        }
        QStringList atribuicoes, copias;
        for (int c = 0; c < colunas.size(); ++c) {
            if (!ColunaComparavel(colunas[c])) {
                continue;
            }
            const QVariant& anterior = antes[0].value(c);
            const QVariant& agora = atual[0].value(c);
            bool restaurar = false;
            if (!depois.isEmpty()) {
                if (MesmoValor(anterior, depois[0].value(c))) {
                    continue;  // the merge did not change it
                }
                restaurar = MesmoValor(agora, depois[0].value(c));
            } else if (MesmoValor(anterior, agora)) {
                continue;
            }
            if (!restaurar) {
                // Changed since, or no record of what the merge wrote: only the user can say.
                m_conflitos << ConflitoValor{p.novo.toInt(), colunas[c], anterior, agora};
                if (decisao != Decisao::Restaurar) {
                    continue;
                }
            }
            atribuicoes << colunas[c] + " = " + Literal(anterior);
            m_restaurados << colunas[c];
            const QString copia = colunas[c].startsWith(QStringLiteral("Nome"))
                                      ? QStringLiteral("Paciente")
                                      : CopiaNoExame().value(colunas[c]);
            if (!copia.isEmpty() && !copias.contains(copia)) {
                copias << copia;
            }
        }
        if (!atribuicoes.isEmpty()) {
            comandos << "UPDATE Paciente SET " + atribuicoes.join(", ") +
                            " WHERE ID_Paciente = " + sobrevivente;
        }
        // The survivor's own exams carry its restored values again, as the merge found them
        // (recorded under the survivor's own key since this program records them).
        if (!copias.isEmpty()) {
            QList<QVariantList> exames;
            if (!Ler("SELECT Tabela, ID_Exame, " + copias.join(", ") +
                         " FROM Cadunir_UnificacaoExame WHERE ID_Paciente = " + sobrevivente +
                         " AND ID_PacienteNovo = " + sobrevivente + doComando +
                         (p.comando != 0 ? QString() : " AND Data = " + Literal(ultima)),
                     exames)) {
                return false;
            }
            for (const QVariantList& e : exames) {
                const QString tabela = e.value(0).toString();
                if (tabela != QLatin1String("Exame") && tabela != QLatin1String("Exame_BK")) {
                    continue;
                }
                QStringList valores;
                for (int c = 0; c < copias.size(); ++c) {
                    valores << copias[c] + " = " + Literal(e.value(c + 2));
                }
                comandos << "UPDATE " + tabela + " SET " + valores.join(", ") +
                                " WHERE ID_Exame = " + Numero(e.value(1).toInt()) +
                                " AND ID_Paciente = " + sobrevivente;
            }
        }
    }
    if (!m_conflitos.isEmpty() && decisao == Decisao::Perguntar) {
        return Recusar(ConflitoValores,
                       "Os dados do cadastro mantido " + Numero(m_conflitos[0].ID_Paciente) +
                           " foram alterados depois da unificação. Restaurar os valores "
                           "anteriores à unificação?");
    }
    return true;
}

bool clsUnificacaoDesfazer::Desfazer(const QList<qint32>& fIDs, qint32 fID_Usuario,
                                     Decisao fDecisao, const Esperadas& fEsperadas) {
    m_conflitos.clear();
    m_restaurados.clear();
    m_exames = 0;
    m_falha.reset();
    m_dica = DicaBloqueio(m_cn);
    if (fIDs.isEmpty()) {
        return Recusar(NaoRegistrada, QStringLiteral("Nenhum cadastro a restaurar."));
    }
    m_etapa = QStringLiteral("ao iniciar a transação");
    // Only the outermost level's rollback reaches the database.
    const bool externo = m_ado.ProfundidadeTransação() == 0;
    m_desfeito = externo;  // nothing is sent before the transaction holds
    if (!m_ado.TransaçãoIniciar(m_cn)) {
        FalhaBanco();
        m_ado.TransaçãoCancelar(m_cn);
        return false;
    }
    bool identidadeLigada = false;
    auto cancelar = [&]() {
        m_desfeito = m_ado.TransaçãoCancelar(m_cn) && externo;
        if (identidadeLigada) {
            // A session setting, not undone by the rollback; left on it would refuse the
            // product's own inserts on this connection.
            const qint32 numero = m_ado.ErrorNumber();
            const QString texto = m_ado.ErrorString();
            m_ado.ExecutarSQL(m_cn, QStringLiteral("SET IDENTITY_INSERT Paciente OFF"));
            m_ado.setErrorNumber(numero);
            m_ado.setErrorString(texto);
        }
        return false;
    };

    // Everything the undo relies on is read inside its transaction, before the first change.
    m_etapa = QStringLiteral("ao ler o registro da unificação");
    QList<Plano> planos;
    QSet<qint32> vistos, examesVistos, examesBKVistos;
    for (qint32 id : fIDs) {
        if (vistos.contains(id)) {
            continue;
        }
        vistos.insert(id);
        Plano p;
        if (!Preparar(id, p, fEsperadas)) {
            return cancelar();
        }
        // Two records of one command never share an exam row; if damaged logs say so, the
        // row goes back once, to the first.
        auto semRepetir = [](QList<qint32>& lista, QSet<qint32>& vistas) {
            lista.erase(std::remove_if(lista.begin(), lista.end(),
                                       [&](qint32 e) { return vistas.contains(e); }),
                        lista.end());
            for (qint32 e : lista) {
                vistas.insert(e);
            }
        };
        semRepetir(p.exames, examesVistos);
        semRepetir(p.examesBK, examesBKVistos);
        planos << p;
    }
    QStringList restauracoes;
    if (!PrepararSobrevivente(planos, QList<qint32>(vistos.begin(), vistos.end()), fDecisao,
                              restauracoes)) {
        return cancelar();
    }

    const QStringList& colunas = ColunasPacienteLogadas();
    m_etapa = QStringLiteral("ao restaurar os cadastros");
    if (!Executar(QStringLiteral("SET IDENTITY_INSERT Paciente ON"))) {
        return cancelar();
    }
    identidadeLigada = true;
    for (const Plano& p : planos) {
        QStringList valores;
        for (const QVariant& v : p.valores) {
            valores << Literal(v);
        }
        if (!Executar("INSERT INTO Paciente (" + colunas.join(", ") + ") VALUES (" +
                      valores.join(", ") + ")")) {
            return cancelar();
        }
    }
    if (!Executar(QStringLiteral("SET IDENTITY_INSERT Paciente OFF"))) {
        return cancelar();
    }
    identidadeLigada = false;

    m_etapa = QStringLiteral("ao devolver os exames");
    for (const Plano& p : planos) {
        for (const auto& [tabela, lista] : {qMakePair(QStringLiteral("Exame"), &p.exames),
                                            qMakePair(QStringLiteral("Exame_BK"), &p.examesBK)}) {
            if (lista->isEmpty()) {
                continue;
            }
            qint32 movidos = 0;
            if (!Executar("UPDATE " + tabela + " SET ID_Paciente = " + Numero(p.id) +
                              " WHERE ID_Exame IN (" + Lista(*lista) + ") AND ID_Paciente IN (" +
                              Lista(p.cadeia) + ")",
                          &movidos)) {
                return cancelar();
            }
            if (movidos != lista->size()) {
                Recusar(Alterada, QStringLiteral("Os exames mudaram enquanto a unificação era "
                                                 "desfeita; nada foi alterado. Tente outra vez."));
                return cancelar();
            }
        }
        m_exames += p.exames.size();
        // An exam back on its record carries that record's data again, as it did before the
        // merge (an update of the survivor since may have rewritten it).
        for (const QVariantList& copia : p.copias) {
            const bool bk = copia.value(0).toString() == QLatin1String("Exame_BK");
            if (!bk && copia.value(0).toString() != QLatin1String("Exame")) {
                continue;
            }
            if (!(bk ? p.examesBK : p.exames).contains(copia.value(1).toInt())) {
                continue;  // not on the chain any more: it stays where it is, as it is
            }
            QStringList atribuicoes;
            for (int c = 0; c < ColunasCopiaExame().size(); ++c) {
                atribuicoes << ColunasCopiaExame()[c] + " = " + Literal(copia.value(c + 2));
            }
            if (!Executar(QStringLiteral("UPDATE ") + (bk ? "Exame_BK" : "Exame") + " SET " +
                          atribuicoes.join(QStringLiteral(", ")) + " WHERE ID_Exame = " +
                          Numero(copia.value(1).toInt()) + " AND ID_Paciente = " + Numero(p.id))) {
                return cancelar();
            }
        }
    }
    m_etapa = QStringLiteral("ao restaurar os valores do cadastro mantido");
    for (const QString& sql : restauracoes) {
        if (!Executar(sql)) {
            return cancelar();
        }
    }
    m_etapa = QStringLiteral("ao registrar o desfazer");
    const QString agora = Literal(Relogio::Agora());
    const QString restaurados = m_restaurados.join(QStringLiteral(", ")).left(255);
    for (const Plano& p : planos) {
        if (!Executar("INSERT INTO Cadunir_UnificacaoDesfeita (ID_Paciente, ID_PacienteNovo, "
                      "ID_Usuario_Unificacao, Data_Unificacao, ID_Usuario, Data, Exames, "
                      "Valores) VALUES (" +
                      Numero(p.id) + ", " + Literal(p.novo) + ", " + Literal(p.usuario) + ", " +
                      Literal(p.data) + ", " + Numero(fID_Usuario) + ", " + agora + ", " +
                      Numero(p.exames.size()) + ", " +
                      (restaurados.isEmpty() ? QStringLiteral("NULL") : Literal(restaurados)) +
                      ")")) {
            return cancelar();
        }
    }
    m_etapa = dados::kEtapaConfirmar;
    if (!m_ado.TransaçãoFinalizar(m_cn)) {
        FalhaBanco();
        // A commit that failed must not leave the changes pending; one the database already
        // rolled back itself leaves nothing to roll back.
        m_desfeito = externo;
        if (externo) {
            try {
                m_cn.RollbackTrans();
            } catch (const ErroNumerado& e) {
                m_desfeito = e.Number() == dados::ErroSemTransacao;
            }
        }
        return false;
    }
    return true;
}
