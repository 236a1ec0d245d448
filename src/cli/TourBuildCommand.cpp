#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "album/AlbumItem.h"
#include "album/AlbumLibrary.h"
#include "album/FolderAlbum.h"
#include "cli/Arguments.h"
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "cli/TourCommands.h"
#include "export/ExportManager.h"
#include "export/TourAlbumExport.h"
#include "export/WebPage.h"
#include "imaging/JpegWriter.h"
#include "shell/ProgramFolder.h"
#include "shell/ResourceLibrary.h"
#include "shell/Settings.h"

namespace orbpix::cli {

namespace {

constexpr const char* kTourBuildHelp =
    "Usage: orbpix tour build -o TOUR [--album NAME | IMAGE...] [--skin NAME] [--title TEXT]\n"
    "                         [--compression N] [--private] [--strict] [--keep-orb PATH]\n"
    "                         [--reverse IMAGE]...\n"
    "\n"
    "Publishes an album of the library, or the pictures named, as a self-running tour: every\n"
    "picture is unwrapped to 4H x H (H from the compression figure), colour-corrected and\n"
    "written as JPEG into a tour album file, which Tourgen appends with the skin to a copy\n"
    "of the tour viewer. Pictures without circles get detected ones; pictures that cannot\n"
    "be read, are too large, or whose ring is missing, too small or does not fit are left\n"
    "out and listed with the reason. A damaged picture (part of its data missing) is named\n"
    "in a warning and kept, or left out with --strict.\n"
    "\n"
    "  -o TOUR          the tour program to write\n"
    "  --album NAME     an album of the library (its name is the default title)\n"
    "  --skin NAME      the tour skin from the program's Skins folder (default: the\n"
    "                   \"Skin\" setting, else Default)\n"
    "  --title TEXT     the album title shown by the tour (default: the album's name, or Tour)\n"
    "  --compression N  the quality figure (default: the \"CompressionLocal\" setting, 400)\n"
    "  --private        leave the author's name, address and home page out\n"
    "  --strict         leave damaged pictures out\n"
    "  --reverse IMAGE  the picture (one of the IMAGEs) was taken with the lens mounted upside\n"
    "                   down; give it once for each such picture. An album's pictures carry\n"
    "                   their own mark: orbpix album reverse\n"
    "  --keep-orb PATH  keep a copy of the tour album file\n"
    "  --threads N      pictures unwrapped at the same time (default: one per processor)\n"
    "\n"
    "Exit status: 0 tour written, 1 bad arguments, 2 nothing could be read, 4 the tour could\n"
    "not be made (Tourgen's message is printed), 5 no such album.\n";

constexpr const char* kWebBuildHelp =
    "Usage: orbpix web build -o FOLDER [--album NAME | IMAGE...] [--skin NAME] [--title TEXT]\n"
    "                        [--compression N] [--private] [--strict] [--reverse IMAGE]...\n"
    "\n"
    "Publishes an album of the library, or the pictures named, as a web page: FOLDER (new or\n"
    "empty) receives the tour album file, a script carrying the same bytes for pages opened\n"
    "straight from disk, and the pages and files of the templates: the common ones of the\n"
    "program's Export/Html folder, then the skin's Html folder, whose files win. Open\n"
    "FOLDER/index.html in any current browser, from disk or from a web server.\n"
    "Pictures are prepared as for 'orbpix tour build'.\n"
    "\n"
    "  -o FOLDER        the folder to fill; it must not exist or be empty\n"
    "  --album NAME     an album of the library (its name is the default title)\n"
    "  --skin NAME      the skin whose page templates are used (default: the \"Skin\"\n"
    "                   setting, else Default)\n"
    "  --title TEXT     the album title of the page (default: the album's name, or Tour)\n"
    "  --compression N  the quality figure (default: the \"CompressionHtml\" setting, 100)\n"
    "  --private        leave the author's name, address and home page out\n"
    "  --strict         leave damaged pictures out\n"
    "  --reverse IMAGE  the picture (one of the IMAGEs) was taken with the lens upside down\n"
    "  --threads N      pictures unwrapped at the same time (default: one per processor)\n"
    "\n"
    "Exit status: 0 page written, 1 bad arguments, 2 nothing could be read, 4 the page could\n"
    "not be written, 5 no such album.\n";

// What is built: a tour program or a web page folder.
enum class Publication { Tour, Web };

const char* commandName(Publication kind) {
    return kind == Publication::Tour ? "tour build" : "web build";
}

int buildFailure(std::ostream& err, Publication kind, int status, const std::string& message) {
    err << "orbpix " << commandName(kind) << ": " << message << "\n";
    return status;
}

// What "orbpix tour build" was asked to do.
struct TourBuildOptions {
    Publication kind = Publication::Tour;
    bool help = false;
    std::string output;
    std::optional<std::string> albumName;
    std::vector<std::string> pictures;  // picture files, when no album is named
    std::optional<std::string> skin;
    std::optional<std::string> title;
    std::optional<std::uint32_t> compressionLocal;  // the setting's figure when not given
    bool userPrivate = false;
    std::optional<std::string> keepTourAlbum;  // where to keep a copy of the tour album file
    int threads = 0;
    bool strict = false;                // damaged pictures are left out
    std::vector<std::string> reversed;  // pictures taken with the lens upside down
};

std::optional<TourBuildOptions> parseTourBuildOptions(const std::vector<std::string>& args,
                                                      Publication kind, std::string& error) {
    OptionSet known{{"output", "album", "skin", "title", "compression", "threads", "reverse"},
                    {"private", "strict", "help"},
                    {{'o', "output"}, {'h', "help"}}};
    if (kind == Publication::Tour)
        known.valued.insert("keep-orb");
    const auto parsed = parseArguments(args, known, error);
    if (!parsed)
        return std::nullopt;
    TourBuildOptions options;
    options.kind = kind;
    options.help = parsed->has("help");
    if (options.help)
        return options;
    const auto fail = [&](const char* message) {
        error = message;
        return std::nullopt;
    };
    const auto output = parsed->option("output");
    if (!output || output->empty())
        return fail(kind == Publication::Tour ? "-o TOUR is required" : "-o FOLDER is required");
    options.output = *output;
    options.albumName = parsed->option("album");
    options.pictures = parsed->positionals;
    if (options.albumName && !options.pictures.empty())
        return fail("give either --album or pictures, not both");
    if (!options.albumName && options.pictures.empty())
        return fail("no pictures: give --album NAME or IMAGE files");
    options.reversed = parsed->values("reverse");
    if (options.albumName && !options.reversed.empty())
        return fail(
            "--reverse marks pictures named here; an album's pictures carry their own "
            "mark (orbpix album reverse)");
    for (const std::string& picture : options.reversed) {
        if (std::find(options.pictures.begin(), options.pictures.end(), picture) ==
            options.pictures.end()) {
            error = "--reverse " + picture + " names no picture of the tour";
            return std::nullopt;
        }
    }
    options.userPrivate = parsed->has("private");
    options.strict = parsed->has("strict");
    options.skin = parsed->option("skin");
    options.title = parsed->option("title");
    options.keepTourAlbum = parsed->option("keep-orb");
    if (const auto figure = parsed->option("compression")) {
        // The figure is the one of the publication's own setting.
        const auto number = parsePositiveInt(*figure);
        if (!number)
            return fail("--compression takes a positive whole number");
        options.compressionLocal = std::uint32_t(*number);
    }
    if (const auto count = parsed->option("threads")) {
        const auto number = parsePositiveInt(*count);
        if (!number)
            return fail("--threads takes a positive whole number");
        options.threads = *number;
    }
    return options;
}

// The user's export settings as the options change them.
ExportSettings exportSettingsFor(const TourBuildOptions& options) {
    AppSettings settings;
    loadSettings(settings);
    ExportSettings exportSettings{settings.userName,         settings.userAddress,
                                  settings.userHomepage,     settings.userPrivate,
                                  settings.compressionLocal, settings.skin};
    if (options.userPrivate)
        exportSettings.userPrivate = 1;
    if (options.skin)
        exportSettings.skin = QString::fromStdString(*options.skin);
    exportSettings.compressionHtml = settings.compressionHtml;
    if (options.compressionLocal) {
        exportSettings.compressionLocal = *options.compressionLocal;
        exportSettings.compressionHtml = *options.compressionLocal;
    }
    return exportSettings;
}

// The pictures of the named album, or the files named; their title too. An exit status on
// failure.
int collectPictures(const TourBuildOptions& options, std::vector<ExportPicture>& pictures,
                    std::string& title, std::ostream& err) {
    title = "Tour";
    if (options.albumName) {
        AlbumLibrary& library = preparedLibrary();
        const QString name = QString::fromStdString(*options.albumName);
        auto album = AlbumLibrary::isValidAlbumName(name) ? library.openAlbum(name) : nullptr;
        if (!album)
            return buildFailure(err, options.kind, kExitNoAlbum,
                                "there is no album \"" + *options.albumName + "\"");
        pictures = exportPicturesOf(*album);
        title = *options.albumName;
    } else {
        for (const std::string& path : options.pictures) {
            const QFileInfo file(QString::fromStdString(path));
            ExportPicture picture;
            picture.path = file.absoluteFilePath().toStdString();
            picture.name = file.fileName().toStdString();
            const auto& reversed = options.reversed;
            if (std::find(reversed.begin(), reversed.end(), path) != reversed.end())
                picture.reverse = reversePropertyText(true);
            pictures.push_back(std::move(picture));
        }
    }
    if (options.title)
        title = *options.title;
    return kExitOk;
}

// Writes the tour album file and keeps a copy where asked; an exit status.
int writeTourAlbum(const TourBuildOptions& options, const TourWriteOptions& writeOptions,
                   const std::vector<PreparedPicture>& prepared, const QString& path,
                   std::ostream& err) {
    const TourWriteResult result = exportTourAlbumFile(path.toStdString(), writeOptions, prepared);
    for (const std::string& name : result.failed)
        err << "orbpix " << commandName(options.kind) << ": left out " << name
            << " (it could not be unwrapped)\n";
    if (result.status == TourWriteStatus::NothingWritten)
        return buildFailure(err, options.kind, kExitUnreadable,
                            "none of the pictures could be exported");
    if (result.status != TourWriteStatus::Written)
        return buildFailure(err, options.kind, kExitFailed, "cannot write " + str(path));
    if (options.keepTourAlbum) {
        const QString copy = QString::fromStdString(*options.keepTourAlbum);
        QFile::remove(copy);
        if (!QFile::copy(path, copy))
            return buildFailure(err, options.kind, kExitFailed,
                                "cannot write " + *options.keepTourAlbum);
    }
    return kExitOk;
}

int runGenerator(const TourPaths& paths, std::ostream& out, std::ostream& err) {
    QProcess generator;
    generator.setProgram(paths.generator);
    // Nobody is there to close a message box: Tourgen's messages come back on its standard
    // error and are printed here.
    generator.setArguments(generatorArguments(paths) << QStringLiteral("-Console"));
    generator.start();
    if (!generator.waitForStarted(-1))
        return buildFailure(err, Publication::Tour, kExitFailed,
                            "cannot start " + str(paths.generator));
    generator.waitForFinished(-1);
    const QString message = QString::fromLocal8Bit(generator.readAllStandardError()).trimmed();
    if (generator.exitStatus() != QProcess::NormalExit || generator.exitCode() != 0)
        return buildFailure(err, Publication::Tour, kExitFailed,
                            message.isEmpty() ? std::string("Tourgen failed") : str(message));
    out << str(paths.destination) << '\n';
    return kExitOk;
}

std::vector<PreparedPicture> prepare(const TourBuildOptions& options,
                                     const std::vector<ExportPicture>& pictures,
                                     std::vector<std::string>& failed, std::ostream& err) {
    PrepareHooks hooks;
    hooks.strict = options.strict;
    const std::string prefix = std::string("orbpix ") + commandName(options.kind) + ": ";
    hooks.leftOut = [&](const ExportPicture& picture, const std::string& reason) {
        err << prefix << "left out " << picture.name << " (" << reason << ")\n";
    };
    hooks.damaged = [&](const ExportPicture& picture, const std::string& reason) {
        if (!options.strict)
            err << prefix << "warning: " << picture.path << " is " << reason << "\n";
    };
    return preparePictures(pictures, hooks, failed);
}

int buildTour(const TourBuildOptions& options, std::ostream& out, std::ostream& err) {
    const ExportSettings settings = exportSettingsFor(options);
    const int panoramaHeight = tourPanoramaHeight(settings.compressionLocal);
    if (panoramaHeight <= 0 || panoramaHeight > kMaxJpegSide / 4)
        return usageError(err, "tour build", "--compression gives no usable picture size");

    // A skin asked for by name must be there; one that only the settings name falls back
    // to the default, as the album program does. Either way before anything is written.
    bool usable = false;
    const QString skin = tourSkinFor(programFolder(), settings.skin, &usable);
    const QStringList installed = tourSkinsIn(programFolder());
    if (!usable && (options.skin || !installed.contains(skin)))
        return buildFailure(err, options.kind, kExitFailed,
                            "no skin named " + str(settings.skin.isEmpty() ? skin : settings.skin) +
                                " (installed: " + str(installed.join(QStringLiteral(", "))) + ")");
    if (!usable)
        err << "orbpix tour build: the skin " << str(settings.skin)
            << " has no tour skin; using Default\n";

    // The destination's folder must take a file before the long work starts, and the user
    // learns which file could not be written and why.
    const QString destination =
        QFileInfo(QString::fromStdString(options.output)).absoluteFilePath();
    if (const auto problem = destinationProblem(destination))
        return buildFailure(err, options.kind, kExitFailed, str(*problem));

    std::vector<ExportPicture> pictures;
    TourWriteOptions writeOptions;
    if (const int status = collectPictures(options, pictures, writeOptions.title, err);
        status != kExitOk)
        return status;
    std::vector<std::string> failed;
    const std::vector<PreparedPicture> prepared = prepare(options, pictures, failed, err);

    QTemporaryDir work(QDir::tempPath() + QStringLiteral("/orbpix-tour-XXXXXX"));
    if (!work.isValid())
        return buildFailure(err, options.kind, kExitFailed,
                            "no temporary folder for the tour album file");
    const TourPaths paths = tourPaths(programFolder(), skin, work.path(), destination);
    writeOptions.info = tourInfoOf(settings);
    writeOptions.height = panoramaHeight;
    writeOptions.threads = options.threads;
    if (const int status = writeTourAlbum(options, writeOptions, prepared, paths.tourAlbum, err);
        status != kExitOk)
        return status;
    return runGenerator(paths, out, err);
}

// Makes the output folder of a web page: a new one, or an empty one that is there.
bool prepareOutputFolder(const QString& folder, std::string& problem) {
    const QFileInfo info(folder);
    if (info.exists() || info.isSymLink()) {
        if (!info.isDir()) {
            problem = str(folder) + " exists and is not a folder";
            return false;
        }
        if (!QDir(folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot)) {
            problem = str(folder) + " is not empty; give a new or an empty folder";
            return false;
        }
        return true;
    }
    if (!QDir().mkpath(folder)) {
        problem = "cannot make the folder " + str(folder);
        return false;
    }
    return true;
}

int buildWeb(const TourBuildOptions& options, std::ostream& out, std::ostream& err) {
    const ExportSettings settings = exportSettingsFor(options);
    const int panoramaHeight = tourPanoramaHeight(settings.compressionHtml);
    if (panoramaHeight <= 0 || panoramaHeight > kMaxJpegSide / 4)
        return usageError(err, "web build", "--compression gives no usable picture size");
    const QString skin = settings.skin.isEmpty() ? QStringLiteral("Default") : settings.skin;
    if (options.skin && !QFileInfo(programFolder() + QStringLiteral("/Skins/") + skin).isDir())
        return buildFailure(err, options.kind, kExitFailed, "no skin named " + str(skin));

    const QString folder = QFileInfo(QString::fromStdString(options.output)).absoluteFilePath();
    const bool existed = QFileInfo(folder).isDir();
    std::string problem;
    if (!prepareOutputFolder(folder, problem))
        return buildFailure(err, options.kind, kExitFailed, problem);
    // On failure the folder is left as it was found.
    const auto undo = [&](int status) {
        if (existed) {
            for (const QString& entry : QDir(folder).entryList(QDir::AllEntries | QDir::Hidden |
                                                               QDir::System | QDir::NoDotAndDotDot))
                QFileInfo(QDir(folder).filePath(entry)).isDir()
                    ? (void)QDir(QDir(folder).filePath(entry)).removeRecursively()
                    : (void)QFile::remove(QDir(folder).filePath(entry));
        } else {
            QDir(folder).removeRecursively();
        }
        return status;
    };

    std::vector<ExportPicture> pictures;
    TourWriteOptions writeOptions;
    if (const int status = collectPictures(options, pictures, writeOptions.title, err);
        status != kExitOk)
        return undo(status);
    std::vector<std::string> failed;
    const std::vector<PreparedPicture> prepared = prepare(options, pictures, failed, err);
    writeOptions.info = tourInfoOf(settings);
    writeOptions.height = panoramaHeight;
    writeOptions.threads = options.threads;
    const QString albumPath = QDir(folder).filePath(tourAlbumFileName());
    const TourWriteResult written =
        exportTourAlbumFile(albumPath.toStdString(), writeOptions, prepared);
    for (const std::string& name : written.failed)
        err << "orbpix web build: left out " << name << " (it could not be unwrapped)\n";
    failed.insert(failed.end(), written.failed.begin(), written.failed.end());
    if (written.status == TourWriteStatus::NothingWritten)
        return undo(buildFailure(err, options.kind, kExitUnreadable,
                                 "none of the pictures could be exported"));
    if (written.status != TourWriteStatus::Written)
        return undo(buildFailure(err, options.kind, kExitFailed, "cannot write " + str(albumPath)));

    std::vector<std::string> names;
    for (const ExportPicture& picture : pictures)
        names.push_back(picture.name);
    PageTags tags;
    if (settings.userPrivate == 0) {
        tags.authorName = settings.userName;
        tags.authorAddress = settings.userAddress;
        tags.authorHomepage = settings.userHomepage;
    }
    tags.albumName = QString::fromStdString(writeOptions.title);
    tags.pictureList = pagePictureList(names, failed);
    tags.pageBase = pageBaseName(pageFileName());
    const GeneratedPages pages = writePageFiles(pageTemplateFolders(programFolder(), skin), folder,
                                                pageFileName(), tags, albumPath);
    if (!pages.ok)
        return undo(buildFailure(err, options.kind, kExitFailed,
                                 "cannot write the page's files in " + str(folder)));
    out << str(QDir(folder).filePath(pageFileName())) << '\n';
    return kExitOk;
}

int publicationCommand(Publication kind, const std::vector<std::string>& args, std::ostream& out,
                       std::ostream& err) {
    std::string error;
    const auto options = parseTourBuildOptions(args, kind, error);
    if (!options)
        return usageError(err, commandName(kind), error);
    if (options->help) {
        out << (kind == Publication::Tour ? kTourBuildHelp : kWebBuildHelp);
        return kExitOk;
    }
    return kind == Publication::Tour ? buildTour(*options, out, err) : buildWeb(*options, out, err);
}

}  // namespace

int webBuildCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return publicationCommand(Publication::Web, args, out, err);
}

int tourBuildCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return publicationCommand(Publication::Tour, args, out, err);
}

}  // namespace orbpix::cli
