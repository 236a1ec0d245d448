#include "ui/PanoramaView.h"

#include <QKeyEvent>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>
#include <QWheelEvent>
#include <cstdint>

namespace orbpix {

PanoramaView::PanoramaView(QWidget* parent) : QWidget(parent), m_control(*this) {
    setCursor(Qt::SizeAllCursor);
    setFocusPolicy(Qt::StrongFocus);
    m_control.attached(this, width(), height());
}

PanoramaView::~PanoramaView() {
    // The render thread calls back into this object; it must end before anything goes.
    m_control.destroyed();
}

bool PanoramaView::event(QEvent* event) {
    // The view wants every key, Tab included; what it does not use goes on to the parent.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            keyPressEvent(key);
            return true;
        }
    }
    return QWidget::event(event);
}

void PanoramaView::paintEvent(QPaintEvent* event) {
    if (!m_control.paint()) {
        QWidget::paintEvent(event);
        QPainter(this).fillRect(rect(), palette().window());
        return;
    }
    // With a picture the frame covers the widget; nothing is erased underneath it.
    QPainter painter(this);
    if (!m_frame.isNull())
        painter.drawImage(0, 0, m_frame);
}

void PanoramaView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_control.resized(width(), height());
    setAttribute(Qt::WA_OpaquePaintEvent, m_control.hasPicture());
    m_control.eraseBackground();
}

void PanoramaView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    m_control.leftButtonDown();
}

void PanoramaView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    m_control.mouseMove(at.x(), at.y());
}

void PanoramaView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    m_control.leftButtonUp();
}

void PanoramaView::wheelEvent(QWheelEvent* event) {
    m_control.wheel(event->angleDelta().y());
    event->accept();
}

namespace {

ViewKey viewKey(int key) {
    switch (key) {
        case Qt::Key_PageUp:
            return ViewKey::PageUp;
        case Qt::Key_PageDown:
            return ViewKey::PageDown;
        case Qt::Key_A:
            return ViewKey::A;
        case Qt::Key_Z:
            return ViewKey::Z;
        default:
            return ViewKey::Other;
    }
}

}  // namespace

void PanoramaView::keyPressEvent(QKeyEvent* event) {
    if (m_control.keyDown(viewKey(event->key())))
        event->accept();
    else
        event->ignore();  // the parent's shortcuts keep working while the view has the focus
}

void PanoramaView::keyReleaseEvent(QKeyEvent* event) {
    // Auto-repeat arrives as release and press pairs; only the real release ends a zoom.
    if (event->isAutoRepeat())
        return;
    m_control.keyUp();
    event->ignore();
}

void PanoramaView::timerEvent(QTimerEvent* event) {
    m_control.timerTick();
    event->accept();
}

int PanoramaView::startTimer(int, int periodMs) {
    return QObject::startTimer(periodMs, Qt::PreciseTimer);
}

void PanoramaView::killTimer(int id) {
    QObject::killTimer(id);
}

// A widget that takes a press keeps every mouse event until the release, which is the
// capture the view needs; an explicit grab would also steal events from other windows.
void PanoramaView::captureMouse() {}
void PanoramaView::releaseMouse() {}

void PanoramaView::takeFocus() {
    setFocus(Qt::MouseFocusReason);
}

void PanoramaView::invalidateAndUpdate() {
    setAttribute(Qt::WA_OpaquePaintEvent, m_control.hasPicture());
    m_control.eraseBackground();
    repaint();
}

void PanoramaView::showFrame(const PixelImage& frame) {
    {
        std::lock_guard lock(m_deliveryLock);
        if (m_delivered.width() != frame.width() || m_delivered.height() != frame.height())
            m_delivered = QImage(frame.width(), frame.height(), QImage::Format_RGB32);
        // Both hold blue, green, red and a fourth byte per pixel; Qt wants that byte at 255.
        for (int y = 0; y < frame.height(); ++y) {
            const auto* from = reinterpret_cast<const std::uint32_t*>(frame.row(y));
            auto* to = reinterpret_cast<std::uint32_t*>(m_delivered.scanLine(y));
            for (int x = 0; x < frame.width(); ++x)
                to[x] = from[x] | 0xFF000000u;
        }
    }
    // One pending hand-over at a time: the interface thread always takes the latest frame.
    if (!m_deliveryPosted.exchange(true))
        QMetaObject::invokeMethod(
            this, [this] { takeDeliveredFrame(); }, Qt::QueuedConnection);
}

void PanoramaView::takeDeliveredFrame() {
    m_deliveryPosted = false;
    {
        std::lock_guard lock(m_deliveryLock);
        // The old frame goes back for the render thread to fill next time.
        m_frame.swap(m_delivered);
    }
    ++m_framesShown;
    update();
    emit frameShown();
}

}  // namespace orbpix
