#include "ui/AlbumStrip.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <algorithm>

#include "album/Album.h"
#include "album/EditHistory.h"
#include "album/TransferMime.h"

namespace orbpix {

AlbumStrip::AlbumStrip(QWidget* parent, EditHistory& history, EditLabels labels,
                       QStringList patterns)
    : OWSelector(parent),
      m_history(history),
      m_labels(std::move(labels)),
      m_patterns(std::move(patterns)) {}

AlbumStrip::~AlbumStrip() = default;

void AlbumStrip::setAlbum(Album* album) {
    m_album = album;
    setSelectorReadOnly(m_forcedReadOnly || (album && album->isReadOnly()));
    rebuild();
}

void AlbumStrip::setStepObserver(EditObserver* observer) {
    m_stepObserver = observer;
}

EditObserver* AlbumStrip::stepObserver() {
    return m_stepObserver ? m_stepObserver : this;
}

void AlbumStrip::setReadOnly(bool readOnly) {
    m_forcedReadOnly = readOnly;
    setSelectorReadOnly(readOnly || (m_album && m_album->isReadOnly()));
}

namespace {

QString captionOf(const Album& album, std::size_t index) {
    return QString::fromStdString(album.itemName(index).value_or(std::string()));
}

QString pathOf(const Album& album, std::size_t index) {
    return QString::fromStdString(album.itemPath(index).value_or(std::string()));
}

}  // namespace

void AlbumStrip::rebuild() {
    clearItems();
    if (!m_album)
        return;
    for (std::size_t i = 0; i < m_album->itemCount(); ++i)
        insertItem(int(i), pathOf(*m_album, i), captionOf(*m_album, i));
}

void AlbumStrip::refreshItem(std::size_t index) {
    if (!m_album || index >= std::size_t(itemCount()))
        return;
    setItemCaption(int(index), captionOf(*m_album, index));
    setItemPath(int(index), pathOf(*m_album, index));
}

void AlbumStrip::itemsInserted(Album& album, const std::vector<std::size_t>& indexes) {
    if (&album != m_album)
        return;
    // Ascending, each where it stands once all are in.
    std::vector<std::size_t> sorted = indexes;
    std::sort(sorted.begin(), sorted.end());
    for (std::size_t index : sorted)
        insertItem(int(index), pathOf(album, index), captionOf(album, index));
}

void AlbumStrip::itemsRemoved(Album& album, const std::vector<std::size_t>& indexes) {
    if (&album != m_album)
        return;
    // Indexes from before the removal: the highest first keeps the others valid.
    std::vector<std::size_t> sorted = indexes;
    std::sort(sorted.begin(), sorted.end(), std::greater<>());
    for (std::size_t index : sorted)
        removeItem(int(index));
}

void AlbumStrip::itemsMoved(Album& album,
                            const std::vector<std::pair<std::size_t, std::size_t>>& moves) {
    if (&album != m_album)
        return;
    for (const auto& [from, to] : moves)
        moveItem(int(from), int(to));
}

void AlbumStrip::itemChanged(Album& album, std::size_t index) {
    if (&album == m_album)
        refreshItem(index);
}

void AlbumStrip::albumRenamed(Album& album) {
    if (&album != m_album)
        return;
    // The folder moved, and every picture with it.
    for (std::size_t i = 0; i < std::size_t(itemCount()); ++i)
        refreshItem(i);
}

void AlbumStrip::itemAdded(Album& album, std::size_t index) {
    if (&album == m_album)
        insertItem(int(index), pathOf(album, index), captionOf(album, index));
}

void AlbumStrip::itemRemoved(Album& album, std::size_t index, const std::string&,
                             const std::string&) {
    if (&album == m_album)
        removeItem(int(index));
}

void AlbumStrip::folderGone(Album& album, const std::string&) {
    if (&album == m_album)
        clearItems();
}

void AlbumStrip::refresh() {
    if (!m_album || m_album->itemCount() != std::size_t(itemCount())) {
        rebuild();
        return;
    }
    for (std::size_t i = 0; i < m_album->itemCount(); ++i)
        refreshItem(i);
}

std::vector<std::size_t> AlbumStrip::selectedIndexes() const {
    std::vector<std::size_t> indexes;
    for (int i : selectionOrder())
        indexes.push_back(std::size_t(i));
    return indexes;
}

void AlbumStrip::selectOnly(std::size_t index) {
    deselectAll();
    if (index >= std::size_t(itemCount()))
        return;
    selectItem(int(index));
    makeCurrent(int(index));
}

void AlbumStrip::selectAll() {
    for (int i = 0; i < itemCount(); ++i)
        selectItem(i);
}

bool AlbumStrip::copySelection() {
    const std::vector<std::size_t> indexes = selectedIndexes();
    if (!m_album || indexes.empty())
        return false;
    auto mime = std::make_unique<QMimeData>();
    // The clipboard outlives changes of the album: it names copies of the pictures.
    if (!offerSelection(*mime, *m_album, indexes, TempCopies::Yes))
        return false;
    QGuiApplication::clipboard()->setMimeData(mime.release());
    return true;
}

void AlbumStrip::cutSelection() {
    if (isSelectorReadOnly())
        return;
    // Without a copy on the clipboard, a cut would be a plain delete.
    if (copySelection())
        (void)deleteSelection();
}

bool AlbumStrip::canPaste() const {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    return m_album && !isSelectorReadOnly() && mime && canAccept(*mime);
}

bool AlbumStrip::pasteFromClipboard() {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    if (!m_album || isSelectorReadOnly() || !mime)
        return false;
    // Before the selected block, which is where the user looks.
    const std::vector<std::size_t> selected = selectedIndexes();
    const std::size_t at = selected.empty() ? m_album->itemCount()
                                            : *std::min_element(selected.begin(), selected.end());
    return applyRecord(insertRecord(*mime, at));
}

bool AlbumStrip::deleteSelection() {
    return applyRecord(removeRecord(selectedIndexes()));
}

int AlbumStrip::deleteTemporaryCopies() {
    return temporaryCopies().deleteAll();
}

std::unique_ptr<EditStep> AlbumStrip::insertRecord(const QMimeData& mime, std::size_t index) {
    if (!m_album || isSelectorReadOnly())
        return nullptr;
    const QList<TransferItem> items = readItems(mime, m_patterns);
    if (items.isEmpty())
        return nullptr;
    std::vector<AlbumItem> albumItems;
    albumItems.reserve(std::size_t(items.size()));
    for (const TransferItem& item : items)
        albumItems.push_back(albumItemFrom(item));
    return std::make_unique<InsertStep>(*m_album, std::move(albumItems),
                                        std::ptrdiff_t(std::min(index, m_album->itemCount())),
                                        stepObserver(), m_labels);
}

std::unique_ptr<EditStep> AlbumStrip::removeRecord(const std::vector<std::size_t>& indexes) {
    if (!m_album || isSelectorReadOnly() || indexes.empty())
        return nullptr;
    return std::make_unique<DeleteStep>(*m_album, indexes, stepObserver(), m_labels);
}

std::unique_ptr<EditStep> AlbumStrip::moveRecord(const std::vector<std::size_t>& indexes,
                                                 std::size_t target) {
    if (!m_album || isSelectorReadOnly() || indexes.empty())
        return nullptr;
    return std::make_unique<MoveStep>(*m_album, indexes, target, stepObserver(), m_labels);
}

std::unique_ptr<EditStep> AlbumStrip::renameRecord(std::size_t index, const QString& caption) {
    if (!m_album || isSelectorReadOnly())
        return nullptr;
    return std::make_unique<RenameImageStep>(*m_album, index, caption.toStdString(), stepObserver(),
                                             m_labels);
}

bool AlbumStrip::applyRecord(std::unique_ptr<EditStep> record) {
    if (!record || !m_album)
        return false;
    const bool wasEmpty = m_album->itemCount() == 0;
    const bool inserts = dynamic_cast<InsertStep*>(record.get()) != nullptr;
    if (!m_history.perform(std::move(record)))
        return false;
    if (inserts && wasEmpty && m_album->itemCount() > 0)
        emit albumWasFilled();
    return true;
}

void AlbumStrip::itemActivated(int index) {
    emit showItemRequested(index);
}

void AlbumStrip::fillDragData(QMimeData& mime, const std::vector<std::size_t>& indexes) {
    if (m_album)
        (void)offerSelection(mime, *m_album, indexes);
}

bool AlbumStrip::canAcceptData(const QMimeData& mime) const {
    return m_album && canAccept(mime);
}

}  // namespace orbpix
