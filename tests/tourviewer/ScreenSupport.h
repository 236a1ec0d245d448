#pragma once

// Running real tours on an X display (Xvfb in the tests) and watching them from outside:
// finding their windows, reading the screen and sending input through the XTEST extension.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/shape.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/Files.h"
#include "support/WaitUntil.h"

extern char** environ;

namespace orbpix::test {

using Clock = std::chrono::steady_clock;

// Runs a program with its standard error in a file; ended (killed) with the object.
class RunningProgram {
public:
    RunningProgram(const std::string& program, const std::string& errFile,
                   const std::vector<std::string>& extraEnv = {}, const std::string& folder = {},
                   const std::vector<std::string>& args = {})
        : m_errFile(errFile) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        if (!folder.empty())
            posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
        // The extra settings replace those of the same name.
        std::vector<std::string> env = extraEnv;
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            bool replaced = false;
            for (const std::string& extra : extraEnv)
                replaced = replaced || entry.substr(0, entry.find('=') + 1) ==
                                           extra.substr(0, extra.find('=') + 1);
            if (!replaced)
                env.push_back(entry);
        }
        std::vector<char*> envp;
        for (std::string& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        std::vector<std::string> words{program};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        m_started = Clock::now();
        if (posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;
    ~RunningProgram() {
        if (m_pid > 0 && !m_status) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }
    bool started() const { return m_pid > 0; }
    pid_t pid() const { return m_pid; }
    Clock::time_point startTime() const { return m_started; }
    std::string errors() const { return readFile(m_errFile); }
    // The exit status once the program ended within the time, else nothing.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout) {
        waitUntil(
            [&] {
                int status = 0;
                if (!m_status && waitpid(m_pid, &status, WNOHANG) == m_pid)
                    m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                return m_status.has_value();
            },
            timeout);
        return m_status;
    }

private:
    pid_t m_pid = -1;
    std::string m_errFile;
    std::optional<int> m_status;
    Clock::time_point m_started;
};

// Number of "frame" lines a tour traced so far.
inline int framesIn(const std::string& errors) {
    int count = 0;
    std::istringstream lines(errors);
    for (std::string line; std::getline(lines, line);)
        count += line.rfind("orbtour: frame ", 0) == 0 ? 1 : 0;
    return count;
}

// Whether a tour traced a paint of at least the area from (0, 0) to (right, bottom).
inline bool paintedIn(const std::string& errors, int right, int bottom) {
    std::istringstream lines(errors);
    for (std::string line; std::getline(lines, line);) {
        int l = 0, t = 0, r = 0, b = 0;
        if (std::sscanf(line.c_str(), "orbtour: paint %d %d %d %d", &l, &t, &r, &b) == 4 &&
            l <= 0 && t <= 0 && r >= right && b >= bottom)
            return true;
    }
    return false;
}

// One connection to the display, for looking at it and for sending input.
class Screen {
public:
    Screen() : m_display(XOpenDisplay(nullptr)) {}
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;
    ~Screen() {
        if (m_display)
            XCloseDisplay(m_display);
    }
    bool isOpen() const { return m_display != nullptr; }
    Display* display() const { return m_display; }
    int width() const { return DisplayWidth(m_display, DefaultScreen(m_display)); }
    int height() const { return DisplayHeight(m_display, DefaultScreen(m_display)); }

    // The process that owns a window, as the window says; 0 when it does not say.
    long ownerOf(Window window) const {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        long pid = 0;
        if (XGetWindowProperty(m_display, window, XInternAtom(m_display, "_NET_WM_PID", False), 0,
                               1, False, XA_CARDINAL, &type, &format, &count, &after,
                               &data) == Success &&
            data) {
            if (count == 1)
                pid = *reinterpret_cast<const long*>(data);
            XFree(data);
        }
        return pid;
    }

