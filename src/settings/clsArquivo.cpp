#include "settings/clsArquivo.h"

#include <QStringList>

namespace {

qsizetype UltimoSeparador(const QString& f) {
    return std::max(f.lastIndexOf(u'\\'), f.lastIndexOf(u'/'));
}

}  // namespace

QString clsArquivo::GetCaminho(const QString& fArquivo) {
    return fArquivo.left(UltimoSeparador(fArquivo) + 1);
}

QString clsArquivo::GetNome(const QString& fArquivo) {
    return fArquivo.mid(UltimoSeparador(fArquivo) + 1);
}

QString clsArquivo::GetExtensão(const QString& fArquivo) {
    return GetNome(fArquivo).split(u'.').last();
}

QString clsArquivo::GetNomeSemExtensão(const QString& fArquivo) {
    QStringList partes = GetNome(fArquivo).split(u'.');
    partes.removeLast();
    return partes.join(QString());
}

void clsArquivo::setArquivo(const QString& valor) {
    m_arquivo = valor;
    m_caminho = GetCaminho(valor);
    m_nome = GetNome(valor);
    m_extensao = GetExtensão(valor);
    m_nomeSemExtensao = GetNomeSemExtensão(valor);
    const QString pasta = QString(m_caminho).replace(u'\\', u'/');
    m_arquivoInternet = QString("file://" + pasta + m_nome).replace(u' ', QStringLiteral("%20"));
    const qsizetype doisPontos = valor.indexOf(u':');
    m_drive = (doisPontos >= 0 ? valor.left(doisPontos) : valor) + ':';
}
