#pragma once

#include <string>

namespace orbpix::xwin {

// Shows a fixed message in a small box with an OK button and waits until the user closes it
// (OK, Enter, Space, Escape or the window's close). The message always goes to standard
// error as well, one line; without a display that is all that happens.
void showMessageBox(const std::string& title, const std::string& message);

}  // namespace orbpix::xwin
