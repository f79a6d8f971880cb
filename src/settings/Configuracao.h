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
