#pragma once

#include <QString>
#include <memory>

#include "data/base/Motor.h"

namespace dados {

// Picks and builds the engine for a connection string (does not open it): "Provider=SQLite"
// is the embedded engine, "Driver=" / "DSN=" and the product's OLE DB strings go to ODBC.
// Throws ErroNumerado for a string no engine takes.
std::unique_ptr<Motor> CriarMotor(const QString& connectionString);

}  // namespace dados
