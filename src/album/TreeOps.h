#pragma once

#include <QString>

namespace orbpix::treeops {

// Copies a file, or a folder with everything below it, to target. Existing files are
// overwritten; existing folders are merged into. Links to folders are not followed, so a
// link cycle cannot make the copy endless. True when everything was copied.
[[nodiscard]] bool copyTree(const QString& source, const QString& target);

// Copies the content of a folder into an existing folder (files overwritten).
[[nodiscard]] bool copyFolderContent(const QString& sourceFolder, const QString& targetFolder);

// Deletes a file or a folder with its content for good, making read-only entries writable
// first. Links are removed, never followed. True when nothing is left at the path.
[[nodiscard]] bool removeTree(const QString& path);

// Moves a file or folder to the user's freedesktop.org trash. False when the trash cannot take
// it; the path is then left where it was.
[[nodiscard]] bool moveToTrash(const QString& path);

}  // namespace orbpix::treeops
