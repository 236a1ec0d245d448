#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "skins/SkinBitmap.h"
#include "ui/SelectorLayout.h"
#include "ui/ThumbnailQueue.h"

class QDrag;
class QLineEdit;
class QMimeData;
class QScrollBar;

namespace orbpix {

class EditStep;
class OWSelector;
class SkinButton;

// One picture of the strip: a windowless element that its selector lays out, draws and hit
// tests. Its thumbnail arrives from the thumbnail queue, posted to the selector's window.
class OWSelectorItem {
public:
    OWSelectorItem(OWSelector& owner, QString path, QString caption);
    OWSelectorItem(const OWSelectorItem&) = delete;
    OWSelectorItem& operator=(const OWSelectorItem&) = delete;
    ~OWSelectorItem();

    // Where the item stands in the selector's client area; bounds are 96 × 116.
    QPoint position() const { return m_position; }
    void setPosition(QPoint position) { m_position = position; }
    QRect bounds() const { return selector::itemBounds(m_position); }
    QRect pictureRect() const { return selector::pictureRect(m_position); }
    QRect captionRect() const { return selector::captionRect(m_position); }

    const QString& caption() const { return m_caption; }
    void setCaption(QString caption) { m_caption = std::move(caption); }
    const QString& path() const { return m_path; }
    // A new file: the thumbnail is asked for again (the one shown stays until it arrives).
    void setPath(QString path);
    const QPixmap& thumbnail() const { return m_thumbnail; }
    // Whether the thumbnail of the current file has arrived.
    bool hasThumbnail() const { return m_thumbnailReady; }

private:
    friend class OWSelector;

    // Hands a finished thumbnail to the selector's window without waiting for it.
    class Request final : public ThumbnailRequest {
    public:
        Request(OWSelector& owner, std::uint64_t serial) : m_owner(&owner), m_serial(serial) {}
        bool deliver(QImage image, int width, int height) override;
        std::uint64_t generation = 0;

    private:
        OWSelector* m_owner;
        std::uint64_t m_serial;
    };

    void requestThumbnail();
    void takeThumbnail(std::uint64_t generation, const QImage& image);

    OWSelector& m_owner;
    std::uint64_t m_serial;
    QPoint m_position;
    QString m_path;
    QString m_caption;
    QPixmap m_thumbnail;
    bool m_thumbnailReady = false;
    Request m_request;
};

// A scrolling strip of picture thumbnails with captions: selection by click, Shift, Ctrl and
// rubber band, caption editing, drag and drop with an insertion marker, auto-scroll. The strip
// never changes the pictures itself: each change goes through its owner's records (a derived
// class), and the owner tells the strip what changed.
class OWSelector : public QWidget {
    Q_OBJECT
public:
    static constexpr int kScrollBarId = 10;
    static constexpr int kEditorId = 12;
    static constexpr int kScrollLeftId = 111;
    static constexpr int kScrollRightId = 112;
    static constexpr int kCaptionLimit = 64;

    explicit OWSelector(QWidget* parent = nullptr);
    ~OWSelector() override;

    // Items, in album order. The owner keeps them in step with its pictures.
    int itemCount() const { return int(m_items.size()); }
    OWSelectorItem& itemAt(int index) { return *m_items[std::size_t(index)]; }
    const OWSelectorItem& itemAt(int index) const { return *m_items[std::size_t(index)]; }
    void insertItem(int index, QString path, QString caption);
    void removeItem(int index);
    void moveItem(int from, int to);
    void clearItems();
    void setItemCaption(int index, QString caption);
    void setItemPath(int index, QString path);

    // Selection; the order is the order of selecting, the first entry the Shift anchor.
    const std::vector<int>& selectionOrder() const { return m_selection.order(); }
    bool isSelected(int index) const { return m_selection.isSelected(index); }
    void selectItem(int index);
    void deselectItem(int index);
    void deselectAll();
    // Scrolls the item into view and remembers it as the current one.
    void makeCurrent(int index);

    // Scrolling, in pixels.
    int scrollPosition() const { return m_scroll; }
    int scrollRange() const { return m_range; }
    int maximumScroll() const;
    void scrollTo(int position);
    void lineLeft() { scrollTo(m_scroll - selector::kLineStep); }
    void lineRight() { scrollTo(m_scroll + selector::kLineStep); }
    void pageLeft();
    void pageRight();

    // One row of cells with the inner spacing above and below, and the scroll bar.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Hit testing in client coordinates: the item index or -1.
    int itemAt(QPoint point) const;
    // The client area that items may use (inside the buttons, above the scroll bar).
    QRect contentRect() const;

    // Skin.
    void setItemColours(QColor itemBg, QColor captionBg, QColor captionText, QColor selItemBg,
                        QColor selCaptionBg, QColor selCaptionText);
    void setHighlight(SkinBitmap bitmap);
    void setScrollButtonPictures(const SkinBitmap& left, const SkinBitmap& right);

