#include "tourfmt/BlockScrambleStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "support/TourTestSupport.h"

namespace orbpix {
namespace {

using test::Bytes;

constexpr ScrambleKey kCountingKey = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07,
                                      0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F};

StreamRef<BlockScrambleStream> scrambledOver(const StreamRef<MemoryStream>& memory,
                                             const ScrambleKey& key) {
    return BlockScrambleStream::create(shareStream(memory), key);
}

Bytes readAll(ByteStream& stream) {
    Bytes all;
    std::uint8_t chunk[7];  // an odd size crosses block borders at every phase
    while (const std::size_t n = stream.read(chunk))
        all.insert(all.end(), chunk, chunk + n);
    return all;
}

TEST(ScrambleKey, WorkingKeySwapsTheShortFieldsAndReversesTheLastGroups) {
    const WorkingKey key = workingKeyOf(kCountingKey);
    EXPECT_EQ(key[0], 0x03020100u);
    EXPECT_EQ(key[1], 0x05040706u);
    EXPECT_EQ(key[2], 0x08090A0Bu);
    EXPECT_EQ(key[3], 0x0C0D0E0Fu);
}

TEST(ScrambleKey, GuidLayoutKeepsTheNumbersLeastSignificantByteFirst) {
    const ScrambleKey key = makeScrambleKey(0x11223344, 0x5566, 0x7788,
                                            {0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xF0, 0x01});
    const ScrambleKey expected = {0x44, 0x33, 0x22, 0x11, 0x66, 0x55, 0x88, 0x77,
                                  0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xF0, 0x01};
    EXPECT_EQ(key, expected);
    EXPECT_NE(kTourAlbumKey, kTourSkinPictureKey);
}

TEST(ScrambleBlock, UnscramblingRotatesEachWordBeforeTheKeyIsApplied) {
    // Single set bits show each word's rotation and byte order.
    std::array<std::uint8_t, 16> block = {0, 0, 0, 1, 0, 0, 0, 1, 0x80, 0, 0, 0, 0, 0, 0, 1};
    unscrambleBlock(block, WorkingKey{});
    const std::array<std::uint8_t, 16> rotated = {0, 0, 0, 8, 0,    0, 0x80, 0,
                                                  0, 4, 0, 0, 0x02, 0, 0,    0};
    EXPECT_EQ(block, rotated);

    std::array<std::uint8_t, 16> keyed = {0, 0, 0, 1};
    unscrambleBlock(keyed, workingKeyOf(kCountingKey));
    EXPECT_EQ(keyed[0], 0x03);
    EXPECT_EQ(keyed[1], 0x02);
    EXPECT_EQ(keyed[2], 0x01);
    EXPECT_EQ(keyed[3], 0x08);
}

TEST(ScrambleBlock, ScrambleThenUnscrambleIsTheIdentity) {
    for (std::uint32_t seed = 1; seed <= 200; ++seed) {
        const Bytes plain = test::randomBytes(16, seed);
        const Bytes keyBytes = test::randomBytes(16, seed * 7919);
        ScrambleKey key{};
        std::copy(keyBytes.begin(), keyBytes.end(), key.begin());
        const WorkingKey working = workingKeyOf(key);
        std::array<std::uint8_t, 16> block{};
        std::copy(plain.begin(), plain.end(), block.begin());
        scrambleBlock(block, working);
        EXPECT_FALSE(std::equal(block.begin(), block.end(), plain.begin())) << seed;
        unscrambleBlock(block, working);
        EXPECT_TRUE(std::equal(block.begin(), block.end(), plain.begin())) << seed;
    }
}

TEST(BlockScrambleStream, TwentyOnePlainBytesAreStoredAsTwentyFour) {
    const Bytes plain = test::randomBytes(21, 5);
    auto memory = MemoryStream::create();
    {
        auto stream = scrambledOver(memory, kTourAlbumKey);
        ASSERT_TRUE(stream->write(plain));
    }  // the last release writes the open block
    ASSERT_EQ(memory->bytes().size(), 24u);

    // The stored bytes are the blocks scrambled one by one.
    std::array<std::uint8_t, 16> first{};
    std::copy_n(plain.begin(), 16, first.begin());
    scrambleBlock(first, workingKeyOf(kTourAlbumKey));
    EXPECT_TRUE(std::equal(first.begin(), first.end(), memory->bytes().begin()));

    ASSERT_TRUE(memory->seek(0, ByteStream::Origin::Begin));
    auto reader = scrambledOver(memory, kTourAlbumKey);
    const Bytes back = readAll(*reader);
    ASSERT_EQ(back.size(), 24u);
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), back.begin()));
}

