#include "album/AlbumLibrary.h"

#include <QDirIterator>

#include "AlbumFiles.h"
#include "album/FilePatternList.h"
#include "album/FolderAlbum.h"
#include "shell/RegistryStore.h"
#include "support/SettingsFixture.h"

namespace orbpix {
namespace {

using registry::Hive;

const QString kAlbumsKey = "Software\\Orbworks\\Albums";
const QString kTrashedKey = "Software\\Orbworks\\Albums\\Trashed";

// A library whose settings, documents, program folder, trash and clock are all private to
// the test.
class AlbumLibraryTest : public test::SettingsFixture {
protected:
    void SetUp() override {
        SettingsFixture::SetUp();
        m_env.set("XDG_DATA_HOME", path("home/.local/share"));  // the trash of the desktop
        ASSERT_TRUE(QDir().mkpath(path("Documents")));
        ASSERT_TRUE(QDir().mkpath(path("program")));
        m_now = QDateTime(QDate(2026, 12, 7), QTime(23, 59), Qt::UTC);
    }

    QString path(const QString& name) const { return m_temp.path(name); }
    QString defaultRoot() const { return path("Documents/My ORB Albums"); }

    LibraryPlaces places() {
        LibraryPlaces p;
        p.documentsFolder = [this] { return m_documents; };
        p.programFolder = [this] { return path("program"); };
        p.nowUtc = [this] { return m_now; };
        p.tickCount = [] { return 123456u; };
        return p;
    }
    // A library with an existing root holding the given albums.
    AlbumLibrary libraryWith(const QStringList& albums) {
        AlbumLibrary library(places());
        QString root;
        EXPECT_TRUE(library.getRoot(root, RootCreation::Yes));
        for (const QString& name : albums)
            writeFile(root + "/" + name + "/ring.jpg", name.toUtf8());
        return library;
    }
    QStringList trashedNames() const {
        return QDir(path("home/.local/share/Trash/files"))
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    }

