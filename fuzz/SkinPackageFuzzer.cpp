// Installs arbitrary bytes as a skin package: extracts them as a zip archive into an empty
// folder, which is removed afterwards. Nothing may appear beside that folder, whatever the
// entries are called; no more files may appear in it than were reported written; every
// failure must carry a known code and a message.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "skins/SkinPackage.h"

namespace {

// The scratch folder of this process: the package and the folder it is extracted to. In
// memory where there is a memory file system: every input writes and removes files.
QString scratchTemplate() {
    const QString memory = QStringLiteral("/dev/shm");
    const QFileInfo info(memory);
    const QString parent = info.isDir() && info.isWritable() ? memory : QDir::tempPath();
    return parent + QStringLiteral("/orbpix-skin-package-fuzzer-XXXXXX");
}

const QDir& scratch() {
    static const QTemporaryDir folder(scratchTemplate());
    static const QDir dir(folder.path());
    // Working in it: whatever lands in the current folder counts as beside the skin folder.
    // (So libFuzzer must be given its corpus folders as full paths.)
    static const bool entered = folder.isValid() && QDir::setCurrent(folder.path());
    if (!entered)
        std::abort();
    return dir;
}

int filesBelow(const QString& folder) {
    int files = 0;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        if (info.isSymLink())
            std::abort();
        if (!info.isDir())
            ++files;
    }
    return files;
}

void report(orbpix::ZipError code, const QString& message) {
    if (code == orbpix::ZipError::None || int(code) > int(orbpix::ZipError::FileUnwritable) ||
        message.isEmpty())
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QDir& root = scratch();
    const QString package = root.filePath(QStringLiteral("package.zip"));
    const QString skin = root.filePath(QStringLiteral("skin"));
    QFile file(package);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        std::abort();
    file.close();
    if (!root.mkpath(skin))
        std::abort();

    const int written = orbpix::extractZipArchive(package, skin, report);
    const QStringList beside =
        root.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    if (beside != QStringList{QStringLiteral("package.zip"), QStringLiteral("skin")})
        std::abort();
    if (written < -1 || filesBelow(skin) > std::max(written, 0))
        std::abort();
    if (!QDir(skin).removeRecursively())
        std::abort();
    return 0;
}
