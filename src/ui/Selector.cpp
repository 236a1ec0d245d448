#include "ui/Selector.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDrag>
#include <QDropEvent>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <algorithm>

#include "album/EditStep.h"
#include "core/UncheckedWork.h"
#include "skins/ParentBackground.h"
#include "skins/SkinButton.h"

namespace orbpix {

namespace {

// Carries a finished thumbnail from the compute thread to the selector's window.
class ThumbnailEvent : public QEvent {
public:
    ThumbnailEvent(std::uint64_t itemSerial, std::uint64_t itemGeneration, QImage picture)
        : QEvent(static_cast<QEvent::Type>(OWSelector::kThumbnailEvent)),
          serial(itemSerial),
          generation(itemGeneration),
          image(std::move(picture)) {}
    std::uint64_t serial;
    std::uint64_t generation;
    QImage image;
};

// Every selector has its own number, so that a drag can tell which one it came from without
// keeping a pointer to a window that may be gone by the time the drop arrives.
constexpr int kPlainButtonWidth = 20;
constexpr int kDragScrollMs = 50;

const char* const kSourceProperty = "orbpixSelectorId";
std::uint64_t g_nextSelectorId = 1;
// The selector that took the most recent drop (0: none of ours).
std::uint64_t g_dropTarget = 0;

// A skin picture made into a pixmap whose see-through parts are transparent.
QPixmap pixmapFromSkin(const SkinBitmap& bitmap) {
    if (bitmap.isEmpty())
        return {};
    QImage canvas(bitmap.size(), QImage::Format_ARGB32);
    canvas.fill(Qt::transparent);
    bitmap.draw(SkinCanvas(canvas), 0, 0);
    return QPixmap::fromImage(canvas);
}

std::vector<std::size_t> toSizes(const std::vector<int>& indexes) {
    std::vector<std::size_t> out;
    out.reserve(indexes.size());
    for (int i : indexes)
        out.push_back(std::size_t(i));
    return out;
}

}  // namespace

const int OWSelector::kThumbnailEvent = QEvent::registerEventType();

// --- items ---------------------------------------------------------------------------------

OWSelectorItem::OWSelectorItem(OWSelector& owner, QString path, QString caption)
    : m_owner(owner),
      m_serial(owner.m_nextSerial++),
      m_path(std::move(path)),
      m_caption(std::move(caption)),
      m_request(owner, m_serial) {
    requestThumbnail();
}

OWSelectorItem::~OWSelectorItem() {
    thumbnailQueue().withdraw(m_request);
}

void OWSelectorItem::setPath(QString path) {
    if (path == m_path)
        return;
    m_path = std::move(path);
    m_thumbnailReady = false;
    requestThumbnail();
}

void OWSelectorItem::requestThumbnail() {
    // The queue may be reading the request's fields until it is withdrawn.
    thumbnailQueue().withdraw(m_request);
    ++m_request.generation;
    m_request.path = m_path;
    thumbnailQueue().request(m_request, selector::kPictureSize, selector::kPictureSize);
}

void OWSelectorItem::takeThumbnail(std::uint64_t generation, const QImage& image) {
    // A picture of a file the item no longer shows arrives late: it is not this item's.
    if (generation != m_request.generation)
        return;
    m_thumbnail = QPixmap::fromImage(image);
    m_thumbnailReady = true;
}

bool OWSelectorItem::Request::deliver(QImage image, int, int) {
    // Runs on the compute thread: posting never waits for the interface thread. Qt's queue
    // lock is invisible to ThreadSanitizer.
    [[maybe_unused]] const UncheckedWork insideQt;
    QCoreApplication::postEvent(m_owner,
                                new ThumbnailEvent(m_serial, generation, std::move(image)));
    return true;
}

// --- selector ------------------------------------------------------------------------------

OWSelector::OWSelector(QWidget* parent) : QWidget(parent), m_id(g_nextSelectorId++) {
    setAcceptDrops(true);
    setMouseTracking(false);
    m_scrollBar = new QScrollBar(Qt::Horizontal, this);
    m_scrollBar->setObjectName(QStringLiteral("selectorScrollBar"));
    m_scrollBar->setProperty("controlId", kScrollBarId);
    m_scrollBar->setSingleStep(selector::kLineStep);
    connect(m_scrollBar, &QScrollBar::valueChanged, this, [this](int value) { scrollTo(value); });

    m_leftButton = new SkinButton(this, kScrollLeftId);
    m_leftButton->setText(QStringLiteral("<"));
    m_rightButton = new SkinButton(this, kScrollRightId);
    m_rightButton->setText(QStringLiteral(">"));
    for (SkinButton* button : {m_leftButton, m_rightButton}) {
        button->setGeometry(0, 0, 32, 40);
        button->setAcceptDrops(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->installEventFilter(this);
    }
    connect(m_leftButton, &SkinButton::clicked, this, [this] { scrollButtonClicked(-1); });
    connect(m_rightButton, &SkinButton::clicked, this, [this] { scrollButtonClicked(+1); });
    m_dragScrollTimer.setInterval(kDragScrollMs);
    connect(&m_dragScrollTimer, &QTimer::timeout, this, &OWSelector::dragScrollTick);
    m_selection.reset(0);
    placeChildren();
    updateScrollBar();
}

OWSelector::~OWSelector() {
    // Items withdraw their requests; thumbnails posted to this window die with it.
    m_items.clear();
}

void OWSelector::insertItem(int index, QString path, QString caption) {
    index = std::clamp(index, 0, itemCount());
    if (m_editor && m_editedItem >= index)
        ++m_editedItem;
    if (m_current >= index)
        ++m_current;
    m_items.insert(m_items.begin() + index,
                   std::make_unique<OWSelectorItem>(*this, std::move(path), std::move(caption)));
    m_selection.inserted(index);
    layoutItems();
    update();
    reportSelection();
}

void OWSelector::removeItem(int index) {
    if (index < 0 || index >= itemCount())
        return;
    if (m_editor && m_editedItem == index)
        endCaptionEdit(false);
    else if (m_editor && m_editedItem > index)
        --m_editedItem;
    if (m_current == index)
        m_current = -1;
    else if (m_current > index)
        --m_current;
    m_items.erase(m_items.begin() + index);
    m_selection.removed(index);
    layoutItems();
    update();
    reportSelection();
}

void OWSelector::moveItem(int from, int to) {
    if (from < 0 || from >= itemCount() || to < 0 || to >= itemCount() || from == to)
        return;
    if (m_editor)
        endCaptionEdit(false);
    auto item = std::move(m_items[std::size_t(from)]);
    m_items.erase(m_items.begin() + from);
    m_items.insert(m_items.begin() + to, std::move(item));
    m_selection.moved(from, to);
    if (m_current == from)
        m_current = to;
    else if (from < to && m_current > from && m_current <= to)
        --m_current;
    else if (to < from && m_current >= to && m_current < from)
        ++m_current;
    layoutItems();
    update();
    reportSelection();
}

void OWSelector::clearItems() {
    if (m_editor)
        endCaptionEdit(false);
    m_items.clear();
    m_selection.reset(0);
    m_current = -1;
    m_scroll = 0;
    layoutItems();
    update();
    reportSelection();
}

void OWSelector::setItemCaption(int index, QString caption) {
    if (index < 0 || index >= itemCount() || itemAt(index).caption() == caption)
        return;
    itemAt(index).setCaption(std::move(caption));
    update(itemAt(index).bounds());
}

void OWSelector::setItemPath(int index, QString path) {
    if (index < 0 || index >= itemCount())
        return;
    itemAt(index).setPath(std::move(path));
}

void OWSelector::selectItem(int index) {
    m_selection.select(index);
    update();
    reportSelection();
}

void OWSelector::deselectItem(int index) {
    m_selection.deselect(index);
    update();
    reportSelection();
}

void OWSelector::deselectAll() {
    m_selection.deselectAll();
    update();
    reportSelection();
}

void OWSelector::makeCurrent(int index) {
    if (index < 0 || index >= itemCount())
        return;
    m_current = index;
    const QRect content = contentRect();
    scrollTo(selector::scrollToShow(itemAt(index).bounds(), content.left(),
                                    content.left() + content.width(), m_scroll));
}

int OWSelector::maximumScroll() const {
    return selector::maximumScroll(m_range, contentRect().width());
}

void OWSelector::scrollTo(int position) {
    const int clamped = selector::clampScroll(position, m_range, contentRect().width());
    if (clamped == m_scroll) {
        updateScrollBar();
        return;
    }
    m_scroll = clamped;
    layoutItems();
    update();
}

void OWSelector::pageLeft() {
    scrollTo(m_scroll - contentRect().width());
}

void OWSelector::pageRight() {
    scrollTo(m_scroll + contentRect().width());
}

int OWSelector::itemAt(QPoint point) const {
    return selector::hitTest(itemBounds(), point);
}

QSize OWSelector::sizeHint() const {
    const int height =
        selector::kCellHeight + 2 * selector::kInnerSpacing + m_scrollBar->sizeHint().height();
    const int buttons = m_leftButton->width() + m_rightButton->width();
    return {buttons + 2 * selector::kInnerSpacing + selector::kGapX + 4 * selector::kLineStep,
            height};
}

QSize OWSelector::minimumSizeHint() const {
    const QSize hint = sizeHint();
    return {m_leftButton->width() + m_rightButton->width() + selector::kLineStep, hint.height()};
}

QRect OWSelector::contentRect() const {
    const int left = m_leftButton ? m_leftButton->width() : 0;
    const int right = m_rightButton ? m_rightButton->width() : 0;
    const int bottom = m_scrollBar ? m_scrollBar->sizeHint().height() : 0;
    return selector::contentRect(rect(), left, right, bottom);
}

std::vector<QRect> OWSelector::itemBounds() const {
    std::vector<QRect> bounds;
    bounds.reserve(m_items.size());
    for (const auto& item : m_items)
        bounds.push_back(item->bounds());
    return bounds;
}

void OWSelector::setItemColours(QColor itemBg, QColor captionBg, QColor captionText,
                                QColor selItemBg, QColor selCaptionBg, QColor selCaptionText) {
    m_itemBg = itemBg;
    m_captionBg = captionBg;
    m_captionText = captionText;
    m_selItemBg = selItemBg;
    m_selCaptionBg = selCaptionBg;
    m_selCaptionText = selCaptionText;
    // The scroll bar takes the skin's colours too: a desktop-coloured bar under a dark skin
    // looks like a foreign body.
    QPalette palette = m_scrollBar->palette();
    for (const QPalette::ColorRole role : {QPalette::Window, QPalette::Base})
        palette.setColor(role, itemBg);
    palette.setColor(QPalette::Button, captionBg);
    palette.setColor(QPalette::Light, captionBg.lighter(130));
    palette.setColor(QPalette::Midlight, captionBg.lighter(115));
    palette.setColor(QPalette::Mid, captionBg.darker(130));
    palette.setColor(QPalette::Dark, captionBg.darker(160));
    palette.setColor(QPalette::Shadow, itemBg.darker(200));
    palette.setColor(QPalette::ButtonText, captionText);
    palette.setColor(QPalette::WindowText, captionText);
    m_scrollBar->setPalette(palette);
    update();
}

void OWSelector::setHighlight(SkinBitmap bitmap) {
    m_highlight = pixmapFromSkin(bitmap);
    update();
}

void OWSelector::setScrollButtonPictures(const SkinBitmap& left, const SkinBitmap& right) {
    m_leftButton->setPicture(left, SkinButton::Resize::Yes);
    m_rightButton->setPicture(right, SkinButton::Resize::Yes);
    placeChildren();
    layoutItems();
    update();
}

void OWSelector::setSelectorReadOnly(bool readOnly) {
    if (readOnly == m_readOnly)
        return;
    m_readOnly = readOnly;
    if (readOnly && m_editor)
        endCaptionEdit(false);
    setAcceptDrops(!readOnly);
    m_leftButton->setAcceptDrops(!readOnly);
    m_rightButton->setAcceptDrops(!readOnly);
}

// --- layout and painting -------------------------------------------------------------------

void OWSelector::placeChildren() {
    const int barHeight = m_scrollBar->sizeHint().height();
    const int leftWidth = m_leftButton->frames().isEmpty()
                              ? m_leftButton->sizeHint().width()
                              : m_leftButton->frames().frameSize().width();
    const int rightWidth = m_rightButton->frames().isEmpty()
                               ? m_rightButton->sizeHint().width()
                               : m_rightButton->frames().frameSize().width();
    m_leftButton->setGeometry(0, 0, leftWidth, height());
    m_rightButton->setGeometry(width() - rightWidth, 0, rightWidth, height());
    m_scrollBar->setGeometry(leftWidth, height() - barHeight,
                             std::max(0, width() - leftWidth - rightWidth), barHeight);
}

void OWSelector::layoutItems() {
    const QRect content = contentRect();
    m_range = selector::scrollRange(itemCount(), content.height());
    // Fewer items or a wider strip may leave the position beyond the end.
    m_scroll = selector::clampScroll(m_scroll, m_range, content.width());
    for (int i = 0; i < itemCount(); ++i)
        itemAt(i).setPosition(selector::itemOrigin(i, content, m_scroll));
    if (m_editor && m_editedItem >= 0 && m_editedItem < itemCount())
        m_editor->setGeometry(itemAt(m_editedItem).captionRect());
    updateScrollBar();
}

void OWSelector::updateScrollBar() {
    const QSignalBlocker quiet(m_scrollBar);
    const int page = contentRect().width();
    m_scrollBar->setRange(0, selector::maximumScroll(m_range, page));
    m_scrollBar->setPageStep(std::max(1, page));
    m_scrollBar->setValue(m_scroll);
}

void OWSelector::resizeEvent(QResizeEvent*) {
    placeChildren();
    layoutItems();
}

void OWSelector::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setClipRect(contentRect().adjusted(-selector::kInnerSpacing, -selector::kInnerSpacing,
                                               selector::kInnerSpacing, selector::kInnerSpacing));
    const QRect dirty = event->rect();
    const QSize glow = m_highlight.size();
    for (int i = 0; i < itemCount(); ++i) {
        const OWSelectorItem& item = itemAt(i);
        const QRect bounds = item.bounds();
        const QRect reach = bounds.adjusted(-glow.width() / 2, -glow.height() / 2, glow.width() / 2,
                                            glow.height() / 2);
        if (reach.intersects(dirty))
            drawItem(painter, item, isSelected(i));
    }
    if (m_marker) {
        // An I-beam in the gap where the drop would go, in the selection's accent colour,
        // which every skin makes stand out from its band.
        const int x = m_marker->point.x();
        const int top = m_marker->point.y();
        const int bottom = top + selector::kCellHeight;
        painter.fillRect(QRect(x - 1, top, 3, selector::kCellHeight), m_selCaptionBg);
        painter.fillRect(QRect(x - 3, top, 7, 2), m_selCaptionBg);
        painter.fillRect(QRect(x - 3, bottom - 2, 7, 2), m_selCaptionBg);
    }
    if (m_rubberBand) {
        // Inverting, so the band shows on any picture.
        painter.setCompositionMode(QPainter::RasterOp_NotDestination);
        QPen pen(Qt::black, 1, Qt::DotLine);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(m_bandRect.normalized().adjusted(0, 0, -1, -1));
    }
}

void OWSelector::drawItem(QPainter& painter, const OWSelectorItem& item, bool selected) const {
    const QRect bounds = item.bounds();
    if (selected && !m_highlight.isNull()) {
        // Centred on the item, so a larger picture glows round it.
        painter.drawPixmap(bounds.left() + (bounds.width() - m_highlight.width()) / 2,
                           bounds.top() + (bounds.height() - m_highlight.height()) / 2,
                           m_highlight);
    }
    painter.fillRect(item.pictureRect(), selected ? m_selItemBg : m_itemBg);
    painter.fillRect(item.captionRect(), selected ? m_selCaptionBg : m_captionBg);
    if (item.hasThumbnail() || !item.thumbnail().isNull()) {
        const QPixmap& thumb = item.thumbnail();
        painter.drawPixmap(selector::thumbnailRect(item.position(), thumb.size()), thumb);
    }
    const QRect text = item.captionRect().adjusted(1, 1, -1, -1);
    const QString elided = fontMetrics().elidedText(item.caption(), Qt::ElideRight, text.width());
    painter.setPen(selected ? m_selCaptionText : m_captionText);
    painter.drawText(text, Qt::AlignCenter | Qt::TextSingleLine, elided);
}

// --- events --------------------------------------------------------------------------------

void OWSelector::reportSelection() {
    if (m_selection.order() == m_reportedSelection)
        return;
    m_reportedSelection = m_selection.order();
    emit selectionChanged();
}

OWSelectorItem* OWSelector::itemBySerial(std::uint64_t serial) {
    for (const auto& item : m_items) {
        if (item->m_serial == serial)
            return item.get();
    }
    return nullptr;
}

bool OWSelector::event(QEvent* event) {
    // The strip draws no background of its own: its scroll buttons ask for the one of the
    // window beneath it.
    if (event->type() == ParentBackgroundEvent::kType && parentWidget()) {
        auto* ask = static_cast<ParentBackgroundEvent*>(event);
        ParentBackgroundEvent forwarded(ask->surface(), ask->rect().translated(pos()));
        QCoreApplication::sendEvent(parentWidget(), &forwarded);
        ask->setAccepted(forwarded.isAccepted());
        return true;
    }
    if (event->type() == kThumbnailEvent) {
        auto* delivered = static_cast<ThumbnailEvent*>(event);
        if (OWSelectorItem* item = itemBySerial(delivered->serial)) {
            item->takeThumbnail(delivered->generation, delivered->image);
            update(item->bounds());
        }
        return true;
    }
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int index = itemAt(help->pos());
        if (index >= 0)
            QToolTip::showText(help->globalPos(), itemAt(index).caption(), this,
                               itemAt(index).bounds());
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void OWSelector::mousePressEvent(QMouseEvent* event) {
    if (m_editor)
        endCaptionEdit(true);
    const QPoint pos = event->position().toPoint();
    const int index = itemAt(pos);
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    m_pressedItem = -1;
    m_deferredClick = false;
    m_dragPending = false;
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton)
        return;
    if (index < 0) {
        m_selection.deselectAll();
        m_rubberBand = true;
        m_bandStart = pos;
        m_bandRect = QRect(pos, pos);
        update();
        reportSelection();
        return;
    }
    if (event->button() == Qt::LeftButton && isSelected(index) &&
        itemAt(index).captionRect().contains(pos) && !m_readOnly && !shift && !ctrl) {
        beginCaptionEdit(index);
        return;
    }
    m_deferredClick = m_selection.press(index, shift, ctrl, itemBounds());
    m_pressedItem = index;
    makeCurrent(index);
    if (event->button() == Qt::LeftButton && isSelected(index) && !m_readOnly) {
        m_dragPending = true;
        m_pressPoint = pos;
    }
    update();
    reportSelection();
}

void OWSelector::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (m_rubberBand) {
        updateRubberBand(pos);
        return;
    }
    if (m_dragPending &&
        (pos - m_pressPoint).manhattanLength() >= QApplication::startDragDistance()) {
        // A drag replaces the click: the selection stays as it is.
        m_dragPending = false;
        m_deferredClick = false;
        m_pressedItem = -1;
        startDrag();
    }
}

