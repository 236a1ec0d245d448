#pragma once

#include <QImage>
#include <QWidget>
#include <atomic>
#include <mutex>

#include "panorama/ViewControl.h"

namespace orbpix {

// The album program's panorama view: a child window in which dragging with the left button
// turns the view toward the cursor, the wheel and Page Up/Down, A and Z zoom. The render
// thread hands finished frames over; the widget paints the last one at its top-left corner.
class PanoramaView final : public QWidget, private ViewControlHost, private FrameSink {
    Q_OBJECT
public:
    explicit PanoramaView(QWidget* parent = nullptr);
    ~PanoramaView() override;

    PanoramaViewControl& control() { return m_control; }
    const PanoramaViewControl& control() const { return m_control; }

    // The last frame shown, and how many have been shown.
    QImage lastFrame() const { return m_frame; }
    int framesShown() const { return m_framesShown; }

signals:
    void frameShown();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    // ViewControlHost
    int startTimer(int id, int periodMs) override;
    void killTimer(int id) override;
    void captureMouse() override;
    void releaseMouse() override;
    void takeFocus() override;
    void invalidateAndUpdate() override;
    // FrameSink, on the render thread
    void showFrame(const PixelImage& frame) override;

    void takeDeliveredFrame();

    std::mutex m_deliveryLock;
    QImage m_delivered;
    std::atomic<bool> m_deliveryPosted{false};

    QImage m_frame;
    int m_framesShown = 0;
    PanoramaViewControl m_control;
};

}  // namespace orbpix
