#include "album/AlbumLibrary.h"

#include <time.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "album/FolderAlbum.h"
#include "album/TreeOps.h"
#include "shell/ProgramFolder.h"
#include "shell/RegistryStore.h"

namespace orbpix {

namespace {

using registry::Hive;

const QString kPathValue = QStringLiteral("path");
const QString kNumValue = QStringLiteral("num");

std::uint32_t monotonicMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    // Kept to 32 bits like a tick counter: the value only has to differ between deletions.
    return static_cast<std::uint32_t>(std::uint64_t(now.tv_sec) * 1000u +
                                      std::uint64_t(now.tv_nsec) / 1000000u);
}

bool occupied(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

}  // namespace

LibraryPlaces LibraryPlaces::system() {
    LibraryPlaces places;
    places.documentsFolder = [] {
        return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    };
    places.programFolder = [] { return orbpix::programFolder(); };
    places.nowUtc = [] { return QDateTime::currentDateTimeUtc(); };
    places.tickCount = monotonicMilliseconds;
    return places;
}

AlbumLibrary::AlbumLibrary(LibraryPlaces places) : m_places(std::move(places)) {}

bool AlbumLibrary::configure(const LibraryConfig& config) {
    bool applied = false;
    if (config.size >= LibraryConfig::kFolderNameEnd) {
        m_folderName = config.folderName.value_or(QString::fromLatin1(kDefaultFolderName));
        applied = true;
    }
    if (config.size >= LibraryConfig::kExamplesFolderEnd) {
        m_examplesFolder = config.examplesFolder;
        applied = true;
    }
    if (config.size >= LibraryConfig::kRegistryKeyEnd) {
        m_registryKey = config.registryKey.value_or(QString::fromLatin1(kDefaultRegistryKey));
        applied = true;
    }
    return applied && config.size <= LibraryConfig::kFullSize;
}

bool AlbumLibrary::getRoot(QString& root, RootCreation create) {
    const auto stored = registry::readText(Hive::User, m_registryKey, kPathValue);
    // A relative path would depend on whatever folder the program was started from.
    const bool useStored = stored && !stored->isEmpty() && QDir::isAbsolutePath(*stored);
    QString base;
    if (useStored) {
        root = QDir::cleanPath(*stored);
    } else {
        base = m_places.documentsFolder ? m_places.documentsFolder() : QString();
        if (base.isEmpty() && m_places.programFolder)
            base = m_places.programFolder();
        root = base + QLatin1Char('/') + m_folderName;
    }

    const QFileInfo info(root);
    if (info.exists()) {
        if (!info.isDir())
            return false;
    } else {
        if (create == RootCreation::No)
            return false;
        // A fresh account may not have its documents folder yet; it is the user's own, so it
        // is made rather than letting the library fall back to the (read-only) program folder.
        if (!base.isEmpty() && !QFileInfo(base).exists())
            QDir().mkpath(base);
        if (!QDir().mkdir(root))
            return false;
        // A partly copied set of examples still leaves a usable library.
        if (!m_examplesFolder.isEmpty())
            (void)treeops::copyFolderContent(m_examplesFolder, root);
    }
    // Remembering the root is a convenience; failing to store it loses nothing today. Every
    // album lookup passes here, so an unchanged value is not written again.
    if (stored != root)
        (void)registry::writeText(Hive::User, m_registryKey, kPathValue, root);
    return true;
}

bool AlbumLibrary::setRoot(const QString& path, RootCreation create) {
    const bool stored = registry::writeText(Hive::User, m_registryKey, kPathValue, path);
    if (create == RootCreation::Yes && !QFileInfo(path).isDir())
        return QDir().mkdir(path) && stored;
    return stored;
}

QString AlbumLibrary::rootOrEmpty() {
    QString root;
    return getRoot(root, RootCreation::No) ? root : QString();
}

void AlbumLibrary::listAlbums(const std::function<void(const QString& name)>& visit) {
    const QString root = rootOrEmpty();
    if (root.isEmpty())
        return;
    const QDir dir(root);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Unsorted);
    for (const QFileInfo& entry : entries)
        visit(entry.fileName());
}

QStringList AlbumLibrary::albumNames() {
    QStringList names;
    listAlbums([&names](const QString& name) { names.append(name); });
    return names;
}

bool AlbumLibrary::albumExists(const QString& name) {
    if (!isValidAlbumName(name))
        return false;
    const QString root = rootOrEmpty();
    return !root.isEmpty() && QFileInfo(root + QLatin1Char('/') + name).isDir();
}

std::optional<QString> AlbumLibrary::folderForOpen(const QString& name) {
    if (!isValidAlbumName(name))
        return std::nullopt;
    const QString root = rootOrEmpty();
    if (root.isEmpty())
        return std::nullopt;
    const QString folder = root + QLatin1Char('/') + name;
    if (!QFileInfo(folder).isDir())
        return std::nullopt;
    return folder;
}

std::optional<QString> AlbumLibrary::createAlbumFolder(const QString& name) {
    if (!isValidAlbumName(name))
        return std::nullopt;
    QString root;
    if (!getRoot(root, RootCreation::Yes)) {
        if (root.isEmpty() || !QDir().mkdir(root) || !QFileInfo(root).isDir())
            return std::nullopt;
    }
    const QString folder = root + QLatin1Char('/') + name;
    if (occupied(folder) || !QDir().mkdir(folder))
        return std::nullopt;
    return folder;
}

std::unique_ptr<FolderAlbum> AlbumLibrary::openAlbum(const QString& name) {
    const auto folder = folderForOpen(name);
    if (!folder)
        return nullptr;
    return FolderAlbum::open(folder->toStdString(), /*readOnly=*/false);
}

