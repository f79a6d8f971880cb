#include "worklist/VereditosRegistro.h"

#include <QStringList>
#include <algorithm>

#include "data/ado/Recordset.h"
#include "data/base/TextoSQL.h"
#include "data/base/ValorSeNulo.h"
#include "decisions/clsDecisaoPessoas.h"
#include "worklist/GrupoTrabalho.h"

namespace {

qint32 Inteiro(Recordset& rs, int coluna) {
    return ValorSeNulo(rs.Fields(coluna).Value(), 0).toInt();
}

QString ChaveLog(qint32 removido, qint32 novo, qint32 usuario, const QDateTime& data) {
    return QStringLiteral("%1|%2|%3|%4")
        .arg(removido)
        .arg(novo)
        .arg(usuario)
        .arg(data.toString(Qt::ISODate));
}

// Merges are found again by their date: the log has no key of its own, and the time is the
// workstation's, so a day back covers what other clocks and the minute rounding may hide.
constexpr int kMargemLogDias = 1;

}  // namespace

VereditosRegistro::VereditosRegistro(Connection& fCN, clsADO& fADO) : m_cn(fCN), m_ado(fADO) {}

bool VereditosRegistro::abrir(Recordset& rs, const QString& sql) {
    if (m_ado.AbrirRecordset(m_cn, rs, sql)) {
        return true;
    }
    m_erro = QString::number(m_ado.ErrorNumber()) + QStringLiteral(" - ") + m_ado.ErrorString();
    return false;
}

bool VereditosRegistro::Ler() {
    m_erro.clear();
    m_temDecisoes = m_ado.TableExiste(m_cn, QStringLiteral("Cadunir_Decisao"));
    m_temDecisoesRemovidas = m_ado.TableExiste(m_cn, QStringLiteral("Cadunir_DecisaoRemovida"));
    m_temMarcasRemovidas = m_ado.TableExiste(m_cn, QStringLiteral("Cadunir_SemSolucaoRemovida"));
    m_temDesfeitas = m_ado.TableExiste(m_cn, QStringLiteral("Cadunir_UnificacaoDesfeita"));
    m_temLista = m_ado.TableExiste(m_cn, QStringLiteral("Cadunir_ListaTrabalho"));
    // A register the program never started on has no log tables yet: nothing was merged or
    // marked there (a batch's dry run reads it so).
    m_temLog = m_ado.TableExiste(m_cn, QStringLiteral("PacienteLog"));
    m_temMarcas = m_ado.TableExiste(m_cn, QStringLiteral("PacienteLogSemSolucao"));
    m_log.clear();
    m_logLido.clear();
    m_ultimaDataLog = QDateTime();
    m_decisoes.clear();
    m_decisoesRemovidas.clear();
    m_ultimaDecisao = m_ultimaDecisaoRemovida = 0;
    m_marcas.clear();
    m_marcasRemovidas.clear();
    m_ultimaMarca = m_ultimaMarcaRemovida = 0;
    m_usuariosLidos = false;
    return lerLog(true) && lerDesfeitas() && lerDecisoes() && lerMarcas() && lerAnotacoes() &&
           lerUsuarios();
}

bool VereditosRegistro::LerMudancas() {
    m_erro.clear();
    return lerLog(false) && lerDesfeitas() && lerDecisoes() && lerMarcas() && lerAnotacoes() &&
           lerUsuarios();
}

