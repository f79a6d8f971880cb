#include "worklist/ListaTrabalho.h"

#include <QStringList>
#include <QUuid>
#include <algorithm>
#include <numeric>

#include "data/ado/CriarTabelaSeAusente.h"
#include "data/ado/NivelTransacao.h"
#include "data/ado/Recordset.h"
#include "data/base/Diagnostico.h"
#include "data/base/MostrarMensagem.h"
#include "data/base/TabelaErros.h"
#include "data/base/TextoSQL.h"
#include "decisions/clsDecisaoPessoas.h"

namespace {

using Anotacao = VereditosRegistro::Anotacao;

const QString kTabela = QStringLiteral("Cadunir_ListaTrabalho");

QString SqlCriarTabela() {
    return QStringLiteral(
        " CREATE TABLE [dbo].[Cadunir_ListaTrabalho] ( "
        " [Chave] [nvarchar] (40) NOT NULL , "
        " [Tipo] [int] NOT NULL , "
        " [Membros] [nvarchar] (4000) NULL , "
        " [Motivo] [nvarchar] (255) NULL , "
        " [ID_Usuario] [int] NOT NULL , "
        " [Sessao] [nvarchar] (40) NULL , "
        " [Data] [datetime] NOT NULL "
        " ) ON [PRIMARY] "
        " ALTER TABLE [dbo].[Cadunir_ListaTrabalho] WITH NOCHECK ADD "
        " CONSTRAINT [PK_Cadunir_ListaTrabalho] PRIMARY KEY  CLUSTERED "
        " ( "
        " [Chave], [Tipo] "
        " )  ON [PRIMARY]");
}

int Bit(EstadoGrupo e) {
    return 1 << int(e);
}

bool Decidido(EstadoGrupo e) {
    return e == EstadoGrupo::Unificado || e == EstadoGrupo::NaoMesmaPessoa ||
           e == EstadoGrupo::SemSolucao;
}

QString Quando(const QDateTime& data) {
    return data.toString(QStringLiteral("dd/MM/yyyy hh:mm"));
}

QString Lista(const QVector<qint32>& ids) {
    QStringList textos;
    for (const qint32 id : ids) {
        textos << QString::number(id);
    }
    return textos.join(QStringLiteral(", "));
}

// The members as the Membros column keeps them: a group too large for it keeps what fits, and
// only its key identifies it.
QString MembrosParaColuna(const QVector<qint32>& membros) {
    QString texto = TextoMembros(membros);
    if (texto.size() > 4000) {
        texto.truncate(texto.lastIndexOf(QLatin1Char(','), 4000));
    }
    return texto;
}

}  // namespace

QString TextoEstado(EstadoGrupo estado) {
    switch (estado) {
        case EstadoGrupo::Pendente:
            return QStringLiteral("pendente");
        case EstadoGrupo::Unificado:
            return QStringLiteral("unificado");
        case EstadoGrupo::NaoMesmaPessoa:
            return QStringLiteral("não são a mesma pessoa");
        case EstadoGrupo::SemSolucao:
            return QStringLiteral("sem solução");
        case EstadoGrupo::Adiado:
            return QStringLiteral("adiado");
    }
    return QString();
}

ListaTrabalho::ListaTrabalho(Connection& fCN, clsADO& fADO, qint32 fID_Usuario)
    : m_cn(fCN),
      m_ado(fADO),
      m_usuario(fID_Usuario),
      m_sessao(QUuid::createUuid().toString(QUuid::WithoutBraces)),
      m_registro(fCN, fADO) {}

ListaTrabalho::~ListaTrabalho() {
    Fechar();
}

bool ListaTrabalho::CriarTabela(Connection& fCN, clsADO& fADO) {
    if (CriarTabelaSeAusente(fCN, fADO, kTabela, SqlCriarTabela())) {
        return true;
    }
    MostrarMensagem(QStringLiteral("Ao criar a tabela Cadunir_ListaTrabalho, ocorreu o seguinte "
                                   "erro:\n\n") +
                    QString::number(fADO.ErrorNumber()) + QStringLiteral(" - ") +
                    fADO.ErrorString());
    return false;
}

bool ListaTrabalho::falhaBanco(const QString& etapa) {
    m_mensagem = QStringLiteral("Ao ") + etapa + QStringLiteral(", ocorreu o seguinte erro:\n\n") +
                 QString::number(m_ado.ErrorNumber()) + QStringLiteral(" - ") + m_ado.ErrorString();
    return false;
}

