#include "worklist/MembrosAgrupamento.h"

#include <QDateTime>
#include <QHash>
#include <limits>

#include "data/ado/Recordset.h"
#include "data/base/ValorSeNulo.h"
#include "patient/NomeCompleto.h"
#include "review/clsVerificacaoSeguranca.h"

namespace {

constexpr int kLinhasPorPagina = 20000;
constexpr int kIdsPorConsulta = 1000;

// What names a member and tells people apart, read for the members only.
const QString kColunasDetalhe =
    QStringLiteral("ID_Paciente, Nome, Nome_Meio, Nome_Último, RG, CIC, Sexo, Data_Nascimento");

// One value of a group's key as the register compares it, handed out one UTF-16 unit at a
// time. Texts: trailing blanks and letter case do not count; dates: the moment; NULL: apart
// from every text, the empty one included. Most of a register is plain ASCII, folded here
// without Qt's tables.
template <class Emitir>
void Dobrar(const QVariant& valor, Emitir&& emitir) {
    if (valor.isNull()) {
        emitir(char16_t(0x01));
    } else if (valor.typeId() == QMetaType::QDateTime || valor.typeId() == QMetaType::QDate) {
        for (const QChar c : QString::number(valor.toDateTime().toMSecsSinceEpoch())) {
            emitir(c.unicode());
        }
    } else {
        const QString texto = valor.toString();
        qsizetype n = texto.size();
        while (n > 0 && texto[n - 1] == QLatin1Char(' ')) {
            --n;
        }
        for (qsizetype i = 0; i < n; ++i) {
            const char16_t c = texto[i].unicode();
            emitir(c < 0x80 ? char16_t(c >= u'A' && c <= u'Z' ? c + 32 : c)
                            : QChar(c).toLower().unicode());
        }
    }
    emitir(char16_t(0x1f));
}

// The key of a row's values (its columns from `desde` on) as text, and as a 64-bit hash
// (FNV-1a) that costs no allocation: most rows of the table belong to no group, and the hash
// alone tells them so.
QString Chave(const QVector<QVariant>& linha, int desde, int colunas) {
    QString chave;
    for (int c = desde; c < desde + colunas; ++c) {
        Dobrar(linha.value(c), [&chave](char16_t u) { chave += QChar(u); });
    }
    return chave;
}

quint64 Hash(const QVector<QVariant>& linha, int desde, int colunas) {
    quint64 h = 14695981039346656037ull;
    for (int c = desde; c < desde + colunas; ++c) {
        Dobrar(linha.value(c), [&h](char16_t u) { h = (h ^ u) * 1099511628211ull; });
    }
    return h;
}

struct Membro {
    qint32 id = 0;
    QString nome;
    clsVerificacaoSeguranca::Identificacao identificacao;
};

QString FalhaDeLeitura(clsADO& fADO) {
    return QStringLiteral("Ao ler os membros dos grupos, ocorreu o seguinte erro:\n\n") +
           QString::number(fADO.ErrorNumber()) + QStringLiteral(" - ") + fADO.ErrorString();
}

}  // namespace

