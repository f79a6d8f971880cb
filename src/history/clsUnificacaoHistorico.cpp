#include "history/clsUnificacaoHistorico.h"

#include <QFile>
#include <QHash>
#include <QSaveFile>
#include <QSet>
#include <algorithm>
#include <tuple>

#include "data/ado/Recordset.h"
#include "data/base/ErroNumerado.h"
#include "data/base/TextoSQL.h"
#include "merge/clsLoteRegistro.h"
#include "patient/NomeCompleto.h"
#include "settings/CelulaPlanilha.h"

namespace {

// Rows of one command carry the time each merge read from its workstation, and SQL Server
// rounds a smalldatetime to the minute: rows of a command that was not numbered (an earlier
// program's or version's) a minute apart still belong to one command.
constexpr qint64 kToleranciaComandoSeg = 60;
// Longest IN list sent at once; SQL Server takes far more, but short texts trace better.
constexpr int kLoteIN = 300;

QString Literal(const QVariant& v) {
    return dados::LiteralTSql(v);
}

QString Chave(qint32 id, qint32 novo, qint32 usuario, const QDateTime& data) {
    return QString::number(id) + '|' + QString::number(novo) + '|' + QString::number(usuario) +
           '|' + data.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString DataHora(const QDateTime& d) {
    return d.isValid() ? d.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")) : QString();
}

QString DataCurta(const QVariant& v) {
    if (v.isNull()) {
        return {};
    }
    const QDateTime d = v.toDateTime();
    return d.isValid() ? d.date().toString(QStringLiteral("dd/MM/yyyy")) : v.toString();
}

QString Texto(Recordset& rs, const char* coluna) {
    return rs.Fields(QString::fromUtf8(coluna)).Value().toString();
}

qint32 Inteiro(Recordset& rs, const char* coluna) {
    return rs.Fields(QString::fromUtf8(coluna)).Value().toInt();
}

QStringList Lotes(QList<qint32> ids) {
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    QStringList lotes;
    for (int i = 0; i < ids.size(); i += kLoteIN) {
        QStringList numeros;
        for (int k = i; k < std::min<int>(i + kLoteIN, ids.size()); ++k) {
            numeros << QString::number(ids[k]);
        }
        lotes << numeros.join(QStringLiteral(", "));
    }
    return lotes;
}

bool Contem(const QString& onde, const QString& parte) {
    return onde.contains(parte, Qt::CaseInsensitive);
}

struct LinhaLog {
    qint32 id = 0;
    qint32 novo = 0;
    qint32 usuario = 0;
    QDateTime data;
    QString nome;
    QString prontuario;
    QVariant nascimento;
    QSet<QString> exames;
    qint32 comando = 0;  // the command's number, when this program recorded one
};

}  // namespace

int UnificacaoComando::Exames() const {
    int total = 0;
    for (const UnificacaoRemovido& r : Removidos) {
        total += r.Exames;
    }
    return total;
}

bool UnificacaoComando::Desfeito() const {
    return !Removidos.isEmpty() && std::all_of(Removidos.begin(), Removidos.end(),
                                               [](const auto& r) { return r.Desfeito; });
}

bool UnificacaoComando::ParcialDesfeito() const {
    return !Desfeito() && std::any_of(Removidos.begin(), Removidos.end(),
                                      [](const auto& r) { return r.Desfeito; });
}

QString UnificacaoComando::MotivoSemDesfazer(qint32 fID_Removido) const {
    const auto quem = [](const UnificacaoRemovido& r) {
        const QString nome = r.NomeUsuarioDesfez.isEmpty()
                                 ? QStringLiteral("usuário ") + QString::number(r.ID_UsuarioDesfez)
                                 : r.NomeUsuarioDesfez;
        return nome + QStringLiteral(" em ") +
               r.DataDesfeito.toString(QStringLiteral("dd/MM/yyyy HH:mm"));
    };
    if (fID_Removido == 0) {
        if (!Desfeito()) {
            return {};
        }
        return Removidos.size() == 1
                   ? QStringLiteral("Já desfeita por ") + quem(Removidos.first()) +
                         QStringLiteral(".")
                   : QStringLiteral("Já desfeita: todos os cadastros desta unificação voltaram.");
    }
    for (const UnificacaoRemovido& r : Removidos) {
        if (r.ID_Paciente == fID_Removido) {
            return r.Desfeito ? QStringLiteral("Já desfeita por ") + quem(r) + QStringLiteral(".")
                              : QString();
        }
    }
    return QStringLiteral("O cadastro %1 não faz parte desta unificação.").arg(fID_Removido);
}

clsUnificacaoHistorico::clsUnificacaoHistorico(Connection& fCN, clsADO& fADO)
    : m_cn(fCN), m_ado(fADO) {}

bool clsUnificacaoHistorico::Abrir(Recordset& rs, const QString& sql, const QString& procedimento) {
    if (m_ado.AbrirRecordset(m_cn, rs, sql)) {
        return true;
    }
    m_erro.AtualizarErro(m_ado.ErrorNumber(), m_ado.ErrorString(), procedimento);
    return false;
}

bool clsUnificacaoHistorico::LerEmLotes(const QList<qint32>& ids, const QString& antes,
                                        const QString& depois, const QString& procedimento,
                                        const std::function<void(Recordset&)>& porLinha) {
    for (const QString& lote : Lotes(ids)) {
        Recordset rs;
        if (!Abrir(rs, antes + lote + ")" + depois, procedimento)) {
            return false;
        }
        for (; !rs.Eof(); rs.MoveNext()) {
            porLinha(rs);
        }
    }
    return true;
}

bool clsUnificacaoHistorico::Consultar(const FiltroHistorico& fFiltro,
                                       QList<UnificacaoComando>& fComandos) {
    const QString proc = QStringLiteral("Consultar");
    fComandos.clear();

    QStringList onde;
    if (fFiltro.Desde.isValid()) {
        onde << "Data >= " + Literal(fFiltro.Desde);
    }
    if (fFiltro.Ate.isValid()) {
        onde << "Data <= " + Literal(fFiltro.Ate);
    }
    QList<LinhaLog> linhas;
    {
        Recordset rs;
        if (!Abrir(rs,
                   "SELECT ID_Paciente, Nome, Nome_Meio, Nome_Último, Prontuário, "
                   "Data_Nascimento, ID_PacienteNovo, ID_Usuario, Data FROM PacienteLog" +
                       (onde.isEmpty() ? QString() : " WHERE " + onde.join(" AND ")) +
                       " ORDER BY Data DESC, ID_PacienteNovo, ID_Paciente",
                   proc)) {
            return false;
        }
        for (; !rs.Eof(); rs.MoveNext()) {
            LinhaLog l;
            l.id = Inteiro(rs, "ID_Paciente");
            l.novo = Inteiro(rs, "ID_PacienteNovo");
            l.usuario = Inteiro(rs, "ID_Usuario");
            l.data = rs.Fields(QStringLiteral("Data")).Value().toDateTime();
            l.nome = NomeJuntarPartes(Texto(rs, "Nome"), Texto(rs, "Nome_Meio"),
                                      Texto(rs, "Nome_Último"));
            l.prontuario = Texto(rs, "Prontuário");
            l.nascimento = rs.Fields(QStringLiteral("Data_Nascimento")).Value();
            linhas << l;
        }
    }

    QList<qint32> removidos, sobreviventes, usuarios;
    for (const LinhaLog& l : linhas) {
        removidos << l.id;
        sobreviventes << l.novo;
        usuarios << l.usuario;
    }

    // Exams: each logged exam row belongs to the nearest merge of its patient (a patient merged,
    // restored and merged again has several).
    QHash<qint32, QList<int>> linhasDe;
    for (int i = 0; i < linhas.size(); ++i) {
        linhasDe[linhas[i].id] << i;
    }
    if (!LerEmLotes(
            removidos,
            "SELECT ID_Paciente, Numero_Exame, Data FROM PacienteLogExame WHERE ID_Paciente IN (",
            "", proc, [&](Recordset& rs) {
                const QList<int> candidatas = linhasDe.value(Inteiro(rs, "ID_Paciente"));
                if (candidatas.isEmpty()) {
                    return;
                }
                const QDateTime quando = rs.Fields(QStringLiteral("Data")).Value().toDateTime();
                int melhor = candidatas.first();
                for (int i : candidatas) {
                    if (quando.isValid() && qAbs(linhas[i].data.secsTo(quando)) <
                                                qAbs(linhas[melhor].data.secsTo(quando))) {
                        melhor = i;
                    }
                }
                linhas[melhor].exames.insert(Texto(rs, "Numero_Exame"));
            })) {
        return false;
    }

    QHash<qint32, QString> nomesAtuais;
    if (!LerEmLotes(
            sobreviventes,
            "SELECT ID_Paciente, Nome, Nome_Meio, Nome_Último FROM Paciente WHERE ID_Paciente IN (",
            "", proc, [&](Recordset& rs) {
                nomesAtuais.insert(Inteiro(rs, "ID_Paciente"),
                                   NomeJuntarPartes(Texto(rs, "Nome"), Texto(rs, "Nome_Meio"),
                                                    Texto(rs, "Nome_Último")));
            })) {
        return false;
    }

    // Undo records, matched to log rows by the log row's own values; one record per row.
    QHash<QString, QList<QPair<qint32, QDateTime>>> desfeitas;
    if (!linhas.isEmpty() &&
        m_ado.TableExiste(m_cn, QStringLiteral("Cadunir_UnificacaoDesfeita"))) {
        if (!LerEmLotes(
                removidos,
                "SELECT ID_Paciente, ID_PacienteNovo, ID_Usuario_Unificacao, Data_Unificacao, "
                "ID_Usuario, Data FROM Cadunir_UnificacaoDesfeita WHERE ID_Paciente IN (",
                " ORDER BY Data", proc, [&](Recordset& rs) {
                    const qint32 quem = Inteiro(rs, "ID_Usuario");
                    usuarios << quem;
                    desfeitas[Chave(
                        Inteiro(rs, "ID_Paciente"), Inteiro(rs, "ID_PacienteNovo"),
                        Inteiro(rs, "ID_Usuario_Unificacao"),
                        rs.Fields(QStringLiteral("Data_Unificacao")).Value().toDateTime())]
                        << qMakePair(quem, rs.Fields(QStringLiteral("Data")).Value().toDateTime());
                })) {
            return false;
        }
    }

    // Administrators by name; a database without the user table still lists its merges.
    QHash<qint32, QPair<QString, QString>> pessoas;  // ID -> (name, login)
    if (!usuarios.isEmpty() && m_ado.TableExiste(m_cn, QStringLiteral("Usuário"))) {
        if (!LerEmLotes(usuarios,
                        "SELECT ID_Usuário, Nome, Usuário FROM Usuário WHERE ID_Usuário IN (", "",
                        proc, [&](Recordset& rs) {
                            pessoas.insert(Inteiro(rs, "ID_Usuário"),
                                           qMakePair(Texto(rs, "Nome"), Texto(rs, "Usuário")));
                        })) {
            return false;
        }
    }

    // The batch of each merge, by its log row's key.
    QHash<QString, qint32> lotes;
    {
        clsLoteRegistro registro(m_cn, m_ado);
        QList<QPair<clsLoteRegistro::Unificacao, qint32>> doLote;
        if (!registro.LotesDasUnificacoes(doLote)) {
            m_erro = registro.Erro();
            return false;
        }
        for (const auto& [u, lote] : doLote) {
            lotes.insert(Chave(u.removido, u.novo, u.usuario, u.data), lote);
        }
    }
    // The command's number of each removed record, and the signs a command was confirmed over
    // (by number, or by survivor, user and time as earlier versions keyed them). A register
    // this version never opened has neither numbers nor their column.
    QHash<QString, QPair<QStringList, QString>> sinais;
    const bool numerados = m_ado.TableExiste(m_cn, QStringLiteral("Cadunir_Unificacao"));
    if (!linhas.isEmpty() && numerados) {
        QHash<QString, qint32> numeros;
        if (!LerEmLotes(removidos,
                        "SELECT ID_Paciente, ID_PacienteNovo, ID_Usuario, Data, ID_Unificacao FROM "
                        "Cadunir_UnificacaoExtra WHERE ID_Unificacao IS NOT NULL AND ID_Paciente "
                        "IN (",
                        "", proc, [&](Recordset& rs) {
                            numeros.insert(
                                Chave(Inteiro(rs, "ID_Paciente"), Inteiro(rs, "ID_PacienteNovo"),
                                      Inteiro(rs, "ID_Usuario"),
                                      rs.Fields(QStringLiteral("Data")).Value().toDateTime()),
                                Inteiro(rs, "ID_Unificacao"));
                        })) {
            return false;
        }
        for (LinhaLog& l : linhas) {
            l.comando = numeros.value(Chave(l.id, l.novo, l.usuario, l.data));
        }
    }
    if (!linhas.isEmpty() && m_ado.TableExiste(m_cn, QStringLiteral("Cadunir_UnificacaoSinal"))) {
        if (!LerEmLotes(
                sobreviventes,
                "SELECT ID_PacienteNovo, ID_Usuario, Data, " +
                    QString(numerados ? "ID_Unificacao" : "0 AS ID_Unificacao") +
                    ", Sinal, Motivo FROM Cadunir_UnificacaoSinal WHERE ID_PacienteNovo IN (",
                "", proc, [&](Recordset& rs) {
                    const qint32 numero = Inteiro(rs, "ID_Unificacao");
                    auto& s =
                        sinais[numero != 0
                                   ? QString::number(numero)
                                   : Chave(0, Inteiro(rs, "ID_PacienteNovo"),
                                           Inteiro(rs, "ID_Usuario"),
                                           rs.Fields(QStringLiteral("Data")).Value().toDateTime())];
                    s.first << Texto(rs, "Sinal");
                    s.second = Texto(rs, "Motivo");
                })) {
            return false;
        }
    }

    // Group into commands, by their number; unnumbered rows by survivor and user within a
    // minute. The rows come newest first, so each command's time is its newest.
    QHash<QString, int> abertos;  // number, or survivor|user -> index of the latest command
    QList<UnificacaoComando> comandos;
    for (LinhaLog& l : linhas) {
        const QString chave = l.comando != 0
                                  ? QString::number(l.comando)
                                  : QString::number(l.novo) + '|' + QString::number(l.usuario);
        auto it = abertos.find(chave);
        if (it == abertos.end() ||
            (l.comando == 0 && (comandos[*it].Data.secsTo(l.data) < -kToleranciaComandoSeg ||
                                !comandos[*it].Data.isValid() || !l.data.isValid()))) {
            UnificacaoComando c;
            c.ID_PacienteNovo = l.novo;
            c.ID_Usuario = l.usuario;
            c.Data = l.data;
            c.Numero = l.comando;
            c.SobreviventeExiste = nomesAtuais.contains(l.novo);
            c.NomeSobrevivente = nomesAtuais.value(l.novo);
            c.NomeAdministrador = pessoas.value(l.usuario).first;
            std::tie(c.Sinais, c.MotivoSinais) = sinais.value(
                l.comando != 0 ? QString::number(l.comando) : Chave(0, l.novo, l.usuario, l.data));
            comandos << c;
            abertos.insert(chave, comandos.size() - 1);
            it = abertos.find(chave);
        }
        UnificacaoRemovido r;
        r.ID_Paciente = l.id;
        r.Data = l.data;
        r.Nome = l.nome;
        r.Prontuario = l.prontuario;
        r.Data_Nascimento = l.nascimento;
        r.Exames = l.exames.size();
        if (const qint32 lote = lotes.value(Chave(l.id, l.novo, l.usuario, l.data))) {
            comandos[*it].Lote = lote;
        }
        auto d = desfeitas.find(Chave(l.id, l.novo, l.usuario, l.data));
        if (d != desfeitas.end() && !d->isEmpty()) {
            const auto [quem, quando] = d->takeFirst();
            r.Desfeito = true;
            r.ID_UsuarioDesfez = quem;
            r.NomeUsuarioDesfez = pessoas.value(quem).first;
            r.DataDesfeito = quando;
        }
        comandos[*it].Removidos << r;
    }

    // Newest first; commands logged in the same second (a batch runs many) in the order they
    // ran, which their numbers keep.
    std::stable_sort(comandos.begin(), comandos.end(), [](const auto& a, const auto& b) {
        return a.Data != b.Data ? a.Data > b.Data : a.Numero > b.Numero;
    });
    for (const UnificacaoComando& c : comandos) {
        if (!fFiltro.Administrador.isEmpty()) {
            bool numero = false;
            const qint32 id = fFiltro.Administrador.toInt(&numero);
            const auto& pessoa = pessoas.value(c.ID_Usuario);
            if (numero ? id != c.ID_Usuario
                       : !Contem(pessoa.first, fFiltro.Administrador) &&
                             !Contem(pessoa.second, fFiltro.Administrador)) {
                continue;
            }
        }
        if (fFiltro.ID_Paciente != 0 && c.ID_PacienteNovo != fFiltro.ID_Paciente &&
            std::none_of(c.Removidos.begin(), c.Removidos.end(),
                         [&](const auto& r) { return r.ID_Paciente == fFiltro.ID_Paciente; })) {
            continue;
        }
        if (!fFiltro.Nome.isEmpty() && !Contem(c.NomeSobrevivente, fFiltro.Nome) &&
            std::none_of(c.Removidos.begin(), c.Removidos.end(),
                         [&](const auto& r) { return Contem(r.Nome, fFiltro.Nome); })) {
            continue;
        }
        fComandos << c;
    }
    return true;
}

bool clsUnificacaoHistorico::LerComparacao(const UnificacaoComando& fComando, qint32 fID_Removido,
                                           QVariantList& fRegistrados, QVariantList& fAtuais) {
    const QString proc = QStringLiteral("LerComparacao");
    const QString colunas = ColunasPacienteLogadas().join(QStringLiteral(", "));
    fRegistrados.clear();
    fAtuais.clear();
    auto ler = [&](const QString& sql, QVariantList& valores) {
        Recordset rs;
        if (!Abrir(rs, sql, proc)) {
            return false;
        }
        if (!rs.Eof()) {
            for (int c = 0; c < rs.FieldCount(); ++c) {
                valores << rs.Fields(c).Value();
            }
        }
        return true;
    };
    const QString chave = " WHERE ID_Paciente = " + QString::number(fID_Removido) +
                          " AND ID_PacienteNovo = " + QString::number(fComando.ID_PacienteNovo) +
                          " AND ID_Usuario = " + QString::number(fComando.ID_Usuario);
    // Its own log row; a command given without it, the rows around the command's time.
    const auto removido =
        std::find_if(fComando.Removidos.begin(), fComando.Removidos.end(),
                     [&](const UnificacaoRemovido& r) { return r.ID_Paciente == fID_Removido; });
    const QString janela =
        removido != fComando.Removidos.end() && removido->Data.isValid()
            ? " AND Data = " + Literal(removido->Data)
            : " AND Data >= " + Literal(fComando.Data.addSecs(-kToleranciaComandoSeg)) +
                  " AND Data <= " + Literal(fComando.Data.addSecs(kToleranciaComandoSeg));
    if (!ler("SELECT TOP 1 " + colunas + ", Data FROM PacienteLog" + chave + janela +
                 " ORDER BY Data DESC",
             fRegistrados)) {
        return false;
    }
    if (fRegistrados.isEmpty()) {
        m_erro.AtualizarErro(
            -2, "Não há registro de unificação do paciente " + QString::number(fID_Removido) + ".",
            proc);
        return false;
    }
    const QVariant data = fRegistrados.takeLast();
    if (m_ado.TableExiste(m_cn, QStringLiteral("Cadunir_UnificacaoExtra"))) {
        QVariantList extra;
        if (!ler("SELECT TOP 1 ID_Convenio_Plano, Data_Nascimento FROM Cadunir_UnificacaoExtra" +
                     chave + " AND Data = " + Literal(data),
                 extra)) {
            return false;
        }
        if (!extra.isEmpty()) {
            fRegistrados[ColunasPacienteLogadas().indexOf(QStringLiteral("ID_Convenio_Plano"))] =
                extra[0];
            fRegistrados[ColunasPacienteLogadas().indexOf(QStringLiteral("Data_Nascimento"))] =
                extra[1];
        }
    }
    return ler("SELECT " + colunas + " FROM Paciente WHERE ID_Paciente = " +
                   QString::number(fComando.ID_PacienteNovo),
               fAtuais);
}

QByteArray clsUnificacaoHistorico::ParaCSV(const QList<UnificacaoComando>& fComandos) {
    QStringList linhas;
    linhas << QStringLiteral(
        "Data;Administrador;ID do cadastro mantido;Nome atual do cadastro mantido;"
        "ID do cadastro removido;Nome registrado do cadastro removido;Prontuário;"
        "Data de nascimento;Exames movidos;Desfeita;Desfeita por;Desfeita em;Lote;"
        "Sinais confirmados;Motivo");
    for (const UnificacaoComando& c : fComandos) {
        for (const UnificacaoRemovido& r : c.Removidos) {
            const QStringList campos = {
                DataHora(c.Data),
                c.NomeAdministrador.isEmpty() ? QString::number(c.ID_Usuario) : c.NomeAdministrador,
                QString::number(c.ID_PacienteNovo),
                c.NomeSobrevivente,
                QString::number(r.ID_Paciente),
                r.Nome,
                r.Prontuario,
                DataCurta(r.Data_Nascimento),
                QString::number(r.Exames),
                r.Desfeito ? QStringLiteral("Sim") : QStringLiteral("Não"),
                r.Desfeito ? (r.NomeUsuarioDesfez.isEmpty() ? QString::number(r.ID_UsuarioDesfez)
                                                            : r.NomeUsuarioDesfez)
                           : QString(),
                DataHora(r.DataDesfeito),
                c.Lote != 0 ? QString::number(c.Lote) : QString(),
                c.Sinais.join(QStringLiteral(" | ")),
                c.MotivoSinais,
            };
            linhas << LinhaCSV(campos);
        }
    }
    return QByteArray("\xEF\xBB\xBF") + linhas.join(QStringLiteral("\r\n")).toUtf8() + "\r\n";
}

bool clsUnificacaoHistorico::ExportarCSV(const QList<UnificacaoComando>& fComandos,
                                         const QString& fArquivo) {
    // Written aside and renamed, so an interrupted export never leaves half a file.
    QSaveFile arquivo(fArquivo);
    if (!arquivo.open(QIODevice::WriteOnly) || arquivo.write(ParaCSV(fComandos)) < 0 ||
        !arquivo.commit()) {
        m_erro.AtualizarErro(
            -1, "Não foi possível gravar o arquivo '" + fArquivo + "': " + arquivo.errorString(),
            QStringLiteral("ExportarCSV"));
        return false;
    }
    return true;
}
