#include "album/AlbumFile.h"

#include "album/AlbumPaths.h"
#include "album/FileSystem.h"

namespace orbpix {

namespace {

constexpr std::string_view kRootTag = "ORBALBUM";
constexpr std::string_view kItemTag = "ORBITEM";
constexpr std::string_view kInfoTag = "ORBINFO";
constexpr std::string_view kIdAttribute = "id";
constexpr std::string_view kPathAttribute = "path";
// Every file this program writes ends so; a file that does not was cut short.
constexpr std::string_view kCompleteFileEnd = "</ORBALBUM>\r\r\n";

}  // namespace

TaggedDocument albumDocument(const std::vector<AlbumItem>& items, std::string_view folder) {
    TaggedDocument document;
    const auto root = document.createRoot(kRootTag);
    for (const AlbumItem& item : items) {
        const auto element = document.addElement(root, kItemTag);
        const SplitPath split = splitPath(item.path);
        if (!split.hasSeparator)
            document.setAttribute(element, kIdAttribute, item.path);
        else if (split.folder == folder)
            document.setAttribute(element, kIdAttribute, split.fileName);
        else
            document.setAttribute(element, kPathAttribute, item.path);
        for (std::size_t i = 0; i < item.properties.count(); ++i) {
            const auto info = document.addElement(element, kInfoTag);
            document.setAttribute(info, kIdAttribute, item.properties.nameAt(i));
            // An empty value has no text: the end tag follows the start tag's line.
            if (!item.properties.valueAt(i).empty())
                document.addText(info, item.properties.valueAt(i));
        }
    }
    return document;
}

AlbumDocumentItems itemsFromDocument(const TaggedDocument& document, std::string_view folder) {
    AlbumDocumentItems result;
    if (!document.hasRoot())
        return result;
    const auto& root = document.node(document.root());
    if (root.kind != TagNodeKind::Element || root.text != kRootTag)
        return result;
    result.rootRecognised = true;
    for (auto childId = root.firstChild; childId != TaggedDocument::kNoNode;
         childId = document.node(childId).nextSibling) {
        const auto& child = document.node(childId);
        if (child.kind != TagNodeKind::Element || child.text != kItemTag)
            continue;
        AlbumItem item;
        if (const auto id = document.attribute(childId, kIdAttribute))
            item.path = joinPath(folder, *id);
        else if (const auto path = document.attribute(childId, kPathAttribute))
            item.path = *path;
        else
            continue;
        for (auto infoId = child.firstChild; infoId != TaggedDocument::kNoNode;
             infoId = document.node(infoId).nextSibling) {
            const auto& info = document.node(infoId);
            if (info.kind != TagNodeKind::Element || info.text != kInfoTag ||
                info.firstChild == TaggedDocument::kNoNode)
                continue;
            const auto name = document.attribute(infoId, kIdAttribute);
            const auto& value = document.node(info.firstChild);
            if (name && value.kind == TagNodeKind::Text)
                item.properties.set(*name, value.text);
        }
        result.items.push_back(std::move(item));
    }
    return result;
}

std::string albumFileBytes(const std::vector<AlbumItem>& items, std::string_view folder) {
    return albumDocument(items, folder).write();
}

AlbumFileContent loadAlbumFile(FileSystem& fileSystem, const std::string& folder) {
    AlbumFileContent content;
    if (!fileSystem.isFolder(folder)) {
        content.outcome = AlbumFileLoad::NoFolder;
        return content;
    }
    const std::string file = joinPath(folder, kAlbumFileName);
    if (!fileSystem.exists(file)) {
        // A save stopped between setting the old file aside and putting the new one in its
        // place. The old file is complete; the new one only when it ends as we end files.
        const std::string oldFile = joinPath(folder, kOldAlbumFileName);
        const std::string newFile = joinPath(folder, kNewAlbumFileName);
        if (fileSystem.exists(oldFile)) {
            (void)fileSystem.rename(oldFile, file);
        } else if (fileSystem.exists(newFile)) {
            const auto bytes = fileSystem.readFile(newFile);
            if (bytes && bytes->ends_with(kCompleteFileEnd))
                (void)fileSystem.rename(newFile, file);
        }
    }
    const auto bytes = fileSystem.readFile(file);
    if (!bytes)
        return content;
    TaggedDocument document;
    if (!document.read(*bytes)) {
        content.outcome = AlbumFileLoad::Unreadable;
        return content;
    }
    auto items = itemsFromDocument(document, folder);
    content.outcome = AlbumFileLoad::Read;
    content.items = std::move(items.items);
    content.rootRecognised = items.rootRecognised;
    return content;
}

bool saveAlbumFile(FileSystem& fileSystem, const std::string& folder,
                   const std::vector<AlbumItem>& items) {
    if (!fileSystem.isFolder(folder) && !fileSystem.makeFolder(folder))
        return false;
    const std::string file = joinPath(folder, kAlbumFileName);
    const std::string newFile = joinPath(folder, kNewAlbumFileName);
    const std::string oldFile = joinPath(folder, kOldAlbumFileName);

    if (!fileSystem.writeFile(newFile, albumFileBytes(items, folder))) {
        if (fileSystem.exists(newFile))
            (void)fileSystem.removeFile(newFile);
        return false;
    }
    bool saved = false;
    if (!fileSystem.exists(file) || fileSystem.rename(file, oldFile)) {
        if (fileSystem.rename(newFile, file))
            saved = true;
        else
            (void)fileSystem.rename(oldFile, file);
    }
    fileSystem.syncFolder(folder);

    // The companions go only while an album file stands: should both renames above have
    // failed, they hold the only copies of the album.
    if (fileSystem.exists(file)) {
        if (fileSystem.exists(newFile))
            (void)fileSystem.removeFile(newFile);
        if (fileSystem.exists(oldFile))
            (void)fileSystem.removeFile(oldFile);
    }
    return saved;
}

}  // namespace orbpix
