#include "skins/SkinSlider.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include "skins/ParentBackground.h"
#include "skins/SkinAccess.h"

namespace orbpix {

QRect SliderGeometry::trackRect() const {
    return {0, (m_client.height() - m_trackHeight) / 2, m_client.width(), m_trackHeight};
}

QRect SliderGeometry::thumbRect(int value, int minimum, int maximum) const {
    const long long span = std::max(1, maximum - minimum);
    const int offset = static_cast<int>(
        (static_cast<long long>(std::clamp(value, minimum, maximum) - minimum) * travel() +
         span / 2) /
        span);
    return {offset, (m_client.height() - m_thumb.height()) / 2, m_thumb.width(), m_thumb.height()};
}

int SliderGeometry::valueAt(int x, int minimum, int maximum) const {
    if (travel() == 0)
        return minimum;
    const long long span = maximum - minimum;
    const long long along = std::clamp(x, 0, travel());
    return minimum + static_cast<int>((along * span + travel() / 2) / travel());
}

SliderGeometry::ThumbFrame SliderGeometry::frameFor(bool enabled, bool dragged) {
    if (!enabled)
        return Disabled;
    return dragged ? Dragged : Normal;
}

SkinSlider::SkinSlider(QWidget* parent) : QAbstractSlider(parent) {
    setOrientation(Qt::Horizontal);
    setFocusPolicy(Qt::StrongFocus);
}

void SkinSlider::setThumbElement(const QString& element) {
    (void)m_thumb.load(programSkins(), element);
    updateGeometry();
    update();
}

void SkinSlider::setTrackElement(const QString& element) {
    (void)m_track.load(programSkins(), element);
    updateGeometry();
    update();
}

void SkinSlider::setPictures(const SkinBitmap& thumb, const SkinBitmap& track) {
    m_thumb.copyFrom(thumb);
    m_track.copyFrom(track);
    updateGeometry();
    update();
}

SliderGeometry SkinSlider::geometryNow() const {
    return {size(), thumbFrame(), m_track.height()};
}

QSize SkinSlider::sizeHint() const {
    return {std::max(100, thumbFrame().width() * 4),
            std::max({thumbFrame().height(), m_track.height(), 16})};
}

void SkinSlider::paintInto(QImage& surface) const {
    paintParentBackground(*this, surface);
    const SliderGeometry geometry = geometryNow();
    const QRect track = geometry.trackRect();
    if (!m_track.isEmpty()) {
        // Opaque, as many copies as cover the width, the last one clipped.
        SkinCanvas canvas(surface, track);
        for (int x = 0; x < track.width(); x += m_track.width())
            m_track.draw(canvas, x, track.top());
    }
    if (m_thumb.isEmpty() || thumbFrame().isEmpty())
        return;
    const QRect thumb = geometry.thumbRect(sliderPosition(), minimum(), maximum());
    const int frame = SliderGeometry::frameFor(isEnabled(), isSliderDown());
    m_thumb.draw(SkinCanvas(surface), thumb.left(), thumb.top(),
                 QRect(frame * thumb.width(), 0, thumb.width(), thumb.height()));
}

void SkinSlider::paintEvent(QPaintEvent*) {
    QImage surface(size(), QImage::Format_RGB32);
    surface.fill(palette().color(backgroundRole()));
    paintInto(surface);
    QPainter painter(this);
    painter.drawImage(0, 0, surface);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void SkinSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        event->ignore();
        return;
    }
    const SliderGeometry geometry = geometryNow();
    const QRect thumb = geometry.thumbRect(sliderPosition(), minimum(), maximum());
    const int x = event->position().toPoint().x();
    if (thumb.contains(event->position().toPoint())) {
        m_grabOffset = x - thumb.left();
        setSliderDown(true);
    } else {
        // A click beside the thumb moves a page toward it, as platform sliders do.
        triggerAction(x < thumb.left() ? SliderPageStepSub : SliderPageStepAdd);
    }
    event->accept();
}

void SkinSlider::mouseMoveEvent(QMouseEvent* event) {
    if (!isSliderDown())
        return;
    const int x = event->position().toPoint().x() - m_grabOffset;
    setSliderPosition(geometryNow().valueAt(x, minimum(), maximum()));
}

void SkinSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && isSliderDown()) {
        setSliderDown(false);
        update();
    }
}

}  // namespace orbpix
