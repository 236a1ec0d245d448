#include "menuext/Handover.h"

#include <QDir>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace orbpix::menu {

namespace {

constexpr CommandInfo kCommands[3] = {
    {Command::Email, "email", "OrbEmail", "E-mail ORB Album"},
    {Command::Html, "html", "OrbHTML", "Save ORB Album as a web page"},
    {Command::Local, "local", "OrbLocal", "Save ORB Album on a local drive"},
};

constexpr const char* kPatterns[] = {"*.bmp",  "*.cmp",  "*.jpg", "*.jpeg", "*.jfif",
                                     "*.tif",  "*.tiff", "*.tga", "*.png",  "*.eps",
                                     "*.pict", "*.pct",  "*.fpx", "*.pcd"};

QString systemText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// A folder another user could have made or could write into is no place for the file.
bool privateFolder(const QByteArray& path, QString* why) {
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0) {
        *why = systemText(errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode))
        *why = QStringLiteral("not a folder");
    else if (st.st_uid != ::getuid())
        *why = QStringLiteral("owned by another user");
    else if ((st.st_mode & 077) != 0)
        *why = QStringLiteral("open to other users");
    else
        return true;
    return false;
}

}  // namespace

const CommandInfo (&commands())[3] {
    return kCommands;
}

std::optional<Command> commandForWord(const QString& word) {
    for (const CommandInfo& info : kCommands)
        if (word == QLatin1String(info.word))
            return info.command;
    return std::nullopt;
}

const CommandInfo& infoFor(Command command) {
    return kCommands[static_cast<int>(command)];
}

QStringList picturePatterns() {
    QStringList patterns;
    for (const char* pattern : kPatterns)
        patterns.append(QLatin1String(pattern));
    return patterns;
}

bool isPicture(const QString& path) {
    const QString suffix = QFileInfo(path).suffix();
    if (suffix.isEmpty())
        return false;
    for (const char* pattern : kPatterns)
        if (suffix.compare(QLatin1String(pattern + 2), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool canHandOver(const QString& path) {
    return !path.isEmpty() && !path.contains(QLatin1Char('"')) &&
           !path.contains(QLatin1Char('\n')) && !path.contains(QLatin1Char('\r'));
}

QByteArray argumentLine(Command command, const QStringList& files) {
    QByteArray line = QByteArray("-") + infoFor(command).flag;
    for (const QString& file : files)
        line += " \"" + file.toUtf8() + '"';
    return line;
}

FolderResult argumentFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    QString why;
    if (QDir::isAbsolutePath(runtime) && privateFolder(QFile::encodeName(runtime), &why))
        return {QDir::cleanPath(runtime), {}};
    const QString fallback = QStringLiteral("/tmp/orbmenu-%1").arg(::getuid());
    const QByteArray native = QFile::encodeName(fallback);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return {{}, fallback + QStringLiteral(": ") + systemText(errno)};
    if (!privateFolder(native, &why))
        return {{}, fallback + QStringLiteral(": ") + why};
    return {fallback, {}};
}

QString writeArgumentFile(const QString& folder, const QByteArray& line) {
    const QString path = folder + QLatin1Char('/') + QLatin1String(kArgumentFileName);
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return path + QStringLiteral(": ") + systemText(errno);
    struct stat st {};
    QString error;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = path + QStringLiteral(": not a plain file");
    } else {
        qsizetype done = 0;
        while (done < line.size()) {
            const ssize_t n = ::write(fd, line.constData() + done, line.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                error = path + QStringLiteral(": ") + systemText(errno);
                break;
            }
            done += n;
        }
    }
    if (::close(fd) != 0 && error.isEmpty())
        error = path + QStringLiteral(": ") + systemText(errno);
    return error;
}

}  // namespace orbpix::menu
