#include "worklist/GrupoTrabalho.h"

#include <QCryptographicHash>
#include <QStringList>
#include <algorithm>

QString ChaveGrupo(const QVector<qint32>& membros) {
    // The same bytes as TextoMembros, written without going through a QString: a grouping of a
    // large register hands over a hundred thousand groups.
    QByteArray texto;
    texto.reserve(membros.size() * 11);
    for (const qint32 id : membros) {
        if (!texto.isEmpty()) {
            texto += ',';
        }
        texto += QByteArray::number(id);
    }
    return QString::fromLatin1(QCryptographicHash::hash(texto, QCryptographicHash::Sha1).toHex());
}

QString TextoMembros(const QVector<qint32>& membros) {
    QString texto;
    texto.reserve(membros.size() * 8);
    for (const qint32 id : membros) {
        if (!texto.isEmpty()) {
            texto += QLatin1Char(',');
        }
        texto += QString::number(id);
    }
    return texto;
}

QVector<qint32> MembrosDoTexto(const QString& texto) {
    QVector<qint32> membros;
    for (const QStringView parte : QStringView(texto).split(QLatin1Char(','))) {
        bool ok = false;
        const qint32 id = parte.trimmed().toInt(&ok);
        if (ok) {
            membros << id;
        }
    }
    return MembrosOrdenados(membros);
}

QVector<qint32> MembrosOrdenados(QVector<qint32> membros) {
    std::sort(membros.begin(), membros.end());
    membros.erase(std::unique(membros.begin(), membros.end()), membros.end());
    return membros;
}
