#include "decisions/clsPacienteSemSolucao.h"

#include "data/ado/CriarTabelaSeAusente.h"
#include "data/ado/NivelTransacao.h"
#include "data/base/ErroNumerado.h"
#include "data/base/MostrarMensagem.h"
#include "data/base/Relogio.h"
#include "data/base/TabelaErros.h"
#include "data/base/ValorSeNulo.h"

namespace {

QString Texto(Recordset& rs, const QString& campo) {
    return ValorSeNulo(rs.Fields(campo).Value(), QString()).toString();
}
qint32 Numero(Recordset& rs, const QString& campo) {
    return ValorSeNulo(rs.Fields(campo).Value(), 0).toInt();
}

// The fields every save writes, on the record set's current (or new) row.
void PreencherMarca(Recordset& rs, qint32 fID_Justificativa, const QString& fMotivo,
                    qint32 fID_Usuario) {
    rs.Fields(QStringLiteral("ID_PacienteLogJustificativa")).setValue(fID_Justificativa);
    rs.Fields(QStringLiteral("Descricao")).setValue(fMotivo);
    rs.Fields(QStringLiteral("ID_Usuario")).setValue(fID_Usuario);
}

QString DoPaciente(const char* inicio, qint32 fID_Paciente) {
    return QString::fromUtf8(inicio) + QString::number(fID_Paciente);
}

const QString kTabelaRastro = QStringLiteral("Cadunir_SemSolucaoRemovida");
const QString kColunasMarca = QStringLiteral(
    "ID_PacienteLogSemSolucao, ID_Paciente, ID_PacienteLogJustificativa, ID_Usuario, Data, "
    "Descricao");

QString SqlCriarTabelaRastro() {
    return QStringLiteral(
        " CREATE TABLE [dbo].[Cadunir_SemSolucaoRemovida] ( "
        " [ID_SemSolucaoRemovida] [int] IDENTITY (1, 1) NOT NULL , "
        " [ID_PacienteLogSemSolucao] [int] NOT NULL , "
        " [ID_Paciente] [int] NOT NULL , "
        " [ID_PacienteLogJustificativa] [int] NULL , "
        " [ID_Usuario] [int] NULL , "
        " [Data] [smalldatetime] NULL , "
        " [Descricao] [nvarchar] (255) NULL , "
        " [ID_UsuarioRemocao] [int] NOT NULL , "
        " [DataRemocao] [datetime] NOT NULL "
        " ) ON [PRIMARY] "
        " ALTER TABLE [dbo].[Cadunir_SemSolucaoRemovida] WITH NOCHECK ADD "
        " CONSTRAINT [PK_Cadunir_SemSolucaoRemovida] PRIMARY KEY  CLUSTERED "
        " ( "
        " [ID_SemSolucaoRemovida] "
        " )  ON [PRIMARY]");
}

}  // namespace

clsPacienteSemSolucao::clsPacienteSemSolucao(Connection& fCN, clsADO& fADO)
    : m_cn(fCN), m_ado(fADO) {}

bool clsPacienteSemSolucao::abrir(Recordset& fRS, const QString& fSQL) {
    return m_ado.AbrirRecordset(m_cn, fRS, fSQL) || falhaNaConsulta();
}

bool clsPacienteSemSolucao::falhaNaConsulta() {
    m_erro.AtualizarErro(m_ado.ErrorNumber(), m_ado.ErrorString(), QString());
    m_falhouNaConsulta = true;
    return false;
}

bool clsPacienteSemSolucao::falhaNasLinhas(qint32 fNumero) {
    m_erro.AtualizarErro(fNumero, dados::TextoDoErro(fNumero), QString());
    m_falhouNaConsulta = false;
    return false;
}

bool clsPacienteSemSolucao::Justificativas(Recordset& fRS, QList<Justificativa>& fLista) {
    fLista.clear();
    if (!abrir(fRS,
               QStringLiteral(" Select * From PacienteLogJustificativa ORDER BY Justificativa"))) {
        return false;
    }
    try {
        for (; !fRS.Eof(); fRS.MoveNext()) {
            fLista.append({Numero(fRS, QStringLiteral("ID_PacienteLogJustificativa")),
                           Texto(fRS, QStringLiteral("Justificativa"))});
        }
        if (fRS.RecordCount() > 0) {
            fRS.MoveFirst();
        }
        return true;
    } catch (const ErroNumerado& erro) {
        // A catalogue without the expected columns offers no reason at all.
        fLista.clear();
        return falhaNasLinhas(erro.Number());
    }
}

