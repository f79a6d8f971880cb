#include "ModeloGrupos.h"

#include <QLocale>
#include <QSet>

#include "data/ado/Recordset.h"
#include "data/ado/clsADO.h"
#include "match/EvidenciaPar.h"
#include "patient/RegrasMesmaPessoa.h"

using namespace semelhanca;

namespace {

// The verdicts of the group's weakest pair of members, field by field.
QString Explicar(const LocalizadorSemelhantes& busca, const GrupoCandidato& g) {
    const EvidenciaPar e = Evidencia(busca, g.fracoA, g.fracoB);
    const QLocale local;
    QString texto = QStringLiteral("ID %1 e ID %2: %3")
                        .arg(e.idA)
                        .arg(e.idB)
                        .arg(local.toString(e.pontuacao, 'f', 1));
    for (const ItemEvidencia& item : e.campos) {
        if (!item.mostrar)
            continue;
        texto += QLatin1Char('\n') + item.legenda + QStringLiteral(": ") + item.veredito;
        if (item.pesa)
            texto += QStringLiteral(" (%1%2)")
                         .arg(item.peso >= 0 ? QStringLiteral("+") : QString())
                         .arg(local.toString(item.peso, 'f', 1));
    }
    return texto;
}

QString Observacao(const GrupoCandidato& g) {
    QStringList partes = TextosSinais(g.sinais);
    if (g.decidido)
        partes << QStringLiteral("decididos como pessoas diferentes");
    if (g.semSolucao)
        partes << QStringLiteral("sem solução");
    if (partes.isEmpty() && g.conflito)
        partes << QStringLiteral("registros que parecem pessoas diferentes");
    return partes.join(QStringLiteral("; "));
}

}  // namespace

ModeloGrupos::ModeloGrupos(QObject* parent) : QAbstractTableModel(parent) {}

bool ModeloGrupos::Buscar(Connection& cn, clsADO& ado, const OpcoesBusca& opcoes,
                          QVector<Grupo>& grupos, QString& erro,
                          const LocalizadorSemelhantes::Progresso& progresso, QString* aviso) {
    LocalizadorSemelhantes busca(opcoes);
    if (!busca.Executar(cn, ado, progresso)) {
        erro = busca.Erro();
        return false;
    }
    if (aviso)
        *aviso = busca.Aviso();
    grupos.clear();
    for (const GrupoCandidato& g : busca.Agrupar(opcoes.limiar)) {
        Grupo linha;
        linha.nome = busca.NomeCompleto(g.membros.first());
        for (int m = 0; m < g.membros.size(); ++m) {
            linha.ids << busca.Reg(g.membros[m]).id;
            linha.pontuacaoMembro << g.pontuacaoMembro.value(m, -1);
        }
        linha.pontuacao = g.ligacao;
        linha.menorPar = g.menorPar;
        linha.conflito = g.conflito;
        linha.observacao = Observacao(g);
        linha.explicacao = Explicar(busca, g);
        grupos << linha;
    }
    return true;
}

void ModeloGrupos::Definir(QVector<Grupo> grupos) {
    beginResetModel();
    m_grupos = std::move(grupos);
    endResetModel();
}

QHash<qint32, double> ModeloGrupos::PontuacoesMembros(int linha) const {
    QHash<qint32, double> pontuacoes;
    if (linha >= 0 && linha < m_grupos.size()) {
        const Grupo& g = m_grupos[linha];
        for (int m = 0; m < g.ids.size(); ++m) {
            pontuacoes.insert(g.ids[m], g.pontuacaoMembro.value(m, -1));
        }
    }
    return pontuacoes;
}

QString ModeloGrupos::ObterSQLMembros(int linha) const {
    if (linha < 0 || linha >= m_grupos.size() || m_grupos[linha].ids.isEmpty())
        return {};
    QStringList ids;
    for (qint32 id : m_grupos[linha].ids) ids << QString::number(id);
    return QStringLiteral(
               " SELECT Paciente.ID_Paciente, Paciente.Prontuário, Paciente.Nome + CASE WHEN "
               "Nome_Meio IS NULL THEN '' ELSE ' ' + Nome_Meio END + CASE WHEN Nome_Último IS "
               "NULL THEN '' ELSE ' ' + Nome_Último END AS Nome_Completo   FROM Paciente   "
               "WHERE ID_Paciente IN (") +
           ids.join(QStringLiteral(", ")) + ')';
}

bool ModeloGrupos::AbrirMembros(Connection& fCN, clsADO& fADO, Recordset& fRS, int linha) const {
    const QString sql = ObterSQLMembros(linha);
    return !sql.isEmpty() && fADO.AbrirRecordset(fCN, fRS, sql);
}

bool ModeloGrupos::Conferir(Connection& cn, clsADO& ado, int linha) {
    if (linha < 0 || linha >= m_grupos.size())
        return true;
    QStringList ids;
    for (qint32 id : m_grupos[linha].ids) ids << QString::number(id);
    Recordset rs;
    if (!ado.AbrirRecordset(cn, rs,
                            " SELECT ID_Paciente FROM Paciente WHERE ID_Paciente IN (" +
                                ids.join(QStringLiteral(", ")) + ")")) {
        m_erro = QStringLiteral("%1 - %2").arg(ado.ErrorNumber()).arg(ado.ErrorString());
        return false;
    }
    QSet<qint32> existem;
    for (const auto& l : rs.Dados().linhas) existem << l[0].toInt();
    rs.Close();
    Grupo& g = m_grupos[linha];
    QVector<qint32> restam;
    for (qint32 id : g.ids)
        if (existem.contains(id))
            restam << id;
    if (restam.size() >= 2) {
        g.ids = restam;
        emit dataChanged(index(linha, 0), index(linha, Colunas - 1));
    } else {
        beginRemoveRows({}, linha, linha);
        m_grupos.removeAt(linha);
        endRemoveRows();
    }
    return true;
}

int ModeloGrupos::LinhaDoPaciente(qint32 id) const {
    for (int i = 0; i < m_grupos.size(); ++i)
        if (m_grupos[i].ids.contains(id))
            return i;
    return -1;
}

int ModeloGrupos::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_grupos.size());
}

int ModeloGrupos::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Colunas;
}

QVariant ModeloGrupos::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_grupos.size())
        return {};
    const Grupo& g = m_grupos[index.row()];
    const QLocale local;
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
            case ColNome:
                return g.nome;
            case ColRegistros:
                return local.toString(g.ids.size());
            case ColPontuacao:
                return local.toString(g.pontuacao, 'f', 1);
            case ColObservacao:
                return g.observacao;
            default:
                return {};
        }
    }
    if (role == Qt::ToolTipRole) {
        // The verdicts behind the score, beneath the warning when there is one.
        QString dica = g.explicacao;
        if (g.conflito)
            dica = QStringLiteral(
                       "Dois registros deste grupo parecem ser de pessoas diferentes (%1; "
                       "pontuação %2): confira antes de unificar.\n\n")
                       .arg(g.observacao, local.toString(g.menorPar, 'f', 1)) +
                   dica;
        return dica.isEmpty() ? QVariant() : QVariant(dica);
    }
    if (role == Qt::TextAlignmentRole && index.column() != ColNome &&
        index.column() != ColObservacao)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant ModeloGrupos::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
        case ColNome:
            return QStringLiteral("Nome");
        case ColRegistros:
            return QStringLiteral("Registros");
        case ColPontuacao:
            return QString::fromUtf8("Pontuação");
        case ColObservacao:
            return QString::fromUtf8("Observação");
        default:
            return {};
    }
}
