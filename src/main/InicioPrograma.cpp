#include "main/InicioPrograma.h"

#include <QCoreApplication>
#include <QDir>

#include "data/base/Diagnostico.h"
#include "data/base/ErroNumerado.h"
#include "data/base/MensagemFalha.h"
#include "data/base/Motor.h"
#include "decisions/clsDecisaoPessoas.h"
#include "decisions/clsPacienteSemSolucao.h"
#include "match/clsParametrosBusca.h"
#include "merge/clsPacienteUnificar.h"
#include "merge/clsUnificacaoRegistro.h"
#include "settings/clsINI.h"
#include "settings/clsIO.h"
#include "worklist/ListaTrabalho.h"

namespace {

const QString CRLF = QStringLiteral("\r\n");

QString comBarra(const QString& pasta) {
    const QString barra = QDir::separator();
    return pasta.endsWith(barra) ? pasta : pasta + barra;
}

// The INI messages name the path in upper case, as Windows shows it; where file names are
// case-sensitive that path does not exist, so the real one follows.
QString caminhoReal(const QString& caminho) {
    if (caminho.toUpper() == caminho) {
        return QString();
    }
    return CRLF + CRLF + QStringLiteral("Caminho: ") + QDir::toNativeSeparators(caminho);
}

}  // namespace

QString DetalheEDiagnostico(const QString& detalhe) {
    return dados::DetalheEDiagnostico(detalhe, CRLF);
}

InicioPrograma::InicioPrograma(Connection& fCN, clsADO& fADO) : m_cn(fCN), m_ado(fADO) {}

bool InicioPrograma::LerConfiguracao() {
    clsIO io;
    m_pastaAplicacao = comBarra(QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));
    m_pastaWindows = io.NvWindowsDir();

    const QString ini = m_pastaWindows + QStringLiteral("Tessivar.INI");
    if (!io.NvDir(ini)) {
        m_mensagem = QStringLiteral("Não foi encontrado o arquivo '") + ini.toUpper() +
                     QStringLiteral(".'") + caminhoReal(ini);
        return false;
    }
    bool lido = false;
    try {
        lido = Ler_INI(ini);
    } catch (const ErroNumerado&) {
        // An INI that cannot be read is as useless as one without the key.
        lido = false;
    }
    if (!lido) {
        m_mensagem = QStringLiteral("Arquivo '") + ini.toUpper() + QStringLiteral("' incorreto.") +
                     caminhoReal(ini);
        return false;
    }
    return true;
}

bool InicioPrograma::Ler_INI(const QString& fFullPathINI) {
    clsINI ini;
    ini.setFullPathINI(fFullPathINI);
    m_connectionString =
        ini.GetValorTexto(QStringLiteral("Tessivar"), QStringLiteral("CONN_SERVER"), QString());
    return !m_connectionString.isEmpty();
}

bool InicioPrograma::Conectar() {
    // One silent retry: a server that is waking up often refuses only the first attempt.
    if (m_ado.AbrirConexão(m_cn, m_connectionString) ||
        m_ado.AbrirConexão(m_cn, m_connectionString)) {
        return true;
    }
    m_mensagem =
        QStringLiteral("Ao abrir a conexão com o banco de dados, ocoreu o seguinte erro.") + CRLF +
        CRLF + QStringLiteral("Erro nº ") + QString::number(m_ado.ErrorNumber()) +
        QStringLiteral(" - ") + m_ado.ErrorString() + DetalheEDiagnostico(m_ado.DetalheDoErro());
    return false;
}

bool InicioPrograma::CriarTabelas() {
    m_mensagem.clear();
    // The log tables first: the program's own tables complete them.
    return clsPacienteUnificar(m_cn, m_ado).CriarTabelas() &&
           clsUnificacaoRegistro(m_cn, m_ado).CriarTabelas() &&
           clsDecisaoPessoas(m_cn, m_ado).CriarTabela() &&
           clsPacienteSemSolucao(m_cn, m_ado).CriarTabelaRastro() &&
           ListaTrabalho::CriarTabela(m_cn, m_ado) && clsParametrosBusca(m_cn, m_ado).CriarTabela();
}

QString InicioPrograma::VerificarGravacao(QString* detalhe) {
    dados::SituacaoGravacao situacao;
    try {
        situacao = m_cn.VerificarGravacao();
    } catch (const ErroNumerado& e) {
        // Not knowing is not a refusal: a write that fails still says why.
        dados::RegistrarDiagnostico(
            QStringLiteral("Gravação não verificada: %1").arg(QString::fromUtf8(e.what())));
        return {};
    }
    if (detalhe) {
        *detalhe = situacao.detalhe;
    }
    const QString indisponivel =
        QStringLiteral(": unificar e marcar sem solução estão indisponíveis");
    switch (situacao.estado) {
        case dados::SituacaoGravacao::SomenteLeitura:
            return QStringLiteral("Cadastro somente para leitura") + indisponivel + '.';
        case dados::SituacaoGravacao::Bloqueado:
            return QStringLiteral("Cadastro bloqueado por outro programa") + indisponivel +
                   QStringLiteral(" até que ele o libere (Agrupar verifica de novo).");
        case dados::SituacaoGravacao::SemPermissao:
            return QStringLiteral("Sem permissão para alterar o cadastro") + indisponivel + '.';
        default:
            return {};
    }
}
