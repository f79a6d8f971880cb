#include "settings/Configuracao.h"

#include <QSettings>
#include <QStringList>
#include <memory>

namespace {

std::unique_ptr<QSettings> Armazem(const QString& aplicacao) {
#ifdef Q_OS_WIN
    return std::make_unique<QSettings>(
        QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\") + aplicacao,
        QSettings::NativeFormat);
#else
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, aplicacao,
                                       aplicacao);
#endif
}

bool NomesValidos(const QString& aplicacao, const QString& secao, const QString& chave) {
    return !aplicacao.isEmpty() && !secao.isEmpty() && !chave.isEmpty();
}

QString Chave(const QString& secao, const QString& chave) {
    return secao + '/' + chave;
}

}  // namespace

QString GetSetting(const QString& fAppName, const QString& fSection, const QString& fKey,
                   const QString& fDefault) {
    if (!NomesValidos(fAppName, fSection, fKey)) {
        return fDefault;
    }
    const QVariant valor = Armazem(fAppName)->value(Chave(fSection, fKey));
    if (!valor.isValid()) {
        return fDefault;
    }
    // An INI edited by hand may hold "a, b", which QSettings reads as a list.
    if (valor.typeId() == QMetaType::QStringList) {
        return valor.toStringList().join(QStringLiteral(", "));
    }
    return valor.toString();
}

bool SaveSetting(const QString& fAppName, const QString& fSection, const QString& fKey,
                 const QString& fSetting) {
    if (!NomesValidos(fAppName, fSection, fKey)) {
        return false;
    }
    const auto armazem = Armazem(fAppName);
    armazem->setValue(Chave(fSection, fKey), fSetting);
    armazem->sync();
    return armazem->status() == QSettings::NoError;
}