bool ListaTrabalho::executar(const QString& sql) {
    return m_ado.ExecutarSQL(m_cn, sql);
}

bool ListaTrabalho::Construir(const QVector<GrupoTrabalho>& fGrupos) {
    m_mensagem.clear();
    Fechar();
    m_itens.clear();
    m_porMembro.clear();
    if (!m_registro.Ler()) {
        m_mensagem = QStringLiteral(
                         "Ao ler as unificações, decisões e marcas do cadastro, "
                         "ocorreu o seguinte erro:\n\n") +
                     m_registro.Erro();
        return false;
    }
    m_registro.TomarTocados();
    m_registro.TomarChavesTocadas();
    m_itens.reserve(fGrupos.size());
    QSet<QString> chaves;
    for (const GrupoTrabalho& g : fGrupos) {
        Item item;
        item.grupo = g;
        if (g.pontuacaoMembro.size() != g.membros.size()) {
            item.grupo.pontuacaoMembro.clear();
        }
        // Members ascending, each with its score: the identity is the sorted set. Groupings
        // hand them over in register order, which is that already.
        if (!std::is_sorted(g.membros.begin(), g.membros.end())) {
            QVector<int> ordem(g.membros.size());
            std::iota(ordem.begin(), ordem.end(), 0);
            std::sort(ordem.begin(), ordem.end(),
                      [&g](int a, int b) { return g.membros[a] < g.membros[b]; });
            for (int i = 0; i < ordem.size(); ++i) {
                item.grupo.membros[i] = g.membros[ordem[i]];
                if (!item.grupo.pontuacaoMembro.isEmpty()) {
                    item.grupo.pontuacaoMembro[i] = g.pontuacaoMembro[ordem[i]];
                }
            }
        }
        item.chaveGrupo = ChaveGrupo(item.grupo.membros);
        chaves.insert(item.chaveGrupo);
        m_itens.append(std::move(item));
    }
    // The merges of the log tables that the grouping cannot show any more (their records are
    // gone), so that what was done stays in the list.
    for (const VereditosRegistro::Comando& c : m_registro.Comandos()) {
        Item item;
        item.doLog = true;
        item.grupo.membros = MembrosOrdenados(c.removidos + QVector<qint32>{c.novo});
        item.grupo.nome = c.nome;
        item.chaveGrupo = ChaveGrupo(item.grupo.membros);
        if (!chaves.contains(item.chaveGrupo)) {
            m_itens << item;
        }
    }
    m_porMembro.reserve(m_itens.size() * 2);
    for (int i = 0; i < m_itens.size(); ++i) {
        for (const qint32 id : m_itens[i].grupo.membros) {
            m_porMembro.insert(id, i);
        }
    }
    avaliarTudo();
    gravarMotivos();
    return true;
}

bool ListaTrabalho::lerMudancas() {
    if (!m_registro.LerMudancas()) {
        m_mensagem =
            QStringLiteral("Ao ler as mudanças do cadastro, ocorreu o seguinte erro:\n\n") +
            m_registro.Erro();
        return false;
    }
    avaliarTocados();
    return true;
}

bool ListaTrabalho::Atualizar() {
    if (!lerMudancas()) {
        return false;
    }
    gravarMotivos();
    return true;
}

// The members still in the register and the key they make. A group with fewer than two left
// was merged: it keeps all of them, as the merge found them.
static void MembrosAtuais(ListaTrabalho::Item& item, const VereditosRegistro& registro) {
    const auto& todos = item.grupo.membros;
    if (std::none_of(todos.begin(), todos.end(),
                     [&registro](qint32 id) { return registro.Removido(id); })) {
        item.membros = todos;
        item.chave = item.chaveGrupo;
        return;
    }
    QVector<qint32> presentes;
    for (const qint32 id : todos) {
        if (!registro.Removido(id)) {
            presentes << id;
        }
    }
    if (presentes.size() < 2 || presentes.size() == item.grupo.membros.size()) {
        item.membros = item.grupo.membros;
        item.chave = item.chaveGrupo;
    } else {
        item.membros = presentes;
        item.chave = ChaveGrupo(presentes);
    }
}

void ListaTrabalho::avaliarTudo() {
    m_porChave.clear();
    for (int i = 0; i < m_itens.size(); ++i) {
        MembrosAtuais(m_itens[i], m_registro);
        m_porChave.insert(m_itens[i].chave, i);
    }
    indexarAdiados();
    for (int i = 0; i < m_itens.size(); ++i) {
        avaliar(i);
    }
}

