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

int buildFailure(std::ostream& err, int status, const std::string& message) {
    err << "orbpix tour build: " << message << "\n";
    return status;
}

// What "orbpix tour build" was asked to do.
struct TourBuildOptions {
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
                                                      std::string& error) {
    const OptionSet known{
        {"output", "album", "skin", "title", "compression", "keep-orb", "threads", "reverse"},
        {"private", "strict", "help"},
        {{'o', "output"}, {'h', "help"}}};
    const auto parsed = parseArguments(args, known, error);
    if (!parsed)
        return std::nullopt;
    TourBuildOptions options;
    options.help = parsed->has("help");
    if (options.help)
        return options;
    const auto fail = [&](const char* message) {
        error = message;
        return std::nullopt;
    };
    const auto output = parsed->option("output");
    if (!output || output->empty())
        return fail("-o TOUR is required");
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
    if (options.compressionLocal)
        exportSettings.compressionLocal = *options.compressionLocal;
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
            return buildFailure(err, kExitNoAlbum,
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
        err << "orbpix tour build: left out " << name << " (it could not be unwrapped)\n";
    if (result.status == TourWriteStatus::NothingWritten)
        return buildFailure(err, kExitUnreadable, "none of the pictures could be exported");
    if (result.status != TourWriteStatus::Written)
        return buildFailure(err, kExitFailed, "cannot write " + str(path));
    if (options.keepTourAlbum) {
        const QString copy = QString::fromStdString(*options.keepTourAlbum);
        QFile::remove(copy);
        if (!QFile::copy(path, copy))
            return buildFailure(err, kExitFailed, "cannot write " + *options.keepTourAlbum);
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
        return buildFailure(err, kExitFailed, "cannot start " + str(paths.generator));
    generator.waitForFinished(-1);
    const QString message = QString::fromLocal8Bit(generator.readAllStandardError()).trimmed();
    if (generator.exitStatus() != QProcess::NormalExit || generator.exitCode() != 0)
        return buildFailure(err, kExitFailed,
                            message.isEmpty() ? std::string("Tourgen failed") : str(message));
    out << str(paths.destination) << '\n';
    return kExitOk;
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
        return buildFailure(err, kExitFailed,
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
        return buildFailure(err, kExitFailed, str(*problem));

    std::vector<ExportPicture> pictures;
    TourWriteOptions writeOptions;
    if (const int status = collectPictures(options, pictures, writeOptions.title, err);
        status != kExitOk)
        return status;
    std::vector<std::string> failed;
    PrepareHooks hooks;
    hooks.strict = options.strict;
    hooks.leftOut = [&err](const ExportPicture& picture, const std::string& reason) {
        err << "orbpix tour build: left out " << picture.name << " (" << reason << ")\n";
    };
    hooks.damaged = [&err, &options](const ExportPicture& picture, const std::string& reason) {
        if (!options.strict)
            err << "orbpix tour build: warning: " << picture.path << " is " << reason << "\n";
    };
    const std::vector<PreparedPicture> prepared = preparePictures(pictures, hooks, failed);

    QTemporaryDir work(QDir::tempPath() + QStringLiteral("/orbpix-tour-XXXXXX"));
    if (!work.isValid())
        return buildFailure(err, kExitFailed, "no temporary folder for the tour album file");
    const TourPaths paths = tourPaths(programFolder(), skin, work.path(), destination);
    writeOptions.info = tourInfoOf(settings);
    writeOptions.height = panoramaHeight;
    writeOptions.threads = options.threads;
    if (const int status = writeTourAlbum(options, writeOptions, prepared, paths.tourAlbum, err);
        status != kExitOk)
        return status;
    return runGenerator(paths, out, err);
}

}  // namespace

int tourBuildCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string error;
    const auto options = parseTourBuildOptions(args, error);
    if (!options)
        return usageError(err, "tour build", error);
    if (options->help) {
        out << kTourBuildHelp;
        return kExitOk;
    }
    return buildTour(*options, out, err);
}

}  // namespace orbpix::cli
