#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "album/Album.h"

namespace orbpix {

class FileSystem;
class FilePatternList;

// An album kept in a folder of its own: its pictures are the folder's picture files, its
// order and properties the folder's album file.
class FolderAlbum final : public Album {
public:
    FolderAlbum(std::string_view folder, bool readOnly, FileSystem& fileSystem,
                const FilePatternList& patterns);
    FolderAlbum(std::string_view folder, bool readOnly);

    // Opens the album of an existing folder: load, synchronise, save when that changed the
    // list, purge. Nothing when the folder does not exist.
    static std::unique_ptr<FolderAlbum> open(std::string_view folder, bool readOnly,
                                             FileSystem& fileSystem,
                                             const FilePatternList& patterns);
    static std::unique_ptr<FolderAlbum> open(std::string_view folder, bool readOnly = false);
    [[nodiscard]] bool open();

    std::uint32_t capabilities() const override;
    bool load() override;
    bool save() override;
    void purge() override;
    bool synchronise(AlbumObserver* observer) override;
    std::string name() const override;
    bool renameFolder(std::string_view newName) override;
    bool beforeRemove(AlbumItem& item, bool keepForUndo) override;
    bool beforeInsertMoved(AlbumItem& item, std::string_view wantedName) override;
    bool beforeInsertCopied(AlbumItem& item) override;
    void afterRemove(const AlbumItem& item, bool success, bool keepForUndo) override;

private:
    // Synchronises, handing out the folder listing it went by (sorted).
    bool synchroniseListed(AlbumObserver* observer,
                           std::optional<std::vector<std::string>>* listing);
    void purgeListed(const std::vector<std::string>& names);
    bool isTaken(const std::string& path) const;
    bool hasItemWithPath(std::string_view path) const;

    FileSystem& m_fileSystem;
    const FilePatternList& m_patterns;
};

}  // namespace orbpix