void ListaTrabalho::avaliarTocados() {
    const QSet<qint32> ids = m_registro.TomarTocados();
    const QSet<QString> chaves = m_registro.TomarChavesTocadas();
    QSet<int> itens;
    for (const qint32 id : ids) {
        for (auto i = m_porMembro.constFind(id); i != m_porMembro.constEnd() && i.key() == id;
             ++i) {
            itens.insert(*i);
        }
    }
    for (const QString& chave : chaves) {
        const auto i = m_porChave.constFind(chave);
        if (i != m_porChave.constEnd()) {
            itens.insert(*i);
        }
    }
    bool chavesMudaram = false;
    for (const int i : itens) {
        const QString antes = m_itens[i].chave;
        MembrosAtuais(m_itens[i], m_registro);
        chavesMudaram = chavesMudaram || antes != m_itens[i].chave;
    }
    if (chavesMudaram) {
        m_porChave.clear();
        for (int i = 0; i < m_itens.size(); ++i) {
            m_porChave.insert(m_itens[i].chave, i);
        }
    }
    indexarAdiados();
    for (const int i : itens) {
        avaliar(i);
    }
    m_mudados.unite(itens);
}

void ListaTrabalho::indexarAdiados() {
    m_adiadosPorMembro.clear();
    for (const Anotacao& a : m_registro.Anotacoes(VereditosRegistro::Adiado)) {
        if (!m_porChave.contains(a.chave)) {
            for (const qint32 id : a.membros) {
                m_adiadosPorMembro[id] << a.chave;
            }
        }
    }
}

void ListaTrabalho::avaliar(int fItem) {
    Item& item = m_itens[fItem];
    item.autoria = Autoria();
    item.motivo.clear();
    QVector<const VereditosRegistro::Unificacao*> removidos;
    for (const qint32 id : item.membros) {
        if (const auto* u = m_registro.Removido(id)) {
            removidos << u;
        }
    }
    if (item.membros.size() - removidos.size() < 2) {
        item.estado = EstadoGrupo::Unificado;
        for (const auto* u : removidos) {
            if (!item.autoria.data.isValid() || u->autoria.data > item.autoria.data) {
                item.autoria = u->autoria;
            }
        }
        return;
    }
    for (const qint32 id : item.membros) {
        if (const Autoria* marca = m_registro.Marca(id)) {
            item.estado = EstadoGrupo::SemSolucao;
            item.autoria = *marca;
            item.motivo = QStringLiteral("cadastro %1").arg(id);
            return;
        }
    }
    if (m_registro.TemDecisoes()) {
        bool todos = true;
        for (int a = 0; a < item.membros.size() && todos; ++a) {
            for (int b = a + 1; b < item.membros.size() && todos; ++b) {
                const auto* d = m_registro.DecisaoDoPar(item.membros[a], item.membros[b]);
                todos = d && d->valida;
                if (todos &&
                    (!item.autoria.data.isValid() || d->autoria.data > item.autoria.data)) {
                    item.autoria = d->autoria;
                    item.motivo = clsDecisaoPessoas::Motivos().value(d->motivo - 1);
                }
            }
        }
        if (todos) {
            item.estado = EstadoGrupo::NaoMesmaPessoa;
            return;
        }
        item.autoria = Autoria();
        item.motivo.clear();
    }
    const auto& adiados = m_registro.Anotacoes(VereditosRegistro::Adiado);
    const auto adiado = adiados.constFind(item.chave);
    if (adiado != adiados.constEnd()) {
        item.estado = EstadoGrupo::Adiado;
        item.autoria = adiado->autoria;
        return;
    }
    item.estado = EstadoGrupo::Pendente;
    const auto& motivos = m_registro.Anotacoes(VereditosRegistro::Pendente);
    const auto gravado = motivos.constFind(item.chave);
    if (gravado != motivos.constEnd()) {
        item.motivo = gravado->motivo;
        item.autoria = gravado->autoria;
        return;
    }
    item.motivo = motivoPendente(item, item.autoria);
    if (!item.motivo.isEmpty()) {
        m_motivosAGravar.insert(fItem);
    }
}

