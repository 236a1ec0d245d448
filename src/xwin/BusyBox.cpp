#include "xwin/BusyBox.h"

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>

#include "xwin/MessageBox.h"
#include "xwin/MessageWindow.h"

namespace orbpix::xwin {

namespace {

// What the work thread tells the window thread, and the answer it waits for. The window is
// opened while the work already runs: a slow display holds back nothing but the messages.
struct Exchange {
    std::mutex lock;
    std::condition_variable answered;
    Window* window = nullptr;
    // The window is there, or will never be: messages go to standard error alone.
    bool windowUp = false;
    bool windowGone = false;
    std::optional<std::string> message;
    bool done = false;

    // On the work thread: shows the message and waits until the user closed it.
    void report(const std::string& text) {
        std::unique_lock hold(lock);
        answered.wait(hold, [&] { return windowUp || windowGone; });
        if (!windowGone) {
            message = text;
            window->wake();
            answered.wait(hold, [&] { return !message || windowGone; });
            if (!message)
                return;
            message.reset();
        }
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    void finish() {
        std::lock_guard hold(lock);
        done = true;
        if (windowUp)
            window->wake();
    }
    void give(std::unique_ptr<Window>& opened) {
        std::lock_guard hold(lock);
        window = opened.get();
        windowUp = window != nullptr;
        windowGone = !windowUp;
        answered.notify_all();
    }
    bool isDone() {
        std::lock_guard hold(lock);
        return done;
    }
    void lose() {
        std::lock_guard hold(lock);
        windowGone = true;
        answered.notify_all();
    }
};

// The busy box's face and the window thread's side of the exchange: messages replace the
// box, the end of the work closes it.
class BusyPanel final : public MessagePanel {
public:
    BusyPanel(Window& window, const std::string& title, const std::string& text, Exchange& exchange)
        : MessagePanel(window, messageLines(text), [&window] { window.hide(); }),
          m_window(window),
          m_title(title),
          m_exchange(exchange) {}

    void woken() override {
        std::unique_lock lock(m_exchange.lock);
        if (m_exchange.message) {
            const std::string message = *m_exchange.message;
            lock.unlock();
            m_window.hide();
            showMessageBox(m_title, message);
            lock.lock();
            m_exchange.message.reset();
            m_exchange.answered.notify_all();
        }
        if (m_exchange.done)
            m_window.quit();
    }

private:
    Window& m_window;
    std::string m_title;
    Exchange& m_exchange;
};

}  // namespace

int runWithBusyBox(const std::string& title, const std::string& text,
                   const std::function<int(const MessageSink& report)>& work) {
    Exchange exchange;
    int result = 0;
    std::thread worker([&] {
        result = work([&exchange](const std::string& message) { exchange.report(message); });
        exchange.finish();
    });
    auto window = openMessageWindow(title, messageLines(text));
    exchange.give(window);
    // Work that ended before the window was there needs no box.
    if (window && !exchange.isDone()) {
        BusyPanel panel(*window, title, text, exchange);
        window->show();
        window->invalidateAll();
        if (!window->run(panel))
            exchange.lose();
    }
    worker.join();
    return result;
}

}  // namespace orbpix::xwin
