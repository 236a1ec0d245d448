#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "xwin/Geometry.h"
#include "xwin/Window.h"

namespace orbpix::xwin {

// The lines of a message, split at line ends.
std::vector<std::string> messageLines(const std::string& text);

// Draws a message box's face onto a canvas of the box's size: the lines over an OK button.
void drawMessageBox(const ImageView& canvas, const std::vector<std::string>& lines, bool pressed);

// A window of the size the lines need, centred on the screen, not yet shown; nothing
// without a display.
std::unique_ptr<Window> openMessageWindow(const std::string& title,
                                          const std::vector<std::string>& lines);

// The face and input of a message box. OK, Enter, Space, Escape and the window's close all
// dismiss it; what that means is the owner's.
class MessagePanel : public WindowEvents {
public:
    MessagePanel(Window& window, std::vector<std::string> lines, std::function<void()> dismissed);

    void paint(const Rect& area) override;
    void buttonDown(int x, int y) override;
    void buttonUp(int x, int y) override;
    void mouseMove(int, int) override {}
    void wheel(int) override {}
    void keyDown(Key key, bool) override;
    void keyUp(Key) override {}
    void timer(int) override {}
    void closeRequested() override { m_dismissed(); }

private:
    Window& m_window;
    std::vector<std::string> m_lines;
    std::function<void()> m_dismissed;
    std::vector<std::uint8_t> m_pixels;
    bool m_pressed = false;
};

}  // namespace orbpix::xwin