    QString m_documents = m_temp.path("Documents");
    QDateTime m_now;
};

TEST_F(AlbumLibraryTest, ConfigurationAppliesWhatItsSizeCovers) {
    AlbumLibrary library(places());
    LibraryConfig config;
    config.folderName = "Panoramas";
    config.examplesFolder = "/opt/examples";
    config.registryKey = "Software\\Orbworks\\OtherAlbums";

    config.size = 4;
    EXPECT_FALSE(library.configure(config));
    EXPECT_EQ(library.folderName(), "My ORB Albums");

    config.size = 8;
    EXPECT_TRUE(library.configure(config));
    EXPECT_EQ(library.folderName(), "Panoramas");
    EXPECT_EQ(library.examplesFolder(), "");
    EXPECT_EQ(library.registryKey(), kAlbumsKey);

    config.size = 12;
    EXPECT_TRUE(library.configure(config));
    EXPECT_EQ(library.examplesFolder(), "/opt/examples");
    EXPECT_EQ(library.registryKey(), kAlbumsKey);

    // Too large a record is applied but reported.
    config.size = 20;
    EXPECT_FALSE(library.configure(config));
    EXPECT_EQ(library.registryKey(), "Software\\Orbworks\\OtherAlbums");

    // Null members mean the defaults.
    EXPECT_TRUE(library.configure(LibraryConfig{}));
    EXPECT_EQ(library.folderName(), "My ORB Albums");
    EXPECT_EQ(library.registryKey(), kAlbumsKey);
}

TEST_F(AlbumLibraryTest, FirstStartMakesTheRootInDocumentsSeedsItAndRemembersIt) {
    writeFile(path("examples/Mars/ring.jpg"), "mars");
    writeFile(path("examples/Mars/.orp"), "album file");
    writeFile(path("examples/Moon/deep/er.bmp"), "moon");
    writeFile(path("examples/readme.txt"), "hello");
    AlbumLibrary library(places());
    LibraryConfig config;
    config.examplesFolder = path("examples");
    ASSERT_TRUE(library.configure(config));

    QString root;
    ASSERT_TRUE(library.getRoot(root, RootCreation::Yes));
    EXPECT_EQ(root, defaultRoot());
    EXPECT_EQ(readFile(root + "/Mars/ring.jpg"), "mars");
    EXPECT_EQ(readFile(root + "/Mars/.orp"), "album file");
    EXPECT_EQ(readFile(root + "/Moon/deep/er.bmp"), "moon");
    EXPECT_EQ(readFile(root + "/readme.txt"), "hello");
    EXPECT_EQ(registry::readText(Hive::User, kAlbumsKey, "path"), root);

    // The next lookup finds it through the stored value and does not seed it again.
    QFile::remove(root + "/readme.txt");
    m_documents = path("elsewhere");
    QString again;
    ASSERT_TRUE(library.getRoot(again, RootCreation::Yes));
    EXPECT_EQ(again, root);
    EXPECT_FALSE(QFileInfo::exists(root + "/readme.txt"));
}

TEST_F(AlbumLibraryTest, WithoutCreationAMissingRootIsOnlyNamed) {
    AlbumLibrary library(places());
    QString root;
    EXPECT_FALSE(library.getRoot(root, RootCreation::No));
    EXPECT_EQ(root, defaultRoot());
    EXPECT_FALSE(QFileInfo::exists(root));
    EXPECT_FALSE(registry::readText(Hive::User, kAlbumsKey, "path"));
    EXPECT_TRUE(library.albumNames().isEmpty());
    EXPECT_FALSE(library.folderForOpen("Mars"));
}

TEST_F(AlbumLibraryTest, TheSystemPlacesFindTheUsersDocumentsFolder) {
    writeFile(path("user/user-dirs.dirs"), "XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n");
    AlbumLibrary library(LibraryPlaces::system());
    QString root;
    ASSERT_TRUE(library.getRoot(root, RootCreation::Yes));
    EXPECT_EQ(root, path("home/Papers/My ORB Albums"));
    EXPECT_TRUE(QFileInfo(root).isDir());
}

TEST_F(AlbumLibraryTest, WithoutADocumentsFolderTheProgramFolderHoldsTheRoot) {
    m_documents.clear();
    AlbumLibrary library(places());
    QString root;
    ASSERT_TRUE(library.getRoot(root, RootCreation::Yes));
    EXPECT_EQ(root, path("program/My ORB Albums"));
    EXPECT_TRUE(QFileInfo(root).isDir());
}

TEST_F(AlbumLibraryTest, AMissingDocumentsFolderIsMadeForTheRoot) {
    m_documents = path("fresh/Documents");
    AlbumLibrary library(places());
    QString root;
    ASSERT_TRUE(library.getRoot(root, RootCreation::Yes));
    EXPECT_EQ(root, path("fresh/Documents/My ORB Albums"));
    EXPECT_TRUE(QFileInfo(root).isDir());
}

TEST_F(AlbumLibraryTest, AStoredRootDeletedFromDiskIsMadeAndSeededAgain) {
    writeFile(path("examples/Mars/ring.jpg"), "mars");
    AlbumLibrary library(places());
    LibraryConfig config;
    config.examplesFolder = path("examples");
    ASSERT_TRUE(library.configure(config));
    ASSERT_TRUE(library.setRoot(path("mine"), RootCreation::No));
    EXPECT_FALSE(QFileInfo::exists(path("mine")));

    QString root;
    ASSERT_TRUE(library.getRoot(root, RootCreation::Yes));
    EXPECT_EQ(root, path("mine"));
    EXPECT_EQ(readFile(root + "/Mars/ring.jpg"), "mars");
    ASSERT_TRUE(QDir(root).removeRecursively());
    ASSERT_TRUE(library.getRoot(root, RootCreation::Yes));
    EXPECT_EQ(readFile(root + "/Mars/ring.jpg"), "mars");
}

TEST_F(AlbumLibraryTest, SetRootStoresThePathAndMakesOneLevel) {
    AlbumLibrary library(places());
    EXPECT_TRUE(library.setRoot(path("lib"), RootCreation::Yes));
    EXPECT_TRUE(QFileInfo(path("lib")).isDir());
    EXPECT_EQ(registry::readText(Hive::User, kAlbumsKey, "path"), path("lib"));
    EXPECT_FALSE(library.setRoot(path("deep/er/lib"), RootCreation::Yes));
    EXPECT_FALSE(QFileInfo::exists(path("deep")));
}

TEST_F(AlbumLibraryTest, ARootThatIsAFileStopsEverything) {
    writeFile(path("lib"), "not a folder");
    AlbumLibrary library(places());
    ASSERT_TRUE(library.setRoot(path("lib"), RootCreation::No));
    QString root;
    EXPECT_FALSE(library.getRoot(root, RootCreation::Yes));
    EXPECT_FALSE(library.createAlbumFolder("Mars"));
    EXPECT_FALSE(library.chooseNewAlbum(NewAlbumRule::MustBeNew, {}));
    EXPECT_EQ(readFile(path("lib")), "not a folder");
}

TEST_F(AlbumLibraryTest, AlbumsAreTheSubfoldersOfTheRoot) {
    AlbumLibrary library = libraryWith({"Mars", "Moon", ".hidden"});
    QString root;
    ASSERT_TRUE(library.getRoot(root, RootCreation::No));
    writeFile(root + "/loose.jpg", "x");
    QStringList names = library.albumNames();
    names.sort();
    EXPECT_EQ(names, (QStringList{".hidden", "Mars", "Moon"}));
    EXPECT_TRUE(library.albumExists("Mars"));
    EXPECT_FALSE(library.albumExists("loose.jpg"));
    EXPECT_FALSE(library.albumExists("Venus"));
    EXPECT_EQ(library.folderForOpen("Moon"), root + "/Moon");
    EXPECT_FALSE(library.folderForOpen("loose.jpg"));
}

TEST_F(AlbumLibraryTest, CreatingNeedsAFreeNameAndMakesTheRootWhenMissing) {
    AlbumLibrary library(places());
    const auto made = library.createAlbumFolder("Mars");
    ASSERT_TRUE(made);
    EXPECT_EQ(*made, defaultRoot() + "/Mars");
    EXPECT_TRUE(QFileInfo(*made).isDir());
    EXPECT_FALSE(library.createAlbumFolder("Mars"));
    writeFile(defaultRoot() + "/file", "x");
    EXPECT_FALSE(library.createAlbumFolder("file"));
}

TEST_F(AlbumLibraryTest, NamesThatWouldLeaveTheRootAreRefused) {
    AlbumLibrary library = libraryWith({"Mars"});
    writeFile(path("Documents/precious.jpg"), "keep");
    for (const QString& name : {QString(""), QString("."), QString(".."), QString("../Documents"),
                                QString("Mars/.."), QString("a") + QChar(0)}) {
        bool recycled = true;
        EXPECT_FALSE(library.deleteAlbum(name, &recycled)) << name.toStdString();
        EXPECT_FALSE(recycled);
        EXPECT_FALSE(library.albumExists(name));
        EXPECT_FALSE(library.createAlbumFolder(name));
        EXPECT_FALSE(library.folderForOpen(name));
    }
    EXPECT_EQ(readFile(path("Documents/precious.jpg")), "keep");
    EXPECT_TRUE(library.albumExists("Mars"));
    EXPECT_TRUE(trashedNames().isEmpty());
}

TEST_F(AlbumLibraryTest, NewAlbumsTakeTheFirstFreeCandidate) {
    AlbumLibrary library(places());
    const auto first = library.chooseNewAlbum(NewAlbumRule::MustBeNew, {});
    ASSERT_TRUE(first);
    EXPECT_EQ(first->name, library.newAlbumCandidate(0));
    EXPECT_TRUE(first->created);
    // A file in the way of the next candidate is skipped.
    writeFile(defaultRoot() + "/" + library.newAlbumCandidate(1), "x");
    const auto second =
        library.chooseNewAlbum(NewAlbumRule::MustBeNew, [](const QString&) { return true; });
    ASSERT_TRUE(second);
    EXPECT_EQ(second->name, library.newAlbumCandidate(2));
    EXPECT_TRUE(library.albumExists(second->name));
}

TEST_F(AlbumLibraryTest, AnEmptyAlbumOfTheFirstNameIsReusedUnlessANewOneIsDemanded) {
    AlbumLibrary library = libraryWith({});
    ASSERT_TRUE(library.chooseNewAlbum(NewAlbumRule::MustBeNew, {}));
    QStringList asked;
    const auto holdsNoItem = [&asked](const QString& name) {
        asked.append(name);
        return true;
    };
    const auto reused = library.chooseNewAlbum(NewAlbumRule::ReuseEmpty, holdsNoItem);
    ASSERT_TRUE(reused);
    EXPECT_EQ(reused->name, library.newAlbumCandidate(0));
    EXPECT_FALSE(reused->created);
    EXPECT_EQ(asked, QStringList{library.newAlbumCandidate(0)});
    EXPECT_EQ(library.albumNames().size(), 1);

    const auto fresh = library.chooseNewAlbum(NewAlbumRule::MustBeNew, holdsNoItem);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->name, library.newAlbumCandidate(1));
    const auto notEmpty =
        library.chooseNewAlbum(NewAlbumRule::ReuseEmpty, [](const QString&) { return false; });
    ASSERT_TRUE(notEmpty);
    EXPECT_EQ(notEmpty->name, library.newAlbumCandidate(2));
}

TEST_F(AlbumLibraryTest, NewAlbumGivesUpAfterEveryCandidateFailed) {
    AlbumLibrary library(places());
    QStringList tried;
    const auto never = [&tried](const QString& name) {
        tried.append(name);
        return false;
    };
    EXPECT_FALSE(library.chooseNewAlbum(NewAlbumRule::MustBeNew, {}, never));
    ASSERT_EQ(tried.size(), AlbumLibrary::kNewAlbumCandidates);
    EXPECT_EQ(tried.front(), library.newAlbumCandidate(0));
    EXPECT_EQ(tried.back(), library.newAlbumCandidate(4095));
    EXPECT_EQ(tried.removeDuplicates(), 0);
}

TEST_F(AlbumLibraryTest, CandidatesComeFromTheNamesTheProgramPasses) {
    AlbumLibrary library(places());
    EXPECT_EQ(library.newAlbumCandidate(0), "New album");
    EXPECT_EQ(library.newAlbumCandidate(7), "New album 7");
    library.setNewAlbumNames({QStringLiteral("Neues Album"), QStringLiteral("Album %03d")});
    EXPECT_EQ(library.newAlbumCandidate(0), "Neues Album");
    EXPECT_EQ(library.newAlbumCandidate(7), "Album 007");
    const auto chosen = library.chooseNewAlbum(NewAlbumRule::MustBeNew, {});
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->name, "Neues Album");
}

