#include "core/BinaryReader.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <vector>

#include "core/ByteStream.h"

namespace orbpix {
namespace {

const std::vector<std::uint8_t> kBytes = {0x81, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0xF8};

struct TypedRead {
    const char* name;
    std::size_t width;
    std::function<bool(BinaryReader&, std::uint64_t&)> read;
    std::uint64_t expected;
};

template <class T, bool (BinaryReader::*Read)(T&)>
std::function<bool(BinaryReader&, std::uint64_t&)> as64() {
    return [](BinaryReader& r, std::uint64_t& out) {
        T value{};
        const bool ok = (r.*Read)(value);
        out = std::uint64_t(std::int64_t(value));
        return ok;
    };
}

const std::vector<TypedRead> kReads = {
    {"u8", 1, as64<std::uint8_t, &BinaryReader::readU8>(), 0x81},
    {"u16le", 2, as64<std::uint16_t, &BinaryReader::readU16LE>(), 0x0281},
    {"u16be", 2, as64<std::uint16_t, &BinaryReader::readU16BE>(), 0x8102},
    {"u32le", 4, as64<std::uint32_t, &BinaryReader::readU32LE>(), 0x04030281},
    {"u32be", 4, as64<std::uint32_t, &BinaryReader::readU32BE>(), 0x81020304},
    {"i32le", 4, as64<std::int32_t, &BinaryReader::readI32LE>(), 0x04030281},
    {"i32be", 4, as64<std::int32_t, &BinaryReader::readI32BE>(), 0xFFFFFFFF81020304},
    {"u64le", 8, as64<std::uint64_t, &BinaryReader::readU64LE>(), 0xF807060504030281},
    {"u64be", 8, as64<std::uint64_t, &BinaryReader::readU64BE>(), 0x81020304050607F8},
};

TEST(BinaryReader, TypedReadsGiveExactValuesAndFailAtEveryTruncation) {
    for (const TypedRead& c : kReads) {
        BinaryReader reader(kBytes);
        std::uint64_t value = 0;
        ASSERT_TRUE(c.read(reader, value)) << c.name;
        EXPECT_EQ(value, c.expected) << c.name;
        EXPECT_EQ(reader.position(), c.width) << c.name;
        EXPECT_EQ(reader.remaining(), kBytes.size() - c.width) << c.name;
        for (std::size_t cut = 0; cut < c.width; ++cut) {
            BinaryReader shortReader{std::span(kBytes).first(cut)};
            EXPECT_FALSE(c.read(shortReader, value)) << c.name << " cut at " << cut;
            EXPECT_EQ(shortReader.position(), 0u) << c.name << " cut at " << cut;
        }
    }
}

TEST(BinaryReader, SubReaderIsBoundedToItsChunk) {
    BinaryReader reader(kBytes);
    ASSERT_TRUE(reader.skip(1));
    BinaryReader chunk;
    ASSERT_TRUE(reader.subReader(3, chunk));
    EXPECT_EQ(reader.position(), 4u);
    std::uint32_t word = 0;
    EXPECT_FALSE(chunk.readU32BE(word));  // only three bytes in the chunk
    std::uint16_t half = 0;
    ASSERT_TRUE(chunk.readU16BE(half));
    EXPECT_EQ(half, 0x0203);
    BinaryReader tooLong;
    EXPECT_FALSE(reader.subReader(5, tooLong));
    EXPECT_FALSE(reader.skip(5));
    EXPECT_EQ(reader.position(), 4u);
    ASSERT_TRUE(reader.subReader(4, tooLong));
    EXPECT_TRUE(reader.atEnd());
}

TEST(BinaryReader, BytesAndTerminatedRuns) {
    const std::vector<std::uint8_t> bytes = {'a', 'b', 0, 'c', 0, 'd'};
    BinaryReader reader(bytes);
    std::span<const std::uint8_t> run;
    ASSERT_TRUE(reader.readUntil(0, run));
    EXPECT_EQ(std::vector(run.begin(), run.end()), (std::vector<std::uint8_t>{'a', 'b'}));
    std::uint8_t copy[2] = {};
    ASSERT_TRUE(reader.readInto(copy));
    EXPECT_EQ(copy[0], 'c');
    EXPECT_FALSE(reader.readUntil(0, run));  // "d" has no terminator
    EXPECT_FALSE(reader.readBytes(2, run));
    EXPECT_EQ(reader.position(), 5u);
}

TEST(BinaryReader, CountTimesSizeIsOverflowChecked) {
    constexpr auto kMax = std::numeric_limits<std::uint64_t>::max();
    EXPECT_EQ(checkedByteCount(3, 5), 15u);
    EXPECT_EQ(checkedByteCount(kMax, 0), 0u);
    EXPECT_EQ(checkedByteCount(kMax / 4, 4), kMax / 4 * 4);
    EXPECT_FALSE(checkedByteCount(kMax / 4 + 1, 4));
    EXPECT_FALSE(checkedByteCount(std::uint64_t{1} << 32, std::uint64_t{1} << 32));

    BinaryReader reader(kBytes);
    EXPECT_TRUE(reader.holds(2, 4));
    EXPECT_FALSE(reader.holds(3, 3));
    // A product that wraps to a small number must not pass.
    EXPECT_FALSE(reader.holds(std::uint64_t{1} << 63, 2));
}

TEST(BinaryReader, StreamLengthLeavesTheStreamAtItsEnd) {
    auto stream = MemoryStream::create();
    ASSERT_TRUE(stream->write(kBytes));
    ASSERT_TRUE(stream->seek(2, ByteStream::Origin::Begin));
    EXPECT_EQ(streamLength(*stream), kBytes.size());
    EXPECT_EQ(stream->position(), std::int64_t(kBytes.size()));
}

}  // namespace
}  // namespace orbpix
