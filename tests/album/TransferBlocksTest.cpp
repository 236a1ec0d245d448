#include "album/TransferBlocks.h"

#include <gtest/gtest.h>

namespace orbpix {
namespace {

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

TEST(TransferItemsBlock, TheThirtyTwoByteItemsBlock) {
    TransferItem item{"C:\\p.jpg", {}};
    item.setProperty("NAME", "x");
    const auto block = buildItemsBlock({&item, 1}, 0x01020304);
    ASSERT_TRUE(block);
    ASSERT_EQ(block->size(), 32);
    const QByteArray expected =
        bytes({0xFE, 0xCA, 0xFE, 0xCA, 0x04, 0x03, 0x02, 0x01, 1, 0, 0, 0, 1, 0, 0, 0}) +
        QByteArray("C:\\p.jpg\0NAME\0x\0", 16);
    EXPECT_EQ(*block, expected);

    QList<TransferItem> read;
    ASSERT_TRUE(readItemsBlock(*block, read));
    ASSERT_EQ(read.size(), 1);
    EXPECT_EQ(read[0], item);
}

TEST(TransferItemsBlock, ManyItemsRoundTripInOrderWithTheirSize) {
    QList<TransferItem> items(3);
    items[0].path = "/albums/Mars/ring.jpg";
    items[0].setProperty("NAME", "Gipfel über Zürich 🏔");
    items[0].setProperty("CIRCLES", "800,600,120,560");
    items[0].setProperty("FLAT_PATH", "");
    items[1].path = "/albums/Mars/bare.bmp";
    items[2].path = "";
    items[2].setProperty("CC", "0,0,0");
    const auto block = buildItemsBlock(items, 7);
    ASSERT_TRUE(block);

    qsizetype size = 12;
    for (const TransferItem& item : items) {
        size += 4 + item.path.toUtf8().size() + 1;
        for (const auto& [name, value] : item.properties)
            size += name.toUtf8().size() + 1 + value.toUtf8().size() + 1;
    }
    EXPECT_EQ(block->size(), size);

    // Reading appends to what the list already holds.
    QList<TransferItem> read{TransferItem{"/already/there.jpg", {}}};
    ASSERT_TRUE(readItemsBlock(*block, read));
    ASSERT_EQ(read.size(), 4);
    EXPECT_EQ(read[0].path, "/already/there.jpg");
    EXPECT_EQ(read.mid(1), items);
}

TEST(TransferItemsBlock, RepeatedNamesKeepTheLastValueAtTheFirstPlace) {
    const QByteArray block = bytes({0xFE, 0xCA, 0xFE, 0xCA, 0, 0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 0}) +
                             QByteArray("/p.jpg\0NAME\0a\0CC\0b\0name\0c\0", 26);
    QList<TransferItem> read;
    ASSERT_TRUE(readItemsBlock(block, read));
    ASSERT_EQ(read.size(), 1);
    const QList<std::pair<QString, QString>> expected{{"NAME", "c"}, {"CC", "b"}};
    EXPECT_EQ(read[0].properties, expected);
}

TEST(TransferItemsBlock, AForeignOrDamagedBlockIsRefusedAsAWhole) {
    TransferItem a{"/a.jpg", {{"NAME", "first"}}};
    TransferItem b{"/b.jpg", {{"NAME", "second"}, {"CC", "1,2,3"}}};
    const QList<TransferItem> items{a, b};
    const QByteArray block = *buildItemsBlock(items, 1);

    QByteArray foreign = block;
    foreign[0] = char(0xFF);
    QList<TransferItem> read;
    EXPECT_FALSE(readItemsBlock(foreign, read));
    EXPECT_TRUE(read.isEmpty());

    // Cut anywhere short of the last terminator, the block is refused and nothing is added.
    for (qsizetype n = 0; n < block.size(); ++n) {
        EXPECT_FALSE(readItemsBlock(QByteArrayView(block).first(n), read)) << n;
        EXPECT_TRUE(read.isEmpty()) << n;
    }
    // Trailing bytes of a rounded-up allocation are ignored.
    ASSERT_TRUE(readItemsBlock(block + QByteArray(13, '\0'), read));
    EXPECT_EQ(read, items);
}

TEST(TransferItemsBlock, CountsBeyondTheBlockAreRefusedBeforeAnythingIsAllocated) {
    QList<TransferItem> read;
    EXPECT_FALSE(
        readItemsBlock(bytes({0xFE, 0xCA, 0xFE, 0xCA, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}), read));
    const QByteArray manyPairs =
        bytes({0xFE, 0xCA, 0xFE, 0xCA, 0, 0, 0, 0, 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F}) +
        QByteArray("/p\0a\0b\0", 7);
    EXPECT_FALSE(readItemsBlock(manyPairs, read));
    // One item claimed, two present: the extra record counts as trailing bytes.
    const QByteArray fewer = bytes({0xFE, 0xCA, 0xFE, 0xCA, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}) +
                             QByteArray("/p\0", 3) + bytes({0, 0, 0, 0}) + QByteArray("/q\0", 3);
    ASSERT_TRUE(readItemsBlock(fewer, read));
    ASSERT_EQ(read.size(), 1);
    EXPECT_EQ(read[0].path, "/p");
}

TEST(TransferItemsBlock, StringsWithAZeroCharacterCannotBeCarried) {
    const TransferItem badPath{QString("/a") + QChar(0) + "b.jpg", {}};
    EXPECT_FALSE(buildItemsBlock({&badPath, 1}));
    const TransferItem badValue{"/a.jpg", {{"NAME", QString("x") + QChar(0) + "y"}}};
    EXPECT_FALSE(buildItemsBlock({&badValue, 1}));
    EXPECT_TRUE(buildItemsBlock({}));
}

TEST(TransferIndexesBlock, KeepsRoomForEveryRequestAndCountsOnlyExistingItems) {
    const int requested[] = {3, 7, 1, -1, 2, 4};
    const QByteArray block = buildIndexesBlock(requested, /*itemCount=*/4, 0xA0B0C0D0);
    const QByteArray expected =
        bytes({0xD0, 0xC0, 0xB0, 0xA0, 3, 0, 0, 0, 3, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0}) +
        QByteArray(12, '\0');
    EXPECT_EQ(block, expected);

    const auto read = readIndexesBlock(block);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->processId, 0xA0B0C0D0u);
    EXPECT_EQ(read->indexes, (std::vector<std::uint32_t>{3, 1, 2}));
}

TEST(TransferIndexesBlock, ShortBlocksAndForeignProcessesAreRefused) {
    const int requested[] = {0, 1};
    const QByteArray mine = buildIndexesBlock(requested, 2);
    const QByteArray theirs = buildIndexesBlock(requested, 2, currentProcessId() + 1);
    EXPECT_TRUE(readIndexes(mine, ProcessCheck::SameProcessOnly));
    EXPECT_FALSE(readIndexes(theirs, ProcessCheck::SameProcessOnly));
    const auto any = readIndexes(theirs, ProcessCheck::AnyProcess);
    ASSERT_TRUE(any);
    EXPECT_EQ(*any, (std::vector<std::uint32_t>{0, 1}));

    for (qsizetype n = 0; n < mine.size(); ++n)
        EXPECT_FALSE(readIndexesBlock(QByteArrayView(mine).first(n))) << n;
    EXPECT_FALSE(readIndexesBlock(bytes({0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0})));
}

TEST(FileDrops, TheLastFourCharactersDecideWithoutRegardToCase) {
    const QStringList patterns{"*.bmp", "*.jpeg", "*.jpg", "*.tif"};
    struct Case {
        const char* path;
        bool accepted;
    };
    const Case cases[] = {
        {"/home/ana/a.JPEG", true},
        {"/home/ana/notes.txt", false},
        {"/home/ana/B.Bmp", true},
        {"/x/y.tif", true},
        {"/x/y.tiff", false},
        {"/x/photojpeg", true},  // only four characters count
        {"a.jp", false},
        {".jpg", true},
        {"jpg", false},
        {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(itemsFromDroppedFiles({QString::fromUtf8(c.path)}, patterns).size(),
                  c.accepted ? 1 : 0)
            << c.path;

    const QList<TransferItem> items =
        itemsFromDroppedFiles({"/a/1.jpg", "/a/2.txt", "/a/3.BMP"}, patterns);
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0].path, "/a/1.jpg");
    EXPECT_EQ(items[1].path, "/a/3.BMP");
    EXPECT_TRUE(items[1].properties.isEmpty());
}

TEST(FileDrops, CharactersOutsideTheBasicPlaneCountOnce) {
    // "*.𝔸bc" ends in the four characters ".𝔸bc", five UTF-16 units.
    EXPECT_TRUE(matchesDropPattern(u"/x/y.𝔸BC", u"*.𝔸bc"));
    EXPECT_FALSE(matchesDropPattern(u"/x/y𝔸BC", u"*.𝔸bc"));
    // A pattern shorter than four characters is compared whole, so it cannot match a path.
    EXPECT_FALSE(matchesDropPattern(u"a.j", u"*.j"));
}

}  // namespace
}  // namespace orbpix
