#include "xwin/Window.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/shape.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

namespace orbpix::xwin {

namespace {

// A failed request must not end the program (Xlib's default handler exits); the tour goes
// on without whatever the request would have done.
int reportXError(Display* display, XErrorEvent* error) {
    char text[128] = {};
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "X error: %s (request %d)\n", text, int(error->request_code));
    return 0;
}

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};

Key keyOf(KeySym sym) {
    switch (sym) {
        case XK_space:
            return Key::Space;
        case XK_Return:
        case XK_KP_Enter:
            return Key::Enter;
        case XK_Escape:
            return Key::Escape;
        case XK_Page_Up:
        case XK_KP_Page_Up:
            return Key::PageUp;
        case XK_Page_Down:
        case XK_KP_Page_Down:
            return Key::PageDown;
        case XK_a:
        case XK_A:
            return Key::A;
        case XK_z:
        case XK_Z:
            return Key::Z;
        default:
            return Key::Other;
    }
}

// How one 8-bit channel lands in a pixel of the visual.
struct Channel {
    int shift = 0;
    int bits = 8;
    explicit Channel(unsigned long mask)
        : shift(mask ? std::countr_zero(mask) : 0), bits(mask ? std::popcount(mask) : 0) {}
    unsigned long place(std::uint8_t value) const {
        if (bits <= 0)
            return 0;
        const unsigned long v =
            bits >= 8 ? (unsigned long)value << (bits - 8) : value >> (8 - bits);
        return v << shift;
    }
};

}  // namespace

struct Window::Native {
    std::unique_ptr<Display, DisplayCloser> display;
    ::Window window = 0;
    GC gc = nullptr;
    Visual* visual = nullptr;
    int depth = 0;
    int screen = 0;
    // 32-bit pixels in blue, green, red order can go to the server as they are.
    bool directPixels = false;
    int wakeRead = -1;
    int wakeWrite = -1;
    Atom deleteWindow = 0;
    Atom moveResize = 0;
    bool managerMoves = false;
    ::Cursor cursors[3] = {};
    std::set<unsigned> keysDown;

    ~Native() {
        if (display) {
            for (::Cursor c : cursors)
                if (c)
                    XFreeCursor(display.get(), c);
            if (gc)
                XFreeGC(display.get(), gc);
            if (window)
                XDestroyWindow(display.get(), window);
        }
        if (wakeRead >= 0)
            close(wakeRead);
        if (wakeWrite >= 0)
            close(wakeWrite);
    }
};

Window::~Window() = default;

bool Window::displayAvailable() {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name)
        return false;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    XCloseDisplay(display);
    return true;
}

std::unique_ptr<Window> Window::create(const std::string& caption, int width, int height,
                                       std::string* why) {
    const auto fail = [why](const char* reason) {
        if (why)
            *why = reason;
        return std::unique_ptr<Window>();
    };
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name)
        return fail("no display");
    XSetErrorHandler(reportXError);
    std::unique_ptr<Window> self(new Window);
    self->m_native = std::make_unique<Native>();
    Native& n = *self->m_native;
    n.display.reset(XOpenDisplay(nullptr));
    if (!n.display)
        return fail("the display cannot be opened");
    Display* d = n.display.get();
    n.screen = DefaultScreen(d);
    n.visual = DefaultVisual(d, n.screen);
    n.depth = DefaultDepth(d, n.screen);

    int formatCount = 0;
    int bitsPerPixel = 0;
    if (XPixmapFormatValues* formats = XListPixmapFormats(d, &formatCount)) {
        for (int i = 0; i < formatCount; ++i)
            if (formats[i].depth == n.depth)
                bitsPerPixel = formats[i].bits_per_pixel;
        XFree(formats);
    }
    n.directPixels = n.visual->c_class == TrueColor && (n.depth == 24 || n.depth == 32) &&
                     bitsPerPixel == 32 && n.visual->red_mask == 0xFF0000 &&
                     n.visual->green_mask == 0xFF00 && n.visual->blue_mask == 0xFF &&
                     ImageByteOrder(d) == LSBFirst;

    int pipeEnds[2];
    if (pipe2(pipeEnds, O_NONBLOCK | O_CLOEXEC) != 0)
        return fail("no wake-up pipe");
    n.wakeRead = pipeEnds[0];
    n.wakeWrite = pipeEnds[1];

    width = std::max(1, width);
    height = std::max(1, height);
    XSetWindowAttributes attributes{};
    attributes.background_pixmap = None;  // everything is painted; nothing flashes first
    attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            KeyPressMask | KeyReleaseMask | StructureNotifyMask | LeaveWindowMask;
    n.window = XCreateWindow(d, RootWindow(d, n.screen), 0, 0, unsigned(width), unsigned(height), 0,
                             CopyFromParent, InputOutput, CopyFromParent,
                             CWBackPixmap | CWEventMask, &attributes);
    self->m_width = width;
    self->m_height = height;
    n.gc = XCreateGC(d, n.window, 0, nullptr);

    XStoreName(d, n.window, caption.c_str());
    const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    XChangeProperty(d, n.window, XInternAtom(d, "_NET_WM_NAME", False), utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(caption.data()), int(caption.size()));
    XClassHint classHint{};
    std::string className = caption;
    classHint.res_name = className.data();
    classHint.res_class = className.data();
    XSetClassHint(d, n.window, &classHint);

    // The program draws its own frame; a window manager must not add one.
    const long motifHints[5] = {2, 0, 0, 0, 0};
    const Atom motif = XInternAtom(d, "_MOTIF_WM_HINTS", False);
    XChangeProperty(d, n.window, motif, motif, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(motifHints), 5);

    // Lets the desktop (and whoever watches it) tell which process owns the window.
    const long pid = long(getpid());
    XChangeProperty(d, n.window, XInternAtom(d, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);

    n.deleteWindow = XInternAtom(d, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(d, n.window, &n.deleteWindow, 1);

    n.moveResize = XInternAtom(d, "_NET_WM_MOVERESIZE", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, RootWindow(d, n.screen), XInternAtom(d, "_NET_SUPPORTED", False), 0,
                           4096, False, XA_ATOM, &type, &format, &count, &after,
                           &data) == Success &&
        data) {
        const auto* atoms = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; i < count; ++i)
            n.managerMoves = n.managerMoves || atoms[i] == n.moveResize;
        XFree(data);
    }

    // Held keys repeat as presses alone, as a view zooming by key expects.
    Bool supported = False;
    XkbSetDetectableAutoRepeat(d, True, &supported);

    n.cursors[0] = XCreateFontCursor(d, XC_left_ptr);
    n.cursors[1] = XCreateFontCursor(d, XC_fleur);
    n.cursors[2] = XCreateFontCursor(d, XC_watch);
    self->setGeometry(0, 0, width, height);
    return self;
}

