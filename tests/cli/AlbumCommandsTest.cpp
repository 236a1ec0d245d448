#include <gtest/gtest.h>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <map>
#include <sstream>

#include "RunOrbpix.h"
#include "album/AlbumLibrary.h"
#include "album/FolderAlbum.h"
#include "cli/Commands.h"
#include "imaging/io/ItemCircles.h"
#include "support/SettingsFixture.h"

namespace orbpix {
namespace {

const QString kExamples = QStringLiteral(ORBPIX_SOURCE_DIR "/examples/");
const QString kNormal = QStringLiteral("mars_1600x1200_normal.jpg");
const QString kRatio = QStringLiteral("mars_1600x1200_ratio.jpg");
const QString kReverse = QStringLiteral("mars_1200x900_reverse.jpg");

using test::Outcome;
// Every file below a folder (hidden ones and the album files included) with its content,
// and every folder, so that a test can tell that a command changed nothing at all.
using Tree = std::map<QString, QByteArray>;
Tree treeOf(const QString& folder) {
    Tree tree;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        const QString key = QDir(folder).relativeFilePath(path);
        if (it.fileInfo().isDir())
            tree[key + "/"] = QByteArray();
        else
            tree[key] = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("?");
    }
    return tree;
}

// A library of its own for each test: settings, documents folder and trash all live in a
// temporary folder, found the way the album program finds them.
class AlbumCommandsTest : public test::SettingsFixture {
protected:
    void SetUp() override {
        SettingsFixture::SetUp();
        m_env.set("XDG_CONFIG_HOME", path("config"));
        m_env.set("XDG_DATA_HOME", path("home/.local/share"));  // the trash of the desktop
    }

    QString path(const QString& name) const { return m_temp.path(name); }
    QString root() const { return path("home/Documents/My ORB Albums"); }
    std::string albumFolder(const QString& album) const {
        return (root() + "/" + album).toStdString();
    }

