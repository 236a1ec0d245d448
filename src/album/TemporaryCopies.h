#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "album/TransferBlocks.h"

namespace orbpix {

// Copies of pictures that a clipboard copy placed in the temporary folder, so that another
// program can still take them when the album changes; deleted when the main window closes.
//
// The copies live in a private folder of their own inside the temporary folder: a shared
// temporary folder may hold someone else's file of the same name, which must be neither
// overwritten nor deleted later.
class TemporaryCopies {
public:
    // tempFolder: where the private folder is made (the system's temporary folder by default).
    explicit TemporaryCopies(QString tempFolder = QString());
    TemporaryCopies(const TemporaryCopies&) = delete;
    TemporaryCopies& operator=(const TemporaryCopies&) = delete;
    ~TemporaryCopies() = default;

    // Copies each item's file (or folder) under its file name and returns the items pointing
    // at the copies; an item whose copy fails keeps its own path. Copies left by an earlier
    // call are overwritten; two items of one call with the same file name get "(n)" names.
    QList<TransferItem> copyIn(const QList<TransferItem>& items);

    // Deletes every copy (folders with their content, read-only entries included), empties
    // the list and returns how many were deleted.
    int deleteAll();

    const QStringList& paths() const { return m_paths; }
    // The private folder; empty until the first copy.
    const QString& folder() const { return m_folder; }

private:
    [[nodiscard]] bool ensureFolder();

    QString m_tempFolder;
    QString m_folder;
    QStringList m_paths;
};

// The program's list, shared by every clipboard copy.
TemporaryCopies& temporaryCopies();

// The items most recently offered by a drag, kept until the next drag or exit.
QList<TransferItem>& lastDraggedItems();

enum class TempCopies { No, Yes };
// Prepares an items offer: remembers the items as the last dragged ones and builds the
// block, with the paths of temporary copies when asked for. Nothing when no block can be
// built; the offer is then left out.
std::optional<QByteArray> offerItems(const QList<TransferItem>& items, TempCopies copies,
                                     TemporaryCopies& store = temporaryCopies());

}  // namespace orbpix