int Window::screenWidth() const {
    return DisplayWidth(m_native->display.get(), m_native->screen);
}

int Window::screenHeight() const {
    return DisplayHeight(m_native->display.get(), m_native->screen);
}

unsigned long Window::nativeHandle() const {
    return m_native->window;
}

void Window::show() {
    XMapRaised(m_native->display.get(), m_native->window);
    XFlush(m_native->display.get());
}

void Window::hide() {
    XUnmapWindow(m_native->display.get(), m_native->window);
    XFlush(m_native->display.get());
}

Point Window::position() const {
    Display* d = m_native->display.get();
    int x = 0;
    int y = 0;
    ::Window child = 0;
    XTranslateCoordinates(d, m_native->window, RootWindow(d, m_native->screen), 0, 0, &x, &y,
                          &child);
    return {x, y};
}

void Window::setIcon(const ConstImageView& picture) {
    if (picture.width <= 0 || picture.height <= 0)
        return;
    // Format 32 properties travel as longs on the client side, whatever their width.
    std::vector<long> data;
    data.reserve(2 + std::size_t(picture.width) * std::size_t(picture.height));
    data.push_back(picture.width);
    data.push_back(picture.height);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const std::uint8_t* p = picture.pixel(x, y);
            data.push_back(long(std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 |
                                std::uint32_t(p[1]) << 8 | p[0]));
        }
    Display* d = m_native->display.get();
    XChangeProperty(d, m_native->window, XInternAtom(d, "_NET_WM_ICON", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(data.data()),
                    int(data.size()));
}

void Window::moveTo(int x, int y) {
    XMoveWindow(m_native->display.get(), m_native->window, x, y);
}

void Window::setGeometry(int x, int y, int width, int height) {
    Display* d = m_native->display.get();
    width = std::max(1, width);
    height = std::max(1, height);
    XSizeHints* hints = XAllocSizeHints();
    if (hints) {
        hints->flags = PPosition | USPosition | PMinSize | PMaxSize;
        hints->x = x;
        hints->y = y;
        hints->min_width = hints->max_width = width;
        hints->min_height = hints->max_height = height;
        XSetWMNormalHints(d, m_native->window, hints);
        XFree(hints);
    }
    XMoveResizeWindow(d, m_native->window, x, y, unsigned(width), unsigned(height));
    m_width = width;
    m_height = height;
}

