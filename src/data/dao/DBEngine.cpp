#include <odbcinst.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

#include "data/base/TabelaErros.h"
#include "data/dao/DaoDatabase.h"
#include "data/dao/DaoSqlite.h"

using namespace daosqlite;

namespace {

const char* const kOrigem = "DAO.DBEngine";

// The installer's own explanation of its last failure, for the diagnostics log.
QString erroInstalador() {
    QStringList textos;
    for (WORD i = 1; i <= 8; ++i) {
        DWORD codigo = 0;
        char mensagem[SQL_MAX_MESSAGE_LENGTH] = {};
        WORD tamanho = 0;
        const RETCODE rc = SQLInstallerError(i, &codigo, mensagem, sizeof mensagem, &tamanho);
        if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) {
            break;
        }
        textos << QString("%1 %2").arg(codigo).arg(QString::fromLocal8Bit(mensagem));
    }
    return textos.join("; ");
}

[[noreturn]] void falhaRegistro(const QString& dsn, const QString& motivo) {
    LancarErroDao(daoFalhaOdbc, kOrigem, "registro da fonte \"" + dsn + "\": " + motivo);
}

bool driverInstalado(const QString& driver) {
    char lista[16384] = {};
    WORD usado = 0;
    if (!SQLGetInstalledDrivers(lista, sizeof lista - 1, &usado)) {
        return false;
    }
    for (const char* p = lista; *p; p += qstrlen(p) + 1) {
        if (driver.compare(QString::fromLocal8Bit(p), Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

// Puts the installer in user mode for one registration and back to its default after it.
struct ModoUsuario {
    ModoUsuario() { SQLSetConfigMode(ODBC_USER_DSN); }
    ~ModoUsuario() { SQLSetConfigMode(ODBC_BOTH_DSN); }
};

}  // namespace

void DBEngine::CompactDatabase(const QString& origem, const QString& destino) {
    const QFileInfo fd(destino);
    if (destino.trimmed().isEmpty() || !fd.absoluteDir().exists()) {
        LancarErroDao(daoCaminhoInvalido, kOrigem, "destino \"" + destino + "\"");
    }
    if (fd.exists()) {
        LancarErroDao(daoBancoExiste, kOrigem, destino);
    }
    Conexao cn = AbrirArquivo(origem, false, kOrigem);
    try {
        Comando c(cn.db, "VACUUM INTO ?1", kOrigem);
        c.Ligar({destino});
        c.Passo();
    } catch (...) {
        QFile::remove(destino);  // a half-written copy is no database
        throw;
    }
}

void DBEngine::RegisterDatabase(const QString& dsn, const QString& driver, bool /*silent*/,
                                const QString& atributos) {
    // Everything is checked before the first write, so a refused registration leaves odbc.ini
    // as it was.
    const QByteArray nome = dsn.toLocal8Bit();
    if (dsn.trimmed().isEmpty() || !SQLValidDSN(nome.constData())) {
        falhaRegistro(dsn, "nome inválido");
    }
    if (!driverInstalado(driver)) {
        falhaRegistro(dsn, "driver \"" + driver + "\" não instalado");
    }
    QVector<QPair<QByteArray, QByteArray>> pares;
    for (const QString& entrada : atributos.split(QChar(13), Qt::SkipEmptyParts)) {
        const int igual = entrada.indexOf('=');
        const QString chave = entrada.left(igual).trimmed();
        const QString valor = entrada.mid(igual + 1);
        if (igual <= 0 || chave.isEmpty() || chave.contains(QRegularExpression("[\\[\\]=;\\n]")) ||
            valor.contains('\n') || chave.compare("DSN", Qt::CaseInsensitive) == 0 ||
            chave.compare("Driver", Qt::CaseInsensitive) == 0) {
            falhaRegistro(dsn, "atributo inválido \"" + entrada + "\"");
        }
        pares.push_back({chave.toLocal8Bit(), valor.toLocal8Bit()});
    }

    ModoUsuario modo;
    // Writing the DSN replaces any section of that name, as re-registering does on Windows.
    if (!SQLWriteDSNToIni(nome.constData(), driver.toLocal8Bit().constData())) {
        falhaRegistro(dsn, erroInstalador());
    }
    for (const auto& [chave, valor] : pares) {
        if (!SQLWritePrivateProfileString(nome.constData(), chave.constData(), valor.constData(),
                                          "odbc.ini")) {
            const QString motivo = erroInstalador();
            SQLRemoveDSNFromIni(nome.constData());  // no half-registered source
            falhaRegistro(dsn, motivo);
        }
    }
}