bool clsPacienteSemSolucao::Existir(qint32 fID_Paciente, bool& fExiste) {
    fExiste = false;
    Recordset rs;
    if (!abrir(rs, DoPaciente("SELECT COUNT(*) FROM PacienteLogSemSolucao WHERE ID_Paciente = ",
                              fID_Paciente))) {
        return false;
    }
    try {
        fExiste = ValorSeNulo(rs.Fields(0).Value(), 0).toInt() > 0;
        rs.Close();
        return true;
    } catch (const ErroNumerado& erro) {
        return falhaNasLinhas(erro.Number());
    }
}

bool clsPacienteSemSolucao::Ler(qint32 fID_Paciente, Marca& fMarca) {
    fMarca = Marca();
    Recordset rs;
    if (!abrir(rs, DoPaciente("SELECT * FROM PacienteLogSemSolucao WHERE ID_Paciente = ",
                              fID_Paciente))) {
        return false;
    }
    try {
        if (rs.RecordCount() > 0) {
            rs.MoveFirst();
            Marca lida;
            lida.ID_PacienteLogJustificativa =
                Numero(rs, QStringLiteral("ID_PacienteLogJustificativa"));
            lida.Descricao = Texto(rs, QStringLiteral("Descricao"));
            lida.ID_PacienteLogSemSolucao = Numero(rs, QStringLiteral("ID_PacienteLogSemSolucao"));
            fMarca = lida;
        }
        rs.Close();
        return true;
    } catch (const ErroNumerado& erro) {
        return falhaNasLinhas(erro.Number());
    }
}

bool clsPacienteSemSolucao::Adicionar(qint32 fID_Paciente, qint32 fID_Justificativa,
                                      const QString& fMotivo, qint32 fID_Usuario) {
    // A query that returns no row: only the empty, updatable row set is wanted.
    Recordset rs;
    if (!abrir(rs, QStringLiteral("Select * FROM PacienteLogSemSolucao Where ID_Paciente = -1"))) {
        return false;
    }
    try {
        rs.AddNew();
        rs.Fields(QStringLiteral("ID_Paciente")).setValue(fID_Paciente);
        PreencherMarca(rs, fID_Justificativa, fMotivo, fID_Usuario);
        rs.Update();
        rs.Close();
        return true;
    } catch (const ErroNumerado& erro) {
        return falhaNasLinhas(erro.Number());
    }
}

bool clsPacienteSemSolucao::Atualizar(qint32 fID_Paciente, qint32 fID_Justificativa,
                                      const QString& fMotivo, qint32 fID_Usuario) {
    Recordset rs;
    if (!abrir(rs, DoPaciente("Select * FROM PacienteLogSemSolucao Where ID_Paciente = ",
                              fID_Paciente))) {
        return false;
    }
    try {
        if (rs.RecordCount() > 0) {
            rs.MoveFirst();
            PreencherMarca(rs, fID_Justificativa, fMotivo, fID_Usuario);
            rs.Fields(QStringLiteral("Data")).setValue(Relogio::Agora());
            rs.Update();
        }
        rs.Close();
        return true;
    } catch (const ErroNumerado& erro) {
        return falhaNasLinhas(erro.Number());
    }
}

bool clsPacienteSemSolucao::criarRastro() {
    return CriarTabelaSeAusente(m_cn, m_ado, kTabelaRastro, SqlCriarTabelaRastro()) ||
           falhaNaConsulta();
}

bool clsPacienteSemSolucao::CriarTabelaRastro() {
    if (criarRastro()) {
        return true;
    }
    MostrarMensagem(QStringLiteral("Ao criar a tabela Cadunir_SemSolucaoRemovida, ocorreu o "
                                   "seguinte erro:\n\n") +
                    QString::number(m_erro.ErrorNumber()) + QStringLiteral(" - ") +
                    m_erro.ErrorString());
    return false;
}

bool clsPacienteSemSolucao::RemoverComRastro(qint32 fID_Paciente, qint32 fID_Usuario) {
    if (!criarRastro()) {
        return false;
    }
    NivelTransacao nivel(m_cn, m_ado);
    const bool ok =
        nivel.Abrir() &&
        m_ado.ExecutarSQL(m_cn, "INSERT INTO Cadunir_SemSolucaoRemovida (" + kColunasMarca +
                                    ", ID_UsuarioRemocao, DataRemocao) SELECT " + kColunasMarca +
                                    ", " + QString::number(fID_Usuario) +
                                    DoPaciente(", getdate() FROM PacienteLogSemSolucao WHERE "
                                               "ID_Paciente = ",
                                               fID_Paciente)) &&
        Remover(fID_Paciente) && nivel.Confirmar();
    return ok || falhaNaConsulta();
}

bool clsPacienteSemSolucao::Remover(qint32 fID_Paciente) {
    return m_ado.ExecutarSQL(m_cn,
                             DoPaciente("DELETE FROM PacienteLogSemSolucao Where ID_Paciente = ",
                                        fID_Paciente)) ||
           falhaNaConsulta();
}
