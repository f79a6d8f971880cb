#include "settings/Configuracao.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <memory>

const QString kAplicacaoCadunir = QStringLiteral("Cadunir");

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

bool MigrarConfiguracaoAntiga(const QString& fAppName, const QString& fAppNameAntigo) {
    if (fAppName.isEmpty() || fAppNameAntigo.isEmpty() || fAppName == fAppNameAntigo) {
        return true;
    }
#ifdef Q_OS_WIN
    if (fAppName.compare(fAppNameAntigo, Qt::CaseInsensitive) == 0) {
        return true;
    }
#endif
    const auto antigo = Armazem(fAppNameAntigo);
    const QString arquivoAntigo = antigo->fileName();
    if (antigo->format() == QSettings::IniFormat && !QFileInfo::exists(arquivoAntigo)) {
        return true;
    }
    const auto novo = Armazem(fAppName);
    if (QFileInfo(novo->fileName()) == QFileInfo(arquivoAntigo)) {
        return true;  // a case-insensitive file system: one file already
    }
    const QStringList chaves = antigo->allKeys();
    for (const QString& chave : chaves) {
        if (!novo->contains(chave)) {
            novo->setValue(chave, antigo->value(chave));
        }
    }
    novo->sync();
    if (novo->status() != QSettings::NoError) {
        return false;
    }
#ifdef Q_OS_WIN
    antigo->clear();
    antigo->sync();
    return true;
#else
    // Renamed, not deleted: nothing of the old file is lost should the copy be questioned.
    const QString migrado = arquivoAntigo + QStringLiteral(".migrado");
    QFile::remove(migrado);
    return QFile::rename(arquivoAntigo, migrado);
#endif
}
