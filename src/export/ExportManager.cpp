#include "export/ExportManager.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <map>

#include "album/AlbumLibrary.h"
#include "album/FolderAlbum.h"
#include "album/ItemCirclesBatch.h"
#include "shell/ResourceLibrary.h"

namespace orbpix {

namespace {

constexpr int kFileTypeText = 621;
constexpr int kInvalidCirclesText = 630;
constexpr int kNothingExportedText = 631;
constexpr int kLeftOutText = 632;
constexpr int kGeneratorMissingText = 638;
constexpr int kTemporaryAlbums = 4096;

QString text(int id, const char* fallback) {
    return resourceLibrary().text(id, QString::fromUtf8(fallback));
}

bool isPrivateFolder(const QString& path) {
    struct stat info {};
    if (lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == getuid() && (info.st_mode & 077) == 0;
}

}  // namespace

std::vector<ExportPicture> exportPicturesOf(const Album& album) {
    std::vector<ExportPicture> pictures;
    for (std::size_t i = 0; i < album.itemCount(); ++i) {
        ExportPicture p;
        p.path = album.itemPath(i).value_or(std::string());
        p.name = album.itemName(i).value_or(std::string());
        p.circles = album.property(i, kPropertyCircles);
        p.reverse = album.property(i, kPropertyReverse);
        p.colour = album.property(i, kPropertyColourCorrection);
        pictures.push_back(std::move(p));
    }
    return pictures;
}

TourPaths tourPaths(const QString& programFolder, const QString& skin, const QString& workFolder,
                    const QString& destination) {
    const QString skinName = skin.isEmpty() ? QStringLiteral("Default") : skin;
    TourPaths paths;
    paths.skinDescription =
        programFolder + QStringLiteral("/Skins/") + skinName + QStringLiteral("/skin.ski");
    paths.tourAlbum = workFolder + QStringLiteral("/album.orb");
    paths.viewer = programFolder + QStringLiteral("/Export/Local/OrbTour");
    paths.generator = programFolder + QStringLiteral("/Export/Local/Tourgen");
    paths.destination = destination;
    return paths;
}

QStringList generatorArguments(const TourPaths& paths) {
    return {QStringLiteral("/Skin"), paths.skinDescription,  QStringLiteral("/Album"),
            paths.tourAlbum,         QStringLiteral("/Src"), paths.viewer,
            QStringLiteral("/Dst"),  paths.destination};
}

QStringList tourSkinsIn(const QString& programFolder) {
    QStringList skins;
    const QDir folder(programFolder + QStringLiteral("/Skins"));
    for (const QString& name : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (QFileInfo(folder.filePath(name + QStringLiteral("/skin.ski"))).isFile())
            skins << name;
    }
    return skins;
}

QString tourSkinFor(const QString& programFolder, const QString& skin, bool* usable) {
    const QString name = skin.isEmpty() ? QStringLiteral("Default") : skin;
    const bool found = tourSkinsIn(programFolder).contains(name);
    if (usable)
        *usable = found;
    return found ? name : QStringLiteral("Default");
}

std::optional<QString> destinationProblem(const QString& destination) {
    QTemporaryFile probe(QFileInfo(destination).absolutePath() +
                         QStringLiteral("/.orbworks-XXXXXX"));
    if (probe.open())
        return std::nullopt;
    return QStringLiteral("cannot write %1: %2").arg(destination, probe.errorString());
}

QString exportWorkFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString base =
        !runtime.isEmpty() && isPrivateFolder(runtime) ? runtime : QDir::tempPath();
    QByteArray pattern = QFile::encodeName(base + QStringLiteral("/orbworks-export-XXXXXX"));
    if (!::mkdtemp(pattern.data()))
        return {};
    return QFile::decodeName(pattern);
}

QString fillText(const QString& format, const QString& value) {
    const qsizetype at = format.indexOf(QStringLiteral("%s"));
    if (at < 0)
        return format + value;
    QString filled = format;
    return filled.replace(at, 2, value);
}

std::optional<TourInfo> tourInfoOf(const ExportSettings& settings) {
    if (settings.userPrivate != 0)
        return std::nullopt;
    return TourInfo{settings.userName.toStdString(), settings.userAddress.toStdString(),
                    settings.userHomepage.toStdString()};
}

ExportManager::ExportManager(ExportUi& ui, ExportSettings settings, QString programFolder,
                             QObject* parent)
    : QObject(parent),
      m_ui(ui),
      m_settings(std::move(settings)),
      m_programFolder(std::move(programFolder)) {}

ExportManager::~ExportManager() {
    // A generator still running finishes on its own; the tour does not depend on us.
    if (m_generator) {
        m_generator->disconnect();
        if (m_generator->state() != QProcess::NotRunning)
            m_generator->waitForFinished(-1);
    }
    removeWorkFolder();
}

void ExportManager::removeWorkFolder() {
    if (!m_workFolder.isEmpty())
        (void)QDir(m_workFolder).removeRecursively();
}

bool ExportManager::exportLocalTour(const QString& name, const QStringList& files,
                                    AlbumLibrary& library) {
    std::unique_ptr<FolderAlbum> album;
    QString folder;
    for (int n = 0; n < kTemporaryAlbums && !album; ++n) {
        const QString candidate =
            n == 0 ? QStringLiteral("_Album") : QStringLiteral("_Album%1").arg(n);
        album = library.createAlbum(candidate, &folder);
    }
    if (!album)
        return false;
    std::vector<std::size_t> added;
    for (const QString& file : files) {
        std::size_t index = 0;
        if (album->insertCopiedItem(file.toStdString(), album->itemCount(), &index))
            added.push_back(index);
    }
    (void)detectCirclesOfItems(*album, added);
    const bool ok = exportLocalTour(*album, name);
    album.reset();
    // Only the folder made above goes, with the copies in it.
    QDir(folder).removeRecursively();
    return ok;
}

bool ExportManager::exportLocalTour(Album& album, const QString& name) {
    const auto destination =
        m_ui.askTourDestination(name, text(kFileTypeText, "Self-running tour"));
    if (!destination)
        return false;
    if (const auto problem = destinationProblem(*destination)) {
        m_ui.message(*problem, ExportUi::Icon::Exclamation);
        return false;
    }
    if (generatorRunning())
        m_generator->waitForFinished(-1);  // it still reads the last work folder
    removeWorkFolder();
    m_workFolder = exportWorkFolder();
    if (m_workFolder.isEmpty())
        return false;
    // A skin whose folder carries no tour skin would only make Tourgen fail after all the
    // work: the tour takes the default skin instead, and the user hears of it.
    bool usable = false;
    const QString skin = tourSkinFor(m_programFolder, m_settings.skin, &usable);
    if (!usable && !m_settings.skin.isEmpty() && skin != m_settings.skin)
        m_ui.message(QStringLiteral("The skin \"%1\" has no tour skin; the tour uses the "
                                    "default skin.")
                         .arg(m_settings.skin),
                     ExportUi::Icon::Information);
    const TourPaths paths = tourPaths(m_programFolder, skin, m_workFolder, *destination);
    m_ui.showProgress(100 * static_cast<int>(album.itemCount()));
    const bool written = writeTourAlbum(album, name, paths.tourAlbum);
    m_ui.hideProgress();
    if (!written) {
        removeWorkFolder();
        return false;
    }
    if (!startGenerator(paths)) {
        removeWorkFolder();
        m_ui.message(
            fillText(text(kGeneratorMissingText, "The tour generator could not be started:\n%s"),
                     paths.generator),
            ExportUi::Icon::Exclamation);
    }
    return true;
}

bool ExportManager::writeTourAlbum(Album& album, const QString& title, const QString& path) {
    std::vector<std::string> failed;
    PrepareHooks hooks;
    hooks.invalidCircles = [this](const ExportPicture& picture) -> std::optional<RingCircles> {
        const QString question =
            fillText(text(kInvalidCirclesText, "The picture \"%s\" has no valid circles."),
                     QString::fromStdString(picture.name));
        if (!m_ui.askOkCancel(question))
            return std::nullopt;
        return m_ui.editCircles(picture);
    };
    // Each picture left out before writing is listed with its reason.
    std::map<std::string, std::string> reasons;
    hooks.leftOut = [&reasons](const ExportPicture& picture, const std::string& reason) {
        reasons.emplace(picture.name, reason);
    };
    const std::vector<ExportPicture> pictures = exportPicturesOf(album);
    const std::vector<PreparedPicture> prepared = preparePictures(pictures, hooks, failed);

    TourWriteOptions options;
    options.title = title.toStdString();
    options.info = tourInfoOf(m_settings);
    options.height = tourPanoramaHeight(m_settings.compressionLocal);
    options.threads = m_threads;
    // Pictures left out before writing still count on the bar, so that it ends full.
    const int skipped = static_cast<int>(pictures.size() - prepared.size());
    WriteObserver observer;
    observer.picture = [this](const std::string& name) {
        m_ui.progressPicture(QString::fromStdString(name));
    };
    observer.position = [this, skipped](int position) {
        m_ui.progressPosition(100 * skipped + position);
    };
    observer.cancelled = [this] { return m_ui.progressCancelled(); };
    observer.idle = [this] { m_ui.processEvents(); };
    TourWriteResult result = exportTourAlbumFile(path.toStdString(), options, prepared, observer);
    failed.insert(failed.end(), result.failed.begin(), result.failed.end());

    switch (result.status) {
        case TourWriteStatus::Cancelled:
        case TourWriteStatus::FileError:
            return false;
        case TourWriteStatus::NothingWritten:
            m_ui.message(text(kNothingExportedText, "None of the pictures could be exported."),
                         ExportUi::Icon::Exclamation);
            return false;
        case TourWriteStatus::Written:
            break;
    }
    if (!failed.empty()) {
        QString names;
        for (const std::string& name : failed) {
            names += QStringLiteral("\n   ") + QString::fromStdString(name);
            if (const auto reason = reasons.find(name); reason != reasons.end())
                names += QStringLiteral(" (%1)").arg(QString::fromStdString(reason->second));
        }
        m_ui.message(fillText(text(kLeftOutText, "These pictures were left out:%s"), names),
                     ExportUi::Icon::Information);
    }
    return true;
}

bool ExportManager::generatorRunning() const {
    return m_generator && m_generator->state() != QProcess::NotRunning;
}

bool ExportManager::startGenerator(const TourPaths& paths) {
    if (generatorRunning())
        m_generator->waitForFinished(-1);
    m_generator = std::make_unique<QProcess>();
    QProcess* process = m_generator.get();
    process->setProgram(paths.generator);
    process->setArguments(generatorArguments(paths));
    process->setProcessChannelMode(QProcess::SeparateChannels);
    QObject::connect(process, &QProcess::finished, this,
                     [this, process](int exitCode, QProcess::ExitStatus status) {
                         const QString message =
                             QString::fromLocal8Bit(process->readAllStandardError()).trimmed();
                         generatorEnded(status == QProcess::NormalExit && exitCode == 0, message);
                     });
    process->start();
    if (!process->waitForStarted(-1)) {
        m_generator.reset();
        return false;
    }
    return true;
}

void ExportManager::generatorEnded(bool ok, const QString& message) {
    removeWorkFolder();
    if (!ok)
        m_ui.message(message.isEmpty() ? QStringLiteral("Error in Generation") : message,
                     ExportUi::Icon::Exclamation);
    if (m_generatorFinished)
        m_generatorFinished(ok, message);
}

}  // namespace orbpix