void OWSelector::mouseReleaseEvent(QMouseEvent* event) {
    if (m_rubberBand) {
        m_rubberBand = false;
        update();
    }
    m_dragPending = false;
    // The press may have scrolled the item into view, away from under the pointer: the
    // click belongs to the item pressed, as long as the button comes up on some item.
    if (m_deferredClick && m_pressedItem >= 0 && itemAt(event->position().toPoint()) >= 0)
        m_selection.finishDeferred(m_pressedItem, event->modifiers() & Qt::ControlModifier);
    m_deferredClick = false;
    m_pressedItem = -1;
    update();
    reportSelection();
}

void OWSelector::mouseDoubleClickEvent(QMouseEvent* event) {
    const int index = itemAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index >= 0)
        itemActivated(index);
}

void OWSelector::updateRubberBand(QPoint pointer) {
    QRect area = rect();
    area.setBottom(m_scrollBar->geometry().top() - 1);
    pointer.setX(std::clamp(pointer.x(), area.left(), area.right()));
    pointer.setY(std::clamp(pointer.y(), area.top(), area.bottom()));
    m_bandRect = QRect(m_bandStart, pointer);
    m_selection.selectExactly(selector::itemsInRect(itemBounds(), m_bandRect), m_current);
    update();
    reportSelection();
}

