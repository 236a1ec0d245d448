#include "export/ExportManager.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <map>

#include "album/AlbumLibrary.h"
#include "album/FolderAlbum.h"
#include "album/ItemCirclesBatch.h"
#include "export/MailSender.h"
#include "export/WebPage.h"
#include "shell/ResourceLibrary.h"

namespace orbpix {

namespace {

constexpr int kFileTypeText = 621;
constexpr int kPageFolderText = 622;
constexpr int kPageNotOpenedText = 626;
constexpr int kNoMailText = 627;
constexpr int kMailRefusedText = 628;
constexpr int kMailNoteText = 629;
constexpr int kReplaceFolderText = 634;
constexpr int kPageFileText = 635;
constexpr int kTourAlbumFileText = 636;
constexpr int kInvalidCirclesText = 630;
constexpr int kNothingExportedText = 631;
constexpr int kLeftOutText = 632;
constexpr int kDamagedText = 890;
constexpr int kGeneratorMissingText = 638;
constexpr int kTemporaryAlbums = 4096;

QString text(int id, const char* fallback) {
    return resourceLibrary().text(id, QString::fromUtf8(fallback));
}

// Deletes a folder with everything in it, write-protected entries included.
bool removeFolder(const QString& path) {
    QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString entry = it.next();
        const QFileInfo info(entry);
        if (!info.isSymLink())
            QFile::setPermissions(entry,
                                  info.permissions() | QFile::WriteOwner |
                                      (info.isDir() ? QFile::ExeOwner : QFile::Permissions()));
    }
    QFile::setPermissions(path, QFileInfo(path).permissions() | QFile::WriteOwner);
    return QDir(path).removeRecursively();
}

// Deletes the files of a sent message and then their folder, once empty.
void deleteSentFiles(const QStringList& files, const QString& folder) {
    for (const QString& file : files)
        QFile::remove(file);
    if (!folder.isEmpty())
        QDir().rmdir(folder);
}

bool isPrivateFolder(const QString& path) {
    struct stat info {};
    if (lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == getuid() && (info.st_mode & 077) == 0;
}

}  // namespace

QString pageFileName() {
    return text(kPageFileText, "index.html");
}

QString tourAlbumFileName() {
    return text(kTourAlbumFileText, "album.orb");
}

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

namespace {

QString workFolderBase() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && isPrivateFolder(runtime) ? runtime : QDir::tempPath();
}

QString makeWorkFolder(const QString& prefix) {
    QByteArray pattern =
        QFile::encodeName(workFolderBase() + QLatin1Char('/') + prefix + QStringLiteral("XXXXXX"));
    if (!::mkdtemp(pattern.data()))
        return {};
    return QFile::decodeName(pattern);
}

constexpr const char* kMailFolderPrefix = "orbworks-mail-";

}  // namespace

QString exportWorkFolder() {
    return makeWorkFolder(QStringLiteral("orbworks-export-"));
}

