#include "album/AlbumFile.h"

#include <gtest/gtest.h>

#include "AlbumTestSupport.h"
#include "album/AlbumPaths.h"

namespace orbpix {
namespace {

using test::AlbumFolder;

AlbumItem makeItem(std::string path, std::initializer_list<std::pair<const char*, const char*>> p) {
    AlbumItem item;
    item.path = std::move(path);
    for (const auto& [name, value] : p)
        item.properties.set(name, value);
    return item;
}

std::vector<AlbumItem> readItems(const std::string& bytes, const std::string& folder,
                                 bool* root = nullptr) {
    TaggedDocument document;
    if (!document.read(bytes))
        return {};
    auto items = itemsFromDocument(document, folder);
    if (root)
        *root = items.rootRecognised;
    return items.items;
}

TEST(AlbumFileBytes, AnEmptyAlbumIsTwoLines) {
    EXPECT_EQ(albumFileBytes({}, "/a"), "<ORBALBUM>\r\r\n</ORBALBUM>\r\r\n");
}

TEST(AlbumFileBytes, ItemsByFileNameInsideTheFolderAndByPathElsewhere) {
    const std::vector<AlbumItem> items{
        makeItem("/albums/One/a.jpg", {{"NAME", "Hall"}, {"FLAT_PATH", ""}}),
        makeItem("/elsewhere/b.jpg", {}),
        makeItem("bare.jpg", {}),
        makeItem("/albums/One/sub/c.jpg", {}),
    };
    const std::string bytes = albumFileBytes(items, "/albums/One");
    EXPECT_EQ(bytes,
              "<ORBALBUM>\r\r\n"
              "<ORBITEM id=\"a.jpg\">\r\r\n"
              "<ORBINFO id=\"NAME\">\r\r\n"
              "Hall</ORBINFO>\r\r\n"
              "<ORBINFO id=\"FLAT_PATH\">\r\r\n"
              "</ORBINFO>\r\r\n"
              "</ORBITEM>\r\r\n"
              "<ORBITEM path=\"/elsewhere/b.jpg\">\r\r\n"
              "</ORBITEM>\r\r\n"
              "<ORBITEM id=\"bare.jpg\">\r\r\n"
              "</ORBITEM>\r\r\n"
              "<ORBITEM path=\"/albums/One/sub/c.jpg\">\r\r\n"
              "</ORBITEM>\r\r\n"
              "</ORBALBUM>\r\r\n");

    const auto back = readItems(bytes, "/albums/One");
    ASSERT_EQ(back.size(), 4u);
    EXPECT_EQ(back[0].path, "/albums/One/a.jpg");
    EXPECT_EQ(back[0].properties.get("NAME"), "Hall");
    EXPECT_FALSE(back[0].properties.contains("FLAT_PATH")) << "an empty value is not stored";
    EXPECT_EQ(back[1].path, "/elsewhere/b.jpg");
    EXPECT_EQ(back[3].path, "/albums/One/sub/c.jpg");
}

TEST(AlbumFileRead, NameCaseRulesAndDroppedElements) {
    bool root = false;
    const auto items = readItems(
        "<ORBALBUM>\r\n"
        "<ORBITEM ID=\"upper.jpg\"><ORBINFO Id=\"cc\">1,2,3</ORBINFO></ORBITEM>\r\n"
        "<orbitem id=\"lower.jpg\"></orbitem>\r\n"
        "<ORBITEM name=\"none.jpg\"></ORBITEM>\r\n"
        "<ORBITEM id=\"info.jpg\"><orbinfo id=\"A\">x</orbinfo><ORBINFO>y</ORBINFO>"
        "<ORBINFO id=\"B\"></ORBINFO><ORBINFO id=\"C\">  spaced  </ORBINFO></ORBITEM>\r\n"
        "<ORBITEM id=\"upper.jpg\"></ORBITEM>\r\n"
        "</ORBALBUM>\r\n",
        "/f", &root);
    EXPECT_TRUE(root);
    ASSERT_EQ(items.size(), 3u) << "lower-case element and the item without a path go";
    EXPECT_EQ(items[0].path, "/f/upper.jpg");
    EXPECT_EQ(items[0].properties.get("CC"), "1,2,3");
    EXPECT_EQ(items[1].path, "/f/info.jpg");
    ASSERT_EQ(items[1].properties.count(), 1u);
    EXPECT_EQ(items[1].properties.get("C"), "  spaced  ");
    EXPECT_EQ(items[2].path, "/f/upper.jpg") << "duplicates are kept";
}

TEST(AlbumFileRead, OtherRootsGiveNoItems) {
    bool root = true;
    EXPECT_TRUE(readItems("<ALBUM><ORBITEM id=\"a\"></ORBITEM></ALBUM>", "/f", &root).empty());
    EXPECT_FALSE(root);
}

TEST(AlbumFileRead, MissingFinalEndTagKeepsEveryCompleteItem) {
    std::vector<AlbumItem> items;
    for (int i = 0; i < 4; ++i)
        items.push_back(makeItem("/f/" + std::to_string(i) + ".jpg", {{"NAME", "n"}}));
    std::string bytes = albumFileBytes(items, "/f");
    bytes.resize(bytes.size() - std::string("</ORBALBUM>\r\r\n").size());
    EXPECT_EQ(readItems(bytes, "/f"), items);
}

TEST(AlbumFileRead, LineBreaksInValuesAreLost) {
    const auto items = readItems(
        "<ORBALBUM><ORBITEM id=\"a\"><ORBINFO id=\"NAME\">two\r\nlines</ORBINFO>"
        "</ORBITEM></ORBALBUM>",
        "/f");
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].properties.get("NAME"), "twolines");
}

