#include "album/Album.h"

#include <algorithm>
#include <new>

#include "album/AlbumPaths.h"

namespace orbpix {

Album::Album(std::string_view folder, bool readOnly)
    : m_folder(normalisedFolder(folder)), m_readOnly(readOnly) {}

Album::~Album() = default;

bool Album::beforeMove(std::size_t, std::size_t) {
    return true;
}
bool Album::beforeRemove(AlbumItem&, bool) {
    return true;
}
bool Album::beforeInsertMoved(AlbumItem&, std::string_view) {
    return true;
}
bool Album::beforeInsertCopied(AlbumItem&) {
    return true;
}
bool Album::beforePropertyChange(std::size_t, std::string_view) {
    return true;
}
void Album::afterMove(bool) {}
void Album::afterRemove(const AlbumItem&, bool, bool) {}
void Album::afterInsertMoved(bool) {}
void Album::afterInsertCopied(bool) {}
void Album::afterPropertyChange(bool) {}

std::optional<std::string> Album::itemPath(std::size_t index) const {
    if (index >= m_items.size())
        return std::nullopt;
    return m_items[index].path;
}

std::optional<AlbumItem> Album::item(std::size_t index) const {
    if (index >= m_items.size())
        return std::nullopt;
    return m_items[index];
}

std::optional<std::string> Album::itemName(std::size_t index) const {
    if (index >= m_items.size())
        return std::nullopt;
    if (auto name = m_items[index].properties.get(kPropertyName))
        return name;
    return std::string(splitPath(m_items[index].path).fileName);
}

std::optional<std::string> Album::property(std::size_t index, std::string_view name) const {
    if (index >= m_items.size())
        return std::nullopt;
    return m_items[index].properties.get(name);
}

std::size_t Album::forEachItem(const ItemCallback& callback, std::size_t first,
                               std::size_t maximum) {
    std::size_t visited = 0;
    for (std::size_t i = first; i < m_items.size() && visited < maximum; ++i, ++visited)
        callback(*this, i, m_items[i]);
    return visited;
}

bool Album::moveItem(std::size_t from, std::size_t to) {
    if (!(capabilities() & CanMove) || from >= m_items.size())
        return false;
    to = std::min(to, m_items.size() - 1);
    if (to == from)
        return false;
    const bool allowed = beforeMove(from, to);
    if (allowed) {
        AlbumItem moving = std::move(m_items[from]);
        m_items.erase(m_items.begin() + std::ptrdiff_t(from));
        m_items.insert(m_items.begin() + std::ptrdiff_t(to), std::move(moving));
        m_dirty = true;
    }
    afterMove(allowed);
    return allowed;
}

bool Album::removeItem(std::size_t index, RemovedItem* kept) {
    if (!(capabilities() & CanRemove) || index >= m_items.size())
        return false;
    const bool keepForUndo = kept != nullptr;
    const std::string fileName(splitPath(m_items[index].path).fileName);
    // The hook parks the file and points the item at it; work on a copy so that a refusal
    // leaves the item untouched.
    AlbumItem removing = m_items[index];
    const bool allowed = beforeRemove(removing, keepForUndo);
    if (allowed) {
        m_items.erase(m_items.begin() + std::ptrdiff_t(index));
        m_dirty = true;
    }
    afterRemove(removing, allowed, keepForUndo);
    if (allowed && kept) {
        kept->item = std::move(removing);
        kept->fileName = fileName;
    }
    return allowed;
}

bool Album::insertItem(std::size_t index, AlbumItem item, std::size_t* usedIndex,
                       const std::function<bool(AlbumItem&)>& before,
                       const std::function<void(bool)>& after) {
    if (!(capabilities() & CanInsert))
        return false;
    for (std::size_t i = 0; i < item.properties.count(); ++i) {
        if (!isStorableProperty(item.properties.nameAt(i), item.properties.valueAt(i)))
            return false;
    }
    PropertyMap mended;
    for (std::size_t i = 0; i < item.properties.count(); ++i)
        mended.set(item.properties.nameAt(i), withoutControlCharacters(item.properties.valueAt(i)));
    item.properties = std::move(mended);

    // Room for the item is made before the hook places its file, so that the list cannot
    // fail to take it afterwards.
    try {
        if (m_items.size() == m_items.capacity())
            m_items.reserve(std::max<std::size_t>(8, m_items.capacity() * 2));
    } catch (const std::bad_alloc&) {
        return false;
    }
    index = std::min(index, m_items.size());
    const bool inserted = before(item);
    if (inserted) {
        m_items.insert(m_items.begin() + std::ptrdiff_t(index), std::move(item));
        m_dirty = true;
        if (usedIndex)
            *usedIndex = index;
    }
    after(inserted);
    return inserted;
}

bool Album::insertMovedItem(std::size_t index, AlbumItem item, std::string_view wantedName,
                            std::size_t* usedIndex) {
    return insertItem(
        index, std::move(item), usedIndex,
        [&](AlbumItem& it) { return beforeInsertMoved(it, wantedName); },
        [&](bool ok) { afterInsertMoved(ok); });
}

bool Album::insertCopiedItem(std::string_view path, std::size_t index, std::size_t* usedIndex) {
    AlbumItem item;
    item.path = path;
    return insertCopiedItem(std::move(item), index, usedIndex);
}

bool Album::insertCopiedItem(AlbumItem item, std::size_t index, std::size_t* usedIndex) {
    return insertItem(
        index, std::move(item), usedIndex, [&](AlbumItem& it) { return beforeInsertCopied(it); },
        [&](bool ok) { afterInsertCopied(ok); });
}

bool Album::isStorableProperty(std::string_view name, std::string_view value) {
    return !name.empty() && isStorableAttributeValue(name) &&
           isStorableTextValue(withoutControlCharacters(value));
}

bool Album::setProperty(std::size_t index, std::string_view name, std::string_view value) {
    if (!(capabilities() & CanSetProperty) || index >= m_items.size() ||
        !isStorableProperty(name, value))
        return false;
    const bool allowed = beforePropertyChange(index, name);
    if (allowed) {
        m_items[index].properties.set(name, withoutControlCharacters(value));
        m_dirty = true;
    }
    afterPropertyChange(allowed);
    return allowed;
}

bool Album::removeProperty(std::size_t index, std::string_view name) {
    if (!(capabilities() & CanSetProperty) || index >= m_items.size())
        return false;
    const bool allowed = beforePropertyChange(index, name);
    if (allowed) {
        m_items[index].properties.remove(name);
        m_dirty = true;
    }
    afterPropertyChange(allowed);
    return allowed;
}

bool Album::rename(std::string_view newName) {
    if (!(capabilities() & CanRename) || !renameFolder(newName))
        return false;
    m_dirty = true;
    return true;
}

bool Album::saveIfDirty() {
    if (!m_dirty)
        return true;
    if (!save())
        return false;
    m_dirty = false;
    return true;
}

bool Album::refresh(AlbumObserver* observer) {
    const bool changed = synchronise(observer);
    if (changed && !m_dirty)
        return save();
    return changed;
}

std::uint32_t Album::state() const {
    return capabilities() | (m_dirty ? kAlbumDirty : 0u);
}

}  // namespace orbpix
