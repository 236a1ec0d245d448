#pragma once

#include <QColor>
#include <QStringList>
#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "album/Album.h"
#include "album/EditSteps.h"
#include "skins/SkinBitmap.h"
#include "ui/Selector.h"

namespace orbpix {

class EditHistory;

// The album's picture strip in the main window: one thumbnail per item of the album shown.
// Every change the user makes here (drop, paste, delete, reorder, rename) becomes one step of
// the edit history; the strip itself only ever follows the album through EditObserver, so
// undo and redo and the panel's own steps move it the same way. It also follows the album's
// synchronisation with its folder (AlbumObserver), so the panel can pass it to Refresh.
class AlbumStrip : public OWSelector, public EditObserver, public AlbumObserver {
    Q_OBJECT
public:
    // patterns: the program's picture patterns, which decide which dropped or pasted files
    // are taken.
    AlbumStrip(QWidget* parent, EditHistory& history, EditLabels labels, QStringList patterns);
    ~AlbumStrip() override;

    // The album shown (not owned; null shows nothing). Rebuilds every item and clears the
    // selection.
    void setAlbum(Album* album);
    Album* album() const { return m_album; }

    // The observer that the strip's steps report to. The panel passes itself and forwards
    // the calls to the strip's EditObserver methods below. Default (and null): the strip.
    void setStepObserver(EditObserver* observer);

    // EditObserver: insert, remove and move items, refresh a caption.
    void itemsInserted(Album& album, const std::vector<std::size_t>& indexes) override;
    void itemsRemoved(Album& album, const std::vector<std::size_t>& indexes) override;
    void itemsMoved(Album& album,
                    const std::vector<std::pair<std::size_t, std::size_t>>& moves) override;
    void itemChanged(Album& album, std::size_t index) override;
    void albumRenamed(Album& album) override;

    // AlbumObserver: pictures that appeared in or vanished from the folder.
    void itemAdded(Album& album, std::size_t index) override;
    void itemRemoved(Album& album, std::size_t index, const std::string& path,
                     const std::string& fileName) override;
    void folderGone(Album& album, const std::string& albumName) override;

    // Re-reads every caption and picture path from the album; thumbnails are asked for again
    // only where the path changed, and a changed item count rebuilds the strip.
    void refresh();

    // Selection in the order it was made (album indexes).
    std::vector<std::size_t> selectedIndexes() const;
    // Deselects all, selects the item and scrolls it into view.
    void selectOnly(std::size_t index);
    void selectAll();

    // The clipboard commands over the selection; each change is one undoable step.
    // Copy offers both private formats and the files (as temporary copies); false when
    // nothing could be offered.
    bool copySelection();
    // Copy, then delete; nothing is deleted when the copy failed.
    void cutSelection();
    // Inserts before the first selected item, or at the end without a selection. True when
    // something was inserted.
    bool pasteFromClipboard();
    bool deleteSelection();
    // Whether the clipboard holds something a paste would take.
    bool canPaste() const;

    // Deletes the temporary copies that clipboard copies made; the main window calls it when
    // it closes. Answers how many were deleted.
    static int deleteTemporaryCopies();

    // Read-only albums refuse editing, dragging and dropping. An album that is read-only
    // itself is always shown so; this forces it for any album.
    void setReadOnly(bool readOnly);

    // The skin calls (setItemColours, setHighlight, setScrollButtonPictures) are those of
    // OWSelector.

signals:
    // Double click on an item: the panel shows that item.
    void showItemRequested(int index);
    // Pictures were dropped or pasted into an empty album: the panel shows the first one.
    void albumWasFilled();

protected:
    std::unique_ptr<EditStep> insertRecord(const QMimeData& mime, std::size_t index) override;
    std::unique_ptr<EditStep> removeRecord(const std::vector<std::size_t>& indexes) override;
    std::unique_ptr<EditStep> moveRecord(const std::vector<std::size_t>& indexes,
                                         std::size_t target) override;
    std::unique_ptr<EditStep> renameRecord(std::size_t index, const QString& caption) override;
    bool applyRecord(std::unique_ptr<EditStep> record) override;
    void itemActivated(int index) override;
    void fillDragData(QMimeData& mime, const std::vector<std::size_t>& indexes) override;
    bool canAcceptData(const QMimeData& mime) const override;

private:
    void rebuild();
    void refreshItem(std::size_t index);
    EditObserver* stepObserver();

    EditHistory& m_history;
    EditLabels m_labels;
    QStringList m_patterns;
    Album* m_album = nullptr;
    EditObserver* m_stepObserver = nullptr;
    bool m_forcedReadOnly = false;
};

}  // namespace orbpix
