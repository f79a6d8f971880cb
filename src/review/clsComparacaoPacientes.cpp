#include "review/clsComparacaoPacientes.h"

#include <QStringList>
#include <algorithm>

#include "data/ado/Recordset.h"
#include "data/base/ValorSeNulo.h"
#include "patient/Normalizado.h"

namespace {

QString ListaIds(const QList<qint32>& ids) {
    QStringList textos;
    for (const qint32 id : ids) {
        textos << QString::number(id);
    }
    return textos.join(QStringLiteral(", "));
}

// An aggregate of a date column may come back as a date or as its text, depending on the
// engine; both are read as a date and time.
QDateTime ComoDataHora(const QVariant& valor) {
    if (valor.isNull()) {
        return {};
    }
    if (valor.canConvert<QDateTime>() && valor.toDateTime().isValid()) {
        return valor.toDateTime();
    }
    const QString texto = valor.toString().trimmed();
    QDateTime data = QDateTime::fromString(texto, Qt::ISODate);
    if (!data.isValid()) {
        data = QDateTime::fromString(texto, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    return data;
}

}  // namespace

clsComparacaoPacientes::clsComparacaoPacientes(Connection& fCN, clsADO& fADO)
    : m_cn(fCN), m_ado(fADO) {}

const QVector<clsComparacaoPacientes::Campo>& clsComparacaoPacientes::Campos() {
    static const QVector<Campo> campos = {
        {QStringLiteral("ID_Paciente"), QStringLiteral("ID"), false},
        {QStringLiteral("Prontuário"), QStringLiteral("Prontuário"), true},
        {QStringLiteral("Nome"), QStringLiteral("Nome"), true},
        {QStringLiteral("Nome_Meio"), QStringLiteral("Nome do meio"), true},
        {QStringLiteral("Nome_Último"), QStringLiteral("Último nome"), true},
        {QStringLiteral("Data_Nascimento"), QStringLiteral("Data de nascimento"), true},
        {QStringLiteral("Sexo"), QStringLiteral("Sexo"), true},
        {QStringLiteral("RG"), QStringLiteral("RG"), true},
        {QStringLiteral("CIC"), QStringLiteral("CIC"), true},
        {QStringLiteral("Raça"), QStringLiteral("Raça"), true},
        {QStringLiteral("Profissão"), QStringLiteral("Profissão"), true},
        {QStringLiteral("Peso"), QStringLiteral("Peso"), true},
        {QStringLiteral("Altura"), QStringLiteral("Altura"), true},
        {QStringLiteral("Endereço"), QStringLiteral("Endereço"), true},
        {QStringLiteral("CEP"), QStringLiteral("CEP"), true},
        {QStringLiteral("Bairro"), QStringLiteral("Bairro"), true},
        {QStringLiteral("Cidade"), QStringLiteral("Cidade"), true},
        {QStringLiteral("Estado"), QStringLiteral("Estado"), true},
        {QStringLiteral("Telefone"), QStringLiteral("Telefone"), true},
        {QStringLiteral("Email"), QStringLiteral("E-mail"), true},
        {QStringLiteral("Convênio"), QStringLiteral("Convênio"), true},
        {QStringLiteral("Número_Convênio"), QStringLiteral("Número do convênio"), true},
        {QStringLiteral("ID_Paciente_Externo"), QStringLiteral("ID externo"), true},
        {QStringLiteral("Exames"), QStringLiteral("Exames (Exame)"), false},
        {QStringLiteral("Exames_BK"), QStringLiteral("Exames (cópia de segurança)"), false},
        {QStringLiteral("Ultimo_Exame"), QStringLiteral("Último exame"), false},
    };
    return campos;
}

int clsComparacaoPacientes::LinhaDoCampo(const QString& chave) {
    const auto& campos = Campos();
    for (int i = 0; i < campos.size(); ++i) {
        if (campos[i].chave.compare(chave, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

bool clsComparacaoPacientes::Carregar(const QList<qint32>& fIDs) {
    m_registros.clear();
    m_ausentes.clear();
    if (fIDs.isEmpty()) {
        return true;
    }
    const QString ids = ListaIds(fIDs);
    QHash<qint32, Registro> lidos;
    {
        Recordset rs;
        if (!m_ado.AbrirRecordset(m_cn, rs,
                                  "SELECT * FROM Paciente WHERE ID_Paciente IN (" + ids + ")")) {
            m_erro.AtualizarErro(m_ado.ErrorNumber(), m_ado.ErrorString(),
                                 QStringLiteral("Carregar"), QString());
            return false;
        }
        for (; !rs.Eof(); rs.MoveNext()) {
            Registro r;
            r.id = ValorSeNulo(rs.Fields(QStringLiteral("ID_Paciente")).Value(), 0).toInt();
            for (const Campo& campo : Campos()) {
                if (campo.comparado) {
                    const QVariant valor = rs.Fields(campo.chave).Value();
                    r.originais.insert(campo.chave, valor);
                    r.valores.insert(campo.chave, TextoDoValor(valor));
                }
            }
            r.valores.insert(QStringLiteral("ID_Paciente"), QString::number(r.id));
            const QVariant nascimento = rs.Fields(QStringLiteral("Data_Nascimento")).Value();
            r.nascimento = ComoDataHora(nascimento).date();
            lidos.insert(r.id, r);
        }
        rs.Close();
    }
    for (const char* sufixo : {"", "_BK"}) {
        Recordset rs;
        if (!m_ado.AbrirRecordset(m_cn, rs,
                                  QStringLiteral("SELECT ID_Paciente, COUNT(*) AS Quantos, "
                                                 "MAX(Data_Exame) AS Ultimo FROM Exame") +
                                      QLatin1String(sufixo) + " WHERE ID_Paciente IN (" + ids +
                                      ") GROUP BY ID_Paciente")) {
            m_erro.AtualizarErro(m_ado.ErrorNumber(), m_ado.ErrorString(),
                                 QStringLiteral("Carregar"), QString());
            return false;
        }
        const bool principal = *sufixo == '\0';
        for (; !rs.Eof(); rs.MoveNext()) {
            const qint32 id = ValorSeNulo(rs.Fields(0).Value(), 0).toInt();
            auto r = lidos.find(id);
            if (r == lidos.end()) {
                continue;
            }
            const qint32 quantos = ValorSeNulo(rs.Fields(1).Value(), 0).toInt();
            (principal ? r->exames : r->examesBK) = quantos;
            const QDateTime ultimo = ComoDataHora(rs.Fields(2).Value());
            if (ultimo.isValid() && (!r->ultimoExame.isValid() || ultimo > r->ultimoExame)) {
                r->ultimoExame = ultimo;
            }
        }
        rs.Close();
    }
    QVector<Registro> registros;
    for (const qint32 id : fIDs) {
        const auto r = lidos.constFind(id);
        if (r == lidos.constEnd()) {
            if (!m_ausentes.contains(id)) {
                m_ausentes << id;
            }
        } else if (std::none_of(registros.cbegin(), registros.cend(),
                                [id](const Registro& x) { return x.id == id; })) {
            registros << *r;
        }
    }
    Definir(registros);
    return true;
}

void clsComparacaoPacientes::Definir(const QVector<Registro>& registros) {
    m_registros = registros;
    for (Registro& r : m_registros) {
        r.valores.insert(QStringLiteral("ID_Paciente"), QString::number(r.id));
        r.valores.insert(QStringLiteral("Exames"), QString::number(r.exames));
        r.valores.insert(QStringLiteral("Exames_BK"), QString::number(r.examesBK));
        r.valores.insert(QStringLiteral("Ultimo_Exame"),
                         r.ultimoExame.isValid() ? TextoDoValor(r.ultimoExame) : QString());
        if (!r.valores.contains(QStringLiteral("Data_Nascimento")) && r.nascimento.isValid()) {
            r.valores.insert(QStringLiteral("Data_Nascimento"),
                             TextoDoValor(QDateTime(r.nascimento, QTime(0, 0))));
        }
    }
}

int clsComparacaoPacientes::ColunaDoId(qint32 id) const {
    for (int c = 0; c < m_registros.size(); ++c) {
        if (m_registros[c].id == id) {
            return c;
        }
    }
    return -1;
}

QList<qint32> clsComparacaoPacientes::Ids() const {
    QList<qint32> ids;
    for (const Registro& r : m_registros) {
        ids << r.id;
    }
    return ids;
}

QString clsComparacaoPacientes::Valor(int linha, int coluna) const {
    return m_registros[coluna].valores.value(Campos()[linha].chave);
}

QString clsComparacaoPacientes::Valor(const QString& chave, qint32 id) const {
    const int coluna = ColunaDoId(id);
    const int linha = LinhaDoCampo(chave);
    return coluna < 0 || linha < 0 ? QString() : Valor(linha, coluna);
}

clsComparacaoPacientes::Estado clsComparacaoPacientes::EstadoDaCelula(int linha, int coluna) const {
    const QString proprio = Normalizado(Valor(linha, coluna));
    if (proprio.isEmpty()) {
        return Estado::Vazio;
    }
    if (!Campos()[linha].comparado) {
        return Estado::Igual;
    }
    for (int c = 0; c < Colunas(); ++c) {
        const QString outro = Normalizado(Valor(linha, c));
        if (c != coluna && !outro.isEmpty() && outro != proprio) {
            return Estado::Diferente;
        }
    }
    return Estado::Igual;
}

QStringList clsComparacaoPacientes::CamposDiferentes() const {
    QStringList campos;
    for (int l = 0; l < Linhas(); ++l) {
        for (int c = 0; c < Colunas(); ++c) {
            if (EstadoDaCelula(l, c) == Estado::Diferente) {
                campos << Campos()[l].chave;
                break;
            }
        }
    }
    return campos;
}
