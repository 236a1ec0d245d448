// orbpix album: the albums of the library the album program uses, changed the way the
// program changes them (one edit step, then a save).

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <memory>
#include <ostream>

#include "album/AlbumLibrary.h"
#include "album/AlbumPaths.h"
#include "album/EditHistory.h"
#include "album/EditSteps.h"
#include "album/FilePatternList.h"
#include "album/FolderAlbum.h"
#include "album/TextCompare.h"
#include "cli/Arguments.h"
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "imaging/io/PictureCheck.h"
#include "shell/ProgramFolder.h"
#include "shell/ResourceLibrary.h"

namespace orbpix::cli {

namespace {

constexpr const char* kAlbumHelp =
    "Usage: orbpix album COMMAND [ARGUMENTS]\n"
    "\n"
    "Works on the albums of the album library, the same library the album program uses.\n"
    "Pictures are numbered from 1 in album order, as 'show' lists them; every INDEX and\n"
    "POS below counts that way. Put -- before arguments that begin with a dash.\n"
    "\n"
    "Commands:\n"
    "  root                    print the folder of the album library\n"
    "  list                    list the albums, sorted by name\n"
    "  create [NAME]           create an empty album; without NAME the first free\n"
    "                          \"New album\" name is taken (the name is printed)\n"
    "  show NAME [--json]      list the pictures: number and path, then each property\n"
    "                          as PROPERTY=VALUE in the order the album keeps them;\n"
    "                          --json prints {\"album\":..,\"folder\":..,\"items\":[\n"
    "                          {\"index\":N,\"path\":..,\"properties\":[{\"name\":..,\n"
    "                          \"value\":..}]}]}\n"
    "  add NAME FILE... [--strict]\n"
    "                          copy pictures into the album, appended in the order given,\n"
    "                          and store their ring circles (detected) as CIRCLES; prints\n"
    "                          the number and path of each new picture. Each must be a\n"
    "                          picture the program can read and hold; a damaged one (part of\n"
    "                          its data missing) is named in a warning, or refused with\n"
    "                          --strict\n"
    "  remove NAME INDEX...    remove pictures from the album; their files are deleted\n"
    "  move NAME INDEX... --to POS\n"
    "                          gather the pictures, in album order, into one block that\n"
    "                          stands where picture POS stood (POS = count + 1: at the end)\n"
    "  set NAME INDEX PROPERTY VALUE\n"
    "                          set a property of a picture; an empty VALUE removes it\n"
    "  reverse NAME INDEX [on|off]\n"
    "                          mark the picture as taken with the lens mounted upside down\n"
    "                          (on), or the normal way (off); without on or off, turn the\n"
    "                          mark over. Writes REVERSE as the album window's lens toggle\n"
    "                          does: 1,-26,64 or 0,-64,26\n"
    "  rename NAME NEW         rename the album (its folder)\n"
    "  delete NAME             move the album to the trash under the name \"Rescued from\n"
    "                          NAME (deleted D-M-Y)\"; without a trash it is deleted for good\n"
    "\n"
    "Each change is made and saved as a whole or not at all.\n"
    "\n"
    "Exit status: 0 done, 1 bad arguments (also an index out of range or a name the album\n"
    "cannot store; nothing changed), 2 a picture to add is missing, not a picture the\n"
    "program can read, too large, or damaged with --strict (nothing added), 4 the change could not "
    "be made or saved (nothing changed), 5 no such\n"
    "album.\n";

constexpr int kLibraryFolderText = 102;

int albumUsage(std::ostream& err, const std::string& message) {
    return usageError(err, "album", message);
}

int failure(std::ostream& err, int status, const std::string& message) {
    err << "orbpix album: " << message << "\n";
    return status;
}

std::string quoted(const QString& name) {
    return '\'' + str(name) + '\'';
}

// Item numbers as the user gives them (from 1) turned into album indexes.
std::optional<std::vector<std::size_t>> parseItemNumbers(const std::vector<std::string>& texts,
                                                         std::size_t count, std::string& error) {
    std::vector<std::size_t> indexes;
    for (const std::string& text : texts) {
        const auto number = parsePositiveInt(text);
        if (!number) {
            error = "'" + text + "' is not a picture number (they start at 1)";
            return std::nullopt;
        }
        if (std::size_t(*number) > count) {
            error = "there is no picture " + text + ": the album holds " + std::to_string(count) +
                    (count == 1 ? " picture" : " pictures");
            return std::nullopt;
        }
        indexes.push_back(std::size_t(*number) - 1);
    }
    return indexes;
}

// An album opened for one command, with the history its change goes through. The history
// is declared last so that its steps go before the album they refer to.
struct OpenedAlbum {
    std::unique_ptr<FolderAlbum> album;
    EditHistory history;
};

// Opens the named album; on failure the message is written and status says why.
std::unique_ptr<OpenedAlbum> openNamed(AlbumLibrary& library, const std::string& name,
                                       std::ostream& err, int& status) {
    const QString albumName = QString::fromStdString(name);
    if (!AlbumLibrary::isValidAlbumName(albumName)) {
        status = albumUsage(err, quoted(albumName) + " cannot be the name of an album");
        return nullptr;
    }
    if (!library.albumExists(albumName)) {
        QString root;
        (void)library.getRoot(root, RootCreation::No);
        status = failure(err, kExitNoAlbum,
                         "there is no album " + quoted(albumName) + " in " + str(root));
        return nullptr;
    }
    auto opened = std::make_unique<OpenedAlbum>();
    opened->album = library.openAlbum(albumName);
    if (!opened->album) {
        status = failure(err, kExitFailed, "the album " + quoted(albumName) + " cannot be opened");
        return nullptr;
    }
    return opened;
}

// Performs the step and saves the album. When the save fails the step is taken back, so
// that the folder and its album file keep agreeing.
int commit(OpenedAlbum& opened, std::unique_ptr<EditStep> step, const std::string& what,
           std::ostream& err) {
    FolderAlbum& album = *opened.album;
    if (!opened.history.perform(std::move(step)))
        return failure(err, kExitFailed, what + " failed; the album is unchanged");
    if (!opened.history.saveAlbum(album)) {
        opened.history.revertAlbum(album);
        return failure(err, kExitFailed,
                       "the album file in " + album.folder() +
                           " could not be written; the change was taken back");
    }
    // Nothing can be undone once the command ends: pictures parked for an undo go now
    // rather than at the next opening.
    album.purge();
    return kExitOk;
}

void printItemLine(std::ostream& out, std::size_t index, const AlbumItem& item) {
    out << index + 1 << '\t' << item.path << '\n';
}

int rootCommand(AlbumLibrary& library, const ParsedArguments& parsed, std::ostream& out,
                std::ostream& err) {
    if (!parsed.positionals.empty())
        return albumUsage(err, "root takes no arguments");
    QString root;
    if (library.getRoot(root, RootCreation::No)) {
        out << str(root) << '\n';
        return kExitOk;
    }
    if (QFileInfo(root).exists())
        return failure(err, kExitFailed, "the library root " + str(root) + " is not a folder");
    out << str(root) << '\n';
    err << "orbpix album: " << str(root) << " does not exist yet; creating an album makes it\n";
    return kExitOk;
}

int listCommand(AlbumLibrary& library, const ParsedArguments& parsed, std::ostream& out,
                std::ostream& err) {
    if (!parsed.positionals.empty())
        return albumUsage(err, "list takes no arguments");
    QStringList names = library.albumNames();
    names.sort();
    for (const QString& name : names)
        out << str(name) << '\n';
    return kExitOk;
}

int createCommand(AlbumLibrary& library, const ParsedArguments& parsed, std::ostream& out,
                  std::ostream& err) {
    if (parsed.positionals.size() > 1)
        return albumUsage(err, "create takes at most one album name");
    if (parsed.positionals.empty()) {
        QString name;
        if (!library.newAlbum(NewAlbumRule::MustBeNew, &name))
            return failure(err, kExitFailed, "Album creation failed !");
        out << str(name) << '\n';
        return kExitOk;
    }
    const QString name = QString::fromStdString(parsed.positionals[0]);
    if (!AlbumLibrary::isValidAlbumName(name))
        return albumUsage(err, quoted(name) + " cannot be the name of an album");
    if (library.albumExists(name))
        return failure(err, kExitFailed, "an album " + quoted(name) + " exists already");
    QString folder;
    if (!library.createAlbum(name, &folder))
        return failure(err, kExitFailed, "the album " + quoted(name) + " could not be created");
    out << str(name) << '\n';
    return kExitOk;
}

int showCommand(AlbumLibrary& library, const ParsedArguments& parsed, std::ostream& out,
                std::ostream& err) {
    if (parsed.positionals.size() != 1)
        return albumUsage(err, "show wants one album name");
    int status = kExitOk;
    const auto opened = openNamed(library, parsed.positionals[0], err, status);
    if (!opened)
        return status;
    const FolderAlbum& album = *opened->album;
    if (parsed.has("json")) {
        QJsonArray items;
        for (std::size_t i = 0; i < album.itemCount(); ++i) {
            const AlbumItem& item = album.items()[i];
            QJsonArray properties;
            for (std::size_t p = 0; p < item.properties.count(); ++p) {
                properties.append(
                    QJsonObject{{"name", QString::fromStdString(item.properties.nameAt(p))},
                                {"value", QString::fromStdString(item.properties.valueAt(p))}});
            }
            items.append(QJsonObject{{"index", qint64(i + 1)},
                                     {"path", QString::fromStdString(item.path)},
                                     {"properties", properties}});
        }
        const QJsonObject document{{"album", QString::fromStdString(album.name())},
                                   {"folder", QString::fromStdString(album.folder())},
                                   {"items", items}};
        out << QJsonDocument(document).toJson(QJsonDocument::Compact).toStdString() << '\n';
        return kExitOk;
    }
    for (std::size_t i = 0; i < album.itemCount(); ++i) {
        const AlbumItem& item = album.items()[i];
        printItemLine(out, i, item);
        for (std::size_t p = 0; p < item.properties.count(); ++p)
            out << '\t' << item.properties.nameAt(p) << '=' << item.properties.valueAt(p) << '\n';
    }
    return kExitOk;
}

int addCommand(AlbumLibrary& library, const ParsedArguments& parsed, std::ostream& out,
               std::ostream& err) {
    if (parsed.positionals.size() < 2)
        return albumUsage(err, "add wants an album name and at least one picture");
    // Every picture is checked before the album is touched: a command that adds some of its
    // pictures and refuses the rest would leave the user to sort out which went in.
    std::vector<AlbumItem> items;
    for (auto it = parsed.positionals.begin() + 1; it != parsed.positionals.end(); ++it) {
        const QFileInfo info(QString::fromStdString(*it));
        if (!info.isFile() || !info.isReadable())
            return failure(err, kExitUnreadable,
                           *it + " is not a readable file; nothing was added");
        if (!filePatternList().matches(str(info.fileName())))
            return failure(err, kExitUnreadable,
                           *it + " is not named as a picture file; nothing was added");
        // Named like a picture is not enough: an empty file or a header promising more
        // pixels than anything can hold would sit in the album as a picture nobody can show.
        const PictureCheck check = checkPictureFile(info.absoluteFilePath());
        const bool damaged = check.state == PictureCheck::State::Damaged;
        if (!check.usable() || (damaged && parsed.has("strict")))
            return failure(err, kExitUnreadable,
                           *it + " is " + str(check.reason) + "; nothing was added");
        if (damaged)
            err << "orbpix album: warning: " << *it << " is " << str(check.reason) << "\n";
        AlbumItem item;
        item.path = str(info.absoluteFilePath());
        items.push_back(std::move(item));
    }
    int status = kExitOk;
    const auto opened = openNamed(library, parsed.positionals[0], err, status);
    if (!opened)
        return status;
    FolderAlbum& album = *opened->album;
    const std::size_t wanted = items.size();
    auto step = std::make_unique<InsertStep>(album, std::move(items));
    step->setCircles(InsertCircles::Detect);
    const InsertStep& insert = *step;
    if (!opened->history.perform(std::move(step)))
        return failure(
            err, kExitFailed,
            "the pictures could not be copied into " + album.folder() + "; nothing was added");
    if (insert.inserted().size() != wanted) {
        opened->history.revertAlbum(album);
        return failure(err, kExitFailed,
                       std::to_string(wanted - insert.inserted().size()) + " of " +
                           std::to_string(wanted) + " pictures could not be copied into " +
                           album.folder() + "; nothing was added");
    }
    const std::vector<std::size_t> inserted = insert.inserted();
    if (!opened->history.saveAlbum(album)) {
        opened->history.revertAlbum(album);
        return failure(
            err, kExitFailed,
            "the album file in " + album.folder() + " could not be written; nothing was added");
    }
    for (const std::size_t index : inserted)
        printItemLine(out, index, album.items()[index]);
    return kExitOk;
}

int removeCommand(AlbumLibrary& library, const ParsedArguments& parsed, std::ostream& err) {
    if (parsed.positionals.size() < 2)
        return albumUsage(err, "remove wants an album name and at least one picture number");
    int status = kExitOk;
    const auto opened = openNamed(library, parsed.positionals[0], err, status);
    if (!opened)
        return status;
    FolderAlbum& album = *opened->album;
    std::string error;
    const auto indexes = parseItemNumbers(
        {parsed.positionals.begin() + 1, parsed.positionals.end()}, album.itemCount(), error);
    if (!indexes)
        return albumUsage(err, error);
    return commit(*opened, std::make_unique<DeleteStep>(album, *indexes), "removing the pictures",
                  err);
}

int moveCommand(AlbumLibrary& library, const ParsedArguments& parsed, std::ostream& out,
                std::ostream& err) {
    const auto to = parsed.option("to");
    if (parsed.positionals.size() < 2 || !to)
        return albumUsage(err, "move wants an album name, picture numbers and --to POS");
    int status = kExitOk;
    const auto opened = openNamed(library, parsed.positionals[0], err, status);
    if (!opened)
        return status;
    FolderAlbum& album = *opened->album;
    std::string error;
    const auto sources = parseItemNumbers(
        {parsed.positionals.begin() + 1, parsed.positionals.end()}, album.itemCount(), error);
    if (!sources)
        return albumUsage(err, error);
    // The position after the last picture is a place to move to as well.
    const auto position = parseItemNumbers({*to}, album.itemCount() + 1, error);
    if (!position)
        return albumUsage(err, "--to: " + error);
    const std::size_t target = position->front();
    const auto plan = moveBlockPlan(*sources, target, album.itemCount());
    if (std::all_of(plan.begin(), plan.end(), [](const auto& m) { return m.first == m.second; })) {
        out << "the pictures stand there already; nothing was moved\n";
        return kExitOk;
    }
    return commit(*opened, std::make_unique<MoveStep>(album, *sources, target),
                  "moving the pictures", err);
}

int reverseCommand(AlbumLibrary& library, const ParsedArguments& parsed, std::ostream& out,
                   std::ostream& err) {
    const auto& words = parsed.positionals;
    if (words.size() < 2 || words.size() > 3 ||
        (words.size() == 3 && words[2] != "on" && words[2] != "off"))
        return albumUsage(err, "reverse wants an album name, a picture number and on or off");
    int status = kExitOk;
    const auto opened = openNamed(library, words[0], err, status);
    if (!opened)
        return status;
    FolderAlbum& album = *opened->album;
    std::string error;
    const auto index = parseItemNumbers({words[1]}, album.itemCount(), error);
    if (!index)
        return albumUsage(err, error);
    const bool reversed =
        words.size() == 3 ? words[2] == "on"
                          : !isReversedProperty(album.property(index->front(), kPropertyReverse));
    PropertyMap values;
    values.set(kPropertyReverse, reversePropertyText(reversed));
    const int done =
        commit(*opened, std::make_unique<ModifyImageStep>(album, index->front(), std::move(values)),
               "changing the lens mounting", err);
    if (done == kExitOk)
        out << (reversed ? "upside down\n" : "normal\n");
    return done;
}

int setCommand(AlbumLibrary& library, const ParsedArguments& parsed, std::ostream& err) {
    if (parsed.positionals.size() != 4)
        return albumUsage(err, "set wants an album name, a picture number, a property and a value");
    const std::string& name = parsed.positionals[2];
    const std::string& value = parsed.positionals[3];
    // Checked here to say what is wrong; the album would refuse them all the same.
    if (name.empty() || !isStorableAttributeValue(name))
        return albumUsage(err, "the album file cannot store the property name '" + name +
                                   "' (it must not be empty or hold \" or >)");
    if (!isStorableTextValue(withoutControlCharacters(value)))
        return albumUsage(
            err, "the album file cannot store the value '" + value + "' (it must not hold <)");
    int status = kExitOk;
    const auto opened = openNamed(library, parsed.positionals[0], err, status);
    if (!opened)
        return status;
    FolderAlbum& album = *opened->album;
    std::string error;
    const auto index = parseItemNumbers({parsed.positionals[1]}, album.itemCount(), error);
    if (!index)
        return albumUsage(err, error);
    std::unique_ptr<EditStep> step;
    if (equalsIgnoreCase(name, kPropertyName)) {
        step = std::make_unique<RenameImageStep>(album, index->front(), value);
    } else {
        PropertyMap values;
        values.set(name, value);
        step = std::make_unique<ModifyImageStep>(album, index->front(), std::move(values));
    }
    return commit(*opened, std::move(step), "changing the property", err);
}

int renameCommand(AlbumLibrary& library, const ParsedArguments& parsed, std::ostream& err) {
    if (parsed.positionals.size() != 2)
        return albumUsage(err, "rename wants the album's name and its new name");
    const QString newName = QString::fromStdString(parsed.positionals[1]);
    if (!AlbumLibrary::isValidAlbumName(newName))
        return albumUsage(err, quoted(newName) + " cannot be the name of an album");
    int status = kExitOk;
    const auto opened = openNamed(library, parsed.positionals[0], err, status);
    if (!opened)
        return status;
    if (parsed.positionals[0] == parsed.positionals[1])
        return kExitOk;
    // The folder rename would refuse as well; this says why.
    const QString folder = QFileInfo(QString::fromStdString(opened->album->folder())).path();
    if (QFileInfo(folder + QLatin1Char('/') + newName).exists() ||
        QFileInfo(folder + QLatin1Char('/') + newName).isSymLink())
        return failure(
            err, kExitFailed,
            "there is already an album or file " + quoted(newName) + " in " + str(folder));
    return commit(*opened, std::make_unique<RenameAlbumStep>(*opened->album, parsed.positionals[1]),
                  "renaming the album", err);
}

int deleteCommand(AlbumLibrary& library, const ParsedArguments& parsed, std::ostream& out,
                  std::ostream& err) {
    if (parsed.positionals.size() != 1)
        return albumUsage(err, "delete wants one album name");
    const QString name = QString::fromStdString(parsed.positionals[0]);
    if (!AlbumLibrary::isValidAlbumName(name))
        return albumUsage(err, quoted(name) + " cannot be the name of an album");
    if (!library.albumExists(name)) {
        QString root;
        (void)library.getRoot(root, RootCreation::No);
        return failure(err, kExitNoAlbum, "there is no album " + quoted(name) + " in " + str(root));
    }
    bool recycled = false;
    if (!library.deleteAlbum(name, &recycled))
        return failure(err, kExitFailed,
                       "the album " + quoted(name) +
                           " could not be deleted; it may be left under its rescue name");
    out << (recycled ? "moved to the trash\n" : "deleted for good (no trash available)\n");
    return kExitOk;
}

}  // namespace

// The library as the album program sets it up at start, so that both find the same root
// and a first use seeds it with the same examples.
AlbumLibrary& preparedLibrary() {
    ResourceLibrary& texts = resourceLibrary();
    // Every text the album commands need has a fallback; a missing resource file only costs
    // the translated names.
    if (!texts.isLoaded())
        (void)texts.load(programFolder());
    LibraryConfig config;
    config.folderName =
        texts.text(kLibraryFolderText, QString::fromLatin1(AlbumLibrary::kDefaultFolderName));
    config.examplesFolder = programFolder() + QStringLiteral("/Examples");
    AlbumLibrary& library = albumLibrary();
    (void)library.configure(config);
    NewAlbumNames names;
    names.first = texts.text(NewAlbumNames::kFirstText, names.first);
    names.numbered = texts.text(NewAlbumNames::kNumberedText, names.numbered);
    library.setNewAlbumNames(names);
    // The program adds the imaging patterns at start; without them only bitmaps would count
    // as pictures of an album folder.
    addImagingPatterns(filePatternList());
    return library;
}

int albumCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << kAlbumHelp;
        return kExitUsage;
    }
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        out << kAlbumHelp;
        return kExitOk;
    }
    std::string error;
    const OptionSet options{{"to"}, {"json", "strict", "help"}, {{'h', "help"}}};
    const auto parsed =
        parseArguments(std::vector<std::string>(args.begin() + 1, args.end()), options, error);
    if (!parsed)
        return albumUsage(err, error);
    if (parsed->has("help")) {
        out << kAlbumHelp;
        return kExitOk;
    }
    if (parsed->has("json") && command != "show")
        return albumUsage(err, "--json belongs to show");
    if (parsed->option("to") && command != "move")
        return albumUsage(err, "--to belongs to move");
    if (parsed->has("strict") && command != "add")
        return albumUsage(err, "--strict belongs to add");

    AlbumLibrary& library = preparedLibrary();
    if (command == "root")
        return rootCommand(library, *parsed, out, err);
    if (command == "list")
        return listCommand(library, *parsed, out, err);
    if (command == "create")
        return createCommand(library, *parsed, out, err);
    if (command == "show")
        return showCommand(library, *parsed, out, err);
    if (command == "add")
        return addCommand(library, *parsed, out, err);
    if (command == "remove")
        return removeCommand(library, *parsed, err);
    if (command == "move")
        return moveCommand(library, *parsed, out, err);
    if (command == "set")
        return setCommand(library, *parsed, err);
    if (command == "rename")
        return renameCommand(library, *parsed, err);
    if (command == "reverse")
        return reverseCommand(library, *parsed, out, err);
    if (command == "delete")
        return deleteCommand(library, *parsed, out, err);
    return albumUsage(err, "unknown album command '" + command + "'");
}

}  // namespace orbpix::cli
