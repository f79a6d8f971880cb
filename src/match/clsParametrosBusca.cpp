#include "match/clsParametrosBusca.h"

#include <QHash>

#include "data/ado/CriarTabelaSeAusente.h"
#include "data/ado/Recordset.h"
#include "data/base/MostrarMensagem.h"
#include "data/base/Relogio.h"
#include "data/base/TextoSQL.h"
#include "data/base/ValorSeNulo.h"

namespace {

const QString kTabela = QStringLiteral("Cadunir_ParametroBusca");
const QString kPrior = QStringLiteral("(prior)");
const QString kFamilia = QStringLiteral("(família)");

QString SqlCriarTabela() {
    return QStringLiteral(
        " CREATE TABLE [dbo].[Cadunir_ParametroBusca] ( "
        " [ID_ParametroBusca] [int] IDENTITY (1, 1) NOT NULL , "
        " [Campo] [nvarchar] (40) NOT NULL , "
        " [Nivel] [int] NOT NULL , "
        " [M] [float] NULL , "
        " [U] [float] NULL , "
        " [Registros] [int] NOT NULL , "
        " [Maior_ID] [int] NOT NULL , "
        " [Versao] [int] NOT NULL , "
        " [Data] [smalldatetime] NULL "
        " ) ON [PRIMARY] "
        " ALTER TABLE [dbo].[Cadunir_ParametroBusca] WITH NOCHECK ADD "
        " CONSTRAINT [PK_Cadunir_ParametroBusca] PRIMARY KEY  CLUSTERED "
        " ( "
        " [ID_ParametroBusca] "
        " )  ON [PRIMARY]");
}

QString Numero(double v) {
    return QString::number(v, 'g', 17);
}

}  // namespace

using namespace semelhanca;

clsParametrosBusca::clsParametrosBusca(Connection& fCN, clsADO& fADO) : m_cn(fCN), m_ado(fADO) {}

void clsParametrosBusca::erroDoBanco(const QString& procedimento) {
    m_erro.AtualizarErro(m_ado.ErrorNumber(), m_ado.ErrorString(), procedimento, QString());
}

bool clsParametrosBusca::CriarTabela() {
    if (CriarTabelaSeAusente(m_cn, m_ado, kTabela, SqlCriarTabela()))
        return true;
    erroDoBanco(QStringLiteral("CriarTabela"));
    MostrarMensagem(QStringLiteral("Ao criar a tabela Cadunir_ParametroBusca, ocorreu o seguinte "
                                   "erro:\n\n") +
                    QString::number(m_ado.ErrorNumber()) + QStringLiteral(" - ") +
                    m_ado.ErrorString());
    return false;
}

bool clsParametrosBusca::Ler(Salvos& fSalvos, bool& fExistem) {
    fExistem = false;
    if (!m_ado.TableExiste(m_cn, kTabela))
        return true;
    Recordset rs;
    if (!m_ado.AbrirRecordset(m_cn, rs,
                              QStringLiteral("SELECT Campo, Nivel, M, U, Registros, Maior_ID, "
                                             "Versao, Data FROM Cadunir_ParametroBusca"))) {
        erroDoBanco(QStringLiteral("Ler"));
        return false;
    }
    Salvos s;
    const ModeloPontuacao inicial;
    s.parametros = inicial.Iniciais();
    QHash<QString, int> campos;
    for (int c = 0; c < kCampos; ++c)
        campos.insert(QString::fromUtf8(Definicoes()[size_t(c)].coluna), c);
    int lidos = 0, esperados = 1 + semelhanca::kParentes;
    for (const DefinicaoCampo& d : Definicoes()) esperados += int(d.niveis.size());
    bool primeira = true;
    for (; !rs.Eof(); rs.MoveNext()) {
        const QString campo = ValorSeNulo(rs.Fields(0).Value(), QString()).toString();
        const int nivel = rs.Fields(1).Value().toInt();
        const double m = rs.Fields(2).Value().toDouble();
        const double u = rs.Fields(3).Value().toDouble();
        const int versao = rs.Fields(6).Value().toInt();
        if (primeira) {
            s.registros = rs.Fields(4).Value().toLongLong();
            s.maiorId = rs.Fields(5).Value().toInt();
            s.versao = versao;
            s.data = rs.Fields(7).Value().toDateTime();
            primeira = false;
        }
        if (versao != s.versao)
            return true;  // a half-written set: learn again
        if (campo == kPrior) {
            s.parametros.duplicados = m;
            ++lidos;
        } else if (campo == kFamilia && nivel >= 0 && nivel < kParentes) {
            s.parametros.familia[size_t(nivel)] = u;
            ++lidos;
        } else if (auto it = campos.find(campo);
                   it != campos.end() && nivel >= 0 && nivel < s.parametros.m[size_t(*it)].size()) {
            s.parametros.m[size_t(*it)][nivel] = m;
            s.parametros.u[size_t(*it)][nivel] = u;
            ++lidos;
        }
    }
    rs.Close();
    fExistem = lidos == esperados && s.versao == VersaoDefinicoes();
    if (fExistem)
        fSalvos = s;
    return true;
}

