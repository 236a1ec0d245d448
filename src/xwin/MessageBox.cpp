#include "xwin/MessageBox.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "xwin/Text.h"
#include "xwin/Window.h"

namespace orbpix::xwin {

namespace {

constexpr int kTextHeight = 16;
constexpr int kLineHeight = 20;
constexpr int kMargin = 20;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 26;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines(1);
    for (char c : text) {
        if (c == '\n')
            lines.emplace_back();
        else if (c != '\r')
            lines.back() += c;
    }
    return lines;
}

class MessageWindow final : public WindowEvents {
public:
    MessageWindow(Window& window, std::vector<std::string> lines)
        : m_window(window),
          m_lines(std::move(lines)),
          m_pixels(std::size_t(window.width()) * std::size_t(window.height()) * 4) {
        const int buttonTop = kMargin + int(m_lines.size()) * kLineHeight + kMargin / 2;
        m_button = Rect::ofSize((window.width() - kButtonWidth) / 2, buttonTop, kButtonWidth,
                                kButtonHeight);
    }

    void paint(const Rect& area) override {
        const ImageView canvas{m_pixels.data(), m_window.width(), m_window.height(),
                               std::size_t(m_window.width()) * 4};
        fill(canvas, canvas.bounds(), {236, 236, 236});
        const Font* font = Font::boldSans();
        for (std::size_t i = 0; font && i < m_lines.size(); ++i)
            font->draw(canvas, canvas.bounds(), kMargin, kMargin + int(i) * kLineHeight,
                       decodeUtf8(m_lines[i]), kTextHeight, {0, 0, 0});
        fill(canvas, m_button, {90, 90, 90});
        fill(canvas, {m_button.left + 1, m_button.top + 1, m_button.right - 1, m_button.bottom - 1},
             m_pressed ? Rgb{200, 200, 200} : Rgb{250, 250, 250});
        if (font) {
            const std::u32string ok = U"OK";
            const int w = font->width(ok, kTextHeight);
            font->draw(canvas, m_button, m_button.left + (m_button.width() - w) / 2,
                       m_button.top + (m_button.height() - kTextHeight) / 2, ok, kTextHeight,
                       {0, 0, 0});
        }
        m_window.blit(canvas, area, area.left, area.top);
    }
    void buttonDown(int x, int y) override {
        m_pressed = m_button.contains(x, y);
        m_window.invalidate(m_button);
    }
    void buttonUp(int x, int y) override {
        if (m_pressed && m_button.contains(x, y))
            m_window.quit();
        m_pressed = false;
        m_window.invalidate(m_button);
    }
    void mouseMove(int, int) override {}
    void wheel(int) override {}
    void keyDown(Key key, bool) override {
        if (key == Key::Enter || key == Key::Space || key == Key::Escape)
            m_window.quit();
    }
    void keyUp(Key) override {}
    void timer(int) override {}
    void closeRequested() override { m_window.quit(); }

private:
    static void fill(const ImageView& canvas, const Rect& area, Rgb colour) {
        const Rect r = area.intersected(canvas.bounds());
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) {
                std::uint8_t* p = canvas.pixel(x, y);
                p[0] = colour.blue;
                p[1] = colour.green;
                p[2] = colour.red;
                p[3] = 255;
            }
    }

    Window& m_window;
    std::vector<std::string> m_lines;
    std::vector<std::uint8_t> m_pixels;
    Rect m_button;
    bool m_pressed = false;
};

}  // namespace

void showMessageBox(const std::string& title, const std::string& message) {
    std::string oneLine = message;
    std::replace(oneLine.begin(), oneLine.end(), '\n', ' ');
    std::fprintf(stderr, "%s\n", oneLine.c_str());
    std::fflush(stderr);

    const std::vector<std::string> lines = linesOf(message);
    int textWidth = 0;
    if (const Font* font = Font::boldSans())
        for (const std::string& line : lines)
            textWidth = std::max(textWidth, font->width(decodeUtf8(line), kTextHeight));
    const int width = std::clamp(textWidth + 2 * kMargin, 240, 1000);
    const int height =
        kMargin + int(lines.size()) * kLineHeight + kMargin / 2 + kButtonHeight + kMargin;
    auto window = Window::create(title, width, height);
    if (!window)
        return;
    window->setGeometry((window->screenWidth() - width) / 2, (window->screenHeight() - height) / 2,
                        width, height);
    MessageWindow box(*window, lines);
    window->show();
    window->invalidateAll();
    (void)window->run(box);
}

}  // namespace orbpix::xwin