QString ListaTrabalho::motivoPendente(const Item& item, Autoria& autoria) const {
    const auto por = [this](const Autoria& a) {
        return QStringLiteral(" por ") + m_registro.NomeUsuario(a.usuario) +
               QStringLiteral(" em ") + Quando(a.data);
    };
    // A put-off on another set of (mostly) the same records no longer applies to this one.
    QSet<QString> vistos;
    for (const qint32 id : item.membros) {
        for (const QString& chave : m_adiadosPorMembro.value(id)) {
            if (vistos.contains(chave)) {
                continue;
            }
            vistos.insert(chave);
            const Anotacao a = m_registro.Anotacoes(VereditosRegistro::Adiado).value(chave);
            QVector<qint32> entrou, saiu;
            std::set_difference(item.membros.begin(), item.membros.end(), a.membros.begin(),
                                a.membros.end(), std::back_inserter(entrou));
            std::set_difference(a.membros.begin(), a.membros.end(), item.membros.begin(),
                                item.membros.end(), std::back_inserter(saiu));
            // The same group with other members: two records in common, or all those of the
            // put-off set that are still in the register. One record in common with others
            // still apart is another group.
            const qsizetype comuns = item.membros.size() - entrou.size();
            const qsizetype presentes =
                std::count_if(a.membros.begin(), a.membros.end(),
                              [this](qint32 id) { return !m_registro.Removido(id); });
            if (comuns < 2 && (comuns < 1 || comuns < presentes)) {
                continue;
            }
            autoria = a.autoria;
            QString texto =
                QStringLiteral("os membros mudaram desde que foi adiado") + por(a.autoria);
            if (!entrou.isEmpty()) {
                texto += QStringLiteral("; entrou ") + Lista(entrou);
            }
            if (!saiu.isEmpty()) {
                texto += QStringLiteral("; saiu ") + Lista(saiu);
            }
            return texto;
        }
    }
    if (m_registro.TemDecisoes()) {
        QStringList faltam;
        const VereditosRegistro::Decisao* decidida = nullptr;
        for (int a = 0; a < item.membros.size(); ++a) {
            for (int b = a + 1; b < item.membros.size(); ++b) {
                const qint32 x = item.membros[a], y = item.membros[b];
                const auto* d = m_registro.DecisaoDoPar(x, y);
                if (d && !d->valida) {
                    autoria = d->autoria;
                    return QStringLiteral("a decisão \"não são a mesma pessoa\"") +
                           por(d->autoria) +
                           QStringLiteral(" sobre %1 e %2 precisa ser revista: os dados mudaram")
                               .arg(x)
                               .arg(y);
                }
                if (d) {
                    decidida = d;
                } else {
                    faltam << QStringLiteral("%1 e %2").arg(x).arg(y);
                }
            }
        }
        if (decidida) {
            autoria = decidida->autoria;
            return QStringLiteral("os membros mudaram desde a decisão \"não são a mesma pessoa\"") +
                   por(decidida->autoria) + QStringLiteral("; falta decidir ") +
                   faltam.mid(0, 3).join(QStringLiteral(", ")) +
                   (faltam.size() > 3 ? QStringLiteral("...") : QString());
        }
        for (int a = 0; a < item.membros.size(); ++a) {
            for (int b = a + 1; b < item.membros.size(); ++b) {
                if (const Autoria* r =
                        m_registro.DecisaoRemovida(item.membros[a], item.membros[b])) {
                    autoria = *r;
                    return QStringLiteral("a decisão \"não são a mesma pessoa\" foi removida") +
                           por(*r);
                }
            }
        }
    }
    for (const qint32 id : item.membros) {
        if (const Autoria* r = m_registro.MarcaRemovida(id)) {
            autoria = *r;
            return QStringLiteral("a marca de sem solução do cadastro %1 foi removida").arg(id) +
                   por(*r);
        }
    }
    for (const qint32 x : item.membros) {
        for (const qint32 y : item.membros) {
            if (const Autoria* r = m_registro.Desfeita(x, y); r && x != y) {
                autoria = *r;
                return QStringLiteral("a unificação do cadastro %1 em %2 foi desfeita")
                           .arg(x)
                           .arg(y) +
                       por(*r);
            }
        }
    }
    return QString();
}

