#pragma once

#include <QString>
#include <memory>

#include "data/base/Motor.h"

namespace dados {

// The ODBC engine (a real SQL Server through the driver manager): statements go unchanged.
// `connectionString` is the one the program was given; OLE DB strings of the product are
// converted to the configured SQL Server ODBC driver, Driver=/DSN= strings pass unchanged.
std::unique_ptr<Motor> CriarMotorOdbc(const QString& connectionString);

}  // namespace dados