bool MembrosAgrupamento(Connection& fCN, clsADO& fADO, const QStringList& fColunas,
                        const QVector<QVector<QVariant>>& fLinhas, QVector<GrupoTrabalho>& fGrupos,
                        QString& erro, const std::function<bool()>& parar) {
    fGrupos.clear();
    // The grouping's columns exactly as the grid names them: nothing else is read in the
    // pass over the whole table.
    static const QStringList permitidas = {QStringLiteral("Nome"),
                                           QStringLiteral("Nome_Meio"),
                                           QStringLiteral("Nome_Último"),
                                           QStringLiteral("RG"),
                                           QStringLiteral("CIC"),
                                           QStringLiteral("Prontuário"),
                                           QStringLiteral("Data_Nascimento")};
    for (const QString& coluna : fColunas) {
        if (!permitidas.contains(coluna, Qt::CaseInsensitive)) {
            erro = QStringLiteral("Coluna de agrupamento desconhecida: ") + coluna;
            return false;
        }
    }
    const int colunas = int(fColunas.size());
    QVector<QString> chaves(fLinhas.size());
    QMultiHash<quint64, int> grupoDoHash;
    grupoDoHash.reserve(fLinhas.size());
    for (int i = 0; i < fLinhas.size(); ++i) {
        chaves[i] = Chave(fLinhas[i], 0, colunas);
        grupoDoHash.insert(Hash(fLinhas[i], 0, colunas), i);
    }
    const auto grupoDe = [&](const QVector<QVariant>& linha) {
        const quint64 h = Hash(linha, 1, colunas);
        auto g = grupoDoHash.constFind(h);
        if (g == grupoDoHash.constEnd()) {
            return -1;
        }
        // The text decides: two keys may share a hash.
        const QString chave = Chave(linha, 1, colunas);
        for (; g != grupoDoHash.constEnd() && g.key() == h; ++g) {
            if (chaves[*g] == chave) {
                return *g;
            }
        }
        return -1;
    };

    // First pass: each record of the table to its group, by its grouping values alone.
    QVector<QVector<Membro>> membros(fLinhas.size());
    QHash<qint32, QPair<int, int>> lugar;  // member -> group, position in it
    qint64 ultimo = std::numeric_limits<qint32>::min();
    Recordset rs;
    for (;;) {
        if (parar && parar()) {
            erro = QStringLiteral("Leitura interrompida.");
            return false;
        }
        if (!fADO.AbrirRecordset(
                fCN, rs,
                QStringLiteral("SELECT TOP %1 ID_Paciente, ").arg(kLinhasPorPagina) +
                    fColunas.join(QStringLiteral(", ")) +
                    QStringLiteral(" FROM Paciente WHERE ID_Paciente > %1 ORDER "
                                   "BY ID_Paciente")
                        .arg(ultimo))) {
            erro = FalhaDeLeitura(fADO);
            return false;
        }
        const auto& linhas = rs.Dados().linhas;
        for (const QVector<QVariant>& l : linhas) {
            if (const int g = grupoDe(l); g >= 0) {
                lugar.insert(l[0].toInt(), {g, int(membros[g].size())});
                membros[g].append({l[0].toInt(), {}, {}});
            }
        }
        const qsizetype lidas = linhas.size();
        if (lidas > 0) {
            ultimo = linhas.back()[0].toLongLong();
        }
        rs.Close();
        if (lidas < kLinhasPorPagina) {
            break;
        }
    }

    // Second pass: names and documents of the members only, by key.
    QList<qint32> ids = lugar.keys();
    std::sort(ids.begin(), ids.end());
    for (qsizetype inicio = 0; inicio < ids.size(); inicio += kIdsPorConsulta) {
        if (parar && parar()) {
            erro = QStringLiteral("Leitura interrompida.");
            return false;
        }
        QStringList lote;
        for (const qint32 id : ids.mid(inicio, kIdsPorConsulta)) {
            lote << QString::number(id);
        }
        if (!fADO.AbrirRecordset(fCN, rs,
                                 QStringLiteral("SELECT ") + kColunasDetalhe +
                                     QStringLiteral(" FROM Paciente WHERE ID_Paciente IN (") +
                                     lote.join(QLatin1Char(',')) + QLatin1Char(')'))) {
            erro = FalhaDeLeitura(fADO);
            return false;
        }
        for (const QVector<QVariant>& l : rs.Dados().linhas) {
            const auto [g, i] = lugar.value(l[0].toInt());
            Membro& m = membros[g][i];
            m.nome = NomeJuntarPartes(TextoDoValor(l[1]), TextoDoValor(l[2]), TextoDoValor(l[3]));
            m.identificacao = {TextoDoValor(l[5]), TextoDoValor(l[4]), TextoDoValor(l[6]),
                               l[7].toDate()};
        }
        rs.Close();
    }

    fGrupos.reserve(membros.size());
    for (int i = 0; i < membros.size(); ++i) {
        const QVector<Membro>& grupo = membros[i];
        if (grupo.size() < 2) {
            continue;  // the register changed since the grouping
        }
        GrupoTrabalho g;
        g.nome = grupo.first().nome;
        for (int a = 0; a < grupo.size(); ++a) {
            g.membros << grupo[a].id;
            // The review's own checks on the values read.
            for (int b = a + 1; b < grupo.size() && !g.sinal; ++b) {
                g.sinal = !clsVerificacaoSeguranca::SinaisEntre(grupo[a].identificacao,
                                                                grupo[b].identificacao)
                               .isEmpty();
            }
        }
        fGrupos << g;
    }
    return true;
}
