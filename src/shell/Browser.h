#pragma once

#include <QString>
#include <functional>

namespace orbpix {

// Hands an address (a web address or a file:// one) to the user's browser; false when no
// browser could be started. Tests put a recorder in its place.
using UrlOpener = std::function<bool(const QString& address)>;

// Replaces the opener of this process (an empty one restores the desktop's own) and returns
// the one it replaced.
UrlOpener setUrlOpener(UrlOpener opener);
[[nodiscard]] bool openUrl(const QString& address);

// The help start page for the help file name of the resource library, relative to the
// program folder. Compiled help ("OrbHelp.chm") has no viewer here: its pages are shipped as
// HTML in the program folder's "Help" folder, and "index.html" there stands for it.
QString helpStartPage(const QString& programFolder, const QString& helpFileName);

}  // namespace orbpix
