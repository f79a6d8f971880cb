#include "patient/clsString.h"

QString clsString::TextoParaSQL(const QString& fTexto) const {
    // One pass, so the apostrophes the replacement inserts are not replaced again.
    QString resultado;
    resultado.reserve(fTexto.size());
    for (const QChar c : fTexto) {
        if (c == u'"') {
            resultado += QStringLiteral("' + CHAR(34) + '");
        } else if (c == u'\'') {
            resultado += QStringLiteral("' + CHAR(39) + '");
        } else {
            resultado += c;
        }
    }
    return resultado;
}

bool clsString::Validar(const QString& fTexto) {
    const qsizetype tamanho = fTexto.size();
    if (m_obrigatorio && tamanho == 0) {
        ErroRegistrar(-1, tamanho);
        return false;
    }
    // A minimum applies to an empty text as well: an optional RG still may not be too short.
    if (m_tamanhoMinimo > 0 && tamanho < m_tamanhoMinimo) {
        ErroRegistrar(-2, tamanho);
        return false;
    }
    if (m_tamanhoMaximo > 0 && tamanho > m_tamanhoMaximo) {
        ErroRegistrar(-3, tamanho);
        return false;
    }
    return true;
}

void clsString::ErroRegistrar(qint32 codigo, qsizetype tamanho) {
    QString texto;
    switch (codigo) {
        case -1:
            texto = "O preenchimento do campo " + m_nome + " é obrigatório.";
            break;
        case -2:
            texto = "O tamanho mínimo do campo " + m_nome + " é de " +
                    QString::number(m_tamanhoMinimo) + " caracteres,  ele está com " +
                    QString::number(tamanho) + ". Tamanho mínimo do campo não foi atingido.";
            break;
        case -3:
            texto = "O tamanho máximo do campo " + m_nome + " é de " +
                    QString::number(m_tamanhoMaximo) + " caracteres,  ele está com " +
                    QString::number(tamanho) + ". Tamanho foi excedido.";
            break;
        default:
            return;
    }
    m_erro.AtualizarErro(codigo, texto, QStringLiteral("Validar"));
}
