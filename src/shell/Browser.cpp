#include "shell/Browser.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <mutex>

namespace orbpix {

namespace {

// The desktop's opener picks the user's browser; started on its own, the page stays open
// after the program ends.
bool openWithDesktop(const QString& address) {
    return QProcess::startDetached(QStringLiteral("xdg-open"), {address});
}

std::mutex& openerMutex() {
    static std::mutex mutex;
    return mutex;
}

UrlOpener& installedOpener() {
    static UrlOpener opener;
    return opener;
}

}  // namespace

UrlOpener setUrlOpener(UrlOpener opener) {
    std::lock_guard lock(openerMutex());
    std::swap(installedOpener(), opener);
    return opener;
}

bool openUrl(const QString& address) {
    UrlOpener opener;
    {
        std::lock_guard lock(openerMutex());
        opener = installedOpener();
    }
    return opener ? opener(address) : openWithDesktop(address);
}

QString helpStartPage(const QString& programFolder, const QString& helpFileName) {
    QString name = helpFileName.isEmpty() ? QStringLiteral("OrbHelp.chm") : helpFileName;
    if (name.endsWith(QStringLiteral(".chm"), Qt::CaseInsensitive))
        name = QStringLiteral("Help/index.html");
    const QFileInfo page(name);
    return QDir::cleanPath(page.isAbsolute() ? name : programFolder + QLatin1Char('/') + name);
}

}  // namespace orbpix
