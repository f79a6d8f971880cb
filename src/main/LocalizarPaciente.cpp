#include "main/LocalizarPaciente.h"

#include "data/ado/Recordset.h"
#include "data/base/ValorSeNulo.h"
#include "main/InicioPrograma.h"
#include "patient/LegendasCampos.h"
#include "patient/clsString.h"

namespace {

const QStringList kColunasGrupo = {QStringLiteral("Nome"),
                                   QStringLiteral("Nome_Meio"),
                                   QStringLiteral("Nome_Último"),
                                   QStringLiteral("RG"),
                                   QStringLiteral("CIC"),
                                   QStringLiteral("Prontuário"),
                                   QStringLiteral("Data_Nascimento")};

bool vazio(const QVariant& v) {
    return v.isNull() || v.toString().trimmed().isEmpty();
}

// SQL Server's default collation: letter case and trailing blanks do not count, accents do.
bool iguais(const QVariant& a, const QVariant& b) {
    if (a.isNull() || b.isNull()) {
        return a.isNull() && b.isNull();
    }
    if (a.typeId() == QMetaType::QDateTime || b.typeId() == QMetaType::QDateTime) {
        return a.toDateTime() == b.toDateTime();
    }
    const auto semBrancosFinais = [](QString t) {
        while (t.endsWith(QLatin1Char(' '))) {
            t.chop(1);
        }
        return t;
    };
    return semBrancosFinais(a.toString())
               .compare(semBrancosFinais(b.toString()), Qt::CaseInsensitive) == 0;
}

}  // namespace

bool LocalizarPacientes(Connection& fCN, clsADO& fADO, const QString& fTexto,
                        QList<PacienteLocalizado>& fAchados, int fLimite) {
    fAchados.clear();
    const QString texto = fTexto.trimmed();
    if (texto.isEmpty()) {
        return true;
    }
    const QString nomeCompleto = QStringLiteral(
        "Nome + CASE WHEN Nome_Meio IS NULL THEN '' ELSE ' ' + Nome_Meio END + CASE WHEN "
        "Nome_Último IS NULL THEN '' ELSE ' ' + Nome_Último END");
    const QString literal = clsString().TextoParaSQL(texto);
    bool numero = false;
    const qint64 id = texto.toLongLong(&numero);
    QString onde;
    if (numero && id > 0 && id <= 2147483647) {
        onde = QStringLiteral("ID_Paciente = %1 OR Prontuário = '%2'").arg(id).arg(literal);
    } else {
        QString padrao = literal;
        // LIKE's own signs in a typed name are letters, not patterns.
        padrao.replace(QLatin1Char('['), QStringLiteral("[[]"))
            .replace(QLatin1Char('%'), QStringLiteral("[%]"))
            .replace(QLatin1Char('_'), QStringLiteral("[_]"));
        onde = nomeCompleto + QStringLiteral(" LIKE '%") + padrao + QStringLiteral("%'");
    }
    Recordset rs;
    const QString sql = QStringLiteral("SELECT TOP %1 ID_Paciente, ").arg(fLimite) +
                        kColunasGrupo.join(QStringLiteral(", ")) + QStringLiteral(", ") +
                        nomeCompleto + QStringLiteral(" AS Nome_Completo FROM Paciente WHERE ") +
                        onde + QStringLiteral(" ORDER BY ID_Paciente");
    if (!fADO.AbrirRecordset(fCN, rs, sql)) {
        return false;
    }
    for (; !rs.Eof(); rs.MoveNext()) {
        PacienteLocalizado p;
        p.ID_Paciente = rs.Fields(QStringLiteral("ID_Paciente")).Value().toInt();
        p.NomeCompleto = TextoDoValor(rs.Fields(QStringLiteral("Nome_Completo")).Value());
        for (const QString& coluna : kColunasGrupo) {
            p.valores.append({coluna, rs.Fields(coluna).Value()});
        }
        fAchados << p;
    }
    rs.Close();
    return true;
}

