#include "album/AlbumPaths.h"

#include <algorithm>

#include "album/TextCompare.h"

namespace orbpix {

namespace {

bool isControl(char c) {
    return static_cast<unsigned char>(c) < 0x20;
}

// Far more than any folder holds; a bound only so that a misbehaving file system cannot
// keep the loop going for ever.
constexpr unsigned kMaxCandidates = 1'000'000;

}  // namespace

SplitPath splitPath(std::string_view path) {
    const std::size_t slash = path.rfind(kPathSeparator);
    if (slash == std::string_view::npos)
        return {{}, path, false};
    return {path.substr(0, slash), path.substr(slash + 1), true};
}

std::string joinPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (path.empty() || path.back() != kPathSeparator)
        path += kPathSeparator;
    path += name;
    return path;
}

std::string lastComponent(std::string_view folder) {
    return std::string(splitPath(normalisedFolder(folder)).fileName);
}

std::string normalisedFolder(std::string_view folder) {
    while (folder.size() > 1 && folder.back() == kPathSeparator)
        folder.remove_suffix(1);
    return std::string(folder);
}

bool isParkedName(std::string_view fileName) {
    return startsWithIgnoreCase(fileName, kParkedPrefix);
}

std::string parkedCandidate(std::string_view fileName, unsigned n) {
    std::string name(kParkedPrefix);
    if (n > 0)
        name += "(" + std::to_string(n) + ")";
    name += fileName;
    return name;
}

std::string prefixedCandidate(std::string_view fileName, unsigned n) {
    std::string name;
    if (n > 0)
        name = "(" + std::to_string(n) + ")";
    name += fileName;
    return name;
}

std::optional<std::string> firstFreeCandidate(
    std::string_view folder, std::string_view fileName,
    std::string (*candidate)(std::string_view, unsigned),
    const std::function<bool(const std::string& path)>& taken) {
    for (unsigned n = 0; n < kMaxCandidates; ++n) {
        std::string path = joinPath(folder, candidate(fileName, n));
        if (!taken(path))
            return path;
    }
    return std::nullopt;
}

bool isStorableAttributeValue(std::string_view value) {
    return std::none_of(value.begin(), value.end(),
                        [](char c) { return c == '"' || c == '>' || isControl(c); });
}

bool isStorableTextValue(std::string_view value) {
    return std::none_of(value.begin(), value.end(),
                        [](char c) { return c == '<' || isControl(c); });
}

std::string withoutControlCharacters(std::string_view value) {
    std::string kept;
    kept.reserve(value.size());
    for (const char c : value) {
        if (!isControl(c))
            kept += c;
    }
    return kept;
}

std::string storableFileName(std::string_view fileName) {
    std::string name(fileName);
    for (char& c : name) {
        if (c == '"' || c == '>' || c == '<' || isControl(c))
            c = '_';
    }
    return name;
}

bool isValidFolderName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find(kPathSeparator) == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

}  // namespace orbpix