bool VereditosRegistro::lerLog(bool tudo) {
    Recordset rs;
    if (!abrir(rs, QStringLiteral("SELECT getdate()"))) {
        return false;
    }
    m_agora = rs.Fields(0).Value().toDateTime();
    if (!m_temLog) {
        return true;
    }
    QString sql = QStringLiteral(
        "SELECT ID_Paciente, ID_PacienteNovo, ID_Usuario, Data, Nome + CASE WHEN Nome_Meio IS "
        "NULL THEN '' ELSE ' ' + Nome_Meio END + CASE WHEN Nome_Último IS NULL THEN '' ELSE ' ' + "
        "Nome_Último END FROM PacienteLog");
    if (!tudo) {
        const QDateTime desde =
            (m_ultimaDataLog.isValid() ? m_ultimaDataLog : m_agora).addDays(-kMargemLogDias);
        sql += QStringLiteral(" WHERE Data >= ") + dados::LiteralTSql(desde);
    }
    if (!abrir(rs, sql)) {
        return false;
    }
    for (; !rs.Eof(); rs.MoveNext()) {
        Unificacao u{Inteiro(rs, 0),
                     Inteiro(rs, 1),
                     {Inteiro(rs, 2), rs.Fields(3).Value().toDateTime()},
                     TextoDoValor(rs.Fields(4).Value())};
        if (u.novo == 0) {
            continue;  // a row without its survivor tells of no merge this program can show
        }
        if (!m_ultimaDataLog.isValid() || u.autoria.data > m_ultimaDataLog) {
            m_ultimaDataLog = u.autoria.data;
        }
        if (!m_logLido.contains(ChaveLog(u.removido, u.novo, u.autoria.usuario, u.autoria.data))) {
            m_logLido.insert(ChaveLog(u.removido, u.novo, u.autoria.usuario, u.autoria.data));
            m_log << u;
            m_tocados << u.removido << u.novo;
        }
    }
    return true;
}

bool VereditosRegistro::lerDesfeitas() {
    const QHash<QString, Autoria> antes = std::exchange(m_desfeitas, {});
    if (m_temDesfeitas) {
        Recordset rs;
        if (!abrir(rs, QStringLiteral("SELECT ID_Paciente, ID_PacienteNovo, ID_Usuario_Unificacao, "
                                      "Data_Unificacao, ID_Usuario, Data FROM "
                                      "Cadunir_UnificacaoDesfeita"))) {
            return false;
        }
        for (; !rs.Eof(); rs.MoveNext()) {
            const QString chave = ChaveLog(Inteiro(rs, 0), Inteiro(rs, 1), Inteiro(rs, 2),
                                           rs.Fields(3).Value().toDateTime());
            m_desfeitas.insert(chave, {Inteiro(rs, 4), rs.Fields(5).Value().toDateTime()});
            if (!antes.contains(chave)) {
                m_tocados << Inteiro(rs, 0) << Inteiro(rs, 1);
            }
        }
    }
    derivarUnificacoes();
    return true;
}

void VereditosRegistro::derivarUnificacoes() {
    m_removidos.clear();
    m_desfeitasPorPar.clear();
    for (const Unificacao& u : m_log) {
        const auto desfeita =
            m_desfeitas.constFind(ChaveLog(u.removido, u.novo, u.autoria.usuario, u.autoria.data));
        if (desfeita != m_desfeitas.constEnd()) {
            m_desfeitasPorPar.insert(ChavePar(u.removido, u.novo), *desfeita);
            continue;
        }
        const auto atual = m_removidos.constFind(u.removido);
        if (atual == m_removidos.constEnd() || atual->autoria.data < u.autoria.data) {
            m_removidos.insert(u.removido, u);
        }
    }
}

bool VereditosRegistro::lerDecisoes() {
    if (m_temDecisoes) {
        clsDecisaoPessoas leitor(m_cn, m_ado);
        QList<clsDecisaoPessoas::Decisao> novas;
        if (!leitor.Todas(novas, m_ultimaDecisao)) {
            m_erro = QString::number(leitor.Erro().ErrorNumber()) + QStringLiteral(" - ") +
                     leitor.Erro().ErrorString();
            return false;
        }
        for (const auto& d : novas) {
            m_tocados << d.paciente1 << d.paciente2;
            m_decisoes.insert(ChavePar(d.paciente1, d.paciente2),
                              {d.id, d.motivo, {d.usuario, d.data}, !d.rever});
            m_ultimaDecisao = std::max(m_ultimaDecisao, d.id);
        }
    }
    if (!m_temDecisoesRemovidas) {
        return true;
    }
    Recordset rs;
    if (!abrir(rs, QStringLiteral("SELECT ID_DecisaoRemovida, ID_Decisao, ID_Paciente1, "
                                  "ID_Paciente2, ID_UsuarioRemocao, DataRemocao FROM "
                                  "Cadunir_DecisaoRemovida WHERE ID_DecisaoRemovida > %1")
                       .arg(m_ultimaDecisaoRemovida))) {
        return false;
    }
    for (; !rs.Eof(); rs.MoveNext()) {
        const quint64 par = ChavePar(Inteiro(rs, 2), Inteiro(rs, 3));
        const auto atual = m_decisoes.constFind(par);
        if (atual != m_decisoes.constEnd() && atual->id == Inteiro(rs, 1)) {
            m_decisoes.remove(par);
        }
        m_decisoesRemovidas.insert(par, {Inteiro(rs, 4), rs.Fields(5).Value().toDateTime()});
        m_tocados << Inteiro(rs, 2) << Inteiro(rs, 3);
        m_ultimaDecisaoRemovida = std::max(m_ultimaDecisaoRemovida, Inteiro(rs, 0));
    }
    return true;
}

