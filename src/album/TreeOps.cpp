#include "album/TreeOps.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace orbpix::treeops {

namespace {

constexpr QDir::Filters kEverything =
    QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System;

bool exists(const QFileInfo& info) {
    // A dangling link does not "exist" to QFileInfo, but still occupies its name.
    return info.exists() || info.isSymLink();
}

QString dataHome() {
    const QString data = qEnvironmentVariable("XDG_DATA_HOME");
    return QDir::isAbsolutePath(data) ? data : QDir::homePath() + QStringLiteral("/.local/share");
}

// The user's trash must exist before Qt is asked to use it: when Qt cannot set it up, it
// falls back to a trash below the current working directory and still reports success.
bool ensureHomeTrash() {
    const QString trash = dataHome() + QStringLiteral("/Trash");
    if (!QFileInfo(trash).exists() && QDir().mkpath(trash))
        QFile::setPermissions(
            trash, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    for (const char* sub : {"/files", "/info"}) {
        if (!QDir().mkpath(trash + QLatin1String(sub)))
            return false;
    }
    return QFileInfo(trash + QStringLiteral("/files")).isWritable() &&
           QFileInfo(trash + QStringLiteral("/info")).isWritable();
}

bool makeWritable(const QString& path) {
    const QFileInfo info(path);
    if (info.isSymLink() || info.isWritable())
        return true;
    return QFile::setPermissions(path, info.permissions() | QFileDevice::WriteOwner);
}

}  // namespace

bool copyTree(const QString& source, const QString& target) {
    const QFileInfo from(source);
    if (from.isSymLink() && from.isDir())
        return true;  // not followed: see the header
    if (from.isDir()) {
        const QFileInfo to(target);
        if (exists(to) && (!to.isDir() || to.isSymLink()) && !removeTree(target))
            return false;
        if (!QFileInfo(target).isDir() && !QDir().mkdir(target))
            return false;
        return copyFolderContent(source, target);
    }
    if (!from.isFile())
        return false;
    if (exists(QFileInfo(target)) && !removeTree(target))
        return false;
    return QFile::copy(source, target);
}

bool copyFolderContent(const QString& sourceFolder, const QString& targetFolder) {
    bool ok = true;
    const QDir dir(sourceFolder);
    if (!dir.exists())
        return false;
    // Copying a folder into itself (or below itself) would never end.
    const QString from = QFileInfo(sourceFolder).canonicalFilePath();
    const QString to = QFileInfo(targetFolder).canonicalFilePath();
    if (to == from || to.startsWith(from + QLatin1Char('/')))
        return false;
    for (const QFileInfo& entry : dir.entryInfoList(kEverything, QDir::Unsorted))
        ok = copyTree(entry.filePath(), targetFolder + QLatin1Char('/') + entry.fileName()) && ok;
    return ok;
}

bool removeTree(const QString& path) {
    const QFileInfo info(path);
    if (!exists(info))
        return true;
    if (info.isDir() && !info.isSymLink()) {
        // Entries of a folder can only be removed when the folder itself is writable.
        makeWritable(path);
        const QDir dir(path);
        for (const QFileInfo& entry : dir.entryInfoList(kEverything, QDir::Unsorted)) {
            if (entry.isDir() && !entry.isSymLink()) {
                (void)removeTree(entry.filePath());
            } else {
                makeWritable(entry.filePath());
                QFile::remove(entry.filePath());
            }
        }
        QDir().rmdir(path);
    } else {
        makeWritable(path);
        QFile::remove(path);
    }
    return !exists(QFileInfo(path));
}

bool moveToTrash(const QString& path) {
    if (!ensureHomeTrash())
        return false;
    QString inTrash;
    if (!QFile::moveToTrash(path, &inTrash))
        return false;
    if (QDir::isAbsolutePath(inTrash))
        return true;
    // Qt put it into a stray trash below the working directory: take it back.
    const QString stray = QDir::current().absoluteFilePath(inTrash);
    if (QFile::rename(stray, path) || QDir().rename(stray, path)) {
        const QFileInfo strayInfo(stray);
        QFile::remove(strayInfo.absolutePath() + QStringLiteral("/../info/") +
                      strayInfo.fileName() + QStringLiteral(".trashinfo"));
    }
    return false;
}

}  // namespace orbpix::treeops
