#include "skins/FileTypeRegistration.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

namespace orbpix {

namespace {

QString xmlEscaped(const QString& text) {
    return text.toHtmlEscaped();
}

// True when the file now holds the content; written through a temporary file so that a
// reader never sees half of it.
bool writeIfChanged(const QString& path, const QByteArray& content, bool* changed) {
    *changed = false;
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == content)
        return true;
    existing.close();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        return false;
    *changed = true;
    return true;
}

void refreshInBackground(const QString& tool, const QString& folder) {
    const QString program = QStandardPaths::findExecutable(tool);
    if (!program.isEmpty())
        QProcess::startDetached(program, {folder});
}

}  // namespace

QString userDataFolder() {
    const QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (!data.isEmpty() && QDir::isAbsolutePath(data))
        return data;
    return QDir::homePath() + QStringLiteral("/.local/share");
}

QString skinMimeXml(const QString& extension) {
    QString glob = extension;
    if (glob.startsWith(QLatin1Char('.')))
        glob.remove(0, 1);
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
               "  <mime-type type=\"%1\">\n"
               "    <comment>OrbPix skin installation file</comment>\n"
               "    <sub-class-of type=\"application/zip\"/>\n"
               "    <glob pattern=\"*.%2\"/>\n"
               "  </mime-type>\n"
               "</mime-info>\n")
        .arg(QLatin1String(kSkinMimeType), xmlEscaped(glob));
}

QString desktopExecArgument(const QString& path) {
    QString quoted;
    for (const QChar c : path) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted.replace(QLatin1Char('%'), QStringLiteral("%%"));
    // The desktop entry format itself reads a backslash as an escape before the Exec rules
    // see it, so each one is doubled once more.
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString skinDesktopEntry(const QString& programPath) {
    return QStringLiteral(
               "[Desktop Entry]\n"
               "Type=Application\n"
               "Name=Install OrbPix skin\n"
               "Comment=OrbPix skin installation file\n"
               "Exec=%1 -OrbSkin %f\n"
               "MimeType=%2;\n"
               "NoDisplay=true\n"
               "Terminal=false\n"
               "Actions=install;\n"
               "\n"
               "[Desktop Action install]\n"
               "Name=Install\n"
               "Exec=%1 -OrbSkin %f\n")
        .arg(desktopExecArgument(programPath), QLatin1String(kSkinMimeType));
}

bool writeSkinFileType(const QString& programPath, const QString& extension) {
    const QString data = userDataFolder();
    bool mimeChanged = false;
    bool desktopChanged = false;
    const bool mimeOk =
        writeIfChanged(data + QStringLiteral("/mime/packages/") + QLatin1String(kSkinMimeFile),
                       skinMimeXml(extension).toUtf8(), &mimeChanged);
    const bool desktopOk =
        writeIfChanged(data + QStringLiteral("/applications/") + QLatin1String(kSkinDesktopFile),
                       skinDesktopEntry(programPath).toUtf8(), &desktopChanged);
    if (mimeChanged)
        refreshInBackground(QStringLiteral("update-mime-database"), data + QStringLiteral("/mime"));
    if (desktopChanged)
        refreshInBackground(QStringLiteral("update-desktop-database"),
                            data + QStringLiteral("/applications"));
    return mimeOk && desktopOk;
}

}  // namespace orbpix
