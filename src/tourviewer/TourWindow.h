#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "panorama/ViewControl.h"
#include "tourviewer/TourDialog.h"
#include "tourviewer/TourModel.h"
#include "xwin/Window.h"

namespace orbpix::tourviewer {

// The tour on screen: one shaped window that shows the skin and its texts, with the picture
// view blitted onto the view element (or over the whole screen when maximised). Forwards the
// window's events to the dialog logic and to the view control, and the render thread's
// frames to the window.
class TourWindow final : public xwin::WindowEvents,
                         public DialogHost,
                         public ViewControlHost,
                         public FrameSink {
public:
    TourWindow(TourModel& model, std::unique_ptr<xwin::Window> window, std::string caption);
    ~TourWindow() override;

    // Places, shapes and shows the window with picture 0, then runs until the tour ends.
    int run();

    // xwin::WindowEvents
    void paint(const xwin::Rect& area) override;
    void buttonDown(int x, int y) override;
    void buttonUp(int x, int y) override;
    void mouseMove(int x, int y) override;
    void mouseLeave() override;
    void wheel(int delta) override;
    void keyDown(xwin::Key key, bool repeat) override;
    void keyUp(xwin::Key key) override;
    void timer(int id) override;
    void woken() override;
    void closeRequested() override;
    void restored() override;

    // DialogHost
    void invalidate(const xwin::Rect& area) override;
    void startZoomTimer() override;
    void stopZoomTimer() override;
    void openLink(const std::string& address) override;
    void endDialog() override;
    void maximise() override;
    void minimise() override;
    void beginWindowMove() override;
    void showMessage(const std::string& message) override;
    void setWaitCursor(bool on) override;

    // ViewControlHost
    int startTimer(int id, int periodMs) override;
    void killTimer(int id) override;
    void captureMouse() override {}
    void releaseMouse() override {}
    void takeFocus() override {}
    void invalidateAndUpdate() override;

    // FrameSink, on the render thread.
    void showFrame(const PixelImage& frame) override;

private:
    enum class Mode { Normal, Maximised, Minimised };
    xwin::Rect viewArea() const;
    void paintArea(const xwin::Rect& area);
    void blitFrame(const xwin::Rect& area);
    void restoreNormal();
    void leaveNormal(Mode mode);
    void setLogoIcon();

    TourModel& m_model;
    std::unique_ptr<xwin::Window> m_window;
    std::string m_caption;
    PanoramaViewControl m_view;
    TourDialog m_dialog;
    Mode m_mode = Mode::Normal;
    // Where the user left the window before it was maximised or minimised.
    xwin::Point m_normalPosition;
    std::vector<std::uint8_t> m_canvas;  // the skinned window, 32-bit

    std::mutex m_frameLock;
    PixelImage m_pendingFrame;  // handed over by the render thread
    bool m_framePending = false;
    PixelImage m_frame;  // the latest frame, on the window thread

    // With ORBTOUR_TRACE set, every frame shown is logged with its time since start, and
    // every area painted.
    bool m_trace = false;
    std::chrono::steady_clock::time_point m_started;
    long m_framesShown = 0;
};

}  // namespace orbpix::tourviewer