void ListaTrabalho::gravarMotivos() {
    // What the lists' own table keeps must follow the register: a reason a group is pending is
    // written once, when first seen; a put-off or a reason on a group the register has decided
    // since has no more use.
    QStringList comandos;
    const auto& adiados = m_registro.Anotacoes(VereditosRegistro::Adiado);
    const auto& motivos = m_registro.Anotacoes(VereditosRegistro::Pendente);
    for (const int i : std::exchange(m_motivosAGravar, {})) {
        const Item& item = m_itens[i];
        if (item.estado == EstadoGrupo::Pendente && !item.motivo.isEmpty() &&
            !motivos.contains(item.chave)) {
            comandos << QStringLiteral(
                            "INSERT INTO Cadunir_ListaTrabalho (Chave, Tipo, Membros, "
                            "Motivo, ID_Usuario, Data) VALUES ('%1', %2, %3, %4, %5, "
                            "getdate())")
                            .arg(item.chave)
                            .arg(int(VereditosRegistro::Pendente))
                            .arg(dados::LiteralTSql(MembrosParaColuna(item.membros)),
                                 dados::LiteralTSql(item.motivo.left(255)))
                            .arg(m_usuario);
        }
    }
    for (const auto* tabela : {&adiados, &motivos}) {
        for (const Anotacao& a : *tabela) {
            const auto i = m_porChave.constFind(a.chave);
            if (i != m_porChave.constEnd() && Decidido(m_itens[*i].estado)) {
                comandos << QStringLiteral(
                                "DELETE FROM Cadunir_ListaTrabalho WHERE Chave = '%1' "
                                "AND Tipo = %2")
                                .arg(a.chave)
                                .arg(a.tipo);
            }
        }
    }
    if (comandos.isEmpty()) {
        return;
    }
    NivelTransacao nivel(m_cn, m_ado);
    bool ok = nivel.Abrir();
    for (const QString& sql : comandos) {
        // Another program may have written the same reason meanwhile: each row stands alone.
        ok = ok && (executar(sql) || m_ado.ErrorNumber() == dados::ErroIntegridade);
    }
    if (!ok || !nivel.Confirmar()) {
        dados::RegistrarDiagnostico(
            QStringLiteral("Lista de trabalho: motivos não gravados: %1 - %2")
                .arg(m_ado.ErrorNumber())
                .arg(m_ado.ErrorString()));
    }
    m_registro.LerMudancas();
    avaliarTocados();
}

ListaTrabalho::Contagem ListaTrabalho::Contar() const {
    Contagem c;
    c.grupos = int(m_itens.size());
    const QDate hoje = m_registro.AgoraServidor().date();
    for (const Item& item : m_itens) {
        ++c.porEstado[int(item.estado)];
        if (Decidido(item.estado)) {
            c.feitosHoje += item.autoria.data.date() == hoje ? 1 : 0;
            c.feitosPorMim += item.autoria.usuario == m_usuario ? 1 : 0;
        }
    }
    return c;
}

bool ListaTrabalho::Passa(int fItem, const Filtro& fFiltro) const {
    const Item& item = m_itens[fItem];
    if (!(fFiltro.estados & Bit(item.estado))) {
        return false;
    }
    if (item.grupo.pontuacao >= 0 && (item.grupo.pontuacao < fFiltro.pontuacaoMinima ||
                                      item.grupo.pontuacao > fFiltro.pontuacaoMaxima)) {
        return false;
    }
    if (fFiltro.soComSinal && !item.grupo.sinal) {
        return false;
    }
    const int n = int(item.membros.size());
    return n >= fFiltro.tamanhoMinimo && (fFiltro.tamanhoMaximo <= 0 || n <= fFiltro.tamanhoMaximo);
}

const Anotacao* ListaTrabalho::ReservaDeOutro(int fItem) const {
    const auto& reservas = m_registro.Anotacoes(VereditosRegistro::Reserva);
    const auto r = reservas.constFind(m_itens[fItem].chave);
    if (r == reservas.constEnd() || r->sessao == m_sessao ||
        r->autoria.data < m_registro.AgoraServidor().addSecs(-kReservaSegundos)) {
        return nullptr;
    }
    return &*r;
}

QString ListaTrabalho::Descricao(int fItem) const {
    const Item& item = m_itens[fItem];
    QString texto = TextoEstado(item.estado);
    if (item.estado == EstadoGrupo::Pendente) {
        if (!item.motivo.isEmpty()) {
            texto += QStringLiteral(": ") + item.motivo;
        }
    } else if (item.autoria.data.isValid() || item.autoria.usuario != 0) {
        texto += QStringLiteral(" por ") + m_registro.NomeUsuario(item.autoria.usuario) +
                 QStringLiteral(" em ") + Quando(item.autoria.data);
        if (!item.motivo.isEmpty()) {
            texto += QStringLiteral(" (") + item.motivo + QLatin1Char(')');
        }
    }
    if (const Anotacao* r = ReservaDeOutro(fItem)) {
        texto += QStringLiteral(" — aberto por ") + m_registro.NomeUsuario(r->autoria.usuario);
    }
    return texto;
}

