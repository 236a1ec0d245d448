#pragma once

#include <QString>

namespace orbpix {

// The MIME type of skin packages and the files that make the desktop know it.
inline constexpr const char* kSkinMimeType = "application/x-orbpix-skin";
inline constexpr const char* kSkinMimeFile = "orbpix-skin.xml";
inline constexpr const char* kSkinDesktopFile = "orbpix-skin-install.desktop";

// $XDG_DATA_HOME, or ~/.local/share.
QString userDataFolder();

// The shared-mime-info description of the package type for one extension (".osz").
QString skinMimeXml(const QString& extension);
// The desktop entry whose action installs a package: the program with -OrbSkin and the file.
QString skinDesktopEntry(const QString& programPath);
// A path as one argument of a desktop entry's Exec line: quoted, with the characters that
// are special inside quotes escaped and percent signs doubled.
QString desktopExecArgument(const QString& path);

// Writes both files under the user's data folder (only when their content changed) and asks
// the desktop databases to refresh when a refresher is installed. False when a file could
// not be written.
[[nodiscard]] bool writeSkinFileType(const QString& programPath, const QString& extension);

}  // namespace orbpix
