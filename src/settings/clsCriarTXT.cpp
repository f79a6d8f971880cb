#include "settings/clsCriarTXT.h"

#include "data/base/ErrosExecucao.h"
#include "data/base/ValorSeNulo.h"
#include "settings/Codificacao.h"

clsCriarTXT::~clsCriarTXT() {
    Fechar();
}

void clsCriarTXT::Capturar(qint32 numero) {
    m_errorNumber = numero;
    m_errorString = TextoErroExecucao(numero);
}

bool clsCriarTXT::Abrir(const QString& fFullPath) {
    if (!fFullPath.isEmpty()) {
        m_fullPath = fFullPath;
    }
    Fechar();
    if (const qint32 numero = NumeroErroGravacao(m_fullPath)) {
        Capturar(numero);
        return false;
    }
    // Unbuffered, so a full disk shows at the line that did not fit, not at some later close.
    auto arquivo = std::make_unique<QFile>(m_fullPath);
    if (!arquivo->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        Capturar(NumeroErroArquivo(arquivo->error(), m_fullPath));
        return false;
    }
    m_arquivo = std::move(arquivo);
    return true;
}

bool clsCriarTXT::Gravar(const QVariant& Texto_Var) {
    if (!m_arquivo) {
        return false;
    }
    const QByteArray linha =
        Codificar(TextoDoValor(Texto_Var) + QStringLiteral("\r\n"), CodificacaoNativa());
    if (m_arquivo->write(linha) != linha.size()) {
        Capturar(NumeroErroArquivo(m_arquivo->error(), m_fullPath));
        return false;
    }
    return true;
}

void clsCriarTXT::Fechar() {
    if (m_arquivo) {
        m_arquivo->close();
        m_arquivo.reset();
    }
}
