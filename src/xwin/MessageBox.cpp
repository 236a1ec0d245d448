#include "xwin/MessageBox.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "xwin/MessageWindow.h"
#include "xwin/Text.h"

namespace orbpix::xwin {

namespace {

constexpr int kTextHeight = 16;
constexpr int kLineHeight = 20;
constexpr int kMargin = 20;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 26;

Rect okButton(int width, std::size_t lineCount) {
    const int buttonTop = kMargin + int(lineCount) * kLineHeight + kMargin / 2;
    return Rect::ofSize((width - kButtonWidth) / 2, buttonTop, kButtonWidth, kButtonHeight);
}

void fill(const ImageView& canvas, const Rect& area, Rgb colour) {
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

}  // namespace

std::vector<std::string> messageLines(const std::string& text) {
    std::vector<std::string> lines(1);
    for (char c : text) {
        if (c == '\n')
            lines.emplace_back();
        else if (c != '\r')
            lines.back() += c;
    }
    return lines;
}

void drawMessageBox(const ImageView& canvas, const std::vector<std::string>& lines, bool pressed) {
    fill(canvas, canvas.bounds(), {236, 236, 236});
    const Font* font = Font::boldSans();
    for (std::size_t i = 0; font && i < lines.size(); ++i)
        font->draw(canvas, canvas.bounds(), kMargin, kMargin + int(i) * kLineHeight,
                   decodeUtf8(lines[i]), kTextHeight, {0, 0, 0});
    const Rect button = okButton(canvas.width, lines.size());
    fill(canvas, button, {90, 90, 90});
    fill(canvas, {button.left + 1, button.top + 1, button.right - 1, button.bottom - 1},
         pressed ? Rgb{200, 200, 200} : Rgb{250, 250, 250});
    if (font) {
        const std::u32string ok = U"OK";
        const int w = font->width(ok, kTextHeight);
        font->draw(canvas, button, button.left + (button.width() - w) / 2,
                   button.top + (button.height() - kTextHeight) / 2, ok, kTextHeight, {0, 0, 0});
    }
}

std::unique_ptr<Window> openMessageWindow(const std::string& title,
                                          const std::vector<std::string>& lines) {
    int textWidth = 0;
    if (const Font* font = Font::boldSans())
        for (const std::string& line : lines)
            textWidth = std::max(textWidth, font->width(decodeUtf8(line), kTextHeight));
    const int width = std::clamp(textWidth + 2 * kMargin, 240, 1000);
    const int height =
        kMargin + int(lines.size()) * kLineHeight + kMargin / 2 + kButtonHeight + kMargin;
    auto window = Window::create(title, width, height);
    if (window)
        window->setGeometry((window->screenWidth() - width) / 2,
                            (window->screenHeight() - height) / 2, width, height);
    return window;
}

MessagePanel::MessagePanel(Window& window, std::vector<std::string> lines,
                           std::function<void()> dismissed)
    : m_window(window),
      m_lines(std::move(lines)),
      m_dismissed(std::move(dismissed)),
      m_pixels(std::size_t(window.width()) * std::size_t(window.height()) * 4) {}

void MessagePanel::paint(const Rect& area) {
    const ImageView canvas{m_pixels.data(), m_window.width(), m_window.height(),
                           std::size_t(m_window.width()) * 4};
    drawMessageBox(canvas, m_lines, m_pressed);
    m_window.blit(canvas, area, area.left, area.top);
}

void MessagePanel::buttonDown(int x, int y) {
    const Rect button = okButton(m_window.width(), m_lines.size());
    m_pressed = button.contains(x, y);
    m_window.invalidate(button);
}

void MessagePanel::buttonUp(int x, int y) {
    const Rect button = okButton(m_window.width(), m_lines.size());
    const bool hit = m_pressed && button.contains(x, y);
    m_pressed = false;
    m_window.invalidate(button);
    if (hit)
        m_dismissed();
}

void MessagePanel::keyDown(Key key, bool) {
    if (key == Key::Enter || key == Key::Space || key == Key::Escape)
        m_dismissed();
}

void showMessageBox(const std::string& title, const std::string& message) {
    std::string oneLine = message;
    std::replace(oneLine.begin(), oneLine.end(), '\n', ' ');
    std::fprintf(stderr, "%s\n", oneLine.c_str());
    std::fflush(stderr);

    const std::vector<std::string> lines = messageLines(message);
    auto window = openMessageWindow(title, lines);
    if (!window)
        return;
    MessagePanel box(*window, lines, [&window] { window->quit(); });
    window->show();
    window->invalidateAll();
    (void)window->run(box);
}

}  // namespace orbpix::xwin
