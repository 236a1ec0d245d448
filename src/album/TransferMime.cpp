#include "album/TransferMime.h"

#include <QMimeData>
#include <QSet>
#include <QUrl>

#include "album/Album.h"

namespace orbpix {

TransferItem transferItemFrom(const AlbumItem& item) {
    TransferItem out;
    out.path = QString::fromStdString(item.path);
    for (std::size_t i = 0; i < item.properties.count(); ++i) {
        out.properties.append({QString::fromStdString(item.properties.nameAt(i)),
                               QString::fromStdString(item.properties.valueAt(i))});
    }
    return out;
}

AlbumItem albumItemFrom(const TransferItem& item) {
    AlbumItem out;
    out.path = item.path.toStdString();
    for (const auto& [name, value] : item.properties)
        out.properties.set(name.toStdString(), value.toStdString());
    return out;
}

bool offerItems(QMimeData& data, const QList<TransferItem>& items, TempCopies copies,
                TemporaryCopies& store) {
    const auto block = orbpix::offerItems(items, copies, store);
    if (!block)
        return false;
    // The file list names what the block names: the temporary copies when there are some.
    QList<TransferItem> offered;
    if (!readItemsBlock(*block, offered))
        return false;
    data.setData(QString::fromLatin1(kItemsMimeType), *block);
    QList<QUrl> urls;
    for (const TransferItem& item : std::as_const(offered))
        urls.append(QUrl::fromLocalFile(item.path));
    data.setUrls(urls);
    return true;
}

bool offerSelection(QMimeData& data, const Album& album, const std::vector<std::size_t>& indexes,
                    TempCopies copies, TemporaryCopies& store) {
    std::vector<int> requested;
    QList<TransferItem> items;
    QSet<std::size_t> seen;
    for (std::size_t index : indexes) {
        requested.push_back(index > std::size_t(INT32_MAX) ? -1 : int(index));
        const auto item = album.item(index);
        if (!item || seen.contains(index))
            continue;
        seen.insert(index);
        items.append(transferItemFrom(*item));
    }
    QMimeData offer;
    if (!offerItems(offer, items, copies, store))
        return false;
    data.setData(
        QString::fromLatin1(kIndexesMimeType),
        buildIndexesBlock(requested, int(std::min<std::size_t>(album.itemCount(), INT32_MAX))));
    data.setData(QString::fromLatin1(kItemsMimeType),
                 offer.data(QString::fromLatin1(kItemsMimeType)));
    data.setUrls(offer.urls());
    return true;
}

QList<TransferItem> readItems(const QMimeData& data, const QStringList& patterns) {
    QList<TransferItem> items;
    const QString itemsType = QString::fromLatin1(kItemsMimeType);
    if (data.hasFormat(itemsType)) {
        if (!readItemsBlock(data.data(itemsType), items))
            items.clear();
        return items;
    }
    if (!data.hasUrls())
        return items;
    QStringList paths;
    for (const QUrl& url : data.urls()) {
        // Only files on this machine can be copied into an album.
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    return itemsFromDroppedFiles(paths, patterns);
}

bool canAccept(const QMimeData& data) {
    return data.hasFormat(QString::fromLatin1(kItemsMimeType)) || data.hasUrls();
}

std::optional<std::vector<std::uint32_t>> readIndexes(const QMimeData& data, ProcessCheck check) {
    const QString type = QString::fromLatin1(kIndexesMimeType);
    if (!data.hasFormat(type))
        return std::nullopt;
    return orbpix::readIndexes(data.data(type), check);
}

}  // namespace orbpix