bool clsParametrosBusca::Gravar(const semelhanca::Parametros& fParametros, qint64 fRegistros,
                                qint32 fMaiorId) {
    const QString procedimento = QStringLiteral("Gravar");
    if (!CriarTabelaSeAusente(m_cn, m_ado, kTabela, SqlCriarTabela())) {
        erroDoBanco(procedimento);
        return false;
    }
    const QString comum = QStringLiteral(", %1, %2, %3, %4)")
                              .arg(fRegistros)
                              .arg(fMaiorId)
                              .arg(VersaoDefinicoes())
                              .arg(dados::LiteralTSql(Relogio::Agora()));
    const auto linha = [&](const QString& campo, int nivel, double m, double u) {
        return QStringLiteral(
                   "INSERT INTO Cadunir_ParametroBusca (Campo, Nivel, M, U, "
                   "Registros, Maior_ID, Versao, Data) VALUES (N'%1', %2, %3, %4")
                   .arg(campo)
                   .arg(nivel)
                   .arg(Numero(m), Numero(u)) +
               comum;
    };
    QStringList sql;
    sql << QStringLiteral("DELETE FROM Cadunir_ParametroBusca");
    for (int c = 0; c < kCampos; ++c) {
        const QString coluna = QString::fromUtf8(Definicoes()[size_t(c)].coluna);
        for (int n = 0; n < fParametros.m[size_t(c)].size(); ++n)
            sql << linha(coluna, n, fParametros.m[size_t(c)][n], fParametros.u[size_t(c)][n]);
    }
    sql << linha(kPrior, 0, fParametros.duplicados, 0);
    for (int p = 0; p < semelhanca::kParentes; ++p)
        sql << linha(kFamilia, p, 0, fParametros.familia[size_t(p)]);
    if (!m_ado.TransaçãoIniciar(m_cn)) {
        erroDoBanco(procedimento);
        m_ado.TransaçãoCancelar(m_cn);
        return false;
    }
    for (const QString& s : sql) {
        if (!m_ado.ExecutarSQL(m_cn, s)) {
            erroDoBanco(procedimento);
            m_ado.TransaçãoCancelar(m_cn);
            return false;
        }
    }
    if (!m_ado.TransaçãoFinalizar(m_cn)) {
        erroDoBanco(procedimento);
        m_ado.TransaçãoCancelar(m_cn);
        return false;
    }
    return true;
}

bool clsParametrosBusca::Mudou(const Salvos& s, qint64 registros, qint64 novos, double parcela) {
    if (s.registros <= 0)
        return true;
    // Records added since (above the saved highest ID) and records gone (merged or deleted).
    const qint64 removidos = std::max<qint64>(0, s.registros - (registros - novos));
    return double(novos + removidos) > parcela * double(s.registros);
}