    static Outcome album(std::vector<std::string> args) {
        args.insert(args.begin(), "album");
        return test::orbpix(args);
    }
    static QJsonArray items(const std::string& album) {
        const Outcome shown = AlbumCommandsTest::album({"show", album, "--json"});
        EXPECT_EQ(shown.status, 0) << shown.err;
        return QJsonDocument::fromJson(QByteArray::fromStdString(shown.out))
            .object()
            .value("items")
            .toArray();
    }
    // The file names of the album's pictures, in album order.
    static std::vector<std::string> fileNames(const std::string& album) {
        std::vector<std::string> names;
        for (const QJsonValue item : items(album))
            names.push_back(
                QFileInfo(item.toObject().value("path").toString()).fileName().toStdString());
        return names;
    }
    static std::vector<std::pair<QString, QString>> properties(const QJsonObject& item) {
        std::vector<std::pair<QString, QString>> pairs;
        for (const QJsonValue p : item.value("properties").toArray())
            pairs.emplace_back(p.toObject().value("name").toString(),
                               p.toObject().value("value").toString());
        return pairs;
    }
    // An album of five small bitmaps a.bmp to e.bmp, in that order.
    void makeFivePictureAlbum() {
        ASSERT_EQ(album({"create", "Mars"}).status, 0);
        for (const char* name : {"a", "b", "c", "d", "e"})
            writeFile(root() + "/Mars/" + name + ".bmp", name);
        ASSERT_EQ(fileNames("Mars"),
                  (std::vector<std::string>{"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"}));
    }
};

TEST_F(AlbumCommandsTest, ASessionFromCreationToTheTrash) {
    Outcome r = album({"root"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, root().toStdString() + "\n");
    EXPECT_EQ(album({"list"}).out, "");

    r = album({"create", "Mars"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(QFileInfo(root() + "/Mars").isDir());
    EXPECT_EQ(album({"list"}).out, "Mars\n");

    // Two adds: the second brings a picture the album already has, which is copied in under
    // a new name.
    r = album(
        {"add", "Mars", (kExamples + kNormal).toStdString(), (kExamples + kReverse).toStdString()});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string mars = albumFolder("Mars");
    EXPECT_EQ(r.out, "1\t" + mars + "/mars_1600x1200_normal.jpg\n2\t" + mars +
                         "/mars_1200x900_reverse.jpg\n");
    r = album({"add", "Mars", (kExamples + kRatio).toStdString(),
               (kExamples + kNormal).toStdString(), (kExamples + kReverse).toStdString()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "3\t" + mars + "/mars_1600x1200_ratio.jpg\n4\t" + mars +
                         "/(1)mars_1600x1200_normal.jpg\n5\t" + mars +
                         "/(1)mars_1200x900_reverse.jpg\n");

    // Each picture carries the circles found on it, and only those.
    const QString sources[] = {kNormal, kReverse, kRatio, kNormal, kReverse};
    QJsonArray listed = items("Mars");
    ASSERT_EQ(listed.size(), 5);
    for (int i = 0; i < 5; ++i) {
        const QJsonObject item = listed[i].toObject();
        EXPECT_EQ(item.value("index").toInt(), i + 1);
        const auto found = detectItemCircles(kExamples + sources[i]);
        ASSERT_TRUE(found);
        ASSERT_TRUE(found->detected) << sources[i].toStdString();
        EXPECT_EQ(properties(item), (std::vector<std::pair<QString, QString>>{
                                        {"CIRCLES", QString::fromStdString(found->text)}}))
            << i;
    }
    QFile albumFile(root() + "/Mars/.orp");
    ASSERT_TRUE(albumFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(albumFile.readAll().count("CIRCLES"), 5);

    r = album({"move", "Mars", "3", "4", "--to", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(fileNames("Mars"),
              (std::vector<std::string>{"mars_1600x1200_ratio.jpg", "(1)mars_1600x1200_normal.jpg",
                                        "mars_1600x1200_normal.jpg", "mars_1200x900_reverse.jpg",
                                        "(1)mars_1200x900_reverse.jpg"}));

    ASSERT_EQ(album({"set", "Mars", "2", "NAME", "Red planet"}).status, 0);
    ASSERT_EQ(album({"set", "Mars", "2", "CC", "10,-20,30"}).status, 0);
    r = album({"show", "Mars"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string circles =
        detectItemCircles(kExamples + kNormal)->text;  // item 2 is the copy of the normal one
    const std::string second = "2\t" + mars +
                               "/(1)mars_1600x1200_normal.jpg\n\tCIRCLES=" + circles +
                               "\n\tNAME=Red planet\n\tCC=10,-20,30\n3\t";
    EXPECT_NE(r.out.find(second), std::string::npos) << r.out;
    // Names match in any case; an empty value takes the property away.
    ASSERT_EQ(album({"set", "Mars", "2", "name", ""}).status, 0);
    EXPECT_EQ(properties(items("Mars")[1].toObject()),
              (std::vector<std::pair<QString, QString>>{
                  {"CIRCLES", QString::fromStdString(circles)}, {"CC", "10,-20,30"}}));

    r = album({"remove", "Mars", "1", "5"});
    ASSERT_EQ(r.status, 0) << r.err;
    // The removed pictures are gone from the folder at once, parked copies included (looked
    // at before another command opens the album and tidies up).
    QStringList files = QDir(root() + "/Mars").entryList(QDir::Files | QDir::Hidden);
    files.sort();
    EXPECT_EQ(files, (QStringList{"(1)mars_1600x1200_normal.jpg", ".orp",
                                  "mars_1200x900_reverse.jpg", "mars_1600x1200_normal.jpg"}));
    EXPECT_EQ(fileNames("Mars"),
              (std::vector<std::string>{"(1)mars_1600x1200_normal.jpg", "mars_1600x1200_normal.jpg",
                                        "mars_1200x900_reverse.jpg"}));

    r = album({"rename", "Mars", "Venus"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(album({"list"}).out, "Venus\n");
    EXPECT_FALSE(QFileInfo::exists(root() + "/Mars"));
    listed = items("Venus");
    ASSERT_EQ(listed.size(), 3);
    EXPECT_EQ(listed[2].toObject().value("path").toString().toStdString(),
              albumFolder("Venus") + "/mars_1200x900_reverse.jpg");
    EXPECT_EQ(properties(listed[0].toObject()).back(),
              std::make_pair(QString("CC"), QString("10,-20,30")));

    const QString day = AlbumLibrary::rescueDateText(QDateTime::currentDateTimeUtc().date());
    r = album({"delete", "Venus"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(album({"list"}).out, "");
    const QString trashed =
        path("home/.local/share/Trash/files/Rescued from Venus (deleted " + day + ")");
    EXPECT_TRUE(QFileInfo::exists(trashed + "/mars_1200x900_reverse.jpg")) << trashed.toStdString();
}

TEST_F(AlbumCommandsTest, MovingItemsThreeAndFourToPositionOneAsShown) {
    makeFivePictureAlbum();
    const Outcome r = album({"move", "Mars", "3", "4", "--to", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(fileNames("Mars"),
              (std::vector<std::string>{"c.bmp", "d.bmp", "a.bmp", "b.bmp", "e.bmp"}));

    // Past the last picture is a place as well; the order given does not matter.
    ASSERT_EQ(album({"move", "Mars", "2", "1", "--to", "6"}).status, 0);
    EXPECT_EQ(fileNames("Mars"),
              (std::vector<std::string>{"a.bmp", "b.bmp", "e.bmp", "c.bmp", "d.bmp"}));
    ASSERT_EQ(album({"move", "Mars", "5", "--to", "2"}).status, 0);
    EXPECT_EQ(fileNames("Mars"),
              (std::vector<std::string>{"a.bmp", "d.bmp", "b.bmp", "e.bmp", "c.bmp"}));
}

TEST_F(AlbumCommandsTest, AMoveThatChangesNothingSavesNothing) {
    makeFivePictureAlbum();
    const Tree before = treeOf(root());
    for (const auto& args : {std::vector<std::string>{"move", "Mars", "2", "--to", "2"},
                             std::vector<std::string>{"move", "Mars", "2", "--to", "3"},
                             std::vector<std::string>{"move", "Mars", "2", "3", "--to", "2"}}) {
        const Outcome r = album(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("nothing was moved"), std::string::npos);
    }
    EXPECT_EQ(treeOf(root()), before);
}

TEST_F(AlbumCommandsTest, FailuresChangeNothingAndSayWhy) {
    makeFivePictureAlbum();
    ASSERT_EQ(album({"create", "Moon"}).status, 0);
    writeFile(path("notes.txt"), "not a picture");
    writeFile(path("notes.jpg"), "not a picture either");
    writeFile(path("empty.jpg"), "");
    // A real JPEG whose frame header promises 60000 x 60000 pixels.
    QByteArray huge = readFile(kExamples + kNormal);
    const auto frame = huge.indexOf("\xFF\xC0");
    ASSERT_GT(frame, 0);
    huge.replace(frame + 5, 4, QByteArray("\xEA\x60\xEA\x60", 4));
    writeFile(path("huge.jpg"), huge);
    const std::string ring = (kExamples + kNormal).toStdString();
    const Tree before = treeOf(root());
    ASSERT_FALSE(before.empty());

    struct Case {
        std::vector<std::string> args;
        int status;
        const char* says;
    };
    const Case cases[] = {
        // Unknown albums.
        {{"show", "Venus"}, cli::kExitNoAlbum, "no album 'Venus'"},
        {{"add", "Venus", ring}, cli::kExitNoAlbum, "no album 'Venus'"},
        {{"remove", "Venus", "1"}, cli::kExitNoAlbum, "no album"},
        {{"move", "Venus", "1", "--to", "2"}, cli::kExitNoAlbum, "no album"},
        {{"set", "Venus", "1", "CC", "1,2,3"}, cli::kExitNoAlbum, "no album"},
        {{"rename", "Venus", "Pluto"}, cli::kExitNoAlbum, "no album"},
        {{"delete", "Venus"}, cli::kExitNoAlbum, "no album"},
        // Picture numbers that name no picture; one bad number spoils the whole command.
        {{"remove", "Mars", "0"}, cli::kExitUsage, "start at 1"},
        {{"remove", "Mars", "6"}, cli::kExitUsage, "no picture 6: the album holds 5"},
        {{"remove", "Mars", "2", "9"}, cli::kExitUsage, "no picture 9"},
        {{"remove", "Mars", "x"}, cli::kExitUsage, "'x' is not a picture number"},
        {{"remove", "Mars", "-1"}, cli::kExitUsage, "unknown option"},
        {{"move", "Mars", "2", "--to", "7"}, cli::kExitUsage, "no picture 7"},
        {{"move", "Mars", "6", "--to", "1"}, cli::kExitUsage, "no picture 6"},
        {{"move", "Mars", "2"}, cli::kExitUsage, "--to POS"},
        {{"set", "Mars", "6", "NAME", "x"}, cli::kExitUsage, "no picture 6"},
        {{"remove", "Moon", "1"}, cli::kExitUsage, "holds 0 pictures"},
        // Names the library or the album file cannot store.
        {{"create", "a/b"}, cli::kExitUsage, "cannot be the name of an album"},
        {{"create", ".."}, cli::kExitUsage, "cannot be the name of an album"},
        {{"show", "../Mars"}, cli::kExitUsage, "cannot be the name of an album"},
        {{"rename", "Mars", "x/y"}, cli::kExitUsage, "cannot be the name of an album"},
        {{"set", "Mars", "1", "NA\"ME", "x"}, cli::kExitUsage, "property name"},
        {{"set", "Mars", "1", "", "x"}, cli::kExitUsage, "property name"},
        {{"set", "Mars", "1", "NAME", "<b>"}, cli::kExitUsage, "must not hold <"},
        // Names that are taken.
        {{"create", "Mars"}, cli::kExitFailed, "exists already"},
        {{"rename", "Mars", "Moon"}, cli::kExitFailed, "already an album or file 'Moon'"},
        // Pictures that cannot be added: none of the command's pictures goes in.
        {{"add", "Mars", ring, path("missing.jpg").toStdString()},
         cli::kExitUnreadable,
         "missing.jpg is not a readable file"},
        {{"add", "Mars", ring, path("notes.txt").toStdString()},
         cli::kExitUnreadable,
         "not named as a picture"},
        {{"add", "Mars", path("home").toStdString()}, cli::kExitUnreadable, "not a readable file"},
        {{"add", "Mars", ring, path("notes.jpg").toStdString()},
         cli::kExitUnreadable,
         "notes.jpg is not a picture the program can read"},
        {{"add", "Mars", path("empty.jpg").toStdString()},
         cli::kExitUnreadable,
         "not a picture the program can read"},
        {{"add", "Mars", path("huge.jpg").toStdString()},
         cli::kExitUnreadable,
         "too large: 60000 x 60000 pixels"},
        {{"add", "Mars"}, cli::kExitUsage, "at least one picture"},
        // Misplaced options and unknown commands.
        {{"list", "--json"}, cli::kExitUsage, "--json belongs to show"},
        {{"remove", "Mars", "1", "--to", "2"}, cli::kExitUsage, "--to belongs to move"},
        {{"show", "Mars", "--strict"}, cli::kExitUsage, "--strict belongs to add"},
        {{"frobnicate"}, cli::kExitUsage, "unknown album command"},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& a : c.args)
            line += a + ' ';
        const Outcome r = album(c.args);
        EXPECT_EQ(r.status, c.status) << line << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << line << "said: " << r.err;
        EXPECT_EQ(r.out, "") << line;
        EXPECT_EQ(treeOf(root()), before) << line;
    }
    EXPECT_EQ(fileNames("Mars"),
              (std::vector<std::string>{"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"}));
}

TEST_F(AlbumCommandsTest, ADamagedPictureIsNamedOrRefusedWhenStrict) {
    ASSERT_EQ(album({"create", "Mars"}).status, 0);
    const QString cut = path("cut.jpg");
    ASSERT_TRUE(QFile::copy(kExamples + kNormal, cut));
    ASSERT_TRUE(QFile::resize(cut, QFileInfo(cut).size() / 2));
    const Outcome strict = album({"add", "Mars", "--strict", cut.toStdString()});
    EXPECT_EQ(strict.status, cli::kExitUnreadable);
    EXPECT_NE(strict.err.find("cut.jpg is damaged: "), std::string::npos) << strict.err;
    EXPECT_EQ(fileNames("Mars"), std::vector<std::string>{});
    const Outcome added = album({"add", "Mars", cut.toStdString()});
    EXPECT_EQ(added.status, 0) << added.err;
    EXPECT_NE(added.err.find("warning: " + cut.toStdString() + " is damaged"), std::string::npos)
        << added.err;
    EXPECT_EQ(fileNames("Mars"), std::vector<std::string>{"cut.jpg"});
}

TEST_F(AlbumCommandsTest, ReverseWritesTheLensTogglesValues) {
    makeFivePictureAlbum();
    const auto reverseOf = [this](int index) {
        return FolderAlbum::open((root() + "/Mars").toStdString())->property(index, "REVERSE");
    };
    Outcome r = album({"reverse", "Mars", "2"});  // no mark yet: the normal mounting
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "upside down\n");
    EXPECT_EQ(reverseOf(1), "1,-26,64");
    EXPECT_EQ(album({"reverse", "Mars", "2"}).out, "normal\n");
    EXPECT_EQ(reverseOf(1), "0,-64,26");
    EXPECT_EQ(album({"reverse", "Mars", "2", "on"}).out, "upside down\n");
    EXPECT_EQ(album({"reverse", "Mars", "2", "on"}).out, "upside down\n");
    EXPECT_EQ(reverseOf(1), "1,-26,64");
    EXPECT_EQ(album({"reverse", "Mars", "2", "sideways"}).status, cli::kExitUsage);
    EXPECT_EQ(album({"reverse", "Mars", "9"}).status, cli::kExitUsage);
}

TEST_F(AlbumCommandsTest, AChangeThatCannotBeSavedIsTakenBack) {
    makeFivePictureAlbum();
    // A folder where the new album file would be written makes every save fail, even for a
    // user whom file permissions do not stop.
    writeFile(root() + "/Mars/.orp2/blocker", "x");
    const Tree before = treeOf(root());
    for (const auto& args :
         {std::vector<std::string>{"set", "Mars", "1", "CC", "1,2,3"},
          std::vector<std::string>{"remove", "Mars", "2", "4"},
          std::vector<std::string>{"move", "Mars", "4", "--to", "1"},
          std::vector<std::string>{"add", "Mars", (kExamples + kNormal).toStdString()},
          std::vector<std::string>{"rename", "Mars", "Venus"}}) {
        const Outcome r = album(args);
        EXPECT_EQ(r.status, cli::kExitFailed) << args[0];
        EXPECT_NE(r.err.find("could not be written"), std::string::npos) << r.err;
        EXPECT_EQ(treeOf(root()), before) << args[0];
    }
    EXPECT_EQ(fileNames("Mars"),
              (std::vector<std::string>{"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"}));
}

TEST_F(AlbumCommandsTest, CreatingWithoutANameTakesTheNextNewAlbumName) {
    Outcome r = album({"create"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "New album\n");
    r = album({"create"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "New album 1\n");
    EXPECT_TRUE(QFileInfo(root() + "/New album 1").isDir());
}

TEST_F(AlbumCommandsTest, TheRootIsTheStoredOneAndAFileThereIsAnError) {
    // A root stored in the settings wins over the documents folder.
    writeFile(path("config/Orbworks/Albums.conf"),
              "[General]\npath=" + path("elsewhere").toUtf8() + "\n");
    ASSERT_EQ(album({"create", "Mars"}).status, 0);
    EXPECT_TRUE(QFileInfo(path("elsewhere/Mars")).isDir());
    EXPECT_EQ(album({"root"}).out, path("elsewhere").toStdString() + "\n");

    // (A path of another length: the settings reader takes a file of the same size and time
    // for the one it has read already.)
    writeFile(path("config/Orbworks/Albums.conf"),
              "[General]\npath=" + path("home/not-a-folder").toUtf8() + "\n");
    writeFile(path("home/not-a-folder"), "x");
    const Outcome r = album({"root"});
    EXPECT_EQ(r.status, cli::kExitFailed) << r.out << r.err;
    EXPECT_NE(r.err.find("is not a folder"), std::string::npos);
    EXPECT_EQ(album({"create", "Moon"}).status, cli::kExitFailed);
}

}  // namespace
}  // namespace orbpix
