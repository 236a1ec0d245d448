#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "album/AlbumItem.h"
#include "album/TaggedDocument.h"

namespace orbpix {

class FileSystem;

// Names of the album file and of its two companions during a save, inside the album folder.
inline constexpr const char* kAlbumFileName = ".orp";
inline constexpr const char* kNewAlbumFileName = ".orp2";
inline constexpr const char* kOldAlbumFileName = ".orp3";

// The document of an album: root "ORBALBUM", one "ORBITEM" per item, one "ORBINFO" per
// property. An item inside the album folder is stored by file name ("id"), one elsewhere by
// full path ("path").
TaggedDocument albumDocument(const std::vector<AlbumItem>& items, std::string_view folder);

struct AlbumDocumentItems {
    std::vector<AlbumItem> items;
    bool rootRecognised = false;
};
// The items a document lists; nothing unless its root is "ORBALBUM".
AlbumDocumentItems itemsFromDocument(const TaggedDocument& document, std::string_view folder);

// The bytes of the album file of these items.
std::string albumFileBytes(const std::vector<AlbumItem>& items, std::string_view folder);

enum class AlbumFileLoad {
    NoFolder,    // the album folder does not exist: loading fails
    NoFile,      // no album file (or none that can be read): an empty album
    Unreadable,  // the document could not be read: an empty album
    Read,
};

struct AlbumFileContent {
    AlbumFileLoad outcome = AlbumFileLoad::NoFile;
    std::vector<AlbumItem> items;
    bool rootRecognised = false;
};

// Reads the album file of a folder. When a save was cut short after the album file had
// been set aside, the file it set aside (or, failing that, the complete new one) is put
// back in place first.
AlbumFileContent loadAlbumFile(FileSystem& fileSystem, const std::string& folder);

// Writes the album file without ever leaving the folder without a complete one: the new
// file is written beside it, the old one set aside, the new one put in its place.
[[nodiscard]] bool saveAlbumFile(FileSystem& fileSystem, const std::string& folder,
                                 const std::vector<AlbumItem>& items);

}  // namespace orbpix
