#include "data/ado/CriarEngine.h"

#include "data/base/CadeiaConexao.h"
#include "data/base/TabelaErros.h"
#include "data/odbc/OdbcEngine.h"
#include "data/tsql/MotorEmbutido.h"

namespace dados {

std::unique_ptr<Engine> CriarEngine(const QString& connectionString) {
    const CadeiaConexao cadeia(connectionString);
    const QString provedor = cadeia.Valor(QStringLiteral("Provider"));
    if (provedor.compare(QLatin1String("SQLite"), Qt::CaseInsensitive) == 0) {
        return std::make_unique<MotorEmbutido>(connectionString);
    }
    if (cadeia.Tem(QStringLiteral("Driver")) || cadeia.Tem(QStringLiteral("DSN")) ||
        provedor.startsWith(QLatin1String("SQLOLEDB"), Qt::CaseInsensitive) ||
        provedor.startsWith(QLatin1String("SQLNCLI"), Qt::CaseInsensitive) ||
        provedor.startsWith(QLatin1String("MSOLEDBSQL"), Qt::CaseInsensitive)) {
        return CriarEngineOdbc(connectionString);
    }
    Falhar(ErroProvedor, QStringLiteral("Connection"),
           provedor.isEmpty()
               ? QStringLiteral("connection string names no provider, driver or DSN: %1")
                     .arg(connectionString)
               : QStringLiteral("unknown provider '%1' in: %2").arg(provedor, connectionString));
}

}  // namespace dados
