#include "skins/SkinButton.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

#include "skins/ParentBackground.h"

namespace orbpix {

void ButtonFrames::setPicture(const SkinBitmap& picture) {
    m_picture.copyFrom(picture);
    m_frame = QSize(picture.width() / 5, picture.height());
    m_mask.clear();
    if (m_frame.isEmpty()) {
        m_frame = QSize();
        return;
    }
    const QImage& image = m_picture.picture();
    const QRgb key = image.pixel(0, 0);
    m_mask.resize(static_cast<std::size_t>(m_frame.width()) * m_frame.height());
    for (int y = 0; y < m_frame.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < m_frame.width(); ++x)
            m_mask[static_cast<std::size_t>(y) * m_frame.width() + x] = row[x] != key ? 1 : 0;
    }
}

ButtonFrames::Frame ButtonFrames::frameFor(bool pressed, bool enabled, bool hover) {
    if (pressed)
        return Pressed;
    if (!enabled)
        return Disabled;
    return hover ? Hover : Normal;
}

QPoint ButtonFrames::origin(QSize client) const {
    return {(client.width() - m_frame.width()) / 2, (client.height() - m_frame.height()) / 2};
}

bool ButtonFrames::insideShape(QPoint point, QSize client) const {
    if (m_mask.empty())
        return true;
    const QPoint p = point - origin(client);
    if (p.x() < 0 || p.y() < 0 || p.x() >= m_frame.width() || p.y() >= m_frame.height())
        return false;
    return m_mask[static_cast<std::size_t>(p.y()) * m_frame.width() + p.x()] != 0;
}

void ButtonFrames::paint(QImage& surface, Frame frame) const {
    if (isEmpty())
        return;
    const QPoint at = origin(surface.size());
    m_picture.draw(SkinCanvas(surface), at.x(), at.y(),
                   QRect(frame * m_frame.width(), 0, m_frame.width(), m_frame.height()));
}

SkinButton::SkinButton(QWidget* parent, int controlId)
    : QAbstractButton(parent), m_controlId(controlId) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    // A coarse timer may fire up to 5% early, so a held button would repeat faster than every
    // 50 ms; the step buttons' speed is part of how they feel.
    m_repeatTimer.setTimerType(Qt::PreciseTimer);
    m_repeatTimer.setInterval(kRepeatMs);
    m_hoverTimer.setInterval(kHoverCheckMs);
    connect(&m_repeatTimer, &QTimer::timeout, this, [this] { emit buttonRepeat(m_controlId); });
    connect(&m_hoverTimer, &QTimer::timeout, this, &SkinButton::checkPointer);
}

QRect SkinButton::setPicture(const SkinBitmap& picture, Resize resize) {
    m_frames.setPicture(picture);
    if (resize == Resize::Yes && !m_frames.isEmpty())
        setGeometry(QRect(geometry().topLeft(), m_frames.frameSize()));
    updateGeometry();
    update();
    return geometry();
}

QSize SkinButton::sizeHint() const {
    if (!m_frames.isEmpty())
        return m_frames.frameSize();
    QStyleOptionButton option;
    option.initFrom(this);
    option.text = text();
    const QSize textSize = fontMetrics().size(Qt::TextShowMnemonic, text());
    return style()->sizeFromContents(QStyle::CT_PushButton, &option, textSize, this);
}

void SkinButton::paintEvent(QPaintEvent*) {
    if (m_frames.isEmpty()) {
        // Without a picture the button looks like any other of the desktop.
        QStylePainter painter(this);
        QStyleOptionButton option;
        option.initFrom(this);
        option.text = text();
        option.state |= isDown() ? QStyle::State_Sunken : QStyle::State_Raised;
        if (isChecked())
            option.state |= QStyle::State_On;
        painter.drawControl(QStyle::CE_PushButton, option);
        return;
    }
    QImage surface(size(), QImage::Format_RGB32);
    surface.fill(palette().color(backgroundRole()));
    if (m_frames.needsBackground())
        paintParentBackground(*this, surface);
    m_frames.paint(surface, ButtonFrames::frameFor(isDown(), isEnabled(), m_hover));
    QPainter painter(this);
    painter.drawImage(0, 0, surface);
    if (hasFocus()) {
        // The pictures carry no focus look; keyboard users still need to see where they are.
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(1, 1, -1, -1);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void SkinButton::mouseMoveEvent(QMouseEvent* event) {
    if (!m_inWindow) {
        m_inWindow = true;
        m_hoverTimer.start();
    }
    const bool inside = m_frames.insideShape(event->position().toPoint(), size());
    if (inside && !m_hover)
        shapeEntered(event->buttons());
    else if (!inside && m_hover)
        shapeLeft();
    QAbstractButton::mouseMoveEvent(event);
}

void SkinButton::mousePressEvent(QMouseEvent* event) {
    if (m_repeating && event->button() == Qt::LeftButton && isEnabled())
        m_repeatTimer.start();
    QAbstractButton::mousePressEvent(event);
}

void SkinButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        stopRepeating();
    QAbstractButton::mouseReleaseEvent(event);
}

void SkinButton::leaveEvent(QEvent* event) {
    // The pointer check would notice within its period; the toolkit tells at once.
    if (m_inWindow && !isDown())
        windowLeft();
    QAbstractButton::leaveEvent(event);
}

void SkinButton::shapeEntered(Qt::MouseButtons held) {
    if (m_repeating && (held & Qt::LeftButton) && isEnabled())
        m_repeatTimer.start();
    m_hover = true;
    update();
}

void SkinButton::shapeLeft() {
    m_hover = false;
    stopRepeating();
    update();
}

void SkinButton::windowLeft() {
    m_hoverTimer.stop();
    m_inWindow = false;
    if (m_hover) {
        m_hover = false;
        update();
    }
    stopRepeating();
}

void SkinButton::checkPointer() {
    const QWidget* under = QApplication::widgetAt(QCursor::pos());
    if (under != this && !isAncestorOf(under))
        windowLeft();
}

void SkinButton::stopRepeating() {
    if (!m_repeatTimer.isActive())
        return;
    m_repeatTimer.stop();
    emit buttonRelease(m_controlId);
}

}  // namespace orbpix
