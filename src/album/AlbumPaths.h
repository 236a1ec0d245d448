#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace orbpix {

// Album folders and item paths use "/" and carry no trailing separator.
inline constexpr char kPathSeparator = '/';
// Prefix of the name under which a removed picture waits for its undo.
inline constexpr std::string_view kParkedPrefix = ".deleted.";

struct SplitPath {
    std::string_view folder;  // empty when the path has no separator
    std::string_view fileName;
    bool hasSeparator = false;
};

// Splits a path at its last separator; a path without one is all file name.
SplitPath splitPath(std::string_view path);
std::string joinPath(std::string_view folder, std::string_view name);
// The last component of a folder path.
std::string lastComponent(std::string_view folder);
// The folder path without a trailing separator (the root stays "/").
std::string normalisedFolder(std::string_view folder);

// True for a file name that a parked picture has (".deleted." in any case).
[[nodiscard]] bool isParkedName(std::string_view fileName);

// The n-th candidate name for parking a file: ".deleted.x.jpg", ".deleted.(1)x.jpg", ...
std::string parkedCandidate(std::string_view fileName, unsigned n);
// The n-th candidate name for a file entering a folder: "x.jpg", "(1)x.jpg", ...
std::string prefixedCandidate(std::string_view fileName, unsigned n);

// The first candidate (n = 0, 1, ...) for which `taken` answers no, as a full path in the
// folder; nothing when every candidate up to a generous bound is taken.
std::optional<std::string> firstFreeCandidate(
    std::string_view folder, std::string_view fileName,
    std::string (*candidate)(std::string_view, unsigned),
    const std::function<bool(const std::string& path)>& taken);

// Whether a text can stand in the album file without changing when read back.
// Attribute values (file names, paths, property names) end at a double quote or ">";
// text values end at "<"; control characters are dropped from both when read.
[[nodiscard]] bool isStorableAttributeValue(std::string_view value);
[[nodiscard]] bool isStorableTextValue(std::string_view value);
// A property value as the album file would give it back: control characters dropped.
std::string withoutControlCharacters(std::string_view value);
// A file name that can be stored: every character the album file cannot hold becomes "_".
std::string storableFileName(std::string_view fileName);
// A valid name for an album folder: not empty, not "." or "..", no separator.
[[nodiscard]] bool isValidFolderName(std::string_view name);

}  // namespace orbpix
