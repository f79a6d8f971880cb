#include "data/ado/CriarMotor.h"

#include <QStringList>

#include "data/base/CadeiaConexao.h"
#include "data/base/TabelaErros.h"
#include "data/odbc/MotorOdbc.h"
#include "data/sqlite/MotorEmbutido.h"

namespace dados {

namespace {

QString NomesDasChaves(const CadeiaConexao& cadeia) {
    QStringList nomes;
    for (const ParConexao& p : cadeia.Pares()) {
        nomes << p.chave;
    }
    return nomes.join(QStringLiteral(", "));
}

}  // namespace

std::unique_ptr<Motor> CriarMotor(const QString& connectionString) {
    const CadeiaConexao cadeia(connectionString);
    const QString provedor = cadeia.Valor(QStringLiteral("Provider"));
    if (provedor.compare(QLatin1String("SQLite"), Qt::CaseInsensitive) == 0) {
        return std::make_unique<MotorEmbutido>(connectionString);
    }
    if (cadeia.Tem(QStringLiteral("Driver")) || cadeia.Tem(QStringLiteral("DSN")) ||
        provedor.startsWith(QLatin1String("SQLOLEDB"), Qt::CaseInsensitive) ||
        provedor.startsWith(QLatin1String("SQLNCLI"), Qt::CaseInsensitive) ||
        provedor.startsWith(QLatin1String("MSOLEDBSQL"), Qt::CaseInsensitive)) {
        return CriarMotorOdbc(connectionString);
    }
    // Neither the string nor the provider's value is repeated: a mis-braced value may hold the
    // rest of the string, password and all.
    Falhar(ErroProvedor, QStringLiteral("Connection"),
           provedor.isEmpty()
               ? QStringLiteral("connection string names no provider, driver or DSN (keys: %1)")
                     .arg(NomesDasChaves(cadeia))
               : QStringLiteral("unknown provider (%1 characters) in a string with keys: %2")
                     .arg(provedor.size())
                     .arg(NomesDasChaves(cadeia)));
}

}  // namespace dados