void OWSelector::scrollButtonClicked(int direction) {
    const bool ends = QGuiApplication::keyboardModifiers() & Qt::ControlModifier;
    if (ends)
        scrollTo(direction < 0 ? 0 : maximumScroll());
    else if (direction < 0)
        lineLeft();
    else
        lineRight();
}

// --- caption editing -----------------------------------------------------------------------

void OWSelector::beginCaptionEdit(int index) {
    if (m_readOnly || index < 0 || index >= itemCount())
        return;
    if (m_editor)
        endCaptionEdit(true);
    makeCurrent(index);
    m_editedItem = index;
    m_editor = new QLineEdit(this);
    m_editor->setObjectName(QStringLiteral("captionEditor"));
    m_editor->setProperty("controlId", kEditorId);
    m_editor->setMaxLength(kCaptionLimit);
    m_editor->setAlignment(Qt::AlignCenter);
    m_editor->setFont(font());
    m_editor->setText(itemAt(index).caption());
    m_editor->setGeometry(itemAt(index).captionRect());
    m_editor->selectAll();
    m_editor->installEventFilter(this);
    connect(m_editor, &QLineEdit::editingFinished, this, [this] { endCaptionEdit(true); });
    m_editor->show();
    m_editor->setFocus();
}

void OWSelector::endCaptionEdit(bool commit) {
    if (!m_editor)
        return;
    QLineEdit* editor = m_editor;
    const int index = m_editedItem;
    m_editor = nullptr;
    m_editedItem = -1;
    // Hiding the editor takes its focus away, which would end the edit a second time.
    editor->disconnect(this);
    editor->removeEventFilter(this);
    const QString text = editor->text();
    editor->hide();
    editor->deleteLater();
    if (!commit || index < 0 || index >= itemCount() || text == itemAt(index).caption())
        return;
    applyRecord(renameRecord(std::size_t(index), text));
}

