#include "album/TemporaryCopies.h"

#include "AlbumFiles.h"

namespace orbpix {
namespace {

using test::readFile;
using test::writeFile;

class TemporaryCopiesTest : public ::testing::Test {
protected:
    QString album(const QString& name) const { return m_temp.path("album/" + name); }
    QString temp() const { return m_temp.path("tmp"); }
    void SetUp() override { ASSERT_TRUE(QDir().mkpath(temp())); }

    test::QtTempFolder m_temp;
};

TEST_F(TemporaryCopiesTest, CopiesKeepTheirNamesAndDisappearWhenDeleted) {
    writeFile(album("ring.jpg"), "ring");
    writeFile(album("flat.bmp"), "flat");
    TemporaryCopies copies(temp());
    const QList<TransferItem> items{{album("ring.jpg"), {{"NAME", "Ring"}}},
                                    {album("flat.bmp"), {}}};
    const QList<TransferItem> copied = copies.copyIn(items);
    ASSERT_EQ(copied.size(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_NE(copied[i].path, items[i].path);
        EXPECT_EQ(QFileInfo(copied[i].path).fileName(), QFileInfo(items[i].path).fileName());
        EXPECT_TRUE(copied[i].path.startsWith(temp() + "/"));
        EXPECT_EQ(readFile(copied[i].path), readFile(items[i].path));
        EXPECT_EQ(copied[i].properties, items[i].properties);
    }
    EXPECT_EQ(copies.paths(), (QStringList{copied[0].path, copied[1].path}));

    EXPECT_EQ(copies.deleteAll(), 2);
    EXPECT_TRUE(copies.paths().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(copied[0].path));
    EXPECT_FALSE(QFileInfo::exists(copied[1].path));
    EXPECT_TRUE(QDir(temp()).isEmpty());
    // The originals are untouched.
    EXPECT_EQ(readFile(album("ring.jpg")), "ring");
}

TEST_F(TemporaryCopiesTest, SomeoneElsesFileInTheTemporaryFolderIsLeftAlone) {
    writeFile(temp() + "/ring.jpg", "not ours");
    writeFile(album("ring.jpg"), "ours");
    TemporaryCopies copies(temp());
    const auto copied = copies.copyIn({{album("ring.jpg"), {}}});
    EXPECT_EQ(readFile(copied[0].path), "ours");
    EXPECT_EQ(copies.deleteAll(), 1);
    EXPECT_EQ(readFile(temp() + "/ring.jpg"), "not ours");
}

TEST_F(TemporaryCopiesTest, TwoItemsWithOneFileNameKeepTheirOwnContent) {
    writeFile(m_temp.path("a/x.jpg"), "from a");
    writeFile(m_temp.path("b/x.jpg"), "from b");
    TemporaryCopies copies(temp());
    const auto copied = copies.copyIn({{m_temp.path("a/x.jpg"), {}}, {m_temp.path("b/x.jpg"), {}}});
    EXPECT_EQ(QFileInfo(copied[0].path).fileName(), "x.jpg");
    EXPECT_EQ(QFileInfo(copied[1].path).fileName(), "(1)x.jpg");
    EXPECT_EQ(readFile(copied[0].path), "from a");
    EXPECT_EQ(readFile(copied[1].path), "from b");
}

TEST_F(TemporaryCopiesTest, ALaterCopyOverwritesTheEarlierOneAndIsListedOnce) {
    writeFile(album("x.jpg"), "v1");
    TemporaryCopies copies(temp());
    const auto first = copies.copyIn({{album("x.jpg"), {}}});
    writeFile(album("x.jpg"), "version 2");
    const auto second = copies.copyIn({{album("x.jpg"), {}}});
    EXPECT_EQ(first[0].path, second[0].path);
    EXPECT_EQ(readFile(second[0].path), "version 2");
    EXPECT_EQ(copies.paths().size(), 1);
    // Offering one of our own copies again must not destroy it.
    const auto again = copies.copyIn(second);
    EXPECT_EQ(again[0].path, second[0].path);
    EXPECT_EQ(readFile(again[0].path), "version 2");
}

TEST_F(TemporaryCopiesTest, FoldersAreCopiedWholeAndDeletedEvenWhenReadOnly) {
    writeFile(album("pano/tiles/0.jpg"), "t0");
    writeFile(album("pano/index.txt"), "i");
    TemporaryCopies copies(temp());
    const auto copied = copies.copyIn({{album("pano"), {}}});
    EXPECT_EQ(readFile(copied[0].path + "/tiles/0.jpg"), "t0");
    EXPECT_EQ(readFile(copied[0].path + "/index.txt"), "i");
    test::makeReadOnly(copied[0].path + "/tiles/0.jpg");
    test::makeReadOnly(copied[0].path + "/tiles");
    EXPECT_EQ(copies.deleteAll(), 1);
    EXPECT_FALSE(QFileInfo::exists(copied[0].path));
}

TEST_F(TemporaryCopiesTest, AnItemWhoseCopyFailsKeepsItsOwnPath) {
    writeFile(album("ok.jpg"), "ok");
    TemporaryCopies copies(temp());
    const auto copied = copies.copyIn({{album("gone.jpg"), {}}, {album("ok.jpg"), {}}});
    EXPECT_EQ(copied[0].path, album("gone.jpg"));
    EXPECT_NE(copied[1].path, album("ok.jpg"));
    EXPECT_EQ(copies.paths(), QStringList{copied[1].path});

    // Without a usable temporary folder every item keeps its path.
    writeFile(m_temp.path("blocker"), "x");
    TemporaryCopies nowhere(m_temp.path("blocker/tmp"));
    const auto none = nowhere.copyIn({{album("ok.jpg"), {}}});
    EXPECT_EQ(none[0].path, album("ok.jpg"));
    EXPECT_EQ(nowhere.deleteAll(), 0);
}

TEST_F(TemporaryCopiesTest, OfferingRemembersTheItemsAndCarriesTheRightPaths) {
    writeFile(album("x.jpg"), "x");
    TemporaryCopies copies(temp());
    const QList<TransferItem> items{{album("x.jpg"), {{"NAME", "X"}}}};

    const auto plain = offerItems(items, TempCopies::No, copies);
    ASSERT_TRUE(plain);
    EXPECT_EQ(lastDraggedItems(), items);
    QList<TransferItem> read;
    ASSERT_TRUE(readItemsBlock(*plain, read));
    EXPECT_EQ(read, items);
    EXPECT_TRUE(copies.paths().isEmpty());

    const auto viaTemp = offerItems(items, TempCopies::Yes, copies);
    ASSERT_TRUE(viaTemp);
    read.clear();
    ASSERT_TRUE(readItemsBlock(*viaTemp, read));
    ASSERT_EQ(read.size(), 1);
    EXPECT_EQ(read[0].path, copies.paths().value(0));
    EXPECT_EQ(read[0].properties, items[0].properties);
    EXPECT_EQ(lastDraggedItems(), items);
    EXPECT_EQ(copies.deleteAll(), 1);
}

}  // namespace
}  // namespace orbpix