TEST(AlbumFileRead, EveryTruncationReadsAPrefixOfTheItems) {
    std::vector<AlbumItem> items;
    for (int i = 0; i < 3; ++i)
        items.push_back(makeItem("/f/p" + std::to_string(i) + ".jpg", {{"CC", "1,2,3"}}));
    const std::string bytes = albumFileBytes(items, "/f");
    for (std::size_t n = 0; n <= bytes.size(); ++n) {
        const auto back = readItems(bytes.substr(0, n), "/f");
        ASSERT_LE(back.size(), items.size());
        for (std::size_t i = 0; i < back.size(); ++i) {
            EXPECT_EQ(back[i].path.substr(0, 4), "/f/p") << n;
            // A cut inside an item can shorten only that last item's file name or value.
            if (i + 1 < back.size()) {
                EXPECT_EQ(back[i], items[i]) << n;
            }
        }
    }
}

TEST(AlbumFileLoad, MissingFolderFailsAndMissingFileIsEmpty) {
    AlbumFolder f;
    EXPECT_EQ(loadAlbumFile(localFileSystem(), f.folder() + "/nope").outcome,
              AlbumFileLoad::NoFolder);
    EXPECT_EQ(loadAlbumFile(localFileSystem(), f.folder()).outcome, AlbumFileLoad::NoFile);
    test::writeFile(f.path(".orp"), "<ORBALBUM></x>");
    EXPECT_EQ(loadAlbumFile(localFileSystem(), f.folder()).outcome, AlbumFileLoad::Unreadable);
}

TEST(AlbumFileSave, ALeftoverOldFileFailsOneSaveOnly) {
    AlbumFolder f;
    const std::vector<AlbumItem> first{makeItem(f.path("a.jpg"), {})};
    const std::vector<AlbumItem> second{makeItem(f.path("b.jpg"), {})};
    ASSERT_TRUE(saveAlbumFile(localFileSystem(), f.folder(), first));
    test::writeFile(f.path(".orp3"), "left behind");
    EXPECT_FALSE(saveAlbumFile(localFileSystem(), f.folder(), second));
    EXPECT_EQ(f.albumFile(), albumFileBytes(first, f.folder())) << "the old file stands";
    EXPECT_EQ(test::folderFiles(f.folder()), std::vector<std::string>{".orp"});
    EXPECT_TRUE(saveAlbumFile(localFileSystem(), f.folder(), second));
    EXPECT_EQ(f.albumFile(), albumFileBytes(second, f.folder()));
}

TEST(AlbumFileSave, CreatesOneMissingFolderLevel) {
    AlbumFolder f;
    const std::string folder = f.folder() + "/New";
    EXPECT_TRUE(saveAlbumFile(localFileSystem(), folder, {}));
    EXPECT_EQ(test::readFile(folder + "/.orp"), "<ORBALBUM>\r\r\n</ORBALBUM>\r\r\n");
    EXPECT_FALSE(saveAlbumFile(localFileSystem(), f.folder() + "/x/y", {}));
}

TEST(AlbumFileLoad, ASaveCutShortIsTakenBackOnLoad) {
    AlbumFolder f;
    const std::vector<AlbumItem> old{makeItem(f.path("old.jpg"), {})};
    const std::vector<AlbumItem> fresh{makeItem(f.path("new.jpg"), {})};
    // The old file set aside, the new one not yet in place: the old one returns.
    test::writeFile(f.path(".orp3"), albumFileBytes(old, f.folder()));
    test::writeFile(f.path(".orp2"), albumFileBytes(fresh, f.folder()));
    auto content = loadAlbumFile(localFileSystem(), f.folder());
    EXPECT_EQ(content.items, old);
    EXPECT_TRUE(test::fileExists(f.path(".orp")));

    // A first save whose new file is complete: it becomes the album file.
    AlbumFolder g;
    test::writeFile(g.path(".orp2"), albumFileBytes(fresh, f.folder()));
    EXPECT_EQ(loadAlbumFile(localFileSystem(), g.folder()).items.size(), 1u);

    // One cut short while writing is not taken.
    AlbumFolder h;
    const std::string bytes = albumFileBytes(fresh, h.folder());
    test::writeFile(h.path(".orp2"), bytes.substr(0, bytes.size() - 3));
    EXPECT_EQ(loadAlbumFile(localFileSystem(), h.folder()).outcome, AlbumFileLoad::NoFile);
}

TEST(AlbumPaths, CandidateNames) {
    EXPECT_EQ(parkedCandidate("x.jpg", 0), ".deleted.x.jpg");
    EXPECT_EQ(parkedCandidate("x.jpg", 2), ".deleted.(2)x.jpg");
    EXPECT_EQ(prefixedCandidate("x.jpg", 0), "x.jpg");
    EXPECT_EQ(prefixedCandidate("x.jpg", 11), "(11)x.jpg");
    EXPECT_TRUE(isParkedName(".DELETED.x.jpg"));
    EXPECT_FALSE(isParkedName("deleted.x.jpg"));
    EXPECT_EQ(storableFileName("a\"b>c<d\te.jpg"), "a_b_c_d_e.jpg");
    EXPECT_TRUE(isStorableAttributeValue("it's <fine"));
    EXPECT_FALSE(isStorableAttributeValue("a>b"));
    EXPECT_FALSE(isStorableTextValue("a<b"));
    EXPECT_TRUE(isStorableTextValue("a>\"b"));
}

}  // namespace
}  // namespace orbpix
