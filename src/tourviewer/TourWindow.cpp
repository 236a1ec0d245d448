#include "tourviewer/TourWindow.h"

#include <spawn.h>

#include <cstdio>
#include <cstdlib>

#include "tourviewer/TourPainter.h"
#include "xwin/MessageBox.h"

extern char** environ;

namespace orbpix::tourviewer {

namespace {

constexpr int kZoomTimerId = 2;

ViewKey viewKeyOf(xwin::Key key) {
    switch (key) {
        case xwin::Key::PageUp:
            return ViewKey::PageUp;
        case xwin::Key::PageDown:
            return ViewKey::PageDown;
        case xwin::Key::A:
            return ViewKey::A;
        case xwin::Key::Z:
            return ViewKey::Z;
        default:
            return ViewKey::Other;
    }
}

}  // namespace

TourWindow::TourWindow(TourModel& model, std::unique_ptr<xwin::Window> window, std::string caption)
    : m_model(model),
      m_window(std::move(window)),
      m_caption(std::move(caption)),
      m_view(*this),
      m_dialog(model, m_view, *this),
      m_canvas(std::size_t(kWindowWidth) * kWindowHeight * 4),
      m_trace(std::getenv("ORBTOUR_TRACE") != nullptr),
      m_started(std::chrono::steady_clock::now()) {}

TourWindow::~TourWindow() {
    // The render thread hands frames to this object; it ends before anything here goes.
    m_view.destroyed();
}

int TourWindow::run() {
    m_normalPosition = {m_window->screenWidth() / 2 - kWindowWidth / 2,
                        m_window->screenHeight() / 2 - kWindowHeight / 2};
    m_window->setGeometry(m_normalPosition.x, m_normalPosition.y, kWindowWidth, kWindowHeight);
    setLogoIcon();
    m_window->setShape(m_model.windowShape());
    const xwin::Rect view = m_model.viewRect();
    m_view.attached(this, view.width(), view.height());
    m_dialog.showSelectedPicture();
    m_view.startDrawing();
    m_window->show();
    m_window->invalidateAll();
    const bool ok = m_window->run(*this);
    m_view.destroyed();
    return ok ? 0 : 1;
}

xwin::Rect TourWindow::viewArea() const {
    if (m_mode == Mode::Maximised)
        return {0, 0, m_window->width(), m_window->height()};
    return m_model.viewRect();
}

void TourWindow::paint(const xwin::Rect& area) {
    paintArea(area);
    // What the trace reports is on the screen by then, for whoever watches it.
    if (m_trace) {
        m_window->sync();
        std::fprintf(stderr, "orbtour: paint %d %d %d %d\n", area.left, area.top, area.right,
                     area.bottom);
    }
}

void TourWindow::paintArea(const xwin::Rect& area) {
    if (m_mode == Mode::Maximised) {
        blitFrame(area);
        return;
    }
    const xwin::ImageView canvas{m_canvas.data(), kWindowWidth, kWindowHeight,
                                 std::size_t(kWindowWidth) * 4};
    const xwin::Rect part = area.intersected(canvas.bounds());
    if (part.isEmpty())
        return;
    paintTour(m_model, canvas, part);
    // The frame goes into the same picture, so that the view does not flash the skin.
    const xwin::Rect view = viewArea();
    if (m_view.hasPicture() && !m_frame.isEmpty()) {
        const xwin::Rect shown = part.intersected(view).intersected(
            xwin::Rect::ofSize(view.left, view.top, m_frame.width(), m_frame.height()));
        for (int y = shown.top; y < shown.bottom; ++y)
            std::copy_n(m_frame.pixel(shown.left - view.left, y - view.top),
                        std::size_t(shown.width()) * 4, canvas.pixel(shown.left, y));
    }
    m_window->blit(canvas, part, part.left, part.top);
}

void TourWindow::blitFrame(const xwin::Rect& area) {
    if (m_frame.isEmpty() || !m_view.hasPicture())
        return;
    const xwin::Rect view = viewArea();
    const xwin::Rect shown = area.intersected(view);
    if (shown.isEmpty())
        return;
    const xwin::ConstImageView frame(m_frame.bits(), m_frame.width(), m_frame.height(),
                                     m_frame.stride());
    m_window->blit(frame,
                   xwin::Rect::ofSize(shown.left - view.left, shown.top - view.top, shown.width(),
                                      shown.height()),
                   shown.left, shown.top);
}

void TourWindow::showFrame(const PixelImage& frame) {
    {
        std::lock_guard lock(m_frameLock);
        if (!m_pendingFrame.assign(frame))
            return;
        m_framePending = true;
    }
    m_window->wake();
}

void TourWindow::woken() {
    {
        std::lock_guard lock(m_frameLock);
        if (!m_framePending)
            return;
        std::swap(m_frame, m_pendingFrame);
        m_framePending = false;
    }
    blitFrame(viewArea());
    m_window->flush();
    ++m_framesShown;
    if (m_trace) {
        m_window->sync();
        const std::chrono::duration<double, std::milli> since =
            std::chrono::steady_clock::now() - m_started;
        std::fprintf(stderr, "orbtour: frame %ld at %.1f ms\n", m_framesShown, since.count());
    }
    m_dialog.frameShown();
}

void TourWindow::buttonDown(int x, int y) {
    const xwin::Rect view = viewArea();
    if (view.contains(x, y)) {
        m_view.leftButtonDown();
        return;
    }
    if (m_mode != Mode::Maximised)
        m_dialog.buttonDown(x, y);
}

void TourWindow::buttonUp(int x, int y) {
    if (m_view.isDragging()) {
        m_view.leftButtonUp();
        return;
    }
    if (m_mode != Mode::Maximised)
        m_dialog.buttonUp(x, y);
}

void TourWindow::mouseMove(int x, int y) {
    const xwin::Rect view = viewArea();
    if (m_view.isDragging()) {
        m_view.mouseMove(x - view.left, y - view.top);
        return;
    }
    m_window->setCursor(view.contains(x, y) ? xwin::Cursor::Move : xwin::Cursor::Arrow);
    if (m_mode != Mode::Maximised)
        m_dialog.mouseMove(x, y);
}

void TourWindow::mouseLeave() {
    if (!m_view.isDragging() && m_mode != Mode::Maximised)
        m_dialog.mouseLeave();
}

void TourWindow::wheel(int delta) {
    m_view.wheel(delta);
}

void TourWindow::keyDown(xwin::Key key, bool) {
    // The view takes its zoom keys; every other key reaches the tour.
    if (m_view.keyDown(viewKeyOf(key)))
        return;
    if (m_dialog.keyDown(key))
        return;
    // A maximised tour paints no skin and so has no button to come back by.
    if (key == xwin::Key::Escape && m_mode == Mode::Maximised)
        restoreNormal();
}

void TourWindow::keyUp(xwin::Key) {
    m_view.keyUp();
}

void TourWindow::timer(int id) {
    if (id == PanoramaViewControl::kTimerId)
        m_view.timerTick();
    else if (id == kZoomTimerId)
        m_dialog.zoomTick();
}

void TourWindow::closeRequested() {
    endDialog();
}

void TourWindow::restored() {
    if (m_mode != Mode::Normal)
        restoreNormal();
}

void TourWindow::setLogoIcon() {
    const int logo = m_model.findElement(kTypeLogo);
    if (logo < 0 || !m_model.elements()[std::size_t(logo)].hasPictures())
        return;
    const PixelImage icon = iconOf(m_model.elements()[std::size_t(logo)].pictures[0]);
    m_window->setIcon({icon.bits(), icon.width(), icon.height(), icon.stride()});
}

void TourWindow::leaveNormal(Mode mode) {
    if (m_mode == Mode::Normal)
        m_normalPosition = m_window->position();
    m_mode = mode;
}

void TourWindow::restoreNormal() {
    m_mode = Mode::Normal;
    m_window->setGeometry(m_normalPosition.x, m_normalPosition.y, kWindowWidth, kWindowHeight);
    m_window->setShape(m_model.windowShape());
    const xwin::Rect view = m_model.viewRect();
    m_view.resized(view.width(), view.height());
    (void)m_view.eraseBackground();
    m_window->invalidateAll();
}

void TourWindow::invalidate(const xwin::Rect& area) {
    m_window->invalidate(area);
}

void TourWindow::startZoomTimer() {
    m_window->startTimer(kZoomTimerId, kZoomTimerPeriodMs);
}

void TourWindow::stopZoomTimer() {
    m_window->killTimer(kZoomTimerId);
}

void TourWindow::openLink(const std::string& address) {
    // Started without a shell, the address one argument: nothing in it is interpreted.
    std::string program = "xdg-open";
    std::string argument = address;
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, "xdg-open", nullptr, nullptr, argv, environ) != 0)
        std::fprintf(stderr, "%s cannot be opened: xdg-open is missing\n", address.c_str());
}

void TourWindow::endDialog() {
    m_window->quit();
}

void TourWindow::maximise() {
    leaveNormal(Mode::Maximised);
    const int width = m_window->screenWidth();
    const int height = m_window->screenHeight();
    m_window->setGeometry(0, 0, width, height);
    m_window->setShape({});
    m_view.resized(width, height);
    (void)m_view.eraseBackground();
    m_window->invalidateAll();
}

void TourWindow::minimise() {
    leaveNormal(Mode::Minimised);
    m_window->iconify();
}

void TourWindow::beginWindowMove() {
    m_window->beginMove();
}

void TourWindow::showMessage(const std::string& message) {
    xwin::showMessageBox(m_caption, message);
}

void TourWindow::setWaitCursor(bool on) {
    m_window->setCursor(on ? xwin::Cursor::Wait : xwin::Cursor::Arrow);
}

int TourWindow::startTimer(int id, int periodMs) {
    m_window->startTimer(id, periodMs);
    return id;
}

void TourWindow::killTimer(int id) {
    m_window->killTimer(id);
}

void TourWindow::invalidateAndUpdate() {
    m_window->invalidate(viewArea());
    (void)m_view.eraseBackground();
}

}  // namespace orbpix::tourviewer
