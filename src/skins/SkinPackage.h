#pragma once

#include <QString>
#include <functional>

namespace orbpix {

// Why an entry of a skin package could not be extracted; the number is shown to the user.
enum class ZipError : int {
    None = 0,
    ArchiveUnreadable = 1,  // not a zip archive, or it cannot be opened
    UnsafeEntry = 2,        // an absolute name or one with ".." would leave the target folder
    EntryUnreadable = 3,
    FileUnwritable = 4,
};

// Receives every failure of an extraction with its text; extraction goes on afterwards.
using ZipErrorReport = std::function<void(ZipError code, const QString& message)>;

// Puts every entry of a zip archive into the target folder with its sub-folders, replacing
// files that are there already. Entries whose names would reach outside the target folder
// are refused and reported, as is every entry that cannot be read or written. Entries are
// copied in small pieces: the sizes an archive declares are never trusted for allocation.
// Answers how many files were written; -1 when the archive could not be opened.
int extractZipArchive(const QString& archivePath, const QString& targetFolder,
                      const ZipErrorReport& report);

// Whether an entry name stays inside the folder it is extracted to: relative, and without
// ".." components (backslashes count as separators, as some archivers write them).
bool isSafeEntryName(const QString& name);

// The skin name a package installs as: its file name without the last four characters
// (the extension), or the whole file name when it is four characters or shorter. Empty when
// the path names no file or the result could not name a folder of its own ("", ".", "..").
QString skinNameOfPackage(const QString& packagePath);

}  // namespace orbpix