int LinhaDoPaciente(const dados::DadosConsulta& fGrupos, const PacienteLocalizado& fPaciente) {
    QVector<QVariant> valores;
    for (const dados::InfoColuna& coluna : fGrupos.colunas) {
        const auto achado = std::find_if(
            fPaciente.valores.begin(), fPaciente.valores.end(), [&coluna](const auto& par) {
                return par.first.compare(coluna.nome, Qt::CaseInsensitive) == 0;
            });
        if (achado == fPaciente.valores.end()) {
            return -1;  // not a grouping of patient fields
        }
        valores << achado->second;
    }
    for (int linha = 0; linha < fGrupos.linhas.size(); ++linha) {
        const QVector<QVariant>& grupo = fGrupos.linhas[linha];
        bool todos = grupo.size() == valores.size();
        for (int c = 0; todos && c < valores.size(); ++c) {
            todos = iguais(grupo[c], valores[c]);
        }
        if (todos) {
            return linha;
        }
    }
    return -1;
}

QString GrupoSemValor(const QStringList& fColunas, const QVector<QVariant>& fValores) {
    if (fColunas.isEmpty() || fValores.size() != fColunas.size()) {
        return {};
    }
    for (const QVariant& v : fValores) {
        if (!vazio(v)) {
            return {};
        }
    }
    QStringList legendas;
    for (const QString& coluna : fColunas) {
        legendas << LegendaCampo(coluna);
    }
    if (legendas.size() == 1) {
        const QString artigo =
            fColunas.first().compare(QStringLiteral("Data_Nascimento"), Qt::CaseInsensitive) == 0
                ? QStringLiteral("pela")
                : QStringLiteral("pelo");
        return QStringLiteral("%1 vazio: estes cadastros não são agrupados %2 %1")
            .arg(legendas.first(), artigo);
    }
    const QString ultimo = legendas.takeLast();
    return legendas.join(QStringLiteral(", ")) + QStringLiteral(" e ") + ultimo +
           QStringLiteral(" vazios: estes cadastros não são agrupados por esses campos");
}

QString GrupoSemValorDaLinhaAtual(const Recordset& fGrupos) {
    const qint32 posicao = fGrupos.State() == adStateOpen ? fGrupos.AbsolutePosition() : 0;
    if (posicao < 1 || posicao > fGrupos.RecordCount()) {
        return {};
    }
    QStringList colunas;
    for (const auto& coluna : fGrupos.Dados().colunas) {
        colunas << coluna.nome;
    }
    return GrupoSemValor(colunas, fGrupos.Dados().linhas[posicao - 1]);
}

QString LocalizadorPaciente::Proximo(
    Connection& fCN, clsADO& fADO, const QString& fTexto,
    const std::function<bool(const PacienteLocalizado&)>& fIrPara) {
    const QString texto = fTexto.trimmed();
    if (texto.isEmpty()) {
        return {};
    }
    QList<PacienteLocalizado> achados;
    if (!LocalizarPacientes(fCN, fADO, texto, achados)) {
        return QStringLiteral("Ao localizar o paciente, ocorreu o seguinte erro:\n\n") +
               QString::number(fADO.ErrorNumber()) + QStringLiteral(" - ") + fADO.ErrorString() +
               DetalheEDiagnostico(fADO.DetalheDoErro());
    }
    if (achados.isEmpty()) {
        return QStringLiteral("Nenhum paciente encontrado com \"%1\".").arg(texto);
    }
    for (int n = 0; n < achados.size(); ++n) {
        const int i = (m_proximo + n) % int(achados.size());
        if (fIrPara(achados[i])) {
            m_proximo = (i + 1) % int(achados.size());
            return {};
        }
    }
    const PacienteLocalizado& p = achados.first();
    return achados.size() == 1
               ? QStringLiteral("O paciente %1 (ID %2) não está em nenhum grupo da lista.")
                     .arg(p.NomeCompleto)
                     .arg(p.ID_Paciente)
               : QStringLiteral(
                     "Nenhum dos %1 pacientes encontrados com \"%2\" está em algum "
                     "grupo da lista.")
                     .arg(achados.size())
                     .arg(texto);
}