    // A read-only strip refuses caption editing, dragging and dropping.
    void setSelectorReadOnly(bool readOnly);
    bool isSelectorReadOnly() const { return m_readOnly; }

    // Caption editing.
    bool isEditingCaption() const { return m_editor != nullptr; }
    QLineEdit* captionEditor() const { return m_editor; }
    int editedItem() const { return m_editedItem; }
    void beginCaptionEdit(int index);
    void endCaptionEdit(bool commit);

    // Children, for the owner's skin and for tests.
    QScrollBar* scrollBar() const { return m_scrollBar; }
    SkinButton* scrollLeftButton() const { return m_leftButton; }
    SkinButton* scrollRightButton() const { return m_rightButton; }
    // The insertion marker's point while a drop hovers, else nothing.
    std::optional<selector::InsertionPoint> insertionMarker() const { return m_marker; }

    // The two halves of dragging the selection out, apart so that a drag can also be driven
    // without the platform's drag loop: the data of the drag (the owner's formats, marked as
    // coming from this strip), then the end of the drag with the action the drop took. A
    // "move" that landed anywhere but in this strip removes the dragged items.
    std::unique_ptr<QMimeData> createDragData();
    void finishDrag(Qt::DropAction result);

    // Posted from thumbnail threads to the selector's window.
    static const int kThumbnailEvent;

signals:
    // The selection or its order changed, or items moved under it.
    void selectionChanged();

protected:
    // The owner's records; the base makes none. A record is applied through applyRecord.
    virtual std::unique_ptr<EditStep> insertRecord(const QMimeData& mime, std::size_t index);
    virtual std::unique_ptr<EditStep> removeRecord(const std::vector<std::size_t>& indexes);
    virtual std::unique_ptr<EditStep> moveRecord(const std::vector<std::size_t>& indexes,
                                                 std::size_t target);
    virtual std::unique_ptr<EditStep> renameRecord(std::size_t index, const QString& caption);
    // Performs a record; the base does nothing and answers false.
    virtual bool applyRecord(std::unique_ptr<EditStep> record);
    // Double click on an item.
    virtual void itemActivated(int index);
    // Fills the data of a drag of the selected items (album indexes in selection order).
    virtual void fillDragData(QMimeData& mime, const std::vector<std::size_t>& indexes);
    // Whether a drop offers something the owner would insert.
    virtual bool canAcceptData(const QMimeData& mime) const;

    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    friend class OWSelectorItem;

    void layoutItems();
    void updateScrollBar();
    void placeChildren();
    void drawItem(QPainter& painter, const OWSelectorItem& item, bool selected) const;
    void startDrag();
    bool isOwnDrag(const QMimeData& mime) const;
    Qt::DropAction dropActionFor(const QDropEvent& event) const;
    void dragOver(QDropEvent& event, QPoint position, int buttonStep);
    void dropAt(QDropEvent& event, QPoint position);
    void clearMarker();
    void dragScrollTick();
    void updateRubberBand(QPoint pointer);
    void scrollButtonClicked(int direction);
    std::vector<QRect> itemBounds() const;
    OWSelectorItem* itemBySerial(std::uint64_t serial);
    void reportSelection();

    const std::uint64_t m_id;
    std::vector<std::unique_ptr<OWSelectorItem>> m_items;
    selector::Selection m_selection;
    std::vector<int> m_reportedSelection;
    int m_current = -1;
    int m_scroll = 0;
    int m_range = 0;
    std::uint64_t m_nextSerial = 1;

    QColor m_itemBg{0, 0, 0};
    QColor m_captionBg{128, 128, 128};
    QColor m_captionText{0, 0, 255};
    QColor m_selItemBg{0, 0, 0};
    QColor m_selCaptionBg{128, 128, 128};
    QColor m_selCaptionText{0, 0, 255};
    QPixmap m_highlight;

    QScrollBar* m_scrollBar = nullptr;
    SkinButton* m_leftButton = nullptr;
    SkinButton* m_rightButton = nullptr;

    bool m_rubberBand = false;
    QPoint m_bandStart;
    QRect m_bandRect;
    bool m_deferredClick = false;
    int m_pressedItem = -1;
    QPoint m_pressPoint;
    bool m_dragPending = false;

    QLineEdit* m_editor = nullptr;
    int m_editedItem = -1;

    bool m_readOnly = false;
    std::vector<std::size_t> m_dragIndexes;
    std::optional<selector::InsertionPoint> m_marker;
    // The platform has no such setting; the usual default.
    int m_dragScrollInset = 11;
    // The platform reports a drag only when the pointer moves; held still near an edge, the
    // strip goes on scrolling by itself.
    QTimer m_dragScrollTimer;
    int m_dragScrollStep = 0;
    QPoint m_lastDragPoint;
};

}  // namespace orbpix
