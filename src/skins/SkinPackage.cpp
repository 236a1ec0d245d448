#include "skins/SkinPackage.h"

#include <zip.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <array>
#include <memory>

namespace orbpix {

namespace {

struct ArchiveCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct EntryCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};

QString normalisedEntryName(const QString& name) {
    QString n = name;
    n.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return n;
}

}  // namespace

bool isSafeEntryName(const QString& name) {
    const QString n = normalisedEntryName(name);
    if (n.isEmpty() || n.startsWith(QLatin1Char('/')) || n.contains(QChar(0)))
        return false;
    // "C:" at the start is an absolute name to the archiver that wrote it.
    if (n.size() >= 2 && n[1] == QLatin1Char(':'))
        return false;
    for (const QString& part : n.split(QLatin1Char('/')))
        if (part == QLatin1String(".."))
            return false;
    return true;
}

QString skinNameOfPackage(const QString& packagePath) {
    const QString fileName = QFileInfo(packagePath).fileName();
    const QString name = fileName.size() <= 4 ? fileName : fileName.left(fileName.size() - 4);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return {};
    return name;
}

int extractZipArchive(const QString& archivePath, const QString& targetFolder,
                      const ZipErrorReport& report) {
    const auto fail = [&report](ZipError code, const QString& message) {
        if (report)
            report(code, message);
    };
    int errorCode = 0;
    std::unique_ptr<zip_t, ArchiveCloser> archive(
        zip_open(QFile::encodeName(archivePath).constData(), ZIP_RDONLY, &errorCode));
    if (!archive) {
        zip_error_t error;
        zip_error_init_with_code(&error, errorCode);
        fail(ZipError::ArchiveUnreadable,
             QStringLiteral("%1: %2").arg(archivePath,
                                          QString::fromUtf8(zip_error_strerror(&error))));
        zip_error_fini(&error);
        return -1;
    }
    // Joined by hand: QDir::absoluteFilePath passes a name starting with ':' (a resource path
    // to Qt) through unchanged, and the folders made for it would land in the current folder.
    const QString target = QDir(targetFolder).absolutePath() + QLatin1Char('/');
    int written = 0;
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* rawName = zip_get_name(archive.get(), zip_uint64_t(i), ZIP_FL_ENC_GUESS);
        if (!rawName) {
            fail(ZipError::EntryUnreadable, QStringLiteral("entry %1 has no name").arg(i));
            continue;
        }
        const QString name = QString::fromUtf8(rawName);
        if (!isSafeEntryName(name)) {
            fail(ZipError::UnsafeEntry,
                 QStringLiteral("%1: the entry would be written outside the skin folder and "
                                "was left out")
                     .arg(name));
            continue;
        }
        const QString relative = normalisedEntryName(name);
        const QString path = target + relative;
        if (relative.endsWith(QLatin1Char('/'))) {
            if (!QDir().mkpath(path))
                fail(ZipError::FileUnwritable,
                     QStringLiteral("%1: cannot create the folder").arg(name));
            continue;
        }
        if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
            fail(ZipError::FileUnwritable,
                 QStringLiteral("%1: cannot create the folder").arg(name));
            continue;
        }
        std::unique_ptr<zip_file_t, EntryCloser> entry(
            zip_fopen_index(archive.get(), zip_uint64_t(i), 0));
        if (!entry) {
            fail(
                ZipError::EntryUnreadable,
                QStringLiteral("%1: %2").arg(name, QString::fromUtf8(zip_strerror(archive.get()))));
            continue;
        }
        // Replaced, not written through: whatever stood there (a link included) goes first.
        QFile::remove(path);
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly)) {
            fail(ZipError::FileUnwritable, QStringLiteral("%1: %2").arg(name, out.errorString()));
            continue;
        }
        std::array<char, 64 * 1024> buffer;
        bool ok = true;
        for (;;) {
            const zip_int64_t n = zip_fread(entry.get(), buffer.data(), buffer.size());
            if (n < 0) {
                fail(ZipError::EntryUnreadable,
                     QStringLiteral("%1: %2").arg(
                         name, QString::fromUtf8(zip_file_strerror(entry.get()))));
                ok = false;
                break;
            }
            if (n == 0)
                break;
            if (out.write(buffer.data(), n) != n) {
                fail(ZipError::FileUnwritable,
                     QStringLiteral("%1: %2").arg(name, out.errorString()));
                ok = false;
                break;
            }
        }
        out.close();
        if (ok)
            ++written;
        else
            QFile::remove(path);
    }
    return written;
}

}  // namespace orbpix
