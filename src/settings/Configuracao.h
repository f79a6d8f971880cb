#pragma once

#include <QString>

// The per-user settings store, by application, section and key. On Windows it is the
// registry place such programs keep them (HKCU\Software\VB and VBA Program Settings, then
// the application and the section); elsewhere the INI file <configuration folder>/<app>/<app>.ini
// ($XDG_CONFIG_HOME, usually ~/.config).

// The stored text, or fDefault when the key (or the store) is missing.
QString GetSetting(const QString& fAppName, const QString& fSection, const QString& fKey,
                   const QString& fDefault = QString());
// False when the store could not be written (no permission, disk full) or a name is empty.
bool SaveSetting(const QString& fAppName, const QString& fSection, const QString& fKey,
                 const QString& fSetting);

// The program's one store: the grouping ticks and the last user name both live under it.
extern const QString kAplicacaoCadunir;

// Earlier versions kept the last user name under the executable's lower-case name, which on a
// case-sensitive file system is a second file (<configuration folder>/cadunir/cadunir.ini).
// Copies its keys that `fAppName` does not hold yet into `fAppName`'s store, then renames the
// old file to "<file>.migrado" so it is read only once. Nothing happens when there is no old
// file or both names are one store (the registry ignores case). False when the store could
// not be written; the old file then stays for the next start.
bool MigrarConfiguracaoAntiga(const QString& fAppName = kAplicacaoCadunir,
                              const QString& fAppNameAntigo = QStringLiteral("cadunir"));