bool VereditosRegistro::lerMarcas() {
    if (!m_temMarcas) {
        return true;
    }
    Recordset rs;
    if (!abrir(rs, QStringLiteral("SELECT ID_PacienteLogSemSolucao, ID_Paciente, ID_Usuario, Data "
                                  "FROM PacienteLogSemSolucao WHERE ID_PacienteLogSemSolucao > %1")
                       .arg(m_ultimaMarca))) {
        return false;
    }
    for (; !rs.Eof(); rs.MoveNext()) {
        m_tocados << Inteiro(rs, 1);
        m_marcas[Inteiro(rs, 1)].insert(Inteiro(rs, 0),
                                        {Inteiro(rs, 2), rs.Fields(3).Value().toDateTime()});
        m_ultimaMarca = std::max(m_ultimaMarca, Inteiro(rs, 0));
    }
    if (!m_temMarcasRemovidas) {
        return true;
    }
    if (!abrir(rs, QStringLiteral("SELECT ID_SemSolucaoRemovida, ID_PacienteLogSemSolucao, "
                                  "ID_Paciente, ID_UsuarioRemocao, DataRemocao FROM "
                                  "Cadunir_SemSolucaoRemovida WHERE ID_SemSolucaoRemovida > %1")
                       .arg(m_ultimaMarcaRemovida))) {
        return false;
    }
    for (; !rs.Eof(); rs.MoveNext()) {
        const qint32 paciente = Inteiro(rs, 2);
        m_tocados << paciente;
        auto marcas = m_marcas.find(paciente);
        if (marcas != m_marcas.end()) {
            marcas->remove(Inteiro(rs, 1));
            if (marcas->isEmpty()) {
                m_marcas.erase(marcas);
            }
        }
        m_marcasRemovidas.insert(paciente, {Inteiro(rs, 3), rs.Fields(4).Value().toDateTime()});
        m_ultimaMarcaRemovida = std::max(m_ultimaMarcaRemovida, Inteiro(rs, 0));
    }
    return true;
}

bool VereditosRegistro::lerAnotacoes() {
    QHash<QString, Anotacao> antes[3];
    for (int t = 0; t < 3; ++t) {
        antes[t] = std::exchange(m_anotacoes[t], {});
    }
    const auto notar = [this, &antes] {
        // A row that came, went or changed touches its group, and (put-offs) the groups that
        // share its members.
        for (int t = 0; t < 3; ++t) {
            for (auto& [de, para] :
                 {std::pair{&antes[t], &m_anotacoes[t]}, std::pair{&m_anotacoes[t], &antes[t]}}) {
                for (const Anotacao& a : *de) {
                    const auto outra = para->constFind(a.chave);
                    if (outra == para->constEnd() || outra->motivo != a.motivo ||
                        outra->autoria.data != a.autoria.data || outra->sessao != a.sessao) {
                        m_chavesTocadas << a.chave;
                        if (t + 1 == Adiado) {
                            for (const qint32 id : a.membros) {
                                m_tocados << id;
                            }
                        }
                    }
                }
            }
        }
    };
    if (!m_temLista) {
        notar();
        return true;
    }
    Recordset rs;
    if (!abrir(rs, QStringLiteral("SELECT Chave, Tipo, Membros, Motivo, ID_Usuario, Sessao, Data "
                                  "FROM Cadunir_ListaTrabalho"))) {
        return false;
    }
    for (; !rs.Eof(); rs.MoveNext()) {
        Anotacao a;
        a.chave = TextoDoValor(rs.Fields(0).Value());
        a.tipo = Inteiro(rs, 1);
        a.membros = MembrosDoTexto(TextoDoValor(rs.Fields(2).Value()));
        a.motivo = TextoDoValor(rs.Fields(3).Value());
        a.autoria = {Inteiro(rs, 4), rs.Fields(6).Value().toDateTime()};
        a.sessao = TextoDoValor(rs.Fields(5).Value());
        if (a.tipo >= Adiado && a.tipo <= Reserva) {
            m_anotacoes[a.tipo - 1].insert(a.chave, a);
        }
    }
    notar();
    return true;
}