std::unique_ptr<FolderAlbum> AlbumLibrary::createAlbum(const QString& name, QString* folder) {
    const auto made = createAlbumFolder(name);
    if (!made)
        return nullptr;
    auto album = FolderAlbum::open(made->toStdString(), /*readOnly=*/false);
    if (!album) {
        // The folder was made a moment ago for this album alone; an empty folder left behind
        // would turn up as an album that was never created. rmdir leaves a non-empty one be.
        (void)QDir().rmdir(*made);
        return nullptr;
    }
    if (folder)
        *folder = *made;
    return album;
}

std::unique_ptr<FolderAlbum> AlbumLibrary::newAlbum(NewAlbumRule rule, QString* name) {
    // Whichever of the two callbacks takes a candidate leaves its opened album here, so that
    // the album is not opened a second time.
    std::unique_ptr<FolderAlbum> taken;
    const auto holdsNoItem = [&](const QString& candidate) {
        auto album = openAlbum(candidate);
        if (!album || album->itemCount() != 0)
            return false;
        taken = std::move(album);
        return true;
    };
    const auto create = [&](const QString& candidate) {
        taken = createAlbum(candidate);
        return taken != nullptr;
    };
    const auto choice = chooseNewAlbum(rule, holdsNoItem, create);
    if (!choice || !taken)
        return nullptr;
    if (name)
        *name = choice->name;
    return taken;
}

QString AlbumLibrary::newAlbumCandidate(int n) const {
    return n == 0 ? m_newAlbumNames.first : formatWithInteger(m_newAlbumNames.numbered, n);
}

std::optional<NewAlbumChoice> AlbumLibrary::chooseNewAlbum(
    NewAlbumRule rule, const std::function<bool(const QString& name)>& holdsNoItem,
    const std::function<bool(const QString& name)>& create) {
    for (int n = 0; n < kNewAlbumCandidates; ++n) {
        const QString name = newAlbumCandidate(n);
        if (!isValidAlbumName(name))
            continue;
        if (albumExists(name)) {
            if (rule == NewAlbumRule::ReuseEmpty && holdsNoItem && holdsNoItem(name))
                return NewAlbumChoice{name, false};
            continue;
        }
        const bool made = create ? create(name) : createAlbumFolder(name).has_value();
        if (made)
            return NewAlbumChoice{name, true};
    }
    return std::nullopt;
}

bool AlbumLibrary::deleteAlbum(const QString& name, bool* recycled) {
    if (recycled)
        *recycled = false;
    if (!isValidAlbumName(name))
        return false;
    const QString root = rootOrEmpty();
    if (root.isEmpty())
        return false;
    const QString folder = root + QLatin1Char('/') + name;
    if (!QFileInfo(folder).isDir())
        return false;
    const QString rescue = root + QLatin1Char('/') + nextRescueName(name);

    // The rescue name tells the user in the trash where the folder came from. An existing
    // folder of that name is never replaced; the album then goes to the trash as it is.
    QString doomed = folder;
    if (!occupied(rescue) && QDir().rename(folder, rescue))
        doomed = rescue;
    if (treeops::moveToTrash(doomed)) {
        if (recycled)
            *recycled = true;
        return true;
    }
    return treeops::removeTree(doomed);
}

QString AlbumLibrary::nextRescueName(const QString& albumName) {
    const QString date = rescueDateText(m_places.nowUtc().date());
    const QString key = trashedKey();
    std::uint32_t number = 0;
    if (registry::readText(Hive::Machine, key, QString()) == date)
        number = registry::readNumber(Hive::Machine, key, kNumValue).value_or(0) + 1;
    // Most users cannot write the machine's settings; the tick count then keeps the names of
    // several deletions apart.
    if (!registry::writeText(Hive::Machine, key, QString(), date) ||
        !registry::writeNumber(Hive::Machine, key, kNumValue, number))
        number = m_places.tickCount();
    return rescueName(albumName, date, number);
}

bool AlbumLibrary::isValidAlbumName(const QString& name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

QString AlbumLibrary::rescueDateText(const QDate& date) {
    // Plain ASCII digits: the text becomes part of a folder name.
    return QStringLiteral("%1-%2-%3").arg(date.day()).arg(date.month()).arg(date.year() % 10);
}

QString AlbumLibrary::rescueName(const QString& albumName, const QString& dateText,
                                 std::uint32_t number) {
    QString name =
        QStringLiteral("Rescued from ") + albumName + QStringLiteral(" (deleted ") + dateText;
    if (number != 0)
        name += QLatin1Char('-') + QString::number(number);
    return name + QLatin1Char(')');
}

AlbumLibrary& albumLibrary() {
    static AlbumLibrary library;
    return library;
}

QString formatWithInteger(const QString& format, int number) {
    QString out;
    bool filled = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c != QLatin1Char('%')) {
            out += c;
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == QLatin1Char('%')) {
            out += QLatin1Char('%');
            ++i;
            continue;
        }
        qsizetype j = i + 1;
        const bool zeroPad = j < format.size() && format[j] == QLatin1Char('0');
        if (zeroPad)
            ++j;
        int width = 0;
        while (j < format.size() && format[j].isDigit() && width < 100)
            width = width * 10 + format[j++].digitValue();
        const bool integer =
            j < format.size() && (format[j] == QLatin1Char('d') || format[j] == QLatin1Char('i') ||
                                  format[j] == QLatin1Char('u'));
        if (filled || !integer) {
            out += c;
            continue;
        }
        out += QStringLiteral("%1").arg(number, width, 10,
                                        zeroPad ? QLatin1Char('0') : QLatin1Char(' '));
        filled = true;
        i = j;
    }
    if (!filled)
        out += QLatin1Char(' ') + QString::number(number);
    return out;
}

}  // namespace orbpix