void Window::setShape(const std::vector<Rect>& rects) {
    Display* d = m_native->display.get();
    if (rects.empty()) {
        XShapeCombineMask(d, m_native->window, ShapeBounding, 0, 0, None, ShapeSet);
        return;
    }
    std::vector<XRectangle> xrects;
    xrects.reserve(rects.size());
    for (const Rect& r : rects) {
        if (r.isEmpty())
            continue;
        xrects.push_back({short(r.left), short(r.top), static_cast<unsigned short>(r.width()),
                          static_cast<unsigned short>(r.height())});
    }
    XShapeCombineRectangles(d, m_native->window, ShapeBounding, 0, 0, xrects.data(),
                            int(xrects.size()), ShapeSet, Unsorted);
}

void Window::iconify() {
    XIconifyWindow(m_native->display.get(), m_native->window, m_native->screen);
    XFlush(m_native->display.get());
}

void Window::setCursor(Cursor cursor) {
    XDefineCursor(m_native->display.get(), m_native->window,
                  m_native->cursors[static_cast<int>(cursor)]);
    XFlush(m_native->display.get());
}

void Window::beginMove() {
    Display* d = m_native->display.get();
    // From where the button went down, not where the pointer is now: it may have gone on
    // before the press got here.
    const int rootX = m_press.rootX;
    const int rootY = m_press.rootY;
    const ::Window root = RootWindow(d, m_native->screen);
    if (m_native->managerMoves) {
        // The window manager moves windows best, snapping and all; it takes over the pointer.
        XUngrabPointer(d, CurrentTime);
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = m_native->window;
        event.xclient.message_type = m_native->moveResize;
        event.xclient.format = 32;
        event.xclient.data.l[0] = rootX;
        event.xclient.data.l[1] = rootY;
        event.xclient.data.l[2] = 8;  // move
        event.xclient.data.l[3] = Button1;
        event.xclient.data.l[4] = 1;  // asked for by an application
        XSendEvent(d, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
        XFlush(d);
        return;
    }
    m_moving = true;
    m_grabX = m_press.x;
    m_grabY = m_press.y;
}

void Window::blit(const ConstImageView& image, int x, int y) {
    blit(image, image.bounds(), x, y);
}

void Window::blit(const ConstImageView& image, const Rect& part, int x, int y) {
    // Clip the part to the picture, then to the window.
    Rect source = part.intersected(image.bounds());
    x += source.left - part.left;
    y += source.top - part.top;
    const Rect target =
        Rect::ofSize(x, y, source.width(), source.height()).intersected({0, 0, m_width, m_height});
    if (target.isEmpty())
        return;
    source.left += target.left - x;
    source.top += target.top - y;
    const int w = target.width();
    const int h = target.height();
    Native& n = *m_native;
    Display* d = n.display.get();
    if (n.directPixels) {
        XImage* xi = XCreateImage(
            d, n.visual, unsigned(n.depth), ZPixmap, 0,
            const_cast<char*>(reinterpret_cast<const char*>(image.pixel(source.left, source.top))),
            unsigned(w), unsigned(h), 32, int(image.stride));
        if (!xi)
            return;
        XPutImage(d, n.window, n.gc, xi, 0, 0, target.left, target.top, unsigned(w), unsigned(h));
        xi->data = nullptr;  // the pixels are the caller's
        XDestroyImage(xi);
        return;
    }
    XImage* xi = XCreateImage(d, n.visual, unsigned(n.depth), ZPixmap, 0, nullptr, unsigned(w),
                              unsigned(h), 32, 0);
    if (!xi)
        return;
    xi->data = static_cast<char*>(std::malloc(std::size_t(xi->bytes_per_line) * std::size_t(h)));
    if (!xi->data) {
        XDestroyImage(xi);
        return;
    }
    const Channel red(n.visual->red_mask);
    const Channel green(n.visual->green_mask);
    const Channel blue(n.visual->blue_mask);
    for (int row = 0; row < h; ++row)
        for (int col = 0; col < w; ++col) {
            const std::uint8_t* p = image.pixel(source.left + col, source.top + row);
            XPutPixel(xi, col, row, red.place(p[2]) | green.place(p[1]) | blue.place(p[0]));
        }
    XPutImage(d, n.window, n.gc, xi, 0, 0, target.left, target.top, unsigned(w), unsigned(h));
    XDestroyImage(xi);  // frees the pixels too
}

void Window::invalidate(const Rect& area) {
    m_dirty = m_dirty.united(area.intersected({0, 0, m_width, m_height}));
}

void Window::startTimer(int id, int periodMs) {
    const auto period = std::chrono::milliseconds(std::max(1, periodMs));
    m_timers[id] = {period, std::chrono::steady_clock::now() + period};
}

void Window::killTimer(int id) {
    m_timers.erase(id);
}

void Window::wake() {
    const char byte = 1;
    // A full pipe already holds a wake-up; nothing more is needed.
    [[maybe_unused]] const ssize_t written = write(m_native->wakeWrite, &byte, 1);
}

void Window::flush() {
    XFlush(m_native->display.get());
}

void Window::sync() {
    XSync(m_native->display.get(), False);
}

void Window::paintPending(WindowEvents& events) {
    if (m_dirty.isEmpty() || m_iconified)
        return;
    const Rect area = m_dirty;
    m_dirty = {};
    events.paint(area);
}

void Window::runTimers(WindowEvents& events) {
    const auto now = std::chrono::steady_clock::now();
    std::vector<int> due;
    for (auto& [id, timer] : m_timers)
        if (timer.due <= now)
            due.push_back(id);
    for (int id : due) {
        auto found = m_timers.find(id);
        if (found == m_timers.end())
            continue;  // killed by an earlier tick
        // A late tick is not made up for: the next comes one period from now.
        found->second.due = now + found->second.period;
        events.timer(id);
    }
}

void Window::dispatch(WindowEvents& events) {
    Native& n = *m_native;
    Display* d = n.display.get();
    XEvent event;
    XNextEvent(d, &event);
    switch (event.type) {
        case Expose:
            invalidate(Rect::ofSize(event.xexpose.x, event.xexpose.y, event.xexpose.width,
                                    event.xexpose.height));
            break;
        case ConfigureNotify:
            m_width = event.xconfigure.width;
            m_height = event.xconfigure.height;
            break;
        case UnmapNotify:
            m_iconified = true;
            break;
        case MapNotify:
            if (m_iconified) {
                m_iconified = false;
                events.restored();
            }
            break;
        case ButtonPress:
            m_press = {event.xbutton.x, event.xbutton.y, event.xbutton.x_root,
                       event.xbutton.y_root};
            if (event.xbutton.button == Button1)
                events.buttonDown(event.xbutton.x, event.xbutton.y);
            else if (event.xbutton.button == Button4)
                events.wheel(120);
            else if (event.xbutton.button == Button5)
                events.wheel(-120);
            break;
        case ButtonRelease:
            if (event.xbutton.button == Button1) {
                m_moving = false;
                events.buttonUp(event.xbutton.x, event.xbutton.y);
            }
            break;
        case MotionNotify: {
            // Only the latest position matters, so motions queued right behind this one are
            // skipped; never past another event, or a move made after a press would be seen
            // before the press.
            XEvent next;
            while (XPending(d) > 0) {
                XPeekEvent(d, &next);
                if (next.type != MotionNotify || next.xmotion.window != n.window)
                    break;
                XNextEvent(d, &event);
            }
            if (m_moving) {
                moveTo(event.xmotion.x_root - m_grabX, event.xmotion.y_root - m_grabY);
                break;
            }
            events.mouseMove(event.xmotion.x, event.xmotion.y);
            break;
        }
        case LeaveNotify:
            if (!m_moving && event.xcrossing.mode == NotifyNormal)
                events.mouseLeave();
            break;
        case KeyPress: {
            const Key key = keyOf(XLookupKeysym(&event.xkey, 0));
            const bool repeat = !n.keysDown.insert(event.xkey.keycode).second;
            events.keyDown(key, repeat);
            break;
        }
        case KeyRelease:
            n.keysDown.erase(event.xkey.keycode);
            events.keyUp(keyOf(XLookupKeysym(&event.xkey, 0)));
            break;
        case ClientMessage:
            if (event.xclient.format == 32 && Atom(event.xclient.data.l[0]) == n.deleteWindow)
                events.closeRequested();
            break;
        default:
            break;
    }
}

bool Window::run(WindowEvents& events) {
    Native& n = *m_native;
    Display* d = n.display.get();
    m_quit = false;
    while (!m_quit) {
        while (!m_quit && XPending(d) > 0)
            dispatch(events);
        if (m_quit)
            break;
        runTimers(events);
        paintPending(events);
        XFlush(d);
        if (m_quit || XPending(d) > 0 || !m_dirty.isEmpty())
            continue;
        int timeout = -1;
        if (!m_timers.empty()) {
            auto next = std::chrono::steady_clock::time_point::max();
            for (const auto& [id, timer] : m_timers)
                next = std::min(next, timer.due);
            const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
                next - std::chrono::steady_clock::now());
            timeout = int(std::max<std::int64_t>(0, wait.count()));
        }
        pollfd fds[2] = {{ConnectionNumber(d), POLLIN, 0}, {n.wakeRead, POLLIN, 0}};
        if (poll(fds, 2, timeout) < 0)
            continue;  // a signal; look again
        if (fds[0].revents & (POLLERR | POLLHUP))
            return false;
        if (fds[1].revents & POLLIN) {
            char drain[64];
            while (read(n.wakeRead, drain, sizeof drain) > 0) {
            }
            events.woken();
        }
    }
    return true;
}

}  // namespace orbpix::xwin
