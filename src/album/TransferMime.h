#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "album/AlbumItem.h"
#include "album/TemporaryCopies.h"
#include "album/TransferBlocks.h"

class QMimeData;

namespace orbpix {

class Album;

// MIME types under which the two private blocks travel through the clipboard and drag and
// drop, between windows and between running copies of the program.
inline constexpr const char* kItemsMimeType = "application/x-orbpix-OrbPixDataItem";
inline constexpr const char* kIndexesMimeType = "application/x-orbpix-OrbPixDataItemIndexes";

// Conversions between album items and the items of a block.
TransferItem transferItemFrom(const AlbumItem& item);
AlbumItem albumItemFrom(const TransferItem& item);

// Offers items: the items block (with the paths of temporary copies when asked for) and the
// items' files as text/uri-list, so that a file manager takes the pictures themselves. False
// when no block could be built; the data is then left as it was.
bool offerItems(QMimeData& data, const QList<TransferItem>& items, TempCopies copies,
                TemporaryCopies& store = temporaryCopies());

// Offers a selection of an album: the indexes block of the indexes that name an item, and the
// same items with offerItems. Repeated and out-of-range indexes are left out of the items.
bool offerSelection(QMimeData& data, const Album& album, const std::vector<std::size_t>& indexes,
                    TempCopies copies = TempCopies::No, TemporaryCopies& store = temporaryCopies());

// The items of a paste or drop: the items block when offered (a foreign block with another
// magic gives nothing), else the dropped local files that match a pattern, in drop order.
QList<TransferItem> readItems(const QMimeData& data, const QStringList& patterns);

// Whether the data offers items or files at all.
bool canAccept(const QMimeData& data);

// The indexes of the indexes block; nothing when absent or malformed, or when same-process
// is asked for and another process wrote it.
std::optional<std::vector<std::uint32_t>> readIndexes(const QMimeData& data, ProcessCheck check);

}  // namespace orbpix