bool OWSelector::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_editor && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        endCaptionEdit(false);
        return true;
    }
    if (watched == m_leftButton || watched == m_rightButton) {
        const int step =
            watched == m_leftButton ? -selector::kButtonDragStep : selector::kButtonDragStep;
        auto* button = static_cast<QWidget*>(watched);
        switch (event->type()) {
            case QEvent::DragEnter:
            case QEvent::DragMove: {
                auto* drag = static_cast<QDropEvent*>(event);
                dragOver(*drag, button->mapTo(this, drag->position().toPoint()), step);
                return true;
            }
            case QEvent::DragLeave:
                clearMarker();
                return true;
            case QEvent::Drop: {
                auto* drop = static_cast<QDropEvent*>(event);
                dropAt(*drop, button->mapTo(this, drop->position().toPoint()));
                return true;
            }
            default:
                break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// --- dragging out --------------------------------------------------------------------------

std::unique_ptr<QMimeData> OWSelector::createDragData() {
    auto mime = std::make_unique<QMimeData>();
    m_dragIndexes = toSizes(selectionOrder());
    fillDragData(*mime, m_dragIndexes);
    mime->setProperty(kSourceProperty, QVariant::fromValue<qulonglong>(m_id));
    g_dropTarget = 0;
    return mime;
}

void OWSelector::finishDrag(Qt::DropAction result) {
    const bool droppedHere = g_dropTarget == m_id;
    std::vector<std::size_t> indexes = std::move(m_dragIndexes);
    m_dragIndexes.clear();
    // A move into another window takes the pictures away from here; a move within this
    // strip was a reorder, done by the drop.
    if (result == Qt::MoveAction && !droppedHere && !indexes.empty() && !m_readOnly)
        applyRecord(removeRecord(indexes));
}

void OWSelector::startDrag() {
    if (m_readOnly || selectionOrder().empty())
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(createDragData().release());
    const OWSelectorItem& first = itemAt(selectionOrder().front());
    if (!first.thumbnail().isNull())
        drag->setPixmap(
            first.thumbnail().scaled(48, 48, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    // Copy first: a file manager that takes the files must not move them out of the album.
    const Qt::DropAction result = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    finishDrag(result);
}

// --- dropping in ---------------------------------------------------------------------------

bool OWSelector::isOwnDrag(const QMimeData& mime) const {
    const QVariant source = mime.property(kSourceProperty);
    return source.isValid() && source.toULongLong() == m_id;
}

Qt::DropAction OWSelector::dropActionFor(const QDropEvent& event) const {
    const QMimeData* mime = event.mimeData();
    if (m_readOnly || !mime || !canAcceptData(*mime))
        return Qt::IgnoreAction;
    if (event.modifiers() & Qt::ControlModifier)
        return Qt::CopyAction;
    return isOwnDrag(*mime) ? Qt::MoveAction : Qt::CopyAction;
}

void OWSelector::dragEnterEvent(QDragEnterEvent* event) {
    dragOver(*event, event->position().toPoint(), 0);
}

void OWSelector::dragMoveEvent(QDragMoveEvent* event) {
    dragOver(*event, event->position().toPoint(), 0);
}

void OWSelector::dragLeaveEvent(QDragLeaveEvent*) {
    clearMarker();
}

void OWSelector::dropEvent(QDropEvent* event) {
    dropAt(*event, event->position().toPoint());
}

void OWSelector::dragOver(QDropEvent& event, QPoint position, int buttonStep) {
    const Qt::DropAction action = dropActionFor(event);
    if (action == Qt::IgnoreAction) {
        event.ignore();
        clearMarker();
        return;
    }
    const int step = buttonStep != 0
                         ? buttonStep
                         : selector::dragScrollStep(position.x(), width(), m_dragScrollInset);
    m_dragScrollStep = step;
    m_lastDragPoint = position;
    if (step != 0) {
        scrollTo(m_scroll + step);
        if (!m_dragScrollTimer.isActive())
            m_dragScrollTimer.start();
    } else {
        m_dragScrollTimer.stop();
    }
    const auto point = selector::insertionPoint(position, contentRect(), m_scroll, itemCount());
    if (!m_marker || !(*m_marker == point)) {
        m_marker = point;
        update();
    }
    event.setDropAction(action);
    event.accept();
}

void OWSelector::dragScrollTick() {
    if (m_dragScrollStep == 0 || !m_marker) {
        m_dragScrollTimer.stop();
        return;
    }
    scrollTo(m_scroll + m_dragScrollStep);
    m_marker = selector::insertionPoint(m_lastDragPoint, contentRect(), m_scroll, itemCount());
    update();
}

void OWSelector::clearMarker() {
    m_dragScrollTimer.stop();
    m_dragScrollStep = 0;
    if (!m_marker)
        return;
    m_marker.reset();
    update();
}

void OWSelector::dropAt(QDropEvent& event, QPoint position) {
    clearMarker();
    const Qt::DropAction action = dropActionFor(event);
    if (action == Qt::IgnoreAction) {
        event.ignore();
        return;
    }
    const int index =
        selector::insertionPoint(position, contentRect(), m_scroll, itemCount()).index;
    g_dropTarget = m_id;
    event.setDropAction(action);
    event.accept();
    if (action == Qt::MoveAction && isOwnDrag(*event.mimeData())) {
        const std::vector<std::size_t> sources = toSizes(selectionOrder());
        if (!sources.empty())
            applyRecord(moveRecord(sources, std::size_t(index)));
        return;
    }
    applyRecord(insertRecord(*event.mimeData(), std::size_t(index)));
}

// --- the owner's part ----------------------------------------------------------------------

std::unique_ptr<EditStep> OWSelector::insertRecord(const QMimeData&, std::size_t) {
    return nullptr;
}

std::unique_ptr<EditStep> OWSelector::removeRecord(const std::vector<std::size_t>&) {
    return nullptr;
}

std::unique_ptr<EditStep> OWSelector::moveRecord(const std::vector<std::size_t>&, std::size_t) {
    return nullptr;
}

std::unique_ptr<EditStep> OWSelector::renameRecord(std::size_t, const QString&) {
    return nullptr;
}

bool OWSelector::applyRecord(std::unique_ptr<EditStep>) {
    return false;
}

void OWSelector::itemActivated(int) {}

void OWSelector::fillDragData(QMimeData&, const std::vector<std::size_t>&) {}

bool OWSelector::canAcceptData(const QMimeData&) const {
    return false;
}

}  // namespace orbpix
