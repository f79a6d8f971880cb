#include "worklist/MembrosAgrupamento.h"

#include <QDateTime>
#include <QHash>
#include <limits>

#include "data/ado/Recordset.h"
#include "data/base/ValorSeNulo.h"
#include "patient/NomeCompleto.h"
#include "review/clsComparacaoPacientes.h"
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

// One value as the register compares it. Texts: trailing blanks and letter case do not count;
// dates: the moment; NULL: apart from every text, the empty one included.
QString Chave(const QVariant& valor) {
    if (valor.isNull()) {
        return QStringLiteral("\x01");
    }
    if (valor.typeId() == QMetaType::QDateTime || valor.typeId() == QMetaType::QDate) {
        return valor.toDateTime().toString(Qt::ISODateWithMs);
    }
    QString texto = valor.toString();
    qsizetype n = texto.size();
    while (n > 0 && texto[n - 1] == QLatin1Char(' ')) {
        --n;
    }
    texto.truncate(n);
    return texto.toLower();
}

struct Membro {
    qint32 id = 0;
    QString nome;
    clsComparacaoPacientes::Registro dados;
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
    const auto chaveDe = [&](auto valor) {
        QString chave;
        for (int c = 0; c < indices.size(); ++c) {
            chave += Chave(valor(c)) + QChar(0x1f);
        }
        return chave;
    };
    QHash<QString, int> grupoDaChave;
    grupoDaChave.reserve(fLinhas.size());
    for (int i = 0; i < fLinhas.size(); ++i) {
        grupoDaChave.insert(chaveDe([&](int c) { return fLinhas[i].value(c); }), i);
    }
    QVector<QVector<Membro>> membros(fLinhas.size());

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
            const auto g = grupoDaChave.constFind(chaveDe([&](int c) { return l[indices[c]]; }));
            if (g == grupoDaChave.constEnd()) {
                continue;
            }
            Membro m;
            m.id = l[0].toInt();
            m.nome = NomeJuntarPartes(TextoDoValor(l[1]), TextoDoValor(l[2]), TextoDoValor(l[3]));
            m.dados.id = m.id;
            m.dados.valores.insert(QStringLiteral("RG"), TextoDoValor(l[4]));
            m.dados.valores.insert(QStringLiteral("CIC"), TextoDoValor(l[5]));
            m.dados.valores.insert(QStringLiteral("Sexo"), TextoDoValor(l[8]));
            m.dados.nascimento = l[7].toDate();
            membros[*g] << m;
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

    // The signs are the review's own checks on the values read.
    clsComparacaoPacientes comparacao(fCN, fADO);
    fGrupos.reserve(membros.size());
    for (const QVector<Membro>& grupo : membros) {
        if (grupo.size() < 2) {
            continue;  // the register changed since the grouping
        }
        GrupoTrabalho g;
        g.nome = grupo.first().nome;
        QVector<clsComparacaoPacientes::Registro> registros;
        for (const Membro& m : grupo) {
            g.membros << m.id;
            registros << m.dados;
        }
        comparacao.Definir(registros);
        g.sinal = !clsVerificacaoSeguranca::Conflitos(comparacao, {}, {}).isEmpty();
        fGrupos << g;
    }
    return true;
}
