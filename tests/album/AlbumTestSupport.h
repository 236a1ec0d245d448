#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "album/FilePatternList.h"
#include "album/FileSystem.h"
#include "album/FolderAlbum.h"
#include "support/Files.h"
#include "support/TempFolder.h"

namespace orbpix::test {

inline bool fileExists(const std::string& path) {
    return std::filesystem::exists(std::filesystem::symlink_status(path));
}

// Names of the plain files of a folder, sorted.
inline std::vector<std::string> folderFiles(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.is_regular_file())
            names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// An album folder in a temporary folder, with picture files whose content names them, so
// that a test can tell which picture a file holds after renames.
class AlbumFolder {
public:
    AlbumFolder() : m_folder(m_temp.path("My Album")) {
        std::filesystem::create_directory(m_folder);
        addImagingPatterns(m_patterns);
    }
    AlbumFolder(const AlbumFolder&) = delete;
    AlbumFolder& operator=(const AlbumFolder&) = delete;
    const std::string& folder() const { return m_folder; }
    std::string path(const std::string& name) const { return m_folder + "/" + name; }
    std::string outside(const std::string& name) const { return m_temp.path(name); }
    void addPicture(const std::string& name, const std::string& content = {}) const {
        writeFile(path(name), content.empty() ? "picture " + name : content);
    }
    const FilePatternList& patterns() const { return m_patterns; }
    std::unique_ptr<FolderAlbum> open(bool readOnly = false) const {
        return FolderAlbum::open(m_folder, readOnly, localFileSystem(), m_patterns);
    }
    std::string albumFile() const { return readFile(path(".orp")); }

private:
    TempFolder m_temp;
    std::string m_folder;
    FilePatternList m_patterns;
};

inline std::vector<std::string> itemFileNames(const Album& album) {
    std::vector<std::string> names;
    for (const AlbumItem& item : album.items())
        names.push_back(item.path.substr(item.path.rfind('/') + 1));
    return names;
}

}  // namespace orbpix::test
