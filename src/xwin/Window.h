#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "xwin/Geometry.h"

namespace orbpix::xwin {

enum class Key { Space, Enter, Escape, PageUp, PageDown, A, Z, Other };
enum class Cursor { Arrow, Move, Wait };

// What a window tells its owner. Everything arrives on the thread that runs the window.
class WindowEvents {
public:
    virtual ~WindowEvents() = default;
    // The area must be drawn again (exposed or invalidated).
    virtual void paint(const Rect& area) = 0;
    virtual void buttonDown(int x, int y) = 0;
    virtual void buttonUp(int x, int y) = 0;
    virtual void mouseMove(int x, int y) = 0;
    // The pointer left the window.
    virtual void mouseLeave() {}
    // In 120ths of a notch, positive away from the user.
    virtual void wheel(int delta) = 0;
    // repeat is set for the presses a held key repeats.
    virtual void keyDown(Key key, bool repeat) = 0;
    virtual void keyUp(Key key) = 0;
    virtual void timer(int id) = 0;
    // Another thread called wake().
    virtual void woken() {}
    // The user asked the window to close.
    virtual void closeRequested() = 0;
    // The window came back after being iconified.
    virtual void restored() {}
};

// One top-level window of a tour program on an X display: undecorated (the program draws
// everything), shaped on request, with 32-bit blits, timers and a wake-up that other threads
// may call. The window's own connection to the display lives and dies with it.
class Window {
public:
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Nothing when no display can be opened (why says so).
    static std::unique_ptr<Window> create(const std::string& caption, int width, int height,
                                          std::string* why = nullptr);
    // Whether a display is there to open windows on.
    static bool displayAvailable();

    int screenWidth() const;
    int screenHeight() const;
    int width() const { return m_width; }
    int height() const { return m_height; }

    void show();
    void hide();
    void moveTo(int x, int y);
    // Where the window's top-left corner is on the screen now, wherever it was moved to.
    Point position() const;
    // Size and place; the size becomes fixed for the window manager.
    void setGeometry(int x, int y, int width, int height);
    // The window's visible part becomes the union of the rectangles; empty means all of it.
    void setShape(const std::vector<Rect>& rects);
    void iconify();
    // The picture the desktop shows for the window (_NET_WM_ICON), 32-bit blue, green, red,
    // alpha pixels.
    void setIcon(const ConstImageView& picture);
    void setCursor(Cursor cursor);
    // Moves the window with the pointer until the button is released.
    void beginMove();

    // Copies pixels to the window at (x, y), clipped to the window.
    void blit(const ConstImageView& image, int x, int y);
    void blit(const ConstImageView& image, const Rect& part, int x, int y);
    // Asks for paint() of the area before the next wait for events.
    void invalidate(const Rect& area);
    void invalidateAll() { invalidate({0, 0, m_width, m_height}); }

    // A repeating timer; starting a running one restarts it.
    void startTimer(int id, int periodMs);
    void killTimer(int id);
    bool timerRunning(int id) const { return m_timers.count(id) != 0; }

    // Safe from any thread: makes the event loop call woken() soon.
    void wake();

    // Handles events until quit(); false when the display connection broke.
    bool run(WindowEvents& events);
    void quit() { m_quit = true; }

    // The connection's file descriptor and native handles, for tests and for message boxes.
    unsigned long nativeHandle() const;
    void flush();
    // Waits until the display has carried out every request sent so far.
    void sync();

private:
    Window() = default;
    struct Native;
    void dispatch(WindowEvents& events);
    void paintPending(WindowEvents& events);
    void runTimers(WindowEvents& events);

    std::unique_ptr<Native> m_native;
    int m_width = 0;
    int m_height = 0;
    Rect m_dirty;
    bool m_quit = false;
    bool m_iconified = false;

    struct Timer {
        std::chrono::milliseconds period;
        std::chrono::steady_clock::time_point due;
    };
    std::map<int, Timer> m_timers;

    // Moving without a window manager's help: where the pointer grabbed the window.
    bool m_moving = false;
    int m_grabX = 0;
    int m_grabY = 0;
    // The latest button press, in the window and on the screen.
    struct Press {
        int x = 0;
        int y = 0;
        int rootX = 0;
        int rootY = 0;
    } m_press;
};

}  // namespace orbpix::xwin
