#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "album/AlbumItem.h"

namespace orbpix {

class Album;

// Told of the changes that synchronising an album with its folder makes.
class AlbumObserver {
public:
    virtual ~AlbumObserver() = default;
    virtual void itemAdded(Album& album, std::size_t index) = 0;
    virtual void itemRemoved(Album& album, std::size_t index, const std::string& path,
                             const std::string& fileName) = 0;
    virtual void folderGone(Album& album, const std::string& albumName) = 0;
};

// What an album allows; GetState adds kAlbumDirty.
enum AlbumCapability : std::uint32_t {
    CanMove = 0x01,
    CanRemove = 0x02,
    CanInsert = 0x04,
    CanSetProperty = 0x08,
    CanRename = 0x10,
};
inline constexpr std::uint32_t kAlbumDirty = 0x8000'0000u;

// An item taken out of the album for undo: its path now names the parked file, and the file
// name it had before parking.
struct RemovedItem {
    AlbumItem item;
    std::string fileName;
};

// An ordered list of pictures kept in step with the files of a folder. Every change checks a
// capability, asks a hook that keeps the files in step, changes the list, marks the album
// dirty and tells an after-hook. A change that fails leaves list and files as they were.
//
// Nothing the album holds may spoil its file: names and values that the album file cannot
// hold are refused or mended where they enter.
class Album {
public:
    using ItemCallback = std::function<void(Album& album, std::size_t index, const AlbumItem&)>;

    Album(const Album&) = delete;
    Album& operator=(const Album&) = delete;
    virtual ~Album();

    virtual std::uint32_t capabilities() const = 0;
    // Reads the album file; false only when the folder does not exist.
    [[nodiscard]] virtual bool load() = 0;
    [[nodiscard]] virtual bool save() = 0;
    // Deletes the picture files of the folder that no item references.
    virtual void purge() = 0;
    // Brings the list in step with the folder; true when it changed.
    virtual bool synchronise(AlbumObserver* observer) = 0;
    virtual std::string name() const = 0;
    [[nodiscard]] virtual bool renameFolder(std::string_view newName) = 0;
    virtual bool beforeMove(std::size_t from, std::size_t to);
    virtual bool beforeRemove(AlbumItem& item, bool keepForUndo);
    virtual bool beforeInsertMoved(AlbumItem& item, std::string_view wantedName);
    virtual bool beforeInsertCopied(AlbumItem& item);
    virtual bool beforePropertyChange(std::size_t index, std::string_view name);
    virtual void afterMove(bool success);
    virtual void afterRemove(const AlbumItem& item, bool success, bool keepForUndo);
    virtual void afterInsertMoved(bool success);
    virtual void afterInsertCopied(bool success);
    virtual void afterPropertyChange(bool success);

    std::size_t itemCount() const { return m_items.size(); }
    std::optional<std::string> itemPath(std::size_t index) const;
    std::optional<AlbumItem> item(std::size_t index) const;
    // The "NAME" property, or else the file name of the item's path.
    std::optional<std::string> itemName(std::size_t index) const;
    // Nothing when the index is past the end or the item lacks the property.
    std::optional<std::string> property(std::size_t index, std::string_view name) const;
    // Calls back for up to `maximum` items from `first`; answers how many it visited.
    std::size_t forEachItem(const ItemCallback& callback, std::size_t first, std::size_t maximum);

    // Takes an item out and puts it back at `to` (clamped to the last index).
    [[nodiscard]] bool moveItem(std::size_t from, std::size_t to);
    // Removes an item. With `kept`, its file is parked for undo and the item handed out;
    // without, the file is deleted for good.
    [[nodiscard]] bool removeItem(std::size_t index, RemovedItem* kept = nullptr);
    // Inserts an item whose file moves into the folder under the wanted name (or the first
    // free "(n)" form of it). `usedIndex` receives where it went.
    [[nodiscard]] bool insertMovedItem(std::size_t index, AlbumItem item,
                                       std::string_view wantedName,
                                       std::size_t* usedIndex = nullptr);
    // Inserts a picture copied into the folder (unless it already lies there unused).
    [[nodiscard]] bool insertCopiedItem(std::string_view path, std::size_t index,
                                        std::size_t* usedIndex = nullptr);
    [[nodiscard]] bool insertCopiedItem(AlbumItem item, std::size_t index,
                                        std::size_t* usedIndex = nullptr);
    // Control characters are dropped from a value, as the album file would drop them; a
    // value with "<" or a name the file cannot hold is refused.
    [[nodiscard]] bool setProperty(std::size_t index, std::string_view name,
                                   std::string_view value);
    [[nodiscard]] bool removeProperty(std::size_t index, std::string_view name);
    [[nodiscard]] bool rename(std::string_view newName);

    [[nodiscard]] bool saveIfDirty();
    // Synchronises; a changed clean album is saved at once (the save's result is returned),
    // otherwise the answer is whether the list changed.
    bool refresh(AlbumObserver* observer);
    std::uint32_t state() const;

    bool isDirty() const { return m_dirty; }
    void setDirty(bool dirty) { m_dirty = dirty; }
    const std::string& folder() const { return m_folder; }
    bool isReadOnly() const { return m_readOnly; }
    // True when the album file was found and its root tag was right.
    bool fileRead() const { return m_fileRead; }
    const std::vector<AlbumItem>& items() const { return m_items; }

protected:
    Album(std::string_view folder, bool readOnly);

    // Whether a property can enter the album as it is (after dropping control characters).
    static bool isStorableProperty(std::string_view name, std::string_view value);

    std::vector<AlbumItem> m_items;
    bool m_dirty = false;
    std::string m_folder;
    bool m_readOnly;
    bool m_fileRead = false;

private:
    bool insertItem(std::size_t index, AlbumItem item, std::size_t* usedIndex,
                    const std::function<bool(AlbumItem&)>& before,
                    const std::function<void(bool)>& after);
};

}  // namespace orbpix
