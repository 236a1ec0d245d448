#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace orbpix::registry {

// The two hives: settings of the current user, and settings shared by every user of the
// machine (usually writable only by the administrator).
enum class Hive { User, Machine };

// Where a key lives on disk: one INI file per program key, the rest of the key path as the
// group inside it. "Software\Orbworks\OrbPixStudio\Settings" becomes the group "Settings" of
// "<hive>/Orbworks/OrbPixStudio.conf"; a key without a group keeps its values in [General].
struct KeyLocation {
    QString file;   // absolute path of the INI file
    QString group;  // "" or "A/B" for nested subkeys
};

// The folder of a hive: $XDG_CONFIG_HOME (or ~/.config) for the user, the first entry of
// $XDG_CONFIG_DIRS (or /etc/xdg) for the machine. Read on every call so that a changed
// environment takes effect at once.
QString hiveFolder(Hive hive);

// Maps a key path with backslashes (a leading "Software\" is dropped) to its file and group.
// Keys with empty, "." or ".." components or a slash in a component have no location.
std::optional<KeyLocation> locateKey(Hive hive, const QString& keyPath);

// The unnamed default value of a key is kept under this name.
inline constexpr const char* kDefaultValueName = "Default";

// Reads a value; nothing when the file, the key or the value is missing. A value written by
// hand with unquoted commas is returned as the text it was.
std::optional<QString> readText(Hive hive, const QString& keyPath, const QString& valueName);
// Reads a number; nothing when missing or when the text is not a 32-bit number (negative
// numbers wrap as they would in a 32-bit register).
std::optional<std::uint32_t> readNumber(Hive hive, const QString& keyPath,
                                        const QString& valueName);

// Writes a value, creating the file and its folder as needed. False when the hive cannot be
// written (a read-only machine folder, a full disk).
[[nodiscard]] bool writeText(Hive hive, const QString& keyPath, const QString& valueName,
                             const QString& text);
[[nodiscard]] bool writeNumber(Hive hive, const QString& keyPath, const QString& valueName,
                               std::uint32_t number);

// Parses the decimal text of a number value; used by readNumber, exposed for its tests.
std::optional<std::uint32_t> parseNumber(const QString& text);

}  // namespace orbpix::registry
