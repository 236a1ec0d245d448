#pragma once

#include <QString>
#include <optional>

namespace orbpix::menu {

// The album program's settings file in the user's and in the machine's configuration folder
// ($XDG_CONFIG_HOME or ~/.config; the first absolute entry of $XDG_CONFIG_DIRS or /etc/xdg).
QString userSettingsFile();
QString machineSettingsFile();

// The "Exe" value of the [Settings] group of one INI file; nothing when the file, the group
// or the value is missing or the value is empty. The name matches without regard to case.
std::optional<QString> readExe(const QString& settingsFile);

// Where the album program said it lives: the user's value, else the machine's.
std::optional<QString> findExe();

}  // namespace orbpix::menu
