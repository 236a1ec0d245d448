#include "tourfmt/TourAlbum.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/TourTestSupport.h"
#include "tourfmt/BlockScrambleStream.h"

namespace orbpix {
namespace {

using test::Bytes;

TourAlbum sampleAlbum() {
    TourAlbum album;
    album.title = "Côte d'Azur";
    album.info = TourInfo{"Ann Example", "1 Harbour Road\r\nNice", "http://example.org/"};
    album.pictures.push_back({"Port", -64, 26, test::randomBytes(1500, 1)});
    album.pictures.push_back({"", 0, 0, test::randomBytes(3, 2)});
    album.pictures.push_back({"Rooftops ☀", 12, -40, {}});
    return album;
}

Bytes plainAlbumBytes(const TourAlbum& album) {
    auto stream = MemoryStream::create();
    TourAlbumWriter writer(*stream);
    EXPECT_TRUE(writer.begin(album.title, album.info));
    for (const auto& picture : album.pictures)
        EXPECT_TRUE(writer.addPicture(picture));
    EXPECT_TRUE(writer.finish());
    return stream->bytes();
}

TourAlbum readPlain(const Bytes& bytes) {
    auto stream = test::memoryStreamOf(bytes);
    return readTourAlbum(*stream);
}

TEST(TourAlbumWriter, StartsWithTheRootAndTheVersionChunk) {
    const Bytes bytes = plainAlbumBytes(sampleAlbum());
    ASSERT_GE(bytes.size(), 24u);
    const Bytes head(bytes.begin() + 4, bytes.begin() + 12);
    EXPECT_EQ(head, (Bytes{0x00, 0x58, 0x58, 0x58, 'O', 'R', 'B', 'F'}));
    EXPECT_EQ(bytes[0] & 0x80, 0x80);
    EXPECT_EQ((std::uint32_t(bytes[0] & 0x7F) << 24 | std::uint32_t(bytes[1]) << 16 |
               std::uint32_t(bytes[2]) << 8 | bytes[3]),
              bytes.size());
    const Bytes vers(bytes.begin() + 12, bytes.begin() + 24);
    EXPECT_EQ(vers, (Bytes{0, 0, 0, 0x0C, 'V', 'E', 'R', 'S', 0x00, 0x31, 0x2E, 0x30}));
}

TEST(TourAlbumWriter, AnEmptyPictureNameIsACountOfZero) {
    TourAlbum album;
    album.pictures.push_back({"", 1, 2, {}});
    const Bytes bytes = plainAlbumBytes(album);
    // root 12, VERS 12, TOUR list 12, TITL 10, IMAG list 12, then the picture's TITL.
    const Bytes titl(bytes.begin() + 58, bytes.begin() + 68);
    EXPECT_EQ(titl, (Bytes{0, 0, 0, 10, 'T', 'I', 'T', 'L', 0, 0}));
    EXPECT_EQ(readPlain(bytes).pictures.at(0).name, "");
}

TEST(TourAlbum, RoundTripsThroughAScrambledFile) {
    test::TempFolder folder;
    const std::string path = folder.path("album.orb");
    const TourAlbum album = sampleAlbum();
    ASSERT_TRUE(writeTourAlbumFile(album, path));
    const Bytes stored = test::readFileBytes(path);
    EXPECT_EQ(stored.size(), (plainAlbumBytes(album).size() + 3) & ~std::size_t(3));
    const auto back = readTourAlbumFile(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, album);
    EXPECT_FALSE(readTourAlbumFile(folder.path("missing.orb")));
}

TEST(TourAlbum, WithoutInformationThereIsNoInfoChunk) {
    TourAlbum album = sampleAlbum();
    album.info.reset();
    const Bytes bytes = plainAlbumBytes(album);
    EXPECT_EQ(std::search(bytes.begin(), bytes.end(), std::begin("INFO"), std::end("INFO") - 1),
              bytes.end());
    EXPECT_EQ(readPlain(bytes), album);
}

TEST(TourAlbumReader, APictureWithoutAnglesKeepsTheViewerDefaults) {
    auto stream = MemoryStream::create();
    ChunkWriter chunks(*stream);
    ASSERT_TRUE(chunks.beginList(kTourRootTag, kTourRootType));
    ASSERT_TRUE(chunks.beginList(chunkTag("TOUR"), chunkTag("TOUR")));
    ASSERT_TRUE(chunks.beginList(chunkTag("IMAG"), chunkTag("IMAG")));
    ASSERT_TRUE(chunks.writeChunk(chunkTag("JPEG"), Bytes{0xFF, 0xD8}));
    ASSERT_TRUE(chunks.end());
    ASSERT_TRUE(chunks.end());
    ASSERT_TRUE(chunks.end());
    const TourAlbum album = readPlain(stream->bytes());
    ASSERT_EQ(album.pictures.size(), 1u);
    EXPECT_EQ(album.pictures[0].firstAngle, 64);
    EXPECT_EQ(album.pictures[0].secondAngle, -26);
    EXPECT_EQ(album.pictures[0].jpeg, (Bytes{0xFF, 0xD8}));
    EXPECT_EQ(album.title, "");
    EXPECT_FALSE(album.info);
}

TEST(TourAlbumReader, AnUnknownChunkBetweenTwoPicturesIsSkipped) {
    auto stream = MemoryStream::create();
    TourAlbumWriter writer(*stream);
    ASSERT_TRUE(writer.begin("Two", std::nullopt));
    ASSERT_TRUE(writer.addPicture({"one", 1, 2, {1}}));
    ChunkWriter extra(*stream);
    ASSERT_TRUE(extra.writeChunk(chunkTag("ZZZZ"), Bytes(13, 0xAB)));
    ASSERT_TRUE(extra.beginList(chunkTag("IMAG"), chunkTag("NOPE")));
    ASSERT_TRUE(extra.writeChunk(chunkTag("TITL"), Bytes{0, 1, 0, 'x'}));
    ASSERT_TRUE(extra.end());
    ASSERT_TRUE(writer.addPicture({"two", 3, 4, {2}}));
    ASSERT_TRUE(writer.finish());
    const TourAlbum album = readPlain(stream->bytes());
    ASSERT_EQ(album.pictures.size(), 2u);
    EXPECT_EQ(album.pictures[0].name, "one");
    EXPECT_EQ(album.pictures[1].name, "two");
    EXPECT_EQ(album.pictures[1].firstAngle, 3);
}

TEST(TourAlbumReader, AnotherRootGivesAnEmptyAlbum) {
    Bytes bytes = plainAlbumBytes(sampleAlbum());
    bytes[11] = 'X';  // type ORBX
    EXPECT_EQ(readPlain(bytes), TourAlbum{});
    bytes[11] = 'F';
    bytes[4] = 0x01;  // tag 01 58 58 58
    EXPECT_EQ(readPlain(bytes), TourAlbum{});
}

TEST(TourAlbumReader, AKeyChunkSwitchesKeysAfterItself) {
    // The key chunk names the picture key; everything after it is scrambled with that key.
    Bytes plain;
    test::putWord(plain, 24);
    test::putWord(plain, chunkTag("ORBK"));
    const ScrambleKey next = kTourSkinPictureKey;
    // The GUID's numbers most significant byte first.
    plain.insert(plain.end(),
                 {next[3], next[2], next[1], next[0], next[5], next[4], next[7], next[6]});
    plain.insert(plain.end(), next.begin() + 8, next.end());
    const TourAlbum album = sampleAlbum();
    const Bytes body = plainAlbumBytes(album);
    plain.insert(plain.end(), body.begin(), body.end());

    auto withAlbumKey = MemoryStream::create();
    auto withPictureKey = MemoryStream::create();
    {
        auto a = BlockScrambleStream::create(shareStream(withAlbumKey), kTourAlbumKey);
        auto b = BlockScrambleStream::create(shareStream(withPictureKey), kTourSkinPictureKey);
        ASSERT_TRUE(a->write(plain));
        ASSERT_TRUE(b->write(plain));
    }
    Bytes mixed(withAlbumKey->bytes().begin(), withAlbumKey->bytes().begin() + 24);
    mixed.insert(mixed.end(), withPictureKey->bytes().begin() + 24, withPictureKey->bytes().end());

    auto memory = test::memoryStreamOf(mixed);
    auto scrambled = BlockScrambleStream::create(shareStream(memory), kTourAlbumKey);
    EXPECT_EQ(readTourAlbum(*scrambled, scrambled.get()), album);

    // Without switching keys the rest is noise and nothing is found.
    auto again = test::memoryStreamOf(mixed);
    auto unswitched = BlockScrambleStream::create(shareStream(again), kTourAlbumKey);
    EXPECT_TRUE(readTourAlbum(*unswitched).pictures.empty());
}

TEST(TourAlbumReader, TruncatedAndDamagedFilesNeverReadPastTheirEnd) {
    const Bytes full = plainAlbumBytes(sampleAlbum());
    for (std::size_t cut = 0; cut < full.size(); cut += 7) {
        const TourAlbum album = readPlain(Bytes(full.begin(), full.begin() + std::ptrdiff_t(cut)));
        // The root list no longer fits, so nothing is read.
        EXPECT_EQ(album, TourAlbum{}) << cut;
    }
    std::mt19937 random(7);
    for (int i = 0; i < 300; ++i) {
        Bytes damaged = full;
        damaged[random() % 120] = std::uint8_t(random());
        const TourAlbum album = readPlain(damaged);
        EXPECT_LE(album.pictures.size(), 3u);
    }
}

TEST(TourAlbumReader, AWrongKeyReadsNothing) {
    test::TempFolder folder;
    const std::string path = folder.path("album.orb");
    ASSERT_TRUE(writeTourAlbumFile(sampleAlbum(), path));
    const auto album = readTourAlbumFile(path, kTourSkinPictureKey);
    ASSERT_TRUE(album);
    EXPECT_EQ(*album, TourAlbum{});
}

}  // namespace
}  // namespace orbpix
