#include "album/FolderAlbum.h"

#include <gtest/gtest.h>

#include "AlbumTestSupport.h"
#include "album/AlbumFile.h"

namespace orbpix {
namespace {

using test::AlbumFolder;
using test::fileExists;
using test::folderFiles;
using test::itemFileNames;
using test::readFile;
using Names = std::vector<std::string>;

struct RecordingObserver : AlbumObserver {
    void itemAdded(Album&, std::size_t index) override { added.push_back(index); }
    void itemRemoved(Album&, std::size_t index, const std::string& path,
                     const std::string& fileName) override {
        removed.push_back(index);
        removedPaths.push_back(path);
        removedNames.push_back(fileName);
    }
    void folderGone(Album&, const std::string& name) override { gone.push_back(name); }
    std::vector<std::size_t> added, removed;
    Names removedPaths, removedNames, gone;
};

TEST(FolderAlbumOpen, ForeignPicturesJoinAndParkedFilesArePurged) {
    AlbumFolder f;
    f.addPicture("b.jpg");
    f.addPicture("a.PNG");
    f.addPicture("notes.txt");
    f.addPicture(".deleted.x.jpg");
    f.addPicture(".Deleted.(1)y.jpg");
    auto album = f.open();
    ASSERT_TRUE(album);
    EXPECT_EQ(itemFileNames(*album), (Names{"a.PNG", "b.jpg"}));
    EXPECT_FALSE(album->isDirty()) << "the changed list was saved at once";
    EXPECT_EQ(folderFiles(f.folder()), (Names{".orp", "a.PNG", "b.jpg", "notes.txt"}));
    EXPECT_FALSE(album->fileRead());

    // A picture dropped in by hand becomes the new last item on the next open.
    f.addPicture("0.jpg");
    album = f.open();
    EXPECT_EQ(itemFileNames(*album), (Names{"a.PNG", "b.jpg", "0.jpg"}));
    EXPECT_TRUE(album->fileRead());
    EXPECT_NE(f.albumFile().find("id=\"0.jpg\""), std::string::npos);
}

TEST(FolderAlbumOpen, ParkedFileOfAListedItemIsRestored) {
    AlbumFolder f;
    f.addPicture(".deleted.a.jpg", "A");
    f.addPicture("b.jpg");
    test::writeFile(f.path(".orp"),
                    "<ORBALBUM>\r\r\n<ORBITEM id=\"a.jpg\">\r\r\n<ORBINFO id=\"NAME\">\r\r\n"
                    "Alpha</ORBINFO>\r\r\n</ORBITEM>\r\r\n<ORBITEM id=\"gone.jpg\">\r\r\n"
                    "</ORBITEM>\r\r\n<ORBITEM id=\"b.jpg\">\r\r\n</ORBITEM>\r\r\n"
                    "</ORBALBUM>\r\r\n");
    auto album = f.open();
    ASSERT_TRUE(album);
    EXPECT_EQ(itemFileNames(*album), (Names{"a.jpg", "b.jpg"}));
    EXPECT_EQ(album->property(0, "NAME"), "Alpha");
    EXPECT_EQ(readFile(f.path("a.jpg")), "A");
    EXPECT_FALSE(fileExists(f.path(".deleted.a.jpg")));
    // The dropped item made the album save at once.
    EXPECT_EQ(f.albumFile().find("gone.jpg"), std::string::npos);
}

TEST(FolderAlbumOpen, MissingFolderFails) {
    AlbumFolder f;
    EXPECT_FALSE(FolderAlbum::open(f.folder() + "/none", false, localFileSystem(), f.patterns()));
}

TEST(FolderAlbumOpen, UnreadableAlbumFileStartsFromTheFolder) {
    AlbumFolder f;
    f.addPicture("a.jpg");
    test::writeFile(f.path(".orp"), "<>");
    auto album = f.open();
    EXPECT_EQ(itemFileNames(*album), Names{"a.jpg"});
    EXPECT_EQ(f.albumFile(), albumFileBytes(album->items(), f.folder()));
}

TEST(FolderAlbumRefresh, FollowsTheFolderAndObserverHearsIt) {
    AlbumFolder f;
    f.addPicture("a.jpg");
    f.addPicture("b.jpg");
    auto album = f.open();
    std::filesystem::remove(f.path("a.jpg"));
    f.addPicture("c.jpg");
    RecordingObserver observer;
    EXPECT_TRUE(album->refresh(&observer));
    EXPECT_EQ(observer.removed, std::vector<std::size_t>{0});
    EXPECT_EQ(observer.removedNames, Names{"a.jpg"});
    EXPECT_EQ(observer.removedPaths, Names{f.path("a.jpg")});
    EXPECT_EQ(observer.added, std::vector<std::size_t>{1});
    EXPECT_EQ(itemFileNames(*album), (Names{"b.jpg", "c.jpg"}));
    EXPECT_EQ(f.albumFile(), albumFileBytes(album->items(), f.folder()));

    std::filesystem::remove_all(f.folder());
    EXPECT_FALSE(album->refresh(&observer));
    EXPECT_EQ(observer.gone, Names{"My Album"});
    EXPECT_EQ(album->itemCount(), 0u);
}

TEST(FolderAlbumItems, NamesPropertiesAndState) {
    AlbumFolder f;
    f.addPicture("a.jpg");
    auto album = f.open();
    EXPECT_EQ(album->itemName(0), "a.jpg");
    EXPECT_FALSE(album->itemName(1));
    EXPECT_EQ(album->state(), 0x1Fu);
    ASSERT_TRUE(album->setProperty(0, "NAME", "Hall"));
    ASSERT_TRUE(album->setProperty(0, "name", "Porch"));
    EXPECT_EQ(album->item(0)->properties.nameAt(0), "NAME");
    EXPECT_EQ(album->itemName(0), "Porch");
    EXPECT_EQ(album->state(), 0x8000001Fu);
    EXPECT_FALSE(album->setProperty(1, "NAME", "x"));
    ASSERT_TRUE(album->saveIfDirty());
    EXPECT_EQ(album->state(), 0x1Fu);

    std::size_t visited = 0;
    EXPECT_EQ(album->forEachItem([&](Album&, std::size_t, const AlbumItem&) { ++visited; }, 0, 5),
              1u);
    EXPECT_EQ(visited, 1u);
}

TEST(FolderAlbumItems, ReadOnlyAlbumRefusesWithoutTouchingFiles) {
    AlbumFolder f;
    f.addPicture("a.jpg");
    f.addPicture("b.jpg");
    auto album = f.open(/*readOnly=*/true);
    EXPECT_EQ(album->capabilities(), 0x10u);
    RemovedItem kept;
    EXPECT_FALSE(album->removeItem(0, &kept));
    EXPECT_FALSE(album->removeItem(0));
    EXPECT_FALSE(album->moveItem(0, 1));
    EXPECT_FALSE(album->insertCopiedItem(f.path("a.jpg"), 0));
    EXPECT_FALSE(album->setProperty(0, "NAME", "x"));
    EXPECT_EQ(folderFiles(f.folder()), (Names{".orp", "a.jpg", "b.jpg"}));
    EXPECT_FALSE(album->isDirty());
}

TEST(FolderAlbumMove, PastTheEndGoesLastAndOntoItselfFails) {
    AlbumFolder f;
    for (const char* n : {"a.jpg", "b.jpg", "c.jpg"})
        f.addPicture(n);
    auto album = f.open();
    EXPECT_TRUE(album->moveItem(0, 99));
    EXPECT_EQ(itemFileNames(*album), (Names{"b.jpg", "c.jpg", "a.jpg"}));
    EXPECT_FALSE(album->moveItem(2, 2));
    EXPECT_FALSE(album->moveItem(2, 7)) << "clamped onto itself";
    EXPECT_FALSE(album->moveItem(3, 0));
    EXPECT_TRUE(album->moveItem(2, 0));
    EXPECT_EQ(itemFileNames(*album), (Names{"a.jpg", "b.jpg", "c.jpg"}));
}

TEST(FolderAlbumRemove, ParkingTakesTheFirstFreeName) {
    AlbumFolder f;
    f.addPicture("x.jpg", "X");
    auto album = f.open();
    // Placed after opening, or the purge would take it.
    f.addPicture(".deleted.x.jpg", "older");
    RemovedItem kept;
    ASSERT_TRUE(album->removeItem(0, &kept));
    EXPECT_EQ(kept.item.path, f.path(".deleted.(1)x.jpg"));
    EXPECT_EQ(kept.fileName, "x.jpg");
    EXPECT_EQ(readFile(kept.item.path), "X");
    EXPECT_EQ(readFile(f.path(".deleted.x.jpg")), "older");
    EXPECT_EQ(album->itemCount(), 0u);
}

TEST(FolderAlbumRemove, WithoutUndoTheFileGoesForGood) {
    AlbumFolder f;
    f.addPicture("x.jpg");
    auto album = f.open();
    std::filesystem::permissions(f.path("x.jpg"), std::filesystem::perms::owner_read);
    ASSERT_TRUE(album->removeItem(0));
    EXPECT_EQ(folderFiles(f.folder()), Names{".orp"});
}

TEST(FolderAlbumRemove, MissingFileCannotBeParked) {
    AlbumFolder f;
    f.addPicture("x.jpg");
    auto album = f.open();
    std::filesystem::remove(f.path("x.jpg"));
    RemovedItem kept;
    EXPECT_FALSE(album->removeItem(0, &kept));
    EXPECT_EQ(album->itemCount(), 1u);
}

TEST(FolderAlbumInsert, CopiesTakePrefixedNamesAndFolderFilesAreTakenAsTheyAre) {
    AlbumFolder f;
    f.addPicture("a.jpg", "A");
    auto album = f.open();
    std::size_t used = 99;
    ASSERT_TRUE(album->insertCopiedItem(f.path("a.jpg"), 0, &used));
    EXPECT_EQ(used, 0u);
    EXPECT_EQ(itemFileNames(*album), (Names{"(1)a.jpg", "a.jpg"}));
    EXPECT_EQ(readFile(f.path("(1)a.jpg")), "A");

    test::writeFile(f.outside("a.jpg"), "outside");
    ASSERT_TRUE(album->insertCopiedItem(f.outside("a.jpg"), 10, &used));
    EXPECT_EQ(used, 2u);
    EXPECT_EQ(readFile(f.path("(2)a.jpg")), "outside");
    EXPECT_TRUE(fileExists(f.outside("a.jpg")));

    // A picture already in the folder but not yet in the album is taken without a copy.
    f.addPicture("new.jpg");
    ASSERT_TRUE(album->insertCopiedItem(f.path("new.jpg"), 1, &used));
    EXPECT_EQ(itemFileNames(*album), (Names{"(1)a.jpg", "new.jpg", "a.jpg", "(2)a.jpg"}));
    EXPECT_EQ(folderFiles(f.folder()).size(), 5u);

    EXPECT_FALSE(album->insertCopiedItem("nofolder.jpg", 0));
    EXPECT_FALSE(album->insertCopiedItem(f.outside("missing.jpg"), 0));
    EXPECT_EQ(album->itemCount(), 4u);
}

TEST(FolderAlbumInsert, FoldersAreCopiedWithTheirTree) {
    AlbumFolder f;
    auto album = f.open();
    std::filesystem::create_directories(f.outside("tree/inner"));
    test::writeFile(f.outside("tree/inner/p.jpg"), "deep");
    ASSERT_TRUE(album->insertCopiedItem(f.outside("tree"), 0));
    EXPECT_EQ(readFile(f.path("tree/inner/p.jpg")), "deep");
}

TEST(FolderAlbumInsert, MovedInItemsTakeTheWantedNameOrAPrefixedOne) {
    AlbumFolder f;
    f.addPicture("a.jpg");
    auto album = f.open();
    test::writeFile(f.outside("incoming.bin"), "I");
    AlbumItem item;
    item.path = f.outside("incoming.bin");
    item.properties.set("NAME", "In");
    std::size_t used = 0;
    ASSERT_TRUE(album->insertMovedItem(0, item, "a.jpg", &used));
    EXPECT_EQ(album->item(0)->path, f.path("(1)a.jpg"));
    EXPECT_EQ(album->property(0, "NAME"), "In");
    EXPECT_EQ(readFile(f.path("(1)a.jpg")), "I");
    EXPECT_FALSE(fileExists(f.outside("incoming.bin")));
    EXPECT_FALSE(album->insertMovedItem(0, item, "b.jpg")) << "its file has moved away";
}

TEST(FolderAlbumRename, FolderMovesAndItsItemsFollow) {
    AlbumFolder f;
    f.addPicture("a.jpg");
    test::writeFile(f.outside("out.jpg"), "O");
    test::writeFile(f.path(".orp"),
                    "<ORBALBUM>\r\r\n<ORBITEM id=\"a.jpg\">\r\r\n</ORBITEM>\r\r\n<ORBITEM path=\"" +
                        f.outside("out.jpg") + "\">\r\r\n</ORBITEM>\r\r\n</ORBALBUM>\r\r\n");
    auto album = f.open();
    ASSERT_EQ(album->itemCount(), 2u);
    ASSERT_TRUE(album->rename("Renamed"));
    const std::string moved = f.outside("Renamed");
    EXPECT_EQ(album->folder(), moved);
    EXPECT_EQ(album->name(), "Renamed");
    EXPECT_EQ(album->item(0)->path, moved + "/a.jpg");
    EXPECT_EQ(album->item(1)->path, f.outside("out.jpg")) << "a picture stored elsewhere stays";
    EXPECT_TRUE(album->isDirty());
    for (const char* bad : {"", ".", "..", "a/b"})
        EXPECT_FALSE(album->rename(bad)) << bad;
    std::filesystem::create_directory(f.outside("Taken"));
    EXPECT_FALSE(album->rename("Taken"));
    EXPECT_EQ(album->folder(), moved);
    ASSERT_TRUE(album->saveIfDirty());
    auto again = FolderAlbum::open(moved, false, localFileSystem(), f.patterns());
    EXPECT_EQ(again->items(), album->items());
}

TEST(FolderAlbumStorable, ValuesAndNamesTheFileCannotHoldAreRefusedOrMended) {
    AlbumFolder f;
    f.addPicture("a.jpg");
    auto album = f.open();
    EXPECT_FALSE(album->setProperty(0, "NAME", "a<b"));
    EXPECT_FALSE(album->setProperty(0, "NA\"ME", "x"));
    EXPECT_FALSE(album->setProperty(0, "NA>ME", "x"));
    EXPECT_FALSE(album->setProperty(0, "", "x"));
    EXPECT_FALSE(album->isDirty());
    ASSERT_TRUE(album->setProperty(0, "NAME", "two\r\nlines \"quoted\" > ok"));
    EXPECT_EQ(album->property(0, "NAME"), "twolines \"quoted\" > ok");

    AlbumItem bad;
    bad.path = f.path("a.jpg");
    bad.properties.set("CC", "<1,2,3>");
    EXPECT_FALSE(album->insertCopiedItem(bad, 0));
    EXPECT_EQ(folderFiles(f.folder()), (Names{".orp", "a.jpg"}));
}

TEST(FolderAlbumStorable, PicturesWithUnstorableNamesEnterUnderSafeNames) {
    AlbumFolder f;
    f.addPicture("fo\"und\t.jpg", "F");
    auto album = f.open();
    EXPECT_EQ(itemFileNames(*album), Names{"fo_und_.jpg"});
    EXPECT_EQ(readFile(f.path("fo_und_.jpg")), "F");

    test::writeFile(f.outside("q\"uote>d.jpg"), "Q");
    ASSERT_TRUE(album->insertCopiedItem(f.outside("q\"uote>d.jpg"), 5));
    EXPECT_EQ(readFile(f.path("q_uote_d.jpg")), "Q");

    // One already in the folder moves to its safe name rather than leaving a copy behind.
    f.addPicture("in>side.jpg", "S");
    ASSERT_TRUE(album->insertCopiedItem(f.path("in>side.jpg"), 5));
    EXPECT_EQ(readFile(f.path("in_side.jpg")), "S");
    EXPECT_FALSE(fileExists(f.path("in>side.jpg")));
    EXPECT_EQ(itemFileNames(*album), (Names{"fo_und_.jpg", "q_uote_d.jpg", "in_side.jpg"}));
}

TEST(FolderAlbumStorable, EveryAcceptedItemSurvivesSaveAndReload) {
    AlbumFolder f;
    auto album = f.open();
    const Names names{
        "plain.jpg", " lead and trail .jpg", "a\"b.jpg",         "c>d.jpg",  "e<f.jpg",
        "g\nh.jpg",  "caf\xc3\xa9.jpg",      "\xff\xfe raw.jpg", "=\"=.jpg", ".deleted.x.jpg",
        "(1)p.jpg"};
    const Names values{"v", " spaced ",     "a>b",        "\"q\"", "x<y",        "tab\tstop",
                       "",  "\xc3\xa9\xff", "</ORBINFO>", "=\"",   "back\\slash"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        test::writeFile(f.outside(names[i]), names[i]);
        AlbumItem item;
        item.path = f.outside(names[i]);
        item.properties.set("V" + std::to_string(i), values[i]);
        (void)album->insertCopiedItem(item, i);
        (void)album->setProperty(album->itemCount() - 1, "NAME", values[(i + 3) % values.size()]);
        (void)album->setProperty(album->itemCount() - 1, names[i], "n");
    }
    EXPECT_GE(album->itemCount(), 8u);
    ASSERT_TRUE(album->save());
    auto again = f.open();
    // Empty values are never written; every other accepted value and path comes back.
    auto expected = album->items();
    for (AlbumItem& item : expected) {
        PropertyMap kept;
        for (std::size_t i = 0; i < item.properties.count(); ++i) {
            if (!item.properties.valueAt(i).empty())
                kept.set(item.properties.nameAt(i), item.properties.valueAt(i));
        }
        item.properties = kept;
    }
    EXPECT_EQ(again->items(), expected);
    EXPECT_FALSE(again->isDirty()) << "reopening found nothing to change";
}

}  // namespace
}  // namespace orbpix
