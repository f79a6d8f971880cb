#include "main/clsPacienteCriterio.h"

#include "patient/NomeCompleto.h"
#include "patient/clsData.h"

namespace {
constexpr int kCriterios = 7;

void definir(clsString& campo, const char* nome, qint32 maximo) {
    campo.setNome(QString::fromUtf8(nome));
    campo.setTamanhoMáximo(maximo);
}
}  // namespace

clsPacienteCriterio::clsPacienteCriterio() {
    definir(m_nome, "Nome", 30);
    definir(m_nomeMeio, "Nome_Meio", 50);
    definir(m_nomeUltimo, "Nome_Último", 20);
    definir(m_rg, "RG", 30);
    definir(m_cic, "CIC", 30);
    definir(m_prontuario, "Prontuário", 20);
    definir(m_dataNascimento, "Data_Nascimento", 10);
}

const clsString* clsPacienteCriterio::criterio(int ordem) const {
    const clsString* const ordemFixa[kCriterios] = {
        &m_nome, &m_nomeMeio, &m_nomeUltimo, &m_rg, &m_cic, &m_prontuario, &m_dataNascimento,
    };
    return ordemFixa[ordem];
}

QString clsPacienteCriterio::ObterSELECT() const {
    QString lista;
    for (int i = 0; i < kCriterios; ++i) {
        if (criterio(i)->Obrigatório())
            lista += criterio(i)->Nome() + QStringLiteral(", ");
    }
    lista.chop(2);
    return lista;
}

QString clsPacienteCriterio::ObterWHERE() const {
    QString condicoes;
    for (int i = 0; i < kCriterios; ++i) {
        const clsString& c = *criterio(i);
        if (!c.Obrigatório() || c.Valor().isEmpty())
            continue;
        QString valor;
        if (c.Nome().toUpper() == QStringLiteral("DATA_NASCIMENTO")) {
            // The value is the grouping result's short date; anything unreadable goes as the
            // text it is, still quoted safely, and the database decides.
            const QDateTime data = clsData::DataDoTexto(c.Valor());
            valor = data.isValid() ? data.toString(QStringLiteral("yyyy-MM-dd")) : c.TextoParaSQL();
        } else {
            valor = c.TextoParaSQL();
        }
        condicoes += c.Nome() + QStringLiteral(" = '") + valor + QStringLiteral("' AND ");
    }
    if (condicoes.isEmpty())
        return condicoes;
    condicoes.chop(4);
    return QStringLiteral(" WHERE ") + condicoes;
}

QString clsPacienteCriterio::ObterHAVING() const {
    return m_masQueUmaOcorrencia ? QStringLiteral(" HAVING MAX(ID_Paciente) <> MIN(ID_Paciente) ")
                                 : QString();
}

QString clsPacienteCriterio::ObterSQLComAgrupamento() const {
    const QString lista = ObterSELECT();
    if (lista.isEmpty())
        return QString();
    return QStringLiteral(" SELECT ") + lista + QStringLiteral(" FROM Paciente ") +
           QStringLiteral(" ") + ObterWHERE() + QStringLiteral(" GROUP BY ") + lista +
           QStringLiteral(" ") + ObterHAVING() + QStringLiteral(" ORDER BY ") + lista;
}

QString clsPacienteCriterio::ObterSQLSemAgrupamento() const {
    const QString where = ObterWHERE();
    if (where.isEmpty())
        return QString();
    return QStringLiteral(" SELECT ") +
           QStringLiteral(
               "[ID_Paciente] ,[Nome],[Nome_Meio],[Nome_Último],[RG],[CIC],[Data_Nascimento],"
               "[Prontuário],[Endereço],[CEP],[Bairro],[Cidade],[Estado],[Telefone],[Sexo],"
               "[Raça],[Convênio],[Profissão],[Número_Convênio],[Peso],[Altura],[Email]") +
           QStringLiteral(" FROM Paciente ") + QStringLiteral(" ") + where;
}

bool clsPacienteCriterio::NomeSeparar(const QString& fNomeCompleto) {
    const PartesNome partes = NomeSepararPartes(fNomeCompleto);
    m_nome.setValor(partes.nome);
    m_nomeMeio.setValor(partes.meio);
    m_nomeUltimo.setValor(partes.ultimo);
    return true;
}

QString clsPacienteCriterio::GetNomeCompleto() const {
    return NomeJuntarPartes(m_nome.Valor(), m_nomeMeio.Valor(), m_nomeUltimo.Valor());
}
