#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "core/ByteStream.h"
#include "tourfmt/ScrambleKey.h"

namespace orbpix {

// The four 32-bit words a key value scrambles with, in block order.
using WorkingKey = std::array<std::uint32_t, 4>;
[[nodiscard]] WorkingKey workingKeyOf(const ScrambleKey& key);

// One 16-byte block in place; unscrambleBlock undoes scrambleBlock with the same key.
void scrambleBlock(std::span<std::uint8_t, 16> block, const WorkingKey& key);
void unscrambleBlock(std::span<std::uint8_t, 16> block, const WorkingKey& key);

// A seekable read/write stream that keeps its bytes scrambled in 16-byte blocks in another
// stream. Only one block is held in memory; a changed block goes back to the base stream
// when the stream leaves it, on flush and on the last release, with its valid bytes rounded
// up to a multiple of 4 (so a scrambled file is its plain length rounded up to 4).
class BlockScrambleStream final : public ByteStream {
public:
    static constexpr std::size_t kBlockSize = 16;

    // Returns an empty reference without a base stream.
    static StreamRef<BlockScrambleStream> create(StreamRef<ByteStream> base,
                                                 const ScrambleKey& key);

    // Uses another key from the current position on. The block holding the position is
    // read again with the new key; bytes already handed out stay as they were.
    [[nodiscard]] bool setKey(const ScrambleKey& key);

    [[nodiscard]] bool write(std::span<const std::uint8_t> bytes) override;
    [[nodiscard]] std::size_t read(std::span<std::uint8_t> bytes) override;
    [[nodiscard]] bool seek(std::int64_t offset, Origin origin) override;
    [[nodiscard]] std::int64_t position() const override { return m_blockOffset + m_inBlock; }
    // Writes a changed block back and flushes the base stream.
    [[nodiscard]] bool flush() override;

    // The stream's length: what the base stream holds, or more while a block is unwritten.
    [[nodiscard]] std::int64_t length();

private:
    BlockScrambleStream(StreamRef<ByteStream> base, const ScrambleKey& key);
    ~BlockScrambleStream() override;

    [[nodiscard]] bool loadBlock();
    [[nodiscard]] bool storeBlock();
    [[nodiscard]] bool moveTo(std::int64_t position);

    StreamRef<ByteStream> m_base;
    WorkingKey m_key;
    std::array<std::uint8_t, kBlockSize> m_plain{};
    std::int64_t m_blockOffset = 0;
    std::int64_t m_baseLength = -1;    // -1 while unknown
    std::int64_t m_basePosition = -1;  // where the base stream stands, -1 while unknown
    std::size_t m_inBlock = 0;
    std::size_t m_valid = 0;
    bool m_loaded = false;
    bool m_dirty = false;
};

// Another reference to a stream, as the base of a BlockScrambleStream or a reader.
template <class T>
StreamRef<ByteStream> shareStream(const StreamRef<T>& stream) {
    if (!stream)
        return {};
    stream->addRef();
    return StreamRef<ByteStream>::adopt(stream.get());
}

}  // namespace orbpix
