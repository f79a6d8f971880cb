#include "patient/clsNumber.h"

#include <QLocale>
#include <QtNumeric>

bool clsNumber::Validar(qint32 fValor) {
    return ValidarFaixa(fValor);
}

bool clsNumber::Validar(const QString& fValor) {
    // The program's locale (pt-BR) first; plain digits with a point as decimal separator, as
    // typed on a keyboard's number pad, are numbers too.
    const QString texto = fValor.trimmed();
    bool ok = false;
    double valor = QLocale().toDouble(texto, &ok);
    if (!ok) {
        valor = QLocale::c().toDouble(texto, &ok);
    }
    if (!ok || !qIsFinite(valor)) {
        ErroRegistrar(-1);
        return false;
    }
    return ValidarFaixa(valor);
}

bool clsNumber::ValidarFaixa(double valor) {
    if (valor < m_valorMinimo) {
        ErroRegistrar(-2);
        return false;
    }
    if (valor > m_valorMaximo) {
        ErroRegistrar(-3);
        return false;
    }
    return true;
}

void clsNumber::ErroRegistrar(qint32 codigo) {
    QString texto;
    switch (codigo) {
        case -1:
            texto = "O campo " + m_nome + " aceita apenas números.";
            break;
        case -2:
            texto = "Valor mínimo aceito para o campo " + m_nome + " é " +
                    QString::number(m_valorMinimo) + ".";
            break;
        case -3:
            texto = "Valor máximo aceito para o campo " + m_nome + " é " +
                    QString::number(m_valorMaximo) + ".";
            break;
        default:
            return;
    }
    m_erro.AtualizarErro(codigo, texto, QStringLiteral("Validar"));
}