int sweepSentMail(const QDateTime& before) {
    int removed = 0;
    const QDir base(workFolderBase());
    const QStringList names = base.entryList({QLatin1String(kMailFolderPrefix) + QLatin1Char('*')},
                                             QDir::Dirs | QDir::Hidden);
    for (const QString& name : names) {
        const QString path = base.filePath(name);
        // Only our own private folders: the shared temporary folder may hold anyone's.
        if (isPrivateFolder(path) && QFileInfo(path).lastModified() < before && removeFolder(path))
            ++removed;
    }
    return removed;
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

bool ExportManager::withTemporaryAlbum(const QStringList& files, AlbumLibrary& library,
                                       const std::function<bool(Album&)>& run) {
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
    const bool ok = run(*album);
    album.reset();
    // Only the folder made above goes, with the copies in it.
    QDir(folder).removeRecursively();
    return ok;
}

bool ExportManager::exportLocalTour(const QString& name, const QStringList& files,
                                    AlbumLibrary& library) {
    return withTemporaryAlbum(files, library,
                              [&](Album& album) { return exportLocalTour(album, name); });
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
    const bool written = writeTourAlbum(album, name, paths.tourAlbum,
                                        tourPanoramaHeight(m_settings.compressionLocal));
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

bool ExportManager::exportWebPage(const QString& name, const QStringList& files,
                                  AlbumLibrary& library) {
    return withTemporaryAlbum(files, library,
                              [&](Album& album) { return exportWebPage(album, name); });
}

bool ExportManager::exportWebPage(Album& album, const QString& name) {
    const auto chosen =
        m_ui.askPageFolder(text(kPageFolderText, "Choose the folder for the web page"));
    if (!chosen)
        return false;
    const QString folder = QDir(*chosen).filePath(name);
    if (QFileInfo::exists(folder) || QFileInfo(folder).isSymLink()) {
        if (!m_ui.askOkCancel(fillText(text(kReplaceFolderText, "Replace %s?"), folder)))
            return false;
        // A link in the folder's place is replaced, not the folder it points to.
        if (QFileInfo(folder).isSymLink() ? !QFile::remove(folder) : !removeFolder(folder)) {
            m_ui.message(QStringLiteral("The folder %1 could not be removed.").arg(folder),
                         ExportUi::Icon::Exclamation);
            return false;
        }
    }
    if (!QDir().mkpath(folder)) {
        m_ui.message(QStringLiteral("The folder %1 could not be made.").arg(folder),
                     ExportUi::Icon::Exclamation);
        return false;
    }
    if (!writeWebPage(album, name, folder))
        return false;
    const QString page = QDir(folder).filePath(pageFileName());
    if (!m_ui.openPage(page))
        m_ui.message(fillText(text(kPageNotOpenedText, "The page %s could not be opened."), page),
                     ExportUi::Icon::Exclamation);
    return true;
}

bool ExportManager::writeWebPage(Album& album, const QString& name, const QString& outputFolder,
                                 QStringList* generated) {
    QStringList files;
    const bool ok = writePublication(album, name, outputFolder, &files);
    if (generated)
        *generated = files;
    return ok;
}

bool ExportManager::writePublication(Album& album, const QString& name, const QString& folder,
                                     QStringList* files) {
    const QString albumPath = QDir(folder).filePath(tourAlbumFileName());
    std::vector<std::string> failed;
    m_ui.showProgress(100 * static_cast<int>(album.itemCount()));
    const bool written = writeTourAlbum(album, name, albumPath,
                                        tourPanoramaHeight(m_settings.compressionHtml), &failed);
    m_ui.hideProgress();
    if (!written) {
        QFile::remove(albumPath);
        return false;
    }
    std::vector<std::string> names;
    for (const ExportPicture& picture : exportPicturesOf(album))
        names.push_back(picture.name);
    PageTags tags;
    if (m_settings.userPrivate == 0) {
        tags.authorName = m_settings.userName;
        tags.authorAddress = m_settings.userAddress;
        tags.authorHomepage = m_settings.userHomepage;
    }
    tags.albumName = name;
    tags.pictureList = pagePictureList(names, failed);
    tags.pageBase = pageBaseName(pageFileName());
    const GeneratedPages pages =
        writePageFiles(pageTemplateFolders(m_programFolder, m_settings.skin), folder,
                       pageFileName(), tags, albumPath);
    *files = pages.files;
    if (!pages.ok)
        m_ui.message(
            QStringLiteral("Some files of the web page could not be written in %1.").arg(folder),
            ExportUi::Icon::Exclamation);
    return pages.ok;
}

bool ExportManager::exportEmail(const QString& name, const QStringList& files,
                                AlbumLibrary& library) {
    return withTemporaryAlbum(files, library, [&](Album& album) {
        return exportEmail(album, name, /*asynchronous=*/false);
    });
}

bool ExportManager::exportEmail(Album& album, const QString& name, bool asynchronous) {
    if (!MailProvider::acquire()) {
        m_ui.message(text(kNoMailText, "No e-mail program was found."),
                     ExportUi::Icon::Exclamation);
        return false;
    }
    // A mail program may read the attachments only when the message is finally sent, long
    // after the mail command has returned; the files of a message it took therefore stay
    // for a day, and the next message clears those of earlier ones.
    sweepSentMail(QDateTime::currentDateTime().addDays(-1));
    // Each message gets a folder of its own, while the next export may already be writing.
    const QString folder = makeWorkFolder(QLatin1String(kMailFolderPrefix));
    QStringList files;
    bool ok = !folder.isEmpty() && writePublication(album, name, folder, &files);
    if (ok) {
        MailMessage message;
        message.subject = QStringLiteral(" ");
        message.note = text(kMailNoteText, "");
        message.attachments = files;
        MailCompletion completion;
        if (asynchronous)
            completion = [folder](int result, const QStringList& sent) {
                if (result != 0)
                    deleteSentFiles(sent, folder);
            };
        ok = sendMail(message, completion);
        if (!ok)
            m_ui.message(text(kMailRefusedText, "The message could not be sent."),
                         ExportUi::Icon::Exclamation);
        // A thread that was started deletes the files itself if the mail program refuses.
        if (ok) {
            MailProvider::release();
            return true;
        }
    }
    // Nothing is left behind: neither the page's files nor the tour album file.
    if (!folder.isEmpty())
        removeFolder(folder);
    MailProvider::release();
    return ok;
}

bool ExportManager::writeTourAlbum(Album& album, const QString& title, const QString& path,
                                   int height, std::vector<std::string>* failedNames) {
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
    // Damaged pictures stay in, but the user should know why parts of them are grey.
    QString damaged;
    hooks.damaged = [&damaged](const ExportPicture& picture, const std::string&) {
        damaged += QStringLiteral("\n   ") + QString::fromStdString(picture.name);
    };
    const std::vector<ExportPicture> pictures = exportPicturesOf(album);
    const std::vector<PreparedPicture> prepared = preparePictures(pictures, hooks, failed);

    TourWriteOptions options;
    options.title = title.toStdString();
    options.info = tourInfoOf(m_settings);
    options.height = height;
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
    if (failedNames)
        *failedNames = failed;

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
    if (!damaged.isEmpty())
        m_ui.message(fillText(text(kDamagedText, "These pictures are damaged:%s"), damaged),
                     ExportUi::Icon::Information);
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
