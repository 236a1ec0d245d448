#pragma once

#include <QAbstractSlider>
#include <QRect>
#include <QString>
#include <algorithm>

#include "skins/SkinBitmap.h"

namespace orbpix {

// Where a horizontal skinned slider's parts go: the track picture repeated from the left edge
// across the width, centred vertically, and the thumb (one of three frames side by side:
// normal, dragged, disabled) moved along it by the value. Painting and hit-testing both use it.
class SliderGeometry {
public:
    enum ThumbFrame { Normal = 0, Dragged = 1, Disabled = 2 };

    SliderGeometry(QSize client, QSize thumbFrame, int trackHeight)
        : m_client(client), m_thumb(thumbFrame), m_trackHeight(trackHeight) {}

    QRect trackRect() const;
    QRect thumbRect(int value, int minimum, int maximum) const;
    // The value whose thumb is centred nearest to x.
    int valueAt(int x, int minimum, int maximum) const;
    static ThumbFrame frameFor(bool enabled, bool dragged);

private:
    int travel() const { return std::max(0, m_client.width() - m_thumb.width()); }

    QSize m_client;
    QSize m_thumb;
    int m_trackHeight;
};

// A horizontal slider drawn from a track and a thumb element. Keys, the wheel and accessible
// values are those of any slider.
class SkinSlider : public QAbstractSlider {
    Q_OBJECT
public:
    explicit SkinSlider(QWidget* parent = nullptr);

    // Loads the elements of the current skin through SkinBitmap::load.
    void setThumbElement(const QString& element);
    void setTrackElement(const QString& element);
    // The pictures themselves, for windows that load them otherwise.
    void setPictures(const SkinBitmap& thumb, const SkinBitmap& track);
    // Draws the slider as it looks now into a surface of its size (background first).
    void paintInto(QImage& surface) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    SliderGeometry geometryNow() const;
    QSize thumbFrame() const { return {m_thumb.width() / 3, m_thumb.height()}; }

    SkinBitmap m_thumb;
    SkinBitmap m_track;
    int m_grabOffset = 0;
};

}  // namespace orbpix