ListaTrabalho::Reserva ListaTrabalho::reservar(int fItem) {
    const Item& item = m_itens[fItem];
    const QString chave = QStringLiteral("Chave = '") + item.chave +
                          QStringLiteral("' AND Tipo = ") +
                          QString::number(int(VereditosRegistro::Reserva));
    const auto falhaReserva = [this] {
        falhaBanco(QStringLiteral("reservar o grupo"));
        return Reserva::Falhou;
    };
    NivelTransacao nivel(m_cn, m_ado);
    qint32 renovadas = 0;
    if (!nivel.Abrir() ||
        !m_ado.ExecutarSQL(m_cn,
                           QStringLiteral("UPDATE Cadunir_ListaTrabalho SET Data = getdate() "
                                          "WHERE ") +
                               chave + QStringLiteral(" AND Sessao = '") + m_sessao +
                               QLatin1Char('\''),
                           renovadas)) {
        return falhaReserva();
    }
    if (renovadas == 0) {
        // The lease is timed by the database's clock, whatever the workstations' say.
        Recordset rs;
        if (!m_ado.AbrirRecordset(m_cn, rs, QStringLiteral("SELECT getdate()"))) {
            return falhaReserva();
        }
        const QDateTime limite = rs.Fields(0).Value().toDateTime().addSecs(-kReservaSegundos);
        if (!executar(QStringLiteral("DELETE FROM Cadunir_ListaTrabalho WHERE ") + chave +
                      QStringLiteral(" AND Data < ") + dados::LiteralTSql(limite))) {
            return falhaReserva();
        }
        // Somebody else's lease is read first: the insert below fails only in a race.
        if (!m_ado.AbrirRecordset(m_cn, rs,
                                  QStringLiteral("SELECT COUNT(*) FROM Cadunir_ListaTrabalho "
                                                 "WHERE ") +
                                      chave)) {
            return falhaReserva();
        }
        const bool ocupado = rs.Fields(0).Value().toInt() > 0;
        if (ocupado ||
            !executar(QStringLiteral("INSERT INTO Cadunir_ListaTrabalho (Chave, Tipo, Membros, "
                                     "ID_Usuario, Sessao, Data) VALUES ('%1', %2, %3, %4, '%5', "
                                     "getdate())")
                          .arg(item.chave)
                          .arg(int(VereditosRegistro::Reserva))
                          .arg(dados::LiteralTSql(MembrosParaColuna(item.membros)))
                          .arg(m_usuario)
                          .arg(m_sessao))) {
            if (!ocupado && m_ado.ErrorNumber() != dados::ErroIntegridade) {
                return falhaReserva();
            }
            // Somebody else holds it: say who and since when.
            nivel.Cancelar();
            m_registro.LerMudancas();
            avaliarTocados();
            const Anotacao* r = ReservaDeOutro(fItem);
            m_mensagem = r ? QStringLiteral("O grupo está aberto por ") +
                                 m_registro.NomeUsuario(r->autoria.usuario) +
                                 QStringLiteral(" desde ") + Quando(r->autoria.data) +
                                 QLatin1Char('.')
                           : QStringLiteral("O grupo está aberto por outro administrador.");
            return Reserva::DeOutro;
        }
    }
    return nivel.Confirmar() ? Reserva::Obtida : falhaReserva();
}

bool ListaTrabalho::Abrir(int fItem) {
    m_mensagem.clear();
    // Every action shows first what the other administrators did.
    if (fItem < 0 || fItem >= m_itens.size() || !Atualizar()) {
        Fechar();
        return false;
    }
    NivelTransacao nivel(m_cn, m_ado);
    mudarAberto(-1);
    if (!nivel.Abrir() || !soltar()) {
        return falhaBanco(QStringLiteral("abrir o grupo"));
    }
    if (reservar(fItem) != Reserva::Obtida) {
        nivel.Confirmar();  // the previous group is let go all the same
        return false;
    }
    if (!nivel.Confirmar()) {
        return falhaBanco(QStringLiteral("abrir o grupo"));
    }
    mudarAberto(fItem);
    return true;
}