    // A viewable top-level window of that name (and of that process, unless owner is 0).
    Window findWindow(const std::string& name, long owner = 0) const {
        Window root = DefaultRootWindow(m_display);
        Window parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        Window found = 0;
        if (!XQueryTree(m_display, root, &root, &parent, &children, &count))
            return 0;
        for (unsigned i = 0; i < count && !found; ++i) {
            char* title = nullptr;
            XWindowAttributes attributes;
            if (XFetchName(m_display, children[i], &title) && title) {
                if (name == title && XGetWindowAttributes(m_display, children[i], &attributes) &&
                    attributes.map_state == IsViewable &&
                    (owner == 0 || ownerOf(children[i]) == owner))
                    found = children[i];
                XFree(title);
            }
        }
        if (children)
            XFree(children);
        return found;
    }
    Window waitForWindow(const std::string& name, long owner,
                         std::chrono::milliseconds timeout) const {
        Window found = 0;
        waitUntil([&] { return (found = findWindow(name, owner)) != 0; }, timeout);
        return found;
    }
    bool isViewable(Window window) const {
        XWindowAttributes attributes{};
        return XGetWindowAttributes(m_display, window, &attributes) &&
               attributes.map_state == IsViewable;
    }
    // A 32-bit property of the window as the client sees it (longs); empty when missing.
    std::vector<long> cardinals(Window window, const char* name) const {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        std::vector<long> values;
        if (XGetWindowProperty(m_display, window, XInternAtom(m_display, name, False), 0, 1 << 24,
                               False, XA_CARDINAL, &type, &format, &count, &after,
                               &data) == Success &&
            data) {
            if (format == 32)
                values.assign(reinterpret_cast<const long*>(data),
                              reinterpret_cast<const long*>(data) + count);
            XFree(data);
        }
        return values;
    }
    // Position and size of a top-level window on the screen.
    XWindowAttributes geometry(Window window) const {
        XWindowAttributes attributes{};
        XGetWindowAttributes(m_display, window, &attributes);
        return attributes;
    }

    // The screen's pixels in the area, 3 bytes each (red, green, blue), rows top first.
    struct Shot {
        int width = 0;
        int height = 0;
        std::vector<std::uint8_t> rgb;
        const std::uint8_t* at(int x, int y) const {
            return &rgb[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3];
        }
    };
    Shot capture(int x, int y, int width, int height) const {
        Shot shot;
        XImage* image = XGetImage(m_display, DefaultRootWindow(m_display), x, y, unsigned(width),
                                  unsigned(height), AllPlanes, ZPixmap);
        if (!image)
            return shot;
        shot.width = width;
        shot.height = height;
        shot.rgb.resize(std::size_t(width) * std::size_t(height) * 3);
        for (int j = 0; j < height; ++j)
            for (int i = 0; i < width; ++i) {
                const unsigned long p = XGetPixel(image, i, j);
                std::uint8_t* to =
                    &shot.rgb[(std::size_t(j) * std::size_t(width) + std::size_t(i)) * 3];
                to[0] = std::uint8_t(p >> 16);
                to[1] = std::uint8_t(p >> 8);
                to[2] = std::uint8_t(p);
            }
        XDestroyImage(image);
        return shot;
    }

    void moveTo(int x, int y) const {
        XTestFakeMotionEvent(m_display, -1, x, y, CurrentTime);
        XSync(m_display, False);
    }
    void button(bool down) const {
        XTestFakeButtonEvent(m_display, 1, down ? True : False, CurrentTime);
        XSync(m_display, False);
    }
    // The server handles each event before the next (each is synced), so the press lands
    // where the pointer went.
    void click(int x, int y) const {
        moveTo(x, y);
        button(true);
        button(false);
    }
    void key(KeySym sym) const {
        const KeyCode code = XKeysymToKeycode(m_display, sym);
        XTestFakeKeyEvent(m_display, code, True, CurrentTime);
        XTestFakeKeyEvent(m_display, code, False, CurrentTime);
        XSync(m_display, False);
    }

private:
    Display* m_display;
};

}  // namespace orbpix::test