TEST(FormatWithInteger, FillsOneIntegerAndNothingElse) {
    struct Case {
        const char* format;
        const char* result;
    };
    const Case cases[] = {
        {"New album %d", "New album 12"},
        {"Album %03d", "Album 012"},
        {"%i. album", "12. album"},
        {"%s %n %d", "%s %n 12"},
        {"100%% %u", "100% 12"},
        {"%d and %d", "12 and %d"},
        {"Plain", "Plain 12"},
        {"trailing %", "trailing % 12"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatWithInteger(QString::fromUtf8(c.format), 12), QString::fromUtf8(c.result))
            << c.format;
}

TEST_F(AlbumLibraryTest, RescueDatesUseDayMonthAndTheYearsLastDigit) {
    EXPECT_EQ(AlbumLibrary::rescueDateText(QDate(2026, 12, 7)), "7-12-6");
    EXPECT_EQ(AlbumLibrary::rescueDateText(QDate(2030, 1, 5)), "5-1-0");
    EXPECT_EQ(AlbumLibrary::rescueName("Mars", "7-12-6", 0), "Rescued from Mars (deleted 7-12-6)");
    EXPECT_EQ(AlbumLibrary::rescueName("Mars", "7-12-6", 2),
              "Rescued from Mars (deleted 7-12-6-2)");
}

TEST_F(AlbumLibraryTest, DeletionsOfOneDayAreNumberedAndTheNextDayStartsAgain) {
    AlbumLibrary library(places());
    EXPECT_EQ(library.nextRescueName("A"), "Rescued from A (deleted 7-12-6)");
    EXPECT_EQ(library.nextRescueName("B"), "Rescued from B (deleted 7-12-6-1)");
    EXPECT_EQ(library.nextRescueName("C"), "Rescued from C (deleted 7-12-6-2)");
    EXPECT_EQ(registry::readText(Hive::Machine, kTrashedKey, ""), "7-12-6");
    EXPECT_EQ(registry::readNumber(Hive::Machine, kTrashedKey, "num"), 2u);

    // The date is the UTC date: one minute later it is the next day.
    m_now = m_now.addSecs(60);
    EXPECT_EQ(library.nextRescueName("D"), "Rescued from D (deleted 8-12-6)");
    EXPECT_EQ(library.nextRescueName("E"), "Rescued from E (deleted 8-12-6-1)");
    // The counter is the machine's: another library object continues it.
    AlbumLibrary other(places());
    EXPECT_EQ(other.nextRescueName("F"), "Rescued from F (deleted 8-12-6-2)");
}

TEST_F(AlbumLibraryTest, AnUnwritableMachineCounterFallsBackToTheTickCount) {
    makeMachineHiveUnwritable();
    AlbumLibrary library(places());
    EXPECT_EQ(library.nextRescueName("A"), "Rescued from A (deleted 7-12-6-123456)");
}

TEST_F(AlbumLibraryTest, DeletedAlbumsGoToTheTrashUnderTheirRescueNames) {
    AlbumLibrary library = libraryWith({"Mars", "Moon"});
    bool recycled = false;
    ASSERT_TRUE(library.deleteAlbum("Mars", &recycled));
    EXPECT_TRUE(recycled);
    ASSERT_TRUE(library.deleteAlbum("Moon", &recycled));
    EXPECT_TRUE(recycled);
    EXPECT_TRUE(library.albumNames().isEmpty());

    QStringList trashed = trashedNames();
    trashed.sort();
    EXPECT_EQ(trashed, (QStringList{"Rescued from Mars (deleted 7-12-6)",
                                    "Rescued from Moon (deleted 7-12-6-1)"}));
    const QString trash = path("home/.local/share/Trash");
    EXPECT_EQ(readFile(trash + "/files/Rescued from Mars (deleted 7-12-6)/ring.jpg"), "Mars");
    const QByteArray info = readFile(trash + "/info/Rescued from Mars (deleted 7-12-6).trashinfo");
    EXPECT_TRUE(info.startsWith("[Trash Info]")) << info.constData();
}

TEST_F(AlbumLibraryTest, TheTrashIsSetUpWhenTheUsersDataFolderIsMissing) {
    // Left to itself the toolkit would fall back to a trash below the working directory.
    m_env.set("XDG_DATA_HOME", path("home/not-yet/share"));
    AlbumLibrary library = libraryWith({"Mars"});
    bool recycled = false;
    ASSERT_TRUE(library.deleteAlbum("Mars", &recycled));
    EXPECT_TRUE(recycled);
    EXPECT_EQ(readFile(path(
                  "home/not-yet/share/Trash/files/Rescued from Mars (deleted 7-12-6)/ring.jpg")),
              "Mars");
    EXPECT_FALSE(
        QFileInfo::exists(QDir::current().filePath("files/Rescued from Mars (deleted 7-12-6)")));
}

TEST_F(AlbumLibraryTest, WithoutATrashTheAlbumIsDeletedForGood) {
    writeFile(path("nodata"), "x");
    m_env.set("XDG_DATA_HOME", path("nodata/share"));
    AlbumLibrary library = libraryWith({"Mars"});
    QString root;
    ASSERT_TRUE(library.getRoot(root, RootCreation::No));
    writeFile(root + "/Mars/deep/locked.jpg", "x");
    test::makeReadOnly(root + "/Mars/deep/locked.jpg");
    test::makeReadOnly(root + "/Mars/deep");
    bool recycled = true;
    ASSERT_TRUE(library.deleteAlbum("Mars", &recycled));
    EXPECT_FALSE(recycled);
    EXPECT_TRUE(QDir(root).isEmpty());
}

TEST_F(AlbumLibraryTest, AnExistingRescueFolderIsNeverReplaced) {
    AlbumLibrary library = libraryWith({"Mars", "Rescued from Mars (deleted 7-12-6)"});
    bool recycled = false;
    ASSERT_TRUE(library.deleteAlbum("Mars", &recycled));
    EXPECT_TRUE(recycled);
    EXPECT_EQ(library.albumNames(), QStringList{"Rescued from Mars (deleted 7-12-6)"});
    EXPECT_EQ(trashedNames(), QStringList{"Mars"});
}

TEST_F(AlbumLibraryTest, OnlyExistingAlbumFoldersCanBeDeleted) {
    AlbumLibrary library = libraryWith({});
    QString root;
    ASSERT_TRUE(library.getRoot(root, RootCreation::No));
    writeFile(root + "/file.jpg", "x");
    bool recycled = true;
    EXPECT_FALSE(library.deleteAlbum("Venus", &recycled));
    EXPECT_FALSE(recycled);
    EXPECT_FALSE(library.deleteAlbum("file.jpg", &recycled));
    EXPECT_EQ(readFile(root + "/file.jpg"), "x");
}

// The album halves: what the library hands out is an opened album of the right folder.
class AlbumLibraryOpenTest : public AlbumLibraryTest {
protected:
    void SetUp() override {
        AlbumLibraryTest::SetUp();
        // As the program does at start, so that the pictures below count as pictures.
        addImagingPatterns(filePatternList());
    }
    static std::vector<std::string> fileNames(const Album& album) {
        std::vector<std::string> names;
        for (const AlbumItem& item : album.items())
            names.push_back(item.path.substr(item.path.rfind('/') + 1));
        return names;
    }
};

TEST_F(AlbumLibraryOpenTest, OpeningGivesTheWritableAlbumOfAnExistingFolder) {
    AlbumLibrary library = libraryWith({"Mars"});
    QString root;
    ASSERT_TRUE(library.getRoot(root, RootCreation::No));
    writeFile(root + "/Mars/a.bmp", "a");

    auto album = library.openAlbum("Mars");
    ASSERT_TRUE(album);
    EXPECT_EQ(album->folder(), (root + "/Mars").toStdString());
    EXPECT_EQ(album->name(), "Mars");
    EXPECT_EQ(album->capabilities(), CanMove | CanRemove | CanInsert | CanSetProperty | CanRename);
    EXPECT_FALSE(album->isDirty());
    // Opening found the pictures of the folder and wrote them down.
    EXPECT_EQ(fileNames(*album), (std::vector<std::string>{"a.bmp", "ring.jpg"}));
    EXPECT_TRUE(QFileInfo::exists(root + "/Mars/.orp"));

    // What one opening changed and saved, the next one reads back.
    ASSERT_TRUE(album->setProperty(1, "NAME", "Red"));
    ASSERT_TRUE(album->saveIfDirty());
    album.reset();
    const auto again = library.openAlbum("Mars");
    ASSERT_TRUE(again);
    EXPECT_EQ(again->property(1, "NAME"), "Red");
}

TEST_F(AlbumLibraryOpenTest, OpeningNeverMakesWhatIsMissing) {
    AlbumLibrary library(places());
    EXPECT_FALSE(library.openAlbum("Mars"));
    EXPECT_FALSE(QFileInfo::exists(defaultRoot()));

    ASSERT_TRUE(QDir().mkpath(defaultRoot()));
    writeFile(defaultRoot() + "/Moon", "a file, not an album");
    EXPECT_FALSE(library.openAlbum("Mars"));
    EXPECT_FALSE(library.openAlbum("Moon"));
    EXPECT_FALSE(library.openAlbum(".."));
    EXPECT_EQ(QDir(defaultRoot()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{"Moon"});
}

TEST_F(AlbumLibraryOpenTest, CreatingMakesTheRootAndAnEmptyOpenedAlbum) {
    AlbumLibrary library(places());
    QString folder;
    auto album = library.createAlbum("Mars", &folder);
    ASSERT_TRUE(album);
    EXPECT_EQ(folder, defaultRoot() + "/Mars");
    EXPECT_EQ(album->folder(), folder.toStdString());
    EXPECT_EQ(album->itemCount(), 0u);
    EXPECT_TRUE(album->capabilities() & CanRename);
    EXPECT_TRUE(library.albumExists("Mars"));

    // The album works on its folder at once: a copied-in picture lands there.
    writeFile(path("outside/x.bmp"), "x");
    ASSERT_TRUE(album->insertCopiedItem(path("outside/x.bmp").toStdString(), 0));
    ASSERT_TRUE(album->saveIfDirty());
    EXPECT_EQ(readFile(folder + "/x.bmp"), "x");
}

TEST_F(AlbumLibraryOpenTest, CreatingATakenNameLeavesTheExistingAlbumAlone) {
    AlbumLibrary library = libraryWith({"Mars"});
    QString root;
    ASSERT_TRUE(library.getRoot(root, RootCreation::No));
    QString folder = "untouched";
    EXPECT_FALSE(library.createAlbum("Mars", &folder));
    EXPECT_EQ(folder, "untouched");
    EXPECT_EQ(readFile(root + "/Mars/ring.jpg"), "Mars");
    EXPECT_FALSE(QFileInfo::exists(root + "/Mars/.orp")) << "the existing album was opened";
    writeFile(root + "/Loose", "x");
    EXPECT_FALSE(library.createAlbum("Loose"));
    EXPECT_FALSE(library.createAlbum("a/b"));
    EXPECT_EQ(readFile(root + "/Loose"), "x");
}

TEST_F(AlbumLibraryOpenTest, NewAlbumsAreOpenedUnderTheFirstFreeCandidate) {
    AlbumLibrary library(places());
    QString name;
    auto first = library.newAlbum(NewAlbumRule::MustBeNew, &name);
    ASSERT_TRUE(first);
    EXPECT_EQ(name, library.newAlbumCandidate(0));
    EXPECT_EQ(first->folder(), (defaultRoot() + "/" + name).toStdString());

    auto second = library.newAlbum(NewAlbumRule::MustBeNew, &name);
    ASSERT_TRUE(second);
    EXPECT_EQ(name, library.newAlbumCandidate(1));
    EXPECT_EQ(second->name(), name.toStdString());
    EXPECT_EQ(library.albumNames().size(), 2);
}

TEST_F(AlbumLibraryOpenTest, OnlyAnEmptyAlbumOfACandidateNameIsReused) {
    AlbumLibrary library(places());
    const QString first = library.newAlbumCandidate(0);
    const QString second = library.newAlbumCandidate(1);
    ASSERT_TRUE(library.createAlbum(first));

    QString name;
    auto reused = library.newAlbum(NewAlbumRule::ReuseEmpty, &name);
    ASSERT_TRUE(reused);
    EXPECT_EQ(name, first);
    EXPECT_EQ(library.albumNames(), QStringList{first});

    // A picture in the first one makes it a real album: the next candidate is made.
    writeFile(defaultRoot() + "/" + first + "/ring.bmp", "ring");
    reused.reset();
    auto made = library.newAlbum(NewAlbumRule::ReuseEmpty, &name);
    ASSERT_TRUE(made);
    EXPECT_EQ(name, second);
    EXPECT_EQ(made->itemCount(), 0u);
    EXPECT_EQ(readFile(defaultRoot() + "/" + first + "/ring.bmp"), "ring");
}

}  // namespace
}  // namespace orbpix
