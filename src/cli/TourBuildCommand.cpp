#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <ostream>

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
    "                         [--compression N] [--private] [--keep-orb PATH]\n"
    "\n"
    "Publishes an album of the library, or the pictures named, as a self-running tour: every\n"
    "picture is unwrapped to 4H x H (H from the compression figure), colour-corrected and\n"
    "written as JPEG into a tour album file, which Tourgen appends with the skin to a copy\n"
    "of the tour viewer. Pictures without circles get detected ones; pictures that cannot\n"
    "be read or whose circles do not fit are left out and listed.\n"
    "\n"
    "  -o TOUR          the tour program to write\n"
    "  --album NAME     an album of the library (its name is the default title)\n"
    "  --skin NAME      the tour skin from the program's Skins folder (default: the\n"
    "                   \"Skin\" setting, else Default)\n"
    "  --title TEXT     the album title shown by the tour (default: the album's name, or Tour)\n"
    "  --compression N  the quality figure (default: the \"CompressionLocal\" setting, 400)\n"
    "  --private        leave the author's name, address and home page out\n"
    "  --keep-orb PATH  keep a copy of the tour album file\n"
    "  --threads N      pictures unwrapped at the same time (default: one per processor)\n"
    "\n"
    "Exit status: 0 tour written, 1 bad arguments, 2 nothing could be read, 4 the tour could\n"
    "not be made (Tourgen's message is printed), 5 no such album.\n";

int buildFailure(std::ostream& err, int status, const std::string& message) {
    err << "orbpix tour build: " << message << "\n";
    return status;
}

}  // namespace

int tourBuildCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string error;
    const auto parsed =
        parseArguments(args,
                       {{"output", "album", "skin", "title", "compression", "keep-orb", "threads"},
                        {"private", "help"},
                        {{'o', "output"}, {'h', "help"}}},
                       error);
    if (!parsed)
        return usageError(err, "tour build", error);
    if (parsed->has("help")) {
        out << kTourBuildHelp;
        return kExitOk;
    }
    const auto output = parsed->option("output");
    if (!output || output->empty())
        return usageError(err, "tour build", "-o TOUR is required");
    const auto albumName = parsed->option("album");
    if (albumName && !parsed->positionals.empty())
        return usageError(err, "tour build", "give either --album or pictures, not both");
    if (!albumName && parsed->positionals.empty())
        return usageError(err, "tour build", "no pictures: give --album NAME or IMAGE files");

    AppSettings settings;
    loadSettings(settings);
    ExportSettings exportSettings{settings.userName,         settings.userAddress,
                                  settings.userHomepage,     settings.userPrivate,
                                  settings.compressionLocal, settings.skin};
    if (parsed->has("private"))
        exportSettings.userPrivate = 1;
    if (const auto skin = parsed->option("skin"))
        exportSettings.skin = QString::fromStdString(*skin);
    if (const auto figure = parsed->option("compression")) {
        const auto number = parsePositiveInt(*figure);
        if (!number)
            return usageError(err, "tour build", "--compression takes a positive whole number");
        exportSettings.compressionLocal = std::uint32_t(*number);
    }
    int threads = 0;
    if (const auto count = parsed->option("threads")) {
        const auto number = parsePositiveInt(*count);
        if (!number)
            return usageError(err, "tour build", "--threads takes a positive whole number");
        threads = *number;
    }
    const int height = tourPanoramaHeight(exportSettings.compressionLocal);
    if (height <= 0 || height > kMaxJpegSide / 4)
        return usageError(err, "tour build", "--compression gives no usable picture size");

    std::vector<ExportPicture> pictures;
    std::string title = "Tour";
    if (albumName) {
        AlbumLibrary& library = preparedLibrary();
        const QString name = QString::fromStdString(*albumName);
        auto album = AlbumLibrary::isValidAlbumName(name) ? library.openAlbum(name) : nullptr;
        if (!album)
            return buildFailure(err, kExitNoAlbum, "there is no album \"" + *albumName + "\"");
        pictures = exportPicturesOf(*album);
        title = *albumName;
    } else {
        for (const std::string& path : parsed->positionals) {
            ExportPicture picture;
            picture.path = QFileInfo(QString::fromStdString(path)).absoluteFilePath().toStdString();
            picture.name = QFileInfo(QString::fromStdString(path)).fileName().toStdString();
            pictures.push_back(std::move(picture));
        }
    }
    if (const auto text = parsed->option("title"))
        title = *text;

    std::vector<std::string> failed;
    const std::vector<PreparedPicture> prepared = preparePictures(pictures, {}, failed);
    for (const std::string& name : failed)
        err << "orbpix tour build: left out " << name
            << " (unreadable, or its circles do not fit the picture)\n";

    QTemporaryDir work(QDir::tempPath() + QStringLiteral("/orbpix-tour-XXXXXX"));
    if (!work.isValid())
        return buildFailure(err, kExitFailed, "no temporary folder for the tour album file");
    const TourPaths paths =
        tourPaths(programFolder(), exportSettings.skin, work.path(),
                  QFileInfo(QString::fromStdString(*output)).absoluteFilePath());
    TourWriteOptions options;
    options.title = title;
    options.info = tourInfoOf(exportSettings);
    options.height = height;
    options.threads = threads;
    const TourWriteResult result =
        exportTourAlbumFile(paths.tourAlbum.toStdString(), options, prepared);
    for (const std::string& name : result.failed)
        err << "orbpix tour build: left out " << name << " (it could not be unwrapped)\n";
    if (result.status == TourWriteStatus::NothingWritten)
        return buildFailure(err, kExitUnreadable, "none of the pictures could be exported");
    if (result.status != TourWriteStatus::Written)
        return buildFailure(err, kExitFailed, "cannot write " + str(paths.tourAlbum));
    if (const auto keep = parsed->option("keep-orb")) {
        const QString copy = QString::fromStdString(*keep);
        QFile::remove(copy);
        if (!QFile::copy(paths.tourAlbum, copy))
            return buildFailure(err, kExitFailed, "cannot write " + *keep);
    }

    QProcess generator;
    generator.setProgram(paths.generator);
    generator.setArguments(generatorArguments(paths));
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

}  // namespace orbpix::cli
