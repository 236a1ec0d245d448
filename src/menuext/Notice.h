#pragma once

#include <QString>

namespace orbpix::menu {

// Tells the user about a failure where it can be seen when a file manager started the
// program: always on standard error, then as a desktop notification, or in a small dialog
// when no notification could be sent and a display is there. ORBMENU_NOTICE_TIMEOUT_MS closes
// the dialog by itself after that many milliseconds.
void showNotice(int argc, char** argv, const QString& text);

}  // namespace orbpix::menu
