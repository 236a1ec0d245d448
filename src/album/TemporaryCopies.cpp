#include "album/TemporaryCopies.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include "album/TreeOps.h"

namespace orbpix {

TemporaryCopies::TemporaryCopies(QString tempFolder)
    : m_tempFolder(tempFolder.isEmpty() ? QDir::tempPath() : std::move(tempFolder)) {}

bool TemporaryCopies::ensureFolder() {
    if (!m_folder.isEmpty() && QFileInfo(m_folder).isDir())
        return true;
    QTemporaryDir dir(m_tempFolder + QStringLiteral("/orbpix-copies-XXXXXX"));
    if (!dir.isValid())
        return false;
    dir.setAutoRemove(false);
    m_folder = dir.path();
    return true;
}

QList<TransferItem> TemporaryCopies::copyIn(const QList<TransferItem>& items) {
    QList<TransferItem> copied = items;
    if (!ensureFolder())
        return copied;
    QSet<QString> takenNow;
    for (TransferItem& item : copied) {
        const QFileInfo source(item.path);
        const QString name = source.fileName();
        if (name.isEmpty() || !source.exists())
            continue;
        QString target = m_folder + QLatin1Char('/') + name;
        for (unsigned n = 1; takenNow.contains(target); ++n)
            target = m_folder + QStringLiteral("/(%1)").arg(n) + name;
        takenNow.insert(target);
        // An item that already is one of our copies stays as it is: overwriting it would
        // delete the very file being copied.
        if (source.canonicalFilePath() == QFileInfo(target).canonicalFilePath()) {
            if (!m_paths.contains(target))
                m_paths.append(target);
            continue;
        }
        if (!treeops::copyTree(item.path, target))
            continue;
        if (!m_paths.contains(target))
            m_paths.append(target);
        item.path = target;
    }
    return copied;
}

int TemporaryCopies::deleteAll() {
    int deleted = 0;
    for (const QString& path : std::as_const(m_paths)) {
        if (QFileInfo(path).exists() && treeops::removeTree(path))
            ++deleted;
    }
    m_paths.clear();
    if (!m_folder.isEmpty() && QDir().rmdir(m_folder))
        m_folder.clear();
    return deleted;
}

TemporaryCopies& temporaryCopies() {
    static TemporaryCopies copies;
    return copies;
}

QList<TransferItem>& lastDraggedItems() {
    static QList<TransferItem> items;
    return items;
}

std::optional<QByteArray> offerItems(const QList<TransferItem>& items, TempCopies copies,
                                     TemporaryCopies& store) {
    lastDraggedItems() = items;
    if (copies == TempCopies::No)
        return buildItemsBlock(items);
    const QList<TransferItem> copied = store.copyIn(items);
    return buildItemsBlock(copied);
}

}  // namespace orbpix
