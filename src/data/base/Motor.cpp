#include "data/base/Motor.h"

#include <QDateTime>
#include <vector>

namespace dados {

void Motor::percorrer(const QString& sql, const LeitorLinhas& leitor) {
    const DadosConsulta dados = consultar(sql);
    const int colunas = int(dados.colunas.size());
    std::vector<ValorLido> valores(static_cast<size_t>(colunas));
    std::vector<QByteArray> textos(static_cast<size_t>(colunas));
    for (const QVector<QVariant>& linha : dados.linhas) {
        for (int i = 0; i < colunas && i < linha.size(); ++i) {
            const QVariant& v = linha[i];
            ValorLido& l = valores[size_t(i)];
            l = ValorLido();
            if (v.isNull())
                continue;
            switch (v.typeId()) {
                case QMetaType::Int:
                case QMetaType::LongLong:
                case QMetaType::Bool:
                    l.tipo = ValorLido::Inteiro;
                    l.inteiro = v.toLongLong();
                    break;
                case QMetaType::Double:
                    l.tipo = ValorLido::Real;
                    l.real = v.toDouble();
                    break;
                default:
                    textos[size_t(i)] = v.typeId() == QMetaType::QDateTime
                                            ? v.toDateTime()
                                                  .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))
                                                  .toUtf8()
                                            : v.toString().toUtf8();
                    l.tipo = ValorLido::Texto;
                    l.texto = textos[size_t(i)].constData();
                    l.bytes = int(textos[size_t(i)].size());
                    break;
            }
        }
        if (!leitor(valores.data(), colunas))
            return;
    }
}

}  // namespace dados