TEST(BlockScrambleStream, ScatteredWritesReadBackLikeAPlainStream) {
    auto memory = MemoryStream::create();
    auto plainModel = MemoryStream::create();
    std::mt19937 random(42);
    {
        auto stream = scrambledOver(memory, kTourAlbumKey);
        // Holes would hold whatever the base stream fills them with; start without any.
        const Bytes zeros(437);
        ASSERT_TRUE(stream->write(zeros));
        ASSERT_TRUE(plainModel->write(zeros));
        for (int i = 0; i < 300; ++i) {
            const std::int64_t at = std::int64_t(random() % 400);
            const Bytes bytes = test::randomBytes(1 + random() % 40, std::uint32_t(i));
            ASSERT_TRUE(stream->seek(at, ByteStream::Origin::Begin));
            ASSERT_TRUE(plainModel->seek(at, ByteStream::Origin::Begin));
            ASSERT_TRUE(stream->write(bytes));
            ASSERT_TRUE(plainModel->write(bytes));
            ASSERT_EQ(stream->position(), at + std::int64_t(bytes.size()));
            // Read a little from somewhere else in between.
            const std::int64_t probe = std::int64_t(random() % 400);
            std::uint8_t got[9] = {};
            ASSERT_TRUE(stream->seek(probe, ByteStream::Origin::Begin));
            const std::size_t n = stream->read(got);
            const Bytes& model = plainModel->bytes();
            for (std::size_t k = 0; k < n && probe + std::int64_t(k) < std::int64_t(model.size());
                 ++k)
                ASSERT_EQ(got[k], model[std::size_t(probe) + k]) << "round " << i;
        }
        ASSERT_TRUE(stream->flush());
    }
    const Bytes& model = plainModel->bytes();
    EXPECT_EQ(memory->bytes().size(), (model.size() + 3) & ~std::size_t(3));
    ASSERT_TRUE(memory->seek(0, ByteStream::Origin::Begin));
    auto reader = scrambledOver(memory, kTourAlbumKey);
    const Bytes back = readAll(*reader);
    ASSERT_GE(back.size(), model.size());
    EXPECT_TRUE(std::equal(model.begin(), model.end(), back.begin()));
}

TEST(BlockScrambleStream, AWrongKeyReadsOtherBytes) {
    const Bytes plain = test::randomBytes(64, 9);
    auto memory = MemoryStream::create();
    {
        auto stream = scrambledOver(memory, kTourAlbumKey);
        ASSERT_TRUE(stream->write(plain));
    }
    ASSERT_TRUE(memory->seek(0, ByteStream::Origin::Begin));
    auto reader = scrambledOver(memory, kTourSkinPictureKey);
    EXPECT_NE(readAll(*reader), plain);
}

TEST(BlockScrambleStream, ChangingTheKeyAppliesFromThePositionOn) {
    // Bytes before 24 scrambled with one key, the rest with another; 24 lies inside a block.
    const Bytes plain = test::randomBytes(48, 11);
    auto withAlbumKey = MemoryStream::create();
    auto withPictureKey = MemoryStream::create();
    {
        auto a = scrambledOver(withAlbumKey, kTourAlbumKey);
        auto b = scrambledOver(withPictureKey, kTourSkinPictureKey);
        ASSERT_TRUE(a->write(plain));
        ASSERT_TRUE(b->write(plain));
    }
    Bytes mixed(withAlbumKey->bytes().begin(), withAlbumKey->bytes().begin() + 24);
    mixed.insert(mixed.end(), withPictureKey->bytes().begin() + 24, withPictureKey->bytes().end());
    auto memory = test::memoryStreamOf(mixed);
    auto reader = scrambledOver(memory, kTourAlbumKey);
    Bytes head(24);
    ASSERT_EQ(reader->read(head), 24u);
    ASSERT_TRUE(reader->setKey(kTourSkinPictureKey));
    Bytes tail = readAll(*reader);
    head.insert(head.end(), tail.begin(), tail.end());
    EXPECT_EQ(head, plain);
}

TEST(BlockScrambleStream, FileRoundTripAndLength) {
    test::TempFolder folder;
    const std::string path = folder.path("scrambled.bin");
    const Bytes plain = test::randomBytes(1000, 3);
    {
        auto file = FileStream::open(path, FileStream::Mode::Create);
        ASSERT_TRUE(file);
        auto stream = BlockScrambleStream::create(shareStream(file), kTourSkinPictureKey);
        ASSERT_TRUE(stream->write(plain));
        ASSERT_TRUE(stream->flush());
        EXPECT_EQ(stream->length(), 1000);
    }
    EXPECT_EQ(test::readFileBytes(path).size(), 1000u);
    EXPECT_NE(test::readFileBytes(path), plain);
    auto file = FileStream::open(path, FileStream::Mode::Read);
    auto stream = BlockScrambleStream::create(shareStream(file), kTourSkinPictureKey);
    ASSERT_TRUE(stream->seek(-10, ByteStream::Origin::End));
    Bytes last(10);
    ASSERT_EQ(stream->read(last), 10u);
    EXPECT_TRUE(std::equal(last.begin(), last.end(), plain.end() - 10));
    EXPECT_EQ(stream->read(last), 0u);
    EXPECT_FALSE(stream->seek(-1, ByteStream::Origin::Begin));
}

}  // namespace
}  // namespace orbpix