bool VereditosRegistro::lerUsuarios() {
    if (m_usuariosLidos) {
        return true;
    }
    m_usuariosLidos = true;
    // The names are a courtesy: a register without the user table still has its verdicts.
    Recordset rs;
    if (m_ado.AbrirRecordset(m_cn, rs, QStringLiteral("SELECT ID_Usuário, Usuário FROM Usuário"))) {
        for (; !rs.Eof(); rs.MoveNext()) {
            m_usuarios.insert(Inteiro(rs, 0), TextoDoValor(rs.Fields(1).Value()).trimmed());
        }
    }
    return true;
}

const VereditosRegistro::Unificacao* VereditosRegistro::Removido(qint32 id) const {
    const auto i = m_removidos.constFind(id);
    return i == m_removidos.constEnd() ? nullptr : &*i;
}

QVector<VereditosRegistro::Comando> VereditosRegistro::Comandos() const {
    QHash<QString, int> indice;
    QVector<Comando> comandos;
    for (const Unificacao& u : m_removidos) {
        const QString chave = ChaveLog(0, u.novo, u.autoria.usuario, u.autoria.data);
        auto i = indice.constFind(chave);
        if (i == indice.constEnd()) {
            i = indice.insert(chave, int(comandos.size()));
            comandos.append({u.novo, {}, u.autoria, {}});
        }
        comandos[*i].removidos << u.removido;
    }
    for (Comando& c : comandos) {
        std::sort(c.removidos.begin(), c.removidos.end());
        c.nome = m_removidos.value(c.removidos.first()).nome;
    }
    return comandos;
}

const Autoria* VereditosRegistro::Desfeita(qint32 removido, qint32 novo) const {
    const auto i = m_desfeitasPorPar.constFind(ChavePar(removido, novo));
    return i == m_desfeitasPorPar.constEnd() ? nullptr : &*i;
}

const VereditosRegistro::Decisao* VereditosRegistro::DecisaoDoPar(qint32 a, qint32 b) const {
    const auto i = m_decisoes.constFind(ChavePar(a, b));
    return i == m_decisoes.constEnd() ? nullptr : &*i;
}

const Autoria* VereditosRegistro::DecisaoRemovida(qint32 a, qint32 b) const {
    const auto i = m_decisoesRemovidas.constFind(ChavePar(a, b));
    return i == m_decisoesRemovidas.constEnd() ? nullptr : &*i;
}

const Autoria* VereditosRegistro::Marca(qint32 id) const {
    const auto i = m_marcas.constFind(id);
    return i == m_marcas.constEnd() ? nullptr : &i->first();
}

const Autoria* VereditosRegistro::MarcaRemovida(qint32 id) const {
    const auto i = m_marcasRemovidas.constFind(id);
    return i == m_marcasRemovidas.constEnd() ? nullptr : &*i;
}

QString VereditosRegistro::NomeUsuario(qint32 id) const {
    const QString nome = m_usuarios.value(id);
    return nome.isEmpty() ? QStringLiteral("usuário %1").arg(id) : nome;
}