bool ListaTrabalho::Renovar() {
    m_mensagem.clear();
    if (m_aberto < 0) {
        return true;
    }
    if (reservar(m_aberto) == Reserva::Obtida) {
        return true;
    }
    mudarAberto(-1);
    return false;
}

void ListaTrabalho::mudarAberto(int fItem) {
    // A view keeps the open group in sight: both rows are to be looked at again.
    m_mudados << m_aberto << fItem;
    m_mudados.remove(-1);
    m_aberto = fItem;
}

bool ListaTrabalho::soltar() {
    return executar(
        QStringLiteral("DELETE FROM Cadunir_ListaTrabalho WHERE Tipo = %1 AND Sessao = '")
            .arg(int(VereditosRegistro::Reserva)) +
        m_sessao + QLatin1Char('\''));
}

void ListaTrabalho::Fechar() {
    if (m_aberto < 0) {
        return;
    }
    mudarAberto(-1);
    // A lease that cannot be let go lapses by itself.
    if (!soltar()) {
        dados::RegistrarDiagnostico(
            QStringLiteral("Lista de trabalho: reserva não liberada: %1 - %2")
                .arg(m_ado.ErrorNumber())
                .arg(m_ado.ErrorString()));
    }
}

int ListaTrabalho::AbrirProximo(const QVector<int>& fOrdem, int fDepois) {
    m_mensagem.clear();
    if (!Atualizar()) {
        Fechar();
        return -1;
    }
    // Letting the current group go and taking the next are one commit.
    NivelTransacao nivel(m_cn, m_ado);
    mudarAberto(-1);
    if (!nivel.Abrir() || !soltar()) {
        falhaBanco(QStringLiteral("abrir o próximo grupo"));
        return -1;
    }
    const int n = int(fOrdem.size());
    for (int passo = 1; passo <= n; ++passo) {
        const int i = fOrdem[(fDepois + passo + n) % n];
        if (m_itens[i].estado != EstadoGrupo::Pendente || ReservaDeOutro(i)) {
            continue;
        }
        const Reserva reserva = reservar(i);
        if (reserva == Reserva::Falhou) {
            return -1;  // Mensagem() says how the database failed
        }
        if (reserva == Reserva::Obtida) {
            if (!nivel.Confirmar()) {
                falhaBanco(QStringLiteral("abrir o próximo grupo"));
                return -1;
            }
            mudarAberto(i);
            return i;
        }
    }
    nivel.Confirmar();
    m_mensagem = QStringLiteral("Não há mais grupos pendentes.");
    return -1;
}

bool ListaTrabalho::conferir(int fEstadosAceitos) {
    if (!lerMudancas()) {
        return false;
    }
    Item& item = m_itens[m_aberto];
    // A record deleted outside any merge leaves no trace in the logs: ask the register.
    Recordset rs;
    if (!m_ado.AbrirRecordset(m_cn, rs,
                              QStringLiteral("SELECT ID_Paciente FROM Paciente WHERE ID_Paciente "
                                             "IN (") +
                                  Lista(item.membros) + QLatin1Char(')'))) {
        return falhaBanco(QStringLiteral("conferir o grupo"));
    }
    QSet<qint32> presentes;
    for (; !rs.Eof(); rs.MoveNext()) {
        presentes.insert(rs.Fields(0).Value().toInt());
    }
    if (item.estado != EstadoGrupo::Unificado) {
        for (const qint32 id : item.membros) {
            if (!presentes.contains(id)) {
                m_mensagem =
                    QStringLiteral("O grupo mudou: o cadastro %1 não existe mais.").arg(id);
                return false;
            }
        }
    }
    if (!(fEstadosAceitos & Bit(item.estado))) {
        m_mensagem = QStringLiteral("O grupo já está ") + Descricao(m_aberto) +
                     QStringLiteral(". Nada foi alterado.");
        return false;
    }
    return true;
}

