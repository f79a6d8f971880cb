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

// What the page reads: every grouping column, and what names a member and tells people apart.
const QStringList kColunasLidas = {QStringLiteral("Nome"),
                                   QStringLiteral("Nome_Meio"),
                                   QStringLiteral("Nome_Último"),
                                   QStringLiteral("RG"),
                                   QStringLiteral("CIC"),
                                   QStringLiteral("Prontuário"),
                                   QStringLiteral("Data_Nascimento"),
                                   QStringLiteral("Sexo")};

// One value, appended to a group's key as the register compares it. Texts: trailing blanks
// and letter case do not count; dates: the moment; NULL: apart from every text, the empty one
// included. Most of a register is plain ASCII, folded here without Qt's tables.
void AnexarChave(const QVariant& valor, QString& chave) {
    if (valor.isNull()) {
        chave += QChar(0x01);
    } else if (valor.typeId() == QMetaType::QDateTime || valor.typeId() == QMetaType::QDate) {
        chave += QString::number(valor.toDateTime().toMSecsSinceEpoch());
    } else {
        const QString texto = valor.toString();
        qsizetype n = texto.size();
        while (n > 0 && texto[n - 1] == QLatin1Char(' ')) {
            --n;
        }
        for (qsizetype i = 0; i < n; ++i) {
            const char16_t c = texto[i].unicode();
            chave += c < 0x80 ? QChar(c >= u'A' && c <= u'Z' ? c + 32 : c) : QChar(c).toLower();
        }
    }
    chave += QChar(0x1f);
}

struct Membro {
    qint32 id = 0;
    clsVerificacaoSeguranca::Identificacao identificacao;
};

}  // namespace

bool MembrosAgrupamento(Connection& fCN, clsADO& fADO, const QStringList& fColunas,
                        const QVector<QVector<QVariant>>& fLinhas, QVector<GrupoTrabalho>& fGrupos,
                        QString& erro, const std::function<bool()>& parar) {
    fGrupos.clear();
    QVector<int> indices;
    for (const QString& coluna : fColunas) {
        const auto i = std::find_if(
            kColunasLidas.begin(), kColunasLidas.end(),
            [&](const QString& c) { return c.compare(coluna, Qt::CaseInsensitive) == 0; });
        if (i == kColunasLidas.end()) {
            erro = QStringLiteral("Coluna de agrupamento desconhecida: ") + coluna;
            return false;
        }
        indices << int(i - kColunasLidas.begin()) + 1;
    }
    QString chave;
    QHash<QString, int> grupoDaChave;
    grupoDaChave.reserve(fLinhas.size());
    for (int i = 0; i < fLinhas.size(); ++i) {
        chave.clear();
        for (int c = 0; c < indices.size(); ++c) {
            AnexarChave(fLinhas[i].value(c), chave);
        }
        grupoDaChave.insert(chave, i);
    }
    QVector<QVector<Membro>> membros(fLinhas.size());
    QVector<QString> nomes(fLinhas.size());

    qint64 ultimo = std::numeric_limits<qint32>::min();
    Recordset rs;
    for (;;) {
        if (parar && parar()) {
            erro = QStringLiteral("Leitura interrompida.");
            return false;
        }
        const QString sql = QStringLiteral("SELECT TOP %1 ID_Paciente, ").arg(kLinhasPorPagina) +
                            kColunasLidas.join(QStringLiteral(", ")) +
                            QStringLiteral(
                                " FROM Paciente WHERE ID_Paciente > %1 ORDER BY "
                                "ID_Paciente")
                                .arg(ultimo);
        if (!fADO.AbrirRecordset(fCN, rs, sql)) {
            erro = QStringLiteral("Ao ler os membros dos grupos, ocorreu o seguinte erro:\n\n") +
                   QString::number(fADO.ErrorNumber()) + QStringLiteral(" - ") + fADO.ErrorString();
            return false;
        }
        const auto& linhas = rs.Dados().linhas;
        for (const QVector<QVariant>& l : linhas) {
            chave.clear();
            for (const int c : indices) {
                AnexarChave(l[c], chave);
            }
            const auto g = grupoDaChave.constFind(chave);
            if (g == grupoDaChave.constEnd()) {
                continue;
            }
            if (membros[*g].isEmpty()) {
                nomes[*g] =
                    NomeJuntarPartes(TextoDoValor(l[1]), TextoDoValor(l[2]), TextoDoValor(l[3]));
            }
            membros[*g].append(
                {l[0].toInt(),
                 {TextoDoValor(l[5]), TextoDoValor(l[4]), TextoDoValor(l[8]), l[7].toDate()}});
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

    fGrupos.reserve(membros.size());
    for (int i = 0; i < membros.size(); ++i) {
        const QVector<Membro>& grupo = membros[i];
        if (grupo.size() < 2) {
            continue;  // the register changed since the grouping
        }
        GrupoTrabalho g;
        g.nome = nomes[i];
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
