#include "album/FolderAlbum.h"

#include <algorithm>
#include <unordered_set>

#include "album/AlbumFile.h"
#include "album/AlbumPaths.h"
#include "album/FilePatternList.h"
#include "album/FileSystem.h"

namespace orbpix {

FolderAlbum::FolderAlbum(std::string_view folder, bool readOnly, FileSystem& fileSystem,
                         const FilePatternList& patterns)
    : Album(folder, readOnly), m_fileSystem(fileSystem), m_patterns(patterns) {}

FolderAlbum::FolderAlbum(std::string_view folder, bool readOnly)
    : FolderAlbum(folder, readOnly, localFileSystem(), filePatternList()) {}

std::unique_ptr<FolderAlbum> FolderAlbum::open(std::string_view folder, bool readOnly,
                                               FileSystem& fileSystem,
                                               const FilePatternList& patterns) {
    auto album = std::make_unique<FolderAlbum>(folder, readOnly, fileSystem, patterns);
    if (!album->open())
        return nullptr;
    return album;
}

std::unique_ptr<FolderAlbum> FolderAlbum::open(std::string_view folder, bool readOnly) {
    return open(folder, readOnly, localFileSystem(), filePatternList());
}

bool FolderAlbum::open() {
    m_items.clear();
    if (!load())
        return false;
    std::optional<std::vector<std::string>> listing;
    m_dirty = synchroniseListed(nullptr, &listing) && !save();
    // The purge goes by the same listing: a picture arriving meanwhile is left for the next
    // synchronisation to find rather than deleted unseen.
    if (listing)
        purgeListed(*listing);
    return true;
}

std::uint32_t FolderAlbum::capabilities() const {
    return (m_readOnly ? 0u : (CanMove | CanRemove | CanInsert | CanSetProperty)) | CanRename;
}

bool FolderAlbum::load() {
    AlbumFileContent content = loadAlbumFile(m_fileSystem, m_folder);
    if (content.outcome == AlbumFileLoad::NoFolder)
        return false;
    m_fileRead = content.outcome == AlbumFileLoad::Read && content.rootRecognised;
    for (AlbumItem& item : content.items)
        m_items.push_back(std::move(item));
    return true;
}

bool FolderAlbum::save() {
    return saveAlbumFile(m_fileSystem, m_folder, m_items);
}

bool FolderAlbum::hasItemWithPath(std::string_view path) const {
    return std::any_of(m_items.begin(), m_items.end(),
                       [&](const AlbumItem& item) { return item.path == path; });
}

bool FolderAlbum::isTaken(const std::string& path) const {
    return m_fileSystem.exists(path);
}

void FolderAlbum::purge() {
    if (const auto names = m_fileSystem.listFiles(m_folder))
        purgeListed(*names);
}

void FolderAlbum::purgeListed(const std::vector<std::string>& names) {
    // Items of the folder by file name: the listing gives nothing else.
    std::unordered_set<std::string_view> referenced;
    for (const AlbumItem& item : m_items) {
        const SplitPath split = splitPath(item.path);
        if (split.hasSeparator && split.folder == m_folder)
            referenced.insert(split.fileName);
    }
    for (const std::string& name : names) {
        // A name the album file cannot hold was never written by the album: synchronising
        // could not give it a storable name, and it is not ours to delete.
        if (referenced.contains(name) || !m_patterns.matches(name) ||
            !isStorableAttributeValue(name))
            continue;
        const std::string path = joinPath(m_folder, name);
        if (m_fileSystem.exists(path))
            (void)m_fileSystem.removeFile(path);
    }
}

bool FolderAlbum::synchronise(AlbumObserver* observer) {
    return synchroniseListed(observer, nullptr);
}

bool FolderAlbum::synchroniseListed(AlbumObserver* observer,
                                    std::optional<std::vector<std::string>>* listing) {
    if (!m_fileSystem.isFolder(m_folder)) {
        m_items.clear();
        if (observer)
            observer->folderGone(*this, name());
        return false;
    }
    // One listing serves every question about the folder's own files; only items elsewhere
    // (or folders) cost a look-up of their own.
    auto names = m_fileSystem.listFiles(m_folder);
    if (names)
        std::sort(names->begin(), names->end());
    const auto listed = [&](const std::string& path) {
        const SplitPath split = splitPath(path);
        return names && split.folder == m_folder &&
               std::binary_search(names->begin(), names->end(), split.fileName);
    };

    bool changed = false;
    for (std::size_t i = 0; i < m_items.size();) {
        const std::string& path = m_items[i].path;
        if (listed(path) || m_fileSystem.exists(path)) {
            ++i;
            continue;
        }
        // A picture parked for an undo that never came: put it back.
        const SplitPath split = splitPath(path);
        const std::string parked = joinPath(split.folder, parkedCandidate(split.fileName, 0));
        if (split.hasSeparator && m_fileSystem.exists(parked) &&
            m_fileSystem.rename(parked, path)) {
            ++i;
            continue;
        }
        const std::string removedPath = path;
        const std::string fileName(split.fileName);
        m_items.erase(m_items.begin() + std::ptrdiff_t(i));
        changed = true;
        if (observer)
            observer->itemRemoved(*this, i, removedPath, fileName);
    }

    if (names) {
        // File names of the folder's items, viewing the items' own paths: the room made
        // first keeps them in place while items are added.
        m_items.reserve(m_items.size() + names->size());
        std::unordered_set<std::string_view> referenced;
        referenced.reserve(m_items.capacity());
        const auto remember = [&](const std::string& itemPath) {
            const SplitPath split = splitPath(itemPath);
            if (split.hasSeparator && split.folder == m_folder)
                referenced.insert(split.fileName);
        };
        for (const AlbumItem& item : m_items)
            remember(item.path);
        for (const std::string& name : *names) {
            if (isParkedName(name) || referenced.contains(name) || !m_patterns.matches(name))
                continue;
            std::string path = joinPath(m_folder, name);
            if (!isStorableAttributeValue(name)) {
                // Another program put a picture here under a name the album file cannot
                // hold; it joins under the nearest name that it can.
                const auto safe = firstFreeCandidate(
                    m_folder, storableFileName(name), prefixedCandidate, [&](const std::string& p) {
                        return isTaken(p) || referenced.contains(splitPath(p).fileName);
                    });
                if (!safe || !m_fileSystem.rename(path, *safe))
                    continue;
                path = *safe;
            }
            AlbumItem item;
            item.path = std::move(path);
            m_items.push_back(std::move(item));
            remember(m_items.back().path);
            changed = true;
            if (observer)
                observer->itemAdded(*this, m_items.size() - 1);
        }
    }
    if (listing)
        *listing = std::move(names);
    return changed;
}

std::string FolderAlbum::name() const {
    return lastComponent(m_folder);
}

bool FolderAlbum::renameFolder(std::string_view newName) {
    if (!isValidFolderName(newName))
        return false;
    const SplitPath split = splitPath(m_folder);
    if (!split.hasSeparator)
        return false;
    const std::string newFolder = joinPath(split.folder.empty() ? "/" : split.folder, newName);
    if (!m_fileSystem.rename(m_folder, newFolder))
        return false;
    // Only pictures of the folder moved with it; one stored elsewhere keeps its path.
    for (AlbumItem& item : m_items) {
        const SplitPath itemSplit = splitPath(item.path);
        if (itemSplit.hasSeparator && itemSplit.folder == m_folder)
            item.path = joinPath(newFolder, itemSplit.fileName);
    }
    m_folder = newFolder;
    return true;
}

bool FolderAlbum::beforeRemove(AlbumItem& item, bool keepForUndo) {
    if (!keepForUndo)
        return true;
    if (!m_fileSystem.exists(item.path))
        return false;
    const SplitPath split = splitPath(item.path);
    const auto parked = firstFreeCandidate(m_folder, split.fileName, parkedCandidate,
                                           [&](const std::string& p) { return isTaken(p); });
    if (!parked || !m_fileSystem.rename(item.path, *parked))
        return false;
    item.path = *parked;
    return true;
}

void FolderAlbum::afterRemove(const AlbumItem& item, bool success, bool keepForUndo) {
    if (success && !keepForUndo)
        (void)m_fileSystem.removeFile(item.path);
}

bool FolderAlbum::beforeInsertMoved(AlbumItem& item, std::string_view wantedName) {
    const std::string name = storableFileName(wantedName);
    if (!isValidFolderName(name))
        return false;
    const auto target = firstFreeCandidate(m_folder, name, prefixedCandidate,
                                           [&](const std::string& p) { return isTaken(p); });
    if (!target || !m_fileSystem.rename(item.path, *target))
        return false;
    item.path = *target;
    return true;
}

bool FolderAlbum::beforeInsertCopied(AlbumItem& item) {
    const SplitPath split = splitPath(item.path);
    if (!split.hasSeparator || split.fileName.empty())
        return false;
    const bool storable = isStorableAttributeValue(split.fileName);
    const bool inFolder = split.folder == m_folder || (split.folder.empty() && m_folder == "/");
    if (inFolder && !hasItemWithPath(item.path)) {
        if (storable)
            return m_fileSystem.exists(item.path);
        // A picture of the folder itself under a name the album file cannot hold moves to
        // the nearest name it can, instead of leaving a copy behind beside it.
        const auto target =
            firstFreeCandidate(m_folder, storableFileName(split.fileName), prefixedCandidate,
                               [&](const std::string& p) { return isTaken(p); });
        if (!target || !m_fileSystem.rename(item.path, *target))
            return false;
        item.path = *target;
        return true;
    }
    const auto target =
        firstFreeCandidate(m_folder, storableFileName(split.fileName), prefixedCandidate,
                           [&](const std::string& p) { return isTaken(p); });
    if (!target || !m_fileSystem.copy(item.path, *target))
        return false;
    item.path = *target;
    return true;
}

}  // namespace orbpix