bool ListaTrabalho::veredito(int fEstadosAceitos, const std::function<bool()>& fAcao,
                             bool fSoltar) {
    m_mensagem.clear();
    if (m_aberto < 0) {
        m_mensagem = QStringLiteral("Nenhum grupo está aberto.");
        return false;
    }
    {
        NivelTransacao nivel(m_cn, m_ado);
        if (!nivel.Abrir()) {
            return falhaBanco(QStringLiteral("abrir a transação"));
        }
        // The lease first: while this transaction holds it, no other program gives a verdict.
        if (reservar(m_aberto) != Reserva::Obtida) {
            mudarAberto(-1);
            return false;
        }
        if (!conferir(fEstadosAceitos) || !fAcao()) {
            return false;
        }
        // The group has its verdict: it is let go, in the same commit, for whoever looks next.
        if ((fSoltar && !soltar()) || !nivel.Confirmar()) {
            return falhaBanco(QStringLiteral("confirmar a transação"));
        }
        if (fSoltar) {
            mudarAberto(-1);
        }
    }
    Atualizar();
    return true;
}

bool ListaTrabalho::Adiar() {
    return veredito(Bit(EstadoGrupo::Pendente) | Bit(EstadoGrupo::Adiado), [this] {
        const Item& item = m_itens[m_aberto];
        const QString onde = QStringLiteral("DELETE FROM Cadunir_ListaTrabalho WHERE Chave = '") +
                             item.chave +
                             QStringLiteral("' AND Tipo IN (%1, %2)")
                                 .arg(int(VereditosRegistro::Adiado))
                                 .arg(int(VereditosRegistro::Pendente));
        return (executar(onde) &&
                executar(QStringLiteral("INSERT INTO Cadunir_ListaTrabalho (Chave, Tipo, Membros, "
                                        "ID_Usuario, Data) VALUES ('%1', %2, %3, %4, getdate())")
                             .arg(item.chave)
                             .arg(int(VereditosRegistro::Adiado))
                             .arg(dados::LiteralTSql(MembrosParaColuna(item.membros)))
                             .arg(m_usuario))) ||
               falhaBanco(QStringLiteral("adiar o grupo"));
    });
}

bool ListaTrabalho::NaoSaoAMesmaPessoa(int fMotivo, const QString& fObservacao) {
    return veredito(Bit(EstadoGrupo::Pendente) | Bit(EstadoGrupo::Adiado), [&] {
        clsDecisaoPessoas decisoes(m_cn, m_ado);
        QList<qint32> ids(m_itens[m_aberto].membros.begin(), m_itens[m_aberto].membros.end());
        if (decisoes.Registrar(ids, fMotivo, fObservacao, m_usuario)) {
            return true;
        }
        const clsError& erro = decisoes.Erro();
        m_mensagem = erro.ErrorNumber() < 0 && erro.ErrorNumber() > -100
                         ? erro.ErrorString()
                         : QStringLiteral(
                               "Ao registrar que os cadastros são de pessoas diferentes, "
                               "ocorreu o seguinte erro:\n\n") +
                               QString::number(erro.ErrorNumber()) + QStringLiteral(" - ") +
                               erro.ErrorString();
        return false;
    });
}

bool ListaTrabalho::Unificar(const std::function<bool(const QVector<qint32>&)>& fUnificar) {
    return veredito(Bit(EstadoGrupo::Pendente) | Bit(EstadoGrupo::Adiado),
                    [&] { return fUnificar(m_itens[m_aberto].membros); });
}

bool ListaTrabalho::ConferirAntesDeMarcar() {
    return veredito(
        Bit(EstadoGrupo::Pendente) | Bit(EstadoGrupo::Adiado), [] { return true; }, false);
}

bool ListaTrabalho::RemoverDecisao() {
    return veredito(Bit(EstadoGrupo::NaoMesmaPessoa), [this] {
        clsDecisaoPessoas decisoes(m_cn, m_ado);
        QList<qint32> ids(m_itens[m_aberto].membros.begin(), m_itens[m_aberto].membros.end());
        if (decisoes.Remover(ids, m_usuario)) {
            return true;
        }
        m_mensagem = QStringLiteral("Ao remover a decisão, ocorreu o seguinte erro:\n\n") +
                     QString::number(decisoes.Erro().ErrorNumber()) + QStringLiteral(" - ") +
                     decisoes.Erro().ErrorString();
        return false;
    });
}

bool ListaTrabalho::RemoverMarca(qint32 fID_Paciente, const std::function<bool(qint32)>& fRemover) {
    return veredito(Bit(EstadoGrupo::SemSolucao), [&] {
        if (!m_itens[m_aberto].membros.contains(fID_Paciente)) {
            m_mensagem = QStringLiteral("O cadastro %1 não é deste grupo.").arg(fID_Paciente);
            return false;
        }
        // The remover shows its own failure.
        return fRemover(fID_Paciente);
    });
}
