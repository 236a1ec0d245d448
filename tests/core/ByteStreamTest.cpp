#include "core/ByteStream.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "support/TempFolder.h"

namespace orbpix {
namespace {

class CountingStream final : public ByteStream {
public:
    static CountingStream* make(int& destroyed) { return new CountingStream(destroyed); }
    bool write(std::span<const std::uint8_t>) override { return true; }

private:
    explicit CountingStream(int& destroyed) : m_destroyed(destroyed) {}
    ~CountingStream() override { ++m_destroyed; }
    int& m_destroyed;
};

TEST(ByteStream, LastReleaseDestroysTheStream) {
    int destroyed = 0;
    CountingStream* raw = CountingStream::make(destroyed);
    {
        auto owner = StreamRef<CountingStream>::adopt(raw);
        raw->addRef();  // e.g. an encoder's reference
        {
            StreamRef<CountingStream> copy = owner;
            StreamRef<CountingStream> moved = std::move(copy);
            EXPECT_FALSE(copy);
        }
        EXPECT_EQ(destroyed, 0);
        raw->release();
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(ByteStream, BigEndianValues) {
    auto stream = MemoryStream::create();
    ASSERT_TRUE(writeU32BE(*stream, 0x00312E30u));
    ASSERT_TRUE(writeU16BE(*stream, 0xABCDu));
    EXPECT_EQ(stream->bytes(), (std::vector<std::uint8_t>{0x00, 0x31, 0x2E, 0x30, 0xAB, 0xCD}));
}

TEST(ByteStream, MemoryStreamSeeksOverwritesAndReadsToTheEnd) {
    auto stream = MemoryStream::create();
    const std::uint8_t data[] = {1, 2, 3, 4, 5};
    ASSERT_TRUE(stream->write(data));
    ASSERT_TRUE(stream->seek(1, ByteStream::Origin::Begin));
    const std::uint8_t patch[] = {9, 9};
    ASSERT_TRUE(stream->write(patch));
    EXPECT_EQ(stream->position(), 3);
    EXPECT_EQ(stream->bytes(), (std::vector<std::uint8_t>{1, 9, 9, 4, 5}));
    ASSERT_TRUE(stream->seek(-2, ByteStream::Origin::End));
    std::uint8_t buffer[8] = {};
    EXPECT_EQ(stream->read(buffer), 2u);
    EXPECT_EQ(buffer[0], 4);
    EXPECT_EQ(buffer[1], 5);
    EXPECT_EQ(stream->read(buffer), 0u);
    EXPECT_FALSE(stream->seek(-1, ByteStream::Origin::Begin));
    // Writing past the end fills the gap with zeros.
    ASSERT_TRUE(stream->seek(7, ByteStream::Origin::Begin));
    ASSERT_TRUE(stream->write(patch));
    EXPECT_EQ(stream->bytes(), (std::vector<std::uint8_t>{1, 9, 9, 4, 5, 0, 0, 9, 9}));
}

TEST(ByteStream, FileStreamRoundTrip) {
    const test::TempFolder folder;
    const std::filesystem::path path = folder.path("stream.bin");
    {
        auto file = FileStream::open(path.string(), FileStream::Mode::Create);
        ASSERT_TRUE(file);
        ASSERT_TRUE(writeU32BE(*file, 0x01020304u));
        EXPECT_EQ(file->position(), 4);
        ASSERT_TRUE(file->flush());
    }
    {
        auto file = FileStream::open(path.string(), FileStream::Mode::Read);
        ASSERT_TRUE(file);
        std::uint8_t buffer[8] = {};
        EXPECT_EQ(file->read(buffer), 4u);
        EXPECT_EQ(buffer[0], 1);
        EXPECT_EQ(buffer[3], 4);
        EXPECT_FALSE(file->write(buffer));
    }
    std::filesystem::remove(path);
    EXPECT_FALSE(FileStream::open(path.string(), FileStream::Mode::Read));
}

}  // namespace
}  // namespace orbpix
